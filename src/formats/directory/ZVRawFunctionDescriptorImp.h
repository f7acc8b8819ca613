#pragma once

// One acquisition function's record in _functns.inf, and its two kinds.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "formats/portability/ByteCodec.h"
#include "formats/calibration/ZVRawMassType.h"

// _functns.inf: one 416-byte record per function, back to back, no header;
// all fields little-endian.
//   @0  u16  bits 0-4 function type | 5-9 ion mode | 10-13 data format |
//            14 extended index | 15 reference sprayer
//   @2  f32 cycle time | @6 f32 inter-scan delay | @10 f32 RT start | @14 f32 RT end
//   @18 u32 total scans
//   @22 u16  bits 0-7 collision energy | 8-15 segment count
//   @24 tail: non-MALDI or MALDI (see the two kinds below)
inline constexpr std::size_t kFunctionDescriptorRecordSize = 416;
inline constexpr std::size_t kFunctionDescriptorHeadSize = 24;
inline constexpr unsigned kMaldiFunctionType = 17;  // "MTOF"
inline constexpr int kMassSegmentSlots = 32;

// Builds dir + "/" + "_functns.inf". ZVRAW_FILENAME_ERROR (name cleared) when
// dir is longer than 242 characters, so that the name fits 255.
[[nodiscard]] int getFunctionDescriptorFileName(std::string& name, std::string_view dir);

// flag := 0 when the first record's type is MALDI, else 1. Bytes missing from
// a file shorter than 2 bytes count as zero. ZVRAW_FILEOPEN_ERROR when the
// file does not open.
[[nodiscard]] int getIsNonMaldiTOFData(std::string_view name, unsigned int& flag);

// The head shared by both kinds. Abstract: only the two kinds are made.
class ZVRawFunctionDescriptorImp {
 public:
  ZVRawFunctionDescriptorImp() = default;
  ZVRawFunctionDescriptorImp(const ZVRawFunctionDescriptorImp&) = default;
  ZVRawFunctionDescriptorImp& operator=(const ZVRawFunctionDescriptorImp&) = default;  // head only
  virtual ~ZVRawFunctionDescriptorImp() = default;

  // Low and high mass of one segment; the head itself answers ZVRAW_ERROR.
  [[nodiscard]] virtual int getAcquisitionMassRange(std::uint16_t nSegment, ZVRAW_MASSTYPE& fLow,
                                                    ZVRAW_MASSTYPE& fHigh) const = 0;
  // Takes the mass ranges of the same function as a later read of the file
  // found them (a writer widens them as scans arrive); false, nothing
  // changed, when other is of another kind or segment count.
  virtual bool takeMassRanges(const ZVRawFunctionDescriptorImp& other) = 0;
  // Decode/encode the whole record; the head's bodies handle the first 24 bytes.
  [[nodiscard]] virtual int extractDescriptor(ByteCursor& in) = 0;
  [[nodiscard]] virtual int packDescriptor(ByteWriter& out) const = 0;

  int Initialise();
  int Initialise(std::uint32_t nFunctionType, std::uint32_t nIonMode, std::uint32_t nDataType, bool bExtendedIndex,
                 bool bLumaventFunction, float fCycleTime, float fInterScanDelay, float fRTStart, float fRTEnd,
                 std::uint32_t nTotalScans, std::uint16_t nCollisionEnergy, std::uint16_t nSegmentCount);

  std::uint32_t& functionType() { return m_nFunctionType; }
  std::uint32_t& ionMode() { return m_nIonMode; }
  std::uint32_t& dataType() { return m_nDataType; }
  bool& extendedIndex() { return m_bExtendedIndex; }
  bool& lumaventFunction() { return m_bLumaventFunction; }
  float& cycleTime() { return m_fCycleTime; }
  float& interScanDelay() { return m_fInterScanDelay; }
  float& rtStart() { return m_fRTStart; }
  float& rtEnd() { return m_fRTEnd; }
  std::uint32_t& totalScans() { return m_nTotalScans; }
  std::uint16_t& collisionEnergy() { return m_nCollisionEnergy; }
  std::uint16_t& segmentCount() { return m_nSegmentCount; }

  [[nodiscard]] std::uint32_t getFunctionType() const { return m_nFunctionType; }
  [[nodiscard]] std::uint32_t getIonMode() const { return m_nIonMode; }
  [[nodiscard]] std::uint32_t getDataType() const { return m_nDataType; }
  [[nodiscard]] bool getExtendedIndex() const { return m_bExtendedIndex; }
  [[nodiscard]] bool getLumaventFunction() const { return m_bLumaventFunction; }
  [[nodiscard]] float getCycleTime() const { return m_fCycleTime; }
  [[nodiscard]] float getInterScanDelay() const { return m_fInterScanDelay; }
  [[nodiscard]] float getRtStart() const { return m_fRTStart; }
  [[nodiscard]] float getRtEnd() const { return m_fRTEnd; }
  [[nodiscard]] std::uint32_t getTotalScans() const { return m_nTotalScans; }
  [[nodiscard]] std::uint16_t getCollisionEnergy() const { return m_nCollisionEnergy; }
  [[nodiscard]] std::uint16_t getSegmentCount() const { return m_nSegmentCount; }

  int getScanCount(unsigned int& n) const;
  int setScanCount(unsigned int n);
  int getDataFormat(unsigned int& format) const;
  int getFunctionType(unsigned int& type) const;
  int getSegmentCount(unsigned short& count) const;
  int getAcquisitionDetails(unsigned int& type, unsigned int& ionMode) const;

  // Whether every packed head field lies within its width in the file.
  [[nodiscard]] bool fitsFileWidths() const;

  // One 416-byte record at the stream's position: ZVRAW_DESCRIPTORFILE_READERROR
  // when fewer bytes arrive, ZVRAW_DESCRIPTORFILE_WRITEERROR when fewer are written.
  [[nodiscard]] int readDescriptor(std::FILE* f);
  [[nodiscard]] int writeDescriptor(std::FILE* f) const;
  // The record's 416 file bytes.
  [[nodiscard]] Bytes packedRecord() const;

  bool operator==(const ZVRawFunctionDescriptorImp& other) const;  // head only
  bool operator!=(const ZVRawFunctionDescriptorImp& other) const { return !(*this == other); }

 protected:
  std::uint32_t m_nFunctionType = 0;
  std::uint32_t m_nIonMode = 0;
  std::uint32_t m_nDataType = 0;
  bool m_bExtendedIndex = false;
  bool m_bLumaventFunction = false;
  float m_fCycleTime = 0;
  float m_fInterScanDelay = 0;
  float m_fRTStart = 0;
  float m_fRTEnd = 0;
  std::uint32_t m_nTotalScans = 0;
  std::uint16_t m_nCollisionEnergy = 0;
  std::uint16_t m_nSegmentCount = 0;
};

// Non-MALDI tail:
//   @24 f32 set mass | @28 f32 inter-segment time (unsegmented: the start mass)
//   @32 32 x f32 segment scan times (unsegmented: entry 0 is the end mass)
//   @160 32 x f32 segment start masses | @288 32 x f32 segment end masses
class ZVRawFunctionDescriptor_NonMaldi_Imp : public ZVRawFunctionDescriptorImp {
 public:
  using SegmentArray = std::array<float, kMassSegmentSlots>;

  ZVRawFunctionDescriptor_NonMaldi_Imp() = default;
  ZVRawFunctionDescriptor_NonMaldi_Imp(const ZVRawFunctionDescriptor_NonMaldi_Imp&) = default;
  ZVRawFunctionDescriptor_NonMaldi_Imp& operator=(const ZVRawFunctionDescriptor_NonMaldi_Imp&) = default;
  ~ZVRawFunctionDescriptor_NonMaldi_Imp() override = default;

  [[nodiscard]] int getAcquisitionMassRange(std::uint16_t nSegment, ZVRAW_MASSTYPE& fLow,
                                            ZVRAW_MASSTYPE& fHigh) const override;
  bool takeMassRanges(const ZVRawFunctionDescriptorImp& other) override;
  [[nodiscard]] int extractDescriptor(ByteCursor& in) override;
  [[nodiscard]] int packDescriptor(ByteWriter& out) const override;

  using ZVRawFunctionDescriptorImp::Initialise;
  // Copies 32 entries from each array.
  int Initialise(float fSetMass, float fInterSegTime, const float* fSegScanTimes, const float* fStartMass,
                 const float* fEndMass);

  float& setMass() { return m_fSetMass; }
  float& interSegmentTime() { return m_fInterSegTime; }
  // An index outside 0-31 gets a scratch float that belongs to no record.
  float& segmentScanTime(int i);
  float& segmentStartMass(int i);
  float& segmentEndMass(int i);

  [[nodiscard]] float getSetMass() const { return m_fSetMass; }
  [[nodiscard]] float getInterSegmentTime() const { return m_fInterSegTime; }
  // 0.0 for an index outside 0-31.
  [[nodiscard]] float getSegmentScanTime(int i) const;
  [[nodiscard]] float getSegmentStartMass(int i) const;
  [[nodiscard]] float getSegmentEndMass(int i) const;

  bool operator==(const ZVRawFunctionDescriptor_NonMaldi_Imp& other) const;
  bool operator!=(const ZVRawFunctionDescriptor_NonMaldi_Imp& other) const { return !(*this == other); }

 private:
  float m_fSetMass = 0;
  float m_fInterSegTime = 0;
  SegmentArray m_fSegScanTimes{};
  SegmentArray m_fStartMass{};
  SegmentArray m_fEndMass{};
  // Where writes through an index outside 0-31 go; no part of the record.
  struct {
    float scanTime = 0, startMass = 0, endMass = 0;
  } m_fScratch;
};

// MALDI tail (bytes 82-415 zero):
//   @24 u16 MALDI function type | @26 u16 detector mode | @28 u16 sampling rate
//   @30 u16 sample introduction | @32 u16 laser used | @34 f32 user set mass
//   @38 f32 BN gate mass | @42 f32 BN gate width | @46 u16 BN gate used
//   @48 f32 focus V | @52 f32 source V | @56 f32 gas cell V | @60 f32 extraction V
//   @64 f32 pulse V | @68 u16 scan law | @70 f32 acquisition high mass
//   @74 f32 acquisition low mass | @78 f32 minimum sample mass
class ZVRawFunctionDescriptor_Maldi_Imp : public ZVRawFunctionDescriptorImp {
 public:
  ZVRawFunctionDescriptor_Maldi_Imp() = default;
  ZVRawFunctionDescriptor_Maldi_Imp(const ZVRawFunctionDescriptor_Maldi_Imp&) = default;
  ZVRawFunctionDescriptor_Maldi_Imp& operator=(const ZVRawFunctionDescriptor_Maldi_Imp&) = default;
  ~ZVRawFunctionDescriptor_Maldi_Imp() override = default;

  [[nodiscard]] int getAcquisitionMassRange(std::uint16_t nSegment, ZVRAW_MASSTYPE& fLow,
                                            ZVRAW_MASSTYPE& fHigh) const override;
  bool takeMassRanges(const ZVRawFunctionDescriptorImp& other) override;
  [[nodiscard]] int extractDescriptor(ByteCursor& in) override;
  [[nodiscard]] int packDescriptor(ByteWriter& out) const override;

  using ZVRawFunctionDescriptorImp::Initialise;
  int Initialise(std::uint32_t nMaldiFunctionType, std::uint32_t nDetectorMode, std::uint32_t nSamplingRate,
                 std::uint32_t nSampleIntroMethod, std::uint32_t nLaserUsed, ZVRAW_MASSTYPE fUserSetMass,
                 ZVRAW_MASSTYPE fBNGateMass, ZVRAW_MASSTYPE fBNGateWidth, std::uint32_t nBNGateUsed,
                 float fFocusVoltage, float fSourceVoltage, float fGasCellVoltage, float fExtractionVoltage,
                 float fPulseVoltage, std::uint32_t nScanLaw, ZVRAW_MASSTYPE fAcquHighMass, ZVRAW_MASSTYPE fAcquLowMass,
                 ZVRAW_MASSTYPE fMinSampleMass);

  std::uint32_t& maldiFunctionType() { return m_nMaldiFunctionType; }
  std::uint32_t& detectorMode() { return m_nDetectorMode; }
  std::uint32_t& samplingRate() { return m_nSamplingRate; }
  std::uint32_t& sampleIntoMethod() { return m_nSampleIntroMethod; }
  std::uint32_t& laserUsed() { return m_nLaserUsed; }
  ZVRAW_MASSTYPE& userSetMass() { return m_fUserSetMass; }
  ZVRAW_MASSTYPE& bngateMass() { return m_fBNGateMass; }
  ZVRAW_MASSTYPE& bnGateWidth() { return m_fBNGateWidth; }
  std::uint32_t& bnGateUsed() { return m_nBNGateUsed; }
  float& focusVoltage() { return m_fFocusVoltage; }
  float& sourceVoltage() { return m_fSourceVoltage; }
  float& gasCellVoltage() { return m_fGasCellVoltage; }
  float& extractionVoltage() { return m_fExtractionVoltage; }
  float& pulseVoltage() { return m_fPulseVoltage; }
  std::uint32_t& scanLaw() { return m_nScanLaw; }
  ZVRAW_MASSTYPE& acquHighMass() { return m_fAcquHighMass; }
  ZVRAW_MASSTYPE& acquLowMass() { return m_fAcquLowMass; }
  ZVRAW_MASSTYPE& minSampleMass() { return m_fMinSampleMass; }

  [[nodiscard]] std::uint32_t getMaldiFunctionType() const { return m_nMaldiFunctionType; }
  [[nodiscard]] std::uint32_t getDetectorMode() const { return m_nDetectorMode; }
  [[nodiscard]] std::uint32_t getSamplingRate() const { return m_nSamplingRate; }
  [[nodiscard]] std::uint32_t getSampleIntoMethod() const { return m_nSampleIntroMethod; }
  [[nodiscard]] std::uint32_t getLaserUsed() const { return m_nLaserUsed; }
  [[nodiscard]] ZVRAW_MASSTYPE getUserSetMass() const { return m_fUserSetMass; }
  [[nodiscard]] ZVRAW_MASSTYPE getBngateMass() const { return m_fBNGateMass; }
  [[nodiscard]] ZVRAW_MASSTYPE getBnGateWidth() const { return m_fBNGateWidth; }
  [[nodiscard]] std::uint32_t getBnGateUsed() const { return m_nBNGateUsed; }
  [[nodiscard]] float getFocusVoltage() const { return m_fFocusVoltage; }
  [[nodiscard]] float getSourceVoltage() const { return m_fSourceVoltage; }
  [[nodiscard]] float getGasCellVoltage() const { return m_fGasCellVoltage; }
  [[nodiscard]] float getExtractionVoltage() const { return m_fExtractionVoltage; }
  [[nodiscard]] float getPulseVoltage() const { return m_fPulseVoltage; }
  [[nodiscard]] std::uint32_t getScanLaw() const { return m_nScanLaw; }
  [[nodiscard]] ZVRAW_MASSTYPE getAcquHighMass() const { return m_fAcquHighMass; }
  [[nodiscard]] ZVRAW_MASSTYPE getAcquLowMass() const { return m_fAcquLowMass; }
  [[nodiscard]] ZVRAW_MASSTYPE getMinSampleMass() const { return m_fMinSampleMass; }

  bool operator==(const ZVRawFunctionDescriptor_Maldi_Imp& other) const;
  bool operator!=(const ZVRawFunctionDescriptor_Maldi_Imp& other) const { return !(*this == other); }

 private:
  std::uint32_t m_nMaldiFunctionType = 0;
  std::uint32_t m_nDetectorMode = 0;
  std::uint32_t m_nSamplingRate = 0;
  std::uint32_t m_nSampleIntroMethod = 0;
  std::uint32_t m_nLaserUsed = 0;
  ZVRAW_MASSTYPE m_fUserSetMass = 0;
  ZVRAW_MASSTYPE m_fBNGateMass = 0;
  ZVRAW_MASSTYPE m_fBNGateWidth = 0;
  std::uint32_t m_nBNGateUsed = 0;
  float m_fFocusVoltage = 0;
  float m_fSourceVoltage = 0;
  float m_fGasCellVoltage = 0;
  float m_fExtractionVoltage = 0;
  float m_fPulseVoltage = 0;
  std::uint32_t m_nScanLaw = 0;
  ZVRAW_MASSTYPE m_fAcquHighMass = 0;
  ZVRAW_MASSTYPE m_fAcquLowMass = 0;
  ZVRAW_MASSTYPE m_fMinSampleMass = 0;
};

enum class DescriptorKind { NonMaldi, Maldi, Neither };
[[nodiscard]] DescriptorKind descriptorKind(const ZVRawFunctionDescriptorImp& record);
// A fresh zero record of the kind.
[[nodiscard]] std::unique_ptr<ZVRawFunctionDescriptorImp> makeDescriptorImp(bool maldi);
// A copy of the record in its own kind; null for a record of neither kind.
[[nodiscard]] std::unique_ptr<ZVRawFunctionDescriptorImp> cloneDescriptorImp(const ZVRawFunctionDescriptorImp& record);
