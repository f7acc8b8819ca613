#include "cluster/StatsDescriptorSet.h"

#include <cstdint>
#include <vector>

#include "formats/statistics/ZVRawExtendedStats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_zvraw_version_1::ZVRawExtendedStats;
using borealtek_zvraw_version_1::ZVRawExtStatsRecord;

int checkStatsLayout(const ExtendedStatsDescriptorImp& layout) {
  for (int w = 0; w < layout.getFieldCount(); ++w) {
    const int width = statsLetterWidth(layout.getFieldType(w));
    const std::int64_t offset = layout.getFieldOffSet(w);
    if (getSetRoutine(layout.getFieldID(w)) == nullptr || width == 0 || offset < 0 ||
        offset + width > layout.getRecordSize())
      return ZVRAW_SCANSTATS_FIELD_INVALID;
  }
  return ZVRAW_OK;
}

namespace {

// Once records are in the file its header block is final: a layout may only
// name ids that block already describes.
int checkLayoutFitsFile(const ZVRawExtendedStats& stats, unsigned int fn, const ExtendedStatsDescriptorImp& layout) {
  if (stats.GetNextScanToWrite(fn) == 0) return ZVRAW_OK;
  for (int w = 0; w < layout.getFieldCount(); ++w)
    if (!stats.isValidField(fn, static_cast<unsigned int>(layout.getFieldID(w)))) return ZVRAW_SCANSTATS_FIELD_INVALID;
  return ZVRAW_OK;
}

// A layout worked out once for a batch: the stores grouped by conversion,
// so each record runs a few tight loops instead of one branch per field.
// Only the last field of the layout that targets a member is kept, since a
// store in position order leaves that one's value.
class StatsScatterPlan {
 public:
  explicit StatsScatterPlan(const ExtendedStatsDescriptorImp& layout) {
    std::vector<Move> moves[kOps];
    std::vector<bool> taken(sizeof(ZVRawExtStatsRecord), false);
    for (int w = layout.getFieldCount() - 1; w >= 0; --w) {
      const StatsSetter& setter = *layout.getSetterRoutine(w);
      StatsStoreOp op{};
      if (taken[setter.nOffset] || !statsStoreOp(layout.getFieldType(w), setter, op)) continue;
      taken[setter.nOffset] = true;
      moves[static_cast<int>(op)].push_back({static_cast<std::size_t>(layout.getFieldOffSet(w)), setter.nOffset});
    }
    for (int op = 0; op < kOps; ++op)
      if (!moves[op].empty()) m_groups.push_back({kStoreAll[op], std::move(moves[op])});
  }

  void apply(unsigned char* record, const unsigned char* src) const {
    for (const Group& g : m_groups) g.store(g.moves, record, src);
  }

 private:
  struct Move {
    std::size_t src, member;
  };
  using StoreAll = void (*)(const std::vector<Move>&, unsigned char*, const unsigned char*);
  struct Group {
    StoreAll store;
    std::vector<Move> moves;
  };
  static constexpr int kOps = 9;

  template <StatsStoreOp Op>
  static void storeAll(const std::vector<Move>& moves, unsigned char* record, const unsigned char* src) {
    for (const Move& m : moves) applyStatsStore(Op, record + m.member, src + m.src);
  }
  static constexpr StoreAll kStoreAll[kOps] = {
      storeAll<StatsStoreOp::ShortToShort>, storeAll<StatsStoreOp::ShortToFloat>, storeAll<StatsStoreOp::ShortToChar>,
      storeAll<StatsStoreOp::FloatToShort>, storeAll<StatsStoreOp::FloatToFloat>, storeAll<StatsStoreOp::FloatToChar>,
      storeAll<StatsStoreOp::CharToShort>,  storeAll<StatsStoreOp::CharToFloat>,  storeAll<StatsStoreOp::CharToChar>};

  std::vector<Group> m_groups;
};

}  // namespace

int setStatsField(ZVRawExtendedStats& stats, unsigned int nFuncNum, unsigned int nScan, const StatsSetter& setter,
                  char cType, const void* pValue) {
  ZVRawExtStatsRecord* record = stats.getStatsRecord(nFuncNum, nScan);
  if (record == nullptr) return ZVRAW_ERROR;
  const auto id = static_cast<unsigned int>(setter.nID);
  if (!stats.isValidField(nFuncNum, id))
    if (int rc = stats.addField(nFuncNum, id); rc != ZVRAW_OK) return rc;
  storeStatsValue(*record, setter, cType, pValue);
  return ZVRAW_OK;
}

void StatsDescriptorSet::reset(unsigned int n) {
  m_slots.clear();
  m_slots.resize(n);
  m_bHasArray = true;
}

void StatsDescriptorSet::appendFunction() {
  m_slots.emplace_back();
  m_bHasArray = true;
}

const StatsDescriptorSet::ExtendedStatsDescriptor* StatsDescriptorSet::get(unsigned int nFuncNum) const {
  return nFuncNum < m_slots.size() ? m_slots[nFuncNum].get() : nullptr;
}

int StatsDescriptorSet::set(unsigned int nFunctionCount, unsigned int nFuncNum, const ExtendedStatsDescriptor& layout,
                            const ZVRawExtendedStats* pStats) {
  if (nFuncNum >= nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (int rc = checkStatsLayout(*layout.getImp()); rc != ZVRAW_OK) return rc;
  if (pStats != nullptr)
    if (int rc = checkLayoutFitsFile(*pStats, nFuncNum, *layout.getImp()); rc != ZVRAW_OK) return rc;
  if (m_slots.size() < nFunctionCount) m_slots.resize(nFunctionCount);
  m_bHasArray = true;
  auto& slot = m_slots[nFuncNum];
  if (slot)
    *slot = layout;
  else
    slot = std::make_unique<ExtendedStatsDescriptor>(layout);
  ExtendedStatsDescriptorImp& own = *slot->getImp();
  for (int w = 0; w < own.getFieldCount(); ++w) own.setSetterRoutine(w, getSetRoutine(own.getFieldID(w)));
  return ZVRAW_OK;
}

int StatsDescriptorSet::appendStats(ZVRawExtendedStats& stats, unsigned int nFuncNum, unsigned int nScanCount,
                                    const void* pStats) const {
  const ExtendedStatsDescriptor* layout = get(nFuncNum);
  if (layout == nullptr) return ZVRAW_EXTENDEDSTATS_NOTSET;
  if (nScanCount == 0) return ZVRAW_OK;
  if (pStats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const ExtendedStatsDescriptorImp& imp = *layout->getImp();
  if (int rc = checkStatsLayout(imp); rc != ZVRAW_OK) return rc;
  if (int rc = checkLayoutFitsFile(stats, nFuncNum, imp); rc != ZVRAW_OK) return rc;

  // New records go after those held: earlier batches not yet written keep theirs.
  const unsigned int first = stats.GetStatsScanCount(nFuncNum);
  if (int rc = stats.incrementStatsScanBuffer(nFuncNum, nScanCount); rc != ZVRAW_OK) return rc;
  // Each field's id joins the layout in position order, as its first value would add it.
  for (int w = 0; w < imp.getFieldCount(); ++w)
    (void)stats.addField(nFuncNum, static_cast<unsigned int>(imp.getFieldID(w)));

  const StatsScatterPlan plan(imp);
  const auto* base = static_cast<const unsigned char*>(pStats);
  const auto stride = static_cast<std::size_t>(imp.getRecordSize());
  ZVRawExtStatsRecord* records = stats.getStatsRecord(nFuncNum, first);
  // The new records lie in one array; fetch each one only if they do not.
  const bool contiguous = stats.getStatsRecord(nFuncNum, first + nScanCount - 1) == records + (nScanCount - 1);
  for (unsigned int i = 0; i < nScanCount; ++i) {
    ZVRawExtStatsRecord* record = contiguous ? records + i : stats.getStatsRecord(nFuncNum, first + i);
    if (record == nullptr) return ZVRAW_ERROR;
    plan.apply(reinterpret_cast<unsigned char*>(record), base + std::size_t{i} * stride);
  }
  return ZVRAW_OK;
}
