#pragma once

// Packed scan data of _funcNNN.dat: each scan is a run of fixed-size packets
// whose layout the function's data format (0-13) selects. Decoders read one
// packet and are inline, since scan decoding calls them once per packet.
//
// These live in their own namespace: the spectrum code has a search of the
// same name whose answer past the last mass differs.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "formats/portability/ByteCodec.h"

namespace zvraw_packed {

// Peak flags of formats 11-13 (4 bits).
inline constexpr char NO_FLAG = 0;
inline constexpr char ENHANCED_CAL_FLAGS_PEAK_ERROR_MASK = 2;
[[nodiscard]] inline bool errorPeak(char cPeakFlags) { return (cPeakFlags & ENHANCED_CAL_FLAGS_PEAK_ERROR_MASK) != 0; }

// Packet sizes and peaks per packet by format; 0 for format 10 and above 13.
[[nodiscard]] std::uint16_t getBytesPerPacket(unsigned int nDataFormat);
[[nodiscard]] std::uint16_t getPeaksPerPacket(unsigned int nDataFormat);
// Whole packets for n peaks (a part-filled last packet counts); 0 for a
// format without packets. 64-bit, so no peak count can wrap it.
[[nodiscard]] std::uint64_t getBytesPerScan(unsigned int nDataFormat, unsigned int nPeaksInScan);
// 0 for formats 0-9 and 11-13, ZVRAW_DATATYPE_UNSUPPORTED otherwise.
[[nodiscard]] int isSupportedDataType(unsigned int nDataFormat);

namespace detail {
// 2^x built from its exponent bits: exact, and no integer conversion.
inline float pow2(unsigned x) { return std::bit_cast<float>((127u + x) << 23); }  // x <= 127
inline float pow4(unsigned e) { return pow2(2 * e); }                             // e <= 63
// u16 intensity word: bits 0-2 exponent e, bits 3-15 mantissa m; m x 4^e.
inline float intensityWord(std::uint16_t w) { return static_cast<float>(w >> 3) * pow4(w & 7u); }
// 22-bit two's-complement mantissa m (bits 0-21), exponent x (22-27): m x 2^(x - 21).
inline float enhancedIntensity(std::uint32_t w) {
  const std::int32_t m = static_cast<std::int32_t>(w << 10) >> 10;  // sign from bit 21
  return static_cast<float>(m) * pow2((w >> 22) & 0x3Fu) * 0x1p-21f;
}
// Format 9 mass word: bits 0-3 intensity exponent, 4-8 mass exponent x,
// 9-31 mantissa v; mass = 2^x x v / 2^23.
inline float hiAccMass(std::uint32_t w) { return static_cast<float>(w >> 9) * pow2((w >> 4) & 0x1Fu) * 0x1p-23f; }
}  // namespace detail

// Format 0, one u32: bits 0-2 intensity exponent e, 3-10 mantissa m, 11-31 mass v.
// intensity = m x 4^e, mass = v / 128.
inline void extractCompressedData(float& fMass, float& fIntensity, const char* p) {
  const std::uint32_t w = loadLE<std::uint32_t>(p);
  fIntensity = static_cast<float>((w >> 3) & 0xFFu) * detail::pow4(w & 7u);
  fMass = static_cast<float>(w >> 11) * (1.0f / 128);
}

// Format 1, two peaks: @0 u16 intensity word A | @2 word B | @4 u24 mass A | @7 u24 mass B;
// mass = value / 1024.
inline void extractStdScanningData(float& fMassA, float& fIntensityA, float& fMassB, float& fIntensityB,
                                   const char* p) {
  fIntensityA = detail::intensityWord(loadLE<std::uint16_t>(p));
  fIntensityB = detail::intensityWord(loadLE<std::uint16_t>(p + 2));
  fMassA = static_cast<float>(loadLE24(p + 4)) * (1.0f / 1024);
  fMassB = static_cast<float>(loadLE24(p + 7)) * (1.0f / 1024);
}

// Formats 2 and 3: @0 u16 intensity word.
inline void extractStdUncalibratedData(float& fIntensity, const char* p) {
  fIntensity = detail::intensityWord(loadLE<std::uint16_t>(p));
}

// Formats 4-7: @0 four i16 mantissas m1..m4 | @8 u16 four 4-bit exponents
// (e1 bits 0-3 ... e4 bits 12-15); value k = mk x 4^ek.
inline void extractHiIntUncalData(float& fIntensityA, float& fIntensityB, float& fIntensityC, float& fIntensityD,
                                  const char* p) {
  const std::uint16_t e = loadLE<std::uint16_t>(p + 8);
  fIntensityA = static_cast<float>(loadLE<std::int16_t>(p)) * detail::pow4(e & 0xFu);
  fIntensityB = static_cast<float>(loadLE<std::int16_t>(p + 2)) * detail::pow4((e >> 4) & 0xFu);
  fIntensityC = static_cast<float>(loadLE<std::int16_t>(p + 4)) * detail::pow4((e >> 8) & 0xFu);
  fIntensityD = static_cast<float>(loadLE<std::int16_t>(p + 6)) * detail::pow4(e >> 12);
}

// Formats 5 and 7: the same packet read as two intensities and their standard deviations.
inline void extractHiIntUncalStdDevData(float& fIntensityA, float& fIntensityB, float& fStdDevA, float& fStdDevB,
                                        const char* p) {
  extractHiIntUncalData(fIntensityA, fIntensityB, fStdDevA, fStdDevB, p);
}

// Format 8: @0 i16 intensity mantissa m | @2 u32 bits 0-3 exponent e, 4-31 mass v.
// intensity = m x 4^e, mass = v / 128.
inline void extractHiIntCalData(float& fMass, float& fIntensity, const char* p) {
  const std::uint32_t w = loadLE<std::uint32_t>(p + 2);
  fIntensity = static_cast<float>(loadLE<std::int16_t>(p)) * detail::pow4(w & 0xFu);
  fMass = static_cast<float>(w >> 4) * (1.0f / 128);
}

// Format 9: @0 i16 intensity mantissa m | @2 u32 bits 0-3 exponent e, 4-8 mass
// exponent x, 9-31 mass mantissa v. intensity = m x 4^e, mass = 2^x x v / 2^23.
inline void extractHiAccCalData(float& fMass, float& fIntensity, const char* p) {
  const std::uint32_t w = loadLE<std::uint32_t>(p + 2);
  fIntensity = static_cast<float>(loadLE<std::int16_t>(p)) * detail::pow4(w & 0xFu);
  fMass = detail::hiAccMass(w);
}

// Format 11, one u32: bits 0-21 signed mantissa m, 22-27 exponent x, 28-31 peak flags.
inline void extractEnhancedUncalData(float& fIntensity, char& cFlags, const char* p) {
  const std::uint32_t w = loadLE<std::uint32_t>(p);
  fIntensity = detail::enhancedIntensity(w);
  cFlags = static_cast<char>(w >> 28);
}

// Format 12: @0 as format 11 | @4 u32 bits 0-26 mass mantissa v, 27-31 exponent y;
// mass = 2^y x v / 2^27.
inline void extractEnhancedCalData(float& fMass, float& fIntensity, char& cFlags, const char* p) {
  extractEnhancedUncalData(fIntensity, cFlags, p);
  const std::uint32_t w = loadLE<std::uint32_t>(p + 4);
  fMass = static_cast<float>(w & 0x7FFFFFFu) * detail::pow2(w >> 27) * 0x1p-27f;
}

// Format 13: @0 as format 12 | @8 u32 bits 0-7 mass-error mantissa a, 8-12 exponent b,
// 13-19 intensity-error mantissa c, 20-25 exponent d, 26-29 accurate-mass flags.
// mass error = 2^b x a / 256 x 10^-6, intensity error = 2^d x c / 128.
inline void extractEnhancedCalAccData(float& fMass, float& fIntensity, char& cFlags, float& fDMass, float& fDIntensity,
                                      char& cAccMassFlags, const char* p) {
  extractEnhancedCalData(fMass, fIntensity, cFlags, p);
  const std::uint32_t w = loadLE<std::uint32_t>(p + 8);
  fDMass = static_cast<float>(w & 0xFFu) * detail::pow2((w >> 8) & 0x1Fu) * (1.0f / 256) * 1e-6f;
  fDIntensity = static_cast<float>((w >> 13) & 0x7Fu) * detail::pow2((w >> 20) & 0x3Fu) * (1.0f / 128);
  cAccMassFlags = static_cast<char>((w >> 26) & 0xFu);
}

// Dividing by the factor while |value| > max (GT) or >= max (GE); returns the
// number of divisions. Stops after nMaxDivisions, so an infinity (or a factor
// that cannot shrink the value) never loops forever; NaN divides 0 times.
inline constexpr int kScaleDivisionLimit = 255;
int scaleValueGT(float& fValue, const float& fScaleFactor, const float& fZeroScaleMax,
                 int nMaxDivisions = kScaleDivisionLimit);
int scaleValueGE(float& fValue, const float& fScaleFactor, const float& fZeroScaleMax,
                 int nMaxDivisions = kScaleDivisionLimit);

// Encoders write one packet. Every field is saturated to its width: NaN
// encodes as 0, a magnitude too large for the exponent field keeps the
// largest exponent and a clamped mantissa, and masses and format-13 errors
// below 0 encode as 0. Values that fit encode exactly.
void packCompressedData(float fMass, float fIntensity, char* p);
void packHiIntCalData(float fMass, float fIntensity, char* p);
void packHiAccCalData(float fMass, float fIntensity, char* p);
// Inline below: a writer packs every peak of a scan through it.
inline void packEnhancedCalData(float fMass, float fIntensity, char cFlags, char* p);
void packEnhancedCalAccData(float fMass, float fIntensity, char cFlags, float fMassError, float fIntensityError,
                            char cAccMassFlags, char* p);


// Reads the packet run of n peaks at the stream's position into the buffer:
// 0; ZVRAW_SCANREAD_EOFERROR at the end of the stream, ZVRAW_SCANREAD_ERROR on
// another short read; ZVRAW_DATATYPE_UNSUPPORTED for a format without packets.
[[nodiscard]] int readScan(std::FILE* pFile, char* pcBuffer, unsigned int nDataFormat, unsigned int& nPeaksInScan);
// Writes n items of the given size; ZVRAW_SCANWRITE_ERROR when fewer were written.
[[nodiscard]] int writeScan(std::FILE* pFile, const char* pcBuffer, unsigned int nBytesPerPeak,
                            unsigned int nPeaksInScan);

// The mass of packet nIndex of the scan at nScanOffset, read from the file.
// A packet that cannot be read decodes as zeros (mass 0).
using GetMassRoutine = float (*)(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset);
float getCompressedMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset);  // format 0
float getHiIntMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset);       // format 8
float getHiAccMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset);       // format 9
float getEnCalMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset);       // format 12
float getEnCalAccMass(std::FILE* pFile, unsigned int nIndex, std::uint64_t nScanOffset);    // format 13

// The mass of the packet at p, for the formats the file mass readers serve
// (one peak per packet); null for every other format.
using PacketMassRoutine = float (*)(const char* p);
[[nodiscard]] PacketMassRoutine packetMassReader(unsigned int nDataFormat);

// Bisection over n ascending masses: 0 when the first mass exceeds fMass, n
// when fMass exceeds the last, else the first index whose mass exceeds fMass
// (n - 1 when fMass equals the last mass). 0 for n = 0, without reading.
// The file form leaves the stream at nOffSetStart; the run form reads the
// packets of n peaks of the reader's format at pcRun.
[[nodiscard]] unsigned int getNearestIndexGreaterThan(std::FILE* pFile, unsigned int nSize, std::uint64_t nOffSetStart,
                                                      float fMass, GetMassRoutine getMass);
[[nodiscard]] unsigned int getNearestIndexGreaterThan(const float* pfMasses, unsigned int nSize, float fMass);
[[nodiscard]] unsigned int getNearestIndexGreaterThan(const char* pcRun, unsigned int nDataFormat, unsigned int nSize,
                                                      float fMass);

namespace detail {
// Formats 12 and 13: the words by the encoding rule, for any value.
[[nodiscard]] std::uint32_t enhancedIntensityWordRule(float intensity, char cFlags);
[[nodiscard]] std::uint32_t enhancedMassWordRule(float mass);

// Values of 1 and more (the common case) straight from their bits: the
// halvings end at 1.f / 2 (for an intensity, at 1.f / 4 when that still
// rounds up to 1), whose mantissa is the 24-bit significand: exact for a
// mass, rounded half up to 21 bits for an intensity. The same words as the
// rule gives, tested bit for bit against it.
inline std::uint32_t enhancedIntensityWord(float intensity, char cFlags) {
  if (!(intensity >= 1.0f && intensity <= 0x1p61f)) return enhancedIntensityWordRule(intensity, cFlags);
  const auto bits = std::bit_cast<std::uint32_t>(intensity);
  const std::uint32_t significand = (bits & 0x7FFFFFu) | 0x800000u;
  const bool twice = significand >= 0xFFFFF8u;  // 1.f / 2 is still at least 1 - 2^-21
  const std::uint32_t x = ((bits >> 23) & 0xFFu) - 127u + (twice ? 2u : 1u);
  const std::uint32_t m = twice ? (significand + 8) >> 4 : (significand + 4) >> 3;
  return m | x << 22 | (static_cast<std::uint32_t>(cFlags) & 0xFu) << 28;
}

inline std::uint32_t enhancedMassWord(float mass) {
  if (!(mass >= 1.0f && mass < 0x1p31f)) return enhancedMassWordRule(mass);
  const auto bits = std::bit_cast<std::uint32_t>(mass);
  return ((bits & 0x7FFFFFu) | 0x800000u) << 3 | (((bits >> 23) & 0xFFu) - 126u) << 27;
}
}  // namespace detail

inline void packEnhancedCalData(float fMass, float fIntensity, char cFlags, char* p) {
  storeLE(p, detail::enhancedIntensityWord(fIntensity, cFlags));
  storeLE(p + 4, detail::enhancedMassWord(fMass));
}

namespace detail {
typedef float Float4 __attribute__((vector_size(16)));
typedef std::int32_t Int4 __attribute__((vector_size(16)));
typedef std::uint32_t Uint4 __attribute__((vector_size(16)));
typedef std::uint8_t Byte4 __attribute__((vector_size(4)));

template <class V>
V load4(const void* p) {
  V v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Four packets at p when all four points take the fast path of
// enhancedIntensityWord and enhancedMassWord (masses from 1 to below 2^31,
// intensities from 1 to 2^61, read straight from their bits): each lane
// computes what those do, without a branch. False, nothing written, when a
// value lies outside that range.
inline bool packFourFromBits(const float* masses, const float* intensities, Uint4 flags, char* p) {
  const auto ib = load4<Uint4>(intensities);
  const auto mb = load4<Uint4>(masses);
  // The range as the bits of positive floats order (a sign bit or NaN lands far outside).
  const Int4 fast = ((mb - 0x3F800000u) < 0x0F800000u) & ((ib - 0x3F800000u) <= 0x1E800000u);
  std::uint64_t halves[2];
  std::memcpy(halves, &fast, sizeof halves);
  if ((halves[0] & halves[1]) != ~std::uint64_t{0}) return false;
  const Uint4 significand = (ib & 0x7FFFFFu) | 0x800000u;
  // All ones where the halvings go one further: the mantissa then rounds up to exactly 2^20.
  const auto twice = reinterpret_cast<Uint4>(significand >= 0xFFFFF8u);
  const Uint4 m = (twice & 0x100000u) | (~twice & ((significand + 4u) >> 3));
  const Uint4 x = ((ib >> 23) & 0xFFu) - 126u - twice;  // minus all ones: one halving more
  const Uint4 intensityWords = m | x << 22 | (flags & 0xFu) << 28;
  const Uint4 massWords = ((mb & 0x7FFFFFu) | 0x800000u) << 3 | (((mb >> 23) & 0xFFu) - 126u) << 27;
  const Uint4 first = __builtin_shufflevector(intensityWords, massWords, 0, 4, 1, 5);
  const Uint4 second = __builtin_shufflevector(intensityWords, massWords, 2, 6, 3, 7);
  storeLE(p, first);
  storeLE(p + sizeof first, second);
  return true;
}

inline Uint4 flagsOfFour(const char* flags) {
  return flags != nullptr ? __builtin_convertvector(load4<Byte4>(flags), Uint4) : Uint4{};
}
}  // namespace detail

// n format-12 packets at p from the point arrays (flags may be null: all
// 0), the same bytes as packEnhancedCalData point by point, four points at
// a time.
inline void packEnhancedCalRun(const float* pfMasses, const float* pfIntensities, const char* pcFlags,
                               std::uint32_t n, char* p) {
  std::uint32_t i = 0;
  for (; n - i >= 4; i += 4) {
    const char* flags = pcFlags != nullptr ? pcFlags + i : nullptr;
    if (detail::packFourFromBits(pfMasses + i, pfIntensities + i, detail::flagsOfFour(flags), p + std::size_t{8} * i))
      continue;
    for (std::uint32_t k = i; k < i + 4; ++k)
      packEnhancedCalData(pfMasses[k], pfIntensities[k], pcFlags != nullptr ? pcFlags[k] : NO_FLAG,
                          p + std::size_t{8} * k);
  }
  for (; i < n; ++i)
    packEnhancedCalData(pfMasses[i], pfIntensities[i], pcFlags != nullptr ? pcFlags[i] : NO_FLAG,
                        p + std::size_t{8} * i);
}

}  // namespace zvraw_packed
