// Gathering the loaded scans of several clusters into one scan buffer, and
// clusters taking ranges over from it.

#include <gtest/gtest.h>

#include <vector>

#include "cluster/ClusterTestSupport.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawScanManager.h"

namespace {

class ScanManager : public ClusterTest {
 protected:
  void SetUp() override {
    ClusterTest::SetUp();
    RawDirectoryFixture fx;
    fx.function({.scans = 300, .peaks = 2}).function({.scans = 4, .peaks = 3});
    write(fx);
  }
  // A cluster holding scans first..last of function 0.
  [[nodiscard]] ZVRawDataCluster loaded(unsigned first, unsigned last) const {
    ZVRawDataCluster c(rawPath().c_str(), true, 0, false);
    EXPECT_EQ(c.loadData(0, first, last, true, false), ZVRAW_OK);
    return c;
  }
  static unsigned loadedScans(ZVRawDataCluster& c) {
    unsigned n = 0;
    (void)c.getImp()->getFunctionData(0)->getLoadedScanCount(n);
    return n;
  }
  // The buffered scan s holds the fixture's scan s.
  static void expectBuffered(const ZVRawScanManager& m, unsigned s) {
    const ZVRawScan* scan = m.getScanBuffer(s);
    ASSERT_NE(scan, nullptr) << s;
    const float *masses = nullptr, *intensities = nullptr;
    unsigned n = 0;
    ASSERT_EQ(scan->getScan(&masses, &intensities, n), ZVRAW_OK);
    ASSERT_EQ(n, 2u);
    EXPECT_FLOAT_EQ(masses[1], fixtureMass(0, s, 1)) << s;
    EXPECT_EQ(intensities[0], fixtureIntensity(0, s, 0)) << s;
  }
};

TEST_F(ScanManager, TwoAdjoiningClusters) {
  ZVRawDataCluster clusters[2] = {loaded(0, 99), loaded(100, 199)};
  ZVRawScanManager m;
  ASSERT_EQ(m.extractAllscans(clusters, 2, 0), ZVRAW_OK);
  EXPECT_EQ(m.getStartScan(), 0u);
  EXPECT_EQ(m.getEndScan(), 199u);
  for (unsigned s : {0u, 99u, 100u, 199u}) expectBuffered(m, s);
  EXPECT_EQ(m.getScanBuffer(200), nullptr);
  for (ZVRawDataCluster& c : clusters) {
    EXPECT_EQ(loadedScans(c), 0u);
    EXPECT_EQ(c.getState(), ZVRawDataCluster_LOADED);
  }
  ASSERT_EQ(m.reset(), ZVRAW_OK);
  for (unsigned s : {0u, 100u, 199u}) EXPECT_EQ(m.getScanBuffer(s), nullptr);
}

TEST_F(ScanManager, OverlappingRangesAndThreeClusters) {
  ZVRawDataCluster a = loaded(0, 99), b = loaded(50, 149), c = loaded(120, 260);
  ZVRawDataCluster* clusters[] = {&a, &b, &c};
  ZVRawScanManager m;
  ASSERT_EQ(m.extractAllscans(clusters, 3, 0), ZVRAW_OK);
  EXPECT_EQ(m.getStartScan(), 0u);
  EXPECT_EQ(m.getEndScan(), 260u);
  for (unsigned s : {0u, 75u, 99u, 100u, 149u, 150u, 260u}) expectBuffered(m, s);
}

// Every refusal leaves the clusters and the previous buffer as they were.
TEST_F(ScanManager, RefusalsGiveNothingAway) {
  ZVRawScanManager m;
  {
    ZVRawDataCluster first = loaded(10, 19);
    ASSERT_EQ(m.extractAllscans(&first, 1, 0), ZVRAW_OK);
  }
  ZVRawDataCluster a = loaded(0, 99), gap = loaded(101, 199), early = loaded(20, 60), empty;
  ZVRawDataCluster unloaded(rawPath().c_str(), true, 0, false);
  struct Case {
    const char* what;
    std::vector<ZVRawDataCluster*> clusters;
  };
  const std::vector<Case> cases = {
      {"a gap", {&a, &gap}},
      {"a range ending before the one before", {&a, &early}},
      {"a cluster without scans", {&a, &unloaded}},
      {"an empty cluster", {&empty}},
      {"the same cluster twice", {&a, &a}},
      {"a null entry", {&a, nullptr}},
  };
  for (const Case& c : cases) {
    std::vector<ZVRawDataCluster*> list = c.clusters;
    EXPECT_EQ(m.extractAllscans(list.data(), static_cast<unsigned>(list.size()), 0), ZVRAW_ERROR) << c.what;
    EXPECT_EQ(m.getStartScan(), 10u) << c.what;
    EXPECT_EQ(m.getEndScan(), 19u) << c.what;
    expectBuffered(m, 15);
    EXPECT_EQ(loadedScans(a), 100u) << c.what;
  }
  EXPECT_EQ(m.extractAllscans(static_cast<ZVRawDataCluster*>(nullptr), 2, 0), ZVRAW_ERROR);
  EXPECT_EQ(m.extractAllscans(static_cast<ZVRawDataCluster**>(nullptr), 2, 0), ZVRAW_ERROR);
  EXPECT_EQ(m.extractAllscans(&a, 0, 0), ZVRAW_ERROR);
  EXPECT_EQ(m.extractAllscans(&a, 1, 2), ZVRAW_ERROR);  // no such function
  EXPECT_EQ(loadedScans(a), 100u);
}

TEST_F(ScanManager, ContiguityOfRanges) {
  ZVRawDataCluster a = loaded(0, 99), b = loaded(100, 199), c = loaded(50, 149), d = loaded(101, 150);
  ZVRawScanManager m;
  auto contiguous = [&](std::vector<ZVRawDataCluster*> list) {
    std::vector<ZVRawDataClusterImp*> imps;
    for (auto* h : list) imps.push_back(h ? h->getImp() : nullptr);
    return m.getImp()->isContiguousData(imps.data(), static_cast<unsigned>(imps.size()), 0);
  };
  EXPECT_EQ(contiguous({&a, &b}), ZVRAW_OK);
  EXPECT_EQ(contiguous({&a, &c}), ZVRAW_OK);
  EXPECT_EQ(contiguous({&a, &d}), ZVRAW_ERROR);
  EXPECT_EQ(contiguous({&d}), ZVRAW_OK);
  EXPECT_EQ(contiguous({}), ZVRAW_ERROR);
  EXPECT_EQ(m.getImp()->isContiguousData(nullptr, 1, 0), ZVRAW_ERROR);
}

// A cluster takes a range over from the buffer and keeps reading it while
// the buffer is replaced and reset.
TEST_F(ScanManager, ClustersBorrowTheBuffer) {
  ZVRawScanManager m;
  {
    ZVRawDataCluster clusters[2] = {loaded(0, 99), loaded(100, 199)};
    ASSERT_EQ(m.extractAllscans(clusters, 2, 0), ZVRAW_OK);
  }
  ZVRawDataCluster borrower(rawPath().c_str(), true, 0, false), second(rawPath().c_str(), true, 0, false);
  ASSERT_EQ(borrower.loadData(0, 90u, 120u, m), ZVRAW_OK);
  ASSERT_EQ(second.loadData(0, 95u, 105u, m), ZVRAW_OK);
  expectFixtureScan(*borrower.getImp(), 0, 110, 2);
  EXPECT_EQ(borrower.loadData(0, 150u, 250u, m), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(borrower.loadData(0, 120u, 90u, m), ZVRAW_SCANRANGE_INVALID);
  ASSERT_EQ(borrower.loadData(0, 90u, 120u, m), ZVRAW_OK);

  // A new extraction, from other clusters, while both still borrow.
  ZVRawDataCluster fresh = loaded(200, 220);
  ASSERT_EQ(m.extractAllscans(&fresh, 1, 0), ZVRAW_OK);
  EXPECT_EQ(m.getStartScan(), 200u);
  expectFixtureScan(*borrower.getImp(), 0, 120, 2);
  ASSERT_EQ(m.reset(), ZVRAW_OK);
  expectFixtureScan(*second.getImp(), 0, 100, 2);

  // The borrower itself is extracted: it hands over a copy, so the other
  // borrower of the same buffer keeps its scans.
  ZVRawScanManager other;
  ASSERT_EQ(other.extractAllscans(&borrower, 1, 0), ZVRAW_OK);
  EXPECT_EQ(other.getStartScan(), 90u);
  EXPECT_EQ(other.getEndScan(), 120u);
  expectBuffered(other, 100);
  expectFixtureScan(*second.getImp(), 0, 100, 2);
  EXPECT_EQ(loadedScans(borrower), 0u);
}

TEST_F(ScanManager, ManagerLoadThroughTheHandleOnABadFunction) {
  ZVRawScanManager m;
  ZVRawDataCluster c(rawPath().c_str(), true, 0, false);
  EXPECT_EQ(c.loadData(2, 0u, 0u, m), ZVRAW_FUNCNUM_INVALID);
  EXPECT_NE(c.loadData(0, 0u, 0u, m), ZVRAW_OK);  // nothing buffered
  ZVRawDataCluster empty;
  EXPECT_EQ(empty.loadData(0, 0u, 0u, m), ZVRAW_FUNCNUM_INVALID);
}

}  // namespace
