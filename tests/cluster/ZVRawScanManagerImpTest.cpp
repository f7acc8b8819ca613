#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "cluster/ZVRawScanManagerImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_zvraw_version_1::ZVRawScan;

namespace {

// Scans first..last, scan s holding one peak of mass s and intensity `batch`,
// so that a test can tell which batch a buffered scan came from.
std::unique_ptr<ZVRawScan[]> makeScans(unsigned first, unsigned last, float batch) {
  auto scans = std::make_unique<ZVRawScan[]>(last - first + 1);
  for (unsigned s = first; s <= last; ++s)
    EXPECT_EQ(scans[s - first].setScan(std::unique_ptr<float[]>(new float[1]{static_cast<float>(s)}),
                                       std::unique_ptr<float[]>(new float[1]{batch}), nullptr, 1),
              0);
  return scans;
}

// The scan's single (mass, intensity), or (-1, -1) when it holds nothing.
std::pair<float, float> peakOf(const ZVRawScan* scan) {
  const float *m = nullptr, *i = nullptr;
  unsigned n = 0;
  if (!scan || scan->getScan(&m, &i, n) != 0 || n != 1) return {-1.0f, -1.0f};
  return {m[0], i[0]};
}

// Every buffered scan first..last is scan s of the given batch, and the
// entries lie consecutively after getScanBuffer(first).
void expectBuffered(const ZVRawScanManagerImp& buf, unsigned first, unsigned last, float batchBelow, unsigned split,
                    float batchFrom) {
  ASSERT_EQ(buf.getStartScan(), first);
  ASSERT_EQ(buf.getEndScan(), last);
  const ZVRawScan* base = buf.getScanBuffer(first);
  for (unsigned s = first; s <= last; ++s) {
    ASSERT_EQ(buf.getScanBuffer(s), base + (s - first)) << s;
    EXPECT_EQ(peakOf(buf.getScanBuffer(s)), std::make_pair(static_cast<float>(s), s < split ? batchBelow : batchFrom))
        << "scan " << s;
  }
  EXPECT_EQ(buf.getScanBuffer(last + 1), nullptr);
  if (first > 0) {
    EXPECT_EQ(buf.getScanBuffer(first - 1), nullptr);
  }
}

TEST(ScanBuffer, EmptyUntilFilledAndAfterReset) {
  ZVRawScanManagerImp buf;
  EXPECT_EQ(buf.getScanBuffer(0), nullptr);
  EXPECT_EQ(buf.getStartScan(), 0u);
  EXPECT_EQ(buf.getEndScan(), 0u);

  auto scans = makeScans(10, 19, 1);
  ASSERT_EQ(buf.moveScans(scans.get(), 10, 19), 0);
  expectBuffered(buf, 10, 19, 1, 0, 1);
  for (unsigned i = 0; i < 10; ++i) EXPECT_EQ(scans[i].getScanSize(), 0u) << "source scans are left empty";

  EXPECT_EQ(buf.reset(), 0);
  for (unsigned s : {0u, 10u, 15u, 19u, 20u}) EXPECT_EQ(buf.getScanBuffer(s), nullptr) << s;
  EXPECT_EQ(buf.getStartScan(), 10u) << "numbers keep their values";
  EXPECT_EQ(buf.getEndScan(), 19u);

  // After a reset the buffer counts as empty again: any range is taken whole.
  auto again = makeScans(0, 4, 2);
  ASSERT_EQ(buf.moveScans(again.get(), 0, 4), 0);
  expectBuffered(buf, 0, 4, 2, 0, 2);
}

TEST(ScanBuffer, ExtendingTakesOnlyTheScansPastTheEnd) {
  ZVRawScanManagerImp buf;
  auto first = makeScans(0, 99, 1);
  ASSERT_EQ(buf.moveScans(first.get(), 0, 99), 0);
  auto second = makeScans(50, 149, 2);
  ASSERT_EQ(buf.moveScans(second.get(), 50, 149), 0);
  expectBuffered(buf, 0, 149, 1, 100, 2);
  for (unsigned s = 50; s <= 149; ++s)
    EXPECT_EQ(second[s - 50].getScanSize(), s < 100 ? 1u : 0u) << "incoming scan " << s;

  // Adjacent range, and one that starts before the buffer does.
  auto third = makeScans(150, 159, 3);
  ASSERT_EQ(buf.moveScans(third.get(), 150, 159), 0);
  auto fourth = makeScans(0, 169, 4);
  ASSERT_EQ(buf.moveScans(fourth.get(), 0, 169), 0);
  ASSERT_EQ(buf.getEndScan(), 169u);
  EXPECT_EQ(peakOf(buf.getScanBuffer(155)).second, 3.0f);
  EXPECT_EQ(peakOf(buf.getScanBuffer(160)).second, 4.0f);
  EXPECT_EQ(peakOf(buf.getScanBuffer(169)), std::make_pair(169.0f, 4.0f));
}

TEST(ScanBuffer, RefusalsLeaveEverythingAsItWas) {
  ZVRawScanManagerImp buf;
  auto scans = makeScans(0, 9, 1);
  EXPECT_EQ(buf.moveScans(nullptr, 0, 9), 1) << "null source into an empty buffer";
  EXPECT_EQ(buf.moveScans(scans.get(), 5, 4), 1) << "end below start would wrap the count";
  EXPECT_EQ(buf.moveScans(scans.get(), 1, 0), 1);
  EXPECT_EQ(buf.getScanBuffer(0), nullptr);
  EXPECT_EQ(scans[0].getScanSize(), 1u);

  ASSERT_EQ(buf.moveScans(scans.get(), 0, 9), 0);
  struct Case {
    unsigned start, end;
    int rc;
    const char* why;
  } cases[] = {
      {11, 19, 1, "a gap after the buffer"},
      {0, 8, 1, "ends below the buffer's end"},
      {5, 9, 0, "ends at the buffer's end: nothing to take"},
      {0, 9, 0, "the same range"},
      {20, 10, 1, "end below start"},
  };
  for (const Case& c : cases) {
    auto incoming = makeScans(c.start, std::max(c.start, c.end), 2);
    EXPECT_EQ(buf.moveScans(incoming.get(), c.start, c.end), c.rc) << c.why;
    EXPECT_EQ(incoming[0].getScanSize(), 1u) << c.why << ": nothing taken";
    expectBuffered(buf, 0, 9, 1, 0, 1);
  }
  EXPECT_EQ(buf.moveScans(nullptr, 10, 19), 1) << "null source onto a buffer";
  expectBuffered(buf, 0, 9, 1, 0, 1);
}

TEST(ScanBuffer, HugeRangeFailsCleanly) {
  ZVRawScanManagerImp buf;
  auto scans = makeScans(0, 0, 1);
  // Four billion scans cannot be had; the refusal must not take any.
  EXPECT_EQ(buf.moveScans(scans.get(), 0, std::numeric_limits<unsigned>::max()), 1);
  EXPECT_EQ(buf.getScanBuffer(0), nullptr);
  EXPECT_EQ(scans[0].getScanSize(), 1u);
}

TEST(ScanBuffer, ABorrowerKeepsTheArrayAlive) {
  ZVRawScanManagerImp buf;
  auto scans = makeScans(0, 2, 7);
  ASSERT_EQ(buf.moveScans(scans.get(), 0, 2), 0);
  std::shared_ptr<ZVRawScan[]> borrowed = buf.getSharedScanBuffer();
  ASSERT_EQ(borrowed.get(), buf.getScanBuffer(0));
  buf.reset();
  EXPECT_EQ(buf.getScanBuffer(0), nullptr);
  EXPECT_EQ(buf.getSharedScanBuffer(), nullptr);
  EXPECT_EQ(peakOf(&borrowed[2]), std::make_pair(2.0f, 7.0f));
}

TEST(ScanBuffer, ContiguityComparesOnlyStartAgainstEnd) {
  constexpr unsigned kMax = std::numeric_limits<unsigned>::max();
  struct Case {
    unsigned s1, e1, s2, e2;
    int gap;
  } cases[] = {
      {0, 99, 100, 199, 0},         {0, 99, 50, 149, 0}, {0, 99, 101, 199, 1},     {0, 99, 0, 10, 0},
      {50, 99, 0, 10, 0},           {0, 0, 2, 2, 1},     {0, kMax, kMax, kMax, 0},  // no wrap past the last number
      {0, kMax - 1, kMax, kMax, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZVRawScanManagerImp::isContiguousScanRange(c.s1, c.e1, c.s2, c.e2), c.gap)
        << c.s1 << ".." << c.e1 << " then " << c.s2 << ".." << c.e2;
}

}  // namespace
