// Reading analog traces against two baselines over the same bytes: memcpy,
// and a whole-file fread (what the disk cache can give at best).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/statistics/ZVRawAnalog.h"

using borealtek_zvraw_version_1::ZVRawAnalog;
namespace fs = std::filesystem;

namespace {

constexpr int kSamples = 250000;
constexpr int kChannels = 4;

void put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putF(std::vector<std::uint8_t>& b, float v) {
  std::uint8_t raw[4];
  std::memcpy(raw, &v, 4);
  b.insert(b.end(), raw, raw + 4);
}
void save(const fs::path& p, const std::vector<std::uint8_t>& b) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

// A directory holding both file sets; the packed pair wins on read, so the
// table set lives in a directory of its own.
struct Fixture {
  fs::path packed, tables;
  std::size_t packedBytes = 0, tableBytes = 0;
  Fixture() {
    const fs::path root = fs::temp_directory_path() / ("zvraw-analog-bench-" + std::to_string(::getpid()));
    packed = root / "packed";
    tables = root / "tables";
    fs::create_directories(packed);
    fs::create_directories(tables);
    std::vector<std::uint8_t> inf(85 * kChannels, 0), dat;
    for (int s = 0; s < kSamples; ++s) {
      putF(dat, 0.001f * static_cast<float>(s));
      for (int c = 0; c < kChannels; ++c) put16(dat, static_cast<std::uint16_t>(s * 7 + c));
    }
    save(packed / "_ANALOGS.INF", inf);
    save(packed / "_ANALOGS.DAT", dat);
    packedBytes = dat.size();

    ZVRawAnalog w;
    borealtek_zvraw_version_1::AnalogHeader h;
    std::vector<float> t(kSamples), v(kSamples);
    for (int s = 0; s < kSamples; ++s)
      t[static_cast<std::size_t>(s)] = v[static_cast<std::size_t>(s)] = static_cast<float>(s);
    (void)w.writeChromInf(tables.string(), &h, 1);
    (void)w.writeChromDat(tables.string(), 0, t.data(), v.data(), kSamples);
    tableBytes = static_cast<std::size_t>(fs::file_size(tables / "_CHRO001.DAT"));
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(packed.parent_path(), ec);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void BM_AnalogMemcpyBaseline(benchmark::State& state) {
  const std::size_t n = fixture().packedBytes;
  std::vector<std::uint8_t> src(n, 0x5A), dst(n);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), n);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_AnalogMemcpyBaseline);

void BM_AnalogFreadBaseline(benchmark::State& state) {
  const fs::path p = fixture().packed / "_ANALOGS.DAT";
  const std::size_t n = fixture().packedBytes;
  std::vector<std::uint8_t> dst(n);
  for (auto _ : state) {
    std::FILE* f = std::fopen(p.c_str(), "rb");
    benchmark::DoNotOptimize(std::fread(dst.data(), 1, n, f));
    std::fclose(f);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}
BENCHMARK(BM_AnalogFreadBaseline);

void readDirectory(benchmark::State& state, const fs::path& dir, std::size_t bytes) {
  for (auto _ : state) {
    ZVRawAnalog a;
    benchmark::DoNotOptimize(a.read(dir.string()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_ReadPackedAnalogs(benchmark::State& state) { readDirectory(state, fixture().packed, fixture().packedBytes); }
BENCHMARK(BM_ReadPackedAnalogs);

void BM_ReadChannelTables(benchmark::State& state) { readDirectory(state, fixture().tables, fixture().tableBytes); }
BENCHMARK(BM_ReadChannelTables);

// A channel table of a million channels and no per-channel tables (85 MB).
struct ManyChannels {
  fs::path dir;
  std::size_t bytes = 0;
  ManyChannels() {
    dir = fs::temp_directory_path() / ("zvraw-analog-channels-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    constexpr int kMany = 1000000;
    std::vector<borealtek_zvraw_version_1::AnalogHeader> headers(kMany);
    for (int c = 0; c < kMany; ++c) {
      headers[static_cast<std::size_t>(c)].Analog = (c & 1) != 0;
      std::snprintf(headers[static_cast<std::size_t>(c)].Description, 81, "Channel %d", c);
    }
    ZVRawAnalog w;
    (void)w.writeChromInf(dir.string(), headers.data(), kMany);
    bytes = static_cast<std::size_t>(fs::file_size(dir / "_CHROMS.INF"));
  }
  ~ManyChannels() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

void BM_ReadTableOfManyChannels(benchmark::State& state) {
  static ManyChannels many;
  readDirectory(state, many.dir, many.bytes);
}
BENCHMARK(BM_ReadTableOfManyChannels)->Unit(benchmark::kMillisecond);

void BM_WriteChannelTable(benchmark::State& state) {
  const std::string dir = fixture().tables.string();
  std::vector<float> t(kSamples, 1.0f), v(kSamples, 2.0f);
  for (auto _ : state) {
    ZVRawAnalog w;
    benchmark::DoNotOptimize(w.writeChromDat(dir, 1, t.data(), v.data(), kSamples));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fixture().tableBytes));
}
BENCHMARK(BM_WriteChannelTable);

}  // namespace
