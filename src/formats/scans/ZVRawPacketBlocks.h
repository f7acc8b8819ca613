#pragma once

// Decoding a run of packets into mass and intensity arrays, eight packets
// at a time where the layout allows it. Each lane does exactly what the
// per-packet decoder does (the same conversions and multiplications in the
// same order), so the results are identical to the bit; the packet
// decoders remain the definition.

#include <cstdint>
#include <cstring>

#include "formats/portability/CpuFeatures.h"
#include "formats/scans/ZVRawScanPackets.h"

namespace zvraw_scan_detail {

// The lane helpers are always inlined, so no 256-bit value ever crosses a
// call and the warning about their calling convention does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// Eight lanes: one 256-bit register in the AVX2 copy of decodeRun, two
// 128-bit ones in the plain copy; every lane computes the same either way.
typedef float FloatLanes __attribute__((vector_size(32)));
typedef std::int32_t IntLanes __attribute__((vector_size(32)));
typedef std::uint32_t UintLanes __attribute__((vector_size(32)));
inline constexpr unsigned kLanes = 8;

[[gnu::always_inline]] inline void storeLanes(float* p, FloatLanes v) { std::memcpy(p, &v, sizeof v); }
[[gnu::always_inline]] inline UintLanes loadWords(const char* p) {
  UintLanes v;
  loadLE(&v, p, 1);
  return v;
}
// The u32 at byte `at` of each of eight packets `stride` bytes apart.
[[gnu::always_inline]] inline UintLanes gatherWords(const char* p, unsigned stride, unsigned at) {
  using U = std::uint32_t;
  p += at;
  return UintLanes{loadLE<U>(p),              loadLE<U>(p + stride),     loadLE<U>(p + 2 * stride),
                   loadLE<U>(p + 3 * stride), loadLE<U>(p + 4 * stride), loadLE<U>(p + 5 * stride),
                   loadLE<U>(p + 6 * stride), loadLE<U>(p + 7 * stride)};
}
[[gnu::always_inline]] inline IntLanes gatherShorts(const char* p, unsigned stride) {
  using S = std::int16_t;
  return IntLanes{loadLE<S>(p),              loadLE<S>(p + stride),     loadLE<S>(p + 2 * stride),
                  loadLE<S>(p + 3 * stride), loadLE<S>(p + 4 * stride), loadLE<S>(p + 5 * stride),
                  loadLE<S>(p + 6 * stride), loadLE<S>(p + 7 * stride)};
}
// 2^x per lane from its exponent bits, as detail::pow2.
[[gnu::always_inline]] inline FloatLanes pow2Lanes(UintLanes x) {
  FloatLanes f;
  const UintLanes bits = (x + 127u) << 23;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
[[gnu::always_inline]] inline FloatLanes toFloat(IntLanes v) { return __builtin_convertvector(v, FloatLanes); }
[[gnu::always_inline]] inline FloatLanes toFloat(UintLanes v) {  // values below 2^31
  return __builtin_convertvector(reinterpret_cast<IntLanes&>(v), FloatLanes);
}

// Eight packets of a format into m[0..7], in[0..7] (and flags); false when
// the format has no eight-at-a-time form.
template <unsigned F>
[[gnu::always_inline]] inline bool decodeLanes(const char*, float*, float*, char*) {
  return false;
}

// Format 0: bits 0-2 exponent e, 3-10 mantissa, 11-31 mass / 128.
template <>
[[gnu::always_inline]] inline bool decodeLanes<0>(const char* p, float* m, float* in, char*) {
  const UintLanes w = loadWords(p);
  storeLanes(in, toFloat((w >> 3) & 0xFFu) * pow2Lanes((w & 7u) * 2u));
  storeLanes(m, toFloat(w >> 11) * (1.0f / 128));
  return true;
}

// Formats 8 and 9 share the intensity: i16 mantissa m at byte 0, exponent e
// in bits 0-3 of the word at byte 2; m x 4^e.
[[gnu::always_inline]] inline void sixteenBitIntensities(const char* p, const UintLanes& w, float* in) {
  storeLanes(in, toFloat(gatherShorts(p, 6)) * pow2Lanes((w & 0xFu) * 2u));
}

// Format 8: i16 mantissa | u32 bits 0-3 exponent, 4-31 mass / 128.
template <>
[[gnu::always_inline]] inline bool decodeLanes<8>(const char* p, float* m, float* in, char*) {
  const UintLanes w = gatherWords(p, 6, 2);
  sixteenBitIntensities(p, w, in);
  storeLanes(m, toFloat(w >> 4) * (1.0f / 128));
  return true;
}

typedef char ByteLanes __attribute__((vector_size(32)));
typedef char HalfByteLanes __attribute__((vector_size(16)));
typedef std::uint64_t QuadLanes __attribute__((vector_size(32)));

// Four 6-byte packets (24 bytes at p) as one register of two 16-byte loads,
// p[0..15] and p[8..23], bytes moved within each half: per half the words
// of its two packets, then their i16 mantissas in the top of a u32 each.
[[gnu::always_inline]] inline QuadLanes sixBytePacketsOfFour(const char* p) {
  HalfByteLanes lo, hi;
  std::memcpy(&lo, p, sizeof lo);
  std::memcpy(&hi, p + 8, sizeof hi);
  const ByteLanes v = __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18,
                                              19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
  const ByteLanes moved = __builtin_shufflevector(v, v, 2, 3, 4, 5, 8, 9, 10, 11, 0, 0, 0, 1, 6, 6, 6, 7,  //
                                                  22, 23, 24, 25, 28, 29, 30, 31, 20, 20, 20, 21, 26, 26, 26, 27);
  QuadLanes q;
  std::memcpy(&q, &moved, sizeof q);
  return q;
}

// Format 9: i16 mantissa | u32 bits 0-3 exponent, 4-8 mass exponent x,
// 9-31 mass mantissa; mass = v x 2^x x 2^-23.
template <>
[[gnu::always_inline]] inline bool decodeLanes<9>(const char* p, float* m, float* in, char*) {
  const QuadLanes a = sixBytePacketsOfFour(p), b = sixBytePacketsOfFour(p + 24);
  const QuadLanes words = __builtin_shufflevector(a, b, 0, 2, 4, 6);
  const QuadLanes shorts = __builtin_shufflevector(a, b, 1, 3, 5, 7);
  UintLanes w;
  IntLanes high;
  std::memcpy(&w, &words, sizeof w);
  std::memcpy(&high, &shorts, sizeof high);
  storeLanes(in, toFloat(high >> 16) * pow2Lanes((w & 0xFu) * 2u));  // the sign from the mantissa's top bit
  storeLanes(m, toFloat(w >> 9) * pow2Lanes((w >> 4) & 0x1Fu) * 0x1p-23f);
  return true;
}

// Format 12: word 0 signed 22-bit mantissa, exponent, flags; word 1 mass
// mantissa (27 bits) and exponent. Two loads of four packets each.
template <>
[[gnu::always_inline]] inline bool decodeLanes<12>(const char* p, float* m, float* in, char* flags) {
  const UintLanes a = loadWords(p), b = loadWords(p + 32);
  const UintLanes first = __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
  const UintLanes second = __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
  const UintLanes high = first << 10;
  const IntLanes mantissa = reinterpret_cast<const IntLanes&>(high) >> 10;  // sign from bit 21
  storeLanes(in, toFloat(mantissa) * pow2Lanes((first >> 22) & 0x3Fu) * 0x1p-21f);
  storeLanes(m, toFloat(second & 0x7FFFFFFu) * pow2Lanes(second >> 27) * 0x1p-27f);
  // The low byte of each lane, all eight stored at once.
  typedef char FlagBytes __attribute__((vector_size(32)));
  typedef char FlagLanes __attribute__((vector_size(8)));
  FlagBytes bytes;
  const UintLanes f = first >> 28;
  std::memcpy(&bytes, &f, sizeof bytes);
  const FlagLanes low = __builtin_shufflevector(bytes, bytes, 0, 4, 8, 12, 16, 20, 24, 28);
  std::memcpy(flags, &low, sizeof low);
  return true;
}

// Decodes n single-peak packets of format F into the arrays (flags, errors
// and accurate-mass flags where the format has them).
template <unsigned F>
[[gnu::always_inline]] inline void decodeRunBody(const char* p, std::uint32_t n, float* m, float* in, char* flags,
                                                 float* dm, float* di, char* acc) {
  using C = PacketCodec<F>;
  static_assert(C::kPeaks == 1);
  std::uint32_t i = 0;
  for (; i + kLanes <= n && decodeLanes<F>(p, m + i, in + i, flags ? flags + i : nullptr); i += kLanes)
    p += kLanes * C::kBytes;
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

// What decodeRunChecked saw besides the values.
struct RunChecks {
  bool bad = false;    // a mass failed the bad-mass test against the one before it
  bool error = false;  // a peak flag marks an error (formats 12, 13)
};

// decodeRunBody, and in the same pass the bad-mass test of every mass
// against the one before it (prev for the first) and the error flags: the
// masses are tested while they are still in registers.
template <unsigned F>
[[gnu::always_inline]] inline RunChecks decodeRunCheckedBody(const char* p, std::uint32_t n, float* m, float* in,
                                                             char* flags, float* dm, float* di, char* acc, float prev,
                                                             float lower, float upper) {
  using C = PacketCodec<F>;
  const auto bad = [&](float v, float before) {
    return v - 1.0f > upper || lower > v + 1.0f || (before > 0 && before >= v);
  };
  RunChecks out;
  std::uint32_t i = 0;
  if (n >= kLanes && decodeLanes<F>(p, m, in, flags)) {
    const FloatLanes lo{lower, lower, lower, lower, lower, lower, lower, lower};
    const FloatLanes hi{upper, upper, upper, upper, upper, upper, upper, upper};
    FloatLanes last{0, 0, 0, 0, 0, 0, 0, prev};
    IntLanes badLanes{};
    for (;;) {
      FloatLanes cur;
      std::memcpy(&cur, m + i, sizeof cur);  // the lanes just stored: forwarded from the store
      const FloatLanes before = __builtin_shufflevector(last, cur, 7, 8, 9, 10, 11, 12, 13, 14);
      badLanes |= (cur - 1.0f > hi) | (lo > cur + 1.0f) | ((before > 0.0f) & (before >= cur));
      last = cur;
      i += kLanes;
      p += kLanes * C::kBytes;
      if (i + kLanes > n) break;
      (void)decodeLanes<F>(p, m + i, in + i, flags ? flags + i : nullptr);
    }
    std::int32_t any = 0;
    for (unsigned j = 0; j < kLanes; ++j) any |= badLanes[j];
    out.bad = any != 0;
    prev = last[kLanes - 1];
    if constexpr (C::kFlags) {
      typedef char FlagLanes __attribute__((vector_size(32)));
      FlagLanes errors{};
      std::uint32_t k = 0;
      for (; k + 32 <= i; k += 32) {
        FlagLanes f;
        std::memcpy(&f, flags + k, sizeof f);
        errors |= f;
      }
      char seen = 0;
      for (unsigned j = 0; j < 32; ++j) seen |= errors[j];
      for (; k < i; ++k) seen |= flags[k];
      out.error = zvraw_packed::errorPeak(seen);
    }
  }
  for (; i < n; ++i, p += C::kBytes) {
    DecodedPeak d;
    C::decode(p, &d);
    m[i] = d.mass;
    in[i] = d.intensity;
    out.bad |= bad(d.mass, prev);
    prev = d.mass;
    if constexpr (C::kFlags) {
      flags[i] = d.flags;
      out.error |= zvraw_packed::errorPeak(d.flags);
    }
    if constexpr (C::kErrors) {
      dm[i] = d.dMass;
      di[i] = d.dIntensity;
      acc[i] = d.accFlags;
    }
  }
  return out;
}

#pragma GCC diagnostic pop

// The AVX2 and plain copies, and the run-time choice between them.
template <unsigned F>
ZVRAW_AVX2_COPY void decodeRunAvx2(const char* p, std::uint32_t n, float* m, float* in, char* flags, float* dm,
                                   float* di, char* acc) {
  decodeRunBody<F>(p, n, m, in, flags, dm, di, acc);
}
template <unsigned F>
void decodeRunPlain(const char* p, std::uint32_t n, float* m, float* in, char* flags, float* dm, float* di,
                    char* acc) {
  decodeRunBody<F>(p, n, m, in, flags, dm, di, acc);
}
template <unsigned F>
void decodeRun(const char* p, std::uint32_t n, float* m, float* in, char* flags, float* dm, float* di, char* acc) {
  zvraw::cpuHasAvx2() ? decodeRunAvx2<F>(p, n, m, in, flags, dm, di, acc)
                      : decodeRunPlain<F>(p, n, m, in, flags, dm, di, acc);
}

}  // namespace zvraw_scan_detail

namespace zvraw_scan_detail {

template <unsigned F>
ZVRAW_AVX2_COPY RunChecks decodeRunCheckedAvx2(const char* p, std::uint32_t n, float* m, float* in, char* flags,
                                               float* dm, float* di, char* acc, float prev, float lower, float upper) {
  return decodeRunCheckedBody<F>(p, n, m, in, flags, dm, di, acc, prev, lower, upper);
}
template <unsigned F>
RunChecks decodeRunCheckedPlain(const char* p, std::uint32_t n, float* m, float* in, char* flags, float* dm, float* di,
                                char* acc, float prev, float lower, float upper) {
  return decodeRunCheckedBody<F>(p, n, m, in, flags, dm, di, acc, prev, lower, upper);
}
template <unsigned F>
RunChecks decodeRunChecked(const char* p, std::uint32_t n, float* m, float* in, char* flags, float* dm, float* di,
                           char* acc, float prev, float lower, float upper) {
  return zvraw::cpuHasAvx2() ? decodeRunCheckedAvx2<F>(p, n, m, in, flags, dm, di, acc, prev, lower, upper)
                             : decodeRunCheckedPlain<F>(p, n, m, in, flags, dm, di, acc, prev, lower, upper);
}

}  // namespace zvraw_scan_detail
