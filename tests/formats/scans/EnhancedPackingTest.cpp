// The format-12 packer takes masses and intensities of 1 and more straight
// from their bits; every value must still pack exactly as the encoding rule
// (halvings, then trunc(z + 0.5) in double precision) packs it.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "formats/packets/ZVRawPackedFormats.h"
#include "formats/scans/ScanPacking.h"

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

// Runs are packed four points at a time: every run must give the bytes of
// packing point by point, and a packed scan's statistics those setStats
// takes. Each run sets one hostile value (or a tie with the largest value)
// at each position, in runs long and short enough to put it in every lane,
// in a full group of four and in the tail.
TEST(EnhancedPacking, RunsPackAsPointByPointAndKeepSetStats) {
  using borealtek_zvraw_version_1::ZVRawScan;
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  const float hostile[] = {kNaN, -1.0f, -0.0f, 0.0f, 0.5f, std::numeric_limits<float>::infinity(), 0x1p63f, 900.0f};
  const auto scanOf = [](const std::vector<float>& m, const std::vector<float>& y, const std::vector<char>& f) {
    auto masses = std::make_unique<float[]>(m.size());
    auto intensities = std::make_unique<float[]>(y.size());
    auto flags = std::make_unique<char[]>(f.size());
    std::copy(m.begin(), m.end(), masses.get());
    std::copy(y.begin(), y.end(), intensities.get());
    std::copy(f.begin(), f.end(), flags.get());
    auto scan = std::make_unique<ZVRawScan>();
    const auto n = static_cast<unsigned>(m.size());
    EXPECT_EQ(scan->setScan(std::move(masses), std::move(intensities), std::move(flags), n), 0);
    return scan;
  };
  for (unsigned n : {1u, 3u, 4u, 5u, 8u, 11u, 13u}) {
    for (unsigned at = 0; at < n; ++at) {
      for (const float bad : hostile) {
        SCOPED_TRACE(::testing::Message() << "n " << n << " at " << at << " value " << bad);
        std::vector<float> m(n), y(n);
        std::vector<char> f(n);
        for (unsigned k = 0; k < n; ++k) {
          m[k] = 100.0f + 0.75f * static_cast<float>(k);
          y[k] = k % 3 == 1 ? 900.0f : 10.0f + static_cast<float>(k);  // 900 ties across lanes
          f[k] = static_cast<char>(k % 5);
        }
        y[at] = bad;
        m[n - 1 - at] = bad;  // masses outside the fast range elsewhere in the run
        std::vector<char> run(8 * n), byPoint(8 * n);
        zvraw_packed::packEnhancedCalRun(m.data(), y.data(), f.data(), n, run.data());
        for (unsigned k = 0; k < n; ++k) zvraw_packed::packEnhancedCalData(m[k], y[k], f[k], byPoint.data() + 8 * k);
        ASSERT_EQ(run, byPoint);

        const auto fused = scanOf(m, y, f), reference = scanOf(m, y, f);
        std::vector<char> packed(8 * n), expected(8 * n);
        ASSERT_EQ(packScanWithStats(*fused, packed.data(), 12), 0);
        ASSERT_EQ(reference->setStats(), 0);
        ASSERT_EQ(packScan(*reference, expected.data(), 12), 0);
        EXPECT_EQ(packed, expected);
        // Bit for bit: the base peak's mass may be the NaN of the run.
        const float got[] = {fused->getTIC(), fused->getBPI(), fused->getBPMass()};
        const float want[] = {reference->getTIC(), reference->getBPI(), reference->getBPMass()};
        EXPECT_EQ(std::memcmp(got, want, sizeof got), 0) << got[0] << " " << got[1] << " " << got[2];
      }
    }
  }
}

}  // namespace
