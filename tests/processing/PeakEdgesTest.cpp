#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "processing/PeakBalance.h"
#include "processing/PeakEdges.h"

namespace {

PKD_DATASET dataset(const std::vector<float>& y) {
  PKD_DATASET d;
  d.pfX = d.pfY = y.data();  // masses unused here
  d.lNumPts = static_cast<long>(y.size());
  return d;
}

TEST(EdgeWalks, RiseAndFall) {
  struct Case {
    std::vector<float> y;
    long point, rise, steepRise, start, fall, steepFall, end;
  };
  const Case cases[] = {
      {{0, 1, 3, 2, 0}, 2, 1, 2, 0, 2, 4, 4},   // a new steepest slope counts
      {{0, 1, 2, 3, 2}, 3, 3, 1, 0, 1, 4, 4},   // equal slopes each count
      {{0, 2, 2, 0}, 2, 0, 2, 2, 1, 3, 3},      // a flat step ends a rise...
      {{0, 3, 3, 1, 0}, 1, 1, 1, 0, 2, 3, 4},   // ...and continues a fall
      {{-5, -3, 4, 1}, 2, 2, 2, 1, 1, 3, 3},    // a negative point ends the rise, one more
      {{0, 5, 2, -1, 0}, 1, 1, 1, 0, 2, 2, 3},  // and the fall
      {{0, 5, 2, 3}, 1, 1, 1, 0, 1, 2, 2},      // a rise ends the fall
      {{0, 1, 5}, 2, 1, 2, 0, 0, 3, 3},         // nothing after the last point
      {{0, 1, NAN, 4, 5}, 4, 1, 4, 3, 0, 5, 5}, // a NaN step ends a rise
      {{0, 5, 3, NAN, 0}, 1, 1, 1, 0, 1, 2, 2}, // and a fall
  };
  for (const Case& c : cases) {
    const PKD_DATASET d = dataset(c.y);
    long steep = -9, bound = -9;
    EXPECT_EQ(EdgeRise(&d, c.point, &steep, &bound), c.rise) << c.y.size() << " at " << c.point;
    EXPECT_EQ(steep, c.steepRise);
    EXPECT_EQ(bound, c.start);
    EXPECT_EQ(EdgeFall(&d, c.point, &steep, &bound), c.fall);
    EXPECT_EQ(steep, c.steepFall);
    EXPECT_EQ(bound, c.end);
    // Stored first differences give the same walks.
    std::vector<float> dy(c.y.size());
    for (std::size_t i = 1; i < c.y.size(); ++i) dy[i] = c.y[i] - c.y[i - 1];
    PKD_DATASET stored = d;
    stored.pfDyDx = dy.data();
    EXPECT_EQ(EdgeRise(&stored, c.point, &steep, &bound), c.rise);
    EXPECT_EQ(EdgeFall(&stored, c.point, &steep, &bound), c.fall);
  }
}

// Points holding a peak after edge finding, balancing and the boundary search.
struct Found {
  long point, start, end;
  bool operator==(const Found&) const = default;
};
std::vector<Found> peaks(const std::vector<float>& y, int width) {
  const PKD_DATASET d = dataset(y);
  std::vector<PKD_EDGE> edges(y.size(), PKD_EDGE{});
  PKD_PARAMS p;
  p.nHalfWidth = 1;
  PkdFindEdges(&d, edges.data(), &p);
  p.nHalfWidth = width;
  EXPECT_EQ(PkdWidthBalanceEdges(&d, edges.data(), &p), 0);
  PkdFindLowestPoints(&d, edges.data());
  std::vector<Found> out;
  for (long i = 0; i < d.lNumPts; ++i)
    if (PeakExists(edges.data(), i)) out.push_back({i, edges[i].lStart, edges[i].lEnd});
  return out;
}

TEST(PeakEdges, WhichMaximaArePeaks) {
  EXPECT_EQ(peaks({0, 2, 5, 5, 5, 1, 0}, 1), (std::vector<Found>{{2, 1, 6}})) << "a plateau peaks at its first point";
  EXPECT_EQ(peaks({0, 1, 2, 3, 4}, 1), std::vector<Found>{}) << "monotonic";
  EXPECT_EQ(peaks({0, 0, 0, 0}, 1), std::vector<Found>{}) << "all zero";
  EXPECT_EQ(peaks({0, 1, 3}, 1), std::vector<Found>{}) << "a maximum on the last point";
  EXPECT_EQ(peaks({5, 1, 0}, 1), std::vector<Found>{}) << "a maximum on point 0";
  EXPECT_EQ(peaks({0, -3, -1, -2, 0}, 1), std::vector<Found>{}) << "negative maxima";
  EXPECT_EQ(peaks({0, 0, 7, 0, 0}, 4), (std::vector<Found>{{2, 1, 3}})) << "a lone spike stays at width 4";
}

TEST(PeakEdges, Boundaries) {
  // Point 0 is never a boundary; ties stay nearer the apex; the lowest
  // point between two peaks bounds both.
  EXPECT_EQ(peaks({0, 2, 5, 3, 1, 1, 4, 2, 0}, 1), (std::vector<Found>{{2, 1, 4}, {6, 5, 8}}));
  EXPECT_EQ(peaks({0, 3, 1, 3, 0}, 1), (std::vector<Found>{{1, 1, 2}, {3, 2, 4}}));
  // A negative point stops the search; right after the apex it is the bound.
  EXPECT_EQ(peaks({0, 2, 5, 1, -1, 0, 0, 4, 2, 0}, 1), (std::vector<Found>{{2, 1, 3}, {7, 6, 9}}));
  EXPECT_EQ(peaks({0, 1, 6, -2, 0, 3, 1}, 0), (std::vector<Found>{{2, 1, 3}, {5, 4, 6}}));
}

TEST(PeakBalance, MaximaWithinTheWidthMerge) {
  const std::vector<float> three{0, 1, 5, 1, 1, 3, 1, 0, 0, 0}, four{0, 1, 5, 1, 1, 1, 3, 1, 0, 0},
      five{0, 1, 5, 1, 1, 1, 1, 3, 1, 0};
  EXPECT_EQ(peaks(three, 4), (std::vector<Found>{{2, 1, 7}}));
  EXPECT_EQ(peaks(four, 4), (std::vector<Found>{{2, 1, 8}}));
  EXPECT_EQ(peaks(five, 4), (std::vector<Found>{{2, 1, 3}, {7, 6, 9}}));
  EXPECT_EQ(peaks(five, 5).size(), 1u);
  // Negative points between shorten the gap: 6 apart, but 2 after the last one.
  EXPECT_EQ(peaks({0, 1, 5, 1, 1, -1, -1, 1, 3, 1, 0}, 4), (std::vector<Found>{{2, 1, 3}}));
  EXPECT_EQ(peaks({0, 1, 6, -2, 3, 1}, 1), (std::vector<Found>{{2, 1, 3}}));
  EXPECT_EQ(peaks({0, 1, 5, 1, 1, 1, 1, 1, 3, 1, 0}, 4).size(), 2u);
  // A chain merges into its highest member, whichever is balanced first.
  EXPECT_EQ(peaks({0, 2, 1, 3, 1, 6, 1, 4, 1, 2, 0}, 2), (std::vector<Found>{{5, 4, 10}}));
}

TEST(PeakBalance, EqualHeightsKeepThePeakBalancedFirst) {
  // The height sort over every point's record decides which of two equal
  // peaks is balanced first: with 8 points the later, with 10 the earlier.
  EXPECT_EQ(peaks({0, 1, 4, 1, 1, 4, 1, 0}, 4), (std::vector<Found>{{5, 4, 7}}));
  EXPECT_EQ(peaks({0, 1, 4, 1, 1, 4, 1, 0, 0, 0}, 4), (std::vector<Found>{{2, 1, 7}}));
}

TEST(PeakBalance, InnerStepsOnHandBuiltRecords) {
  const std::vector<float> y{0, 1, 5, 1, 3, 1, 0, 2, 0};
  const PKD_DATASET d = dataset(y);
  std::vector<PKD_EDGE> e(y.size(), PKD_EDGE{});
  for (long i : {2, 4, 7}) e[i] = {i - 1, i + 1, i - 1, i + 1, {.nWidth = 1}, {.nWidth = 1}, PKD_STATUS_EXISTS};
  PKD_PARAMS p;
  p.nHalfWidth = 2;
  EXPECT_EQ(std::tuple(TrackRise(&d, e.data(), &p, 2), TrackRise(&d, e.data(), &p, 99)), std::tuple(-1, -1));
  EXPECT_EQ(TrackFall(&d, e.data(), &p, 2), 2);  // absorbs 4; 7 is 3 past it
  EXPECT_EQ(std::tuple(e[2].sRise.nWidth, e[2].lEnd, PeakExists(e.data(), 4)), std::tuple(2, 5L, false));
  e[7].nStatus |= PKD_STATUS_EXCLUDED;
  EXPECT_FALSE(PeakExists(e.data(), 7));
  EXPECT_EQ(std::tuple(EdgeBalanced(&p, 1, 1), EdgeBalanced(&p, 1, 0)), std::tuple(true, false));
}

}  // namespace
