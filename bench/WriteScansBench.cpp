// Writing scans through the write interface, against fwrite of the same
// packed bytes in the same run.
//  write_scans: 10k scans of 1k points (format 12) in batches of 100, each
//    batch appended and written at once, as a writer front does.
//    vs_fwrite = writer MB/s over fwrite MB/s of the data file's bytes in 100
//    chunks from a page-aligned block read before the clock starts, each the
//    best of the runs; last_vs_first = time of the last tenth of the batches
//    over the first tenth (the cost of a batch must not grow with the file).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "formats/portability/PageAlignedBuffer.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kScans = 10000, kPeaks = 1000, kBatch = 100, kBatches = kScans / kBatch;

// The caller's arrays of every scan, made before the clock starts: the
// writer moves them out.
struct Scans {
  Scans() {
    for (unsigned s = 0; s < kScans; ++s) {
      auto m = std::make_unique_for_overwrite<float[]>(kPeaks);
      auto i = std::make_unique_for_overwrite<float[]>(kPeaks);
      auto f = std::make_unique_for_overwrite<char[]>(kPeaks);
      for (unsigned p = 0; p < kPeaks; ++p) {
        m[p] = 100.0f + 0.5f * static_cast<float>(p) + 0.125f * static_cast<float>(s % 8);
        i[p] = static_cast<float>(1 + (s * 7 + p * 3) % 1000);
        f[p] = 0;
      }
      masses.push_back(std::move(m));
      intensities.push_back(std::move(i));
      flags.push_back(std::move(f));
      sizes.push_back(kPeaks);
      times.push_back(0.01 * s);
    }
  }
  std::vector<std::unique_ptr<float[]>> masses, intensities;
  std::vector<std::unique_ptr<char[]>> flags;
  std::vector<unsigned> sizes;
  std::vector<double> times;
};

ZVRawFunctionDescriptor_NonMaldi descriptor(unsigned scans) {
  ZVRawFunctionDescriptor_NonMaldi d;
  (void)d.Initialise(0, 8, 12, false, false, 0.6f, 0.02f, 0.0f, 0.01f * scans, scans, 0, 1);
  float times[32] = {0.58f}, starts[32] = {50.0f}, ends[32] = {2000.0f};
  (void)d.Initialise(500.0f, 0.0f, times, starts, ends);
  return d;
}

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void BM_WriteScans(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "zvraw-write-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  const fs::path root = pattern;
  double writer = 1e30, baseline = 1e30, first = 0, last = 0;
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(root / "run.raw");
    Scans scans;
    state.ResumeTiming();
    const auto t0 = Clock::now();
    {
      ZVRawDataCluster cluster;
      ZVRawWriteInterface w(cluster);
      if (w.prepareDataCluster((root / "run.raw").string().c_str(), 0) != 0) std::abort();
      for (unsigned b = 0; b < kBatches; ++b) {
        const auto tb = Clock::now();
        const unsigned s = b * kBatch;
        if (w.setFunctionDescriptor(0, descriptor(s + kBatch)) != 0 ||
            w.appendScans(0, kBatch, &scans.masses[s], &scans.intensities[s], &scans.flags[s], &scans.times[s],
                          &scans.sizes[s]) != 0 ||
            w.writeScans(0u, true, 0u) != 0)
          std::abort();
        const double t = seconds(tb);
        if (b < kBatches / 10) first += t;
        if (b >= kBatches - kBatches / 10) last += t;
      }
      if (w.writeFunctionDescriptors() != 0) std::abort();
    }
    writer = std::min(writer, seconds(t0));

    // The baseline: the same bytes, fwritten in as many chunks.
    state.PauseTiming();
    const fs::path dat = root / "run.raw" / "_func001.dat";
    bytes = fs::file_size(dat);
    zvraw::PageAlignedBuffer block(bytes);
    const std::span<char> packed(reinterpret_cast<char*>(block.data()), bytes);
    std::FILE* in = std::fopen(dat.c_str(), "rb");
    if (!in || std::fread(packed.data(), 1, packed.size(), in) != packed.size()) std::abort();
    std::fclose(in);
    fs::remove(root / "plain.dat");  // both write into a new file
    state.ResumeTiming();
    const auto t1 = Clock::now();
    std::FILE* out = std::fopen((root / "plain.dat").c_str(), "wb");
    const std::size_t chunk = packed.size() / kBatches;
    for (std::size_t at = 0; at < packed.size(); at += chunk)
      if (std::fwrite(packed.data() + at, 1, std::min(chunk, packed.size() - at), out) == 0) std::abort();
    if (std::fclose(out) != 0) std::abort();
    baseline = std::min(baseline, seconds(t1));
  }
  state.counters["writer_MB_per_s"] = static_cast<double>(bytes) / writer / 1e6;
  state.counters["fwrite_MB_per_s"] = static_cast<double>(bytes) / baseline / 1e6;
  state.counters["vs_fwrite"] = baseline / writer;
  state.counters["last_vs_first"] = last / first;
  std::error_code ec;
  fs::remove_all(root, ec);
}
BENCHMARK(BM_WriteScans)->Name("write_scans")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
