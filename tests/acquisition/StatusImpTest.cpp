#include <gtest/gtest.h>

#include <map>
#include <string>

#include "AcquisitionRig.h"
#include "acquisition/StatusImp.h"
#include "api/ProcessParametersImp.h"
#include "support/Corruption.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

using Pairs = std::map<int, std::string>;

class StatusTest : public AcquisitionRig {
 protected:
  int read(const std::string& text) {
    writeTextFile(dir() / "status.ini", text);
    reader.SetFilename(path("status.ini"));
    return reader.Read(&status, &queue);
  }
  void fill(ProcessParametersImp& set, const Pairs& pairs) {
    for (const auto& [key, value] : pairs) set.SetValue(key, value);
  }
  StatusImp reader;
  ProcessParametersImp status, queue;
};

TEST_F(StatusTest, EveryRowFromOneFile) {
  const std::string text =
      "[MS Status]\nOperate=1750\nStatus=1751\nReady=1752\n[LC Status]\nStatus=1753\nReady=1754\n%A=1755\n%B=1756\n"
      "%C=1757\n%D=1758\nFlow Rate=1759\n[Queue Status]\nQueue Paused=1760\nProcess Running=1761\nQueue=1762\n"
      "Total samples=1763\n1=first.olb\n2=second.olb\n[Disk Space]\nCurrentDrive=1764\nFreeDiskSpace=1765\n"
      "[Time Stamp]\nTime=1766\n";
  ASSERT_EQ(read(text), ZVRAW_OK);
  Pairs expected;
  for (int item = 1750; item <= 1766; ++item)
    if (item != 1762) expected[item] = std::to_string(item);
  EXPECT_EQ(pairsOf(status), expected);
  EXPECT_EQ(pairsOf(queue), (Pairs{{0, "first.olb"}, {1, "second.olb"}}));
}

TEST_F(StatusTest, EdgeCases) {
  const std::string longName(100, 's');
  const Pairs earlier = {{0, "q0"}, {1, "q1"}, {2, "q2"}, {3, "q3"}, {4, "q4"}, {5, "q5"}};
  const struct {
    const char* what;
    std::string text;
    Pairs status, queue;  // queue after a read into `earlier`
  } cases[] = {
      {"%A and a blank before =", "[LC Status]\n%A=40\nFlow Rate =5\n", {{1755, "40"}}, earlier},
      {"stops at the first gap",
       "[Queue Status]\n1=a\n2=b\n4=d\n",
       {},
       {{0, "a"}, {1, "b"}, {2, "q2"}, {3, "q3"}, {4, "q4"}, {5, "q5"}}},
      {"empty file", "", {}, earlier},
      {"entry 0 is not an entry", "[Queue Status]\n0=z\n", {}, earlier},
      {"tab and carriage return kept", "[Time Stamp]\nTime=12:00\t1\r\n", {{1766, "12:00\t1\r"}}, earlier},
      {"long section never matches", "[MS Status" + longName + "]\nReady=1\n", {}, earlier},
      {"long section ends the one before", "[MS Status]\n[" + longName + "]\nReady=1\n", {}, earlier},
      {"section case", "[ms status]\nReady=1\n", {}, earlier},
  };
  for (const auto& c : cases) {
    fill(status, {{1751, "stale"}});
    fill(queue, earlier);
    EXPECT_EQ(read(c.text), ZVRAW_OK) << c.what;
    EXPECT_EQ(pairsOf(status), c.status) << c.what;
    EXPECT_EQ(pairsOf(queue), c.queue) << c.what;
  }
  // A null set touches neither set.
  ASSERT_EQ(read("[MS Status]\nReady=1\n"), ZVRAW_OK);
  EXPECT_EQ(reader.Read(&status, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(reader.Read(nullptr, &queue), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(pairsOf(status), (Pairs{{1752, "1"}}));
  // A file that cannot be read clears the status set only.
  const std::pair<const char*, const char*> missing[] = {
      {"", "no path"}, {"/none/status.ini", "no file"}, {"E:\\status.ini", "unmapped drive"}};
  for (const auto& [file, what] : missing) {
    reader.SetFilename(file);
    fill(queue, {{0, "kept"}});
    EXPECT_EQ(reader.Read(&status, &queue), ZVRAW_INIFILE_OPEN_ERROR) << what;
    EXPECT_TRUE(pairsOf(status).empty()) << what;
    EXPECT_EQ(queue.GetValue(0), "kept") << what;
  }
}

TEST_F(StatusTest, DamagedFiles) {
  workstation();
  const std::string settings = readTextFile(dir() / "settings" / "settings.ini");
  const std::string statusText = "[MS Status]\nReady=yes\n[Queue Status]\n1=a.olb\n2=b.olb\n";
  writeTextFile(dir() / "d" / "ws" / "status.ini", statusText);
  const struct {
    std::filesystem::path file;
    std::string whole;
  } files[] = {{dir() / "settings" / "settings.ini", settings},
               {dir() / "d" / "ws" / "Zorvalen.ini", kMainSettings},
               {dir() / "d" / "ws" / "status.ini", statusText}};
  // Locate, then read: a code in range, and after a cut whatever is found
  // is a prefix of what the whole files give.
  auto locateAndRead = [&](bool cut) {
    StatusImp damaged;
    const int located = damaged.Initialise();
    EXPECT_TRUE(located == ZVRAW_OK || located == ZVRAW_INIFILE_OPEN_ERROR);
    ProcessParametersImp s, q;
    const int rc = damaged.Read(&s, &q);
    if (cut) {
      EXPECT_EQ(std::string("D:\\ws\\status.ini").rfind(damaged.GetFilename(), 0), 0u);
      for (const auto& [key, value] : pairsOf(s)) EXPECT_EQ(std::string("yes").rfind(value, 0), 0u) << key;
      for (const auto& [key, value] : pairsOf(q)) EXPECT_EQ(std::string(key ? "b.olb" : "a.olb").rfind(value, 0), 0u);
    }
    return rc;
  };
  for (const auto& f : files) {
    for (std::size_t cut = 0; cut <= f.whole.size(); ++cut) {
      writeTextFile(f.file, f.whole.substr(0, cut));
      const int rc = locateAndRead(true);
      if (cut == f.whole.size()) {
        EXPECT_EQ(rc, ZVRAW_OK) << f.file;
      }
    }
    expectSurvivesCorruptions(Bytes(f.whole.begin(), f.whole.end()), [&](const Bytes& damaged) {
      writeFile(f.file, damaged);
      return locateAndRead(false);
    });
    writeTextFile(f.file, f.whole);
  }
}

}  // namespace
