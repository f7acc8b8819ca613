#pragma once

// Writes a small raw data directory for cluster and reader tests:
//
//   RawDirectoryFixture fx;
//   fx.function({.format = 12, .scans = 5}).function({.type = 9, .format = 2});
//   fx.function(0).stats = {{kReferenceScan, kCharField, [](unsigned) { return 1.0; }}};
//   fx.write(dir());
//
// Every function gets its _functns.inf record (hand-built bytes), its
// _funcNNN.idx (records packed by the library's index record), its
// _funcNNN.dat (packets packed by the library's encoders, or hand-built for
// the intensity-only formats 2 and 11) and a _header.txt through the header
// writer. The optional files come only on request. Masses and intensities
// follow fixtureMass/fixtureIntensity and are exact in every packed format
// written here.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "formats/portability/ByteCodec.h"
#include "formats/calibration/FunctionCalibration.h"

// Field types and ids of the per-scan statistics file.
inline constexpr std::uint16_t kCharField = 0, kShortField = 1, kLongField = 2, kFloatField = 3, kDoubleField = 4;
inline constexpr std::uint16_t kReferenceScanField = 100, kUseLockMassField = 101, kLockMassCorrectionField = 102;
inline constexpr std::uint16_t kUseTempField = 103, kTempCorrectionField = 104, kTempCoefficientField = 105;

struct FixtureStatsField {
  std::uint16_t id = 0;
  std::uint16_t type = kFloatField;
  std::function<double(unsigned scan)> value;  // stored in the field's type
};

struct FixtureFunction {
  std::uint16_t type = 0;     // function type code (0 MS, 9 MRM, 15/18 reference types, 17 MALDI)
  std::uint16_t ionMode = 8;  // ES positive
  std::uint16_t format = 12;  // data format; 0, 2, 8, 9, 11, 12, 13 get packets
  bool extended = false;      // 30-byte index records with 64-bit offsets
  bool sprayerBit = false;    // the descriptor's reference-sprayer bit
  unsigned scans = 3;
  unsigned peaks = 4;  // points in every scan
  float lowMass = 50.0f, highMass = 2000.0f;
  float rtStart = 0.5f, rtStep = 0.25f;                                             // minutes
  std::vector<float> rts{};  // the first scans' own times, in place of rtStart + s x rtStep
  bool calibrated = false;                                                          // the index records' calibrated bit
  std::optional<borealtek_calibrate_version_1::FunctionCalibration> calibration{};  // in _header.txt
  std::vector<FixtureStatsField> stats{};                                           // _funcNNN.sts when not empty
  // Mass segments (start, end) of the descriptor; one of lowMass..highMass
  // when empty. Formats 2 and 11 take peak k's mass from segment k.
  std::vector<std::pair<float, float>> segments{};
  float setMass = 500.0f;  // the descriptor's set mass (not of MALDI functions)
  // Point p of scan s as (mass, intensity) in place of fixtureMass and
  // fixtureIntensity (formats 0, 8, 9, 12 and 13).
  std::function<std::pair<float, float>(unsigned s, unsigned p)> point{};
};

// The values written for point p of scan s of function f: ascending masses
// on a 1/128 grid and small whole intensities, so every format keeps them.
[[nodiscard]] float fixtureMass(unsigned f, unsigned s, unsigned p);
[[nodiscard]] float fixtureIntensity(unsigned f, unsigned s, unsigned p);
[[nodiscard]] float fixtureRT(const FixtureFunction& fn, unsigned s);

class RawDirectoryFixture {
 public:
  RawDirectoryFixture& function(FixtureFunction fn) {
    functions_.push_back(std::move(fn));
    return *this;
  }
  [[nodiscard]] FixtureFunction& function(std::size_t f) { return functions_.at(f); }
  [[nodiscard]] const FixtureFunction& function(std::size_t f) const { return functions_.at(f); }
  [[nodiscard]] std::size_t functionCount() const { return functions_.size(); }

  // Optional files.
  RawDirectoryFixture& lockMassGain(std::vector<std::pair<float, float>> rtGain) {
    gains_ = std::move(rtGain);
    return *this;
  }
  RawDirectoryFixture& veskoCalibration(bool on = true) {
    vesko_ = on;
    return *this;
  }
  // "* Coefficient: ..", "* Exponent: ..", "* t0: .." lines.
  RawDirectoryFixture& mobilityCalibration(double coefficient, double exponent, double t0) {
    mobility_ = {coefficient, exponent, t0};
    return *this;
  }
  RawDirectoryFixture& externInfo(std::string text) {
    extern_ = std::move(text);
    return *this;
  }
  // Channels of n samples each, written as _CHROMS.INF and _CHRONNN.DAT.
  RawDirectoryFixture& analogChannels(int channels, int samples) {
    analog_ = {channels, samples};
    return *this;
  }
  RawDirectoryFixture& sampleDescription(std::string text) {
    description_ = std::move(text);
    return *this;
  }

  // Writes every file into dir (which must exist); fails the running test
  // when a file cannot be written.
  void write(const std::filesystem::path& dir) const;

  // The bytes of single files, for truncation and corruption runs.
  [[nodiscard]] Bytes descriptorBytes() const;
  [[nodiscard]] Bytes indexBytes(unsigned f) const;
  [[nodiscard]] Bytes dataBytes(unsigned f) const;
  [[nodiscard]] Bytes statsBytes(unsigned f) const;
  // Bytes of one scan's packets, and the bytes per packet of a format.
  [[nodiscard]] Bytes scanBytes(unsigned f, unsigned s) const;
  [[nodiscard]] static unsigned packetSize(std::uint16_t format);

  // Appends `scans` more scans to function f of the directory this fixture
  // wrote, as a running acquisition would: data first, then index records
  // (and statistics records when the function has them). With halfRecord,
  // also the first half of one more index record, still being written.
  void grow(const std::filesystem::path& dir, unsigned f, unsigned scans, bool halfRecord);

  // File names of function f (0-based) inside a directory.
  [[nodiscard]] static std::string indexName(unsigned f);
  [[nodiscard]] static std::string dataName(unsigned f);
  [[nodiscard]] static std::string statsName(unsigned f);

 private:
  [[nodiscard]] std::pair<float, float> pointOf(unsigned f, unsigned s, unsigned p) const;
  [[nodiscard]] Bytes indexRecordsBytes(unsigned f, unsigned first, unsigned last) const;

  std::vector<FixtureFunction> functions_;
  std::optional<std::vector<std::pair<float, float>>> gains_;
  bool vesko_ = false;
  std::optional<std::tuple<double, double, double>> mobility_;
  std::optional<std::string> extern_;
  std::optional<std::pair<int, int>> analog_;
  std::string description_ = "fixture run";
};
