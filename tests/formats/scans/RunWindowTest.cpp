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
  zvraw::RunWindow window(fd, kSize, reinterpret_cast<char*>(block.data()), kBlock, kSize);
  struct Case {
    std::uint64_t offset, bytes;
    bool held;
  } cases[] = {
      {0, 100, true},           {50, 200, true},  // the second from the block the first read
      {kBlock - 10, 20, true},  {4000, kBlock - 4000, true},  {4000, kBlock - 3999, false},  // past the block from its page
      {kSize - 1, 1, true},     {kSize, 0, true},              {kSize - 1, 2, false},
      {kSize + 1, 0, false},    {~std::uint64_t{0}, 2, false}, {0, kBlock + 1, false},
      {12, 7, true},
  };
  for (const Case& c : cases) {
    const char* run = window.find(c.offset, c.bytes);
    EXPECT_EQ(run != nullptr, c.held) << c.offset << " + " << c.bytes;
    if (run && c.bytes > 0) {
      EXPECT_EQ(std::memcmp(run, file.data() + c.offset, c.bytes), 0) << c.offset;
    }
  }
  // Read no further than the end given: a run past it is read afresh.
  zvraw::RunWindow near(fd, kSize, reinterpret_cast<char*>(block.data()), kBlock, 100);
  for (std::uint64_t at : {0u, 60u, 100u, 9000u}) {
    const char* run = near.find(at, 40);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(std::memcmp(run, file.data() + at, 40), 0) << at;
  }
  // A file shorter than it was when opened: the block cannot be filled.
  ASSERT_EQ(::truncate(path("_func001.dat").c_str(), 2 * zvraw::kPageSize), 0);
  window.forget();
  EXPECT_EQ(window.find(0, 100), nullptr);
  EXPECT_EQ(zvraw::preadRun(fd, reinterpret_cast<char*>(block.data()), 100, 2 * zvraw::kPageSize - 50),
            ZVRAW_SCANREAD_EOFERROR);
  zvraw::RunWindow none(fd, kSize, nullptr, kBlock, kSize);
  EXPECT_EQ(none.find(0, 1), nullptr);
  ::close(fd);
}

}  // namespace
