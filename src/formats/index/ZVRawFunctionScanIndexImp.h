#pragma once

// One scan's record in _funcNNN.idx.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include "formats/portability/ByteCodec.h"

// Scan index record, little-endian, 22 bytes (30 in the extended form):
//   @0  u32 data offset (written 0 and ignored in the extended form)
//   @4  u32 bits 0-21 peaks | 22-26 segment | 27 use continuum |
//           28 continuum override | 29 molecular masses | 30 calibrated | 31 overload
//   @8  f32 TIC | @12 f32 RT
//   @16 base peak (6 bytes), packed by the data format
//   @22 u32 data offset, low word | @26 u32 high word (extended form only)
inline constexpr std::size_t kScanIndexRecordSize = 22;
inline constexpr std::size_t kScanIndexRecordSizeEx = 30;
inline constexpr std::uint32_t kScanIndexMaxPeaks = 0x3FFFFF;  // 22 bits
inline constexpr std::uint16_t kScanIndexMaxSegment = 0x1F;    // 5 bits

[[nodiscard]] constexpr std::size_t scanIndexRecordSize(bool bExtended) {
  return bExtended ? kScanIndexRecordSizeEx : kScanIndexRecordSize;
}

namespace borealtek_zvraw_version_1 {

// One scan's summary, copied from its scan index record.
struct ScanStatsRecord {
  std::uint32_t ScanOffset = 0;
  std::uint32_t PeaksInScan = 0;
  std::uint16_t SegmentNumber = 0;
  std::uint16_t UseContinuumFlag = 0;
  std::uint16_t ContinuumDataOverride = 0;
  std::uint16_t MolecularMasses = 0;
  std::uint16_t CalibratedMasses = 0;
  std::uint16_t ScanOverload = 0;
  bool IsContinuumScan = false;
  float Tic = 0;
  float Rt = 0;
  float BasePeakIntensity = 0;
  float BasePeakMass = 0;
};

}  // namespace borealtek_zvraw_version_1

// The time shift added to a record's RT each time the record is written:
// one for the process, so every writer on every thread sees the last one set.
extern std::atomic<float> fOffset;
void setTimeShiftImp(float fShift);

class ZVRawFunctionScanIndexImp {
 public:
  ZVRawFunctionScanIndexImp() = default;
  ZVRawFunctionScanIndexImp(const ZVRawFunctionScanIndexImp&) = default;
  ZVRawFunctionScanIndexImp& operator=(const ZVRawFunctionScanIndexImp&) = default;
  ~ZVRawFunctionScanIndexImp() = default;

  // One record at the stream's position: ZVRAW_FILEREAD_EOFERROR when the
  // stream ends cleanly inside it (a record still being written), else
  // ZVRAW_FILEREAD_ERROR for a short read; then the decoder's result.
  [[nodiscard]] int readScanIndex(std::FILE* pFile, unsigned int nDataFormat, bool bExtended);
  // Adds fOffset to the RT, then writes the record. ZVRAW_ERROR, with nothing
  // written and the RT unshifted, when the peak count does not fit 22 bits;
  // ZVRAW_FILEWRITE_ERROR on any short write. A format whose base peak is not
  // stored still writes the record.
  [[nodiscard]] int writeScanIndex(std::FILE* pFile, unsigned int nDataFormat, bool bExtended);

  // Decode from / encode to the first scanIndexRecordSize(bExtended) bytes of
  // the span (ZVRAW_FILEREAD_ERROR / ZVRAW_BUFFERSIZE_ERROR when it is
  // shorter). Both return the base peak's result: 0 or
  // ZVRAW_FUNCTIONTYPE_UNSUPPORTED, every other field being done regardless.
  [[nodiscard]] int extractScanIndex(std::span<const std::uint8_t> record, unsigned int nDataFormat, bool bExtended);
  [[nodiscard]] int packScanIndex(std::span<std::uint8_t> record, unsigned int nDataFormat, bool bExtended) const;
  // The six base-peak bytes (record bytes 16-21).
  [[nodiscard]] int extractBasePeak(const std::uint8_t* pcBuffer, unsigned int nDataFormat);
  [[nodiscard]] int packBasePeak(std::uint8_t* pcBuffer, unsigned int nDataFormat) const;

  // Fields read straight from a record's bytes, as extractScanIndex reads them.
  [[nodiscard]] static std::uint32_t peaksOf(const std::uint8_t* record) {
    return loadLE<std::uint32_t>(record + 4) & kScanIndexMaxPeaks;
  }
  [[nodiscard]] static float rtOf(const std::uint8_t* record) { return loadLE<float>(record + 12); }

  // Whether the peak count fits its field (every other field is masked).
  [[nodiscard]] bool fitsFileWidths() const {
    return m_nPeaksInScan <= kScanIndexMaxPeaks && m_nSegmentNumber <= kScanIndexMaxSegment;
  }

  std::uint32_t& scanOffset() { return m_nScanOffset; }
  std::uint32_t& peaksInScan() { return m_nPeaksInScan; }
  float& tic() { return m_fTIC; }
  float& basePeakIntensity() { return m_fBasePeakIntensity; }
  float& basePeakMass() { return m_fBasePeakMass; }
  std::uint16_t& useContinuumFlag() { return m_nUseContimuumFlag; }
  std::uint16_t& calibratedMasses() { return m_nCalibratedMasses; }
  bool& isContinuumScan() { return m_bIsContinuumScan; }
  float& rt() { return m_fRT; }

  [[nodiscard]] std::uint32_t getScanOffset() const { return m_nScanOffset; }
  [[nodiscard]] std::uint32_t getPeaksInScan() const { return m_nPeaksInScan; }
  [[nodiscard]] std::uint16_t getSegmentNumber() const { return m_nSegmentNumber; }
  [[nodiscard]] std::uint16_t getUseContinuumFlag() const { return m_nUseContimuumFlag; }
  [[nodiscard]] std::uint16_t getContinuumDataOverride() const { return m_nContinuumDataOverride; }
  [[nodiscard]] std::uint16_t getMolecularMasses() const { return m_nMolecularMasses; }
  [[nodiscard]] std::uint16_t getCalibratedMasses() const { return m_nCalibratedMasses; }
  [[nodiscard]] std::uint16_t getScanOverload() const { return m_nScanOverload; }
  [[nodiscard]] bool getIsContinuumScan() const { return m_bIsContinuumScan; }
  [[nodiscard]] float getTic() const { return m_fTIC; }
  [[nodiscard]] float getRt() const { return m_fRT; }
  [[nodiscard]] float getBasePeakIntensity() const { return m_fBasePeakIntensity; }
  [[nodiscard]] float getBasePeakMass() const { return m_fBasePeakMass; }

  int getScanOffset(unsigned int& n) const { return out(n, m_nScanOffset); }
  int getScanOffsetEx(unsigned int& n) const { return out(n, m_nScanOffsetEx); }
  int getPeaksInScan(unsigned int& n) const { return out(n, m_nPeaksInScan); }
  int getTIC(float& v) const { return out(v, m_fTIC); }
  int getBPI(float& v) const { return out(v, m_fBasePeakIntensity); }
  int getRT(float& v) const { return out(v, m_fRT); }
  int getBPM(float& v) const { return out(v, m_fBasePeakMass); }

  // The scan's summary: every field but the high word of the offset.
  [[nodiscard]] borealtek_zvraw_version_1::ScanStatsRecord getScanStats() const {
    return {m_nScanOffset,      m_nPeaksInScan,        m_nSegmentNumber, m_nUseContimuumFlag, m_nContinuumDataOverride,
            m_nMolecularMasses, m_nCalibratedMasses,   m_nScanOverload,  m_bIsContinuumScan,  m_fTIC,
            m_fRT,              m_fBasePeakIntensity, m_fBasePeakMass};
  }

  // The scan's position in _funcNNN.dat: high word, then low word.
  [[nodiscard]] std::uint64_t dataOffset() const { return std::uint64_t{m_nScanOffsetEx} << 32 | m_nScanOffset; }

 private:
  template <class T>
  static int out(T& to, T from) {
    to = from;
    return 0;
  }

  std::uint32_t m_nScanOffset = 0;
  std::uint32_t m_nScanOffsetEx = 0;
  std::uint32_t m_nPeaksInScan = 0;
  std::uint16_t m_nSegmentNumber = 1;
  std::uint16_t m_nUseContimuumFlag = 0;
  std::uint16_t m_nContinuumDataOverride = 0;
  std::uint16_t m_nMolecularMasses = 0;
  std::uint16_t m_nCalibratedMasses = 0;
  std::uint16_t m_nScanOverload = 0;
  bool m_bIsContinuumScan = true;
  float m_fTIC = 0;
  float m_fRT = 0;
  float m_fBasePeakIntensity = 0;
  float m_fBasePeakMass = 0;
};
