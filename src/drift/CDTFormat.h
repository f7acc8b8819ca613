#pragma once

// The compressed drift file pair of one function: _funcNNN.ind holds a
// 36-byte header and one index record per block; _funcNNN.cdt holds the
// blocks back to back, each as long as its record says.
//
// Header, little-endian:
//   @0 i32 format word (bits 0-7 compression type, 8-15 bytes per flag,
//      16-23 format version, 24-27 bytes per mass index, 28-31 bytes per
//      intensity) | @4 i32 spectra per block n | @8 f32 sampling frequency Hz
//   | @12 f32 start position | @16 f32 Lteff | @20 f32 Veff | @24 f32 T0 ns
//   | @28 f32 start mass | @32 f32 end mass
//
// Index record, arrays of n entries, each whole before the next:
//   V1: i32 mass length | i32 intensity length | f32 rt[n] | i32 size[n]
//   V2: V1's lengths | i32 flag length | f32 rt[n] | i32 size[n] | i32 error[n]
//   V3: V2's lengths | i32 mass repair bytes[n] | i32 intensity repair bytes[n]
//       | f32 rt[n] | i32 size[n] | i32 error[n]

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drift/Path.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

enum EFormatVersion { KORRIN_V1 = 0, KORRIN_V2 = 1, KORRIN_V3 = 2 };

inline constexpr double TOF_CONST = 72.0;
// Compression type 2 (deltas), 1 byte per flag, KORRIN_V3, 2-byte masses and intensities.
inline constexpr std::int32_t kWriterFormatWord = 0x22020102;
inline constexpr std::size_t kHeaderBlockSize = 36;
inline constexpr std::size_t kRepairPairSize = 8;  // i32 point index, i32 full delta

struct HeaderBlock {
  std::int32_t nFormatInfo = 0;
  std::int32_t nSpectraInBlock = 0;
  float fSamplingFrequency = 0;
  float fStartPos = 0;
  float fLteff = 0;
  float fVeff = 0;
  float fOffset = 0;
  float fStartMass = 0;
  float fEndMass = 0;
};

struct IndexBlock {
  IndexBlock() = default;
  // Arrays of nSpectraInBlock zero entries (none for a count below 1).
  explicit IndexBlock(const HeaderBlock& header);

  std::int32_t nMassLength = 0;
  std::int32_t nIntensityLength = 0;
  std::int32_t nFlagBytes = 0;
  std::vector<std::int32_t> nMassRepairBytes;
  std::vector<std::int32_t> nIntenRepairBytes;
  std::vector<float> pfRT;
  std::vector<std::int32_t> pnSize;
  std::vector<std::int32_t> pnSpecError;
};

[[nodiscard]] std::string headerToBytes(const HeaderBlock& header);
// The first 36 bytes; throws std::invalid_argument when there are fewer.
[[nodiscard]] HeaderBlock headerFromBytes(std::string_view bytes);

// The first stored mass index, S = floor(fStartPos + 0.5) modulo 2^32. The
// position may be negative, huge or NaN in a damaged or foreign header: it is
// taken through a 64-bit integer (NaN as 0), never converted out of range.
[[nodiscard]] std::uint32_t startIndex(float fStartPos);

// dir/_funcNNN.cdt with NNN = funcNumber + 1 in at least three digits.
[[nodiscard]] Path dataFilePath(std::string_view rawFilePath, unsigned funcNumber);
// The data path with its last ".cdt" turned into ".ind".
[[nodiscard]] Path indexFilePath(std::string_view rawFilePath, unsigned funcNumber);

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
