#pragma once

// The layout of a writer's own per-scan statistics record: which field ids it
// carries, each as a typed value at a byte offset, and the record's length
// (the stride between consecutive records). Values are in the machine's byte
// order and need no alignment. Type letters: 's' 16-bit integer, 'f' 32-bit
// float, 'c' one byte.

#include <memory>
#include <vector>

#include "cluster/StatsSetters.h"

namespace borealtek_zvraw_version_1 {

struct ExtendedStatsField {
  int nID = 0;
  char cType = 0;
};

class ExtendedStatsDescriptor;

}  // namespace borealtek_zvraw_version_1

class ExtendedStatsDescriptorImp {
 public:
  using ExtendedStatsField = borealtek_zvraw_version_1::ExtendedStatsField;

  ExtendedStatsDescriptorImp() = default;
  ExtendedStatsDescriptorImp(int nFieldCount, int nRecordSize) { initDescriptor(nFieldCount, nRecordSize); }

  // A new layout of nFieldCount zero entries (a negative count is 0), none
  // added yet, and no setter bound.
  void initDescriptor(int nFieldCount, int nRecordSize);
  // Ignored once the declared count has been added.
  void addField(const ExtendedStatsField& field, int nOffSet);

  [[nodiscard]] int getRecordSize() const { return m_nRecordSize; }
  void setRecordSize(int nSize) { m_nRecordSize = nSize; }
  [[nodiscard]] int getFieldCount() const { return m_nFieldCount; }
  [[nodiscard]] int getCurrentCount() const { return m_nCurrentCount; }
  // Position nWhich; a position outside the declared count reads as a field
  // never added (id 0, type 0, offset 0, no setter).
  [[nodiscard]] int getFieldID(int nWhich) const { return field(nWhich).nID; }
  [[nodiscard]] char getFieldType(int nWhich) const { return field(nWhich).cType; }
  [[nodiscard]] int getFieldOffSet(int nWhich) const;
  [[nodiscard]] setStatsRecordRoutineV getSetterRoutine(int nWhich) const;
  void setSetterRoutine(int nWhich, setStatsRecordRoutineV routine);

 private:
  [[nodiscard]] bool has(int nWhich) const { return nWhich >= 0 && nWhich < m_nFieldCount; }
  [[nodiscard]] ExtendedStatsField field(int nWhich) const {
    return has(nWhich) ? m_pStatsField[nWhich] : ExtendedStatsField{};
  }

  std::vector<setStatsRecordRoutineV> m_ppInternal;
  int m_nFieldCount = 0;
  int m_nCurrentCount = 0;
  std::vector<ExtendedStatsField> m_pStatsField;
  std::vector<int> m_pOffSets;
  int m_nRecordSize = 0;
};

namespace borealtek_zvraw_version_1 {

class ExtendedStatsDescriptor {
 public:
  ExtendedStatsDescriptor();
  ExtendedStatsDescriptor(int nFieldCount, int nRecordSize);
  // Copies are deep: each descriptor owns its own layout.
  ExtendedStatsDescriptor(const ExtendedStatsDescriptor& other);
  ExtendedStatsDescriptor& operator=(const ExtendedStatsDescriptor& other);
  ~ExtendedStatsDescriptor();

  void initDescriptor(int nFieldCount, int nRecordSize) { m_pImp->initDescriptor(nFieldCount, nRecordSize); }
  void addField(const ExtendedStatsField& ES_Field, int nOffSet) { m_pImp->addField(ES_Field, nOffSet); }
  [[nodiscard]] int getRecordSize() const { return m_pImp->getRecordSize(); }
  [[nodiscard]] int getFieldCount() const { return m_pImp->getFieldCount(); }
  [[nodiscard]] int getFieldID(int nWhich) const { return m_pImp->getFieldID(nWhich); }

  // The field of a statistics id a writer may declare, with its type letter:
  // 0, or ZVRAW_SCAN_STAT_NOTSUPPORTED with ES_Field unchanged.
  static int getFieldFromID(int nID, ExtendedStatsField& ES_Field);

  [[nodiscard]] ExtendedStatsDescriptorImp* getImp() { return m_pImp.get(); }
  [[nodiscard]] const ExtendedStatsDescriptorImp* getImp() const { return m_pImp.get(); }

 private:
  std::unique_ptr<ExtendedStatsDescriptorImp> m_pImp;
};

}  // namespace borealtek_zvraw_version_1
