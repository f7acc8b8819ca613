// Live read of a 10^6-record scan index (format 9, 22-byte records, a sparse
// .dat that holds every scan) against one plain fread of the same file into
// memory. The counter vs_fread is fread time / index read time: the share of
// raw read speed the index read keeps. The fread reuses a warm block; the
// index read keeps the records as the file's bytes in one block per read,
// which the heap hands back already faulted in from the read before.
// BM_IndexRecordArrayOnly shows what a decoded record array's first touch
// of fresh pages would cost on its own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/portability/ByteCodec.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/index/ZVRawFunctionScanIndices.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kRecords = 1'000'000;
constexpr unsigned kPeaks = 10;  // 60 bytes of format-9 packets per scan
constexpr unsigned kFormat[1] = {9};

class IndexFixture {
 public:
  IndexFixture() {
    std::string pattern = (fs::temp_directory_path() / "zvraw-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    Bytes idx;
    idx.reserve(std::size_t{kRecords} * 22);
    ByteWriter w(idx);
    for (unsigned k = 0; k < kRecords; ++k) {
      w.write<std::uint32_t>(k * kPeaks * 6);
      w.write<std::uint32_t>(kPeaks | 1u << 22);
      w.write(1000.0f + static_cast<float>(k));  // TIC
      w.write(0.001f * static_cast<float>(k));   // RT
      w.write<std::uint16_t>(static_cast<std::uint16_t>(k & 0x7FFF));
      w.write<std::uint32_t>(3u | 9u << 4 | 0x400000u << 9);  // base peak, format-9 packet
    }
    std::FILE* f = std::fopen(idxPath().c_str(), "wb");
    if (!f || std::fwrite(idx.data(), 1, idx.size(), f) != idx.size() || std::fclose(f) != 0) std::abort();
    f = std::fopen((dir_ / "_func001.dat").c_str(), "wb");
    if (!f || std::fclose(f) != 0) std::abort();
    if (::truncate((dir_ / "_func001.dat").c_str(), static_cast<off_t>(kRecords) * kPeaks * 6) != 0) std::abort();
  }
  ~IndexFixture() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  [[nodiscard]] std::string dir() const { return dir_.string(); }
  [[nodiscard]] std::string idxPath() const { return (dir_ / "_func001.idx").string(); }

 private:
  fs::path dir_;
};

const IndexFixture& fixture() {
  static const IndexFixture f;
  return f;
}

// One plain read of the whole index file into a page-aligned block.
void freadWhole(const std::string& path, zvraw::PageAlignedBuffer& block) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) std::abort();
  benchmark::DoNotOptimize(std::fread(block.data(), 1, block.size(), f));
  std::fclose(f);
  benchmark::ClobberMemory();
}

double secondsPerFread() {
  zvraw::PageAlignedBuffer block(std::size_t{kRecords} * 22);
  double best = 1e9;
  for (int i = 0; i < 20; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    freadWhole(fixture().idxPath(), block);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

void BM_IndexFreadBaseline(benchmark::State& state) {
  zvraw::PageAlignedBuffer block(std::size_t{kRecords} * 22);
  for (auto _ : state) freadWhole(fixture().idxPath(), block);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 22);
}
BENCHMARK(BM_IndexFreadBaseline)->Unit(benchmark::kMillisecond);

// What fresh memory alone costs: the fread baseline into a block allocated
// for each read, and the record array the live read must allocate and fill.
void BM_IndexFreadFreshBlock(benchmark::State& state) {
  for (auto _ : state) {
    zvraw::PageAlignedBuffer block(std::size_t{kRecords} * 22);
    freadWhole(fixture().idxPath(), block);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_IndexFreadFreshBlock)->Unit(benchmark::kMillisecond);

void BM_IndexRecordArrayOnly(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<ZVRawFunctionScanIndexImp> records(kRecords);
    benchmark::DoNotOptimize(records.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
}
BENCHMARK(BM_IndexRecordArrayOnly)->Unit(benchmark::kMillisecond);

void BM_IndexLiveRead(benchmark::State& state) {
  const std::string dir = fixture().dir();
  const double fread = secondsPerFread();
  double best = 1e9;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    ZVRawFunctionScanIndices set(1);
    if (set.readIndices(dir.c_str(), kFormat) != 0) state.SkipWithError("read failed");
    unsigned n = 0;
    (void)set.getScansInFunction(0, n);
    benchmark::DoNotOptimize(n);
    if (n != kRecords) state.SkipWithError("wrong count");
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 22);
  state.counters["vs_fread"] = fread / best;
}
BENCHMARK(BM_IndexLiveRead)->Unit(benchmark::kMillisecond);

}  // namespace
