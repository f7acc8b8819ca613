// The centroider's calibration, its lock-mass search and its mass axes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "processing/CalCovar.h"
#include "processing/MassAxes.h"
#include "processing/RTCentroidDTCProcess.h"

struct RTCentroidCalibrationInspector {
  static bool binsToMass(const CRTCentroidDTCProcess& c, const std::vector<double>& axis, std::vector<double>& p,
                         std::vector<float>& sigmas) {
    return c.BinsToMass(axis.data(), long(axis.size()), p.data(), sigmas.data(), long(p.size()));
  }
};

namespace {

using Doubles = std::vector<double>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

TEST(CentroiderCalibration, LockMassCorrectsTheLinearTerm) {
  for (bool root : {false, true}) {
    Doubles coeffs{0, 1}, covars{1e-8, 1e-9, 1e-6};
    const Doubles given = covars;
    CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
    EXPECT_TRUE(c.UpdateCalibration(coeffs.data(), covars.data(), 1, root, 0, 0, 1000, 0.01, 1000.5));
    EXPECT_DOUBLE_EQ(coeffs[1], root ? std::sqrt(1000.5) / std::sqrt(1000.0) : 1.0005) << root;
    Doubles updated = given;  // the update as the covariance makes it
    CCalCovar(root, given.data(), 1, 1.0).UpdateForLockMass(1000, 0.01, 1000, updated.data(), 3);
    EXPECT_TRUE(covars == updated && covars != given) << root;
    double position = 1000;
    EXPECT_TRUE(c.ApplyCalibration(&position, nullptr, 1, true, -1));
    EXPECT_DOUBLE_EQ(position, 1000.5) << "the held c1 is corrected too";
  }
  Doubles coeffs{0, 1}, covars{1e-8, 1e-9, 1e-6}, order6(7, 0.0), covars6(28, 0.0);
  order6[1] = 1;
  const struct {
    const char* what;
    double* coeffs;
    double* covars;
    int order;
    double start, obs;
    bool result, installed;
  } cases[] = {{"no coefficients", nullptr, covars.data(), 1, 0, 1000, false, false},
               {"no covariances", coeffs.data(), nullptr, 1, 0, 1000, false, false},
               {"order 0", coeffs.data(), covars.data(), 0, 0, 1000, false, false},
               {"no lock mass", coeffs.data(), covars.data(), 1, 0, 0, false, true},
               {"lock mass and a table", coeffs.data(), covars.data(), 1, 100, 1000, true, true},
               {"an order the update refuses", order6.data(), covars6.data(), 6, 0, 1000, false, true}};
  CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
  for (const auto& t : cases) {
    double position = 500;
    c.UpdateCalibration(coeffs.data(), covars.data(), 1, false, 0, 0, 1000, 0.01, 1000.5);  // an earlier one goes
    EXPECT_EQ(c.UpdateCalibration(t.coeffs, t.covars, t.order, false, t.start, 2000, t.obs, 0.01, 1000), t.result)
        << t.what;
    EXPECT_EQ(c.ApplyCalibration(&position, nullptr, 1, true, -1), t.installed) << t.what;
  }
}

TEST(CentroiderCalibration, LockMassIsTheMostIntensePeakInTheWindow) {
  // Calibrated: 200 .. 800, 999.8, 1000, 1000.1, 1000.4, 1200 .. 1600.
  const Doubles positions{100, 200, 300, 400, 499.9, 500, 500.05, 500.2, 600, 700, 800};
  const struct {
    double mass, tolerance;
    std::vector<std::pair<int, float>> raised;
    long found;
  } cases[] = {
      {1000, 0.5, {}, 5},                // equal values: the peak the bisection hit
      {1000, 0.5, {{7, 5}}, 7},          //
      {1000, 0.5, {{4, 5}, {7, 5}}, 4},  // equal maxima: the walk down comes first
      {1000, 0.5, {{6, 5}, {7, 5}}, 6},  // going up, the first met
      {1000, 0.5, {{3, 9}, {8, 9}}, 5},  // outside the window
      {1000.25, 0.01, {}, -1},           //
      {200, 0.5, {}, 0},                 // the first peak
      {1600, 0.5, {{9, 9}}, 10},         // the last; 1400 is outside
      {kNaN, 0.5, {}, -1},
      {200, 0.5, {}, -2},  // no peaks: -1
  };
  for (bool root : {false, true})  // mass and root-mass calibrations that both double the position
    for (const auto& t : cases) {
      const Doubles doubled = root ? Doubles{0, std::sqrt(2.0)} : Doubles{0, 2};
      std::vector<float> values(positions.size(), 1.0f);
      for (auto [i, v] : t.raised) values[std::size_t(i)] = v;
      const auto n = long(t.found == -2 ? 0 : positions.size());
      EXPECT_EQ(CRTCentroidDTCProcess(1, 1, 1, 1)
                    .LocateLockMass(positions.data(), values.data(), n, t.mass, t.tolerance, doubled.data(), 1, root),
                std::max(t.found, -1L))
          << t.mass << " " << root;
    }
}

TEST(CentroiderCalibration, SigmasTakeTheVarianceBeforeCalibration) {
  const Doubles covars{4e-4, -1e-5, 3e-6};
  for (bool root : {false, true}) {
    Doubles coeffs = root ? Doubles{0.2, 1.0001} : Doubles{0.5, 1.001}, given = covars;
    CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
    ASSERT_TRUE(c.UpdateCalibration(coeffs.data(), given.data(), 1, root, 0, 0, 1000, 0.01, 1000.5));
    CCalCovar asGiven(root, covars.data(), 1, 1.0), updated(root, covars.data(), 1, 1.0);
    Doubles scratch(3);
    updated.UpdateForLockMass(1000, 0.01, 0, scratch.data(), 3);
    const Doubles positions{300, 1000, 1500};
    const std::vector<float> sigmas{0.01f, -0.02f, 0.03f};
    for (bool toMass : {false, true}) {
      Doubles p = positions;
      std::vector<float> s = sigmas;
      ASSERT_TRUE(c.ApplyCalibration(p.data(), s.data(), 3, toMass, 1));
      for (std::size_t i = 0; i < 3; ++i) {
        const CCalCovar& covariance = i == 1 ? asGiven : updated;
        ASSERT_NE(asGiven.GetVariance(positions[i]), updated.GetVariance(positions[i]));
        const double variance = covariance.GetVariance(positions[i]) + double(sigmas[i]) * sigmas[i];
        EXPECT_EQ(s[i], std::copysign(float(std::sqrt(variance)), sigmas[i])) << root << " " << i;
        EXPECT_EQ(p[i], toMass ? CalMass(positions[i], coeffs.data(), 1, root) : positions[i]) << root << " " << i;
      }
    }
    Doubles p = positions;
    EXPECT_TRUE(c.ApplyCalibration(p.data(), nullptr, 3, true, 1) && p[2] == CalMass(1500, coeffs.data(), 1, root));
    EXPECT_FALSE(c.ApplyCalibration(p.data(), nullptr, 3, false, 1) ||
                 c.ApplyCalibration(nullptr, nullptr, 3, true, 1));
  }
}

TEST(CentroiderMassAxes, SqrtAndLogAxes) {
  const struct {
    double start, end;
    long n;
    Doubles axis;  // empty: none
  } axes[] = {{100, 400, 3, {100, 225, 400}},
              {100, 400, 1, {100}},
              {0, 400, 3, {0, 100, 400}},
              {-1, 400, 3, {}},
              {400, 100, 3, {}},
              {100, 100, 2, {}},
              {100, 400, 0, {}},
              {kNaN, 400, 3, {}},
              {100, kInf, 3, {}},
              {100, 400, (1 << 24) + 1, {}}};
  for (const auto& t : axes) {
    const std::unique_ptr<double[]> a(CRTCentroidDTCProcess(1, 1, 1, 1).CreateMassAxis(t.start, t.end, t.n));
    EXPECT_EQ(a ? Doubles(a.get(), a.get() + t.n) : Doubles{}, t.axis) << t.start << " " << t.end << " " << t.n;
  }

  const Doubles x{100, 150, 200};
  Doubles expected{100};  // by repeated multiplication, floor(ln 2 / 0.1) + 1 points
  while (expected.size() < 7) expected.push_back(expected.back() * std::exp(0.1));
  Doubles u(8, -1.0);
  EXPECT_EQ(LogAxis(x.data(), 3, u.data(), 8, 0.1), 7);
  EXPECT_EQ(Doubles(u.begin(), u.begin() + 7), expected);
  const Doubles zeroFirst{0, 200}, negativeLast{100, -5}, descending{200, 100}, huge{1e-300, 1e300};
  const struct {
    const Doubles* x;
    double* u;
    int room;
    double step;
    int count;
  } logs[] = {
      {&x, nullptr, 8, 0.1, -7},          {&x, u.data(), 6, 0.1, -7},        {&x, u.data(), 8, 0, 0},
      {&x, u.data(), 8, kNaN, 0},         {&zeroFirst, u.data(), 8, 0.1, 0}, {&negativeLast, u.data(), 8, 0.1, 0},
      {&descending, u.data(), 8, 0.1, 0}, {&huge, u.data(), 8, 1e-9, 0}};
  for (const auto& t : logs) EXPECT_EQ(LogAxis(t.x->data(), int(t.x->size()), t.u, t.room, t.step), t.count) << t.step;
  EXPECT_EQ(LogAxis(nullptr, 3, u.data(), 8, 0.1) + LogAxis(x.data(), 0, u.data(), 8, 0.1), 0);
}

TEST(CentroiderMassAxes, BinPositionsToMassesKeepSigmaSigns) {
  const Doubles log{100, 110, 121};
  Doubles p{1.5, 0, 2.99, -0.5, kNaN, 3, 1e300};
  std::vector<float> s{-0.2f, 0.1f, 0.1f, 1, 1, 1, 1};
  EXPECT_TRUE(LogBinsToMass(log.data(), 3, 0.1, p.data(), s.data(), long(p.size())));
  EXPECT_EQ(Doubles(p.begin(), p.begin() + 3), (Doubles{(1 + 0.5 * 0.1) * 110, 100, (1 + (2.99 - 2) * 0.1) * 121}));
  EXPECT_EQ(Doubles(p.begin() + 3, p.end()), Doubles(4, 0.0));
  EXPECT_EQ(s[0], float(-0.2f * 0.1 * p[0]));

  // An axis that steps by exactly one time-to-digital bin in sqrt(m).
  const CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
  const double step = double(std::sqrt(8000.0f) / (2000.0f * (4.0f * 72.0f)));
  Doubles axis;
  for (int i = 0; i < 10; ++i) axis.push_back(std::pow(20 + i * step, 2));
  Doubles q{3, 3.5, 9.25, 10, -1.5, kNaN};
  std::vector<float> sigmas{0.5f, -0.5f, 1, 1, 1, 1};
  EXPECT_TRUE(RTCentroidCalibrationInspector::binsToMass(c, axis, q, sigmas));
  const Doubles expected{axis[3], std::pow(20 + 3.5 * step, 2), axis[9], 0, 0, 0};
  for (std::size_t i = 0; i < q.size(); ++i) EXPECT_NEAR(q[i], expected[i], 1e-12 * axis[9]) << i;
  EXPECT_FLOAT_EQ(sigmas[1], float(-2 * step * 0.5 * std::sqrt(q[1])));
}

}  // namespace
