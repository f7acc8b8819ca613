#include <gtest/gtest.h>

#include <map>
#include <string>

#include "AcquisitionRig.h"
#include "acquisition/BatchSampleRecordImp.h"
#include "api/ProcessParametersImp.h"
#include "support/Corruption.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

using Pairs = std::map<int, std::string>;

constexpr const char* kSampleNames[] = {
    "Data File Name", "Sample Description", "MS File", "MS Tune File", "Inlet File", "Inlet Prerun",
    "Inlet Postrun", "Inlet Switch", "AS File", "Process", "Process Parameters", "Process Options",
    "Acqu Process", "Acqu Process Parameters", "Acqu Process Options", "Action On Error", "Sample Location",
    "Sample Group", "Job Code", "Task Code", "User Name", "Submitter", "Conditions", "Sample Type", "Control",
    "Sample ID", "FractionFile", "FractionStart", "UserDivisor1", "UserFactor1", "UserFactor2", "UserFactor3",
    "HPLC File", "Quan Reference", "Auto Addition", "Molfile", "Subject Text", "Subject Time",
    "Quan Method File", "Quan Curve Database", "Subject Sex", "Subject Species", "Retention Time Offset",
    "Prep Injection Volume", "Quality Reference", "MITFile", "Reinjections", "Cartridge Location 1",
    "Cartridge Location 2"};

class RecordTest : public AcquisitionRig {
 protected:
  int read(const std::string& text) {
    writeTextFile(dir() / "ZVCurSmp.txt", text);
    record.SetFilename(path("ZVCurSmp.txt"));
    return record.Read(&set);
  }
  Pairs pairs() const { return pairsOf(set); }
  BatchSampleRecordImp record;
  ProcessParametersImp set;
};

TEST_F(RecordTest, EveryRowFromOneFile) {
  std::string text = "[Batch]\nBatch File Name=900\nFirst Sample=901\nLast Sample=902\nCurrent Sample=903\n"
                     "Batch User Name=904\n[Sample]\n";
  for (const char* name : kSampleNames) text += std::string(name) + "=" + name + "\n";
  for (const auto& [word, count] :
       {std::pair("Concentration", 20), {"Wavelength", 10}, {"Mass", 30}, {"Fraction", 10}, {"Spare", 5}})
    for (int n = 1; n <= count; ++n) text += word + std::to_string(n) + "=" + word + std::to_string(n) + "\n";
  ASSERT_EQ(read(text), ZVRAW_OK);
  const Pairs all = pairs();
  EXPECT_EQ(all.size(), 129u);
  for (const int never : {797, 799, 800}) EXPECT_EQ(all.count(never), 0u) << never;
  const Pairs spots = {{900, "900"},           {904, "904"},         {700, "Data File Name"}, {725, "Sample ID"},
                       {726, "Concentration1"}, {745, "Concentration20"}, {755, "Wavelength10"}, {756, "Mass1"},
                       {785, "Mass30"},         {786, "FractionFile"}, {787, "Fraction1"},      {796, "Fraction10"},
                       {798, "FractionStart"},  {801, "UserDivisor1"}, {809, "Spare5"},         {810, "HPLC File"},
                       {826, "Cartridge Location 2"}};
  for (const auto& [item, key] : spots) EXPECT_EQ(set.GetValue(item), key) << item;
}

TEST_F(RecordTest, EdgeCases) {
  const std::string longName(150, 's');
  const struct {
    const char* what;
    std::string text;
    Pairs pairs;
  } cases[] = {
      {"mass 24 to 26", "[Sample]\nMass24=a\nMass25=b\nMass26=c\n", {{779, "a"}, {780, "b"}, {781, "c"}}},
      {"batch user", "[Batch]\nBatch User Name=ann\n", {{904, "ann"}}},
      {"sample key under Batch", "[Batch]\nData File Name=x\n", {}},
      {"empty file", "", {}},
      {"blanks inside", "[Sample]\nSample Description=three  words \n", {{701, "three  words "}}},
      {"carriage return", "[Sample]\nSample ID=7\r\n", {{725, "7\r"}}},
      {"two equals signs", "[Sample]\nSample ID=7=\n", {}},
      {"blank before =", "[Sample]\nSample ID =7\n", {}},
      {"numbers outside the table", "[Sample]\nMass0=a\nMass07=b\nMass31=c\nSpare6=d\n", {}},
      {"section case", "[sample]\nSample ID=7\n", {}},
      {"later entry wins", "[Sample]\nSample ID=1\n[Batch]\n[Sample]\nSample ID=2\n", {{725, "2"}}},
      {"long section", "[" + longName + "]\nSample ID=1\n[Sample]\nControl=c\n", {{724, "c"}}},
      {"long section starting Sample", "[Sample" + longName + "]\nSample ID=1\n", {}},
  };
  for (const auto& c : cases) {
    set.SetValue(725, "earlier");
    EXPECT_EQ(read(c.text), ZVRAW_OK) << c.what;
    EXPECT_EQ(pairs(), c.pairs) << c.what;
  }
}

TEST_F(RecordTest, PathsAndFailedReads) {
  EXPECT_EQ(record.Read(nullptr), ZVRAW_NULL_PARAMETERS);
  set.SetValue(700, "earlier");
  EXPECT_EQ(record.Read(&set), ZVRAW_INIFILE_OPEN_ERROR);  // no path yet
  EXPECT_TRUE(pairs().empty());
  std::filesystem::create_directories(dir() / "c" / "rec");
  writeTextFile(dir() / "c" / "rec" / "ZVCurSmp.txt", "[Sample]\nControl=c\n");
  const std::pair<const char*, int> cases[] = {{"C:\\rec\\ZVCurSmp.txt", ZVRAW_OK},
                                               {"E:\\rec\\ZVCurSmp.txt", ZVRAW_INIFILE_OPEN_ERROR},
                                               {"C:\\rec", ZVRAW_INIFILE_OPEN_ERROR},
                                               {"C:\\rec\\none.txt", ZVRAW_INIFILE_OPEN_ERROR}};
  for (const auto& [file, rc] : cases) {
    record.SetFilename(file);
    set.SetValue(700, "earlier");
    EXPECT_EQ(record.Read(&set), rc) << file;
    EXPECT_EQ(record.GetFilename(), file);
    EXPECT_EQ(pairs().size(), rc == ZVRAW_OK ? 1u : 0u) << file;
  }
  EnvGuard tmpdir("TMPDIR");
  ::setenv("TMPDIR", dir().c_str(), 1);
  EXPECT_EQ(record.Initialise(), ZVRAW_OK);
  EXPECT_EQ(record.GetFilename(), path("ZVCurSmp.txt"));
  ::setenv("TMPDIR", path("c/rec/ZVCurSmp.txt").c_str(), 1);  // not a folder
  EXPECT_EQ(record.Initialise(), ZVRAW_INIFILE_OPEN_ERROR);
  EXPECT_EQ(record.GetFilename(), "");
}

TEST_F(RecordTest, DamagedRecords) {
  const std::string valid = "[Batch]\nCurrent Sample=12\n[Sample]\nSample ID=abc\nMass3=524.3\n";
  const Pairs full = {{903, "12"}, {725, "abc"}, {758, "524.3"}};
  for (std::size_t cut = 0; cut <= valid.size(); ++cut) {
    ASSERT_EQ(read(valid.substr(0, cut)), ZVRAW_OK) << "cut at " << cut;
    for (const auto& [item, value] : pairs()) {  // a value found is a prefix of the whole one
      ASSERT_EQ(full.count(item), 1u) << "cut at " << cut;
      EXPECT_EQ(full.at(item).rfind(value, 0), 0u) << "cut at " << cut;
    }
  }
  expectSurvivesCorruptions(Bytes(valid.begin(), valid.end()),
                            [&](const Bytes& damaged) { return read(std::string(damaged.begin(), damaged.end())); });
}

}  // namespace
