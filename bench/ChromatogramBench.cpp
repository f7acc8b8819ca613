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
#include <utility>
#include <vector>

#include "Format12Run.h"
#include "api/ZorvalenRawReaderImp.h"
#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawDataClusterInfo.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawReaderImp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kTraceScans = 1000000, kMassScans = 10000, kMassPoints = 1000;

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// A run written once per process into the temporary directory, opened as a
// chromatogram reader; removed at exit.
class BenchRun {
 public:
  BenchRun(const char* name, unsigned scans, unsigned points) {
    std::string pattern = (fs::temp_directory_path() / "zvraw-chrom-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    const fs::path dir = root_ / name;
    if (!zvraw_bench::writeFormat12Run(dir, scans, points, scans / 10, false)) {
      std::fprintf(stderr, "chromatogram: could not write %s\n", dir.c_str());
      std::abort();
    }
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

// Times the baseline and the call alternately, each iteration the call's
// time; sets vs_baseline and gives the seconds of both.
template <class Baseline, class Call>
std::pair<double, double> timeAgainstBaseline(benchmark::State& state, Baseline baseline, Call call) {
  double callTime = 0, baseTime = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    baseline();
    baseTime += seconds(t0);
    t0 = Clock::now();
    float *times = nullptr, *values = nullptr;
    call(times, values);
    releaseMemory(times);
    releaseMemory(values);
    const double t = seconds(t0);
    callTime += t;
    state.SetIterationTime(t);
  }
  state.counters["vs_baseline"] = callTime / baseTime;
  return {callTime, baseTime};
}

void BM_Trace(benchmark::State& state) {
  const bool bpi = state.range(0) == 1;
  const BenchRun& run = traceRun();
  const auto [callTime, baseTime] = timeAgainstBaseline(
      state, [&] { copyFromIndex(run, bpi); },
      [&](float*& times, float*& values) {
        int n = 0;
        const int rc = bpi ? readBPIChromatogram(run.reader(), 0, &times, &values, &n)
                           : readTICChromatogram(run.reader(), 0, &times, &values, &n);
        if (rc != ZVRAW_OK || n != static_cast<int>(kTraceScans)) std::abort();
        benchmark::DoNotOptimize(times[n - 1] + values[n - 1]);
      });
  state.counters["scans_per_s"] = static_cast<double>(state.iterations()) * kTraceScans / callTime;
  state.counters["baseline_scans_per_s"] = static_cast<double>(state.iterations()) * kTraceScans / baseTime;
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
  for (std::size_t k = 0; k < masses.size(); ++k) masses[k] = 100.0f + 0.875f * static_cast<float>(97 * k % kMassPoints);
  (void)timeAgainstBaseline(
      state, [&] { loadAndSum(run, access); },
      [&](float*& times, float*& values) {
        int n = 0;
        if (readMassChromatograms(run.reader(), 0, masses.data(), count, &times, &values, 0.5f, false, &n) !=
                ZVRAW_OK ||
            n != static_cast<int>(kMassScans))
          std::abort();
        benchmark::DoNotOptimize(values[static_cast<std::size_t>(count) * kMassScans - 1]);
      });
}
BENCHMARK(BM_Mass)->Name("chromatogram/mass")->Arg(1)->Arg(10)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
