// Resampling a continuum spectrum onto a function's time-of-flight grid,
// against copying the same number of floats in and out (memcpy).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "drift/IMSUtil.h"
#include "drift/ScanManager.h"

namespace ims = Vardex::Lib::ZorvalenRaw::IMSUtil;
using Vardex::Lib::ZorvalenRaw::ScanManager;

namespace {

// Lteff 1800, Veff 7200 at 1 GHz: the 50-2000 grid has about 57,500 indices.
constexpr float kLteff = 1800.0f, kVeff = 7200.0f, kGHz = 1.0f, kStart = 50.0f, kEnd = 2000.0f;

// A continuum spectrum on an axis of its own, denser than the grid at low
// mass and sparser at high mass, as an acquisition's own sampling would be.
struct Spectrum {
  std::vector<float> masses, intensities;
  Spectrum() {
    for (float m = kStart; m < kEnd; m += 0.0012f * std::sqrt(m)) {
      masses.push_back(m);
      intensities.push_back(100.0f + 50.0f * std::sin(m));
    }
  }
};

const Spectrum& spectrum() {
  static const Spectrum s;
  return s;
}

void BM_GridMemcpyBaseline(benchmark::State& state) {
  const Spectrum& s = spectrum();
  const float ttm = ims::TimeToMass(kLteff, kVeff, kGHz);
  const auto gridPoints = static_cast<std::size_t>(ims::MassToIndex(kEnd, ttm) - ims::MassToIndex(kStart, ttm));
  // Read both source arrays and write the grid: the least any rebinning moves.
  std::vector<float> sink(2 * s.masses.size()), out(gridPoints, 1.0f);
  for (auto _ : state) {
    std::memcpy(sink.data(), s.masses.data(), s.masses.size() * sizeof(float));
    std::memcpy(sink.data() + s.masses.size(), s.intensities.data(), s.masses.size() * sizeof(float));
    std::memset(out.data(), 0, out.size() * sizeof(float));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["source"] = static_cast<double>(s.masses.size());
  state.counters["grid"] = static_cast<double>(gridPoints);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (s.masses.size() + gridPoints)));
}
BENCHMARK(BM_GridMemcpyBaseline);

void BM_ScanManagerResample(benchmark::State& state) {
  const Spectrum& s = spectrum();
  ScanManager grid(kLteff, kVeff, kGHz, kStart, kEnd);
  if (!grid.Valid()) {
    state.SkipWithError("grid not built");
    return;
  }
  const float ttm = ims::TimeToMass(kLteff, kVeff, kGHz);
  const auto gridPoints = static_cast<std::size_t>(ims::MassToIndex(kEnd, ttm) - ims::MassToIndex(kStart, ttm));
  for (auto _ : state) {
    grid.Resample(s.masses.data(), s.intensities.data(), static_cast<int>(s.masses.size()));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (s.masses.size() + gridPoints)));
}
BENCHMARK(BM_ScanManagerResample);

}  // namespace
