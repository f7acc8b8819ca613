// Independent handles on different directories, used from different threads
// at once: four threads each open their own directory, read every scan,
// chromatogram and drift spectrum, set the process-wide settings and write a
// directory through the write interface, twenty times over. Run under the
// ThreadSanitizer preset, any shared state between them is a reported race.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

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

}  // namespace
