#pragma once

// Hand-built _funcNNN.idx records, written field by field from the record
// layout (22 bytes, or 30 in the extended form), and packet builders for the
// matching _funcNNN.dat.

#include <array>
#include <cstdint>

#include "support/ByteBuilder.h"

struct IndexRecordFields {
  std::uint32_t offset = 0, offsetHigh = 0;
  std::uint32_t peaks = 0;
  std::uint8_t segment = 1;
  bool useContinuum = false, override = false, molecular = false, calibrated = false, overload = false;
  float tic = 0, rt = 0;
  std::array<std::uint8_t, 6> basePeak{};
};

inline std::uint32_t indexBitWord(const IndexRecordFields& r) {
  return r.peaks | std::uint32_t{r.segment} << 22 | std::uint32_t{r.useContinuum} << 27 |
         std::uint32_t{r.override} << 28 | std::uint32_t{r.molecular} << 29 | std::uint32_t{r.calibrated} << 30 |
         std::uint32_t{r.overload} << 31;
}

// junkHead fills bytes 0-3 of an extended record, which readers ignore.
inline Bytes indexRecordBytes(const IndexRecordFields& r, bool extended, std::uint32_t junkHead = 0) {
  ByteBuilder b;
  b.u32(extended ? junkHead : r.offset).u32(indexBitWord(r)).f32(r.tic).f32(r.rt);
  for (std::uint8_t v : r.basePeak) b.u8(v);
  if (extended) b.u32(r.offset).u32(r.offsetHigh);
  return b.take();
}

// The base-peak field in the format-9 packet layout: i16 intensity
// mantissa, then a u32 of intensity exponent (0-3), mass exponent (4-8) and
// 23-bit mass mantissa (9-31).
inline std::array<std::uint8_t, 6> hiAccBasePeak(std::int16_t mantissa, unsigned e, unsigned x, std::uint32_t v) {
  const std::uint32_t w = e | x << 4 | v << 9;
  const auto m = static_cast<std::uint16_t>(mantissa);
  return {static_cast<std::uint8_t>(m),      static_cast<std::uint8_t>(m >> 8),  static_cast<std::uint8_t>(w),
          static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 24)};
}
