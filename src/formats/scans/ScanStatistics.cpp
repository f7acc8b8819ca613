// The statistics of decoded scans: TIC and base peak, alone or for many
// scans at once, and the spacing of consecutive masses.

#include "formats/scans/ScanStatistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "formats/scans/EnhancedCalPacking.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

int ZVRawScan::setStats() {
  if (!m_pfMasses || !m_pfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  float tic = 0;
  int best = m_nPeaksInScan > 0 ? 0 : -1;
  float bestIntensity = -1;
  for (std::uint32_t i = 0; i < m_nPeaksInScan; ++i) {
    const float v = m_pfIntensities[i];
    if (!(v >= 0)) continue;
    tic += v;
    if (v > bestIntensity) {
      bestIntensity = v;
      best = static_cast<int>(i);
    }
  }
  m_fTIC = tic;
  m_nBPIIdx = best;
  return ZVRAW_OK;
}

float ZVRawScan::getBPI() const {
  const bool valid = m_nBPIIdx >= 0 && static_cast<std::uint32_t>(m_nBPIIdx) < m_nPeaksInScan && m_pfIntensities;
  return valid ? m_pfIntensities[m_nBPIIdx] : 0.0f;
}

float ZVRawScan::getBPMass() const {
  const bool valid = m_nBPIIdx >= 0 && static_cast<std::uint32_t>(m_nBPIIdx) < m_nPeaksInScan && m_pfMasses;
  return valid ? m_pfMasses[m_nBPIIdx] : 0.0f;
}

int ZVRawScan::getStats(float& fMinMassDelta, float& fMaxMassDelta, float& fAveMassDelta, float& fStdDevMassDelta,
                        unsigned int& nCount, float& fMassThreshold, float fCutOff) const {
  if (m_nPeaksInScan < 2 || !m_pfMasses) {
    fMinMassDelta = fMaxMassDelta = fAveMassDelta = fStdDevMassDelta = fMassThreshold = 0;
    nCount = 0;
    return ZVRAW_OK;
  }
  constexpr float kMax = std::numeric_limits<float>::max();
  const float* m = m_pfMasses.get();
  const std::uint32_t n = m_nPeaksInScan;
  float lo = kMax, hi = -kMax, threshold = -kMax;
  unsigned int count = 0;
  double sum = fAveMassDelta;
  for (std::uint32_t i = 1; i < n; ++i) {
    const float d = std::fabs(m[i] - m[i - 1]);
    hi = std::max(hi, d);
    if (d < fCutOff) {
      ++count;
      threshold = std::max(threshold, m[i]);
      lo = std::min(lo, fCutOff);  // spacings below the cut-off count as the cut-off
    } else {
      lo = std::min(lo, d);
    }
    sum += d;
  }
  const double ave = sum / (n - 1);
  double squares = fStdDevMassDelta;
  for (std::uint32_t i = 1; i < n; ++i) {
    const double e = std::fabs(m[i] - m[i - 1]) - ave;
    squares += e * e;
  }
  fMinMassDelta = lo;
  fMaxMassDelta = hi;
  fAveMassDelta = static_cast<float>(ave);
  fStdDevMassDelta = static_cast<float>(std::sqrt(squares / (n - 1)));
  nCount = count;
  fMassThreshold = threshold;
  return ZVRAW_OK;
}

void setTICs(std::span<ZVRawScan> scans) {
  constexpr std::size_t kGroup = 16;  // runs summed per call, four side by side
  for (std::size_t first = 0; first < scans.size(); first += kGroup) {
    const std::span<ZVRawScan> group = scans.subspan(first, std::min(kGroup, scans.size() - first));
    std::array<zvraw_packed::IntensityRun, kGroup> runs{};
    std::array<float, kGroup> tics{};
    for (std::size_t k = 0; k < group.size(); ++k) {
      const ZVRawScan::Arrays a = group[k].arrays();
      if (a.masses && a.intensities) runs[k] = {a.intensities, a.peaks};
    }
    zvraw_packed::sumCountedIntensities(std::span(runs).first(group.size()), tics);
    // A scan without its arrays keeps its TIC, as setStats leaves it.
    for (std::size_t k = 0; k < group.size(); ++k)
      if (runs[k].intensities != nullptr) group[k].setTIC(tics[k]);
  }
}

}  // namespace borealtek_zvraw_version_1
