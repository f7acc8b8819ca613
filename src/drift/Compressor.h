#pragma once

// Typed front of the LZRW3 coder: appends the compressed bytes of an array to
// a byte string, and expands a stream back into an array of known length.
// Elements are coded as their in-memory (little-endian) bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "drift/Lzrw3.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

class Compressor {
 public:
  Compressor();

  // Appends the stream for numElements elements to str and returns its
  // length. Instantiated for unsigned char, short and unsigned short.
  template <class T>
  int CompressAppend(const T* buffer, std::uint64_t numElements, std::string& str);

  // Expands bytesLength stream bytes into exactly numElements elements. A
  // count the stream cannot hold is refused before buffer is touched;
  // otherwise buffer ends with numElements elements, and any stream that
  // does not decode to exactly that many is reported (WrongLength when it
  // decoded cleanly to another length).
  template <class T>
  [[nodiscard]] Lzrw3Status Decompress(const char* bytes, std::uint64_t bytesLength, std::uint64_t numElements,
                                       std::vector<T>& buffer);

 private:
  std::vector<std::uint8_t> zipped;     // staging for compression; only grows
  std::vector<std::uint8_t> workspace;  // the coder's hash table
};

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
