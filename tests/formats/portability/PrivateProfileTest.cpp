#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/portability/PrivateProfile.h"
#include "support/Corruption.h"
#include "support/DecimalCommaLocale.h"
#include "support/FifoGuard.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class PrivateProfileTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    file_ = path("settings.ini");
  }
  const std::string& file() const { return file_; }
  void put(const std::string& text) const { writeTextFile(file(), text); }
  std::string contents() const { return readTextFile(file()); }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()));
  }
  // The code and the buffer of one read with default "dflt".
  std::pair<int, std::string> get(const char* section, const char* key, int size = 256) const {
    std::vector<char> buffer(static_cast<std::size_t>(size), 'X');
    const int rc = sysGetPrivateProfileString(section, key, "dflt", buffer.data(), size, file().c_str());
    return {rc, std::string(buffer.data())};
  }

 private:
  std::string file_;
};

TEST_F(PrivateProfileTest, WriterChangesOnlyTheOneLine) {
  const std::string longValue(298, 'x');
  const std::string name253(253, 'n');
  struct Case {
    const char* what;
    std::optional<std::string> before;  // nullopt: no file
    std::string section, key, value, after;
  } cases[] = {
      {"missing file", std::nullopt, "S", "k", "v", "[S]\nk=v\n"},
      {"new section after a line feed", "a=b\n", "S", "k", "v", "a=b\n\n\n[S]\nk=v\n"},
      {"new section, no final line feed", "a=b", "S", "k", "v", "a=b\n\n[S]\nk=v\n"},
      {"new section in an empty file", "", "S", "k", "v", "\n\n[S]\nk=v\n"},
      {"second key lands above the first", "[S]\nk=v\n", "S", "k2", "w", "[S]\nk2=w\nk=v\n"},
      {"replaced in place, the rest kept", "; c\n[S]\nfoo\nk=old\n; after\n[T]\nk=x\n", "S", "k", "new",
       "; c\n[S]\nfoo\nk=new\n; after\n[T]\nk=x\n"},
      {"header without a line feed", "[S]", "S", "k", "v", "[S]\nk=v\n"},
      {"header on the last line", "[S]\n", "S", "k", "v", "[S]\n\nk=v\n"},
      {"carriage returns elsewhere kept", "[S]\r\nk=old\r\nz=1\r\n", "S", "k", "v", "[S]\r\nk=v\nz=1\r\n"},
      {"section found ignoring case", "[sect]\nk=1\n", "SECT", "k", "v", "[sect]\nk=v\n"},
      {"key of another section untouched", "[A]\nk=1\n[S]\nx=2\n", "S", "k", "v", "[A]\nk=1\n[S]\nk=v\nx=2\n"},
      {"key case differs: a new line", "[S]\nK=1\n", "S", "k", "v", "[S]\nk=v\nK=1\n"},
      {"a long line replaced whole", "[S]\nk=" + longValue + "\nz=1\n", "S", "k", "v", "[S]\nk=v\nz=1\n"},
      {"a 255-character header keeps its line", "[" + name253 + "]\nz=1\n", name253, "k", "v",
       "[" + name253 + "]\nk=v\nz=1\n"},
      {"a key in the rest of a long line", "[S]\n" + std::string(255, 'y') + "k=old\n", "S", "k", "v",
       "[S]\n" + std::string(255, 'y') + "k=v\n"},
  };
  for (const Case& c : cases) {
    fs::remove(file());
    if (c.before) put(*c.before);
    EXPECT_EQ(sysSetPrivateProfileString(c.section.c_str(), c.key.c_str(), c.value.c_str(), file().c_str()), 0)
        << c.what;
    EXPECT_EQ(contents(), c.after) << c.what;
    EXPECT_EQ(get(c.section.c_str(), c.key.c_str()), std::make_pair(0, c.value)) << c.what;
    EXPECT_EQ(entries(), 1u) << c.what << ": a temporary file was left";
  }
}

TEST_F(PrivateProfileTest, WriterRefusesWhatCouldNotBeReadBack) {
  const std::string fixture = "[S]\nk=v\n";
  const std::string k100(100, 'k'), v154(154, 'v'), v155(155, 'v'), s253(253, 's'), s254(254, 's');
  const std::string name = file();
  struct Case {
    const char *section, *key, *value, *file;
    int rc;
  } cases[] = {
      {"S", "k", "v", nullptr, 1},
      {"S", "k", "v", "", 1},
      {nullptr, "k", "v", name.c_str(), 1},
      {"", "k", "v", name.c_str(), 1},
      {"S", nullptr, "v", name.c_str(), 1},
      {"S", "", "v", name.c_str(), 1},
      {"S", "a=b", "v", name.c_str(), 1},
      {"S", "[k", "v", name.c_str(), 1},
      {"S", "k", "line\nbreak", name.c_str(), 1},
      {"S", "k", "cr\r", name.c_str(), 1},
      {"S\n[T]", "k", "v", name.c_str(), 1},
      {"S", k100.c_str(), v155.c_str(), name.c_str(), 1},  // 255 characters of key and value
      {s254.c_str(), "k", "v", name.c_str(), 1},           // a 256-character header line
      {"S", k100.c_str(), v154.c_str(), name.c_str(), 0},  // 254 fit
      {s253.c_str(), "k", "v", name.c_str(), 0},           // a 255-character header fits
      {"S", "k", nullptr, name.c_str(), 0},                // a null value is empty
  };
  for (const Case& c : cases) {
    put(fixture);
    EXPECT_EQ(sysSetPrivateProfileString(c.section, c.key, c.value, c.file), c.rc)
        << (c.section ? c.section : "(null)") << " / " << (c.key ? c.key : "(null)");
    if (c.rc != 0) {
      EXPECT_EQ(contents(), fixture);
    }
  }
  put(fixture);
  EXPECT_EQ(sysSetPrivateProfileValue("S", "k", 1e308, 2, file().c_str()), 1);  // over 300 characters
  EXPECT_EQ(sysSetPrivateProfileValue("S", "k", 1.5, 1000, file().c_str()), 1);
  EXPECT_EQ(contents(), fixture);
}

TEST_F(PrivateProfileTest, ReaderMatching) {
  const std::string longLine = "[S]\nk=" + std::string(298, 'x') + "\nq=" + std::string(253, 'y') + "z=1\n";
  struct Case {
    std::string text;
    const char *section, *key;
    int rc;
    std::string value;
  } cases[] = {
      {"[S]\nk=v\n", "S", "k", 0, "v"},
      {"[SECT]\nk=v", "sect", "k", 0, "v"},
      {"[S]\nk=v\n", "S", "K", 3, "dflt"},
      {"[S]\nk =v\n", "S", "k", 3, "dflt"},
      {" [S]\nk=v\n", "S", "k", 2, "dflt"},
      {"[S] \nk=v\n", "S", "k", 2, "dflt"},
      {"[S]\nk=  v  \n", "S", "k", 0, "v  "},
      {"[S]\nk=\t v\n", "S", "k", 0, "\t v"},
      {"[S]\na=b=c\n", "S", "a", 0, "b=c"},
      {"[S]\nk=\n", "S", "k", 4, "dflt"},
      {"[S]\nk=   \r\n", "S", "k", 4, "dflt"},
      {"[S]\r\nk=v\r\n", "S", "k", 0, "v"},
      {"[S]\n[T]\nk=v\n", "S", "k", 3, "dflt"},
      {"[S]\n[junk\nk=v\n", "S", "k", 3, "dflt"},
      {"[S]\nnoequals\nk=v\n", "S", "k", 0, "v"},
      {"[T]\nk=1\n[S]\nk=2\n", "S", "k", 0, "2"},
      {"[S]\nk=1\nk=2\n", "S", "k", 0, "1"},
      {longLine, "S", "k", 0, std::string(253, 'x')},  // a 255-character piece ...
      {longLine, "S", "z", 0, "1"},                    // ... and its rest is a line of its own
      {"[S]\nk=v\n", "", "k", 2, "dflt"},
      {"[S]\nk=v\n", nullptr, "k", 2, "dflt"},
      {"[S]\n=v\n", "S", "", 3, "dflt"},
      {"[S]\nk=v\n", "S", nullptr, 3, "dflt"},
  };
  for (const Case& c : cases) {
    put(c.text);
    EXPECT_EQ(get(c.section, c.key), std::make_pair(c.rc, c.value)) << c.text;
  }
}

TEST_F(PrivateProfileTest, ReaderBuffersAndDefaults) {
  put("[S]\nk=abcdef\n");
  EXPECT_EQ(get("S", "k", 4), std::make_pair(0, std::string("abc")));
  EXPECT_EQ(get("S", "missing", 3), std::make_pair(3, std::string("df")));
  char exact[7];
  EXPECT_EQ(sysGetPrivateProfileString("S", "k", "", exact, sizeof exact, file().c_str()), 0);
  EXPECT_STREQ(exact, "abcdef");

  char same[16] = "mine";  // the default's own buffer is left alone
  EXPECT_EQ(sysGetPrivateProfileString("S", "none", same, same, sizeof same, file().c_str()), 3);
  EXPECT_STREQ(same, "mine");
  char untouched[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(sysGetPrivateProfileString("S", "k", "x", untouched, 0, file().c_str()), 0);
  EXPECT_EQ(sysGetPrivateProfileString("S", "none", "x", untouched, -5, file().c_str()), 3);
  EXPECT_EQ(std::string(untouched, 4), "abcd");
  EXPECT_EQ(sysGetPrivateProfileString("S", "k", "x", nullptr, 10, file().c_str()), 0);
  char empty[8];
  EXPECT_EQ(sysGetPrivateProfileString("S", "none", nullptr, empty, sizeof empty, file().c_str()), 3);
  EXPECT_STREQ(empty, "");

  for (const char* name : {"", "/no/such/file.ini"}) {
    char buffer[8];
    EXPECT_EQ(sysGetPrivateProfileString("S", "k", "d", buffer, sizeof buffer, name), 1);
    EXPECT_STREQ(buffer, "d");
  }
  char buffer[8];
  EXPECT_EQ(sysGetPrivateProfileString("S", "k", "d", buffer, sizeof buffer, nullptr), 1);
  EXPECT_EQ(sysGetPrivateProfileString("S", "k", "d", buffer, sizeof buffer, dir().c_str()), 1);  // a directory
  EXPECT_EQ(gppsCopyDefault(buffer, sizeof buffer, "defaultvalue"), 12);
  EXPECT_STREQ(buffer, "default");
}

TEST_F(PrivateProfileTest, TypedValues) {
  put("[S]\ni=12abc\nbig=99999999999\nneg=-99999999999\nzero=0\nyes=yes\ntwo=2\nf=2.5e1x\nblank= \n");
  const char* f = file().c_str();
  struct IntCase {
    const char* key;
    int rc, value;
  } ints[] = {{"i", 0, 12}, {"big", 0, INT_MAX}, {"neg", 0, INT_MIN}, {"yes", 0, 0}, {"none", 3, -7}, {"blank", 4, -7}};
  for (const IntCase& c : ints) {
    int v = 99;
    EXPECT_EQ(sysGetPrivateProfileValue("S", c.key, -7, v, f), c.rc) << c.key;
    EXPECT_EQ(v, c.value) << c.key;
  }
  struct BoolCase {
    const char* key;
    bool dflt, value;
  } bools[] = {{"zero", true, false}, {"yes", true, false}, {"two", false, true}, {"none", true, true}};
  for (const BoolCase& c : bools) {
    bool v = !c.value;
    sysGetPrivateProfileValue("S", c.key, c.dflt, v, f);
    EXPECT_EQ(v, c.value) << c.key;
  }
  float fv = 0;
  double dv = 0;
  EXPECT_EQ(sysGetPrivateProfileValue("S", "f", 1.0f, fv, f), 0);
  EXPECT_EQ(fv, 25.0f);
  EXPECT_EQ(sysGetPrivateProfileValue("S", "none", 1.5, dv, f), 3);
  EXPECT_EQ(dv, 1.5);
  EXPECT_EQ(sysGetPrivateProfileValue("S", "i", 0.0, dv, f), 0);
  EXPECT_EQ(dv, 12.0);
}

TEST_F(PrivateProfileTest, TypedWritesRoundTripAtTheirPlaces) {
  const char* f = file().c_str();
  EXPECT_EQ(sysSetPrivateProfileValue("S", "int", -42, f), 0);
  EXPECT_EQ(sysSetPrivateProfileValue("S", "flag", true, f), 0);
  EXPECT_EQ(sysSetPrivateProfileValue("S", "float", 3.14159f, 2, f), 0);
  EXPECT_EQ(sysSetPrivateProfileValue("S", "double", 2.0 / 3.0, 4, f), 0);
  EXPECT_EQ(sysSetPrivateProfileValue("S", "whole", 7.5, 0, f), 0);
  EXPECT_EQ(contents(), "[S]\nwhole=8\ndouble=0.6667\nfloat=3.14\nflag=1\nint=-42\n");
  int i = 0;
  bool b = false;
  float x = 0;
  double d = 0;
  EXPECT_EQ(sysGetPrivateProfileValue("S", "int", 0, i, f), 0);
  EXPECT_EQ(sysGetPrivateProfileValue("S", "flag", false, b, f), 0);
  EXPECT_EQ(sysGetPrivateProfileValue("S", "float", 0.0f, x, f), 0);
  EXPECT_EQ(sysGetPrivateProfileValue("S", "double", 0.0, d, f), 0);
  EXPECT_EQ(i, -42);
  EXPECT_TRUE(b);
  EXPECT_EQ(x, 3.14f);
  EXPECT_EQ(d, 0.6667);
}

TEST_F(PrivateProfileTest, NumbersIgnoreTheCallersLocale) {
  DecimalCommaLocale comma;
  if (!comma.active()) return missingDecimalCommaLocale();
  const char* f = file().c_str();
  EXPECT_EQ(sysSetPrivateProfileValue("S", "x", 1.25, 2, f), 0);
  EXPECT_EQ(contents(), "[S]\nx=1.25\n");
  double d = 0;
  EXPECT_EQ(sysGetPrivateProfileValue("S", "x", 0.0, d, f), 0);
  EXPECT_EQ(d, 1.25);
}

TEST_F(PrivateProfileTest, Tables) {
  const char* f = file().c_str();
  char rows[5][8] = {"a", "bb", "ccc", "", ""};
  const char* block = rows[0];
  EXPECT_EQ(sysSetPrivateProfileStringTable("S", "T", &block, 5, 8, 3, f), 0);
  EXPECT_EQ(contents(), "[S]\nT #4=\nT #3=\nT #2=ccc\nT #1=bb\nT #0=a\nT count=3\n");

  char read[5][8];
  std::memset(read, 'Z', sizeof read);
  char* out = read[0];
  int count = 0;
  EXPECT_EQ(sysGetPrivateProfileStringTable("S", "T", &out, 5, 8, count, f), 0);
  EXPECT_EQ(count, 3);
  EXPECT_STREQ(read[0], "a");
  EXPECT_STREQ(read[2], "ccc");
  EXPECT_EQ(std::string(read[3], 8), std::string(8, '\0'));
  EXPECT_EQ(std::string(read[4], 8), std::string(8, '\0'));

  // A stored count above the room fills the room and reports the count.
  put("[S]\nT count=4\nT #0=a\nT #1=b\nT #2=c\nT #3=d\n");
  char two[2][4];
  char* twoOut = two[0];
  EXPECT_EQ(sysGetPrivateProfileStringTable("S", "T", &twoOut, 2, 4, count, f), 0);
  EXPECT_EQ(count, 4);
  EXPECT_STREQ(two[1], "b");

  // A missing row reads as empty and fails the table; the count's own
  // absence does not (an empty table).
  put("[S]\nT count=2\nT #0=a\n");
  EXPECT_EQ(sysGetPrivateProfileStringTable("S", "T", &twoOut, 2, 4, count, f), 1);
  EXPECT_STREQ(two[1], "");
  put("[S]\n");
  EXPECT_EQ(sysGetPrivateProfileStringTable("S", "T", &twoOut, 2, 4, count, f), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(sysGetPrivateProfileStringTable("S", "T", nullptr, 2, 4, count, f), 1);

  // Rows need not be NUL-terminated inside their width.
  char full[1][3] = {{'x', 'y', 'z'}};
  const char* fullBlock = full[0];
  EXPECT_EQ(sysSetPrivateProfileStringTable("U", "R", &fullBlock, 1, 3, 1, f), 0);
  char back[1][8];
  char* backOut = back[0];
  EXPECT_EQ(sysGetPrivateProfileStringTable("U", "R", &backOut, 1, 8, count, f), 0);
  EXPECT_STREQ(back[0], "xyz");
}

TEST_F(PrivateProfileTest, LowLevelHelpers) {
  put("; top\n[A]\nx=1\n[B]\r\n\nk=v\r\n[C]\n" + std::string(300, 'q') + "\n");
  zvraw::FilePtr f(std::fopen(file().c_str(), "rb"));
  ASSERT_TRUE(f);
  EXPECT_EQ(gppsFindSection(f.get(), "b"), 4);
  std::string line;
  EXPECT_EQ(gppsFindKey(f.get(), "k", line), 2);
  EXPECT_EQ(line, "k=v");
  EXPECT_EQ(gppsFindKey(f.get(), "z", line), 0);
  EXPECT_EQ(line, "[C]");
  EXPECT_EQ(gppsFindSection(f.get(), ""), 0);
  EXPECT_EQ(gppsFindSection(nullptr, "A"), 0);
  EXPECT_EQ(gppsGetLineCount(file().c_str()), 9);  // the 300-character line counts twice
  EXPECT_EQ(gppsGetLineCount("/no/such/file"), 0);

  struct Case {
    std::string in, out;
  } cases[] = {{"ab\r\n", "ab"}, {"\r\n", "\r"}, {"\n", "\n"}, {"", ""}, {"a\rb\n\n", "a\rb"}};
  for (const Case& c : cases) {
    std::string s = c.in;
    gppsRemoveCRLF(s);
    EXPECT_EQ(s, c.out);
  }
}

TEST_F(PrivateProfileTest, FailedWritesLeaveTheFileAsItWas) {
  const std::string fixture = "[S]\nk=old\n; a comment that stays\n";
  put(fixture);
  {
    FileSizeLimit limit(8);
    EXPECT_EQ(sysSetPrivateProfileString("S", "k", "new", file().c_str()), 5);
    EXPECT_EQ(sysSetPrivateProfileString("Other", "k", "v", path("new.ini").c_str()), 5);
  }
  EXPECT_EQ(contents(), fixture);
  EXPECT_EQ(entries(), 1u);  // neither a temporary nor the new file
  EXPECT_EQ(sysSetPrivateProfileString("S", "k", "v", path("no/such/dir/x.ini").c_str()), 5);
}

TEST_F(PrivateProfileTest, WritesKeepPermissionsAndLinks) {
  put("[S]\nk=1\n");
  ASSERT_EQ(::chmod(file().c_str(), 0640), 0);
  EXPECT_EQ(sysSetPrivateProfileString("S", "k", "2", file().c_str()), 0);
  struct stat st {};
  ASSERT_EQ(::stat(file().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const mode_t saved = ::umask(027);
  EXPECT_EQ(sysSetPrivateProfileString("S", "k", "v", path("fresh.ini").c_str()), 0);
  ::umask(saved);
  ASSERT_EQ(::stat(path("fresh.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  fs::create_symlink(file(), dir() / "link.ini");
  EXPECT_EQ(sysSetPrivateProfileString("S", "k", "3", path("link.ini").c_str()), 0);
  EXPECT_TRUE(fs::is_symlink(dir() / "link.ini"));
  EXPECT_EQ(contents(), "[S]\nk=3\n");
}

// A FIFO at the file reads as an empty file, and a write replaces it with a
// regular one; neither waits for a peer.
TEST_F(PrivateProfileTest, FifoReadsEmptyAndIsReplaced) {
  ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
  EXPECT_EQ(withinFifo(file(), [&] { return get("S", "k"); }), (std::pair<int, std::string>{2, "dflt"}));  // as an empty file
  EXPECT_EQ(withinFifo(file(), [&] { return sysSetPrivateProfileString("S", "k", "v", file().c_str()); }), 0);
  EXPECT_EQ(contents(), "\n\n[S]\nk=v\n");
}

// Damaged files read with a code and no fault; a write into one still lands
// where the reader finds it.
TEST_F(PrivateProfileTest, DamagedFilesStayUsable) {
  const std::string text = "; settings\n[SMOOTH]\nNumber Of Smooths=2\nSmooth Width=3\r\n\n[CENTER]\nTop Percent=80\n";
  const Bytes valid(text.begin(), text.end());
  const auto exercise = [&](const Bytes& damaged) {
    writeFile(file(), damaged);
    const char* f = file().c_str();
    int n = 0;
    for (const char* key : {"Number Of Smooths", "Smooth Width", "Top Percent"}) {
      const int rc = sysGetPrivateProfileValue("SMOOTH", key, 0, n, f);
      EXPECT_TRUE(rc >= 0 && rc <= 4) << rc;
    }
    EXPECT_EQ(sysSetPrivateProfileValue("CENTER", "Top Percent", 55, f), 0);
    EXPECT_EQ(sysGetPrivateProfileValue("CENTER", "Top Percent", 0, n, f), 0);
    EXPECT_EQ(n, 55);
    return 0;
  };
  expectRejectsTruncations(valid, exercise, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, exercise, 0x9e01, 100);
  const std::string hostile[] = {
      "[SMOOTH]\nNumber Of Smooths=\0"
      "2\n[CENTER\0]\nTop Percent=1\n"s,
      "[SMOOTH]\rNumber Of Smooths=2\r[CENTER]\rTop Percent=1\r",
      "[SMOOTH]\n" + std::string(1000, 'a') + "=1\n[CENTER]\n" + std::string(1000, '[') + "\n",
      "[[SMOOTH]\n]]\n[CENTER\n[]\nTop Percent=1]\n[",
  };
  for (const std::string& h : hostile) exercise(Bytes(h.begin(), h.end()));
}

}  // namespace
