#include "processing/ZVSpectrum.h"

#include <algorithm>
#include <climits>

#include "formats/calibration/FunctionCalibration.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

std::unique_ptr<float[]> copyOf(const float* src, unsigned int n) {
  if (!src) return nullptr;
  auto a = std::make_unique_for_overwrite<float[]>(n);
  std::copy_n(src, n, a.get());
  return a;
}

// The first of the highest intensities in [from, to].
unsigned int firstMaximum(const float* y, unsigned int from, unsigned int to) {
  unsigned int best = from;
  for (unsigned int k = from + 1; k <= to; ++k)
    if (y[k] > y[best]) best = k;
  return best;
}

// The calibration takes an int count: longer spectra go in slices.
template <class Apply>
void inSlices(float* masses, unsigned int n, Apply apply) {
  while (n > 0) {
    const unsigned int part = std::min<unsigned int>(n, INT_MAX);
    apply(masses, static_cast<int>(part));
    masses += part;
    n -= part;
  }
}

}  // namespace

ZVSpectrum::ZVSpectrum(const ZVRAW_MASSTYPE* pfMass, const ZVRAW_INTENSITYTYPE* pfIntensity, unsigned int nPts) {
  assign(pfMass, pfIntensity, nPts, nullptr, nullptr);
}

ZVSpectrum::ZVSpectrum(const std::vector<float>& masses, const std::vector<float>& intensities) {
  const std::size_t n = std::min({masses.size(), intensities.size(), std::size_t{UINT_MAX}});
  assign(masses.data(), intensities.data(), static_cast<unsigned int>(n), nullptr, nullptr);
}

void ZVSpectrum::assign(const float* masses, const float* intensities, unsigned int n, const float* massSigmas,
                        const float* intensitySigmas) {
  if (n == 0 || !masses || !intensities) {
    (void)Clear();
    return;
  }
  // Copy before releasing anything: the source may be this spectrum.
  Array m = copyOf(masses, n), y = copyOf(intensities, n);
  Array ms = copyOf(massSigmas, n), ys = copyOf(intensitySigmas, n);
  m_pfMass = std::move(m);
  m_pfIntensity = std::move(y);
  m_pfMassSigmas = std::move(ms);
  m_pfIntensitySigmas = std::move(ys);
  m_nNumPts = n;
}

ZVRAW_RESULT ZVSpectrum::DoInitialise(const ZVRAW_MASSTYPE* masses, const ZVRAW_INTENSITYTYPE* intensities,
                                      unsigned int n, const ZVRAW_MASSTYPE* massSigmas,
                                      const ZVRAW_INTENSITYTYPE* intensitySigmas) {
  assign(masses, intensities, n, massSigmas, intensitySigmas);
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::DoInitialise() { return Clear(); }

ZVRAW_RESULT ZVSpectrum::DoInitialise(const ZVSpectrum& other) {
  assign(other.m_pfMass.get(), other.m_pfIntensity.get(), other.m_nNumPts, nullptr, nullptr);
  return ZVRAW_OK;
}

void ZVSpectrum::adopt(Array masses, Array intensities, unsigned int n) {
  if (n == 0 || !masses || !intensities) {
    (void)Clear();
    return;
  }
  m_pfMass = std::move(masses);
  m_pfIntensity = std::move(intensities);
  releaseSigmas();
  m_nNumPts = n;
}

void ZVSpectrum::release(Array& masses, Array& intensities, unsigned int& n) {
  masses = std::move(m_pfMass);
  intensities = std::move(m_pfIntensity);
  n = masses && intensities ? m_nNumPts : 0;
  (void)Clear();
}

ZVRAW_RESULT ZVSpectrum::Clear() {
  m_pfMass.reset();
  m_pfIntensity.reset();
  m_pfMassSigmas.reset();
  m_pfIntensitySigmas.reset();
  m_nNumPts = 0;
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::getStats(ZVRAW_MASSTYPE& fMinMassDelta, float& fMinMass, float& fMaxMass) const {
  const float* m = m_pfMass.get();
  if (m_nNumPts == 0 || !m) return ZVRAW_ERROR;
  fMinMass = m[0];
  fMaxMass = m[m_nNumPts - 1];
  if (m_nNumPts < 2) return ZVRAW_ERROR;
  float delta = m[1] - m[0];
  for (unsigned int i = 2; i < m_nNumPts; ++i)
    if (const float step = m[i] - m[i - 1]; step < delta) delta = step;
  fMinMassDelta = delta;
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::getBasePeak(unsigned int& nBasePeakIdx, ZVRAW_MASSTYPE fLowMassCutoff) const {
  if (m_nNumPts == 0) return ZVRAW_ERROR;
  if (!m_pfMass || !m_pfIntensity) return ZVRAW_NULLPOINTER_ERROR;
  const int start = getNearestIndexLessThan(m_pfMass.get(), m_nNumPts, fLowMassCutoff);
  nBasePeakIdx = firstMaximum(m_pfIntensity.get(), start < 0 ? 0u : static_cast<unsigned int>(start), m_nNumPts - 1);
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::getBasePeak(unsigned int& nBasePeakIdx, ZVRAW_MASSTYPE fLowMassCutoff,
                                     ZVRAW_MASSTYPE fHighMassCutoff) const {
  if (m_nNumPts == 0) return ZVRAW_ERROR;
  if (!m_pfMass || !m_pfIntensity) return ZVRAW_NULLPOINTER_ERROR;
  const int first = getNearestIndexGreaterThan(m_pfMass.get(), m_nNumPts, fLowMassCutoff);
  const int last = getNearestIndexLessThan(m_pfMass.get(), m_nNumPts, fHighMassCutoff);
  if (first < 0 || last < 0 || first > last) return ZVRAW_ERROR;
  nBasePeakIdx = firstMaximum(m_pfIntensity.get(), static_cast<unsigned int>(first), static_cast<unsigned int>(last));
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::applyThreshold(ZVRAW_INTENSITYTYPE fThreshold, bool bThresholdIsPercent,
                                        ZVRAW_MASSTYPE fLowMassCutoff) {
  if (m_nNumPts == 0) return ZVRAW_ERROR;
  if (!m_pfMass || !m_pfIntensity) return ZVRAW_NULLPOINTER_ERROR;
  float* m = m_pfMass.get();
  float* y = m_pfIntensity.get();
  float* ms = m_pfMassSigmas.get();
  float* ys = m_pfIntensitySigmas.get();
  float threshold = fThreshold;
  if (bThresholdIsPercent) {
    unsigned int base = 0;
    if (const ZVRAW_RESULT rc = getBasePeak(base, fLowMassCutoff); rc != ZVRAW_OK) return rc;
    threshold = y[base] * fThreshold / 100.0f;
  }
  unsigned int kept = 0;
  for (unsigned int k = 0; k < m_nNumPts; ++k) {
    if (!(y[k] > threshold)) continue;
    m[kept] = m[k];
    y[kept] = y[k];
    if (ms) ms[kept] = ms[k];
    if (ys) ys[kept] = ys[k];
    ++kept;
  }
  m_nNumPts = kept;
  return ZVRAW_OK;
}

std::pair<int, int> ZVSpectrum::Find(const float& startRange, const float& endEnd) const {
  constexpr std::pair<int, int> kNone{-1, -1};
  const float* m = m_pfMass.get();
  if (m_nNumPts == 0 || !m || m[0] > endEnd || startRange > m[m_nNumPts - 1]) return kNone;
  const int first = getNearestIndexGreaterThan(m, m_nNumPts, startRange);
  const int last = getNearestIndexLessThan(m, m_nNumPts, endEnd);
  if (first < 0 || last < 0 || first > last) return kNone;
  return {first, last};
}

std::vector<int> ZVSpectrum::Find(const MatchCriteria& criteria) const {
  std::vector<int> matches;
  const float target = criteria.GetTargetIon(), tolerance = criteria.GetTargetIonTolerance();
  const auto [first, last] = Find(target - tolerance, target + tolerance);
  if (first == -1) return matches;
  const float offset = criteria.GetConfirmatoryIon(), window = criteria.GetConfirmatoryIonTolerance();
  const float* m = m_pfMass.get();
  const float* y = m_pfIntensity.get();
  for (int i = first; i <= last; ++i) {
    const float confirm = m[i] + offset;
    const int p = Find(confirm - window, confirm + window).first;
    if (p != -1 && CheckIntensityRatio(y[i], y[p], criteria.GetIntensityRatio(), criteria.GetIntensityRatioTolerance()))
      matches.push_back(i);
  }
  return matches;
}

bool ZVSpectrum::CheckIntensityRatio(const float& targetIonInt, const float& confmatoryIonInt,
                                     const float& expectedRatio, const float& ionTolerance) const {
  const float upper = expectedRatio * (targetIonInt * (1.0f + ionTolerance / 100.0f));
  const float lower = expectedRatio * (targetIonInt * (1.0f - ionTolerance / 100.0f));
  return upper >= confmatoryIonInt && confmatoryIonInt >= lower;
}

ZVRAW_RESULT ZVSpectrum::ApplyMassGain(const float& gain) {
  if (gain == 1.0f) return ZVRAW_OK;
  float* m = m_pfMass.get();
  if (m)
    for (unsigned int k = 0; k < m_nNumPts; ++k) m[k] *= gain;
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::applyTemperatureCorrection(float fTempCorrection) {
  float* m = m_pfMass.get();
  if (!m) return ZVRAW_NULLPOINTER_ERROR;
  for (unsigned int k = 0; k < m_nNumPts; ++k) m[k] *= fTempCorrection;
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::calibrateSpec(const borealtek_calibrate_version_1::FunctionCalibration& rCali) {
  if (m_pfMass) inSlices(m_pfMass.get(), m_nNumPts, [&](float* p, int n) { rCali.calibrateMasses(p, n); });
  return ZVRAW_OK;
}

ZVRAW_RESULT ZVSpectrum::modifyCalibratedSpec(const borealtek_calibrate_version_1::FunctionCalibration& rCali) {
  if (m_pfMass) inSlices(m_pfMass.get(), m_nNumPts, [&](float* p, int n) { rCali.modifyMasses(p, n); });
  return ZVRAW_OK;
}
