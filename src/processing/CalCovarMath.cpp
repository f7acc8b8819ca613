#include "processing/CalCovarMath.h"

#include <algorithm>
#include <cmath>

namespace {

// Whether a span holds the values of an order-nOrder polynomial.
bool holdsOrder(std::size_t size, int nOrder) { return nOrder >= 0 && size > static_cast<std::size_t>(nOrder); }

bool holdsSquare(std::size_t size, int n) {
  return n >= 1 && size / static_cast<std::size_t>(n) >= static_cast<std::size_t>(n);
}

}  // namespace

void CalPoly(double x, std::span<double> p, int nOrder) {
  if (!holdsOrder(p.size(), nOrder)) return;
  p[0] = 1.0;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(nOrder); ++i) p[i] = p[i - 1] * x;
}

void CalLegPoly(double x, std::span<double> p, int nOrder) {
  if (!holdsOrder(p.size(), nOrder)) return;
  p[0] = 1.0;
  if (nOrder >= 1) p[1] = x;
  for (std::size_t k = 2; k <= static_cast<std::size_t>(nOrder); ++k) {
    const auto kd = static_cast<double>(k);
    p[k] = ((2.0 * kd - 1.0) * x * p[k - 1] - (kd - 1.0) * p[k - 2]) / kd;
  }
}

void calLegCoeffs(int nOrder, std::span<double> L) {
  if (nOrder < 0 || L.size() < packedCount(static_cast<std::size_t>(nOrder) + 1)) return;
  const auto n = static_cast<std::size_t>(nOrder);
  L[packedIndex(0, 0)] = 1.0;
  if (n >= 1) {
    L[packedIndex(1, 0)] = 0.0;
    L[packedIndex(1, 1)] = 1.0;
  }
  // k Pk = (2k - 1) x P(k-1) - (k - 1) P(k-2)
  for (std::size_t k = 2; k <= n; ++k) {
    const auto kd = static_cast<double>(k);
    for (std::size_t j = 0; j <= k; ++j) {
      const double shifted = (j >= 1 && j - 1 <= k - 1) ? L[packedIndex(k - 1, j - 1)] : 0.0;
      const double older = j <= k - 2 ? L[packedIndex(k - 2, j)] : 0.0;
      L[packedIndex(k, j)] = ((2.0 * kd - 1.0) * shifted - (kd - 1.0) * older) / kd;
    }
  }
}

bool svdvar(const double* const* V, const double* W, int nDim, double scale, std::span<double> output, int nOffset) {
  if (V == nullptr || W == nullptr || nDim < 1 || nOffset < 0) return false;
  const auto dim = static_cast<std::size_t>(nDim);
  const auto off = static_cast<std::size_t>(nOffset);
  if (output.size() < packedCount(dim)) return false;
  for (std::size_t i = 0; i < dim; ++i)
    if (V[off + i] == nullptr) return false;
  std::vector<double> wti(dim);
  for (std::size_t k = 0; k < dim; ++k) {
    const double w = W[off + k];
    wti[k] = w > 0.0 ? 1.0 / (w * w) : 0.0;  // a singular direction carries no information
  }
  for (std::size_t i = 0; i < dim; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      double sum = 0.0;
      for (std::size_t k = 0; k < dim; ++k) sum += V[off + i][off + k] * V[off + j][off + k] * wti[k];
      output[packedIndex(i, j)] = scale * sum;
    }
  }
  return true;
}

void convert(int nOrder, std::span<double> covariances) {
  if (nOrder < 0) return;
  const std::size_t d = static_cast<std::size_t>(nOrder) + 1;
  if (covariances.size() < packedCount(d)) return;
  std::vector<double> packedL(packedCount(d));
  calLegCoeffs(nOrder, packedL);
  // Full matrices: L[k][i] = coefficient of x^i in Pk, K symmetric.
  std::vector<double> L(d * d, 0.0), K(d * d), KL(d * d, 0.0);
  for (std::size_t k = 0; k < d; ++k) {
    for (std::size_t i = 0; i <= k; ++i) {
      L[k * d + i] = packedL[packedIndex(k, i)];
      K[k * d + i] = K[i * d + k] = covariances[packedIndex(k, i)];
    }
  }
  for (std::size_t k = 0; k < d; ++k)
    for (std::size_t j = 0; j < d; ++j)
      for (std::size_t m = 0; m < d; ++m) KL[k * d + j] += K[k * d + m] * L[m * d + j];
  // K'(i, j) = sum over k of L(k, i) (K L)(k, j)
  for (std::size_t i = 0; i < d; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      double sum = 0.0;
      for (std::size_t k = 0; k < d; ++k) sum += L[k * d + i] * KL[k * d + j];
      covariances[packedIndex(i, j)] = sum;
    }
  }
}

std::vector<double> spline(std::span<const double> X, std::span<const double> Y, int n) {
  if (n < 1 || X.size() < static_cast<std::size_t>(n) || Y.size() < static_cast<std::size_t>(n)) return {};
  const auto size = static_cast<std::size_t>(n);
  std::vector<double> y2(size, 0.0), u(size, 0.0);  // natural: zero curvature at both ends
  for (std::size_t i = 1; i + 1 < size; ++i) {
    const double sig = (X[i] - X[i - 1]) / (X[i + 1] - X[i - 1]);
    const double p = sig * y2[i - 1] + 2.0;
    y2[i] = (sig - 1.0) / p;
    const double slopes = (Y[i + 1] - Y[i]) / (X[i + 1] - X[i]) - (Y[i] - Y[i - 1]) / (X[i] - X[i - 1]);
    u[i] = (6.0 * slopes / (X[i + 1] - X[i - 1]) - sig * u[i - 1]) / p;
  }
  for (std::size_t k = size - 1; k-- > 1;) y2[k] = y2[k] * y2[k + 1] + u[k];
  return y2;
}

double splint(std::span<const double> X, std::span<const double> Y, std::span<const double> Y2, double x, int i) {
  if (i < 0) return 0.0;
  const auto k = static_cast<std::size_t>(i);
  if (k + 1 >= X.size() || k + 1 >= Y.size() || k + 1 >= Y2.size()) return 0.0;
  const double h = X[k + 1] - X[k];
  const double a = (X[k + 1] - x) / h;
  const double b = (x - X[k]) / h;
  return a * Y[k] + b * Y[k + 1] + ((a * a * a - a) * Y2[k] + (b * b * b - b) * Y2[k + 1]) * (h * h) / 6.0;
}

int locate(std::span<const double> X, int n, double x, int guess) {
  if (n < 2 || X.size() < static_cast<std::size_t>(n)) return -1;
  const auto at = [&](long j) { return X[static_cast<std::size_t>(j)]; };
  const long last = n - 1;
  if (!(x >= at(0) && x <= at(last))) return -1;  // NaN too
  long lo = 0;
  long hi = last;
  if (guess >= 0) {
    lo = std::min<long>(guess, last - 1);
    if (x < at(lo)) {
      hi = lo;
      lo = 0;
    } else {
      long step = 1;
      hi = lo + 1;
      while (hi < last && x > at(hi)) {
        lo = hi;
        step *= 2;
        hi = std::min(lo + step, last);
      }
    }
  }
  while (hi - lo > 1) {
    const long mid = lo + (hi - lo) / 2;
    if (x >= at(mid))
      lo = mid;
    else
      hi = mid;
  }
  return static_cast<int>(lo);
}

int Syminv(std::span<double> A, int n) {
  if (!holdsSquare(A.size(), n)) return -1;
  const auto d = static_cast<std::size_t>(n);
  const auto a = [&](std::size_t i, std::size_t j) -> double& { return A[i * d + j]; };
  // A = U^T U, U upper triangular, built over the upper triangle.
  for (std::size_t i = 0; i < d; ++i) {
    double pivot = a(i, i);
    for (std::size_t k = 0; k < i; ++k) pivot -= a(k, i) * a(k, i);
    if (!(pivot > 0.0)) return -1;
    a(i, i) = std::sqrt(pivot);
    for (std::size_t j = i + 1; j < d; ++j) {
      double sum = a(i, j);
      for (std::size_t k = 0; k < i; ++k) sum -= a(k, i) * a(k, j);
      a(i, j) = sum / a(i, i);
    }
  }
  // U^-1, column by column; each entry needs only later entries of its column.
  for (std::size_t j = 0; j < d; ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      double sum = 0.0;
      for (std::size_t k = i; k < j; ++k) sum += (k == i ? 1.0 / a(i, i) : a(i, k)) * a(k, j);
      a(i, j) = -sum / a(j, j);
    }
  }
  for (std::size_t i = 0; i < d; ++i) a(i, i) = 1.0 / a(i, i);
  // A^-1 = U^-1 U^-T, entry (i, j) for j >= i reads row i from column j on.
  for (std::size_t i = 0; i < d; ++i) {
    for (std::size_t j = i; j < d; ++j) {
      double sum = 0.0;
      for (std::size_t k = j; k < d; ++k) sum += a(i, k) * a(j, k);
      a(i, j) = sum;
    }
  }
  for (std::size_t i = 0; i < d; ++i)
    for (std::size_t j = 0; j < i; ++j) a(i, j) = a(j, i);
  return 0;
}

bool Del(std::span<double> A, int n, int k) {
  if (!holdsSquare(A.size(), n) || k < 0 || k >= n) return false;
  const auto d = static_cast<std::size_t>(n);
  const auto skip = static_cast<std::size_t>(k);
  std::size_t out = 0;  // never past the entry being read: safe in place
  for (std::size_t i = 0; i < d; ++i) {
    if (i == skip) continue;
    for (std::size_t j = 0; j < d; ++j)
      if (j != skip) A[out++] = A[i * d + j];
  }
  return true;
}

bool Pad(std::span<double> A, int n, int k) {
  if (n < 0 || k < 0 || k > n || !holdsSquare(A.size(), n + 1)) return false;
  const auto d = static_cast<std::size_t>(n);
  const auto ins = static_cast<std::size_t>(k);
  // Backwards, so no entry is overwritten before it is moved.
  for (std::size_t i = d + 1; i-- > 0;) {
    for (std::size_t j = d + 1; j-- > 0;) {
      const bool inserted = i == ins || j == ins;
      const std::size_t from = (i - (i > ins ? 1 : 0)) * d + (j - (j > ins ? 1 : 0));
      A[i * (d + 1) + j] = inserted ? 0.0 : A[from];
    }
  }
  return true;
}

bool Expand(std::span<double> A, std::span<const double> packed, int n) {
  if (!holdsSquare(A.size(), n) || packed.size() < packedCount(static_cast<std::size_t>(n))) return false;
  const auto d = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < d; ++i)
    for (std::size_t j = 0; j <= i; ++j) A[j * d + i] = packed[packedIndex(i, j)];
  return true;
}

bool Contract(std::span<const double> A, std::span<double> packed, int n) {
  if (!holdsSquare(A.size(), n) || packed.size() < packedCount(static_cast<std::size_t>(n))) return false;
  const auto d = static_cast<std::size_t>(n);
  for (std::size_t i = 0; i < d; ++i)
    for (std::size_t j = 0; j <= i; ++j) packed[packedIndex(i, j)] = A[j * d + i];
  return true;
}
