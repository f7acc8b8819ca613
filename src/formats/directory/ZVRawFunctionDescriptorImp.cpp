#include "formats/directory/ZVRawFunctionDescriptorImp.h"

#include <cstring>

#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

constexpr std::uint32_t kTypeBits = 0x1F, kIonModeBits = 0x1F, kFormatBits = 0x0F;
constexpr std::uint16_t kExtendedBit = 0x4000, kSprayerBit = 0x8000;
constexpr std::uint32_t kByteBits = 0xFF;

// Values equal as floats: NaN never matches, +0 matches -0.
bool sameValues(std::initializer_list<std::pair<float, float>> pairs) {
  for (const auto& [a, b] : pairs)
    if (!(a == b)) return false;
  return true;
}

bool sameBits(const ZVRawFunctionDescriptor_NonMaldi_Imp::SegmentArray& a,
              const ZVRawFunctionDescriptor_NonMaldi_Imp::SegmentArray& b) {
  return std::memcmp(a.data(), b.data(), sizeof(a)) == 0;
}

float* segmentSlot(ZVRawFunctionDescriptor_NonMaldi_Imp::SegmentArray& a, int i) {
  return (i >= 0 && i < kMassSegmentSlots) ? &a[static_cast<std::size_t>(i)] : nullptr;
}

float segmentValue(const ZVRawFunctionDescriptor_NonMaldi_Imp::SegmentArray& a, int i) {
  return (i >= 0 && i < kMassSegmentSlots) ? a[static_cast<std::size_t>(i)] : 0.0f;
}

// Reads n floats; false when the bytes run out.
bool readFloats(ByteCursor& in, float* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!in.read(out[i])) return false;
  return true;
}

}  // namespace

int getFunctionDescriptorFileName(std::string& name, std::string_view dir) {
  constexpr std::string_view kName = "_functns.inf";
  name.clear();
  if (dir.size() + 1 + kName.size() > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  name.append(dir).append(getDirSlash()).append(kName);
  return ZVRAW_OK;
}

int getIsNonMaldiTOFData(std::string_view name, unsigned int& flag) {
  zvraw::FilePtr f = rawFileComponentfopen(name, "rb");
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  std::uint8_t word[2] = {0, 0};
  (void)std::fread(word, 1, sizeof word, f.get());  // a short file leaves zeros
  flag = (word[0] & kTypeBits) == kMaldiFunctionType ? 0u : 1u;
  return ZVRAW_OK;
}

// ---- head ----

int ZVRawFunctionDescriptorImp::Initialise() { return Initialise(0, 0, 0, false, false, 0, 0, 0, 0, 0, 0, 0); }

int ZVRawFunctionDescriptorImp::Initialise(std::uint32_t nFunctionType, std::uint32_t nIonMode, std::uint32_t nDataType,
                                           bool bExtendedIndex, bool bLumaventFunction, float fCycleTime,
                                           float fInterScanDelay, float fRTStart, float fRTEnd,
                                           std::uint32_t nTotalScans, std::uint16_t nCollisionEnergy,
                                           std::uint16_t nSegmentCount) {
  m_nFunctionType = nFunctionType;
  m_nIonMode = nIonMode;
  m_nDataType = nDataType;
  m_bExtendedIndex = bExtendedIndex;
  m_bLumaventFunction = bLumaventFunction;
  m_fCycleTime = fCycleTime;
  m_fInterScanDelay = fInterScanDelay;
  m_fRTStart = fRTStart;
  m_fRTEnd = fRTEnd;
  m_nTotalScans = nTotalScans;
  m_nCollisionEnergy = nCollisionEnergy;
  m_nSegmentCount = nSegmentCount;
  return ZVRAW_OK;
}

int ZVRawFunctionDescriptorImp::getScanCount(unsigned int& n) const {
  n = m_nTotalScans;
  return ZVRAW_OK;
}
int ZVRawFunctionDescriptorImp::setScanCount(unsigned int n) {
  m_nTotalScans = n;
  return ZVRAW_OK;
}
int ZVRawFunctionDescriptorImp::getDataFormat(unsigned int& format) const {
  format = m_nDataType;
  return ZVRAW_OK;
}
int ZVRawFunctionDescriptorImp::getFunctionType(unsigned int& type) const {
  type = m_nFunctionType;
  return ZVRAW_OK;
}
int ZVRawFunctionDescriptorImp::getSegmentCount(unsigned short& count) const {
  count = m_nSegmentCount;
  return ZVRAW_OK;
}
int ZVRawFunctionDescriptorImp::getAcquisitionDetails(unsigned int& type, unsigned int& ionMode) const {
  type = m_nFunctionType;
  ionMode = m_nIonMode;
  return ZVRAW_OK;
}

bool ZVRawFunctionDescriptorImp::fitsFileWidths() const {
  return m_nFunctionType <= kTypeBits && m_nIonMode <= kIonModeBits && m_nDataType <= kFormatBits &&
         m_nCollisionEnergy <= kByteBits && m_nSegmentCount <= kByteBits;
}

int ZVRawFunctionDescriptorImp::getAcquisitionMassRange(std::uint16_t, ZVRAW_MASSTYPE&, ZVRAW_MASSTYPE&) const {
  return ZVRAW_ERROR;
}

int ZVRawFunctionDescriptorImp::extractDescriptor(ByteCursor& in) {
  std::uint16_t word = 0, energyAndSegments = 0;
  float times[4] = {};
  std::uint32_t scans = 0;
  if (!in.read(word) || !readFloats(in, times, 4) || !in.read(scans) || !in.read(energyAndSegments))
    return ZVRAW_DESCRIPTORFILE_READERROR;
  m_nFunctionType = word & kTypeBits;
  m_nIonMode = (word >> 5) & kIonModeBits;
  m_nDataType = (word >> 10) & kFormatBits;
  m_bExtendedIndex = (word & kExtendedBit) != 0;
  m_bLumaventFunction = (word & kSprayerBit) != 0;
  m_fCycleTime = times[0];
  m_fInterScanDelay = times[1];
  m_fRTStart = times[2];
  m_fRTEnd = times[3];
  m_nTotalScans = scans;
  m_nCollisionEnergy = energyAndSegments & kByteBits;
  m_nSegmentCount = energyAndSegments >> 8;
  return ZVRAW_OK;
}

int ZVRawFunctionDescriptorImp::packDescriptor(ByteWriter& out) const {
  // Each field is masked to its width so that none spills into a neighbour;
  // the file writers refuse such records before they get here.
  const auto word = static_cast<std::uint16_t>(
      (m_nFunctionType & kTypeBits) | (m_nIonMode & kIonModeBits) << 5 | (m_nDataType & kFormatBits) << 10 |
      (m_bExtendedIndex ? kExtendedBit : 0) | (m_bLumaventFunction ? kSprayerBit : 0));
  out.write(word);
  out.write(m_fCycleTime);
  out.write(m_fInterScanDelay);
  out.write(m_fRTStart);
  out.write(m_fRTEnd);
  out.write(m_nTotalScans);
  out.write(static_cast<std::uint16_t>((m_nSegmentCount & kByteBits) << 8 | (m_nCollisionEnergy & kByteBits)));
  return ZVRAW_OK;
}

Bytes ZVRawFunctionDescriptorImp::packedRecord() const {
  Bytes record;
  record.reserve(kFunctionDescriptorRecordSize);
  ByteWriter out(record);
  (void)packDescriptor(out);
  record.resize(kFunctionDescriptorRecordSize, 0);
  return record;
}

int ZVRawFunctionDescriptorImp::readDescriptor(std::FILE* f) {
  Bytes record(kFunctionDescriptorRecordSize, 0);
  if (f == nullptr || std::fread(record.data(), 1, record.size(), f) != record.size())
    return ZVRAW_DESCRIPTORFILE_READERROR;
  ByteCursor in(record);
  return extractDescriptor(in);
}

int ZVRawFunctionDescriptorImp::writeDescriptor(std::FILE* f) const {
  const Bytes record = packedRecord();
  if (f == nullptr || std::fwrite(record.data(), 1, record.size(), f) != record.size())
    return ZVRAW_DESCRIPTORFILE_WRITEERROR;
  return ZVRAW_OK;
}

bool ZVRawFunctionDescriptorImp::operator==(const ZVRawFunctionDescriptorImp& o) const {
  return m_nFunctionType == o.m_nFunctionType && m_nIonMode == o.m_nIonMode && m_nDataType == o.m_nDataType &&
         m_bExtendedIndex == o.m_bExtendedIndex && m_bLumaventFunction == o.m_bLumaventFunction &&
         m_nTotalScans == o.m_nTotalScans && m_nCollisionEnergy == o.m_nCollisionEnergy &&
         m_nSegmentCount == o.m_nSegmentCount &&
         sameValues({{m_fCycleTime, o.m_fCycleTime},
                     {m_fInterScanDelay, o.m_fInterScanDelay},
                     {m_fRTStart, o.m_fRTStart},
                     {m_fRTEnd, o.m_fRTEnd}});
}

// ---- non-MALDI ----

int ZVRawFunctionDescriptor_NonMaldi_Imp::Initialise(float fSetMass, float fInterSegTime, const float* fSegScanTimes,
                                                     const float* fStartMass, const float* fEndMass) {
  m_fSetMass = fSetMass;
  m_fInterSegTime = fInterSegTime;
  if (fSegScanTimes) std::memcpy(m_fSegScanTimes.data(), fSegScanTimes, sizeof m_fSegScanTimes);
  if (fStartMass) std::memcpy(m_fStartMass.data(), fStartMass, sizeof m_fStartMass);
  if (fEndMass) std::memcpy(m_fEndMass.data(), fEndMass, sizeof m_fEndMass);
  return ZVRAW_OK;
}

// What a caller writes through an out-of-range index lands in the record's
// own scratch float for that accessor: it changes no value of the record, and
// records used on different threads share nothing.
float& ZVRawFunctionDescriptor_NonMaldi_Imp::segmentScanTime(int i) {
  float* slot = segmentSlot(m_fSegScanTimes, i);
  return slot ? *slot : m_fScratch.scanTime;
}
float& ZVRawFunctionDescriptor_NonMaldi_Imp::segmentStartMass(int i) {
  float* slot = segmentSlot(m_fStartMass, i);
  return slot ? *slot : m_fScratch.startMass;
}
float& ZVRawFunctionDescriptor_NonMaldi_Imp::segmentEndMass(int i) {
  float* slot = segmentSlot(m_fEndMass, i);
  return slot ? *slot : m_fScratch.endMass;
}
float ZVRawFunctionDescriptor_NonMaldi_Imp::getSegmentScanTime(int i) const { return segmentValue(m_fSegScanTimes, i); }
float ZVRawFunctionDescriptor_NonMaldi_Imp::getSegmentStartMass(int i) const { return segmentValue(m_fStartMass, i); }
float ZVRawFunctionDescriptor_NonMaldi_Imp::getSegmentEndMass(int i) const { return segmentValue(m_fEndMass, i); }

int ZVRawFunctionDescriptor_NonMaldi_Imp::getAcquisitionMassRange(std::uint16_t nSegment, ZVRAW_MASSTYPE& fLow,
                                                                  ZVRAW_MASSTYPE& fHigh) const {
  const bool valid = m_nSegmentCount == 0 ? nSegment == 0 : nSegment < m_nSegmentCount && nSegment < kMassSegmentSlots;
  if (!valid) return ZVRAW_SEGMENT_INVALID;
  fLow = m_fStartMass[nSegment];
  fHigh = m_fEndMass[nSegment];
  return ZVRAW_OK;
}

bool ZVRawFunctionDescriptor_NonMaldi_Imp::takeMassRanges(const ZVRawFunctionDescriptorImp& other) {
  const auto* o = dynamic_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp*>(&other);
  if (o == nullptr || o->m_nSegmentCount != m_nSegmentCount) return false;
  m_fStartMass = o->m_fStartMass;
  m_fEndMass = o->m_fEndMass;
  // An unsegmented record keeps its range in the segment timing fields too.
  if (m_nSegmentCount == 0) {
    m_fInterSegTime = o->m_fInterSegTime;
    m_fSegScanTimes = o->m_fSegScanTimes;
  }
  return true;
}

int ZVRawFunctionDescriptor_NonMaldi_Imp::extractDescriptor(ByteCursor& in) {
  if (int rc = ZVRawFunctionDescriptorImp::extractDescriptor(in); rc != ZVRAW_OK) return rc;
  if (!in.read(m_fSetMass) || !in.read(m_fInterSegTime) || !readFloats(in, m_fSegScanTimes.data(), kMassSegmentSlots) ||
      !readFloats(in, m_fStartMass.data(), kMassSegmentSlots) || !readFloats(in, m_fEndMass.data(), kMassSegmentSlots))
    return ZVRAW_DESCRIPTORFILE_READERROR;
  // An unsegmented function keeps its one mass range where the segment
  // timing would be: start at @28, end at @32.
  if (m_nSegmentCount == 0) {
    m_fStartMass.fill(m_fInterSegTime);
    m_fEndMass = m_fSegScanTimes;
  }
  return ZVRAW_OK;
}

int ZVRawFunctionDescriptor_NonMaldi_Imp::packDescriptor(ByteWriter& out) const {
  (void)ZVRawFunctionDescriptorImp::packDescriptor(out);
  out.write(m_fSetMass);
  out.write(m_fInterSegTime);
  for (const auto* a : {&m_fSegScanTimes, &m_fStartMass, &m_fEndMass})
    for (float v : *a) out.write(v);
  return ZVRAW_OK;
}

bool ZVRawFunctionDescriptor_NonMaldi_Imp::operator==(const ZVRawFunctionDescriptor_NonMaldi_Imp& o) const {
  return ZVRawFunctionDescriptorImp::operator==(o) &&
         sameValues({{m_fSetMass, o.m_fSetMass}, {m_fInterSegTime, o.m_fInterSegTime}}) &&
         sameBits(m_fSegScanTimes, o.m_fSegScanTimes) && sameBits(m_fStartMass, o.m_fStartMass) &&
         sameBits(m_fEndMass, o.m_fEndMass);
}

// ---- MALDI ----

int ZVRawFunctionDescriptor_Maldi_Imp::Initialise(std::uint32_t nMaldiFunctionType, std::uint32_t nDetectorMode,
                                                  std::uint32_t nSamplingRate, std::uint32_t nSampleIntroMethod,
                                                  std::uint32_t nLaserUsed, ZVRAW_MASSTYPE fUserSetMass,
                                                  ZVRAW_MASSTYPE fBNGateMass, ZVRAW_MASSTYPE fBNGateWidth,
                                                  std::uint32_t nBNGateUsed, float fFocusVoltage, float fSourceVoltage,
                                                  float fGasCellVoltage, float fExtractionVoltage, float fPulseVoltage,
                                                  std::uint32_t nScanLaw, ZVRAW_MASSTYPE fAcquHighMass,
                                                  ZVRAW_MASSTYPE fAcquLowMass, ZVRAW_MASSTYPE fMinSampleMass) {
  m_nMaldiFunctionType = nMaldiFunctionType;
  m_nDetectorMode = nDetectorMode;
  m_nSamplingRate = nSamplingRate;
  m_nSampleIntroMethod = nSampleIntroMethod;
  m_nLaserUsed = nLaserUsed;
  m_fUserSetMass = fUserSetMass;
  m_fBNGateMass = fBNGateMass;
  m_fBNGateWidth = fBNGateWidth;
  m_nBNGateUsed = nBNGateUsed;
  m_fFocusVoltage = fFocusVoltage;
  m_fSourceVoltage = fSourceVoltage;
  m_fGasCellVoltage = fGasCellVoltage;
  m_fExtractionVoltage = fExtractionVoltage;
  m_fPulseVoltage = fPulseVoltage;
  m_nScanLaw = nScanLaw;
  m_fAcquHighMass = fAcquHighMass;
  m_fAcquLowMass = fAcquLowMass;
  m_fMinSampleMass = fMinSampleMass;
  return ZVRAW_OK;
}

int ZVRawFunctionDescriptor_Maldi_Imp::getAcquisitionMassRange(std::uint16_t nSegment, ZVRAW_MASSTYPE& fLow,
                                                               ZVRAW_MASSTYPE& fHigh) const {
  const bool valid = m_nSegmentCount == 0 ? nSegment == 0 : nSegment < m_nSegmentCount;
  if (!valid) return ZVRAW_SEGMENT_INVALID;
  fLow = m_fAcquLowMass;
  fHigh = m_fAcquHighMass;
  return ZVRAW_OK;
}

bool ZVRawFunctionDescriptor_Maldi_Imp::takeMassRanges(const ZVRawFunctionDescriptorImp& other) {
  const auto* o = dynamic_cast<const ZVRawFunctionDescriptor_Maldi_Imp*>(&other);
  if (o == nullptr || o->m_nSegmentCount != m_nSegmentCount) return false;
  m_fAcquLowMass = o->m_fAcquLowMass;
  m_fAcquHighMass = o->m_fAcquHighMass;
  return true;
}

int ZVRawFunctionDescriptor_Maldi_Imp::extractDescriptor(ByteCursor& in) {
  if (int rc = ZVRawFunctionDescriptorImp::extractDescriptor(in); rc != ZVRAW_OK) return rc;
  const bool ok = in.read(m_nMaldiFunctionType, 2) && in.read(m_nDetectorMode, 2) && in.read(m_nSamplingRate, 2) &&
                  in.read(m_nSampleIntroMethod, 2) && in.read(m_nLaserUsed, 2) && in.read(m_fUserSetMass) &&
                  in.read(m_fBNGateMass) && in.read(m_fBNGateWidth) && in.read(m_nBNGateUsed, 2) &&
                  in.read(m_fFocusVoltage) && in.read(m_fSourceVoltage) && in.read(m_fGasCellVoltage) &&
                  in.read(m_fExtractionVoltage) && in.read(m_fPulseVoltage) && in.read(m_nScanLaw, 2) &&
                  in.read(m_fAcquHighMass) && in.read(m_fAcquLowMass) && in.read(m_fMinSampleMass);
  return ok ? ZVRAW_OK : ZVRAW_DESCRIPTORFILE_READERROR;
}

int ZVRawFunctionDescriptor_Maldi_Imp::packDescriptor(ByteWriter& out) const {
  (void)ZVRawFunctionDescriptorImp::packDescriptor(out);
  const auto u16 = [&out](std::uint32_t v) { out.write(static_cast<std::uint16_t>(v)); };
  u16(m_nMaldiFunctionType);
  u16(m_nDetectorMode);
  u16(m_nSamplingRate);
  u16(m_nSampleIntroMethod);
  u16(m_nLaserUsed);
  out.write(m_fUserSetMass);
  out.write(m_fBNGateMass);
  out.write(m_fBNGateWidth);
  u16(m_nBNGateUsed);
  out.write(m_fFocusVoltage);
  out.write(m_fSourceVoltage);
  out.write(m_fGasCellVoltage);
  out.write(m_fExtractionVoltage);
  out.write(m_fPulseVoltage);
  u16(m_nScanLaw);
  out.write(m_fAcquHighMass);
  out.write(m_fAcquLowMass);
  out.write(m_fMinSampleMass);
  return ZVRAW_OK;
}

bool ZVRawFunctionDescriptor_Maldi_Imp::operator==(const ZVRawFunctionDescriptor_Maldi_Imp& o) const {
  return ZVRawFunctionDescriptorImp::operator==(o) && m_nMaldiFunctionType == o.m_nMaldiFunctionType &&
         m_nDetectorMode == o.m_nDetectorMode && m_nSamplingRate == o.m_nSamplingRate &&
         m_nSampleIntroMethod == o.m_nSampleIntroMethod && m_nLaserUsed == o.m_nLaserUsed &&
         m_nBNGateUsed == o.m_nBNGateUsed && m_nScanLaw == o.m_nScanLaw &&
         sameValues({{m_fUserSetMass, o.m_fUserSetMass},
                     {m_fBNGateMass, o.m_fBNGateMass},
                     {m_fBNGateWidth, o.m_fBNGateWidth},
                     {m_fFocusVoltage, o.m_fFocusVoltage},
                     {m_fSourceVoltage, o.m_fSourceVoltage},
                     {m_fGasCellVoltage, o.m_fGasCellVoltage},
                     {m_fExtractionVoltage, o.m_fExtractionVoltage},
                     {m_fPulseVoltage, o.m_fPulseVoltage},
                     {m_fAcquHighMass, o.m_fAcquHighMass},
                     {m_fAcquLowMass, o.m_fAcquLowMass},
                     {m_fMinSampleMass, o.m_fMinSampleMass}});
}

// ---- kinds ----

DescriptorKind descriptorKind(const ZVRawFunctionDescriptorImp& record) {
  if (dynamic_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp*>(&record)) return DescriptorKind::NonMaldi;
  if (dynamic_cast<const ZVRawFunctionDescriptor_Maldi_Imp*>(&record)) return DescriptorKind::Maldi;
  return DescriptorKind::Neither;
}

std::unique_ptr<ZVRawFunctionDescriptorImp> makeDescriptorImp(bool maldi) {
  if (maldi) return std::make_unique<ZVRawFunctionDescriptor_Maldi_Imp>();
  return std::make_unique<ZVRawFunctionDescriptor_NonMaldi_Imp>();
}

std::unique_ptr<ZVRawFunctionDescriptorImp> cloneDescriptorImp(const ZVRawFunctionDescriptorImp& record) {
  if (const auto* r = dynamic_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp*>(&record))
    return std::make_unique<ZVRawFunctionDescriptor_NonMaldi_Imp>(*r);
  if (const auto* r = dynamic_cast<const ZVRawFunctionDescriptor_Maldi_Imp*>(&record))
    return std::make_unique<ZVRawFunctionDescriptor_Maldi_Imp>(*r);
  return nullptr;
}
