#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <thread>

#include "cluster/ZVRawScanManagerImp.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "support/Corruption.h"
#include "support/FunctionDataRig.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

namespace fs = std::filesystem;
using borealtek_calibrate_version_1::CALTYPE_NORMAL;
using borealtek_calibrate_version_1::CALTYPE_ROOTMASS;
using borealtek_calibrate_version_1::FunctionCalibration;
using borealtek_zvraw_version_1::ZVRawExtendedStats;
using borealtek_zvraw_version_1::ZVRawExternalLumavent;
using borealtek_zvraw_version_1::ZVRawExtStatsRecord;
using borealtek_zvraw_version_1::ZVRawScan;

constexpr unsigned kScans = 12;
constexpr float kNoCut = 0.0f, kNoHighCut = -1.0f;

// The three file loaders, each over the range it is asked for.
enum class Loader { All, Time, Range };
int load(ZVRawFunctionData& d, Loader l, unsigned first = 0, unsigned last = kScans - 1, bool calibrate = true) {
  const std::vector<double> t = sampleTimes(kScans + 40);
  switch (l) {
    case Loader::All:
      return d.loadData(0u, calibrate, false, kNoCut, kNoHighCut);
    case Loader::Time:
      return d.loadData(static_cast<float>(t[first]), static_cast<float>(t[last]), 0u, calibrate, false, kNoCut,
                        kNoHighCut);
    case Loader::Range:
      return d.loadData(first, last, 0u, calibrate, false, kNoCut, kNoHighCut);
  }
  return -1;
}

unsigned loadedCount(const ZVRawFunctionData& d) {
  unsigned n = 0;
  d.getLoadedScanCount(n);
  return n;
}

class FunctionDataLoadTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    scans_ = samplePeaks(kScans);
  }
  [[nodiscard]] std::string root() const { return dir().string(); }

  // Writes _func001.sts with the fields given; fill sets each scan's record.
  void writeStats(ZVRawFunctionScanIndices& indices, std::initializer_list<unsigned> ids,
                  const std::function<void(unsigned, ZVRawExtStatsRecord&)>& fill) {
    ZVRawExtendedStats w(1, &indices);
    for (unsigned id : ids) ASSERT_EQ(w.addField(0, id), ZVRAW_OK);
    ASSERT_EQ(w.incrementStatsScanBuffer(0, kScans), ZVRAW_OK);
    for (unsigned s = 0; s < kScans; ++s) fill(s, *w.getStatsRecord(0, s));
    ASSERT_EQ(w.writeExtendedStats(root(), 0u), ZVRAW_OK);
  }

  // Loaded scan s's masses against the written ones mapped by f.
  void expectMasses(const ZVRawFunctionData& d, unsigned s, const std::function<float(float)>& f) {
    const PeakList got = loadedPeaks(d, s);
    ASSERT_EQ(got.masses.size(), scans_[s].masses.size()) << "scan " << s;
    for (std::size_t k = 0; k < got.masses.size(); ++k)
      EXPECT_FLOAT_EQ(got.masses[k], f(scans_[s].masses[k])) << "scan " << s << " peak " << k;
  }

  std::vector<PeakList> scans_;
};

TEST_F(FunctionDataLoadTest, WrittenScansLoadBackExactly) {
  for (unsigned format : {0u, 8u, 9u, 12u}) {
    SCOPED_TRACE(testing::Message() << "format " << format);
    writeFunction(root(), FunctionShape(format), scans_);
    FunctionReader r(root());
    ASSERT_EQ(r.openResult, ZVRAW_OK);
    struct Case {
      Loader loader;
      unsigned first, last, loadedFirst, loadedLast;
    } cases[] = {{Loader::All, 0, 11, 0, 11}, {Loader::Time, 3, 7, 3, 7}, {Loader::Range, 2, 40, 2, 11}};
    for (const Case& c : cases) {
      ASSERT_EQ(load(r.data, c.loader, c.first, c.last, false), ZVRAW_OK);
      unsigned start = 0, end = 0;
      r.data.getScanStart(start);
      r.data.getScanEnd(end);
      EXPECT_EQ(start, c.loadedFirst);
      EXPECT_EQ(end, c.loadedLast);
      EXPECT_EQ(loadedCount(r.data), c.loadedLast - c.loadedFirst + 1);
      for (unsigned s = c.loadedFirst; s <= c.loadedLast; ++s) {
        const PeakList got = loadedPeaks(r.data, s);
        EXPECT_EQ(got.masses, scans_[s].masses) << "scan " << s;
        EXPECT_EQ(got.intensities, scans_[s].intensities) << "scan " << s;
        std::vector<float> m(scans_[s].masses.size()), i(m.size());  // exact size
        ASSERT_EQ(r.data.getScan(s, m.data(), i.data()), ZVRAW_OK);
        EXPECT_EQ(m, scans_[s].masses);
      }
      float percent = 0;
      r.data.getPercentLoaded(percent);
      EXPECT_EQ(percent, 100.0f);
    }
  }
}

// One-scan loads, each after a clean as the cluster makes it, hand their
// arrays on to the next: scans larger, smaller and empty in turn still load
// back exactly.
TEST_F(FunctionDataLoadTest, OneScanLoadsOfEverySizeInTurnLoadBackExactly) {
  const unsigned sizes[] = {6, 2, 0, 9, 1, 9};
  std::vector<PeakList> scans(std::size(sizes));
  for (unsigned s = 0; s < scans.size(); ++s)
    for (unsigned k = 0; k < sizes[s]; ++k) {
      scans[s].masses.push_back(100.0f + 25.0f * static_cast<float>(k) + 0.25f * static_cast<float>(s));
      scans[s].intensities.push_back(static_cast<float>(1 + (s * 13 + k * 7) % 250));
      scans[s].flags.push_back(0);
    }
  for (unsigned format : {0u, 8u, 9u, 12u}) {
    SCOPED_TRACE(testing::Message() << "format " << format);
    writeFunction(root(), FunctionShape(format), scans);
    FunctionReader r(root());
    ASSERT_EQ(r.openResult, ZVRAW_OK);
    for (unsigned s : {4u, 3u, 1u, 2u, 0u, 5u, 3u, 3u}) {
      ASSERT_EQ(r.data.clean(), ZVRAW_OK);
      ASSERT_EQ(load(r.data, Loader::Range, s, s, false), ZVRAW_OK) << "scan " << s;
      const PeakList got = loadedPeaks(r.data, s);
      EXPECT_EQ(got.masses, scans[s].masses) << "scan " << s;
      EXPECT_EQ(got.intensities, scans[s].intensities) << "scan " << s;
    }
  }
}

TEST_F(FunctionDataLoadTest, ALoadLeavesTheIndexPeakCountsAlone) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  // A low cut-off above the first peaks: fewer peaks decoded than indexed.
  ASSERT_EQ(r.data.loadData(0u, true, false, 140.0f, 1e9f), ZVRAW_OK);
  EXPECT_EQ(loadedPeaks(r.data, 5).masses.size(), 2u);  // 101.25 and 126.25 cut
  unsigned indexed = 0;
  ASSERT_EQ(r.data.getScanSize(5, indexed), ZVRAW_OK);
  EXPECT_EQ(indexed, 4u);
  ASSERT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  EXPECT_EQ(loadedPeaks(r.data, 5).masses, scans_[5].masses);
}

TEST_F(FunctionDataLoadTest, AbortAndProgressFromAnotherThread) {
  scans_ = samplePeaks(2000);
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    float percent = 0;
    while (!done.load() && percent == 0.0f) r.data.getPercentLoaded(percent);
    r.data.setAbortLoad();
    EXPECT_GE(percent, 0.0f);
    EXPECT_LE(percent, 100.0f);
  });
  const int rc = load(r.data, Loader::All);
  done = true;
  watcher.join();
  EXPECT_TRUE(rc == ZVRAW_DATALOAD_ABORTED || rc == ZVRAW_OK) << rc;
  if (rc == ZVRAW_OK) r.data.setAbortLoad();  // the load finished first: the next one honours the flag
  (void)load(r.data, Loader::All);
  EXPECT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  EXPECT_EQ(loadedCount(r.data), 2000u);
}

TEST_F(FunctionDataLoadTest, AFunctionWithoutScansLoadsNothing) {
  writeFunction(root(), FunctionShape(), {});
  FunctionReader r(root());
  ASSERT_EQ(r.openResult, ZVRAW_OK);
  ASSERT_FALSE(fs::exists(dir() / "_func001.dat"));  // a load that opened it would fail
  EXPECT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  EXPECT_EQ(loadedCount(r.data), 0u);
  const float* m = nullptr;
  const float* i = nullptr;
  unsigned n = 0;
  EXPECT_EQ(r.data.getScan(0, &m, &i, n), ZVRAW_DATACLUSTER_NOTLOADED);
  EXPECT_EQ(load(r.data, Loader::Range, 0, 0), ZVRAW_SCANNUM_INVALID);
}

TEST_F(FunctionDataLoadTest, ScanRangesAreCheckedBeforeAnythingIsReleased) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  ASSERT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  EXPECT_EQ(load(r.data, Loader::Range, 5, 3), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(loadedPeaks(r.data, 4).masses, scans_[4].masses);
  EXPECT_EQ(load(r.data, Loader::Range, kScans, kScans + 5), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(loadedPeaks(r.data, 4).masses, scans_[4].masses);
}

TEST_F(FunctionDataLoadTest, TheGainScalesOnlyTheScanRangeLoad) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionCalibration cal;
  cal.setCalibration(0.0, 1.0, CALTYPE_ROOTMASS);  // (0 + 1 sqrt(m))^2 = m
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  struct Case {
    float gain, scale;
  } cases[] = {{4, 4}, {0.25f, 0.25f}, {0, 1}, {-4, 1}, {nan, 1}, {inf, 1}};  // unusable gains count as 1
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "gain " << c.gain);
    FunctionReader r(root());
    ZVRawExternalLumavent table;
    table.add(0.0f, c.gain);
    table.add(100.0f, c.gain);
    r.data.setCalibration(&cal);
    r.data.setExternalObject(&table);
    for (Loader l : {Loader::All, Loader::Time, Loader::Range}) {
      ASSERT_EQ(load(r.data, l), ZVRAW_OK);
      const float scale = l == Loader::Range ? c.scale : 1.0f;
      for (unsigned s = 0; s < kScans; ++s) expectMasses(r.data, s, [&](float m) { return m * scale; });
    }
    // The range chromatogram's window follows a usable gain only.
    ASSERT_EQ(load(r.data, Loader::All), ZVRAW_OK);
    std::vector<float> in(kScans), out(kScans);
    const float m0 = scans_[0].masses[0];
    ASSERT_EQ(r.data.getMassChromatogram(0u, kScans - 1, m0 * c.scale, 0.1f, &r.indices, in.data(), nullptr, false),
              ZVRAW_OK);
    r.data.setExternalObject(nullptr);
    ASSERT_EQ(r.data.getMassChromatogram(0u, kScans - 1, m0, 0.1f, &r.indices, out.data(), nullptr, false), ZVRAW_OK);
    EXPECT_EQ(in, out);
    EXPECT_GT(out[0], 0.0f);
  }
}

TEST_F(FunctionDataLoadTest, TheLockMassCorrectionReplacesC1AfterTheGain) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  writeStats(r.indices, {101, 102}, [](unsigned s, ZVRawExtStatsRecord& rec) {
    rec.m_nUseLockMassCorrection = s % 2 == 0 ? 1 : 0;
    rec.m_fLockMassCorrection = 1.5f;
  });
  ZVRawExtendedStats stats(1, &r.indices);
  ASSERT_EQ(stats.readStats(root()), ZVRAW_OK);
  FunctionCalibration cal;
  cal.setCalibration(10.0, 1.0, CALTYPE_NORMAL);
  ZVRawExternalLumavent table;
  table.add(0.0f, 4.0f);
  r.data.setExternalObjects(&r.descriptors, &r.indices, &stats);
  r.data.setCalibration(&cal);
  r.data.setExternalObject(&table);
  for (Loader l : {Loader::All, Loader::Time, Loader::Range}) {
    ASSERT_EQ(load(r.data, l), ZVRAW_OK);
    const float root = l == Loader::Range ? 2.0f : 1.0f;  // square root of the gain
    for (unsigned s = 0; s < kScans; ++s)
      expectMasses(r.data, s, [&](float m) { return 10 * root + (s % 2 == 0 ? 1.5f : root) * m; });
  }
}

TEST_F(FunctionDataLoadTest, TheTemperatureCorrectionAppliesToScanRangeLoads) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  writeStats(r.indices, {103, 104, 105}, [](unsigned s, ZVRawExtStatsRecord& rec) {
    rec.m_nUseTempCorrection = s == 11 ? 0 : 1;  // scan 11 does not count in the mean
    rec.m_fTempCorrection = s == 11 ? 99.0f : 20.5f;
    rec.m_fTempCoefficient = 1e6f;
  });
  ZVRawExtendedStats stats(1, &r.indices);
  ASSERT_EQ(stats.readStats(root()), ZVRAW_OK);
  FunctionCalibration cal;
  cal.setCalibration(0.0, 1.0, CALTYPE_NORMAL);
  cal.setTemperature(20.0);  // factor 1 - 1e6 x 1e-6 x 0.5
  r.data.setExternalObjects(&r.descriptors, &r.indices, &stats);
  r.data.setCalibration(&cal);
  for (bool use : {true, false}) {
    r.data.setUseTemperatureCorrection(use);
    for (Loader l : {Loader::All, Loader::Time, Loader::Range}) {
      ASSERT_EQ(load(r.data, l, 0, 10), ZVRAW_OK);
      const float f = use && l == Loader::Range ? 0.5f : 1.0f;
      for (unsigned s = 0; s <= 10; ++s) expectMasses(r.data, s, [&](float m) { return m * f; });
    }
    float mean = 7;
    EXPECT_EQ(r.data.getMeanTemperatureCorrection(0, 0, kScans - 1, mean), ZVRAW_OK);
    EXPECT_FLOAT_EQ(mean, use ? 0.5f : 1.0f);
  }
  r.data.setUseTemperatureCorrection(true);
  float mean = 7;
  for (auto [first, last] : {std::pair{kScans, kScans}, {5u, 4u}, {0u, kScans}}) {
    EXPECT_EQ(r.data.getMeanTemperatureCorrection(0, first, last, mean), ZVRAW_SCANNUM_INVALID);
    EXPECT_EQ(mean, 1.0f);
  }
  EXPECT_EQ(r.data.getMeanTemperatureCorrection(0, 11, 11, mean), ZVRAW_OK);  // no scan counts
  EXPECT_EQ(mean, 1.0f);
}

TEST_F(FunctionDataLoadTest, ACorruptScanKeptByTheStrategyCountsAsLoaded) {
  scans_[3].masses.back() = 5000.0f;  // beyond the acquisition range
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  const ScopedBadScanStrategy abandon(1);
  ASSERT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  EXPECT_EQ(loadedCount(r.data), kScans);
  EXPECT_TRUE(loadedPeaks(r.data, 3).masses.empty());
  EXPECT_EQ(loadedPeaks(r.data, 4).masses, scans_[4].masses);
}

TEST_F(FunctionDataLoadTest, AnAbortEndsTheLoadAfterTheScanInHand) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  for (Loader l : {Loader::All, Loader::Range}) {
    r.data.setAbortLoad();
    EXPECT_EQ(load(r.data, l, 4), ZVRAW_DATALOAD_ABORTED);
    EXPECT_EQ(loadedCount(r.data), 1u);
    float percent = 0;
    r.data.getPercentLoaded(percent);
    EXPECT_GT(percent, 0.0f);
    EXPECT_LT(percent, 100.0f);
    // The scans past the one loaded exist but hold nothing; copying them is refused.
    const unsigned first = l == Loader::All ? 0 : 4;
    EXPECT_EQ(loadedPeaks(r.data, first + 1).masses.size(), 0u);
    std::vector<float> m(10), i(10);
    EXPECT_EQ(r.data.getScan(first + 1, m.data(), i.data()), ZVRAW_SCANNUM_INVALID);
    EXPECT_EQ(load(r.data, l, 4), ZVRAW_OK);  // the flag was cleared
    EXPECT_EQ(loadedCount(r.data), kScans - first);
  }
}

TEST_F(FunctionDataLoadTest, AScanPastTheEndOfTheDataFileIsRefusedBeforeItIsRead) {
  writeFunction(root(), FunctionShape(), scans_);
  const auto datSize = static_cast<unsigned>(fs::file_size(dir() / "_func001.dat"));
  struct Case {
    unsigned offset, peaks;
  } cases[] = {{datSize - 18 + 1, 3}, {0, 0x3FFFFF}, {0xFFFFFFFFu, 1}, {datSize, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "offset " << c.offset << " peaks " << c.peaks);
    FunctionReader r(root(), kScans);
    ASSERT_EQ(r.indices.setScanOffset(0, 5, c.offset), ZVRAW_OK);
    ASSERT_EQ(r.indices.setPeaksInScan(0, 5, c.peaks), ZVRAW_OK);
    EXPECT_EQ(load(r.data, Loader::All), ZVRAW_SCANREAD_EOFERROR);
    EXPECT_EQ(loadedCount(r.data), 5u);
    EXPECT_TRUE(loadedPeaks(r.data, 5).masses.empty());
  }
}

TEST_F(FunctionDataLoadTest, ARangeTakenOverFromAScanBufferOutlivesTheBuffer) {
  const std::vector<PeakList> peaks = samplePeaks(10);
  auto manager = std::make_unique<ZVRawScanManagerImp>();
  {
    std::unique_ptr<ZVRawScan[]> source(new ZVRawScan[10]);
    for (unsigned k = 0; k < 10; ++k) fillScan(source[k], peaks[k]);
    ASSERT_EQ(manager->moveScans(source.get(), 20, 29), 0);
  }
  ZVRawFunctionData data;
  ASSERT_EQ(data.loadData(22u, 25u, 0u, manager.get()), ZVRAW_OK);
  unsigned start = 0, end = 0, largest = 0;
  data.getScanStart(start);
  data.getScanEnd(end);
  data.getMaxLoadedScanSize(largest);
  EXPECT_EQ(start, 22u);
  EXPECT_EQ(end, 25u);
  EXPECT_EQ(loadedCount(data), 4u);
  EXPECT_EQ(largest, 6u);                        // scans 22-25 hold 5, 6, 3 and 4 peaks
  EXPECT_EQ(data.getMinimumMassDelta(), 25.0f);  // neighbouring masses lie 25 apart

  struct Bad {
    unsigned first, last;
  } bad[] = {{25, 22}, {19, 22}, {28, 30}, {30, 31}};
  for (const Bad& b : bad) {
    EXPECT_EQ(data.loadData(b.first, b.last, 0u, manager.get()), ZVRAW_SCANRANGE_INVALID);
    EXPECT_EQ(loadedPeaks(data, 23).masses, peaks[3].masses);  // refused before anything was let go
  }
  EXPECT_EQ(data.loadData(22u, 25u, 0u, nullptr), ZVRAW_NULLPOINTER_ERROR);
  ASSERT_EQ(data.loadData(22u, 25u, 0u, manager.get()), ZVRAW_OK);

  manager.reset();  // the share keeps the scans
  for (unsigned s = 22; s <= 25; ++s) EXPECT_EQ(loadedPeaks(data, s).masses, peaks[s - 20].masses);
  ZVRawScanManagerImp empty;
  EXPECT_EQ(data.loadData(0u, 0u, 0u, &empty), ZVRAW_SCANRANGE_INVALID);
}

TEST_F(FunctionDataLoadTest, HandingTheScansOverLeavesNone) {
  writeFunction(root(), FunctionShape(), scans_);
  FunctionReader r(root());
  std::shared_ptr<ZVRawScan[]> scans;
  unsigned first = 9, last = 9;
  r.data.setAbortLoad();
  ASSERT_EQ(load(r.data, Loader::Range, 3), ZVRAW_DATALOAD_ABORTED);
  ASSERT_EQ(r.data.getAllScans(scans, first, last), ZVRAW_OK);
  EXPECT_EQ(first, 3u);
  EXPECT_EQ(last, 3u);  // only the scan that was loaded
  ASSERT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  ASSERT_EQ(r.data.getAllScans(scans, first, last), ZVRAW_OK);
  ASSERT_NE(scans, nullptr);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(last, kScans - 1);
  EXPECT_EQ(scans[7].getScanSize(), scans_[7].masses.size());
  EXPECT_EQ(loadedCount(r.data), 0u);
  const float* m = nullptr;
  const float* i = nullptr;
  unsigned n = 0;
  EXPECT_EQ(r.data.getScan(7, &m, &i, n), ZVRAW_DATACLUSTER_NOTLOADED);
  ASSERT_EQ(r.data.getAllScans(scans, first, last), ZVRAW_OK);
  EXPECT_EQ(scans, nullptr);
}

TEST_F(FunctionDataLoadTest, TheSmallestSpacingSkipsScansOfOnePeak) {
  std::vector<PeakList> scans(3);
  scans[0].masses = {100.0f};
  scans[1].masses = {100.0f, 100.0005f};
  scans[2].masses = {100.0f, 125.0f};
  for (PeakList& p : scans) p.intensities.assign(p.masses.size(), 5.0f);
  writeFunction(root(), FunctionShape(12), scans);
  FunctionReader r(root());
  ASSERT_EQ(load(r.data, Loader::All), ZVRAW_OK);
  EXPECT_EQ(r.data.getMinimumMassDelta(), 0.001f);  // spacings below the cut-off count as the cut-off
  ASSERT_EQ(load(r.data, Loader::Range, 2, 2), ZVRAW_OK);
  EXPECT_EQ(r.data.getMinimumMassDelta(), 25.0f);
}

// Loads read neighbouring scans a block at a time and reuse the arrays of
// the load before: every load, again and over other ranges, and runs too
// large for one block, give the scans written.
TEST_F(FunctionDataLoadTest, ReloadsAndLargeScansLoadBackExactly) {
  for (unsigned format : {9u, 12u}) {
    SCOPED_TRACE(testing::Message() << "format " << format);
    std::vector<PeakList> scans = samplePeaks(kScans);
    for (unsigned s : {4u, 5u, 9u}) {  // 300-400 KB runs, beside small ones
      scans[s] = PeakList{};
      for (unsigned k = 0; k < 50000 - 500 * s; ++k) {
        scans[s].masses.push_back(60.0f + 0.03125f * static_cast<float>(k));
        scans[s].intensities.push_back(static_cast<float>(k % 1000));
        scans[s].flags.push_back(0);
      }
    }
    writeFunction(root(), FunctionShape(format), scans);
    FunctionReader r(root());
    ASSERT_EQ(r.openResult, ZVRAW_OK);
    const std::pair<unsigned, unsigned> passes[] = {{0, 11}, {0, 11}, {3, 6}, {4, 7}, {0, 11}};
    for (const auto& [first, last] : passes) {
      ASSERT_EQ(load(r.data, Loader::Range, first, last, false), ZVRAW_OK);
      for (unsigned s = first; s <= last; ++s) {
        const PeakList got = loadedPeaks(r.data, s);
        EXPECT_EQ(got.masses, scans[s].masses) << "scan " << s;
        EXPECT_EQ(got.intensities, scans[s].intensities) << "scan " << s;
      }
    }
  }
}

// A reload that stops early leaves the scans it did not reach as a first
// load that stops there leaves them, though it reuses the earlier scans.
TEST_F(FunctionDataLoadTest, AFailedReloadLeavesWhatAFailedFirstLoadLeaves) {
  writeFunction(root(), FunctionShape(9), scans_);
  FunctionReader again(root(), kScans);
  ASSERT_EQ(load(again.data, Loader::All), ZVRAW_OK);
  unsigned offset = 0;
  ASSERT_EQ(again.indices.getScanOffset(0, 6, offset), ZVRAW_OK);
  fs::resize_file(dir() / "_func001.dat", offset + 1);  // scan 6 cut short
  FunctionReader fresh(root(), kScans);
  const int rc = load(fresh.data, Loader::All);
  EXPECT_NE(rc, ZVRAW_OK);
  EXPECT_EQ(load(again.data, Loader::All), rc);
  EXPECT_EQ(loadedCount(again.data), loadedCount(fresh.data));
  for (unsigned s = 0; s < kScans; ++s) {
    const float *m = nullptr, *i = nullptr, *m2 = nullptr, *i2 = nullptr;
    unsigned n = 7, n2 = 7;
    EXPECT_EQ(again.data.getScan(s, &m, &i, n), fresh.data.getScan(s, &m2, &i2, n2)) << "scan " << s;
    EXPECT_EQ(n, n2) << "scan " << s;
    EXPECT_EQ(m == nullptr, m2 == nullptr) << "scan " << s;
    EXPECT_EQ(loadedPeaks(again.data, s).masses, loadedPeaks(fresh.data, s).masses) << "scan " << s;
  }
}

TEST_F(FunctionDataLoadTest, DamagedDataAndIndexFiles) {
  writeFunction(root(), FunctionShape(), samplePeaks(6));
  const fs::path datPath = dir() / "_func001.dat", idxPath = dir() / "_func001.idx";
  const Bytes dat = readFile(datPath), idx = readFile(idxPath);
  // Loads everything, then walks what the loaded scans answer.
  const auto exercise = [&](FunctionReader& r) {
    int rc = load(r.data, Loader::All);
    std::vector<float> in(6), t(6);
    (void)r.data.getMassChromatogram(150.0f, 0.5f, &r.indices, in.data(), t.data(), false);
    for (unsigned s = 0; s < 6; ++s) (void)loadedPeaks(r.data, s);
    if (rc == ZVRAW_OK) rc = load(r.data, Loader::Range, 2, 4);
    return rc;
  };
  // Every record read, whether or not its scan is all there: each cut of the data file leaves the last scan short.
  expectRejectsTruncations(dat, [&](const Bytes& damaged) {
    writeFile(datPath, damaged);
    FunctionReader r(root(), 6);
    return exercise(r);
  });
  for (bool live : {true, false}) {
    const auto open = [&](const Bytes& d, const Bytes& i) {
      writeFile(datPath, d);
      writeFile(idxPath, i);
      auto r = live ? std::make_unique<FunctionReader>(root()) : std::make_unique<FunctionReader>(root(), 6);
      return exercise(*r);
    };
    expectSurvivesCorruptions(
        dat, [&](const Bytes& d) { return open(d, idx); }, 0x5eed, 100);
    expectSurvivesCorruptions(
        idx, [&](const Bytes& i) { return open(dat, i); }, 0xfeed, 100);
    for (std::size_t cut = 0; cut < idx.size(); ++cut) {
      const int rc = open(dat, Bytes(idx.begin(), idx.begin() + cut));
      EXPECT_TRUE(rc >= 0 && rc <= 80) << "cut " << cut;
    }
  }
}

}  // namespace
