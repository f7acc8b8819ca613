#pragma once

// Little-endian fields of the drift files, which travel as byte strings.

#include <string>
#include <string_view>

#include "formats/portability/ByteCodec.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

template <class T>
void appendField(std::string& out, T value) {
  char field[sizeof(T)];
  char* cursor = field;
  value_to_bytes(cursor, value, sizeof(T));
  out.append(field, sizeof(T));
}

[[nodiscard]] inline ByteCursor cursorOver(std::string_view bytes) {
  return ByteCursor(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
