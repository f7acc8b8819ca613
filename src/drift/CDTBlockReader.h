#pragma once

// Decodes the header, index records (every format version) and data blocks
// of a compressed drift file pair; layouts in CDTFormat.h. Block data is a
// claim until checked: sections must hold the points the record counts,
// repairs must land inside their spectrum, and nothing is sized before that.

#include <cstdint>
#include <string_view>
#include <vector>

#include "drift/CDTFormat.h"
#include "drift/Compressor.h"
#include "drift/ScanData.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

class CDTBlockReader {
 public:
  [[nodiscard]] static constexpr std::size_t NumBytes() { return kHeaderBlockSize; }

  // Keeps and returns the header in the first 36 bytes (std::invalid_argument
  // when there are fewer).
  HeaderBlock ReadHeader(std::string_view bytes);

  [[nodiscard]] int CompressionType() const;
  [[nodiscard]] int BytesPerFlag() const;
  [[nodiscard]] int FormatVersion() const;
  [[nodiscard]] int BytesPerMassIndex() const;  // 4 when CompressionType is 0
  [[nodiscard]] int BytesPerIntensity() const;  // 4 when CompressionType is 0

  // Index record size for the header's version and n; 0 for an unknown
  // version or n below 1.
  [[nodiscard]] std::uint64_t NumIndexBytes() const;

  // The record at the start of bytes (std::invalid_argument when shorter
  // than NumIndexBytes()); all zero, without arrays, when the size is 0.
  [[nodiscard]] IndexBlock ReadIndex(std::string_view bytes) const;

  // Decodes a block into one entry per point. False when the block is
  // corrupt; the outputs then hold nothing to rely on.
  [[nodiscard]] bool ReadData(const IndexBlock& indexBlock, std::string_view blockBytes,
                              std::vector<std::uint32_t>& massIndices, std::vector<std::uint32_t>& intensities,
                              std::vector<std::uint32_t>& longFlags);
  // The same, straight into one ChannelData per spectrum, so that a block is
  // never held twice.
  [[nodiscard]] bool ReadData(const IndexBlock& indexBlock, std::string_view blockBytes,
                              std::vector<Vardex::Control::Message::ChannelData>& channels);

 private:
  template <class Out>
  bool decode(const IndexBlock& indexBlock, std::string_view blockBytes, Out& out);

  HeaderBlock header;
  Compressor compressor;
  std::vector<unsigned short> massDeltas;
  std::vector<short> intensityDeltas;
  std::vector<unsigned char> flagBytes;
};

// The data length of a record's block and its point count, in 64 bits. False
// for a record no writer makes: a negative length, repair byte count or
// point count, or repair bytes that are not whole pairs.
[[nodiscard]] bool blockExtent(const IndexBlock& record, std::uint64_t& length, std::uint64_t& points);

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
