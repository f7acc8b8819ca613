#include "formats/scans/ZVRawFunctionData.h"

#include <new>
#include <utility>

#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/scans/HeldDataFiles.h"
#include "formats/scans/ScanReadAhead.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

ZVRawFunctionData::ZVRawFunctionData() = default;
ZVRawFunctionData::~ZVRawFunctionData() = default;

// ---- setup ----

int ZVRawFunctionData::setExternalObjects(const ZVRawFunctionDescriptors* pDescriptors,
                                          ZVRawFunctionScanIndices* pScanIndices,
                                          const ZVRawExtendedStats* pExtendedStats) {
  m_pFunctionDescriptors = pDescriptors;
  m_pScanIndices = pScanIndices;
  m_pExtendedStats = pExtendedStats;
  return ZVRAW_OK;
}

int ZVRawFunctionData::setExternalObject(const ZVRawExternalLumavent* pExternalLumavent) {
  m_pExternalLumavent = pExternalLumavent;
  return ZVRAW_OK;
}

int ZVRawFunctionData::setCalibration(const FunctionCalibration* pCali) {
  m_pFunctionCalibration = pCali;
  return ZVRAW_OK;
}

int ZVRawFunctionData::setHeldDataFiles(std::shared_ptr<zvraw::HeldDataFiles> files) {
  m_pHeldFiles = std::move(files);
  return ZVRAW_OK;
}

int ZVRawFunctionData::setFunctionNumber(unsigned int nFuncNum) {
  m_nFuncNum = nFuncNum;
  return ZVRAW_OK;
}

int ZVRawFunctionData::setUseTemperatureCorrection(bool b) {
  m_bUseTemperatureCorrection = b;
  return ZVRAW_OK;
}

int ZVRawFunctionData::setAbortLoad() {
  m_nAbortLoad.store(1, std::memory_order_relaxed);
  return ZVRAW_OK;
}

int ZVRawFunctionData::clearAbortLoad() {
  m_nAbortLoad.store(0, std::memory_order_relaxed);
  return ZVRAW_OK;
}

int ZVRawFunctionData::getPercentLoaded(float& fPercent) const {
  fPercent = m_fPercentLoaded.load(std::memory_order_relaxed);
  return ZVRAW_OK;
}

int ZVRawFunctionData::setPercentLoaded(float fPercent) {
  m_fPercentLoaded.store(fPercent, std::memory_order_relaxed);
  return ZVRAW_OK;
}

int ZVRawFunctionData::getLoadedScanCount(unsigned int& n) const {
  n = m_nLoadedScans;
  return ZVRAW_OK;
}

int ZVRawFunctionData::getScanStart(unsigned int& n) const {
  n = m_nScanStart;
  return ZVRAW_OK;
}

int ZVRawFunctionData::getScanEnd(unsigned int& n) const {
  n = m_nScanEnd;
  return ZVRAW_OK;
}

int ZVRawFunctionData::getMaxLoadedScanSize(unsigned int& n) const {
  n = m_nMaxLoadedScanSize;
  return ZVRAW_OK;
}

// ---- ownership ----

std::shared_ptr<ZVRawScan[]> ZVRawFunctionData::allocateScans(std::uint32_t n) {
  try {
    return std::shared_ptr<ZVRawScan[]>(new ZVRawScan[n]);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void ZVRawFunctionData::deleteScans() {
  // A share of a scan buffer is only let go; the buffer keeps its scans.
  // An array of one scan of our own is kept for the next one-scan load.
  if (m_nMyScanData == 1 && m_nScanBufferSize == 1 && m_pScans.use_count() == 1) m_spareScan = std::move(m_pScans);
  m_pScans.reset();
  m_nMyScanData = 1;
  m_nMaxLoadedScanSize = 0;
  m_nScanBufferSize = 0;
  // An index left behind would make the next batch grow an array that is gone.
  m_nScanBufferIdx = 0;
}

int ZVRawFunctionData::clean() {
  deleteScans();
  m_nLoadedScans = 0;
  m_nScanStart = 0;
  m_nScanEnd = 0;
  return ZVRAW_OK;
}

int ZVRawFunctionData::getAllScans(std::shared_ptr<ZVRawScan[]>& pScans, unsigned int& nScanStart,
                                   unsigned int& nScanEnd) {
  // Only scans that were loaded go: after a load that stopped early the
  // elements past them are empty.
  if (m_pScans && m_nLoadedScans > 0) {
    pScans = std::move(m_pScans);
    nScanStart = m_nScanStart;
    nScanEnd = m_nScanStart + m_nLoadedScans - 1;
  } else {
    pScans.reset();
    nScanStart = nScanEnd = 0;
  }
  return clean();
}

// ---- loaded scans ----

const ZVRawScan* ZVRawFunctionData::heldScan(unsigned int s) const {
  if (!m_pScans || s < m_nScanStart || s > m_nScanEnd) return nullptr;
  const std::uint32_t k = s - m_nScanStart;
  return k < m_nScanBufferSize ? &m_pScans[k] : nullptr;
}

ZVRawScan* ZVRawFunctionData::heldScan(unsigned int s) {
  return const_cast<ZVRawScan*>(std::as_const(*this).heldScan(s));
}

int ZVRawFunctionData::scanFor(unsigned int nScanNo, const ZVRawScan*& scan) const {
  if (!m_pScans) return ZVRAW_DATACLUSTER_NOTLOADED;
  scan = heldScan(nScanNo);
  return scan ? ZVRAW_OK : ZVRAW_SCANNUM_INVALID;
}

int ZVRawFunctionData::getScan(unsigned int nScanNo, const float** ppMasses, const float** ppIntensities,
                               unsigned int& nPeaks) const {
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  return scan->getScan(ppMasses, ppIntensities, nPeaks);
}

int ZVRawFunctionData::getScan(unsigned int nScanNo, float** ppMasses, float** ppIntensities, unsigned int& nPeaks) {
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  return heldScan(nScanNo)->getScan(ppMasses, ppIntensities, nPeaks);
}

int ZVRawFunctionData::getScan(unsigned int nScanNo, const float** ppMasses, const float** ppIntensities,
                               const float** ppDMasses, const float** ppDIntensities, unsigned int& nPeaks) const {
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  return scan->getScan(ppMasses, ppIntensities, ppDMasses, ppDIntensities, nPeaks);
}

int ZVRawFunctionData::getScan(unsigned int nScanNo, float* pMasses, float* pIntensities) const {
  if (!m_pScans) return ZVRAW_DATACLUSTER_NOTLOADED;
  // Elements past the loaded scans exist after a load that stopped early, but hold nothing.
  if (nScanNo < m_nScanStart || nScanNo - m_nScanStart >= m_nLoadedScans) return ZVRAW_SCANNUM_INVALID;
  const ZVRawScan* scan = heldScan(nScanNo);
  if (!scan) return ZVRAW_SCANNUM_INVALID;
  return scan->getScan(pMasses, pIntensities);
}

int ZVRawFunctionData::getScanFlags(unsigned int nScanNo, const char** ppcScanFlags, unsigned int& nPeaks) const {
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  return scan->getScanFlags(ppcScanFlags, nPeaks);
}

int ZVRawFunctionData::getAccMassScanFlags(unsigned int nScanNo, const char** ppcScanFlags,
                                           unsigned int& nPeaks) const {
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  return scan->getAccMassScanFlags(ppcScanFlags, nPeaks);
}

int ZVRawFunctionData::errorScan(unsigned int nScanNo, bool& bError) const {
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  bError = scan->getScanHasMassError();
  return ZVRAW_OK;
}

int ZVRawFunctionData::getDaughterMasses(unsigned int nScanNo, const float** ppMasses, unsigned int& nPeaks) const {
  if (!m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int type = 0;
  if (int rc = m_pFunctionDescriptors->getFunctionType(m_nFuncNum, type); rc != ZVRAW_OK) return rc;
  // MRM, ASMRM, ASNRMS and ASMRMQ.
  if (type != 9 && type != 29 && type != 30 && type != 31) return ZVRAW_FUNCTIONTYPE_INVALID;
  const ZVRawScan* scan = nullptr;
  if (int rc = scanFor(nScanNo, scan); rc != ZVRAW_OK) return rc;
  return scan->getDaughterMasses(ppMasses, nPeaks);
}

}  // namespace borealtek_zvraw_version_1
