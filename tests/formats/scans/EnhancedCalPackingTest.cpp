// The writer's format-12 packer (eight lanes with AVX2, four without) and
// its TIC sums side by side must give exactly what packing point by point
// and summing one point after another give, on either copy.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "formats/scans/EnhancedCalPacking.h"
#include "formats/packets/ZVRawPackedFormats.h"

namespace {

using zvraw_packed::IntensityRun;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
// Values off the fast range, at its edges, and ties with the largest value.
const float kHostile[] = {kNaN,  -1.0f, -0.0f, 0.0f,     0.5f,   kInf,  -kInf,     0x1p61f, 0x1p62f,
                          0x1p31f, std::bit_cast<float>(0x3FFFFFF8u), std::bit_cast<float>(0x7F800001u), 900.0f};

// A point of a run: mostly an ordinary spectrum's, else random bits or a hostile value.
float pointValue(std::mt19937& rng, float ordinary) {
  switch (rng() % 8) {
    case 0:
      return std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    case 1:
      return kHostile[rng() % std::size(kHostile)];
    default:
      return ordinary;
  }
}

struct Points {
  std::vector<float> masses, intensities;
  std::vector<char> flags;
};

Points randomRun(std::mt19937& rng, unsigned n, bool hostile) {
  Points r{std::vector<float>(n), std::vector<float>(n), std::vector<char>(n)};
  for (unsigned k = 0; k < n; ++k) {
    const float mass = 50.0f + static_cast<float>(rng() % 4000000) / 1024.0f;
    const float intensity = static_cast<float>(1 + rng() % 1000) / 3.0f;  // many ties; sums that round
    r.masses[k] = hostile ? pointValue(rng, mass) : mass;
    r.intensities[k] = hostile ? pointValue(rng, intensity) : intensity;
    r.flags[k] = static_cast<char>(rng());  // only the low four bits are stored
  }
  return r;
}

// The definition: packet by packet, and setStats' base peak.
void packByPoint(const Points& r, const char* flags, std::vector<char>& out, std::uint32_t& best) {
  float largest = -1;
  best = 0;
  for (std::size_t k = 0; k < r.masses.size(); ++k) {
    zvraw_packed::packEnhancedCalData(r.masses[k], r.intensities[k], flags ? flags[k] : 0, out.data() + 8 * k);
    const float v = r.intensities[k];
    if (v >= 0 && v > largest) largest = v, best = static_cast<std::uint32_t>(k);
  }
}

void expectPacksAsByPoint(const Points& r) {
  const auto n = static_cast<std::uint32_t>(r.masses.size());
  for (const char* flags : {r.flags.data(), static_cast<const char*>(nullptr)}) {
    std::vector<char> want(8 * n), got(8 * n), plain(8 * n);
    std::uint32_t best = 0;
    packByPoint(r, flags, want, best);
    EXPECT_EQ(zvraw_packed::packEnhancedCalRunWithBasePeak(r.masses.data(), r.intensities.data(), flags, n,
                                                           got.data()),
              best);
    EXPECT_EQ(zvraw_packed::packEnhancedCalRunWithBasePeakPlain(r.masses.data(), r.intensities.data(), flags, n,
                                                                plain.data()),
              best);
    ASSERT_EQ(got, want) << "flags " << (flags != nullptr);
    ASSERT_EQ(plain, want) << "flags " << (flags != nullptr);
  }
}

TEST(EnhancedCalPacking, RunsPackAndFindTheBasePeakAsPointByPoint) {
  std::mt19937 rng(0x5EED12u);
  // Every hostile value at every place of runs that fill eight lanes, four
  // lanes and the tail, beside ties of the largest value.
  // Runs past 64 groups of eight take a second stretch of the AVX2 copy:
  // one bad point at each edge of it, the rest fast.
  const auto places = [](unsigned n) {
    std::vector<unsigned> at;
    for (unsigned k = 0; k < n; ++k)
      if (n < 100 || k % 512 < 8 || k % 512 >= 504 || k == n - 1) at.push_back(k);
    return at;
  };
  for (unsigned n : {1u, 7u, 8u, 9u, 12u, 17u, 24u, 1031u})
    for (unsigned at : places(n))
      for (const float bad : kHostile) {
        SCOPED_TRACE(testing::Message() << "n " << n << " at " << at << " value " << bad);
        Points r = randomRun(rng, n, false);
        for (unsigned k = 0; k < n; k += 3) r.intensities[k] = 900.0f;
        r.intensities[at] = bad;
        r.masses[n - 1 - at] = bad;
        expectPacksAsByPoint(r);
      }
  for (int k = 0; k < 400; ++k) {
    const unsigned n = k % 4 == 0 ? 900 + rng() % 300 : rng() % 70;
    SCOPED_TRACE(testing::Message() << "random run " << k << " of " << n);
    expectPacksAsByPoint(randomRun(rng, n, k % 2 == 0));
  }
}

TEST(EnhancedCalPacking, SumsSideBySideAreTheSumsOneAfterAnother) {
  std::mt19937 rng(0x71Cu);
  for (unsigned count = 1; count <= 19; ++count) {
    SCOPED_TRACE(testing::Message() << count << " runs");
    std::vector<Points> data;
    std::vector<IntensityRun> runs;
    for (unsigned j = 0; j < count; ++j)
      data.push_back(randomRun(rng, j == 1 && count % 4 == 0 ? 0 : 9 + rng() % 90, j % 2 == 1));
    for (const Points& r : data)
      runs.push_back({r.intensities.data(), static_cast<std::uint32_t>(r.intensities.size())});
    if (count % 3 == 0) runs[2] = {nullptr, 40};  // no array: sums to 0
    std::vector<float> want(count), got(count, -1.0f), plain(count, -1.0f);
    for (unsigned j = 0; j < count; ++j) {
      float sum = 0;
      for (std::uint32_t i = 0; runs[j].intensities && i < runs[j].n; ++i)
        if (runs[j].intensities[i] >= 0) sum += runs[j].intensities[i];
      want[j] = sum;
    }
    zvraw_packed::sumCountedIntensities(runs, got);
    zvraw_packed::sumCountedIntensitiesPlain(runs, plain);
    for (unsigned j = 0; j < count; ++j) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(got[j]), std::bit_cast<std::uint32_t>(want[j])) << "run " << j;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(plain[j]), std::bit_cast<std::uint32_t>(want[j])) << "run " << j;
    }
  }
}

}  // namespace
