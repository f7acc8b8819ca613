// Mass and MRM chromatograms through the read interface: the window rule for
// sorted and unsorted data, the three forms, the range form over scans that
// are not loaded, the lock-mass gain, and damaged directories.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "cluster/ClusterTestSupport.h"
#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "support/Corruption.h"
#include "support/TraceCapture.h"

namespace fs = std::filesystem;
using borealtek_calibrate_version_1::FunctionCalibration;

namespace {

constexpr float kGuard = -12345.0f;

class MassChromatogram : public ClusterTest {
 protected:
  [[nodiscard]] ZVRawDataCluster openHandle() const { return ZVRawDataCluster(rawPath().c_str(), true, 0, false); }
};

// Arrays of n values followed by guard values that nothing may overwrite.
struct Guarded {
  explicit Guarded(std::size_t n) : count(n), values(n + 4, kGuard), times(n + 4, kGuard) {}
  void expectGuardsIntact() const {
    for (std::size_t k = count; k < values.size(); ++k) {
      EXPECT_EQ(values[k], kGuard) << "value past the end at " << k;
      EXPECT_EQ(times[k], kGuard) << "time past the end at " << k;
    }
  }
  std::size_t count;
  std::vector<float> values, times;
};

// Intensity-only MRM functions take their masses from their segments.
FixtureFunction unsortedFunction(std::uint16_t format) {
  return {.type = 9, .format = format, .scans = 3, .peaks = 3, .segments = {{200, 20}, {300, 30}, {250, 25}}};
}

TEST_F(MassChromatogram, TheWindowRuleInSinglePrecision) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 4}).function(unsortedFunction(2)).function(unsortedFunction(11));
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  std::vector<float> v(3), t(3);

  // Sorted data: with no width both bisections meet, whatever the mass.
  ASSERT_EQ(ai.getMassChromatogram(0, fixtureMass(0, 1, 2), v.data(), t.data(), 0.0f, false), ZVRAW_OK);
  EXPECT_EQ(v, std::vector<float>(3, 0.0f));
  EXPECT_EQ(t[2], 1.0f);
  // Sorted data: masses above the lower bound up to the upper one: (100, 120].
  ASSERT_EQ(ai.getMassChromatogram(0, 105.0f, 115.0f, v.data(), nullptr, 10.0f, false), ZVRAW_OK);
  EXPECT_EQ(v[0], fixtureIntensity(0, 0, 1) + fixtureIntensity(0, 0, 2));

  for (unsigned f : {1u, 2u}) {
    SCOPED_TRACE(f);
    // Exact matches only, when the window has no width.
    ASSERT_EQ(ai.getMassChromatogram(f, 250.0f, v.data(), t.data(), 0.0f, false), ZVRAW_OK);
    for (unsigned s = 0; s < 3; ++s) EXPECT_EQ(v[s], fixtureIntensity(f, s, 2)) << s;
    // Both ends of the window are included: [200, 300].
    ASSERT_EQ(ai.getMassChromatogram(f, 250.0f, v.data(), t.data(), 100.0f, false), ZVRAW_OK);
    const float all = fixtureIntensity(f, 1, 0) + fixtureIntensity(f, 1, 1) + fixtureIntensity(f, 1, 2);
    EXPECT_EQ(v[1], all);
    // Daughter masses instead of masses.
    ASSERT_EQ(ai.getMassChromatogram(f, 30.0f, v.data(), t.data(), 0.0f, true), ZVRAW_OK);
    EXPECT_EQ(v[2], fixtureIntensity(f, 2, 1));
    // A negative window whose bounds cross sums nothing.
    ASSERT_EQ(ai.getMassChromatogram(f, 250.0f, v.data(), t.data(), -300.0f, false), ZVRAW_OK);
    EXPECT_EQ(v, std::vector<float>(3, 0.0f));
  }
  ASSERT_EQ(ai.getMassChromatogram(0, 250.0f, v.data(), t.data(), -300.0f, false), ZVRAW_OK);
  EXPECT_EQ(v, std::vector<float>(3, 0.0f));
  // Scans without daughter masses cannot answer for them.
  EXPECT_EQ(ai.getMassChromatogram(0, 110.0f, v.data(), t.data(), 1.0f, true), ZVRAW_SCANREAD_ERROR);
  EXPECT_EQ(ai.getMassChromatogram(0, 110.0f, v.data(), t.data(), 1.0f, false), ZVRAW_OK);
  EXPECT_EQ(ai.getMassChromatogram(0, 110.0f, nullptr, t.data(), 1.0f, false), ZVRAW_NULLPOINTER_ERROR);
}

TEST_F(MassChromatogram, FormsOneAndTwoNeedTheLoadedState) {
  write(twoFunctions());
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  std::vector<float> v(5), t(5);
  EXPECT_EQ(ai.getMassChromatogram(0, 100.0f, 101.0f, v.data(), t.data(), 1.0f, false), ZVRAW_ERROR);
  EXPECT_EQ(ai.getMassChromatogram(0, 100.0f, v.data(), t.data(), 1.0f, false), ZVRAW_DATACLUSTER_NOTLOADED);
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  EXPECT_EQ(ai.getMassChromatogram(2, 100.0f, 101.0f, v.data(), t.data(), 1.0f, false), ZVRAW_ERROR);
  EXPECT_EQ(ai.getMassChromatogram(2, 100.0f, v.data(), t.data(), 1.0f, false), ZVRAW_FUNCNUM_INVALID);
  ASSERT_EQ(ai.getMassChromatogram(0, 100.0f, 101.0f, v.data(), t.data(), 1.0f, false), ZVRAW_OK);
  EXPECT_EQ(v[4], fixtureIntensity(0, 4, 0));
}

TEST_F(MassChromatogram, MRMChromatograms) {
  RawDirectoryFixture fx;
  fx.function({.type = 9, .format = 2, .scans = 4, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}});
  fx.function({.type = 9, .format = 2, .scans = 0, .peaks = 3});
  fx.function({.format = 12, .scans = 2, .peaks = 3});
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  Guarded g(4);
  ASSERT_EQ(ai.getMRMChromatogram(0, 1, g.values.data(), g.times.data()), ZVRAW_OK);
  for (unsigned s = 0; s < 4; ++s) {
    EXPECT_EQ(g.values[s], fixtureIntensity(0, s, 1)) << s;
    EXPECT_EQ(g.times[s], fixtureRT(fx.function(0), s)) << s;
  }
  g.expectGuardsIntact();
  ASSERT_EQ(ai.getMRMChromatogram(0, 2, g.values.data(), nullptr), ZVRAW_OK);
  EXPECT_EQ(g.values[3], fixtureIntensity(0, 3, 2));

  EXPECT_EQ(ai.getMRMChromatogram(0, 3, g.values.data(), g.times.data()), ZVRAW_SEGMENT_INVALID);
  Guarded none(1);
  EXPECT_EQ(ai.getMRMChromatogram(1, 0, none.values.data(), none.times.data()), ZVRAW_OK);
  EXPECT_EQ(none.values[0], kGuard);
  EXPECT_EQ(none.times[0], kGuard);
  EXPECT_EQ(ai.getMRMChromatogram(2, 0, g.values.data(), g.times.data()), ZVRAW_FUNCTIONTYPE_INVALID);
}

// A scan that lost its last transition contributes nothing for it.
TEST_F(MassChromatogram, MRMScanWithFewerPointsThanScanZero) {
  RawDirectoryFixture fx;
  fx.function({.type = 9, .format = 11, .scans = 3, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}});
  write(fx);
  // Scan 2 keeps two of its three points (its index record says so).
  Bytes idx = readFile(raw() / RawDirectoryFixture::indexName(0));
  ZVRawFunctionScanIndexImp record;
  const auto third = std::span(idx).subspan(2 * kScanIndexRecordSize, kScanIndexRecordSize);
  (void)record.extractScanIndex(third, 11, false);  // format 11 stores no base peak
  record.peaksInScan() = 2;
  (void)record.packScanIndex(third, 11, false);
  writeFile(raw() / RawDirectoryFixture::indexName(0), idx);
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  Guarded g(3);
  ASSERT_EQ(ai.getMRMChromatogram(0, 2, g.values.data(), g.times.data()), ZVRAW_OK);
  EXPECT_EQ(g.values[1], fixtureIntensity(0, 1, 2));
  EXPECT_EQ(g.values[2], 0.0f);
  EXPECT_EQ(g.times[2], 1.0f);
  g.expectGuardsIntact();
}

// ---- the range form ----

class RangeForm : public MassChromatogram {
 protected:
  static constexpr unsigned kScans = 1203;
  static constexpr float kMass = 241.0f, kWindow = 30.0f;

  // Stored masses m calibrate to 1 + 2m, and the index says they still need it.
  void SetUp() override {
    MassChromatogram::SetUp();
    FunctionCalibration line;
    line.setCalibration(1.0, 2.0, 0);
    RawDirectoryFixture fx;
    fx.function({.format = 9, .scans = 2, .peaks = 2});
    fx.function({.format = 12, .scans = kScans, .peaks = 4, .calibrated = false, .calibration = line});
    write(fx);
    // The answer: a calibrating load of every scan, summed over loaded scans.
    ZVRawDataCluster reference = openHandle();
    ASSERT_EQ(reference.loadData(true, false), ZVRAW_OK);
    expected.assign(kScans, 0);
    expectedTimes.assign(kScans, 0);
    ASSERT_EQ(ZVRawAccessInterface(reference).getMassChromatogram(1, kMass, expected.data(), expectedTimes.data(),
                                                                  kWindow, false),
              ZVRAW_OK);
    // The window catches a different number of peaks from scan to scan.
    EXPECT_NE(expected[0], expected[15]);
    EXPECT_GT(expected[0], 0.0f);
  }

  void expectRange(const ZVRawAccessInterface& ai, unsigned start, unsigned end, const std::string& percents) {
    SCOPED_TRACE(std::to_string(start) + ".." + std::to_string(end));
    Guarded g(end - start + 1);
    const TraceCapture trace;
    const int rc = ai.getMassChromatogram(1, kMass, start, end, g.values.data(), g.times.data(), kWindow, false);
    EXPECT_EQ(trace.text(), percents);
    ASSERT_EQ(rc, ZVRAW_OK);
    for (unsigned s = start; s <= end; ++s) {
      ASSERT_EQ(g.values[s - start], expected[s]) << s;
      ASSERT_EQ(g.times[s - start], expectedTimes[s]) << s;
    }
    g.expectGuardsIntact();
  }

  std::vector<float> expected, expectedTimes;
};

TEST_F(RangeForm, WhollyLoaded) {
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  expectRange(ai, 100, 1150, "");
  expectRange(ai, 1202, 1202, "");
  expectRange(ai, 0, 0, "");
}

TEST_F(RangeForm, PartlyLoaded) {
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(1, 0u, 599u, true, false), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  expectRange(ai, 100, 1202, "Percent = 8\nPercent = 49\nPercent = 91\n");
  expectRange(ai, 7, 1202, "");  // no block begins at a multiple of 100
  // The loaded scans stay as they were.
  unsigned first = 0, last = 0;
  ASSERT_EQ(cluster.getLoadedScanRange(1, first, last), ZVRAW_OK);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(last, 599u);
}

TEST_F(RangeForm, NotLoadedAtAll) {
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  expectRange(ai, 0, 1202, "Percent = 0\nPercent = 41\nPercent = 83\n");
  expectRange(ai, 0, 0, "");  // nEndScan 0: no percentage to give
  expectRange(ai, 1000, 1001, "Percent = 99\n");
  EXPECT_EQ(cluster.getState(), ZVRawDataCluster_UNLOADED);

  // Another function loaded only: this one holds no scans at all.
  ASSERT_EQ(cluster.loadData(0, 0u, 1u, true, false), ZVRAW_OK);
  expectRange(ai, 500, 700, "Percent = 71\n");
}

TEST_F(RangeForm, RangesThatCannotBeRead) {
  ZVRawDataCluster cluster = openHandle();
  const ZVRawAccessInterface ai(cluster);
  std::vector<float> v(4, kGuard), t(4, kGuard);
  EXPECT_EQ(ai.getMassChromatogram(1, kMass, 5, 4, v.data(), t.data(), kWindow, false), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(ai.getMassChromatogram(1, kMass, 0, 3, nullptr, t.data(), kWindow, false), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(ai.getMassChromatogram(2, kMass, 0, 3, v.data(), t.data(), kWindow, false), ZVRAW_FUNCNUM_INVALID);
  // A range past the last scan: the first block that cannot be read whole says so.
  std::vector<float> many(100, kGuard), manyTimes(100, kGuard);
  EXPECT_EQ(ai.getMassChromatogram(1, kMass, 1200, 1299, many.data(), manyTimes.data(), kWindow, false),
            ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(ai.getMassChromatogram(1, kMass, 1203, 1203, v.data(), t.data(), kWindow, false), ZVRAW_SCANNUM_INVALID);
  // Only the time array may be left out.
  ASSERT_EQ(ai.getMassChromatogram(1, kMass, 3, 4, v.data(), nullptr, kWindow, false), ZVRAW_OK);
  EXPECT_EQ(v[1], expected[4]);
}

// ---- the lock-mass gain ----

TEST_F(MassChromatogram, OnlyTheRangeFormDividesTheCentreByTheGain) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 4});  // scan 0: 100, 110, 120, 130
  write(fx);
  ZVRawDataCluster cluster = openHandle();
  ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
  auto* table = new ZVRawExternalLumavent;
  table->add(0.0f, 1.0001f);
  table->add(10.0f, 1.0001f);
  ASSERT_EQ(cluster.setExternalLumavent(table), ZVRAW_OK);
  const ZVRawAccessInterface ai(cluster);
  const float gain = 1.0001f;
  std::vector<float> v(3), t(3);

  // The centre: 110 x gain comes back to 110, the peak at 110 is inside.
  const float onPeak = 110.0f * gain;
  ASSERT_EQ(ai.getMassChromatogram(0, onPeak, 0, 0, v.data(), t.data(), 0.004f, false), ZVRAW_OK);
  EXPECT_EQ(v[0], fixtureIntensity(0, 0, 1));
  ASSERT_EQ(ai.getMassChromatogram(0, onPeak, v.data(), t.data(), 0.004f, false), ZVRAW_OK);
  EXPECT_EQ(v[0], 0.0f);
  ASSERT_EQ(ai.getMassChromatogram(0, onPeak, onPeak, v.data(), t.data(), 0.004f, false), ZVRAW_OK);
  EXPECT_EQ(v[0], 0.0f);

  // The width stays: a centre of 20.005 reaches 120.005 and keeps the peak
  // at 120, which a width divided by the gain (to 119.995) would lose.
  ASSERT_EQ(ai.getMassChromatogram(0, 20.005f * gain, 0, 0, v.data(), t.data(), 200.0f, false), ZVRAW_OK);
  EXPECT_EQ(v[0], fixtureIntensity(0, 0, 0) + fixtureIntensity(0, 0, 1) + fixtureIntensity(0, 0, 2));
}

TEST_F(MassChromatogram, AGainThatCannotDivideLeavesTheCentre) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 2, .peaks = 4});
  write(fx);
  for (float bad : {0.0f, -2.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    SCOPED_TRACE(bad);
    ZVRawDataCluster cluster = openHandle();
    ASSERT_EQ(cluster.loadData(true, false), ZVRAW_OK);
    auto* table = new ZVRawExternalLumavent;
    table->add(0.0f, bad);
    ASSERT_EQ(cluster.setExternalLumavent(table), ZVRAW_OK);
    const ZVRawAccessInterface ai(cluster);
    std::vector<float> v(2, kGuard), t(2);
    ASSERT_EQ(ai.getMassChromatogram(0, 110.0f, 0, 1, v.data(), t.data(), 0.5f, false), ZVRAW_OK);
    EXPECT_EQ(v[0], fixtureIntensity(0, 0, 1));
    EXPECT_EQ(v[1], fixtureIntensity(0, 1, 1));
  }
}

// ---- damaged directories ----

// Opens, loads everything, and asks every chromatogram of every function.
int chromatogramsOfEverything(const std::string& path) {
  ZVRawDataCluster cluster(path.c_str(), true, 0, false);
  const int rc = cluster.getInitialiseResult();
  (void)cluster.loadData(true, false);
  const ZVRawAccessInterface ai(cluster);
  unsigned count = 0;
  (void)cluster.getFunctionCount(count);
  for (unsigned f = 0; f <= count; ++f) {
    unsigned scans = 0;
    (void)cluster.getTotalScans(f, scans);
    // Room for every indexed scan, at least one.
    std::vector<float> v(scans + 1), t(scans + 1);
    (void)ai.getMassChromatogram(f, 100.0f, 200.0f, v.data(), t.data(), 1.0f, false);
    (void)ai.getMassChromatogram(f, 110.0f, v.data(), t.data(), 1.0f, true);
    (void)ai.getMassChromatogram(f, 110.0f, v.data(), t.data(), 50.0f, false);
    if (scans > 0) (void)ai.getMassChromatogram(f, 110.0f, 0, scans - 1, v.data(), t.data(), 10.0f, false);
    (void)ai.getMRMChromatogram(f, 0, v.data(), t.data());
    (void)ai.getTICChromatogram(f, v.data(), t.data());
    (void)ai.getBPIChromatogram(f, v.data(), t.data());
  }
  return rc;
}

TEST_F(MassChromatogram, DamagedDirectoriesGiveCodes) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 3})
      .function({.type = 9, .format = 2, .scans = 2, .peaks = 2, .segments = {{100, 10}, {200, 20}}})
      .function({.type = 18, .format = 13, .extended = true, .scans = 2, .peaks = 2});
  fx.function(0).stats = {{kLockMassCorrectionField, kFloatField, [](unsigned) { return 1.0; }}};
  fx.lockMassGain({{0.0f, 1.0f}});
  write(fx);
  for (const std::string name : {"_functns.inf", "_func001.idx", "_func002.idx", "_func003.idx", "_func001.dat",
                                 "_func002.dat", "_func003.dat", "_func001.sts", "_header.txt", "lmgt.inf"}) {
    SCOPED_TRACE(name);
    const fs::path file = raw() / name;
    const Bytes valid = readFile(file);
    const ReaderCall read = [&](const Bytes& damaged) {
      writeFile(file, damaged);
      return chromatogramsOfEverything(rawPath());
    };
    expectRejectsTruncations(valid, read, [](std::size_t) { return true; });
    expectSurvivesCorruptions(valid, read, 0xC4u, 40);
    writeFile(file, valid);
  }
}

// ---- joining arrays ----

TEST(AppendArrays, JoinsIntoOneNewBlock) {
  void* target = nullptr;
  const int first[] = {1, 2, 3}, second[] = {4, 5};
  EXPECT_EQ(appendArrays(&target, 0, first, 0, sizeof(int)), 0u);  // nothing to add: untouched
  EXPECT_EQ(target, nullptr);
  ASSERT_EQ(appendArrays(&target, 0, first, 3, sizeof(int)), 3u);
  ASSERT_EQ(appendArrays(&target, 3, second, 2, sizeof(int)), 5u);
  void* before = target;
  EXPECT_EQ(appendArrays(&target, 5, second, 0, sizeof(int)), 5u);
  EXPECT_EQ(target, before);
  const int* joined = static_cast<const int*>(target);
  EXPECT_EQ(std::vector<int>(joined, joined + 5), (std::vector<int>{1, 2, 3, 4, 5}));
  // A block too large to count is refused with the target as it was.
  EXPECT_EQ(appendArrays(&target, 5, second, 0xFFFFFFFFu, sizeof(int)), 5u);
  EXPECT_EQ(target, before);
  EXPECT_EQ(appendArrays(nullptr, 5, second, 2, sizeof(int)), 5u);
  std::free(target);
}

}  // namespace
