// The decoded scan as a container: ownership, moves, statistics and sums.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "formats/scans/ZVRawScan.h"
#include "support/ScanFixtures.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_zvraw_version_1::ZVRawScan;

namespace {

std::unique_ptr<float[]> floats(std::initializer_list<float> v) {
  auto a = std::make_unique_for_overwrite<float[]>(v.size());
  std::copy(v.begin(), v.end(), a.get());
  return a;
}

// A scan holding the given masses and intensities.
void fill(ZVRawScan& s, std::initializer_list<float> masses, std::initializer_list<float> intensities) {
  ASSERT_EQ(masses.size(), intensities.size());
  ASSERT_EQ(s.setScan(floats(masses), floats(intensities), nullptr, static_cast<unsigned>(masses.size())), 0);
}

TEST(ScanStats, TicAndFirstLargestSkipNegatives) {
  ZVRawScan s;
  EXPECT_EQ(s.setStats(), ZVRAW_NULLPOINTER_ERROR) << "no arrays";
  EXPECT_EQ(s.getBPI(), 0.0f) << "base peak not computed";
  EXPECT_EQ(s.getBPMass(), 0.0f);

  fill(s, {10, 20, 30, 40}, {5, -3, 7, 7});
  ASSERT_EQ(s.setStats(), 0);
  EXPECT_EQ(s.getTIC(), 19.0f);
  EXPECT_EQ(s.getBPI(), 7.0f);
  EXPECT_EQ(s.getBPMass(), 30.0f) << "the first of two equal maxima";

  fill(s, {10, 20}, {-5, -1});
  ASSERT_EQ(s.setStats(), 0);
  EXPECT_EQ(s.getTIC(), 0.0f);

  // An empty scan that holds (empty) arrays: no base peak to point at.
  ASSERT_EQ(s.setScan(std::make_unique<float[]>(0), std::make_unique<float[]>(0), nullptr, 0), 0);
  ASSERT_EQ(s.setStats(), 0);
  EXPECT_EQ(s.getTIC(), 0.0f);
  EXPECT_EQ(s.getBPI(), 0.0f);
  EXPECT_EQ(s.getBPMass(), 0.0f);
}

TEST(ScanStats, SpacingStatistics) {
  ZVRawScan s;
  float lo = 9, hi = 9, ave = 0, dev = 0, threshold = 9;
  unsigned count = 9;
  // Fewer than two peaks: nothing to divide by.
  for (unsigned n : {0u, 1u}) {
    ASSERT_EQ(s.setScan(floats({100}), floats({1}), nullptr, n), 0);
    ave = dev = 5;
    ASSERT_EQ(s.getStats(lo, hi, ave, dev, count, threshold, 0.001f), 0);
    EXPECT_EQ(std::vector<float>({lo, hi, ave, dev, threshold}), std::vector<float>(5, 0.0f)) << n;
    EXPECT_EQ(count, 0u);
  }

  fill(s, {100, 100.5f, 102, 101}, {1, 1, 1, 1});  // spacings 0.5, 1.5, 1
  ave = dev = 0;
  ASSERT_EQ(s.getStats(lo, hi, ave, dev, count, threshold, 0.75f), 0);
  EXPECT_EQ(lo, 0.75f) << "a spacing below the cut-off counts as the cut-off";
  EXPECT_EQ(hi, 1.5f);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(threshold, 100.5f);
  EXPECT_FLOAT_EQ(ave, 1.0f);
  EXPECT_FLOAT_EQ(dev, std::sqrt(0.5f / 3));

  ave = dev = 0;
  ASSERT_EQ(s.getStats(lo, hi, ave, dev, count, threshold, 0.1f), 0);
  EXPECT_EQ(lo, 0.5f);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(threshold, -3.4028235e38f) << "no spacing below the cut-off";
}

TEST(ScanSums, SortedAndUnsortedWindows) {
  ZVRawScan s;
  float sum = -1;
  ASSERT_EQ(s.getSumIntensity(sum, 0, 1000, 1, false, false), 0);
  EXPECT_EQ(sum, 0.0f) << "empty scan";

  fill(s, {100, 200, 300, 400}, {1, 2, 4, 8});
  struct Case {
    float low, high, window;
    bool unsorted;
    float sum;
    const char* why;
  } cases[] = {
      {150, 350, 0, false, 6, "ends between peaks"},
      {150, 350, 0, true, 6, "ends between peaks, unsorted"},
      {200, 300, 0, true, 6, "unsorted includes both ends"},
      {200, 300, 0, false, 4, "sorted excludes a mass equal to the start"},
      {200, 400, 0, false, 4, "and the last mass when it equals the end"},
      {199.5f, 300.5f, 1, false, 6, "the window widens both ends by half"},
      {300, 300, 0, true, 4, "window 0 on a peak, unsorted"},
      {300, 300, 0, false, 0, "window 0 on a peak, sorted: the start equals the mass"},
      {0, 50, 0, false, 0, "below every mass"},
      {500, 600, 0, true, 0, "above every mass"},
      {0, 1000, 0, false, 15, "every peak"},
      {350, 150, 0, false, 0, "low above high"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(s.getSumIntensity(sum, c.low, c.high, c.window, false, c.unsorted), 0) << c.why;
    EXPECT_EQ(sum, c.sum) << c.why;
  }

  sum = 42;
  EXPECT_EQ(s.getSumIntensity(sum, 0, 1000, 1, true, true), ZVRAW_SCANREAD_ERROR) << "no daughter masses";
  EXPECT_EQ(sum, 42.0f) << "output untouched";
  EXPECT_EQ(s.getSumIntensity(sum, 0, 1000, 1, true, false), ZVRAW_SCANREAD_ERROR);
}

TEST(ScanArrays, AbsentCompanionsAnswerTheirCodes) {
  ZVRawScan s;
  fill(s, {1, 2}, {3, 4});
  const float dummy = 0;
  const float* f = &dummy;
  const char* c = "x";
  unsigned n = 9;
  EXPECT_EQ(s.getDaughterMasses(&f, n), ZVRAW_DATA_NULL);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(n, 0u);
  n = 9;
  EXPECT_EQ(s.getScanFlags(&c, n), ZVRAW_SCANFLAGS_UNSUPPORTED);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(n, 0u);
  c = "x";
  EXPECT_EQ(s.getAccMassScanFlags(&c, n), ZVRAW_SCANFLAGS_UNSUPPORTED);
  EXPECT_EQ(c, nullptr);

  EXPECT_EQ(ZVRawScan::GetInterferenceFlag(-0.5f), 1);
  EXPECT_EQ(ZVRawScan::GetInterferenceFlag(0.0f), ZVRawScan::NO_FLAG);
  EXPECT_EQ(s.GetSaturationFlag(0), ZVRawScan::NO_FLAG) << "no intensity errors";
  ASSERT_EQ(s.setScan(floats({1, 2}), floats({3, 4}), floats({0, 0}), floats({1, -1}), nullptr, nullptr, 2), 0);
  EXPECT_EQ(s.GetSaturationFlag(0), ZVRawScan::NO_FLAG);
  EXPECT_EQ(s.GetSaturationFlag(1), ZVRawScan::ENHANCED_CAL_FLAGS_PEAK_ERROR_MASK);
  EXPECT_EQ(s.GetSaturationFlag(2), ZVRawScan::NO_FLAG) << "past the last peak";
  EXPECT_EQ(s.GetSaturationFlag(-1), ZVRawScan::NO_FLAG);

  float m[2] = {}, i[2] = {};
  ASSERT_EQ(s.getScan(m, i), 0);
  EXPECT_EQ(m[1], 2.0f);
  EXPECT_EQ(i[1], 4.0f);
  EXPECT_EQ(s.getScan(nullptr, i), ZVRAW_NULLPOINTER_ERROR);
}

TEST(ScanOwnership, SetScanTakesOverAndReleases) {
  ZVRawScan s;
  fill(s, {1, 2, 3}, {4, 5, 6});
  EXPECT_EQ(s.setScan(nullptr, floats({2}), nullptr, 1), ZVRAW_NULLPOINTER_ERROR) << "peaks without masses";
  EXPECT_EQ(s.setScan(floats({1}), nullptr, floats({0}), nullptr, nullptr, nullptr, 1), ZVRAW_NULLPOINTER_ERROR)
      << "peaks without intensities";
  EXPECT_EQ(massesOf(s), std::vector<float>({1, 2, 3})) << "a refused scan changes nothing";
  fill(s, {4, 5}, {6, 7});  // the arrays held before are released
  EXPECT_EQ(massesOf(s), std::vector<float>({4, 5}));

  ASSERT_EQ(s.setScan(nullptr, nullptr, nullptr, 0), 0);
  EXPECT_EQ(s.getScanSize(), 0u);
}

TEST(ScanOwnership, MoveScanTransfersEverything) {
  ZVRawScan src, dst;
  ASSERT_EQ(src.setScan(floats({1, 2}), floats({3, 4}), floats({0, 0}), floats({0, 0}),
                        std::unique_ptr<char[]>(new char[2]{2, 0}), std::unique_ptr<char[]>(new char[2]{1, 1}), 2),
            0);
  ASSERT_EQ(src.setStats(), 0);
  fill(dst, {9}, {9});  // released by the move, not leaked
  ASSERT_EQ(ZVRawScan::moveScan(&dst, &src), 0);
  EXPECT_EQ(massesOf(dst), std::vector<float>({1, 2}));
  EXPECT_EQ(dst.getTIC(), 7.0f);
  EXPECT_EQ(dst.getBPMass(), 2.0f);
  const char* flags = nullptr;
  unsigned n = 0;
  EXPECT_EQ(dst.getAccMassScanFlags(&flags, n), 0);
  EXPECT_EQ(n, 2u);

  EXPECT_EQ(src.getScanSize(), 0u);
  EXPECT_EQ(massesOf(src), std::vector<float>());
  EXPECT_EQ(src.getTIC(), 0.0f);
  EXPECT_EQ(src.getBPI(), 0.0f);
  EXPECT_EQ(src.getScanFlags(&flags, n), ZVRAW_SCANFLAGS_UNSUPPORTED);

  EXPECT_EQ(ZVRawScan::moveScan(&dst, &dst), 0);
  EXPECT_EQ(massesOf(dst), std::vector<float>({1, 2})) << "a move onto itself changes nothing";
  EXPECT_EQ(ZVRawScan::moveScan(nullptr, &dst), 1);
  EXPECT_EQ(ZVRawScan::moveScan(&dst, nullptr), 1);
  EXPECT_EQ(dst.getScanSize(), 2u);
}

TEST(ScanOwnership, MoveScansHandlesOverlap) {
  ZVRawScan a[4];
  for (int k = 0; k < 3; ++k) fill(a[k], {static_cast<float>(k)}, {1});
  EXPECT_EQ(ZVRawScan::moveScans(nullptr, a, 1), 1);
  EXPECT_EQ(ZVRawScan::moveScans(a, nullptr, 1), 1);
  ASSERT_EQ(ZVRawScan::moveScans(a + 1, a, 3), 0);  // shift up by one
  EXPECT_EQ(a[0].getScanSize(), 0u);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(massesOf(a[k]), std::vector<float>({static_cast<float>(k - 1)})) << k;
  ASSERT_EQ(ZVRawScan::moveScans(a, a + 1, 3), 0);  // and back down
  for (int k = 0; k < 3; ++k) EXPECT_EQ(massesOf(a[k]), std::vector<float>({static_cast<float>(k)})) << k;
  EXPECT_EQ(a[3].getScanSize(), 0u);
}

}  // namespace
