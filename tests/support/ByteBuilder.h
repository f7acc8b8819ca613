#pragma once

// Little-endian byte builder for hand-written file fixtures:
//   Bytes b = ByteBuilder().u32(7).f32(1.5f).u16(3).zeros(2).take();

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "formats/portability/ByteCodec.h"

class ByteBuilder {
 public:
  ByteBuilder& u8(std::uint8_t v) { return raw(&v, 1); }
  ByteBuilder& u16(std::uint16_t v) { return le(v, 2); }
  ByteBuilder& i16(std::int16_t v) { return le(static_cast<std::uint16_t>(v), 2); }
  ByteBuilder& u24(std::uint32_t v) { return le(v, 3); }
  ByteBuilder& u32(std::uint32_t v) { return le(v, 4); }
  ByteBuilder& i32(std::int32_t v) { return le(static_cast<std::uint32_t>(v), 4); }
  ByteBuilder& u64(std::uint64_t v) { return le(v, 8); }
  ByteBuilder& f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return le(bits, 4);
  }
  ByteBuilder& f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return le(bits, 8);
  }
  ByteBuilder& bytes(std::initializer_list<std::uint8_t> v) { return raw(v.begin(), v.size()); }
  ByteBuilder& bytes(const Bytes& v) { return raw(v.data(), v.size()); }
  ByteBuilder& zeros(std::size_t n) {
    out_.insert(out_.end(), n, 0);
    return *this;
  }
  // Text in a fixed-width field, NUL-padded (and cut) to width.
  ByteBuilder& text(std::string_view s, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out_.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
    return *this;
  }
  [[nodiscard]] std::size_t size() const { return out_.size(); }
  [[nodiscard]] const Bytes& view() const { return out_; }
  [[nodiscard]] Bytes take() { return std::move(out_); }

 private:
  ByteBuilder& le(std::uint64_t v, unsigned n) {
    for (unsigned i = 0; i < n; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    return *this;
  }
  ByteBuilder& raw(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
    return *this;
  }
  Bytes out_;
};
