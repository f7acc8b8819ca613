#include "formats/scans/ScanReadAhead.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "support/FunctionDataRig.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

namespace fs = std::filesystem;
using zvraw::HeldDataFiles;
using zvraw::ScanReadAhead;
using borealtek_calibrate_version_1::FunctionCalibration;

// Waits until the coarse clock has passed the file's change time, so that a
// quiet span of 0 lets the file be read ahead.
void waitPastChange(const fs::path& p) {
  for (int tries = 0; tries < 1000; ++tries) {
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    const std::timespec now = ScanReadAhead::now();
    if (now.tv_sec > st.st_ctim.tv_sec || (now.tv_sec == st.st_ctim.tv_sec && now.tv_nsec > st.st_ctim.tv_nsec)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  FAIL() << "the clock never passed the change time";
}

// Bit patterns, so that NaNs compare too.
std::vector<std::uint32_t> bits(const std::vector<float>& v) {
  std::vector<std::uint32_t> out;
  for (float f : v) out.push_back(std::bit_cast<std::uint32_t>(f));
  return out;
}

class ScanReadAheadTest : public TempDirTest {};

TEST_F(ScanReadAheadTest, ServesTheFileBytesOfRunsReadInOrderOnly) {
  const fs::path p = dir() / "data";
  Bytes bytes(600 * 1024);
  std::mt19937 rng(7);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  writeFile(p, bytes);
  waitPastChange(p);
  HeldDataFiles files;
  const auto file = files.acquire(p.string());
  ASSERT_TRUE(file);
  ScanReadAhead ahead;
  const std::int64_t quiet = 0, loud = 60'000'000'000;
  struct Step {
    std::uint64_t offset, bytes;
    std::int64_t quiet;
    bool served;
  } steps[] = {
      {100, 3000, quiet, false},             // the first run is read alone
      {3100, 3000, quiet, true},             // the next one fills the block from its page
      {6100, 5000, quiet, true},             // within the block
      {50, 10, quiet, true},                 // back, but still within the block
      {300000, 10, quiet, false},            // a jump past it
      {300010, 200 * 1024, quiet, false},    // in order, too large for the block
      {504810, 4000, loud, false},           // in order, the file changed too lately
      {508814, 4000, quiet, false},          // not the next run
      {512814, 100, quiet, true},            // the next: the block runs to the file's end
      {614300, 100, quiet, true},            // the file's last bytes
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "run at " << s.offset);
    const char* got = ahead.find(file, ScanReadAhead::now(), s.offset, s.bytes, s.quiet);
    EXPECT_EQ(got != nullptr, s.served);
    EXPECT_TRUE(!got || std::memcmp(got, bytes.data() + s.offset, s.bytes) == 0);
  }
}

// A rewrite in place, of the same size, is a new file to the set: nothing read
// ahead of the old one is served for it, and a file cut under its handle
// leaves the read to the caller.
TEST_F(ScanReadAheadTest, ChangedFilesAreReadAgain) {
  const fs::path p = dir() / "data";
  writeFile(p, Bytes(600 * 1024, 1));
  waitPastChange(p);
  HeldDataFiles files;
  ScanReadAhead ahead;
  auto file = files.acquire(p.string());
  ASSERT_EQ(ahead.find(file, ScanReadAhead::now(), 0, 100, 0), nullptr);
  const char* got = ahead.find(file, ScanReadAhead::now(), 100, 100, 0);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got[0], 1);

  std::FILE* f = std::fopen(p.c_str(), "r+b");  // in place: same inode and size
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(Bytes(600 * 1024, 2).data(), 1, 600 * 1024, f), 600u * 1024);
  ASSERT_EQ(std::fclose(f), 0);
  const auto again = files.acquire(p.string());
  ASSERT_NE(again, file);  // the change time moved
  EXPECT_EQ(ahead.find(again, ScanReadAhead::now(), 200, 100, 0), nullptr);
  waitPastChange(p);
  got = ahead.find(again, ScanReadAhead::now(), 300, 100, 0);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got[0], 2);

  ASSERT_EQ(::truncate(p.c_str(), 1000), 0);
  EXPECT_NE(files.acquire(p.string()), again);
  // A load that raced the cut, past the block: the caller's own read answers.
  EXPECT_EQ(ahead.find(again, ScanReadAhead::now(), 300'000, 100, 0), nullptr);  // a jump
  EXPECT_EQ(ahead.find(again, ScanReadAhead::now(), 300'100, 100, 0), nullptr);  // the file ended early
}

// One-scan loads in order give, scan by scan, the codes and values of loads
// that read each run themselves: every stored format, calibrated or not,
// every bad-scan strategy, over intact and seeded-corrupt data files.
TEST_F(ScanReadAheadTest, OneScanLoadsMatchLoadsThatReadEachRun) {
  constexpr unsigned kScans = 40;
  const std::vector<PeakList> scans = samplePeaks(kScans);
  FunctionCalibration cal;
  cal.setCalibration(0.01, 1.0001, 1e-7, borealtek_calibrate_version_1::CALTYPE_NORMAL);
  const fs::path dat = dir() / "_func001.dat";
  for (unsigned format : {0u, 8u, 9u, 12u}) {
    writeFunction(dir().string(), FunctionShape(format), scans);
    const Bytes intact = readFile(dat);
    for (std::uint32_t seed : {0u, 1u, 2u}) {
      Bytes bytes = intact;
      std::mt19937 rng(seed);
      for (unsigned k = 0; seed > 0 && k < bytes.size() / 16; ++k) bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
      writeFile(dat, bytes);
      waitPastChange(dat);
      for (int strategy : {0, 1, 2, 3}) {
        SCOPED_TRACE(testing::Message() << "format " << format << " seed " << seed << " strategy " << strategy);
        const ScopedBadScanStrategy bad(strategy);
        FunctionReader plain(dir().string()), ahead(dir().string());
        ASSERT_EQ(plain.openResult, ZVRAW_OK);
        auto files = std::make_shared<HeldDataFiles>();
        files->setQuietNanos(0);
        ahead.data.setHeldDataFiles(files);
        for (FunctionReader* r : {&plain, &ahead}) r->data.setCalibration(&cal);
        for (unsigned s = 0; s < kScans; ++s) {
          const bool calibrate = s % 3 != 0;
          ASSERT_EQ(ahead.data.loadData(s, s, 0u, calibrate, false, 0.0f, -1.0f),
                    plain.data.loadData(s, s, 0u, calibrate, false, 0.0f, -1.0f))
              << "scan " << s;
          const PeakList a = loadedPeaks(ahead.data, s), b = loadedPeaks(plain.data, s);
          EXPECT_EQ(bits(a.masses), bits(b.masses)) << "scan " << s;
          EXPECT_EQ(bits(a.intensities), bits(b.intensities)) << "scan " << s;
          EXPECT_EQ(bits({ahead.data.getMinimumMassDelta()}), bits({plain.data.getMinimumMassDelta()})) << s;
        }
      }
    }
  }
}

}  // namespace
