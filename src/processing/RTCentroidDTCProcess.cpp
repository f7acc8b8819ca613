#include "processing/RTCentroidDTCProcess.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "formats/scans/SpectrumRebin.h"
#include "processing/RTCentroidStages.h"
#include "processing/SinhAxis.h"

namespace {

// A peak of the set resolution on the sinh axis, full width at half height.
constexpr float kPeakWidthBins = 5.0f;

bool positive(double v) { return v > 0 && std::isfinite(v); }

CRTCentroidDTCProcess g_instance(10000.0f, 2000.0f, 8000.0f, 4.0f);

}  // namespace

CRTCentroidDTCProcess::CRTCentroidDTCProcess(float fResolution, float fLteff, float fVeff, float fTDC)
    : m_fResolution(fResolution),
      m_fLteff(fLteff),
      m_fVeff(fVeff),
      m_fTDC(fTDC),
      m_fMinAccMassWidth(MIN_ACC_WIDTH_FAC * m_fGradientThresholdWidth),
      m_fMaxAccMassWidth(MAX_ACC_WIDTH_FAC * m_fGradientThresholdWidth),
      m_pSubtractor(std::make_unique<ABS>(20, 10, 0.45)) {}

CRTCentroidDTCProcess& CRTCentroidDTCProcess::GetInstance() { return g_instance; }

void CRTCentroidDTCProcess::Clear() {
  m_LogX.release();
  m_axisMade = {};
  m_Rebinned.release();
  m_Background.release();
  m_Smoothed.release();
  m_Deriv1.release();
  m_Deriv2.release();
  m_pdCoeffs.reset();
  m_nOrder = -1;
  m_pCalCovar.reset();
  m_pCalCovarLM.reset();
  m_pSubtractor.reset();
  m_pSubtractorMemory.reset();
}

void CRTCentroidDTCProcess::SetGradientThresholdWidth(float f) {
  m_fGradientThresholdWidth = f;
  m_fMinAccMassWidth = MIN_ACC_WIDTH_FAC * f;
  m_fMaxAccMassWidth = MAX_ACC_WIDTH_FAC * f;
}

// k = sqrt(Veff) / (72 Lteff), in single precision.
double CRTCentroidDTCProcess::flightTimeFactor() const { return std::sqrt(m_fVeff) / (72.0f * m_fLteff); }

template <class M>
bool CRTCentroidDTCProcess::acceptable(const M* masses, const void* data, long n) const {
  if (!positive(m_fResolution) || !positive(m_fLteff) || !positive(m_fVeff) || !positive(flightTimeFactor()))
    return false;
  if (n > INT_MAX) return false;
  if (n < 1) return true;
  if (masses == nullptr || data == nullptr) return false;
  // Masses that step down would give cells of negative length.
  double previous = 0;
  for (long i = 0; i < n; ++i) {
    const auto m = static_cast<double>(masses[i]);
    if (!(m >= previous) || !std::isfinite(m)) return false;
    previous = m;
  }
  return true;
}

long CRTCentroidDTCProcess::MaxAxisBins(long lNumDataPoints) {
  const long points = std::clamp(lNumDataPoints, 0L, long{INT_MAX});
  return std::min(kAxisBinFloor + kAxisBinsPerPoint * points, long{borealtek_zvraw_version_1::kMaxGridIndices});
}

template <class M>
int CRTCentroidDTCProcess::axisBins(const M* masses, int points, double& u0) const {
  const int bins = -SinhAxis(masses, points, nullptr, 0, kSinhAxisStep, m_fResolution, flightTimeFactor(), u0);
  return bins <= MaxAxisBins(points) ? bins : 0;
}

bool CRTCentroidDTCProcess::AxisTooLong(const float* pfMasses, const float* pData, long lNumDataPoints) const {
  // With settings and masses sound, only the bin cap leaves no axis.
  double u0 = 0;
  return lNumDataPoints >= 1 && acceptable(pfMasses, pData, lNumDataPoints) &&
         axisBins(pfMasses, static_cast<int>(lNumDataPoints), u0) == 0;
}

template <class M, class Y>
bool CRTCentroidDTCProcess::run(const M* masses, const Y* data, long n, DoubleArray& positions,
                                FloatArray& positionSigmas, FloatArray& values, FloatArray& valueSigmas,
                                long& numPeaks) const {
  auto fail = [&numPeaks] {
    numPeaks = 0;
    return false;
  };
  if (!acceptable(masses, data, n)) return fail();
  const double k = flightTimeFactor();
  const int points = static_cast<int>(n);
  double u0 = 0;
  const int bins = points >= 1 ? axisBins(masses, points, u0) : 0;
  // With settings and masses sound, only the bin cap leaves no axis.
  if (points >= 1 && bins == 0) return fail();
  try {
    int count = -1;
    const AxisMade axis{points >= 1 ? static_cast<double>(masses[0]) : 0.0, m_fResolution, k, bins};
    if (bins >= 2 && axis == m_axisMade) {
      count = bins;
      borealtek_zvraw_version_1::resampleKeepingSum(masses, data, points, m_LogX.data.get(), m_Rebinned.data.get(),
                                                    count);
    } else {
      m_axisMade = {};
      count = SinhRebin(masses, data, points, m_LogX.data, m_Rebinned.data, m_LogX.length, kSinhAxisStep,
                        m_fResolution, k, u0);
      m_Rebinned.length = m_LogX.length;
      if (count >= 2) m_axisMade = axis;
    }
    if (count < 0) return true;
    if (!AllocateArray(positions, count) || !AllocateArray(positionSigmas, count) || !AllocateArray(values, count) ||
        !AllocateArray(valueSigmas, count))
      return fail();
    float* background = nullptr;
    if (m_bDoBackgroundSubtract) {
      if (!m_pSubtractor) m_pSubtractor = std::make_unique<ABS>(20, 10, 0.45);
      if (m_Background.length < m_Rebinned.length) {
        m_Background.release();
        m_Background.data = std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(m_Rebinned.length));
        m_Background.length = m_Rebinned.length;
      }
      if (!m_pSubtractorMemory) m_pSubtractorMemory = std::make_unique<zvraw::ABSWorkspace>();
      if (m_pSubtractor->ABSFast(m_LogX.data.get(), m_Rebinned.data.get(), count, m_Background.data.get(),
                                 *m_pSubtractorMemory) != ABS::OK)
        return fail();
      background = m_Background.data.get();
    }
    // Without smoothing the peaks are sought in the rebinned signal itself.
    const float* target = m_Rebinned.data.get();
    if (m_bDoSmooth) {
      if (!Triangle(m_nSmoothWidth, m_Rebinned.data.get(), count, m_Smoothed.data, m_Smoothed.length)) return fail();
      target = m_Smoothed.data.get();
    }
    const int smoothWidth = m_nSmoothWidth < INT_MAX ? m_nSmoothWidth + 1 : INT_MAX;
    if (!PeakDetectImp2(background, m_Rebinned.data.get(), target, count, kPeakWidthBins, smoothWidth,
                        m_bNormaliseGradient, m_fGradientThresholdWidth, m_fGradientThreshold, m_nMaxPeakWidth,
                        m_fAbsoluteThreshold, m_fMinPeakValue, m_Deriv1.data, m_Deriv2.data, m_Deriv1.length,
                        m_Deriv2.length, m_nFirstDiffWidth, m_nSecondDiffWidth, m_bCentroidArea, m_nCentroidPercentage,
                        m_fMinAccMassWidth, m_fMaxAccMassWidth, positions.get(), positionSigmas.get(), values.get(),
                        valueSigmas.get(), numPeaks))
      return fail();
    // The finder writes no sigmas then: the caller gets no stale memory.
    if (!m_bNormaliseGradient) {
      for (long i = 0; i < numPeaks; ++i) positionSigmas[i] = valueSigmas[i] = 0.0f;
    }
    (void)SinhBinsToMass(m_LogX.data.get(), count, kSinhAxisStep, m_fResolution, k, u0, positions.get(),
                         positionSigmas.get(), numPeaks);
    return !m_bDoDeadtimeCorrection || DeadTimeCorrectPeaks(positions.get(), values.get(), valueSigmas.get(), numPeaks);
  } catch (const std::bad_alloc&) {
    (void)fail();
    throw;  // no memory is not a failed centroiding: the caller says which
  }
}

bool CRTCentroidDTCProcess::RTCentroidDTC(const double* pdMasses, const unsigned short* pData, long lNumDataPoints,
                                          DoubleArray& pdPeakPositions, FloatArray& pfPeakPosSigmas,
                                          FloatArray& pfPeakValues, FloatArray& pfPeakValSigmas,
                                          long& lNumPeaks) const {
  return run(pdMasses, pData, lNumDataPoints, pdPeakPositions, pfPeakPosSigmas, pfPeakValues, pfPeakValSigmas,
             lNumPeaks);
}

bool CRTCentroidDTCProcess::RTCentroidDTC(const double* pdMasses, const float* pData, long lNumDataPoints,
                                          DoubleArray& pdPeakPositions, FloatArray& pfPeakPosSigmas,
                                          FloatArray& pfPeakValues, FloatArray& pfPeakValSigmas,
                                          long& lNumPeaks) const {
  return run(pdMasses, pData, lNumDataPoints, pdPeakPositions, pfPeakPosSigmas, pfPeakValues, pfPeakValSigmas,
             lNumPeaks);
}

// Float masses are used as they are: widened on reading, they give what a
// copy into doubles gives.
bool CRTCentroidDTCProcess::PPCentroidDTC(const float* pfMasses, const float* pData, long lNumDataPoints,
                                          DoubleArray& pdPeakPositions, FloatArray& pfPeakPosSigmas,
                                          FloatArray& pfPeakValues, FloatArray& pfPeakValSigmas,
                                          long& lNumPeaks) const {
  return run(pfMasses, pData, lNumDataPoints, pdPeakPositions, pfPeakPosSigmas, pfPeakValues, pfPeakValSigmas,
             lNumPeaks);
}

bool CRTCentroidDTCProcess::DeadTimeCorrectPeaks(double* pdPeakPositions, float* pfPeakValues,
                                                 float* pfPeakValueSigmas, long lNumPeaks) const {
  const double k = flightTimeFactor();
  const float pushes = m_fCycleTime * m_fPusherFrequency;
  const float npPushes = m_fNpMultiplier * pushes;
  if (!(m_fResolution > 0) || !(npPushes > 0) || m_pDeadTimeTable == nullptr) return true;
  if (pdPeakPositions == nullptr || pfPeakValues == nullptr || pfPeakValueSigmas == nullptr) return lNumPeaks <= 0;
  bool result = true;
  for (long i = 0; i < lNumPeaks; ++i) {
    // First the mass with the NP pushes, then the area with all pushes.
    float area = pfPeakValues[i], areaSigma = pfPeakValueSigmas[i];
    const bool massDone = DeadTimeCorrectPeak(pdPeakPositions[i], area, areaSigma, k, npPushes);
    double mass = pdPeakPositions[i];
    const bool areaDone = DeadTimeCorrectPeak(mass, pfPeakValues[i], pfPeakValueSigmas[i], k, pushes);
    if (!massDone || !areaDone) {
      pfPeakValueSigmas[i] = -pfPeakValueSigmas[i];
      result = false;
    }
  }
  return result;
}

// No correction is made yet: every peak is left as it is.
bool CRTCentroidDTCProcess::DeadTimeCorrectPeak(double& /*dMass*/, float& /*fArea*/, float& /*fAreaSigma*/,
                                                double /*dCtof*/, float /*fNp*/) {
  return true;
}
