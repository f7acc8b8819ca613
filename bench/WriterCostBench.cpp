// Writer work that must cost its points plus one pass over the function's
// grid, against the same points handed in the cheap way, in the same run.
// The grid: 50-2000 at Lteff 1800, Veff 7200 and 3 GHz, 172,517 points.
//  empty_drift_spectra: appendCDTScan of a block of 65,536 drift spectra
//    holding 10 points in all (all in the middle one, the others empty),
//    against a block of one spectrum holding the same 10 points;
//    vs_one_spectrum = best block time over best block time (target at
//    most 3).
//  jumping_rebin: rebinning a 20,000-point spectrum whose masses jump
//    between the grid's two halves (each point a cell of no width of its
//    own), against the same points in order; vs_in_order = best over best.
//    A jump is looked up, not walked: target at most 5 (a walk across the
//    grid per point made it thousands).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "drift/ScanManager.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr float kLteff = 1800.0f, kVeff = 7200.0f, kGHz = 3.0f, kStart = 50.0f, kEnd = 2000.0f;
constexpr unsigned kSpectra = 1u << 16, kPoints = 10, kBlocks = 10;

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void set(CZorvalenParameters p, FunctionDefinition key, const char* value) {
  if (setParameterValue(p, static_cast<int>(key), value) != 0) std::abort();
}

// The best time of one appendCDTScan over kBlocks blocks, each the points
// spread as `counts` says, in a new writer.
double bestBlock(const fs::path& target, const std::vector<unsigned>& counts, const std::vector<float>& masses,
                 const std::vector<float>& intensities) {
  fs::remove_all(target);
  CZorvalenRawWriter writer = nullptr;
  CZorvalenParameters function = nullptr;
  if (createRawWriter(&writer, target.c_str()) != 0 || createParameters(&function) != 0) std::abort();
  set(function, FunctionDefinition::LTEFF, "1800");
  set(function, FunctionDefinition::VEFF, "7200");
  set(function, FunctionDefinition::SAMPLINGFREQUENCY, "3");
  set(function, FunctionDefinition::STARTMASS, "50");
  set(function, FunctionDefinition::ENDMASS, "2000");
  set(function, FunctionDefinition::FUNCTIONTYPE, "218");
  set(function, FunctionDefinition::CDT_SCANS, std::to_string(counts.size()).c_str());
  if (appendRawFunction(writer, function) != 0) std::abort();
  double best = 1e30;
  for (unsigned b = 0; b < kBlocks; ++b) {
    const auto t0 = Clock::now();
    if (appendCDTScan(writer, masses.data(), intensities.data(), kPoints, counts.data(),
                      static_cast<unsigned>(counts.size()), 0.01f * static_cast<float>(b)) != 0)
      std::abort();
    best = std::min(best, seconds(t0));
  }
  (void)destroyParameters(function);
  (void)destroyRawWriter(writer);
  return best;
}

void BM_EmptyDriftSpectra(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "zvraw-cost-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  const fs::path root = pattern;
  std::vector<float> masses, intensities;
  for (unsigned k = 0; k < kPoints; ++k) {
    masses.push_back(100.0f + 150.0f * static_cast<float>(k));
    // Enough that the cells each point spreads over keep whole counts.
    intensities.push_back(1e6f + static_cast<float>(k));
  }
  std::vector<unsigned> many(kSpectra, 0), one = {kPoints};
  many[kSpectra / 2] = kPoints;
  double wide = 1e30, narrow = 1e30;
  for (auto _ : state) {
    wide = std::min(wide, bestBlock(root / "many.raw", many, masses, intensities));
    narrow = std::min(narrow, bestBlock(root / "one.raw", one, masses, intensities));
  }
  state.counters["many_ms"] = wide * 1e3;
  state.counters["one_ms"] = narrow * 1e3;
  state.counters["vs_one_spectrum"] = wide / narrow;
  std::error_code ec;
  fs::remove_all(root, ec);
}
BENCHMARK(BM_EmptyDriftSpectra)->Name("empty_drift_spectra")->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_JumpingRebin(benchmark::State& state) {
  Vardex::Lib::ZorvalenRaw::ScanManager grid(kLteff, kVeff, kGHz, kStart, kEnd);
  if (!grid.Valid()) {
    state.SkipWithError("grid not built");
    return;
  }
  constexpr int kN = 20000;
  std::vector<float> ordered(kN), jumping, intensities(kN, 10.0f);
  for (int k = 0; k < kN; ++k) ordered[k] = kStart + (kEnd - kStart) * (static_cast<float>(k) + 0.5f) / kN;
  // The top half and the bottom half, each descending, taken in turn.
  for (int k = 0; k < kN / 2; ++k) {
    jumping.push_back(ordered[kN - 1 - k]);
    jumping.push_back(ordered[kN / 2 - 1 - k]);
  }
  double inOrder = 1e30, jumps = 1e30;
  for (auto _ : state) {
    for (int r = 0; r < 5; ++r) {
      auto t0 = Clock::now();
      grid.Resample(ordered.data(), intensities.data(), kN);
      benchmark::ClobberMemory();
      inOrder = std::min(inOrder, seconds(t0));
      t0 = Clock::now();
      grid.Resample(jumping.data(), intensities.data(), kN);
      benchmark::ClobberMemory();
      jumps = std::min(jumps, seconds(t0));
    }
  }
  state.counters["in_order_ms"] = inOrder * 1e3;
  state.counters["jumping_ms"] = jumps * 1e3;
  state.counters["vs_in_order"] = jumps / inOrder;
}
BENCHMARK(BM_JumpingRebin)->Name("jumping_rebin")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
