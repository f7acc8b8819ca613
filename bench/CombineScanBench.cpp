// Summing a run of scans with the spectrum processor, against reading the
// same scans with readScan and adding every intensity into one array, in the
// same run.
//  combine_scan: 1,000 continuum scans of 2,000 points on one mass grid, so
//    the sum stays 2,000 points. vs_read_sum = combineScan's time over the
//    baseline's (target at most 1.5).
//  combine_scan/centroid_walk: 1,000 centroid scans of 2,000 points whose
//    masses move by 0.000875 from scan to scan, so no point coalesces and
//    the sum grows to 2,000,000 points; vs_read_sum shows what that growth
//    costs.
//  combine_scan/moving_masses: 1,000 and then 4,000 centroid scans of 1,000
//    points whose masses move by 0.0002 from scan to scan, so that the sum
//    grows to every point read, against reading the same scans and sorting
//    all their points by mass with std::sort (read_sort). growth = the
//    4,000-scan combine's time over the 1,000-scan one's (target at most
//    5); vs_read_sort_1000 and vs_read_sort_4000 = each combine's time over
//    its read-and-sort (target at most 5). Each processor combines once
//    before the timed passes, so that neither pays for first touching the
//    memory its combines keep: left in, the 1,000-scan combine alone often
//    found that memory already mapped from the run before.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Format12Run.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kScans = 1000, kPoints = 2000;

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// The run, with the spectrum processor reading it.
struct Run : zvraw_bench::ProcessorRun {
  Run(const char* name, bool continuum, float step, unsigned grids, unsigned scans = kScans, unsigned points = kPoints)
      : ProcessorRun(name, ZorvalenBaseType::SCAN, [&](const fs::path& target) {
          return zvraw_bench::writeFormat12Run(target, scans, points, scans / 10, continuum, step, grids);
        }) {
    if (setRawReader(processor, reader) != ZVRAW_OK) std::abort();
  }
};

// Every scan read, its intensities added by position into one array.
double readAndSumSeconds(CZorvalenBaseReader reader) {
  std::vector<float> sum(kPoints, 0.0f);
  const auto t0 = Clock::now();
  for (unsigned s = 0; s < kScans; ++s) {
    float *masses = nullptr, *intensities = nullptr;
    int size = 0;
    if (readScan(reader, 0, static_cast<int>(s), &masses, &intensities, &size) != ZVRAW_OK) std::abort();
    const int n = std::min(size, static_cast<int>(kPoints));
    for (int p = 0; p < n; ++p) sum[static_cast<std::size_t>(p)] += intensities[p];
    benchmark::DoNotOptimize(masses);
  }
  benchmark::DoNotOptimize(sum.data());
  return seconds(t0);
}

// Every scan read, all their points then sorted by mass.
double readAndSortSeconds(CZorvalenBaseReader reader, unsigned scans, unsigned points) {
  std::vector<std::pair<float, float>> all;
  all.reserve(std::size_t{scans} * points);
  const auto t0 = Clock::now();
  for (unsigned s = 0; s < scans; ++s) {
    float *masses = nullptr, *intensities = nullptr;
    int size = 0;
    if (readScan(reader, 0, static_cast<int>(s), &masses, &intensities, &size) != ZVRAW_OK) std::abort();
    for (int p = 0; p < size; ++p) all.emplace_back(masses[p], intensities[p]);
  }
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  benchmark::DoNotOptimize(all.data());
  return seconds(t0);
}

double combineSeconds(CZorvalenBaseProcessor processor, unsigned scans) {
  const auto t0 = Clock::now();
  if (combineScan(processor, 0, 0, static_cast<int>(scans) - 1) != ZVRAW_OK) std::abort();
  return seconds(t0);
}

void BM_CombineMovingMasses(benchmark::State& state) {
  constexpr unsigned kFew = 1000, kMany = 4000, kMovingPoints = 1000;
  constexpr float kMove = 0.0002f;
  const Run few("combine-moving-1000", false, kMove, kFew, kFew, kMovingPoints);
  const Run many("combine-moving-4000", false, kMove, kMany, kMany, kMovingPoints);
  double combineFew = 0, combineMany = 0, sortFew = 0, sortMany = 0;
  (void)combineSeconds(few.processor, kFew);
  (void)combineSeconds(many.processor, kMany);
  for (auto _ : state) {
    sortFew += readAndSortSeconds(few.reader, kFew, kMovingPoints);
    combineFew += combineSeconds(few.processor, kFew);
    sortMany += readAndSortSeconds(many.reader, kMany, kMovingPoints);
    const double t = combineSeconds(many.processor, kMany);
    combineMany += t;
    state.SetIterationTime(t);
  }
  const double passes = static_cast<double>(state.iterations());
  float *masses = nullptr, *intensities = nullptr;
  int points = 0;
  if (getScan(many.processor, &masses, &intensities, &points) != ZVRAW_OK) std::abort();
  state.counters["summed_points_4000"] = points;
  state.counters["combine_1000_ms"] = 1e3 * combineFew / passes;
  state.counters["combine_4000_ms"] = 1e3 * combineMany / passes;
  state.counters["read_sort_4000_ms"] = 1e3 * sortMany / passes;
  state.counters["growth"] = combineMany / combineFew;
  state.counters["vs_read_sort_1000"] = combineFew / sortFew;
  state.counters["vs_read_sort_4000"] = combineMany / sortMany;
}

void BM_CombineScan(benchmark::State& state, const char* name, bool continuum, float step, unsigned grids) {
  const Run run(name, continuum, step, grids);
  double combineTime = 0, baseTime = 0;
  int points = 0;
  for (auto _ : state) {
    baseTime += readAndSumSeconds(run.reader);
    const auto t0 = Clock::now();
    if (combineScan(run.processor, 0, 0, static_cast<int>(kScans) - 1) != ZVRAW_OK) std::abort();
    const double t = seconds(t0);
    combineTime += t;
    state.SetIterationTime(t);
    float *masses = nullptr, *intensities = nullptr;
    if (getScan(run.processor, &masses, &intensities, &points) != ZVRAW_OK) std::abort();
  }
  const double passes = static_cast<double>(state.iterations());
  state.counters["summed_points"] = points;
  state.counters["scans_per_s"] = passes * kScans / combineTime;
  state.counters["baseline_scans_per_s"] = passes * kScans / baseTime;
  state.counters["vs_read_sum"] = combineTime / baseTime;
}

BENCHMARK_CAPTURE(BM_CombineScan, one_grid, "combine-scan", true, 0.0f, 1)
    ->Name("combine_scan")
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CombineScan, centroid_walk, "combine-centroid-walk", false, 0.000875f, kScans)
    ->Name("combine_scan/centroid_walk")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CombineMovingMasses)
    ->Name("combine_scan/moving_masses")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
