#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "AcquisitionRig.h"
#include "acquisition/DrivePaths.h"
#include "acquisition/ProcessQuery.h"
#include "acquisition/RegistryUtil.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

using StandInsTest = AcquisitionRig;

TEST_F(StandInsTest, DrivePaths) {
  const std::string c = path("c");
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"C:\\abort.sem", c + "/abort.sem"}, {"c:abort.sem", c + "/abort.sem"}, {"c:", c},
      {".\\failed", "./failed"},          {"1:\\x", "1:/x"},                 {"E:\\x", std::nullopt}};
  for (const auto& [from, to] : cases) EXPECT_EQ(mapDrivePath(from), to) << from;
  ::setenv("ZORVALEN_DRIVE_C", (c + "/").c_str(), 1);
  EXPECT_EQ(mapDrivePath("c:\\x"), c + "/x");
}

TEST_F(StandInsTest, SettingsStore) {
  writeTextFile(dir() / "settings" / "settings.ini",
                "[SOFTWARE\\borealtek\\PENDRAKE\\settings]\nQueueDir=  d:\\q\nqueuedir=low\nInt=42\nNeg=-7\nX=x\n"
                "Empty=\nBig=99999999999\nTrail=42 \n[Other]\nOnly=1\n");
  const struct {
    const char* name;
    std::optional<std::string> text;
    std::optional<int> number;
  } cases[] = {{"QueueDir", "d:\\q", {}}, {"queuedir", "low", {}}, {"QUEUEDIR", {}, {}},
               {"Int", "42", 42},         {"Neg", "-7", -7},      {"X", "x", {}},
               {"Empty", {}, {}},         {"Big", "99999999999", {}}, {"Trail", "42 ", {}},
               {"Only", {}, {}}};
  for (const auto& c : cases) {
    std::string text = "kept";
    int number = -99;
    EXPECT_EQ(RegistryUtil::TryReadRegistryString(kQueueKeyPath, c.name, text), c.text.has_value()) << c.name;
    EXPECT_EQ(text, c.text.value_or("kept")) << c.name;
    EXPECT_EQ(RegistryUtil::TryReadRegistryInt(kQueueKeyPath, c.name, number), c.number.has_value()) << c.name;
    EXPECT_EQ(number, c.number.value_or(-99)) << c.name;
  }
  std::string text;
  for (const std::string& folder : {std::string(), path("c")}) {  // empty, and a folder without settings.ini
    ::setenv("ZORVALEN_SETTINGS_DIR", folder.c_str(), 1);
    EXPECT_FALSE(RegistryUtil::TryReadRegistryString(kQueueKeyPath, "Int", text)) << folder;
  }
}

TEST_F(StandInsTest, ProcessQuery) {
  const std::string nul(1, '\0'), comm = "Pendrake.exe\n";
  struct Entry {
    std::string number, comm;
    std::optional<std::string> cmdline, exe;
  };
  const struct {
    const char* what;
    std::vector<Entry> entries;
    bool running;
    std::string folder;
  } cases[] = {
      {"lowest number", {{"100", comm, "/x/P" + nul, {}}, {"99", comm, "/y/P" + nul, {}}}, true, "/y"},
      {"not a process or not the name",
       {{"self", comm, {}, {}}, {"5", "pendrake.exe\n", {}, {}}, {"6", "Pendrake.exe\n\n", {}, {}}}, false, ""},
      {"comm without a line feed", {{"3", "Pendrake.exe", "/q/P" + nul, {}}}, true, "/q"},
      {"drive in argv[0]", {{"3", comm, "C:\\Q\\P.exe" + nul + "-x" + nul, {}}}, true, path("c") + "/Q"},
      {"argv[0] without a folder", {{"3", comm, "P.exe" + nul, "/opt/q/P.exe"}}, true, "/opt/q"},
      {"argv[0] on an unmapped drive", {{"3", comm, "E:\\q\\P" + nul, "/opt/q/P"}}, true, "/opt/q"},
      {"1 MB cmdline", {{"3", comm, "/" + std::string(1 << 20, 'a'), "/opt/q/P"}}, true, "/opt/q"},
      {"nothing to read", {{"3", comm, {}, {}}}, true, ""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(dir() / "proc");
    for (const Entry& e : c.entries) addProcess(e.number, e.comm, e.cmdline, e.exe);
    std::string folder = "stale";
    EXPECT_EQ(findRunningProcess("Pendrake.exe", folder), c.running) << c.what;
    EXPECT_EQ(folder, c.folder) << c.what;
  }
}

}  // namespace
