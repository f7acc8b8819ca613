// Where a scan's bytes come from: every source hands out the file's bytes at
// the offset asked for, whatever block they are staged in, and refuses a run
// the file does not hold before reading anything.

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "formats/portability/FileHandle.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/RunSource.h"
#include "formats/scans/RunWindow.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

class RunSourceTest : public TempDirTest {};

TEST_F(RunSourceTest, GivesTheFileBytesOrRefusesBeforeReading) {
  constexpr std::uint64_t kBlock = zvraw::kScratchBlockBytes, kSize = kBlock + 3 * zvraw::kPageSize + 77;
  Bytes file(kSize);
  for (std::size_t k = 0; k < file.size(); ++k) file[k] = static_cast<std::uint8_t>(k * 131 + k / 256);
  writeFile(path("_func001.dat"), file);
  zvraw::FilePtr stream(std::fopen(path("_func001.dat").c_str(), "rb"));
  ASSERT_TRUE(stream);
  const int fd = ::fileno(stream.get());
  const char* bytes = reinterpret_cast<const char*>(file.data());
  struct Case {
    std::uint64_t offset, bytes;
    int rc;
  } cases[] = {
      {0, 100, ZVRAW_OK},
      {4000, 300, ZVRAW_OK},                  // across a page
      {5, kBlock - 5, ZVRAW_OK},              // the scratch block to its end
      {5, kBlock, ZVRAW_OK},                  // one byte more: a block of the source's own
      {0, kSize, ZVRAW_OK},                   // the whole file
      {4000, 300, ZVRAW_OK},                  // again, after the large runs
      {kSize, 0, ZVRAW_OK},                   // nothing, at the end
      {kSize - 1, 2, ZVRAW_SCANREAD_EOFERROR},
      {kSize + 1, 0, ZVRAW_SCANREAD_EOFERROR},
      {~std::uint64_t{0}, 2, ZVRAW_SCANREAD_EOFERROR},
  };
  zvraw::RunWindow window(fd, kSize, zvraw::threadScratchBlock(), kBlock, kSize);
  zvraw::RunSource sources[] = {zvraw::RunSource::stream(stream.get()), zvraw::RunSource::descriptor(fd, kSize),
                                zvraw::RunSource::descriptor(fd, kSize, &window),
                                zvraw::RunSource::memory(bytes, kSize)};
  for (std::size_t s = 0; s < std::size(sources); ++s)
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "source " << s << ": " << c.bytes << " at " << c.offset);
      if (s == 0 && ::fseeko(stream.get(), static_cast<off_t>(c.offset), SEEK_SET) != 0) continue;
      std::span<const char> run{bytes, 1};
      EXPECT_EQ(sources[s].fetch(c.offset, c.bytes, run), c.rc);
      EXPECT_EQ(run.size(), c.rc == ZVRAW_OK ? c.bytes : 0u);
      if (!run.empty()) {
        EXPECT_EQ(std::memcmp(run.data(), bytes + c.offset, run.size()), 0);
      }
    }

  // A block that holds the file's bytes from `at` on knows nothing before them.
  zvraw::RunSource tail = zvraw::RunSource::memory(bytes + 4096, kSize - 4096, 4096);
  std::span<const char> run;
  EXPECT_EQ(tail.fetch(4095, 1, run), ZVRAW_SCANREAD_EOFERROR);
  ASSERT_EQ(tail.fetch(4096, 10, run), ZVRAW_OK);
  EXPECT_EQ(run.data(), bytes + 4096);
  // No source at all.
  zvraw::RunSource none[] = {zvraw::RunSource::stream(nullptr), zvraw::RunSource::descriptor(-1, kSize),
                             zvraw::RunSource::memory(nullptr, kSize)};
  for (zvraw::RunSource& source : none) EXPECT_EQ(source.fetch(0, 1, run), ZVRAW_NULLPOINTER_ERROR);
  // A stream whose file shrank since it was opened: refused before the read.
  ASSERT_EQ(::fseeko(stream.get(), 0, SEEK_SET), 0);
  ASSERT_EQ(::truncate(path("_func001.dat").c_str(), 100), 0);
  EXPECT_EQ(sources[0].fetch(0, 101, run), ZVRAW_SCANREAD_EOFERROR);
  EXPECT_EQ(sources[1].fetch(0, 101, run), ZVRAW_SCANREAD_EOFERROR) << "a descriptor's read answers";
}

}  // namespace
