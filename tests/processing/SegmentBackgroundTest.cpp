// Segment background subtraction, and the quantile search both background
// subtractions share, against sorted arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "processing/SegmentBackground.h"
#include "processing/SplitQuantile.h"
#include "support/SpectrumFixtures.h"

namespace {

using Vec = std::vector<float>;

struct Result {
  Vec back, dsub, work;
  long passes = -1;
};

// Arrays of exactly the sizes killsub may touch, so sanitizers see any overrun.
Result run(const Vec& data, long m0, float below, float tol) {
  Result r{Vec(data.size(), -99.0f), Vec(data.size(), -99.0f), Vec(std::size_t(std::labs(m0)) + 4, -99.0f)};
  r.passes = killsub(data.data(), r.back.data(), r.dsub.data(), long(data.size()), m0, below, tol, r.work.data());
  return r;
}

// Constants are taken whole by the first pass, however few points each
// segment holds (segments without points copy a neighbour's knot).
TEST(SegmentBackground, ConstantsInTwoPasses) {
  for (std::size_t n : {1u, 2u, 5u, 50u})
    for (long m0 : {1L, 2L, 3L, -3L, 6L, -6L, 20L, 64L}) {
      const Result r = run(Vec(n, 7.0f), m0, 0.4f, 0.01f);
      EXPECT_TRUE(r.passes == 2 && r.back == Vec(n, 7.0f) && r.dsub == Vec(n, 0.0f)) << n << " points, m0 " << m0;
    }
}

// A tolerance above 1 stops after the first pass, which the outputs then
// show. 12 points in 3 segments (0-3, 4-7, 8-11; stagger 1.5 throughout):
// knots at the segment centres, intervals ending at 2, 6, 10, 12, the
// points at t = 0.625, 0.875 between the first knots, then 0.125, 0.375, ...
TEST(SegmentBackground, FirstPassOfTwelvePoints) {
  Vec line(12);
  for (int i = 0; i < 12; ++i) line[i] = 2.0f * float(i) + 1.0f;
  const Result linear = run(line, 3, 0.5f, 2.0f), flat = run(line, -3, 0.5f, 2.0f);
  EXPECT_EQ(linear.passes, 1);
  EXPECT_EQ(linear.work, (Vec{-12, -4, 4, 12, 20, 28, 36}));
  EXPECT_EQ(linear.back, line);  // a line is its own background
  EXPECT_EQ(flat.work, (Vec{4, 4, 4, 12, 20, 20, 20}));
  // By hand: 4 - 4t^2 + 4t^3 from knots 4, 4, 4, 12; 4 + 4t + 8t^2 - 4t^3
  // from 4, 4, 12, 20; then mirrored.
  const Vec bent{3.4140625f,  3.6171875f,  4.6171875f,  6.4140625f,  8.6484375f,  10.9453125f,
                 13.0546875f, 15.3515625f, 17.5859375f, 19.3828125f, 20.3828125f, 20.5859375f};
  EXPECT_EQ(flat.back, bent);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(flat.dsub[i], line[i] - bent[i]) << i;
  const Result full = run(line, 3, 0.5f, 0.01f);  // nothing left for a second pass
  EXPECT_TRUE(full.passes == 2 && full.back == line && full.dsub == Vec(12, 0.0f));
}

// One point per segment, each at t = 1 of its interval: the cubic passes
// through every point.
TEST(SegmentBackground, ThreePointsEachTheirOwnKnot) {
  for (const Vec& data : {Vec{3, 1, 4}, Vec{0, 0, 5}, Vec{9, 0, 1}}) {
    const Result r = run(data, 3, 0.4f, 0.01f);
    EXPECT_TRUE(r.passes == 2 && r.back == data && r.dsub == Vec(3, 0.0f)) << data[0];
  }
}

// The first pass's end knots; flat and linear ends share the other knots,
// and the backgrounds differ only where an interval uses an end knot.
TEST(SegmentBackground, EndKnots) {
  Vec data(60);
  std::mt19937 rng(7);
  for (float& y : data) y = float(rng() % 50);
  for (long m0 : {1L, 2L, -2L, 6L, -6L}) {
    const Result r = run(data, m0, 0.3f, 2.0f);
    const auto m = std::size_t(std::labs(m0));
    const Vec& w = r.work;
    EXPECT_EQ(r.passes, 1) << m0;
    if (m == 1)
      EXPECT_EQ(w, Vec(5, w[2])) << m0;
    else if (m0 < 0)
      EXPECT_TRUE(w[0] == w[2] && w[1] == w[2] && w[m + 2] == w[m + 1] && w[m + 3] == w[m + 1]) << m0;
    else
      EXPECT_TRUE(w[1] == 2 * w[2] - w[3] && w[0] == 2 * w[1] - w[2] && w[m + 2] == 2 * w[m + 1] - w[m] &&
                  w[m + 3] == 2 * w[m + 2] - w[m + 1])
          << m0;
  }
  // Six segments stagger by a quarter on the first pass (s = 1.25): the
  // intervals that use no end knot hold points 18 to 47.
  const Result flat = run(data, -6, 0.3f, 2.0f), linear = run(data, 6, 0.3f, 2.0f);
  EXPECT_TRUE(std::equal(flat.work.begin() + 2, flat.work.end() - 2, linear.work.begin() + 2));
  EXPECT_TRUE(std::equal(flat.back.begin() + 18, flat.back.begin() + 48, linear.back.begin() + 18));
  EXPECT_FALSE(std::equal(flat.back.begin(), flat.back.begin() + 18, linear.back.begin()));
  EXPECT_FALSE(std::equal(flat.back.begin() + 48, flat.back.end(), linear.back.begin() + 48));
}

TEST(SegmentBackground, ArgumentsOutsideTheirRanges) {
  Vec data(40);
  std::mt19937 rng(3);
  for (float& y : data) y = float(rng() % 30);
  EXPECT_EQ(run(data, 4, 1.5f, 0.01f).back, run(data, 4, 1.0f, 0.01f).back);  // below clamped to 0 .. 1
  EXPECT_EQ(run(data, 4, -0.2f, 0.01f).back, run(data, 4, 0.0f, 0.01f).back);
  const Result none = run(data, 0, 0.4f, 0.01f);
  EXPECT_TRUE(none.passes == 0 && none.back == Vec(40, 0.0f) && none.dsub == data);
  // A stop rule that never fires: all-zero knots, a tolerance of 0 or below.
  EXPECT_EQ(run(Vec(30, 0.0f), 3, 0.4f, 0.01f).passes, 41);
  EXPECT_EQ(run(data, 3, 0.4f, 0.0f).passes, 41);
  EXPECT_EQ(run(data, 3, 0.4f, -1.0f).passes, 41);
  // No points, or a null array: 0 at once, nothing written.
  Vec back{5}, dsub{5}, work(7, 5.0f);
  EXPECT_EQ(killsub(data.data(), back.data(), dsub.data(), 0, 3, 0.4f, 0.01f, work.data()) +
                killsub(data.data(), back.data(), dsub.data(), -4, 3, 0.4f, 0.01f, work.data()) +
                killsub(nullptr, back.data(), dsub.data(), 1, 3, 0.4f, 0.01f, work.data()),
            0);
  EXPECT_TRUE(back == Vec{5} && dsub == Vec{5} && work == Vec(7, 5.0f));
}

TEST(SegmentBackground, HostileSpectra) {
  for (const auto& s : spectrum_fixtures::hostileSpectra({0, 1, 2, 3, 100, 2001}))
    for (long m0 : {-7L, -1L, 1L, 6L, 40L, 2500L})
      for (float below : {-0.2f, 0.4f, 1.5f})
        for (float tol : {-1.0f, 0.0f, 0.01f}) {
          const Result r = run(s.intensities, m0, below, tol);
          ASSERT_TRUE(r.passes >= 0 && r.passes <= 41) << s.name << ", m0 " << m0;
          for (std::size_t i = 0; i < r.back.size(); ++i) {
            const float y = s.intensities[i], sum = r.back[i] + r.dsub[i];
            EXPECT_TRUE(!std::isfinite(y + sum) ||
                        std::fabs(sum - y) <= 1e-3f * (1 + std::fabs(y) + std::fabs(r.back[i])))
                << s.name << ", point " << i;
          }
        }
}

// The r-th smallest for a whole rank r = 0.5 + m q, else the midpoint of
// the two values around r, the smallest below rank 1, the largest above m.
template <class T>
void quantilesMatchSortedArrays() {
  std::mt19937 rng(11);
  for (std::size_t m : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 15u, 16u, 17u, 33u, 250u, 1000u})
    for (int spread : {1, 3, 6, 1000})
      for (int trial = 0; trial < 8; ++trial) {
        std::vector<T> x(m), v;
        for (T& value : x) value = T(int(rng() % unsigned(spread + 1)) - spread / 3);
        v = x;
        std::sort(v.begin(), v.end());
        // Dyadic levels keep m q exact in both precisions.
        for (T q : {T(0), T(0.0625), T(0.25), T(0.375), T(0.5), T(0.75), T(0.9375), T(1), T(-0.2), T(1.5)}) {
          const double r = 0.5 + double(m) * std::clamp(double(q), 0.0, 1.0);
          const auto k = std::size_t(std::clamp(r, 1.0, double(m)));
          const T expected = r < 1 || r > double(m) || double(k) == r ? v[k - 1] : (v[k - 1] + v[k]) / T(2);
          EXPECT_EQ(splitQuantile(x.data(), std::int64_t(m), q, T(0)), expected) << m << " values, level " << q;
        }
      }
  const std::vector<T> four{4, 1, 3, 2};
  EXPECT_EQ(splitQuantile(four.data(), 4, T(0.5), T(0)), T(2.5));
  EXPECT_EQ(splitQuantile(static_cast<const T*>(nullptr), 0, T(0.5), T(0)), T(0));  // nothing read
}

TEST(SplitQuantile, MatchesSortedArraysInBothPrecisions) {
  quantilesMatchSortedArrays<float>();
  quantilesMatchSortedArrays<double>();
  // Non-finite values end the search too.
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const std::vector<float> allNaN{nan, nan, nan}, infinite{inf, inf},
      mixed{inf, -inf, nan, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17};
  EXPECT_TRUE(std::isnan(splitQuantile(allNaN.data(), 3, 0.4f, 0.0f)));
  EXPECT_EQ(splitQuantile(infinite.data(), 2, 0.4f, 0.0f), inf);
  for (float tol : {0.0f, 0.01f}) (void)splitQuantile(mixed.data(), std::int64_t(mixed.size()), 0.4f, tol);
}

}  // namespace
