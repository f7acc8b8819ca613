#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "formats/directory/ZVRawVeskoCalibration.h"
#include "support/Corruption.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace borealtek_zvraw_version_1;

namespace {

// A calibration whose three lines are fitted to (mass, start, middle, end) points.
VeskoCalibration calibrationOf(std::initializer_list<VeskoCalibrationPoint> points) {
  VeskoCalibration c;
  c.points = points;
  return c;
}

VeskoCalibrationSettings settingsWith(std::initializer_list<VeskoCalibration> calibrations) {
  VeskoCalibrationSettings s;
  for (const VeskoCalibration& c : calibrations) s.AddCalibration(c);
  return s;
}

TEST(VeskoCalibrationSettings, FitsAndConverts) {
  // Start, middle and end all on bin = -10 + 0.25 x mass.
  VeskoCalibrationSettings s = settingsWith({calibrationOf({{100, 15, 15, 15}, {200, 40, 40, 40}})});
  const VeskoCoeficients line = s.GetCoefficients(0, VeskoPos::START);
  EXPECT_DOUBLE_EQ(line.alpha(), -10);
  EXPECT_DOUBLE_EQ(line.beta(), 0.25);
  EXPECT_DOUBLE_EQ(line.chisq(), 0);
  struct Case {
    VeskoPos pos;
    double mass;
    int index;
  } cases[] = {{VeskoPos::START, 150, 27},  {VeskoPos::MIDDLE, 150, 27}, {VeskoPos::END, 150, 28},
               {VeskoPos::START, 20, -5},   {VeskoPos::MIDDLE, 18, -5},  {VeskoPos::END, 18, -5},
               {VeskoPos::MIDDLE, 160, 30}, {VeskoPos::START, 20.1, -5}, {VeskoPos::END, 20.1, -4}};
  for (const Case& c : cases) {
    int index = 999;
    EXPECT_EQ(s.MassToIndex(0, c.pos, c.mass, index), ZVRAW_OK);
    EXPECT_EQ(index, c.index) << "mass " << c.mass << " at " << static_cast<int>(c.pos);
  }
  double mass = 0;
  EXPECT_EQ(s.IndexToMass(0, VeskoPos::START, 28, mass), ZVRAW_OK);
  EXPECT_DOUBLE_EQ(mass, 152);
  float fmass = 0;
  EXPECT_EQ(s.IndexToMass(0, VeskoPos::END, 28, fmass), ZVRAW_OK);
  EXPECT_EQ(fmass, 152.0f);

  // Start line (0, 0.25), end line (10, 0.25): bins 15 average at mass 40.
  VeskoCalibrationSettings p = settingsWith({calibrationOf({{100, 25, 0, 35}, {200, 50, 0, 60}})});
  EXPECT_EQ(p.IndexToMass(0, 15, mass), ZVRAW_OK);
  EXPECT_DOUBLE_EQ(mass, 40);
  ZVRawVeskoCalibration file(p);
  EXPECT_EQ(file.GetPrecursorMass(0, 15, mass), ZVRAW_OK);
  EXPECT_DOUBLE_EQ(mass, 40);
}

TEST(VeskoCalibrationSettings, UnusableLinesLeaveTheOutputAlone) {
  const VeskoCalibration good = calibrationOf({{100, 15, 15, 15}, {200, 40, 40, 40}});
  const VeskoCalibration single = calibrationOf({{100, 15, 15, 15}});
  const VeskoCalibration sameMass = calibrationOf({{100, 15, 15, 15}, {100, 40, 40, 40}, {100, 41, 41, 41}});
  const VeskoCalibration flat = calibrationOf({{100, 5, 5, 5}, {200, 5, 5, 5}});         // beta 0
  const VeskoCalibration opposed = calibrationOf({{100, 10, 0, 30}, {200, 20, 0, 20}});  // beta1 + beta2 = 0
  struct Case {
    const char* what;
    VeskoCalibration calibration;
    int which;
    double mass;
    int toIndex, toMass, precursor;
  } cases[] = {
      {"single point", single, 0, 150, 63, 63, 63},
      {"one distinct mass", sameMass, 0, 150, 63, 63, 63},
      {"number equal to the count", good, 1, 150, 63, 63, 63},
      {"negative number", good, -1, 150, 63, 63, 63},
      {"zero slope", flat, 0, 150, 0, 63, 63},
      {"opposed slopes", opposed, 0, 150, 0, 0, 63},
      {"NaN mass", good, 0, NAN, 63, 0, 0},
      {"infinite mass", good, 0, INFINITY, 63, 0, 0},
      {"bin beyond int", good, 0, 1e12, 64, 0, 0},
      {"bin below int", good, 0, -1e12, 64, 0, 0},
  };
  for (const Case& c : cases) {
    VeskoCalibrationSettings s = settingsWith({c.calibration});
    int index = -77;
    double mass = -77, precursor = -77;
    EXPECT_EQ(s.MassToIndex(c.which, VeskoPos::START, c.mass, index), c.toIndex) << c.what;
    EXPECT_EQ(s.IndexToMass(c.which, VeskoPos::START, 10, mass), c.toMass) << c.what;
    EXPECT_EQ(s.IndexToMass(c.which, 10, precursor), c.precursor) << c.what;
    EXPECT_TRUE(c.toIndex == 0 || index == -77) << c.what;
    EXPECT_TRUE(c.toMass == 0 || mass == -77) << c.what;
    EXPECT_TRUE(c.precursor == 0 || precursor == -77) << c.what;
  }
  VeskoCalibrationSettings s = settingsWith({good});
  EXPECT_FALSE(s.GetCoefficients(0, static_cast<VeskoPos>(3)).IsValid());
  EXPECT_EQ(s.GetVeskoCalibration(1).points.size(), 0u);
  EXPECT_EQ(s.GetVeskoCalibration(-1).points.size(), 0u);
}

TEST(VeskoCalibrationSettings, AddingRefitsAndPrecursorRangeStartsAtZero) {
  ZVRawVeskoCalibration none;
  float lo = 5, hi = 6;
  EXPECT_EQ(none.IndexPrecursorMassRange(3, 10, 20, lo, hi), 63);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);

  VeskoCalibrationSettings s = settingsWith({calibrationOf({{100, 10, 0, 30}, {200, 20, 0, 50}})});
  int index = 0;
  EXPECT_EQ(s.MassToIndex(1, VeskoPos::START, 150, index), 63);
  s.AddCalibration(calibrationOf({{100, 15, 15, 15}, {200, 40, 40, 40}}));
  EXPECT_EQ(s.MassToIndex(1, VeskoPos::START, 150, index), 0);
  EXPECT_EQ(index, 27);
  ZVRawVeskoCalibration file(s);
  // Calibration 0 only: start mass from the END line (10 + 0.2 m), end mass from START (0.1 m).
  EXPECT_EQ(file.IndexPrecursorMassRange(7, 30, 12, lo, hi), 0);
  EXPECT_FLOAT_EQ(lo, 100);
  EXPECT_FLOAT_EQ(hi, 120);
}

TEST(VeskoCalibrationSettings, ItemTextConversions) {
  VeskoCalibrationSettings s;
  s.SetPostFilter("99999999999");
  s.SetPusherPeriod("-12abc");
  s.SetQuadResolution("1.5abc");
  s.SetIonEnergy("junk");
  s.SetCollisionGradient("1e999");
  EXPECT_EQ(s.GetPostFilter(), INT_MAX);
  EXPECT_EQ(s.GetPusherPeriod(), -12);
  EXPECT_EQ(s.GetQuadResolution(), 1.5f);
  EXPECT_EQ(s.GetIonEnergy(), 0.0f);
  EXPECT_TRUE(std::isinf(s.GetCollisionGradient()));
}

class VeskoFileTest : public TempDirTest {
 protected:
  std::string file() const { return path("_vesko.inf"); }
  int read(ZVRawVeskoCalibration& v, const std::string& text) const {
    writeTextFile(file(), text);
    return v.Read(dir().c_str());
  }
};

constexpr const char* kWritten =
    "[VERSION#1]\n<-- version must be first line\n"
    "[DATE]\nAcquired Date=2024-01-02\nAcquired Time=10:11:12\n"
    "[INSTRUMENT]\nQuad Resolution=12.5\nCollision Cell Pressure=0.000123\nCollision Cell Gradient=-1.5\n"
    "Ion Energy=1.23457e+06\nPost Filter=3\nResolution Mode=High\nPusher Period=69\n"
    "[VESKO#1]\nScan Time=1.5\nStart M/Z=50\nEnd M/Z=1000\nQuadrupole Window=20\n"
    "Calibration=100.000000,15.000000,16.000000,17.000000\nCalibration=200.000000,40.000000,41.500000,43.000000\n"
    "[VESKO#2]\nScan Time=0\nStart M/Z=0\nEnd M/Z=0\nQuadrupole Window=0\n";

TEST_F(VeskoFileTest, WritesAndReadsBack) {
  VeskoCalibrationSettings s;
  s.SetAcquiredDate("2024-01-02");
  s.SetAcquiredTime("10:11:12");
  s.SetQuadResolution("12.5");
  s.SetCollisionPressure("0.000123");
  s.SetCollisionGradient("-1.5");
  s.SetIonEnergy("1234567");
  s.SetPostFilter("3");
  s.SetResolutionMode("High");
  s.SetPusherPeriod("69");
  VeskoCalibration c = calibrationOf({{100, 15, 16, 17}, {200, 40, 41.5, 43}});
  c.scanTime = 1.5f;
  c.startMZ = 50;
  c.endMZ = 1000;
  c.quadWindow = 20;
  s.AddCalibration(c);
  s.AddCalibration(VeskoCalibration{});
  ASSERT_EQ(ZVRawVeskoCalibration(s).Write(file().c_str()), ZVRAW_OK);
  EXPECT_EQ(readTextFile(file()), kWritten);

  ZVRawVeskoCalibration back;
  ASSERT_EQ(back.Read(dir().c_str()), ZVRAW_OK);
  const VeskoCalibrationSettings& r = back.GetSettings();
  EXPECT_EQ(r.GetAcquiredDate(), "2024-01-02");
  EXPECT_EQ(r.GetAcquiredTime(), "10:11:12");
  EXPECT_EQ(r.GetQuadResolution(), 12.5f);
  EXPECT_EQ(r.GetCollisionPressure(), 0.000123f);
  EXPECT_EQ(r.GetCollisionGradient(), -1.5f);
  EXPECT_EQ(r.GetIonEnergy(), 1234570.0f);  // six significant digits
  EXPECT_EQ(r.GetPostFilter(), 3);
  EXPECT_EQ(r.GetResolutionMode(), "High");
  EXPECT_EQ(r.GetPusherPeriod(), 69);
  ASSERT_EQ(r.GetCalibrationCount(), 2);
  const VeskoCalibration rc = r.GetVeskoCalibration(0);
  EXPECT_EQ(rc.scanTime, 1.5f);
  EXPECT_EQ(rc.endMZ, 1000.0f);
  ASSERT_EQ(rc.points.size(), 2u);
  EXPECT_EQ(rc.points[1].position, 41.5);
  EXPECT_EQ(rc.points[1].end, 43);
  EXPECT_TRUE(r.GetVeskoCalibration(1).points.empty());

  std::ostringstream out;
  EXPECT_EQ(ZVRawVeskoCalibration(s).Write(out), ZVRAW_OK);
  EXPECT_EQ(out.str(), kWritten);
}

TEST_F(VeskoFileTest, ReadingRules) {
  const std::string vesko = "[VESKO#1]\nCalibration=100,15,15,15\nCalibration=200,40,40,40\n";
  struct Case {
    const char* what;
    std::string text;
    int rc, calibrations;
    std::string date, mode;
  } cases[] = {
      {"first-line section skipped", "[DATE]\nAcquired Date=lost\n[INSTRUMENT]\nResolution Mode=kept\n" + vesko, 0, 1,
       "", "kept"},
      {"first line not a header is dropped", "junk\n[DATE]\nAcquired Date=d\n" + vesko, 0, 1, "d", ""},
      {"blank lines inside a section", "[VERSION#1]\nx\n[DATE]\n\nAcquired Date=d\n\n" + vesko + "\n", 0, 1, "d", ""},
      {"a value ends at its first blank", "[VERSION#1]\n[INSTRUMENT]\nResolution Mode=  High Res\n" + vesko, 0, 1, "",
       "High"},
      {"keys match exactly", "[VERSION#1]\n[DATE]\nAcquired Date =x\nacquired date=y\n" + vesko, 0, 1, "", ""},
      {"a later version header followed by a header", "[VERSION#1]\n[VERSION#2]\n" + vesko, 0, 1, "", ""},
      {"a version header with lines under it ends", "[VERSION#1]\n[VERSION#2]\nx=1\n" + vesko, 1, 0, "", ""},
      {"an unknown header with lines under it ends", "[VERSION#1]\n[OTHER]\nx=1\n" + vesko, 1, 0, "", ""},
      {"VESKO without a number counts too", "[VERSION#1]\n[VESKO]\nCalibration=1,2,3,4\n" + vesko, 0, 2, "", ""},
      {"a point needs four numbers", "[VERSION#1]\n[VESKO#1]\nCalibration=1,2,3\nCalibration=1;2;3;4\n", 0, 1, "", ""},
      {"no calibration", "[VERSION#1]\n[DATE]\nAcquired Date=d\n", 1, 0, "d", ""},
      {"empty file", "", 1, 0, "", ""},
  };
  for (const Case& c : cases) {
    ZVRawVeskoCalibration v;
    EXPECT_EQ(read(v, c.text), c.rc) << c.what;
    EXPECT_EQ(v.GetSettings().GetCalibrationCount(), c.calibrations) << c.what;
    EXPECT_EQ(v.GetSettings().GetAcquiredDate(), c.date) << c.what;
    EXPECT_EQ(v.GetSettings().GetResolutionMode(), c.mode) << c.what;
  }
  ZVRawVeskoCalibration v;
  EXPECT_EQ(v.Read(dir().c_str()), ZVRAW_ERROR);  // no file
  EXPECT_EQ(v.Read(std::string_view{}), ZVRAW_ERROR);
  EXPECT_EQ(read(v, "[VERSION#1]\n" + vesko), ZVRAW_OK);
  EXPECT_EQ(read(v, "[VERSION#1]\n" + vesko + vesko), ZVRAW_OK);
  EXPECT_EQ(v.GetSettings().GetCalibrationCount(), 3);  // reading appends
  int index = 0;
  EXPECT_EQ(v.MassToIndex(2, VeskoPos::END, 150, index), ZVRAW_OK);
  EXPECT_EQ(index, 28);
}

TEST_F(VeskoFileTest, FailedWritesAreReported) {
  const ZVRawVeskoCalibration v;
  EXPECT_EQ(v.Write(path("no/such/dir/_vesko.inf").c_str()), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(v.Write(std::string_view{}), ZVRAW_FILEOPEN_ERROR);
  writeTextFile(file(), "old");
  {
    FileSizeLimit limit(16);
    EXPECT_EQ(v.Write(file().c_str()), ZVRAW_FILEWRITE_ERROR);
  }
  EXPECT_EQ(readTextFile(file()), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
}

TEST_F(VeskoFileTest, DamagedFilesReadSafely) {
  const Bytes valid(kWritten, kWritten + std::strlen(kWritten));
  const auto exercise = [&](const Bytes& damaged) {
    writeFile(file(), damaged);
    ZVRawVeskoCalibration v;
    const int rc = v.Read(dir().c_str());
    EXPECT_TRUE(rc == ZVRAW_OK || rc == ZVRAW_ERROR);
    int index = 0;
    double mass = 0;
    float lo = 0, hi = 0;
    for (int which = -1; which <= v.GetSettings().GetCalibrationCount(); ++which) {
      (void)v.MassToIndex(which, VeskoPos::MIDDLE, 150, index);
      (void)v.GetPrecursorMass(which, 20, mass);
    }
    (void)v.IndexPrecursorMassRange(0, 20, 30, lo, hi);
    return rc;
  };
  expectRejectsTruncations(valid, exercise, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, exercise, 0x7e5c0, 150);
  const std::string hostile[] = {
      "[VERSION#1]\n[VES\0KO#1]\nCalibration=1,\0"
      "2,3,4\n"s,
      "[VERSION#1]\n[VESKO#99999999999]\nCalibration=nan,1e999,-0,inf\nCalibration=1e999,1,1,1\n"
      "Calibration=-1e308,2,2,2\nScan Time=1e999\n",
      "[VERSION#1]\n[INSTRUMENT]\n" + std::string(60, 'k') + "=v\nPost Filter=" + std::string(300, '9') +
          "\nResolution Mode=" + std::string(1000, 'r') + "\n[VESKO#1]\nCalibration=100,1,1,1\nCalibration=200,2,2,2\n",
      "[VERSION#1]\n[" + std::string(1000, '[') + "\n",
      "[VERSION#1]\r\n[VESKO#1]\r\nCalibration=100,1,1,1\r\nCalibration=200,2,2,2\r\n",
  };
  for (const std::string& h : hostile) exercise(Bytes(h.begin(), h.end()));
}

}  // namespace
