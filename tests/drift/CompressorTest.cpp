#include "drift/Compressor.h"

#include <gtest/gtest.h>

#include <random>

using Vardex::Control::Legacy::ZorvalenRaw::Compressor;

namespace {

template <class T>
std::vector<T> randomValues(std::size_t n, std::uint32_t seed, unsigned spread) {
  std::mt19937 rng(seed);
  std::vector<T> v(n);
  for (auto& x : v) x = static_cast<T>(rng() % spread);
  return v;
}

TEST(Compressor, EmptyArrayAppendsTheBareHeader) {
  Compressor c;
  std::string str = "kept";
  EXPECT_EQ(c.CompressAppend<short>(nullptr, 0, str), 4);
  EXPECT_EQ(str, std::string("kept\0\0\0\0", 8));
  std::vector<short> out(5, 7);
  EXPECT_EQ(c.Decompress(str.data() + 4, 4, 0, out), Lzrw3Status::Ok);
  EXPECT_TRUE(out.empty());
}

template <class T>
void roundTrip(Compressor& c, const std::vector<T>& in) {
  std::string str;
  const int len = c.CompressAppend(in.data(), in.size(), str);
  ASSERT_EQ(static_cast<std::size_t>(len), str.size());
  std::vector<T> out(in.size() + 10, T(1));  // more than asked: shrinks to fit
  ASSERT_EQ(c.Decompress(str.data(), str.size(), in.size(), out), Lzrw3Status::Ok);
  EXPECT_EQ(out, in);
}

TEST(Compressor, EveryElementTypeRoundTripsPastTheStagingSize) {
  Compressor c;  // one instance for all: buffers are reused and grow
  roundTrip(c, randomValues<unsigned char>(1000, 1, 3));
  roundTrip(c, randomValues<short>(700000, 2, 7));  // 1.4 MB: larger than the 1 MiB staging
  roundTrip(c, randomValues<unsigned short>(300, 3, 65536));
  roundTrip(c, randomValues<unsigned short>(5, 4, 2));
}

TEST(Compressor, IncompressibleDataCostsFourBytes) {
  Compressor c;
  const auto in = randomValues<unsigned short>(5000, 5, 65536);
  std::string str;
  EXPECT_EQ(c.CompressAppend(in.data(), in.size(), str), 10004);
  EXPECT_EQ(str[0], '\1');
}

TEST(Compressor, LengthsOtherThanAskedAreReported) {
  Compressor c;
  const auto in = randomValues<short>(100, 6, 3);
  std::string str;
  c.CompressAppend(in.data(), in.size(), str);
  std::vector<short> out;
  EXPECT_EQ(c.Decompress(str.data(), str.size(), 99, out), Lzrw3Status::Overflow);  // more than asked for
  EXPECT_EQ(c.Decompress(str.data(), str.size(), 101, out), Lzrw3Status::WrongLength);
  EXPECT_EQ(out.size(), 101u);

  // A count no stream of this length can fill is refused before sizing.
  std::vector<short> untouched(3, 9);
  const std::uint64_t tooMany = str.size() * 9 / 2 + 1;
  EXPECT_EQ(c.Decompress(str.data(), str.size(), tooMany, untouched), Lzrw3Status::Overflow);
  EXPECT_EQ(c.Decompress(str.data(), str.size(), UINT64_MAX, untouched), Lzrw3Status::Overflow);
  EXPECT_EQ(untouched, std::vector<short>(3, 9));
}

}  // namespace
