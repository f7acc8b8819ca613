#include "drift/Compressor.h"

#include <algorithm>
#include <limits>
#include <stdexcept>


namespace Vardex::Control::Legacy::ZorvalenRaw {

namespace {
// The staging of the first compression: ordinary blocks never grow it. It is
// made then, not with the object, since a reader only expands and a drift
// reader per function would otherwise hold 1 MiB it never uses.
constexpr std::size_t kInitialStaging = 0x100000;
}  // namespace

Compressor::Compressor() {
  // The coder states its own work-memory need in its identity record.
  std::uint64_t identity = 0;
  compress(COMPRESS_ACTION_IDENTITY, nullptr, nullptr, 0, nullptr, &identity);
  workspace.resize(reinterpret_cast<const compress_identity*>(static_cast<std::uintptr_t>(identity))->memory);
}

template <class T>
int Compressor::CompressAppend(const T* buffer, std::uint64_t numElements, std::string& str) {
  constexpr std::uint64_t kMaxBytes = std::numeric_limits<std::uint64_t>::max() - kLzrw3Overrun;
  if (numElements > kMaxBytes / sizeof(T)) throw std::length_error("Compressor: input too large");
  const std::uint64_t n = numElements * sizeof(T);
  if (zipped.size() < n + kLzrw3Overrun) zipped.resize(std::max<std::uint64_t>(n + kLzrw3Overrun, kInitialStaging));
  std::uint64_t length = 0;
  compress(COMPRESS_ACTION_COMPRESS, workspace.data(), reinterpret_cast<const std::uint8_t*>(buffer), n,
           zipped.data(), &length);
  // The stream length is reported as an int: refuse one that does not fit
  // rather than append bytes the caller cannot account for.
  if (length > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
    throw std::overflow_error("Conversion overflow");
  }
  str.append(reinterpret_cast<const char*>(zipped.data()), length);
  return static_cast<int>(length);
}

template <class T>
Lzrw3Status Compressor::Decompress(const char* bytes, std::uint64_t bytesLength, std::uint64_t numElements,
                                   std::vector<T>& buffer) {
  if (numElements > lzrw3MaxOutput(bytesLength) / sizeof(T)) return Lzrw3Status::Overflow;
  const std::uint64_t want = numElements * sizeof(T);
  buffer.resize(numElements);
  std::uint64_t produced = 0;
  Lzrw3Status status = lzrw3Decompress(workspace.data(), reinterpret_cast<const std::uint8_t*>(bytes), bytesLength,
                                       reinterpret_cast<std::uint8_t*>(buffer.data()), want, produced);
  if (status == Lzrw3Status::Ok && produced != want) status = Lzrw3Status::WrongLength;
  return status;
}

template int Compressor::CompressAppend(const unsigned char*, std::uint64_t, std::string&);
template int Compressor::CompressAppend(const short*, std::uint64_t, std::string&);
template int Compressor::CompressAppend(const unsigned short*, std::uint64_t, std::string&);
template Lzrw3Status Compressor::Decompress(const char*, std::uint64_t, std::uint64_t, std::vector<unsigned char>&);
template Lzrw3Status Compressor::Decompress(const char*, std::uint64_t, std::uint64_t, std::vector<short>&);
template Lzrw3Status Compressor::Decompress(const char*, std::uint64_t, std::uint64_t, std::vector<unsigned short>&);

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
