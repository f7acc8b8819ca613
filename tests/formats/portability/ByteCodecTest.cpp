#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "formats/portability/ByteCodec.h"
#include "support/ByteBuilder.h"

namespace {

template <class T>
T readField(std::initializer_list<std::uint8_t> bytes, unsigned n) {
  Bytes b(bytes);
  const char* cursor = reinterpret_cast<const char*>(b.data());
  T value{};
  value_from_bytes(value, cursor, n);
  EXPECT_EQ(cursor, reinterpret_cast<const char*>(b.data()) + n) << "cursor must advance by n";
  return value;
}

TEST(ByteCodec, ReadsFillMissingBytes) {
  EXPECT_EQ(readField<short>({0x80}, 1), -128);  // sign fill
  EXPECT_EQ(readField<std::uint16_t>({0x80}, 1), 128);  // zero fill
  EXPECT_EQ(readField<short>({0x7F}, 1), 127);
  EXPECT_EQ(readField<short>({0x34, 0x12}, 2), 0x1234);
  EXPECT_EQ(readField<std::uint32_t>({0x78, 0x56, 0x34}, 3), 0x345678u);
  EXPECT_EQ(readField<std::uint32_t>({0x78, 0x56, 0xF4}, 3), 0xF45678u);  // unsigned: never sign-filled
  EXPECT_EQ(readField<char>({0xFF}, 1), static_cast<char>(-1));
  EXPECT_EQ(readField<std::uint32_t>({0x01, 0x02, 0x03, 0x04}, 4), 0x04030201u);
  // A float is the bit pattern of an IEEE single.
  EXPECT_FLOAT_EQ(readField<float>({0x00, 0x00, 0xC0, 0x3F}, 4), 1.5f);
  // A 3-byte float keeps the high byte zero.
  const float f = readField<float>({0x00, 0x00, 0xC0}, 3);
  std::uint32_t bits;
  std::memcpy(&bits, &f, 4);
  EXPECT_EQ(bits, 0x00C00000u);
}

TEST(ByteCodec, WritesStoreFullWidthAndAdvanceByN) {
  char buf[8];
  std::memset(buf, 0xAA, sizeof buf);
  char* cursor = buf;
  value_to_bytes(cursor, std::uint32_t{305419896}, 3);
  EXPECT_EQ(cursor, buf + 3);
  const unsigned char expect[] = {0x78, 0x56, 0x34, 0x00, 0xAA};
  EXPECT_EQ(std::memcmp(buf, expect, sizeof expect), 0);

  // Signed values fill from the top bit of byte n-1.
  std::memset(buf, 0xAA, sizeof buf);
  cursor = buf;
  value_to_bytes(cursor, int{0x00000080}, 1);
  const unsigned char expectNeg[] = {0x80, 0xFF, 0xFF, 0xFF, 0xAA};
  EXPECT_EQ(std::memcmp(buf, expectNeg, sizeof expectNeg), 0);

  std::memset(buf, 0xAA, sizeof buf);
  cursor = buf;
  value_to_bytes(cursor, short{-2}, 2);
  value_to_bytes(cursor, std::uint16_t{0x0102}, 1);  // overwrites the (empty) fill of the first
  const unsigned char expectTwo[] = {0xFE, 0xFF, 0x02, 0x00, 0xAA};
  EXPECT_EQ(std::memcmp(buf, expectTwo, sizeof expectTwo), 0);
  EXPECT_EQ(cursor, buf + 3);
}

// Whole fields at an odd address: low byte first, the sign from the top byte.
TEST(ByteCodec, WholeFieldsLoadAndStoreLowByteFirst) {
  const unsigned char b[] = {0xAA, 0x01, 0x80, 0xFE, 0xFF, 0x00, 0x00, 0xC0, 0x3F, 0x11};
  EXPECT_EQ(loadLE<std::uint16_t>(b + 1), 0x8001u);
  EXPECT_EQ(loadLE<std::int16_t>(b + 1), -32767);
  EXPECT_EQ(loadLE<std::int16_t>(b + 3), -2);
  EXPECT_EQ(loadLE24(b + 1), 0xFE8001u);  // unsigned: never sign-filled
  EXPECT_EQ(loadLE<std::uint32_t>(b + 1), 0xFFFE8001u);
  EXPECT_EQ(loadLE<float>(b + 5), 1.5f);
  EXPECT_EQ(loadLE<std::uint64_t>(b + 1), 0x3FC00000FFFE8001ull);
  std::uint16_t run[2] = {};
  loadLE(run, b + 1, 2);
  EXPECT_EQ(run[0], 0x8001u);
  EXPECT_EQ(run[1], 0xFFFEu);

  unsigned char out[6];
  std::memset(out, 0xAA, sizeof out);
  storeLE(out + 1, std::uint32_t{0x11223344});
  storeLE(out + 1, std::int16_t{-2});  // only its own two bytes
  const unsigned char want[] = {0xAA, 0xFE, 0xFF, 0x22, 0x11, 0xAA};
  EXPECT_EQ(std::memcmp(out, want, sizeof want), 0);
}

TEST(ByteCodec, CopyHelpersBothArgumentOrders) {
  unsigned char dst[4];
  const unsigned char src[] = {0x01, 0x90};
  copySignedBytes(dst, 2u, src, 2u);
  EXPECT_EQ(dst[2], 0xFF);
  EXPECT_EQ(dst[3], 0xFF);
  std::memset(dst, 0, sizeof dst);
  copySignedBytes(dst, src, 2u, 2u);
  EXPECT_EQ(dst[3], 0xFF);
  copyBytes(dst, 2u, src, 2u);
  EXPECT_EQ(dst[1], 0x90);
  EXPECT_EQ(dst[3], 0x00);
}

TEST(ByteCodec, TextFields) {
  short s = 0;
  value_from_char(s, "-123");
  EXPECT_EQ(s, -123);
  float f = 0;
  value_from_char(f, "2.5");
  EXPECT_FLOAT_EQ(f, 2.5f);
  char c = 0;
  value_from_char(c, "xyz");
  EXPECT_EQ(c, 'x');
  s = 7;
  value_from_char(s, "abc");  // unparsable text leaves the value
  EXPECT_EQ(s, 7);
}

TEST(ByteCursor, RefusesReadsPastTheEnd) {
  const Bytes b = ByteBuilder().u16(0x0102).u8(0x80).take();
  ByteCursor in(b);
  std::uint16_t u = 0;
  short s = 0;
  std::uint32_t w = 0;
  EXPECT_TRUE(in.read(u));
  EXPECT_EQ(u, 0x0102);
  EXPECT_FALSE(in.read(w, 2));  // only one byte left
  EXPECT_EQ(in.position(), 2u);  // a failed read does not move
  EXPECT_TRUE(in.read(s, 1));
  EXPECT_EQ(s, -128);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_FALSE(in.read(s, 1));
  EXPECT_FALSE(in.skip(1));
  EXPECT_TRUE(in.seek(3));
  EXPECT_FALSE(in.seek(4));
  std::uint8_t dummy[1];
  EXPECT_FALSE(in.readBytes(dummy));
  EXPECT_FALSE(in.read(w, 0));  // widths outside 1..sizeof(T) are refused
  EXPECT_TRUE(in.seek(0));
  EXPECT_FALSE(in.read(u, 3));
}

TEST(ByteWriter, WritesExactlyNBytes) {
  Bytes out;
  ByteWriter w(out);
  w.write(std::uint32_t{0x11223344}, 3);
  w.write(short{-1}, 2);
  w.write(1.5f);
  w.writeZeros(2);
  EXPECT_EQ(out, (ByteBuilder().bytes({0x44, 0x33, 0x22, 0xFF, 0xFF}).f32(1.5f).zeros(2).take()));
}

}  // namespace
