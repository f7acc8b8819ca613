#include "processing/SavitzkyGolayCoeffs.h"

#include <array>
#include <cstdint>

namespace {

// The closed forms of derivative 0. T holds every product exactly:
// std::int64_t below the limits, long double (64-bit mantissa) beyond.
constexpr long long kQuadraticInt64Limit = 1048576;  // (2m-1)(2m+1)(2m+3) < 2^63
constexpr long long kQuarticInt64Limit = 2353;       // 4(2m-3)...(2m+5) < 2^63

float ratio(long double num, long double den) { return static_cast<float>(num / den); }

template <class T>
void quadraticWeights(long long m, float* c) {
  const T M = static_cast<T>(m);
  const T den = (2 * M - 1) * (2 * M + 1) * (2 * M + 3);
  const T a = 3 * M * M + 3 * M - 1;
  for (long long j = -m; j <= m; ++j) {
    const T J = static_cast<T>(j);
    c[j + m] = ratio(static_cast<long double>(3 * (a - 5 * J * J)), static_cast<long double>(den));
  }
}

template <class T>
void quarticWeights(long long m, float* c) {
  const T M = static_cast<T>(m);
  const T den = 4 * (2 * M - 3) * (2 * M - 1) * (2 * M + 1) * (2 * M + 3) * (2 * M + 5);
  const T a = 15 * M * M * M * M + 30 * M * M * M - 35 * M * M - 50 * M + 12;
  const T b = 35 * (2 * M * M + 2 * M - 3);
  for (long long j = -m; j <= m; ++j) {
    const T J2 = static_cast<T>(j) * static_cast<T>(j);
    c[j + m] = ratio(static_cast<long double>(15 * (a - b * J2 + 63 * J2 * J2)), static_cast<long double>(den));
  }
}

// The lower order of the pair that shares derivative d's weights (the one
// of d's parity), or -1 for an unsupported pair.
int fitOrder(int d, int order) {
  constexpr std::array<int, 6> kLowest{0, 2, 2, 3, 4, 5}, kHighest{0, 6, 5, 6, 5, 6};
  if (d < 1 || d > 5) return -1;
  const auto k = static_cast<std::size_t>(d);
  if (order < kLowest[k] || order > kHighest[k]) return -1;
  return order - ((order - d) & 1);
}

// Least squares over the powers of d's parity up to p of u = j / m (the
// other parity is orthogonal to them on a symmetric window, so it does not
// change the centre's derivative), in long double, solved by elimination
// of the at most 3 x 3 normal equations (symmetric positive definite).
void derivativeWeights(int d, int p, long long m, float* c) {
  std::array<std::size_t, 3> powers{};
  std::size_t q = 0;
  for (int k = d % 2; k <= p; k += 2) powers[q++] = static_cast<std::size_t>(k);
  std::array<long double, 11> sums{};  // sum over the window of u^e, e <= 2p
  sums[0] = 1;                         // j = 0
  const auto M = static_cast<long double>(m);
  for (long long j = 1; j <= m; ++j) {
    const long double u = static_cast<long double>(j) / M;
    long double ue = 1;
    for (int e = 0; e <= 2 * p; ++e, ue *= u) sums[static_cast<std::size_t>(e)] += 2 * ue;
  }
  // g z = the unit vector at d's power; g[r][s] = sums[powers[r] + powers[s]].
  std::array<std::array<long double, 4>, 3> g{};
  for (std::size_t r = 0; r < q; ++r) {
    for (std::size_t s = 0; s < q; ++s) g[r][s] = sums[powers[r] + powers[s]];
    g[r][3] = powers[r] == static_cast<std::size_t>(d) ? 1 : 0;
  }
  for (std::size_t r = 0; r < q; ++r)
    for (std::size_t below = r + 1; below < q; ++below) {
      const long double f = g[below][r] / g[r][r];
      for (std::size_t s = r; s < 4; ++s) g[below][s] -= f * g[r][s];
    }
  std::array<long double, 3> z{};
  for (std::size_t r = q; r-- > 0;) {
    long double v = g[r][3];
    for (std::size_t s = r + 1; s < q; ++s) v -= g[r][s] * z[s];
    z[r] = v / g[r][r];
  }
  constexpr std::array<long double, 6> kFactorial{1, 1, 2, 6, 24, 120};
  long double scale = kFactorial[static_cast<std::size_t>(d)];
  for (int k = 0; k < d; ++k) scale /= M;  // the x^d coefficient is that of u^d over m^d
  for (long long j = -m; j <= m; ++j) {
    const long double u = static_cast<long double>(j) / M;
    long double v = 0;
    for (std::size_t r = 0; r < q; ++r) {
      long double up = 1;
      for (std::size_t k = 0; k < powers[r]; ++k) up *= u;
      v += z[r] * up;
    }
    c[j + m] = static_cast<float>(scale * v);
  }
}

}  // namespace

int SavGyCoeffs(const SMO_PARAMS* lpsParams, float* pfCoeffs) {
  if (!lpsParams || !pfCoeffs || lpsParams->nWidth < 0) return -1;
  const long long m = lpsParams->nWidth;
  const int order = lpsParams->nSGPoly, d = lpsParams->nSGDeriv;
  if (m == 1 && order >= 1) {
    pfCoeffs[0] = 0.25f;
    pfCoeffs[1] = 0.5f;
    pfCoeffs[2] = 0.25f;
    return 0;
  }
  if (d == 0) {
    switch (order) {
      case 0:
        for (long long k = 0; k <= 2 * m; ++k) pfCoeffs[k] = ratio(1, static_cast<long double>(2 * m + 1));
        return 0;
      case 2:
      case 3:
        m < kQuadraticInt64Limit ? quadraticWeights<std::int64_t>(m, pfCoeffs)
                                 : quadraticWeights<long double>(m, pfCoeffs);
        return 0;
      case 4:
      case 5:
        m < kQuarticInt64Limit ? quarticWeights<std::int64_t>(m, pfCoeffs) : quarticWeights<long double>(m, pfCoeffs);
        return 0;
      default:
        return -1;
    }
  }
  const int p = fitOrder(d, order);
  if (p < 0 || p > 2 * m) return -1;
  derivativeWeights(d, p, m, pfCoeffs);
  return 0;
}

int savitzkyGolayCoeffs(int nDeriv, int nOrder, int nWindow, float* pfCoeffs) {
  SMO_PARAMS params;
  params.nSGPoly = nOrder;
  params.nSGDeriv = nDeriv;
  params.nWidth = nWindow;
  return SavGyCoeffs(&params, pfCoeffs);
}
