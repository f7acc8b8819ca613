// Loading scans: the state after every kind of load, progress and abort,
// cut-offs, the live re-read and the derived queries.

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <filesystem>
#include <thread>

#include "cluster/ClusterTestSupport.h"
#include "cluster/ZVRawScanManagerImp.h"

namespace fs = std::filesystem;

namespace {

using State = ZVRawDataClusterState;
using borealtek_calibrate_version_1::CALTYPE_ROOTMASS;
using borealtek_calibrate_version_1::FunctionCalibration;

class ClusterLoad : public ClusterTest {};

unsigned loadedScans(const ZVRawDataClusterImp& c, unsigned f) {
  unsigned n = 0;
  (void)c.getFunctionData(f)->getLoadedScanCount(n);
  return n;
}

// ---- the load of every function ----

TEST_F(ClusterLoad, AllFunctions) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx);
  auto c = open();
  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  for (unsigned f = 0; f < 2; ++f)
    for (unsigned s = 0; s < fx.function(f).scans; ++s) expectFixtureScan(*c, f, s, fx.function(f).peaks);
  float percent = 0;
  EXPECT_EQ(c->getPercentLoaded(percent), ZVRAW_OK);
  EXPECT_EQ(percent, 100.0f);
  EXPECT_EQ(c->resetPercentLoaded(), ZVRAW_OK);
  EXPECT_EQ(c->getPercentLoaded(percent), ZVRAW_OK);
  EXPECT_EQ(percent, 0.0f);

  // A second load rebuilds the function data: cut-offs back to none.
  ASSERT_EQ(c->setMassCutOff(0, 115.0f, 500.0f), ZVRAW_OK);
  const auto* before = c->getFunctionData(0);
  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);
  EXPECT_NE(c->getFunctionData(0), before);
  float low = 1, high = 1;
  ASSERT_TRUE(c->getMassCutOff(0, low, high));
  EXPECT_EQ(low, 0.0f);
  EXPECT_EQ(high, -1.0f);
  expectFixtureScan(*c, 0, 4, fx.function(0).peaks);
}

TEST_F(ClusterLoad, AllFunctionsRefusedOrFailing) {
  write(twoFunctions());
  fs::remove(raw() / "_header.txt");
  auto failed = open();
  EXPECT_EQ(failed->loadData(true, false), ZVRAW_DATACLUSTER_NOTLOADED);
  EXPECT_EQ(failed->getState(), ZVRawDataCluster_UNINITIALISED);

  fs::remove_all(raw());
  write(twoFunctions());
  auto c = open();
  fs::remove(raw() / RawDirectoryFixture::dataName(1));  // after the open, which counts its scans
  EXPECT_EQ(c->loadData(true, false), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_UNLOADED);
  EXPECT_EQ(loadedScans(*c, 0), 5u);  // loaded before the failure, kept
}

// The data file kept open between one-scan loads answers as a reopen would:
// a file replaced under the cluster is read anew, a deleted one gives 5, a
// file in another spelling of the name is found, and more functions than
// the files held still load.
TEST_F(ClusterLoad, KeptOpenDataFilesAnswerAsAReopen) {
  RawDirectoryFixture fx;
  for (int f = 0; f < 10; ++f) fx.function({.format = 12, .scans = 5, .peaks = 4});
  write(fx);
  auto c = open();
  const auto firstMass = [&](unsigned f, unsigned s) {
    const float *m = nullptr, *in = nullptr;
    unsigned n = 0;
    return c->getFunctionData(f)->getScan(s, &m, &in, n) == ZVRAW_OK && n > 0 ? m[0] : -1.0f;
  };
  for (unsigned round = 0; round < 2; ++round)
    for (unsigned f = 0; f < 10; ++f) {
      ASSERT_EQ(c->loadData(f, 2u, 2u, true, false), ZVRAW_OK) << f;
      EXPECT_EQ(firstMass(f, 2), fixtureMass(f, 2, 0)) << f;
    }

  // Function 1's bytes take function 0's place under a new inode.
  const fs::path dat0 = raw() / RawDirectoryFixture::dataName(0);
  fs::copy_file(raw() / RawDirectoryFixture::dataName(1), raw() / "replacement");
  fs::rename(raw() / "replacement", dat0);
  ASSERT_EQ(c->loadData(0, 2u, 2u, true, false), ZVRAW_OK);
  EXPECT_EQ(firstMass(0, 2), fixtureMass(1, 2, 0));

  std::string upper = RawDirectoryFixture::dataName(0);
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  fs::rename(dat0, raw() / upper);
  ASSERT_EQ(c->loadData(0, 3u, 3u, true, false), ZVRAW_OK);
  EXPECT_EQ(firstMass(0, 3), fixtureMass(1, 3, 0));

  fs::remove(raw() / upper);
  EXPECT_EQ(c->loadData(0, 3u, 3u, true, false), ZVRAW_FILEOPEN_ERROR);
  ASSERT_EQ(c->loadData(9, 1u, 1u, true, false), ZVRAW_OK);  // the other files still read
  EXPECT_EQ(firstMass(9, 1), fixtureMass(9, 1, 0));
}

TEST_F(ClusterLoad, EmptyClusterHasNothingToLoad) {
  ZVRawDataClusterImp empty;
  EXPECT_EQ(empty.loadData(true, false), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(empty.getState(), ZVRawDataCluster_UNLOADED);
  float percent = -1;
  EXPECT_EQ(empty.getPercentLoaded(percent), ZVRAW_OK);
  EXPECT_EQ(percent, 0.0f);
  EXPECT_EQ(empty.loadData(0, 0u, 0u, true, false), ZVRAW_FUNCNUM_INVALID);
}

// ---- the load of one function ----

TEST_F(ClusterLoad, OneFunctionByScanRange) {
  RawDirectoryFixture fx;
  fx.function({.scans = 12, .peaks = 3}).function({.scans = 15, .peaks = 2});
  write(fx);
  auto c = open();
  // Unloaded: only this function's scans afterwards, and the cluster loaded.
  ASSERT_EQ(c->loadData(1, 2u, 4u, true, false), ZVRAW_OK);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  unsigned start = 0, end = 0;
  EXPECT_EQ(c->getLoadedScanRange(1, start, end), ZVRAW_OK);
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 4u);
  EXPECT_EQ(c->getLoadedScanRange(0, start, end), ZVRAW_FUNCTION_NOTLOADED);

  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);
  // Scans 0 to 9 of function 1 replace its scans; function 0 keeps its own.
  ASSERT_EQ(c->loadData(1, 0u, 9u, true, false), ZVRAW_OK);
  EXPECT_EQ(loadedScans(*c, 0), 12u);
  EXPECT_EQ(loadedScans(*c, 1), 10u);
  expectFixtureScan(*c, 1, 9, 2);
  expectFixtureScan(*c, 0, 11, 3);

  // A start past the last scan fails and restores the entry state.
  EXPECT_EQ(c->loadData(1, 15u, 20u, true, false), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  EXPECT_EQ(c->loadData(1, 5u, 3u, true, false), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  EXPECT_EQ(c->loadData(2, 0u, 0u, true, false), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(ClusterLoad, OneFunctionByTimeRange) {
  RawDirectoryFixture fx;
  fx.function({.scans = 10, .peaks = 2, .rtStart = 1.0f, .rtStep = 0.5f});
  write(fx);
  auto c = open();
  ASSERT_EQ(c->loadData(0, 2.0f, 3.0f, true, false), ZVRAW_OK);  // scans 2 to 4
  unsigned start = 0, end = 0;
  ASSERT_EQ(c->getLoadedScanRange(0, start, end), ZVRAW_OK);
  EXPECT_EQ(start, 2u);
  EXPECT_EQ(end, 4u);
  EXPECT_EQ(c->loadData(1, 2.0f, 3.0f, true, false), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(ClusterLoad, OneFunctionWithoutFunctionData) {
  write(twoFunctions());
  fs::remove(raw() / "_header.txt");
  auto failed = open();
  EXPECT_EQ(failed->loadData(0, 0u, 0u, true, false), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(failed->loadData(0, 0.0f, 9.0f, true, false), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(failed->getState(), ZVRawDataCluster_UNINITIALISED);
}

// ---- the load from a scan buffer ----

class ManagerLoad : public ClusterTest {
 protected:
  void SetUp() override {
    ClusterTest::SetUp();
    RawDirectoryFixture fx;
    fx.function({.scans = 10, .peaks = 3}).function({.scans = 4, .peaks = 2});
    write(fx);
    // The buffer holds scans 2 to 7 of function 0.
    auto source = open();
    ASSERT_EQ(source->loadData(0, 2u, 7u, true, false), ZVRAW_OK);
    std::shared_ptr<ZVRawScan[]> scans;
    unsigned start = 0, end = 0;
    ASSERT_EQ(source->getAllScans(0, scans, start, end), ZVRAW_OK);
    ASSERT_EQ(manager.moveScans(scans.get(), start, end), ZVRAW_OK);
  }
  ZVRawScanManagerImp manager;
};

TEST_F(ManagerLoad, StatesAfterEachOutcome) {
  auto c = open();
  ASSERT_EQ(c->loadData(0, 3u, 5u, &manager), ZVRAW_OK);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  expectFixtureScan(*c, 0, 4, 3);
  unsigned start = 0, end = 0;
  ASSERT_EQ(c->getLoadedScanRange(0, start, end), ZVRAW_OK);
  EXPECT_EQ(start, 3u);
  EXPECT_EQ(end, 5u);

  // Loaded: every function is rebuilt first; a range outside the buffer
  // fails and leaves the cluster unloaded.
  ASSERT_EQ(c->loadData(1, 0u, 3u, true, false), ZVRAW_OK);
  EXPECT_EQ(c->loadData(0, 1u, 5u, &manager), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_UNLOADED);
  EXPECT_EQ(c->getLoadedScanRange(1, start, end), ZVRAW_DATACLUSTER_NOTLOADED);
  EXPECT_EQ(loadedScans(*c, 1), 0u);

  EXPECT_EQ(c->loadData(2, 3u, 5u, &manager), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(c->loadData(0, 3u, 5u, nullptr), ZVRAW_NULLPOINTER_ERROR);
}

TEST_F(ManagerLoad, RefusedWithoutFunctionDataOrInAnotherState) {
  fs::remove(raw() / "_header.txt");
  auto failed = open();
  EXPECT_EQ(failed->loadData(0, 3u, 5u, &manager), ZVRAW_NULLPOINTER_ERROR);
  // Function data made for writing on a cluster whose open failed.
  ASSERT_EQ(failed->writeInitialise(2), ZVRAW_OK);
  EXPECT_EQ(failed->loadData(0, 3u, 5u, &manager), ZVRAW_DATACLUSTER_NOTLOADED);
  EXPECT_EQ(failed->getState(), ZVRawDataCluster_UNINITIALISED);
}

// ---- abort ----

// Another thread stops the load once it has begun. A load that finished
// before the request is simply run again.
TEST_F(ClusterLoad, AbortFromAnotherThread) {
  RawDirectoryFixture fx;
  fx.function({.scans = 3000, .peaks = 100}).function({.scans = 3000, .peaks = 100});
  write(fx);
  auto c = open();
  int rc = ZVRAW_OK;
  State entry = c->getState();
  for (int attempt = 0; attempt < 50 && rc != ZVRAW_DATALOAD_ABORTED; ++attempt) {
    ASSERT_EQ(rc, ZVRAW_OK);
    entry = c->getState();
    ASSERT_EQ(c->resetPercentLoaded(), ZVRAW_OK);
    std::atomic<bool> done{false};
    std::thread watcher([&] {
      float percent = 0;
      while (!done.load()) {
        (void)c->getPercentLoaded(percent);
        if (percent > 0) {
          (void)c->abortLoad();
          return;
        }
        std::this_thread::yield();
      }
    });
    rc = c->loadData(true, false);
    done.store(true);
    watcher.join();
  }
  ASSERT_EQ(rc, ZVRAW_DATALOAD_ABORTED);
  EXPECT_EQ(c->getState(), entry);
  // A late request never stops the next load.
  (void)c->abortLoad();
  EXPECT_EQ(c->loadData(true, false), ZVRAW_OK);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  EXPECT_EQ(loadedScans(*c, 1), 3000u);
}

TEST_F(ClusterLoad, AbortWithoutALoadDoesNothing) {
  write(twoFunctions());
  auto c = open();
  EXPECT_EQ(c->abortLoad(), ZVRAW_OK);
  EXPECT_EQ(c->loadData(true, false), ZVRAW_OK);
  EXPECT_EQ(loadedScans(*c, 0), 5u);
}

// ---- cut-offs ----

TEST_F(ClusterLoad, MassCutOffs) {
  RawDirectoryFixture fx;
  fx.function({.scans = 2, .peaks = 6, .lowMass = 80.0f, .highMass = 1234.0f});
  write(fx);
  auto c = open();
  ASSERT_EQ(c->setMassCutOff(0, 200.0f, -1.0f), ZVRAW_OK);  // the handle's setLowMassCutOff
  float low = 0, high = 0;
  ASSERT_TRUE(c->getMassCutOff(0, low, high));
  EXPECT_EQ(low, 200.0f);
  EXPECT_EQ(high, 1234.0f);  // the acquisition end of segment 0
  EXPECT_EQ(c->setMassCutOff(1, 1.0f, 2.0f), ZVRAW_FUNCNUM_INVALID);

  ASSERT_EQ(c->setMassCutOff(0, 125.0f, 135.0f), ZVRAW_OK);
  ASSERT_EQ(c->loadData(0, 0u, 1u, true, false), ZVRAW_OK);
  const float *m = nullptr, *i = nullptr;
  unsigned n = 0;
  ASSERT_EQ(c->getFunctionData(0)->getScan(0, &m, &i, n), ZVRAW_OK);
  ASSERT_GT(n, 0u);
  EXPECT_LT(n, 6u);
  EXPECT_GE(m[0], 125.0f);

  ZVRawDataClusterImp empty;
  EXPECT_EQ(empty.setMassCutOff(0, 1.0f, 2.0f), ZVRAW_NULLPOINTER_ERROR);
}

// ---- the live re-read ----

TEST_F(ClusterLoad, UpdateReadsTheScansWrittenSinceTheOpen) {
  RawDirectoryFixture fx = twoFunctions();
  for (unsigned f = 0; f < 2; ++f) fx.function(f).stats = {{kLockMassCorrectionField, kFloatField, nullptr}};
  write(fx);
  auto c = open();
  ASSERT_EQ(c->loadData(0, 1u, 3u, true, false), ZVRAW_OK);
  fx.grow(raw(), 0, 5, true);
  EXPECT_EQ(c->Update(), ZVRAW_OK);
  unsigned scans = 0, start = 0, end = 0, count = 0;
  ASSERT_EQ(c->getTotalScans(0, scans), ZVRAW_OK);
  EXPECT_EQ(scans, 10u);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  ASSERT_EQ(c->getLoadedScanRange(0, start, end), ZVRAW_OK);
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 3u);
  (void)c->getFunctionCount(count);
  EXPECT_EQ(count, 2u);
  expectFixtureScan(*c, 0, 2, 4);
  ASSERT_EQ(c->loadData(0, 8u, 9u, true, false), ZVRAW_OK);
  expectFixtureScan(*c, 0, 9, 4);

  // Statistics that stop short of the index lower a later function's scan
  // count to the records they hold.
  fx.grow(raw(), 1, 4, false);
  const fs::path sts = raw() / RawDirectoryFixture::statsName(1);
  fs::resize_file(sts, fs::file_size(sts) - 2 * 4);
  EXPECT_EQ(c->Update(), ZVRAW_FILEREAD_EOFERROR);
  ASSERT_EQ(c->getTotalScans(1, scans), ZVRAW_OK);
  EXPECT_EQ(scans, 5u);
}

// 46 without statistics files is reported, yet the cluster stays usable and
// keeps every scan of its later functions.
TEST_F(ClusterLoad, UpdateWithoutStatistics) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx);
  auto c = open();
  fx.grow(raw(), 1, 2, false);
  EXPECT_EQ(c->Update(), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  EXPECT_EQ(c->getInitialiseResult(), ZVRAW_OK);
  unsigned scans = 0;
  ASSERT_EQ(c->getTotalScans(1, scans), ZVRAW_OK);
  EXPECT_EQ(scans, 5u);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_UNLOADED);

  ZVRawDataClusterImp empty;
  EXPECT_EQ(empty.Update(), ZVRAW_DATACLUSTER_INVALID);
  EXPECT_EQ(empty.getInitialiseResult(), ZVRAW_DATACLUSTER_INVALID);
}

// ---- what the function data keep across a rebuild ----

TEST_F(ClusterLoad, RebuiltFunctionDataKeepTheGainTable) {
  RawDirectoryFixture fx;
  FunctionCalibration identity;  // sqrt-mass line through the origin: m -> m
  identity.setCalibration(0.0, 1.0, CALTYPE_ROOTMASS);
  fx.function({.scans = 3, .peaks = 3, .calibration = identity});
  write(fx);
  auto c = open();
  auto* table = new ZVRawExternalLumavent;
  table->add(0.0f, 4.0f);
  ASSERT_EQ(c->setExternalLumavent(table), ZVRAW_OK);
  ASSERT_EQ(c->loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*c, 0, 1, 3, 4.0f);
  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);  // loaded: rebuilt
  expectFixtureScan(*c, 0, 1, 3, 1.0f);           // a whole-function load takes no gain
  ASSERT_EQ(c->loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*c, 0, 1, 3, 4.0f);

  ASSERT_EQ(c->removeExternalLumavent(), ZVRAW_OK);
  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);
  ASSERT_EQ(c->loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*c, 0, 1, 3, 1.0f);
}

TEST_F(ClusterLoad, RebuiltFunctionDataKeepTheTemperatureSetting) {
  RawDirectoryFixture fx;
  fx.function({.scans = 3, .peaks = 2});
  fx.function(0).stats = {{kUseTempField, kCharField, [](unsigned) { return 1.0; }},
                          {kTempCorrectionField, kFloatField, [](unsigned) { return 30.0; }},
                          {kTempCoefficientField, kFloatField, [](unsigned) { return 100.0; }}};
  write(fx);
  auto c = open();
  float correction = 0;
  ASSERT_EQ(c->getMeanTemperatureCorrection(0, 0, 2, correction), ZVRAW_OK);
  EXPECT_NEAR(correction, 1.0f - 30.0f * 100e-6f, 1e-6);
  ASSERT_EQ(c->setUseTemperatureCorrection(false), ZVRAW_OK);
  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);
  ASSERT_EQ(c->loadData(true, false), ZVRAW_OK);  // rebuilt
  ASSERT_EQ(c->getMeanTemperatureCorrection(0, 0, 2, correction), ZVRAW_OK);
  EXPECT_EQ(correction, 1.0f);
}

// ---- queries ----

TEST_F(ClusterLoad, ScanRangeChecks) {
  write(twoFunctions());
  auto c = open();
  struct Case {
    unsigned f, start, end;
    int expected;
  };
  for (const Case& k :
       {Case{0, 0, 4, ZVRAW_OK}, Case{0, 5, 4, ZVRAW_SCANRANGE_INVALID}, Case{0, 0, 5, ZVRAW_SCANRANGE_INVALID},
        Case{1, 2, 2, ZVRAW_OK}, Case{2, 0, 0, ZVRAW_FUNCNUM_INVALID}})
    EXPECT_EQ(c->validScanRange(k.f, k.start, k.end), k.expected) << k.f << " " << k.start << " " << k.end;
  // No drift files: no drift bins.
  EXPECT_EQ(c->validDriftRange(0, 0, 0), ZVRAW_DRIFTRANGE_INVALID);
  EXPECT_EQ(c->validDriftRange(2, 0, 0), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(ClusterLoad, MRMCount) {
  RawDirectoryFixture fx;
  fx.function({.type = 9, .format = 2, .scans = 0}).function({.type = 9, .format = 2, .scans = 3, .peaks = 5});
  fx.function({.scans = 3});
  write(fx);
  auto c = open();
  unsigned n = 99;
  EXPECT_EQ(c->getMRMCount(0, n), ZVRAW_OK);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(c->getMRMCount(1, n), ZVRAW_OK);
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(c->getMRMCount(2, n), ZVRAW_OK);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(c->getMRMCount(3, n), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(ClusterLoad, CalibrationState) {
  RawDirectoryFixture fx;
  fx.function({.scans = 2, .calibrated = true})
      .function({.scans = 2, .peaks = 0})
      .function({.type = 18, .scans = 2, .calibrated = false});
  write(fx);
  auto c = open();
  bool calibrated = false;
  EXPECT_EQ(c->isCalibrated(0, calibrated), ZVRAW_OK);
  EXPECT_TRUE(calibrated);
  calibrated = true;
  EXPECT_EQ(c->isCalibrated(1, calibrated), ZVRAW_ERROR);  // no scan with points
  EXPECT_TRUE(calibrated);
  EXPECT_EQ(c->isCalibrated(2, calibrated), ZVRAW_OK);
  EXPECT_FALSE(calibrated);
  EXPECT_EQ(c->isCalibrated(3, calibrated), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(c->isCalibrated(calibrated), ZVRAW_OK);
  EXPECT_FALSE(calibrated);
  // The reference function (2, by its type) is left out; function 1's
  // scans say nothing, its index flag (not calibrated) counts.
  EXPECT_EQ(c->isCalibratedOmitLockmass(2u, calibrated), ZVRAW_OK);
  EXPECT_FALSE(calibrated);
  ZVRawDataClusterImp empty;
  EXPECT_EQ(empty.isCalibrated(calibrated), ZVRAW_DATACLUSTER_INVALID);
  EXPECT_EQ(empty.isCalibratedOmitLockmass(calibrated), ZVRAW_DATACLUSTER_INVALID);
}

TEST_F(ClusterLoad, CalibratedOmittingTheReferenceFunction) {
  RawDirectoryFixture fx;
  fx.function({.scans = 2, .calibrated = true}).function({.type = 15, .scans = 2, .calibrated = false});
  write(fx);
  auto c = open();
  bool calibrated = false;
  EXPECT_EQ(c->isCalibratedOmitLockmass(calibrated), ZVRAW_OK);
  EXPECT_TRUE(calibrated);
  // Without a reference function every function is tested.
  fx.function(1).type = 0;
  fs::remove_all(raw());
  write(fx);
  auto plain = open();
  EXPECT_EQ(plain->isCalibratedOmitLockmass(calibrated), ZVRAW_OK);
  EXPECT_FALSE(calibrated);
}

TEST_F(ClusterLoad, BasePeakMassCalibratedWhenTheDataAreNot) {
  RawDirectoryFixture fx;
  FunctionCalibration line;
  line.setCalibration(1.0, 2.0, 0);  // m -> 1 + 2m
  fx.function({.format = 12, .scans = 2, .calibrated = false, .calibration = line});
  fx.function({.format = 12, .scans = 2, .calibrated = true, .calibration = line});
  write(fx);
  auto c = open();
  float stored = 0, bpm = 0;
  for (unsigned f = 0; f < 2; ++f) {
    ASSERT_EQ(c->getDataInfo()->m_pScanIndices->getScanBPM(f, 1, stored), ZVRAW_OK);
    ASSERT_EQ(c->getBPM(f, 1, bpm), ZVRAW_OK);
    EXPECT_FLOAT_EQ(bpm, f == 0 ? 1.0f + 2.0f * stored : stored) << f;
  }
  EXPECT_EQ(c->getBPM(0, 2, bpm), ZVRAW_SCANNUM_INVALID);
}

TEST_F(ClusterLoad, ScanningQuadrupoleQueries) {
  write(twoFunctions().veskoCalibration());
  auto c = open();
  int first = 0, last = 0;
  // Start line: bin = (m - 100) / 5, floored; end line: that + 4, raised.
  ASSERT_EQ(c->getPrecursormassRangeToIndices(0, 202.0f, 298.0f, first, last), ZVRAW_OK);
  EXPECT_EQ(first, 20);
  EXPECT_EQ(last, 44);
  float mass = 0, start = 0, end = 0;
  ASSERT_EQ(c->getPrecursorMass(0, 42, mass), ZVRAW_OK);
  EXPECT_NEAR(mass, 300.0f, 1e-3);
  ASSERT_EQ(c->getIndexPrecursorMassRange(0, 44, start, end), ZVRAW_OK);
  EXPECT_NEAR(start, 300.0f, 1e-3);
  EXPECT_NEAR(end, 320.0f, 1e-3);
  // Without drift bins there is no range to give, and the outputs stay.
  start = end = -1;
  EXPECT_EQ(c->getPrecursorMassRange(0, start, end), ZVRAW_DRIFTRANGE_INVALID);
  EXPECT_EQ(start, -1.0f);

  ZVRawDataClusterImp empty;
  EXPECT_EQ(empty.getPrecursorMass(0, 1, mass), ZVRAW_VESKO_CALIBRATION_INVALID);
  EXPECT_EQ(empty.getPrecursorMassRange(0, start, end), ZVRAW_VESKO_CALIBRATION_INVALID);
  EXPECT_EQ(empty.getIndexPrecursorMassRange(0, 1, start, end), ZVRAW_VESKO_CALIBRATION_INVALID);
}

TEST_F(ClusterLoad, QueriesLeaveTheStateAlone) {
  write(twoFunctions());
  auto c = open();
  ASSERT_EQ(c->loadData(0, 0u, 1u, true, false), ZVRAW_OK);
  std::shared_ptr<ZVRawScan[]> scans;
  unsigned start = 9, end = 9;
  ASSERT_EQ(c->getAllScans(0, scans, start, end), ZVRAW_OK);
  EXPECT_NE(scans, nullptr);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 1u);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);
  EXPECT_EQ(loadedScans(*c, 0), 0u);
  EXPECT_EQ(c->getAllScans(2, scans, start, end), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(c->Update(), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  EXPECT_EQ(c->getState(), ZVRawDataCluster_LOADED);

  fs::remove(raw() / "_header.txt");
  auto failed = open();
  EXPECT_EQ(failed->getAllScans(0, scans, start, end), ZVRAW_DATACLUSTER_INVALID);
}

}  // namespace
