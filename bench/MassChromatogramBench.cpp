// Mass chromatograms over loaded scans through the read interface, against
// one pass in the same run that sums every intensity of the same scans (each
// scan asked for through the same interface).
//  mass_chromatogram/<format>/<masses>: 10k loaded scans of 1k points,
//    format 12 (sorted masses, summed between two bisections) or format 11
//    (unsorted, every peak tested). per_mass_vs_sum = time per mass over
//    the time of the summing pass (lower is better).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/portability/ByteCodec.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "formats/directory/ZVRawHeader.h"
#include "formats/packets/ZVRawPackedFormats.h"

namespace fs = std::filesystem;
using namespace borealtek_zvraw_version_1;

namespace {

constexpr unsigned kScans = 10000, kPeaks = 1000, kSegments = 32;

void writeBytes(const fs::path& p, const Bytes& bytes) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();
}

float massOf(unsigned s, unsigned p) {
  return 100.0f + 0.5f * static_cast<float>(p) + 0.001f * static_cast<float>(s % 8);
}
float intensityOf(unsigned s, unsigned p) { return static_cast<float>(1 + (s * 7 + p * 3) % 200); }

// One 416-byte non-MALDI record: format 12 with one segment 50-2000 (its
// masses are stored), format 11 with 32 segments that give its first peaks
// their masses.
void descriptorRecord(ByteWriter& w, unsigned format) {
  const unsigned segments = format == 12 ? 1 : kSegments;
  w.write<std::uint16_t>(static_cast<std::uint16_t>(8u << 5 | format << 10));
  for (float v : {1.0f, 0.02f, 0.0f, 100.0f}) w.write(v);
  w.write<std::uint32_t>(kScans);
  w.write<std::uint16_t>(static_cast<std::uint16_t>(segments << 8));
  w.write(500.0f);
  w.write(0.0f);
  for (unsigned i = 0; i < kSegments; ++i) w.write(1.0f);
  for (unsigned i = 0; i < kSegments; ++i) w.write(format == 12 ? 50.0f : massOf(0, i * 31));
  for (unsigned i = 0; i < kSegments; ++i) w.write(format == 12 ? 2000.0f : massOf(0, i * 31) + 1.0f);
}

// Function 0 of format 12, function 1 of format 11, loaded at once.
class BenchRun {
 public:
  BenchRun() {
    std::string pattern = (fs::temp_directory_path() / "zvraw-masschrom-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    Bytes descriptors;
    ByteWriter d(descriptors);
    unsigned f = 0;
    for (unsigned format : {12u, 11u}) {
      descriptorRecord(d, format);
      writeFunction(f++, format);
    }
    writeBytes(dir_ / "_functns.inf", descriptors);
    if (ZVRawHeader(2).writeHeader(dir_.string(), false) != 0) std::abort();
    cluster_ = std::make_unique<ZVRawDataCluster>(dir_.string().c_str(), true, 1, false);
    if (cluster_->getState() != ZVRawDataCluster_LOADED) std::abort();
    access_ = std::make_unique<ZVRawAccessInterface>(*cluster_);
  }
  ~BenchRun() {
    access_.reset();
    cluster_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  [[nodiscard]] const ZVRawAccessInterface& access() const { return *access_; }

 private:
  void writeFunction(unsigned f, unsigned format) {
    const unsigned packet = format == 12 ? 8 : 4;
    Bytes data(std::size_t{kScans} * kPeaks * packet), index;
    std::vector<std::uint8_t> record(kScanIndexRecordSize);
    for (unsigned s = 0; s < kScans; ++s) {
      for (unsigned p = 0; p < kPeaks; ++p) {
        char* at = reinterpret_cast<char*>(data.data()) + (std::size_t{s} * kPeaks + p) * packet;
        if (format == 12) {
          zvraw_packed::packEnhancedCalData(massOf(s, p), intensityOf(s, p), 0, at);
        } else {  // 22-bit mantissa, exponent 21: the intensity itself
          const std::uint32_t w = static_cast<std::uint32_t>(intensityOf(s, p)) | 21u << 22;
          std::memcpy(at, &w, 4);
        }
      }
      ZVRawFunctionScanIndexImp r;
      r.scanOffset() = s * kPeaks * packet;
      r.peaksInScan() = kPeaks;
      r.useContinuumFlag() = 1;
      r.calibratedMasses() = 1;
      r.rt() = 0.01f * static_cast<float>(s);
      (void)r.packScanIndex(record, format, false);
      index.insert(index.end(), record.begin(), record.end());
    }
    const std::string stem = "_func00" + std::to_string(f + 1);
    writeBytes(dir_ / (stem + ".dat"), data);
    writeBytes(dir_ / (stem + ".idx"), index);
  }

  fs::path dir_;
  std::unique_ptr<ZVRawDataCluster> cluster_;
  std::unique_ptr<ZVRawAccessInterface> access_;
};

BenchRun& run() {
  static BenchRun r;
  return r;
}

// The summing pass over function f: every intensity of every loaded scan.
double sumPassSeconds(unsigned f) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    double total = 0;
    for (unsigned s = 0; s < kScans; ++s) {
      const float* m = nullptr;
      const float* in = nullptr;
      unsigned n = 0;
      if (run().access().getScan(f, s, &m, &in, n) != 0 || n != kPeaks) std::abort();
      float sum = 0;
      for (unsigned p = 0; p < n; ++p) sum += in[p];
      total += sum;
    }
    benchmark::DoNotOptimize(total);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

void BM_SumEveryIntensityBaseline(benchmark::State& state) {
  const auto f = static_cast<unsigned>(state.range(0) == 12 ? 0 : 1);
  for (auto _ : state) benchmark::DoNotOptimize(sumPassSeconds(f));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 3 * kScans * kPeaks);
}
BENCHMARK(BM_SumEveryIntensityBaseline)
    ->Name("mass_chromatogram/sum_pass")
    ->Arg(12)
    ->Arg(11)
    ->Unit(benchmark::kMillisecond);

void BM_MassChromatogram(benchmark::State& state) {
  const auto format = static_cast<unsigned>(state.range(0));
  const auto masses = static_cast<unsigned>(state.range(1));
  const unsigned f = format == 12 ? 0 : 1;
  const double baseline = sumPassSeconds(f);
  std::vector<float> values(kScans), times(kScans);
  double seconds = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    for (unsigned k = 0; k < masses; ++k) {
      const float mass = massOf(0, (k * 97) % kPeaks);
      if (run().access().getMassChromatogram(f, mass, values.data(), times.data(), 0.1f, false) != 0) std::abort();
      benchmark::DoNotOptimize(values.data());
    }
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["per_mass_vs_sum"] = seconds / static_cast<double>(state.iterations()) / masses / baseline;
}
BENCHMARK(BM_MassChromatogram)
    ->Name("mass_chromatogram")
    ->ArgsProduct({{12, 11}, {1, 10, 100}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
