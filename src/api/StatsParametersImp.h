#pragma once

// A parameter set whose keys are scan items (ZorvalenScanItem, 401-523 and
// 652-655) and whose texts are one scan's statistics values. The pairs stay
// as the caller gave them; GetParameters parses them into a statistics
// record when a writer needs the values. An item's field id is item - 400.

#include <memory>
#include <string>

#include "api/ProcessParametersImp.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

class StatsParametersImp : public ProcessParametersImp {
 public:
  StatsParametersImp();
  StatsParametersImp(const StatsParametersImp&) = delete;
  StatsParametersImp& operator=(const StatsParametersImp&) = delete;
  ~StatsParametersImp() override;

  static constexpr unsigned int unScanItemOffset = 400;

  // 0 for a scan item (401-523, 652-655), 57 (ZVRAW_PARAMETER_INVALID) otherwise.
  [[nodiscard]] static int IsValid(const ZorvalenScanItem& item) { return IsValid(static_cast<int>(item)); }
  [[nodiscard]] static int IsValid(const int& item);
  // The field id of a valid item; 57 and id untouched otherwise.
  [[nodiscard]] static int EnumToID(const ZorvalenScanItem& item, int& id);
  // The item of a field id; 699 (UNINITIALISED) when id + 400 is no item.
  [[nodiscard]] static int IDtoEnum(const int& id);

  // Parses text into the record member of the item's field; an invalid item
  // (field id 0) and a field without a member change nothing.
  void SetValueRecord(const ZorvalenScanItem& item, const std::string& text);
  // Every pair of the set parsed in ascending key order; the record is this
  // set's and keeps what earlier calls stored for keys since removed.
  [[nodiscard]] borealtek_zvraw_version_1::ZVRawExtStatsRecord* GetParameters();

 private:
  std::unique_ptr<borealtek_zvraw_version_1::ZVRawExtStatsRecord> m_pScanRecord;
};

}  // namespace Vardex::Lib::ZorvalenRaw
