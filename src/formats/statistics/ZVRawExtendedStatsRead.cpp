// Reading _funcNNN.sts (layout in ZVRawExtendedStats.h): the leader and
// descriptors, then one record per scan the index set counts, each field in
// the width of its type, from the leader's header size on.
#include <sys/types.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>
#include <string>
#include <utility>

#include "formats/portability/AllocationGuard.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "formats/portability/SysTrace.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

ZVRawExtendedStats::ZVRawExtendedStats(unsigned int n, ZVRawFunctionScanIndices* indices)
    : m_functions(n), m_pScanIndices(indices) {}

int ZVRawExtendedStats::readStats(std::string_view dir) {
  int rc = ZVRAW_OK;
  for (unsigned int fn = 0; fn < m_functions.size(); ++fn) {
    FunctionStats& f = m_functions[fn];
    std::string path;
    rc = statsFilePath(dir, fn, path);
    if (rc != ZVRAW_OK) continue;
    // One open serves both steps, so the file cannot change between them.
    zvraw::FilePtr file = rawFileComponentfopen(path, "rb");
    f.fileFound = static_cast<bool>(file);
    if (!file) {
      f.validStats = 0;
      rc = ZVRAW_STATSFILE_FILEREADOPEN_ERROR;
      continue;
    }
    rc = readHeaderBlock(file.get(), f);
    if (rc == ZVRAW_OK) rc = readRecords(file.get(), fn, f);
    if (rc == ZVRAW_OK) f.validStats = 1;
  }
  return rc;
}

// Leader, 32 bytes, then its field count of 48-byte descriptors. A file of
// no bytes leaves the layout as it was.
int ZVRawExtendedStats::readHeaderBlock(std::FILE* file, FunctionStats& f) {
  const std::int64_t size = zvraw::openFileSize(file);  // no seek: the stream stays where it is
  if (size < 0) return ZVRAW_FILEREAD_ERROR;
  if (size == 0) return ZVRAW_OK;

  // Whatever goes wrong below leaves no layout, and no records read with one.
  const auto corrupt = [&f] {
    f.leader = ZVRawExtStatsHeaderLeader{};
    f.fields.clear();
    f.validField = ValidFieldArray{};
    f.records.clear();
    f.stored.reset();
    f.validStats = 0;
    return ZVRAW_FILEREAD_ERROR;
  };
  StatsTableLeader leader;
  if (!readStatsLeader(file, leader)) return corrupt();
  // More fields than ids: no record could be read with the descriptors kept.
  if (leader.fieldCount > kMaxStatsFields) return corrupt();

  f.leader = {leader.headerSize, leader.version, leader.recordSize, 0};
  f.fields.clear();
  f.validField = ValidFieldArray{};
  for (std::uint32_t i = 0; i < leader.fieldCount; ++i) {
    STSField d;
    if (!readStatsField(file, d)) return corrupt();
    ZVRawExtStatsField& slot = f.fields.emplace_back();
    slot.m_nFieldID = d.ID;
    slot.m_nFieldType = d.Type;
    slot.m_nOffSet = d.Offset;
    std::memcpy(slot.m_cFieldName, d.Name, kStatsFieldNameSize);  // the rest of the 64 stays NUL
    if (d.ID <= MAX_FIELD_ID) f.validField[d.ID] = true;
    f.leader.m_nNumberOfFields = i + 1;
  }
  return ZVRAW_OK;
}

int ZVRawExtendedStats::readRecords(std::FILE* file, unsigned int fn, FunctionStats& f) {
  if (m_pScanIndices == nullptr) return ZVRAW_ERROR;
  unsigned int scans = 0;
  if (int rc = m_pScanIndices->getScansInFunction(fn, scans); rc != ZVRAW_OK) return rc;

  // The old records' memory goes now, not when the new ones are built.
  std::vector<ZVRawExtStatsRecord>().swap(f.records);
  f.stored.reset();
  f.hasRecords = true;
  std::shared_ptr<StoredRecords> stored;
  if (int rc = zvraw::guardAllocation([&] {
        stored = std::make_shared<StoredRecords>();
        stored->plan.reserve(f.leader.m_nNumberOfFields);
        return ZVRAW_OK;
      });
      rc != ZVRAW_OK)
    return rc;
  std::vector<StatsFieldCodec>& plan = stored->plan;
  std::size_t stride = 0;
  std::size_t beforeWidthless = 0;  // bytes of a record before its first field of no width
  bool widthless = false;
  for (std::uint32_t i = 0; i < f.leader.m_nNumberOfFields; ++i) {
    const ZVRawExtStatsField& field = f.fields[i];
    const StatsFieldCodec& codec = plan.emplace_back(field.m_nFieldID, field.m_nFieldType);
    const unsigned int w = codec.width();
    if (w == 0 && !widthless) {
      widthless = true;
      beforeWidthless = stride;
    }
    stride += w;
  }
  if (scans == 0) return ZVRAW_OK;

  // The records are kept as the file's bytes and built when first asked for.
  stored->stride = stride;
  if (plan.empty()) {  // records of no fields are all zero and read from nothing
    stored->count = scans;
    f.stored = std::move(stored);
    return ZVRAW_OK;
  }
  const std::int64_t size = zvraw::openFileSize(file);
  const std::uint64_t header = f.leader.m_nHeaderSize;
  if (size < 0) return ZVRAW_FILEREAD_ERROR;
  const std::uint64_t available =
      static_cast<std::uint64_t>(size) > header ? static_cast<std::uint64_t>(size) - header : 0;

  // A field that takes no bytes cannot be read: the first record fails,
  // at the end of the file when it ends before that field.
  if (widthless) return available < beforeWidthless ? ZVRAW_FILEREAD_EOFERROR : ZVRAW_FILEREAD_ERROR;

  // Hold no more records than the file can: the count is a claim.
  const auto fits = static_cast<std::size_t>(std::min<std::uint64_t>(scans, available / stride));
  if (int rc = zvraw::guardAllocation([&] {
        stored->bytes = std::make_unique_for_overwrite<std::uint8_t[]>(fits * stride);
        return ZVRAW_OK;
      });
      rc != ZVRAW_OK)
    return rc;
  // Read at their offset (one pread, no seek), from the header size on.
  const std::size_t want = fits * stride;
  int rc = ZVRAW_OK;
  const std::size_t got = zvraw::readAt(file, stored->bytes.get(), want, header, rc);
  stored->count = got / stride;
  if (got == want && fits < scans) {
    // The file ends before the scan count: the read past its end says how.
    std::vector<std::uint8_t> tail(stride);
    (void)zvraw::readAt(file, tail.data(), stride, header + want, rc);
    if (rc == ZVRAW_OK) rc = ZVRAW_FILEREAD_ERROR;  // the file grew under the read
  }
  if (rc == ZVRAW_FILESEEK_ERROR) rc = ZVRAW_FILEREAD_ERROR;  // a header size past any offset
  if (stored->count > 0) f.stored = std::move(stored);
  return rc;
}

int ZVRawExtendedStats::ensureScanCountsConsistent(unsigned int fn) {
  // The reading road: counting the records builds none.
  const FunctionStats* f = std::as_const(*this).function(fn);
  // A function without a statistics file has no records to go by: cutting its
  // scan count to zero would hide every scan it has.
  if (m_pScanIndices == nullptr || fn == 0 || f == nullptr || !f->fileFound) return ZVRAW_OK;
  unsigned int indexed = 0;
  if (int rc = m_pScanIndices->getScansInFunction(fn, indexed); rc != ZVRAW_OK) return rc;
  unsigned int held = 0;
  {
    const std::lock_guard lock(m_buildGuard);
    held = static_cast<unsigned int>(heldRecords(*f));
  }
  if (held >= indexed) return ZVRAW_OK;
  zvraw::traceLine("Func %i - Updating scan count from %i to %i", static_cast<int>(fn), static_cast<int>(indexed),
                   static_cast<int>(held));
  return m_pScanIndices->setScansInFunction(fn, held);
}

}  // namespace borealtek_zvraw_version_1
