#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "processing/CalCovarMath.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(Syminv, InvertsFromTheUpperTriangleOnly) {
  std::mt19937 rng(36);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (int n = 1; n <= 6; ++n) {
    const auto d = static_cast<std::size_t>(n);
    std::vector<double> B(d * d), A(d * d, 0.0);
    for (double& b : B) b = value(rng);
    for (std::size_t i = 0; i < d; ++i)  // B B^T + I: positive definite
      for (std::size_t j = 0; j < d; ++j) {
        for (std::size_t k = 0; k < d; ++k) A[i * d + j] += B[i * d + k] * B[j * d + k];
        A[i * d + j] += i == j ? 1.0 : 0.0;
      }
    std::vector<double> inv = A;
    for (std::size_t i = 0; i < d; ++i)
      for (std::size_t j = 0; j < i; ++j) inv[i * d + j] = kNaN;
    ASSERT_EQ(Syminv(inv, n), 0) << n;
    for (std::size_t i = 0; i < d; ++i)
      for (std::size_t j = 0; j < d; ++j) {
        double sum = 0.0;
        for (std::size_t k = 0; k < d; ++k) sum += A[i * d + k] * inv[k * d + j];
        EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-10) << n << ": " << i << "," << j;
      }
  }
  std::vector<double> indefinite{1, 2, 2, 1};
  EXPECT_EQ(Syminv(indefinite, 2), -1);
  std::vector<double> nanPivot{kNaN};
  EXPECT_EQ(Syminv(nanPivot, 1), -1);
  EXPECT_EQ(Syminv(indefinite, 3), -1);  // too short a span
  EXPECT_EQ(Syminv(indefinite, 0), -1);
}

TEST(LegendreBasis, CoefficientsOfP0ToP5) {
  const std::vector<std::vector<double>> P = {
      {1}, {0, 1}, {-0.5, 0, 1.5}, {0, -1.5, 0, 2.5}, {0.375, 0, -3.75, 0, 4.375}, {0, 1.875, 0, -8.75, 0, 7.875}};
  std::vector<double> L(packedCount(6));
  calLegCoeffs(5, L);
  for (std::size_t k = 0; k < P.size(); ++k)
    for (std::size_t j = 0; j <= k; ++j) EXPECT_DOUBLE_EQ(L[packedIndex(k, j)], P[k][j]) << k << "," << j;
}

TEST(LegendreBasis, ConvertKeepsTheVariance) {
  // A covariance of Legendre coefficients, order 3, against the direct Legendre values.
  std::vector<double> K = {4, 0.5, 3, -0.2, 0.1, 2, 0.3, -0.4, 0.2, 1};
  const std::vector<double> legendre = K;
  convert(3, K);
  std::vector<double> p(4), q(4);
  for (double x = -1.5; x <= 1.5; x += 0.25) {
    CalLegPoly(x, p, 3);
    CalPoly(x, q, 3);
    double before = 0.0, after = 0.0;
    for (std::size_t i = 0; i < 4; ++i)
      for (std::size_t j = 0; j < 4; ++j) {
        const std::size_t at = i >= j ? packedIndex(i, j) : packedIndex(j, i);
        before += p[i] * p[j] * legendre[at];
        after += q[i] * q[j] * K[at];
      }
    EXPECT_NEAR(after, before, 1e-12 * before) << x;
  }
}

TEST(Svdvar, ScalesVOverWSquaredAndSkipsZeroW) {
  const double v[3][3] = {{0.6, -0.8, 0.1}, {0.8, 0.6, 0.3}, {0.2, 0.5, -0.9}};
  const double W[3] = {2.0, 0.0, 0.5};
  const double* rows[3] = {v[0], v[1], v[2]};
  // The same numbers indexed from 1.
  const double v1[4][4] = {{}, {0, 0.6, -0.8, 0.1}, {0, 0.8, 0.6, 0.3}, {0, 0.2, 0.5, -0.9}};
  const double W1[4] = {0, 2.0, 0.0, 0.5};
  const double* rows1[4] = {v1[0], v1[1], v1[2], v1[3]};
  std::vector<double> K(6), K1(6);
  ASSERT_TRUE(svdvar(rows, W, 3, 1.7, K, 0));
  ASSERT_TRUE(svdvar(rows1, W1, 3, 1.7, K1, 1));
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j <= i; ++j) {
      const double want = 1.7 * (v[i][0] * v[j][0] / 4.0 + v[i][2] * v[j][2] / 0.25);
      EXPECT_NEAR(K[packedIndex(i, j)], want, 1e-14) << i << "," << j;
      EXPECT_EQ(K1[packedIndex(i, j)], K[packedIndex(i, j)]) << i << "," << j;
    }
  EXPECT_FALSE(svdvar(nullptr, W, 3, 1.0, K, 0));
  EXPECT_FALSE(svdvar(rows, W, 4, 1.0, K, 0));  // output too small
}

TEST(MatrixShapes, DelPadExpandContract) {
  std::vector<double> A{1, 2, 3, 4, 5, 6, 7, 8, 9};
  ASSERT_TRUE(Del(A, 3, 1));
  EXPECT_EQ(std::vector<double>(A.begin(), A.begin() + 4), (std::vector<double>{1, 3, 7, 9}));
  ASSERT_TRUE(Pad(A, 2, 1));
  EXPECT_EQ(A, (std::vector<double>{1, 0, 3, 0, 0, 0, 7, 0, 9}));
  EXPECT_FALSE(Del(A, 3, 3));
  EXPECT_FALSE(Pad(A, 3, 1));  // 4 x 4 does not fit
  const std::vector<double> packed{1, 2, 3, 4, 5, 6};
  std::vector<double> full(9, 0.0), back(6);
  ASSERT_TRUE(Expand(full, packed, 3));
  EXPECT_EQ(full, (std::vector<double>{1, 2, 4, 0, 3, 5, 0, 0, 6}));
  ASSERT_TRUE(Contract(full, back, 3));
  EXPECT_EQ(back, packed);
  EXPECT_FALSE(Expand(full, packed, 4));
}

TEST(Locate, BracketsFromAnyGuess) {
  const std::vector<double> X{1, 2, 4, 8, 16, 32};
  for (double x : {1.0, 1.5, 2.0, 3.0, 7.9, 8.0, 31.0, 32.0}) {
    for (int guess : {-1, 0, 2, 4, 5, 99}) {
      const int j = locate(X, 6, x, guess);
      ASSERT_GE(j, 0) << x << " from " << guess;
      ASSERT_LE(j, 4) << x << " from " << guess;
      EXPECT_TRUE(X[static_cast<std::size_t>(j)] <= x && x <= X[static_cast<std::size_t>(j) + 1]) << x;
    }
  }
  for (double x : {0.5, 33.0, kNaN}) EXPECT_EQ(locate(X, 6, x, 2), -1) << x;
  EXPECT_EQ(locate(X, 7, 3.0, 0), -1);  // n beyond the span
}

}  // namespace
