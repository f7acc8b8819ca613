#include "formats/directory/ZVRawFunctionDescriptor.h"

namespace borealtek_zvraw_version_1 {

ZVRawFunctionDescriptor::~ZVRawFunctionDescriptor() = default;

int ZVRawFunctionDescriptor::Initialise(std::uint32_t nFunctionType, std::uint32_t nIonMode, std::uint32_t nDataType,
                                        bool bExtendedIndex, bool bLumaventFunction, float fCycleTime,
                                        float fInterScanDelay, float fRTStart, float fRTEnd, std::uint32_t nTotalScans,
                                        std::uint16_t nCollisionEnergy, std::uint16_t nSegmentCount) {
  return m_pImp->Initialise(nFunctionType, nIonMode, nDataType, bExtendedIndex, bLumaventFunction, fCycleTime,
                            fInterScanDelay, fRTStart, fRTEnd, nTotalScans, nCollisionEnergy, nSegmentCount);
}

int ZVRawFunctionDescriptor::Initialise(std::uint32_t nFunctionType, std::uint32_t nIonMode, std::uint32_t nDataType,
                                        float fCycleTime, float fInterScanDelay, float fRTStart, float fRTEnd,
                                        std::uint32_t nTotalScans, std::uint16_t nCollisionEnergy,
                                        std::uint16_t nSegmentCount) {
  return Initialise(nFunctionType, nIonMode, nDataType, false, false, fCycleTime, fInterScanDelay, fRTStart, fRTEnd,
                    nTotalScans, nCollisionEnergy, nSegmentCount);
}

ZVRawFunctionDescriptor& ZVRawFunctionDescriptor::operator=(const ZVRawFunctionDescriptor& other) {
  if (this != &other) *m_pImp = *other.m_pImp;  // the head's own assignment: head fields only
  return *this;
}

bool ZVRawFunctionDescriptor::operator==(const ZVRawFunctionDescriptor& other) const {
  return *m_pImp == *other.m_pImp;
}

// ---- non-MALDI ----

ZVRawFunctionDescriptor_NonMaldi::ZVRawFunctionDescriptor_NonMaldi()
    : m_imp(std::make_unique<ZVRawFunctionDescriptor_NonMaldi_Imp>()) {
  m_pImp = m_imp.get();
}

ZVRawFunctionDescriptor_NonMaldi::ZVRawFunctionDescriptor_NonMaldi(const ZVRawFunctionDescriptor_NonMaldi& other)
    : ZVRawFunctionDescriptor(other), m_imp(std::make_unique<ZVRawFunctionDescriptor_NonMaldi_Imp>(*other.m_imp)) {
  m_pImp = m_imp.get();
}

ZVRawFunctionDescriptor_NonMaldi::ZVRawFunctionDescriptor_NonMaldi(const ZVRawFunctionDescriptor_NonMaldi_Imp& record)
    : ZVRawFunctionDescriptor(&record), m_imp(std::make_unique<ZVRawFunctionDescriptor_NonMaldi_Imp>(record)) {
  m_pImp = m_imp.get();
}

ZVRawFunctionDescriptor_NonMaldi::~ZVRawFunctionDescriptor_NonMaldi() = default;

ZVRawFunctionDescriptor_NonMaldi& ZVRawFunctionDescriptor_NonMaldi::operator=(
    const ZVRawFunctionDescriptor_NonMaldi& other) {
  ZVRawFunctionDescriptor::operator=(other);
  *m_imp = *other.m_imp;
  return *this;
}

// ---- MALDI ----

ZVRawFunctionDescriptor_Maldi::ZVRawFunctionDescriptor_Maldi()
    : m_imp(std::make_unique<ZVRawFunctionDescriptor_Maldi_Imp>()) {
  m_pImp = m_imp.get();
}

ZVRawFunctionDescriptor_Maldi::ZVRawFunctionDescriptor_Maldi(const ZVRawFunctionDescriptor_Maldi& other)
    : ZVRawFunctionDescriptor(other), m_imp(std::make_unique<ZVRawFunctionDescriptor_Maldi_Imp>(*other.m_imp)) {
  m_pImp = m_imp.get();
}

ZVRawFunctionDescriptor_Maldi::ZVRawFunctionDescriptor_Maldi(const ZVRawFunctionDescriptor_Maldi_Imp& record)
    : ZVRawFunctionDescriptor(&record), m_imp(std::make_unique<ZVRawFunctionDescriptor_Maldi_Imp>(record)) {
  m_pImp = m_imp.get();
}

ZVRawFunctionDescriptor_Maldi::~ZVRawFunctionDescriptor_Maldi() = default;

ZVRawFunctionDescriptor_Maldi& ZVRawFunctionDescriptor_Maldi::operator=(const ZVRawFunctionDescriptor_Maldi& other) {
  ZVRawFunctionDescriptor::operator=(other);
  *m_imp = *other.m_imp;
  return *this;
}

}  // namespace borealtek_zvraw_version_1
