#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <filesystem>
#include <random>
#include <thread>

#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "support/Corruption.h"
#include "support/IndexRecords.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kFormat9 = 9;  // 6 bytes per peak

// Scan k of a format-9 function: 10 peaks (60 bytes) at 100 k, RT 1 + k.
IndexRecordFields scanRecord(unsigned k) {
  IndexRecordFields r;
  r.offset = 100 * k;
  r.peaks = 10;
  r.rt = 1.0f + static_cast<float>(k);
  r.tic = 1000.0f + static_cast<float>(k);
  r.basePeak = hiAccBasePeak(static_cast<std::int16_t>(k + 1), 0, 9, 0x400000);  // intensity k + 1, mass 256 x 256
  return r;
}

std::vector<IndexRecordFields> scans(unsigned n) {
  std::vector<IndexRecordFields> out;
  for (unsigned k = 0; k < n; ++k) out.push_back(scanRecord(k));
  return out;
}

class ScanIndicesTest : public TempDirTest {
 protected:
  void TearDown() override {
    setTimeShiftImp(0);
    TempDirTest::TearDown();
  }
  void writeIdx(unsigned fn, const Bytes& b) { writeFile(dir() / name(fn, "idx"), b); }
  // A .dat of the given size; sparse, so sizes past 4 GiB cost no disk.
  void sizeDat(unsigned fn, std::uint64_t size) {
    const fs::path p = dir() / name(fn, "dat");
    if (!fs::exists(p)) writeFile(p, {});
    ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(size)), 0);
  }
  [[nodiscard]] Bytes idx(unsigned fn) const { return readFile(dir() / name(fn, "idx")); }
  [[nodiscard]] const char* root() const {
    rootText_ = dir().string();
    return rootText_.c_str();
  }
  static std::string name(unsigned fn, const char* ext) {
    char b[32];
    std::snprintf(b, sizeof b, "_func%03u.%s", fn + 1, ext);
    return b;
  }

  // One function of n scans held in memory (RT 1 + k), ready to write.
  void holdScans(ZVRawFunctionScanIndices& set, unsigned f, unsigned n) {
    ASSERT_EQ(set.prepareScanIndicesBuffer(f, n), ZVRAW_OK);
    std::vector<double> times;
    for (unsigned k = 0; k < n; ++k) times.push_back(1.0 + k);
    ASSERT_EQ(set.setScanIndices(f, times.data(), 0, n - 1), ZVRAW_OK);
    std::span<ZVRawFunctionScanIndexImp> records;
    ASSERT_EQ(set.getIndexArray(f, records), ZVRAW_OK);
    for (unsigned k = 0; k < n; ++k) {
      records[k].peaksInScan() = 10;
      records[k].scanOffset() = 100 * k;
      records[k].tic() = 1000.0f + static_cast<float>(k);
    }
  }
  // The file bytes of records [from, to) packed one by one.
  static Bytes packedRecords(ZVRawFunctionScanIndices& set, unsigned f, unsigned from, unsigned to, float shift) {
    std::span<ZVRawFunctionScanIndexImp> records;
    EXPECT_EQ(set.getIndexArray(f, records), ZVRAW_OK);
    Bytes out;
    for (unsigned k = from; k < to; ++k) {
      ZVRawFunctionScanIndexImp r = records[k];
      r.rt() += shift;
      Bytes one(22);
      (void)r.packScanIndex(one, kFormat9, false);
      out.insert(out.end(), one.begin(), one.end());
    }
    return out;
  }

 private:
  mutable std::string rootText_;
};

const unsigned kFormats[3] = {kFormat9, kFormat9, kFormat9};

// ---- live read ----

TEST_F(ScanIndicesTest, LiveReadTakesOnlyCompleteScansAndNeverRereads) {
  Bytes file = indexFileBytes(scans(10), false);
  file.resize(file.size() + 7, 0xAB);  // a record still being written
  writeIdx(0, file);
  sizeDat(0, 900);  // scan 8 ends at 860, scan 9 at 960
  writeIdx(2, indexFileBytes(scans(3), false));
  sizeDat(2, 300);  // function 1 has no index file at all

  ZVRawFunctionScanIndices set(3);
  unsigned size = 0;
  EXPECT_EQ(set.getMaxScanSize(0, size), ZVRAW_SCANINDICES_INVALID);
  ASSERT_EQ(set.readIndices(root(), kFormats), ZVRAW_OK);
  unsigned n = 0;
  for (auto [f, want] : {std::pair{0u, 9u}, {1u, 0u}, {2u, 3u}}) {
    EXPECT_EQ(set.getScansInFunction(f, n), ZVRAW_OK);
    EXPECT_EQ(n, want) << f;
  }
  EXPECT_EQ(set.getMaxScanSize(0, size), ZVRAW_OK);
  EXPECT_EQ(size, 10u);
  float bpi = 0, bpm = 0;
  EXPECT_EQ(set.getScanBPI(0, 4, bpi), ZVRAW_OK);
  EXPECT_EQ(set.getScanBPM(0, 4, bpm), ZVRAW_OK);
  EXPECT_EQ(bpi, 5.0f);
  EXPECT_EQ(bpm, 65536.0f);

  // Scan 9 completes; records 0-8 on disk change, but what is held is not read again.
  IndexRecordFields changed = scanRecord(0);
  changed.rt = 99;
  const Bytes first = indexRecordBytes(changed, false);
  std::copy(first.begin(), first.end(), file.begin());
  writeIdx(0, file);
  sizeDat(0, 960);
  ASSERT_EQ(set.readIndices(root(), kFormats), ZVRAW_OK);
  EXPECT_EQ(set.getScansInFunction(0, n), ZVRAW_OK);
  EXPECT_EQ(n, 10u);
  float rt = 0;
  EXPECT_EQ(set.getRTFromScan(0, 0, rt), ZVRAW_OK);
  EXPECT_EQ(rt, 1.0f);
  EXPECT_EQ(set.getRTFromScan(0, 9, rt), ZVRAW_OK);
  EXPECT_EQ(rt, 10.0f);

  // The data file shrinking does not take records away.
  sizeDat(0, 10);
  ASSERT_EQ(set.readIndices(root(), kFormats), ZVRAW_OK);
  EXPECT_EQ(set.getScansInFunction(0, n), ZVRAW_OK);
  EXPECT_EQ(n, 10u);
}

// The largest scan size follows every read: records taken by a re-read,
// and held records changed in memory since (a writer's), in every function.
TEST_F(ScanIndicesTest, LargestScanSizeCoversHeldAndNewRecords) {
  std::vector<IndexRecordFields> records = scans(6);
  records[1].peaks = 7;
  records[4].peaks = 9;  // 4 and 5 lie beyond the growing data files' ends
  records[5].peaks = 3;
  for (unsigned k = 0; k < 6; ++k) records[k].offset = 60 * k;  // scans of at most 10 peaks each
  for (unsigned f : {0u, 1u, 2u}) writeIdx(f, indexFileBytes(records, false));
  for (unsigned f : {0u, 1u, 2u}) sizeDat(f, f == 1 ? 360 : 240);
  ZVRawFunctionScanIndices set(3);
  const unsigned formats[3] = {kFormat9, kFormat9, kFormat9};
  ASSERT_EQ(set.readIndices(root(), formats), ZVRAW_OK);
  unsigned size = 0;
  for (unsigned f : {0u, 1u, 2u}) {
    EXPECT_EQ(set.getMaxScanSize(f, size), ZVRAW_OK);
    EXPECT_EQ(size, 10u) << f;
  }
  // Held records shrink in memory; functions 0 and 2 then grow, 1 does not.
  const unsigned firstPeaks[3] = {5, 4, 12};
  for (unsigned f : {0u, 1u, 2u}) {
    std::span<ZVRawFunctionScanIndexImp> held;
    ASSERT_EQ(set.getIndexArray(f, held), ZVRAW_OK);
    for (ZVRawFunctionScanIndexImp& r : held) r.peaksInScan() = std::min(r.getPeaksInScan(), 2u);
    held[0].peaksInScan() = firstPeaks[f];
  }
  for (unsigned f : {0u, 2u}) sizeDat(f, 360);
  ASSERT_EQ(set.readIndices(root(), formats), ZVRAW_OK);
  for (auto [f, want] : {std::pair{0u, 9u}, {1u, 4u}, {2u, 12u}}) {
    EXPECT_EQ(set.getMaxScanSize(f, size), ZVRAW_OK);
    EXPECT_EQ(size, want) << f;
  }
}

TEST_F(ScanIndicesTest, CompletenessComparesFullSixtyFourBitEnds) {
  const std::uint64_t fourGiB = std::uint64_t{1} << 32;
  IndexRecordFields inside = scanRecord(0), outside = scanRecord(1);
  inside.offsetHigh = outside.offsetHigh = 1;
  inside.offset = 100;   // ends at 4 GiB + 160
  outside.offset = 990;  // ends at 4 GiB + 1050
  writeIdx(0, indexFileBytes({inside, outside}, true));
  const fs::path dat = dir() / name(0, "dat");
  writeFile(dat, {});
  if (::truncate(dat.c_str(), static_cast<off_t>(fourGiB + 1000)) != 0) GTEST_SKIP() << "no sparse 4 GiB file here";

  ZVRawFunctionScanIndices set(1);
  const unsigned extended[1] = {1};
  ASSERT_EQ(set.readIndices(root(), kFormats, extended), ZVRAW_OK);
  unsigned n = 0, high = 0, low = 0;
  EXPECT_EQ(set.getScansInFunction(0, n), ZVRAW_OK);
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(set.getScanOffset(0, 0, low), ZVRAW_OK);
  EXPECT_EQ(set.getScanOffsetEx(0, 0, high), ZVRAW_OK);
  EXPECT_EQ(low, 100u);
  EXPECT_EQ(high, 1u);

  // With the high word cleared the same records all lie inside the file.
  inside.offsetHigh = outside.offsetHigh = 0;
  writeIdx(0, indexFileBytes({inside, outside}, true));
  ZVRawFunctionScanIndices low32(1);
  ASSERT_EQ(low32.readIndices(root(), kFormats, extended), ZVRAW_OK);
  EXPECT_EQ(low32.getScansInFunction(0, n), ZVRAW_OK);
  EXPECT_EQ(n, 2u);
}

TEST_F(ScanIndicesTest, SingleFunctionReadChecksItsRange) {
  writeIdx(0, indexFileBytes(scans(4), false));
  ZVRawFunctionScanIndices set(2);
  ASSERT_EQ(set.setRawFilePath(root()), ZVRAW_OK);
  ASSERT_EQ(set.prepareScanIndicesBuffer(0, 6), ZVRAW_OK);
  EXPECT_EQ(set.readIndices(2, 0, 0, kFormat9, 0), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(set.readIndices(0, 0, 6, kFormat9, 0), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(set.readIndices(0, 2, 1, kFormat9, 0), ZVRAW_OK);
  EXPECT_EQ(set.readIndices(0, 0, 5, kFormat9, 0), ZVRAW_FILEREAD_EOFERROR);  // records 4, 5 are not there
  float rt = 0;
  EXPECT_EQ(set.getRTFromScan(0, 3, rt), ZVRAW_OK);
  EXPECT_EQ(rt, 4.0f);
  EXPECT_EQ(set.readIndices(0, 0, 0, 10, 0), ZVRAW_FUNCTIONTYPE_UNSUPPORTED);
  EXPECT_EQ(set.readIndices(1, 0, 0, kFormat9, 0), ZVRAW_SCANRANGE_INVALID);  // nothing held
  ASSERT_EQ(set.prepareScanIndicesBuffer(1, 1), ZVRAW_OK);
  EXPECT_EQ(set.readIndices(1, 0, 0, kFormat9, 0), ZVRAW_FILEOPEN_ERROR);
}

TEST_F(ScanIndicesTest, PathsAreRefusedNotCut) {
  ZVRawFunctionScanIndices set(1);
  const std::string tooLong(256, 'd');
  EXPECT_EQ(set.setRawFilePath(tooLong.c_str()), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(set.setRawFilePath(""), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(set.setRawFilePath({}), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(set.readIndices(tooLong.c_str(), kFormats), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(set.readIndices(root(), nullptr), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(set.writeIndices(0, tooLong.c_str(), kFormat9), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(set.writeIndices(0, "", kFormat9, 0u), ZVRAW_FILENAME_ERROR);
  EXPECT_STREQ(set.getRawFilePath(), "");
  EXPECT_EQ(set.setRawFilePath(std::string(255, 'd').c_str()), ZVRAW_OK);
}

// ---- time lookups ----

class RTLookupTest : public ScanIndicesTest {
 protected:
  void SetUp() override {
    ScanIndicesTest::SetUp();
    holdScans(set, 0, 10);  // RT(s) = 1 + s
  }
  ZVRawFunctionScanIndices set{2};
};

TEST_F(RTLookupTest, ScanFromRT) {
  struct Case {
    float t;
    ZVRawScanToRTConversion mode;
    int rc;
    unsigned scan;
  } cases[] = {
      {0.5f, NEAREST_GREATER, ZVRAW_OK, 0},  {0.5f, NEAREST_LESS, ZVRAW_RETENTIONTIME_INVALID, 77},
      {0.5f, NEAREST, ZVRAW_OK, 0},          {11.0f, NEAREST_GREATER, ZVRAW_OK, 9},
      {11.0f, NEAREST_LESS, ZVRAW_OK, 9},    {11.0f, NEAREST, ZVRAW_OK, 9},
      {6.0f, NEAREST_GREATER, ZVRAW_OK, 5},  {6.0f, NEAREST_LESS, ZVRAW_OK, 4},
      {6.0f, NEAREST, ZVRAW_OK, 5},          {4.5f, NEAREST, ZVRAW_OK, 4},  // halfway: the later scan
      {4.4f, NEAREST, ZVRAW_OK, 3},          {1.0f, NEAREST_LESS, ZVRAW_OK, 0},
      {10.0f, NEAREST_GREATER, ZVRAW_OK, 9}, {4.5f, static_cast<ZVRawScanToRTConversion>(7), ZVRAW_OK, 4},
  };
  for (const Case& c : cases) {
    unsigned scan = 77;
    EXPECT_EQ(set.getScanFromRT(0, c.t, scan, c.mode), c.rc) << c.t << " mode " << c.mode;
    EXPECT_EQ(scan, c.scan) << c.t << " mode " << c.mode;
  }
  unsigned scan = 77;
  EXPECT_EQ(set.getScanFromRT(1, 1.0f, scan, NEAREST), ZVRAW_RETENTIONTIME_INVALID);  // no scans
  EXPECT_EQ(set.getScanFromRT(2, 1.0f, scan, NEAREST), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(scan, 77u);
}

TEST_F(RTLookupTest, ScanRangeFromTimeRange) {
  struct Case {
    float start, end;
    int rc;
    unsigned s0, s1;
  } cases[] = {
      {4.4f, 4.4f, ZVRAW_OK, 3, 3},
      {4.6f, 4.6f, ZVRAW_OK, 4, 4},
      {4.5f, 4.5f, ZVRAW_OK, 4, 4},
      {2.2f, 50.0f, ZVRAW_OK, 1, 9},
      {0.0f, 1.0f, ZVRAW_OK, 0, 0},
      {1.0f, 10.0f, ZVRAW_OK, 0, 9},
      {5.0f, 4.0f, ZVRAW_RETENTIONTIME_INVALID, 77, 77},
      {10.5f, 20.0f, ZVRAW_RETENTIONTIME_INVALID, 77, 77},
      {0.0f, 0.5f, ZVRAW_RETENTIONTIME_INVALID, 77, 77},
  };
  for (const Case& c : cases) {
    unsigned s0 = 77, s1 = 77;
    EXPECT_EQ(set.getScanRangeFromTimeRange(0, c.start, c.end, s0, s1), c.rc) << c.start << ".." << c.end;
    EXPECT_EQ(s0, c.s0) << c.start << ".." << c.end;
    EXPECT_EQ(s1, c.s1) << c.start << ".." << c.end;
  }
  unsigned s0 = 0, s1 = 0;
  EXPECT_EQ(set.getScanRangeFromTimeRange(1, 1.0f, 2.0f, s0, s1), ZVRAW_FUNCNUM_INVALID);  // no scans
  EXPECT_EQ(set.getScanRangeFromTimeRange(2, 1.0f, 2.0f, s0, s1), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(RTLookupTest, Chromatograms) {
  std::vector<float> values(10, -1), times(10, -1);
  ASSERT_EQ(set.getTICChromatogram(0, values.data(), times.data()), ZVRAW_OK);
  EXPECT_EQ(values[9], 1009.0f);
  EXPECT_EQ(times[9], 10.0f);
  std::vector<float> v3(3, -1), t3(3, -1);  // exact size for a range of 3
  ASSERT_EQ(set.getBPIChromatogram(0, 7, 9, v3.data(), t3.data()), ZVRAW_OK);
  EXPECT_EQ(t3, (std::vector<float>{8, 9, 10}));
  EXPECT_EQ(v3, (std::vector<float>{0, 0, 0}));  // base peaks were never set
  ASSERT_EQ(set.getTICChromatogram(0, 3, 2, v3.data(), t3.data()), ZVRAW_OK);
  EXPECT_EQ(t3, (std::vector<float>{8, 9, 10}));  // nothing written
  EXPECT_EQ(set.getTICChromatogram(0, 3, 10, v3.data(), t3.data()), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(set.getTICChromatogram(0, 10, 3, v3.data(), t3.data()), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(set.getBPIChromatogram(0, nullptr, t3.data()), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(set.getBPIChromatogram(2, v3.data(), t3.data()), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(set.getTICChromatogram(1, nullptr, nullptr), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(set.getTICChromatogram(1, v3.data(), t3.data()), ZVRAW_OK);  // no scans: nothing
}

// ---- per-scan bounds ----

TEST_F(RTLookupTest, PerScanAccessorsCheckFunctionAndScan) {
  unsigned u = 0;
  float x = 0;
  const std::function<int(unsigned, unsigned)> accessors[] = {
      [&](unsigned f, unsigned s) { return set.getScanOffset(f, s, u); },
      [&](unsigned f, unsigned s) { return set.getScanOffsetEx(f, s, u); },
      [&](unsigned f, unsigned s) { return set.getPeaksInScan(f, s, u); },
      [&](unsigned f, unsigned s) { return set.setScanOffset(f, s, 5); },
      [&](unsigned f, unsigned s) { return set.setPeaksInScan(f, s, 5); },
      [&](unsigned f, unsigned s) { return set.getScanTIC(f, s, x); },
      [&](unsigned f, unsigned s) { return set.getScanBPI(f, s, x); },
      [&](unsigned f, unsigned s) { return set.getScanBPM(f, s, x); },
  };
  for (std::size_t a = 0; a < std::size(accessors); ++a) {
    EXPECT_EQ(accessors[a](0, 9), ZVRAW_OK) << a;
    EXPECT_EQ(accessors[a](0, 10), ZVRAW_SCANNUM_INVALID) << a;
    EXPECT_EQ(accessors[a](0, ~0u), ZVRAW_SCANNUM_INVALID) << a;
    EXPECT_EQ(accessors[a](1, 0), ZVRAW_ERROR) << a;  // no records
    EXPECT_EQ(accessors[a](2, 0), ZVRAW_FUNCNUM_INVALID) << a;
  }
  EXPECT_EQ(set.isValidFunctionandScan(0, 10), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(set.isValidFunctionandScan(1, 0), ZVRAW_FUNCNUM_INVALID);
  float rt = 5;
  EXPECT_EQ(set.getRTFromScan(0, 10, rt), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(rt, 0.0f);
  bool b = true;
  EXPECT_EQ(set.isContinuumScan(0, 10, b), ZVRAW_SCANNUM_INVALID);
  EXPECT_FALSE(b);
  EXPECT_FALSE(set.isCalibrated(5, 0));
  EXPECT_FALSE(set.isCalibrated(0, 10));
  EXPECT_FALSE(set.isValid(5, 0));
  EXPECT_TRUE(set.isValid(0, 0));

  const double times[3] = {7, 8, 9};
  EXPECT_EQ(set.setScanIndices(0, times, 8, 10), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(set.setScanIndices(0, nullptr, 0, 1), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(set.setScanIndices(2, times, 0, 1), ZVRAW_FUNCNUM_INVALID);
  std::span<ZVRawFunctionScanIndexImp> records;
  EXPECT_EQ(set.getIndexArray(1, records), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(set.getIndexArray(2, records), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(set.setScansInFunction(0, 11), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(set.setScansInFunction(0, 4), ZVRAW_OK);
  EXPECT_EQ(set.getScanTIC(0, 4, x), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(set.setScansInFunction(0, 10), ZVRAW_OK);  // the records are still held

  // Shrinking keeps the first records and copies no more than fit.
  ASSERT_EQ(set.prepareScanIndicesBuffer(0, 3), ZVRAW_OK);
  EXPECT_EQ(set.getRTFromScan(0, 2, rt), ZVRAW_OK);
  EXPECT_EQ(rt, 3.0f);
  EXPECT_EQ(set.getRTFromScan(0, 3, rt), ZVRAW_SCANNUM_INVALID);

  set.DeleteIndices();
  EXPECT_EQ(set.getScanTIC(0, 0, x), ZVRAW_ERROR);
  EXPECT_EQ(set.isValidFunctionandScan(0, 0), ZVRAW_SCANINDICES_INVALID);
  EXPECT_EQ(set.setMaxScanSizes(), ZVRAW_SCANINDICES_INVALID);
  EXPECT_EQ(set.getScanFromRT(0, 1, u, NEAREST), ZVRAW_SCANINDICES_INVALID);
}

TEST_F(ScanIndicesTest, FlagsReachRecordsPreparedLater) {
  ZVRawFunctionScanIndices set(1);
  ASSERT_EQ(set.appendFunctions(1), ZVRAW_OK);
  EXPECT_EQ(set.appendFunctions(~0u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(set.getFunctionCount(), 2u);
  ASSERT_EQ(set.setContinuumFlag(0, false), ZVRAW_OK);
  EXPECT_EQ(set.setCalibratedFlag(2, true), ZVRAW_FUNCNUM_INVALID);
  holdScans(set, 0, 2);
  holdScans(set, 1, 2);
  EXPECT_FALSE(set.isCalibrated(0, 0));  // the first function's default
  EXPECT_TRUE(set.isCalibrated(1, 0));   // appended functions are calibrated
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9), ZVRAW_OK);
  ASSERT_EQ(set.writeIndices(1, root(), kFormat9), ZVRAW_OK);
  sizeDat(0, 1000);
  sizeDat(1, 1000);

  // A function not marked continuum writes records that read back as centroid.
  ZVRawFunctionScanIndices back(2);
  ASSERT_EQ(back.readIndices(root(), kFormats), ZVRAW_OK);
  bool continuum = true;
  EXPECT_EQ(back.isContinuumScan(0, 1, continuum), ZVRAW_OK);
  EXPECT_FALSE(continuum);
  EXPECT_EQ(back.isContinuumScan(1, 1, continuum), ZVRAW_OK);
  EXPECT_TRUE(continuum);
  EXPECT_TRUE(back.isCalibrated(1, 1));
}

// ---- writing ----

TEST_F(ScanIndicesTest, RangeWritesContinueAtTheMark) {
  ZVRawFunctionScanIndices set(1);
  holdScans(set, 0, 10);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 0u, 4u), ZVRAW_OK);
  EXPECT_EQ(set.nextScanToWrite(0), 5u);
  EXPECT_EQ(set.writeIndices(0, root(), kFormat9, 6u, 9u), ZVRAW_SCANRANGE_INVALID);  // would leave a gap
  EXPECT_EQ(set.writeIndices(0, root(), kFormat9, 3u, 10u), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(set.nextScanToWrite(0), 5u);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 3u, 9u), ZVRAW_OK);
  EXPECT_EQ(set.nextScanToWrite(0), 10u);
  EXPECT_EQ(idx(0), packedRecords(set, 0, 0, 10, 0));
  EXPECT_EQ(set.writeIndices(0, root(), kFormat9, 3u, 2u), ZVRAW_OK);
  EXPECT_EQ(idx(0).size(), 220u);
}

TEST_F(ScanIndicesTest, AllUnwrittenTwiceShiftsOnce) {
  ZVRawFunctionScanIndices set(1);
  holdScans(set, 0, 4);
  const Bytes expected = packedRecords(set, 0, 0, 4, 0.25f);
  setTimeShiftImp(0.25f);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9), ZVRAW_OK);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9), ZVRAW_OK);
  EXPECT_EQ(idx(0), expected);
  float rt = 0;
  EXPECT_EQ(set.getRTFromScan(0, 3, rt), ZVRAW_OK);
  EXPECT_EQ(rt, 4.25f);
}

TEST_F(ScanIndicesTest, UpToNWrites) {
  ZVRawFunctionScanIndices set(1);
  holdScans(set, 0, 6);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 2u), ZVRAW_OK);
  EXPECT_EQ(set.nextScanToWrite(0), 2u);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 100u), ZVRAW_OK);  // more than unwritten: all
  EXPECT_EQ(set.nextScanToWrite(0), 6u);
  ASSERT_EQ(set.prepareScanIndicesBuffer(0, 8), ZVRAW_OK);
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 0u), ZVRAW_OK);  // 0: all
  EXPECT_EQ(set.nextScanToWrite(0), 8u);
  EXPECT_EQ(idx(0), packedRecords(set, 0, 0, 8, 0));
  fs::remove(dir() / name(0, "idx"));
  EXPECT_EQ(set.writeIndices(0, root(), kFormat9, 0u), ZVRAW_OK);  // nothing left: file untouched
  EXPECT_FALSE(fs::exists(dir() / name(0, "idx")));
  EXPECT_EQ(set.writeIndices(1, root(), kFormat9, 0u), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(ScanIndicesTest, WriteRefusesACountThatDoesNotFit) {
  ZVRawFunctionScanIndices set(1);
  holdScans(set, 0, 3);
  ASSERT_EQ(set.setPeaksInScan(0, 1, 0x400000), ZVRAW_OK);
  EXPECT_EQ(set.writeIndices(0, root(), kFormat9), ZVRAW_ERROR);
  EXPECT_EQ(set.nextScanToWrite(0), 1u);
  EXPECT_EQ(idx(0), packedRecords(set, 0, 0, 1, 0));
}

TEST_F(ScanIndicesTest, FailedWriteResumesAtTheMark) {
  ZVRawFunctionScanIndices set(1);
  holdScans(set, 0, 10);
  const Bytes expected = packedRecords(set, 0, 0, 10, 0);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit low = old;
  low.rlim_cur = 22 * 4 + 5;  // room for 4 records and part of a fifth
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &low), 0);
  const int failed = set.writeIndices(0, root(), kFormat9);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(failed, ZVRAW_FILEWRITE_ERROR);
  EXPECT_EQ(set.nextScanToWrite(0), 4u);
  EXPECT_EQ(idx(0), Bytes(expected.begin(), expected.begin() + 88));  // no partial record left
  ASSERT_EQ(set.writeIndices(0, root(), kFormat9), ZVRAW_OK);
  EXPECT_EQ(set.nextScanToWrite(0), 10u);
  EXPECT_EQ(idx(0), expected);
}

// Whatever the file's length when a later write opens it (cut short outside,
// junk or a stray record past the mark), it ends at the new mark.
TEST_F(ScanIndicesTest, LaterWriteEndsTheFileAtTheMark) {
  for (const std::size_t length : {0u, 50u, 88u, 89u, 110u, 88u + 22u * 8u}) {
    SCOPED_TRACE(length);
    ZVRawFunctionScanIndices set(1);
    holdScans(set, 0, 10);
    ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 3u), ZVRAW_OK);
    ASSERT_EQ(set.writeIndices(0, root(), kFormat9, 1u), ZVRAW_OK);
    ASSERT_EQ(set.nextScanToWrite(0), 4u);
    Bytes expected = packedRecords(set, 0, 0, 10, 0);
    Bytes file = idx(0);
    file.resize(length, 0x5a);
    writeIdx(0, file);
    std::fill(expected.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(length, 88)),
              expected.begin() + 88, 0);  // a hole where the file was cut short
    ASSERT_EQ(set.writeIndices(0, root(), kFormat9), ZVRAW_OK);
    EXPECT_EQ(idx(0), expected);
    fs::remove(dir() / name(0, "idx"));
  }
}

// ---- damaged files ----

TEST_F(ScanIndicesTest, DamagedIndexAndDataFiles) {
  for (bool extended : {false, true}) {
    const unsigned flags[1] = {extended ? 1u : 0u};
    const std::size_t recordSize = extended ? 30 : 22;
    const Bytes idxFile = indexFileBytes(scans(5), extended);
    const Bytes datFile(460, 0x5A);  // scan 4 ends at 460
    // Opens the pair and walks everything the set then offers.
    const auto open = [&](const Bytes& idxBytes, const Bytes& datBytes, unsigned& n) {
      writeIdx(0, idxBytes);
      writeFile(dir() / name(0, "dat"), datBytes);
      ZVRawFunctionScanIndices set(1);
      const int rc = set.readIndices(root(), kFormats, flags);
      (void)set.getScansInFunction(0, n);
      float x;
      unsigned s = 0, e = 0, u = 0;
      std::vector<float> a(n), b(n);  // exact size
      if (n > 0) {
        EXPECT_EQ(set.getTICChromatogram(0, a.data(), b.data()), ZVRAW_OK);
      }
      for (unsigned k = 0; k < n; ++k) (void)set.getScanBPM(0, k, x);
      (void)set.getScanRangeFromTimeRange(0, 0.0f, 100.0f, s, e);
      (void)set.getScanFromRT(0, 3.3f, u, NEAREST);
      return rc;
    };
    unsigned n = 0;
    ASSERT_EQ(open(idxFile, datFile, n), ZVRAW_OK);
    ASSERT_EQ(n, 5u);
    for (std::size_t cut = 0; cut <= idxFile.size(); ++cut) {
      EXPECT_EQ(open(Bytes(idxFile.begin(), idxFile.begin() + static_cast<std::ptrdiff_t>(cut)), datFile, n), ZVRAW_OK);
      EXPECT_EQ(n, cut / recordSize) << "idx cut at " << cut;
    }
    for (std::size_t cut = 0; cut <= datFile.size(); ++cut) {
      EXPECT_EQ(open(idxFile, Bytes(datFile.begin(), datFile.begin() + static_cast<std::ptrdiff_t>(cut)), n), ZVRAW_OK);
      EXPECT_EQ(n, cut < 60 ? 0u : std::min<std::size_t>(5, (cut - 60) / 100 + 1)) << "dat cut at " << cut;
    }
    expectSurvivesCorruptions(
        idxFile, [&](const Bytes& damaged) { return open(damaged, datFile, n); }, 0x1d8);
    expectSurvivesCorruptions(
        datFile, [&](const Bytes& damaged) { return open(idxFile, damaged, n); }, 0xda7);
  }
}

}  // namespace

namespace {

// Every answer the set gives about function f, as bits (NaN RTs compare too).
std::vector<std::uint32_t> answers(ZVRawFunctionScanIndices& set, unsigned f) {
  std::vector<std::uint32_t> out;
  const auto bits = [&](float v) { out.push_back(std::bit_cast<std::uint32_t>(v)); };
  unsigned n = 0, u = 0;
  (void)set.getScansInFunction(f, n);
  out.push_back(n);
  out.push_back(static_cast<std::uint32_t>(set.getMaxScanSize(f, u)));
  out.push_back(u);
  for (unsigned s = 0; s <= n; ++s) {  // one past the end too
    float v = 0;
    out.push_back(static_cast<std::uint32_t>(set.getScanOffset(f, s, u)));
    out.push_back(u);
    out.push_back(static_cast<std::uint32_t>(set.getScanOffsetEx(f, s, u)));
    out.push_back(u);
    out.push_back(static_cast<std::uint32_t>(set.getPeaksInScan(f, s, u)));
    out.push_back(u);
    for (auto get : {&ZVRawFunctionScanIndices::getScanTIC, &ZVRawFunctionScanIndices::getScanBPI,
                     &ZVRawFunctionScanIndices::getScanBPM}) {
      out.push_back(static_cast<std::uint32_t>((set.*get)(f, s, v)));
      bits(v);
    }
    out.push_back(static_cast<std::uint32_t>(set.getRTFromScan(f, s, v)));
    bits(v);
    bool c = false;
    out.push_back(static_cast<std::uint32_t>(set.isContinuumScan(f, s, c)));
    out.push_back(c);
    out.push_back(set.isCalibrated(f, s));
  }
  std::vector<float> a(n), b(n);
  out.push_back(static_cast<std::uint32_t>(set.getBPIChromatogram(f, a.data(), b.data())));
  for (unsigned s = 0; s < n; ++s) bits(a[s]), bits(b[s]);
  for (float t : {-1.0f, 0.0f, 0.5f, 3.0f, 1e30f}) {
    for (auto mode : {NEAREST, NEAREST_LESS, NEAREST_GREATER}) {
      out.push_back(static_cast<std::uint32_t>(set.getScanFromRT(f, t, u, mode)));
      out.push_back(u);
    }
    unsigned s0 = 0, s1 = 0;
    out.push_back(static_cast<std::uint32_t>(set.getScanRangeFromTimeRange(f, t, t + 2, s0, s1)));
    out.push_back(s0);
    out.push_back(s1);
  }
  return out;
}

}  // namespace

// Records kept as the file's bytes answer as records decoded one by one into
// prepared records (the range read) do, for every format, both record forms
// and seeded random bytes; so do functions grown by a re-read, whose records
// leave the block their first read shared.
TEST_F(ScanIndicesTest, StoredRecordsAnswerAsDecodedOnes) {
  std::mt19937 random(0x5707ed);
  for (unsigned format : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u, 12u, 13u}) {
    for (bool extended : {false, true}) {
      const std::size_t size = extended ? 30 : 22;
      const unsigned formats[3] = {format, format, format}, flags[3] = {extended, extended, extended};
      std::vector<Bytes> files(3);
      for (unsigned f = 0; f < 3; ++f) {
        files[f].resize(size * (5 + f * 7));
        for (std::uint8_t& b : files[f]) b = static_cast<std::uint8_t>(random());
        std::fill(files[f].end() - static_cast<std::ptrdiff_t>(size), files[f].end(), 0);  // the last scan is complete
        writeIdx(f, files[f]);
        sizeDat(f, 0);
      }
      ZVRawFunctionScanIndices stored(3);
      ASSERT_EQ(stored.readIndices(root(), formats, flags), ZVRAW_OK);
      for (int pass = 0; pass < 2; ++pass) {
        ZVRawFunctionScanIndices decoded(3);
        ASSERT_EQ(decoded.setRawFilePath(root()), ZVRAW_OK);
        for (unsigned f = 0; f < 3; ++f) {
          const auto n = static_cast<unsigned>(files[f].size() / size);
          ASSERT_EQ(decoded.prepareScanIndicesBuffer(f, n), ZVRAW_OK);
          ASSERT_EQ(decoded.readIndices(f, 0, n - 1, format, extended), ZVRAW_OK);
        }
        (void)decoded.setMaxScanSizes();
        for (unsigned f = 0; f < 3; ++f)
          EXPECT_EQ(answers(stored, f), answers(decoded, f)) << "format " << format << " f " << f << " pass " << pass;
        // Function 1 grows by three complete records: a re-read appends them.
        files[1].insert(files[1].end(), 3 * size, 0);
        writeIdx(1, files[1]);
        ASSERT_EQ(stored.readIndices(root(), formats, flags), ZVRAW_OK);
      }
    }
  }
}

// A query on stored records while another reader's load decodes them (both
// through one shared set) sees the same times, never freed bytes.
TEST_F(ScanIndicesTest, QueriesWhileALoadDecodesTheRecords) {
  writeIdx(0, indexFileBytes(scans(2000), false));
  sizeDat(0, 200'000);
  for (int round = 0; round < 20; ++round) {
    ZVRawFunctionScanIndices set(1);
    ASSERT_EQ(set.readIndices(root(), kFormats), ZVRAW_OK);
    std::thread reader([&] {
      float rt = 0;
      for (unsigned s = 0; s < 2000; ++s)
        if (set.getRTFromScan(0, s, rt) != ZVRAW_OK || rt != 1.0f + static_cast<float>(s)) ADD_FAILURE() << s;
    });
    std::span<ZVRawFunctionScanIndexImp> records;
    EXPECT_EQ(set.getIndexArray(0, records), ZVRAW_OK);
    reader.join();
    EXPECT_EQ(records[1999].getRt(), 2000.0f);
  }
}

// The first scan with points decides; none with points gives 1, flag untouched.
TEST_F(ScanIndicesTest, FirstScanWithPointsGivesTheCalibration) {
  ZVRawFunctionScanIndices set(2);
  holdScans(set, 0, 3);
  std::span<ZVRawFunctionScanIndexImp> records;
  ASSERT_EQ(set.getIndexArray(0, records), ZVRAW_OK);
  records[0].peaksInScan() = 0;
  records[1].calibratedMasses() = 1;
  bool calibrated = false;
  EXPECT_EQ(set.firstScanCalibrated(0, calibrated), ZVRAW_OK);
  EXPECT_TRUE(calibrated);
  for (auto& r : records) r.peaksInScan() = 0;
  EXPECT_EQ(set.firstScanCalibrated(0, calibrated), ZVRAW_ERROR);
  EXPECT_TRUE(calibrated);
  EXPECT_EQ(set.firstScanCalibrated(1, calibrated), ZVRAW_ERROR);  // no records
  EXPECT_EQ(set.firstScanCalibrated(2, calibrated), ZVRAW_FUNCNUM_INVALID);
}
