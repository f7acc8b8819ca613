// Spectrum processing under memory: a small spectrum with absurd masses
// takes a bounded heap whatever the smoothing settings, and memory that
// cannot be had is ZVRAW_MEMALLOC_ERROR with the spectrum as it was.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "memory/CountingAllocator.h"
#include "processing/SmoothPars.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRaw.h"

namespace {

using Vec = std::vector<float>;
constexpr std::size_t kMiB = std::size_t{1} << 20;

// n points 0.01 apart from 500; zero-suppressed: peaks of 5 and 2 zeros,
// every peak `jump` past the last (infinite: the last peak at infinity).
void spectrum(std::size_t n, float jump, Vec& x, Vec& y) {
  x.resize(n), y.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const bool last = i + 7 >= n;
    x[i] = std::isinf(jump) && last ? jump : 500.0f + 0.01f * float(i) + (std::isinf(jump) ? 0 : jump) * float(i / 7);
    y[i] = jump != 0 && i % 7 >= 5 ? 0.0f : float(1 + (i * 37) % 101);
  }
}

TEST(ProcessingMemory, PaddingStaysBoundedWhateverTheGaps) {
  const int settings[][2] = {{2, 3}, {1000, 3}, {2, 10000}, {10, 10000}, {1000, 10000}, {100, 100}, {-1000, 20}};
  Vec x, y;
  for (const float jump : {INFINITY, 1e30f, 1e6f, 0.3f})
    for (const auto& [passes, width] : settings) {
      SCOPED_TRACE(std::to_string(jump) + ", " + std::to_string(passes) + " passes of " + std::to_string(width));
      spectrum(64, jump, x, y);
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

TEST(ProcessingMemory, NoMemoryIsACodeWithTheSpectrumKept) {
  struct Row {
    std::size_t points;
    float jump;
    std::size_t refuseAbove;
    const char* width;
    int (*call)(CZorvalenBaseProcessor);
  };
  const Row rows[] = {
      {100000, 0.3f, kMiB, "3", smoothScan},         // the padded arrays
      {30000, 0.0f, 64 << 10, "10000", smoothScan},  // the weights of the passes
      {20000, 0.0f, 16 << 10, "3", centroidScan},    // the centroider's axis
  };
  CZorvalenBaseProcessor p = nullptr;
  ASSERT_EQ(createRawProcessor(&p, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
  CZorvalenParameters set = nullptr;
  ASSERT_EQ(createParameters(&set), ZVRAW_OK);
  ASSERT_EQ(setParameterValue(set, 1400, "10000"), ZVRAW_OK);
  ASSERT_EQ(setCentroidParameter(p, set), ZVRAW_OK);
  Vec x, y;
  for (const Row& r : rows) {
    spectrum(r.points, r.jump, x, y);
    ASSERT_EQ(setParameterValue(set, 1451, r.width), ZVRAW_OK);
    ASSERT_EQ(setSmoothParameter(p, set), ZVRAW_OK);
    ASSERT_EQ(setScan(p, x.data(), y.data(), int(r.points), int(r.points)), ZVRAW_OK);
    {
      const counting_allocator::RefuseAbove limit(r.refuseAbove);
      EXPECT_EQ(r.call(p), ZVRAW_MEMALLOC_ERROR) << r.points;
    }
    float *m = nullptr, *i = nullptr;
    int n = -1;
    ASSERT_EQ(getScan(p, &m, &i, &n), ZVRAW_OK);
    EXPECT_TRUE(Vec(m, m + n) == x && Vec(i, i + n) == y) << r.points;
  }
  EXPECT_EQ(destroyParameters(set), ZVRAW_OK);
  EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
}

}  // namespace
