#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/portability/SysPaths.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> prefixesOf(const std::string& path) {
  std::vector<std::string> out;
  std::string prefix;
  while (getNextSubDir(path, prefix)) out.push_back(prefix);
  return out;
}

TEST(SysPaths, PrefixWalk) {
  using V = std::vector<std::string>;
  EXPECT_EQ(prefixesOf("/a/b/c"), (V{"/a", "/a/b", "/a/b/c"}));
  EXPECT_EQ(prefixesOf("a/b"), (V{"a", "a/b"}));
  EXPECT_EQ(prefixesOf("/a/"), (V{"/a", "/a/"}));
  EXPECT_EQ(prefixesOf("//host/share/x"), (V{"//host/share", "//host/share/x"}));
  EXPECT_EQ(prefixesOf("c:/data/run"), (V{"c:/data", "c:/data/run"}));
  EXPECT_EQ(prefixesOf(""), V{});
}

TEST(SysPaths, FindSlash) {
  EXPECT_EQ(findSlash("dir/sub/file"), 7u);
  EXPECT_EQ(findSlash("file"), 0u);
  EXPECT_EQ(findSlash("/file"), 0u);  // a separator at 0 does not count
}

TEST(SysPaths, CaseFoldingIsAsciiOnly) {
  char text[] = "aZ_\xe9\xc9 09";
  EXPECT_STREQ(to_upper(text), "AZ_\xe9\xc9 09");
  EXPECT_STREQ(to_lower(text), "az_\xe9\xc9 09");
}

struct FileNameCase {
  int n;
  const char* dat;
  const char* idx;
  const char* sts;
};

TEST(SysPaths, FunctionFileNames) {
  for (const FileNameCase& c : {FileNameCase{1, "d/_func001.dat", "d/_func001.idx", "d/_func001.sts"},
                                FileNameCase{5, "d/_func005.dat", "d/_func005.idx", "d/_func005.sts"},
                                FileNameCase{99, "d/_func099.dat", "d/_func099.idx", "d/_func099.sts"},
                                FileNameCase{100, "d/_func0100.dat", "d/_func0100.idx", "d/_func0100.sts"}}) {
    std::string out;
    EXPECT_EQ(getZVRawFunctionFile("d", out, c.n), ZVRAW_OK);
    EXPECT_EQ(out, c.dat);
    EXPECT_EQ(getZVRawIDXFile("d", out, c.n), ZVRAW_OK);
    EXPECT_EQ(out, c.idx);
    EXPECT_EQ(getZVRawStatsFile("d", out, c.n), ZVRAW_OK);
    EXPECT_EQ(out, c.sts);
  }
  std::string out;
  EXPECT_EQ(getZVRawFunctionFile("d/", out, 1), ZVRAW_OK);
  EXPECT_EQ(out, "d//_func001.dat");  // a trailing separator doubles, which the system accepts
}

TEST(SysPaths, OverlongNamesFailInsteadOfBeingCut) {
  // "/_func001.dat" is 13 characters: a 242-character directory just fits.
  std::string out = "stale";
  EXPECT_EQ(getZVRawFunctionFile(std::string(242, 'd'), out, 1), ZVRAW_OK);
  EXPECT_EQ(out.size(), zvraw::kMaxPathLength);
  EXPECT_EQ(getZVRawFunctionFile(std::string(243, 'd'), out, 1), ZVRAW_FILENAME_ERROR);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(getZVRawIDXFile(std::string(300, 'd'), out, 1), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(getZVRawStatsFile(std::string(300, 'd'), out, 1), ZVRAW_FILENAME_ERROR);
}

class SysPathsFiles : public TempDirTest {};

TEST_F(SysPathsFiles, ComponentOpenRetriesLastComponentCase) {
  writeTextFile(dir() / "_FUNC001.DAT", "upper");
  writeTextFile(dir() / "_Func002.dat", "mixed");
  writeTextFile(dir() / "_func003.dat", "lower");
  EXPECT_TRUE(rawFileComponentfopen(path("_func001.dat"), "rb"));
  EXPECT_TRUE(rawFileComponentfopen(path("_FUNC003.DAT"), "rb"));  // lower case found from upper
  EXPECT_FALSE(rawFileComponentfopen(path("_func002.dat"), "rb"));  // mixed case only by its own name
  EXPECT_TRUE(rawFileComponentfopen(path("_Func002.dat"), "rb"));
  EXPECT_EQ(sysRawComponentFileExists(path("_func001.dat")), 1);
  EXPECT_EQ(sysRawComponentFileExists(path("_func009.dat")), 0);
}

TEST_F(SysPathsFiles, ComponentOpenNeverFoldsDirectories) {
  fs::create_directory(dir() / "Run");
  writeTextFile(dir() / "Run" / "_HEADER.TXT", "x");
  EXPECT_TRUE(rawFileComponentfopen(path("Run/_header.txt"), "rb"));
  EXPECT_FALSE(rawFileComponentfopen(path("run/_header.txt"), "rb"));
  EXPECT_FALSE(rawFileComponentfopen(path("RUN/_HEADER.TXT"), "rb"));
}

TEST_F(SysPathsFiles, ComponentOpenRefusesOverlongPath) {
  // A long name whose first 255 bytes name an existing file must not open it.
  const std::string base = path("");
  const std::string name(zvraw::kMaxPathLength - base.size(), 'f');
  writeTextFile(dir() / name, "x");
  EXPECT_TRUE(rawFileComponentfopen(base + name, "rb"));
  EXPECT_FALSE(rawFileComponentfopen(base + name + "g", "rb"));
  EXPECT_FALSE(rawFileComponentfopen("", "rb"));
}

TEST_F(SysPathsFiles, MakeDirCreatesEveryPrefix) {
  const std::string target = path("a/b/c");
  EXPECT_EQ(sysMakeDir(target), 0);
  EXPECT_TRUE(fs::is_directory(dir() / "a"));
  EXPECT_TRUE(fs::is_directory(dir() / "a" / "b"));
  EXPECT_TRUE(fs::is_directory(dir() / "a" / "b" / "c"));
  // Every level already there: 0, nothing new.
  EXPECT_EQ(sysMakeDir(target), 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir() / "a" / "b" / "c"), fs::directory_iterator()), 0);
}

TEST_F(SysPathsFiles, MakeDirStopsAtAFileInTheWay) {
  writeTextFile(dir() / "file", "x");
  EXPECT_EQ(sysMakeDir(path("file/sub")), -1);
  EXPECT_EQ(sysMakeDir(std::string(300, 'x')), -1);
}

TEST_F(SysPathsFiles, ExistsDirProbesWithoutLeavingTraces) {
  EXPECT_EQ(sysExistsDir(dir().string()), 1);
  EXPECT_EQ(sysExistsDir(path("missing")), 0);
  EXPECT_FALSE(fs::exists(dir() / "missing"));  // the probe is undone
  EXPECT_EQ(sysExistsDir(""), 0);
  writeTextFile(dir() / "f", "x");
  EXPECT_EQ(sysExistsFile(path("f")), 1);
  EXPECT_EQ(sysExistsFile(path("g")), 0);
}

TEST(SysPaths, DirFromFullPath) {
  std::string out;
  EXPECT_EQ(sysGetDirFromFullPath("a/b/c.txt", out, 256), 1);
  EXPECT_EQ(out, "a/b");
  EXPECT_EQ(sysGetDirFromFullPath("a/b/c.txt", out, 3), 1);
  EXPECT_EQ(out, "a/");  // cut to size - 1
  EXPECT_EQ(sysGetDirFromFullPath("c.txt", out, 256), 0);
  EXPECT_EQ(sysGetDirFromFullPath("", out, 256), 0);
}

}  // namespace
