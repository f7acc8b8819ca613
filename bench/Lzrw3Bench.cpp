// LZRW3 compression and decompression of 100 MiB in 128 KiB sections, each
// rate also given as a multiple of memcpy of the same sections measured in
// the same run ("x_memcpy": 0.25 = a quarter of memcpy's speed).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "drift/Lzrw3.h"

namespace {

constexpr std::size_t kSection = 128 * 1024;
constexpr std::size_t kSections = 800;  // 100 MiB
constexpr std::size_t kTotal = kSection * kSections;

using Buffer = std::vector<std::uint8_t>;

// Signed 16-bit intensity deltas of sparse spectra: most populated bins hold
// one or two ions, a few hold a peak, so most deltas are 0 or small.
Buffer driftSections() {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> pct(0, 99);
  Buffer out(kTotal);
  int previous = 0;
  for (std::size_t i = 0; i < kTotal; i += 2) {
    const int p = pct(rng);
    const int intensity = p < 70 ? 1 : p < 85 ? 2 : p < 93 ? 3 + int(rng() % 3) : p < 98 ? 6 + int(rng() % 45)
                                                                                       : 51 + int(rng() % 2000);
    const auto delta = static_cast<std::int16_t>(intensity - previous);
    previous = intensity;
    std::memcpy(&out[i], &delta, 2);
  }
  return out;
}

Buffer randomSections() {
  std::mt19937 rng(7);
  Buffer out(kTotal);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

const Buffer& input(int kind) {
  static const Buffer drift = driftSections();
  static const Buffer random = randomSections();
  return kind == 0 ? drift : random;
}

// Bytes per second of memcpy over the same sections, best of five passes.
double memcpyRate() {
  static const double rate = [] {
    const Buffer& src = input(1);
    Buffer dst(kTotal);
    double best = 1e30;
    for (int pass = 0; pass < 5; ++pass) {
      const auto t0 = std::chrono::steady_clock::now();
      for (std::size_t s = 0; s < kSections; ++s) std::memcpy(&dst[s * kSection], &src[s * kSection], kSection);
      benchmark::ClobberMemory();
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return double(kTotal) / best;
  }();
  return rate;
}

void report(benchmark::State& state) {
  const double bytes = double(state.iterations()) * double(kTotal);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  // memcpy's time for these bytes over our time: our speed as a multiple of memcpy's.
  state.counters["x_memcpy"] = benchmark::Counter(bytes / memcpyRate(), benchmark::Counter::kIsRate);
}

struct Streams {
  std::vector<Buffer> sections;
  std::size_t bytes = 0;
};

Streams compressAll(const Buffer& in) {
  Buffer work(kLzrw3WorkMemory);
  Streams out;
  for (std::size_t s = 0; s < kSections; ++s) {
    Buffer z(kSection + kLzrw3Overrun);
    std::uint64_t len = 0;
    compress(COMPRESS_ACTION_COMPRESS, work.data(), &in[s * kSection], kSection, z.data(), &len);
    z.resize(len);
    out.bytes += len;
    out.sections.push_back(std::move(z));
  }
  return out;
}

void BM_Memcpy(benchmark::State& state) {
  const Buffer& src = input(int(state.range(0)));
  Buffer dst(kTotal);
  for (auto _ : state) {
    for (std::size_t s = 0; s < kSections; ++s) std::memcpy(&dst[s * kSection], &src[s * kSection], kSection);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  report(state);
}

void BM_Compress(benchmark::State& state) {
  const Buffer& in = input(int(state.range(0)));
  Buffer work(kLzrw3WorkMemory);
  Buffer out(kSection + kLzrw3Overrun);
  std::uint64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (std::size_t s = 0; s < kSections; ++s) {
      std::uint64_t len = 0;
      compress(COMPRESS_ACTION_COMPRESS, work.data(), &in[s * kSection], kSection, out.data(), &len);
      total += len;
    }
    benchmark::DoNotOptimize(total);
  }
  report(state);
  state.counters["ratio"] = double(kTotal) / double(total);
}

void BM_Decompress(benchmark::State& state) {
  const Streams z = compressAll(input(int(state.range(0))));
  Buffer work(kLzrw3WorkMemory);
  Buffer out(kTotal);
  for (auto _ : state) {
    for (std::size_t s = 0; s < kSections; ++s) {
      std::uint64_t produced = 0;
      const Lzrw3Status st = lzrw3Decompress(work.data(), z.sections[s].data(), z.sections[s].size(),
                                             &out[s * kSection], kSection, produced);
      if (st != Lzrw3Status::Ok || produced != kSection) state.SkipWithError("decode failed");
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  report(state);
}

// Argument 0: drift sections, 1: random bytes.
BENCHMARK(BM_Memcpy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
