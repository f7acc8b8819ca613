#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

#include "formats/calibration/FunctionCalibration.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

using Vec = std::vector<float>;
using Range = std::pair<int, int>;

Vec masses(const ZVSpectrum& s) { return {s.getMasses(), s.getMasses() + s.getSize()}; }
Vec intensities(const ZVSpectrum& s) { return {s.getIntensities(), s.getIntensities() + s.getSize()}; }

TEST(SpectrumSearch, EndsSinglePointsAndEmptyArrays) {
  const Vec x{1, 2, 2, 2, 3};
  const struct {
    Vec x;
    float v;
    int below, above;
  } cases[] = {{{}, 1, -1, -1}, {{5}, 5, 0, 0},  {{5}, 4, -1, 0}, {{5}, 6, 0, -1}, {x, 0.5f, -1, 0},  {x, 1, 0, 1},
               {x, 2, 0, 4},    {x, 2.5f, 3, 4}, {x, 3, 3, 4},    {x, 4, 4, -1},   {{1, 2}, 2, 0, 1}, {x, NAN, 0, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(getNearestIndexLessThan(c.x.data(), unsigned(c.x.size()), c.v), c.below) << c.x.size() << " " << c.v;
    EXPECT_EQ(getNearestIndexGreaterThan(c.x.data(), unsigned(c.x.size()), c.v), c.above) << c.x.size() << " " << c.v;
  }
  Vec writable = x;  // a float* finds this search, not the packed-format namesake that answers n
  EXPECT_EQ(getNearestIndexGreaterThan(writable.data(), 5u, 3.5f), -1);
  const float z[] = {0, 1.01e-6f, -9.9e-7f, NAN, -0.0f};
  EXPECT_EQ(getZeroCount(z, 5), 3);
}

TEST(ZVSpectrum, InitialiseCopiesAndSurvivesItsOwnArrays) {
  EXPECT_EQ(ZVSpectrum(Vec{1, 2, 3}, Vec{4, 5}).getSize(), 2u);  // the shorter vector counts
  const Vec m{1, 2, 3}, y{4, 5, 6}, ys{7, 8, 9};
  ZVSpectrum s, copy;
  EXPECT_EQ(s.Initialise(m.data(), y.data(), 3, m.data(), ys.data()), 0);
  EXPECT_EQ(copy.Initialise(s), 0);
  EXPECT_TRUE(masses(copy) == m && !copy.getMassSigmas() && !copy.getIntensitySigmas());
  // ASan reports any read of arrays released too early.
  EXPECT_EQ(s.Initialise(s.getMasses(), s.getIntensities(), 3, s.getMassSigmas(), s.getIntensitySigmas()), 0);
  EXPECT_EQ(Vec(s.getIntensitySigmas(), s.getIntensitySigmas() + 3), ys);
  EXPECT_EQ(s.Initialise(s), 0);
  EXPECT_TRUE(masses(s) == m && intensities(s) == y);
  EXPECT_EQ(s.Initialise(nullptr, y.data(), 3, m.data(), nullptr), 0);
  EXPECT_TRUE(s.getSize() == 0 && !s.getMasses() && !s.getMassSigmas());
}

TEST(ZVSpectrum, StatsAndBasePeaks) {
  float delta = -1, lo = -1, hi = -1;
  EXPECT_EQ(ZVSpectrum().getStats(delta, lo, hi), ZVRAW_ERROR);
  EXPECT_EQ(ZVSpectrum(Vec{7}, Vec{1}).getStats(delta, lo, hi), ZVRAW_ERROR);
  EXPECT_EQ(std::tuple(delta, lo, hi), std::tuple(-1.0f, 7.0f, 7.0f));
  EXPECT_EQ(ZVSpectrum(Vec{1, 3, 3.5f, 5}, Vec{1, 1, 1, 1}).getStats(delta, lo, hi), 0);
  EXPECT_EQ(std::tuple(delta, lo, hi), std::tuple(0.5f, 1.0f, 5.0f));

  const ZVSpectrum s(Vec{1, 2, 3, 4, 5}, Vec{9, 5, 5, 2, 1});
  const struct {
    float low, high;
    int rc;
    unsigned idx;
  } windows[] = {{0, 10, 0, 0}, {1, 10, 0, 1}, {2.5f, 3.5f, 0, 2}, {2.2f, 2.8f, 1, 99}, {6, 9, 1, 99}, {4, 2, 1, 99}};
  for (const auto& w : windows) {
    unsigned idx = 99;
    EXPECT_EQ(s.getBasePeak(idx, w.low, w.high), w.rc) << w.low;
    EXPECT_EQ(idx, w.idx) << w.low;
  }
  unsigned idx = 99;
  EXPECT_TRUE(s.getBasePeak(idx, 2.5f) == 0 && idx == 1);  // from the last point below; first of equals
  EXPECT_TRUE(s.getBasePeak(idx, 50) == 0 && idx == 4);    // cut-off above every mass: the last point
  EXPECT_EQ(ZVSpectrum().getBasePeak(idx, 0), ZVRAW_ERROR);
}

TEST(ZVSpectrum, ThresholdKeepsSigmasWithTheirPoints) {
  const Vec m{1, 2, 3, 4, 5}, y{0, 30, -1, 4, 20}, ms{.1f, .2f, .3f, .4f, .5f}, ys{11, 12, 13, 14, 15};
  const struct {
    float threshold;
    bool percent;
    float cutoff;
    Vec kept;
  } cases[] = {{4, false, 0, {2, 5}},    {0, true, 0, {2, 4, 5}},         {80, true, 0, {2}},
               {80, true, 4.5f, {2, 5}}, {-5, false, 0, {1, 2, 3, 4, 5}}, {100, true, 0, {}}};
  for (const auto& c : cases) {
    ZVSpectrum s;
    ASSERT_EQ(s.Initialise(m.data(), y.data(), 5, ms.data(), ys.data()), 0);
    EXPECT_EQ(s.applyThreshold(c.threshold, c.percent, c.cutoff), 0);
    ASSERT_EQ(masses(s), c.kept) << c.threshold << (c.percent ? "%" : "");
    for (unsigned k = 0; k < s.getSize(); ++k)
      EXPECT_TRUE(s.getMassSigmas()[k] == s.getMasses()[k] / 10 && s.getIntensitySigmas()[k] == s.getMasses()[k] + 10);
  }
  EXPECT_EQ(ZVSpectrum().applyThreshold(1, false, 0), ZVRAW_ERROR);
}

TEST(ZVSpectrum, RangeAndLockMassSearches) {
  const ZVSpectrum s(Vec{100, 100.5f, 101, 102, 102.5f, 103}, Vec{10, 0, 20, 10, 1, 5});
  const std::pair<Range, std::pair<float, float>> windows[] = {
      {{0, 5}, {99, 104}},  {{1, 4}, {100, 103}},   {{-1, -1}, {100.6f, 100.9f}}, {{-1, -1}, {104, 105}},
      {{-1, -1}, {90, 99}}, {{-1, -1}, {103, 103}}, {{-1, -1}, {101, 100}}};
  for (const auto& [want, w] : windows) EXPECT_EQ(s.Find(w.first, w.second), want) << w.first;
  EXPECT_EQ(ZVSpectrum().Find(0, 1), Range(-1, -1));
  // Ratio 0 wants a confirming point of intensity 0; 0.05 +-10 % passes 1 against 20.
  EXPECT_EQ(s.Find(MatchCriteria(100.5f, 0.5f, 0, 0.6f)), (std::vector<int>{0}));
  EXPECT_EQ(s.Find(MatchCriteria(101.5f, 1.5f, 0.05f, 0.6f)), (std::vector<int>{2}));
  EXPECT_TRUE(s.Find(MatchCriteria()).empty());
  const MatchCriteria d;
  EXPECT_EQ(Vec({d.GetTargetIon(), d.GetTargetIonTolerance(), d.GetConfirmatoryIon(), d.GetConfirmatoryIonTolerance(),
                 d.GetIntensityRatio(), d.GetIntensityRatioTolerance()}),
            Vec({0, 0.5f, 0, 0.1f, 0, 10}));
  EXPECT_TRUE(s.CheckIntensityRatio(100, 55, 0.5f, 10) && s.CheckIntensityRatio(100, 45, 0.5f, 10));
  EXPECT_FALSE(s.CheckIntensityRatio(100, 56, 0.5f, 10));
}

TEST(ZVSpectrum, GainTemperatureAndCalibration) {
  const Vec m{100.1f, 200.3f, 1e-30f};
  ZVSpectrum s(m, Vec{1, 2, 3});
  EXPECT_EQ(s.ApplyMassGain(1.0f), 0);
  for (unsigned k = 0; k < 3; ++k)
    EXPECT_EQ(std::bit_cast<std::uint32_t>(s.getMasses()[k]), std::bit_cast<std::uint32_t>(m[k]));
  EXPECT_TRUE(s.ApplyMassGain(2.0f) == 0 && s.applyTemperatureCorrection(0.5f) == 0 && masses(s) == m);
  borealtek_calibrate_version_1::FunctionCalibration cal;
  cal.setCalibration(1.0, 2.0, borealtek_calibrate_version_1::CALTYPE_NORMAL);
  EXPECT_TRUE(s.calibrateSpec(cal) == 0 && s.getMasses()[0] == 1.0f + 2 * m[0]);
  cal.setModification(0.0, 0.5);
  EXPECT_TRUE(s.modifyCalibratedSpec(cal) == 0 && s.getMasses()[0] == (1.0f + 2 * m[0]) * 0.5f);
  EXPECT_EQ(ZVSpectrum().applyTemperatureCorrection(2), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_TRUE(s.applyThreshold(1e9f, false, 0) == 0 && s.applyTemperatureCorrection(2) == 0);  // count 0, arrays kept
}

}  // namespace
