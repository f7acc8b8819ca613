// function_load: loading every scan of a function (5,000 scans of 2,000
// peaks, formats 9 and 12) through ZVRawFunctionData, with and without
// calibration and per-scan statistics records, against baselines measured in
// the same run on the same file:
//   vs_readScan       readScan at each scan's offset into one reused scan,
//                     with the function's calibration (the decoding alone);
//   vs_readScan_held  the same into an array of scans that is kept, as a load
//                     keeps them (the decoding plus first-touching its output);
//   vs_fread, vs_memcpy  the same bytes read whole, or copied.
// Each counter is baseline time / load time (1 = as fast as the baseline).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Baselines.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/scans/ZVRawFunctionData.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"

using borealtek_calibrate_version_1::FunctionCalibration;
using borealtek_zvraw_version_1::ZVRawExtendedStats;
using borealtek_zvraw_version_1::ZVRawFunctionData;
using borealtek_zvraw_version_1::ZVRawScan;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kScans = 5000, kPeaks = 2000, kBatch = 500;
constexpr float kLowMass = 50, kHighMass = 2100;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

FunctionCalibration orderThreeCalibration() {
  FunctionCalibration cal;
  cal.setCalibration(1e-3, 1.0001, 1e-7, borealtek_calibrate_version_1::CALTYPE_NORMAL);
  cal.C3() = 1e-11;
  cal.calOrder() = 3;
  return cal;
}

// A one-function raw directory written through the library's writers:
// descriptors, scans in flushed batches, index, and statistics records that
// ask for a lock-mass and a temperature correction on every scan.
void writeDirectory(const fs::path& dir, unsigned format) {
  fs::create_directories(dir);
  ZVRawFunctionDescriptors descriptors(1);
  ZVRawFunctionDescriptor_NonMaldi_Imp d;
  d.dataType() = format;
  d.segmentStartMass(0) = d.interSegmentTime() = kLowMass;
  d.segmentEndMass(0) = d.segmentScanTime(0) = kHighMass;
  ZVRawFunctionScanIndices indices(1);
  ZVRawFunctionData data;
  if (descriptors.updateDescriptor(0, d) != 0 || indices.prepareScanIndicesBuffer(0, kScans) != 0) std::abort();
  data.setExternalObjects(&descriptors, &indices, nullptr);
  std::vector<double> times(kScans);
  for (unsigned s = 0; s < kScans; ++s) times[s] = 0.01 * s;
  if (indices.setScanIndices(0, times.data(), 0, kScans - 1) != 0) std::abort();
  for (unsigned first = 0; first < kScans; first += kBatch) {
    std::vector<std::unique_ptr<float[]>> masses(kBatch), intensities(kBatch);
    std::vector<std::unique_ptr<char[]>> flags(kBatch);
    std::vector<unsigned> sizes(kBatch, kPeaks);
    for (unsigned b = 0; b < kBatch; ++b) {
      const unsigned s = first + b;
      masses[b] = std::make_unique_for_overwrite<float[]>(kPeaks);
      intensities[b] = std::make_unique_for_overwrite<float[]>(kPeaks);
      flags[b] = std::make_unique<char[]>(kPeaks);
      for (unsigned k = 0; k < kPeaks; ++k) {
        masses[b][k] = 100.0f + 0.95f * static_cast<float>(k) + 0.001f * static_cast<float>(s % 7);
        intensities[b][k] = static_cast<float>((k * 7919u + s * 104729u) % 30000u);
      }
    }
    if (data.setScans(first, kBatch, masses.data(), intensities.data(), flags.data(), sizes.data()) != 0 ||
        data.writeScans(dir.c_str(), true, 0u) != 0)
      std::abort();
  }
  ZVRawExtendedStats stats(1, &indices);
  for (unsigned id : {101u, 102u, 103u, 104u, 105u})
    if (stats.addField(0, id) != 0) std::abort();
  if (stats.incrementStatsScanBuffer(0, kScans) != 0) std::abort();
  for (unsigned s = 0; s < kScans; ++s) {
    auto* r = stats.getStatsRecord(0, s);
    r->m_nUseLockMassCorrection = 1;
    r->m_fLockMassCorrection = 1.0002f;
    r->m_nUseTempCorrection = 1;
    r->m_fTempCorrection = 21.0f;
    r->m_fTempCoefficient = 2.0f;
  }
  if (descriptors.writeDescriptors(dir.c_str()) != 0 || indices.writeIndices(0, dir.c_str(), format) != 0 ||
      stats.writeExtendedStats(dir.string(), 0u) != 0)
    std::abort();
}

// An opened directory, as a cluster holds it.
struct Opened {
  std::string dir;
  ZVRawFunctionDescriptors descriptors;
  ZVRawFunctionScanIndices indices{1};
  std::unique_ptr<ZVRawExtendedStats> stats;
  std::vector<std::uint64_t> offsets;
  std::vector<unsigned> peaks;
  std::uint64_t bytes = 0;

  Opened(const fs::path& path, unsigned format) : dir(path.string()) {
    const unsigned formats[1] = {format};
    if (descriptors.readDescriptors(dir.c_str()) != 0 || indices.readIndices(dir.c_str(), formats) != 0) std::abort();
    stats = std::make_unique<ZVRawExtendedStats>(1, &indices);
    if (stats->readStats(dir) != 0) std::abort();
    for (unsigned s = 0; s < kScans; ++s) {
      unsigned offset = 0, n = 0;
      if (indices.getScanOffset(0, s, offset) != 0 || indices.getPeaksInScan(0, s, n) != 0) std::abort();
      offsets.push_back(offset);
      peaks.push_back(n);
    }
    bytes = fs::file_size(path / "_func001.dat");
  }
};

struct Fixture {
  fs::path root = fs::temp_directory_path() / ("zvraw-load-bench-" + std::to_string(::getpid()));
  std::unique_ptr<Opened> format9, format12;
  Fixture() {
    writeDirectory(root / "f9", 9);
    writeDirectory(root / "f12", 12);
    format9 = std::make_unique<Opened>(root / "f9", 9);
    format12 = std::make_unique<Opened>(root / "f12", 12);
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// readScan straight over the data file at the index's offsets: into one
// scan, or into an array of scans that lives until the pass ends.
double readScanSeconds(const Opened& o, const FunctionCalibration* cal, bool held) {
  const auto t0 = Clock::now();
  zvraw::FilePtr f(std::fopen((fs::path(o.dir) / "_func001.dat").c_str(), "rb"));
  std::unique_ptr<ZVRawScan[]> scans(new ZVRawScan[held ? kScans : 1]);
  const ZVRawFunctionDescriptorImp* desc = o.descriptors.getDescriptorImp(0);
  float delta = FLT_MAX;
  for (unsigned s = 0; s < kScans; ++s) {
    if (::fseeko(f.get(), static_cast<off_t>(o.offsets[s]), SEEK_SET) != 0) std::abort();
    if (scans[held ? s : 0].readScan(f.get(), o.peaks[s], desc, false, cal, delta, 0, -1, kLowMass, kHighMass, 0, 0,
                                     0) != 0)
      std::abort();
  }
  benchmark::DoNotOptimize(scans[0].getScanSize());
  scans.reset();
  return since(t0);
}

double freadSeconds(const Opened& o) {
  zvraw::PageAlignedBuffer block(o.bytes);
  const auto t0 = Clock::now();
  zvraw::FilePtr f(std::fopen((fs::path(o.dir) / "_func001.dat").c_str(), "rb"));
  if (std::fread(block.data(), 1, o.bytes, f.get()) != o.bytes) std::abort();
  benchmark::DoNotOptimize(block.data());
  return since(t0);
}

void load(benchmark::State& state, Opened& o, bool calibrate, bool withStats) {
  const FunctionCalibration cal = orderThreeCalibration();
  const FunctionCalibration* use = calibrate ? &cal : nullptr;
  ZVRawFunctionData data;
  data.setExternalObjects(&o.descriptors, &o.indices, withStats ? o.stats.get() : nullptr);
  data.setCalibration(use);
  // Warm the page cache and the allocator once.
  if (data.loadData(0u, calibrate, false, 0.0f, -1.0f) != 0) state.SkipWithError("load failed");
  (void)readScanSeconds(o, use, true);

  // Each round times the baselines and the load back to back, so that all
  // of them see the same load on the machine.
  // Best of the rounds for each.
  double loadTime = 1e30, reused = 1e30, held = 1e30, freadTime = 1e30, memcpyTime = 1e30;
  for (auto _ : state) {
    reused = std::min(reused, readScanSeconds(o, use, false));
    held = std::min(held, readScanSeconds(o, use, true));
    freadTime = std::min(freadTime, freadSeconds(o));
    memcpyTime = std::min(memcpyTime, zvraw_bench::memcpySeconds(o.bytes, 3));
    const auto t0 = Clock::now();  // the load releases the previous load's scans first
    if (data.loadData(0u, calibrate, false, 0.0f, -1.0f) != 0) state.SkipWithError("load failed");
    const double t = since(t0);
    loadTime = std::min(loadTime, t);
    state.SetIterationTime(t);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * o.bytes));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kScans * kPeaks);
  state.counters["vs_readScan"] = reused / loadTime;
  state.counters["vs_readScan_held"] = held / loadTime;
  state.counters["vs_fread"] = freadTime / loadTime;
  state.counters["vs_memcpy"] = memcpyTime / loadTime;
  state.counters["MB"] = static_cast<double>(o.bytes) / 1e6;
  state.counters["MB_per_s"] = static_cast<double>(o.bytes) / loadTime / 1e6;
  state.counters["memcpy_MB_per_s"] = static_cast<double>(o.bytes) / memcpyTime / 1e6;
}

void BM_FunctionLoad(benchmark::State& state) {
  Opened& o = state.range(0) == 9 ? *fixture().format9 : *fixture().format12;
  load(state, o, state.range(1) != 0, state.range(2) != 0);
}
BENCHMARK(BM_FunctionLoad)
    ->Name("function_load")
    ->ArgNames({"format", "calibrate", "stats"})
    ->ArgsProduct({{9, 12}, {0, 1}, {0, 1}})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
