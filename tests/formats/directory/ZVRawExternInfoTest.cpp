#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "formats/directory/ZVRawExternInfo.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_zvraw_version_1::ZVRawExternInfo;
using namespace std::string_literals;

namespace {

struct Values {
  float lteff = 0, veff = 0, resolution = 10000, singleIon = 1, adc = 0;
  std::string device;
};

Values valuesOf(const ZVRawExternInfo& info) {
  return {info.getLteff(),
          info.getVeff(),
          info.getTofResolution(),
          info.getSingleIonIntensity(),
          info.getADCsampleFrequency(),
          info.getAcquisitionDevice()};
}

void expectValues(const ZVRawExternInfo& info, const Values& v, const std::string& what) {
  const Values got = valuesOf(info);
  EXPECT_EQ(got.lteff, v.lteff) << what;
  EXPECT_EQ(got.veff, v.veff) << what;
  EXPECT_EQ(got.resolution, v.resolution) << what;
  EXPECT_EQ(got.singleIon, v.singleIon) << what;
  EXPECT_EQ(got.adc, v.adc) << what;
  EXPECT_EQ(got.device, v.device) << what;
}

class ExternInfoTest : public TempDirTest {
 protected:
  int readText(const std::string& text) {
    writeTextFile(dir() / "_extern.inf", text);
    info_ = ZVRawExternInfo();
    return info_.readExternInfo(dir().c_str(), 0);
  }
  ZVRawExternInfo info_;
};

TEST_F(ExternInfoTest, KeysAndTheirValues) {
  struct Case {
    std::string text;
    Values expected;
  };
  const auto with = [](auto set) {
    Values v;
    set(v);
    return v;
  };
  const Case cases[] = {
      {"Lteff 1.2345\n", with([](Values& v) { v.lteff = 1.2345f; })},
      {"Lteff = 1.2345\n", {}},  // the text after the key must begin with the number
      {"Lteff: 1.2345\n", {}},
      {"Quad Resolution 2\nResolution 8000\n", with([](Values& v) { v.resolution = 2; })},
      {"ADC Sample Frequency (GHz) 3.6\n", with([](Values& v) { v.adc = 3.6f; })},
      {"Average Single Ion Intensity 12 counts\n", with([](Values& v) { v.singleIon = 12; })},
      {"Acquisition Device: ADC-2 rev 1.0\n", with([](Values& v) { v.device = " ADC2 rev 10"; })},
      {"Veff 7000\r\nLteff\t1. 5\n", with([](Values& v) { v.veff = 7000, v.lteff = 1.5f; })},
      {"Lteff 1\nVeff 9000", with([](Values& v) { v.lteff = 1; })},  // the last line has no line feed
      {"Acquisition Device X", {}},
      {"Veff 1e50\nLteff -1e-50\nResolution abc\n", {}},  // out of range or not a number
      {"Veff 0x10\nLteff inf\n", with([](Values& v) { v.veff = 16, v.lteff = INFINITY; })},
      {"Lteff 2\nLteff 3\n", with([](Values& v) { v.lteff = 2; })},   // the first occurrence only
      {"Veff 5\n\0Lteff 3\n"s, with([](Values& v) { v.veff = 5; })},  // text ends at a NUL
      {"Acquisition Device\n", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readText(c.text), ZVRAW_OK) << c.text;
    expectValues(info_, c.expected, c.text);
  }
}

TEST_F(ExternInfoTest, FileChoiceAndFailures) {
  EXPECT_EQ(info_.readExternInfo(std::string_view{}, 0), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(info_.readExternInfo(std::string(250, 'd').c_str(), 0), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(info_.readExternInfo(dir().c_str(), 0), ZVRAW_FILEOPEN_ERROR);  // neither file
  expectValues(info_, {}, "no file");
  EXPECT_FALSE(info_.wasRead());

  writeTextFile(dir() / "_TOF.TXT", "Lteff 2\n");  // found in upper case
  EXPECT_EQ(info_.readExternInfo(dir().c_str(), 0), ZVRAW_OK);
  EXPECT_EQ(info_.getLteff(), 2.0f);
  EXPECT_TRUE(info_.wasRead());

  writeTextFile(dir() / "_EXTERN.INF", "Lteff 3\n");
  EXPECT_EQ(info_.readExternInfo(dir().c_str(), 0), ZVRAW_OK);
  EXPECT_EQ(info_.getLteff(), 3.0f);

  writeTextFile(dir() / "_EXTERN.INF", "");  // empty: no fallback to the older file
  ZVRawExternInfo fresh;
  EXPECT_EQ(fresh.readExternInfo(dir().c_str(), 0), ZVRAW_FILEOPEN_ERROR);
  expectValues(fresh, {}, "empty file");
  EXPECT_FALSE(fresh.wasRead());
  EXPECT_EQ(info_.readExternInfo(dir().c_str(), 0), ZVRAW_FILEOPEN_ERROR);  // a reread that fails forgets the file
  EXPECT_FALSE(info_.wasRead());
}

TEST_F(ExternInfoTest, EveryTruncationReadsWholeLinesOnly) {
  const std::string text = "Lteff 1.5\nVeff 7000\nAcquisition Device: TDC 4\n";
  const std::size_t lteffEnd = text.find('\n'), veffEnd = text.find('\n', lteffEnd + 1), deviceEnd = text.size() - 1;
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    Values v;
    if (cut > lteffEnd) v.lteff = 1.5f;
    if (cut > veffEnd) v.veff = 7000;
    if (cut > deviceEnd) v.device = " TDC 4";
    EXPECT_EQ(readText(text.substr(0, cut)), cut == 0 ? ZVRAW_FILEOPEN_ERROR : ZVRAW_OK) << cut;
    expectValues(info_, v, "cut at " + std::to_string(cut));
  }
  expectSurvivesCorruptions(Bytes(text.begin(), text.end()),
                            [&](const Bytes& bytes) { return readText(std::string(bytes.begin(), bytes.end())); });
}

}  // namespace
