// Spectrum processing under memory: a small spectrum with absurd masses
// takes a bounded heap whatever the smoothing settings, and memory that
// cannot be had is ZVRAW_MEMALLOC_ERROR with the spectrum as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "memory/CountingAllocator.h"
#include "processing/SmoothPars.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRaw.h"

namespace {

using Vec = std::vector<float>;
constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr float kInf = std::numeric_limits<float>::infinity();

// 64 zero-suppressed points: peaks of 5 and 3 zeros, 0.1 apart; every peak
// after the first `near` lies `jump` further on (inf: at infinity).
void suppressed(std::size_t near, float jump, Vec& x, Vec& y) {
  x.clear(), y.clear();
  for (std::size_t k = 0; x.size() < 64; ++k)
    for (int i = 0; i < 8 && x.size() < 64; ++i) {
      const float base = 100.0f + 2.0f * float(k) + 0.1f * float(i);
      x.push_back(k < near ? base : std::isinf(jump) ? kInf : base + jump * float(k - near + 1));
      y.push_back(i < 5 ? float(1 + i * (4 - i)) : 0.0f);
    }
}

TEST(ProcessingMemory, PaddingStaysBoundedWhateverTheGaps) {
  struct Gaps {
    std::size_t near;
    float jump;
  };
  const Gaps gaps[] = {{7, kInf}, {7, 1e30f}, {1, 1e6f}, {1, 1e30f}};
  const int settings[][2] = {{2, 3}, {1000, 3}, {2, 10000}, {10, 10000}, {1000, 10000}, {100, 100}, {-1000, 20}};
  Vec x, y;
  for (const Gaps& g : gaps)
    for (const auto& [passes, width] : settings) {
      SCOPED_TRACE(std::to_string(g.near) + " near, jump " + std::to_string(g.jump) + ", " + std::to_string(passes) +
                   " passes of width " + std::to_string(width));
      suppressed(g.near, g.jump, x, y);
      ZVSpectrum s(x, y);
      SmoothPars pars("");
      pars.NumberOfSmooths() = passes;
      pars.SmoothWidth() = width;
      const std::size_t before = counting_allocator::current();
      counting_allocator::resetPeak();
      const int rc = s.Smooth(&pars);
      EXPECT_LE(counting_allocator::peak() - before, 4 * kMiB);
      EXPECT_TRUE(rc == ZVRAW_OK || (rc == ZVRAW_PARAMETER_INVALID && s.getSize() == 64)) << rc;
    }
}

// A spectrum the processor holds, and the call that fails on it.
struct Failing {
  const char* what;
  std::size_t points;
  bool zeroSuppressed;
  std::size_t refuseAbove;  // bytes
  const char* number;
  const char* width;
  int (*call)(CZorvalenBaseProcessor);
};

TEST(ProcessingMemory, NoMemoryIsACodeWithTheSpectrumKept) {
  const Failing rows[] = {
      {"padding", 100000, true, kMiB, "2", "3", smoothScan},
      {"the passes' weights", 30000, false, 64 << 10, "1", "10000", smoothScan},
      {"centroiding", 20000, false, 16 << 10, "2", "3", centroidScan},
  };
  CZorvalenBaseProcessor p = nullptr;
  ASSERT_EQ(createRawProcessor(&p, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
  CZorvalenParameters set = nullptr;
  ASSERT_EQ(createParameters(&set), ZVRAW_OK);
  ASSERT_EQ(setParameterValue(set, 1400, "10000"), ZVRAW_OK);
  ASSERT_EQ(setCentroidParameter(p, set), ZVRAW_OK);
  for (const Failing& r : rows) {
    SCOPED_TRACE(r.what);
    Vec x(r.points), y(r.points);
    for (std::size_t i = 0; i < r.points; ++i) {
      x[i] = 500.0f + 0.01f * float(i) + (r.zeroSuppressed ? 0.3f * float(i / 7) : 0.0f);
      y[i] = r.zeroSuppressed && i % 7 >= 5 ? 0.0f : float(1 + (i * 37) % 101);
    }
    ASSERT_EQ(setParameterValue(set, 1450, r.number), ZVRAW_OK);
    ASSERT_EQ(setParameterValue(set, 1451, r.width), ZVRAW_OK);
    ASSERT_EQ(setSmoothParameter(p, set), ZVRAW_OK);
    ASSERT_EQ(setScan(p, x.data(), y.data(), int(r.points), int(r.points)), ZVRAW_OK);
    int rc = 0;
    {
      const counting_allocator::RefuseAbove limit(r.refuseAbove);
      rc = r.call(p);
    }
    EXPECT_EQ(rc, ZVRAW_MEMALLOC_ERROR);
    float *m = nullptr, *i = nullptr;
    int n = 0;
    ASSERT_EQ(getScan(p, &m, &i, &n), ZVRAW_OK);
    ASSERT_EQ(n, int(r.points));
    EXPECT_TRUE(Vec(m, m + n) == x && Vec(i, i + n) == y);
  }
  // Copying the caller's points in: the spectrum is then empty, as after
  // any failed setScan.
  const Vec big(1 << 20, 1.0f);
  {
    const counting_allocator::RefuseAbove limit(kMiB);
    EXPECT_EQ(setScan(p, big.data(), big.data(), int(big.size()), int(big.size())), ZVRAW_MEMALLOC_ERROR);
  }
  float *m = nullptr, *i = nullptr;
  int n = -1;
  EXPECT_TRUE(getScan(p, &m, &i, &n) == ZVRAW_OK && n == 0);
  EXPECT_EQ(destroyParameters(set), ZVRAW_OK);
  EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
}

}  // namespace
