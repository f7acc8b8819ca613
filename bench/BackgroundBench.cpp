// Background subtraction on the shared continuum spectrum (100k points).
//  background/killsub: segment subtraction as the container runs it in place
//    (6 segments, 0.4 below, tolerance 0.01); vs_sum is per pass.
//  background/abs_fast: the adaptive subtractor (20 sub-bins, half window
//    10, level 0.45) on the double arrays the front end re-grids.
//  background/abs_subtract_float: the single-precision front end, re-grid
//    and conversions included.
//  background/abs_fast_400k: the adaptive subtractor on 400k points over
//    100-8000 Da; per_point_vs_100k is its cost per point over that of
//    abs_fast, both measured here.
// Counter vs_sum = the fastest run over the fastest pass summing the input
// intensities into a double (lower is better).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "SpectrumBenchData.h"
#include "processing/ABS.h"
#include "processing/ABSSubtract.h"
#include "processing/SegmentBackground.h"

namespace {

using zvraw_bench::BenchSpectrum;

const BenchSpectrum& continuum() {
  static const BenchSpectrum s = zvraw_bench::makeBenchSpectrum();
  return s;
}

struct Doubles {
  std::vector<double> masses, intensities;
};

// The spectrum as the single-precision front end hands it to the subtractor.
Doubles regridded(const BenchSpectrum& s) {
  int n = static_cast<int>(s.masses.size());
  auto x = std::make_unique_for_overwrite<double[]>(s.masses.size());
  auto y = std::make_unique_for_overwrite<double[]>(s.masses.size());
  std::copy(s.masses.begin(), s.masses.end(), x.get());
  std::copy(s.intensities.begin(), s.intensities.end(), y.get());
  (void)replaceZeros(&n, &x, &y);
  return {{x.get(), x.get() + n}, {y.get(), y.get() + n}};
}

// Fastest of the timed runs; prepare runs untimed before each.
double fastest(benchmark::State& state, const std::function<void()>& prepare, const std::function<void()>& run) {
  double best = 1e30;
  for (auto _ : state) {
    prepare();
    const auto t0 = std::chrono::steady_clock::now();
    run();
    benchmark::ClobberMemory();
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    state.SetIterationTime(dt.count());
    best = std::min(best, dt.count());
  }
  return best;
}

void BM_Killsub(benchmark::State& state) {
  const BenchSpectrum& s = continuum();
  const auto n = static_cast<long>(s.intensities.size());
  const double sum = zvraw_bench::sumPassSeconds(s.intensities);
  std::vector<float> back(s.intensities.size()), dsub(s.intensities.size()), work(6 + 4);
  long passes = 0;
  const double best = fastest(
      state, [] {},
      [&] { passes = killsub(s.intensities.data(), back.data(), dsub.data(), n, 6, 0.4f, 0.01f, work.data()); });
  state.counters["passes"] = static_cast<double>(passes);
  state.counters["vs_sum"] = best / static_cast<double>(std::max(passes, 1L)) / sum;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_Killsub)->Name("background/killsub")->UseManualTime()->Unit(benchmark::kMicrosecond);

double absFastSeconds(benchmark::State& state, const Doubles& d) {
  const ABS abs(20, 10, 0.45);
  std::vector<double> signal;
  return fastest(
      state, [&] { signal = d.intensities; },
      [&] {
        benchmark::DoNotOptimize(abs.ABSFast(d.masses.data(), signal.data(), static_cast<int>(signal.size()), nullptr));
      });
}

void BM_AbsFast(benchmark::State& state) {
  const BenchSpectrum& s = continuum();
  const Doubles d = regridded(s);
  const double sum = zvraw_bench::sumPassSeconds(s.intensities);
  state.counters["vs_sum"] = absFastSeconds(state, d) / sum;
  state.counters["points"] = static_cast<double>(d.masses.size());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(d.masses.size()));
}
BENCHMARK(BM_AbsFast)->Name("background/abs_fast")->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_AbsSubtractFloat(benchmark::State& state) {
  const BenchSpectrum& s = continuum();
  const std::size_t n = s.masses.size();
  const double sum = zvraw_bench::sumPassSeconds(s.intensities);
  std::unique_ptr<float[]> x, y;
  int size = 0;
  const double best = fastest(
      state,
      [&] {
        x.reset();  // freed before the next are had, as a caller replacing its arrays would
        y.reset();
        x = std::make_unique_for_overwrite<float[]>(n);
        y = std::make_unique_for_overwrite<float[]>(n);
        std::copy(s.masses.begin(), s.masses.end(), x.get());
        std::copy(s.intensities.begin(), s.intensities.end(), y.get());
        size = static_cast<int>(n);
      },
      [&] { benchmark::DoNotOptimize(ABSSubtract(&x, &y, &size, nullptr, 20, 10, 0.45f)); });
  state.counters["vs_sum"] = best / sum;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_AbsSubtractFloat)->Name("background/abs_subtract_float")->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_AbsFast400k(benchmark::State& state) {
  const BenchSpectrum large = zvraw_bench::makeBenchSpectrum(400000, 100.0, 8000.0);
  const Doubles d = regridded(large), base = regridded(continuum());
  const double sum = zvraw_bench::sumPassSeconds(large.intensities);
  const double best = absFastSeconds(state, d);
  // The 100k spectrum again, in this run, for the per-point comparison.
  double baseBest = 1e30;
  const ABS abs(20, 10, 0.45);
  for (int r = 0; r < 20; ++r) {
    std::vector<double> signal = base.intensities;
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(abs.ABSFast(base.masses.data(), signal.data(), static_cast<int>(signal.size()), nullptr));
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    baseBest = std::min(baseBest, dt.count());
  }
  state.counters["vs_sum"] = best / sum;
  state.counters["per_point_vs_100k"] =
      (best / static_cast<double>(d.masses.size())) / (baseBest / static_cast<double>(base.masses.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(d.masses.size()));
}
BENCHMARK(BM_AbsFast400k)->Name("background/abs_fast_400k")->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
