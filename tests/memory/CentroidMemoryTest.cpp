// A spectrum of two points must not make the real-time centroider take more
// than 64 MiB over what the process held before: a mass range too wide for
// the resolution is refused, and one just inside the cap stays well below.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "memory/CountingAllocator.h"
#include "zorvalen/ZorvalenRaw.h"

namespace {

constexpr std::size_t kBound = std::size_t{64} << 20;

TEST(CentroidMemory, TwoPointsStayWithin64MiB) {
  const struct {
    float low, high;
    const char* resolution;
    int code;
  } cases[] = {
      {0.001f, 1e6f, "1000000", ZVRAW_PARAMETER_INVALID},           // 9.8M bins
      {1.0f, 1e6f, "1000000000000", ZVRAW_PARAMETER_INVALID},       // 11.4M bins
      {0.001f, 3e38f, "10000", ZVRAW_PARAMETER_INVALID},            // 4.3M bins
      {50.0f, 1e6f, "10000", ZVRAW_OK},                             // 469k bins, the widest nominal range
      {1.0f, 2000.0f, "1000000000000", ZVRAW_OK},                   // 498k bins
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.low) + " to " + std::to_string(c.high) + " at " + c.resolution;
    CZorvalenBaseProcessor p = nullptr;
    CZorvalenParameters set = nullptr;
    ASSERT_EQ(createRawProcessor(&p, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
    ASSERT_EQ(createParameters(&set), ZVRAW_OK);
    ASSERT_EQ(setParameterValue(set, static_cast<int>(CentroidParameter::RESOLUTION), c.resolution), ZVRAW_OK);
    ASSERT_EQ(setCentroidParameter(p, set), ZVRAW_OK);
    const std::vector<float> masses{c.low, c.high}, intensities{100, 100};
    ASSERT_EQ(setScan(p, masses.data(), intensities.data(), 2, 2), ZVRAW_OK);

    const std::size_t before = counting_allocator::current();
    counting_allocator::resetPeak();
    EXPECT_EQ(centroidScan(p), c.code) << what;
    EXPECT_LE(counting_allocator::peak() - before, kBound) << what;

    float *m = nullptr, *y = nullptr;
    int n = 0;
    ASSERT_EQ(getScan(p, &m, &y, &n), ZVRAW_OK);
    if (c.code != ZVRAW_OK) {
      EXPECT_TRUE(n == 2 && std::vector<float>(m, m + 2) == masses) << what << ": refused, unchanged";
    }
    EXPECT_EQ(destroyParameters(set), ZVRAW_OK);
    EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
  }
}

}  // namespace
