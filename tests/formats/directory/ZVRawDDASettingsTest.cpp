#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "formats/directory/ZVRawDDASettings.h"
#include "support/Corruption.h"
#include "support/DecimalCommaLocale.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;
using borealtek_zvraw_version_1::ZVRawDDASettings;

namespace {

constexpr const char* kWritten =
    "[VERSION#1]\n<-- version must be first line\n[IsolationWindow]\nlowerOffset=1.500000\nupperOffset=2.000000\n";

class DDASettingsTest : public TempDirTest {
 protected:
  std::string file() const { return ZVRawDDASettings::getIniFilePath(dir().string()); }
  // Offsets after reading text over settings that held (-1, -1).
  std::pair<float, float> readOver(const std::string& text, int expectedRc = ZVRAW_OK) const {
    writeTextFile(file(), text);
    ZVRawDDASettings s;
    s.SetLowerOffset(-1);
    s.SetUpperOffset(-1);
    EXPECT_EQ(s.Read(dir().c_str()), expectedRc) << text;
    return {s.GetLowerOffset(), s.GetUpperOffset()};
  }
};

TEST_F(DDASettingsTest, WritesAndReadsTheOffsets) {
  writeTextFile(file(), "[Other]\nkept=no\n");
  ZVRawDDASettings s;
  s.SetLowerOffset(1.5f);
  s.SetUpperOffset(2.0f);
  ASSERT_EQ(s.Write(dir().c_str()), ZVRAW_OK);
  EXPECT_EQ(readTextFile(file()), kWritten);  // the whole file is replaced
  EXPECT_EQ(readOver(kWritten), std::make_pair(1.5f, 2.0f));

  DecimalCommaLocale comma;
  if (!comma.active()) return missingDecimalCommaLocale();
  ASSERT_EQ(s.Write(dir().c_str()), ZVRAW_OK);
  EXPECT_EQ(readTextFile(file()), kWritten);
  EXPECT_EQ(readOver(kWritten), std::make_pair(1.5f, 2.0f));
}

TEST_F(DDASettingsTest, ValuesKeptUnlessANumberIsThere) {
  const std::string head = "[VERSION#3]\n[IsolationWindow]\n";
  struct Case {
    std::string body;
    float lower, upper;
  } cases[] = {
      {"lowerOffset=0.75\n", 0.75f, -1},  // upper missing: kept
      {"lowerOffset= 3.5abc\nupperOffset=\t-2\n", 3.5f, -2},
      {"lowerOffset=abc\nupperOffset=1e999\n", -1, -1},
      {"lowerOffset=1e-999\nupperOffset=-0\n", -1, -0.0f},
      {"lowerOffset=1=2\nupperOffset=\n", -1, -1},  // malformed lines are not settings
      {"LowerOffset=5\n[Other]\nupperOffset=5\n", -1, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(readOver(head + c.body), std::make_pair(c.lower, c.upper)) << c.body;
  EXPECT_TRUE(std::isnan(readOver(head + "lowerOffset=nan\n").first));

  fs::remove(file());
  ZVRawDDASettings s;
  EXPECT_EQ(s.Read(dir().c_str()), ZVRAW_INIFILE_OPEN_ERROR);
  EXPECT_EQ(s.Read(std::string_view{}), ZVRAW_INIFILE_OPEN_ERROR);
  EXPECT_EQ(s.GetLowerOffset(), 0.0f);
  EXPECT_EQ(s.GetUpperOffset(), 0.0f);
}

TEST_F(DDASettingsTest, PathsAndFailedWrites) {
  EXPECT_EQ(ZVRawDDASettings::getIniFilePath(""), "_dda.inf");
  EXPECT_EQ(ZVRawDDASettings::getIniFilePath("raw.dir"), "raw.dir/_dda.inf");
  EXPECT_EQ(ZVRawDDASettings::getIniFilePath("/data/raw.dir/"), "/data/raw.dir/_dda.inf");

  const ZVRawDDASettings s;
  EXPECT_EQ(s.Write(path("missing/dir").c_str()), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(s.Write(std::string_view{}), ZVRAW_FILEOPEN_ERROR);
  writeTextFile(file(), kWritten);
  {
    FileSizeLimit limit(20);
    EXPECT_EQ(s.Write(dir().c_str()), ZVRAW_FILEWRITE_ERROR);
  }
  EXPECT_EQ(readTextFile(file()), kWritten);
}

TEST_F(DDASettingsTest, DamagedFilesRead) {
  const Bytes valid(kWritten, kWritten + std::strlen(kWritten));
  const auto read = [&](const Bytes& damaged) {
    writeFile(file(), damaged);
    ZVRawDDASettings s;
    return s.Read(dir().c_str());
  };
  expectRejectsTruncations(valid, read, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, read, 0xdda, 150);
}

}  // namespace
