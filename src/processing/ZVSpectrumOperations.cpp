#include <climits>
#include <cstdint>
#include <memory>

#include "processing/AddSpectra.h"
#include "processing/CenterPars.h"
#include "processing/MassMeasurePars.h"
#include "processing/PeakDetect.h"
#include "processing/RTCentroidDTCProcess.h"
#include "processing/SmoothPars.h"
#include "processing/Smoothing.h"
#include "processing/TOFDeadTimeCorrection.h"
#include "processing/TofAcmPars.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

void ZVSpectrum::releaseSigmas() {
  m_pfMassSigmas.reset();
  m_pfIntensitySigmas.reset();
}

ZVSpectrum& ZVSpectrum::operator+=(const ZVSpectrum& spec) {
  if (m_nNumPts == 0) {
    (void)Initialise(spec);
    return *this;
  }
  const std::uint64_t total = std::uint64_t{m_nNumPts} + spec.m_nNumPts;
  if (total > UINT_MAX) return *this;  // no merged count could say it
  // Past the merged count the arrays are scratch: they need no zeros.
  auto masses = std::make_unique_for_overwrite<float[]>(total);
  auto intensities = std::make_unique_for_overwrite<float[]>(total);
  const unsigned int n = addScans(masses.get(), intensities.get(), m_pfMass.get(), m_pfIntensity.get(), m_nNumPts,
                                  spec.m_pfMass.get(), spec.m_pfIntensity.get(), spec.m_nNumPts);
  (void)Initialise(masses.get(), intensities.get(), n, nullptr, nullptr);
  return *this;
}

void ZVSpectrum::detectPeaks(const CenterPars& pars, bool bCounts, const TofAcmPars* pTofAcm) {
  TOFDeadTimeCorrection correction;
  if (pTofAcm) {
    // The four values the set does not keep replace the correction's own.
    correction.MassRange() = pTofAcm->MassRange();
    correction.CycleTime() = pTofAcm->CycleTime();
    correction.Lteff() = pTofAcm->Lteff();
    correction.Veff() = pTofAcm->Veff();
    correction.Resolution() = pTofAcm->getResolution();
    correction.NPMultiplier() = pTofAcm->getNPMultiplier();
  }
  peakDetectTOF(m_pfMass.get(), m_pfIntensity.get(), m_nNumPts, pars.getMinPeakWidthChannels(), pars.getTopPercent(),
                pars.getCenterType(), pars.getAreas(), bCounts, false, pTofAcm ? &correction : nullptr);
  releaseSigmas();  // the points are centroids now
}

ZVRAW_RESULT ZVSpectrum::PeakDetect(const CenterPars* pCenterPars, bool bCounts, const TofAcmPars* pTofAcm) {
  if (!pCenterPars) return ZVRAW_NULLPOINTER_ERROR;
  float* y = m_pfIntensity.get();
  for (unsigned int k = 0; y && k < m_nNumPts; ++k)
    if (static_cast<double>(y[k]) > -1e-6 && static_cast<double>(y[k]) < 1e-6 && y[k] != 0.0f) y[k] = 0.0f;
  detectPeaks(*pCenterPars, bCounts, pTofAcm);
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::PeakDetect(const CenterPars* pCenterPars, ZVSpectrum& centered_spec, bool bCounts,
                                    const TofAcmPars* pTofAcm) const {
  if (!pCenterPars) return ZVRAW_NULLPOINTER_ERROR;
  (void)centered_spec.Initialise(*this);
  centered_spec.detectPeaks(*pCenterPars, bCounts, pTofAcm);
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::RTCentroid(const float& fResolution) {
  CRTCentroidDTCProcess centroider(10000.0f, 2000.0f, 8000.0f, 4.0f);
  centroider.SetDoBackgroundSubtract(true);
  centroider.SetResolution(fResolution);
  // A range too wide for the resolution and the points is a request the
  // centroider will not honour: refused, the spectrum as it was.
  if (centroider.AxisTooLong(m_pfMass.get(), m_pfIntensity.get(), static_cast<long>(m_nNumPts)))
    return ZVRAW_PARAMETER_INVALID;
  CRTCentroidDTCProcess::DoubleArray positions;
  Array positionSigmas, values, valueSigmas;
  long peaks = 0;  // a run that fails early does not write it
  const bool ok = centroider.PPCentroidDTC(m_pfMass.get(), m_pfIntensity.get(), static_cast<long>(m_nNumPts), positions,
                                           positionSigmas, values, valueSigmas, peaks);
  if (!positions || !positionSigmas || !values || !valueSigmas || peaks < 0) peaks = 0;
  const auto count = static_cast<std::size_t>(peaks);
  auto masses = std::make_unique_for_overwrite<float[]>(count);
  for (std::size_t k = 0; k < count; ++k) masses[k] = static_cast<float>(positions[k]);
  (void)Initialise(masses.get(), values.get(), static_cast<unsigned int>(count), positionSigmas.get(),
                   valueSigmas.get());
  return ok ? ZVRAW_OK : ZVRAW_ERROR;
}

ZVRAW_RESULT ZVSpectrum::MassMeasure(const MassMeasurePars* pMassMeasurePars, bool bCounts) {
  if (!pMassMeasurePars) return ZVRAW_NULLPOINTER_ERROR;
  const MassMeasurePars& pars = *pMassMeasurePars;
  if (pars.getDoSubtract()) (void)Subtract(pars.getBackSubPars());
  if (pars.getDoSmooth()) (void)Smooth(pars.getSmoothPars());
  return PeakDetect(pars.getCenterPars(), bCounts, pars.getDoTofAcm() ? pars.getTofAcmPars() : nullptr);
}

ZVRAW_RESULT ZVSpectrum::MassMeasure(const MassMeasurePars* pMassMeasurePars, ZVSpectrum& mass_measured_spec,
                                     bool bCounts) const {
  if (!pMassMeasurePars) return ZVRAW_NULLPOINTER_ERROR;
  const MassMeasurePars& pars = *pMassMeasurePars;
  // A subtraction that cannot run leaves the output to start from this spectrum.
  if (!pars.getDoSubtract() || Subtract(pars.getBackSubPars(), mass_measured_spec) != ZVRAW_OK)
    (void)mass_measured_spec.Initialise(*this);
  if (pars.getDoSmooth()) (void)mass_measured_spec.Smooth(pars.getSmoothPars());
  return mass_measured_spec.PeakDetect(pars.getCenterPars(), bCounts,
                                       pars.getDoTofAcm() ? pars.getTofAcmPars() : nullptr);
}

ZVRAW_RESULT ZVSpectrum::smooth(const SmoothPars& pars) {
  const unsigned int before = m_nNumPts;
  const int rc = smoothSpectrum(m_pfMass, m_pfIntensity, m_nNumPts, pars.getSmoothType(), pars.getNumberOfSmooths(),
                                pars.getSmoothWidth());
  if (m_nNumPts != before) releaseSigmas();  // padding put points between the old ones
  // A method the smoother does not run, or settings beyond its caps.
  return rc == 0 ? ZVRAW_OK : ZVRAW_PARAMETER_INVALID;
}

ZVRAW_RESULT ZVSpectrum::Smooth(const SmoothPars* pSmoothPars) {
  if (!pSmoothPars) return ZVRAW_NULLPOINTER_ERROR;
  return smooth(*pSmoothPars);
}

ZVRAW_RESULT ZVSpectrum::Smooth(const SmoothPars* pSmoothPars, ZVSpectrum& smooth_spec) const {
  if (!pSmoothPars) return ZVRAW_NULLPOINTER_ERROR;
  (void)smooth_spec.Initialise(*this);
  return smooth_spec.smooth(*pSmoothPars);
}
