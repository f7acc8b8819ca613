#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "processing/PeakDetect.h"
#include "support/SpectrumFixtures.h"
#include "support/TraceCapture.h"

namespace {

using Floats = std::vector<float>;

struct Peaks {
  int result;
  Floats mass, value;
};

Peaks detect(const Floats& x, const Floats& y, int width, int method, bool area = false, bool counts = true,
             const TOFDeadTimeCorrection* deadTime = nullptr) {
  Peaks p{0, Floats(y.size()), Floats(y.size())};
  long count = 0;
  p.result = PeakDetect(x.data(), y.data(), static_cast<long>(y.size()), p.mass.data(), p.value.data(), &count, width,
                        80.0f, method, area, counts, false, deadTime);
  p.mass.resize(static_cast<std::size_t>(count));
  p.value.resize(p.mass.size());
  return p;
}

Floats axis(std::size_t n, float first = 100.0f, float step = 1.0f) {
  Floats x(n);
  for (std::size_t i = 0; i < n; ++i) x[i] = first + step * static_cast<float>(i);
  return x;
}

TEST(PeakDetect, EmptyPeaklessAndInPlace) {
  float v = 0;
  long count = 7;
  unsigned int n = 0;
  const TraceCapture trace;
  EXPECT_EQ(PeakDetect(&v, &v, 0, &v, &v, &count, 4, 80, 2, true, true, false, nullptr), -1);
  peakDetectTOF(&v, &v, n, 4, 80, 2, true, true, false, nullptr);
  defaultPeakDetectTOF(&v, &v, n);
  EXPECT_EQ(trace.text(), "No Peaks to detect\n");
  EXPECT_EQ(std::tuple(count, n), std::tuple(7L, 0u));
  EXPECT_EQ(PeakDetect(nullptr, &v, 3, &v, &v, &count, 4, 80, 2, true, true, false, nullptr), -1);
  for (Floats y : {Floats{0, 1, 2, 3, 4}, {0, 0, 0, 0}, {-1, -2, -3}, {5}}) {
    EXPECT_EQ(detect(axis(y.size()), y, 4, 2).result, 0);
    Floats x = axis(y.size());
    n = static_cast<unsigned int>(y.size());
    defaultPeakDetectTOF(x.data(), y.data(), n);
    EXPECT_EQ(n, 0u);
  }
  Floats x = axis(12), y{0, 1, 5, 1, 0, 0, 0, 2, 8, 3, 0, 0};
  const Peaks heights = detect(x, y, 4, 1);
  EXPECT_EQ(std::tuple(heights.mass, heights.value), std::tuple(Floats{102, 108}, Floats{5, 8}));
  const Peaks areas = detect(x, y, 4, 2, true);
  n = 12;
  defaultPeakDetectTOF(x.data(), y.data(), n);
  ASSERT_EQ(n, 2u);
  EXPECT_EQ(Floats(x.begin(), x.begin() + 2), areas.mass);
  EXPECT_EQ(Floats(y.begin(), y.begin() + 3), (Floats{7, 13, 5})) << "counted areas, the rest as it was";
}

TEST(PeakDetect, CentroidOfNoiselessGaussians) {
  const Floats x = axis(40, 500.0f, 0.01f);
  for (float fwhm : {8.0f, 10.0f, 12.0f}) {
    for (float centre : {19.0f, 20.3f, 20.5f, 21.77f}) {
      Floats y(40);
      for (int i = 0; i < 40; ++i) y[i] = 1000.0f * std::exp(-0.5f * std::pow((i - centre) * 2.35482f / fwhm, 2.0f));
      const Peaks p = detect(x, y, 4, 2);
      ASSERT_EQ(p.mass.size(), 1u) << fwhm << " " << centre;
      EXPECT_NEAR(p.mass[0], 500.0f + 0.01f * centre, 0.001f) << fwhm << " " << centre;
    }
  }
}

// Equal noise heights, negative points and peaks, through the inner steps on
// records for every point and through detection on records for the maxima.
TEST(PeakDetect, AgreesWithTheInnerStepsOnRecordsForEveryPoint) {
  std::mt19937 rng(108);
  for (int trial = 0; trial < 300; ++trial) {
    const long n = 3 + static_cast<long>(rng() % 400);
    Floats x = axis(n, 150.0f, 0.05f), y(x.size()), dy(x.size());
    for (float& v : y) v = static_cast<float>(static_cast<int>(rng() % 7) - (trial % 3 == 0 ? 1 : 0));
    for (int k = 0; k < 3; ++k) {
      const long c = static_cast<long>(rng() % n);
      for (long i = std::max(0L, c - 6); i < std::min(n, c + 7); ++i)
        y[i] += std::round(300 * std::exp(-0.2f * (i - c) * (i - c)));
    }
    for (long i = 1; i < n; ++i) dy[i] = y[i] - y[i - 1];
    PKD_PARAMS params;
    std::tie(params.nMode, params.nHalfWidth, params.nCntrMethod, params.fCentTop) =
        std::tuple(trial % 2 ? 2 : 0, static_cast<int>(rng() % 7), 1 + trial % 4, 80.0f);
    PKD_DATASET data;
    data.pfX = x.data();
    data.pfY = y.data();
    data.pfDyDx = dy.data();
    data.lNumPts = n;
    std::vector<PKD_EDGE> edges(x.size());
    std::vector<PKD_CENT_PEAK> list(x.size());
    PKD_RESULTS results{list.data(), static_cast<int>(n), 0};
    ASSERT_EQ(PkdCentDetect(&data, edges.data(), &results, &params, false), 0);
    const Peaks p = detect(x, y, params.nHalfWidth, params.nCntrMethod, true, params.nMode == 2);
    ASSERT_EQ(p.mass.size(), static_cast<std::size_t>(results.nNumPeaks)) << "trial " << trial;
    for (int k = 0; k < results.nNumPeaks; ++k)
      ASSERT_EQ(std::tuple(p.mass[k], p.value[k]), std::tuple(list[k].fCent, list[k].fArea)) << trial << " " << k;
  }
}

TEST(PeakDetect, DeadTimeCorrectsCountedCentroidsOnly) {
  // One peak of about 3000 counts near 500 Da: rate 0.2, width 1.6.
  Floats x = axis(30, 499.9f, 0.008f), y(30, 0.0f);
  for (int i = 8; i < 22; ++i) y[i] = std::round(500.0f * std::exp(-0.1f * static_cast<float>((i - 15) * (i - 15))));
  const TOFDeadTimeCorrection d;
  const Peaks plain = detect(x, y, 4, 2, true), corrected = detect(x, y, 4, 2, true, true, &d);
  ASSERT_EQ(std::tuple(plain.mass.size(), corrected.mass.size()), std::tuple(1u, 1u));
  float shift = 0, factor = 0;
  bool accurate = false;
  EXPECT_EQ(PeakCorrect(plain.mass[0], plain.value[0], &d, shift, factor, accurate), 1);
  EXPECT_TRUE(shift > 0 && factor > 1);
  EXPECT_FLOAT_EQ(corrected.mass[0], plain.mass[0] + shift);
  EXPECT_FLOAT_EQ(corrected.value[0], plain.value[0] * factor);
  EXPECT_EQ(detect(x, y, 4, 2, false, true, &d).value, detect(x, y, 4, 2).value) << "heights are not corrected";
  for (int method : {1, 3, 4}) {
    EXPECT_EQ(detect(x, y, 4, method, true, true, &d).mass, detect(x, y, 4, method, true).mass) << method;
  }
  EXPECT_EQ(detect(x, y, 4, 2, true, false, &d).mass, detect(x, y, 4, 2, true, false).mass) << "not counts";
}

TEST(PeakCorrect, ReportsWhetherTheMassStaysAccurate) {
  const TOFDeadTimeCorrection d;
  // In range; area 0; too wide (above 1839 Da); a rate above the cap; no settings.
  const std::tuple<float, float, const TOFDeadTimeCorrection*, int> cases[] = {
      {500, 4000, &d, 1}, {500, 0, &d, 1}, {2000, 4000, &d, 0}, {500, 0.9f * 13881, &d, 0}, {500, 4000, nullptr, 1}};
  for (const auto& [mass, intensity, settings, expected] : cases) {
    float shift = -1, factor = -1, shift2 = -2, factor2 = -2;
    bool accurate = expected == 0, accurate2 = !accurate;
    EXPECT_EQ(PeakCorrect(mass, intensity, settings, shift, factor, accurate), expected) << mass << " " << intensity;
    EXPECT_EQ(accurate, expected == 1);
    peakCorrectTof(mass, intensity, settings, shift2, factor2, accurate2);
    EXPECT_EQ(std::tuple(shift2, factor2, accurate2), std::tuple(shift, factor, accurate));
    if (intensity == 0 || settings == nullptr) {
      EXPECT_EQ(std::tuple(shift, factor), std::tuple(0.0f, 1.0f));
    }
  }
}

TEST(PeakDetect, HostileSpectra) {
  const TOFDeadTimeCorrection deadTime;
  const auto finite = [](const Floats& v) {
    return std::all_of(v.begin(), v.end(), [](float f) { return std::isfinite(f); });
  };
  std::mt19937 rng(5000);
  for (const auto& s : spectrum_fixtures::hostileSpectra({0, 1, 2, 3, 40, 5000})) {
    for (int method = 0; method <= 5; ++method) {
      for (int width = 0; width <= 10; ++width) {
        Floats x = s.masses, y = s.intensities;
        auto n = static_cast<unsigned int>(x.size());
        const float top = std::uniform_real_distribution<float>(-50.0f, 150.0f)(rng);
        const bool accurate = n <= 40 && rng() % 2, areas = rng() % 2, counts = rng() % 2, correct = rng() % 2;
        peakDetectTOF(x.data(), y.data(), n, width, top, method, areas, counts, accurate,
                      correct ? &deadTime : nullptr);
        ASSERT_LE(n, s.masses.size()) << s.name;
        if (finite(s.masses) && finite(s.intensities)) {
          ASSERT_TRUE(finite({x.begin(), x.begin() + n})) << s.name << ", method " << method;
        }
      }
    }
  }
}

}  // namespace
