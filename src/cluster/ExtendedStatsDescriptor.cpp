#include "cluster/ExtendedStatsDescriptor.h"

#include <algorithm>
#include <array>

#include "zorvalen/ZorvalenRawResultCodes.h"

void ExtendedStatsDescriptorImp::initDescriptor(int nFieldCount, int nRecordSize) {
  const auto n = static_cast<std::size_t>(std::max(nFieldCount, 0));
  m_ppInternal.assign(n, nullptr);
  m_pStatsField.assign(n, ExtendedStatsField{});
  m_pOffSets.assign(n, 0);
  m_nFieldCount = static_cast<int>(n);
  m_nCurrentCount = 0;
  m_nRecordSize = nRecordSize;
}

void ExtendedStatsDescriptorImp::addField(const ExtendedStatsField& field, int nOffSet) {
  if (m_nCurrentCount >= m_nFieldCount) return;
  m_pStatsField[m_nCurrentCount] = field;
  m_pOffSets[m_nCurrentCount] = nOffSet;
  ++m_nCurrentCount;
}

int ExtendedStatsDescriptorImp::getFieldOffSet(int nWhich) const { return has(nWhich) ? m_pOffSets[nWhich] : 0; }

setStatsRecordRoutineV ExtendedStatsDescriptorImp::getSetterRoutine(int nWhich) const {
  return has(nWhich) ? m_ppInternal[nWhich] : nullptr;
}

void ExtendedStatsDescriptorImp::setSetterRoutine(int nWhich, setStatsRecordRoutineV routine) {
  if (has(nWhich)) m_ppInternal[nWhich] = routine;
}

namespace borealtek_zvraw_version_1 {

ExtendedStatsDescriptor::ExtendedStatsDescriptor() : m_pImp(std::make_unique<ExtendedStatsDescriptorImp>()) {}

ExtendedStatsDescriptor::ExtendedStatsDescriptor(int nFieldCount, int nRecordSize)
    : m_pImp(std::make_unique<ExtendedStatsDescriptorImp>(nFieldCount, nRecordSize)) {}

ExtendedStatsDescriptor::ExtendedStatsDescriptor(const ExtendedStatsDescriptor& other)
    : m_pImp(std::make_unique<ExtendedStatsDescriptorImp>(*other.m_pImp)) {}

ExtendedStatsDescriptor& ExtendedStatsDescriptor::operator=(const ExtendedStatsDescriptor& other) {
  if (this != &other) *m_pImp = *other.m_pImp;
  return *this;
}

ExtendedStatsDescriptor::~ExtendedStatsDescriptor() = default;

int ExtendedStatsDescriptor::getFieldFromID(int nID, ExtendedStatsField& ES_Field) {
  // The ids a writer may declare, with the letter of the value it supplies.
  static constexpr std::array<ExtendedStatsField, 17> kDeclarable{{{1, 's'},
                                                                   {2, 's'},
                                                                   {3, 's'},
                                                                   {4, 's'},
                                                                   {5, 's'},
                                                                   {6, 's'},
                                                                   {7, 's'},
                                                                   {8, 's'},
                                                                   {9, 'f'},
                                                                   {10, 'f'},
                                                                   {62, 'f'},
                                                                   {77, 'f'},
                                                                   {81, 's'},
                                                                   {82, 'f'},
                                                                   {83, 'f'},
                                                                   {84, 'f'},
                                                                   {100, 's'}}};
  const auto* it = std::ranges::find(kDeclarable, nID, &ExtendedStatsField::nID);
  if (it == kDeclarable.end()) return ZVRAW_SCAN_STAT_NOTSUPPORTED;
  ES_Field = *it;
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
