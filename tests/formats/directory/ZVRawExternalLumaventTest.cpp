#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "formats/directory/ZVRawExternalLumavent.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"
#include "support/TraceCapture.h"

using borealtek_zvraw_version_1::ZVRawExternalLumavent;

namespace {

ZVRawExternalLumavent table(std::initializer_list<std::pair<float, float>> entries) {
  ZVRawExternalLumavent t;
  for (const auto& [rt, gain] : entries) t.add(rt, gain);
  return t;
}

std::vector<std::pair<float, float>> entriesOf(const ZVRawExternalLumavent& t, std::initializer_list<float> rts) {
  std::vector<std::pair<float, float>> out;
  for (float rt : rts) out.emplace_back(rt, t.getGainAtRT(rt));
  return out;
}

TEST(LumaventGain, InterpolatesInsideAndHoldsOutside) {
  const ZVRawExternalLumavent t = table({{1.0f, 1.2f}, {3.0f, 1.4f}});
  EXPECT_FLOAT_EQ(t.getGainAtRT(2.0f), 1.3f);
  struct Case {
    float rt, gain;
  };
  for (const Case c : {Case{0.5f, 1.2f}, Case{1.0f, 1.2f}, Case{3.0f, 1.4f}, Case{4.0f, 1.4f}})
    EXPECT_EQ(t.getGainAtRT(c.rt), c.gain) << c.rt;
  float gain = 0;
  EXPECT_EQ(t.getCorrection(2.5f, gain), 0);
  EXPECT_FLOAT_EQ(gain, 1.35f);
}

TEST(LumaventGain, EmptyTableLeavesTheGain) {
  const ZVRawExternalLumavent t;
  EXPECT_EQ(t.getGainAtRT(5.0f), 1.0f);
  float gain = 7.0f;
  EXPECT_EQ(t.getCorrection(5.0f, gain), 1);
  EXPECT_EQ(gain, 7.0f);
}

TEST(LumaventGain, TiesAndOddTimesNeverDivideByZero) {
  // Entries at one time around the lookup: the later gain holds.
  const ZVRawExternalLumavent tie = table({{1.0f, 1.1f}, {2.0f, 0.5f}, {2.0f, 1.5f}, {3.0f, 1.0f}});
  EXPECT_EQ(tie.getGainAtRT(2.0f), 1.5f);
  // Below 1 at the same time the entry counts as earlier: interpolate from it.
  EXPECT_FLOAT_EQ(tie.getGainAtRT(2.5f), 1.25f);
  const ZVRawExternalLumavent one = table({{2.0f, 0.9f}});
  EXPECT_EQ(entriesOf(one, {1.0f, 2.0f, 3.0f}),
            (std::vector<std::pair<float, float>>{{1.0f, 0.9f}, {2.0f, 0.9f}, {3.0f, 0.9f}}));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(tie.getGainAtRT(nan), 1.1f);
  const ZVRawExternalLumavent withNan = table({{1.0f, 1.0f}, {nan, 2.0f}, {3.0f, 3.0f}});
  (void)withNan.getGainAtRT(2.0f);  // any value, but no fault
}

TEST(LumaventGain, SetLockMassEmptiesTheTable) {
  ZVRawExternalLumavent t = table({{1.0f, 1.0f}});
  t.setLockMass(556.2771f, 0.5f);
  EXPECT_TRUE(t.empty());
  float mass = 0, tol = 0;
  t.getLockMass(mass, tol);
  EXPECT_EQ(mass, 556.2771f);
  EXPECT_EQ(tol, 0.5f);
}

class LumaventFileTest : public TempDirTest {
 protected:
  int readText(const std::string& text) {
    writeTextFile(dir() / "lmgt.inf", text);
    return lumavent_.initialise(dir().string());
  }
  ZVRawExternalLumavent lumavent_;
};

TEST_F(LumaventFileTest, ReadsVersionOneTables) {
  const std::string longLine = "1.0,1." + std::string(44, '1');  // 50 characters
  const std::string longest = "1.0,2." + std::string(43, '2');   // 49 characters
  struct Case {
    const char* what;
    std::string text;
    int rc;
    std::vector<std::pair<float, float>> entries;  // as looked up at their times
  };
  const Case cases[] = {
      {"two entries", "1\n556.2771,0.5\n0.5,1.0025\n1.5,1.003\n", 0, {{0.5f, 1.0025f}, {1.5f, 1.003f}}},
      {"lock mass only", "1\n556.2771,0.5\n", 1, {}},
      {"version only", "1", 1, {}},
      {"line without a comma skipped", "1\n556,0.5\n1.0,1.1\n5.0\n2.0,1.2\n", 0, {{1.0f, 1.1f}, {2.0f, 1.2f}}},
      {"leading comma skipped", "1\n,9\n556,0.5\n,1\n1.0,1.1\n", 0, {{1.0f, 1.1f}}},
      {"parts that are not numbers skipped", "1\n556,0.5\nabc,1\n1,abc\n1,\n2,1.2\n", 0, {{2.0f, 1.2f}}},
      {"last line without line feed", "1\n556,0.5\n2,1.2", 0, {{2.0f, 1.2f}}},
      {"carriage returns", "1\r\n556,0.5\r\n2,1.2\r\n", 0, {{2.0f, 1.2f}}},
      {"line of 49 characters", "1\n556,0.5\n" + longest + "\n", 0, {{1.0f, 2.22222222f}}},
      {"longer line ends the table", "1\n556,0.5\n2,1.2\n" + longLine + "\n3,1.3\n", 0, {{2.0f, 1.2f}, {3.0f, 1.2f}}},
      {"leading zeros", "01\n556,0.5\n2,1.2\n", 0, {{2.0f, 1.2f}}},
      {"empty file", "", 1, {}},
  };
  for (const Case& c : cases) {
    lumavent_ = ZVRawExternalLumavent();
    EXPECT_EQ(readText(c.text), c.rc) << c.what;
    for (const auto& [rt, gain] : c.entries) EXPECT_FLOAT_EQ(lumavent_.getGainAtRT(rt), gain) << c.what << " at " << rt;
    EXPECT_EQ(lumavent_.empty(), c.entries.empty()) << c.what;
  }
}

TEST_F(LumaventFileTest, LockMassComesFromTheFirstCommaLine) {
  ASSERT_EQ(readText("1\nnoise\n556.2771,0.5\n0.5,1.0025\n"), 0);
  float mass = 0, tol = 0;
  lumavent_.getLockMass(mass, tol);
  EXPECT_EQ(mass, 556.2771f);
  EXPECT_EQ(tol, 0.5f);
}

TEST_F(LumaventFileTest, OtherVersionsLeaveTheTable) {
  EXPECT_FALSE(lumavent_.isCurrent());
  lumavent_.add(1.0f, 1.5f);
  EXPECT_EQ(readText("2\n556,0.5\n2,1.2\n"), 0);  // the old entry is still there
  EXPECT_EQ(lumavent_.getGainAtRT(2.0f), 1.5f);
  EXPECT_FALSE(lumavent_.isCurrent());
  EXPECT_EQ(readText("x\n556,0.5\n2,1.2\n"), 0);
  EXPECT_FALSE(lumavent_.isCurrent());

  ZVRawExternalLumavent fresh;
  writeTextFile(dir() / "lmgt.inf", "2\n556,0.5\n2,1.2\n");
  EXPECT_EQ(fresh.initialise(dir().string()), 1);
  EXPECT_EQ(fresh.initialise(path("nowhere")), 1);

  EXPECT_EQ(readText("1\n556,0.5\n"), 1);  // version 1 empties it
  EXPECT_TRUE(lumavent_.isCurrent());
}

TEST_F(LumaventFileTest, SavedTextHasNineDecimals) {
  ZVRawExternalLumavent t;
  t.setLockMass(556.2771f, 0.5f);
  t.add(0.5f, 1.0025f);
  t.add(12.25f, 0.999f);
  ASSERT_EQ(t.saveFile(dir().string()), ZVRAW_OK);
  EXPECT_EQ(readTextFile(dir() / "lmgt.inf"),
            "1\n556.277099609,0.500000000\n0.500000000,1.002500057\n12.250000000,0.999000013\n");
  EXPECT_FALSE(t.isCurrent());  // saving is not reading

  ZVRawExternalLumavent back;
  ASSERT_EQ(back.initialise(dir().string()), 0);
  EXPECT_TRUE(back.isCurrent());
  EXPECT_EQ(entriesOf(back, {0.5f, 12.25f}), entriesOf(t, {0.5f, 12.25f}));
}

TEST_F(LumaventFileTest, SaveAndDeleteReportFailures) {
  const ZVRawExternalLumavent t = table({{1.0f, 1.0f}});
  const TraceCapture trace;
  EXPECT_EQ(t.saveFile(path("no/such/dir")), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(trace.text(), "ZorvalenRawScanReader: Unable to open lockmass gain file.\n");

  ASSERT_EQ(t.saveFile(dir().string()), ZVRAW_OK);
  EXPECT_EQ(ZVRawExternalLumavent::deleteFile(dir().string()), ZVRAW_OK);
  EXPECT_FALSE(std::filesystem::exists(dir() / "lmgt.inf"));
  EXPECT_EQ(ZVRawExternalLumavent::deleteFile(dir().string()), ZVRAW_OK);  // already gone
  std::filesystem::create_directory(dir() / "lmgt.inf");
  std::filesystem::create_directory(dir() / "lmgt.inf" / "busy");
  EXPECT_EQ(ZVRawExternalLumavent::deleteFile(dir().string()), ZVRAW_ERROR);
}

TEST_F(LumaventFileTest, DamagedFilesGiveFewerEntries) {
  // The two gains differ in every prefix, so one entry and two tell apart.
  const std::string text = "1\n556.2771,0.5\n0.5,1.0025\n1.5,2.5\n";
  const std::size_t firstGain = text.find("0.5,1") + 4, secondGain = text.find("1.5,2") + 4;
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    ZVRawExternalLumavent t;
    writeTextFile(dir() / "lmgt.inf", text.substr(0, cut));
    const int entries = (cut > firstGain ? 1 : 0) + (cut > secondGain ? 1 : 0);
    EXPECT_EQ(t.initialise(dir().string()), entries > 0 ? 0 : 1) << cut;
    EXPECT_EQ(t.getGainAtRT(9.0f) != t.getGainAtRT(0.0f), entries == 2) << cut;
    if (entries == 2) {
      EXPECT_EQ(t.getGainAtRT(0.0f), 1.0025f) << cut;
    }
  }
  const auto readBytes = [&](const Bytes& bytes) {
    ZVRawExternalLumavent t;
    writeFile(dir() / "lmgt.inf", bytes);
    const int rc = t.initialise(dir().string());
    EXPECT_EQ(rc, t.empty() ? 1 : 0);
    return rc;
  };
  expectSurvivesCorruptions(Bytes(text.begin(), text.end()), readBytes);
}

}  // namespace
