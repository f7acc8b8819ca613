#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "formats/portability/SysCalls.h"
#include "formats/portability/SysTrace.h"
#include "support/EnvGuard.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

namespace {

TEST(SysCalls, TempDirectoryPrefersTempThenTmp) {
  EnvGuard temp("TEMP"), tmp("TMP");
  ::setenv("TEMP", "/t1", 1);
  ::setenv("TMP", "/t2", 1);
  EXPECT_EQ(sysGetTempDirectory(), "/t1");
  ::unsetenv("TEMP");
  EXPECT_EQ(sysGetTempDirectory(), "/t2");
  ::unsetenv("TMP");
  EXPECT_EQ(sysGetTempDirectory(), "");
  ::setenv("TEMP", "", 1);
  EXPECT_EQ(sysGetTempDirectory(), "");  // empty is a valid answer
  ::setenv("TEMP", std::string(300, 'x').c_str(), 1);
  EXPECT_EQ(sysGetTempDirectory(), "");  // too long to be a path
}

TEST(SysCalls, AccessModes) {
  EXPECT_EQ(fileAccessModeConvert("r"), 2);
  EXPECT_EQ(fileAccessModeConvert("rw"), 3);
  EXPECT_EQ(fileAccessModeConvert("wr"), 3);
  EXPECT_EQ(fileAccessModeConvert("w"), 3);
}

class SysCallsFiles : public TempDirTest {};

TEST_F(SysCallsFiles, PrintfClampsToItsLine) {
  const int fd = sysOpen(path("out"), "w", false);
  ASSERT_GE(fd, 0);
  const std::string big(2000, 'y');
  EXPECT_EQ(sysfPrintf(fd, "%s", big.c_str()), 1023);  // never past the line
  EXPECT_EQ(sysfPrintf(fd, "|%d|%.1f", 42, 2.5), 7);
  EXPECT_EQ(sysClose(fd), 0);
  EXPECT_EQ(readTextFile(dir() / "out"), std::string(1023, 'y') + "|42|2.5");
}

TEST_F(SysCallsFiles, OpenModes) {
  int fd = sysOpen(path("f"), "w", false);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(sysWrite(fd, "abc", 3), 3);
  sysClose(fd);
  fd = sysOpen(path("f"), "a", false);
  EXPECT_EQ(sysWrite(fd, "de", 2), 2);
  sysClose(fd);
  EXPECT_EQ(readTextFile(dir() / "f"), "abcde");
  fd = sysOpen(path("f"), "r", false);
  EXPECT_EQ(sysWrite(fd, "x", 1), -1);  // read-only
  sysClose(fd);
  EXPECT_LT(sysOpen(path("missing"), "r", false), 0);
  EXPECT_EQ(sysWrite(-1, "x", 1), -1);
}

TEST_F(SysCallsFiles, WorkingDirectory) {
  char saved[512];
  ASSERT_NE(sysGetCwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(sysChDir(dir().string()), 0);
  char now[512];
  ASSERT_NE(sysGetCwd(now, sizeof now), nullptr);
  EXPECT_EQ(std::filesystem::canonical(now), std::filesystem::canonical(dir()));
  EXPECT_EQ(sysGetCwd(now, 1), nullptr);  // too small
  ASSERT_EQ(sysChDir(saved), 0);
}

TEST(SysTrace, SettersKeepSinksGivenAsNullAndLinesGoToTheInfoSink) {
  const TraceCapture trace;  // the info sink: the capture's file
  std::FILE* const file = TraceCapture::sink();
  zvrawSetTraceLevels(5, 6, nullptr, nullptr);
  EXPECT_EQ(zvraw::traceSettings().debugLevel, 5);
  EXPECT_EQ(zvraw::traceSettings().infoLevel, 6);
  EXPECT_EQ(zvraw::traceSettings().infoSink, file);
  zvrawSetTraceLevels(5, 6, file, nullptr);
  EXPECT_EQ(zvraw::traceSettings().debugSink, file);
  zvrawacifcSetTraceLevels(1, 2);
  EXPECT_EQ(zvraw::traceSettings().infoSink, file);
  EXPECT_EQ(zvraw::traceSettings().debugLevel, 1);
  zvrawimpSetTraceLevels(20, 20, nullptr, nullptr);
  EXPECT_EQ(zvraw::traceSettings().infoLevel, 20);
  zvraw::traceLine("Func %i - Updating scan count from %i to %i", 1, 5, 3);
  EXPECT_EQ(trace.text(), "Func 1 - Updating scan count from 5 to 3\n");
}

}  // namespace
