// Reading _funcNNN.idx: whole functions, scan ranges, and the live re-read
// of a directory that is still being written.

#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

// Records are fetched in blocks of this size and decoded from memory: few
// reads, and a block small enough to stay in cache while it is decoded.
constexpr std::size_t kReadBlockBytes = std::size_t{1} << 20;
constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

bool seekTo(std::FILE* f, std::uint64_t at) {
  return at <= kMaxOffset && ::fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0;
}

// The short-read code for a stream that delivered less than asked.
int shortReadCode(std::FILE* f) {
  return std::feof(f) && !std::ferror(f) ? ZVRAW_FILEREAD_EOFERROR : ZVRAW_FILEREAD_ERROR;
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

// The records a function read whole gets room for: an eighth more, so that
// the first live reads of a growing run add to its block instead of copying
// it (untouched room costs no memory).
constexpr std::size_t withRoomToGrow(std::size_t n) { return n + n / 8; }

}  // namespace

int ZVRawFunctionScanIndices::readIndices(std::string_view cRawFilePath, const unsigned int* pFuncDataFormats) {
  return readIndices(cRawFilePath, pFuncDataFormats, nullptr);
}

int ZVRawFunctionScanIndices::readIndices(std::string_view cRawFilePath, const unsigned int* pFuncDataFormats,
                                          const unsigned int* pnExtended) {
  if (pFuncDataFormats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (int rc = setRawFilePath(cRawFilePath); rc != ZVRAW_OK) return rc;
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  const auto extendedOf = [&](unsigned int f) { return pnExtended ? pnExtended[f] : 0; };
  // Every function's complete count first, so that the records of all
  // functions read from their first record share one block.
  // The index files opened to count serve the reads too, up to a bound on
  // the descriptors held at once.
  constexpr unsigned int kKeptOpen = 64;
  std::vector<unsigned int> complete(m_nFunctionCount, 0);
  std::vector<zvraw::FilePtr> opened(std::min(m_nFunctionCount, kKeptOpen));
  unsigned int counted = 0;
  int countResult = ZVRAW_OK;
  for (; counted < m_nFunctionCount; ++counted) {
    countResult = countScans(counted, pFuncDataFormats[counted], extendedOf(counted) != 0, complete[counted],
                             counted < opened.size() ? &opened[counted] : nullptr);
    if (countResult != ZVRAW_OK) break;
  }
  const auto readsFresh = [&](unsigned int f) {
    return complete[f] > m_functions[f].scans && m_functions[f].scans == 0 &&
           storable(f, complete[f], pFuncDataFormats[f], extendedOf(f) != 0);
  };
  ReadBlock batch;
  for (unsigned int f = 0; f < counted; ++f)
    if (readsFresh(f)) batch.size += withRoomToGrow(complete[f]) * scanIndexRecordSize(extendedOf(f) != 0);
  if (batch.size > 0) {
    // Reads start on a page boundary, where they run faster. A plain
    // allocation, not an aligned one: a freed block of that size is then
    // reused, already faulted in, by the next open. No block: each function
    // gets its own.
    batch.block.reset(new (std::nothrow) std::uint8_t[batch.size + zvraw::kPageSize]);
    const auto address = reinterpret_cast<std::uintptr_t>(batch.block.get());
    batch.at = (zvraw::kPageSize - address % zvraw::kPageSize) % zvraw::kPageSize;
    batch.size = batch.block ? batch.size + batch.at : 0;
  }

  int result = ZVRAW_OK;
  // What each read learns of the new records' peak counts: only the
  // records held before are walked again for the largest.
  std::vector<KnownMax> known(m_nFunctionCount);
  for (unsigned int f = 0; f < counted; ++f) {
    const unsigned int held = m_functions[f].scans;
    // Records already held are never read again; a function whose complete
    // count fell below what is held keeps its records.
    if (complete[f] == 0 || held >= complete[f]) continue;
    known[f].from = held;
    result = readNewRecords(f, complete[f], pFuncDataFormats[f], extendedOf(f) != 0, known[f].peaks, batch,
                            f < opened.size() ? opened[f].get() : nullptr);
  }
  if (countResult != ZVRAW_OK) result = countResult;
  setMaxScanSizes(known);
  return result;
}

int ZVRawFunctionScanIndices::readIndices(unsigned int nFunc, unsigned int nStartScan, unsigned int nEndScan,
                                          unsigned int nDataFormat, int nExtended) {
  int rc = ZVRAW_OK;
  if (!function(nFunc, rc)) return rc;
  FunctionIndex& fn = m_functions[nFunc];
  if (nStartScan > nEndScan) return ZVRAW_OK;
  if (!materialise(fn)) return ZVRAW_SCANINDICESALLOC_ERROR;
  if (nEndScan >= fn.records.size()) return ZVRAW_SCANRANGE_INVALID;
  ZVRawFunctionScanIndexImp* out = fn.records.data() + nStartScan;
  const bool extended = nExtended != 0;
  return readRecordBlocks(
      nFunc, nStartScan, std::size_t{nEndScan} - nStartScan + 1, extended,
      [&](std::span<const std::uint8_t> record) { return (out++)->extractScanIndex(record, nDataFormat, extended); });
}

bool ZVRawFunctionScanIndices::storable(unsigned int f, unsigned int c, unsigned int nDataFormat,
                                        bool extended) const {
  // Only a format whose base peak decodes reads every record whole.
  ZVRawFunctionScanIndexImp probe;
  const std::uint8_t zero[6]{};
  if (probe.extractBasePeak(zero, nDataFormat) != ZVRAW_OK) return false;
  const FunctionIndex& fn = m_functions[f];
  if (std::min(fn.scans, c) == 0) return true;
  const StoredRecords& st = fn.stored;
  const ZVRawFunctionScanIndexImp fresh = freshRecord(fn);
  return st.count > 0 && st.format == nDataFormat && st.extended == extended &&
         st.base.getUseContinuumFlag() == fresh.getUseContinuumFlag() &&
         st.base.getCalibratedMasses() == fresh.getCalibratedMasses();
}

std::uint8_t* ZVRawFunctionScanIndices::storedDestination(FunctionIndex& fn, std::size_t held, std::size_t n,
                                                         std::size_t recordSize, ReadBlock& batch) {
  StoredRecords& st = fn.stored;
  if (held == 0) {
    fn.records.clear();
    st = StoredRecords{};
    if (const std::size_t room = withRoomToGrow(n); batch.block && room * recordSize <= batch.size - batch.at) {
      st.block = batch.block;
      st.bytes = batch.block.get() + batch.at;
      st.room = room;
      batch.at += room * recordSize;
      return st.bytes;
    }
  } else if (held + n <= st.room) {
    st.count = held;
    return st.bytes + held * recordSize;
  }
  // An own block, grown geometrically for a function read again and again.
  const std::size_t room = held == 0 ? n : std::max(held + n, 2 * st.room);
  std::shared_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[room * recordSize]);
  if (!block) return nullptr;
  if (held > 0) std::memcpy(block.get(), st.bytes, held * recordSize);
  st.block = std::move(block);
  st.bytes = st.block.get();
  st.room = room;
  st.count = held;
  return st.bytes + held * recordSize;
}

// The live read's growth of one function to c records: the same records as
// prepareScanIndicesBuffer followed by readIndices, each written once. Read
// whole in a format that decodes, they are kept as the file's bytes; a
// short or failed read, or records held decoded, take the decoded road.
int ZVRawFunctionScanIndices::readNewRecords(unsigned int f, unsigned int c, unsigned int nDataFormat, bool extended,
                                             unsigned int& nMaxPeaks, ReadBlock& batch, std::FILE* idx) {
  FunctionIndex& fn = m_functions[f];
  std::vector<ZVRawFunctionScanIndexImp>& records = fn.records;
  const unsigned int held = std::min(fn.scans, c);
  const ZVRawFunctionScanIndexImp fresh = freshRecord(fn);
  const std::size_t recordSize = scanIndexRecordSize(extended);
  std::vector<std::uint8_t> unstored;  // bytes of a failed read into no stored block
  if (storable(f, c, nDataFormat, extended)) {
    const std::size_t n = c - held;
    fn.maybeStored.value.store(true, std::memory_order_release);
    std::uint8_t* to = storedDestination(fn, held, n, recordSize, batch);
    if (to == nullptr) return ZVRAW_SCANINDICESALLOC_ERROR;
    StoredRecords& st = fn.stored;
    st.format = nDataFormat;
    st.extended = extended;
    st.base = fresh;
    std::size_t got = 0;
    const int rc = readRecordBytes(f, held, n, extended, to, got, idx);
    if (rc == ZVRAW_OK) {
      for (std::size_t k = 0; k < n; ++k)
        nMaxPeaks = std::max(nMaxPeaks, ZVRawFunctionScanIndexImp::peaksOf(to + k * recordSize));
      st.count = c;
      fn.hasRecords = true;
      fn.scans = c;
      return rc;
    }
    // Decoded from here on: the held records, then the whole ones that arrived.
    std::vector<ZVRawFunctionScanIndexImp> decoded;
    if (!reserveFor(decoded, 0, c)) return ZVRAW_SCANINDICESALLOC_ERROR;
    for (std::size_t s = 0; s < held; ++s) decoded.push_back(recordAt(fn, s));
    for (std::size_t at = 0; at + recordSize <= got; at += recordSize) {
      ZVRawFunctionScanIndexImp& r = decoded.emplace_back(fresh);
      (void)r.extractScanIndex(std::span<const std::uint8_t>(to + at, recordSize), nDataFormat, extended);
      nMaxPeaks = std::max(nMaxPeaks, r.getPeaksInScan());
    }
    decoded.resize(c, fresh);  // within the capacity: cannot throw
    records.swap(decoded);
    st = StoredRecords{};
    fn.hasRecords = true;
    fn.scans = c;
    return rc;
  }
  if (!materialise(fn)) return ZVRAW_SCANINDICESALLOC_ERROR;
  if (!reserveFor(records, held, c)) return ZVRAW_SCANINDICESALLOC_ERROR;  // the records held stay
  records.resize(held);
  const int rc = readRecordBlocks(f, held, c - held, extended, [&](std::span<const std::uint8_t> record) {
    ZVRawFunctionScanIndexImp& r = records.emplace_back(fresh);
    const int extracted = r.extractScanIndex(record, nDataFormat, extended);
    nMaxPeaks = std::max(nMaxPeaks, r.getPeaksInScan());
    return extracted;
  });
  records.resize(c, fresh);  // within the capacity: cannot throw
  fn.hasRecords = true;
  fn.scans = c;
  return rc;
}

int ZVRawFunctionScanIndices::readRecordBytes(unsigned int f, unsigned int start, std::size_t count, bool extended,
                                              std::uint8_t* to, std::size_t& got, std::FILE* idx) const {
  got = 0;
  if (count == 0) return ZVRAW_OK;
  zvraw::FilePtr file;
  if (idx == nullptr) {
    if (m_cDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
    std::string name;
    if (getZVRawIDXFile(m_cDataClusterPath, name, static_cast<int>(f) + 1) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
    file = rawFileComponentfopen(name, "rb");
    if (!file) return ZVRAW_FILEOPEN_ERROR;
    idx = file.get();
  }
  const std::size_t recordSize = scanIndexRecordSize(extended);
  const std::uint64_t at = std::uint64_t{start} * recordSize;
  if (at > kMaxOffset) return ZVRAW_FILESEEK_ERROR;
  int code = ZVRAW_OK;
  got = zvraw::readAt(idx, to, count * recordSize, at, code);
  return code;
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
  zvraw::FilePtr file = rawFileComponentfopen(name, "rb");
  if (!file) return ZVRAW_FILEOPEN_ERROR;
  const std::size_t recordSize = scanIndexRecordSize(extended);
  if (!seekTo(file.get(), std::uint64_t{start} * recordSize)) return ZVRAW_FILESEEK_ERROR;
  const std::size_t perBlock = std::min(count, kReadBlockBytes / recordSize);
  zvraw::PageAlignedBuffer block(perBlock * recordSize);
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
  return countScans(nFuncNum, nDataFormat, nExtended != 0, nCompletedScans, nullptr);
}

int ZVRawFunctionScanIndices::countScans(unsigned int nFuncNum, unsigned int nDataFormat, bool extended,
                                         unsigned int& nCompletedScans, zvraw::FilePtr* keep) {
  nCompletedScans = 0;
  if (m_cDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
  std::string idxName, datName;
  if (getZVRawIDXFile(m_cDataClusterPath, idxName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_FILENAME_ERROR;
  zvraw::FilePtr idx = rawFileComponentfopen(idxName, "rb");
  const std::int64_t size = idx ? zvraw::openFileSize(idx.get()) : -1;
  if (size < 0) return ZVRAW_OK;  // a function without an index file has no scans
  // A partly written last record is not counted.
  const std::uint64_t proposed = static_cast<std::uint64_t>(size) / scanIndexRecordSize(extended);
  if (proposed > std::numeric_limits<unsigned int>::max()) return ZVRAW_SCANINDICESALLOC_ERROR;
  // The index file open already serves the walk back; the count stays 0 when
  // there is no data file yet. One that is there but does not open still
  // bounds the scans: reading their data then gives its open failure.
  if (getZVRawFunctionFile(m_cDataClusterPath, datName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_OK;
  zvraw::FilePtr dat = rawFileComponentfopen(datName, "rb");
  const std::int64_t datSize = dat ? zvraw::openFileSize(dat.get()) : rawComponentFileSize(datName);
  if (datSize < 0) return ZVRAW_OK;
  (void)completeScans(idx.get(), datSize, nDataFormat, extended, static_cast<unsigned int>(proposed),
                      nCompletedScans);
  if (keep != nullptr && nCompletedScans > 0) *keep = std::move(idx);
  return ZVRAW_OK;
}

int ZVRawFunctionScanIndices::getCompleteScans(unsigned int nFuncNum, unsigned int nDataFormat, unsigned int nExtended,
                                               unsigned int nProposedScanCount, unsigned int& nScanCount) {
  nScanCount = 0;
  if (m_cDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
  std::string idxName, datName;
  if (getZVRawIDXFile(m_cDataClusterPath, idxName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK ||
      getZVRawFunctionFile(m_cDataClusterPath, datName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_FILENAME_ERROR;
  zvraw::FilePtr idx = rawFileComponentfopen(idxName, "rb");
  zvraw::FilePtr dat = rawFileComponentfopen(datName, "rb");
  if (!idx || !dat) return ZVRAW_FILEOPEN_ERROR;
  return completeScans(idx.get(), zvraw::openFileSize(dat.get()), nDataFormat, nExtended != 0, nProposedScanCount, nScanCount);
}

// Walks back from the last whole record to the first whose scan ends inside
// _funcNNN.dat: the acquisition may still be writing the scans after it.
int ZVRawFunctionScanIndices::completeScans(std::FILE* idx, std::int64_t datSize, unsigned int nDataFormat,
                                            bool extended, unsigned int nProposedScanCount, unsigned int& nScanCount) {
  nScanCount = 0;
  if (datSize < 0) return ZVRAW_FILESEEK_ERROR;
  const std::size_t recordSize = scanIndexRecordSize(extended);
  std::uint8_t bytes[kScanIndexRecordSizeEx];
  for (unsigned int k = nProposedScanCount; k-- > 0;) {
    int code = ZVRAW_OK;
    (void)zvraw::readAt(idx, bytes, recordSize, std::uint64_t{k} * recordSize, code);
    if (code == ZVRAW_FILEREAD_EOFERROR) continue;  // the file shrank under the walk
    if (code != ZVRAW_OK) return code == ZVRAW_FILESEEK_ERROR ? code : ZVRAW_OK;  // the count stays 0
    ZVRawFunctionScanIndexImp record;
    if (record.extractScanIndex(std::span<const std::uint8_t>(bytes, recordSize), nDataFormat, extended) != ZVRAW_OK)
      return ZVRAW_OK;
    // Is the scan wholly inside the .dat? (64-bit, and offset + bytes cannot wrap)
    const std::uint64_t scanBytes = zvraw_packed::getBytesPerScan(nDataFormat, record.getPeaksInScan());
    const std::uint64_t size = static_cast<std::uint64_t>(datSize), offset = record.dataOffset();
    if (scanBytes <= size && offset <= size - scanBytes) {
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
  if (!materialise(fn)) return ZVRAW_SCANINDICESALLOC_ERROR;
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

int ZVRawFunctionScanIndices::setMaxScanSizes() { return setMaxScanSizes({}); }

int ZVRawFunctionScanIndices::setMaxScanSizes(std::span<const KnownMax> known) {
  if (!m_bHasArrays) return ZVRAW_SCANINDICES_INVALID;
  for (std::size_t f = 0; f < m_functions.size(); ++f) {
    FunctionIndex& fn = m_functions[f];
    const KnownMax k = f < known.size() ? known[f] : KnownMax{};
    fn.maxScanSize = k.peaks;
    const unsigned int walked = std::min(fn.scans, k.from);
    StoredRecords& st = fn.stored;
    if (st.count > 0 && st.maxUpTo == walked) {
      fn.maxScanSize = std::max(fn.maxScanSize, st.maxPeaks);
    } else {
      for (unsigned int s = 0; s < walked; ++s) fn.maxScanSize = std::max(fn.maxScanSize, peaksAt(fn, s));
    }
    if (st.count > 0 && st.count == fn.scans) {
      st.maxUpTo = fn.scans;
      st.maxPeaks = fn.maxScanSize;
    }
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
