#pragma once

// Public function descriptors: each concrete descriptor owns one internal
// record of its kind and forwards to it. Copies never share a record.

#include <cstdint>
#include <memory>

#include "formats/directory/ZVRawFunctionDescriptorImp.h"

namespace borealtek_zvraw_version_1 {

class ZVRawFunctionDescriptor {
 public:
  virtual ~ZVRawFunctionDescriptor() = 0;

  int Initialise(std::uint32_t nFunctionType, std::uint32_t nIonMode, std::uint32_t nDataType, bool bExtendedIndex,
                 bool bLumaventFunction, float fCycleTime, float fInterScanDelay, float fRTStart, float fRTEnd,
                 std::uint32_t nTotalScans, std::uint16_t nCollisionEnergy, std::uint16_t nSegmentCount);
  // Both flags false.
  int Initialise(std::uint32_t nFunctionType, std::uint32_t nIonMode, std::uint32_t nDataType, float fCycleTime,
                 float fInterScanDelay, float fRTStart, float fRTEnd, std::uint32_t nTotalScans,
                 std::uint16_t nCollisionEnergy, std::uint16_t nSegmentCount);

  std::uint32_t& functionType() { return m_pImp->functionType(); }
  std::uint32_t& ionMode() { return m_pImp->ionMode(); }
  std::uint32_t& dataType() { return m_pImp->dataType(); }
  bool& extendedIndex() { return m_pImp->extendedIndex(); }
  bool& lumaventFunction() { return m_pImp->lumaventFunction(); }
  float& cycleTime() { return m_pImp->cycleTime(); }
  float& interScanDelay() { return m_pImp->interScanDelay(); }
  float& rtStart() { return m_pImp->rtStart(); }
  float& rtEnd() { return m_pImp->rtEnd(); }
  std::uint32_t& totalScans() { return m_pImp->totalScans(); }
  std::uint16_t& collisionEnergy() { return m_pImp->collisionEnergy(); }
  std::uint16_t& segmentCount() { return m_pImp->segmentCount(); }

  [[nodiscard]] std::uint32_t getFunctionType() const { return m_pImp->getFunctionType(); }
  [[nodiscard]] std::uint32_t getIonMode() const { return m_pImp->getIonMode(); }
  [[nodiscard]] std::uint32_t getDataType() const { return m_pImp->getDataType(); }
  [[nodiscard]] bool getExtendedIndex() const { return m_pImp->getExtendedIndex(); }
  [[nodiscard]] bool getLumaventFunction() const { return m_pImp->getLumaventFunction(); }
  [[nodiscard]] float getCycleTime() const { return m_pImp->getCycleTime(); }
  [[nodiscard]] float getInterScanDelay() const { return m_pImp->getInterScanDelay(); }
  [[nodiscard]] float getRtStart() const { return m_pImp->getRtStart(); }
  [[nodiscard]] float getRtEnd() const { return m_pImp->getRtEnd(); }
  [[nodiscard]] std::uint32_t getTotalScans() const { return m_pImp->getTotalScans(); }
  [[nodiscard]] std::uint16_t getCollisionEnergy() const { return m_pImp->getCollisionEnergy(); }
  [[nodiscard]] std::uint16_t getSegmentCount() const { return m_pImp->getSegmentCount(); }

  // The owned record, for storing a copy in the descriptor table.
  [[nodiscard]] const ZVRawFunctionDescriptorImp* getImp() const { return m_pImp; }

  // Through the base only the twelve head fields are copied or compared.
  ZVRawFunctionDescriptor& operator=(const ZVRawFunctionDescriptor& other);
  bool operator==(const ZVRawFunctionDescriptor& other) const;
  bool operator!=(const ZVRawFunctionDescriptor& other) const { return !(*this == other); }

 protected:
  // The concrete constructor points m_pImp at the record it owns.
  ZVRawFunctionDescriptor() = default;
  ZVRawFunctionDescriptor(const ZVRawFunctionDescriptor&) {}
  explicit ZVRawFunctionDescriptor(const ZVRawFunctionDescriptorImp*) {}

  ZVRawFunctionDescriptorImp* m_pImp = nullptr;  // never owned here
};

class ZVRawFunctionDescriptor_NonMaldi : public ZVRawFunctionDescriptor {
 public:
  ZVRawFunctionDescriptor_NonMaldi();
  ZVRawFunctionDescriptor_NonMaldi(const ZVRawFunctionDescriptor_NonMaldi& other);
  explicit ZVRawFunctionDescriptor_NonMaldi(const ZVRawFunctionDescriptor_NonMaldi_Imp& record);
  ~ZVRawFunctionDescriptor_NonMaldi() override;

  // Head and tail; this descriptor keeps its own record object.
  ZVRawFunctionDescriptor_NonMaldi& operator=(const ZVRawFunctionDescriptor_NonMaldi& other);
  bool operator==(const ZVRawFunctionDescriptor_NonMaldi& other) const { return *m_imp == *other.m_imp; }
  bool operator!=(const ZVRawFunctionDescriptor_NonMaldi& other) const { return !(*this == other); }

  using ZVRawFunctionDescriptor::Initialise;
  int Initialise(float fSetMass, float fInterSegTime, const float* fSegScanTimes, const float* fStartMass,
                 const float* fEndMass) {
    return m_imp->Initialise(fSetMass, fInterSegTime, fSegScanTimes, fStartMass, fEndMass);
  }

  float& setMass() { return m_imp->setMass(); }
  float& interSegmentTime() { return m_imp->interSegmentTime(); }
  float& segmentScanTime(int i) { return m_imp->segmentScanTime(i); }
  float& segmentStartMass(int i) { return m_imp->segmentStartMass(i); }
  float& segmentEndMass(int i) { return m_imp->segmentEndMass(i); }
  [[nodiscard]] float getSetMass() const { return m_imp->getSetMass(); }
  [[nodiscard]] float getInterSegmentTime() const { return m_imp->getInterSegmentTime(); }
  [[nodiscard]] float getSegmentScanTime(int i) const { return m_imp->getSegmentScanTime(i); }
  [[nodiscard]] float getSegmentStartMass(int i) const { return m_imp->getSegmentStartMass(i); }
  [[nodiscard]] float getSegmentEndMass(int i) const { return m_imp->getSegmentEndMass(i); }

 private:
  std::unique_ptr<ZVRawFunctionDescriptor_NonMaldi_Imp> m_imp;
};

class ZVRawFunctionDescriptor_Maldi : public ZVRawFunctionDescriptor {
 public:
  ZVRawFunctionDescriptor_Maldi();
  ZVRawFunctionDescriptor_Maldi(const ZVRawFunctionDescriptor_Maldi& other);
  explicit ZVRawFunctionDescriptor_Maldi(const ZVRawFunctionDescriptor_Maldi_Imp& record);
  ~ZVRawFunctionDescriptor_Maldi() override;

  ZVRawFunctionDescriptor_Maldi& operator=(const ZVRawFunctionDescriptor_Maldi& other);
  bool operator==(const ZVRawFunctionDescriptor_Maldi& other) const { return *m_imp == *other.m_imp; }
  bool operator!=(const ZVRawFunctionDescriptor_Maldi& other) const { return !(*this == other); }

  using ZVRawFunctionDescriptor::Initialise;
  int Initialise(std::uint32_t nMaldiFunctionType, std::uint32_t nDetectorMode, std::uint32_t nSamplingRate,
                 std::uint32_t nSampleIntroMethod, std::uint32_t nLaserUsed, float fUserSetMass, float fBNGateMass,
                 float fBNGateWidth, std::uint32_t nBNGateUsed, float fFocusVoltage, float fSourceVoltage,
                 float fGasCellVoltage, float fExtractionVoltage, float fPulseVoltage, std::uint32_t nScanLaw,
                 float fAcquHighMass, float fAcquLowMass, float fMinSampleMass) {
    return m_imp->Initialise(nMaldiFunctionType, nDetectorMode, nSamplingRate, nSampleIntroMethod, nLaserUsed,
                             fUserSetMass, fBNGateMass, fBNGateWidth, nBNGateUsed, fFocusVoltage, fSourceVoltage,
                             fGasCellVoltage, fExtractionVoltage, fPulseVoltage, nScanLaw, fAcquHighMass, fAcquLowMass,
                             fMinSampleMass);
  }

  std::uint32_t& maldiFunctionType() { return m_imp->maldiFunctionType(); }
  std::uint32_t& detectorMode() { return m_imp->detectorMode(); }
  std::uint32_t& samplingRate() { return m_imp->samplingRate(); }
  std::uint32_t& sampleIntoMethod() { return m_imp->sampleIntoMethod(); }
  std::uint32_t& laserUsed() { return m_imp->laserUsed(); }
  float& userSetMass() { return m_imp->userSetMass(); }
  float& bngateMass() { return m_imp->bngateMass(); }
  float& bnGateWidth() { return m_imp->bnGateWidth(); }
  std::uint32_t& bnGateUsed() { return m_imp->bnGateUsed(); }
  float& focusVoltage() { return m_imp->focusVoltage(); }
  float& sourceVoltage() { return m_imp->sourceVoltage(); }
  float& gasCellVoltage() { return m_imp->gasCellVoltage(); }
  float& extractionVoltage() { return m_imp->extractionVoltage(); }
  float& pulseVoltage() { return m_imp->pulseVoltage(); }
  std::uint32_t& scanLaw() { return m_imp->scanLaw(); }
  float& acquHighMass() { return m_imp->acquHighMass(); }
  float& acquLowMass() { return m_imp->acquLowMass(); }
  float& minSampleMass() { return m_imp->minSampleMass(); }

  [[nodiscard]] std::uint32_t getMaldiFunctionType() const { return m_imp->getMaldiFunctionType(); }
  [[nodiscard]] std::uint32_t getDetectorMode() const { return m_imp->getDetectorMode(); }
  [[nodiscard]] std::uint32_t getSamplingRate() const { return m_imp->getSamplingRate(); }
  [[nodiscard]] std::uint32_t getSampleIntoMethod() const { return m_imp->getSampleIntoMethod(); }
  [[nodiscard]] std::uint32_t getLaserUsed() const { return m_imp->getLaserUsed(); }
  [[nodiscard]] float getUserSetMass() const { return m_imp->getUserSetMass(); }
  [[nodiscard]] float getBngateMass() const { return m_imp->getBngateMass(); }
  [[nodiscard]] float getBnGateWidth() const { return m_imp->getBnGateWidth(); }
  [[nodiscard]] std::uint32_t getBnGateUsed() const { return m_imp->getBnGateUsed(); }
  [[nodiscard]] float getFocusVoltage() const { return m_imp->getFocusVoltage(); }
  [[nodiscard]] float getSourceVoltage() const { return m_imp->getSourceVoltage(); }
  [[nodiscard]] float getGasCellVoltage() const { return m_imp->getGasCellVoltage(); }
  [[nodiscard]] float getExtractionVoltage() const { return m_imp->getExtractionVoltage(); }
  [[nodiscard]] float getPulseVoltage() const { return m_imp->getPulseVoltage(); }
  [[nodiscard]] std::uint32_t getScanLaw() const { return m_imp->getScanLaw(); }
  [[nodiscard]] float getAcquHighMass() const { return m_imp->getAcquHighMass(); }
  [[nodiscard]] float getAcquLowMass() const { return m_imp->getAcquLowMass(); }
  [[nodiscard]] float getMinSampleMass() const { return m_imp->getMinSampleMass(); }

 private:
  std::unique_ptr<ZVRawFunctionDescriptor_Maldi_Imp> m_imp;
};

}  // namespace borealtek_zvraw_version_1
