#pragma once

// The statistics layouts a writer declared, one per function, and the
// scatter of its packed records into the per-scan statistics records: record
// i of a batch fills the record of scan first + i, field by field, through
// the setter bound to each field's id.

#include <memory>
#include <vector>

#include "cluster/ExtendedStatsDescriptor.h"

namespace borealtek_zvraw_version_1 {
class ZVRawExtendedStats;
}

// 0, or ZVRAW_SCANSTATS_FIELD_INVALID when a declared position (one never
// added reads as id 0) has an id without a setter, a letter other than 's',
// 'f', 'c', or an offset whose value would not lie within the record size.
[[nodiscard]] int checkStatsLayout(const ExtendedStatsDescriptorImp& layout);

// The setter behind a field: the record of (fn, scan) takes the value, and
// the id joins the function's layout when it is not there yet. ZVRAW_ERROR
// when the statistics hold no such record, or when the id cannot join the
// layout (records already in the file).
[[nodiscard]] int setStatsField(borealtek_zvraw_version_1::ZVRawExtendedStats& stats, unsigned int nFuncNum,
                                unsigned int nScan, const StatsSetter& setter, char cType, const void* pValue);

class StatsDescriptorSet {
 public:
  using ExtendedStatsDescriptor = borealtek_zvraw_version_1::ExtendedStatsDescriptor;
  using ZVRawExtendedStats = borealtek_zvraw_version_1::ZVRawExtendedStats;

  // A fresh array of n empty slots.
  void reset(unsigned int n);
  // One more empty slot, the others kept.
  void appendFunction();
  [[nodiscard]] bool hasArray() const { return m_bHasArray; }
  // The function's layout, or null.
  [[nodiscard]] const ExtendedStatsDescriptor* get(unsigned int nFuncNum) const;

  // Keeps a copy of layout for the function and binds its setters.
  // ZVRAW_FUNCNUM_INVALID for nFuncNum not below nFunctionCount;
  // ZVRAW_SCANSTATS_FIELD_INVALID, storing nothing, for a layout that fails
  // checkStatsLayout or that adds an id to a function whose records have
  // already gone to its file (pStats may be null: no such check).
  int set(unsigned int nFunctionCount, unsigned int nFuncNum, const ExtendedStatsDescriptor& layout,
          const ZVRawExtendedStats* pStats);

  // Scatters nScanCount records of the function's layout from pStats into
  // new statistics records placed after those the function holds. A failed
  // call changes nothing. ZVRAW_EXTENDEDSTATS_NOTSET without a layout, 0 for
  // no records, ZVRAW_NULLPOINTER_ERROR for null pStats,
  // ZVRAW_SCANSTATS_FIELD_INVALID as in set, or the statistics' own code.
  int appendStats(ZVRawExtendedStats& stats, unsigned int nFuncNum, unsigned int nScanCount, const void* pStats) const;

 private:
  bool m_bHasArray = false;
  std::vector<std::unique_ptr<ExtendedStatsDescriptor>> m_slots;
};
