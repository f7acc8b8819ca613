#include "formats/packets/ZVRawPackedFormats.h"

#include <sys/types.h>

#include <array>
#include <cmath>
#include <limits>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw_packed {

namespace {

struct Packet {
  std::uint16_t bytes, peaks;
};
// Indexed by format; format 10 has no packet.
constexpr std::array<Packet, 14> kPackets{{{4, 1},
                                           {10, 2},
                                           {2, 1},
                                           {2, 1},
                                           {10, 4},
                                           {10, 2},
                                           {10, 4},
                                           {10, 2},
                                           {6, 1},
                                           {6, 1},
                                           {0, 0},
                                           {4, 1},
                                           {8, 1},
                                           {12, 1}}};
constexpr std::size_t kLargestPacket = 12;

// trunc(z + 0.5) in double precision, saturated to [lo, hi]; NaN gives 0.
// Saturating before the conversion keeps it defined for every input.
std::int64_t roundedField(double z, std::int64_t lo, std::int64_t hi) {
  if (std::isnan(z)) return 0;
  const double t = std::trunc(z + 0.5);
  if (t <= static_cast<double>(lo)) return lo;
  if (t >= static_cast<double>(hi)) return hi;
  return static_cast<std::int64_t>(t);
}

// A mass field is unsigned: NaN and negative masses encode as 0.
float nonNegative(float v) { return v > 0 ? v : 0.0f; }
float finiteOrZero(float v) { return std::isnan(v) ? 0.0f : v; }

void put16(char* p, std::uint16_t v) { value_to_bytes(p, v, 2); }
void put32(char* p, std::uint32_t v) { value_to_bytes(p, v, 4); }

// Formats 8 and 9 share the intensity: i16 mantissa, 4-bit exponent of 4.
std::uint32_t packSixteenBitIntensity(float intensity, char* p) {
  float v = finiteOrZero(intensity);
  const int e = scaleValueGT(v, 4.0f, 32767.0f, 15);
  put16(p, static_cast<std::uint16_t>(roundedField(v, -32767, 32767)));
  return static_cast<std::uint32_t>(e);
}

}  // namespace

namespace detail {

// The encoding rule for any value: halvings, then trunc(z + 0.5) in double.
std::uint32_t enhancedIntensityWordRule(float intensity, char cFlags) {
  constexpr std::int64_t kMax = (1 << 21) - 1;
  float v = finiteOrZero(intensity);
  const int x = scaleValueGE(v, 2.0f, 1.0f - 0x1p-21f, 63);
  const auto m = static_cast<std::uint32_t>(roundedField(0x1p21 * v, -kMax, kMax));
  return (m & 0x3FFFFFu) | static_cast<std::uint32_t>(x) << 22 | (static_cast<std::uint32_t>(cFlags) & 0xFu) << 28;
}

std::uint32_t enhancedMassWordRule(float mass) {
  float v = nonNegative(mass);
  const int y = scaleValueGE(v, 2.0f, 1.0f, 31);
  const auto m = static_cast<std::uint32_t>(roundedField(0x1p27 * v, 0, (1 << 27) - 1));
  return m | static_cast<std::uint32_t>(y) << 27;
}

}  // namespace detail

namespace {

template <class Decode>
float fileMass(std::FILE* f, unsigned int nIndex, std::uint64_t nScanOffset, unsigned int format, Decode decode) {
  const std::uint16_t size = getBytesPerPacket(format);
  char packet[kLargestPacket] = {};
  const std::uint64_t at = nScanOffset + std::uint64_t{nIndex} * size;
  if (at <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) &&
      ::fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0) {
    if (std::fread(packet, 1, size, f) != size) std::fill(std::begin(packet), std::end(packet), 0);
  }
  return decode(packet);
}

template <class MassAt>
unsigned int bisect(unsigned int n, float fMass, MassAt massAt) {
  if (n == 0) return 0;
  if (massAt(0) > fMass) return 0;
  if (fMass > massAt(n - 1)) return n;
  unsigned int lo = 0, hi = n - 1, mid = hi / 2;
  while (hi - lo >= 2) {
    if (massAt(mid) > fMass)
      hi = mid;
    else
      lo = mid;
    mid = lo + (hi - lo) / 2;
  }
  return hi;
}

}  // namespace

std::uint16_t getBytesPerPacket(unsigned int nDataFormat) {
  return nDataFormat < kPackets.size() ? kPackets[nDataFormat].bytes : 0;
}

std::uint16_t getPeaksPerPacket(unsigned int nDataFormat) {
  return nDataFormat < kPackets.size() ? kPackets[nDataFormat].peaks : 0;
}

std::uint64_t getBytesPerScan(unsigned int nDataFormat, unsigned int nPeaksInScan) {
  const std::uint16_t peaks = getPeaksPerPacket(nDataFormat);
  if (peaks == 0) return 0;
  const std::uint64_t packets = nPeaksInScan / peaks + (nPeaksInScan % peaks != 0 ? 1 : 0);
  return packets * getBytesPerPacket(nDataFormat);
}

int isSupportedDataType(unsigned int nDataFormat) {
  return getPeaksPerPacket(nDataFormat) != 0 ? ZVRAW_OK : ZVRAW_DATATYPE_UNSUPPORTED;
}

int scaleValueGT(float& fValue, const float& fScaleFactor, const float& fZeroScaleMax, int nMaxDivisions) {
  int n = 0;
  while (n < nMaxDivisions && std::fabs(fValue) > fZeroScaleMax) {
    fValue /= fScaleFactor;
    ++n;
  }
  return n;
}

int scaleValueGE(float& fValue, const float& fScaleFactor, const float& fZeroScaleMax, int nMaxDivisions) {
  int n = 0;
  while (n < nMaxDivisions && std::fabs(fValue) >= fZeroScaleMax) {
    fValue /= fScaleFactor;
    ++n;
  }
  return n;
}

void packCompressedData(float fMass, float fIntensity, char* p) {
  float intensity = nonNegative(fIntensity);  // an 8-bit unsigned mantissa
  const int e = scaleValueGT(intensity, 4.0f, 255.0f, 7);
  const auto m = static_cast<std::uint32_t>(roundedField(intensity, 0, 255));
  const auto v = static_cast<std::uint32_t>(roundedField(128.0 * nonNegative(fMass), 0, (1 << 21) - 1));
  put32(p, static_cast<std::uint32_t>(e) | m << 3 | v << 11);
}

void packHiIntCalData(float fMass, float fIntensity, char* p) {
  const std::uint32_t e = packSixteenBitIntensity(fIntensity, p);
  const auto v = static_cast<std::uint32_t>(roundedField(128.0 * nonNegative(fMass), 0, (1 << 28) - 1));
  put32(p + 2, e | v << 4);
}

void packHiAccCalData(float fMass, float fIntensity, char* p) {
  const std::uint32_t e = packSixteenBitIntensity(fIntensity, p);
  float mass = nonNegative(fMass);
  const int x = scaleValueGE(mass, 2.0f, 1.0f - 0x1p-23f, 31);
  const auto v = static_cast<std::uint32_t>(roundedField(0x1p23 * mass, 0, (1 << 23) - 1));
  put32(p + 2, e | static_cast<std::uint32_t>(x) << 4 | v << 9);
}

void packEnhancedCalAccData(float fMass, float fIntensity, char cFlags, float fMassError, float fIntensityError,
                            char cAccMassFlags, char* p) {
  packEnhancedCalData(fMass, fIntensity, cFlags, p);
  float massError = nonNegative(fMassError) * 1e6f;
  const int b = scaleValueGE(massError, 2.0f, 255.0f / 256, 31);
  const auto a = static_cast<std::uint32_t>(roundedField(256.0 * massError, 0, 255));
  float intensityError = nonNegative(fIntensityError);
  const int d = scaleValueGE(intensityError, 2.0f, 127.0f / 128, 63);
  const auto c = static_cast<std::uint32_t>(roundedField(128.0 * intensityError, 0, 127));
  put32(p + 8, a | static_cast<std::uint32_t>(b) << 8 | c << 13 | static_cast<std::uint32_t>(d) << 20 |
                   (static_cast<std::uint32_t>(cAccMassFlags) & 0xFu) << 26);
}

int readScan(std::FILE* pFile, char* pcBuffer, unsigned int nDataFormat, unsigned int& nPeaksInScan) {
  if (int rc = isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  const std::uint64_t bytes = getBytesPerScan(nDataFormat, nPeaksInScan);
  if (bytes == 0) return ZVRAW_OK;
  if (pFile == nullptr || pcBuffer == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (std::fread(pcBuffer, 1, bytes, pFile) == bytes) return ZVRAW_OK;
  return std::feof(pFile) ? ZVRAW_SCANREAD_EOFERROR : ZVRAW_SCANREAD_ERROR;
}

int writeScan(std::FILE* pFile, const char* pcBuffer, unsigned int nBytesPerPeak, unsigned int nPeaksInScan) {
  if (nBytesPerPeak == 0 || nPeaksInScan == 0) return ZVRAW_OK;
  if (pFile == nullptr || pcBuffer == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  return std::fwrite(pcBuffer, nBytesPerPeak, nPeaksInScan, pFile) == nPeaksInScan ? ZVRAW_OK : ZVRAW_SCANWRITE_ERROR;
}

namespace {

template <unsigned F>
float packetMass(const char* p);
template <>
float packetMass<0>(const char* p) {
  float mass, intensity;
  extractCompressedData(mass, intensity, p);
  return mass;
}
template <>
float packetMass<8>(const char* p) {
  float mass, intensity;
  extractHiIntCalData(mass, intensity, p);
  return mass;
}
template <>
float packetMass<9>(const char* p) {
  return detail::hiAccMass(loadLE<std::uint32_t>(p + 2));
}
template <>
float packetMass<12>(const char* p) {
  float mass, intensity;
  char flags;
  extractEnhancedCalData(mass, intensity, flags, p);
  return mass;
}
template <>
float packetMass<13>(const char* p) {
  return packetMass<12>(p);  // the error word does not bear on the mass
}

}  // namespace

PacketMassRoutine packetMassReader(unsigned int nDataFormat) {
  switch (nDataFormat) {
    case 0:
      return packetMass<0>;
    case 8:
      return packetMass<8>;
    case 9:
      return packetMass<9>;
    case 12:
      return packetMass<12>;
    case 13:
      return packetMass<13>;
    default:
      return nullptr;
  }
}

float getCompressedMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset) {
  return fileMass(pFile, nIndex, nScanOffset, 0, packetMass<0>);
}

float getHiIntMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset) {
  return fileMass(pFile, nIndex, nScanOffset, 8, packetMass<8>);
}

float getHiAccMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset) {
  return fileMass(pFile, nIndex, nScanOffset, 9, packetMass<9>);
}

float getEnCalMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset) {
  return fileMass(pFile, nIndex, nScanOffset, 12, packetMass<12>);
}

float getEnCalAccMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset) {
  return fileMass(pFile, nIndex, nScanOffset, 13, packetMass<13>);
}

unsigned int getNearestIndexGreaterThan(std::FILE* pFile, unsigned int nSize, std::uint64_t nOffSetStart, float fMass,
                                        GetMassRoutine getMass) {
  if (pFile == nullptr || getMass == nullptr) return 0;
  const unsigned int index = bisect(nSize, fMass, [&](unsigned int i) { return getMass(pFile, i, nOffSetStart); });
  if (nOffSetStart <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
    (void)::fseeko(pFile, static_cast<off_t>(nOffSetStart), SEEK_SET);
  return index;
}

unsigned int getNearestIndexGreaterThan(const float* pfMasses, unsigned int nSize, float fMass) {
  if (pfMasses == nullptr) return 0;
  return bisect(nSize, fMass, [&](unsigned int i) { return pfMasses[i]; });
}

unsigned int getNearestIndexGreaterThan(const char* pcRun, unsigned int nDataFormat, unsigned int nSize, float fMass) {
  const PacketMassRoutine mass = packetMassReader(nDataFormat);
  if (pcRun == nullptr || mass == nullptr) return 0;
  const std::uint16_t bytes = getBytesPerPacket(nDataFormat);
  return bisect(nSize, fMass, [&](unsigned int i) { return mass(pcRun + std::size_t{i} * bytes); });
}

}  // namespace zvraw_packed
