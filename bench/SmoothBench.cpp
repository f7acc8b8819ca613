// Smoothing as the spectrum processor runs it by default: Savitzky-Golay,
// half-width 3, 2 passes, through smoothSpectrum.
//  smooth/continuum: the 100k-point continuum spectrum (no padding needed).
//  smooth/zero_suppressed: the same zero-suppressed, so padding grows it.
// Counter vs_sum = the fastest smoothing over the fastest pass summing the
// input intensities into a double (lower is better); points/s of input.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "SpectrumBenchData.h"
#include "processing/Smoothing.h"

namespace {

using zvraw_bench::BenchSpectrum;

const BenchSpectrum& continuum() {
  static const BenchSpectrum s = zvraw_bench::makeBenchSpectrum();
  return s;
}
const BenchSpectrum& suppressed() {
  static const BenchSpectrum s = zvraw_bench::zeroSuppressed(continuum());
  return s;
}

void runSmooth(benchmark::State& state, const BenchSpectrum& in) {
  const std::size_t n = in.masses.size();
  const double sum = zvraw_bench::sumPassSeconds(in.intensities);
  double best = 1e30;
  unsigned int smoothed = 0;
  for (auto _ : state) {
    // Fresh arrays each time: padding replaces them.
    auto x = std::make_unique_for_overwrite<float[]>(n);
    auto y = std::make_unique_for_overwrite<float[]>(n);
    std::copy(in.masses.begin(), in.masses.end(), x.get());
    std::copy(in.intensities.begin(), in.intensities.end(), y.get());
    unsigned int size = static_cast<unsigned int>(n);
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(smoothSpectrum(x, y, size, SMOOTH_SAVITZKY_GOLAY, 2, 3));
    benchmark::ClobberMemory();
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    state.SetIterationTime(dt.count());
    best = std::min(best, dt.count());
    smoothed = size;
  }
  state.counters["vs_sum"] = best / sum;
  state.counters["points"] = static_cast<double>(n);
  state.counters["smoothed_points"] = smoothed;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(n));
}

void BM_SmoothContinuum(benchmark::State& state) { runSmooth(state, continuum()); }
BENCHMARK(BM_SmoothContinuum)->Name("smooth/continuum")->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_SmoothZeroSuppressed(benchmark::State& state) { runSmooth(state, suppressed()); }
BENCHMARK(BM_SmoothZeroSuppressed)->Name("smooth/zero_suppressed")->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
