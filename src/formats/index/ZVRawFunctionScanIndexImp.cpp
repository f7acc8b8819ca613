#include "formats/index/ZVRawFunctionScanIndexImp.h"

#include <array>
#include <cstring>

#include "formats/portability/ByteCodec.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

std::atomic<float> fOffset{0};

void setTimeShiftImp(float fShift) { fOffset = fShift; }

namespace {

using namespace zvraw_packed;

constexpr std::size_t kBasePeakAt = 16, kOffsetLowAt = 22, kOffsetHighAt = 26;
constexpr int kSegmentShift = 22;
constexpr int kUseContinuumBit = 27, kOverrideBit = 28, kMolecularBit = 29, kCalibratedBit = 30, kOverloadBit = 31;

std::uint16_t bit(std::uint32_t word, int at) { return static_cast<std::uint16_t>((word >> at) & 1u); }
std::uint32_t flag(std::uint16_t member, int at) { return (member != 0 ? 1u : 0u) << at; }

}  // namespace

int ZVRawFunctionScanIndexImp::extractBasePeak(const std::uint8_t* p, unsigned int nDataFormat) {
  const char* c = reinterpret_cast<const char*>(p);
  switch (nDataFormat) {
    case 0:
      extractCompressedData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    case 1: {
      // The first half of a format-1 packet: intensity word, then a 24-bit mass.
      extractStdUncalibratedData(m_fBasePeakIntensity, c);
      m_fBasePeakMass = static_cast<float>(loadLE24(c + 2)) * (1.0f / 1024);
      return ZVRAW_OK;
    }
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
      extractStdUncalibratedData(m_fBasePeakIntensity, c);  // these formats keep no base-peak mass
      return ZVRAW_OK;
    case 8:
      extractHiIntCalData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    case 9:
      // Stored as mass / 256 so that masses beyond the field's range fit.
      extractHiAccCalData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      m_fBasePeakMass *= 256.0f;
      return ZVRAW_OK;
    case 11:
    case 12:
    case 13:
      extractHiAccCalData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    default:
      return ZVRAW_FUNCTIONTYPE_UNSUPPORTED;
  }
}

int ZVRawFunctionScanIndexImp::packBasePeak(std::uint8_t* p, unsigned int nDataFormat) const {
  char* c = reinterpret_cast<char*>(p);
  std::memset(c, 0, 6);
  switch (nDataFormat) {
    case 0:
      packCompressedData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    case 8:
      packHiIntCalData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    case 9:
      packHiAccCalData(m_fBasePeakMass / 256.0f, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    case 12:
    case 13:
      packHiAccCalData(m_fBasePeakMass, m_fBasePeakIntensity, c);
      return ZVRAW_OK;
    default:
      return ZVRAW_FUNCTIONTYPE_UNSUPPORTED;  // six zero bytes
  }
}

int ZVRawFunctionScanIndexImp::extractScanIndex(std::span<const std::uint8_t> record, unsigned int nDataFormat,
                                                bool bExtended) {
  if (record.size() < scanIndexRecordSize(bExtended)) return ZVRAW_FILEREAD_ERROR;
  const std::uint8_t* p = record.data();
  m_nScanOffset = loadLE<std::uint32_t>(p);
  const std::uint32_t bits = loadLE<std::uint32_t>(p + 4);
  m_nPeaksInScan = bits & kScanIndexMaxPeaks;
  m_nSegmentNumber = static_cast<std::uint16_t>((bits >> kSegmentShift) & kScanIndexMaxSegment);
  m_nUseContimuumFlag = bit(bits, kUseContinuumBit);
  m_nContinuumDataOverride = bit(bits, kOverrideBit);
  m_nMolecularMasses = bit(bits, kMolecularBit);
  m_nCalibratedMasses = bit(bits, kCalibratedBit);
  m_nScanOverload = bit(bits, kOverloadBit);
  if (m_nUseContimuumFlag == 1 && m_nContinuumDataOverride == 0) m_bIsContinuumScan = false;
  m_fTIC = loadLE<float>(p + 8);
  m_fRT = loadLE<float>(p + 12);
  const int rc = extractBasePeak(p + kBasePeakAt, nDataFormat);
  if (bExtended) {
    m_nScanOffset = loadLE<std::uint32_t>(p + kOffsetLowAt);
    m_nScanOffsetEx = loadLE<std::uint32_t>(p + kOffsetHighAt);
  } else {
    m_nScanOffsetEx = 0;
  }
  return rc;
}

int ZVRawFunctionScanIndexImp::packScanIndex(std::span<std::uint8_t> record, unsigned int nDataFormat,
                                             bool bExtended) const {
  const std::size_t size = scanIndexRecordSize(bExtended);
  if (record.size() < size) return ZVRAW_BUFFERSIZE_ERROR;
  std::uint8_t* p = record.data();
  std::memset(p, 0, size);
  storeLE(p, bExtended ? 0u : m_nScanOffset);
  // Every field is masked to its width so that none spills into a neighbour.
  storeLE(p + 4, (m_nPeaksInScan & kScanIndexMaxPeaks) |
                 static_cast<std::uint32_t>(m_nSegmentNumber & kScanIndexMaxSegment) << kSegmentShift |
                 flag(m_nUseContimuumFlag, kUseContinuumBit) | flag(m_nContinuumDataOverride, kOverrideBit) |
                 flag(m_nMolecularMasses, kMolecularBit) | flag(m_nCalibratedMasses, kCalibratedBit) |
                 flag(m_nScanOverload, kOverloadBit));
  storeLE(p + 8, m_fTIC);
  storeLE(p + 12, m_fRT);
  const int rc = packBasePeak(p + kBasePeakAt, nDataFormat);
  if (bExtended) {
    storeLE(p + kOffsetLowAt, m_nScanOffset);
    storeLE(p + kOffsetHighAt, m_nScanOffsetEx);
  }
  return rc;
}

int ZVRawFunctionScanIndexImp::readScanIndex(std::FILE* pFile, unsigned int nDataFormat, bool bExtended) {
  if (pFile == nullptr) return ZVRAW_FILEPOINTER_INVALID;
  std::array<std::uint8_t, kScanIndexRecordSizeEx> record{};
  const std::size_t size = scanIndexRecordSize(bExtended);
  if (std::fread(record.data(), 1, size, pFile) != size)
    return std::feof(pFile) && !std::ferror(pFile) ? ZVRAW_FILEREAD_EOFERROR : ZVRAW_FILEREAD_ERROR;
  return extractScanIndex(record, nDataFormat, bExtended);
}

int ZVRawFunctionScanIndexImp::writeScanIndex(std::FILE* pFile, unsigned int nDataFormat, bool bExtended) {
  if (pFile == nullptr) return ZVRAW_FILEPOINTER_INVALID;
  // A count that does not fit would be stored as another count: refuse it.
  if (!fitsFileWidths()) return ZVRAW_ERROR;
  m_fRT += fOffset;
  std::array<std::uint8_t, kScanIndexRecordSizeEx> record{};
  (void)packScanIndex(record, nDataFormat, bExtended);  // an unstored base peak still writes the record
  const std::size_t size = scanIndexRecordSize(bExtended);
  return std::fwrite(record.data(), 1, size, pFile) == size ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
}
