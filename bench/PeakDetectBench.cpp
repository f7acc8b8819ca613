// Peak detection as the spectrum container runs it by default: width 4, top
// 80 %, centroid, areas as counts, through peakDetectTOF on the 100k-point
// continuum spectrum.
//  peak_detect/plain: no dead-time correction.
//  peak_detect/dead_time: with a default TOFDeadTimeCorrection.
// Counter vs_sum = the fastest detection over the fastest pass summing the
// input intensities into a double (lower is better); points/s of input.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "SpectrumBenchData.h"
#include "processing/PeakDetect.h"

namespace {

using zvraw_bench::BenchSpectrum;

const BenchSpectrum& continuum() {
  static const BenchSpectrum s = zvraw_bench::makeBenchSpectrum();
  return s;
}

void runPeakDetect(benchmark::State& state, const TOFDeadTimeCorrection* deadTime) {
  const BenchSpectrum& in = continuum();
  const std::size_t n = in.masses.size();
  const double sum = zvraw_bench::sumPassSeconds(in.intensities);
  std::vector<float> x(n), y(n);
  double best = 1e30;
  unsigned int peaks = 0;
  for (auto _ : state) {
    std::copy(in.masses.begin(), in.masses.end(), x.begin());  // detection overwrites them
    std::copy(in.intensities.begin(), in.intensities.end(), y.begin());
    auto size = static_cast<unsigned int>(n);
    const auto t0 = std::chrono::steady_clock::now();
    peakDetectTOF(x.data(), y.data(), size, 4, 80.0f, PKD_METHOD_CENTROID, true, true, false, deadTime);
    benchmark::ClobberMemory();
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    state.SetIterationTime(dt.count());
    best = std::min(best, dt.count());
    peaks = size;
  }
  state.counters["vs_sum"] = best / sum;
  state.counters["points"] = static_cast<double>(n);
  state.counters["peaks"] = peaks;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(n));
}

void BM_PeakDetect(benchmark::State& state) { runPeakDetect(state, nullptr); }
BENCHMARK(BM_PeakDetect)->Name("peak_detect/plain")->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_PeakDetectDeadTime(benchmark::State& state) {
  const TOFDeadTimeCorrection deadTime;
  runPeakDetect(state, &deadTime);
}
BENCHMARK(BM_PeakDetectDeadTime)->Name("peak_detect/dead_time")->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
