#pragma once

// LZRW3: a fast LZ coder that names a repeat by the hash-table slot that
// remembers where it was seen, not by its offset, so the decoder rebuilds
// the same table as it goes.
//
// Stream, little-endian:
//   @0 u8 flag (0 coded, 1 copied) | @1 u8[3] zero
//   copied: the input bytes as they are
//   coded:  groups of u16 control word + up to 16 items; bit k (bit 0
//           first) = item k is a copy (2 bytes) or a literal (1 byte).
//           copy: b0 = ((slot >> 4) & 0xF0) | (length - 3), b1 = slot & 0xFF
//   unused high bits of the last control word are 1; an empty last group is dropped.

#include <cstdint>

// Identity record; action 0 hands out its address.
struct compress_identity {
  std::uint32_t id;
  std::uint32_t memory;  // work memory the caller supplies, in bytes
  const char* name;
  const char* version;
  const char* date;
  const char* copyright;
  const char* author;
  const char* affiliation;
  const char* vendor;
};

inline constexpr std::uint16_t COMPRESS_ACTION_IDENTITY = 0;
inline constexpr std::uint16_t COMPRESS_ACTION_COMPRESS = 1;
inline constexpr std::uint16_t COMPRESS_ACTION_DECOMPRESS = 2;

inline constexpr std::uint32_t kLzrw3WorkMemory = 32784;  // 4096 8-byte slots + 16 alignment allowance
inline constexpr std::uint64_t kLzrw3Overrun = 1024;      // room past src_len the compressor may need
// A coded stream never exceeds its input by more than this (the copied form
// is src_len + 4; a coded one stops at most one group past that).
inline constexpr std::uint64_t kLzrw3MaxOverhead = 64;
// Two stream bytes make at most 18 output bytes.
inline constexpr std::uint64_t kLzrw3MaxExpansion = 9;

// action 0: *p_dst_len = address of the identity record.
// action 1: compress src_len bytes into dst_adr, which holds src_len + kLzrw3Overrun.
// action 2: decompress; dst_adr must hold kLzrw3MaxExpansion * src_len bytes,
//   which no stream exceeds. A damaged stream stops where the damage shows,
//   and *p_dst_len is what was produced up to there.
// Other actions do nothing. wrk_mem holds kLzrw3WorkMemory bytes.
void compress(std::uint16_t action, std::uint8_t* wrk_mem, const std::uint8_t* src_adr, std::uint64_t src_len,
              std::uint8_t* dst_adr, std::uint64_t* p_dst_len);

enum class Lzrw3Status {
  Ok,
  TooShort,     // fewer than the 4 header bytes
  BadFlag,      // flag byte neither 0 nor 1
  Truncated,    // the stream ends inside a control word or a copy item
  Overflow,     // the stream would produce more than the output holds
  WrongLength,  // decoded cleanly, but not to the length expected
};

// The most a stream of len bytes can expand to (saturating).
[[nodiscard]] constexpr std::uint64_t lzrw3MaxOutput(std::uint64_t len) {
  return len > UINT64_MAX / kLzrw3MaxExpansion ? UINT64_MAX : len * kLzrw3MaxExpansion;
}

// The bounded decoder: never reads past src_len, never writes past capacity.
// produced is the length decoded, also when the status is not Ok.
[[nodiscard]] Lzrw3Status lzrw3Decompress(std::uint8_t* wrk_mem, const std::uint8_t* src, std::uint64_t src_len,
                                          std::uint8_t* dst, std::uint64_t capacity, std::uint64_t& produced);
