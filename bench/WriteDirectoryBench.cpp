// Writing a raw directory through the C interface, against two baselines
// measured in the same run and in the same folder.
//  write_directory: appendRawScan of 62,500 scans of 2,000 points into a
//    default continuum function (data format 12, no grid): 1 GB of
//    _func001.dat, then closeRawWriter.
//    vs_fwrite = the writer's MB/s over fwrite of the same .dat bytes in 1 MB
//      pieces;
//    vs_interface = the writer's MB/s over the same scans through the write
//      interface in batches of 100, each followed by the function
//      descriptors as the writer rewrites them (the caller allocates the
//      arrays the interface takes over, and copies the scans into them);
//    last_vs_first = time of the last tenth of the scans over the first
//      tenth (the cost of a scan must not grow with the file).
// Each run's files are removed before the next starts, so none of them waits
// on another's dirty pages. Five iterations; each figure is the median of the
// iterations' own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/FunctionDescriptor.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kPoints = 2000, kScans = 62500, kBatch = 100, kTenth = kScans / 10, kVariants = 16;
constexpr std::size_t kPiece = std::size_t{1} << 20;

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// A handful of distinct spectra that the scans cycle through: ascending
// masses, intensities of every magnitude the packing meets.
struct Spectra {
  Spectra() : masses(kVariants, std::vector<float>(kPoints)), intensities(masses) {
    for (unsigned v = 0; v < kVariants; ++v)
      for (unsigned p = 0; p < kPoints; ++p) {
        masses[v][p] = 100.0f + 0.45f * static_cast<float>(p) + 0.01f * static_cast<float>(v);
        intensities[v][p] = static_cast<float>((p * 7919u + v * 131u) % 50000u) * 0.37f;
      }
  }
  [[nodiscard]] const float* mass(unsigned s) const { return masses[s % kVariants].data(); }
  [[nodiscard]] const float* intensity(unsigned s) const { return intensities[s % kVariants].data(); }
  static float time(unsigned s) { return 0.001f * static_cast<float>(s); }
  std::vector<std::vector<float>> masses, intensities;
};

// Through the C interface; the times of the first and last tenth of the scans.
void writeFront(const fs::path& raw, const Spectra& in, double& first, double& last) {
  CZorvalenRawWriter w = nullptr;
  CZorvalenParameters function = nullptr;
  if (createRawWriter(&w, raw.c_str()) != ZVRAW_OK || createParameters(&function) != ZVRAW_OK ||
      appendRawFunction(w, function) != ZVRAW_OK)
    std::abort();
  auto t = Clock::now();
  for (unsigned s = 0; s < kScans; ++s) {
    if (appendRawScan(w, in.mass(s), in.intensity(s), kPoints, Spectra::time(s)) != ZVRAW_OK) std::abort();
    if (s == kTenth - 1) first = seconds(t);
    if (s == kScans - kTenth - 1) t = Clock::now();
  }
  last = seconds(t);
  if (closeRawWriter(w) != ZVRAW_OK) std::abort();
  (void)destroyRawWriter(w);
  (void)destroyParameters(function);
}

// The same scans through the write interface, as the writer's own batches:
// each batch's scans, then its function descriptors.
void writeInterface(const fs::path& raw, const Spectra& in) {
  using namespace borealtek_zvraw_version_1;
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  Vardex::Lib::ZorvalenRaw::FunctionDescriptor definition;  // the writer's default function
  ZVRawFunctionDescriptor_NonMaldi& d = *definition.GetDescriptor();
  if (w.prepareDataCluster(raw.c_str(), 0) != ZVRAW_OK || w.setFunctionDescriptor(0, d, true, true) != ZVRAW_OK)
    std::abort();
  std::vector<std::unique_ptr<float[]>> masses(kBatch), intensities(kBatch);
  std::vector<std::unique_ptr<char[]>> flags(kBatch);
  std::vector<unsigned> sizes(kBatch);
  std::vector<double> times(kBatch);
  for (unsigned first = 0; first < kScans; first += kBatch) {
    for (unsigned k = 0; k < kBatch; ++k) {
      const unsigned s = first + k;
      masses[k] = std::make_unique_for_overwrite<float[]>(kPoints);
      intensities[k] = std::make_unique_for_overwrite<float[]>(kPoints);
      flags[k] = std::make_unique<char[]>(kPoints);
      std::memcpy(masses[k].get(), in.mass(s), kPoints * sizeof(float));
      std::memcpy(intensities[k].get(), in.intensity(s), kPoints * sizeof(float));
      sizes[k] = kPoints;
      times[k] = Spectra::time(s);
    }
    d.totalScans() = first + kBatch;
    if (w.appendScans(0, kBatch, masses.data(), intensities.data(), flags.data(), times.data(), sizes.data()) !=
            ZVRAW_OK ||
        w.writeScans(0u, true, 0u) != ZVRAW_OK || w.setFunctionDescriptor(0, d) != ZVRAW_OK ||
        w.writeFunctionDescriptors() != ZVRAW_OK)
      std::abort();
  }
}

std::vector<char> readAll(const fs::path& p) {
  std::vector<char> bytes(fs::file_size(p));
  std::FILE* in = std::fopen(p.c_str(), "rb");
  if (!in || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) std::abort();
  std::fclose(in);
  return bytes;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void BM_WriteDirectory(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "zvraw-directory-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  const fs::path root = pattern, raw = root / "run.raw", plain = root / "plain.dat";
  const Spectra in;
  // Per iteration, so that a disturbance from outside the run (the machine
  // is shared) weighs on one iteration's figures only: the medians are kept.
  std::vector<double> front, interface, baseline, tenths;
  double mb = 0;
  for (auto _ : state) {
    double first = 0, last = 0;
    auto t = Clock::now();
    writeFront(raw, in, first, last);
    front.push_back(seconds(t));
    tenths.push_back(last / first);

    state.PauseTiming();
    const std::vector<char> dat = readAll(raw / "_func001.dat");
    mb = static_cast<double>(dat.size()) / 1e6;
    fs::remove_all(raw);
    state.ResumeTiming();
    t = Clock::now();
    writeInterface(raw, in);
    interface.push_back(seconds(t));

    state.PauseTiming();
    if (readAll(raw / "_func001.dat") != dat) std::abort();  // the same bytes either way
    fs::remove_all(raw);
    state.ResumeTiming();
    t = Clock::now();
    std::FILE* out = std::fopen(plain.c_str(), "wb");
    if (out == nullptr) std::abort();
    for (std::size_t at = 0; at < dat.size(); at += kPiece)
      if (std::fwrite(dat.data() + at, 1, std::min(kPiece, dat.size() - at), out) == 0) std::abort();
    if (std::fclose(out) != 0) std::abort();
    baseline.push_back(seconds(t));
    state.PauseTiming();
    fs::remove(plain);
    state.ResumeTiming();
  }
  std::vector<double> vsFwrite, vsInterface;
  for (std::size_t k = 0; k < front.size(); ++k) {
    vsFwrite.push_back(baseline[k] / front[k]);
    vsInterface.push_back(interface[k] / front[k]);
  }
  state.counters["writer_MB_per_s"] = mb / median(front);
  state.counters["interface_MB_per_s"] = mb / median(interface);
  state.counters["fwrite_MB_per_s"] = mb / median(baseline);
  state.counters["vs_fwrite"] = median(vsFwrite);
  state.counters["vs_interface"] = median(vsInterface);
  state.counters["last_vs_first"] = median(tenths);
  std::error_code ec;
  fs::remove_all(root, ec);
}
BENCHMARK(BM_WriteDirectory)->Name("write_directory")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
