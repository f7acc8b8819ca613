// Writing _funcNNN.sts: the header block once, then records at their own
// positions, so a failed or repeated write never shifts a later record.
#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/portability/AllocationGuard.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/SysPaths.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// Records are packed into blocks of about this size before they are written.
constexpr std::size_t kWriteBlockBytes = std::size_t{1} << 20;

}  // namespace

int ZVRawExtendedStats::statsFilePath(std::string_view dir, unsigned int fn, std::string& path) {
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  return getZVRawStatsFile(dir, path, static_cast<int>(fn) + 1);
}

int ZVRawExtendedStats::writeHeaderBlock(std::string_view dir, unsigned int fn) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (f->nextScanToWrite != 0) return ZVRAW_OK;
  std::string path;
  if (int rc = statsFilePath(dir, fn, path); rc != ZVRAW_OK) return rc;
  zvraw::FilePtr file = rawFileComponentfopen(path, "wb");
  if (!file) {
    f->validStats = 0;
    return ZVRAW_STATSFILE_FILEWRITEOPEN_ERROR;
  }
  const ZVRawExtStatsHeaderLeader& l = f->leader;
  const StatsTableLeader leader{static_cast<std::uint16_t>(l.m_nHeaderSize), static_cast<std::uint16_t>(l.m_nVersion),
                                static_cast<std::uint16_t>(l.m_nRecordSize),
                                static_cast<std::uint16_t>(l.m_nNumberOfFields)};
  if (writeStatsLeader(file.get(), leader) != kStatsLeaderSize) return checkFileWriteError(file.get());
  for (std::uint32_t i = 0; i < l.m_nNumberOfFields; ++i) {
    const ZVRawExtStatsField& src = f->fields[i];
    STSField d;  // Size 0: bytes 32-47 stay zero
    d.ID = static_cast<std::uint16_t>(src.m_nFieldID);
    d.Type = static_cast<std::uint16_t>(src.m_nFieldType);
    d.Offset = static_cast<std::uint16_t>(src.m_nOffSet);
    std::memcpy(d.Name, src.m_cFieldName, kStatsFieldNameSize);
    if (writeStatsField(file.get(), d) != kStatsFieldDescriptorSize) return checkFileWriteError(file.get());
  }
  if (!zvraw::closeChecked(file)) return ZVRAW_FILEWRITE_ERROR;
  f->headerDue = false;
  return ZVRAW_OK;
}

int ZVRawExtendedStats::writeRecords(std::string_view dir, unsigned int fn, unsigned int first, unsigned int last,
                                     unsigned int& written) {
  written = 0;
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  std::string path;
  if (int rc = statsFilePath(dir, fn, path); rc != ZVRAW_OK) return rc;
  zvraw::FilePtr file = rawFileComponentfopen(path, "r+b");
  if (!file) return ZVRAW_STATSFILE_FILEWRITEOPEN_ERROR;

  std::vector<StatsFieldCodec> plan;
  if (int rc = zvraw::guardAllocation([&] {
        plan.reserve(f->leader.m_nNumberOfFields);
        return ZVRAW_OK;
      });
      rc != ZVRAW_OK)
    return rc;
  std::size_t stride = 0;
  for (std::uint32_t i = 0; i < f->leader.m_nNumberOfFields; ++i) {
    const StatsFieldCodec& codec = plan.emplace_back(f->fields[i].m_nFieldID, f->fields[i].m_nFieldType);
    if (codec.width() == 0) return checkFileWriteError(file.get());  // a field of no width cannot be written
    stride += codec.width();
  }
  const std::size_t total = std::size_t{last} - first + 1;
  if (stride == 0) {  // records without fields take no bytes
    if (!zvraw::closeChecked(file)) return ZVRAW_FILEWRITE_ERROR;
    written = static_cast<unsigned int>(total);
    return ZVRAW_OK;
  }

  const std::size_t perBlock = std::max<std::size_t>(1, kWriteBlockBytes / stride);
  zvraw::PageAlignedBuffer block(std::min(perBlock, total) * stride);
  if (block.data() == nullptr) return ZVRAW_MEMALLOC_ERROR;
  const std::uint64_t at = std::uint64_t{f->leader.m_nHeaderSize} + std::uint64_t{first} * stride;
  int rc = ::fseeko(file.get(), static_cast<off_t>(at), SEEK_SET) == 0 ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
  std::size_t done = 0;
  while (rc == ZVRAW_OK && done < total) {
    const std::size_t n = std::min(perBlock, total - done);
    std::memset(block.data(), 0, n * stride);
    std::uint8_t* p = block.data();
    for (std::size_t k = 0; k < n; ++k) {
      const ZVRawExtStatsRecord& r = f->records[first + done + k];
      for (const StatsFieldCodec& field : plan) {
        field.pack(r, p);  // a field without a member stays zero
        p += field.width();
      }
    }
    const std::size_t bytes = std::fwrite(block.data(), 1, n * stride, file.get());
    done += bytes / stride;
    if (bytes != n * stride) rc = checkFileWriteError(file.get());
  }
  // Bytes the close could not flush may belong to any record of this call:
  // count none as written, so a retry writes them all again.
  if (!zvraw::closeChecked(file)) return ZVRAW_FILEWRITE_ERROR;
  written = static_cast<unsigned int>(done);
  return rc;
}

int ZVRawExtendedStats::writeAppendStatsRecords(std::string_view dir, unsigned int fn, unsigned int from,
                                                unsigned int to) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (!f->hasRecords) return ZVRAW_OK;
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  if (f->records.empty()) return ZVRAW_OK;
  const unsigned int last = std::min<unsigned int>(to, static_cast<unsigned int>(f->records.size() - 1));
  if (from > last) return ZVRAW_OK;
  unsigned int written = 0;
  return writeRecords(dir, fn, from, last, written);
}

int ZVRawExtendedStats::writeFromMark(std::string_view dir, unsigned int fn, unsigned int first, unsigned int last) {
  FunctionStats& f = m_functions[fn];
  if (f.records.empty()) return ZVRAW_OK;
  last = std::min<unsigned int>(last, static_cast<unsigned int>(f.records.size() - 1));
  if (first > last) return ZVRAW_OK;
  unsigned int written = 0;
  const int rc = writeRecords(dir, fn, first, last, written);
  if (written > 0) f.nextScanToWrite = first + written;
  return rc;
}

int ZVRawExtendedStats::writeAppendStatsRecords(std::string_view dir, unsigned int fn, unsigned int n) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (!f->hasRecords) return ZVRAW_OK;
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  const unsigned int mark = f->nextScanToWrite;
  const std::uint64_t end = n == 0 ? f->records.size() : std::uint64_t{mark} + n;
  if (end <= mark) return ZVRAW_OK;
  return writeFromMark(dir, fn, mark, static_cast<unsigned int>(std::min<std::uint64_t>(end - 1, UINT32_MAX)));
}

int ZVRawExtendedStats::writeAppendStatsRecords(std::string_view dir, unsigned int fn, float rt) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (!f->hasRecords) return ZVRAW_OK;
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  if (m_pScanIndices == nullptr) return ZVRAW_ERROR;
  unsigned int scan = 0;
  if (int rc = m_pScanIndices->getScanFromRT(fn, rt, scan, NEAREST_LESS); rc != ZVRAW_OK) return rc;
  // A time before the mark: those records are in the file already.
  return writeFromMark(dir, fn, f->nextScanToWrite, scan);
}

int ZVRawExtendedStats::writeAppendStatsRecords(std::string_view dir, unsigned int fn, float rt1, float rt2) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (!f->hasRecords) return ZVRAW_OK;
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  if (m_pScanIndices == nullptr) return ZVRAW_ERROR;
  unsigned int first = 0, last = 0;
  if (int rc = m_pScanIndices->getScanRangeFromTimeRange(fn, rt1, rt2, first, last); rc != ZVRAW_OK) return rc;
  return writeFromMark(dir, fn, std::max(first, f->nextScanToWrite), last);
}

template <class Append>
int ZVRawExtendedStats::writeAllFunctions(std::string_view dir, Append&& append) {
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  for (unsigned int fn = 0; fn < m_functions.size(); ++fn) {
    FunctionStats& f = m_functions[fn];
    if (!f.hasRecords) continue;
    if (f.headerDue) {
      if (int rc = writeHeaderBlock(dir, fn); rc != ZVRAW_OK) return rc;
    }
    if (int rc = append(fn); rc != ZVRAW_OK) return rc;
    f.validStats = 1;
  }
  return ZVRAW_OK;
}

int ZVRawExtendedStats::writeExtendedStats(std::string_view dir, float rt) {
  return writeAllFunctions(dir, [&](unsigned int fn) { return writeAppendStatsRecords(dir, fn, rt); });
}

int ZVRawExtendedStats::writeExtendedStats(std::string_view dir, float rt1, float rt2) {
  return writeAllFunctions(dir, [&](unsigned int fn) { return writeAppendStatsRecords(dir, fn, rt1, rt2); });
}

int ZVRawExtendedStats::writeExtendedStats(std::string_view dir, unsigned int fn) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  const std::size_t count = f->records.size();
  if (!f->hasRecords || count == 0 || f->nextScanToWrite >= count) return ZVRAW_OK;
  if (f->nextScanToWrite == 0 && f->headerDue) {
    if (int rc = writeHeaderBlock(dir, fn); rc != ZVRAW_OK) return rc;
  }
  if (int rc = writeAppendStatsRecords(dir, fn, f->nextScanToWrite, static_cast<unsigned int>(count - 1));
      rc != ZVRAW_OK)
    return rc;
  f->nextScanToWrite = static_cast<unsigned int>(count);
  f->validStats = 1;
  return ZVRAW_OK;
}

int ZVRawExtendedStats::writeExtendedStats(std::string_view dir, unsigned int fn, unsigned int from, unsigned int to) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (!f->hasRecords) return ZVRAW_OK;
  if (f->headerDue) {
    if (int rc = writeHeaderBlock(dir, fn); rc != ZVRAW_OK) return rc;
  }
  if (int rc = writeAppendStatsRecords(dir, fn, from, to); rc != ZVRAW_OK) return rc;
  f->validStats = 1;
  return ZVRAW_OK;
}

template <class Append>
int ZVRawExtendedStats::writeOneFunction(std::string_view dir, unsigned int fn, Append&& append) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (int rc = writeHeaderBlock(dir, fn); rc != ZVRAW_OK) return rc;  // only while the mark is 0
  if (int rc = append(); rc != ZVRAW_OK) return rc;
  f->validStats = 1;
  return ZVRAW_OK;
}

int ZVRawExtendedStats::writeExtendedStats(std::string_view dir, unsigned int fn, unsigned int n) {
  return writeOneFunction(dir, fn, [&] { return writeAppendStatsRecords(dir, fn, n); });
}

int ZVRawExtendedStats::writeExtendedStats(std::string_view dir, unsigned int fn, float rt) {
  return writeOneFunction(dir, fn, [&] { return writeAppendStatsRecords(dir, fn, rt); });
}

}  // namespace borealtek_zvraw_version_1
