#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <sstream>

#include "formats/directory/CCSCalculator.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

constexpr const char* kCalibration = "Mobility calibration\n* Coefficient: 2.5\n* Exponent: 0.5\n* t0: 1.25\n";

// What a calculator parsed from text answers for tc = 3 (coefficient x
// (tc + t0)^exponent), or NaN when the parse failed.
double parsedAt3(const std::string& text) {
  CCSCalculator calc;
  std::istringstream in(text);
  return calc.TryParse(in) ? calc.AdjustedCCS(3.0) : NAN;
}

TEST(CCSCalculator, ParsesTheThreeKeys) {
  const double full = 2.5 * std::sqrt(4.25);
  struct Case {
    const char* what;
    std::string text;
    double expected;  // NaN: the parse fails
  } cases[] = {
      {"complete", kCalibration, full},
      {"no blank after *", "*Coefficient: 2.5\n*Exponent:0.5\n*t0:   1.25", full},
      {"a key missing", "* Coefficient: 2.5\n* Exponent: 0.5\n", NAN},
      {"a key given as 0", "* Coefficient: 2.5\n* Exponent: 0.5\n* t0: 0\n", NAN},
      {"a key given as -0", "* Coefficient: 2.5\n* Exponent: 0.5\n* t0: -0\n", NAN},
      {"blank before the colon", "* Coefficient : 2.5\n* Exponent: 0.5\n* t0: 1.25\n", NAN},
      {"case counts", "* coefficient: 2.5\n* Exponent: 0.5\n* t0: 1.25\n", NAN},
      {"a later line wins", std::string(kCalibration) + "* Coefficient: 5\n", 5 * std::sqrt(4.25)},
      {"text after the number", "* Coefficient: 2.5abc\n* Exponent: 0.5,\n* t0: 1.25\r\n", full},
      {"no number", "* Coefficient: abc\n* Exponent: 0.5\n* t0: 1.25\n", NAN},
      {"a 1023-character line is read", std::string(1023, 'x') + "\n" + kCalibration, full},
      {"a longer line ends the reading", std::string(1024, 'x') + "\n" + kCalibration, NAN},
  };
  for (const Case& c : cases) {
    const double got = parsedAt3(c.text);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(got)) << c.what;
    else
      EXPECT_DOUBLE_EQ(got, c.expected) << c.what;
  }
  // NaN and infinity count as given.
  EXPECT_FALSE(std::isnan(parsedAt3("* Coefficient: inf\n* Exponent: 1\n* t0: 1\n")));
  CCSCalculator calc;
  std::istringstream nan("* Coefficient: nan\n* Exponent: 1\n* t0: 1\n");
  EXPECT_TRUE(calc.TryParse(nan));
}

TEST(CCSCalculator, CrossSectionAndDriftTime) {
  const CCSCalculator calc(1.25, 2.5, 0.5, MASS_NITROGEN);
  for (double tc : {0.5, 3.0, 17.25}) {
    for (int z : {1, 2, 3}) {
      EXPECT_DOUBLE_EQ(calc.CCS(tc, 500, -z), calc.CCS(tc, 500, z));
      EXPECT_NEAR(calc.DT(calc.CCS(tc, 500, z), 500, z), tc, 1e-9 * tc);
    }
  }
  const double m = 400;
  const CCSCalculator unit(0, 1, 1, m);
  EXPECT_DOUBLE_EQ(unit.CCS(7, m, 1), 7 / std::sqrt(m / 2));
  EXPECT_DOUBLE_EQ(CCSCalculator::AdjustedCCS(3, 1, 2, 2), 32);
  EXPECT_TRUE(std::isfinite(calc.CCS(3, 500, INT_MIN)));  // no overflow taking |charge|
}

class CCSLoadTest : public TempDirTest {};

TEST_F(CCSLoadTest, LoadsOrReportsInvalid) {
  std::unique_ptr<CCSCalculator> calc = std::make_unique<CCSCalculator>(0, 1, 1, 4);
  const CCSCalculator* before = calc.get();
  EXPECT_EQ(loadCCSCalibration(dir().string(), calc), ZVRAW_MOBILITY_CALIBRATION_INVALID);
  EXPECT_EQ(calc.get(), before);  // no file: the calculator stays

  writeTextFile(dir() / "mob_cal.csv", "* Coefficient: 2.5\n");
  EXPECT_EQ(loadCCSCalibration(dir().string(), calc), ZVRAW_MOBILITY_CALIBRATION_INVALID);
  EXPECT_EQ(calc, nullptr);  // unparsable: dropped

  writeTextFile(dir() / "mob_cal.csv", kCalibration);
  ASSERT_EQ(loadCCSCalibration(dir().string(), calc), ZVRAW_OK);
  ASSERT_NE(calc, nullptr);
  const double reduced = std::sqrt(MASS_NITROGEN * 600 / (MASS_NITROGEN + 600));
  EXPECT_DOUBLE_EQ(calc->CCS(3, 600, 2), 2.5 * std::sqrt(4.25) * 2 / reduced);
}

TEST_F(CCSLoadTest, DamagedFilesGiveTheirStatus) {
  const Bytes valid(kCalibration, kCalibration + std::strlen(kCalibration));
  const auto load = [&](const Bytes& damaged) {
    writeFile(dir() / "mob_cal.csv", damaged);
    std::unique_ptr<CCSCalculator> calc;
    const int rc = loadCCSCalibration(dir().string(), calc);
    EXPECT_EQ(rc == ZVRAW_OK, calc != nullptr);
    if (calc) (void)calc->DT(calc->CCS(2, 300, 1), 300, 1);
    return rc;
  };
  // Cut before the last value's first digit, the calibration is incomplete.
  const std::size_t lastDigit = std::strlen(kCalibration) - 5;
  expectRejectsTruncations(valid, load, [&](std::size_t cut) { return cut > lastDigit; });
  expectSurvivesCorruptions(valid, load, 0xcc5, 150);
  for (const std::string& h : {std::string(5000, '*'), std::string("* t0: 1e999\n* Exponent: nan\n* Coefficient: -0"),
                               "*" + std::string(2000, ' ') + ":1\n", std::string("* Coefficient:\0 1\n", 18)})
    load(Bytes(h.begin(), h.end()));
}

}  // namespace
