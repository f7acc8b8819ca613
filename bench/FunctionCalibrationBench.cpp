// Mass calibration over a scan-sized float array against a plain copy loop
// over the same array: the ratio of the rates is what to watch. The
// coefficients pull every mass towards a fixed point, so repeating the
// in-place calibration never reaches denormals or infinities.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "formats/calibration/FunctionCalibration.h"

namespace {

using namespace borealtek_calibrate_version_1;

constexpr int kPoints = 1 << 16;  // 64 Ki masses, 256 KiB

std::vector<float> masses() {
  std::vector<float> m(kPoints);
  for (int i = 0; i < kPoints; ++i) m[static_cast<std::size_t>(i)] = 50.0f + 0.03f * static_cast<float>(i);
  return m;
}

void setBytes(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kPoints * 4);
}

// order 1, 2 or 5; the second argument selects root-mass, the third a modification
FunctionCalibration calibration(const benchmark::State& state) {
  FunctionCalibration cal;
  const auto order = static_cast<short>(state.range(0));
  const auto type = static_cast<short>(state.range(1));
  cal.setCalibration(0.01, 0.99995, type);
  cal.C2() = order >= 2 ? -1e-9 : 0.0;
  for (short k = 3; k <= order; ++k) cal.getImp().m_fC[static_cast<std::size_t>(k)] = 1e-14;
  cal.calOrder() = order;
  if (state.range(2) != 0) cal.setModification(0.001, 0.9999, 1e-10);
  return cal;
}

void BM_CopyLoopBaseline(benchmark::State& state) {
  const std::vector<float> src = masses();
  std::vector<float> dst(kPoints);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) dst[static_cast<std::size_t>(i)] = src[static_cast<std::size_t>(i)];
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_CopyLoopBaseline);

void BM_CalibrateMasses(benchmark::State& state) {
  std::vector<float> m = masses();
  const FunctionCalibration cal = calibration(state);
  for (auto _ : state) {
    cal.calibrateMasses(m.data(), kPoints);
    benchmark::DoNotOptimize(m.data());
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_CalibrateMasses)->ArgNames({"order", "root", "mod"})->Args({1, 0, 0})->Args({2, 1, 0})->Args({5, 0, 1});

// The scan decoder's path: one CalibrateMass call per decoded peak.
void BM_CalibrateMassPerPeak(benchmark::State& state) {
  std::vector<float> m = masses();
  const FunctionCalibration cal = calibration(state);
  const FunctionCalibrationImp& imp = cal.getImp();
  for (auto _ : state) {
    for (float& v : m) v = CalibrateMass(v, imp);
    benchmark::DoNotOptimize(m.data());
    benchmark::ClobberMemory();
  }
  setBytes(state);
}
BENCHMARK(BM_CalibrateMassPerPeak)->ArgNames({"order", "root", "mod"})->Args({1, 0, 0})->Args({2, 1, 0})->Args({5, 0, 1});

}  // namespace
