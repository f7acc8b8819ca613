// A hostile file in a small raw directory must not make an open, or the
// first drift read, take far more heap than the file holds: at most four
// times its bytes over what the intact directory takes, plus a constant.
// Each kind of file the open and the drift reads use is written at 1 MiB and
// at 16 MiB in the shape that costs most per byte; an open of the 1 MiB
// directory must also end within a second.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drift/CDTFormat.h"
#include "drift/Compressor.h"
#include "drift/DriftPairFixture.h"
#include "formats/statistics/ZVRawAnalog.h"
#include "memory/CountingAllocator.h"
#include "support/ByteBuilder.h"
#include "support/FullDirectory.h"
#include "support/IndexRecords.h"
#include "support/RawDirectoryFixture.h"
#include "support/StatsTableFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
// Fixed read blocks and the like, whatever the file's size.
constexpr std::uint64_t kSlack = 4 * kMiB;
constexpr std::uint64_t kBytesPerFileByte = 4;

void put(const fs::path& p, const Bytes& bytes) { writeFile(p, bytes); }

// Repeats unit until the file holds size bytes (a whole number of units).
Bytes repeated(const Bytes& head, const Bytes& unit, std::uint64_t size) {
  Bytes out = head;
  while (out.size() + unit.size() <= size) out.insert(out.end(), unit.begin(), unit.end());
  return out;
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A drift index of version v, n spectra per block, whose blocks are all empty.
Bytes emptyBlocksIndex(int version, std::uint64_t size) {
  using namespace Vardex::Control::Legacy::ZorvalenRaw;
  ByteBuilder head;
  head.i32(version << 16).i32(1).f32(1e9f).f32(10.0f).f32(1.0f).f32(5184.0f).f32(0).f32(100.0f).f32(10000.0f);
  ByteBuilder record;
  record.i32(0).i32(0);
  if (version != KORRIN_V1) record.i32(0);
  if (version == KORRIN_V3) record.i32(0).i32(0);
  record.f32(1.0f).i32(0);
  if (version != KORRIN_V1) record.i32(0);
  return repeated(head.take(), record.take(), size);
}

// One block whose streams expand as far as the coder lets them: every point
// of every section is 0. A compressed block justifies what it expands to:
// the bytes of its decoded streams are returned.
std::uint64_t maximalBlock(const fs::path& dir, std::uint64_t size) {
  using namespace Vardex::Control::Legacy::ZorvalenRaw;
  Compressor c;
  std::uint64_t points = size;  // shrunk until the block fits size
  std::string data;
  for (;;) {
    data.clear();
    const std::vector<unsigned short> masses(points, 0);
    const std::vector<short> intensities(points, 0);
    const std::vector<unsigned char> flags(points, 0);
    const int m = c.CompressAppend(masses.data(), points, data);
    const int i = c.CompressAppend(intensities.data(), points, data);
    const int f = c.CompressAppend(flags.data(), points, data);
    if (data.size() <= size) {
      ByteBuilder index;
      index.i32(kWriterFormatWord).i32(1).f32(1e9f).f32(10.0f).f32(1.0f).f32(5184.0f).f32(0).f32(100.0f).f32(
          10000.0f);
      index.i32(m).i32(i).i32(f).i32(0).i32(0).f32(60.0f).i32(static_cast<std::int32_t>(points)).i32(0);
      put(drift_fixture::indexPath(dir), index.take());
      put(drift_fixture::dataPath(dir), Bytes(data.begin(), data.end()));
      return points * (sizeof(unsigned short) + sizeof(short) + sizeof(unsigned char));
    }
    points = points * size / data.size() * 99 / 100;
  }
}

struct HostileKind {
  const char* name;
  // Writes the hostile file(s) of about size bytes over the intact directory.
  std::function<void(const fs::path& dir, std::uint64_t size)> write;
  // For compressed files: writes them and returns the bytes they expand to.
  std::function<std::uint64_t(const fs::path& dir, std::uint64_t size)> writeCompressed = nullptr;
};

const std::vector<HostileKind>& kinds() {
  static const std::vector<HostileKind> all = {
      {"_CHROMS.INF of one-byte records",
       [](const fs::path& d, std::uint64_t n) {
         put(d / "_CHROMS.INF",
             repeated(StatsTableFixture().field(1, 2, 0, 4).field(2, 5, 4, 81).leader(1).take(), {0}, n));
       }},
      {"_CHROMS.INF of records without fields",
       [](const fs::path& d, std::uint64_t n) {
         put(d / "_CHROMS.INF", repeated(StatsTableFixture().leader(1).take(), {0}, n));
       }},
      {"_CHROMS.INF of the narrowest records held",
       [](const fs::path& d, std::uint64_t n) {
         put(d / "_CHROMS.INF", repeated(StatsTableFixture().leader(36).take(), Bytes(36, 0), n));
       }},
      {"_CHRONNN.DAT of one-byte records",
       [](const fs::path& d, std::uint64_t n) {
         put(d / "_CHRO001.DAT",
             repeated(StatsTableFixture().field(1, 3, 0, 4).field(2, 3, 0, 4).leader(1).take(), {0}, n));
       }},
      {"_ANALOGS.INF",
       [](const fs::path& d, std::uint64_t n) {
         ByteBuilder record;
         record.u16(0).u16(0).text("Pump", 5).text("$CC$,2,a,b,c,psi", 76);
         put(d / "_ANALOGS.INF", repeated({}, record.take(), n));
       }},
      {"_ANALOGS.DAT of 4096 channels",
       [](const fs::path& d, std::uint64_t n) {
         constexpr std::uint64_t kChannels = 4096;
         put(d / "_ANALOGS.INF", Bytes(kChannels * 85, 0));
         put(d / "_ANALOGS.DAT", repeated({}, Bytes((kChannels + 2) * 2, 0), n - kChannels * 85));
       }},
      {"_functns.inf",
       [](const fs::path& d, std::uint64_t n) {
         const Bytes descriptors = readFile(d / "_functns.inf");
         put(d / "_functns.inf", repeated({}, Bytes(descriptors.begin(), descriptors.begin() + 416), n));
       }},
      {".idx of empty scans",
       [](const fs::path& d, std::uint64_t n) {
         put(d / RawDirectoryFixture::indexName(0), repeated({}, indexRecordBytes({.rt = 1.0f}, false), n));
       }},
      {".sts of one-byte records",
       [](const fs::path& d, std::uint64_t n) {
         const Bytes head = StatsTableFixture().field(kReferenceScanField, kCharField, 0, 1).leader(1).take();
         put(d / RawDirectoryFixture::statsName(0), repeated(head, {0}, n));
       }},
      {"_header.txt",
       [](const fs::path& d, std::uint64_t n) {
         put(d / "_header.txt", repeated({}, text("$$ Cal Function 1: 1,2,3,4,5,6,T1\n"), n));
       }},
      {"lmgt.inf",
       [](const fs::path& d, std::uint64_t n) { put(d / "lmgt.inf", repeated(text("1\n1,1\n"), text("1,1\n"), n)); }},
      {"_extern.inf",
       [](const fs::path& d, std::uint64_t n) { put(d / "_extern.inf", repeated({}, text("Veff=1\n"), n)); }},
      {"_vesko.inf",
       [](const fs::path& d, std::uint64_t n) { put(d / "_vesko.inf", repeated({}, text("1,1,1,1\n"), n)); }},
      {"mob_cal.csv",
       [](const fs::path& d, std::uint64_t n) { put(d / "mob_cal.csv", repeated({}, text("* t0: 1\n"), n)); }},
      {".ind of version-1 records",
       [](const fs::path& d, std::uint64_t n) { put(drift_fixture::indexPath(d), emptyBlocksIndex(0, n)); }},
      {".ind of version-3 records",
       [](const fs::path& d, std::uint64_t n) { put(drift_fixture::indexPath(d), emptyBlocksIndex(2, n)); }},
      {".cdt block of maximal expansion", nullptr, maximalBlock},
  };
  return all;
}

std::uint64_t directoryBytes(const fs::path& dir) {
  std::uint64_t total = 0;
  for (const auto& e : fs::directory_iterator(dir)) total += e.file_size();
  return total;
}

struct Cost {
  std::uint64_t peak = 0;  // over the heap held before
  double seconds = 0;
};

// Opens dir as a scan reader, reads drift spectrum 0 of function 0 and
// closes again; whatever the result codes, only the cost counts.
Cost openAndRead(const fs::path& dir) {
  const std::size_t before = counting_allocator::current();
  counting_allocator::resetPeak();
  const auto start = std::chrono::steady_clock::now();
  CZorvalenBaseReader reader = nullptr;
  if (createRawReaderFromPath(dir.c_str(), &reader, ZorvalenBaseType::SCAN) == ZVRAW_OK) {
    float *masses = nullptr, *intensities = nullptr;
    int size = 0;
    (void)readDriftScan(reader, 0, 0, 0, &masses, &intensities, &size);
    (void)destroyRawReader(reader);
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {counting_allocator::peak() - before, took.count()};
}

class HostileFileMemory : public TempDirTest, public ::testing::WithParamInterface<std::uint64_t> {};

TEST_P(HostileFileMemory, StaysWithinFourTimesTheFile) {
  const std::uint64_t size = GetParam();
  const fs::path intact = dir() / "intact.raw";
  fs::create_directories(intact);
  writeFullDirectory(intact);
  const Cost base = openAndRead(intact);
  const std::uint64_t baseBytes = directoryBytes(intact);

  for (const HostileKind& kind : kinds()) {
    const fs::path raw = dir() / "hostile.raw";
    fs::remove_all(raw);
    fs::create_directories(raw);
    writeFullDirectory(raw);
    const std::uint64_t expanded = kind.writeCompressed ? kind.writeCompressed(raw, size) : 0;
    if (kind.write) kind.write(raw, size);
    const std::uint64_t grown = directoryBytes(raw) - std::min(directoryBytes(raw), baseBytes);
    const std::uint64_t hostile = std::max({grown, size / 2, expanded});
    const Cost cost = openAndRead(raw);
    const std::uint64_t over = cost.peak - std::min(cost.peak, base.peak);
    std::printf("%-45s %3llu MiB file: %8.1f MiB heap (%5.2f x), %.3f s\n", kind.name,
                static_cast<unsigned long long>(size / kMiB), static_cast<double>(cost.peak) / double(kMiB),
                static_cast<double>(over) / static_cast<double>(hostile), cost.seconds);
    EXPECT_LE(over, kBytesPerFileByte * hostile + kSlack) << kind.name;
    if (size <= kMiB) {
      EXPECT_LT(cost.seconds, 1.0) << kind.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, HostileFileMemory, ::testing::Values(kMiB, 16 * kMiB));

// Statistics records follow the .sts, not the index: beside an index of
// many scans, a .sts that holds none of their records adds at most four times
// its own bytes over the directory without one, on every road that builds
// records (an item of the last scan, a live update, the item again).
class StatsBesideALargeIndex : public TempDirTest {};

TEST_F(StatsBesideALargeIndex, FollowTheStatisticsFile) {
  const Bytes record = indexRecordBytes({.rt = 1.0f}, false);
  const Bytes index = repeated({}, record, 16 * kMiB);
  const int last = static_cast<int>(index.size() / record.size()) - 1;
  const std::pair<const char*, std::optional<Bytes>> cases[] = {
      {"no .sts", std::nullopt}, {"1-byte .sts", Bytes{0}}, {"empty .sts", Bytes{}},
      {"field-less .sts", StatsTableFixture().leader(0).take()}};
  std::uint64_t base = 0;
  for (const auto& [name, sts] : cases) {
    const fs::path raw = dir() / "large-index.raw";
    fs::remove_all(raw);
    fs::create_directories(raw);
    writeFullDirectory(raw);
    put(raw / RawDirectoryFixture::indexName(0), index);
    fs::remove(raw / RawDirectoryFixture::statsName(0));
    if (sts) put(raw / RawDirectoryFixture::statsName(0), *sts);

    const std::size_t before = counting_allocator::current();
    counting_allocator::resetPeak();
    CZorvalenBaseReader reader = nullptr;
    CZorvalenParameters items = nullptr;
    ASSERT_EQ(createRawReaderFromPath(raw.c_str(), &reader, ZorvalenBaseType::INFO), ZVRAW_OK) << name;
    ASSERT_EQ(createParameters(&items), ZVRAW_OK);
    const ZorvalenScanItem item = ZorvalenScanItem::REFERENCE_SCAN;
    EXPECT_EQ(getScanItemValue(reader, 0, last, &item, 1, items), ZVRAW_OK) << name;
    (void)updateRawReader(reader);
    EXPECT_EQ(getScanItemValue(reader, 0, last, &item, 1, items), ZVRAW_OK) << name;
    (void)destroyParameters(items);
    (void)destroyRawReader(reader);
    const std::uint64_t peak = counting_allocator::peak() - before;
    std::printf("%-16s beside %.1f MiB of index: %6.1f MiB heap\n", name, double(index.size()) / double(kMiB),
                static_cast<double>(peak) / double(kMiB));
    if (!sts) base = peak;
    EXPECT_LE(peak, base + kBytesPerFileByte * (sts ? sts->size() : 0) + kSlack) << name;
  }
}

// Memory that cannot be had is a result code where it was asked for: an
// optional file that cannot be held leaves the directory readable without
// it, and a drift block that cannot be decoded fails that read alone.
class AllocationFailure : public TempDirTest {};

TEST_F(AllocationFailure, GivesTheCodeAtTheLayerThatAllocates) {
  const fs::path raw = dir() / "run.raw";
  fs::create_directories(raw);
  writeFullDirectory(raw);
  // A valid channel of 2^19 samples (4 MiB), and a drift block of ~1.7M points.
  ByteBuilder chro = StatsTableFixture().field(1, 3, 0, 4).field(2, 3, 4, 4).leader(8);
  for (int k = 0; k < (1 << 19); ++k) chro.f32(0.01f * static_cast<float>(k)).f32(1.0f);
  put(raw / "_CHRO001.DAT", chro.take());
  (void)maximalBlock(raw, kMiB);

  // Above the drift reader's own 1 MiB of staging, below a channel's samples.
  const counting_allocator::RefuseAbove limit(1536 << 10);
  borealtek_zvraw_version_1::ZVRawAnalog analog;
  EXPECT_EQ(analog.read(raw.string()), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(analog.getNumberOfChannels(), 0);

  CZorvalenBaseReader reader = nullptr;
  ASSERT_EQ(createRawReaderFromPath(raw.c_str(), &reader, ZorvalenBaseType::SCAN), ZVRAW_OK);
  float *masses = reinterpret_cast<float*>(0x1), *intensities = masses;
  int size = -1;
  EXPECT_EQ(readScan(reader, 0, 0, &masses, &intensities, &size), ZVRAW_OK);
  EXPECT_EQ(readDriftScan(reader, 0, 0, 0, &masses, &intensities, &size), ZVRAW_MEMALLOC_ERROR);
  EXPECT_TRUE(masses == nullptr && intensities == nullptr && size == 0);
  EXPECT_EQ(destroyRawReader(reader), ZVRAW_OK);
}

}  // namespace
