#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "processing/CalCovar.h"
#include "support/Corruption.h"
#include "support/DecimalCommaLocale.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<double> covariances(const CCalCovar& c, int n) {
  std::vector<double> out(static_cast<std::size_t>(n), -7.0);
  return c.GetCovariances(out.data(), n) ? out : std::vector<double>{};
}

std::string format(const CCalCovar& c, int nBuf) {
  std::vector<char> buf(static_cast<std::size_t>(nBuf));
  const char* text = c.Format(buf.data(), nBuf);
  return text ? text : "(null)";
}

constexpr const char* kOrderOneText = "+1.000000000000000e+00;+5.000000000000000e-01,+2.000000000000000e+00";

TEST(CalCovarText, FormatsAndReadsTheTextForm) {
  const double values[] = {1.0, 0.5, 2.0};
  const CCalCovar c(false, values, 1, 1.0);
  EXPECT_EQ(format(c, 69), kOrderOneText);
  EXPECT_EQ(format(c, 68), "(null)");
  EXPECT_EQ(c.Format(nullptr, 69), nullptr);
  char one[1] = {'x'};
  EXPECT_EQ(c.Format(one, 0), nullptr);
  const CCalCovar back(true, kOrderOneText);
  EXPECT_TRUE(back.GetUseRootMass());
  EXPECT_EQ(covariances(back, 3), (std::vector<double>{1.0, 0.5, 2.0}));
  EXPECT_EQ(covariances(back, 2), std::vector<double>{});  // too small: nothing written
  const double scaled[] = {1.0, 0.5, 2.0};
  EXPECT_EQ(covariances(CCalCovar(false, scaled, 1, 3.0), 3), (std::vector<double>{3.0, 1.5, 6.0}));
  EXPECT_EQ(covariances(CCalCovar(false, nullptr, 1, 3.0), 3), (std::vector<double>{0.0, 0.0, 0.0}));
}

TEST(CalCovarText, PieceCountMustMatchTheRows) {
  struct Case {
    std::string text;
    bool ok;
    std::vector<double> values;
  };
  const Case cases[] = {
      {"1;2,3;4,5,6", true, {1, 2, 3, 4, 5, 6}},
      {"1;2,3;4,5", false, {}},
      {"1;2,3;4,5,6,7", false, {}},
      {" 7 ", true, {7}},
      {"x;2,3", true, {0, 2, 3}},  // not a number: 0
      {"1;2,,3;", false, {}},      // empty pieces do not count
      {"1;2,3,", true, {1, 2, 3}},
      {"1e999;2,3", false, {}},  // beyond a double
      {"-1e999;2,3", false, {}},
      {"", false, {}},
      {std::string(100000, ';'), false, {}},  // claims 5e9 values: refused before allocating
  };
  for (const Case& c : cases) {
    CCalCovar cov(false, kOrderOneText);
    EXPECT_EQ(cov.SetCovariances(c.text.c_str()), c.ok) << c.text.substr(0, 20);
    const auto n = static_cast<int>(c.values.size());
    if (c.ok) {
      EXPECT_EQ(covariances(cov, n), c.values) << c.text;
      EXPECT_EQ(covariances(cov, n - 1), std::vector<double>{}) << c.text;
    } else {
      double none = -7.0;
      EXPECT_TRUE(cov.GetCovariances(&none, 0)) << "order -1 after a failed read: " << c.text.substr(0, 20);
      EXPECT_EQ(cov.GetVariance(500.0), 0.0);
    }
  }
  CCalCovar kept(false, kOrderOneText);
  EXPECT_FALSE(kept.SetCovariances(nullptr));
  EXPECT_EQ(covariances(kept, 3), (std::vector<double>{1.0, 0.5, 2.0}));
}

TEST(CalCovarText, NumbersIgnoreTheCallersLocale) {
  const DecimalCommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no decimal-comma locale installed";
  const double values[] = {1.0, 0.5, 2.0};
  EXPECT_EQ(format(CCalCovar(false, values, 1, 1.0), 69), kOrderOneText);
  EXPECT_EQ(covariances(CCalCovar(false, kOrderOneText), 3), (std::vector<double>{1.0, 0.5, 2.0}));
}

TEST(CalCovarText, DamagedTextGivesAResult) {
  const double values[] = {1, 0.1, 2, 0.2, 0.3, 3, 0.4, 0.5, 0.6, 4};
  const CCalCovar orderThree(false, values, 3, 1e-6);
  std::array<char, 512> buf{};
  ASSERT_NE(orderThree.Format(buf.data(), static_cast<int>(buf.size())), nullptr);
  const std::string text = buf.data();
  const Bytes valid(text.begin(), text.end());
  const auto read = [](const Bytes& damaged) {
    const std::string t(damaged.begin(), damaged.end());
    CCalCovar c(true, "1");
    const bool ok = c.SetCovariances(t.c_str());
    std::array<char, 512> out{};
    (void)c.Format(out.data(), static_cast<int>(out.size()));
    (void)c.MakeLookupTable(100.0, 1000.0);
    EXPECT_GE(c.GetVariance(500.0), 0.0);
    return ok ? 0 : 1;
  };
  expectRejectsTruncations(valid, read, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, read);
}

TEST(CalCovarVariance, DirectEvaluation) {
  const double K[] = {4.0, 1.0, 9.0};  // order 1
  const CCalCovar mass(false, K, 1, 1.0), root(true, K, 1, 1.0);
  for (double m : {0.0, 100.0, 1234.5}) {
    const double u = 0.001 * m, r = std::sqrt(m);
    EXPECT_NEAR(mass.GetVariance(m), 4 + 2 * u + 9 * u * u, 1e-12) << m;
    EXPECT_NEAR(root.GetVariance(m), 4 * m * (4 + 2 * r + 9 * r * r), 1e-9 * (1 + m * m)) << m;
  }
  const double negative[] = {-1.0}, nan[] = {kNaN};
  EXPECT_EQ(CCalCovar(false, negative, 0, 1.0).GetVariance(10.0), 0.0);
  EXPECT_EQ(CCalCovar(false, nan, 0, 1.0).GetVariance(10.0), 0.0);
  EXPECT_EQ(root.GetVariance(-4.0), 0.0);
}

TEST(CalCovarVariance, LookupTableIsANaturalSpline) {
  const double quartic[] = {1e-6, 0, 2e-6, 0, 0, 3e-6};  // 1e-6 + 2e-6 u^2 + 3e-6 u^4
  CCalCovar c(false, quartic, 2, 1.0);
  ASSERT_TRUE(c.MakeLookupTable(2000.0, 100.0));  // bounds in either order
  // Natural cubic spline through the 128 table points, computed independently.
  struct Case {
    double mass, spline;
  };
  for (const Case k : {Case{107.3, 1.0234694678632559e-06}, Case{555.5, 1.9028258028904847e-06},
                       Case{1999.0, 5.689664123758478e-05}, Case{2000.0, 5.7e-05}})
    EXPECT_NEAR(c.GetVariance(k.mass), k.spline, 1e-12 * k.spline) << k.mass;
  for (int i = 0; i < 128; i += 9) {  // through the table points
    const double m = 100.0 + i * 1900.0 / 127, u = 0.001 * m;
    EXPECT_NEAR(c.GetVariance(m), 1e-6 + 2e-6 * u * u + 3e-6 * u * u * u * u, 1e-15) << m;
  }
  EXPECT_TRUE(c.MakeLookupTable(0.0, 10.0));  // the first table stays
  EXPECT_NEAR(c.GetVariance(1999.0), 5.689664123758478e-05, 1e-16);
  EXPECT_NEAR(c.GetVariance(3000.0), 1e-6 + 2e-6 * 9 + 3e-6 * 81, 1e-15);  // outside: direct

  const double linear[] = {1e-6, 2e-7, 0.0};  // 1e-6 + 4e-10 m
  CCalCovar line(false, linear, 1, 1.0);
  ASSERT_TRUE(line.MakeLookupTable(50.0, 5000.0));
  for (double m : {50.0, 51.234, 777.7, 4999.9}) EXPECT_NEAR(line.GetVariance(m), 1e-6 + 4e-10 * m, 1e-19) << m;

  for (const std::array<double, 2> bounds :
       {std::array{5.0, 5.0}, std::array{kNaN, 5.0}, std::array{0.0, std::numeric_limits<double>::infinity()},
        std::array{-1e308, 1e308}}) {
    CCalCovar bad(false, quartic, 2, 1.0);
    EXPECT_FALSE(bad.MakeLookupTable(bounds[0], bounds[1])) << bounds[0] << " " << bounds[1];
    EXPECT_NEAR(bad.GetVariance(1999.0), 5.6896073976003016e-05, 1e-16) << "direct";
  }
}

TEST(CalCovarVariance, NegativeOrdersHoldNothing) {
  const double K[] = {1.0, 2.0, 3.0};
  const double* rows[1] = {K};
  CCalCovar fromArray(false, K, -1, 1.0), fromSvd(rows, K, 0, false, false, 1.0);
  for (CCalCovar* c : {&fromArray, &fromSvd}) {
    EXPECT_EQ(c->GetVariance(500.0), 0.0);
    EXPECT_TRUE(c->MakeLookupTable(100.0, 1000.0));
    EXPECT_EQ(c->GetVariance(500.0), 0.0);
    EXPECT_EQ(format(*c, 1), "");
    EXPECT_EQ(covariances(*c, 0), std::vector<double>{});
    EXPECT_FALSE(c->UpdateForLockMass(500.0, 0.01, 500.0, nullptr, 0));
  }
}

TEST(CalCovarLockMass, ReplacesTheLinearCoefficient) {
  const double k0 = 2e-6, k1 = 5e-9, obs = 556.2771, sigma = 0.002;
  struct Case {
    bool root;
    double x, x2, w;
  };
  for (const Case c :
       {Case{false, obs, obs * obs, 1 / (sigma * sigma)}, Case{true, std::sqrt(obs), obs, 4 * obs / (sigma * sigma)}}) {
    const double K[] = {k0, 0.0, k1};
    CCalCovar cov(c.root, K, 1, 1.0);
    std::vector<double> out(3);
    ASSERT_TRUE(cov.UpdateForLockMass(obs, sigma, 9999.0, out.data(), 3));
    EXPECT_NEAR(out[0], k0, 1e-12 * k0);
    EXPECT_NEAR(out[1], -k0 / c.x, 1e-12 * k0 / c.x);
    const double k11 = (1 + c.w * k0) / (c.w * c.x * c.x);
    EXPECT_NEAR(out[2], k11, 1e-9 * k11);

    const double notDefinite[] = {-1.0, 0.0, k1};
    CCalCovar fallback(c.root, notDefinite, 1, 1.0);
    ASSERT_TRUE(fallback.UpdateForLockMass(obs, sigma, 0.0, out.data(), 3));
    EXPECT_EQ(out, (std::vector<double>{0.0, 0.0, 1 / (c.x2 * c.w)}));
  }
  const double K[] = {1, 0, 2, 0, 0, 3};
  CCalCovar unchanged(false, K, 2, 1.0);
  EXPECT_FALSE(unchanged.UpdateForLockMass(0.0, 0.01, 500.0, nullptr, 0));
  EXPECT_FALSE(unchanged.UpdateForLockMass(500.0, 0.0, 500.0, nullptr, 0));
  EXPECT_EQ(covariances(unchanged, 6), (std::vector<double>{1, 0, 2, 0, 0, 3}));
  std::vector<double> unit(28, 0.0), out(28);  // order 6 identity; its first 21 values are order 5's
  for (std::size_t i = 0; i < 7; ++i) unit[i * (i + 3) / 2] = 1.0;
  for (const auto& [order, ok] : {std::pair{0, false}, std::pair{5, true}, std::pair{6, false}})
    EXPECT_EQ(CCalCovar(false, unit.data(), order, 1.0).UpdateForLockMass(2.0, 0.5, 2.0, out.data(), 28), ok) << order;
}

}  // namespace
