// Merging two 100k-point continuum spectra with addScans into outputs
// zero-filled first, as the spectrum container calls it, against one pass
// summing the intensities of both inputs into a double (vs_sum).
//  add_spectra/same_grid: both on one mass grid, so every point coalesces.
//  add_spectra/shifted_grid: the second grid half a spacing up, so none does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "SpectrumBenchData.h"
#include "processing/AddSpectra.h"

namespace {

using zvraw_bench::BenchSpectrum;

BenchSpectrum halfSpacingUp(BenchSpectrum s) {
  const std::size_t n = s.masses.size();
  for (std::size_t i = 0; i + 1 < n; ++i) s.masses[i] = 0.5f * (s.masses[i] + s.masses[i + 1]);
  if (n > 1) s.masses[n - 1] += s.masses[n - 1] - s.masses[n - 2];
  return s;
}

void BM_AddScans(benchmark::State& state, bool shifted) {
  BenchSpectrum a = zvraw_bench::makeBenchSpectrum();
  const BenchSpectrum second = zvraw_bench::makeBenchSpectrum(100000, 100.0, 2000.0, 7);
  const BenchSpectrum b = shifted ? halfSpacingUp(second) : second;
  const std::size_t n = a.masses.size() + b.masses.size();
  std::vector<float> masses(n), intensities(n);

  std::vector<float> both(a.intensities);
  both.insert(both.end(), b.intensities.begin(), b.intensities.end());
  const double sumSeconds = zvraw_bench::sumPassSeconds(both);

  unsigned merged = 0;
  double best = 1e30;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    std::fill(masses.begin(), masses.end(), 0.0f);
    std::fill(intensities.begin(), intensities.end(), 0.0f);
    merged = addScans(masses.data(), intensities.data(), a.masses.data(), a.intensities.data(),
                      unsigned(a.masses.size()), b.masses.data(), b.intensities.data(), unsigned(b.masses.size()));
    benchmark::DoNotOptimize(merged);
    benchmark::ClobberMemory();
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    best = std::min(best, dt.count());
  }
  state.counters["merged"] = merged;
  state.counters["vs_sum"] = best / sumSeconds;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

BENCHMARK_CAPTURE(BM_AddScans, same_grid, false)->Name("add_spectra/same_grid");
BENCHMARK_CAPTURE(BM_AddScans, shifted_grid, true)->Name("add_spectra/shifted_grid");

}  // namespace
