// The cluster handle: its two counts, copies, the forwarded operations on
// empty and failed clusters, and its own operations.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "cluster/ClusterTestSupport.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"

namespace fs = std::filesystem;

namespace {

using Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp;

class ClusterHandle : public ClusterTest {
 protected:
  [[nodiscard]] ZVRawDataCluster openHandle() const { return ZVRawDataCluster(rawPath().c_str(), true, 0, false); }
};

// The implementation's count, read without changing it.
int implementationRefs(ZVRawDataCluster& h) {
  const int n = h.getImp()->addRef() - 1;
  (void)h.getImp()->remRef();
  return n;
}

TEST_F(ClusterHandle, EveryConstructorStartsTheHandleCountAtZero) {
  write(twoFunctions());
  ZVRawDataCluster empty;
  ZVRawDataCluster opened = openHandle();
  ZVRawDataCluster shallow(opened);
  ZVRawDataCluster deep(opened, true);
  for (ZVRawDataCluster* h : {&empty, &opened, &shallow, &deep}) {
    EXPECT_EQ(h->IncCount(), 1);
    EXPECT_EQ(h->DecCount(), 0);
  }
  EXPECT_EQ(shallow.getImp(), opened.getImp());
  EXPECT_NE(deep.getImp(), opened.getImp());
  EXPECT_EQ(implementationRefs(opened), 2);
  EXPECT_EQ(implementationRefs(deep), 1);
}

TEST_F(ClusterHandle, AssignmentAndSelfAssignment) {
  write(twoFunctions());
  ZVRawDataCluster a = openHandle();
  ZVRawDataCluster b;
  (void)a.IncCount();
  ZVRawDataCluster& alias = a;
  a = alias;
  EXPECT_EQ(implementationRefs(a), 1);
  EXPECT_EQ(a.DecCount(), 0);  // still 1 before

  b = a;
  EXPECT_EQ(b.getImp(), a.getImp());
  EXPECT_EQ(implementationRefs(a), 2);
  b = ZVRawDataCluster();  // the shared implementation loses one reference
  EXPECT_EQ(implementationRefs(a), 1);
}

TEST_F(ClusterHandle, ACopyOutlivesTheOpener) {
  write(twoFunctions());
  auto opener = std::make_unique<ZVRawDataCluster>(rawPath().c_str(), true, 0, false);
  ZVRawDataCluster copy(*opener);
  opener.reset();
  EXPECT_EQ(implementationRefs(copy), 1);
  ASSERT_EQ(copy.loadData(true, false), ZVRAW_OK);
  expectFixtureScan(*copy.getImp(), 1, 2, 6);
}

TEST_F(ClusterHandle, DeepCopyOfALoadedCluster) {
  write(twoFunctions());
  ZVRawDataCluster source(rawPath().c_str(), false, 0, true);
  ASSERT_EQ(source.loadData(false, true), ZVRAW_OK);
  ASSERT_EQ(source.setMassCutOff(1, 120.0f, 800.0f), ZVRAW_OK);
  ASSERT_EQ(source.setUseTemperatureCorrection(false), ZVRAW_OK);

  ZVRawDataCluster deep(source, false);
  EXPECT_EQ(deep.getState(), ZVRawDataCluster_UNLOADED);
  char path[256];
  ASSERT_EQ(deep.getRawFilePath(path), ZVRAW_OK);
  EXPECT_STREQ(path, rawPath().c_str());
  EXPECT_FALSE(deep.getImp()->getCalibrate());
  EXPECT_TRUE(deep.getImp()->getKeepCompressed());
  EXPECT_FALSE(deep.getImp()->getUseTemperatureCorrection());
  float low = 0, high = 0;
  ASSERT_TRUE(deep.getImp()->getMassCutOff(1, low, high));
  EXPECT_EQ(low, 120.0f);
  EXPECT_EQ(high, 800.0f);

  ASSERT_EQ(deep.loadData(0, 0u, 1u, true, false), ZVRAW_OK);
  unsigned start = 9, end = 9;
  ASSERT_EQ(source.getLoadedScanRange(0, start, end), ZVRAW_OK);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 4u);
  EXPECT_EQ(source.getState(), ZVRawDataCluster_LOADED);
}

// Every forwarder on an empty handle, a failed handle, and with a function
// number equal to the count: codes only.
TEST_F(ClusterHandle, ForwardersAnswerWithCodes) {
  write(twoFunctions());
  ZVRawDataCluster opened = openHandle();
  ZVRawDataCluster empty;
  fs::remove(raw() / "_header.txt");
  ZVRawDataCluster failed = openHandle();
  ASSERT_EQ(failed.getInitialiseResult(), ZVRAW_HEADERFILE_FILEOPEN_ERROR);

  struct Row {
    const char* name;
    std::function<int(ZVRawDataCluster&, unsigned f)> call;
    int opened, empty, failed;  // opened: with f = count (2)
  };
  float v = 0;
  unsigned u = 0, u2 = 0;
  bool b = false;
  char text[32], text2[32];
  const FunctionCalibration* cal = nullptr;
  ZorvalenRawCDCReaderImp* reader = nullptr;
  // Columns: opened with f = the function count (2), empty, failed (no header).
  const std::vector<Row> rows = {
      {"loadData all", [&](auto& h, [[maybe_unused]] unsigned f) { return h.loadData(true, false); }, ZVRAW_OK,
       ZVRAW_NULLPOINTER_ERROR, ZVRAW_DATACLUSTER_NOTLOADED},
      {"loadData scans", [&](auto& h, [[maybe_unused]] unsigned f) { return h.loadData(f, 0u, 0u, true, false); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_NULLPOINTER_ERROR},
      {"loadData time", [&](auto& h, [[maybe_unused]] unsigned f) { return h.loadData(f, 0.0f, 1.0f, true, false); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_NULLPOINTER_ERROR},
      {"getRT", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getRT(f, 0, v); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getTIC", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getTIC(f, 0, v); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getBPI", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getBPI(f, 0, v); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getBPM", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getBPM(f, 0, v); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getLoadedScanRange", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getLoadedScanRange(f, u, u2); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_NOTLOADED, ZVRAW_DATACLUSTER_NOTLOADED},
      {"getTotalScans", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getTotalScans(f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"getTotalDriftScans", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getTotalDriftScans(f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"getMaxLoadedScanSize", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getMaxLoadedScanSize(f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_NOTLOADED, ZVRAW_DATACLUSTER_NOTLOADED},
      {"getMaxScanSize range", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getMaxScanSize(f, 0u, 0u, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"getMaxScanSize", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getMaxScanSize(f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"getScanSize", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getScanSize(f, 0u, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"getAcquisitionDetails",
       [&](auto& h, [[maybe_unused]] unsigned f) { return h.getAcquisitionDetails(f, text, text2); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getDataType", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getDataType(f, u); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getIonMode", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getIonMode(f, u); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getFunctionType", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getFunctionType(f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getScanRangeFromTimeRange",
       [&](auto& h, [[maybe_unused]] unsigned f) { return h.getScanRangeFromTimeRange(f, 0.5f, 1.0f, u, u2); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getScanFromRT", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getScanFromRT(f, 1.0f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getFunctionCalibration", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getFunctionCalibration(f, cal); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getMRMsInFunction", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getMRMsInFunction(f, u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getAcquisitionMassRange",
       [&](auto& h, [[maybe_unused]] unsigned f) { return h.getAcquisitionMassRange(f, v, v, 0); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"setMassCutOff", [&](auto& h, [[maybe_unused]] unsigned f) { return h.setMassCutOff(f, 1.0f, 2.0f); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_NULLPOINTER_ERROR, ZVRAW_NULLPOINTER_ERROR},
      {"setLowMassCutOff", [&](auto& h, [[maybe_unused]] unsigned f) { return h.setLowMassCutOff(f, 1.0f); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_NULLPOINTER_ERROR, ZVRAW_NULLPOINTER_ERROR},
      {"getInterScanDelay", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getInterScanDelay(f, v); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getCycleTime", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getCycleTime(f, v); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getScanTime", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getScanTime(f, v); }, ZVRAW_FUNCNUM_INVALID,
       ZVRAW_FUNCNUM_INVALID, ZVRAW_OK},
      {"getIsContinuumFunction", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getIsContinuumFunction(f, b); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"isCalibrated", [&](auto& h, [[maybe_unused]] unsigned f) { return h.isCalibrated(f, b); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID, ZVRAW_OK},
      {"getMeanTemperatureCorrection",
       [&](auto& h, [[maybe_unused]] unsigned f) { return h.getMeanTemperatureCorrection(f, 0, 0, v); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_NULLPOINTER_ERROR},
      {"getCDCReader", [&](auto& h, [[maybe_unused]] unsigned f) { return h.getCDCReader(f, reader); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"validScanRange", [&](auto& h, [[maybe_unused]] unsigned f) { return h.validScanRange(f, 0u, 0u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID},
      {"validDriftRange", [&](auto& h, [[maybe_unused]] unsigned f) { return h.validDriftRange(f, 0u, 0u); },
       ZVRAW_FUNCNUM_INVALID, ZVRAW_FUNCNUM_INVALID, ZVRAW_DATACLUSTER_INVALID},
  };
  char path[256];
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.call(opened, 2), row.opened);
    EXPECT_EQ(row.call(empty, 0), row.empty);
    EXPECT_EQ(row.call(failed, 0), row.failed);
  }
  EXPECT_EQ(opened.getRawFilePath(path), ZVRAW_OK);
  EXPECT_EQ(failed.getRawFilePath(path), ZVRAW_OK);
  EXPECT_EQ(empty.getRawFilePath(path), ZVRAW_FILENAME_EMPTY);
  EXPECT_EQ(empty.getRawFileName(path), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(empty.getHeaderItem(0u, -1), nullptr);
  EXPECT_STREQ(empty.getSampleDescription(), "");
  EXPECT_FALSE(empty.isMaldiData());
  EXPECT_EQ(empty.getNumberAnalogChannels(), 0);
  const AnalogHeader* analog = reinterpret_cast<const AnalogHeader*>(&u);
  empty.getAnalogChannelHeader(0, analog);
  EXPECT_EQ(analog, nullptr);
  ZVRawExtStatsRecord const* record = reinterpret_cast<const ZVRawExtStatsRecord*>(&u);
  EXPECT_EQ(empty.getExtendedStatsRecord(0, 0, record), ZVRAW_OK);
  EXPECT_EQ(record, reinterpret_cast<const ZVRawExtStatsRecord*>(&u));  // untouched
  auto fields = std::make_unique<ExtendedStatsRecord[]>(1);
  const ExtendedStatsRecord* held = fields.get();
  std::unique_ptr<char[][64]> names, types;
  int fieldCount = -5;
  EXPECT_EQ(empty.getExtendedStatsFields(0, fields, fieldCount), ZVRAW_OK);
  EXPECT_EQ(empty.getExtendedStatsFields(0, names, types, fieldCount), ZVRAW_OK);
  EXPECT_EQ(fields.get(), held);
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(fieldCount, -5);
  float percent = 5;
  EXPECT_EQ(failed.getPercentLoaded(percent), ZVRAW_OK);
  EXPECT_EQ(percent, 0.0f);
}

TEST_F(ClusterHandle, WriterClusterWithoutDriftReaders) {
  ZVRawDataCluster writer;
  ASSERT_EQ(writer.getImp()->writeInitialise(2), ZVRAW_OK);
  unsigned bins = 0;
  ZorvalenRawCDCReaderImp* reader = nullptr;
  EXPECT_EQ(writer.getTotalDriftScans(1, bins), ZVRAW_DATACLUSTER_INVALID);
  EXPECT_EQ(writer.getCDCReader(1, reader), ZVRAW_DATACLUSTER_INVALID);
  EXPECT_EQ(reader, nullptr);
}

TEST_F(ClusterHandle, FunctionFacts) {
  RawDirectoryFixture fx;
  fx.function({.type = 2, .ionMode = 9, .format = 12, .scans = 2, .lowMass = 75.0f, .highMass = 1500.0f});
  fx.function({.type = 9, .ionMode = 8, .format = 2, .scans = 2, .peaks = 3});
  write(fx);
  ZVRawDataCluster h = openHandle();
  char type[32], ion[32];
  std::memset(type, 'x', sizeof type);
  std::memset(ion, 'x', sizeof ion);
  ASSERT_EQ(h.getAcquisitionDetails(0, type, ion), ZVRAW_OK);
  EXPECT_STRNE(type, "");
  EXPECT_STRNE(ion, "");
  char byCode[32];
  ASSERT_EQ(h.getFunctionType(2u, byCode), ZVRAW_OK);
  EXPECT_STREQ(byCode, type);
  ASSERT_EQ(h.getIonMode(9u, byCode), ZVRAW_OK);
  EXPECT_STREQ(byCode, ion);
  EXPECT_EQ(h.getFunctionType(32u, byCode), ZVRAW_FUNCTIONTYPE_INVALID);
  EXPECT_EQ(h.getIonMode(14u, byCode), ZVRAW_IONMODE_INVALID);
  unsigned code = 0;
  ASSERT_EQ(h.getFunctionType(1u, code), ZVRAW_OK);
  EXPECT_EQ(code, 9u);
  ASSERT_EQ(h.getIonMode(0u, code), ZVRAW_OK);
  EXPECT_EQ(code, 9u);
  float low = 0, high = 0;
  ASSERT_EQ(h.getAcquisitionMassRange(0, low, high, 0), ZVRAW_OK);
  EXPECT_EQ(low, 75.0f);
  EXPECT_EQ(high, 1500.0f);
  bool continuum = true;
  ASSERT_EQ(h.getIsContinuumFunction(0, continuum), ZVRAW_OK);
  EXPECT_FALSE(continuum);
  EXPECT_FALSE(h.isMaldiData());
  unsigned mrm = 0;
  ASSERT_EQ(h.getMRMsInFunction(1u, mrm), ZVRAW_OK);
  EXPECT_EQ(mrm, 3u);
  float rt = 0;
  ASSERT_EQ(h.getRT(0, 1, rt), ZVRAW_OK);
  EXPECT_FLOAT_EQ(rt, fixtureRT(fx.function(0), 1));
  unsigned scan = 9;
  ASSERT_EQ(h.getScanFromRT(0, rt, scan), ZVRAW_OK);
  EXPECT_EQ(scan, 1u);
}

TEST_F(ClusterHandle, FunctionDescriptorOfTheMatchingKind) {
  RawDirectoryFixture fx;
  fx.function({.type = kMaldiFunctionType, .ionMode = 12, .scans = 1});
  write(fx);
  ZVRawDataCluster h = openHandle();
  ASSERT_EQ(h.getInitialiseResult(), ZVRAW_OK);
  EXPECT_TRUE(h.isMaldiData());
  ZVRawFunctionDescriptor_NonMaldi other;
  other.cycleTime() = 7.5f;
  EXPECT_EQ(h.getFunctionDescriptor(0, other), ZVRAW_ERROR);
  EXPECT_EQ(other.getCycleTime(), 7.5f);
  ZVRawFunctionDescriptor_Maldi maldi;
  ASSERT_EQ(h.getFunctionDescriptor(0, maldi), ZVRAW_OK);
  EXPECT_EQ(maldi.getFunctionType(), kMaldiFunctionType);
  EXPECT_EQ(h.getFunctionDescriptor(1, maldi), ZVRAW_FUNCNUM_INVALID);

  fs::remove_all(raw());
  write(twoFunctions());
  ZVRawDataCluster plain = openHandle();
  ZVRawFunctionDescriptor_NonMaldi nonMaldi;
  ASSERT_EQ(plain.getFunctionDescriptor(1, nonMaldi), ZVRAW_OK);
  EXPECT_EQ(nonMaldi.getTotalScans(), 3u);
  EXPECT_EQ(plain.getFunctionDescriptor(1, maldi), ZVRAW_ERROR);
}

// ---- the directory's name ----

TEST_F(ClusterHandle, RawFileNameAndPath) {
  struct Case {
    const char* path;
    const char* name;
  };
  for (const Case& c : {Case{"/d/run1.raw", "run1"}, Case{"run1.raw", ""}, Case{"/x.raw", "x"}, Case{"a/.raw", ""},
                        Case{"abc", ""}, Case{"/a/bc/de", "b"}, Case{"ab/c/d.raw", "d"}}) {
    ZVRawDataCluster h;
    (void)h.Initialise(c.path);
    // Exactly the 256 bytes the call may write, filled so zeroing shows.
    std::vector<char> buffer(256, 'x');
    ASSERT_EQ(h.getRawFileName(buffer.data()), ZVRAW_OK) << c.path;
    EXPECT_STREQ(buffer.data(), c.name) << c.path;
    for (std::size_t i = std::strlen(c.name); i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0) << c.path << " at " << i;
    std::vector<char> full(256, 'x');
    ASSERT_EQ(h.getRawFilePath(full.data()), ZVRAW_OK);
    EXPECT_STREQ(full.data(), c.path);
    EXPECT_EQ(full[255], 0);
  }
}

// ---- process-wide and file-system operations ----

TEST(BadScanStrategy, ReturnsThePreviousValueAndIgnoresOthers) {
  const int saved = setBadScanStrategy(3);
  EXPECT_EQ(setBadScanStrategy(0), 3);
  EXPECT_EQ(setBadScanStrategy(5), 3);
  EXPECT_EQ(setBadScanStrategy(1), 3);
  EXPECT_EQ(setBadScanStrategy(4), 1);
  EXPECT_EQ(nBadScanStrategy, 4);
  EXPECT_EQ(setBadScanStrategy(-1), 4);
  (void)setBadScanStrategy(saved);
  EXPECT_EQ(nBadScanStrategy, saved);
}

class RemoveFiles : public TempDirTest {};

TEST_F(RemoveFiles, DeletesTheComponentsPresent) {
  EXPECT_EQ(removeDataClusterFiles(""), ZVRAW_DATACLUSTER_INVALID);
  EXPECT_EQ(removeDataClusterFiles(nullptr), ZVRAW_DATACLUSTER_INVALID);
  for (const char* name : {"_func001.dat", "_func008.sts", "_header.txt", "_functns.inf", "_func009.dat", "keep.txt"})
    writeTextFile(dir() / name, "x");
  EXPECT_EQ(removeDataClusterFiles(dir().c_str()), ZVRAW_OK);
  for (const char* name : {"_func001.dat", "_func008.sts", "_header.txt", "_functns.inf"})
    EXPECT_FALSE(fs::exists(dir() / name)) << name;
  EXPECT_TRUE(fs::exists(dir() / "_func009.dat"));  // beyond the eight functions
  EXPECT_TRUE(fs::exists(dir() / "keep.txt"));
  EXPECT_EQ(removeDataClusterFiles(dir().c_str()), ZVRAW_OK);  // nothing left to delete
}

// A path too long for its component names deletes nothing.
TEST_F(RemoveFiles, NamesThatDoNotFitDeleteNothing) {
  std::string longDir = dir().string();
  while (longDir.size() < 250) longDir += "/d";
  fs::create_directories(longDir);
  writeTextFile(fs::path(longDir) / "_tof.txt", "x");
  EXPECT_EQ(removeDataClusterFiles(longDir.c_str()), ZVRAW_FILENAME_ERROR);
  EXPECT_TRUE(fs::exists(fs::path(longDir) / "_tof.txt"));
}

// ---- the lock-mass gain table ----

TEST_F(ClusterHandle, GainTableOperations) {
  RawDirectoryFixture fx;
  FunctionCalibration identity;
  identity.setCalibration(0.0, 1.0, borealtek_calibrate_version_1::CALTYPE_ROOTMASS);
  fx.function({.scans = 3, .peaks = 2, .calibration = identity});
  write(fx);
  ZVRawDataCluster a = openHandle();
  ZVRawDataCluster b(a, false);  // shares a's record
  auto* first = new ZVRawExternalLumavent;
  first->add(0.0f, 4.0f);
  ASSERT_EQ(b.setExternalLumavent(first), ZVRAW_OK);
  // b holds first; a replaces it in the shared record, and b reads with the
  // replacement too: clusters on one record never disagree on the gain.
  auto* second = new ZVRawExternalLumavent;
  second->add(0.0f, 9.0f);
  ASSERT_EQ(a.setExternalLumavent(second), ZVRAW_OK);
  const ZVRawExternalLumavent* held = nullptr;
  ASSERT_EQ(b.getExternalLumavent(held), ZVRAW_OK);
  EXPECT_EQ(held, second);
  ASSERT_EQ(b.loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*b.getImp(), 0, 1, 2, 9.0f);
  ASSERT_EQ(a.loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*a.getImp(), 0, 1, 2, 9.0f);

  // The table already held is attached again and stays alive.
  ASSERT_EQ(a.setExternalLumavent(second), ZVRAW_OK);
  ASSERT_EQ(a.loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*a.getImp(), 0, 2, 2, 9.0f);
  // b applies the record's table now.
  ASSERT_EQ(b.applyExternalLumavent(), ZVRAW_OK);
  ASSERT_EQ(b.loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*b.getImp(), 0, 0, 2, 9.0f);
  // Detached: the table stays in the record.
  ASSERT_EQ(b.removeExternalLumavent(), ZVRAW_OK);
  ASSERT_EQ(b.getExternalLumavent(held), ZVRAW_OK);
  EXPECT_EQ(held, second);
  ASSERT_EQ(b.loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*b.getImp(), 0, 0, 2, 1.0f);
  // None: removed from the record and detached.
  ASSERT_EQ(a.setExternalLumavent(nullptr), ZVRAW_OK);
  ASSERT_EQ(a.getExternalLumavent(held), ZVRAW_OK);
  EXPECT_EQ(held, nullptr);
  ASSERT_EQ(a.loadData(0, 0u, 2u, true, false), ZVRAW_OK);
  expectFixtureScan(*a.getImp(), 0, 0, 2, 1.0f);
}

}  // namespace
