#pragma once

// The statistics layout of one writer function: the fields its caller
// declared, in the caller's order, packed back to back without padding,
// each at the width of its field type (short 2, float 4, char 1). The
// descriptor tells the write interface where each field lies; ConvertStats
// packs one scan's keyed texts into a record of that layout.

#include <memory>
#include <vector>

#include "api/Parameters.h"
#include "cluster/ExtendedStatsDescriptor.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

class ExtendedStats {
 public:
  ExtendedStats();
  ExtendedStats(const ExtendedStats&) = delete;
  ExtendedStats& operator=(const ExtendedStats&) = delete;
  ~ExtendedStats();

  // A new layout of the field ids, replacing the one held. 75
  // (ZVRAW_SCAN_STAT_NOTSUPPORTED) for the first id a writer cannot declare
  // or the write interface cannot store; after a failure no layout is held.
  [[nodiscard]] int Initalise(const std::vector<int>& ids);
  // The same from scan items: 57 (ZVRAW_PARAMETER_INVALID) for the first one
  // that is no scan item and for n < 0, 79 (ZVRAW_NULL_PARAMETERS) for null
  // items with n > 0; after a failure no layout is held.
  [[nodiscard]] int Initalise(const ZorvalenScanItem* items, const int& n);

  [[nodiscard]] borealtek_zvraw_version_1::ExtendedStatsDescriptor* GetDescriptor() { return m_pESD.get(); }

  // One scan's values packed in the layout, little-endian, at `record`; a
  // declared field the set does not give is 0, keys not declared are
  // ignored. 57 (ZVRAW_PARAMETER_INVALID) when a declared field's text is not
  // a number its field holds as written (packStatsValue): no record then.
  // Valid until the next conversion or Initalise; null while no field is
  // declared.
  [[nodiscard]] int ConvertStats(const Parameters& values, char*& record);

 private:
  void clear();

  std::unique_ptr<borealtek_zvraw_version_1::ExtendedStatsDescriptor> m_pESD;
  std::vector<char> m_pBuffer;
  std::vector<int> m_pFieldType;
};

}  // namespace Vardex::Lib::ZorvalenRaw
