#include <gtest/gtest.h>

#include <map>
#include <string>

#include "AcquisitionRig.h"
#include "acquisition/PendrakeMonitorImp.h"
#include "api/ProcessParametersImp.h"
#include "support/Corruption.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace Vardex::Lib::ZorvalenRaw;
namespace fs = std::filesystem;

namespace {

using PendrakeMonitorTest = AcquisitionRig;
using S = PendrakeStatus;

void touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  writeTextFile(file, "");
}

TEST_F(PendrakeMonitorTest, NotRunning) {
  for (const char* file : {"c/abort.sem", "c/sampling.sem", "c/q/day1.olb"}) touch(dir() / file);
  queueSettings("QueueDir=C:\\q\n");
  PendrakeMonitorImp monitor;
  ProcessParametersImp set;
  set.SetValue(1350, "stale");
  ASSERT_EQ(monitor.getPendrakeSettings(&set), ZVRAW_OK);
  const std::map<int, std::string> expected = {
      {1353, "c:\\sampling.sem"}, {1354, "c:\\abort.sem"}, {1355, "Tobrin.exe"}, {1356, "*.olb"}, {1357, ""},
      {1358, "1"}, {1359, "0"}, {1360, "0"}, {1361, "1"}, {1362, "0"}, {1363, "0"}, {1364, "5"}, {1365, "60"}};
  EXPECT_EQ(pairsOf(set), expected);
  S status = S::UNINITIALISED;
  EXPECT_EQ(monitor.getPendrakeStatus(status), ZVRAW_OK);
  EXPECT_EQ(status, S::PENDRAKENOTRUNNING);
  EXPECT_EQ(monitor.GetStatus("day1.olb", status), ZVRAW_OK);
  EXPECT_EQ(status, S::PENDRAKENOTRUNNING);
  EXPECT_EQ(monitor.getPendrakeSettings(nullptr), 1);
  EXPECT_EQ(monitor.GetStatus(static_cast<const char*>(nullptr), status), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(status, S::UNINITIALISED);
}

TEST_F(PendrakeMonitorTest, RunningStates) {
  runQueueProgram(path("prog"));
  // Queue on drive C, processed absolute, failed relative to the program's folder.
  queueSettings("QueueDir=C:\\q\nProcessedDir=" + path("done") + "\nFailedDir=..\\failed.old\n");
  for (const char* file : {"c/q/a.olb", "c/q/both.olb", "prog/failed/both.olb", "prog/failed/f.olb", "done/p.olb"})
    touch(dir() / file);
  PendrakeMonitorImp monitor;
  ProcessParametersImp set;
  ASSERT_EQ(monitor.getPendrakeSettings(&set), ZVRAW_OK);
  EXPECT_EQ(set.GetValue(1350), "C:\\q");
  EXPECT_EQ(set.GetValue(1351), path("done"));
  EXPECT_EQ(set.GetValue(1352), path("prog") + "/failed");
  const std::pair<const char*, S> lists[] = {
      {"C:\\lists\\a.olb", S::SAMPLELISTQUEUED}, {"/lists/both.olb", S::SAMPLELISTQUEUED},
      {"p.olb", S::SAMPLELISTPROCESSED},        {"x\\f.olb", S::SAMPLELISTFAILED},
      {"none.olb", S::SAMPLELISTNOTFOUND},      {"C:\\lists\\", S::SAMPLELISTNOTFOUND}};
  for (const auto& [list, expected] : lists) {
    S status = S::UNINITIALISED;
    EXPECT_EQ(monitor.GetStatus(std::string(list), status), ZVRAW_OK);
    EXPECT_EQ(status, expected) << list;
  }
  const struct {
    bool abort, sampling;
    S status;
  } states[] = {
      {true, true, S::ABORTING}, {true, false, S::ABORTED}, {false, true, S::ACQUIRING}, {false, false, S::IDLE}};
  for (const auto& c : states) {
    for (const char* file : {"c/abort.sem", "c/sampling.sem"}) fs::remove(dir() / file);
    if (c.abort) touch(dir() / "c/abort.sem");
    if (c.sampling) touch(dir() / "c/sampling.sem");
    S status = S::UNINITIALISED;
    EXPECT_EQ(monitor.getPendrakeStatus(status), ZVRAW_OK);
    EXPECT_EQ(status, c.status) << c.abort << c.sampling;
  }
}

TEST_F(PendrakeMonitorTest, FolderResolution) {
  runQueueProgram("/opt/queue");
  PendrakeMonitorImp monitor;
  ASSERT_TRUE(monitor.PendrakeRunning());
  const std::pair<const char*, const char*> cases[] = {
      {"failed", "/opt/queue/failed"}, {"sub/failed.old", "/opt/queue/failed"},
      {"a\\failed.old\\", "/opt/queue/failed"}, {"/abs/x", "/abs/x"}, {"C:\\q", "C:\\q"}, {"E:\\q", ""}, {"", ""}};
  for (const auto& [folder, expected] : cases) {
    std::string absolute = "stale";
    EXPECT_EQ(monitor.GetAbsoluteFolder(folder, absolute), *expected ? 0 : 1) << folder;
    EXPECT_EQ(absolute, expected) << folder;
  }
  // Running with no folder to resolve against: an empty folder never
  // matches, not even a file in the working directory.
  fs::remove_all(dir() / "proc" / "7");
  addProcess("7", "Pendrake.exe\n");
  queueSettings("QueueDir=q\n");
  touch(dir() / "day1.olb");
  touch(dir() / "q/day1.olb");
  fs::current_path(dir());
  S status = S::UNINITIALISED;
  EXPECT_EQ(monitor.GetStatus("day1.olb", status), ZVRAW_OK);
  EXPECT_EQ(status, S::SAMPLELISTNOTFOUND);
  EXPECT_EQ(monitor.GetQueueFolder(), "");
}

TEST_F(PendrakeMonitorTest, AbortRequestAndWithdrawal) {
  PendrakeMonitorImp monitor;
  const fs::path abortFile = dir() / "c" / "abort.sem";
  EXPECT_EQ(monitor.removeAbort(), ZVRAW_OK);  // none there
  EXPECT_EQ(monitor.abort(), ZVRAW_OK);
  EXPECT_TRUE(monitor.Aborted());
  writeTextFile(abortFile, "kept");
  EXPECT_EQ(monitor.abort(), ZVRAW_OK);
  EXPECT_EQ(readTextFile(abortFile), "kept");
  EXPECT_EQ(monitor.removeAbort(), ZVRAW_OK);
  EXPECT_FALSE(fs::exists(abortFile));
  fs::create_directories(abortFile / "x");  // cannot be deleted
  EXPECT_EQ(monitor.removeAbort(), ZVRAW_FILEWRITE_ERROR);
  monitor.SetAbortFile("c:\\missing\\abort.sem");
  EXPECT_EQ(monitor.abort(), ZVRAW_FILEOPEN_ERROR);
  ::unsetenv("ZORVALEN_DRIVE_C");
  monitor.SetAbortFile("c:\\abort.sem");
  fs::current_path(dir());
  EXPECT_EQ(monitor.abort(), ZVRAW_FILEOPEN_ERROR);
  EXPECT_FALSE(monitor.Aborted());
  EXPECT_EQ(monitor.removeAbort(), ZVRAW_OK);
  EXPECT_FALSE(fs::exists(dir() / "c:\\abort.sem"));
}

TEST_F(PendrakeMonitorTest, InitialisationKeepsWhatTheStoreLacks) {
  queueSettings("Acquire=0\n");
  PendrakeMonitorImp monitor;
  EXPECT_EQ(monitor.GetFailedFolder(), ".\\failed");
  EXPECT_EQ(monitor.Initialise(), ZVRAW_OK);
  EXPECT_FALSE(monitor.GetAcquire());
  EXPECT_EQ(monitor.GetQueueFolder() + monitor.GetFailedFolder() + monitor.GetProcessedFolder(), "");
  EXPECT_EQ(monitor.GetStatusFile(), "c:\\sampling.sem");
  EXPECT_EQ(monitor.GetWaitBeforeSubmit(), 5);
  queueSettings("Acquire=7\nExternalTimeout=-3\n");
  monitor.Initialise();
  queueSettings("");
  monitor.Initialise();
  EXPECT_TRUE(monitor.GetAcquire());
  EXPECT_EQ(monitor.GetExternalTimeout(), -3);
}

TEST_F(PendrakeMonitorTest, DamagedSettings) {
  runQueueProgram(path("prog"));
  const std::string header = "[" + std::string(kQueueKeyPath) + "]\n";
  const std::string whole = header + "WaitBeforeSubmit=12\nStatusFile=d:\\s.sem\nQueueDir=q\n";
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    writeTextFile(dir() / "settings" / "settings.ini", whole.substr(0, cut));
    PendrakeMonitorImp monitor;
    monitor.Initialise();
    const int wait = monitor.GetWaitBeforeSubmit();
    EXPECT_TRUE(wait == 5 || wait == 1 || wait == 12) << "cut at " << cut;
  }
  expectSurvivesCorruptions(Bytes(whole.begin(), whole.end()), [&](const Bytes& damaged) {
    writeFile(dir() / "settings" / "settings.ini", damaged);
    PendrakeMonitorImp monitor;
    ProcessParametersImp set;
    return monitor.getPendrakeSettings(&set);
  });
  for (const std::size_t length : {99u, 100u, 300u}) {  // never the key path, never swallowing it
    writeTextFile(dir() / "settings" / "settings.ini",
                  "[" + std::string(length, 's') + "]\nWaitBeforeSubmit=9\n" + header + "ExternalTimeout=8\n");
    PendrakeMonitorImp monitor;
    monitor.Initialise();
    EXPECT_EQ(monitor.GetWaitBeforeSubmit() * 100 + monitor.GetExternalTimeout(), 508) << length;
  }
}

}  // namespace
