// Whole-run traces and mass chromatograms through the C interface, each
// against a baseline in the same run that does the unavoidable part of the
// same work with the same tools.
//  chromatogram/tic, chromatogram/bpi: readTIC/BPIChromatogram of one
//    function of 1,000,000 scans, opened once; baseline: the retention time
//    and the TIC (or base-peak intensity) of every scan copied out of the
//    loaded scan index into two arrays from the same allocator.
//  chromatogram/mass/<k>: readMassChromatograms of k masses over 10,000
//    scans of 1,000 format-12 points; baseline: the same loadData calls
//    (blocks of 100 scans) and one sum of every intensity.
//  Counter vs_baseline = time of the call / time of the baseline, the two
//  timed alternately (targets: 1.5 for tic and bpi, 1.05 for 1 mass, 1.2
//  for 10).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "api/ZorvalenRawReaderImp.h"
#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawDataClusterInfo.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "formats/scans/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawReaderImp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kTraceScans = 1000000, kMassScans = 10000, kMassPoints = 1000;

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

ZVRawFunctionDescriptor_NonMaldi descriptor(unsigned scans) {
  ZVRawFunctionDescriptor_NonMaldi d;
  (void)d.Initialise(0, 8, 12, true, false, 0.6f, 0.02f, 0.0f, 0.001f * scans, scans, 0, 1);
  float times[32] = {0.58f}, starts[32] = {50.0f}, ends[32] = {2000.0f};
  (void)d.Initialise(500.0f, 0.0f, times, starts, ends);
  return d;
}

// One calibrated format-12 function of `scans` scans of `points` points,
// written through the write interface in ten batches.
void writeRun(const fs::path& dir, unsigned scans, unsigned points) {
  const unsigned kBatch = scans / 10;
  std::error_code ec;
  fs::remove_all(dir, ec);
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  bool ok = w.prepareDataCluster(dir.c_str(), 0) == ZVRAW_OK &&
            w.setFunctionDescriptor(0, descriptor(0), false, true) == ZVRAW_OK;
  for (unsigned first = 0; ok && first < scans; first += kBatch) {
    std::vector<float*> masses(kBatch), intensities(kBatch);
    std::vector<char*> flags(kBatch);
    std::vector<unsigned> sizes(kBatch, points);
    std::vector<double> times(kBatch);
    for (unsigned k = 0; k < kBatch; ++k) {
      const unsigned s = first + k;
      masses[k] = new float[points];
      intensities[k] = new float[points];
      flags[k] = new char[points]();
      for (unsigned p = 0; p < points; ++p) {
        masses[k][p] = 100.0f + 1.5f * static_cast<float>(p) + 0.0625f * static_cast<float>(s % 8);
        intensities[k][p] = static_cast<float>(1 + (s * 7 + p * 3) % 1000);
      }
      times[k] = 0.0001 * s;
    }
    ok = w.setFunctionDescriptor(0, descriptor(first + kBatch)) == ZVRAW_OK &&
         w.appendScans(0, kBatch, masses.data(), intensities.data(), flags.data(), times.data(), sizes.data()) ==
             ZVRAW_OK &&
         w.writeScans(0u, true, 0u) == ZVRAW_OK;
    for (unsigned k = 0; k < kBatch; ++k) {
      delete[] masses[k];
      delete[] intensities[k];
      delete[] flags[k];
    }
  }
  if (!ok || w.writeFunctionDescriptors() != ZVRAW_OK || w.writeHeader(false) != ZVRAW_OK) {
    std::fprintf(stderr, "chromatogram: could not write %s\n", dir.c_str());
    std::abort();
  }
}

// A run written once per process into the temporary directory, opened as a
// chromatogram reader; removed at exit.
class BenchRun {
 public:
  BenchRun(const char* name, unsigned scans, unsigned points) {
    std::string pattern = (fs::temp_directory_path() / "zvraw-chrom-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    const fs::path dir = root_ / name;
    writeRun(dir, scans, points);
    if (createRawReaderFromPath(dir.c_str(), &reader_, ZorvalenBaseType::CHROM) != ZVRAW_OK) std::abort();
  }
  ~BenchRun() {
    destroyRawReader(reader_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  BenchRun(const BenchRun&) = delete;
  BenchRun& operator=(const BenchRun&) = delete;

  [[nodiscard]] CZorvalenBaseReader reader() const { return reader_; }
  [[nodiscard]] ZVRawDataCluster& cluster() const {
    return *handleCast<ZorvalenRawReaderImp>(reader_)->getDataCluster();
  }

 private:
  fs::path root_;
  CZorvalenBaseReader reader_ = nullptr;
};

BenchRun& traceRun() {
  static BenchRun run("trace.raw", kTraceScans, 1);
  return run;
}

BenchRun& massRun() {
  static BenchRun run("mass.raw", kMassScans, kMassPoints);
  return run;
}

// The baseline of the whole-run traces: two arrays from the caller-memory
// allocator, filled from the loaded index records.
void copyFromIndex(const BenchRun& run, bool bpi) {
  std::span<ZVRawFunctionScanIndexImp> records;
  if (run.cluster().getImp()->getDataInfo()->m_pScanIndices->getIndexArray(0, records) != ZVRAW_OK) std::abort();
  const int n = static_cast<int>(records.size());
  float* times = ZorvalenRawReaderImp::AllocateFloatMemory(n);
  float* values = ZorvalenRawReaderImp::AllocateFloatMemory(n);
  if (times == nullptr || values == nullptr) std::abort();
  for (std::size_t s = 0; s < records.size(); ++s) {
    times[s] = records[s].getRt();
    values[s] = bpi ? records[s].getBasePeakIntensity() : records[s].getTic();
  }
  benchmark::DoNotOptimize(times[n - 1] + values[n - 1]);
  releaseMemory(times);
  releaseMemory(values);
}

void BM_Trace(benchmark::State& state) {
  const bool bpi = state.range(0) == 1;
  const BenchRun& run = traceRun();
  double callTime = 0, baseTime = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    copyFromIndex(run, bpi);
    baseTime += seconds(t0);

    t0 = Clock::now();
    float *times = nullptr, *values = nullptr;
    int n = 0;
    const int rc = bpi ? readBPIChromatogram(run.reader(), 0, &times, &values, &n)
                       : readTICChromatogram(run.reader(), 0, &times, &values, &n);
    if (rc != ZVRAW_OK || n != static_cast<int>(kTraceScans)) std::abort();
    benchmark::DoNotOptimize(times[n - 1] + values[n - 1]);
    releaseMemory(times);
    releaseMemory(values);
    const double t = seconds(t0);
    callTime += t;
    state.SetIterationTime(t);
  }
  state.counters["scans_per_s"] = static_cast<double>(state.iterations()) * kTraceScans / callTime;
  state.counters["baseline_scans_per_s"] = static_cast<double>(state.iterations()) * kTraceScans / baseTime;
  state.counters["vs_baseline"] = callTime / baseTime;
}
BENCHMARK(BM_Trace)->Name("chromatogram/tic")->Arg(0)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Trace)->Name("chromatogram/bpi")->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The baseline of the mass chromatograms: the reader's loads, then one sum
// of every intensity of each block.
void loadAndSum(const BenchRun& run, const ZVRawAccessInterface& access) {
  ZVRawDataCluster& cluster = run.cluster();
  bool calibrated = false;
  if (cluster.isCalibrated(0, calibrated) != ZVRAW_OK) std::abort();
  double total = 0;
  for (unsigned start = 0; start < kMassScans; start += 100) {
    const unsigned end = std::min(start + 99, kMassScans - 1);
    if (cluster.loadData(0, start, end, !calibrated, false) != ZVRAW_OK) std::abort();
    for (unsigned s = start; s <= end; ++s) {
      const float* m = nullptr;
      const float* in = nullptr;
      unsigned n = 0;
      if (access.getScan(0, s, &m, &in, n) != ZVRAW_OK || n != kMassPoints) std::abort();
      float sum = 0;
      for (unsigned p = 0; p < n; ++p) sum += in[p];
      total += sum;
    }
  }
  benchmark::DoNotOptimize(total);
}

void BM_Mass(benchmark::State& state) {
  const auto count = static_cast<int>(state.range(0));
  const BenchRun& run = massRun();
  const ZVRawAccessInterface access(run.cluster());
  std::vector<float> masses(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) masses[static_cast<std::size_t>(k)] = 100.0f + 1.5f * static_cast<float>(97 * k % kMassPoints);
  double callTime = 0, baseTime = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    loadAndSum(run, access);
    baseTime += seconds(t0);

    t0 = Clock::now();
    float *times = nullptr, *values = nullptr;
    int n = 0;
    if (readMassChromatograms(run.reader(), 0, masses.data(), count, &times, &values, 0.5f, false, &n) != ZVRAW_OK ||
        n != static_cast<int>(kMassScans))
      std::abort();
    benchmark::DoNotOptimize(values[static_cast<std::size_t>(count) * kMassScans - 1]);
    releaseMemory(times);
    releaseMemory(values);
    const double t = seconds(t0);
    callTime += t;
    state.SetIterationTime(t);
  }
  state.counters["vs_baseline"] = callTime / baseTime;
}
BENCHMARK(BM_Mass)->Name("chromatogram/mass")->Arg(1)->Arg(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
