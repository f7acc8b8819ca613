#include "formats/calibration/FunctionCalibration.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace borealtek_calibrate_version_1;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string calText(const FunctionCalibration& cal) {
  char buf[kCalTextSize];
  return cal.calToBuf(buf);
}
std::string modText(const FunctionCalibration& cal) {
  char buf[kCalTextSize];
  return cal.modToBuf(buf);
}

// Same value, or both NaN.
bool sameValue(double a, double b) { return (std::isnan(a) && std::isnan(b)) || std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

FunctionCalibration withOrder(short order, short type, std::initializer_list<double> coefficients) {
  FunctionCalibration cal;
  std::size_t k = 0;
  for (double c : coefficients) cal.getImp().m_fC[k++] = c;
  cal.calOrder() = order;
  cal.calType() = type;
  return cal;
}

TEST(FunctionCalibration, RendersTheHeaderTextForm) {
  struct Case {
    const char* what;
    FunctionCalibration cal;
    std::string text;
  };
  FunctionCalibration linear;
  linear.setCalibration(0.5, 1.0, CALTYPE_NORMAL);
  FunctionCalibration constantRoot;
  constantRoot.setCalibration(-2.0, CALTYPE_ROOTMASS);
  const std::string seven = "1.000000000000000E+00,2.000000000000000E+00,3.000000000000000E+00,4.000000000000000E+00,"
                            "5.000000000000000E+00,6.000000000000000E+00,7.000000000000000E+00,";
  const Case cases[] = {
      {"uncalibrated", FunctionCalibration(), ""},
      {"linear", linear, "5.000000000000000E-01,1.000000000000000E+00,T0"},
      {"order 0 root", constantRoot, "-2.000000000000000E+00,T1"},
      {"order 6", withOrder(6, 0, {1, 2, 3, 4, 5, 6, 7}), seven + "T0"},
      // Orders past 6 render only C0..C6: the text parses back to the same polynomial.
      {"order 10", withOrder(10, 0, {1, 2, 3, 4, 5, 6, 7}), seven + "T0"},
      {"order 32767, odd type", withOrder(32767, 7, {1, 2, 3, 4, 5, 6, 7}), seven + "T7"},
      {"non-finite", withOrder(1, 0, {kInf, -kNaN}), "INF,-NAN,T0"},
  };
  for (const Case& c : cases) EXPECT_EQ(calText(c.cal), c.text) << c.what;

  // The longest text there is still fits the buffer.
  FunctionCalibration widest = withOrder(32767, -32768, {});
  widest.getImp().m_fC.fill(-std::numeric_limits<double>::max());
  const std::string longest = calText(widest);
  EXPECT_EQ(longest.size(), 7u * 24u + 7u);
  EXPECT_TRUE(longest.ends_with(",T-32768"));

  // The buffer is cleared whole, and the modification renders alike.
  char buf[kCalTextSize];
  std::fill(std::begin(buf), std::end(buf), 'x');
  FunctionCalibration mod;
  mod.setModification(1.0, 2.0);
  mod.modType() = CALTYPE_ROOTMASS;
  EXPECT_EQ(mod.modToBuf(buf), buf);
  EXPECT_STREQ(buf, "1.000000000000000E+00,2.000000000000000E+00,T1");
  EXPECT_TRUE(std::all_of(std::begin(buf) + 47, std::end(buf), [](char c) { return c == 0; }));
  EXPECT_EQ(calText(mod), "");  // the calibration itself is still unset
  EXPECT_EQ(modText(FunctionCalibration()), "");
}

TEST(FunctionCalibration, EvaluatesThePolynomial) {
  FunctionCalibration linear;
  linear.setCalibration(0.5, 2.0, CALTYPE_NORMAL);
  FunctionCalibration rootIdentity;
  rootIdentity.setCalibration(0.0, 1.0, CALTYPE_ROOTMASS);
  struct Case {
    const char* what;
    FunctionCalibration cal;
    double mass, expected;
  };
  const Case cases[] = {
      {"uncalibrated", FunctionCalibration(), 123.25, 123.25},
      {"uncalibrated NaN", FunctionCalibration(), kNaN, kNaN},
      {"order 0", withOrder(0, 0, {7.5}), 1000.0, 7.5},
      {"order 0 root squares C0", withOrder(0, 1, {3.0}), 1000.0, 9.0},
      {"linear", linear, 10.0, 20.5},
      {"quadratic", withOrder(2, 0, {1, 2, 3}), 2.0, 17.0},
      {"root quadratic", withOrder(2, 1, {1, 1, 1}), 9.0, 169.0},
      {"root of a negative mass", rootIdentity, -4.0, kNaN},
      {"root identity", rootIdentity, 16.0, 16.0},
      {"unknown type is normal", withOrder(1, 5, {1, 2}), 3.0, 7.0},
      {"order above 6", withOrder(9, 0, {1, 1, 1, 1, 1, 1, 1}), 2.0, 127.0},
      {"order above 6, infinite mass", withOrder(9, 0, {1, 1, 1, 1, 1, 1, 1}), kInf, kNaN},
      {"order 6, infinite mass", withOrder(6, 0, {1, 1, 1, 1, 1, 1, 1}), kInf, kInf},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(sameValue(CalibrateMass(c.mass, c.cal.getImp()), c.expected)) << c.what;
    std::vector<double> one{c.mass};
    c.cal.calibrateMasses(one.data(), 1);
    EXPECT_TRUE(sameValue(one[0], c.expected)) << c.what << " (array form)";
  }
}

// The short cut for orders past 6 must give what Horner's rule over every
// index up to the order gives, zero coefficients included.
TEST(FunctionCalibration, HighOrdersMatchTheFullHornerLoop) {
  const double masses[] = {2.0, -3.0, 0.0, -0.0, 1e300, kInf, -kInf, kNaN};
  for (short order : {7, 8, 9, 300, 32767}) {
    for (short type : {CALTYPE_NORMAL, CALTYPE_ROOTMASS}) {
      const FunctionCalibration cal = withOrder(order, type, {-1.5, 0.25, 3, -0.0, 1e-3, 2, -4});
      for (double m : masses) {
        const double x = type == CALTYPE_ROOTMASS ? std::sqrt(m) : m;
        double r = cal.getCalCoeff(static_cast<unsigned short>(order));
        for (int k = order - 1; k >= 0; --k) r = cal.getCalCoeff(static_cast<unsigned short>(k)) + r * x;
        if (type == CALTYPE_ROOTMASS) r *= r;
        EXPECT_TRUE(sameValue(CalibrateMass(m, cal.getImp()), r)) << "order " << order << " type " << type << " mass " << m;
      }
    }
  }
}

TEST(FunctionCalibration, ModificationStages) {
  FunctionCalibration cal;
  cal.setCalibration(0.0, 1.0, CALTYPE_NORMAL);
  cal.setModification(5.0);  // order 0: only modifyMasses applies it
  std::vector<double> d{100.0, 200.0};
  std::vector<float> f{100.0f, 200.0f};
  cal.calibrateMasses(d.data(), 2);
  cal.calibrateMasses(f.data(), 2);
  EXPECT_EQ(d, (std::vector<double>{100.0, 200.0}));
  EXPECT_EQ(f, (std::vector<float>{100.0f, 200.0f}));
  cal.modifyMasses(d.data(), 2);
  cal.modifyMasses(f.data(), 2);
  EXPECT_EQ(d, (std::vector<double>{5.0, 5.0}));
  EXPECT_EQ(f, (std::vector<float>{5.0f, 5.0f}));

  cal.setModification(1.0, 2.0);  // order 1: both apply it
  EXPECT_EQ(CalibrateMass(10.0, cal.getImp()), 21.0);
  EXPECT_EQ(ModifyMass(10.0, cal.getImp()), 21.0);

  // Without a calibration nothing happens, modification or not.
  FunctionCalibration modOnly;
  modOnly.setModification(1.0, 2.0);
  EXPECT_EQ(CalibrateMass(10.0, modOnly.getImp()), 10.0);
  EXPECT_EQ(ModifyMass(10.0, modOnly.getImp()), 21.0);
  EXPECT_EQ(ModifyMass(10.0f, FunctionCalibration().getImp()), 10.0f);
}

TEST(FunctionCalibration, FloatFormsRoundOnceAndBeforeTheModification) {
  // C0 = 2^-30 is lost when the calibrated value is rounded to float, so the
  // modification m - 1 then gives 0 in the float form but 2^-30 in double.
  FunctionCalibration cal;
  cal.setCalibration(std::ldexp(1.0, -30), 1.0, CALTYPE_NORMAL);
  cal.setModification(-1.0, 1.0);
  EXPECT_EQ(CalibrateMass(1.0f, cal.getImp()), 0.0f);
  EXPECT_EQ(CalibrateMass(1.0, cal.getImp()), std::ldexp(1.0, -30));

  // Without a modification the float form is the double value rounded once:
  // 1 + 3 * 2^-25 rounds to 1 + 2^-23, where float arithmetic step by step
  // (1 + 2^-25, then + 2 * 2^-25) would stay at 1.
  FunctionCalibration sum = withOrder(1, 0, {1.0, std::ldexp(3.0, -25)});
  EXPECT_EQ(CalibrateMass(1.0f, sum.getImp()), 1.0f + std::ldexp(1.0f, -23));
  for (float m : {0.1f, 99.37f, 1234.5678f, 4e4f}) {
    for (const FunctionCalibration& c : {sum, withOrder(3, 0, {0.3, 1.0001, 1e-7, -3e-11}), withOrder(2, 1, {1e-3, 0.99, 1e-6})}) {
      EXPECT_EQ(CalibrateMass(m, c.getImp()), static_cast<float>(CalibrateMass(static_cast<double>(m), c.getImp())));
    }
  }
  // The root-mass identity holds exactly in float.
  FunctionCalibration rootIdentity;
  rootIdentity.setCalibration(0.0, 1.0, CALTYPE_ROOTMASS);
  for (float m = 0.5f; m < 5000.0f; m = m * 1.37f + 0.013f) EXPECT_EQ(CalibrateMass(m, rootIdentity.getImp()), m);
}

// The array loops are specialised per order and type: every combination must
// agree with the per-peak functions bit for bit, on exact-size arrays.
TEST(FunctionCalibration, ArrayFormsMatchThePerPeakFunctions) {
  const std::vector<double> masses{0.0, -0.0, 1.0, 99.37, 1234.5678, 4e4, -7.0, 1e30, kInf, -kInf, kNaN};
  const std::initializer_list<double> coefficients{0.3, 1.0001, 1e-7, -3e-11, 2e-15, -1e-19, 4e-23};
  for (short order = -1; order <= 8; ++order) {
    for (short type : {CALTYPE_NORMAL, CALTYPE_ROOTMASS, short{2}}) {
      for (short modOrder : {-1, 0, 1, 3, 9}) {
        FunctionCalibration cal = withOrder(order, type, coefficients);
        cal.getImp().m_fM = {0.01, 0.999, 1e-6, 1e-9, 0, 0, 0};
        cal.modOrder() = modOrder;
        cal.modType() = type == CALTYPE_NORMAL ? CALTYPE_ROOTMASS : CALTYPE_NORMAL;
        std::vector<double> d = masses, dm = masses;
        std::vector<float> f(masses.begin(), masses.end()), fm = f;
        cal.calibrateMasses(d.data(), static_cast<int>(d.size()));
        cal.calibrateMasses(f.data(), static_cast<int>(f.size()));
        cal.modifyMasses(dm.data(), static_cast<int>(dm.size()));
        cal.modifyMasses(fm.data(), static_cast<int>(fm.size()));
        for (std::size_t i = 0; i < masses.size(); ++i) {
          const float m = static_cast<float>(masses[i]);
          const std::string where = "order " + std::to_string(order) + " type " + std::to_string(type) + " mod " +
                                    std::to_string(modOrder) + " at " + std::to_string(i);
          EXPECT_TRUE(sameValue(d[i], CalibrateMass(masses[i], cal.getImp()))) << where;
          EXPECT_TRUE(sameValue(f[i], CalibrateMass(m, cal.getImp()))) << where;
          EXPECT_TRUE(sameValue(dm[i], ModifyMass(masses[i], cal.getImp()))) << where;
          EXPECT_TRUE(sameValue(fm[i], ModifyMass(m, cal.getImp()))) << where;
        }
      }
    }
  }
}

TEST(FunctionCalibration, ArrayFormsIgnoreEmptyInput) {
  FunctionCalibration cal;
  cal.setCalibration(1.0, CALTYPE_NORMAL);
  cal.setModification(2.0);
  std::vector<float> f{5.0f};
  std::vector<double> d{5.0};
  for (int n : {0, -1, std::numeric_limits<int>::min()}) {
    cal.calibrateMasses(f.data(), n);
    cal.calibrateMasses(d.data(), n);
    cal.modifyMasses(f.data(), n);
    cal.modifyMasses(d.data(), n);
  }
  cal.calibrateMasses(static_cast<float*>(nullptr), 10);
  cal.modifyMasses(static_cast<double*>(nullptr), 10);
  EXPECT_EQ(f[0], 5.0f);
  EXPECT_EQ(d[0], 5.0);
}

TEST(FunctionCalibration, CoefficientAndCovarianceIndicesAreBounded) {
  FunctionCalibration cal = withOrder(6, 0, {1, 2, 3, 4, 5, 6, 7});
  cal.getImp().m_fM = {8, 9, 10, 11, 12, 13, 14};
  EXPECT_EQ(cal.getCalCoeff(6), 7.0);
  EXPECT_EQ(cal.getModCoeff(6), 14.0);
  for (unsigned short k : {7, 8, 65535}) {
    EXPECT_EQ(cal.getCalCoeff(k), 0.0);
    EXPECT_EQ(cal.getModCoeff(k), 0.0);
  }
  const FunctionCalibration before = cal;
  cal.Cov(27, 1.5);
  EXPECT_EQ(cal.Cov(27), 1.5);
  cal.Cov(27, 0.0);
  for (unsigned short k : {28, 31, 65535}) {
    cal.Cov(k, 9.0);
    EXPECT_EQ(cal.Cov(k), 0.0);
  }
  EXPECT_EQ(cal, before);
}

TEST(FunctionCalibration, EqualityComparesEveryField) {
  EXPECT_EQ(FunctionCalibration(), FunctionCalibration());
  const std::vector<std::pair<const char*, std::function<void(FunctionCalibration&)>>> changes{
      {"C0", [](auto& c) { c.C0() = 1; }},           {"C6", [](auto& c) { c.C6() = 1; }},
      {"cal order", [](auto& c) { c.calOrder() = 0; }}, {"cal type", [](auto& c) { c.calType() = 1; }},
      {"std dev", [](auto& c) { c.stdDev() = 1; }},   {"M0", [](auto& c) { c.M0() = 1; }},
      {"M6", [](auto& c) { c.M6() = 1; }},           {"mod order", [](auto& c) { c.modOrder() = 0; }},
      {"mod type", [](auto& c) { c.modType() = 1; }}, {"temperature", [](auto& c) { c.calTemp() = 1; }},
      {"covariance 0", [](auto& c) { c.Cov(0, 1); }}, {"covariance 27", [](auto& c) { c.Cov(27, 1e-300); }},
      {"covariance -0.0", [](auto& c) { c.Cov(5, -0.0); }},
      {"NaN coefficient", [](auto& c) { c.C3() = kNaN; }},
      {"NaN temperature", [](auto& c) { c.calTemp() = kNaN; }},
  };
  for (const auto& [what, change] : changes) {
    FunctionCalibration changed;
    change(changed);
    EXPECT_NE(changed, FunctionCalibration()) << what;
    EXPECT_FALSE(changed == FunctionCalibration()) << what;
  }
  // A NaN coefficient makes even a copy unequal; a NaN covariance compares as bits.
  FunctionCalibration nanCoeff;
  nanCoeff.C2() = kNaN;
  EXPECT_NE(nanCoeff, FunctionCalibration(nanCoeff));
  FunctionCalibration nanCov;
  nanCov.Cov(3, kNaN);
  EXPECT_EQ(nanCov, FunctionCalibration(nanCov));
  // Coefficients compare as numbers: -0.0 equals 0.0 there.
  FunctionCalibration negZero;
  negZero.C1() = -0.0;
  EXPECT_EQ(negZero, FunctionCalibration());
}

TEST(FunctionCalibration, SettersAndInit) {
  FunctionCalibration cal;
  cal.modType() = CALTYPE_ROOTMASS;
  cal.setModification(1.0, 2.0, 3.0);
  EXPECT_EQ(cal.modType(), CALTYPE_ROOTMASS);  // left as it was
  EXPECT_EQ(cal.modOrder(), 2);
  EXPECT_EQ(cal.M2(), 3.0);
  cal.setCalibration(4.0, 5.0, 6.0, CALTYPE_ROOTMASS);
  EXPECT_EQ(cal.calOrder(), 2);
  cal.setCalibration(7.0, CALTYPE_NORMAL);
  EXPECT_EQ(cal.calType(), CALTYPE_NORMAL);  // always set
  EXPECT_EQ(cal.calOrder(), 0);
  EXPECT_EQ(cal.C0(), 7.0);
  EXPECT_EQ(cal.C1(), 5.0);  // coefficients above the order keep their values
  cal.setTemperature(21.5);
  cal.stdDev() = 0.25;
  cal.Cov(4, 3.0);

  FunctionCalibration copy;
  copy = cal;
  EXPECT_EQ(copy, cal);
  EXPECT_EQ(copy.Cov(4), 3.0);
  EXPECT_EQ(copy.calTemp(), 21.5);
  const auto& self = copy;
  copy = self;
  EXPECT_EQ(copy, cal);
  cal.Init();
  EXPECT_EQ(cal, FunctionCalibration());
  EXPECT_EQ(cal.calOrder(), -1);
  EXPECT_EQ(cal.modOrder(), -1);
}

}  // namespace
