#include "processing/Quantile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Point of a range bound: its box, the bound moved onto the array's edge
// when the box lies outside.
long boxOf(double& bound, long n) {
  const double shifted = bound + 0.5;
  if (shifted <= -1.0) {
    bound = -0.5;
    return 0;
  }
  if (shifted >= static_cast<double>(n)) {
    bound = static_cast<double>(n) - 0.5;
    return n - 1;
  }
  return static_cast<long>(shifted);  // toward zero
}

// Cumulative box area at each boundary ia + 0.5, ia + 1.5, ..., ib - 0.5, b.
template <class Visit>
void forEachBoundary(const float* y, double a, double b, long ia, long ib, Visit&& visit) {
  double area = y[ia] * (static_cast<double>(ia) + 0.5 - a);
  if (visit(static_cast<double>(ia) + 0.5, area)) return;
  for (long k = ia + 1; k < ib; ++k) {
    area += y[k];
    if (visit(static_cast<double>(k) + 0.5, area)) return;
  }
  area += y[ib] * (b - static_cast<double>(ib) + 0.5);
  visit(b, area);
}

int signOf(double d) { return d > 0.0 ? 1 : -1; }

float heightRatio(float yq, float yc) {
  float r = 0.0f;
  if (yq < 0.0f && yc > 0.0f)
    r = std::min(yc - yq, -yq) / std::max(yc - yq, -yq);
  else
    r = std::min(yq, yc) / std::max(yq, yc);
  return r < FLT_EPSILON ? FLT_EPSILON : r;
}

// The smaller of two widths that are finite and above 0; 0 when neither is.
float usableWidth(float sa, float sb) {
  const bool aOk = std::isfinite(sa) && sa > 0.0f, bOk = std::isfinite(sb) && sb > 0.0f;
  if (aOk && bOk) return std::min(sa, sb);
  return aOk ? sa : bOk ? sb : 0.0f;
}

}  // namespace

float Ch2X(const QUANTILE_SQIN* lpsData, float fX) {
  const long n = lpsData->lNumPts;
  const float* x = lpsData->pfX;
  if (!std::isfinite(fX) || n <= 0 || x == nullptr) return kNaN;
  if (n == 1) return x[0];  // no step to take
  const long k = fX <= 0.0f ? 0 : fX >= static_cast<float>(n - 1) ? n - 1 : static_cast<long>(fX);
  const float step = k + 1 < n ? x[k + 1] - x[k] : x[k] - x[k - 1];
  return x[k] + step * (fX - static_cast<float>(k));
}

bool SquareQuantile(const QUANTILE_SQIN* lpsData, const QUANTILE_SQPAR* lpsParams, QUANTILE_OUT* lpsOutput) {
  const long n = lpsData->lNumPts;
  double a = lpsParams->fA, b = lpsParams->fB;
  const double f = lpsParams->fFract;
  if (n <= 0 || lpsData->pfX == nullptr || lpsData->pfY == nullptr || std::isnan(a) || std::isnan(b)) {
    lpsOutput->fX = lpsOutput->fSum = kNaN;
    return false;
  }
  if (a > b) std::swap(a, b);
  const long ia = boxOf(a, n), ib = boxOf(b, n);
  const float* y = lpsData->pfY;
  const auto blend = [&] { return Ch2X(lpsData, static_cast<float>((1.0 - f) * a + f * b)); };
  if (ia == ib) {
    lpsOutput->fX = blend();
    lpsOutput->fSum = static_cast<float>(y[ia] * (b - a));
    return true;
  }

  double total = 0.0;
  forEachBoundary(y, a, b, ia, ib, [&](double, double area) {
    total = area;
    return false;
  });
  const double target = total * f;
  const int startSign = total > 0.0 ? -1 : 1;
  long changes = 0;
  int sign = startSign;
  forEachBoundary(y, a, b, ia, ib, [&](double, double area) {
    const double d = area - target;
    if (d != 0.0 && signOf(d) != sign) {
      ++changes;
      sign = signOf(d);
    }
    return false;
  });

  lpsOutput->fSum = static_cast<float>(total);
  lpsOutput->fX = blend();
  if (changes == 0) return true;
  const long wanted = (changes + 1) / 2;
  double p0 = a, d0 = -target;
  long seen = 0;
  sign = startSign;
  forEachBoundary(y, a, b, ia, ib, [&](double p1, double area) {
    const double d1 = area - target;
    if (d1 == 0.0) return false;
    if (signOf(d1) != sign && ++seen == wanted) {
      lpsOutput->fX = Ch2X(lpsData, static_cast<float>((p0 * d1 - p1 * d0) / (d1 - d0)));
      return true;
    }
    sign = signOf(d1);
    p0 = p1;
    d0 = d1;
    return false;
  });
  return true;
}

bool GaussianQuantile(const QUANTILE_GSIN* lpsGaussInput, QUANTILE_GSPAR* lpsGaussParams, QUANTILE_OUT* lpsOutput) {
  const long n = lpsGaussInput->lNumPts;
  const float* x = lpsGaussInput->pfX;
  const float* y = lpsGaussInput->pfY;
  if (n <= 0 || x == nullptr || y == nullptr || lpsGaussInput->pfConvolution == nullptr) return false;
  QUANTILE_GSPAR& par = *lpsGaussParams;
  const long c = std::clamp(par.lCentre, 0L, n - 1);
  const long start = std::clamp(par.lStart, 0L, c), end = std::clamp(par.lEnd, c, n - 1);
  const long qa = start + (c - start) / 2;
  const long qb = std::min(c + (end - c) / 2 + 1, n - 1);
  const float xc = x[c];
  const float ra = heightRatio(y[qa], y[c]), rb = heightRatio(y[qb], y[c]);

  // s is twice the Gaussian's variance. A quarter point on the apex (a
  // negative point next to it) gives 0 or no number: take the other side.
  float sa = 0.0f, sb = 0.0f;
  if (std::fabs(ra - 1.0f) < FLT_EPSILON || std::fabs(rb - 1.0f) < FLT_EPSILON) {
    sa = xc - x[qa];
    sb = x[qb] - xc;
  } else {
    sa = -((x[qa] - xc) * (x[qa] - xc)) / std::log(ra);
    sb = -((x[qb] - xc) * (x[qb] - xc)) / std::log(rb);
  }
  const float s = usableWidth(sa, sb);
  if (s == 0.0f) return false;
  const auto norm = static_cast<float>(1.0 / std::sqrt(static_cast<double>(s) * std::numbers::pi));

  // Point i goes to slot n - c + i; the walks end where the weighted value
  // falls to 0.001 or less (or is not a number).
  float* w = lpsGaussInput->pfConvolution + (n - c);
  const auto weigh = [&](long i) {
    const float d = x[i] - xc;
    w[i] = y[i] * std::exp(-(d * d) / s) * norm;
    return !(std::fabs(w[i]) > 0.001f);
  };
  long i = c;
  while (!weigh(i) && i > 0) --i;
  par.lStart = i;
  par.lEnd = c;
  for (i = c + 1; i < n; ++i) {
    par.lEnd = i;
    if (weigh(i)) break;
  }
  const QUANTILE_SQIN profile{x, w, n};
  const QUANTILE_SQPAR range{static_cast<float>(par.lStart), static_cast<float>(par.lEnd), par.fFract};
  return SquareQuantile(&profile, &range, lpsOutput);
}
