// Drift extraction against its floor: reading the same blocks with the file
// reader alone (decode only), in the same run. Extraction walks every drift
// bin of every scan, so all it may add is one pass over the decoded points.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "drift/CDTBlockWriter.h"
#include "drift/CDTFileReader.h"
#include "drift/CDTFileWriter.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

using Vardex::Control::Legacy::ZorvalenRaw::CDTBlockWriter;
using Vardex::Control::Legacy::ZorvalenRaw::CDTFileReader;
using Vardex::Control::Legacy::ZorvalenRaw::CDTFileWriter;
using Vardex::Control::Message::ScanData;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp;
namespace fs = std::filesystem;

namespace {

constexpr int kScans = 200, kBins = 200, kPoints = 500;

// Lteff 1800, Veff 7200 at 1 GHz, T0 5 ns: masses 50-2000 are indices
// 10,800-68,300; each spectrum has 500 points spread over them with mostly
// small counts, as ion-mobility spectra do.
struct Fixture {
  fs::path dir;
  std::int64_t points = static_cast<std::int64_t>(kScans) * kBins * kPoints;
  Fixture() {
    dir = fs::temp_directory_path() / ("zvraw-drift-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    CDTBlockWriter w(kBins, 1800.0, 7200.0, 1.0, 5.0, 50.0, 2000.0);
    CDTFileWriter f(dir.string(), 0);
    if (!f.WriteHeader(w.HeaderBytes())) return;
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::uint32_t> gap(1, 200), ions(1, 12);
    std::vector<std::uint32_t> masses(kPoints), intensities(kPoints), flags(kPoints, 0);
    std::string index, data;
    for (int s = 0; s < kScans; ++s) {
      for (int d = 0; d < kBins; ++d) {
        std::uint32_t m = 10800;
        for (int p = 0; p < kPoints; ++p) {
          m += gap(rng) / 2 + 1;
          masses[static_cast<std::size_t>(p)] = m;
          intensities[static_cast<std::size_t>(p)] = ions(rng);
        }
        if (!w.AddSpectrum(masses.data(), intensities.data(), flags.data(), 0, kPoints)) return;
      }
      w.EndBlock(60.0f * static_cast<float>(s), index, data);
      if (!f.WriteBlock(index, data)) return;
    }
    if (!f.Close()) return;
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_ReadScanBaseline(benchmark::State& state) {
  CDTFileReader reader(fixture().dir.string(), 0);
  ScanData scan;
  for (auto _ : state) {
    for (unsigned s = 0; s < kScans; ++s) {
      if (!reader.ReadScan(s, scan, false)) state.SkipWithError("block not read");
    }
    benchmark::DoNotOptimize(scan.channel.data());
  }
  state.SetItemsProcessed(state.iterations() * fixture().points);
}
BENCHMARK(BM_ReadScanBaseline)->Name("drift_extract/CDTFileReader_ReadScan_baseline")->Unit(benchmark::kMillisecond);

// Every drift spectrum of every scan through the drift reader: int indices
// (the extraction's own read) and zero-padded calibrated masses.
void BM_DriftScanIndices(benchmark::State& state) {
  ZorvalenRawCDCReaderImp reader(fixture().dir.string(), 0, nullptr, nullptr);
  for (auto _ : state) {
    for (int s = 0; s < kScans; ++s) {
      for (int d = 0; d < kBins; ++d) {
        int* masses = nullptr;
        float* intensities = nullptr;
        int n = 0;
        if (reader.ReadScan(s, d, masses, intensities, n) != 0) state.SkipWithError("drift scan not read");
        benchmark::DoNotOptimize(intensities);
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * fixture().points);
}
BENCHMARK(BM_DriftScanIndices)->Name("drift_extract/ReadScan_int_indices")->Unit(benchmark::kMillisecond);

void BM_DriftScanMasses(benchmark::State& state) {
  ZorvalenRawCDCReaderImp reader(fixture().dir.string(), 0, nullptr, nullptr);
  for (auto _ : state) {
    for (int s = 0; s < kScans; ++s) {
      for (int d = 0; d < kBins; ++d) {
        float* masses = nullptr;
        float* intensities = nullptr;
        int n = 0;
        if (reader.ReadScan(s, d, masses, intensities, n) != 0) state.SkipWithError("drift scan not read");
        benchmark::DoNotOptimize(masses);
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * fixture().points);
}
BENCHMARK(BM_DriftScanMasses)->Name("drift_extract/ReadScan_calibrated_masses")->Unit(benchmark::kMillisecond);

void BM_ExtractByBins(benchmark::State& state) {
  ZorvalenRawCDCReaderImp reader(fixture().dir.string(), 0, nullptr, nullptr);
  for (auto _ : state) {
    int* bins = nullptr;
    float* sums = nullptr;
    int n = 0;
    if (reader.extractByBins(500.0f, 520.0f, 0, kScans - 1, 0, kBins - 1, bins, sums, n) != 0)
      state.SkipWithError("extraction failed");
    benchmark::DoNotOptimize(sums);
    releaseMemory(bins);
    releaseMemory(sums);
  }
  state.SetItemsProcessed(state.iterations() * fixture().points);
}
BENCHMARK(BM_ExtractByBins)->Name("drift_extract/extractByBins")->Unit(benchmark::kMillisecond);

void BM_ExtractByBlocks(benchmark::State& state) {
  ZorvalenRawCDCReaderImp reader(fixture().dir.string(), 0, nullptr, nullptr);
  for (auto _ : state) {
    float* times = nullptr;
    float* sums = nullptr;
    int n = 0;
    if (reader.extractByBlocks(500.0f, 520.0f, 0, kScans - 1, 0, kBins - 1, times, sums, n) != 0)
      state.SkipWithError("extraction failed");
    benchmark::DoNotOptimize(sums);
    releaseMemory(times);
    releaseMemory(sums);
  }
  state.SetItemsProcessed(state.iterations() * fixture().points);
}
BENCHMARK(BM_ExtractByBlocks)->Name("drift_extract/extractByBlocks")->Unit(benchmark::kMillisecond);

void BM_ExtractByMass(benchmark::State& state) {
  ZorvalenRawCDCReaderImp reader(fixture().dir.string(), 0, nullptr, nullptr);
  std::vector<float> masses, intensities;
  for (auto _ : state) {
    if (reader.extractByMass(50.0f, 2000.0f, 0, kScans - 1, 0, kBins - 1, masses, intensities) != 0)
      state.SkipWithError("extraction failed");
    benchmark::DoNotOptimize(intensities.data());
  }
  state.SetItemsProcessed(state.iterations() * fixture().points);
}
BENCHMARK(BM_ExtractByMass)->Name("drift_extract/extractByMass")->Unit(benchmark::kMillisecond);

}  // namespace
