// Field decoding against memcpy of the same bytes: the ratio of the two
// rates is what to watch.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/portability/ByteCodec.h"

namespace {

constexpr std::size_t kFields = 1 << 16;  // 256 KiB of 4-byte fields

struct AlignedFree {
  void operator()(void* p) const { std::free(p); }
};
std::unique_ptr<std::uint8_t, AlignedFree> pageBlock(std::size_t n) {
  return std::unique_ptr<std::uint8_t, AlignedFree>(static_cast<std::uint8_t*>(std::aligned_alloc(4096, n)));
}

void BM_MemcpyBaseline(benchmark::State& state) {
  auto src = pageBlock(kFields * 4), dst = pageBlock(kFields * 4);
  std::memset(src.get(), 0x5A, kFields * 4);
  for (auto _ : state) {
    std::memcpy(dst.get(), src.get(), kFields * 4);
    benchmark::DoNotOptimize(dst.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFields * 4));
}
BENCHMARK(BM_MemcpyBaseline);

void BM_ValueFromBytes4(benchmark::State& state) {
  auto src = pageBlock(kFields * 4);
  auto dst = pageBlock(kFields * 4);
  std::memset(src.get(), 0x5A, kFields * 4);
  auto* out = reinterpret_cast<std::uint32_t*>(dst.get());
  for (auto _ : state) {
    const char* cursor = reinterpret_cast<const char*>(src.get());
    for (std::size_t i = 0; i < kFields; ++i) value_from_bytes(out[i], cursor, 4);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFields * 4));
}
BENCHMARK(BM_ValueFromBytes4);

void BM_ValueFromBytes3Signed(benchmark::State& state) {
  auto src = pageBlock(kFields * 4);
  auto dst = pageBlock(kFields * 2);
  std::memset(src.get(), 0x9A, kFields * 4);
  auto* out = reinterpret_cast<short*>(dst.get());
  for (auto _ : state) {
    const char* cursor = reinterpret_cast<const char*>(src.get());
    for (std::size_t i = 0; i < kFields; ++i) value_from_bytes(out[i], cursor, 1);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFields));
}
BENCHMARK(BM_ValueFromBytes3Signed);

}  // namespace
