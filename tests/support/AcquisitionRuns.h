#pragma once

// Raw directories of each acquisition kind, for the classification and the
// processors that walk such runs:
//
//   AcquisitionRun run = ddaRun({500.2f, 600.3f}, {.lockMass = true, .mobility = true});
//   run.fx.function(1).scans = 5;  // every detail stays adjustable
//   run.write(dir);
//
// Every function is a format-12 RawDirectoryFixture function of 3 scans at
// the same retention times, 50 to 1200. A lock-mass function is a TOFM
// function flagged as the reference in its statistics, appended last. The
// mobility variants get a drift file pair (drift_fixture::ladder) for every
// function but the lock-mass one.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "drift/DriftPairFixture.h"
#include "support/RawDirectoryFixture.h"

// Stored function types (public value - 200).
inline constexpr std::uint16_t kTypeMS = 0, kTypeTOFS = 15, kTypeTOFD = 16, kTypeTOFM = 18;
// Statistics field ids the kinds are told by.
inline constexpr std::uint16_t kCollisionEnergyField = 62, kSetMassField = 77, kVeskoEnabledField = 81;

struct RunOptions {
  bool lockMass = false;  // a reference function after the others
  bool mobility = false;  // drift file pairs
};

struct AcquisitionRun {
  RawDirectoryFixture fx;
  std::vector<unsigned> driftFunctions;
  drift_fixture::Settings drift{};  // the header of every pair
  int lockMassFunction = -1;

  void write(const std::filesystem::path& dir) const;
};

// A function of the stored type with the run's shared ranges and times.
[[nodiscard]] FixtureFunction runFunction(std::uint16_t type);
// A TOFD function recording the set mass in its statistics: the descriptor's
// set mass is not read for TOF types.
[[nodiscard]] FixtureFunction fragmentFunction(float setMass);
// A TOFM function whose statistics flag it as the lock-mass reference.
[[nodiscard]] FixtureFunction lockMassFunction();

// Scanning quadrupole: function 0 (TOFM) records VESKO_ENABLED = veskoEnabled
// on every scan and has 200 bins in drift files swept by the directory's
// scanning-quadrupole calibration (100 to 1100).
[[nodiscard]] AcquisitionRun veskoRun(int veskoEnabled = 1, RunOptions options = {});
// Data-dependent: a TOFS survey, then one TOFD fragment function per set mass.
[[nodiscard]] AcquisitionRun ddaRun(const std::vector<float>& setMasses, RunOptions options = {});
// Alternating energy: two TOFM functions recording these collision energies.
// Without a lock-mass function an MS function ends the run: the cluster takes
// a run's last function as the reference when it is TOFS or TOFM.
[[nodiscard]] AcquisitionRun elvoRun(float firstEnergy, float secondEnergy, RunOptions options = {});
