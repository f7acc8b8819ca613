#pragma once

// The self-describing table container shared by the per-scan statistics
// files and the analog-channel tables: a leader, one descriptor per field,
// then fixed-width records from the leader's header size on.
//
// Leader, 32 bytes:  @0 u16 header size (32 + 48 x fields) | @2 u16 version |
//                    @4 u16 record size | @6 u16 field count | @8 24 zero bytes
// Descriptor, 48:    @0 u16 id | @2 u16 type | @4 u16 offset in the record |
//                    @6 26 name bytes, NUL-padded | @32 u16 size | @34 14 zero bytes
//
// The per-scan statistics files keep bytes 32-47 of a descriptor zero; a
// descriptor with Size 0 writes exactly that.

#include <cstdint>
#include <cstdio>

#include "formats/portability/ByteCodec.h"

inline constexpr std::size_t kStatsLeaderSize = 32;
inline constexpr std::size_t kStatsFieldDescriptorSize = 48;
inline constexpr std::size_t kStatsFieldNameSize = 26;

// Field types; the width of each is fixed except for a string, whose
// descriptor gives its length.
enum StatsFieldType : std::uint16_t {
  CHAR_FIELD = 0,
  SHORT_INT_FIELD = 1,
  LONG_INT_FIELD = 2,
  SINGLE_FLOAT_FIELD = 3,
  DOUBLE_FLOAT_FIELD = 4,
  STRING_FIELD = 5,
};

struct StatsTableLeader {
  std::uint16_t headerSize = 0;
  std::uint16_t version = 0;
  std::uint16_t recordSize = 0;
  std::uint16_t fieldCount = 0;
};

// One field descriptor as stored.
struct STSField {
  std::uint16_t ID = 0;
  std::uint16_t Type = 0;
  std::uint16_t Offset = 0;
  char Name[kStatsFieldNameSize] = {};
  std::uint16_t Size = 0;
};

// The header size a leader must declare for this many fields, in 32 bits so
// that a large count can never wrap onto a small size.
[[nodiscard]] constexpr std::uint32_t statsHeaderSizeFor(std::uint32_t fields) {
  return static_cast<std::uint32_t>(kStatsLeaderSize) + static_cast<std::uint32_t>(kStatsFieldDescriptorSize) * fields;
}

// File position of a field's value in a record. 64-bit: a table may be
// larger than 2 GiB.
[[nodiscard]] constexpr std::uint64_t statsValuePosition(std::uint16_t headerSize, std::uint16_t recordSize,
                                                         std::uint32_t record, std::uint16_t offset) {
  return std::uint64_t{headerSize} + std::uint64_t{recordSize} * record + offset;
}

void encodeStatsLeader(ByteWriter& out, const StatsTableLeader& leader);
void encodeStatsField(ByteWriter& out, const STSField& field);
// Both need the whole 32 or 48 bytes; a failed decode leaves the cursor.
[[nodiscard]] bool decodeStatsLeader(ByteCursor& in, StatsTableLeader& leader);
[[nodiscard]] bool decodeStatsField(ByteCursor& in, STSField& field);

// Stream forms at the current position. Readers report whether the whole
// leader or descriptor was read; writers return the number of bytes written.
[[nodiscard]] bool readStatsLeader(std::FILE* f, StatsTableLeader& leader);
[[nodiscard]] bool readStatsField(std::FILE* f, STSField& field);
[[nodiscard]] std::size_t writeStatsLeader(std::FILE* f, const StatsTableLeader& leader);
[[nodiscard]] std::size_t writeStatsField(std::FILE* f, const STSField& field);
