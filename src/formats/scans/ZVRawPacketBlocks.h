#pragma once

// Decoding a run of packets into mass and intensity arrays, four packets at
// a time where the layout allows it. Each lane does exactly what the
// per-packet decoder does (the same conversions and multiplications in the
// same order), so the results are identical to the bit; the packet
// decoders remain the definition.

#include <cstdint>
#include <cstring>

#include "formats/scans/ZVRawScanPackets.h"

namespace zvraw_scan_detail {

typedef float Float4 __attribute__((vector_size(16)));
typedef std::int32_t Int4 __attribute__((vector_size(16)));
typedef std::uint32_t Uint4 __attribute__((vector_size(16)));

inline Float4 loadFloat4(const float* p) {
  Float4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void storeFloat4(float* p, Float4 v) { std::memcpy(p, &v, sizeof v); }
inline Uint4 loadWords(const char* p) {
  Uint4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
// The u32 at byte `at` of each of four packets `stride` bytes apart.
inline Uint4 gatherWords(const char* p, unsigned stride, unsigned at) {
  return Uint4{zvraw_packed::detail::u32At(p + at), zvraw_packed::detail::u32At(p + stride + at),
               zvraw_packed::detail::u32At(p + 2 * stride + at), zvraw_packed::detail::u32At(p + 3 * stride + at)};
}
inline Int4 gatherShorts(const char* p, unsigned stride) {
  return Int4{zvraw_packed::detail::i16At(p), zvraw_packed::detail::i16At(p + stride),
              zvraw_packed::detail::i16At(p + 2 * stride), zvraw_packed::detail::i16At(p + 3 * stride)};
}
// 2^x per lane from its exponent bits, as detail::pow2.
inline Float4 pow2Lanes(Uint4 x) {
  Float4 f;
  const Uint4 bits = (x + 127u) << 23;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
// |v| per lane by clearing the sign bit, as std::fabs.
inline Float4 absLanes(Float4 v) {
  Uint4 bits;
  std::memcpy(&bits, &v, sizeof bits);
  bits &= 0x7FFFFFFFu;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
inline Float4 toFloat(Int4 v) { return __builtin_convertvector(v, Float4); }
inline Float4 toFloat(Uint4 v) { return __builtin_convertvector(reinterpret_cast<Int4&>(v), Float4); }  // < 2^31

// Four packets of a format into m[0..3], in[0..3] (and flags); false when
// the format has no four-at-a-time form.
template <unsigned F>
inline bool decodeFour(const char*, float*, float*, char*) {
  return false;
}

// Format 0: bits 0-2 exponent e, 3-10 mantissa, 11-31 mass / 128.
template <>
inline bool decodeFour<0>(const char* p, float* m, float* in, char*) {
  const Uint4 w = loadWords(p);
  storeFloat4(in, toFloat((w >> 3) & 0xFFu) * pow2Lanes((w & 7u) * 2u));
  storeFloat4(m, toFloat(w >> 11) * (1.0f / 128));
  return true;
}

// Formats 8 and 9 share the intensity: i16 mantissa m at byte 0, exponent e
// in bits 0-3 of the word at byte 2; m x 4^e.
inline void sixteenBitIntensities(const char* p, const Uint4& w, float* in) {
  storeFloat4(in, toFloat(gatherShorts(p, 6)) * pow2Lanes((w & 0xFu) * 2u));
}

// Format 8: i16 mantissa | u32 bits 0-3 exponent, 4-31 mass / 128.
template <>
inline bool decodeFour<8>(const char* p, float* m, float* in, char*) {
  const Uint4 w = gatherWords(p, 6, 2);
  sixteenBitIntensities(p, w, in);
  storeFloat4(m, toFloat(w >> 4) * (1.0f / 128));
  return true;
}

// Format 9: i16 mantissa | u32 bits 0-3 exponent, 4-8 mass exponent x,
// 9-31 mass mantissa; mass = v x 2^x x 2^-23.
template <>
inline bool decodeFour<9>(const char* p, float* m, float* in, char*) {
  const Uint4 w = gatherWords(p, 6, 2);
  sixteenBitIntensities(p, w, in);
  storeFloat4(m, toFloat(w >> 9) * pow2Lanes((w >> 4) & 0x1Fu) * 0x1p-23f);
  return true;
}

// Format 12: word 0 signed 22-bit mantissa, exponent, flags; word 1 mass
// mantissa (27 bits) and exponent. Two loads of two packets each.
template <>
inline bool decodeFour<12>(const char* p, float* m, float* in, char* flags) {
  const Uint4 a = loadWords(p), b = loadWords(p + 16);
  const Uint4 first = __builtin_shufflevector(a, b, 0, 2, 4, 6);
  const Uint4 second = __builtin_shufflevector(a, b, 1, 3, 5, 7);
  const Uint4 high = first << 10;
  const Int4 mantissa = reinterpret_cast<const Int4&>(high) >> 10;  // sign from bit 21
  storeFloat4(in, toFloat(mantissa) * pow2Lanes((first >> 22) & 0x3Fu) * 0x1p-21f);
  storeFloat4(m, toFloat(second & 0x7FFFFFFu) * pow2Lanes(second >> 27) * 0x1p-27f);
  const Uint4 f = first >> 28;
  for (int j = 0; j < 4; ++j) flags[j] = static_cast<char>(f[j]);
  return true;
}

// Decodes n single-peak packets of format F into the arrays (flags, errors
// and accurate-mass flags where the format has them).
template <unsigned F>
void decodeRun(const char* p, std::uint32_t n, float* m, float* in, char* flags, float* dm, float* di, char* acc) {
  using C = PacketCodec<F>;
  static_assert(C::kPeaks == 1);
  std::uint32_t i = 0;
  for (; i + 4 <= n && decodeFour<F>(p, m + i, in + i, flags ? flags + i : nullptr); i += 4) p += 4 * C::kBytes;
  for (; i < n; ++i, p += C::kBytes) {
    DecodedPeak d;
    C::decode(p, &d);
    m[i] = d.mass;
    in[i] = d.intensity;
    if constexpr (C::kFlags) flags[i] = d.flags;
    if constexpr (C::kErrors) {
      dm[i] = d.dMass;
      di[i] = d.dIntensity;
      acc[i] = d.accFlags;
    }
  }
}

}  // namespace zvraw_scan_detail
