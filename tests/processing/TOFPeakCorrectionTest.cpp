#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <tuple>

#include "processing/DeadTimeArray.h"
#include "processing/TOFDeadTimeCorrection.h"
#include "processing/TOFPeakCorrection.h"

namespace {

TEST(TOFDeadTimeCorrection, DefaultsAndEquality) {
  TOFDeadTimeCorrection d;
  EXPECT_EQ((std::array{d.getResolution(), d.getMassRange(), d.getCycleTime(), d.getLteff(), d.getVeff(),
                        d.getNPMultiplier()}),
            (std::array{5000.0, 13881.0, 1.0, 2096.136963, 7891.2, 1.0}));
  for (double& field : {std::ref(d.Resolution()), std::ref(d.MassRange()), std::ref(d.CycleTime()), std::ref(d.Lteff()),
                        std::ref(d.Veff()), std::ref(d.NPMultiplier())}) {
    EXPECT_TRUE(d == TOFDeadTimeCorrection());
    const double kept = field;
    field = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(d != TOFDeadTimeCorrection());
    EXPECT_FALSE(d == d);
    field = kept;
  }
}

// shift, area factor, inaccurate mark of one peak under the default settings
// with one change.
template <class Change>
std::tuple<float, float, bool> correct(float mass, float area, Change change) {
  PKD_PARAMS p;
  PKD_QTOF_PARAMS& q = p.sQTOFParams;
  std::tie(q.fRes, q.fMassRange, q.fCycleTime, q.lfLteff, q.lfVeff, q.fNpMultiplier) =
      std::tuple{5000.0f, 13881.0f, 1.0f, 2096.136963, 7891.2, 1.0f};
  change(q);
  PKD_CENT_PEAK peak;
  peak.fCent = mass;
  peak.fArea = area;
  float factor = -1.0f;
  const float shift = PkdCorrectTOFPeak(nullptr, &p, &peak, &factor);
  return {shift, factor, peak.bInaccurate};
}
std::tuple<float, float, bool> correct(float mass, float area) {
  return correct(mass, area, [](PKD_QTOF_PARAMS&) {});
}

TEST(PkdCorrectTOFPeak, WidthFollowsTheFlightTimeLaw) {
  const DeadTimeArray table;
  const double k = std::sqrt(7891.2) / (72 * 2096.136963);
  // The widths the defaults give at 100 and 1000 Da.
  for (const auto& [mass, sigma] : {std::pair{100.0f, 0.723f}, std::pair{1000.0f, 2.286f}}) {
    float lambda = 0, deltaT = 0;
    table.Interpolate(0.3f, sigma, lambda, deltaT);
    const auto [shift, factor, inaccurate] = correct(mass, 0.3f * 13881.0f);
    EXPECT_FALSE(inaccurate) << mass;
    EXPECT_NEAR(factor, lambda / 0.3f, 2e-3) << mass;
    EXPECT_NEAR(shift, -2 * deltaT * k * std::sqrt(mass), 2e-3 * std::fabs(shift)) << mass;
    EXPECT_GT(shift, 0.0f) << "an early peak moves up in mass";
  }
  // Width 3.1 falls at about 1839 Da (3.233 at 2000): above, marked and uncorrected.
  EXPECT_FALSE(std::get<2>(correct(1835.0f, 4000.0f)));
  EXPECT_EQ(correct(1842.0f, 4000.0f), std::tuple(0.0f, 1.0f, true));
  EXPECT_EQ(correct(2000.0f, 4000.0f), std::tuple(0.0f, 1.0f, true));
}

TEST(PkdCorrectTOFPeak, EdgesOfTheSettings) {
  const auto none = std::tuple(0.0f, 1.0f, false), marked = std::tuple(0.0f, 1.0f, true);
  EXPECT_EQ(correct(500.0f, 0.0f), none) << "area 0";
  EXPECT_EQ(correct(500.0f, 4000.0f, [](PKD_QTOF_PARAMS& q) { q.fMassRange = 0; }), none);
  EXPECT_EQ(correct(500.0f, 4000.0f, [](PKD_QTOF_PARAMS& q) { q.fRes = 0; }), none);
  EXPECT_EQ(correct(500.0f, 4000.0f, [](PKD_QTOF_PARAMS& q) { q.fNpMultiplier = -1; }), none);
  EXPECT_EQ(correct(500.0f, 4000.0f, [](PKD_QTOF_PARAMS& q) { q.lfLteff = 0; }), marked);
  EXPECT_EQ(correct(500.0f, 4000.0f, [](PKD_QTOF_PARAMS& q) { q.lfVeff = 0; }), marked);
  EXPECT_EQ(correct(500.0f, 4000.0f, [](PKD_QTOF_PARAMS& q) { q.lfVeff = -7891.2; }), marked);
  EXPECT_EQ(correct(-500.0f, 4000.0f), marked) << "negative mass";
  float factor = -1.0f;
  EXPECT_EQ(PkdCorrectTOFPeak(nullptr, nullptr, nullptr, &factor), 0.0f);
  EXPECT_EQ(factor, 1.0f);
}

TEST(PkdCorrectTOFPeak, HighRatesAreCappedAndMarked) {
  const auto capped = correct(500.0f, 0.84999f * 13881.0f);
  EXPECT_TRUE(std::get<2>(capped));
  EXPECT_EQ(correct(500.0f, 2.0f * 13881.0f), capped);
  EXPECT_GT(std::get<1>(capped), 2.0f);  // about lambda 2 over rate 0.85
  EXPECT_FALSE(std::get<2>(correct(500.0f, 0.8f * 13881.0f)));
}

}  // namespace
