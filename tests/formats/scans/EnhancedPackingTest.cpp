// The format-12 packer takes masses and intensities of 1 and more straight
// from their bits; every value must still pack exactly as the encoding rule
// (halvings, then trunc(z + 0.5) in double precision) packs it.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "formats/scans/ZVRawPackedFormats.h"

namespace {

std::int64_t rounded(double z, std::int64_t lo, std::int64_t hi) {
  if (std::isnan(z)) return 0;
  const double t = std::trunc(z + 0.5);
  return t <= static_cast<double>(lo) ? lo : t >= static_cast<double>(hi) ? hi : static_cast<std::int64_t>(t);
}

std::uint32_t intensityWord(float intensity, char flags) {
  float v = std::isnan(intensity) ? 0.0f : intensity;
  int x = 0;
  while (x < 63 && std::fabs(v) >= 1.0f - 0x1p-21f) v /= 2.0f, ++x;
  const auto m = static_cast<std::uint32_t>(rounded(0x1p21 * v, -((1 << 21) - 1), (1 << 21) - 1));
  return (m & 0x3FFFFFu) | static_cast<std::uint32_t>(x) << 22 | (static_cast<std::uint32_t>(flags) & 0xFu) << 28;
}

std::uint32_t massWord(float mass) {
  float v = mass > 0 ? mass : 0.0f;
  int y = 0;
  while (y < 31 && std::fabs(v) >= 1.0f) v /= 2.0f, ++y;
  return static_cast<std::uint32_t>(rounded(0x1p27 * v, 0, (1 << 27) - 1)) | static_cast<std::uint32_t>(y) << 27;
}

void expectPacksByTheRule(float mass, float intensity, char flags) {
  char packet[8];
  zvraw_packed::packEnhancedCalData(mass, intensity, flags, packet);
  std::uint32_t words[2];
  std::memcpy(words, packet, 8);  // little-endian host
  ASSERT_EQ(words[0], intensityWord(intensity, flags)) << std::hexfloat << intensity;
  ASSERT_EQ(words[1], massWord(mass)) << std::hexfloat << mass;
}

TEST(EnhancedPacking, EveryValuePacksByTheRule) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  const float edges[] = {0.0f,
                         -0.0f,
                         1.0f,
                         std::nextafter(1.0f, 0.0f),
                         1.0f - 0x1p-21f,
                         std::nextafter(1.0f - 0x1p-21f, 0.0f),
                         std::bit_cast<float>(0x3FFFFFF8u),  // significand 0xFFFFF8
                         std::bit_cast<float>(0x3FFFFFF7u),
                         std::bit_cast<float>(0x3FFFFFFFu),
                         0x1p31f,
                         std::nextafter(0x1p31f, 0.0f),
                         0x1p61f,
                         0x1p62f,
                         std::numeric_limits<float>::max(),
                         std::numeric_limits<float>::min(),
                         std::numeric_limits<float>::denorm_min(),
                         inf,
                         -inf,
                         std::numeric_limits<float>::quiet_NaN(),
                         -1.0f,
                         -1.5f,
                         556.2771f,
                         65535.5f};
  for (float a : edges)
    for (float b : edges) expectPacksByTheRule(a, b, 0x5);
  std::mt19937 rng(0xE12u);
  for (int k = 0; k < 1000000; ++k) {
    const float mass = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    const float intensity = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    expectPacksByTheRule(mass, intensity, static_cast<char>(k));
    // Values of an ordinary spectrum.
    expectPacksByTheRule(50.0f + static_cast<float>(rng() % 4000000) / 1024.0f,
                         static_cast<float>(rng() % 10000000) / static_cast<float>(1 + rng() % 64), 0);
  }
}

}  // namespace
