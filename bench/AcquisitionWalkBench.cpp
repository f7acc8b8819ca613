// Walking a data-dependent and an alternating-energy run entry by entry,
// against reading every scan of the run once with readScan, in the same run
// on the same directory.
//  dda_walk: a survey function of 3,000 scans and three fragment functions
//    of 3,000 scans each, 2,000 points a scan, set masses changing every 1
//    to 3 scans (7,500 entries). Each pass hands the processor a new reader,
//    so the list is built again, then ddaGetNextScan walks every entry.
//    vs_read_all = the walk's time over the baseline's (target at most 1.5).
//  elvo_walk: two alternating functions of 5,000 scans of 2,000 points;
//    elvoGetNextScan over all 10,000 after a new reader, against readScan of
//    the same scans (target at most 1.1).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Format12Run.h"
#include "cluster/ExtendedStatsDescriptor.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace borealtek_zvraw_version_1;

namespace {

constexpr unsigned kPoints = 2000, kBatch = 100;
constexpr std::uint32_t kTOFS = 15, kTOFD = 16, kTOFM = 18, kMS = 0;

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

struct FunctionPlan {
  std::uint32_t type = kMS;
  unsigned scans = 0;
  double rtOffset = 0;  // minutes; scan s is at rtOffset + 0.001 s
  int statsField = 0;   // one float per scan, when not 0
  float (*statsValue)(unsigned scan) = nullptr;
};

ZVRawFunctionDescriptor_NonMaldi descriptor(std::uint32_t type, unsigned scans) {
  ZVRawFunctionDescriptor_NonMaldi d;
  // One time range for every function: the alternating functions must match.
  (void)d.Initialise(type, 8, 12, true, false, 0.06f, 0.02f, 0.0f, 6.0f, scans, 0, 1);
  float times[32] = {0.058f}, starts[32] = {50.0f}, ends[32] = {2000.0f};
  (void)d.Initialise(500.0f, 0.0f, times, starts, ends);
  return d;
}

// Writes each function in turn: continuum scans of kPoints points on one
// mass grid, intensities 1 + (7 s + 3 p + f) % 1000.
bool writeRun(const fs::path& dir, const std::vector<FunctionPlan>& functions) {
  std::error_code ec;
  fs::remove_all(dir, ec);
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  if (w.prepareDataCluster(dir.c_str(), 0) != ZVRAW_OK) return false;
  for (unsigned f = 0; f < functions.size(); ++f) {
    const FunctionPlan& plan = functions[f];
    if (w.setFunctionDescriptor(f, descriptor(plan.type, 0), true, true) != ZVRAW_OK) return false;
    if (plan.statsField != 0) {
      ExtendedStatsDescriptor layout(1, 4);
      layout.addField({plan.statsField, 'f'}, 0);
      if (w.setExtendedStatsDescriptor(f, layout) != ZVRAW_OK) return false;
    }
    for (unsigned first = 0; first < plan.scans; first += kBatch) {
      const unsigned count = std::min(kBatch, plan.scans - first);
      std::vector<std::unique_ptr<float[]>> pm(count), pi(count);
      std::vector<std::unique_ptr<char[]>> pf(count);
      std::vector<unsigned> sizes(count, kPoints);
      std::vector<double> times(count);
      std::vector<float> stats(count);
      for (unsigned k = 0; k < count; ++k) {
        const unsigned s = first + k;
        // The write interface moves the arrays out of the tables.
        pm[k] = std::make_unique_for_overwrite<float[]>(kPoints);
        pi[k] = std::make_unique_for_overwrite<float[]>(kPoints);
        pf[k] = std::make_unique<char[]>(kPoints);
        for (unsigned p = 0; p < kPoints; ++p) {
          pm[k][p] = 100.0f + 0.875f * static_cast<float>(p);
          pi[k][p] = static_cast<float>(1 + (s * 7 + p * 3 + f) % 1000);
        }
        times[k] = plan.rtOffset + 0.001 * s;
        if (plan.statsValue) stats[k] = plan.statsValue(s);
      }
      int rc = w.setFunctionDescriptor(f, descriptor(plan.type, first + count));
      if (rc == ZVRAW_OK) rc = w.appendScans(f, count, pm.data(), pi.data(), pf.data(), times.data(), sizes.data());
      if (rc != ZVRAW_OK || w.writeScans(f, true, 0u) != ZVRAW_OK) return false;
      if (plan.statsField != 0 &&
          (w.appendStats(f, count, stats.data()) != ZVRAW_OK || w.writeExtendedStats(f, 0u) != ZVRAW_OK))
        return false;
    }
  }
  return w.writeFunctionDescriptors() == ZVRAW_OK && w.writeHeader(false) == ZVRAW_OK;
}

// Set masses held for 1, 2, 3, 1, 2, 3, ... scans: entries of 1 to 3 scans.
float fragmentSetMass(unsigned s) {
  const unsigned cycle = s / 6, within = s % 6;
  const unsigned entry = 3 * cycle + (within < 1 ? 0 : within < 3 ? 1 : 2);
  return 300.0f + static_cast<float>(entry % 500);
}
float lowEnergy(unsigned) { return 6.0f; }
float highEnergy(unsigned) { return 30.0f; }

struct Run : zvraw_bench::ProcessorRun {
  Run(const char* name, const std::vector<FunctionPlan>& functions, ZorvalenBaseType kind)
      : ProcessorRun(name, kind, [&](const fs::path& target) { return writeRun(target, functions); }) {}

  // Every scan of the given functions read once.
  double readAllSeconds(const std::vector<FunctionPlan>& functions, unsigned count) const {
    const auto t0 = Clock::now();
    for (unsigned f = 0; f < count; ++f)
      for (unsigned s = 0; s < functions[f].scans; ++s) {
        float *m = nullptr, *i = nullptr;
        int n = 0;
        if (readScan(reader, static_cast<int>(f), static_cast<int>(s), &m, &i, &n) != ZVRAW_OK) std::abort();
        benchmark::DoNotOptimize(i);
      }
    return seconds(t0);
  }

};

void report(benchmark::State& state, double walk, double base, double items, double baseItems) {
  const double passes = static_cast<double>(state.iterations());
  state.counters["entries_per_s"] = passes * items / walk;
  state.counters["baseline_scans_per_s"] = passes * baseItems / base;
  state.counters["vs_read_all"] = walk / base;
}

void BM_DDAWalk(benchmark::State& state) {
  std::vector<FunctionPlan> functions = {{kTOFS, 3000, 0.0, 0, nullptr}};
  for (unsigned j = 1; j <= 3; ++j)
    functions.push_back({kTOFD, 3000, 0.00025 * j, SET_MASS, fragmentSetMass});
  const Run run("dda-walk", functions, ZorvalenBaseType::DDA);
  CZorvalenParameters details = nullptr;
  if (createParameters(&details) != ZVRAW_OK) std::abort();
  double walk = 0, base = 0;
  int entries = 0;
  for (auto _ : state) {
    base += run.readAllSeconds(functions, 4);
    if (setRawReader(run.processor, run.reader) != ZVRAW_OK) std::abort();
    const auto t0 = Clock::now();
    entries = 0;
    for (bool next = true;;) {
      float *m = nullptr, *i = nullptr;
      int n = 0;
      if (ddaGetNextScan(run.processor, &m, &i, &n, details, &next) != ZVRAW_OK) std::abort();
      if (!next) break;
      ++entries;
      benchmark::DoNotOptimize(i);
    }
    const double t = seconds(t0);
    walk += t;
    state.SetIterationTime(t);
  }
  destroyParameters(details);
  state.counters["entries"] = entries;
  report(state, walk, base, entries, 12000);
}

void BM_ElvoWalk(benchmark::State& state) {
  const std::vector<FunctionPlan> functions = {{kTOFM, 5000, 0.0, COLLISION_ENERGY, lowEnergy},
                                               {kTOFM, 5000, 0.0005, COLLISION_ENERGY, highEnergy},
                                               {kMS, 1, 0.0, 0, nullptr}};  // so neither is the reference
  const Run run("elvo-walk", functions, ZorvalenBaseType::ELVO);
  double walk = 0, base = 0;
  for (auto _ : state) {
    base += run.readAllSeconds(functions, 2);
    if (setRawReader(run.processor, run.reader) != ZVRAW_OK) std::abort();
    const auto t0 = Clock::now();
    int scans = 0;
    for (;;) {
      float rt = 0;
      ZorvalenScanType type = ZorvalenScanType::UNINITIALISED;
      float *m = nullptr, *i = nullptr;
      int n = 0;
      bool next = false;
      if (elvoGetNextScan(run.processor, rt, type, m, i, n, next) != ZVRAW_OK) std::abort();
      if (!next) break;
      ++scans;
      benchmark::DoNotOptimize(i);
    }
    const double t = seconds(t0);
    walk += t;
    state.SetIterationTime(t);
    if (scans != 10000) std::abort();
  }
  report(state, walk, base, 10000, 10000);
}

BENCHMARK(BM_DDAWalk)->Name("dda_walk")->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ElvoWalk)->Name("elvo_walk")->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
