#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "processing/DeadTimeArray.h"
#include "processing/TOFDeadTimeCorrection.h"
#include "processing/TOFPeakCorrection.h"

namespace {

TEST(TOFDeadTimeCorrection, DefaultsAndEquality) {
  const TOFDeadTimeCorrection d;
  EXPECT_EQ(d.getResolution(), 5000.0);
  EXPECT_EQ(d.getMassRange(), 13881.0);
  EXPECT_EQ(d.getCycleTime(), 1.0);
  EXPECT_EQ(d.getLteff(), 2096.136963);
  EXPECT_EQ(d.getVeff(), 7891.2);
  EXPECT_EQ(d.getNPMultiplier(), 1.0);
  EXPECT_TRUE(d == TOFDeadTimeCorrection());
  double& (TOFDeadTimeCorrection::*const fields[])() = {
      &TOFDeadTimeCorrection::Resolution, &TOFDeadTimeCorrection::MassRange, &TOFDeadTimeCorrection::CycleTime,
      &TOFDeadTimeCorrection::Lteff,      &TOFDeadTimeCorrection::Veff,      &TOFDeadTimeCorrection::NPMultiplier};
  for (auto field : fields) {
    TOFDeadTimeCorrection changed = d;
    (changed.*field)() += 1.0;
    EXPECT_TRUE(changed != d);
    (changed.*field)() = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(changed == changed);
  }
}

// The peak-detection parameters as built from a default correction record.
PKD_PARAMS defaultParams() {
  PKD_PARAMS p;
  p.sQTOFParams.fRes = 5000.0f;
  p.sQTOFParams.fMassRange = 13881.0f;
  p.sQTOFParams.fCycleTime = 1.0f;
  p.sQTOFParams.lfLteff = 2096.136963;
  p.sQTOFParams.lfVeff = 7891.2;
  p.sQTOFParams.fNpMultiplier = 1.0f;
  return p;
}

struct Outcome {
  float shift, factor;
  bool inaccurate;
};

Outcome correct(const PKD_PARAMS& params, float mass, float area) {
  PKD_CENT_PEAK peak;
  peak.fCent = mass;
  peak.fArea = area;
  float factor = -1.0f;
  const float shift = PkdCorrectTOFPeak(nullptr, &params, &peak, &factor);
  return {shift, factor, peak.bInaccurate};
}

TEST(PkdCorrectTOFPeak, WidthFollowsTheFlightTimeLaw) {
  const DeadTimeArray table;
  const double k = std::sqrt(7891.2) / (72 * 2096.136963);
  struct Case {
    float mass, sigma;  // sigma: the width the defaults give at that mass
  };
  for (const Case c : {Case{100.0f, 0.723f}, Case{1000.0f, 2.286f}}) {
    const float rate = 0.3f;
    float lambda = 0, deltaT = 0;
    table.Interpolate(rate, c.sigma, lambda, deltaT);
    const Outcome o = correct(defaultParams(), c.mass, rate * 13881.0f);
    EXPECT_FALSE(o.inaccurate) << c.mass;
    EXPECT_NEAR(o.factor, lambda / rate, 2e-3) << c.mass;
    EXPECT_NEAR(o.shift, -2 * deltaT * k * std::sqrt(c.mass), 2e-3 * std::fabs(o.shift)) << c.mass;
    EXPECT_GT(o.shift, 0.0f) << "an early peak moves up in mass";
  }
  // Width 3.1 falls at about 1839 Da; above it the peak is marked, uncorrected.
  EXPECT_FALSE(correct(defaultParams(), 1835.0f, 4000.0f).inaccurate);
  for (float mass : {1842.0f, 2000.0f}) {
    const Outcome o = correct(defaultParams(), mass, 4000.0f);
    EXPECT_TRUE(o.inaccurate) << mass;
    EXPECT_EQ(o.shift, 0.0f) << mass;
    EXPECT_EQ(o.factor, 1.0f) << mass;
  }
}

TEST(PkdCorrectTOFPeak, EdgesOfTheSettings) {
  const auto with = [](auto change) {
    PKD_PARAMS p = defaultParams();
    change(p.sQTOFParams);
    return p;
  };
  struct Case {
    const char* what;
    PKD_PARAMS params;
    float mass, area;
    bool inaccurate;
  };
  const Case cases[] = {
      {"area 0", defaultParams(), 500.0f, 0.0f, false},
      {"mass range 0", with([](PKD_QTOF_PARAMS& q) { q.fMassRange = 0; }), 500.0f, 4000.0f, false},
      {"resolution 0", with([](PKD_QTOF_PARAMS& q) { q.fRes = 0; }), 500.0f, 4000.0f, false},
      {"negative divisor", with([](PKD_QTOF_PARAMS& q) { q.fNpMultiplier = -1; }), 500.0f, 4000.0f, false},
      {"Lteff 0", with([](PKD_QTOF_PARAMS& q) { q.lfLteff = 0; }), 500.0f, 4000.0f, true},
      {"Veff 0", with([](PKD_QTOF_PARAMS& q) { q.lfVeff = 0; }), 500.0f, 4000.0f, true},
      {"Veff negative", with([](PKD_QTOF_PARAMS& q) { q.lfVeff = -7891.2; }), 500.0f, 4000.0f, true},
      {"negative mass", defaultParams(), -500.0f, 4000.0f, true},
  };
  for (const Case& c : cases) {
    const Outcome o = correct(c.params, c.mass, c.area);
    EXPECT_EQ(o.inaccurate, c.inaccurate) << c.what;
    EXPECT_EQ(o.shift, 0.0f) << c.what;
    EXPECT_EQ(o.factor, 1.0f) << c.what;
  }
  float factor = -1.0f;
  EXPECT_EQ(PkdCorrectTOFPeak(nullptr, nullptr, nullptr, &factor), 0.0f);
  EXPECT_EQ(factor, 1.0f);
}

TEST(PkdCorrectTOFPeak, HighRatesAreCappedAndMarked) {
  const Outcome capped = correct(defaultParams(), 500.0f, 0.84999f * 13881.0f);
  const Outcome above = correct(defaultParams(), 500.0f, 2.0f * 13881.0f);
  EXPECT_TRUE(capped.inaccurate);
  EXPECT_TRUE(above.inaccurate);
  EXPECT_EQ(above.shift, capped.shift);
  EXPECT_EQ(above.factor, capped.factor);
  EXPECT_GT(above.factor, 2.0f);  // about lambda 2 over rate 0.85
  EXPECT_FALSE(correct(defaultParams(), 500.0f, 0.8f * 13881.0f).inaccurate);
}

}  // namespace
