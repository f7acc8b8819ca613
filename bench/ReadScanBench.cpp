// The library's headline read figure: every scan of a function read in
// order through readScan, against memcpy of the same .dat bytes in the same
// run.
//  read_scan/continuum: 65,536 scans of 2,000 points of calibrated format-12
//    data (8 bytes a point, 1,048,576,000 bytes of _func001.dat).
//  read_scan/centroid: 131,072 scans of 500 points of calibrated format-9
//    data (6 bytes a point, 393,216,000 bytes).
// Both are written once by the writer classes under $TMPDIR and kept for
// later runs. The baseline copies the file's bytes a scan at a time out of a
// page-aligned block that holds the whole file and was touched before the
// clock started, into a touched scan-sized block. Both passes report their
// best of the iterations. Counters: scans/s, points/s, both byte rates,
// vs_memcpy (readScan's rate over memcpy's) and peak_rss_growth_MB, the
// most the resident set grew above the open directory during a pass.
//
// What one call costs by scan size: read_scan/points/N reads every scan of
// N points of format-12 data in order, the directory named by a path
// relative to the working directory, against one pread of each scan's
// bytes from the same file into a touched block. Counters: us_per_call,
// pread_us (per scan), vs_pread (readScan's time over pread's) and
// ns_per_point. Run it again under
// GLIBC_TUNABLES=glibc.malloc.mmap_threshold=131072 to see the read cost
// the same whatever the allocator does with freed memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Baselines.h"
#include "Format12Run.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
  const char* name;
  unsigned format, scans, points, packet;
  bool continuum;
  [[nodiscard]] std::uint64_t scanBytes() const { return std::uint64_t{points} * packet; }
  [[nodiscard]] std::uint64_t datBytes() const { return scanBytes() * scans; }
};

constexpr Run kContinuum{"read-scan", 12, 65536, 2000, 8, true};
constexpr Run kCentroid{"read-scan-centroid", 9, 131072, 500, 6, false};

// The directory, made on the first run and reused while its data file has
// the expected size.
fs::path directory(const Run& run) {
  const char* tmp = std::getenv("TMPDIR");
  const fs::path d = fs::path(tmp && *tmp ? tmp : "/tmp") / ("zvraw-bench-" + std::string(run.name)) / "run.raw";
  std::error_code ec;
  if (fs::file_size(d / "_func001.dat", ec) != run.datBytes() || !fs::exists(d / "_header.txt")) {
    std::fprintf(stderr, "read_scan: writing %s (once)\n", d.c_str());
    if (!zvraw_bench::writeFormat12Run(d, run.scans, run.points, 1024, run.continuum, 0.0625f, 8, run.format)) {
      std::fprintf(stderr, "read_scan: could not write %s\n", d.c_str());
      std::abort();
    }
  }
  return d;
}

// The whole data file in a touched page-aligned block.
void readWhole(const fs::path& p, zvraw::PageAlignedBuffer& block, std::uint64_t n) {
  const int fd = ::open(p.c_str(), O_RDONLY);
  if (fd < 0 || !block.reserve(n)) std::abort();
  for (std::uint64_t done = 0; done < n;) {
    const ssize_t got = ::pread(fd, block.data() + done, n - done, static_cast<off_t>(done));
    if (got <= 0) std::abort();
    done += static_cast<std::uint64_t>(got);
  }
  ::close(fd);
}

// A line of /proc/self/status in kB.
double statusKB(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::atof(line.c_str() + n + 1);
  return 0;
}

// Resets the peak resident size to the current one (Linux 4.0 on).
void resetPeakResident() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
}

// Every scan of function 0 through readScan, each of `points` points.
void readScansInOrder(CZorvalenBaseReader reader, unsigned scans, unsigned points) {
  for (unsigned s = 0; s < scans; ++s) {
    float *masses = nullptr, *intensities = nullptr;
    int size = 0;
    if (readScan(reader, 0, static_cast<int>(s), &masses, &intensities, &size) != ZVRAW_OK ||
        size != static_cast<int>(points))
      std::abort();
    benchmark::DoNotOptimize(masses[size - 1] + intensities[size - 1]);
  }
}

void readEveryScan(benchmark::State& state, const Run& run) {
  const fs::path dir = directory(run);
  const std::uint64_t scanBytes = run.scanBytes();
  zvraw::PageAlignedBuffer dat, copy(scanBytes);
  readWhole(dir / "_func001.dat", dat, run.datBytes());
  std::memset(copy.data(), 0, scanBytes);

  CZorvalenBaseReader reader = nullptr;
  if (createRawReaderFromPath(dir.c_str(), &reader, ZorvalenBaseType::SCAN) != ZVRAW_OK) std::abort();

  double readTime = 1e30, copyTime = 1e30, growthMB = 0;
  for (auto _ : state) {
    copyTime = std::min(copyTime, zvraw_bench::bestSeconds(1, [&] {
                          for (unsigned s = 0; s < run.scans; ++s) {
                            std::memcpy(copy.data(), dat.data() + s * scanBytes, scanBytes);
                            benchmark::DoNotOptimize(copy.data());
                          }
                        }));

    resetPeakResident();
    const double before = statusKB("VmRSS:");
    const auto t0 = Clock::now();
    readScansInOrder(reader, run.scans, run.points);
    const double t = std::chrono::duration<double>(Clock::now() - t0).count();
    growthMB = std::max(growthMB, (statusKB("VmHWM:") - before) / 1024);
    readTime = std::min(readTime, t);
    state.SetIterationTime(t);
  }
  destroyRawReader(reader);
  const auto bytes = static_cast<double>(run.datBytes());
  state.counters["scans_per_s"] = run.scans / readTime;
  state.counters["points_per_s"] = static_cast<double>(run.scans) * run.points / readTime;
  state.counters["MB_per_s"] = bytes / readTime / 1e6;
  state.counters["memcpy_MB_per_s"] = bytes / copyTime / 1e6;
  state.counters["vs_memcpy"] = copyTime / readTime;
  state.counters["peak_rss_growth_MB"] = growthMB;
}

struct SizedRun {
  unsigned points, scans, batch;
  [[nodiscard]] std::uint64_t scanBytes() const { return std::uint64_t{points} * 8; }
};

constexpr SizedRun kSized[] = {{10, 65536, 1024}, {1000, 8192, 1024}, {10000, 1024, 256}, {100000, 64, 16},
                               {400000, 16, 16}};

void readBySize(benchmark::State& state) {
  const auto* found = std::ranges::find(kSized, static_cast<unsigned>(state.range(0)), &SizedRun::points);
  if (found == std::end(kSized)) std::abort();
  const SizedRun run = *found;
  const char* tmp = std::getenv("TMPDIR");
  const fs::path parent = fs::path(tmp && *tmp ? tmp : "/tmp") / ("zvraw-bench-read-scan-" + std::to_string(run.points));
  const fs::path dir = parent / "run.raw";
  std::error_code ec;
  if (fs::file_size(dir / "_func001.dat", ec) != run.scanBytes() * run.scans || !fs::exists(dir / "_header.txt")) {
    std::fprintf(stderr, "read_scan: writing %s (once)\n", dir.c_str());
    // Masses stay between 100 and 1,900 whatever the point count.
    const float spacing = std::min(0.875f, 1800.0f / static_cast<float>(run.points));
    if (!zvraw_bench::writeFormat12Run(dir, run.scans, run.points, run.batch, true, 0.0625f, 8, 12, spacing))
      std::abort();
  }
  const fs::path home = fs::current_path();
  fs::current_path(parent);  // the reader is given "run.raw"

  const int fd = ::open("run.raw/_func001.dat", O_RDONLY);
  zvraw::PageAlignedBuffer into(run.scanBytes());
  if (fd < 0 || !into.data()) std::abort();
  std::memset(into.data(), 0, run.scanBytes());
  CZorvalenBaseReader reader = nullptr;
  if (createRawReaderFromPath("run.raw", &reader, ZorvalenBaseType::SCAN) != ZVRAW_OK) std::abort();

  double readTime = 1e30, preadTime = 1e30;
  for (auto _ : state) {
    preadTime = std::min(preadTime, zvraw_bench::bestSeconds(1, [&] {
                           for (unsigned s = 0; s < run.scans; ++s)
                             if (::pread(fd, into.data(), run.scanBytes(), static_cast<off_t>(s * run.scanBytes())) !=
                                 static_cast<ssize_t>(run.scanBytes()))
                               std::abort();
                           benchmark::DoNotOptimize(into.data());
                         }));
    const double t = zvraw_bench::bestSeconds(1, [&] { readScansInOrder(reader, run.scans, run.points); });
    readTime = std::min(readTime, t);
    state.SetIterationTime(t);
  }
  destroyRawReader(reader);
  ::close(fd);
  fs::current_path(home);
  state.counters["us_per_call"] = readTime / run.scans * 1e6;
  state.counters["pread_us"] = preadTime / run.scans * 1e6;
  state.counters["vs_pread"] = readTime / preadTime;
  state.counters["ns_per_point"] = readTime / (static_cast<double>(run.scans) * run.points) * 1e9;
}
BENCHMARK(readBySize)
    ->Name("read_scan/points")
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(400000)
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMicrosecond);

void BM_ReadScanContinuum(benchmark::State& state) { readEveryScan(state, kContinuum); }
BENCHMARK(BM_ReadScanContinuum)
    ->Name("read_scan/continuum")
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_ReadScanCentroid(benchmark::State& state) { readEveryScan(state, kCentroid); }
BENCHMARK(BM_ReadScanCentroid)->Name("read_scan/centroid")->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
