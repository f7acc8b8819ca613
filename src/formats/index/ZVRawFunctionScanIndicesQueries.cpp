// Chromatograms and retention-time lookups over the scan index records.

#include "formats/index/ZVRawFunctionScanIndices.h"

#include <cmath>
#include <shared_mutex>

#include "zorvalen/ZorvalenRawResultCodes.h"

int ZVRawFunctionScanIndices::chromatogram(unsigned int f, unsigned int start, unsigned int end, bool whole, bool bpi,
                                           float* values, float* times) const {
  if (!m_bHasArrays) return ZVRAW_OK;  // nothing to give
  if (f >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (values == nullptr || times == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const std::shared_lock lock(m_storedGuard);
  const FunctionIndex& fn = m_functions[f];
  if (whole) {
    if (fn.scans == 0) return ZVRAW_OK;
    start = 0;
    end = fn.scans - 1;
  } else if (start >= fn.scans || end >= fn.scans) {
    return ZVRAW_SCANRANGE_INVALID;
  }
  for (unsigned int s = start; s <= end && start <= end; ++s) {
    const ZVRawFunctionScanIndexImp r = recordAt(fn, s);
    values[s - start] = bpi ? r.getBasePeakIntensity() : r.getTic();
    times[s - start] = r.getRt();
  }
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::getTICChromatogram(unsigned int nFuncNum, float* pTIC, float* pTime) const {
  return chromatogram(nFuncNum, 0, 0, true, false, pTIC, pTime);
}
int ZVRawFunctionScanIndices::getBPIChromatogram(unsigned int nFuncNum, float* pBPI, float* pTime) const {
  return chromatogram(nFuncNum, 0, 0, true, true, pBPI, pTime);
}
int ZVRawFunctionScanIndices::getTICChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                                 float* pTIC, float* pTime) const {
  return chromatogram(nFuncNum, nStartScan, nEndScan, false, false, pTIC, pTime);
}
int ZVRawFunctionScanIndices::getBPIChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                                 float* pBPI, float* pTime) const {
  return chromatogram(nFuncNum, nStartScan, nEndScan, false, true, pBPI, pTime);
}

// ---- time lookups ----
// Linear on purpose: the RTs of a damaged file need not ascend, and the
// answers must be those of a walk from scan 0.

int ZVRawFunctionScanIndices::getScanFromRT(unsigned int nFuncNum, float fRT, unsigned int& nScan,
                                            ZVRawScanToRTConversion eScanToRTConversion) const {
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const std::shared_lock lock(m_storedGuard);
  const FunctionIndex& fn = m_functions[nFuncNum];
  const auto rt = [&](unsigned int s) { return rtAt(fn, s); };
  unsigned int i = 0;
  for (;; ++i) {
    if (i == fn.scans) return ZVRAW_RETENTIONTIME_INVALID;
    if (rt(i) >= fRT) break;
    if (i + 1 == fn.scans && fRT > rt(i)) {
      nScan = i;  // past the last scan: the last scan, whatever the mode
      return ZVRAW_OK;
    }
  }
  switch (eScanToRTConversion) {
    case NEAREST_GREATER:
      nScan = i;
      break;
    case NEAREST_LESS:
      if (i == 0 && rt(0) > fRT) return ZVRAW_RETENTIONTIME_INVALID;
      nScan = i > 0 ? i - 1 : 0;
      break;
    default:  // NEAREST: the earlier scan only when strictly nearer
      nScan = (i > 0 && fRT - rt(i - 1) < rt(i) - fRT) ? i - 1 : i;
  }
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::getScanRangeFromTimeRange(const unsigned int& nFuncNum, const float& fRTStart,
                                                        const float& fRTEnd, unsigned int& nScanStart,
                                                        unsigned int& nScanEnd) const {
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  // NaN orders with nothing: it would pass every test below and give a
  // range whose first scan lies after its last.
  if (std::isnan(fRTStart) || std::isnan(fRTEnd) || fRTStart > fRTEnd) return ZVRAW_RETENTIONTIME_INVALID;
  const std::shared_lock lock(m_storedGuard);
  const FunctionIndex& fn = m_functions[nFuncNum];
  if (fn.scans == 0) return ZVRAW_FUNCNUM_INVALID;
  const auto rt = [&](unsigned int s) { return rtAt(fn, s); };
  const unsigned int last = fn.scans - 1;
  if (fRTStart > rt(last) || rt(0) > fRTEnd) return ZVRAW_RETENTIONTIME_INVALID;
  // The first scan at or after t from `from` on, moved back one when the one before is strictly nearer.
  const auto nearest = [&](float t, unsigned int from) -> unsigned int {
    unsigned int s = from;
    while (s < last && !(rt(s) >= t)) ++s;
    return (s > 0 && t - rt(s - 1) < rt(s) - t) ? s - 1 : s;
  };
  const unsigned int s0 = nearest(fRTStart, 0);
  nScanStart = s0;
  nScanEnd = fRTEnd > rt(last) ? last : nearest(fRTEnd, s0);
  return ZVRAW_OK;
}
