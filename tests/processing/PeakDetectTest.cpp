#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "processing/PeakDetect.h"
#include "processing/TOFPeakCorrection.h"
#include "support/SpectrumFixtures.h"

namespace {

struct Peaks {
  int result;
  std::vector<float> mass, value;
};

Peaks detect(const std::vector<float>& x, const std::vector<float>& y, int width, int method, bool area = false,
             bool counts = true, const TOFDeadTimeCorrection* deadTime = nullptr, float top = 80.0f) {
  Peaks p{0, std::vector<float>(y.size()), std::vector<float>(y.size())};
  long count = -1;
  p.result = PeakDetect(x.data(), y.data(), static_cast<long>(y.size()), p.mass.data(), p.value.data(), &count, width,
                        top, method, area, counts, false, deadTime);
  p.mass.resize(static_cast<std::size_t>(std::max(count, 0L)));
  p.value.resize(p.mass.size());
  return p;
}

std::vector<float> axis(std::size_t n, float first = 100.0f, float step = 1.0f) {
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = first + step * static_cast<float>(i);
  return x;
}

TEST(PeakDetect, EmptyAndPeaklessSpectra) {
  float x = 0, y = 0, ox = 0, oy = 0;
  long count = 7;
  testing::internal::CaptureStdout();
  EXPECT_EQ(PeakDetect(&x, &y, 0, &ox, &oy, &count, 4, 80, 2, true, true, false, nullptr), -1);
  unsigned int n = 0;
  peakDetectTOF(&x, &y, n, 4, 80, 2, true, true, false, nullptr);
  defaultPeakDetectTOF(&x, &y, n);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "No Peaks to detect\n");
  EXPECT_EQ(count, 7);
  EXPECT_EQ(n, 0u);
  for (std::vector<float> y2 : {std::vector<float>{0, 1, 2, 3, 4}, {0, 0, 0, 0}, {-1, -2, -3}, {5}}) {
    const Peaks p = detect(axis(y2.size()), y2, 4, 2);
    EXPECT_EQ(p.result, 0);
    EXPECT_TRUE(p.mass.empty());
    std::vector<float> m = axis(y2.size());
    n = static_cast<unsigned int>(y2.size());
    defaultPeakDetectTOF(m.data(), y2.data(), n);
    EXPECT_EQ(n, 0u);
  }
  EXPECT_EQ(PeakDetect(nullptr, &y, 3, &ox, &oy, &count, 4, 80, 2, true, true, false, nullptr), -1);
}

TEST(PeakDetect, InPlaceFormsOverwriteTheStart) {
  std::vector<float> x = axis(12), y{0, 1, 5, 1, 0, 0, 0, 2, 8, 3, 0, 0};
  const Peaks heights = detect(x, y, 4, 1, false);
  ASSERT_EQ(heights.mass, (std::vector<float>{102, 108}));
  EXPECT_EQ(heights.value, (std::vector<float>{5, 8}));
  const Peaks areas = detect(x, y, 4, 2, true, true);
  unsigned int n = 12;
  defaultPeakDetectTOF(x.data(), y.data(), n);
  ASSERT_EQ(n, 2u);
  EXPECT_EQ(std::vector<float>(x.begin(), x.begin() + 2), areas.mass);
  EXPECT_EQ(std::vector<float>(y.begin(), y.begin() + 2), (std::vector<float>{7, 13}));
  EXPECT_EQ(y[2], 5.0f) << "the rest is left as it was";
}

TEST(PeakDetect, CentroidOfNoiselessGaussians) {
  for (float fwhm : {8.0f, 10.0f, 12.0f}) {
    for (float centre : {19.0f, 20.3f, 20.5f, 21.77f}) {
      const std::vector<float> x = axis(40, 500.0f, 0.01f);
      std::vector<float> y(40);
      const float sigma = fwhm / 2.35482f;
      for (int i = 0; i < 40; ++i)
        y[static_cast<std::size_t>(i)] = 1000.0f * std::exp(-0.5f * std::pow((i - centre) / sigma, 2.0f));
      const Peaks p = detect(x, y, 4, 2);
      ASSERT_EQ(p.mass.size(), 1u) << fwhm << " " << centre;
      EXPECT_NEAR(p.mass[0], 500.0f + 0.01f * centre, 0.001f) << fwhm << " " << centre;
    }
  }
}

// Spectra with equal noise heights, negative points and peaks, through the
// inner steps on records for every point and through detection.
TEST(PeakDetect, AgreesWithTheInnerStepsOnRecordsForEveryPoint) {
  std::mt19937 rng(108);
  for (int trial = 0; trial < 300; ++trial) {
    const long n = 3 + static_cast<long>(rng() % 400);
    std::vector<float> x = axis(static_cast<std::size_t>(n), 150.0f, 0.05f), y(x.size());
    for (float& v : y) v = static_cast<float>(static_cast<int>(rng() % 7) - (trial % 3 == 0 ? 1 : 0));
    for (int k = 0; k < 3; ++k) {
      const long c = static_cast<long>(rng() % n);
      for (long i = std::max(0L, c - 6); i < std::min(n, c + 7); ++i)
        y[static_cast<std::size_t>(i)] += std::round(300.0f * std::exp(-0.2f * static_cast<float>((i - c) * (i - c))));
    }
    const int width = static_cast<int>(rng() % 7), method = 1 + trial % 4;
    const bool counts = trial % 2;
    PKD_PARAMS params;
    params.nMode = counts ? 2 : 0;
    params.nHalfWidth = width;
    params.nCntrMethod = method;
    params.fCentTop = 80.0f;
    std::vector<float> dy(x.size());
    for (long i = 1; i < n; ++i)
      dy[static_cast<std::size_t>(i)] = y[static_cast<std::size_t>(i)] - y[static_cast<std::size_t>(i - 1)];
    PKD_DATASET data;
    data.pfX = x.data();
    data.pfY = y.data();
    data.pfDyDx = dy.data();
    data.lNumPts = n;
    std::vector<PKD_EDGE> edges(x.size());
    std::vector<PKD_CENT_PEAK> list(x.size());
    PKD_RESULTS results{list.data(), static_cast<int>(n), 0};
    ASSERT_EQ(PkdCentDetect(&data, edges.data(), &results, &params, false), 0);
    const Peaks p = detect(x, y, width, method, true, counts);
    ASSERT_EQ(p.mass.size(), static_cast<std::size_t>(results.nNumPeaks)) << "trial " << trial;
    for (int k = 0; k < results.nNumPeaks; ++k) {
      EXPECT_EQ(p.mass[static_cast<std::size_t>(k)], list[static_cast<std::size_t>(k)].fCent) << trial << " " << k;
      EXPECT_EQ(p.value[static_cast<std::size_t>(k)], list[static_cast<std::size_t>(k)].fArea) << trial << " " << k;
    }
  }
}

TEST(PeakDetect, DeadTimeCorrectsCountedCentroidsOnly) {
  // One peak of about 3000 counts near 500 Da: rate 0.2, width 1.6.
  std::vector<float> x = axis(30, 499.9f, 0.008f), y(30, 0.0f);
  for (int i = 8; i < 22; ++i)
    y[static_cast<std::size_t>(i)] = std::round(500.0f * std::exp(-0.1f * static_cast<float>((i - 15) * (i - 15))));
  const TOFDeadTimeCorrection deadTime;
  const Peaks plainArea = detect(x, y, 4, 2, true), plainHeight = detect(x, y, 4, 2, false);
  const Peaks area = detect(x, y, 4, 2, true, true, &deadTime), height = detect(x, y, 4, 2, false, true, &deadTime);
  ASSERT_EQ(plainArea.mass.size(), 1u);
  ASSERT_EQ(area.mass.size(), 1u);
  float shift = 0, factor = 0;
  bool accurate = false;
  EXPECT_EQ(PeakCorrect(plainArea.mass[0], plainArea.value[0], &deadTime, shift, factor, accurate), 1);
  EXPECT_GT(shift, 0.0f);
  EXPECT_GT(factor, 1.0f);
  EXPECT_FLOAT_EQ(area.mass[0], plainArea.mass[0] + shift);
  EXPECT_FLOAT_EQ(area.value[0], plainArea.value[0] * factor);
  EXPECT_EQ(height.value, plainHeight.value) << "heights are not corrected";
  for (int method : {1, 3, 4}) {
    EXPECT_EQ(detect(x, y, 4, method, true, true, &deadTime).mass, detect(x, y, 4, method, true).mass) << method;
  }
  EXPECT_EQ(detect(x, y, 4, 2, true, false, &deadTime).mass, detect(x, y, 4, 2, true, false).mass) << "not counts";
}

TEST(PeakCorrect, ReportsWhetherTheMassStaysAccurate) {
  const TOFDeadTimeCorrection d;
  struct Case {
    float mass, intensity;
    int accurate;
  } const cases[] = {{500, 4000, 1}, {500, 0, 1}, {2000, 4000, 0}, {500, 0.9f * 13881, 0}};
  for (const Case& c : cases) {
    float shift = -1, factor = -1;
    bool accurate = c.accurate == 0;
    EXPECT_EQ(PeakCorrect(c.mass, c.intensity, &d, shift, factor, accurate), c.accurate) << c.mass;
    EXPECT_EQ(accurate, c.accurate == 1);
    PKD_PARAMS p;
    p.sQTOFParams = {5000, 0, 0, 13881, 1, 2096.136963, 7891.2, 1, 0};
    PKD_CENT_PEAK peak;
    peak.fCent = c.mass;
    peak.fArea = c.intensity;
    float ci = 0;
    EXPECT_EQ(shift, PkdCorrectTOFPeak(nullptr, &p, &peak, &ci));
    EXPECT_EQ(factor, ci);
    float s2 = -1, f2 = -1;
    bool a2 = !accurate;
    peakCorrectTof(c.mass, c.intensity, &d, s2, f2, a2);
    EXPECT_EQ(std::tuple(s2, f2, a2), std::tuple(shift, factor, accurate));
  }
  float shift = -1, factor = -1;
  bool accurate = false;
  EXPECT_EQ(PeakCorrect(500, 4000, nullptr, shift, factor, accurate), 1);
  EXPECT_EQ(std::tuple(shift, factor), std::tuple(0.0f, 1.0f));
}

bool allFinite(const std::vector<float>& v) {
  return std::all_of(v.begin(), v.end(), [](float f) { return std::isfinite(f); });
}

TEST(PeakDetect, HostileSpectra) {
  const TOFDeadTimeCorrection deadTime;
  std::mt19937 rng(5000);
  testing::internal::CaptureStdout();  // accurate mass speaks per point
  for (const auto& s : spectrum_fixtures::hostileSpectra({0, 1, 2, 3, 40, 5000})) {
    const bool finite = allFinite(s.masses) && allFinite(s.intensities);
    for (int method = 0; method <= 5; ++method) {
      for (int width = 0; width <= 10; ++width) {
        const float top = std::uniform_real_distribution<float>(-50.0f, 150.0f)(rng);
        const bool accurate = s.masses.size() <= 40 && rng() % 2, correct = rng() % 2;
        std::vector<float> x = s.masses, y = s.intensities;
        auto n = static_cast<unsigned int>(x.size());
        peakDetectTOF(x.data(), y.data(), n, width, top, method, rng() % 2, rng() % 2, accurate,
                      correct ? &deadTime : nullptr);
        ASSERT_LE(n, s.masses.size()) << s.name;
        if (finite) {
          ASSERT_TRUE(allFinite({x.begin(), x.begin() + n})) << s.name << ", method " << method;
        }
      }
    }
  }
  testing::internal::GetCapturedStdout();
}

}  // namespace
