#include "formats/scans/ZVRawScan.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <new>
#include <utility>

#include "formats/scans/ZVRawScanPackets.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

void ZVRawScan::DeleteScanData() {
  m_pfMasses.reset();
  m_pfIntensities.reset();
  m_pfDMasses.reset();
  m_pfDIntensities.reset();
  m_pfDaughterMasses.reset();
  m_pfMulBIntensities.reset();
  m_pcFlags.reset();
  m_pcAccMassFlags.reset();
  m_pcScanBuffer.reset();
  m_bScanError = false;
  m_nBPIIdx = -1;
  m_fTIC = 0;
  // A count that outlived its arrays would send every getter out of bounds.
  m_nPeaksInScan = 0;
  m_nArrayRoom = 0;
}

int ZVRawScan::failRead(int rc) {
  DeleteScanData();
  m_bKeepCompressed = false;
  return rc;
}

int ZVRawScan::getScan(const float** ppfMasses, const float** ppfIntensities, unsigned int& nPeaks) const {
  if (m_bKeepCompressed) return ZVRAW_COMPRESSED_DATA_ERROR;
  if (!ppfMasses || !ppfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  *ppfMasses = m_pfMasses.get();
  *ppfIntensities = m_pfIntensities.get();
  nPeaks = m_nPeaksInScan;
  return ZVRAW_OK;
}

int ZVRawScan::getScan(float** ppfMasses, float** ppfIntensities, unsigned int& nPeaks) {
  if (m_bKeepCompressed) return ZVRAW_COMPRESSED_DATA_ERROR;
  if (!ppfMasses || !ppfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  *ppfMasses = m_pfMasses.get();
  *ppfIntensities = m_pfIntensities.get();
  nPeaks = m_nPeaksInScan;
  return ZVRAW_OK;
}

int ZVRawScan::getScan(const float** ppfMasses, const float** ppfIntensities, const float** ppfDMasses,
                       const float** ppfDIntensities, unsigned int& nPeaks) const {
  if (m_bKeepCompressed) return ZVRAW_COMPRESSED_DATA_ERROR;
  if (!ppfMasses || !ppfIntensities || !ppfDMasses || !ppfDIntensities) return ZVRAW_NULLPOINTER_ERROR;
  *ppfMasses = m_pfMasses.get();
  *ppfIntensities = m_pfIntensities.get();
  *ppfDMasses = m_pfDMasses.get();
  *ppfDIntensities = m_pfDIntensities.get();
  nPeaks = m_nPeaksInScan;
  return ZVRAW_OK;
}

int ZVRawScan::getScan(float* pfMasses, float* pfIntensities) const {
  if (m_nPeaksInScan == 0) return ZVRAW_OK;
  if (!pfMasses || !pfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  if (m_bKeepCompressed) {
    std::uint32_t k = 0;
    return zvraw_scan_detail::visitStoredPeaks(m_pcScanBuffer.get(), m_nDataFormat, m_nPeaksInScan,
                                               [&](float mass, float intensity) {
                                                 pfMasses[k] = mass;
                                                 pfIntensities[k++] = intensity;
                                                 return true;
                                               });
  }
  std::copy_n(m_pfMasses.get(), m_nPeaksInScan, pfMasses);
  std::copy_n(m_pfIntensities.get(), m_nPeaksInScan, pfIntensities);
  return ZVRAW_OK;
}

namespace {

template <class T>
int handOut(const std::unique_ptr<T[]>& array, std::uint32_t n, const T** out, unsigned int& nPeaks, int absent) {
  if (!out) return ZVRAW_NULLPOINTER_ERROR;
  *out = array.get();
  nPeaks = array ? n : 0;
  return array ? ZVRAW_OK : absent;
}

}  // namespace

int ZVRawScan::getDaughterMasses(const float** ppfMasses, unsigned int& nPeaks) const {
  return handOut(m_pfDaughterMasses, m_nPeaksInScan, ppfMasses, nPeaks, ZVRAW_DATA_NULL);
}

int ZVRawScan::getScanFlags(const char** ppcScanFlags, unsigned int& nPeaks) const {
  return handOut(m_pcFlags, m_nPeaksInScan, ppcScanFlags, nPeaks, ZVRAW_SCANFLAGS_UNSUPPORTED);
}

int ZVRawScan::getAccMassScanFlags(const char** ppcScanFlags, unsigned int& nPeaks) const {
  return handOut(m_pcAccMassFlags, m_nPeaksInScan, ppcScanFlags, nPeaks, ZVRAW_SCANFLAGS_UNSUPPORTED);
}

int ZVRawScan::setScan(std::unique_ptr<float[]> pfMasses, std::unique_ptr<float[]> pfIntensities,
                       std::unique_ptr<char[]> pcPeakFlags, unsigned int nPeaks) {
  return setScan(std::move(pfMasses), std::move(pfIntensities), nullptr, nullptr, std::move(pcPeakFlags), nullptr,
                 nPeaks);
}

int ZVRawScan::setScan(std::unique_ptr<float[]> pfMasses, std::unique_ptr<float[]> pfIntensities,
                       std::unique_ptr<float[]> pfDMasses, std::unique_ptr<float[]> pfDIntensities,
                       std::unique_ptr<char[]> pcPeakFlags, std::unique_ptr<char[]> pcMassFlags, unsigned int nPeaks) {
  if (nPeaks > 0 && (!pfMasses || !pfIntensities)) return ZVRAW_NULLPOINTER_ERROR;
  DeleteScanData();
  m_pfMasses = std::move(pfMasses);
  m_pfIntensities = std::move(pfIntensities);
  m_pfDMasses = std::move(pfDMasses);
  m_pfDIntensities = std::move(pfDIntensities);
  m_pcFlags = std::move(pcPeakFlags);
  m_pcAccMassFlags = std::move(pcMassFlags);
  m_nPeaksInScan = nPeaks;
  m_bKeepCompressed = false;
  return ZVRAW_OK;
}

int ZVRawScan::getSumIntensity(float& fIntensity, float fLowMass, float fHighMass, float fWindow, bool bDaughters,
                               bool bUnsorted) const {
  const float start = fLowMass - fWindow / 2;
  const float end = fHighMass + fWindow / 2;
  // No scan array carries daughters when kept compressed, so the same
  // refusal holds there rather than a sum over the wrong masses.
  if (bDaughters && !m_pfDaughterMasses) return ZVRAW_SCANREAD_ERROR;
  float sum = 0;
  if (m_bKeepCompressed) {
    const int rc = zvraw_scan_detail::visitStoredPeaks(m_pcScanBuffer.get(), m_nDataFormat, m_nPeaksInScan,
                                                       [&](float mass, float intensity) {
                                                         if (mass < start) return true;
                                                         if (mass > end) return false;
                                                         sum += intensity;
                                                         return true;
                                                       });
    if (rc != ZVRAW_OK) return rc;
  } else if (m_nPeaksInScan > 0) {
    const float* masses = bDaughters ? m_pfDaughterMasses.get() : m_pfMasses.get();
    if (bUnsorted) {
      for (std::uint32_t i = 0; i < m_nPeaksInScan; ++i)
        if (masses[i] >= start && masses[i] <= end) sum += m_pfIntensities[i];
    } else {
      const unsigned i0 = zvraw_packed::getNearestIndexGreaterThan(masses, m_nPeaksInScan, start);
      const unsigned i1 = zvraw_packed::getNearestIndexGreaterThan(masses, m_nPeaksInScan, end);
      for (unsigned i = i0; i < i1; ++i) sum += m_pfIntensities[i];
    }
  }
  fIntensity = sum;
  return ZVRAW_OK;
}

char ZVRawScan::GetInterferenceFlag(const float& fMassSigma) { return fMassSigma < 0 ? 1 : NO_FLAG; }

char ZVRawScan::GetSaturationFlag(const int& nPeak) const {
  const bool valid = m_pfDIntensities && nPeak >= 0 && static_cast<std::uint32_t>(nPeak) < m_nPeaksInScan;
  return valid && m_pfDIntensities[nPeak] < 0 ? ENHANCED_CAL_FLAGS_PEAK_ERROR_MASK : NO_FLAG;
}

void ZVRawScan::copyCounts(const ZVRawScan& s) {
  m_nPeaksInScan = s.m_nPeaksInScan;
  m_bScanError = s.m_bScanError;
  m_bKeepCompressed = s.m_bKeepCompressed;
  m_nDataFormat = s.m_nDataFormat;
  m_fTIC = s.m_fTIC;
  m_nBPIIdx = s.m_nBPIIdx;
}

int ZVRawScan::moveScan(ZVRawScan* pTargetScan, ZVRawScan* pSourceScan) {
  if (!pTargetScan || !pSourceScan) return ZVRAW_ERROR;
  if (pTargetScan == pSourceScan) return ZVRAW_OK;
  ZVRawScan& t = *pTargetScan;
  ZVRawScan& s = *pSourceScan;
  t.DeleteScanData();
  t.m_pfMasses = std::move(s.m_pfMasses);
  t.m_pfIntensities = std::move(s.m_pfIntensities);
  t.m_pfDMasses = std::move(s.m_pfDMasses);
  t.m_pfDIntensities = std::move(s.m_pfDIntensities);
  t.m_pfDaughterMasses = std::move(s.m_pfDaughterMasses);
  t.m_pfMulBIntensities = std::move(s.m_pfMulBIntensities);
  t.m_pcFlags = std::move(s.m_pcFlags);
  t.m_pcAccMassFlags = std::move(s.m_pcAccMassFlags);
  t.m_pcScanBuffer = std::move(s.m_pcScanBuffer);
  t.copyCounts(s);
  t.m_nArrayRoom = s.m_nArrayRoom;  // the arrays moved with it
  s.DeleteScanData();
  s.m_bKeepCompressed = false;
  return ZVRAW_OK;
}

namespace {

template <class T>
bool copyArray(std::unique_ptr<T[]>& to, const std::unique_ptr<T[]>& from, std::uint64_t n) {
  if (!from) return true;
  to.reset(new (std::nothrow) T[n]);
  if (!to) return false;
  std::copy(from.get(), from.get() + n, to.get());
  return true;
}

}  // namespace

int ZVRawScan::copyScan(ZVRawScan* pTargetScan, const ZVRawScan* pSourceScan) {
  if (!pTargetScan || !pSourceScan) return ZVRAW_ERROR;
  if (pTargetScan == pSourceScan) return ZVRAW_OK;
  ZVRawScan& t = *pTargetScan;
  const ZVRawScan& s = *pSourceScan;
  t.DeleteScanData();
  const std::uint64_t n = s.m_nPeaksInScan;
  const std::uint64_t runBytes =
      s.m_bKeepCompressed ? zvraw_packed::getBytesPerScan(s.m_nDataFormat, s.m_nPeaksInScan) : 0;
  const bool copied = copyArray(t.m_pfMasses, s.m_pfMasses, n) && copyArray(t.m_pfIntensities, s.m_pfIntensities, n) &&
                      copyArray(t.m_pfDMasses, s.m_pfDMasses, n) &&
                      copyArray(t.m_pfDIntensities, s.m_pfDIntensities, n) &&
                      copyArray(t.m_pfDaughterMasses, s.m_pfDaughterMasses, n) &&
                      copyArray(t.m_pfMulBIntensities, s.m_pfMulBIntensities, n) &&
                      copyArray(t.m_pcFlags, s.m_pcFlags, n) && copyArray(t.m_pcAccMassFlags, s.m_pcAccMassFlags, n) &&
                      copyArray(t.m_pcScanBuffer, s.m_pcScanBuffer, runBytes);
  if (!copied) {
    t.DeleteScanData();
    return ZVRAW_SCANMEMALLOC_ERROR;
  }
  t.copyCounts(s);
  return ZVRAW_OK;
}

int ZVRawScan::moveScans(ZVRawScan* pTargetScans, ZVRawScan* pSourceScans, unsigned int nScansToMove) {
  if (!pTargetScans || !pSourceScans) return ZVRAW_ERROR;
  // Overlapping ranges move like memmove: a later target goes first, so no
  // scan is overwritten before it has moved.
  if (std::less<>{}(pSourceScans, pTargetScans)) {
    for (unsigned int i = nScansToMove; i-- > 0;) (void)moveScan(pTargetScans + i, pSourceScans + i);
  } else {
    for (unsigned int i = 0; i < nScansToMove; ++i) (void)moveScan(pTargetScans + i, pSourceScans + i);
  }
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
