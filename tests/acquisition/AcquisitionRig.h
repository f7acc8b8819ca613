#pragma once

// A workstation made of files: the settings store, a fake process tree and
// drives C and D in the test's own directory (E: stays unmapped). The environment
// and the working directory are restored when the test ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "api/ProcessParametersImp.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"

// The key and value pairs of a parameter set.
inline std::map<int, std::string> pairsOf(const Vardex::Lib::ZorvalenRaw::ProcessParametersImp& set) {
  std::map<int, std::string> pairs;
  for (const int key : set.GetSetKeys()) pairs[key] = set.GetValue(key);
  return pairs;
}

inline constexpr const char* kQueueKeyPath = "software\\Borealtek\\Pendrake\\Settings";
inline constexpr const char* kOptionsKeyPath = "software\\Borealtek\\Zorvalen\\Options";
inline constexpr const char* kMainSettings = "[GlobalEntry]\nStatusFileName=D:\\ws\\status.ini\n";

class AcquisitionRig : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    for (const char* sub : {"settings", "proc", "c", "d/ws"}) std::filesystem::create_directories(dir() / sub);
    ::setenv("ZORVALEN_SETTINGS_DIR", path("settings").c_str(), 1);
    ::setenv("ZORVALEN_PROC_ROOT", path("proc").c_str(), 1);
    ::setenv("ZORVALEN_DRIVE_C", path("c").c_str(), 1);
    ::setenv("ZORVALEN_DRIVE_D", path("d").c_str(), 1);
    ::unsetenv("ZORVALEN_DRIVE_E");
  }
  void TearDown() override {
    std::filesystem::current_path(cwd_);
    TempDirTest::TearDown();
  }

  // Lines under the queue program's key path.
  void queueSettings(const std::string& lines) const {
    writeTextFile(dir() / "settings" / "settings.ini", "[" + std::string(kQueueKeyPath) + "]\n" + lines);
  }

  // The working folder D:\ws, whose "Zorvalen.ini" names D:\ws\status.ini,
  // and lines under the queue program's key path.
  void workstation(const std::string& queueLines = "") const {
    writeTextFile(dir() / "settings" / "settings.ini",
                  "[" + std::string(kOptionsKeyPath) + "]\nWorkingDirs=D:\\ws\n[" + kQueueKeyPath + "]\n" + queueLines);
    writeTextFile(dir() / "d" / "ws" / "Zorvalen.ini", kMainSettings);
  }

  void addProcess(const std::string& number, const std::string& comm,
                  const std::optional<std::string>& cmdline = std::nullopt,
                  const std::optional<std::string>& exe = std::nullopt) const {
    const std::filesystem::path entry = dir() / "proc" / number;
    std::filesystem::create_directories(entry);
    writeTextFile(entry / "comm", comm);
    if (cmdline) writeTextFile(entry / "cmdline", *cmdline);
    if (exe) std::filesystem::create_symlink(*exe, entry / "exe");
  }

  // The queue program runs from folder.
  void runQueueProgram(const std::string& folder) const {
    addProcess("7", "Pendrake.exe\n", folder + "/Pendrake.exe" + std::string(1, '\0'));
  }

 private:
  EnvGuard settings_{"ZORVALEN_SETTINGS_DIR"}, proc_{"ZORVALEN_PROC_ROOT"};
  EnvGuard driveC_{"ZORVALEN_DRIVE_C"}, driveD_{"ZORVALEN_DRIVE_D"}, driveE_{"ZORVALEN_DRIVE_E"};
  std::filesystem::path cwd_ = std::filesystem::current_path();
};
