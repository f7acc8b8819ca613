// Hostile spectra and settings through every smoothing and container entry
// point: the specified results, and nothing a sanitizer objects to.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "processing/SavitzkyGolayCoeffs.h"
#include "processing/SmoothData.h"
#include "processing/Smoothing.h"
#include "processing/ZVSpectrum.h"
#include "processing/ZeroPadding.h"
#include "support/SpectrumFixtures.h"

namespace {

using namespace spectrum_fixtures;
using Vec = std::vector<float>;

bool eq(float p, float q) { return std::bit_cast<std::uint32_t>(p) == std::bit_cast<std::uint32_t>(q); }
bool same(const Vec& a, const Vec& b) { return std::ranges::equal(a, b, eq); }  // NaN included

// One spectrum, width and pass count through the dispatchers and the
// padding. Counts and widths beyond the caps are refused untouched.
void sweep(const Spectrum& s, int width, int passes) {
  const auto n = s.masses.size();
  const bool refused = passes < -kMaxSmoothPasses || passes > kMaxSmoothPasses || width > kMaxSmoothHalfWidth;
  const bool runs = !refused && width >= 0 && std::int64_t(n) > 2 * std::int64_t{width} + 1 && passes != 0;
  const std::string at = s.name + ", width " + std::to_string(width) + ", passes " + std::to_string(passes);
  for (int method : {SMOOTH_MEAN, SMOOTH_SAVITZKY_GOLAY}) {
    OwnedArrays chrom(s), spec(s);
    const float* before = chrom.x.get();
    EXPECT_EQ(smoothChromatogram(chrom.x, chrom.y, chrom.n, method, passes, width), refused ? kSmoothRefused : 0) << at;
    EXPECT_TRUE(chrom.x.get() == before && same(chrom.masses(), s.masses)) << at;
    EXPECT_TRUE(runs || same(chrom.intensities(), s.intensities)) << at;
    EXPECT_EQ(smoothSpectrum(spec.x, spec.y, spec.n, method, passes, width), refused ? kSmoothRefused : 0) << at;
    EXPECT_TRUE((width >= 0 && !refused) || (same(spec.masses(), s.masses) && same(spec.intensities(), s.intensities)))
        << at;
  }
  Vec y = s.intensities;
  EXPECT_EQ(smoothSavitzkyGolay(y.data(), int(n), passes, width), 0) << at;
  EXPECT_TRUE(runs || same(y, s.intensities)) << at;
  OwnedArrays pad(s);
  EXPECT_EQ(zeroPadVaryingData(pad.x, pad.y, pad.n, width, passes), n > 0 && width >= 0) << at;
  std::size_t k = 0;  // the original points, in order, among the padded ones
  for (unsigned i = 0; i < pad.n && k < n; ++i) k += eq(pad.x[i], s.masses[k]) && eq(pad.y[i], s.intensities[k]);
  EXPECT_EQ(k, n) << at;
}

TEST(SmoothingBadInput, HostileSpectraAndSettings) {
  const auto small = hostileSpectra({0, 1, 2, 3, 7, 8, 16}), large = hostileSpectra({100, 2001});
  for (const Spectrum& s : small)
    for (int w = -5; w <= 41; ++w)
      for (int p = -5; p <= 5; ++p) sweep(s, w == 41 ? 1000000000 : w, p);
  for (const Spectrum& s : large)
    for (int w : {-5, -1, 0, 1, 2, 3, 7, 40, 1000000000})
      for (int p : {-5, -1, 0, 1, 2, 5}) sweep(s, w, p);
  for (const auto* set : {&small, &large})
    for (const Spectrum& s : *set)
      for (int p : {INT_MIN, INT_MAX, -kMaxSmoothPasses - 1, kMaxSmoothPasses + 1})
        for (int w : {-5, -1, int(s.masses.size() / 2), kMaxSmoothHalfWidth + 1, 1000000000}) sweep(s, w, p);
}

TEST(SmoothingBadInput, RoutinesRefuseBadArguments) {
  OwnedArrays none(Vec{}, Vec{});
  std::unique_ptr<float[]> nullX;
  unsigned five = 5;
  EXPECT_FALSE(zeroPadVaryingData(none.x, none.y, none.n, 3, 2) || zeroPadVaryingData(nullX, none.y, five, 3, 2));
  EXPECT_EQ(smoothSpectrum(nullX, nullX, five, 2, 2, 3) + smoothSavitzkyGolay(nullptr, 5, 2, 1), 0);
  EXPECT_EQ(dataPaddingRequired(nullptr, 5) + dataPaddingRequired(none.y.get(), -3), 0);
  const Vec data{1, 5, 2, 8, 3, 9, 4, 7};
  for (int method : {0, 1, 2, 3})
    for (int iterates : {-1, 0, 2})
      for (int width : {-1, 0, 3, 4}) {
        Vec v = data;
        SMO_DATASET set{v.data(), long(v.size())};
        SMO_PARAMS params{method, 2, 0, width, iterates};
        const bool ok = method == 2 && iterates >= 0 && width >= 0 && width <= 3;
        EXPECT_EQ(SmoothDataNoStatus(&set, &params), ok);
        EXPECT_TRUE((ok && iterates != 0) || v == data) << method << " " << iterates << " " << width;
      }
  Vec v = data;  // an unsupported order runs with zero weights: zero interior, mean ends
  SMO_DATASET set{v.data(), 8};
  SMO_PARAMS orderOne{2, 1, 0, 2, 1};
  EXPECT_TRUE(SmoothDataNoStatus(&set, &orderOne) && v[2] == 0 && v[5] == 0 && v[0] == 8.0f / 3);
  SMOOTH empty;
  EXPECT_FALSE(SmoothDataNoStatus(nullptr, nullptr));
  EXPECT_TRUE(SmoSmoothInit(&empty) == -1 && SmoSmoothIter(&empty) == -1 && SmoSmoothTerm(&empty) == -1);
  v = data;
  EndPoints(v.data(), v.data(), 5, 3);  // too short for both ends: nothing
  EXPECT_EQ(v, data);
  for (int d = -1; d <= 6; ++d)
    for (int order = -1; order <= 7; ++order)
      for (int m = -5; m <= 40; ++m) {
        Vec c(2 * std::size_t(std::max(m, 0)) + 1, -7.0f);
        const int rc = savitzkyGolayCoeffs(d, order, m, c.data());
        EXPECT_TRUE(rc == 0 ? std::ranges::all_of(c, [](float w) { return std::isfinite(w); })
                            : rc == -1 && std::ranges::all_of(c, [](float w) { return w == -7.0f; }));
      }
}

TEST(SmoothingBadInput, ContainerOnHostileSpectra) {
  const float cuts[] = {NAN, -1e30f, 0, 150, 1e6f, INFINITY};
  for (const Spectrum& s : hostileSpectra({0, 1, 2, 3, 100, 2001}, 0xc0ffee)) {
    ZVSpectrum z(s.masses, s.intensities);
    const unsigned n = z.getSize();
    float delta = 0, lo = 0, hi = 0;
    unsigned idx = 0;
    EXPECT_EQ(z.getStats(delta, lo, hi), n >= 2 ? 0 : 1) << s.name;
    for (float a : cuts) {
      EXPECT_TRUE(z.getBasePeak(idx, a) == (n ? 0 : 1) && (!n || idx < n)) << s.name;
      for (float b : cuts) {
        EXPECT_TRUE(z.getBasePeak(idx, a, b) == 1 || idx < n) << s.name;
        const auto [first, last] = z.Find(a, b);
        EXPECT_TRUE((first == -1 && last == -1) || (0 <= first && first <= last && unsigned(last) < n)) << s.name;
        for (int i : z.Find(MatchCriteria(a, b, 0.5f, 2))) EXPECT_LT(unsigned(i), n);
      }
    }
    EXPECT_TRUE(z.applyThreshold(50, true, 0) == (n ? 0 : 1) && z.getSize() <= n);
  }
}

}  // namespace
