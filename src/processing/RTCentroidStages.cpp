#include "processing/RTCentroidStages.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

namespace {

constexpr float kFwhmPerSigma = 2.35482f;

// Replaces the array by one of n entries when it holds fewer.
template <class T>
void grow(std::unique_ptr<T[]>& p, int& length, int n) {
  if (p != nullptr && length >= n) return;
  p.reset();
  length = 0;
  p = std::make_unique_for_overwrite<T[]>(static_cast<std::size_t>(n));
  length = n;
}

// A float's floor or ceiling as a bin count, kept within +-2^62 (NaN as 0).
std::int64_t toCount(double v) {
  constexpr double kLimit = 4611686018427387904.0;
  if (!(v > -kLimit)) return std::isnan(v) ? 0 : -static_cast<std::int64_t>(kLimit);
  return v < kLimit ? static_cast<std::int64_t>(v) : static_cast<std::int64_t>(kLimit);
}

}  // namespace

template <class T>
bool AllocateArray(std::unique_ptr<T[]>& pArray, long n) {
  if (pArray != nullptr) return true;
  if (n < 0) return false;
  pArray = std::make_unique_for_overwrite<T[]>(static_cast<std::size_t>(n / 2));
  return true;
}
template bool AllocateArray<double>(std::unique_ptr<double[]>&, long);
template bool AllocateArray<float>(std::unique_ptr<float[]>&, long);

// Narrow triangles are summed term by term, four outputs at a time: no
// running sum to wait on, and a zero signal stays exactly 0.
constexpr int kDirectTriangleWidth = 8;

template <class T>
void directTriangle(int w, const T* y, std::int64_t n, T* out) {
  auto weight = [w](std::int64_t k) { return static_cast<T>(w + 1 - (k < 0 ? -k : k)); };
  auto term = [&](std::int64_t i) {
    T sum = 0;
    for (std::int64_t k = std::max<std::int64_t>(-w, -i); k <= w && i + k < n; ++k) sum += weight(k) * y[i + k];
    return sum;
  };
  using Lanes [[gnu::vector_size(16)]] = T;
  constexpr std::int64_t kLanes = sizeof(Lanes) / sizeof(T);
  Lanes weights[2 * kDirectTriangleWidth + 1];
  for (std::int64_t k = -w; k <= w; ++k) weights[k + w] = Lanes{} + weight(k);
  std::int64_t i = 0;
  for (; i < std::min<std::int64_t>(w, n); ++i) out[i] = term(i);
  for (; i + kLanes + w <= n; i += kLanes) {
    Lanes sum{};
    for (std::int64_t k = 0; k <= 2 * w; ++k) {
      Lanes v;
      std::memcpy(&v, y + i - w + k, sizeof v);
      sum += weights[k] * v;
    }
    std::memcpy(out + i, &sum, sizeof sum);
  }
  for (; i < n; ++i) out[i] = term(i);
}

template <class T>
bool Triangle(int nWidth, const T* pData, int n, std::unique_ptr<T[]>& pSmoothedData, int& nSmoothedLength) {
  if (pData == nullptr || n < 1) return false;
  grow(pSmoothedData, nSmoothedLength, n);
  if (nWidth < 1) return false;
  if (nWidth <= kDirectTriangleWidth) {
    directTriangle(nWidth, pData, n, pSmoothedData.get());
    return true;
  }
  // Wide ones in one pass whatever the width: out[i + 1] = out[i] + (the
  // w + 1 points right of i) - (the w + 1 points ending at i), three running
  // sums in double, terms outside the data 0.
  const std::int64_t w = nWidth, len = n;
  auto at = [&](std::int64_t j) { return j >= 0 && j < len ? static_cast<double>(pData[j]) : 0.0; };
  double out = 0, right = 0, left = at(0);
  for (std::int64_t k = 0; k <= std::min(w, len - 1); ++k) out += static_cast<double>(w + 1 - k) * at(k);
  for (std::int64_t j = 1; j <= std::min(w + 1, len - 1); ++j) right += at(j);
  T* s = pSmoothedData.get();
  s[0] = static_cast<T>(out);
  // Inside [w, n - w - 3] every index read lies within the data.
  const std::int64_t innerEnd = len - w - 2;
  std::int64_t i = 0;
  for (; i + 1 < len; ++i) {
    out += right - left;
    s[i + 1] = static_cast<T>(out);
    if (i >= w && i < innerEnd) {
      right += static_cast<double>(pData[i + w + 2]) - static_cast<double>(pData[i + 1]);
      left += static_cast<double>(pData[i + 1]) - static_cast<double>(pData[i - w]);
    } else {
      right += at(i + w + 2) - at(i + 1);
      left += at(i + 1) - at(i - w);
    }
  }
  return true;
}
template bool Triangle<float>(int, const float*, int, std::unique_ptr<float[]>&, int&);

bool Differentiate(const float* pData, int n, int nDifferenceWidth, std::unique_ptr<float[]>& pfDeriv,
                   int& nDerivLength) {
  if (pData == nullptr || n <= 1 || nDifferenceWidth > n / 2) return false;
  grow(pfDeriv, nDerivLength, n);
  const int d = std::max(nDifferenceWidth / 2, 1);
  float* out = pfDeriv.get();
  const float span = static_cast<float>(2 * d);
  for (int i = 0; i < std::min(d, n); ++i) out[i] = (pData[i + d] - pData[0]) / static_cast<float>(i + d);
  int i = d;
  // Four lanes at a time; a lane divides exactly as the scalar line does.
  using Lanes [[gnu::vector_size(16)]] = float;
  for (; i + 4 <= n - d; i += 4) {
    Lanes above, below;
    std::memcpy(&above, pData + i + d, sizeof above);
    std::memcpy(&below, pData + i - d, sizeof below);
    const Lanes diff = (above - below) / span;
    std::memcpy(out + i, &diff, sizeof diff);
  }
  for (; i < n - d; ++i) out[i] = (pData[i + d] - pData[i - d]) / span;
  for (int k = std::max(n - d, d); k < n; ++k)
    out[k] = (pData[n - 1] - pData[k - d]) / static_cast<float>(n - 1 - k + d);
  return true;
}

PeakFinderShape MakePeakFinderShape(float fPeakWidth, int nSmoothWidth, bool bNormGradThresh,
                                    float fGradientThresholdWidth, int nMaxPeakWidth) {
  PeakFinderShape s;
  s.sigma = fPeakWidth / kFwhmPerSigma;
  const auto smooth = static_cast<std::int64_t>(nSmoothWidth);
  s.sigmaSmooth = std::sqrt(static_cast<float>(smooth * smooth) + fPeakWidth * fPeakWidth) / kFwhmPerSigma;
  s.reach = bNormGradThresh ? toCount(std::floor(4.0f * s.sigmaSmooth)) + 1 : nMaxPeakWidth;
  const float gw = fGradientThresholdWidth;
  s.gradNorm = gw * std::exp(-gw * gw / 2.0f);
  return s;
}

template <class T>
bool FindSinglePeak(const T* pBackground, const T* pCentroidData, long lNumPoints, float fMinPeakValue, float fSigma,
                    float fSigmaSmooth, bool bCentroidArea, int nCentroidPercentage, double& dPeakPosition,
                    float& fSigmaPosition, float& fPeakValue, float& fSigmaValue) {
  dPeakPosition = 0;
  fSigmaPosition = fPeakValue = fSigmaValue = 0;
  const float ratio = fSigmaSmooth > 0 ? static_cast<float>(lNumPoints) / fSigmaSmooth : 2.0f;
  if (!(ratio > 1 && ratio < 8) || pCentroidData == nullptr || lNumPoints < 1) return false;
  const T* y = pCentroidData;
  float ymax = 0;
  for (long i = 0; i < lNumPoints; ++i) ymax = std::max(ymax, static_cast<float>(y[i]));
  const float level =
      nCentroidPercentage != 0 ? static_cast<float>(100 - std::int64_t{nCentroidPercentage}) * ymax / 100.0f : ymax;
  double sAll = 0, sAbove = 0, w = 0, wx = 0, bAll = 0, bAbove = 0;
  // Points below the level add 0 rather than being skipped: no branch to
  // mispredict on noisy windows, and the same sums.
  for (long i = 0; i < lNumPoints; ++i) {
    const double v = static_cast<double>(y[i]);
    const double b = pBackground != nullptr ? static_cast<double>(pBackground[i]) : 0.0;
    const bool above = static_cast<float>(y[i]) >= level;
    const double lift = above ? v - level : 0.0;
    sAll += v;
    bAll += b;
    sAbove += above ? v : 0.0;
    bAbove += above ? b : 0.0;
    w += lift;
    wx += lift * static_cast<double>(i);
  }
  if (!(sAll > 0 && sAbove > 0 && bAll + sAll > 0 && bAbove + sAbove > 0 && w > 0)) return false;
  dPeakPosition = wx / w;
  fSigmaValue = static_cast<float>(std::sqrt(bAll + sAll));
  fSigmaPosition = static_cast<float>(std::sqrt(bAbove + sAbove) * fSigma / sAbove);
  if (bCentroidArea) {
    fPeakValue = static_cast<float>(sAll);
  } else {
    // A convex mean of the indices: within the window but for rounding.
    const double nearest = std::clamp(std::floor(dPeakPosition + 0.5), 0.0, static_cast<double>(lNumPoints - 1));
    fPeakValue = static_cast<float>(y[static_cast<long>(nearest)]);
    fSigmaValue = static_cast<float>(fPeakValue / sAll * fSigmaValue);
  }
  return fPeakValue >= fMinPeakValue;
}
template bool FindSinglePeak<float>(const float*, const float*, long, float, float, float, bool, int, double&, float&,
                                    float&, float&);

bool IsAccurateMass(const float* pSmoothData, long nPoints, float fSigmaSmooth, float fMaxY, float fMinAccBaseWidth,
                    float fMaxAccBaseWidth) {
  if (pSmoothData == nullptr || nPoints < 1) return false;
  const auto points = static_cast<double>(nPoints);
  if (points < std::floor(fMinAccBaseWidth * fSigmaSmooth) || points > std::ceil(fMaxAccBaseWidth * fSigmaSmooth))
    return false;
  const float a = pSmoothData[0], b = pSmoothData[nPoints - 1];
  return 0.2f * fMaxY > std::sqrt(a + b) + std::fabs(a - b);
}

bool PeakDetectImp2(const float* pfBackground, const float* pfData, const float* pfSmoothed, int n, float fPeakWidth,
                    int nSmoothWidth, bool bNormGradThresh, float fGradientThresholdWidth, float fGradientThreshold,
                    int nMaxPeakWidth, float fAbsoluteThreshold, float fMinPeakValue,
                    std::unique_ptr<float[]>& pfDeriv1, std::unique_ptr<float[]>& pfDeriv2, int& nDeriv1Length,
                    int& nDeriv2Length, int nFirstDiffWidth, int nSecondDiffWidth, bool bCentroidArea,
                    int nCentroidPercentage, float fMinAccBaseWidth, float fMaxAccBaseWidth, double* pdPeakPositions,
                    float* pfPeakPosSigmas, float* pfPeakValues, float* pfPeakValSigmas, long& lNumPeaks) {
  const PeakFinderShape shape =
      MakePeakFinderShape(fPeakWidth, nSmoothWidth, bNormGradThresh, fGradientThresholdWidth, nMaxPeakWidth);
  const bool sigmas = pfPeakPosSigmas != nullptr && pfPeakValSigmas != nullptr && bNormGradThresh;
  lNumPeaks = 0;
  if (n < 3 || n / 2 < std::int64_t{nFirstDiffWidth} + nSecondDiffWidth || pfSmoothed == nullptr ||
      pfData == nullptr || pdPeakPositions == nullptr || pfPeakValues == nullptr)
    return false;
  if (!Differentiate(pfSmoothed, n, nFirstDiffWidth, pfDeriv1, nDeriv1Length) ||
      !Differentiate(pfDeriv1.get(), n, nSecondDiffWidth, pfDeriv2, nDeriv2Length))
    return false;
  const float* d1 = pfDeriv1.get();
  const float* d2 = pfDeriv2.get();
  const float* sm = pfSmoothed;
  float threshold = fGradientThreshold;
  std::int64_t i = 0;
  while (i < n && !(d2[i] > 0)) ++i;
  while (i < n) {
    float maxY = 0;
    // A core of negative curvature; NaN counts as not negative, so every
    // pass moves on.
    while (i < n && !(d2[i] < 0)) ++i;
    std::int64_t lo = i;
    while (i < n && d2[i] < 0) ++i;
    std::int64_t hi = i - 1;
    lo = std::min<std::int64_t>(lo, n - 1);
    hi = std::max<std::int64_t>(hi, 0);
    if (hi - lo <= 1) continue;
    if (bNormGradThresh) {
      for (std::int64_t j = lo; j <= hi; ++j) maxY = std::max(maxY, sm[j]);
      threshold = shape.gradNorm * maxY / shape.sigmaSmooth;
    }
    std::int64_t left = lo - 1;
    for (const std::int64_t stop = std::max<std::int64_t>(lo - shape.reach, 0);
         left >= stop && d1[left] >= threshold && sm[left] >= fAbsoluteThreshold && d2[left] >= 0;)
      --left;
    left = std::max<std::int64_t>(left, 0);
    std::int64_t right = hi + 1;
    for (const std::int64_t stop = std::min<std::int64_t>(hi + shape.reach, n - 1);
         right <= stop && d1[right] <= -threshold && sm[right] >= fAbsoluteThreshold && d2[right] >= 0;)
      ++right;
    right = std::min<std::int64_t>(right, n - 1);
    if (i >= n || right - left < 2) continue;
    const long points = static_cast<long>(right - left + 1);
    const long k = lNumPeaks;
    double position = 0;
    float posSigma = 0, value = 0, valSigma = 0;
    if (!FindSinglePeak(pfBackground != nullptr ? pfBackground + left : nullptr, pfData + left, points, fMinPeakValue,
                        shape.sigma, shape.sigmaSmooth, bCentroidArea, nCentroidPercentage, position, posSigma, value,
                        valSigma))
      continue;
    if (sigmas) {
      const bool accurate =
          IsAccurateMass(sm + left, points, shape.sigmaSmooth, maxY, fMinAccBaseWidth, fMaxAccBaseWidth);
      pfPeakPosSigmas[k] = accurate ? posSigma : -posSigma;
      pfPeakValSigmas[k] = valSigma;
    }
    pdPeakPositions[k] = position + static_cast<double>(left);
    pfPeakValues[k] = value;
    lNumPeaks = k + 1;
  }
  return true;
}
