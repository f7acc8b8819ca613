#pragma once

// Processors of the C interface on directories written by the fixtures,
// released when the test ends, and the run whose lock-mass gain they test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "support/AcquisitionRuns.h"

struct Points {
  std::vector<float> masses, intensities;
  bool operator==(const Points&) const = default;
};

// Function 0: two uncalibrated scans at 2 and 4 minutes whose square-root
// header calibration makes a gain g scale every mass by g; function 1: the
// lock-mass reference. The table, when asked: (0, 1.0), (10, 1.2), so the
// range's gain is 1.06.
inline AcquisitionRun gainRun(bool table, bool calibrated = false) {
  AcquisitionRun run;
  borealtek_calibrate_version_1::FunctionCalibration root;
  root.setCalibration(0.0, 1.0, 1);
  run.fx.function({.format = 12, .scans = 2, .peaks = 4, .rtStart = 2.0f, .rtStep = 2.0f,
                   .calibrated = calibrated, .calibration = root});
  run.fx.function(lockMassFunction());
  run.driftFunctions = {0};
  if (table) run.fx.lockMassGain({{0.0f, 1.0f}, {10.0f, 1.2f}});
  return run;
}

class ProcessorTest : public ReaderSetTest {
 protected:
  void TearDown() override {
    for (CZorvalenBaseProcessor p : processors_) EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
    ReaderSetTest::TearDown();
  }

  void write(const AcquisitionRun& run) {
    std::filesystem::create_directories(raw());
    run.write(raw());
  }

  // A processor of the kind, working through a reader on reader's
  // directory when one is given.
  CZorvalenBaseProcessor processorOf(ZorvalenBaseType kind, CZorvalenBaseReader reader = nullptr) {
    CZorvalenBaseProcessor p = nullptr;
    EXPECT_EQ(createRawProcessor(&p, kind, nullptr, nullptr), ZVRAW_OK);
    processors_.push_back(p);
    if (reader != nullptr) {
      EXPECT_EQ(setRawReader(p, reader), ZVRAW_OK);
    }
    return p;
  }
  CZorvalenBaseProcessor spectrumProcessor(CZorvalenBaseReader reader = nullptr) {
    return processorOf(ZorvalenBaseType::SCAN, reader);
  }

  static Points spectrumOf(CZorvalenBaseProcessor p) {
    float *m = nullptr, *y = nullptr;
    int n = -1;
    EXPECT_EQ(getScan(p, &m, &y, &n), ZVRAW_OK);
    if (n <= 0) return {};
    return {{m, m + n}, {y, y + n}};
  }
  static Points scanOf(CZorvalenBaseReader r, int function, int scan) {
    float *m = nullptr, *y = nullptr;
    int n = 0;
    EXPECT_EQ(readScan(r, function, scan, &m, &y, &n), ZVRAW_OK);
    if (n <= 0) return {};
    return {{m, m + n}, {y, y + n}};
  }

  // Replaces set_'s pairs.
  CZorvalenParameters pairs(const ParameterPairs& values) {
    clearSet();
    for (const auto& [key, text] : values) EXPECT_EQ(setParameterValue(set_, key, text.c_str()), ZVRAW_OK);
    return set_;
  }
  void clearSet() {
    EXPECT_EQ(destroyParameters(set_), ZVRAW_OK);
    EXPECT_EQ(createParameters(&set_), ZVRAW_OK);
  }

 private:
  std::vector<CZorvalenBaseProcessor> processors_;
};
