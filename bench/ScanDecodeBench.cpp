// scan_decode: decoding every scan of a ~100 MB _funcNNN.dat (10^4-peak
// scans, whole, calibrated by an order-5 polynomial) against memcpy of the
// same number of bytes. format9 and format12 decode the runs from memory
// (the file read whole beforehand, as a load reads blocks of it); the
// _stream cases read each scan through a stream at its offset, the file in
// the page cache. The vs_memcpy counter is the ratio of the two byte rates,
// both measured in this run.
#include <benchmark/benchmark.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Baselines.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/ZVRawScan.h"

using borealtek_calibrate_version_1::FunctionCalibration;
using borealtek_zvraw_version_1::ZVRawScan;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kPeaks = 10000;
constexpr std::uint64_t kTargetBytes = 100u << 20;
constexpr float kLowMass = 50, kHighMass = 2100;

struct DataFile {
  fs::path path;
  unsigned format = 0;
  std::vector<off_t> offsets;
  std::uint64_t bytes = 0;
  ZVRawFunctionDescriptor_NonMaldi_Imp descriptor;
};

// Scans of ascending, in-range masses written with writeScan.
DataFile writeDataFile(const fs::path& dir, unsigned format) {
  DataFile d;
  d.format = format;
  d.path = dir / ("_func00" + std::to_string(format == 9 ? 1 : 2) + ".dat");
  d.descriptor.dataType() = format;
  const std::uint64_t scanBytes = zvraw_packed::getBytesPerScan(format, kPeaks);
  const std::uint64_t scans = (kTargetBytes + scanBytes - 1) / scanBytes;
  zvraw::FilePtr f(std::fopen(d.path.c_str(), "wb"));
  for (std::uint64_t s = 0; s < scans; ++s) {
    auto m = std::make_unique_for_overwrite<float[]>(kPeaks);
    auto in = std::make_unique_for_overwrite<float[]>(kPeaks);
    for (unsigned k = 0; k < kPeaks; ++k) {
      m[k] = 100.0f + 0.19f * static_cast<float>(k) + 0.001f * static_cast<float>(s % 7);
      in[k] = static_cast<float>((k * 7919u + s * 104729u) % 50000u);
    }
    ZVRawScan scan;
    (void)scan.setScan(std::move(m), std::move(in), nullptr, kPeaks);
    d.offsets.push_back(::ftello(f.get()));
    if (scan.writeScan(f.get(), format) != 0) std::abort();
  }
  d.bytes = static_cast<std::uint64_t>(::ftello(f.get()));
  return d;
}

FunctionCalibration orderFiveCalibration() {
  FunctionCalibration cal;
  cal.setCalibration(1e-3, 1.0001, 1e-7, borealtek_calibrate_version_1::CALTYPE_NORMAL);
  cal.C3() = 1e-11;
  cal.C4() = 1e-15;
  cal.C5() = 1e-19;
  cal.calOrder() = 5;
  return cal;
}

struct Fixture {
  fs::path dir;
  DataFile format9, format12;
  Fixture() {
    dir = fs::temp_directory_path() / ("zvraw-scan-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    format9 = writeDataFile(dir, 9);
    format12 = writeDataFile(dir, 12);
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

// Every scan of the file, each into the same scan object, as a load does it:
// a seek to the scan's offset, then readScan.
bool readEveryScan(const DataFile& d, const FunctionCalibration& cal) {
  zvraw::FilePtr f(std::fopen(d.path.c_str(), "rb"));
  if (!f) return false;
  ZVRawScan scan;
  float delta = FLT_MAX;
  for (off_t offset : d.offsets) {
    if (::fseeko(f.get(), offset, SEEK_SET) != 0) return false;
    if (scan.readScan(f.get(), kPeaks, &d.descriptor, false, &cal, delta, 0, -1, kLowMass, kHighMass, 0, 0, 0) != 0)
      return false;
    benchmark::DoNotOptimize(scan.getScanSize());
  }
  return true;
}

// The same from the file's bytes in memory.
bool decodeEveryScan(const DataFile& d, const char* bytes, const FunctionCalibration& cal) {
  ZVRawScan scan;
  float delta = FLT_MAX;
  borealtek_zvraw_version_1::ScanDecodeSettings settings;
  if (settings.setDescriptor(&d.descriptor) != 0) return false;
  settings.calibration = &cal;
  settings.lowerBound = kLowMass;
  settings.upperBound = kHighMass;
  const std::uint64_t scanBytes = zvraw_packed::getBytesPerScan(d.format, kPeaks);
  for (off_t offset : d.offsets) {
    if (scan.decode({bytes + offset, scanBytes}, kPeaks, settings, delta) != 0) return false;
    benchmark::DoNotOptimize(scan.getScanSize());
  }
  return true;
}

void decodeFile(benchmark::State& state, const DataFile& d, bool fromMemory) {
  const FunctionCalibration cal = orderFiveCalibration();
  zvraw::PageAlignedBuffer file(fromMemory ? d.bytes : 0);
  if (fromMemory) {
    zvraw::FilePtr f(std::fopen(d.path.c_str(), "rb"));
    if (!f || std::fread(file.data(), 1, d.bytes, f.get()) != d.bytes) state.SkipWithError("cannot read the data file");
  }
  const auto pass = [&] {
    return fromMemory ? decodeEveryScan(d, reinterpret_cast<const char*>(file.data()), cal) : readEveryScan(d, cal);
  };
  if (!pass()) state.SkipWithError("cannot read the data file");  // also warms the page cache
  double best = 1e30;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(pass());
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  const auto iterations = static_cast<std::int64_t>(state.iterations());
  const double copy = zvraw_bench::memcpySeconds(d.bytes);
  state.SetBytesProcessed(iterations * static_cast<std::int64_t>(d.bytes));
  state.SetItemsProcessed(iterations * static_cast<std::int64_t>(d.offsets.size()) * kPeaks);
  state.counters["vs_memcpy"] = copy / best;
  state.counters["MB_per_s"] = static_cast<double>(d.bytes) / best / 1e6;
  state.counters["memcpy_MB_per_s"] = static_cast<double>(d.bytes) / copy / 1e6;
  state.counters["MB"] = static_cast<double>(d.bytes) / 1e6;
}

void BM_ScanDecodeMemcpyBaseline(benchmark::State& state) {
  const std::uint64_t n = fixture().format9.bytes;
  zvraw::PageAlignedBuffer src(n), dst(n);
  std::memset(src.data(), 0x5A, n);
  std::memset(dst.data(), 0, n);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), n);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_ScanDecodeMemcpyBaseline)->Name("scan_decode/memcpy")->Unit(benchmark::kMillisecond);

// What reading the same file costs before any decoding: freads into a
// page-aligned block of the size the decoder stages through.
void BM_ScanDecodeFreadBaseline(benchmark::State& state) {
  const DataFile& d = fixture().format9;
  zvraw::PageAlignedBuffer block(zvraw::kScratchBlockBytes);
  for (auto _ : state) {
    zvraw::FilePtr f(std::fopen(d.path.c_str(), "rb"));
    while (std::fread(block.data(), 1, zvraw::kScratchBlockBytes, f.get()) == zvraw::kScratchBlockBytes) {
    }
    benchmark::DoNotOptimize(block.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.bytes));
}
BENCHMARK(BM_ScanDecodeFreadBaseline)->Name("scan_decode/fread")->Unit(benchmark::kMillisecond);

void BM_ScanDecodeFormat9(benchmark::State& state) { decodeFile(state, fixture().format9, true); }
BENCHMARK(BM_ScanDecodeFormat9)->Name("scan_decode/format9")->Unit(benchmark::kMillisecond);

void BM_ScanDecodeFormat12(benchmark::State& state) { decodeFile(state, fixture().format12, true); }
BENCHMARK(BM_ScanDecodeFormat12)->Name("scan_decode/format12")->Unit(benchmark::kMillisecond);

void BM_ScanDecodeFormat9Stream(benchmark::State& state) { decodeFile(state, fixture().format9, false); }
BENCHMARK(BM_ScanDecodeFormat9Stream)->Name("scan_decode/format9_stream")->Unit(benchmark::kMillisecond);

void BM_ScanDecodeFormat12Stream(benchmark::State& state) { decodeFile(state, fixture().format12, false); }
BENCHMARK(BM_ScanDecodeFormat12Stream)->Name("scan_decode/format12_stream")->Unit(benchmark::kMillisecond);

}  // namespace
