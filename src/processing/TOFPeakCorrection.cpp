#include "processing/TOFPeakCorrection.h"

#include <cmath>

#include "processing/DeadTimeArray.h"

namespace {

// Peak detection's own table; it never leaves the built-in rows.
const DeadTimeArray deadTimeTable;

// Rates are capped just below 0.85, the end of the narrow blocks.
constexpr float kRateCap = 0.84999f;
constexpr float kNarrowestSigma = 0.1f;
constexpr float kWidestSigma = 3.1f;

}  // namespace

float PkdCorrectTOFPeak(const PKD_DATASET*, const PKD_PARAMS* psParams, PKD_CENT_PEAK* psPeak, float* Ci) {
  if (Ci) *Ci = 1.0f;
  if (psParams == nullptr || psPeak == nullptr) return 0.0f;
  const PKD_QTOF_PARAMS& q = psParams->sQTOFParams;
  bool inaccurate = false;
  float lambda = 0.0f;
  float deltaT = 0.0f;
  const float divisor = q.fNpMultiplier * (q.fCycleTime * q.fMassRange);
  float rate = psPeak->fArea / divisor;
  // Flight time t = sqrt(m) / k.
  const auto k = static_cast<float>(std::sqrt(q.lfVeff) / (72.0 * q.lfLteff));
  const auto sqrtMass = static_cast<float>(std::sqrt(psPeak->fCent));
  const auto sigma = static_cast<float>(sqrtMass / (4.7 * k * q.fRes));
  if (divisor > 0.0f && q.fRes > 0.0f) {
    if (rate >= kRateCap) {
      rate = kRateCap;
      inaccurate = true;
    }
    // A NaN width (negative mass, negative Veff) fails every comparison:
    // marked, and left uncorrected.
    if (sigma >= kNarrowestSigma && sigma <= kWidestSigma) {
      deadTimeTable.Interpolate(rate, sigma, lambda, deltaT);
    } else {
      inaccurate = true;
      if (sigma < kNarrowestSigma) deadTimeTable.Interpolate(rate, kNarrowestSigma, lambda, deltaT);
      if (sigma > kWidestSigma) deadTimeTable.Interpolate(rate, kWidestSigma, lambda, deltaT);
    }
  }
  psPeak->bInaccurate = inaccurate;
  if (Ci) *Ci = lambda != 0.0f ? lambda / rate : 1.0f;
  if (deltaT == 0.0f) return 0.0f;
  // A time shift dt at mass m is the mass shift 2 k sqrt(m) dt; earlier is lighter.
  return -2.0f * deltaT * k * sqrtMass;
}
