#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdio>
#include <stdexcept>

#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

TEST(Convert, NarrowsOrThrows) {
  EXPECT_EQ(convert(0), 0u);
  EXPECT_EQ(convert(4294967295ull), 4294967295u);
  try {
    (void)convert(4294967296ull);
    FAIL() << "no throw";
  } catch (const std::overflow_error& e) {
    EXPECT_STREQ(e.what(), "Conversion overflow");
  }
}

class SysFileSizeTest : public TempDirTest {};

TEST_F(SysFileSizeTest, SizesAndPositions) {
  writeTextFile(dir() / "f", "0123456789");
  zvraw::FilePtr f = rawFileComponentfopen(path("f"), "rb");
  ASSERT_TRUE(f);
  ASSERT_EQ(fseek_4g(f.get(), 3, SEEK_SET), 0);
  EXPECT_EQ(getFileSizePreserve(f.get()), 10);
  EXPECT_EQ(ftello(f.get()), 3);  // restored
  EXPECT_EQ(getLargeFileSize(f.get()), 10);
  EXPECT_EQ(ftello(f.get()), 10);  // left at the end
  ASSERT_EQ(fseek_4g(f.get(), 0, SEEK_SET), 0);
  EXPECT_EQ(getFileSize(f.get()), 10u);

  unsigned int size = 0;
  EXPECT_EQ(getFileSize(path("f"), size), ZVRAW_OK);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(getFileSize(path("missing"), size), ZVRAW_FILEOPEN_ERROR);
}

TEST_F(SysFileSizeTest, SeeksPastFourGiB) {
  writeTextFile(dir() / "f", "x");
  zvraw::FilePtr f = rawFileComponentfopen(path("f"), "rb");
  ASSERT_TRUE(f);
  ASSERT_EQ(fseek_64(f.get(), 5, 1, SEEK_SET), 0);
  EXPECT_EQ(ftello(f.get()), static_cast<off_t>(4294967301ll));
  ASSERT_EQ(fseek_4g(f.get(), 0xFFFFFFF0u, SEEK_SET), 0);  // above 2 GiB, not negative
  EXPECT_EQ(ftello(f.get()), static_cast<off_t>(0xFFFFFFF0ll));
  EXPECT_NE(fseek_64(f.get(), 0, 0xFFFFFFFFu, SEEK_SET), 0);  // beyond what off_t holds
  EXPECT_NE(fseek_64(nullptr, 0, 0, SEEK_SET), 0);
}

TEST_F(SysFileSizeTest, SparseFileOfFourGiBThrowsWhereNarrowed) {
  zvraw::FilePtr f(std::fopen(path("big").c_str(), "wb+"));
  ASSERT_TRUE(f);
  // A byte at offset 4 GiB makes a sparse file one byte past the 32-bit range.
  if (fseek_64(f.get(), 0, 1, SEEK_SET) != 0 || std::fputc('x', f.get()) == EOF || std::fflush(f.get()) != 0)
    GTEST_SKIP() << "the file system cannot hold a sparse 4 GiB file";
  EXPECT_EQ(getLargeFileSize(f.get()), 4294967297ll);
  EXPECT_THROW((void)getFileSize(f.get()), std::overflow_error);
  unsigned int size = 0;
  EXPECT_THROW((void)getFileSize(path("big"), size), std::overflow_error);
}

}  // namespace
