// The real-time centroider on the shared continuum spectrum (100k points,
// about 135,000 bins at resolution 10000), runs repeated on one object as
// a processor repeats them.
//  rt_centroid/plain: no background subtraction (the default).
//  rt_centroid/subtracted: with the adaptive subtraction on.
// Counter vs_sum = the fastest run over the fastest pass summing the input
// intensities into a double (lower is better); peaks and bins of the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "SpectrumBenchData.h"
#include "processing/RTCentroidDTCProcess.h"

namespace {

using zvraw_bench::BenchSpectrum;

const BenchSpectrum& continuum() {
  static const BenchSpectrum s = zvraw_bench::makeBenchSpectrum();
  return s;
}

void runCentroider(benchmark::State& state, bool subtract) {
  const BenchSpectrum& s = continuum();
  const auto n = static_cast<long>(s.masses.size());
  const double sum = zvraw_bench::sumPassSeconds(s.intensities);
  CRTCentroidDTCProcess centroider(10000.0f, 2000.0f, 8000.0f, 4.0f);
  centroider.SetDoBackgroundSubtract(subtract);
  double best = 1e30;
  long peaks = 0;
  for (auto _ : state) {
    CRTCentroidDTCProcess::DoubleArray positions;
    CRTCentroidDTCProcess::FloatArray positionSigmas, values, valueSigmas;
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = centroider.PPCentroidDTC(s.masses.data(), s.intensities.data(), n, positions, positionSigmas,
                                             values, valueSigmas, peaks);
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    state.SetIterationTime(dt.count());
    best = std::min(best, dt.count());
    if (!ok) state.SkipWithError("the run failed");
  }
  state.counters["vs_sum"] = best / sum;
  state.counters["peaks"] = static_cast<double>(peaks);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}

void BM_RTCentroidPlain(benchmark::State& state) { runCentroider(state, false); }
BENCHMARK(BM_RTCentroidPlain)->Name("rt_centroid/plain")->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_RTCentroidSubtracted(benchmark::State& state) { runCentroider(state, true); }
BENCHMARK(BM_RTCentroidSubtracted)->Name("rt_centroid/subtracted")->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
