#include "formats/scans/ZVRawFunctionScanIndices.h"

#include <limits>
#include <utility>

#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

// A path this set may store: present, and no longer than a path may be.
bool ZVRawFunctionScanIndices::usablePath(std::string_view path) {
  return !path.empty() && path.size() <= zvraw::kMaxPathLength;
}

ZVRawFunctionScanIndices::ZVRawFunctionScanIndices(unsigned int nFunctionCount) { initialiseBuffers(nFunctionCount); }

// ---- life cycle ----

int ZVRawFunctionScanIndices::initialiseBuffers(unsigned int nFuncCount) {
  m_nFunctionCount = nFuncCount;
  m_functions.resize(nFuncCount);  // existing entries stay as they are
  m_bHasArrays = true;
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::appendFunctions(unsigned int nFuncsToAppend) {
  if (nFuncsToAppend > std::numeric_limits<unsigned int>::max() - m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const std::size_t total = std::size_t{m_nFunctionCount} + nFuncsToAppend;
  try {
    // Functions appended while writing hold calibrated masses.
    FunctionIndex appended;
    appended.calibrated = true;
    if (!m_bHasArrays) m_functions.assign(m_nFunctionCount, appended);
    m_functions.resize(total, appended);
  } catch (const std::bad_alloc&) {
    return ZVRAW_SCANINDICESALLOC_ERROR;
  }
  m_bHasArrays = true;
  m_nFunctionCount = static_cast<unsigned int>(total);
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::setRawFilePath(std::string_view cRawFilePath) {
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  m_cDataClusterPath.assign(cRawFilePath);
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::DeleteIndices() {
  m_functions.clear();
  m_functions.shrink_to_fit();
  m_bHasArrays = false;
  m_bHasMaxSizes = false;
  return ZVRAW_OK;
}

ZVRawFunctionScanIndexImp ZVRawFunctionScanIndices::freshRecord(const FunctionIndex& fn) {
  ZVRawFunctionScanIndexImp fresh;
  fresh.useContinuumFlag() = fn.continuum ? 0 : 1;
  fresh.calibratedMasses() = fn.calibrated ? 1 : 0;
  return fresh;
}

const ZVRawFunctionScanIndices::FunctionIndex* ZVRawFunctionScanIndices::function(unsigned int f, int& rc) const {
  if (f >= m_nFunctionCount) {
    rc = ZVRAW_FUNCNUM_INVALID;
    return nullptr;
  }
  if (!m_bHasArrays) {
    rc = ZVRAW_ERROR;
    return nullptr;
  }
  rc = ZVRAW_OK;
  return &m_functions[f];
}

// ---- per scan ----

const ZVRawFunctionScanIndexImp* ZVRawFunctionScanIndices::scanRecord(unsigned int f, unsigned int s, int& rc) const {
  const FunctionIndex* fn = function(f, rc);
  if (!fn) return nullptr;
  if (!fn->hasRecords) {
    rc = ZVRAW_ERROR;
    return nullptr;
  }
  if (s >= fn->scans) {
    rc = ZVRAW_SCANNUM_INVALID;
    return nullptr;
  }
  return &fn->records[s];
}

ZVRawFunctionScanIndexImp* ZVRawFunctionScanIndices::scanRecord(unsigned int f, unsigned int s, int& rc) {
  return const_cast<ZVRawFunctionScanIndexImp*>(std::as_const(*this).scanRecord(f, s, rc));
}

int ZVRawFunctionScanIndices::getScansInFunction(unsigned int nFuncNum, unsigned int& nScans) const {
  int rc = ZVRAW_OK;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (rc == ZVRAW_FUNCNUM_INVALID) return rc;
  if (fn) nScans = fn->scans;
  return ZVRAW_OK;  // nothing written without arrays
}

int ZVRawFunctionScanIndices::setScansInFunction(unsigned int nFuncNum, unsigned int nScans) {
  int rc = ZVRAW_OK;
  if (!function(nFuncNum, rc)) return rc == ZVRAW_FUNCNUM_INVALID ? rc : ZVRAW_OK;
  FunctionIndex& fn = m_functions[nFuncNum];
  // A count above the records held would let the accessors read past them.
  if (nScans > fn.records.size()) return ZVRAW_SCANRANGE_INVALID;
  fn.scans = nScans;
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::getScanOffset(unsigned int nFuncNum, unsigned int nScan, unsigned int& out) const {
  int rc = ZVRAW_OK;
  if (const ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) out = r->getScanOffset();
  return rc;
}

int ZVRawFunctionScanIndices::getPeaksInScan(unsigned int nFuncNum, unsigned int nScan, unsigned int& out) const {
  int rc = ZVRAW_OK;
  if (const ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) out = r->getPeaksInScan();
  return rc;
}

int ZVRawFunctionScanIndices::getScanTIC(unsigned int nFuncNum, unsigned int nScan, float& out) const {
  int rc = ZVRAW_OK;
  if (const ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) out = r->getTic();
  return rc;
}

int ZVRawFunctionScanIndices::getScanBPI(unsigned int nFuncNum, unsigned int nScan, float& out) const {
  int rc = ZVRAW_OK;
  if (const ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) out = r->getBasePeakIntensity();
  return rc;
}

int ZVRawFunctionScanIndices::getScanBPM(unsigned int nFuncNum, unsigned int nScan, float& out) const {
  int rc = ZVRAW_OK;
  if (const ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) out = r->getBasePeakMass();
  return rc;
}

int ZVRawFunctionScanIndices::getScanOffsetEx(unsigned int nFuncNum, unsigned int nScan,
                                              unsigned int& nOffsetEx) const {
  int rc = ZVRAW_OK;
  if (const ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) r->getScanOffsetEx(nOffsetEx);
  return rc;
}

int ZVRawFunctionScanIndices::setScanOffset(unsigned int nFuncNum, unsigned int nScan, unsigned int nOffset) {
  int rc = ZVRAW_OK;
  if (ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) r->scanOffset() = nOffset;
  return rc;
}

int ZVRawFunctionScanIndices::setPeaksInScan(unsigned int nFuncNum, unsigned int nScan, unsigned int nPeaks) {
  int rc = ZVRAW_OK;
  if (ZVRawFunctionScanIndexImp* r = scanRecord(nFuncNum, nScan, rc)) r->peaksInScan() = nPeaks;
  return rc;
}

int ZVRawFunctionScanIndices::getIndexArray(unsigned int nFuncNum, std::span<ZVRawFunctionScanIndexImp>& records) {
  int rc = ZVRAW_OK;
  if (!function(nFuncNum, rc)) return rc == ZVRAW_FUNCNUM_INVALID ? rc : ZVRAW_NULLPOINTER_ERROR;
  FunctionIndex& fn = m_functions[nFuncNum];
  if (!fn.hasRecords) return ZVRAW_NULLPOINTER_ERROR;
  records = std::span(fn.records.data(), fn.scans);
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::setScanIndices(unsigned int nFuncNum, const double* pfTimes, unsigned int nStartScan,
                                             unsigned int nEndScan) {
  int rc = ZVRAW_OK;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  if (nStartScan > nEndScan) return ZVRAW_OK;
  if (nEndScan >= fn->scans) return ZVRAW_SCANRANGE_INVALID;
  if (pfTimes == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  FunctionIndex& w = m_functions[nFuncNum];
  for (unsigned int s = nStartScan; s <= nEndScan; ++s) w.records[s].rt() = static_cast<float>(pfTimes[s - nStartScan]);
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::isValidFunctionandScan(unsigned int nFuncNum, unsigned int nScan) const {
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  if (nFuncNum >= m_nFunctionCount || !m_functions[nFuncNum].hasRecords) return ZVRAW_FUNCNUM_INVALID;
  return nScan < m_functions[nFuncNum].scans ? ZVRAW_OK : ZVRAW_SCANNUM_INVALID;
}

int ZVRawFunctionScanIndices::getRTFromScan(unsigned int nFuncNum, unsigned int nScan, float& fRT) const {
  const int rc = isValidFunctionandScan(nFuncNum, nScan);
  fRT = rc == ZVRAW_OK ? m_functions[nFuncNum].records[nScan].getRt() : 0.0f;
  return rc;
}

int ZVRawFunctionScanIndices::isContinuumScan(const unsigned int& nFuncNum, const unsigned int& nScan,
                                              bool& bContinuum) const {
  const int rc = isValidFunctionandScan(nFuncNum, nScan);
  bContinuum = rc == ZVRAW_OK && m_functions[nFuncNum].records[nScan].getIsContinuumScan();
  return rc;
}

bool ZVRawFunctionScanIndices::isCalibrated(unsigned int nFuncNum, unsigned int nScan) const {
  return isValidFunctionandScan(nFuncNum, nScan) == ZVRAW_OK &&
         m_functions[nFuncNum].records[nScan].getCalibratedMasses() != 0;
}

bool ZVRawFunctionScanIndices::isValid(unsigned int nFuncNum, unsigned int) const {
  return m_bHasArrays && nFuncNum < m_nFunctionCount && m_functions[nFuncNum].hasRecords;
}

int ZVRawFunctionScanIndices::setContinuumFlag(unsigned int nFuncNum, bool bContinuum) {
  int rc = ZVRAW_OK;
  if (!function(nFuncNum, rc)) return rc == ZVRAW_FUNCNUM_INVALID ? rc : ZVRAW_NULLPOINTER_ERROR;
  m_functions[nFuncNum].continuum = bContinuum;
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::setCalibratedFlag(unsigned int nFuncNum, bool bCalibrated) {
  int rc = ZVRAW_OK;
  if (!function(nFuncNum, rc)) return rc == ZVRAW_FUNCNUM_INVALID ? rc : ZVRAW_NULLPOINTER_ERROR;
  m_functions[nFuncNum].calibrated = bCalibrated;
  return ZVRAW_OK;
}
