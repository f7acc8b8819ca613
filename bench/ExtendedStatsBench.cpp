// Reading and writing a per-scan statistics file of 200 000 scans with the
// fields a typical acquisition records (37 fields, 81-byte records, 16.2 MB),
// against a plain fread and fwrite of the same bytes and a memcpy of them.
// The read must also fill a 200-byte record per scan (40 MB of fresh memory),
// whose cost BM_ExtStatsRecordArrayOnly shows on its own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/index/ZVRawFunctionScanIndices.h"

using borealtek_zvraw_version_1::ZVRawExtendedStats;
using borealtek_zvraw_version_1::ZVRawExtStatsRecord;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kScans = 200'000;

void defineFields(ZVRawExtendedStats& s) {
  for (unsigned id = 50; id <= 77; ++id) (void)s.addField(0, id);
  for (unsigned id = 100; id <= 105; ++id) (void)s.addField(0, id);
  for (unsigned id : {113u, 122u, 123u}) (void)s.addField(0, id);
}

void fillRecords(ZVRawExtendedStats& s) {
  (void)s.incrementStatsScanBuffer(0, kScans);
  for (unsigned k = 0; k < kScans; ++k) {
    ZVRawExtStatsRecord* r = s.getStatsRecord(0, k);
    r->m_nNeedle = static_cast<short>(k);
    r->m_fCollisionEnergy = 0.5f * static_cast<float>(k);
    r->m_fSetMass = 556.2771f;
    r->m_nUseLockMassCorrection = 1;
    r->m_fLockMassCorrection = 1.0f + 1e-7f * static_cast<float>(k);
    r->m_nMaxDriftTimeChannel = 199;
  }
}

class StatsFixture {
 public:
  StatsFixture() : indices_(1) {
    std::string pattern = (fs::temp_directory_path() / "zvraw-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    if (indices_.prepareScanIndicesBuffer(0, kScans) != 0) std::abort();
    ZVRawExtendedStats s(1);
    defineFields(s);
    fillRecords(s);
    if (s.writeExtendedStats(dir(), 0u) != 0) std::abort();
    bytes_ = static_cast<std::size_t>(fs::file_size(path()));
  }
  ~StatsFixture() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  [[nodiscard]] std::string dir() const { return dir_.string(); }
  [[nodiscard]] std::string path() const { return (dir_ / "_func001.sts").string(); }
  [[nodiscard]] std::size_t bytes() const { return bytes_; }
  [[nodiscard]] ZVRawFunctionScanIndices* indices() { return &indices_; }

 private:
  fs::path dir_;
  ZVRawFunctionScanIndices indices_;
  std::size_t bytes_ = 0;
};

StatsFixture& fixture() {
  static StatsFixture f;
  return f;
}

void setRates(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kScans);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture().bytes()));
}

void BM_ExtStatsMemcpyBaseline(benchmark::State& state) {
  std::vector<char> from(fixture().bytes(), 1), to(fixture().bytes());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::ClobberMemory();
  }
  setRates(state);
}
BENCHMARK(BM_ExtStatsMemcpyBaseline)->Unit(benchmark::kMillisecond);

void BM_ExtStatsFreadBaseline(benchmark::State& state) {
  zvraw::PageAlignedBuffer block(fixture().bytes());
  for (auto _ : state) {
    std::FILE* f = std::fopen(fixture().path().c_str(), "rb");
    if (!f) std::abort();
    benchmark::DoNotOptimize(std::fread(block.data(), 1, block.size(), f));
    std::fclose(f);
    benchmark::ClobberMemory();
  }
  setRates(state);
}
BENCHMARK(BM_ExtStatsFreadBaseline)->Unit(benchmark::kMillisecond);

void BM_ExtStatsFwriteBaseline(benchmark::State& state) {
  const std::string path = fixture().dir() + "/baseline.bin";
  const std::vector<char> bytes(fixture().bytes(), 1);
  for (auto _ : state) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) std::abort();
  }
  setRates(state);
}
BENCHMARK(BM_ExtStatsFwriteBaseline)->Unit(benchmark::kMillisecond);

void BM_ExtStatsRecordArrayOnly(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<ZVRawExtStatsRecord> records(kScans);
    benchmark::DoNotOptimize(records.data());
    benchmark::ClobberMemory();
  }
  setRates(state);
}
BENCHMARK(BM_ExtStatsRecordArrayOnly)->Unit(benchmark::kMillisecond);

void BM_ExtStatsRead(benchmark::State& state) {
  const std::string dir = fixture().dir();
  for (auto _ : state) {
    ZVRawExtendedStats s(1, fixture().indices());
    if (s.readStats(dir) != 0 || s.GetStatsScanCount(0) != kScans) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(s.getStatsRecord(0, kScans - 1)->m_fLockMassCorrection);
  }
  setRates(state);
}
BENCHMARK(BM_ExtStatsRead)->Unit(benchmark::kMillisecond);

void BM_ExtStatsWrite(benchmark::State& state) {
  const std::string dir = fixture().dir() + "/w";
  fs::create_directories(dir);
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<ZVRawExtendedStats>(1);
    defineFields(*s);
    fillRecords(*s);
    state.ResumeTiming();
    if (s->writeExtendedStats(dir, 0u) != 0) state.SkipWithError("write failed");
  }
  setRates(state);
}
BENCHMARK(BM_ExtStatsWrite)->Unit(benchmark::kMillisecond);

}  // namespace
