#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "processing/SavitzkyGolayCoeffs.h"

namespace {

constexpr float kUntouched = -7.0f;

std::vector<float> weights(int d, int order, int m, int& rc) {
  std::vector<float> c(2 * std::size_t(m) + 1, kUntouched);
  rc = savitzkyGolayCoeffs(d, order, m, c.data());
  return c;
}

TEST(SavitzkyGolayCoeffs, MatchTheLeastSquaresTables) {
  const struct {
    int d, order, m;
    std::vector<double> num;
    double den;
  } cases[] = {{0, 2, 2, {-3, 12, 17, 12, -3}, 35},
               {0, 4, 3, {5, -30, 75, 131, 75, -30, 5}, 231},
               {1, 2, 2, {-2, -1, 0, 1, 2}, 10},
               {2, 2, 2, {2, -1, -2, -1, 2}, 7},
               {1, 3, 2, {1, -8, 0, 8, -1}, 12},
               {3, 3, 3, {-1, 1, 1, 0, -1, -1, 1}, 6},
               {0, 0, 1, {1, 1, 1}, 3},
               {0, 5, 0, {1}, 1}};
  for (const auto& c : cases) {
    int rc = -2;
    const std::vector<float> w = weights(c.d, c.order, c.m, rc);
    ASSERT_EQ(rc, 0) << c.d << " " << c.order;
    for (std::size_t k = 0; k < w.size(); ++k) EXPECT_FLOAT_EQ(w[k], float(c.num[k] / c.den)) << c.d << " " << c.order;
  }
  for (int order = 1; order <= 7; ++order)
    for (int d = -1; d <= 7; ++d) {
      int rc = -2;
      EXPECT_EQ(weights(d, order, 1, rc), (std::vector<float>{0.25f, 0.5f, 0.25f}));
      EXPECT_EQ(rc, 0);
    }
}

// On samples of p(j) = sum of a_k (j / m)^k, k <= order, the weights give
// d! a_d / m^d. Unsupported pairs, and pairs whose lower order the window
// cannot fit (above 2m), give -1 and leave the weights alone.
TEST(SavitzkyGolayCoeffs, DerivativeOfSampledPolynomials) {
  const int lowest[] = {0, 2, 2, 3, 4, 5}, highest[] = {5, 6, 5, 6, 5, 6};
  const double a[] = {0.7, -1.3, 2.1, 0.9, -1.7, 1.1, -0.6};
  for (int m = 2; m <= 12; ++m)
    for (int d = 0; d <= 6; ++d)
      for (int order = 0; order <= 7; ++order) {
        const bool supported = d <= 5 && order >= lowest[d] && order <= highest[d] && !(d == 0 && order == 1) &&
                               order - ((order - d) & 1) <= 2 * m;
        int rc = -2;
        const std::vector<float> w = weights(d, order, m, rc);
        ASSERT_EQ(rc, supported ? 0 : -1) << "d " << d << " order " << order << " m " << m;
        if (!supported) {
          EXPECT_EQ(w, std::vector<float>(w.size(), kUntouched));
          continue;
        }
        double got = 0;
        for (int j = -m; j <= m; ++j) {
          double p = 0;
          for (int k = order; k >= 0; --k) p = p * j / m + a[k];
          got += w[std::size_t(j + m)] * p;
        }
        const double want = std::tgamma(d + 1) * a[d] / std::pow(m, d);
        EXPECT_NEAR(got, want, 1e-5 * std::abs(want)) << "d " << d << " order " << order << " m " << m;
      }
}

TEST(SavitzkyGolayCoeffs, WideWindowsAndRefusals) {
  // Both sides of each switch from 64-bit integers to long double.
  for (auto [order, m] : {std::pair{2, 700}, {4, 40}, {4, 2352}, {5, 2353}, {2, 1048575}, {3, 1048576}}) {
    int rc = -2;
    const std::vector<float> w = weights(0, order, m, rc);
    ASSERT_EQ(rc, 0);
    EXPECT_NEAR(std::accumulate(w.begin(), w.end(), 0.0), 1.0, 1e-5) << m;
    EXPECT_TRUE(std::equal(w.begin(), w.end(), w.rbegin())) << m;
    const long double M = m,
                      centre = order < 4
                                   ? 3 * (3 * M * M + 3 * M - 1) / ((2 * M - 1) * (2 * M + 1) * (2 * M + 3))
                                   : 15 * (15 * M * M * M * M + 30 * M * M * M - 35 * M * M - 50 * M + 12) /
                                         (4 * (2 * M - 3) * (2 * M - 1) * (2 * M + 1) * (2 * M + 3) * (2 * M + 5));
    EXPECT_FLOAT_EQ(w[std::size_t(m)], float(centre)) << m;
  }
  float c[3] = {kUntouched, kUntouched, kUntouched};
  EXPECT_TRUE(savitzkyGolayCoeffs(0, 2, -1, c) == -1 && savitzkyGolayCoeffs(0, 2, 1, nullptr) == -1 &&
              c[0] == kUntouched);
  EXPECT_EQ(SavGyCoeffs(nullptr, c), -1);
}

}  // namespace
