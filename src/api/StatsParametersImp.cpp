#include "api/StatsParametersImp.h"

#include <cstdint>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ZVRawExtStatsRecord;

namespace {

constexpr int kFirstItem = 401, kLastRecordItem = 523, kFirstIndexItem = 652, kLastItem = 655;

}  // namespace

StatsParametersImp::StatsParametersImp() : m_pScanRecord(std::make_unique<ZVRawExtStatsRecord>()) {}

StatsParametersImp::~StatsParametersImp() = default;

int StatsParametersImp::IsValid(const int& item) {
  const bool valid = (item >= kFirstItem && item <= kLastRecordItem) || (item >= kFirstIndexItem && item <= kLastItem);
  return valid ? ZVRAW_OK : ZVRAW_PARAMETER_INVALID;
}

int StatsParametersImp::EnumToID(const ZorvalenScanItem& item, int& id) {
  if (const int rc = IsValid(item); rc != ZVRAW_OK) return rc;
  id = static_cast<int>(item) - static_cast<int>(unScanItemOffset);
  return ZVRAW_OK;
}

int StatsParametersImp::IDtoEnum(const int& id) {
  // In 64 bits: an id near INT_MAX must not wrap onto a valid item.
  const std::int64_t item = std::int64_t{id} + unScanItemOffset;
  return item <= kLastItem && IsValid(static_cast<int>(item)) == ZVRAW_OK
             ? static_cast<int>(item)
             : static_cast<int>(ZorvalenScanItem::UNINITIALISED);
}

void StatsParametersImp::SetValueRecord(const ZorvalenScanItem& item, const std::string& text) {
  int id = 0;
  (void)EnumToID(item, id);
  (void)borealtek_zvraw_version_1::setFieldValueFromString(*m_pScanRecord, static_cast<unsigned int>(id), text.c_str());
}

ZVRawExtStatsRecord* StatsParametersImp::GetParameters() {
  for (const int key : GetSetKeys()) SetValueRecord(static_cast<ZorvalenScanItem>(key), GetValue(key));
  return m_pScanRecord.get();
}

}  // namespace Vardex::Lib::ZorvalenRaw
