#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "formats/portability/IniFileUtil.h"
#include "support/Corruption.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using Vardex::Lib::ZorvalenRaw::IniFileUtil;

namespace {

constexpr const char* kHeader = "[VERSION#1]\n<-- version must be first line\n";

class IniFileUtilTest : public TempDirTest {
 protected:
  // Parses text as a file and returns the utility.
  IniFileUtil parse(const std::string& text) const {
    writeTextFile(dir() / "f.ini", text);
    IniFileUtil ini;
    ini.SetFilename(path("f.ini"));
    EXPECT_EQ(ini.Read(), ZVRAW_OK);
    return ini;
  }
};

TEST_F(IniFileUtilTest, LineKinds) {
  struct Case {
    const char* what;
    std::string text;
    int version;
    std::string expected;  // ToText after reading
  } cases[] = {
      {"version line alone", "[VERSION#7]", 7, "[VERSION#7]\n<-- version must be first line\n"},
      {"version anywhere", "[A]\nk=v\n[VERSION#3]\nx=y\n", 3,
       "[VERSION#3]\n<-- version must be first line\n[A]\nk=v\nx=y\n"},
      {"signed version", "[VERSION#-2]\n", -2, "[VERSION#-2]\n<-- version must be first line\n"},
      {"unclosed bracket opens a section", "[abc\nk=v\n", 1, std::string(kHeader) + "[abc]\nk=v\n"},
      {"text after ] ignored", "[abc]junk\nk=v\n", 1, std::string(kHeader) + "[abc]\nk=v\n"},
      {"two brackets alone dropped", "[A]\n[]\nk=v\n", 1, std::string(kHeader) + "[A]\nk=v\n"},
      {"VERSION# without a number", "[VERSION#x]\nk=v\n", 1, std::string(kHeader) + "[VERSION#x]\nk=v\n"},
      {"VERSION# out of range", "[VERSION#99999999999]\nk=v\n", 1,
       std::string(kHeader) + "[VERSION#99999999999]\nk=v\n"},
      {"VERSION# with nothing", "[VERSION#]\nk=v\n", 1, std::string(kHeader) + "[VERSION#]\nk=v\n"},
      {"malformed lines dropped", "[A]\na=b=c\nk=\nnone\n\n=v\n", 1, std::string(kHeader) + "[A]\n=v\n"},
      {"nothing trimmed", "[A]\n k = v \r\n", 1, std::string(kHeader) + "[A]\n k = v \r\n"},
      {"entries before any header", "k=v\n[B]\nx=y\n", 1, std::string(kHeader) + "[]\nk=v\n[B]\nx=y\n"},
      {"a later duplicate wins", "[A]\nk=1\n[B]\n[A]\nk=2\n", 1, std::string(kHeader) + "[A]\nk=2\n"},
  };
  for (const Case& c : cases) {
    const IniFileUtil ini = parse(c.text);
    EXPECT_EQ(ini.GetVersion(), c.version) << c.what;
    EXPECT_EQ(ini.ToText(), c.expected) << c.what;
  }
  EXPECT_EQ(parse("=v\n").Get("", ""), std::make_tuple(true, std::string("v")));
  EXPECT_EQ(parse("[A]\nk=v\r\n").Get("A", "k"), std::make_tuple(true, std::string("v\r")));
}

TEST_F(IniFileUtilTest, ReadThenWriteSortsAndDropsComments) {
  const IniFileUtil ini = parse(
      "[VERSION#2]\n<-- version must be first line\n; comment\n[zeta]\nb=2\na=1\n[Alpha]\nkey=value\n"
      "garbage line\n[beta]\nx=1=2\ny=\nz=3\n");
  ASSERT_EQ(ini.Write(path("out.ini")), ZVRAW_OK);
  EXPECT_EQ(readTextFile(dir() / "out.ini"),
            "[VERSION#2]\n<-- version must be first line\n[Alpha]\nkey=value\n[beta]\nz=3\n[zeta]\na=1\nb=2\n");
}

TEST_F(IniFileUtilTest, LongSectionNamesStayApart) {
  const std::string a = std::string(120, 's') + "A", b = std::string(120, 's') + "B";
  const IniFileUtil ini = parse("[" + a + "]\nk=1\n[" + b + "]\nk=2\n");
  EXPECT_EQ(ini.Get(a, "k"), std::make_tuple(true, std::string("1")));
  EXPECT_EQ(ini.Get(b, "k"), std::make_tuple(true, std::string("2")));
}

TEST_F(IniFileUtilTest, GetAddAndEmpty) {
  IniFileUtil ini;
  EXPECT_EQ(ini.GetVersion(), 1);
  EXPECT_EQ(ini.GetFilename(), "");
  EXPECT_EQ(ini.ToText(), kHeader);
  EXPECT_EQ(ini.Get("S", "k"), std::make_tuple(false, std::string()));
  EXPECT_EQ(ini.ToText(), kHeader);  // a lookup adds nothing
  EXPECT_EQ(ini.Add("S", "k", "1"), 0);
  EXPECT_EQ(ini.Add("S", "k", "2"), 0);
  EXPECT_EQ(ini.Get("S", "k"), std::make_tuple(true, std::string("2")));
  EXPECT_EQ(ini.Get("S", "other"), std::make_tuple(false, std::string()));
  ini.SetVersion(4);
  ASSERT_EQ(ini.Write(path("w.ini")), ZVRAW_OK);
  EXPECT_EQ(readTextFile(dir() / "w.ini"), "[VERSION#4]\n<-- version must be first line\n[S]\nk=2\n");

  // A failed read empties the settings too.
  ini.SetFilename(path("missing.ini"));
  EXPECT_EQ(ini.Read(), ZVRAW_INIFILE_OPEN_ERROR);
  EXPECT_EQ(ini.Get("S", "k"), std::make_tuple(false, std::string()));
  ini.SetFilename(dir().string());
  EXPECT_EQ(ini.Read(), ZVRAW_INIFILE_OPEN_ERROR);  // a directory does not read
}

TEST_F(IniFileUtilTest, WriteFailuresAreReported) {
  writeTextFile(dir() / "keep.ini", "[A]\nk=v\n");
  IniFileUtil ini;
  ini.Add("Section", "key", "a value long enough to pass the limit");
  {
    FileSizeLimit limit(8);
    EXPECT_EQ(ini.Write(path("keep.ini")), ZVRAW_INIFILE_OPEN_ERROR);
  }
  EXPECT_EQ(readTextFile(dir() / "keep.ini"), "[A]\nk=v\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), 1);
  EXPECT_EQ(ini.Write(path("no/such/dir/f.ini")), ZVRAW_INIFILE_OPEN_ERROR);

  std::ofstream closed;
  EXPECT_EQ(ini.Write(closed), ZVRAW_INIFILE_OPEN_ERROR);
  std::ofstream open(path("stream.ini"));
  EXPECT_EQ(ini.Write(open), ZVRAW_OK);
  EXPECT_FALSE(open.is_open());
  EXPECT_EQ(readTextFile(dir() / "stream.ini"), ini.ToText());
}

// Whatever a damaged file holds, what is read writes back to a file that
// reads the same again.
TEST_F(IniFileUtilTest, DamagedFilesReadAndRoundTrip) {
  const std::string text = "[VERSION#1]\n<-- version must be first line\n[Batch]\nName=run 1\n[Sample]\nVial=2:A,1\n";
  const Bytes valid(text.begin(), text.end());
  const auto exercise = [&](const Bytes& damaged) {
    writeFile(dir() / "d.ini", damaged);
    IniFileUtil first;
    first.SetFilename(path("d.ini"));
    const int rc = first.Read();
    EXPECT_EQ(rc, ZVRAW_OK);
    EXPECT_EQ(first.Write(path("again.ini")), ZVRAW_OK);
    IniFileUtil second;
    second.SetFilename(path("again.ini"));
    EXPECT_EQ(second.Read(), ZVRAW_OK);
    EXPECT_EQ(second.ToText(), first.ToText());
    EXPECT_EQ(second.GetVersion(), first.GetVersion());
    return rc;
  };
  expectRejectsTruncations(valid, exercise, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, exercise, 0x1e1, 150);
  const std::string hostile[] = {
      "[Ba\0tch]\nNa\0me=x\n[\0\n"s,
      "[Batch]\rName=1\r[Sample\r",
      "[" + std::string(1000, 'x') + "\n" + std::string(1000, '=') + "\n" + std::string(1000, 'k') + "=v\n",
      "[[[\n]]]\n[]]\n[=]\n=]\n[VERSION#1]]\n[VERSION#--1]\n",
  };
  for (const std::string& h : hostile) exercise(Bytes(h.begin(), h.end()));
}

}  // namespace
