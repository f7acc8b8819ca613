#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "api/ZorvalenRawReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

using Vardex::Lib::ZorvalenRaw::ZorvalenRawReaderImp;

namespace {

TEST(CallerMemory, ArraysHoldTheirCountAndGoBackThroughReleaseMemory) {
  for (int n : {0, 1, 1000}) {
    float* f = ZorvalenRawReaderImp::AllocateFloatMemory(n);
    int* i = ZorvalenRawReaderImp::AllocateIntMemory(n);
    if (n > 0) {
      ASSERT_NE(f, nullptr);
      ASSERT_NE(i, nullptr);
      // Under ASan a block one element short would fault on the last write.
      std::memset(f, 0, static_cast<std::size_t>(n) * sizeof(float));
      i[n - 1] = n;
    }
    EXPECT_EQ(releaseMemory(f), 0);
    EXPECT_EQ(releaseMemory(i), 0);
  }
  EXPECT_EQ(releaseMemory(nullptr), 0);
}

TEST(CallerMemory, NegativeCountsAllocateNothing) {
  for (int n : {-1, INT_MIN}) {
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateFloatMemory(n), nullptr) << n;
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateIntMemory(n), nullptr) << n;
  }
}

}  // namespace
