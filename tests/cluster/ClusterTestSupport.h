#pragma once

// Shared pieces of the cluster tests: a temporary directory holding a raw
// directory written by RawDirectoryFixture.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "cluster/ZVRawDataClusterImp.h"
#include "support/RawDirectoryFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

class ClusterTest : public TempDirTest {
 protected:
  // The raw directory inside the temporary one.
  [[nodiscard]] std::filesystem::path raw() const { return dir() / "run1.raw"; }
  [[nodiscard]] std::string rawPath() const { return raw().string(); }

  // Writes fx into raw().
  void write(const RawDirectoryFixture& fx) {
    std::filesystem::create_directories(raw());
    fx.write(raw());
  }
  // Opens raw() without loading.
  [[nodiscard]] std::unique_ptr<ZVRawDataClusterImp> open() const {
    return std::make_unique<ZVRawDataClusterImp>(rawPath().c_str(), 0, true, false);
  }

  // Two centroid functions of format 12 (5 and 3 scans of 4 points).
  static RawDirectoryFixture twoFunctions() {
    RawDirectoryFixture fx;
    fx.function({.format = 12, .scans = 5, .peaks = 4}).function({.format = 12, .scans = 3, .peaks = 6});
    return fx;
  }
};

// The masses and intensities of one loaded scan.
inline void expectFixtureScan(const ZVRawDataClusterImp& cluster, unsigned f, unsigned s, unsigned peaks,
                              float massFactor = 1.0f) {
  const auto* data = cluster.getFunctionData(f);
  ASSERT_NE(data, nullptr);
  const float *masses = nullptr, *intensities = nullptr;
  unsigned n = 0;
  ASSERT_EQ(data->getScan(s, &masses, &intensities, n), ZVRAW_OK) << "function " << f << " scan " << s;
  ASSERT_EQ(n, peaks);
  for (unsigned p = 0; p < n; ++p) {
    EXPECT_FLOAT_EQ(masses[p], fixtureMass(f, s, p) * massFactor) << f << "/" << s << "/" << p;
    EXPECT_EQ(intensities[p], fixtureIntensity(f, s, p)) << f << "/" << s << "/" << p;
  }
}
