// What loaded scans and the lent objects answer: mass and MRM chromatograms,
// peak counts, per-scan summaries and extended statistics, and the mean
// temperature correction.

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <utility>

#include "formats/scans/ScanWindowSums.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/scans/ZVRawFunctionData.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// MRM-style formats hold one peak per segment, in segment order, so their
// masses are not sorted.
bool unsortedFormat(unsigned int format) { return format == 2 || format == 11; }

}  // namespace

int ZVRawFunctionData::getMassChromatogram(float fLowMass, float fHighMass, float fWindow,
                                           const ZVRawFunctionScanIndices* indices, float* pIntensity, float* pTime,
                                           bool bDaughters) const {
  if (!pIntensity || (pTime && !indices) || !m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int format = 0;
  if (int rc = m_pFunctionDescriptors->getDataFormat(m_nFuncNum, format); rc != ZVRAW_OK) return rc;
  const bool unsorted = unsortedFormat(format);
  const std::uint32_t loaded = m_pScans ? m_nLoadedScans : 0;
  // Blocks of scans summed together (see ScanWindowSums.h).
  constexpr std::uint32_t kBlock = 256;
  const ZVRawScan* block[kBlock];
  for (std::uint32_t i0 = 0; i0 < loaded; i0 += kBlock) {
    const std::uint32_t n = std::min(kBlock, loaded - i0);
    for (std::uint32_t k = 0; k < n; ++k) {
      const std::uint32_t i = i0 + k;
      block[k] = heldScan(m_nScanStart + i);
      if (!block[k]) return ZVRAW_SCANNUM_INVALID;
      if (pTime)
        if (int rc = indices->getRTFromScan(m_nFuncNum, m_nScanStart + i, pTime[i]); rc != ZVRAW_OK) return rc;
    }
    if (int rc = sumScansInWindow(block, n, fLowMass, fHighMass, fWindow, bDaughters, unsorted, pIntensity + i0);
        rc != ZVRAW_OK)
      return rc;
  }
  return ZVRAW_OK;
}

int ZVRawFunctionData::getMassChromatogram(float fMass, float fWindow, const ZVRawFunctionScanIndices* indices,
                                           float* pIntensity, float* pTime, bool bDaughters) const {
  return getMassChromatogram(fMass, fMass, fWindow, indices, pIntensity, pTime, bDaughters);
}

int ZVRawFunctionData::getMassChromatogram(unsigned int nStartScan, unsigned int nEndScan, float fLowMass,
                                           float fHighMass, float fWindow, const ZVRawFunctionScanIndices* indices,
                                           float* pIntensity, float* pTime, bool bDaughters) const {
  // Inside the scans actually loaded: after a load that stopped early the
  // elements past them are empty and would read as zero intensity.
  if (!m_pScans || m_nLoadedScans == 0 || nStartScan > nEndScan || nStartScan < m_nScanStart ||
      nEndScan - m_nScanStart >= m_nLoadedScans)
    return ZVRAW_SCANRANGE_INVALID;
  if (!pIntensity || !indices || !m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int format = 0;
  if (int rc = m_pFunctionDescriptors->getDataFormat(m_nFuncNum, format); rc != ZVRAW_OK) return rc;
  const bool unsorted = unsortedFormat(format);
  for (std::uint32_t s = nStartScan, k = 0;; ++s, ++k) {
    float rt = 0;
    if (int rc = indices->getRTFromScan(m_nFuncNum, s, rt); rc != ZVRAW_OK) return rc;
    if (pTime) pTime[k] = rt;
    // The window's centre masses follow the lock-mass gain; its width does not.
    float g = 1.0f, low = fLowMass, high = fHighMass;
    if (getLockMassGainFromRT(rt, g) == ZVRAW_OK && std::isfinite(g) && g > 0) {
      low /= g;
      high /= g;
    }
    const ZVRawScan* scan = heldScan(s);
    if (!scan) return ZVRAW_SCANRANGE_INVALID;
    if (int rc = scan->getSumIntensity(pIntensity[k], low, high, fWindow, bDaughters, unsorted); rc != ZVRAW_OK)
      return rc;
    if (s == nEndScan) return ZVRAW_OK;
  }
}

int ZVRawFunctionData::getMassChromatogram(unsigned int nStartScan, unsigned int nEndScan, float fMass, float fWindow,
                                           const ZVRawFunctionScanIndices* indices, float* pIntensity, float* pTime,
                                           bool bDaughters) const {
  return getMassChromatogram(nStartScan, nEndScan, fMass, fMass, fWindow, indices, pIntensity, pTime, bDaughters);
}

int ZVRawFunctionData::getMRMChromatogram(unsigned int nChro, const ZVRawFunctionScanIndices* indices,
                                          float* pIntensity, float* pTime) const {
  if (!m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int format = 0;
  if (int rc = m_pFunctionDescriptors->getDataFormat(m_nFuncNum, format); rc != ZVRAW_OK) return rc;
  if (!unsortedFormat(format)) return ZVRAW_FUNCTIONTYPE_INVALID;
  if (!pIntensity || (pTime && !indices)) return ZVRAW_NULLPOINTER_ERROR;
  const std::uint32_t loaded = m_pScans ? m_nLoadedScans : 0;
  for (std::uint32_t i = 0; i < loaded; ++i) {
    const ZVRawScan* scan = heldScan(m_nScanStart + i);
    if (!scan) return ZVRAW_SCANNUM_INVALID;
    const float* masses = nullptr;
    const float* intensities = nullptr;
    unsigned int n = 0;
    if (int rc = scan->getScan(&masses, &intensities, n); rc != ZVRAW_OK) return rc;
    // A scan that lacks the transition (a shorter scan) contributes nothing.
    pIntensity[i] = nChro < n && intensities ? intensities[nChro] : 0.0f;
    if (pTime)
      if (int rc = indices->getRTFromScan(m_nFuncNum, m_nScanStart + i, pTime[i]); rc != ZVRAW_OK) return rc;
  }
  return ZVRAW_OK;
}

int ZVRawFunctionData::getLockMassGainFromRT(float fRT, float& fLockMassGain) const {
  if (!m_pExternalLumavent) return ZVRAW_ERROR;
  return m_pExternalLumavent->getCorrection(fRT, fLockMassGain);
}

int ZVRawFunctionData::getMaxScanSize(unsigned int nStartScan, unsigned int nEndScan,
                                      unsigned int& nMaxScanSize) const {
  if (!m_pScanIndices) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int largest = 0;
  for (unsigned int s = nStartScan; s <= nEndScan; ++s) {
    unsigned int peaks = 0;
    if (int rc = m_pScanIndices->getPeaksInScan(m_nFuncNum, s, peaks); rc != ZVRAW_OK) return rc;
    if (peaks > largest) largest = peaks;
    if (s == nEndScan) break;  // an end of the largest scan number must not wrap
  }
  nMaxScanSize = largest;
  return ZVRAW_OK;
}

int ZVRawFunctionData::getMaxScanSize(unsigned int& nMaxScanSize) const {
  if (!m_pScanIndices) return ZVRAW_NULLPOINTER_ERROR;
  return m_pScanIndices->getMaxScanSize(m_nFuncNum, nMaxScanSize);
}

int ZVRawFunctionData::getScanSize(unsigned int nScan, unsigned int& nScanSize) const {
  if (!m_pScanIndices) return ZVRAW_NULLPOINTER_ERROR;
  return m_pScanIndices->getPeaksInScan(m_nFuncNum, nScan, nScanSize);
}

int ZVRawFunctionData::getStats(unsigned int, ScanStatsRecord* pScanStats) const {
  if (!m_pScanIndices || !pScanStats) return ZVRAW_NULLPOINTER_ERROR;
  std::span<ZVRawFunctionScanIndexImp> records;
  if (int rc = m_pScanIndices->getIndexArray(m_nFuncNum, records); rc != ZVRAW_OK)
    return rc == ZVRAW_NULLPOINTER_ERROR ? ZVRAW_ERROR : rc;  // no record array
  for (const ZVRawFunctionScanIndexImp& r : records) *pScanStats++ = r.getScanStats();
  return ZVRAW_OK;
}

int ZVRawFunctionData::getExtendedStatsFields(unsigned int nFuncNum,
                                              std::unique_ptr<ExtendedStatsRecord[]>& extendedStatsFields,
                                              int& nFieldCount) const {
  if (!m_pExtendedStats) return ZVRAW_NULLPOINTER_ERROR;
  return m_pExtendedStats->getExtendedStatsFields(nFuncNum, extendedStatsFields, nFieldCount);
}

int ZVRawFunctionData::getAvailableExtendedStatsFields(unsigned int nFuncNum,
                                                       std::vector<unsigned int>& nWhichItems) const {
  nWhichItems.clear();
  if (!m_pExtendedStats) return ZVRAW_NULLPOINTER_ERROR;
  if (!m_pExtendedStats->isValidStats(nFuncNum)) return ZVRAW_OK;
  for (unsigned int id = 0; id <= MAX_FIELD_ID; ++id)
    if (m_pExtendedStats->isValidField(nFuncNum, id)) nWhichItems.push_back(id);
  return ZVRAW_OK;
}

int ZVRawFunctionData::getExtendedStats(unsigned int nFuncNum,
                                        std::unique_ptr<const ZVRawExtStatsRecord*[]>& pExtendedScanStats) const {
  pExtendedScanStats.reset();
  if (!m_pExtendedStats || !m_pScanIndices) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int n = 0;
  if (int rc = m_pScanIndices->getScansInFunction(m_nFuncNum, n); rc != ZVRAW_OK) return rc;
  if (n == 0) return ZVRAW_OK;
  std::unique_ptr<const ZVRawExtStatsRecord*[]> records(new (std::nothrow) const ZVRawExtStatsRecord*[n]);
  if (!records) return ZVRAW_MEMALLOC_ERROR;
  // As many entries as were allocated, whichever function nFuncNum names.
  for (unsigned int s = 0; s < n; ++s)
    if (int rc = m_pExtendedStats->getStatsRecord(nFuncNum, s, records[s]); rc != ZVRAW_OK) return rc;
  pExtendedScanStats = std::move(records);
  return ZVRAW_OK;
}

int ZVRawFunctionData::getMeanTemperatureCorrection(unsigned int, unsigned int nStartScan, unsigned int nEndScan,
                                                    float& fAverageCorrection) const {
  fAverageCorrection = 1.0f;
  if (!m_bUseTemperatureCorrection) return ZVRAW_OK;
  if (!m_pScanIndices) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int n = 0;
  if (int rc = m_pScanIndices->getScansInFunction(m_nFuncNum, n); rc != ZVRAW_OK) return rc;
  if (nStartScan >= n || nStartScan > nEndScan || nEndScan >= n) return ZVRAW_SCANNUM_INVALID;
  if (!m_pExtendedStats || !m_pExtendedStats->isValidStats(m_nFuncNum) ||
      !m_pExtendedStats->isValidField(m_nFuncNum, USETEMP_CORRECTION))
    return ZVRAW_OK;
  double sumT = 0, sumK = 0;
  unsigned int counted = 0;
  for (unsigned int s = nStartScan; s <= nEndScan; ++s) {
    const ZVRawExtStatsRecord* rec = nullptr;
    if (int rc = m_pExtendedStats->getStatsRecord(m_nFuncNum, s, rec); rc != ZVRAW_OK) return rc;
    if (rec->m_nUseTempCorrection != 0) {
      sumT += rec->m_fTempCorrection;
      sumK += rec->m_fTempCoefficient;
      ++counted;
    }
  }
  if (counted > 0 && m_pFunctionCalibration) {
    const double meanT = sumT / counted, meanK = sumK / counted;
    fAverageCorrection = static_cast<float>(1.0 - (meanT - m_pFunctionCalibration->calTemp()) * (meanK * 1e-6));
  }
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
