// The read interface: its state and function checks, scans by number and by
// time, the per-peak arrays, statistics, analog channels and the lock-mass
// gain, and how it follows the cluster it was made on.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cluster/ClusterTestSupport.h"
#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"

namespace fs = std::filesystem;

namespace {

class AccessInterface : public ClusterTest {
 protected:
  [[nodiscard]] ZVRawDataCluster openHandle() const { return ZVRawDataCluster(rawPath().c_str(), true, 0, false); }
};

using Call = std::function<int(const ZVRawAccessInterface&, unsigned f)>;
struct Row {
  const char* name;
  Call call;
  int failedOpen, empty, badFunction;  // the expected codes
};

// Every operation, on a cluster whose open failed, on an empty cluster, and
// with a function number equal to the count of a loaded cluster.
TEST_F(AccessInterface, EveryOperationAnswersWithACodeWhereThereIsNothing) {
  const float* cm = nullptr;
  const float* ci = nullptr;
  const char* flags = nullptr;
  unsigned n = 0;
  bool error = false;
  float a[8] = {}, b[8] = {}, gain = 0;
  ScanStatsRecord stats[8];
  std::unique_ptr<ExtendedStatsRecord[]> fields;
  int fieldCount = 0;
  std::unique_ptr<const ZVRawExtStatsRecord*[]> records;
  const float *times = nullptr, *values = nullptr;
  const std::vector<Row> rows = {
      {"getScan pointers", [&](auto& ai, unsigned f) { return ai.getScan(f, 0u, &cm, &ci, n); }, 35, 35, 14},
      {"getScan accurate", [&](auto& ai, unsigned f) { return ai.getScan(f, 0u, &cm, &ci, &cm, &ci, n); }, 35, 35, 14},
      {"getScan copy", [&](auto& ai, unsigned f) { return ai.getScan(f, 0u, a, b); }, 35, 35, 14},
      {"getScan time copy", [&](auto& ai, unsigned f) { return ai.getScan(f, 0.5f, a, b); }, 35, 35, 14},
      {"getScan time pointers", [&](auto& ai, unsigned f) { return ai.getScan(f, 0.5f, &cm, &ci, n); }, 35, 35, 14},
      {"getTICChromatogram", [&](auto& ai, unsigned f) { return ai.getTICChromatogram(f, a, b); }, 14, 14, 14},
      {"getTICChromatogram range", [&](auto& ai, unsigned f) { return ai.getTICChromatogram(f, 0, 0, a, b); }, 14, 14,
       14},
      {"getBPIChromatogram", [&](auto& ai, unsigned f) { return ai.getBPIChromatogram(f, a, b); }, 14, 14, 14},
      {"getBPIChromatogram range", [&](auto& ai, unsigned f) { return ai.getBPIChromatogram(f, 0, 0, a, b); }, 14, 14,
       14},
      {"mass chromatogram range", [&](auto& ai, unsigned f) { return ai.getMassChromatogram(f, 1, 2, a, b, 0, false); },
       1, 1, 1},
      {"mass chromatogram mass", [&](auto& ai, unsigned f) { return ai.getMassChromatogram(f, 1.0f, a, b, 0, false); },
       35, 35, 14},
      {"mass chromatogram scans",
       [&](auto& ai, unsigned f) { return ai.getMassChromatogram(f, 1.0f, 0, 0, a, b, 0, false); }, 32, 32, 14},
      {"getMRMChromatogram", [&](auto& ai, unsigned f) { return ai.getMRMChromatogram(f, 0, a, b); }, 35, 35, 14},
      {"getScanFlags", [&](auto& ai, unsigned f) { return ai.getScanFlags(f, 0, &flags, n); }, 14, 14, 14},
      {"getAccMassScanFlags", [&](auto& ai, unsigned f) { return ai.getAccMassScanFlags(f, 0, &flags, n); }, 14, 14,
       14},
      {"errorScan", [&](auto& ai, unsigned f) { return ai.errorScan(f, 0, error); }, 14, 14, 14},
      {"getDaughterMasses", [&](auto& ai, unsigned f) { return ai.getDaughterMasses(f, 0, &cm, n); }, 14, 14, 14},
      {"getStats", [&](auto& ai, unsigned f) { return ai.getStats(f, stats); }, 14, 14, 14},
      {"getExtendedStatsFields", [&](auto& ai, unsigned f) { return ai.getExtendedStatsFields(f, fields, fieldCount); },
       14, 14, 14},
      {"getExtendedStats", [&](auto& ai, unsigned f) { return ai.getExtendedStats(f, records); }, 14, 14, 14},
      // The open reads the analog channels (none here) before it fails.
      {"getAnalogChannelData", [&](auto& ai, unsigned) { return ai.getAnalogChannelData(0, times, values); }, 14, 19,
       14},
      {"getLockMassCorrection", [&](auto& ai, unsigned f) { return ai.getLockMassCorrection(f, 0, gain); }, 19, 19, 14},
  };

  fs::create_directories(raw());  // no _functns.inf: the open stops early
  ZVRawDataCluster failed = openHandle();
  ASSERT_NE(failed.getInitialiseResult(), ZVRAW_OK);
  ZVRawDataCluster empty;
  write(twoFunctions());
  ZVRawDataCluster loaded = openHandle();
  ASSERT_EQ(loaded.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface onFailed(failed), onEmpty(empty), onLoaded(loaded);
  for (const Row& r : rows) {
    EXPECT_EQ(r.call(onFailed, 0), r.failedOpen) << r.name;
    EXPECT_EQ(r.call(onEmpty, 0), r.empty) << r.name;
    EXPECT_EQ(r.call(onLoaded, 2), r.badFunction) << r.name;
  }
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(cm, nullptr);  // the daughter-mass refusals left it empty
}

TEST_F(AccessInterface, AnOpenedClusterAnswersFromItsIndexOnly) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  const float* m = nullptr;
  const float* i = nullptr;
  unsigned n = 0;
  EXPECT_EQ(ai.getScan(0, 0u, &m, &i, n), ZVRAW_DATACLUSTER_NOTLOADED);

  std::vector<float> tic(5), times(5), bpi(2), bpiTimes(2);
  ASSERT_EQ(ai.getTICChromatogram(0, tic.data(), times.data()), ZVRAW_OK);
  ASSERT_EQ(ai.getBPIChromatogram(0, 3, 4, bpi.data(), bpiTimes.data()), ZVRAW_OK);
  for (unsigned s = 0; s < 5; ++s) {
    float sum = 0, top = 0;
    for (unsigned p = 0; p < 4; ++p) sum += fixtureIntensity(0, s, p), top = std::max(top, fixtureIntensity(0, s, p));
    EXPECT_EQ(tic[s], sum) << s;
    EXPECT_EQ(times[s], fixtureRT(fx.function(0), s)) << s;
    if (s >= 3) {
      EXPECT_EQ(bpi[s - 3], top) << s;
      EXPECT_EQ(bpiTimes[s - 3], times[s]) << s;
    }
  }

  ScanStatsRecord stats[3];
  ASSERT_EQ(ai.getStats(1, stats), ZVRAW_OK);
  EXPECT_EQ(stats[2].PeaksInScan, 6u);
  EXPECT_EQ(stats[2].Rt, 1.0f);
  EXPECT_EQ(ai.getStats(1, nullptr), ZVRAW_NULLPOINTER_ERROR);
}

TEST_F(AccessInterface, ScansByTime) {
  write(twoFunctions());  // function 0: scans at 0.5, 0.75, ... 1.5 minutes
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  struct Case {
    float rt;
    int rc;
    unsigned scan;
  };
  for (const Case& c : {Case{0.5f, 0, 0}, Case{0.6f, 0, 0}, Case{0.625f, 0, 1}, Case{1.5f, 0, 4}, Case{0.49f, 18, 0},
                        Case{1.51f, 18, 0}}) {
    std::vector<float> m(4, -1), i(4, -1);
    EXPECT_EQ(ai.getScan(0, c.rt, m.data(), i.data()), c.rc) << c.rt;
    const float* pm = nullptr;
    const float* pi = nullptr;
    unsigned n = 0;
    EXPECT_EQ(ai.getScan(0, c.rt, &pm, &pi, n), c.rc) << c.rt;
    if (c.rc != 0) continue;
    ASSERT_EQ(n, 4u);
    for (unsigned p = 0; p < 4; ++p) {
      EXPECT_EQ(m[p], fixtureMass(0, c.scan, p)) << c.rt;
      EXPECT_EQ(i[p], fixtureIntensity(0, c.scan, p)) << c.rt;
      EXPECT_EQ(pm[p], m[p]) << c.rt;
    }
  }
}

TEST_F(AccessInterface, AScanFoundButNotLoaded) {
  write(twoFunctions());
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(0, 0u, 1u, true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  float m[4], i[4];
  const float* pm = nullptr;
  const float* pi = nullptr;
  unsigned n = 0;
  EXPECT_EQ(ai.getScan(0, 1.25f, m, i), ZVRAW_RETENTIONTIME_INVALID);
  EXPECT_EQ(ai.getScan(0, 1.25f, &pm, &pi, n), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(ai.getScan(0, 0.75f, m, i), ZVRAW_OK);
  EXPECT_EQ(m[3], fixtureMass(0, 1, 3));

  // A load that stopped early: the element it did not reach hands out no
  // points through the pointer form and is refused by the copying forms.
  const Bytes dat = readFile(raw() / RawDirectoryFixture::dataName(0));
  writeFile(raw() / RawDirectoryFixture::dataName(0), Bytes(dat.begin(), dat.begin() + 4 * 8 * 4));
  EXPECT_EQ(cluster.loadData(0, 0u, 4u, true, false), ZVRAW_SCANREAD_EOFERROR);
  EXPECT_EQ(cluster.getState(), ZVRawDataCluster_LOADED);
  EXPECT_EQ(ai.getScan(0, 4u, &pm, &pi, n), ZVRAW_OK);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(ai.getScan(0, 4u, m, i), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(ai.getScan(0, 1.5f, m, i), ZVRAW_RETENTIONTIME_INVALID);
  EXPECT_EQ(ai.getScan(0, 3u, m, i), ZVRAW_OK);
}

TEST_F(AccessInterface, FlagsAndAccurateMassArrays) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 2, .peaks = 3}).function({.format = 13, .scans = 2, .peaks = 3});
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  const char* flags = nullptr;
  unsigned n = 0;
  bool error = true;
  EXPECT_EQ(ai.getScanFlags(0, 1, &flags, n), ZVRAW_DATACLUSTER_NOTLOADED);  // from the function data
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  ASSERT_EQ(ai.getScanFlags(0, 1, &flags, n), ZVRAW_OK);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(flags[2], 0);
  EXPECT_EQ(ai.getScanFlags(0, 2, &flags, n), ZVRAW_SCANNUM_INVALID);
  ASSERT_EQ(ai.getAccMassScanFlags(1, 0, &flags, n), ZVRAW_OK);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(ai.errorScan(0, 1, error), ZVRAW_OK);
  EXPECT_FALSE(error);
  const float *m = nullptr, *i = nullptr, *dm = nullptr, *di = nullptr;
  ASSERT_EQ(ai.getScan(1, 1u, &m, &i, &dm, &di, n), ZVRAW_OK);
  EXPECT_EQ(n, 3u);
  EXPECT_NE(dm, nullptr);
  EXPECT_EQ(m[1], fixtureMass(1, 1, 1));
}

TEST_F(AccessInterface, DaughterMassesAreEmptiedOnEveryFailure) {
  RawDirectoryFixture fx;
  fx.function({.type = 9, .format = 2, .scans = 3, .peaks = 3, .segments = {{300, 70}, {100, 50}, {200, 60}}});
  fx.function({.format = 12, .scans = 2, .peaks = 2});
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  const float garbage = 1;
  const float* masses = &garbage;
  unsigned n = 99;
  const auto expectEmpty = [&](int rc, int expected, const char* what) {
    EXPECT_EQ(rc, expected) << what;
    EXPECT_EQ(masses, nullptr) << what;
    EXPECT_EQ(n, 0u) << what;
    masses = &garbage, n = 99;
  };
  expectEmpty(ai.getDaughterMasses(0, 0, &masses, n), ZVRAW_DATACLUSTER_NOTLOADED, "nothing loaded");
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  expectEmpty(ai.getDaughterMasses(2, 0, &masses, n), ZVRAW_FUNCNUM_INVALID, "bad function");
  expectEmpty(ai.getDaughterMasses(1, 0, &masses, n), ZVRAW_FUNCTIONTYPE_INVALID, "not an MRM type");
  expectEmpty(ai.getDaughterMasses(0, 3, &masses, n), ZVRAW_SCANNUM_INVALID, "scan outside");
  EXPECT_EQ(ai.getDaughterMasses(0, 1, nullptr, n), ZVRAW_NULLPOINTER_ERROR);

  ASSERT_EQ(ai.getDaughterMasses(0, 1, &masses, n), ZVRAW_OK);
  ASSERT_EQ(n, 3u);
  // The peaks are kept in mass order, each with its own daughter.
  EXPECT_EQ(masses[0], 50.0f);
  EXPECT_EQ(masses[1], 60.0f);
  EXPECT_EQ(masses[2], 70.0f);
}

TEST_F(AccessInterface, AnalogChannels) {
  RawDirectoryFixture fx = twoFunctions();
  fx.analogChannels(2, 5);
  write(fx);
  fs::remove(raw() / "_CHRO002.DAT");
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  const float *times = nullptr, *values = nullptr;
  ASSERT_EQ(ai.getAnalogChannelData(0, times, values), ZVRAW_OK);  // no load needed
  EXPECT_EQ(times[4], 0.4f);
  EXPECT_EQ(values[4], 32.0f);
  EXPECT_EQ(ai.getAnalogChannelData(1, times, values), ZVRAW_DATA_NULL);
  EXPECT_EQ(times, nullptr);
  EXPECT_EQ(ai.getAnalogChannelData(2, times, values), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(AccessInterface, LockMassCorrectionAtTheScansTime) {
  write(twoFunctions());
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  float gain = -1;
  EXPECT_EQ(ai.getLockMassCorrection(0, 1, gain), ZVRAW_ERROR);  // no table
  EXPECT_EQ(gain, -1.0f);
  auto* table = new ZVRawExternalLumavent;
  table->add(0.5f, 1.0f);
  table->add(1.5f, 2.0f);
  ASSERT_EQ(cluster.setExternalLumavent(table), ZVRAW_OK);
  ASSERT_EQ(ai.getLockMassCorrection(0, 2, gain), ZVRAW_OK);  // 1.0 minutes: halfway
  EXPECT_FLOAT_EQ(gain, 1.5f);
  EXPECT_EQ(ai.getLockMassCorrection(0, 5, gain), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(ai.getLockMassCorrection(2, 0, gain), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(AccessInterface, ExtendedStatistics) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 2});
  fx.function(0).stats = {{kLockMassCorrectionField, kFloatField, [](unsigned s) { return 1.0 + s; }}};
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  std::unique_ptr<ExtendedStatsRecord[]> fields;
  int count = 0;
  ASSERT_EQ(ai.getExtendedStatsFields(0, fields, count), ZVRAW_OK);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(fields[0].Code, kLockMassCorrectionField);
  std::unique_ptr<const ZVRawExtStatsRecord*[]> records;
  ASSERT_EQ(ai.getExtendedStats(0, records), ZVRAW_OK);
  EXPECT_EQ(records[2]->m_fLockMassCorrection, 3.0f);
}

// The interface reaches the cluster's record on every call, so it follows a
// re-open onto another directory, and keeps the implementation it was made
// on alive.
TEST_F(AccessInterface, FollowsTheClusterItWasMadeOn) {
  write(twoFunctions());
  const fs::path other = dir() / "run2.raw";
  fs::create_directories(other);
  RawDirectoryFixture fx;
  fx.function({.format = 9, .scans = 7, .peaks = 2});
  fx.write(other);

  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  ASSERT_EQ(cluster.Initialise(other.string().c_str()), ZVRAW_OK);
  std::vector<float> tic(7), times(7);
  ASSERT_EQ(ai.getTICChromatogram(0, tic.data(), times.data()), ZVRAW_OK);
  EXPECT_EQ(tic[6], fixtureIntensity(0, 6, 0) + fixtureIntensity(0, 6, 1));
  EXPECT_EQ(ai.getTICChromatogram(1, tic.data(), times.data()), ZVRAW_FUNCNUM_INVALID);
  float m[2], i[2];
  EXPECT_EQ(ai.getScan(0, 6u, m, i), ZVRAW_DATACLUSTER_NOTLOADED);
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  ASSERT_EQ(ai.getScan(0, 6u, m, i), ZVRAW_OK);
  EXPECT_EQ(m[1], fixtureMass(0, 6, 1));

  // Copies and assignments share one implementation; the cluster's lives on.
  std::unique_ptr<ZVRawAccessInterface> kept;
  {
    ZVRawDataCluster second(rawPath().c_str(), true, 1, false);
    ZVRawAccessInterface onSecond(second);
    kept = std::make_unique<ZVRawAccessInterface>(ai);
    *kept = onSecond;
  }
  float m4[4], i4[4];
  ASSERT_EQ(kept->getScan(0, 4u, m4, i4), ZVRAW_OK);
  EXPECT_EQ(m4[3], fixtureMass(0, 4, 3));
}

}  // namespace
