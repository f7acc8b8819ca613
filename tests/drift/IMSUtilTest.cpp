#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

#include "drift/IMSUtil.h"

namespace ims = Vardex::Lib::ZorvalenRaw::IMSUtil;
using U32 = std::vector<std::uint32_t>;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(GridConversions, FactorIndexAndMass) {
  EXPECT_EQ(ims::TimeToMass(1.0f, 1.0f, 1.0f), 1.0f / 5184.0f);
  EXPECT_EQ(ims::TimeToMass(1.0f, 5184.0f, 1.0f), 1.0f);
  EXPECT_TRUE(std::isnan(ims::TimeToMass(0.0f, 0.0f, 1.0f)));
  const float ttm = ims::TimeToMass(1.2f, 7200.0f, 3.0f);
  for (int index : {1, 17, 1000, 31623, 100000}) {
    const float m = ims::IndexToMass(index, ttm);
    const float back = ims::MassToIndex(m, ttm);
    EXPECT_NEAR(back, static_cast<float>(index), 1e-6f * static_cast<float>(index)) << index;
    EXPECT_EQ(ims::IndexToMass(static_cast<int>(back + 0.5f), ttm), m) << index;
  }
}

TEST(GridConversions, MassScale) {
  EXPECT_TRUE(ims::MassScale(5, 0, 1.0f).empty());
  EXPECT_TRUE(ims::MassScale(5, -3, 1.0f).empty());
  EXPECT_EQ(ims::MassScale(3, 3, 0.5f), (std::vector<float>{4.5f, 8.0f, 12.5f}));
  const std::vector<float> far = ims::MassScale(std::numeric_limits<int>::max(), 2, 1.0f);
  ASSERT_EQ(far.size(), 2u);  // start + i formed without int overflow
  EXPECT_EQ(far[1], 2147483648.0f * 2147483648.0f);
}

TEST(GridConversions, GridIndicesRefusesWhatCannotBeAGrid) {
  struct Case {
    float ttm, start, end;
    bool valid;
  };
  const float big = std::numeric_limits<float>::max();
  const Case cases[] = {
      {1.0f, 100.0f, 400.0f, true},
      {1.0f, 100.0f, 100.0f, true},
      {0.0f, 100.0f, 400.0f, false},
      {-1.0f, 100.0f, 400.0f, false},
      {kInf, 100.0f, 400.0f, false},
      {kNaN, 100.0f, 400.0f, false},
      {1.0f, 0.0f, 400.0f, false},
      {1.0f, -1.0f, 400.0f, false},
      {1.0f, kNaN, 400.0f, false},
      {1.0f, 100.0f, kNaN, false},
      {1.0f, 100.0f, kInf, false},
      {1.0f, 400.0f, 100.0f, false},
      {1e-30f, 1.0f, big, false},
      {1.0f, 1.0f, 1e19f, false},                // index past int
      {1.0f, 1.0f, 281474976710656.0f, true},    // indices 1 .. 2^24: 2^24 of them
      {1.0f, 0.01f, 281474976710656.0f, false},  // 0 .. 2^24: one too many
  };
  for (const Case& c : cases) {
    int s = -7, e = -7;
    EXPECT_EQ(ims::GridIndices(c.ttm, c.start, c.end, ims::HalfUp::Float, s, e), c.valid)
        << c.ttm << " " << c.start << " " << c.end;
    if (!c.valid) {
      EXPECT_EQ(s, -7) << "untouched on failure";
    }
  }
  int s = 0, e = 0;
  ASSERT_TRUE(ims::GridIndices(1.0f, 100.0f, 420.0f, ims::HalfUp::Float, s, e));
  EXPECT_EQ(s, 10);
  EXPECT_EQ(e, 20);  // sqrt(420) = 20.49
}

TEST(GridConversions, HalfUpInFloatOrDouble) {
  // An odd index just below 2^24: +0.5 in float rounds to the even neighbour.
  const float m = 16777215.0f * 16777215.0f;
  ASSERT_EQ(ims::MassToIndex(m, 1.0f), 16777215.0f);
  int s = 0, eFloat = 0, eDouble = 0;
  ASSERT_TRUE(ims::GridIndices(1.0f, m, m, ims::HalfUp::Float, s, eFloat));
  ASSERT_TRUE(ims::GridIndices(1.0f, m, m, ims::HalfUp::Double, s, eDouble));
  EXPECT_EQ(eFloat, 16777216);
  EXPECT_EQ(eDouble, 16777215);
}

std::vector<float> resample(const std::vector<float>& x, const std::vector<float>& y, const std::vector<float>& u) {
  std::vector<float> v(u.size(), -1.0f);  // exact size, garbage first: every entry must be written
  ims::Resample(x.data(), y.data(), static_cast<int>(x.size()), u.data(), v.data(), static_cast<int>(u.size()));
  return v;
}

TEST(Resample, SharesEachSourceBinByOverlap) {
  const std::vector<float> u{100.0f, 101.0f, 102.0f};  // bins [99.5, 100.5) [100.5, 101.5) [101.5, 102.5]
  struct Case {
    const char* what;
    std::vector<float> x, y, v;
  };
  const Case cases[] = {
      {"inside one target bin", {100.9f, 101.0f, 101.1f}, {1, 2, 3}, {0, 6, 0}},
      {"below the axis", {90.0f, 91.0f, 92.0f}, {1, 2, 3}, {0, 0, 0}},
      {"above the axis", {200.0f, 201.0f}, {1, 2}, {0, 0, 0}},
      {"split evenly at an edge", {100.0f, 100.5f, 101.0f}, {0, 4, 0}, {2, 2, 0}},
      {"half outside the first edge", {99.0f, 99.5f, 100.0f}, {0, 4, 0}, {2, 0, 0}},
      {"one source point", {101.2f}, {5}, {0, 5, 0}},
      {"one point on the last upper edge", {102.5f}, {5}, {0, 0, 5}},
      {"one point just past it", {102.51f}, {5}, {0, 0, 0}},
      {"repeated masses have zero width", {101.0f, 101.0f, 101.0f}, {1, 2, 3}, {0, 6, 0}},
      {"no source", {}, {}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    const std::vector<float> v = resample(c.x, c.y, u);
    ASSERT_EQ(v.size(), c.v.size());
    for (std::size_t j = 0; j < v.size(); ++j) EXPECT_NEAR(v[j], c.v[j], 1e-5f) << c.what << " bin " << j;
  }
}

TEST(Resample, KeepsTheTotalWhenTheTargetCoversTheSource) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> step(0.001f, 0.3f), inten(0.0f, 1000.0f);
  std::vector<float> x, y, u;
  for (float m = 200.0f; m < 210.0f; m += step(rng)) {
    x.push_back(m);
    y.push_back(inten(rng));
  }
  for (float m = 199.0f; m < 211.0f; m += 0.05f) u.push_back(m);
  const std::vector<float> v = resample(x, y, u);
  const double in = std::accumulate(y.begin(), y.end(), 0.0), out = std::accumulate(v.begin(), v.end(), 0.0);
  EXPECT_NEAR(out, in, in * 1e-5);
}

TEST(Resample, HostileAxesStayInBounds) {
  const std::vector<float> u{1.0f, 2.0f, 3.0f, 4.0f};
  const std::vector<float> one{2.0f};
  // Unsorted, NaN and infinite source masses: any values, no read or write outside.
  for (const std::vector<float>& x : {std::vector<float>{3.0f, 1.0f, 2.0f, 0.5f}, std::vector<float>{kNaN, 2.0f, kNaN},
                                      std::vector<float>{-kInf, 2.0f, kInf}}) {
    const std::vector<float> y(x.size(), 1.0f);
    const std::vector<float> v = resample(x, y, u);
    EXPECT_EQ(v.size(), u.size());
  }
  EXPECT_EQ(resample({1.9f, 2.0f, 2.1f}, {1, 1, 1}, one),
            (std::vector<float>{0.0f}));  // a one-point target has no width
  EXPECT_EQ(resample({2.0f}, {4}, one), (std::vector<float>{4.0f}));
  EXPECT_EQ(resample({2.0f}, {4}, {3.0f, 1.0f}).size(), 2u);
  ims::Resample(nullptr, nullptr, 5, u.data(), nullptr, 4);  // null output: nothing
  std::vector<float> v(4, 9.0f);
  ims::Resample(nullptr, nullptr, 5, u.data(), v.data(), 4);
  EXPECT_EQ(v, (std::vector<float>(4, 0.0f)));
}

// A grid axis whose cells widen with the index, as the time-of-flight grid's do.
std::vector<float> widening(int points) { return ims::MassScale(100, points, 0.01f); }

TEST(Resample, FarJumpsLandInTheCellHoldingEachMass) {
  const std::vector<float> u = widening(5000);
  std::vector<float> mids;  // inner cell edges
  for (std::size_t k = 1; k < u.size(); ++k) mids.push_back((u[k - 1] + u[k]) / 2);
  // The top and the bottom half, each descending, taken in turn: every
  // point a cell of no width, each a jump across the axis and back.
  std::vector<float> x, y;
  for (int k = 0; k < 200; ++k)
    for (const float m : {u[4990 - 12 * k] + 0.3f, u[2400 - 12 * k] + 0.1f}) {
      x.push_back(m);
      y.push_back(static_cast<float>(1 + x.size()));
    }
  const std::vector<float> v = resample(x, y, u);
  std::vector<float> expected(u.size(), 0.0f);
  for (std::size_t i = 0; i < x.size(); ++i)
    expected[static_cast<std::size_t>(std::upper_bound(mids.begin(), mids.end(), x[i]) - mids.begin())] += y[i];
  EXPECT_EQ(v, expected);
}

TEST(ResampleWindow, ItsCellsTakeWhatTheWholeAxisGivesThem) {
  const std::vector<float> u = widening(3000);
  const float lo = u.front(), hi = u.back();
  const double top = hi + (static_cast<double>(hi) - u[2998]) / 2;  // the last cell's upper edge, a float here
  struct Case {
    const char* what;
    std::vector<float> x;
    int count;  // -1: not checked
  };
  const Case cases[] = {
      {"dense in the middle", {u[1000], u[1000] + 0.7f, u[1001] + 0.2f, u[1003], u[1010]}, -1},
      {"one point", {u[2000] + 0.4f}, 3},
      {"straddling the low edge", {lo - 3.0f, lo - 1.0f, lo + 2.0f}, -1},
      {"at the top", {hi - 5.0f, hi - 1.0f, hi}, -1},
      {"on the last cell's upper edge", {static_cast<float>(top)}, 2},
      {"off the axis", {hi + 50.0f, hi + 60.0f}, 0},
      {"unsorted", {u[500], u[2500], u[700] + 0.5f, u[100]}, -1},
      {"empty", {}, 0},
  };
  for (const Case& c : cases) {
    const std::vector<float> y(c.x.size(), 7.0f), full = resample(c.x, y, u);
    int first = -1, count = -1;
    ims::ResampleWindow(c.x.data(), static_cast<int>(c.x.size()), u.data(), static_cast<int>(u.size()), first, count);
    ASSERT_TRUE(first >= 0 && count >= 0 && first + count <= static_cast<int>(u.size())) << c.what;
    EXPECT_TRUE(c.count < 0 || count == c.count) << c.what << " " << count;
    std::vector<float> window(static_cast<std::size_t>(count), -1.0f);
    ims::Resample(c.x.data(), y.data(), static_cast<int>(c.x.size()), u.data() + first, window.data(), count);
    for (int k = 0; k < static_cast<int>(u.size()); ++k) {
      const bool inside = k >= first && k < first + count;
      EXPECT_EQ(full[static_cast<std::size_t>(k)], inside ? window[static_cast<std::size_t>(k - first)] : 0.0f)
          << c.what << " cell " << k;
    }
  }
}

struct Padded {
  U32 x, y;
};
Padded zeropad(const U32& x, const U32& y, int start, int end, int expectStatus = ims::OK) {
  Padded out{{99}, {99}};
  EXPECT_EQ(ims::Zeropad(x.data(), y.data(), x.size(), out.x, out.y, start, end), expectStatus);
  return out;
}

TEST(Zeropad, FramesRunsOfAbsentIndices) {
  constexpr int s = 1000;
  struct Case {
    const char* what;
    U32 inX, inY;
    U32 x, y;
  };
  const Case cases[] = {
      {"one point five inside", {s + 5}, {7}, {s, s + 4, s + 5, s + 6, s + 10}, {0, 0, 7, 0, 0}},
      {"first point on the start", {s}, {7}, {s, s + 1, s + 10}, {7, 0, 0}},
      {"first point one inside", {s + 1}, {7}, {s, s + 1, s + 2, s + 10}, {0, 7, 0, 0}},
      {"neighbours", {s + 3, s + 4}, {1, 2}, {s, s + 2, s + 3, s + 4, s + 5, s + 10}, {0, 0, 1, 2, 0, 0}},
      {"gap of one index",
       {s + 3, s + 5},
       {1, 2},
       {s, s + 2, s + 3, s + 4, s + 5, s + 6, s + 10},
       {0, 0, 1, 0, 2, 0, 0}},
      {"gap of two",
       {s + 3, s + 6},
       {1, 2},
       {s, s + 2, s + 3, s + 4, s + 5, s + 6, s + 7, s + 10},
       {0, 0, 1, 0, 0, 2, 0, 0}},
      {"last point one short of the end", {s + 9}, {7}, {s, s + 8, s + 9, s + 10}, {0, 0, 7, 0}},
      {"last point on the end", {s + 10}, {7}, {s, s + 9, s + 10}, {0, 0, 7}},
      {"zero points skipped",
       {s + 3, s + 4, s + 5},
       {1, 0, 2},
       {s, s + 2, s + 3, s + 4, s + 5, s + 6, s + 10},
       {0, 0, 1, 0, 2, 0, 0}},
      {"outside the window dropped",
       {s - 2, s + 5, s + 11},
       {4, 7, 4},
       {s, s + 4, s + 5, s + 6, s + 10},
       {0, 0, 7, 0, 0}},
      {"repeated and backwards skipped",
       {s + 5, s + 5, s + 2},
       {7, 8, 9},
       {s, s + 4, s + 5, s + 6, s + 10},
       {0, 0, 7, 0, 0}},
      {"all zero", {s + 1, s + 2}, {0, 0}, {}, {}},
      {"empty", {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const Padded p = zeropad(c.inX, c.inY, s, s + 10);
    EXPECT_EQ(p.x, c.x) << c.what;
    EXPECT_EQ(p.y, c.y) << c.what;
  }
}

TEST(Zeropad, WindowEdgesAndTheFloatForm) {
  EXPECT_TRUE(zeropad({5}, {7}, -1, 10, ims::INPUTINVALID).x.empty());
  EXPECT_TRUE(zeropad({5}, {7}, 8, 4).x.empty());  // a reversed window holds nothing
  const Padded single = zeropad({4}, {7}, 4, 4);
  EXPECT_EQ(single.x, (U32{4}));
  U32 x{99};
  std::vector<float> y{99.0f};
  const U32 inX{3}, inY{4000000000u};
  EXPECT_EQ(ims::Zeropad(inX.data(), inY.data(), 1, x, y, 3, 4), ims::OK);
  EXPECT_EQ(x, (U32{3, 4}));
  EXPECT_EQ(y, (std::vector<float>{4e9f, 0.0f}));
  EXPECT_EQ(ims::Zeropad(nullptr, inY.data(), 1, x, y, 3, 4), ims::OK);
  EXPECT_TRUE(x.empty() && y.empty());
}

TEST(Zeropad, RandomSpectraStayInsideTheWindowAndKeepEveryPoint) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    const int start = static_cast<int>(rng() % 50), end = start + static_cast<int>(rng() % 60);
    U32 inX, inY;
    for (std::uint32_t i = 0; i < 120; ++i)
      if (rng() % 4 == 0) {
        inX.push_back(i);
        inY.push_back(rng() % 3);
      }
    const Padded p = zeropad(inX, inY, start, end);
    for (std::size_t k = 0; k < p.x.size(); ++k) {
      ASSERT_GE(p.x[k], static_cast<std::uint32_t>(start));
      ASSERT_LE(p.x[k], static_cast<std::uint32_t>(end));
      if (k > 0) {
        ASSERT_LT(p.x[k - 1], p.x[k]);
      }
    }
    std::size_t kept = 0;
    for (std::size_t k = 0; k < inX.size(); ++k)
      if (inY[k] != 0 && inX[k] >= static_cast<std::uint32_t>(start) && inX[k] <= static_cast<std::uint32_t>(end))
        ++kept;
    EXPECT_EQ(static_cast<std::size_t>(std::count_if(p.y.begin(), p.y.end(), [](auto v) { return v != 0; })), kept);
    if (kept > 0) {
      EXPECT_EQ(p.x.front(), static_cast<std::uint32_t>(start));
      EXPECT_EQ(p.x.back(), static_cast<std::uint32_t>(end));
    }
  }
}

TEST(CombineScans, AddsIntoTheAccumulatorAndSkipsIndicesOutsideIt) {
  const U32 u{9, 10, 12, 14, 15, 4000000000u};
  const std::vector<float> vf{100, 1, 2, 3, 100, 100};
  const U32 vu{100, 1, 2, 3, 100, 100};
  std::vector<float> y(5, 0.0f);  // indices 10 .. 14
  ims::CombineScans(u.data(), vf.data(), u.size(), y, 10);
  ims::CombineScans(u.data(), vu.data(), u.size(), y, 10);
  ims::CombineScans(u, vu, y, 10);
  EXPECT_EQ(y, (std::vector<float>{3, 0, 6, 0, 9}));
  ims::CombineScans(u, U32{1}, y, 0);  // shorter intensities: pairs only
  ims::CombineScans(nullptr, vf.data(), 3, y, 0);
  EXPECT_EQ(y, (std::vector<float>{3, 0, 6, 0, 9}));
}

TEST(RemoveZero, KeepsZeroEdgesOfPeaks) {
  std::vector<int> x{0, 1, 2, 3, 4, 5, 6}, outX{42};
  std::vector<float> y{0, 0, 5, 0, 0, 0, 0}, outY{42};
  EXPECT_EQ(ims::RemoveZero(x, y, outX, outY), ims::OK);
  EXPECT_EQ(outX, (std::vector<int>{0, 1, 2, 3, 6}));
  EXPECT_EQ(outY, (std::vector<float>{0, 0, 5, 0, 0}));
  const std::vector<float> fx{10, 11, 12, 13, 14, 15}, fy{0, 0, 0, 0, 0, 0};
  std::vector<float> ox, oy;
  EXPECT_EQ(ims::RemoveZero(fx, fy, ox, oy), ims::OK);
  EXPECT_EQ(ox, (std::vector<float>{10, 15}));
  const std::vector<float> fourX{1, 2, 3, 4}, fourY{0, 0, 0, 0};
  EXPECT_EQ(ims::RemoveZero(fourX, fourY, ox, oy), ims::OK);
  EXPECT_EQ(ox, fourX);
  EXPECT_EQ(oy, fourY);
  EXPECT_EQ(ims::RemoveZero(fx, fourY, ox, oy), ims::OK);  // unequal lengths: the common part
  EXPECT_EQ(ox, (std::vector<float>{10, 11, 12, 13}));
  EXPECT_EQ(ims::RemoveZero(std::vector<float>{}, std::vector<float>{}, ox, oy), ims::OK);
  EXPECT_TRUE(ox.empty() && oy.empty());
}

TEST(RemoveZeroIntensities, KeepsNonZeroAndClampsFloats) {
  const U32 x{1, 2, 3, 4, 5, 6, 7, 8, 9};
  U32 ox, oy;
  EXPECT_EQ(ims::RemoveZeroIntensities(x, U32{0, 3, 0, 0, 4, 0, 0, 0, 1}, ox, oy), ims::OK);
  EXPECT_EQ(ox, (U32{2, 5, 9}));
  EXPECT_EQ(oy, (U32{3, 4, 1}));
  const std::vector<float> fy{-1.0f, kNaN, 0.5f, 1.9f, 5e9f, kInf, -kInf, 4294967040.0f, 0.0f};
  EXPECT_EQ(ims::RemoveZeroIntensities(x, fy, ox, oy), ims::OK);
  EXPECT_EQ(ox, (U32{4, 5, 6, 8}));
  EXPECT_EQ(oy, (U32{1, 4294967295u, 4294967295u, 4294967040u}));
}

}  // namespace
