// Lock-mass correction against reading and centring its reference scans.
//  lock_mass: a reference function of 240 continuum scans of 20,000 points
//    on one grid (500 to 600, 0.005 apart), 0.25 minutes apart, so each
//    5-minute window sums about 39 scans; a profile peak every 1.0 and the
//    reference peak at 556.2. Written once into
//    $TMPDIR/zvraw-bench-lock-mass and kept. Each iteration runs a forced
//    lockMassCorrect; the baseline, in the same iteration, reads every
//    reference scan once through readScan and centres it alone with the
//    same mass-measure step. Counters: scans/s of the correction and
//    vs_baseline = correction time / baseline time (target: at most 3).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "Format12Run.h"
#include "processing/MassMeasurePars.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kScans = 240, kPoints = 20000, kAnalytePoints = 16;
constexpr float kStep = 0.25f;
constexpr unsigned kReferenceType = 18;

ZVRawFunctionDescriptor_NonMaldi descriptor(unsigned type, unsigned scans) {
  ZVRawFunctionDescriptor_NonMaldi d;
  (void)d.Initialise(type, 8, 12, false, false, 0.6f, 0.02f, 0.0f, kStep * static_cast<float>(scans), scans, 0, 1);
  float times[32] = {0.58f}, starts[32] = {50.0f}, ends[32] = {2000.0f};
  (void)d.Initialise(500.0f, 0.0f, times, starts, ends);
  return d;
}

// Point p of reference scan s: Gaussian peaks of sigma 0.02 every 1.0 and
// a larger one at 556.2, over a baseline of 1.
void referencePoint(unsigned s, unsigned p, float& mass, float& intensity) {
  mass = 500.0f + 0.005f * static_cast<float>(p);
  const float nearest = std::round(mass - 0.2f) + 0.2f;
  const float x = mass - nearest;
  const float height = std::fabs(nearest - 556.2f) < 0.01f ? 5000.0f : 200.0f + static_cast<float>((s + p) % 50);
  intensity = 1.0f + std::round(height * std::exp(-x * x / (2 * 0.0004f)));
}

bool writeRun(const fs::path& dir) {
  std::error_code ec;
  fs::remove_all(dir, ec);
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  if (w.prepareDataCluster(dir.c_str(), 2) != ZVRAW_OK) return false;
  for (unsigned f = 0; f < 2; ++f) {
    const unsigned points = f == 0 ? kAnalytePoints : kPoints;
    // Uncalibrated, so that the run can be corrected.
    if (w.setFunctionDescriptor(f, descriptor(f == 0 ? 0 : kReferenceType, kScans), true, false) != ZVRAW_OK)
      return false;
    std::vector<std::unique_ptr<float[]>> masses(kScans), intensities(kScans);
    std::vector<std::unique_ptr<char[]>> flags(kScans);
    std::vector<unsigned> sizes(kScans, points);
    std::vector<double> times(kScans);
    for (unsigned s = 0; s < kScans; ++s) {
      masses[s] = std::make_unique_for_overwrite<float[]>(points);
      intensities[s] = std::make_unique_for_overwrite<float[]>(points);
      flags[s] = std::make_unique<char[]>(points);
      for (unsigned p = 0; p < points; ++p) {
        if (f == 0) {
          masses[s][p] = 100.0f + static_cast<float>(p);
          intensities[s][p] = 10.0f;
        } else {
          referencePoint(s, p, masses[s][p], intensities[s][p]);
        }
      }
      times[s] = kStep * s;
    }
    const int rc = w.appendScans(f, kScans, masses.data(), intensities.data(), flags.data(), times.data(), sizes.data());
    if (rc != ZVRAW_OK || w.writeScans(f, true, 0u) != ZVRAW_OK) return false;
  }
  return w.writeFunctionDescriptors() == ZVRAW_OK && w.writeHeader(false) == ZVRAW_OK;
}

const fs::path& directory() {
  static const fs::path dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path d = fs::path(tmp && *tmp ? tmp : "/tmp") / "zvraw-bench-lock-mass" / "run.raw";
    std::error_code ec;
    if (fs::file_size(d / "_func002.dat", ec) != std::uintmax_t{kScans} * kPoints * 8 ||
        !fs::exists(d / "_header.txt")) {
      std::fprintf(stderr, "lock_mass: writing %s (once)\n", d.c_str());
      if (!writeRun(d)) {
        std::fprintf(stderr, "lock_mass: could not write %s\n", d.c_str());
        std::abort();
      }
    }
    return d;
  }();
  return dir;
}

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void BM_LockMass(benchmark::State& state) {
  const fs::path& dir = directory();
  CZorvalenBaseReader reader = nullptr;
  CZorvalenBaseProcessor processor = nullptr;
  CZorvalenParameters set = nullptr;
  if (createRawReaderFromPath(dir.c_str(), &reader, ZorvalenBaseType::SCAN) != ZVRAW_OK ||
      createRawProcessor(&processor, ZorvalenBaseType::LOCKMASS, nullptr, nullptr) != ZVRAW_OK ||
      setRawReader(processor, reader) != ZVRAW_OK || createParameters(&set) != ZVRAW_OK ||
      setParameterValue(set, 1000, "556.2771") != ZVRAW_OK || setParameterValue(set, 1001, "0.5") != ZVRAW_OK ||
      setParameterValue(set, 1002, "1") != ZVRAW_OK || setLockMassParameters(processor, set) != ZVRAW_OK)
    std::abort();

  double correctTime = 0, baseTime = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (unsigned s = 0; s < kScans; ++s) {
      float *masses = nullptr, *intensities = nullptr;
      int size = 0;
      if (readScan(reader, 1, static_cast<int>(s), &masses, &intensities, &size) != ZVRAW_OK) std::abort();
      ZVSpectrum spectrum(masses, intensities, static_cast<unsigned>(size));
      MassMeasurePars pars("Temp", false);
      pars.DoSubtract() = pars.DoSmooth() = pars.DoTofAcm() = false;
      if (spectrum.MassMeasure(&pars, true) != ZVRAW_OK) std::abort();
      benchmark::DoNotOptimize(spectrum.getSize());
    }
    baseTime += seconds(t0);

    t0 = Clock::now();
    bool applied = false;
    if (lockMassCorrect(processor, &applied) != ZVRAW_OK || !applied) std::abort();
    const double t = seconds(t0);
    correctTime += t;
    state.SetIterationTime(t);
  }
  (void)removeLockMassCorrection(processor);
  destroyParameters(set);
  destroyRawProcessor(processor);
  destroyRawReader(reader);
  const double passes = static_cast<double>(state.iterations());
  state.counters["scans_per_s"] = passes * kScans / correctTime;
  state.counters["baseline_scans_per_s"] = passes * kScans / baseTime;
  state.counters["vs_baseline"] = correctTime / baseTime;
}
BENCHMARK(BM_LockMass)->Name("lock_mass")->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
