// Cluster loads and opens against plain memory and file work in the same run:
//  cluster_load/full: every scan of a 20k-scan, 1k-point, format-12 function
//    (160 MB of packets); vs_memcpy = load MB/s over memcpy MB/s of the same
//    bytes (already in memory).
//  cluster_load/one_scan: loadData(f, s, s) over 10k scans; vs_full = its
//    scans/s over the full load's scans/s.
//  cluster_load/open: open of a 20-function, 100k-scan directory (sparse data
//    files); x_reads = open time over one read each of its .idx, .sts and
//    header files (lower is better).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Baselines.h"
#include "cluster/ZVRawDataClusterImp.h"
#include "formats/portability/ByteCodec.h"
#include "formats/portability/CLocale.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "formats/directory/ZVRawHeader.h"
#include "formats/packets/ZVRawPackedFormats.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kFormat = 12, kPacket = 8;

void writeBytes(const fs::path& p, const Bytes& bytes) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();
}

// One 416-byte _functns.inf record: centroid MS of format 12, one segment 50-2000.
void descriptorRecord(ByteWriter& w, unsigned scans) {
  w.write<std::uint16_t>(static_cast<std::uint16_t>(8u << 5 | kFormat << 10));
  for (float v : {1.0f, 0.02f, 0.0f, 100.0f}) w.write(v);
  w.write<std::uint32_t>(scans);
  w.write<std::uint16_t>(1u << 8);
  w.write(500.0f);
  w.write(0.0f);
  for (int block = 0; block < 3; ++block)
    for (int i = 0; i < 32; ++i) w.write(i > 0 ? 0.0f : block == 0 ? 1.0f : block == 1 ? 50.0f : 2000.0f);
}

// A raw directory of `functions` functions of `scans` scans of `peaks`
// points; with realData the packets are written, else the data files are
// sparse (sized, never written) and only the index, statistics and header
// matter.
class BenchDirectory {
 public:
  BenchDirectory(unsigned functions, unsigned scans, unsigned peaks, bool realData) {
    std::string pattern = (fs::temp_directory_path() / "zvraw-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    Bytes descriptors;
    ByteWriter d(descriptors);
    for (unsigned f = 0; f < functions; ++f) {
      descriptorRecord(d, scans);
      writeFunction(f, scans, peaks, realData);
    }
    writeBytes(dir_ / "_functns.inf", descriptors);
    if (borealtek_zvraw_version_1::ZVRawHeader(functions).writeHeader(dir_.string(), false) != 0) std::abort();
  }
  ~BenchDirectory() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  [[nodiscard]] std::string path() const { return dir_.string(); }
  [[nodiscard]] std::uint64_t dataBytes() const { return dataBytes_; }
  // The index, statistics and header files, for the plain-read baseline.
  [[nodiscard]] std::vector<fs::path> smallFiles() const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir_))
      if (e.path().extension() != ".dat" && e.path().extension() != ".inf") out.push_back(e.path());
    return out;
  }

 private:
  void writeFunction(unsigned f, unsigned scans, unsigned peaks, bool realData) {
    const std::string stem = zvraw::formatC("_func%03u", f + 1);
    const std::uint64_t scanBytes = std::uint64_t{peaks} * kPacket;
    Bytes index;
    index.reserve(std::size_t{scans} * kScanIndexRecordSize);
    std::vector<std::uint8_t> record(kScanIndexRecordSize);
    for (unsigned s = 0; s < scans; ++s) {
      ZVRawFunctionScanIndexImp r;
      r.scanOffset() = static_cast<std::uint32_t>(scanBytes * s);
      r.peaksInScan() = peaks;
      r.useContinuumFlag() = 1;
      r.calibratedMasses() = 1;
      r.rt() = 0.01f * static_cast<float>(s);
      r.tic() = 1000.0f;
      (void)r.packScanIndex(record, kFormat, false);
      index.insert(index.end(), record.begin(), record.end());
    }
    writeBytes(dir_ / (stem + ".idx"), index);
    // Statistics: one char field (id 100), one record per scan.
    Bytes sts;
    ByteWriter w(sts);
    for (std::uint16_t v : {std::uint16_t{80}, std::uint16_t{1}, std::uint16_t{1}, std::uint16_t{1}}) w.write(v);
    sts.resize(32, 0);
    w.write<std::uint16_t>(100);
    w.write<std::uint16_t>(0);
    w.write<std::uint16_t>(0);
    sts.resize(80, 0);
    sts.resize(80 + scans, 0);
    writeBytes(dir_ / (stem + ".sts"), sts);

    const fs::path data = dir_ / (stem + ".dat");
    dataBytes_ += scanBytes * scans;
    if (!realData) {
      writeBytes(data, {});
      if (::truncate(data.c_str(), static_cast<off_t>(scanBytes * scans)) != 0) std::abort();
      return;
    }
    std::FILE* out = std::fopen(data.c_str(), "wb");
    if (!out) std::abort();
    std::vector<char> scan(scanBytes);
    for (unsigned s = 0; s < scans; ++s) {
      for (unsigned p = 0; p < peaks; ++p)
        zvraw_packed::packEnhancedCalData(100.0f + 0.5f * static_cast<float>(p) + 0.001f * static_cast<float>(s % 64),
                                          static_cast<float>(1 + (p * 7 + s) % 1000), 0, scan.data() + p * kPacket);
      if (std::fwrite(scan.data(), 1, scan.size(), out) != scan.size()) std::abort();
    }
    if (std::fclose(out) != 0) std::abort();
  }

  fs::path dir_;
  std::uint64_t dataBytes_ = 0;
};

constexpr unsigned kLoadScans = 20'000, kLoadPeaks = 1'000, kOneScanLoads = 10'000;

const BenchDirectory& loadDirectory() {
  static const BenchDirectory d(1, kLoadScans, kLoadPeaks, true);
  return d;
}

const BenchDirectory& openDirectory() {
  static const BenchDirectory d(20, 5'000, 100, false);
  return d;
}

using zvraw_bench::bestSeconds;
using zvraw_bench::memcpySeconds;

double fullLoadSeconds(ZVRawDataClusterImp& cluster) {
  return bestSeconds(1, [&] {
    if (cluster.loadData(true, false) != 0) std::abort();
  });
}

void BM_ClusterFullLoad(benchmark::State& state) {
  const BenchDirectory& d = loadDirectory();
  ZVRawDataClusterImp cluster(d.path().c_str(), 0, true, false);
  if (cluster.getInitialiseResult() != 0) return state.SkipWithError("open failed");
  const double copy = memcpySeconds(d.dataBytes());
  double best = 1e9;
  for (auto _ : state) best = std::min(best, fullLoadSeconds(cluster));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.dataBytes()));
  state.counters["vs_memcpy"] = copy / best;
  state.counters["MB_per_s"] = static_cast<double>(d.dataBytes()) / best / 1e6;
  state.counters["memcpy_MB_per_s"] = static_cast<double>(d.dataBytes()) / copy / 1e6;
  state.counters["scans_per_s"] = kLoadScans / best;
}
BENCHMARK(BM_ClusterFullLoad)->Name("cluster_load/full")->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ClusterOneScanLoads(benchmark::State& state) {
  const BenchDirectory& d = loadDirectory();
  ZVRawDataClusterImp cluster(d.path().c_str(), 0, true, false);
  if (cluster.getInitialiseResult() != 0) return state.SkipWithError("open failed");
  const double full = fullLoadSeconds(cluster) / kLoadScans;  // seconds per scan
  double best = 1e9;
  for (auto _ : state) {
    best = std::min(best, bestSeconds(1, [&] {
                      for (unsigned s = 0; s < kOneScanLoads; ++s)
                        if (cluster.loadData(0, s, s, true, false) != 0) std::abort();
                    }));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kOneScanLoads);
  state.counters["vs_full"] = full / (best / kOneScanLoads);
  state.counters["scans_per_s"] = kOneScanLoads / best;
  state.counters["full_scans_per_s"] = 1 / full;
}
BENCHMARK(BM_ClusterOneScanLoads)->Name("cluster_load/one_scan")->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ClusterOpen(benchmark::State& state) {
  const BenchDirectory& d = openDirectory();
  const std::vector<fs::path> files = d.smallFiles();
  zvraw::PageAlignedBuffer block(64u << 20);
  const double reads = bestSeconds(5, [&] {
    for (const fs::path& p : files) {
      std::FILE* f = std::fopen(p.c_str(), "rb");
      if (!f) std::abort();
      benchmark::DoNotOptimize(std::fread(block.data(), 1, block.size(), f));
      std::fclose(f);
    }
  });
  double best = 1e9;
  for (auto _ : state) {
    best = std::min(best, bestSeconds(1, [&] {
                      ZVRawDataClusterImp cluster(d.path().c_str(), 0, true, false);
                      if (cluster.getInitialiseResult() != 0) std::abort();
                    }));
  }
  state.counters["x_reads"] = best / reads;
  state.counters["open_ms"] = best * 1e3;
  state.counters["reads_ms"] = reads * 1e3;
}
BENCHMARK(BM_ClusterOpen)->Name("cluster_load/open")->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
