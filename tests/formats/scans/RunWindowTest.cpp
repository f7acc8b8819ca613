// The block reader of neighbouring runs: what it hands out is the file's
// bytes at the offset asked for, and it refuses what it cannot hold.

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/RunWindow.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

class RunWindowTest : public TempDirTest {};

TEST_F(RunWindowTest, GivesTheFileBytesAndRefusesWhatItCannotHold) {
  constexpr std::uint64_t kBlock = 3 * zvraw::kPageSize, kSize = 5 * zvraw::kPageSize + 123;
  Bytes file(kSize);
  for (std::size_t k = 0; k < file.size(); ++k) file[k] = static_cast<std::uint8_t>(k * 131 + k / 256);
  writeFile(path("_func001.dat"), file);
  const int fd = ::open(path("_func001.dat").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  zvraw::PageAlignedBuffer block(kBlock);
  char* b = reinterpret_cast<char*>(block.data());
  struct Case {
    std::uint64_t end, offset, bytes;  // end: how far the window may read
    bool held;
  } cases[] = {
      {kSize, 0, 100, true},         {kSize, 50, 200, true},  // the second from the block the first read
      {kSize, 4000, kBlock - 4000, true}, {kSize, 4000, kBlock - 3999, false},  // the block starts at the run's page
      {kSize, kSize - 1, 1, true},   {kSize, kSize, 0, true},   {kSize, kSize - 1, 2, false},
      {kSize, kSize + 1, 0, false},  {kSize, ~std::uint64_t{0}, 2, false},
      {100, 0, 100, true},           {100, 60, 40, true},       {100, 90, 40, true},  // past the end: read again
  };
  zvraw::RunWindow window(fd, kSize, b, kBlock, kSize), near(fd, kSize, b, kBlock, 100);
  for (const Case& c : cases) {
    const char* run = (c.end == kSize ? window : near).find(c.offset, c.bytes);
    EXPECT_EQ(run != nullptr, c.held) << c.offset << " + " << c.bytes;
    if (run && c.bytes > 0) {
      EXPECT_EQ(std::memcmp(run, file.data() + c.offset, c.bytes), 0) << c.offset;
    }
  }
  // A file shorter than it was when opened: the block cannot be filled.
  ASSERT_EQ(::truncate(path("_func001.dat").c_str(), 2 * zvraw::kPageSize), 0);
  window.forget();
  EXPECT_EQ(window.find(0, 100), nullptr);
  ::close(fd);
}

}  // namespace
