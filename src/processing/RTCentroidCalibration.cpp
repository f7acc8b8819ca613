#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>

#include "formats/scans/SpectrumRebin.h"
#include "processing/MassAxes.h"
#include "processing/RTCentroidDTCProcess.h"

namespace {

// Packed lower-triangle entries of an order's covariance, as the update's
// int size (orders that large are refused there anyway).
int packedCovariances(int nOrder) {
  const std::int64_t rows = std::int64_t{nOrder} + 1;
  return static_cast<int>(std::min<std::int64_t>(rows * (rows + 1) / 2, INT_MAX));
}

}  // namespace

bool CRTCentroidDTCProcess::UpdateCalibration(double* pdCoeffs, double* pdCovars, int nOrder, bool bUseRootMass,
                                              double dStartMass, double dEndMass, double dObsMass, double dObsMassSigma,
                                              double dTrueMass) {
  m_pdCoeffs.reset();
  m_nOrder = -1;
  m_pCalCovar.reset();
  m_pCalCovarLM.reset();
  if (!pdCoeffs || !pdCovars || nOrder < 1) return false;
  const auto terms = static_cast<std::size_t>(nOrder) + 1;
  m_pdCoeffs = std::make_unique_for_overwrite<double[]>(terms);
  std::copy_n(pdCoeffs, terms, m_pdCoeffs.get());
  m_nOrder = nOrder;
  m_pCalCovar = std::make_unique<CCalCovar>(bUseRootMass, pdCovars, nOrder, 1.0);
  m_pCalCovarLM = std::make_unique<CCalCovar>(bUseRootMass, pdCovars, nOrder, 1.0);
  bool result = false;
  if (dObsMass > 0 && dTrueMass > 0) {
    const double calObs = CalMass(dObsMass, pdCoeffs, nOrder, bUseRootMass);
    // The linear term maps the observed lock mass onto the true one.
    const double delta = bUseRootMass ? (std::sqrt(dTrueMass) - std::sqrt(calObs)) / std::sqrt(dObsMass)
                                      : (dTrueMass - calObs) / dObsMass;
    pdCoeffs[1] += delta;
    m_pdCoeffs[1] = pdCoeffs[1];
    result = m_pCalCovarLM->UpdateForLockMass(dObsMass, dObsMassSigma, calObs, pdCovars, packedCovariances(nOrder));
  }
  if (result && dStartMass > 0 && dEndMass > 0) result = m_pCalCovarLM->MakeLookupTable(dStartMass, dEndMass);
  return result;
}

long CRTCentroidDTCProcess::LocateLockMass(const double* pdPeakPositions, const float* pfPeakValues, long lNumPeaks,
                                           double dTrueMass, double dTolerance, const double* pdCoeffs, int nOrder,
                                           bool bUseRootMass) const {
  if (lNumPeaks < 1 || !pdPeakPositions || !pfPeakValues || !pdCoeffs || nOrder < 0) return -1;
  if (std::isnan(dTrueMass) || std::isnan(dTolerance)) return -1;
  auto mass = [&](long i) { return CalMass(pdPeakPositions[i], pdCoeffs, nOrder, bUseRootMass); };
  const double low = dTrueMass - dTolerance, high = dTrueMass + dTolerance;
  long lo = 0, hi = lNumPeaks - 1, found = -1;
  if (std::fabs(mass(lo) - dTrueMass) < dTolerance) {
    found = lo;
  } else if (std::fabs(mass(hi) - dTrueMass) < dTolerance) {
    found = hi;
  } else {
    while (found < 0 && hi - lo >= 2) {
      const long mid = lo + (hi - lo) / 2;
      const double m = mass(mid);
      if (m > high)
        hi = mid;
      else if (m < low)
        lo = mid;
      else
        found = mid;
    }
    if (found < 0) return -1;
  }
  // The most intense peak around it; among equal values the first met stays.
  long best = found;
  for (long i = found - 1; i >= lo && mass(i) > low; --i)
    if (pfPeakValues[i] > pfPeakValues[best]) best = i;
  for (long i = found + 1; i <= hi && mass(i) < high; ++i)
    if (pfPeakValues[i] > pfPeakValues[best]) best = i;
  return best;
}

bool CRTCentroidDTCProcess::ApplyCalibration(double* pdPeakPositions, float* pfPeakPosSigmas, long lNumPeaks,
                                             bool bApplyToMass, long lLockMassIndex) const {
  if (!m_pdCoeffs || !m_pCalCovar || !m_pCalCovarLM || !pdPeakPositions) return false;
  if (!bApplyToMass && !pfPeakPosSigmas) return false;
  const bool rootMass = m_pCalCovar->GetUseRootMass();
  for (long i = 0; i < lNumPeaks; ++i) {
    const double position = pdPeakPositions[i];
    if (pfPeakPosSigmas) {
      // The lock-mass peak keeps the calibration's own uncertainty.
      const CCalCovar& covariance = i == lLockMassIndex ? *m_pCalCovar : *m_pCalCovarLM;
      const float sigma = pfPeakPosSigmas[i];
      const double variance = covariance.GetVariance(position) + static_cast<double>(sigma) * sigma;
      pfPeakPosSigmas[i] = std::copysign(static_cast<float>(std::sqrt(variance)), sigma);
    }
    if (bApplyToMass) pdPeakPositions[i] = CalMass(position, m_pdCoeffs.get(), m_nOrder, rootMass);
  }
  return true;
}

CRTCentroidDTCProcess::DoubleArray CRTCentroidDTCProcess::CreateMassAxis(double fStartMass, double fEndMass,
                                                                         long lNumPoints) const {
  if (!(fEndMass > fStartMass) || !(fStartMass >= 0) || !std::isfinite(fEndMass)) return nullptr;
  if (lNumPoints < 1 || lNumPoints > borealtek_zvraw_version_1::kMaxGridIndices) return nullptr;
  auto axis = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(lNumPoints));
  if (lNumPoints == 1) {
    axis[0] = fStartMass;  // one point divides by no step
    return axis;
  }
  const double first = std::sqrt(fStartMass), span = std::sqrt(fEndMass) - first;
  const auto steps = static_cast<double>(lNumPoints - 1);
  for (long i = 0; i < lNumPoints; ++i) {
    const double root = first + static_cast<double>(i) * span / steps;
    axis[i] = root * root;
  }
  return axis;
}

bool CRTCentroidDTCProcess::BinsToMass(const double* pdMasses, long lNumDataPoints, double* pdPeakPositions,
                                       float* pfPeakPosSigmas, long lNumPeaks) const {
  if (lNumPeaks <= 0) return true;
  if (!pdMasses || !pdPeakPositions) return false;
  // One time-to-digital bin as a step in sqrt(m).
  const float step = std::sqrt(m_fVeff) / (m_fLteff * (m_fTDC * 72.0f));
  const double s = step;
  for (long k = 0; k < lNumPeaks; ++k) {
    const double p = pdPeakPositions[k];
    const double bin = std::trunc(p);  // a NaN position has no bin
    double mass = 0;
    if (bin >= 0 && bin < static_cast<double>(lNumDataPoints)) {
      const auto i = static_cast<long>(bin);
      const double f = p - bin;
      if (i + 1 < lNumDataPoints) {
        const double a = pdMasses[i], b = pdMasses[i + 1];
        mass = (a + b) / 2 + (f - 0.5) * (b - a) + (f - 1) * f * s * s;
      } else {
        mass = pdMasses[i];
      }
    }
    pdPeakPositions[k] = mass;
    if (pfPeakPosSigmas) {
      const float sigma = pfPeakPosSigmas[k];
      pfPeakPosSigmas[k] = std::copysign(static_cast<float>(2 * s * std::fabs(sigma) * std::sqrt(mass)), sigma);
    }
  }
  return true;
}
