#pragma once

// Fixture bytes for the self-describing table files, written from the layout:
//   Bytes t = StatsTableFixture(1).field(1, 2, 0, 4).field(2, 5, 4, 81).leader(85).take();
// then the records appended with a ByteBuilder.

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/ByteBuilder.h"

class StatsTableFixture {
 public:
  explicit StatsTableFixture(std::uint16_t version = 1) : version_(version) {}

  StatsTableFixture& field(std::uint16_t id, std::uint16_t type, std::uint16_t offset, std::uint16_t size,
                           std::string_view name = {}) {
    ByteBuilder d;
    d.u16(id).u16(type).u16(offset).text(name, 26).u16(size).zeros(14);
    fields_.push_back(d.take());
    return *this;
  }
  // Leader (header size 32 + 48 x fields unless given) and descriptors.
  [[nodiscard]] ByteBuilder leader(std::uint16_t recordSize, int headerSize = -1, int fieldCount = -1) const {
    const auto n = static_cast<std::uint16_t>(fieldCount < 0 ? static_cast<int>(fields_.size()) : fieldCount);
    const auto h = static_cast<std::uint16_t>(headerSize < 0 ? 32 + 48 * static_cast<int>(fields_.size()) : headerSize);
    ByteBuilder b;
    b.u16(h).u16(version_).u16(recordSize).u16(n).zeros(24);
    for (const Bytes& d : fields_) b.bytes(d);
    return b;
  }

 private:
  std::uint16_t version_;
  std::vector<Bytes> fields_;
};
