#pragma once

// Little-endian field codecs. A field in a file may be narrower than the type
// it is read into (a 3-byte mass, a 2-byte count): the missing high-order
// bytes are zero, or the sign fill for signed types.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <type_traits>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Every multi-byte field of every file is little-endian, as is every host
// this library builds for: this is the one place that knows it.
static_assert(std::endian::native == std::endian::little, "file fields are read and written as the host lays them out");

// A whole field of T at p, for decoders that read fields at known places
// (their bounds checked once for a run): a plain copy is the cheapest
// unaligned load there is. T may also be a vector of such fields.
template <class T>
[[nodiscard]] inline T loadLE(const void* p) {
  static_assert(std::is_trivially_copyable_v<T>);
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
// The 24-bit unsigned field at p.
[[nodiscard]] inline std::uint32_t loadLE24(const void* p) {
  std::uint32_t v = 0;
  std::memcpy(&v, p, 3);
  return v;
}
// n fields of T at p into out, as they lie.
template <class T>
inline void loadLE(T* out, const void* p, std::size_t n) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (n > 0) std::memcpy(out, p, n * sizeof(T));
}
template <class T>
inline void storeLE(void* p, const T& v) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memcpy(p, &v, sizeof v);
}

// Sets n + pad bytes of dst to zero, then copies n bytes from src.
inline void copyBytes(void* dst, unsigned pad, const void* src, unsigned n) {
  std::memset(dst, 0, n + pad);
  std::memcpy(dst, src, n);
}

// As copyBytes, but the fill is 0xFF when byte n-1 of src has its top bit set.
inline void copySignedBytes(void* dst, unsigned pad, const void* src, unsigned n) {
  const bool negative = n > 0 && (static_cast<const std::uint8_t*>(src)[n - 1] & 0x80) != 0;
  std::memset(dst, negative ? 0xFF : 0x00, n + pad);
  std::memcpy(dst, src, n);
}
inline void copySignedBytes(void* dst, const void* src, unsigned pad, unsigned n) { copySignedBytes(dst, pad, src, n); }

namespace codec_detail {
// Which types take the sign fill: short and char when read, short and int when written.
template <class T>
inline constexpr bool kSignedRead = std::is_same_v<T, short> || std::is_same_v<T, char> || std::is_same_v<T, signed char>;
template <class T>
inline constexpr bool kSignedWrite = std::is_same_v<T, short> || std::is_same_v<T, int>;
template <class T>
constexpr unsigned clampWidth(unsigned n) { return std::min<unsigned>(n, sizeof(T)); }
}  // namespace codec_detail

// Reads an n-byte field at the cursor into value and advances the cursor by n.
template <class T>
void value_from_bytes(T& value, const char*& cursor, unsigned n) {
  static_assert(std::is_trivially_copyable_v<T>);
  n = codec_detail::clampWidth<T>(n);
  if constexpr (codec_detail::kSignedRead<T>) {
    copySignedBytes(&value, sizeof(T) - n, cursor, n);
  } else {
    copyBytes(&value, sizeof(T) - n, cursor, n);
  }
  cursor += n;
}

// Stores the full width of T at the cursor (the n low-order bytes, then the
// fill) and advances the cursor by n only: the caller keeps sizeof(T) bytes of
// room, and the next field overwrites the fill.
template <class T>
void value_to_bytes(char*& cursor, T value, unsigned n) {
  static_assert(std::is_trivially_copyable_v<T>);
  n = codec_detail::clampWidth<T>(n);
  if constexpr (codec_detail::kSignedWrite<T>) {
    copySignedBytes(cursor, sizeof(T) - n, &value, n);
  } else {
    copyBytes(cursor, sizeof(T) - n, &value, n);
  }
  cursor += n;
}

// Text fields of the extended statistics: "%hi", a float, the first character.
void value_from_char(short& value, const char* text);
void value_from_char(float& value, const char* text);
void value_from_char(char& value, const char* text);

// Bounds-checked reader over bytes read from disk. Every read checks what is
// left before it copies; a failed read leaves the cursor where it was.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  template <class T>
  [[nodiscard]] bool read(T& out, unsigned n = sizeof(T)) {
    if (n == 0 || n > sizeof(T) || remaining() < n) return false;
    const char* p = reinterpret_cast<const char*>(bytes_.data() + pos_);
    value_from_bytes(out, p, n);
    pos_ += n;
    return true;
  }
  [[nodiscard]] bool readBytes(std::span<std::uint8_t> out) {
    if (remaining() < out.size()) return false;
    if (!out.empty()) std::memcpy(out.data(), bytes_.data() + pos_, out.size());
    pos_ += out.size();
    return true;
  }
  [[nodiscard]] bool skip(std::size_t n) {
    if (remaining() < n) return false;
    pos_ += n;
    return true;
  }
  [[nodiscard]] bool seek(std::size_t pos) {
    if (pos > bytes_.size()) return false;
    pos_ = pos;
    return true;
  }
  [[nodiscard]] std::size_t remaining() const { return bytes_.size() - pos_; }
  [[nodiscard]] std::size_t position() const { return pos_; }
  [[nodiscard]] std::span<const std::uint8_t> rest() const { return bytes_.subspan(pos_); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// Appends little-endian fields of n bytes to a growing buffer.
class ByteWriter {
 public:
  explicit ByteWriter(Bytes& out) : out_(out) {}

  template <class T>
  void write(T value, unsigned n = sizeof(T)) {
    n = codec_detail::clampWidth<T>(n);
    char field[sizeof(T)];
    char* p = field;
    value_to_bytes(p, value, n);
    out_.insert(out_.end(), field, field + n);
  }
  void writeBytes(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  void writeZeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
  [[nodiscard]] std::size_t size() const { return out_.size(); }

 private:
  Bytes& out_;
};
