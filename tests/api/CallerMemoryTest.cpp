#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "api/ZorvalenRawReaderImp.h"
#include "formats/portability/ZVRawResultCodes.h"
#include "zorvalen/ZorvalenRaw.h"

using Vardex::Lib::ZorvalenRaw::allocateMemory;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawReaderImp;

namespace {

TEST(ErrorMessage, EveryCodeGivesTheTableTextInACallerBlock) {
  std::vector<int> codes{-1, INT_MIN, INT_MAX, 1000};
  for (int code = 0; code <= 81; ++code) codes.push_back(code);
  for (int code : codes) {
    char* text = reinterpret_cast<char*>(0x1);  // must be overwritten
    ASSERT_EQ(getErrorMessage(code, &text), ZVRAW_OK) << code;
    ASSERT_NE(text, nullptr) << code;
    EXPECT_STREQ(text, rawResultCodeToString(code)) << code;
    EXPECT_EQ(releaseMemory(text), ZVRAW_OK);
  }
}

TEST(ErrorMessage, NamedTexts) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {0, ""},
      {1000, "Unknown Code"},
      {-1, "Unknown Code"},
      {71, "Unknown Code"},
      {72, "Unknown Code"},
      {81, "Unknown Code"},
      {59, "Zorvalen reader type not valid"},
      {11, "Header File Line Format Error"},
      {12, "Header File Line Format Error"},
      {79, "Supplied parameter NULL"},
      {80, "Invalid drift range"},
  };
  for (const Case& c : cases) {
    char* text = nullptr;
    ASSERT_EQ(getErrorMessage(c.code, &text), ZVRAW_OK);
    ASSERT_NE(text, nullptr) << c.code;  // even the empty text is a block
    EXPECT_STREQ(text, c.text) << c.code;
    releaseMemory(text);
  }
}

TEST(ErrorMessage, NullOutputIsRefused) { EXPECT_EQ(getErrorMessage(5, nullptr), ZVRAW_NULL_PARAMETERS); }

TEST(CallerMemory, AllocationsHoldExactlyTheCount) {
  for (int n : {0, 1, 7, 4096}) {
    float* f = ZorvalenRawReaderImp::AllocateFloatMemory(n);
    int* i = ZorvalenRawReaderImp::AllocateIntMemory(n);
    char* c = ZorvalenRawReaderImp::AllocateCharMemory(n);
    if (n > 0) {
      ASSERT_TRUE(f && i && c) << n;
      f[n - 1] = 1.5f;  // the last element is writable (the sanitizers see any shortfall)
      i[n - 1] = -3;
      c[n - 1] = 'x';
    }
    EXPECT_EQ(releaseMemory(f), ZVRAW_OK);  // whatever malloc gave for 0 bytes is accepted
    EXPECT_EQ(releaseMemory(i), ZVRAW_OK);
    EXPECT_EQ(releaseMemory(c), ZVRAW_OK);
  }
}

TEST(CallerMemory, NegativeCountsAllocateNothing) {
  for (int n : {-1, -2, INT_MIN}) {
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateFloatMemory(n), nullptr) << n;
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateIntMemory(n), nullptr) << n;
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateCharMemory(n), nullptr) << n;
    const float f = 1;
    const int i = 1;
    const ZorvalenScanItem s = ZorvalenScanItem::SET_MASS;
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateAndFill(&f, n), nullptr) << n;
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateAndFill(&i, n), nullptr) << n;
    EXPECT_EQ(ZorvalenRawReaderImp::AllocateAndFill(&s, n), nullptr) << n;
  }
}

TEST(CallerMemory, AllocateAndFillCopies) {
  const std::vector<float> floats{0.5f, -1.25f, 3e38f};
  const std::vector<int> ints{INT_MIN, 0, INT_MAX};
  const std::vector<ZorvalenScanItem> items{ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE, ZorvalenScanItem::PEAKS_IN_SCAN,
                                            ZorvalenScanItem::UNINITIALISED};
  float* f = ZorvalenRawReaderImp::AllocateAndFill(floats.data(), 3);
  int* i = ZorvalenRawReaderImp::AllocateAndFill(ints.data(), 3);
  ZorvalenScanItem* s = ZorvalenRawReaderImp::AllocateAndFill(items.data(), 3);
  ASSERT_TRUE(f && i && s);
  EXPECT_EQ(std::vector<float>(f, f + 3), floats);
  EXPECT_EQ(std::vector<int>(i, i + 3), ints);
  EXPECT_EQ(std::vector<ZorvalenScanItem>(s, s + 3), items);
  // Callers see the scan items as plain 32-bit values.
  EXPECT_EQ(reinterpret_cast<const int*>(s)[1], 655);
  releaseMemory(f);
  releaseMemory(i);
  releaseMemory(s);
}

TEST(CallerMemory, AllocateAndFillWithoutValues) {
  // Missing values for a positive count copy nothing and allocate nothing.
  EXPECT_EQ(ZorvalenRawReaderImp::AllocateAndFill(static_cast<const float*>(nullptr), 2), nullptr);
  EXPECT_EQ(ZorvalenRawReaderImp::AllocateAndFill(static_cast<const int*>(nullptr), 2), nullptr);
  EXPECT_EQ(ZorvalenRawReaderImp::AllocateAndFill(static_cast<const ZorvalenScanItem*>(nullptr), 2), nullptr);
  // No values are needed for none.
  releaseMemory(ZorvalenRawReaderImp::AllocateAndFill(static_cast<const float*>(nullptr), 0));
}

TEST(CallerMemory, AllocateMemoryCopiesText) {
  char* copy = allocateMemory("ab\tc");
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy, "ab\tc", 5), 0);
  releaseMemory(copy);
  EXPECT_EQ(allocateMemory(nullptr), nullptr);
}

TEST(CallerMemory, ReleaseMemoryNullsThePointer) {
  void* v = ZorvalenRawReaderImp::AllocateCharMemory(3);
  float* f = ZorvalenRawReaderImp::AllocateFloatMemory(3);
  char* c = ZorvalenRawReaderImp::AllocateCharMemory(3);
  ZorvalenRawReaderImp::ReleaseMemory(v);
  ZorvalenRawReaderImp::ReleaseMemory(f);
  ZorvalenRawReaderImp::ReleaseMemory(c);
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(c, nullptr);
  ZorvalenRawReaderImp::ReleaseMemory(f);  // again: null is accepted
}

TEST(CallerMemory, ReleaseMemoryOnError) {
  for (int code : {ZVRAW_OK, ZVRAW_ERROR, ZVRAW_SCANNUM_INVALID, -1}) {
    const bool failed = code != ZVRAW_OK;
    float* a = ZorvalenRawReaderImp::AllocateFloatMemory(2);
    float* b = ZorvalenRawReaderImp::AllocateFloatMemory(2);
    char* flags = ZorvalenRawReaderImp::AllocateCharMemory(2);
    int n = 2;
    ZorvalenRawReaderImp::ReleaseMemoryOnError(code, a, b, flags, n);
    EXPECT_EQ(a == nullptr && b == nullptr && flags == nullptr && n == 0, failed) << code;
    EXPECT_EQ(a != nullptr && b != nullptr && flags != nullptr && n == 2, !failed) << code;

    n = 2;
    ZorvalenRawReaderImp::ReleaseMemoryOnError(code, a, b, n);
    EXPECT_EQ(n, failed ? 0 : 2) << code;
    n = 2;
    ZorvalenRawReaderImp::ReleaseMemoryOnError(code, a, n);
    EXPECT_EQ(n, failed ? 0 : 2) << code;
    releaseMemory(a);
    releaseMemory(b);
    releaseMemory(flags);
  }
}

}  // namespace
