// The information reader's named values: header items, scan-item names and
// per-scan values, and the items a function records.

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "api/ProcessParametersImp.h"
#include "api/StatsParametersImp.h"
#include "api/ZorvalenRawInfoImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/portability/ByteCodec.h"
#include "formats/portability/CLocale.h"
#include "formats/statistics/ZVRawExtendedStats.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ExtendedStatsRecord;
using borealtek_zvraw_version_1::ZVRawExtStatsRecord;
namespace zv = borealtek_zvraw_version_1;

namespace {

// How a record field reads as text, by field id.
enum class Rendering : std::uint8_t { None, Integer, Real, Truncated, Byte, Character };

constexpr bool in(int id, int first, int last) { return id >= first && id <= last; }

constexpr Rendering renderingOf(int id) {
  if (in(id, 1, 8) || in(id, 11, 15) || id == 21 || in(id, 50, 61) || in(id, 63, 76) || id == 81 || id == 113 ||
      in(id, 122, 123))
    return Rendering::Integer;
  if (in(id, 9, 10) || in(id, 16, 20) || in(id, 22, 26) || id == 62 || in(id, 77, 78) || in(id, 82, 83) || id == 102 ||
      in(id, 104, 108))
    return Rendering::Real;
  if (id == zv::QUAD_PEAK_WIDTH) return Rendering::Truncated;
  if (id == zv::REFERENCE_SCAN || id == zv::USE_LOCKMASS_CORRECTION || id == zv::USETEMP_CORRECTION)
    return Rendering::Byte;
  if (id == zv::ACCURATE_MASS) return Rendering::Character;
  return Rendering::None;
}

// The member of a field id in the width of type, through the record's own
// packer; a field without a member (78) reads as 0.
template <class T>
T memberValue(const ZVRawExtStatsRecord& record, int id, unsigned int type) {
  char bytes[sizeof(T)] = {};
  char* cursor = bytes;
  (void)zv::getBufferFromFieldValue2(record, static_cast<unsigned int>(id), type, cursor);
  return loadLE<T>(bytes);
}

// A float from disk as an int, toward zero: NaN is 0 and values beyond the
// int range saturate, since converting them unchecked is undefined.
int truncateToInt(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0f) return INT_MAX;
  if (value <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(value);
}

// The field id of a scan item; 0 for a value that is no scan item.
int fieldIdOf(int item) {
  int id = 0;
  (void)StatsParametersImp::EnumToID(static_cast<ZorvalenScanItem>(item), id);
  return id;
}

// A question on one scan of the cluster; negative numbers are refused
// before they could reach it as huge unsigned ones.
template <class Lookup>
int scanQuery(int function, int scan, Lookup lookup) {
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  if (scan < 0) return ZVRAW_SCANNUM_INVALID;
  return lookup(static_cast<unsigned>(function), static_cast<unsigned>(scan));
}

std::string nameOf(const ExtendedStatsRecord& entry) {
  return std::string(entry.Name, strnlen(entry.Name, sizeof entry.Name));
}

// The header has 50 named slots.
constexpr std::int64_t kHeaderItems = 50;

// The items of an export: null with n > 0 and n < 0 are refused.
int checkItems(const void* items, int n) {
  if (n < 0) return ZVRAW_PARAMETER_INVALID;
  return items == nullptr && n > 0 ? ZVRAW_NULL_PARAMETERS : ZVRAW_OK;
}

}  // namespace

std::string ZorvalenRawInfoImp::float_to_string(float value) { return zvraw::formatC("%.9g", static_cast<double>(value)); }

std::string ZorvalenRawInfoImp::int_to_string(int value) { return zvraw::formatC("%d", value); }

int ZorvalenRawInfoImp::getHeaderItemValue(const ZorvalenHeaderItem* items, int n, ProcessParametersImp& set) const {
  if (const int rc = checkItems(items, n); rc != ZVRAW_OK) return rc;
  set.Clear();
  for (int i = 0; i < n; ++i) {
    const int item = static_cast<int>(items[i]);
    const std::int64_t slot = std::int64_t{item} - unHeaderOffset;
    const char* text = slot >= 0 && slot < kHeaderItems ? getDataCluster()->getHeaderItem(static_cast<unsigned>(slot), 0) : "";
    set.SetValue(item, text != nullptr ? text : "");
  }
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::getStatsName(const ZorvalenScanItem* items, int n, ProcessParametersImp& set) const {
  if (const int rc = checkItems(items, n); rc != ZVRAW_OK) return rc;
  set.Clear();
  for (int i = 0; i < n; ++i) {
    const int item = static_cast<int>(items[i]);
    const ExtendedStatsRecord* entry =
        zv::ZVRawExtendedStats::getStatsRecord(static_cast<unsigned int>(fieldIdOf(item)));
    set.SetValue(item, entry != nullptr ? nameOf(*entry) : "");
  }
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::getScanItemValue(int function, int scan, const ZorvalenScanItem* items, int n,
                                         ProcessParametersImp& set) const {
  if (const int rc = checkItems(items, n); rc != ZVRAW_OK) return rc;
  set.Clear();
  for (int i = 0; i < n; ++i) set.SetValue(static_cast<int>(items[i]), "");
  return getItemValue(function, scan, set);
}

int ZorvalenRawInfoImp::getScanItemsInFunction(int function, ProcessParametersImp& set) const {
  set.Clear();
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  std::unique_ptr<ExtendedStatsRecord[]> fields;
  int count = 0;
  const int rc = getDataCluster()->getExtendedStatsFields(static_cast<unsigned>(function), fields, count);
  if (rc != ZVRAW_OK || !fields) return rc;
  for (int i = 0; i < count; ++i) {
    const ExtendedStatsRecord& f = fields[static_cast<std::size_t>(i)];
    if (f.Code != 0) set.SetValue(StatsParametersImp::IDtoEnum(f.Code), nameOf(f));
  }
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::checkScan(int function, int scan) const {
  unsigned int scans = 0;
  if (const int rc = GetScansInFunction(function, scans); rc != ZVRAW_OK) return rc;
  return scan < 0 || static_cast<unsigned>(scan) >= scans ? ZVRAW_SCANNUM_INVALID : ZVRAW_OK;
}

int ZorvalenRawInfoImp::getItemValue(int function, int scan, ProcessParametersImp& set) const {
  if (const int rc = checkScan(function, scan); rc != ZVRAW_OK) return rc;
  const ZVRawExtStatsRecord* record = scanRecord(function, scan);
  for (const int key : set.GetSetKeys())
    if (std::optional<std::string> text = itemText(function, scan, record, key)) set.SetValue(key, *text);
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::getItemValue(int function, int scan, const std::vector<int>& fieldIds,
                                     std::vector<std::string>& texts) const {
  texts.assign(fieldIds.size(), std::string());
  if (const int rc = checkScan(function, scan); rc != ZVRAW_OK) return rc;
  const ZVRawExtStatsRecord* record = scanRecord(function, scan);
  for (std::size_t i = 0; i < fieldIds.size(); ++i) {
    const std::int64_t item = std::int64_t{fieldIds[i]} + StatsParametersImp::unScanItemOffset;
    if (item > INT_MAX) continue;
    if (std::optional<std::string> text = itemText(function, scan, record, static_cast<int>(item)))
      texts[i] = std::move(*text);
  }
  return ZVRAW_OK;
}

// The first source that answers: the function's set mass, the scan index,
// then the record.
std::optional<std::string> ZorvalenRawInfoImp::itemText(int function, int scan, const ZVRawExtStatsRecord* record,
                                                        int item) const {
  const int id = fieldIdOf(item);
  if (std::optional<std::string> text = getFunctionItem(function, id)) return text;
  if (std::optional<std::string> text = getScanStatsItem(function, scan, id)) return text;
  return record != nullptr ? getExtendedStatsItem(*record, id) : std::nullopt;
}

std::optional<std::string> ZorvalenRawInfoImp::getFunctionItem(int function, int id) const {
  float mass = 0;
  if (id != zv::SET_MASS || getSetMass(function, mass) != ZVRAW_OK) return std::nullopt;
  return float_to_string(mass);
}

std::optional<std::string> ZorvalenRawInfoImp::getScanStatsItem(int function, int scan, int id) const {
  float value = 0;
  unsigned int peaks = 0;
  switch (id) {
    case zv::TOTAL_ION_CURRENT:
      if (GetTIC(function, scan, value) == ZVRAW_OK) return zvraw::formatC("%.0f", static_cast<double>(value));
      break;
    case zv::BASE_PEAK_MASS:
      if (GetBPM(function, scan, value) == ZVRAW_OK) return zvraw::formatC("%.6f", static_cast<double>(value));
      break;
    case zv::BASE_PEAK_INTENSITY:
      if (GetBPI(function, scan, value) == ZVRAW_OK) return zvraw::formatC("%.0f", static_cast<double>(value));
      break;
    case zv::PEAKS_IN_SCAN:
      if (GetPeaksInScan(function, scan, peaks) == ZVRAW_OK) return zvraw::formatC("%u", peaks);
      break;
    default:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> ZorvalenRawInfoImp::getExtendedStatsItem(const ZVRawExtStatsRecord& record, int id) {
  switch (renderingOf(id)) {
    case Rendering::Integer:
      return int_to_string(memberValue<std::int16_t>(record, id, SHORT_INT_FIELD));
    case Rendering::Real:
      return float_to_string(memberValue<float>(record, id, SINGLE_FLOAT_FIELD));
    case Rendering::Truncated:
      return int_to_string(truncateToInt(memberValue<float>(record, id, SINGLE_FLOAT_FIELD)));
    case Rendering::Byte:
      return int_to_string(memberValue<std::int8_t>(record, id, CHAR_FIELD));
    case Rendering::Character: {
      // A zero byte is the empty text, as a C string of that one byte reads.
      const char c = memberValue<char>(record, id, CHAR_FIELD);
      return c != '\0' ? std::string(1, c) : std::string();
    }
    case Rendering::None:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> ZorvalenRawInfoImp::getExtendedStatsItem(int function, int scan, int id) const {
  if (checkScan(function, scan) != ZVRAW_OK) return std::nullopt;
  const ZVRawExtStatsRecord* record = scanRecord(function, scan);
  return record != nullptr ? getExtendedStatsItem(*record, id) : std::nullopt;
}

int ZorvalenRawInfoImp::getSetMass(int function, float& mass) const {
  return scanQuery(function, 0, [&](unsigned f, unsigned) { return getDataCluster()->getSetMass(f, mass); });
}

int ZorvalenRawInfoImp::GetTIC(int function, int scan, float& tic) const {
  return scanQuery(function, scan, [&](unsigned f, unsigned s) { return getDataCluster()->getTIC(f, s, tic); });
}

int ZorvalenRawInfoImp::GetBPI(int function, int scan, float& bpi) const {
  return scanQuery(function, scan, [&](unsigned f, unsigned s) { return getDataCluster()->getBPI(f, s, bpi); });
}

int ZorvalenRawInfoImp::GetBPM(int function, int scan, float& bpm) const {
  return scanQuery(function, scan, [&](unsigned f, unsigned s) { return getDataCluster()->getBPM(f, s, bpm); });
}

int ZorvalenRawInfoImp::GetPeaksInScan(int function, int scan, unsigned int& peaks) const {
  return scanQuery(function, scan, [&](unsigned f, unsigned s) { return getDataCluster()->getScanSize(f, s, peaks); });
}

const ZVRawExtStatsRecord* ZorvalenRawInfoImp::scanRecord(int function, int scan) const {
  const ZVRawExtStatsRecord* record = nullptr;
  if (function >= 0 && scan >= 0)
    (void)getDataCluster()->getExtendedStatsRecord(static_cast<unsigned>(function), static_cast<unsigned>(scan),
                                                   record);
  return record;
}

}  // namespace Vardex::Lib::ZorvalenRaw
