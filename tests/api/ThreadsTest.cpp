// Independent handles on different directories, used from different threads
// at once: four threads each open their own directory, read every scan,
// chromatogram and drift spectrum, set the process-wide settings and write a
// directory through the write interface, twenty times over. Run under the
// ThreadSanitizer preset, any shared state between them is a reported race.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "api/WriterTestHandles.h"
#include "cluster/WriterTestSupport.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/portability/SysTrace.h"
#include "support/FullDirectory.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 20;
constexpr unsigned kFunctions = 2, kScans = 3, kDriftScans = 2, kDriftBins = 4;

// Reads everything the directory holds; the number of reads that failed.
int readEverything(const fs::path& dir) {
  int failed = 0;
  CZorvalenBaseReader r = nullptr;
  if (createRawReaderFromPath(dir.c_str(), &r, ZorvalenBaseType::SCAN) != ZVRAW_OK) return 1;
  for (unsigned f = 0; f < kFunctions; ++f) {
    for (unsigned s = 0; s < kScans; ++s) {
      float *masses = nullptr, *intensities = nullptr;
      char* flags = nullptr;
      int n = 0;
      failed += readScan(r, int(f), int(s), &masses, &intensities, &n) != ZVRAW_OK;
      failed += readScanFlags(r, int(f), int(s), &masses, &intensities, &flags, &n) != ZVRAW_OK;
    }
  }
  for (unsigned s = 0; s < kDriftScans; ++s) {
    for (unsigned d = 0; d < kDriftBins; ++d) {
      float *masses = nullptr, *intensities = nullptr;
      int* indices = nullptr;
      int n = 0;
      failed += readDriftScan(r, 0, int(s), int(d), &masses, &intensities, &n) != ZVRAW_OK;
      failed += readDriftScanIndex(r, 0, int(s), int(d), &indices, &intensities, &n) != ZVRAW_OK;
    }
  }
  CZorvalenBaseReader chrom = nullptr;
  failed += createRawReaderFromReader(r, &chrom, ZorvalenBaseType::CHROM) != ZVRAW_OK;
  const float mass = 60.0f;
  for (unsigned f = 0; f < kFunctions; ++f) {
    float *times = nullptr, *values = nullptr;
    int n = 0;
    for (int kind = 0; kind < 3; ++kind) {
      const int rc = kind == 0   ? readTICChromatogram(chrom, int(f), &times, &values, &n)
                     : kind == 1 ? readBPIChromatogram(chrom, int(f), &times, &values, &n)
                                 : readMassChromatograms(chrom, int(f), &mass, 1, &times, &values, 1.0f, false, &n);
      failed += rc != ZVRAW_OK || n != int(kScans);
      failed += releaseMemory(times) != ZVRAW_OK || releaseMemory(values) != ZVRAW_OK;
    }
  }
  failed += destroyRawReader(chrom) != ZVRAW_OK;
  failed += destroyRawReader(r) != ZVRAW_OK;
  return failed;
}

// Writes a directory of one function of 10 scans; whether every step worked.
bool writeDirectory(const fs::path& dir) {
  ZVRawWriteInterface::setTimeShift(0.0f);  // process-wide: every thread sets the same shift
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  ZVRawFunctionDescriptor_NonMaldi descriptor = centroidDescriptor(12, false, 10);
  descriptor.segmentEndMass(40) = 1.0f;  // out of range: the record's own scratch
  ScanBatch batch(0, 0, 10, 8);
  return w.prepareDataCluster(dir.c_str(), 0) == ZVRAW_OK &&
         w.setFunctionDescriptor(0, descriptor, false, true) == ZVRAW_OK &&
         w.appendScans(0, batch.count(), batch.masses.data(), batch.intensities.data(), batch.flags.data(),
                       batch.times.data(), batch.sizes.data()) == ZVRAW_OK &&
         w.writeScans(0u, true, 0u) == ZVRAW_OK && w.writeFunctionDescriptors() == ZVRAW_OK &&
         w.writeHeader(false) == ZVRAW_OK;
}

class Threads : public TempDirTest {};

TEST_F(Threads, IndependentDirectoriesOnFourThreads) {
  for (int t = 0; t < kThreads; ++t) {
    fs::create_directories(dir() / std::to_string(t) / "in.raw");
    writeFullDirectory(dir() / std::to_string(t) / "in.raw");
  }
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const fs::path mine = dir() / std::to_string(t);
      for (int round = 0; round < kRounds; ++round) {
        (void)setBadScanStrategy(3);
        zvrawacifcSetTraceLevels(20, 20);
        failures[t] += readEverything(mine / "in.raw");
        const fs::path out = mine / ("out" + std::to_string(round) + ".raw");
        failures[t] += writeDirectory(out) ? 0 : 1;
        CZorvalenBaseReader back = nullptr;
        unsigned scans = 0;
        failures[t] += createRawReaderFromPath(out.c_str(), &back, ZorvalenBaseType::INFO) != ZVRAW_OK ||
                       getScanCount(back, 0, &scans) != ZVRAW_OK || scans != 10;
        (void)destroyRawReader(back);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

// ---- a writer and a live reader on one run ----

constexpr int kLivePoints = 40;
// Scan s: 40 points whose top mass lies past every earlier scan's, so each
// batch widens the function's mass range.
float liveMass(int s, int p) { return 100.0f + 10.0f * static_cast<float>(p) + 0.125f * static_cast<float>(s); }
float liveIntensity(int s, int p) { return static_cast<float>(1 + p + s % 50); }

struct LiveRun {
  int items;       // scan items of the function, 0 for none
  int flushEvery;  // scans between flushes
};

// Writes the run, raising flushed after the first flush; the calls that failed.
int writeLive(const fs::path& raw, const LiveRun& run, int scans, std::atomic<bool>& flushed) {
  int failed = 0;
  CZorvalenRawWriter w = nullptr;
  CZorvalenParameters none = nullptr, values = nullptr;
  failed += createRawWriter(&w, raw.c_str()) != ZVRAW_OK;
  failed += createParameters(&none) != ZVRAW_OK || createParameters(&values) != ZVRAW_OK;
  failed += (run.items > 0 ? appendRawFunctionWithStats(w, none, writer_test::kWideItems, run.items)
                           : appendRawFunction(w, none)) != ZVRAW_OK;
  float m[kLivePoints], y[kLivePoints];
  for (int s = 0; s < scans; ++s) {
    for (int p = 0; p < kLivePoints; ++p) m[p] = liveMass(s, p), y[p] = liveIntensity(s, p);
    const float rt = 0.001f * static_cast<float>(s + 1);
    if (run.items > 0) {
      failed += setParameterValue(values, static_cast<int>(ZorvalenScanItem::COLLISION_ENERGY),
                                  std::to_string(s).c_str()) != ZVRAW_OK;
      failed += appendRawScanWithStats(w, m, y, kLivePoints, rt, values) != ZVRAW_OK;
    } else {
      failed += appendRawScan(w, m, y, kLivePoints, rt) != ZVRAW_OK;
    }
    if ((s + 1) % run.flushEvery == 0) {
      failed += flushRawWriter(w) != ZVRAW_OK;
      flushed = true;
    }
  }
  failed += closeRawWriter(w) != ZVRAW_OK;
  flushed = true;
  (void)destroyRawWriter(w);
  (void)destroyParameters(none);
  (void)destroyParameters(values);
  return failed;
}

// What one reader answers of scan s, as written: "" when whole.
std::string readLiveScan(CZorvalenBaseReader scans, CZorvalenBaseReader info, int s, bool items) {
  float *m = nullptr, *y = nullptr;
  int n = 0;
  if (const int rc = readScan(scans, 0, s, &m, &y, &n); rc != ZVRAW_OK) return "read " + std::to_string(rc);
  if (n != kLivePoints) return std::to_string(n) + " points";
  for (int p = 0; p < n; ++p)
    if (m[p] != liveMass(s, p) || y[p] != liveIntensity(s, p)) return "point " + std::to_string(p);
  if (!items) return "";
  CZorvalenParameters got = nullptr;
  (void)createParameters(&got);
  const ZorvalenScanItem item = ZorvalenScanItem::COLLISION_ENERGY;
  std::string text = "item " + std::to_string(getScanItemValue(info, 0, s, &item, 1, got));
  char* value = nullptr;
  if (getParameterValue(got, static_cast<int>(item), &value) == ZVRAW_OK && value != nullptr &&
      std::stof(value) == static_cast<float>(s))
    text.clear();
  (void)destroyParameters(got);
  return text;
}

// A reader on its own thread beside the writer: each round it updates, reads
// every 7th scan it counts and opens the run afresh. Every answer must be a
// prefix of whole scans as written; failures are kept, up to a few.
std::vector<std::string> readLive(const fs::path& raw, bool items, const std::atomic<bool>& flushed,
                                  const std::atomic<bool>& done) {
  std::vector<std::string> bad;
  const auto note = [&](const std::string& what) {
    if (bad.size() < 8) bad.push_back(what);
  };
  while (!flushed) std::this_thread::yield();
  CZorvalenBaseReader r = nullptr, info = nullptr;
  if (int rc = createRawReaderFromPath(raw.c_str(), &r, ZorvalenBaseType::SCAN); rc != ZVRAW_OK) {
    note("first open " + std::to_string(rc));
    return bad;
  }
  (void)createRawReaderFromReader(r, &info, ZorvalenBaseType::INFO);
  const int expectedUpdate = items ? ZVRAW_OK : ZVRAW_STATSFILE_FILEREADOPEN_ERROR;  // no statistics file
  unsigned seen = 0;
  for (int round = 0; !done || round < 2; ++round) {
    if (int rc = updateRawReader(r); rc != expectedUpdate) note("update " + std::to_string(rc));
    unsigned n = 0;
    if (getScanCount(info, 0, &n) != ZVRAW_OK || n < seen) note("count " + std::to_string(n));
    seen = std::max(seen, n);
    for (unsigned s = round % 7; s < n; s += 7)
      if (std::string e = readLiveScan(r, info, static_cast<int>(s), items); !e.empty())
        note("round " + std::to_string(round) + " scan " + std::to_string(s) + ": " + e);
    CZorvalenBaseReader fresh = nullptr, freshInfo = nullptr;
    if (int rc = createRawReaderFromPath(raw.c_str(), &fresh, ZorvalenBaseType::SCAN); rc != ZVRAW_OK) {
      note("fresh open " + std::to_string(rc));
      continue;
    }
    (void)createRawReaderFromReader(fresh, &freshInfo, ZorvalenBaseType::INFO);
    unsigned m = 0;
    if (getScanCount(freshInfo, 0, &m) != ZVRAW_OK || m < n) note("fresh count " + std::to_string(m));
    if (m > 0)
      if (std::string e = readLiveScan(fresh, freshInfo, static_cast<int>(m - 1), items); !e.empty())
        note("fresh scan " + std::to_string(m - 1) + ": " + e);
    (void)destroyRawReader(freshInfo);
    (void)destroyRawReader(fresh);
  }
  (void)destroyRawReader(info);
  (void)destroyRawReader(r);
  return bad;
}

TEST_F(Threads, ALiveReaderSeesWholeScansWhileAWriterWrites) {
  constexpr int kLiveScans = 3000;
  for (const LiveRun run : {LiveRun{0, 1}, LiveRun{1, 5}, LiveRun{14, 37}, LiveRun{14, 1}}) {
    SCOPED_TRACE(std::to_string(run.items) + " items, flushed every " + std::to_string(run.flushEvery));
    const fs::path raw = dir() / ("live" + std::to_string(run.items) + "_" + std::to_string(run.flushEvery) + ".raw");
    std::atomic<bool> flushed = false, done = false;
    std::vector<std::string> bad;
    std::thread reader([&] { bad = readLive(raw, run.items > 0, flushed, done); });
    EXPECT_EQ(writeLive(raw, run, kLiveScans, flushed), 0);
    done = true;
    reader.join();
    for (const std::string& b : bad) ADD_FAILURE() << b;
  }
}

}  // namespace
