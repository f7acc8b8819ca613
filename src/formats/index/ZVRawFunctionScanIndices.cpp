#include "formats/index/ZVRawFunctionScanIndices.h"

#include <limits>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>
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

ZVRawFunctionScanIndexImp ZVRawFunctionScanIndices::recordAt(const FunctionIndex& fn, std::size_t s) {
  const StoredRecords& st = fn.stored;
  if (st.count == 0) return fn.records[s];
  ZVRawFunctionScanIndexImp r = st.base;
  const std::size_t size = scanIndexRecordSize(st.extended);
  (void)r.extractScanIndex(std::span<const std::uint8_t>(st.bytes + s * size, size), st.format, st.extended);
  return r;
}

float ZVRawFunctionScanIndices::rtAt(const FunctionIndex& fn, std::size_t s) {
  const StoredRecords& st = fn.stored;
  if (st.count == 0) return fn.records[s].getRt();
  return ZVRawFunctionScanIndexImp::rtOf(st.bytes + s * scanIndexRecordSize(st.extended));
}

std::uint32_t ZVRawFunctionScanIndices::peaksAt(const FunctionIndex& fn, std::size_t s) {
  const StoredRecords& st = fn.stored;
  if (st.count == 0) return fn.records[s].getPeaksInScan();
  return ZVRawFunctionScanIndexImp::peaksOf(st.bytes + s * scanIndexRecordSize(st.extended));
}

bool ZVRawFunctionScanIndices::materialise(FunctionIndex& fn) {
  if (!fn.maybeStored.value.load(std::memory_order_acquire)) return true;
  const std::unique_lock lock(m_storedGuard);
  if (fn.stored.count == 0) {
    fn.maybeStored.value.store(false, std::memory_order_release);
    return true;
  }
  std::vector<ZVRawFunctionScanIndexImp> decoded;
  try {
    decoded.reserve(fn.stored.count);
  } catch (const std::exception&) {  // bad_alloc, or length_error past max_size
    return false;
  }
  for (std::size_t s = 0; s < fn.stored.count; ++s) decoded.push_back(recordAt(fn, s));
  fn.records.swap(decoded);
  fn.stored = StoredRecords{};
  fn.maybeStored.value.store(false, std::memory_order_release);
  return true;
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

const ZVRawFunctionScanIndices::FunctionIndex* ZVRawFunctionScanIndices::scanFunction(unsigned int f, unsigned int s,
                                                                                    int& rc) const {
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
  return fn;
}

ZVRawFunctionScanIndexImp* ZVRawFunctionScanIndices::scanRecord(unsigned int f, unsigned int s, int& rc) {
  if (!scanFunction(f, s, rc)) return nullptr;
  FunctionIndex& fn = m_functions[f];
  if (!materialise(fn)) {
    rc = ZVRAW_SCANINDICESALLOC_ERROR;
    return nullptr;
  }
  return &fn.records[s];
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
  if (nScans > heldRecords(fn)) return ZVRAW_SCANRANGE_INVALID;
  fn.scans = nScans;
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::getScanOffset(unsigned int nFuncNum, unsigned int nScan, unsigned int& out) const {
  int rc = ZVRAW_OK;
  const std::shared_lock lock(m_storedGuard);
  if (const FunctionIndex* fn = scanFunction(nFuncNum, nScan, rc)) out = recordAt(*fn, nScan).getScanOffset();
  return rc;
}

int ZVRawFunctionScanIndices::getPeaksInScan(unsigned int nFuncNum, unsigned int nScan, unsigned int& out) const {
  int rc = ZVRAW_OK;
  const std::shared_lock lock(m_storedGuard);
  if (const FunctionIndex* fn = scanFunction(nFuncNum, nScan, rc)) out = peaksAt(*fn, nScan);
  return rc;
}

int ZVRawFunctionScanIndices::getScanTIC(unsigned int nFuncNum, unsigned int nScan, float& out) const {
  int rc = ZVRAW_OK;
  const std::shared_lock lock(m_storedGuard);
  if (const FunctionIndex* fn = scanFunction(nFuncNum, nScan, rc)) out = recordAt(*fn, nScan).getTic();
  return rc;
}

int ZVRawFunctionScanIndices::getScanBPI(unsigned int nFuncNum, unsigned int nScan, float& out) const {
  int rc = ZVRAW_OK;
  const std::shared_lock lock(m_storedGuard);
  if (const FunctionIndex* fn = scanFunction(nFuncNum, nScan, rc)) out = recordAt(*fn, nScan).getBasePeakIntensity();
  return rc;
}

int ZVRawFunctionScanIndices::getScanBPM(unsigned int nFuncNum, unsigned int nScan, float& out) const {
  int rc = ZVRAW_OK;
  const std::shared_lock lock(m_storedGuard);
  if (const FunctionIndex* fn = scanFunction(nFuncNum, nScan, rc)) out = recordAt(*fn, nScan).getBasePeakMass();
  return rc;
}

int ZVRawFunctionScanIndices::getScanOffsetEx(unsigned int nFuncNum, unsigned int nScan,
                                              unsigned int& nOffsetEx) const {
  int rc = ZVRAW_OK;
  const std::shared_lock lock(m_storedGuard);
  if (const FunctionIndex* fn = scanFunction(nFuncNum, nScan, rc)) recordAt(*fn, nScan).getScanOffsetEx(nOffsetEx);
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
  if (!materialise(fn)) return ZVRAW_SCANINDICESALLOC_ERROR;
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
  if (!materialise(w)) return ZVRAW_SCANINDICESALLOC_ERROR;
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
  const std::shared_lock lock(m_storedGuard);
  fRT = rc == ZVRAW_OK ? rtAt(m_functions[nFuncNum], nScan) : 0.0f;
  return rc;
}

int ZVRawFunctionScanIndices::isContinuumScan(const unsigned int& nFuncNum, const unsigned int& nScan,
                                              bool& bContinuum) const {
  const int rc = isValidFunctionandScan(nFuncNum, nScan);
  const std::shared_lock lock(m_storedGuard);
  bContinuum = rc == ZVRAW_OK && recordAt(m_functions[nFuncNum], nScan).getIsContinuumScan();
  return rc;
}

bool ZVRawFunctionScanIndices::isCalibrated(unsigned int nFuncNum, unsigned int nScan) const {
  const std::shared_lock lock(m_storedGuard);
  return isValidFunctionandScan(nFuncNum, nScan) == ZVRAW_OK &&
         recordAt(m_functions[nFuncNum], nScan).getCalibratedMasses() != 0;
}

int ZVRawFunctionScanIndices::firstScanCalibrated(unsigned int nFuncNum, bool& bCalibrated) const {
  int rc = ZVRAW_OK;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (rc == ZVRAW_FUNCNUM_INVALID) return rc;
  if (!fn || !fn->hasRecords) return ZVRAW_ERROR;
  const std::shared_lock lock(m_storedGuard);
  for (unsigned int s = 0; s < fn->scans; ++s)
    if (peaksAt(*fn, s) > 0) {
      bCalibrated = recordAt(*fn, s).getCalibratedMasses() != 0;
      return ZVRAW_OK;
    }
  return ZVRAW_ERROR;
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
