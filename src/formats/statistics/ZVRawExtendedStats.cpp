#include "formats/statistics/ZVRawExtendedStats.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "formats/portability/AllocationGuard.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

const char* typeName(int type) {
  switch (type) {
    case CHAR_FIELD:
      return "char";
    case SHORT_INT_FIELD:
      return "short";
    case LONG_INT_FIELD:
      return "int";
    case SINGLE_FLOAT_FIELD:
      return "float";
    case DOUBLE_FLOAT_FIELD:
      return "double";
    default:
      return "";
  }
}

// The dictionary entry listed for a field: all zero for an id without one.
ExtendedStatsRecord listedEntry(std::uint32_t id) {
  const ExtendedStatsRecord* e = ZVRawExtendedStats::getStatsRecord(id);
  return e != nullptr ? *e : ExtendedStatsRecord{};
}

// At most 63 characters, NUL-padded to 64.
void putText(char (&out)[EXTSTATS_FIELDNAME_SIZE], const char* text) {
  std::memset(out, 0, sizeof out);
  const std::size_t n = strnlen(text, EXTSTATS_FIELDNAME_SIZE - 1);
  std::memcpy(out, text, n);
}

}  // namespace

int checkFileReadError(std::FILE* file) {
  if (file == nullptr || std::ferror(file)) return ZVRAW_FILEREAD_ERROR;
  return std::feof(file) ? ZVRAW_FILEREAD_EOFERROR : ZVRAW_FILEREAD_ERROR;
}

int checkFileWriteError(std::FILE*) { return ZVRAW_FILEWRITE_ERROR; }

ZVRawExtendedStats::ZVRawExtendedStats(unsigned int n) : m_functions(n) {}

int ZVRawExtendedStats::appendFunctions(unsigned int n) {
  // Two unsigned counts of functions stay far below max_size(): only memory can run out.
  static_assert(std::uint64_t{2} * UINT32_MAX < PTRDIFF_MAX / sizeof(FunctionStats));
  return zvraw::guardAllocation([&] {
    m_functions.resize(m_functions.size() + n);
    return ZVRAW_OK;
  });
}

// Whatever asks for a function to change it gets its records built (null
// when they cannot be allocated).
ZVRawExtendedStats::FunctionStats* ZVRawExtendedStats::function(unsigned int fn) {
  if (fn >= m_functions.size() || !buildRecords(m_functions[fn])) return nullptr;
  return &m_functions[fn];
}

void ZVRawExtendedStats::StoredRecords::decode(std::size_t k, ZVRawExtStatsRecord& r) const {
  const std::uint8_t* p = bytes.get() + k * stride;
  for (const StatsFieldCodec& field : plan) {
    field.unpack(r, p);
    p += field.width();
  }
}

bool ZVRawExtendedStats::buildRecords(const FunctionStats& f) const {
  const std::lock_guard lock(m_buildGuard);
  return buildLocked(f);
}

bool ZVRawExtendedStats::buildLocked(const FunctionStats& f) const {
  if (!f.stored) return true;
  // A count of scans stays far below max_size(): only memory can run out.
  static_assert(std::uint64_t{UINT32_MAX} < PTRDIFF_MAX / sizeof(ZVRawExtStatsRecord));
  const bool built = zvraw::guardAllocation(
      [&] {
        std::vector<ZVRawExtStatsRecord> records;
        records.reserve(f.stored->count);
        for (std::size_t k = 0; k < f.stored->count; ++k) f.stored->decode(k, records.emplace_back());
        f.records.swap(records);
        return true;
      },
      false);
  if (built) f.stored.reset();
  return built;
}
const ZVRawExtendedStats::FunctionStats* ZVRawExtendedStats::function(unsigned int fn) const {
  return fn < m_functions.size() ? &m_functions[fn] : nullptr;
}

int ZVRawExtendedStats::addField(unsigned int fn, unsigned int id) {
  if (id > static_cast<unsigned int>(MAX_FIELD_ID)) return ZVRAW_ERROR;
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  ZVRawExtStatsHeaderLeader& l = f->leader;
  const auto end = f->fields.begin() + l.m_nNumberOfFields;
  if (std::any_of(f->fields.begin(), end, [id](const ZVRawExtStatsField& x) { return x.m_nFieldID == id; }))
    return ZVRAW_OK;
  // Records already in the file were laid out by its header block, which is
  // never rewritten once records follow it.
  if (f->nextScanToWrite > 0) return ZVRAW_ERROR;
  // At most one field per id, so a free slot is left (a read layout with
  // repeated ids could fill them all).
  if (l.m_nNumberOfFields >= static_cast<std::uint32_t>(kMaxStatsFields)) return ZVRAW_ERROR;

  ZVRawExtStatsField& slot = f->fields.emplace_back();
  slot.m_nFieldID = id;
  slot.m_nFieldType = fieldIDToType(id);
  if (l.m_nNumberOfFields > 0) {
    const ZVRawExtStatsField& prev = f->fields[l.m_nNumberOfFields - 1];
    slot.m_nOffSet = prev.m_nOffSet + fieldTypeToSize(prev.m_nFieldType);
  }
  ++l.m_nNumberOfFields;
  l.m_nRecordSize += fieldTypeToSize(slot.m_nFieldType);
  l.m_nHeaderSize += static_cast<std::uint32_t>(kStatsFieldDescriptorSize);
  f->validField[id] = true;
  // A header block written while no record had followed it describes the old
  // layout: write it again before the next records.
  f->headerDue = true;
  return ZVRAW_OK;
}

int ZVRawExtendedStats::setValidField(unsigned int fn, unsigned int id) {
  if (id > static_cast<unsigned int>(MAX_FIELD_ID)) return ZVRAW_ERROR;
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  f->validField[id] = true;
  return ZVRAW_OK;
}

bool ZVRawExtendedStats::isValidField(unsigned int fn, unsigned int id) const {
  const FunctionStats* f = function(fn);
  return f != nullptr && id <= static_cast<unsigned int>(MAX_FIELD_ID) && f->validField[id];
}

bool ZVRawExtendedStats::isValidStats(unsigned int fn) const {
  const FunctionStats* f = function(fn);
  return f != nullptr && f->validStats != 0;
}

const ZVRawExtStatsHeaderLeader* ZVRawExtendedStats::getHeaderLeader(unsigned int fn) const {
  const FunctionStats* f = function(fn);
  return f != nullptr ? &f->leader : nullptr;
}

const ZVRawExtStatsField* ZVRawExtendedStats::getField(unsigned int fn, unsigned int which) const {
  const FunctionStats* f = function(fn);
  return f != nullptr && which < f->leader.m_nNumberOfFields ? &f->fields[which] : nullptr;
}

int ZVRawExtendedStats::incrementStatsScanBuffer(unsigned int fn, unsigned int n) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (n == 0) return ZVRAW_OK;
  if (n > UINT32_MAX - f->records.size()) return ZVRAW_MEMALLOC_ERROR;
  return zvraw::guardAllocation([&] {
    f->records.resize(f->records.size() + n);
    f->hasRecords = true;
    return ZVRAW_OK;
  });
}

int ZVRawExtendedStats::addStatsRecords(unsigned int fn, unsigned int first, unsigned int last,
                                        const ZVRawExtStatsRecord* source) {
  if (source == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  const std::size_t count = f->records.size();
  if (last < first || (count > 0 && last <= count - 1)) return ZVRAW_ERROR;
  if (last == UINT32_MAX) return ZVRAW_MEMALLOC_ERROR;  // the count would not fit
  return zvraw::guardAllocation([&] {
    f->records.resize(std::size_t{last} + 1);
    std::copy(source, source + (last - first + 1), f->records.begin() + first);
    f->hasRecords = true;
    return ZVRAW_OK;
  });
}

ZVRawExtStatsRecord* ZVRawExtendedStats::getStatsRecord(unsigned int fn, unsigned int scan) {
  FunctionStats* f = function(fn);
  return f != nullptr && scan < f->records.size() ? &f->records[scan] : nullptr;
}

int ZVRawExtendedStats::getStatsRecord(unsigned int fn, unsigned int scan, const ZVRawExtStatsRecord*& out) const {
  out = nullptr;
  const FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_ERROR;
  const std::lock_guard lock(m_buildGuard);
  if (scan >= heldRecords(*f)) return ZVRAW_ERROR;
  // A layout of no fields takes no bytes of the file, whatever the index
  // counts: one zero record answers for every scan, and none is built.
  if (f->stored && f->stored->plan.empty()) {
    static const ZVRawExtStatsRecord kNoFields{};
    out = &kNoFields;
  } else if (buildLocked(*f)) {
    out = &f->records[scan];
  }
  return out != nullptr ? ZVRAW_OK : ZVRAW_ERROR;
}

int ZVRawExtendedStats::copyStatsRecord(unsigned int fn, unsigned int scan, ZVRawExtStatsRecord& out) const {
  const FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_ERROR;
  const std::lock_guard lock(m_buildGuard);
  if (scan >= heldRecords(*f)) return ZVRAW_ERROR;
  if (!f->stored) {
    out = f->records[scan];
  } else {
    out = ZVRawExtStatsRecord{};
    f->stored->decode(scan, out);
  }
  return ZVRAW_OK;
}

unsigned int ZVRawExtendedStats::GetStatsScanCount(unsigned int fn) const {
  const FunctionStats* f = function(fn);
  if (f == nullptr) return 0;
  const std::lock_guard lock(m_buildGuard);
  return static_cast<unsigned int>(heldRecords(*f));
}

unsigned int ZVRawExtendedStats::GetNextScanToWrite(unsigned int fn) const {
  const FunctionStats* f = function(fn);
  return f != nullptr ? f->nextScanToWrite : 0;
}

int ZVRawExtendedStats::rewindNextScanToWrite(unsigned int fn, unsigned int nMark) {
  FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (nMark > f->nextScanToWrite) return ZVRAW_SCANRANGE_INVALID;
  f->nextScanToWrite = nMark;
  if (nMark == 0) f->headerDue = true;
  return ZVRAW_OK;
}

const ExtendedStatsRecord* ZVRawExtendedStats::getStatsRecord(const unsigned int& id) {
  return id < StatsRecords.size() ? &StatsRecords[id] : nullptr;
}

// The text form of the entries' listing.
int ZVRawExtendedStats::getExtendedStatsFields(unsigned int fn, FieldTexts& names, FieldTexts& types,
                                               int& count) const {
  std::unique_ptr<ExtendedStatsRecord[]> entries;
  int n = count;
  if (int rc = getExtendedStatsFields(fn, entries, n); rc != ZVRAW_OK) return rc;
  count = n;  // untouched when the function is not valid
  if (!entries) return ZVRAW_OK;
  FieldTexts nameList, typeList;
  if (int rc = zvraw::guardAllocation([&] {
        nameList = std::make_unique_for_overwrite<char[][EXTSTATS_FIELDNAME_SIZE]>(static_cast<std::size_t>(n));
        typeList = std::make_unique_for_overwrite<char[][EXTSTATS_FIELDNAME_SIZE]>(static_cast<std::size_t>(n));
        return ZVRAW_OK;
      });
      rc != ZVRAW_OK) {
    count = 0;
    return rc;
  }
  for (int i = 0; i < n; ++i) {
    putText(nameList[i], entries[i].Name);
    putText(typeList[i], typeName(entries[i].Type));
  }
  names = std::move(nameList);
  types = std::move(typeList);
  return ZVRAW_OK;
}

int ZVRawExtendedStats::getExtendedStatsFields(unsigned int fn, std::unique_ptr<ExtendedStatsRecord[]>& out,
                                               int& count) const {
  const FunctionStats* f = function(fn);
  if (f == nullptr) return ZVRAW_FUNCNUM_INVALID;
  if (f->validStats == 0) return ZVRAW_OK;
  const std::uint32_t n = f->leader.m_nNumberOfFields;
  count = static_cast<int>(n);
  if (n == 0) return ZVRAW_OK;
  std::unique_ptr<ExtendedStatsRecord[]> list;
  if (int rc = zvraw::guardAllocation([&] {
        list = std::make_unique_for_overwrite<ExtendedStatsRecord[]>(n);
        return ZVRAW_OK;
      });
      rc != ZVRAW_OK) {
    count = 0;
    return rc;
  }
  for (std::uint32_t i = 0; i < n; ++i) list[i] = listedEntry(f->fields[i].m_nFieldID);
  out = std::move(list);
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
