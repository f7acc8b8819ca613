#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "formats/portability/FileIO.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace {

class FileIOTest : public TempDirTest {
 protected:
  [[nodiscard]] std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()));
  }
};

TEST_F(FileIOTest, ReadWholeFileHonoursTheCap) {
  writeTextFile(dir() / "_HEADER.TXT", "abcdef");
  Bytes b;
  EXPECT_EQ(zvraw::readWholeFile(path("_header.txt"), b, 6), ZVRAW_OK);  // found in upper case
  EXPECT_EQ(std::string(b.begin(), b.end()), "abcdef");
  EXPECT_EQ(zvraw::readWholeFile(path("_header.txt"), b, 5), ZVRAW_FILEREAD_ERROR);
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(zvraw::readWholeFile(path("missing"), b, 100), ZVRAW_FILEOPEN_ERROR);
  writeTextFile(dir() / "empty", "");
  EXPECT_EQ(zvraw::readWholeFile(path("empty"), b, 0), ZVRAW_OK);
}

TEST_F(FileIOTest, CommitReplacesTheTargetWhole) {
  writeTextFile(dir() / "f", "old content");
  const std::string text = "new";
  EXPECT_EQ(zvraw::writeWholeFile(path("f"), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
            ZVRAW_OK);
  EXPECT_EQ(readTextFile(dir() / "f"), "new");
  EXPECT_EQ(entries(), 1u);  // no temporary file left
  struct stat st {};
  ASSERT_EQ(::stat(path("f").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IRUSR, 0u);
}

TEST_F(FileIOTest, AbandonedWriteLeavesTargetAndNoTemporary) {
  writeTextFile(dir() / "f", "keep me");
  {
    zvraw::AtomicFileWriter w;
    ASSERT_EQ(w.open(path("f")), ZVRAW_OK);
    ASSERT_EQ(w.write(std::string_view("partial")), ZVRAW_OK);
  }  // destroyed without commit
  EXPECT_EQ(readTextFile(dir() / "f"), "keep me");
  EXPECT_EQ(entries(), 1u);
}

TEST_F(FileIOTest, FailuresAreReported) {
  zvraw::AtomicFileWriter w;
  EXPECT_EQ(w.write(std::string_view("x")), ZVRAW_FILEPOINTER_INVALID);
  EXPECT_EQ(w.commit(), ZVRAW_FILEPOINTER_INVALID);
  EXPECT_EQ(w.open(path("no/such/dir/f")), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(w.open(std::string(300, 'x')), ZVRAW_FILENAME_ERROR);
  // A rename onto a directory fails, and the temporary goes away.
  fs::create_directory(dir() / "d");
  fs::create_directory(dir() / "d" / "inner");
  ASSERT_EQ(w.open(path("d")), ZVRAW_OK);
  EXPECT_EQ(w.commit(), ZVRAW_FILEWRITE_ERROR);
  EXPECT_EQ(entries(), 1u);
}

// A same-size rewrite changes only the bytes that differ, in the file
// itself; anything else is a whole-file write. A short write (the file-size
// limit cuts it) puts the old bytes back.
TEST_F(FileIOTest, RewritesOfTheSameSizeGoInPlace) {
  const auto bytesOf = [](std::string_view t) {
    return std::span(reinterpret_cast<const std::uint8_t*>(t.data()), t.size());
  };
  const auto inode = [&] {
    struct stat st {};
    return ::stat(path("f").c_str(), &st) == 0 ? st.st_ino : 0;
  };
  writeTextFile(dir() / "f", "0123456789");
  const struct {
    const char* text;
    int rc;
    const char* after;
    bool sameFile;
  } cases[] = {{"0123456789", ZVRAW_OK, "0123456789", true},  // nothing differs: nothing written
               {"01xx4567y9", ZVRAW_OK, "01xx4567y9", true},
               {"short", ZVRAW_OK, "short", false},  // another size: a new file
               {"shorT", ZVRAW_OK, "shorT", true}};
  for (const auto& c : cases) {
    const auto before = inode();
    EXPECT_EQ(zvraw::rewriteWholeFile(path("f"), bytesOf(c.text)), c.rc) << c.text;
    EXPECT_EQ(readTextFile(dir() / "f"), c.after) << c.text;
    EXPECT_EQ(inode() == before, c.sameFile) << c.text;
  }
  writeTextFile(dir() / "g", std::string(64, 'a'));
  {
    const FileSizeLimit limit(40);
    ASSERT_TRUE(limit.ok());
    const std::string text = std::string(32, 'a') + std::string(32, 'b');  // differs from byte 32 on
    EXPECT_EQ(zvraw::rewriteWholeFile(path("g"), bytesOf(text)), ZVRAW_FILEWRITE_ERROR);
  }
  EXPECT_EQ(readTextFile(dir() / "g"), std::string(64, 'a'));
  EXPECT_EQ(zvraw::rewriteWholeFile(path("new"), bytesOf("created")), ZVRAW_OK);
  EXPECT_EQ(readTextFile(dir() / "new"), "created");
  fs::create_directory(dir() / "d");
  fs::create_directory(dir() / "d" / "inner");
  EXPECT_EQ(zvraw::rewriteWholeFile(path("d"), bytesOf("x")), ZVRAW_FILEWRITE_ERROR);
}

}  // namespace
