#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "processing/AddSpectra.h"

namespace {

constexpr float kTol = 1.0f / 65536.0f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Spectrum {
  std::vector<float> masses, intensities;
  bool operator==(const Spectrum&) const = default;
};

// The merge into outputs of exactly nPoints1 + nPoints2 points, cut to the count.
Spectrum merge(Spectrum a, const Spectrum& b) {
  const std::size_t n = a.masses.size() + b.masses.size();
  Spectrum out{std::vector<float>(n), std::vector<float>(n)};
  const unsigned count =
      addScans(out.masses.data(), out.intensities.data(), a.masses.data(), a.intensities.data(),
               unsigned(a.masses.size()), b.masses.data(), b.intensities.data(), unsigned(b.masses.size()));
  out.masses.resize(count);
  out.intensities.resize(count);
  return out;
}

TEST(AddScansTest, MergesInMassOrderAndCoalescesWithinTheTolerance) {
  const Spectrum apart{{1.0f, 2.0f, 3.0f}, {1, 2, 3}};
  struct Case {
    const char* what;
    Spectrum a, b, expected;
  } cases[] = {
      {"identical spectra", apart, apart, {{1.0f, 2.0f, 3.0f}, {2, 4, 6}}},
      {"list 1 empty", {}, apart, apart},
      {"list 2 empty", apart, {}, apart},
      {"both empty", {}, {}, {}},
      {"interleaved", {{1.0f, 3.0f}, {1, 3}}, {{2.0f, 4.0f}, {2, 4}}, {{1.0f, 2.0f, 3.0f, 4.0f}, {1, 2, 3, 4}}},
      {"2^-16 apart coalesce", {{1.0f}, {1}}, {{1.0f + kTol}, {2}}, {{1.0f + kTol}, {3}}},
      {"1.5 x 2^-16 apart stay apart",
       {{1.0f}, {1}},
       {{1.0f + 1.5f * kTol}, {2}},
       {{1.0f, 1.0f + 1.5f * kTol}, {1, 2}}},
      {"a chain carries its last mass",
       {{1.0f, 1.0f + 1.2f * kTol}, {1, 4}},
       {{1.0f + 0.6f * kTol}, {2}},
       {{1.0f + 1.2f * kTol}, {7}}},
      // List 2 first: 1e8 - 1e8 + 1 is 1, where 1 + 1e8 - 1e8 would round to 0.
      {"equal masses take list 2 first", {{5.0f}, {1}}, {{5.0f, 5.0f}, {1e8f, -1e8f}}, {{5.0f}, {1}}},
  };
  for (const Case& c : cases) EXPECT_EQ(merge(c.a, c.b), c.expected) << c.what;
}

TEST(AddScansTest, RefusesWhatItCannotWriteAndReadsNullListsAsEmpty) {
  std::vector<float> m{1.0f, 2.0f}, y{1, 2}, outM(2), outY(2);
  EXPECT_EQ(addScans(nullptr, outY.data(), m.data(), y.data(), 2, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(addScans(outM.data(), outY.data(), m.data(), nullptr, 2, m.data(), y.data(), 2), 2u);
  EXPECT_EQ(outY, y);
  EXPECT_EQ(addScans(outM.data(), outY.data(), m.data(), y.data(), UINT_MAX, m.data(), y.data(), 1), 0u);
  std::vector<float> nanM{kNaN, 1.0f}, descending{3.0f, 1.0f};  // no order: any count, in bounds
  EXPECT_LE(addScans(outM.data(), outY.data(), nanM.data(), y.data(), 2, nullptr, nullptr, 0), 2u);
  EXPECT_LE(addScans(outM.data(), outY.data(), descending.data(), y.data(), 2, nullptr, nullptr, 0), 2u);
}

TEST(AddScansTest, GridIndexIsTheCeilingOfTheDistanceInSpacingsOrNone) {
  struct Case {
    float mass, minMass, spacing;
    unsigned expected;
  } cases[] = {
      {100.0f, 100.0f, 0.5f, 0},
      {100.2f, 100.0f, 0.5f, 1},
      {101.0f, 100.0f, 0.5f, 2},
      {99.0f, 100.0f, 0.5f, 2},  // distance, not offset
      {100.0f, 100.0f, 0.0f, UINT_MAX},
      {101.0f, 100.0f, -1.0f, UINT_MAX},
      {100.0f, 100.0f, -1.0f, UINT_MAX},
      {101.0f, 100.0f, kNaN, UINT_MAX},
      {kNaN, 100.0f, 1.0f, UINT_MAX},
      {kInf, 100.0f, 1.0f, UINT_MAX},
      {1e30f, 0.0f, 1.0f, UINT_MAX},
      {4294967040.0f, 0.0f, 1.0f, 4294967040u},
      {4294967296.0f, 0.0f, 1.0f, UINT_MAX},
  };
  for (const Case& c : cases)
    EXPECT_EQ(getAddedScanIndex(c.mass, c.minMass, c.spacing), c.expected) << c.mass << " " << c.spacing;
}

// Spectra summed onto an exact-size grid of the given capacity.
struct GridSum {
  std::vector<Spectrum> spectra;
  unsigned capacity = 16, hashStart = 0;
  float minMass = 100.0f, spacing = 1.0f;
  int order = -1;  // -1: unweighted

  Spectrum run() const {
    std::vector<const float*> m, y;
    std::vector<unsigned> n;
    for (const Spectrum& s : spectra) {
      m.push_back(s.masses.data());
      y.push_back(s.intensities.data());
      n.push_back(unsigned(s.masses.size()));
    }
    Spectrum out{std::vector<float>(capacity), std::vector<float>(capacity)};
    unsigned size = capacity;
    const unsigned count =
        order < 0
            ? addScansMultiple(out.masses.data(), out.intensities.data(), size, m.data(), y.data(), n.data(),
                               unsigned(n.size()), minMass, spacing, hashStart)
            : addWeightedScansMultiple(out.masses.data(), out.intensities.data(), size, m.data(), y.data(), n.data(),
                                       unsigned(n.size()), unsigned(order), minMass, spacing, hashStart);
    EXPECT_EQ(size, capacity);
    EXPECT_LE(count, capacity);
    out.masses.resize(count);
    out.intensities.resize(count);
    return out;
  }
};

// One point of intensity 1 per spectrum, at masses 101, 102, ...
std::vector<Spectrum> ones(int count) {
  std::vector<Spectrum> s;
  for (int i = 0; i < count; ++i) s.push_back({{101.0f + float(i)}, {1}});
  return s;
}

TEST(AddScansTest, GridSumsPlaceSumAndCompact) {
  struct Case {
    const char* what;
    GridSum sum;
    Spectrum expected;
  } cases[] = {
      {"same cell: summed, the last writer's mass", {{{{101.0f}, {1}}, {{100.6f}, {2}}}}, {{100.6f}, {3}}},
      {"empty cells dropped", {{{{100.0f, 103.0f}, {1, 2}}}}, {{100.0f, 103.0f}, {1, 2}}},
      {"a cell of intensity 0 with a mass stays", {{{{101.0f}, {5}}, {{101.0f}, {-5}}}}, {{101.0f}, {0}}},
      {"the first two points by position",
       {{{{150.0f, 160.0f, 101.0f}, {1, 2, 3}}, {{170.0f, 180.0f}, {4, 5}}}, 16, 2},
       {{170.0f, 180.0f, 101.0f}, {5, 7, 3}}},
      {"order 2, three spectra", {ones(3), 16, 0, 100.0f, 1.0f, 2}, {{101, 102, 103}, {0.25f, 0.5f, 0.25f}}},
      {"order 2, four spectra", {ones(4), 16, 0, 100.0f, 1.0f, 2}, {{101, 102, 103, 104}, {0.25f, 0.5f, 0.25f, 0}}},
      {"order 0, three spectra", {ones(3), 16, 0, 100.0f, 1.0f, 0}, {{101, 102, 103}, {1 / 3.f, 1 / 3.f, 1 / 3.f}}},
      {"order 1, five spectra: no weights",
       {ones(5), 16, 0, 100.0f, 1.0f, 1},
       {{101, 102, 103, 104, 105}, {0, 0, 0, 0, 0}}},
      {"no spectra", {{}}, {}},
      {"capacity 0", {ones(2), 0}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.sum.run(), c.expected) << c.what;
}

TEST(AddScansTest, GridSumsWriteNothingAtOrBeyondTheCapacity) {
  const Spectrum hostile{{kNaN, -50.0f, kInf, 1e30f, 105.0f, 109.0f, 110.0f, 2e9f}, {1, 1, 1, 1, 1, 1, 1, 1}};
  for (const float spacing : {1.0f, 0.0f, -1.0f, kNaN})
    for (const int order : {-1, 2}) {
      // Of the hashed points only 105 and 109 fit 10 cells at spacing 1; a bad spacing places none.
      const bool placed = spacing == 1.0f;
      EXPECT_EQ((GridSum{{hostile}, 10, 0, 100.0f, spacing, order}.run().masses),
                (placed ? std::vector<float>{105.0f, 109.0f} : std::vector<float>{}));
      // Three by position, then 105 at 5 + 3; 109 would be at 12.
      EXPECT_EQ((GridSum{{hostile}, 10, 3, 100.0f, spacing, order}.run().masses.size()), placed ? 4u : 3u);
      for (const unsigned hashStart : {11u, UINT_MAX})  // every point by position
        EXPECT_EQ((GridSum{{hostile, hostile}, 10, hashStart, 100.0f, spacing, order}.run().masses.size()), 8u);
    }
}

}  // namespace
