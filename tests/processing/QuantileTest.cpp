#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "processing/Quantile.h"

namespace {

TEST(SquareQuantile, MatchesIntegratingTheBoxes) {
  std::mt19937 rng(135);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  for (int trial = 0; trial < 500; ++trial) {
    const long n = 2 + static_cast<long>(rng() % 30);
    std::vector<float> x(n), y(n);
    for (long i = 0; i < n; ++i) std::tie(x[i], y[i]) = std::tuple(300.0f + 0.25f * i, 0.01f + 100.0f * unit(rng));
    const float a = unit(rng) * (n - 1), b = a + unit(rng) * (n - 1 - a), f = 0.05f + 0.9f * unit(rng);
    const QUANTILE_SQIN in{x.data(), y.data(), n};
    const QUANTILE_SQPAR par{b, a, f};  // either order
    QUANTILE_OUT out;
    ASSERT_TRUE(SquareQuantile(&in, &par, &out));
    // Each point a box one wide: walk them until f of the area lies behind.
    const auto box = [&](long k) {
      return std::max(0.0, std::min<double>(b, k + 0.5) - std::max<double>(a, k - 0.5)) * y[k];
    };
    double total = 0.0, behind = 0.0, at = a;
    for (long k = 0; k < n; ++k) total += box(k);
    for (long k = 0; k < n && behind + box(k) < f * total; ++k) {
      behind += box(k);
      at = std::max(a, k + 0.5f);
    }
    const long k = static_cast<long>(at + 0.5);
    at += (f * total - behind) / y[k];
    EXPECT_NEAR(out.fSum, total, 1e-3 * total) << trial;
    EXPECT_NEAR(out.fX, 300.0 + 0.25 * at, 1e-3) << trial;
  }
}

TEST(SquareQuantile, EdgesOfTheRange) {
  const std::vector<float> x{10, 11, 12, 13}, y{3, -4, 4, 1};
  const QUANTILE_SQIN in{x.data(), y.data(), 4};
  QUANTILE_OUT out;
  // Cumulative 3, -1, 3, 4 against the target 2: three crossings, the middle one.
  QUANTILE_SQPAR par{-0.5f, 3.5f, 0.5f};
  ASSERT_TRUE(SquareQuantile(&in, &par, &out));
  EXPECT_FLOAT_EQ(out.fX, 10.75f);
  EXPECT_FLOAT_EQ(out.fSum, 4.0f);
  par = {2.4f, 2.2f, 0.5f};  // one box, bounds in either order
  ASSERT_TRUE(SquareQuantile(&in, &par, &out));
  EXPECT_FLOAT_EQ(out.fX, 12.3f);
  EXPECT_NEAR(out.fSum, 0.8f, 1e-6);
  par = {-9.0f, 99.0f, 0.5f};  // bounds beyond the ends move onto them
  ASSERT_TRUE(SquareQuantile(&in, &par, &out));
  EXPECT_FLOAT_EQ(out.fSum, 4.0f);
  par = {NAN, 2.0f, 0.5f};
  EXPECT_FALSE(SquareQuantile(&in, &par, &out));
  EXPECT_TRUE(std::isnan(out.fX));
  const QUANTILE_SQIN empty{x.data(), y.data(), 0};
  par = {0.0f, 1.0f, 0.5f};
  EXPECT_FALSE(SquareQuantile(&empty, &par, &out));
}

TEST(Ch2X, PositionsToMasses) {
  const std::vector<float> x{10, 11, 13, 16};
  const QUANTILE_SQIN in{x.data(), nullptr, 4};
  EXPECT_FLOAT_EQ(Ch2X(&in, 1.5f), 12.0f);
  EXPECT_FLOAT_EQ(Ch2X(&in, 3.5f), 17.5f) << "the last step goes on";
  EXPECT_FLOAT_EQ(Ch2X(&in, -2.0f), 8.0f) << "the first step goes back";
  EXPECT_FLOAT_EQ(Ch2X(&in, 9.0f), 34.0f);
  EXPECT_TRUE(std::isnan(Ch2X(&in, NAN)));
  EXPECT_TRUE(std::isnan(Ch2X(&in, INFINITY)));
  const QUANTILE_SQIN one{x.data(), nullptr, 1};
  EXPECT_EQ(Ch2X(&one, 0.7f), 10.0f) << "one point: no step";
}

TEST(GaussianQuantile, WeightedMedianAndItsExtent) {
  std::vector<float> x(21), y(21), work(42);
  for (int i = 0; i < 21; ++i) {
    x[static_cast<std::size_t>(i)] = 400.0f + 0.1f * static_cast<float>(i);
    y[static_cast<std::size_t>(i)] = 1000.0f * std::exp(-0.5f * static_cast<float>((i - 10) * (i - 10)) / 4.0f);
  }
  const QUANTILE_GSIN in{x.data(), y.data(), work.data(), 21};
  QUANTILE_GSPAR par{10, 6, 14, 0.5f};
  QUANTILE_OUT out;
  ASSERT_TRUE(GaussianQuantile(&in, &par, &out));
  EXPECT_NEAR(out.fX, 401.0f, 1e-4);
  EXPECT_LT(par.lStart, 6);  // the weighted profile reaches beyond the peak's own range
  EXPECT_GT(par.lEnd, 14);
  std::vector<float> same(21, 401.0f);  // no width to measure
  const QUANTILE_GSIN flat{same.data(), y.data(), work.data(), 21};
  out = {-1.0f, -1.0f};
  par = {10, 6, 14, 0.5f};
  EXPECT_FALSE(GaussianQuantile(&flat, &par, &out));
  EXPECT_EQ(out.fX, -1.0f);
}

}  // namespace
