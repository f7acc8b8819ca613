#include "formats/scans/ZVRawFunctionScanIndices.h"

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "formats/scans/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

// Records are fetched in blocks of this size and decoded from memory: few
// reads, and a block small enough to stay in cache while it is decoded.
constexpr std::size_t kReadBlockBytes = std::size_t{1} << 20;
constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

bool seekTo(std::FILE* f, std::uint64_t at) {
  return at <= kMaxOffset && ::fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0;
}

// Room for n records, of which the first `held` are kept. An array that
// grows again and again (an acquisition being read, a writer adding a batch
// at a time) grows geometrically, so no growth copies every record held.
// False, the records untouched, when the room cannot be had.
template <class Record>
bool reserveFor(std::vector<Record>& records, std::size_t held, std::size_t n) {
  if (records.capacity() >= n) return true;
  const std::size_t grown = held == 0 ? n : std::max(n, 2 * records.capacity());
  try {
    records.reserve(grown);
  } catch (const std::exception&) {  // bad_alloc, or length_error past max_size
    return false;
  }
  return true;
}

// A path this set may store: present, and no longer than a path may be.
bool usablePath(const char* path) { return path != nullptr && *path != '\0' && std::strlen(path) <= kMaxPathLength; }

// The short-read code for a stream that delivered less than asked.
int shortReadCode(std::FILE* f) {
  return std::feof(f) && !std::ferror(f) ? ZVRAW_FILEREAD_EOFERROR : ZVRAW_FILEREAD_ERROR;
}

// Writes all of bytes at offset; returns how many reached the file (fewer on failure).
std::size_t writeAt(int fd, const std::uint8_t* bytes, std::size_t n, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd, bytes + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += static_cast<std::size_t>(w);
  }
  return done;
}

}  // namespace

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

int ZVRawFunctionScanIndices::setRawFilePath(const char* cRawFilePath) {
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  m_cDataClusterPath = cRawFilePath;
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

// ---- reading ----

int ZVRawFunctionScanIndices::readIndices(const char* cRawFilePath, const unsigned int* pFuncDataFormats) {
  return readIndices(cRawFilePath, pFuncDataFormats, nullptr);
}

int ZVRawFunctionScanIndices::readIndices(const char* cRawFilePath, const unsigned int* pFuncDataFormats,
                                          const unsigned int* pnExtended) {
  if (pFuncDataFormats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (int rc = setRawFilePath(cRawFilePath); rc != ZVRAW_OK) return rc;
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  int result = ZVRAW_OK;
  for (unsigned int f = 0; f < m_nFunctionCount; ++f) {
    const unsigned int held = m_functions[f].scans;
    const unsigned int extended = pnExtended ? pnExtended[f] : 0;
    unsigned int complete = 0;
    if (int rc = calculateScanCount(f, pFuncDataFormats[f], extended, complete); rc != ZVRAW_OK) {
      result = rc;
      break;
    }
    // Records already held are never read again; a function whose complete
    // count fell below what is held keeps its records.
    if (complete == 0 || held >= complete) continue;
    result = readNewRecords(f, complete, pFuncDataFormats[f], extended != 0);
  }
  setMaxScanSizes();
  return result;
}

int ZVRawFunctionScanIndices::readIndices(unsigned int nFunc, unsigned int nStartScan, unsigned int nEndScan,
                                          unsigned int nDataFormat, int nExtended) {
  int rc = ZVRAW_OK;
  if (!function(nFunc, rc)) return rc;
  FunctionIndex& fn = m_functions[nFunc];
  if (nStartScan > nEndScan) return ZVRAW_OK;
  if (nEndScan >= fn.records.size()) return ZVRAW_SCANRANGE_INVALID;
  ZVRawFunctionScanIndexImp* out = fn.records.data() + nStartScan;
  const bool extended = nExtended != 0;
  return readRecordBlocks(
      nFunc, nStartScan, std::size_t{nEndScan} - nStartScan + 1, extended,
      [&](std::span<const std::uint8_t> record) { return (out++)->extractScanIndex(record, nDataFormat, extended); });
}

// The live read's growth of one function to c records, the new ones read
// straight into the array: the same records as prepareScanIndicesBuffer
// followed by readIndices, each written once. A function that keeps growing
// (an acquisition in progress) grows its array geometrically, so a re-read
// does not copy every record held.
int ZVRawFunctionScanIndices::readNewRecords(unsigned int f, unsigned int c, unsigned int nDataFormat, bool extended) {
  FunctionIndex& fn = m_functions[f];
  std::vector<ZVRawFunctionScanIndexImp>& records = fn.records;
  const unsigned int held = std::min(fn.scans, c);
  if (!reserveFor(records, held, c)) return ZVRAW_SCANINDICESALLOC_ERROR;  // the records held stay
  const ZVRawFunctionScanIndexImp fresh = freshRecord(fn);
  records.resize(held);
  const int rc = readRecordBlocks(f, held, c - held, extended, [&](std::span<const std::uint8_t> record) {
    return records.emplace_back(fresh).extractScanIndex(record, nDataFormat, extended);
  });
  records.resize(c, fresh);  // within the capacity: cannot throw
  fn.hasRecords = true;
  fn.scans = c;
  return rc;
}

// Reads count records of function f from record start on, in page-aligned
// blocks decoded from memory, handing each whole record to take. A file that
// ends inside a record answers as a record-by-record read would there.
template <class Take>
int ZVRawFunctionScanIndices::readRecordBlocks(unsigned int f, unsigned int start, std::size_t count, bool extended,
                                               Take&& take) const {
  if (count == 0) return ZVRAW_OK;
  if (m_cDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
  std::string name;
  if (getZVRawIDXFile(m_cDataClusterPath, name, static_cast<int>(f) + 1) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  FilePtr file = rawFileComponentfopen(name, "rb");
  if (!file) return ZVRAW_FILEOPEN_ERROR;
  const std::size_t recordSize = scanIndexRecordSize(extended);
  if (!seekTo(file.get(), std::uint64_t{start} * recordSize)) return ZVRAW_FILESEEK_ERROR;
  const std::size_t perBlock = std::min(count, kReadBlockBytes / recordSize);
  PageAlignedBuffer block(perBlock * recordSize);
  if (block.data() == nullptr) return ZVRAW_SCANINDICESALLOC_ERROR;
  for (std::size_t done = 0; done < count;) {
    const std::size_t want = std::min(perBlock, count - done) * recordSize;
    const std::size_t got = std::fread(block.data(), 1, want, file.get());
    for (std::size_t at = 0; at + recordSize <= got; at += recordSize, ++done)
      if (int rc = take(block.bytes(got).subspan(at, recordSize)); rc != ZVRAW_OK) return rc;
    if (got < want) return shortReadCode(file.get());
  }
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::calculateScanCount(unsigned int nFuncNum, unsigned int nDataFormat,
                                                 unsigned int nExtended, unsigned int& nCompletedScans) {
  nCompletedScans = 0;
  if (m_cDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
  std::string name;
  if (getZVRawIDXFile(m_cDataClusterPath, name, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_FILENAME_ERROR;
  std::int64_t size = -1;
  if (FilePtr f = rawFileComponentfopen(name, "rb")) size = getLargeFileSize(f.get());
  if (size < 0) return ZVRAW_OK;  // a function without an index file has no scans
  // A partly written last record is not counted.
  const std::uint64_t proposed = static_cast<std::uint64_t>(size) / scanIndexRecordSize(nExtended != 0);
  if (proposed > std::numeric_limits<unsigned int>::max()) return ZVRAW_SCANINDICESALLOC_ERROR;
  (void)getCompleteScans(nFuncNum, nDataFormat, nExtended, static_cast<unsigned int>(proposed), nCompletedScans);
  return ZVRAW_OK;
}

// Walks back from the last whole record to the first whose scan ends inside
// _funcNNN.dat: the acquisition may still be writing the scans after it.
int ZVRawFunctionScanIndices::getCompleteScans(unsigned int nFuncNum, unsigned int nDataFormat, unsigned int nExtended,
                                               unsigned int nProposedScanCount, unsigned int& nScanCount) {
  nScanCount = 0;
  if (m_cDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
  std::string idxName, datName;
  if (getZVRawIDXFile(m_cDataClusterPath, idxName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK ||
      getZVRawFunctionFile(m_cDataClusterPath, datName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_FILENAME_ERROR;
  FilePtr idx = rawFileComponentfopen(idxName, "rb");
  FilePtr dat = rawFileComponentfopen(datName, "rb");
  if (!idx || !dat) return ZVRAW_FILEOPEN_ERROR;
  const std::int64_t datSize = getLargeFileSize(dat.get());
  if (datSize < 0) return ZVRAW_FILESEEK_ERROR;

  const bool extended = nExtended != 0;
  const std::uint64_t recordSize = scanIndexRecordSize(extended);
  for (unsigned int k = nProposedScanCount; k-- > 0;) {
    if (!seekTo(idx.get(), std::uint64_t{k} * recordSize)) return ZVRAW_FILESEEK_ERROR;
    ZVRawFunctionScanIndexImp record;
    const int rc = record.readScanIndex(idx.get(), nDataFormat, extended);
    if (rc == ZVRAW_FILEREAD_EOFERROR) continue;
    if (rc != ZVRAW_OK) return ZVRAW_OK;  // the count stays 0
    // Is the scan wholly inside the .dat? (64-bit, and offset + bytes cannot wrap)
    const std::uint64_t bytes = zvraw_packed::getBytesPerScan(nDataFormat, record.getPeaksInScan());
    const std::uint64_t size = static_cast<std::uint64_t>(datSize), offset = record.dataOffset();
    if (bytes <= size && offset <= size - bytes) {
      nScanCount = k + 1;
      break;
    }
  }
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::prepareScanIndicesBuffer(unsigned int nWhichFunc, unsigned int nScanCount) {
  int rc = ZVRAW_OK;
  if (!function(nWhichFunc, rc)) return rc;
  FunctionIndex& fn = m_functions[nWhichFunc];
  const ZVRawFunctionScanIndexImp fresh = freshRecord(fn);
  std::vector<ZVRawFunctionScanIndexImp>& records = fn.records;
  const unsigned int kept = std::min(fn.scans, nScanCount);
  if (!reserveFor(records, kept, nScanCount)) return ZVRAW_SCANINDICESALLOC_ERROR;  // the records held stay
  records.resize(kept);
  records.resize(nScanCount, fresh);  // within the capacity: cannot throw
  fn.hasRecords = true;
  fn.scans = nScanCount;
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::setMaxScanSizes() {
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  for (FunctionIndex& fn : m_functions) {
    fn.maxScanSize = 0;
    for (unsigned int s = 0; s < fn.scans; ++s)
      fn.maxScanSize = std::max(fn.maxScanSize, fn.records[s].getPeaksInScan());
  }
  m_bHasMaxSizes = true;
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::getMaxScanSize(unsigned int nFuncNum, unsigned int& nMaxScanSize) const {
  if (!m_bHasArrays || !m_bHasMaxSizes) return ZVRAW_SCANINDICES_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  nMaxScanSize = m_functions[nFuncNum].maxScanSize;
  return ZVRAW_OK;
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

// ---- chromatograms ----

int ZVRawFunctionScanIndices::chromatogram(unsigned int f, unsigned int start, unsigned int end, bool whole, bool bpi,
                                           float* values, float* times) const {
  if (!m_bHasArrays) return ZVRAW_OK;  // nothing to give
  if (f >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (values == nullptr || times == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const FunctionIndex& fn = m_functions[f];
  if (whole) {
    if (fn.scans == 0) return ZVRAW_OK;
    start = 0;
    end = fn.scans - 1;
  } else if (start >= fn.scans || end >= fn.scans) {
    return ZVRAW_SCANRANGE_INVALID;
  }
  for (unsigned int s = start; s <= end && start <= end; ++s) {
    const ZVRawFunctionScanIndexImp& r = fn.records[s];
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
  const FunctionIndex& fn = m_functions[nFuncNum];
  const auto rt = [&](unsigned int s) { return fn.records[s].getRt(); };
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
  if (fRTStart > fRTEnd) return ZVRAW_RETENTIONTIME_INVALID;
  const FunctionIndex& fn = m_functions[nFuncNum];
  if (fn.scans == 0) return ZVRAW_FUNCNUM_INVALID;
  const auto rt = [&](unsigned int s) { return fn.records[s].getRt(); };
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

// ---- writing ----

unsigned int ZVRawFunctionScanIndices::nextScanToWrite(unsigned int nFuncNum) const {
  return m_bHasArrays && nFuncNum < m_nFunctionCount ? m_functions[nFuncNum].nextToWrite : 0;
}

int ZVRawFunctionScanIndices::rewindNextScanToWrite(unsigned int nFuncNum, unsigned int nMark) {
  if (!m_bHasArrays || nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  FunctionIndex& fn = m_functions[nFuncNum];
  if (nMark > fn.nextToWrite) return ZVRAW_SCANRANGE_INVALID;
  fn.nextToWrite = nMark;
  return ZVRAW_OK;
}

// The index file is begun ("wb") on a function's first write; later writes
// open it read-write and write at mark x record size, then cut the file
// there, so a record left partial by a failed write is overwritten and never
// shifts the records after it. The RT shift is applied to each record that
// reached the file, so a retried record is not shifted twice.
int ZVRawFunctionScanIndices::writeRange(unsigned int f, unsigned int format, bool extended, unsigned int from,
                                         unsigned int to) {
  FunctionIndex& fn = m_functions[f];
  std::string name;
  if (getZVRawIDXFile(m_cDataClusterPath, name, static_cast<int>(f) + 1) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  FilePtr file = rawFileComponentfopen(name, fn.nextToWrite == 0 ? "wb" : "r+b");
  if (!file) return ZVRAW_FILEOPEN_ERROR;

  // Pack what fits; a record whose peak count does not fit stops the batch.
  const std::size_t recordSize = scanIndexRecordSize(extended);
  unsigned int end = from;
  while (end < to && fn.records[end].fitsFileWidths()) ++end;
  PageAlignedBuffer block(std::size_t{end - from} * recordSize);
  if (end > from && block.data() == nullptr) return ZVRAW_SCANINDICESALLOC_ERROR;
  for (unsigned int s = from; s < end; ++s) {
    ZVRawFunctionScanIndexImp shifted = fn.records[s];
    shifted.rt() += fOffset;
    (void)shifted.packScanIndex(std::span(block.data() + std::size_t{s - from} * recordSize, recordSize), format,
                                extended);  // an unstored base peak still writes the record
  }
  const std::uint64_t at = std::uint64_t{from} * recordSize;
  const std::size_t written = writeAt(::fileno(file.get()), block.data(), block.size(), at);
  const auto whole = static_cast<unsigned int>(written / recordSize);
  for (unsigned int s = from; s < from + whole; ++s) fn.records[s].rt() += fOffset;
  fn.nextToWrite = from + whole;
  const bool cut =
      ::ftruncate(::fileno(file.get()), static_cast<off_t>(std::uint64_t{fn.nextToWrite} * recordSize)) == 0;
  const bool closed = closeChecked(file);
  if (whole < end - from || !cut || !closed) return ZVRAW_FILEWRITE_ERROR;
  return end < to ? ZVRAW_ERROR : ZVRAW_OK;
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, const char* cRawFilePath, unsigned int nDataFormat) {
  return writeIndices(nFuncNum, cRawFilePath, nDataFormat, false);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, const char* cRawFilePath, unsigned int nDataFormat,
                                           bool bExtended) {
  int rc = ZVRAW_OK;
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  m_cDataClusterPath = cRawFilePath;
  return writeRange(nFuncNum, nDataFormat, bExtended, fn->nextToWrite, fn->scans);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, const char* cRawFilePath, unsigned int nDataFormat,
                                           unsigned int nStartScan, unsigned int nEndScan) {
  return writeIndices(nFuncNum, cRawFilePath, nDataFormat, false, nStartScan, nEndScan);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, const char* cRawFilePath, unsigned int nDataFormat,
                                           bool bExtended, unsigned int nStartScan, unsigned int nEndScan) {
  int rc = ZVRAW_OK;
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  m_cDataClusterPath = cRawFilePath;
  if (nStartScan > nEndScan) return ZVRAW_OK;
  // A start past the mark would leave a gap and misalign every later record.
  if (nStartScan > fn->nextToWrite || nEndScan >= fn->scans) return ZVRAW_SCANRANGE_INVALID;
  return writeRange(nFuncNum, nDataFormat, bExtended, fn->nextToWrite, nEndScan + 1);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, const char* cRawFilePath, unsigned int nDataFormat,
                                           unsigned int nScanCount) {
  return writeIndices(nFuncNum, cRawFilePath, nDataFormat, false, nScanCount);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, const char* cRawFilePath, unsigned int nDataFormat,
                                           bool bExtended, unsigned int nScanCount) {
  int rc = ZVRAW_OK;
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  const unsigned int unwritten = fn->scans > fn->nextToWrite ? fn->scans - fn->nextToWrite : 0;
  if (unwritten == 0) return ZVRAW_OK;
  const unsigned int n = (nScanCount == 0 || nScanCount > unwritten) ? unwritten : nScanCount;
  m_cDataClusterPath = cRawFilePath;
  return writeRange(nFuncNum, nDataFormat, bExtended, fn->nextToWrite, fn->nextToWrite + n);
}
