// The library's headline read figure: every scan of a 1 GB function read in
// order through readScan, against memcpy of the same .dat bytes in the same
// run.
//  read_scan: 65,536 scans of 2,000 points of calibrated format-12 data
//    (8 bytes a point, 1,048,576,000 bytes of _func001.dat), written once by
//    the writer classes into $TMPDIR/zvraw-bench-read-scan and kept for later
//    runs. Counters: scans/s, points/s, and vs_memcpy = readScan's bytes/s
//    over memcpy's bytes/s of the data file mapped in memory, copied a scan
//    at a time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Format12Run.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;
using Clock = std::chrono::steady_clock;

namespace {

constexpr unsigned kScans = 65536, kPoints = 2000, kBatch = 1024;
constexpr std::uint64_t kPacket = 8, kDatBytes = std::uint64_t{kScans} * kPoints * kPacket;

// The directory, made on the first run and reused while its data file has
// the expected size.
const fs::path& directory() {
  static const fs::path dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    const fs::path d = fs::path(tmp && *tmp ? tmp : "/tmp") / "zvraw-bench-read-scan" / "run.raw";
    std::error_code ec;
    if (fs::file_size(d / "_func001.dat", ec) != kDatBytes || !fs::exists(d / "_header.txt")) {
      std::fprintf(stderr, "read_scan: writing %s (1 GB, once)\n", d.c_str());
      if (!zvraw_bench::writeFormat12Run(d, kScans, kPoints, kBatch, true)) {
        std::fprintf(stderr, "read_scan: could not write %s\n", d.c_str());
        std::abort();
      }
    }
    return d;
  }();
  return dir;
}

// The data file mapped read-only, for the memcpy baseline.
struct Mapping {
  explicit Mapping(const fs::path& p) {
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0) std::abort();
    data = static_cast<const char*>(::mmap(nullptr, kDatBytes, PROT_READ, MAP_SHARED, fd, 0));
    ::close(fd);
    if (data == MAP_FAILED) std::abort();
  }
  ~Mapping() { ::munmap(const_cast<char*>(data), kDatBytes); }
  Mapping(const Mapping&) = delete;
  Mapping& operator=(const Mapping&) = delete;
  const char* data;
};

double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

void BM_ReadScan(benchmark::State& state) {
  const fs::path& dir = directory();
  const Mapping dat(dir / "_func001.dat");
  std::vector<char> copy(kPoints * kPacket);
  CZorvalenBaseReader reader = nullptr;
  if (createRawReaderFromPath(dir.c_str(), &reader, ZorvalenBaseType::SCAN) != ZVRAW_OK) std::abort();

  double readTime = 0, copyTime = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (unsigned s = 0; s < kScans; ++s) {
      std::memcpy(copy.data(), dat.data + std::uint64_t{s} * copy.size(), copy.size());
      benchmark::DoNotOptimize(copy.data());
    }
    copyTime += seconds(t0);

    t0 = Clock::now();
    for (unsigned s = 0; s < kScans; ++s) {
      float *masses = nullptr, *intensities = nullptr;
      int size = 0;
      if (readScan(reader, 0, static_cast<int>(s), &masses, &intensities, &size) != ZVRAW_OK || size != kPoints)
        std::abort();
      benchmark::DoNotOptimize(masses[size - 1] + intensities[size - 1]);
    }
    const double t = seconds(t0);
    readTime += t;
    state.SetIterationTime(t);
  }
  destroyRawReader(reader);
  const double passes = static_cast<double>(state.iterations());
  state.counters["scans_per_s"] = passes * kScans / readTime;
  state.counters["points_per_s"] = passes * kScans * kPoints / readTime;
  state.counters["MB_per_s"] = passes * static_cast<double>(kDatBytes) / readTime / 1e6;
  state.counters["memcpy_MB_per_s"] = passes * static_cast<double>(kDatBytes) / copyTime / 1e6;
  state.counters["vs_memcpy"] = copyTime / readTime;
}
BENCHMARK(BM_ReadScan)->Name("read_scan")->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
