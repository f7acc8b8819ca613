// The memory baselines that the read benchmarks divide by: copies between
// blocks that are page-aligned and touched before the clock starts, best
// of several runs, so that page faults never slow the baseline down.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "formats/portability/PageAlignedBuffer.h"

namespace zvraw_bench {

// The shortest of `runs` timings of body(), in seconds.
template <class Body>
double bestSeconds(int runs, Body&& body) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    body();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

// One memcpy of n bytes between warm page-aligned blocks; best of `runs`.
inline double memcpySeconds(std::uint64_t n, int runs = 5) {
  zvraw::PageAlignedBuffer from(n), to(n);
  std::memset(from.data(), 0x5A, n);
  std::memset(to.data(), 0, n);
  return bestSeconds(runs, [&] {
    std::memcpy(to.data(), from.data(), n);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  });
}

}  // namespace zvraw_bench
