#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "formats/portability/FileIO.h"
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

}  // namespace
