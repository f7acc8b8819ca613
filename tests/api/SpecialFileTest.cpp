// A component file that is not a regular file (a FIFO nobody writes, a
// directory) must read as a file that is not there: the open and the reads
// give what they give without it, and nothing waits for a peer.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "support/FullDirectory.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;

namespace {

// What the C interface makes of a directory.
struct Outcome {
  int open = -1, scan = -1, drift = -1, driftIndex = -1;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "open " << o.open << ", scan " << o.scan << ", drift " << o.drift << ", drift index " << o.driftIndex;
}

Outcome readDirectory(const fs::path& dir) {
  Outcome o;
  CZorvalenBaseReader r = nullptr;
  o.open = createRawReaderFromPath(dir.c_str(), &r, ZorvalenBaseType::SCAN);
  if (o.open != ZVRAW_OK) return o;
  float *masses = nullptr, *intensities = nullptr;
  int* indices = nullptr;
  int size = 0;
  o.scan = readScan(r, 0, 0, &masses, &intensities, &size);
  o.drift = readDriftScan(r, 0, 1, 0, &masses, &intensities, &size);
  o.driftIndex = readDriftScanIndex(r, 0, 0, 0, &indices, &intensities, &size);
  EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
  return o;
}

// Reads dir on another thread; a read that hangs is reported, and released
// by giving the FIFO the peer it waits for.
Outcome readWithin(const fs::path& dir, const fs::path& fifo) {
  auto pending = std::async(std::launch::async, [&] { return readDirectory(dir); });
  if (pending.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << fifo << " held the open";
    for (int mode : {O_WRONLY, O_RDONLY}) {
      const int fd = ::open(fifo.c_str(), mode | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    }
  }
  return pending.get();
}

class SpecialFiles : public TempDirTest {};

TEST_F(SpecialFiles, ReadAsMissingFiles) {
  const fs::path raw = dir() / "run.raw";
  std::vector<std::string> names = fullDirectoryFiles();
  names.insert(names.end(), {"_ANALOGS.INF", "_ANALOGS.DAT", "_header.inf", "_func002.sts"});
  for (const std::string& name : names) {
    fs::remove_all(raw);
    fs::create_directories(raw);
    writeFullDirectory(raw);
    fs::remove(raw / name);
    const Outcome missing = readDirectory(raw);

    ASSERT_EQ(::mkfifo((raw / name).c_str(), 0600), 0) << name;
    EXPECT_EQ(readWithin(raw, raw / name), missing) << name << " as a FIFO";

    fs::remove(raw / name);
    fs::create_directory(raw / name);
    EXPECT_EQ(readDirectory(raw), missing) << name << " as a directory";
  }
}

}  // namespace
