#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "processing/PeakCentring.h"
#include "support/TraceCapture.h"

namespace {

struct Spectrum {
  std::vector<float> x, y;
  [[nodiscard]] PKD_DATASET data() const {
    PKD_DATASET d;
    d.pfX = x.data();
    d.pfY = y.data();
    d.lNumPts = static_cast<long>(y.size());
    return d;
  }
};

Spectrum onAxis(std::vector<float> y, float first = 100.0f, float step = 1.0f) {
  Spectrum s{{}, std::move(y)};
  for (std::size_t i = 0; i < s.y.size(); ++i) s.x.push_back(first + step * static_cast<float>(i));
  return s;
}

PKD_PARAMS method(int m, float top = 80.0f) {
  PKD_PARAMS p;
  p.nCntrMethod = m;
  p.fCentTop = top;
  return p;
}

// One peak between two points, centred with its own threshold.
struct Centred {
  PKD_CENT_PEAK peak;
  float factor;
};
Centred centre(const Spectrum& s, float start, float end, const PKD_PARAMS& p, bool accurate = false) {
  const PKD_DATASET d = s.data();
  Centred c{{}, 0.0f};
  c.peak.fStart = start;
  c.peak.fEnd = end;
  std::vector<float> work(2 * s.y.size());
  c.factor = PkdPeakCentre(&d, &c.peak, &p, work.data(), PkdMinHeight(&d, &c.peak, &p, accurate), accurate);
  return c;
}

TEST(PeakCentring, ThresholdsAreasAndCrossings) {
  const Spectrum s = onAxis({1, 4, 10, 6, 2}, 100.0f, 0.5f);
  const PKD_DATASET d = s.data();
  PKD_CENT_PEAK p;
  p.fEnd = 4;
  const PKD_PARAMS top80 = method(2), top50 = method(2, 50);
  EXPECT_FLOAT_EQ(PkdMinHeight(&d, &p, &top80, false), 3.6f);  // 2 + (10 - 2) x 0.2
  EXPECT_FLOAT_EQ(PkdMinHeight(&d, &p, &top80, true), 2.0f);   // 10 x 0.2
  EXPECT_FLOAT_EQ(PkdMinHeight(&d, &p, &top50, false), 6.0f);
  PkdPeakArea(&d, 0, 4, &p, true);
  EXPECT_FLOAT_EQ(p.fArea, 23.0f);
  PkdPeakArea(&d, 0, 4, &p, false);
  EXPECT_FLOAT_EQ(p.fArea, 0.5f * (2.5f + 7.0f + 8.0f + 4.0f));
  EXPECT_FLOAT_EQ(InterpolateXForward(&d, 0, 2, 3.6f), 2.6f / 3.0f);
  EXPECT_FLOAT_EQ(InterpolateXBackward(&d, 2, 4, 3.6f), 3.6f);
  EXPECT_FLOAT_EQ(InterpolateXForward(&d, 0, 2, 20.0f), 2.0f) << "nothing above: the end";
  EXPECT_FLOAT_EQ(InterpolateXBackward(&d, 2, 4, 20.0f), 2.0f) << "nothing above: the start";
  EXPECT_FLOAT_EQ(InterpolateXForward(&d, 1, 2, 3.6f), 1.0f) << "the first point above";
  EXPECT_FLOAT_EQ(InterpolateY(&d, 0, 4, 101.25f), 8.0f);
  EXPECT_FLOAT_EQ(InterpolateY(&d, 0, 4, 101.0f), 10.0f);
  EXPECT_EQ(PkdPeakTop(&d, -5, 99), 2) << "points outside the spectrum are moved onto it";
  // Only the top above the threshold on a side: the rising crossing
  // interpolates from the top's neighbour, the falling one is the top.
  const Spectrum lone = onAxis({1, 2, 10, 2, 2});
  const PKD_DATASET l = lone.data();
  EXPECT_FLOAT_EQ(InterpolateXForward(&l, 0, 2, 3.6f), 1.2f);
  EXPECT_FLOAT_EQ(InterpolateXBackward(&l, 2, 4, 3.6f), 2.0f);
}

TEST(PeakCentring, Methods) {
  Spectrum s = onAxis({2, 6, 10, 6, 2});
  s.x = {100, 101, 102, 103, 105};
  // Threshold 6 (top 50 %): the point on it counts with weight 1, the top with 4.
  Centred c = centre(s, 0, 4, method(2, 50));
  EXPECT_FLOAT_EQ(c.peak.fCent, (101.0f + 4 * 102.0f) / 5);
  EXPECT_NEAR(c.peak.fCentHt, 9.2f, 1e-4);
  EXPECT_EQ(std::tuple(c.peak.fStart, c.peak.fEnd, c.factor), std::tuple(1.0f, 2.0f, 1.0f));
  c = centre(s, 0, 4, method(1));
  EXPECT_EQ(std::tuple(c.peak.fCent, c.peak.fCentHt), std::tuple(102.0f, 10.0f));
  c = centre(s, 0, 4, method(2, 0));  // top 0 %: both crossings on the top
  EXPECT_EQ(std::tuple(c.peak.fCent, c.peak.fCentHt), std::tuple(102.0f, 10.0f));
  for (int m : {0, 5, -1}) {
    c = centre(s, 0, 4, method(m));
    EXPECT_EQ(std::tuple(c.peak.fCent, c.peak.fCentHt), std::tuple(0.0f, 0.0f)) << m;
  }
  // Area median of a symmetric peak, crossings 1.6 and 6.4: the apex.
  c = centre(onAxis({0, 1, 4, 8, 10, 8, 4, 1, 0}, 200.0f, 0.5f), 1, 8, method(4));
  EXPECT_EQ(std::tuple(c.peak.fCent, c.peak.fCentHt), std::tuple(202.0f, 10.0f));
}

TEST(PeakCentring, GaussianMedianBesideANegativePoint) {
  // The apex is its own left bound, so one quarter point is the apex itself:
  // only the right width (2 mass units) is usable.
  Spectrum s = onAxis({0, -3, 10, 6, 3, 1, 0});
  EXPECT_NEAR(centre(s, 2, 6, method(3), true).peak.fCent, 102.2938f, 1e-3);
  s.x.assign(7, 250.0f);  // no usable width: the centroid over the crossings
  EXPECT_FLOAT_EQ(centre(s, 2, 6, method(3), true).peak.fCent, 250.0f);
}

TEST(PeakCentring, AccurateMassWeightsAndSaysSoPerPoint) {
  const TraceCapture trace;
  const Centred c = centre(onAxis({0, 2, 6, 10, 6, 2, 0}), 1, 6, method(2), true);  // threshold 2: points 1 to 5
  const std::string out = trace.text();
  EXPECT_FLOAT_EQ(c.peak.fCent, 103.0f);
  std::string five;
  for (int k = 0; k < 5; ++k) five += "Doing Accurate Mass\n";
  EXPECT_EQ(out, five);
}

TEST(PeakCentring, PeaksWithoutAreaAreDroppedAndTheirRecordReused) {
  // Point 1 is bounded by the negative point after it: area 1 - 5 < 0.
  const Spectrum s = onAxis({0, 1, -5, 0, 2, 6, 2, 0});
  const PKD_DATASET d = s.data();
  std::vector<PKD_EDGE> e(s.y.size(), PKD_EDGE{});
  e[1] = {1, 2, 1, 2, {.nWidth = 1}, {.nWidth = 1}, PKD_STATUS_EXISTS};
  e[5] = {3, 7, 3, 7, {.nWidth = 2}, {.nWidth = 1}, PKD_STATUS_EXISTS};
  for (int m : {5, 1}) {
    std::vector<PKD_CENT_PEAK> list(2);
    PKD_RESULTS out{list.data(), 2, 0};
    PKD_PARAMS p = method(m);
    p.nMode = 2;
    EXPECT_EQ(FindCentres(&d, &out, e.data(), &p, false), 0);
    ASSERT_EQ(out.nNumPeaks, 1);
    // The dropped peak was centred on its own point (101) in the same record.
    EXPECT_EQ(std::tuple(list[0].fCent, list[0].fArea), std::tuple(m == 1 ? 105.0f : 0.0f, 10.0f));
  }
  PKD_RESULTS full{nullptr, 0, 0};
  const PKD_PARAMS apex = method(1);
  EXPECT_EQ(FindCentres(&d, &full, e.data(), &apex, false), -1) << "no room";
}

}  // namespace
