#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "support/Corruption.h"
#include "support/StatsTableFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"
#include "support/TraceCapture.h"

using namespace borealtek_zvraw_version_1;
namespace fs = std::filesystem;

namespace {

// Short (1), float (9), char (100): header size 176, record size 7. The
// descriptors' offsets and the leader's record size are deliberately wrong:
// records follow the header size, each field in its type's width.
ByteBuilder threeFieldHeader() {
  return StatsTableFixture()
      .field(1, SHORT_INT_FIELD, 40, 0, "Linear")
      .field(9, SINGLE_FLOAT_FIELD, 0, 0, "abcdefghijklmnopqrstuvwxyz")  // 26 bytes, no NUL
      .field(100, CHAR_FIELD, 3, 0)
      .leader(99);
}

void appendThreeFieldRecord(ByteBuilder& b, int k) {
  b.i16(static_cast<std::int16_t>(-1 - k)).f32(0.25f * static_cast<float>(k)).u8(static_cast<std::uint8_t>(0x80 + k));
}

Bytes threeFieldFile(int records) {
  ByteBuilder b = threeFieldHeader();
  for (int k = 0; k < records; ++k) appendThreeFieldRecord(b, k);
  return b.take();
}

class ExtendedStatsReadTest : public TempDirTest {
 protected:
  // An index set whose functions count the given scans, at RT 0.5, 1.0, ...
  void index(std::vector<unsigned> scans) {
    indices_ = std::make_unique<ZVRawFunctionScanIndices>(static_cast<unsigned>(scans.size()));
    for (unsigned f = 0; f < scans.size(); ++f) {
      ASSERT_EQ(indices_->prepareScanIndicesBuffer(f, scans[f]), ZVRAW_OK);
      std::vector<double> rt(scans[f]);
      for (unsigned s = 0; s < scans[f]; ++s) rt[s] = 0.5 * (s + 1);
      if (scans[f] > 0) {
        ASSERT_EQ(indices_->setScanIndices(f, rt.data(), 0, scans[f] - 1), ZVRAW_OK);
      }
    }
    stats_ = std::make_unique<ZVRawExtendedStats>(static_cast<unsigned>(scans.size()), indices_.get());
  }
  int read() { return stats_->readStats(dir().string()); }
  int readFile0(const Bytes& bytes, unsigned scans) {
    writeFile(dir() / "_func001.sts", bytes);
    index({scans});
    return read();
  }
  unsigned indexed(unsigned f) const {
    unsigned n = 0;
    EXPECT_EQ(indices_->getScansInFunction(f, n), ZVRAW_OK);
    return n;
  }

  std::unique_ptr<ZVRawFunctionScanIndices> indices_;
  std::unique_ptr<ZVRawExtendedStats> stats_;
};

TEST_F(ExtendedStatsReadTest, LayoutAndRecords) {
  ASSERT_EQ(readFile0(threeFieldFile(3), 3), ZVRAW_OK);
  ZVRawExtendedStats& s = *stats_;
  EXPECT_TRUE(s.isValidStats(0));
  const ZVRawExtStatsHeaderLeader* l = s.getHeaderLeader(0);
  EXPECT_EQ(l->m_nHeaderSize, 176u);
  EXPECT_EQ(l->m_nVersion, 1u);
  EXPECT_EQ(l->m_nRecordSize, 99u);  // as stored
  EXPECT_EQ(l->m_nNumberOfFields, 3u);
  EXPECT_EQ(s.getField(0, 0)->m_nOffSet, 40u);
  EXPECT_EQ(s.getField(0, 1)->m_nFieldType, static_cast<unsigned>(SINGLE_FLOAT_FIELD));
  EXPECT_STREQ(s.getField(0, 0)->m_cFieldName, "Linear");
  EXPECT_STREQ(s.getField(0, 1)->m_cFieldName, "abcdefghijklmnopqrstuvwxyz");
  EXPECT_TRUE(s.isValidField(0, 1));
  EXPECT_TRUE(s.isValidField(0, 100));
  EXPECT_FALSE(s.isValidField(0, 2));

  ASSERT_EQ(s.GetStatsScanCount(0), 3u);
  for (unsigned k = 0; k < 3; ++k) {
    const ZVRawExtStatsRecord* r = s.getStatsRecord(0, k);
    EXPECT_EQ(r->m_nLinearDetectorVoltage, -1 - static_cast<int>(k));
    EXPECT_EQ(r->m_fLaserAimXPos, 0.25f * static_cast<float>(k));
    EXPECT_EQ(r->m_nReferenceScan, static_cast<char>(0x80 + k));
  }
  EXPECT_EQ(s.GetNextScanToWrite(0), 0u);  // reading writes nothing

  int count = 0;
  std::unique_ptr<ExtendedStatsRecord[]> entries;
  ASSERT_EQ(s.getExtendedStatsFields(0, entries, count), ZVRAW_OK);
  ASSERT_EQ(count, 3);
  EXPECT_STREQ(entries[2].Name, "Reference Scan");
}

TEST_F(ExtendedStatsReadTest, RecordsStartAtTheLeadersHeaderSize) {
  // Header size 200: 72 bytes between the last descriptor and the records.
  ByteBuilder b = StatsTableFixture().field(1, SHORT_INT_FIELD, 0, 0).field(9, SINGLE_FLOAT_FIELD, 2, 0).leader(6, 200);
  b.bytes({0xEE, 0xEE}).zeros(70);
  b.i16(7).f32(2.5f);
  ASSERT_EQ(readFile0(b.take(), 1), ZVRAW_OK);
  EXPECT_EQ(stats_->getStatsRecord(0, 0)->m_nLinearDetectorVoltage, 7);
  EXPECT_EQ(stats_->getStatsRecord(0, 0)->m_fLaserAimXPos, 2.5f);
}

TEST_F(ExtendedStatsReadTest, StoredTypesMeetTheirMembers) {
  ByteBuilder b = StatsTableFixture()
                      .field(TRANSPORT_RF, SINGLE_FLOAT_FIELD, 0, 0)
                      .field(LASERAIM_XPOS, SHORT_INT_FIELD, 4, 0)
                      .field(RAW_EE_CV, SHORT_INT_FIELD, 6, 0)  // no member: skipped by its width
                      .field(NEEDLE, SHORT_INT_FIELD, 8, 0)
                      .field(200, LONG_INT_FIELD, 10, 0)  // beyond the ids: skipped too
                      .field(GUARD, CHAR_FIELD, 14, 0)
                      .leader(15);
  b.f32(12.6f).i16(-2).u16(0xBEEF).i16(31).u32(0xDEADBEEF).u8(0xFE);
  b.f32(-3.7f).i16(5).u16(0xBEEF).i16(-31).u32(0xDEADBEEF).u8(0x01);
  ASSERT_EQ(readFile0(b.take(), 2), ZVRAW_OK);
  const ZVRawExtStatsRecord* r0 = stats_->getStatsRecord(0, 0);
  const ZVRawExtStatsRecord* r1 = stats_->getStatsRecord(0, 1);
  EXPECT_EQ(r0->m_nTransportRF, 13);
  EXPECT_EQ(r1->m_nTransportRF, -3);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(r0->m_fLaserAimXPos), 0x0000FFFEu);  // not -2.0
  EXPECT_EQ(r0->m_nNeedle, 31);
  EXPECT_EQ(r1->m_nNeedle, -31);
  EXPECT_EQ(r0->m_nGuard, -2);  // a char sign-extended
  EXPECT_EQ(r1->m_nGuard, 1);
  EXPECT_FALSE(stats_->isValidField(0, 200));
  EXPECT_TRUE(stats_->isValidField(0, RAW_EE_CV));
}

TEST_F(ExtendedStatsReadTest, DamagedFiles) {
  struct Case {
    const char* what;
    Bytes file;
    unsigned scans;
    int rc;
    unsigned records;
    bool valid;
  };
  ByteBuilder badType = StatsTableFixture().field(1, SHORT_INT_FIELD, 0, 0).field(9, 7, 2, 0).leader(2);
  badType.i16(1).zeros(20);
  ByteBuilder badTypeAtEnd = StatsTableFixture().field(1, SHORT_INT_FIELD, 0, 0).field(9, 7, 2, 0).leader(2);
  badTypeAtEnd.u8(1);
  StatsTableFixture many;
  for (int i = 0; i < 125; ++i) many.field(static_cast<std::uint16_t>(i % 124), CHAR_FIELD, 0, 0);
  const Bytes full = threeFieldFile(3);
  const Case cases[] = {
      {"ends inside the third record", Bytes(full.begin(), full.end() - 3), 3, ZVRAW_FILEREAD_EOFERROR, 2, false},
      {"ends after the second record", Bytes(full.begin(), full.end() - 7), 3, ZVRAW_FILEREAD_EOFERROR, 2, false},
      {"more records than scans", threeFieldFile(5), 3, ZVRAW_OK, 3, true},
      {"no scans", threeFieldFile(3), 0, ZVRAW_OK, 0, true},
      {"header block only", threeFieldFile(0), 2, ZVRAW_FILEREAD_EOFERROR, 0, false},
      {"a type outside 0-4", badType.take(), 2, ZVRAW_FILEREAD_ERROR, 0, false},
      {"a type outside 0-4 after the file's end", badTypeAtEnd.take(), 2, ZVRAW_FILEREAD_EOFERROR, 0, false},
      {"leader cut short", Bytes(full.begin(), full.begin() + 31), 3, ZVRAW_FILEREAD_ERROR, 0, false},
      {"descriptor cut short", Bytes(full.begin(), full.begin() + 170), 3, ZVRAW_FILEREAD_ERROR, 0, false},
      {"125 fields", many.leader(125).take(), 1, ZVRAW_FILEREAD_ERROR, 0, false},
      {"header size past the end", StatsTableFixture().field(1, 1, 0, 0).leader(2, 60000).take(), 1,
       ZVRAW_FILEREAD_EOFERROR, 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readFile0(c.file, c.scans), c.rc) << c.what;
    EXPECT_EQ(stats_->GetStatsScanCount(0), c.records) << c.what;
    EXPECT_EQ(stats_->isValidStats(0), c.valid) << c.what;
    for (unsigned k = 0; k < c.records; ++k) EXPECT_NE(stats_->getStatsRecord(0, k), nullptr);
  }
}

// Records are built from the bytes the read took when first asked for: a
// copy of one (which builds nothing) equals the built one, the count stays,
// and the file changing after the read changes neither.
TEST_F(ExtendedStatsReadTest, RecordsBuiltLaterAreThoseRead) {
  const Bytes full = threeFieldFile(4);
  for (const std::size_t cut : {full.size(), full.size() - 3, full.size() - 7, std::size_t{176}}) {
    (void)readFile0(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)), 4);
    const unsigned n = stats_->GetStatsScanCount(0);
    EXPECT_EQ(n, (cut - 176) / 7) << cut;
    writeFile(dir() / "_func001.sts", threeFieldFile(0));
    ZVRawExtStatsRecord copy;
    EXPECT_EQ(stats_->copyStatsRecord(0, n, copy), ZVRAW_ERROR);
    EXPECT_EQ(stats_->copyStatsRecord(1, 0, copy), ZVRAW_ERROR);
    for (unsigned k = 0; k < n; ++k) {
      ASSERT_EQ(stats_->copyStatsRecord(0, k, copy), ZVRAW_OK);
      const ZVRawExtStatsRecord* built = nullptr;
      ASSERT_EQ(std::as_const(*stats_).getStatsRecord(0, k, built), ZVRAW_OK);
      for (const ZVRawExtStatsRecord* r : {static_cast<const ZVRawExtStatsRecord*>(&copy), built}) {
        EXPECT_EQ(r->m_nLinearDetectorVoltage, -1 - static_cast<int>(k));
        EXPECT_EQ(r->m_fLaserAimXPos, 0.25f * static_cast<float>(k));
        EXPECT_EQ(r->m_nReferenceScan, static_cast<char>(0x80 + k));
        EXPECT_EQ(r->m_nSegmentNumber, 0);
      }
      ASSERT_EQ(stats_->copyStatsRecord(0, k, copy), ZVRAW_OK);  // from the built records now
      EXPECT_EQ(copy.m_nLinearDetectorVoltage, built->m_nLinearDetectorVoltage);
    }
    EXPECT_EQ(stats_->GetStatsScanCount(0), n);
  }
}

// A layout read with a type of no width cannot be written either.
TEST_F(ExtendedStatsReadTest, FieldsOfNoWidthAreNotWritten) {
  ByteBuilder b = StatsTableFixture().field(1, SHORT_INT_FIELD, 0, 0).field(9, 7, 2, 0).leader(2);
  b.i16(1).zeros(20);
  const Bytes file = b.take();
  ASSERT_EQ(readFile0(file, 1), ZVRAW_FILEREAD_ERROR);
  ASSERT_EQ(stats_->incrementStatsScanBuffer(0, 1), ZVRAW_OK);
  fs::create_directory(dir() / "out");
  EXPECT_EQ(stats_->writeExtendedStats((dir() / "out").string(), 0u), ZVRAW_FILEWRITE_ERROR);
  EXPECT_EQ(readFile(dir() / "out" / "_func001.sts"), Bytes(file.begin(), file.begin() + 128));
  EXPECT_EQ(stats_->GetNextScanToWrite(0), 0u);
}

TEST_F(ExtendedStatsReadTest, AHeaderBlockThatCannotBeReadLeavesNoLayout) {
  ASSERT_EQ(readFile0(threeFieldFile(2), 2), ZVRAW_OK);
  StatsTableFixture many;
  for (int i = 0; i < 125; ++i) many.field(1, SHORT_INT_FIELD, 0, 0);
  writeFile(dir() / "_func001.sts", many.leader(250).take());
  EXPECT_EQ(read(), ZVRAW_FILEREAD_ERROR);
  EXPECT_EQ(stats_->getHeaderLeader(0)->m_nNumberOfFields, 0u);
  EXPECT_EQ(stats_->getHeaderLeader(0)->m_nHeaderSize, 32u);
  EXPECT_EQ(stats_->GetStatsScanCount(0), 0u);
  EXPECT_FALSE(stats_->isValidStats(0));
  EXPECT_FALSE(stats_->isValidField(0, 1));
}

TEST_F(ExtendedStatsReadTest, EmptyAndMissingFiles) {
  // No bytes, or a layout of no fields: every indexed scan reads a zero
  // record, on the reading road (which builds none) and the changing one.
  const ZVRawExtStatsRecord zero{};
  for (const Bytes& file : {StatsTableFixture().leader(0).take(), Bytes{}}) {
    ASSERT_EQ(readFile0(file, 3), ZVRAW_OK);
    EXPECT_EQ(stats_->ensureScanCountsConsistent(0), ZVRAW_OK);
    EXPECT_EQ(stats_->GetStatsScanCount(0), 3u);
    EXPECT_TRUE(stats_->isValidStats(0));
    const ZVRawExtStatsRecord* read = nullptr;
    ASSERT_EQ(std::as_const(*stats_).getStatsRecord(0, 2, read), ZVRAW_OK);
    EXPECT_TRUE(*read == zero);
    EXPECT_EQ(std::as_const(*stats_).getStatsRecord(0, 3, read), ZVRAW_ERROR);
    EXPECT_EQ(read, nullptr);
    EXPECT_TRUE(*stats_->getStatsRecord(0, 2) == zero);
    EXPECT_EQ(stats_->GetStatsScanCount(0), 3u);
  }

  // No bytes, but a layout already defined: the records are missing.
  ASSERT_EQ(stats_->addField(0, NEEDLE), ZVRAW_OK);
  EXPECT_EQ(read(), ZVRAW_FILEREAD_EOFERROR);
  EXPECT_EQ(stats_->GetStatsScanCount(0), 0u);

  fs::remove(dir() / "_func001.sts");
  index({2});
  EXPECT_EQ(read(), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  EXPECT_FALSE(stats_->isValidStats(0));
  EXPECT_EQ(stats_->readStats(""), ZVRAW_FILENAME_ERROR);

  ZVRawExtendedStats unindexed(1);
  writeFile(dir() / "_func001.sts", threeFieldFile(1));
  EXPECT_EQ(unindexed.readStats(dir().string()), ZVRAW_ERROR);
  EXPECT_EQ(unindexed.getHeaderLeader(0)->m_nNumberOfFields, 3u);  // the layout was read
  EXPECT_FALSE(unindexed.isValidStats(0));
}

TEST_F(ExtendedStatsReadTest, FileNamesAndTheLastResult) {
  std::vector<unsigned> scans(100, 1);
  writeFile(dir() / "_func0100.sts", threeFieldFile(1));
  writeFile(dir() / "_FUNC001.STS", threeFieldFile(1));  // found by the case retries
  index(scans);
  EXPECT_EQ(read(), ZVRAW_OK);  // function 99's result
  EXPECT_TRUE(stats_->isValidStats(0));
  EXPECT_FALSE(stats_->isValidStats(1));
  EXPECT_TRUE(stats_->isValidStats(99));
  fs::remove(dir() / "_func0100.sts");
  EXPECT_EQ(read(), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  EXPECT_FALSE(stats_->isValidStats(99));
}

TEST_F(ExtendedStatsReadTest, WrittenRecordsReadBackEqual) {
  ZVRawExtendedStats w(2);
  const unsigned ids[] = {
      LINEAR_DETECTOR_VOLTAGE, LASERAIM_XPOS,       SAMPLE_PLATE_VOLT, TRANSPORT_RF,          SET_MASS,
      REFERENCE_SCAN,          LOCKMASS_CORRECTION, ACCURATE_MASS,     MAX_DRIFT_TIME_CHANNEL};
  for (unsigned id : ids) ASSERT_EQ(w.addField(1, id), ZVRAW_OK);
  ASSERT_EQ(w.incrementStatsScanBuffer(1, 4), ZVRAW_OK);
  for (unsigned k = 0; k < 4; ++k) {
    ZVRawExtStatsRecord* r = w.getStatsRecord(1, k);
    r->m_nLinearDetectorVoltage = static_cast<short>(-1000 * k);
    r->m_fLaserAimXPos = -1.25f * static_cast<float>(k);
    r->m_nSamplePlateVolt = static_cast<short>(-300 + static_cast<int>(k));
    r->m_nTransportRF = static_cast<short>(k * 11);
    r->m_fSetMass = 556.2771f + static_cast<float>(k);
    r->m_nReferenceScan = k == 2 ? '1' : 0;
    r->m_fLockMassCorrection = 1.0001f;
    r->m_cAccurateMass = static_cast<char>(-static_cast<int>(k));
    r->m_nMaxDriftTimeChannel = 199;
  }
  ASSERT_EQ(w.writeExtendedStats(dir().string(), 1u), ZVRAW_OK);
  index({0, 4});
  EXPECT_EQ(read(), ZVRAW_OK);
  ASSERT_EQ(stats_->GetStatsScanCount(1), 4u);
  for (unsigned k = 0; k < 4; ++k)
    EXPECT_TRUE(*stats_->getStatsRecord(1, k) == *w.getStatsRecord(1, k)) << k;
  for (unsigned i = 0; i < std::size(ids); ++i) {
    EXPECT_EQ(stats_->getField(1, i)->m_nFieldID, w.getField(1, i)->m_nFieldID);
    EXPECT_EQ(stats_->getField(1, i)->m_nOffSet, w.getField(1, i)->m_nOffSet);
  }
  EXPECT_EQ(stats_->getHeaderLeader(1)->m_nRecordSize, w.getHeaderLeader(1)->m_nRecordSize);
}

TEST_F(ExtendedStatsReadTest, ScanCountsFollowTheRecords) {
  writeFile(dir() / "_func001.sts", threeFieldFile(3));
  writeFile(dir() / "_func002.sts", threeFieldFile(3));
  writeFile(dir() / "_func003.sts", threeFieldFile(6));
  index({5, 5, 4});
  EXPECT_EQ(read(), ZVRAW_OK);
  const TraceCapture trace;
  for (unsigned f = 0; f < 3; ++f) EXPECT_EQ(stats_->ensureScanCountsConsistent(f), ZVRAW_OK);
  EXPECT_EQ(stats_->ensureScanCountsConsistent(3), ZVRAW_OK);
  EXPECT_EQ(trace.text(), "Func 1 - Updating scan count from 5 to 3\n");
  EXPECT_EQ(indexed(0), 5u);  // function 0 is never changed
  EXPECT_EQ(indexed(1), 3u);
  EXPECT_EQ(indexed(2), 4u);

  ZVRawExtendedStats unindexed(2);
  EXPECT_EQ(unindexed.ensureScanCountsConsistent(1), ZVRAW_OK);
}

TEST_F(ExtendedStatsReadTest, FunctionsWithoutStatisticsKeepTheirScans) {
  writeFile(dir() / "_func001.sts", threeFieldFile(3));
  index({3, 5});  // function 1 has no statistics file
  (void)read();
  const TraceCapture trace;
  EXPECT_EQ(stats_->ensureScanCountsConsistent(1), ZVRAW_OK);
  EXPECT_EQ(trace.text(), "");
  EXPECT_EQ(indexed(1), 5u);
}

class ExtendedStatsTimeWriteTest : public ExtendedStatsReadTest {
 protected:
  // Function 0: 10 records of one short field (k + 1), scans at RT 0.5 .. 5.0.
  void SetUp() override {
    ExtendedStatsReadTest::SetUp();
    index({10, 0});
    ASSERT_EQ(stats_->addField(0, NEEDLE), ZVRAW_OK);
    ASSERT_EQ(stats_->incrementStatsScanBuffer(0, 10), ZVRAW_OK);
    for (unsigned k = 0; k < 10; ++k) stats_->getStatsRecord(0, k)->m_nNeedle = static_cast<short>(k + 1);
  }
  Bytes file(int records) const {
    ByteBuilder b = StatsTableFixture().field(NEEDLE, SHORT_INT_FIELD, 0, 0).leader(2);
    for (int k = 0; k < records; ++k) b.i16(static_cast<std::int16_t>(k + 1));
    return b.take();
  }
  Bytes written() const { return readFile(dir() / "_func001.sts"); }
  std::string d() const { return dir().string(); }
};

TEST_F(ExtendedStatsTimeWriteTest, UpToATime) {
  ASSERT_EQ(stats_->writeExtendedStats(d(), 0u, 2.2f), ZVRAW_OK);  // scans before 2.5: 0-3
  EXPECT_EQ(written(), file(4));
  EXPECT_EQ(stats_->GetNextScanToWrite(0), 4u);
  EXPECT_TRUE(stats_->isValidStats(0));
  // A time before the mark: nothing, and no error.
  EXPECT_EQ(stats_->writeAppendStatsRecords(d(), 0, 1.0f), ZVRAW_OK);
  EXPECT_EQ(stats_->writeExtendedStats(d(), 0u, 0.1f), ZVRAW_RETENTIONTIME_INVALID);  // before the first scan
  EXPECT_EQ(written(), file(4));
  EXPECT_EQ(stats_->GetNextScanToWrite(0), 4u);
  // Every function holding records, past the last scan. Function 1 holds none.
  ASSERT_EQ(stats_->writeExtendedStats(d(), 99.0f), ZVRAW_OK);
  EXPECT_EQ(written(), file(10));
  EXPECT_EQ(stats_->GetNextScanToWrite(0), 10u);
  EXPECT_FALSE(fs::exists(dir() / "_func002.sts"));
}

TEST_F(ExtendedStatsTimeWriteTest, TimeRanges) {
  ASSERT_EQ(stats_->writeExtendedStats(d(), 0u, 2.2f), ZVRAW_OK);  // 0-3, mark 4
  // 1.2 .. 3.1 is scans 1-5; those below the mark are in the file already.
  ASSERT_EQ(stats_->writeAppendStatsRecords(d(), 0, 1.2f, 3.1f), ZVRAW_OK);
  EXPECT_EQ(written(), file(6));
  EXPECT_EQ(stats_->GetNextScanToWrite(0), 6u);
  EXPECT_EQ(stats_->writeAppendStatsRecords(d(), 0, 0.5f, 1.0f), ZVRAW_OK);  // wholly before the mark
  EXPECT_EQ(stats_->writeAppendStatsRecords(d(), 0, 3.0f, 1.0f), ZVRAW_RETENTIONTIME_INVALID);
  EXPECT_EQ(stats_->GetNextScanToWrite(0), 6u);
  ASSERT_EQ(stats_->writeExtendedStats(d(), 0.0f, 9.0f), ZVRAW_OK);
  EXPECT_EQ(written(), file(10));
}

TEST_F(ExtendedStatsTimeWriteTest, LookupFailuresComeFirst) {
  ASSERT_EQ(stats_->incrementStatsScanBuffer(1, 2), ZVRAW_OK);  // records, but no indexed scans
  EXPECT_EQ(stats_->writeExtendedStats(d(), 1u, 1.0f), ZVRAW_RETENTIONTIME_INVALID);
  EXPECT_EQ(stats_->writeAppendStatsRecords(d(), 1, 0.0f, 1.0f), ZVRAW_FUNCNUM_INVALID);  // no scans
  EXPECT_EQ(stats_->writeExtendedStats(d(), 99.0f), ZVRAW_RETENTIONTIME_INVALID);         // stops at function 1
  EXPECT_EQ(written(), file(10));                                                         // function 0 went first
  EXPECT_TRUE(fs::exists(dir() / "_func002.sts"));  // its header block, but no records
  EXPECT_EQ(fs::file_size(dir() / "_func002.sts"), 32u);
  EXPECT_EQ(stats_->writeExtendedStats("", 1.0f), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(stats_->writeAppendStatsRecords(d(), 2, 1.0f), ZVRAW_FUNCNUM_INVALID);

  ZVRawExtendedStats unindexed(1);
  ASSERT_EQ(unindexed.incrementStatsScanBuffer(0, 1), ZVRAW_OK);
  EXPECT_EQ(unindexed.writeAppendStatsRecords(d(), 0, 1.0f), ZVRAW_ERROR);
  EXPECT_EQ(unindexed.writeAppendStatsRecords(d(), 0, 1.0f, 2.0f), ZVRAW_ERROR);
}

// Every cut of a valid file, and random damage to its leader, descriptors and
// records: a result code the reader documents, and no out-of-bounds access
// (each record held is copied whole, so sanitizers see a short one).
class ExtendedStatsDamageTest : public ExtendedStatsReadTest {
 protected:
  int readDamaged(const Bytes& bytes, unsigned scans) {
    const int rc = readFile0(bytes, scans);
    EXPECT_TRUE(rc == ZVRAW_OK || rc == ZVRAW_FILEREAD_ERROR || rc == ZVRAW_FILEREAD_EOFERROR) << rc;
    ZVRawExtStatsRecord sink;
    for (unsigned k = 0; k < stats_->GetStatsScanCount(0); ++k)
      std::memcpy(&sink, stats_->getStatsRecord(0, k), sizeof sink);
    EXPECT_LE(stats_->GetStatsScanCount(0), scans);
    EXPECT_LE(stats_->getHeaderLeader(0)->m_nNumberOfFields, 124u);
    return rc;
  }
};

TEST_F(ExtendedStatsDamageTest, EveryCutFails) {
  const Bytes valid = threeFieldFile(4);
  // A file of no bytes is an empty layout, which reads.
  expectRejectsTruncations(
      valid, [&](const Bytes& b) { return readDamaged(b, 4); }, [](std::size_t cut) { return cut == 0; });
}

TEST_F(ExtendedStatsDamageTest, RandomDamage) {
  const Bytes valid = threeFieldFile(6);
  // Damage confined to one part of the file.
  const auto splice = [&](std::size_t from) {
    return [&valid, from, this](const Bytes& part) {
      Bytes b = valid;
      std::copy(part.begin(), part.end(), b.begin() + static_cast<std::ptrdiff_t>(from));
      return readDamaged(b, 6);
    };
  };
  const Bytes leader(valid.begin(), valid.begin() + 32);
  const Bytes descriptors(valid.begin() + 32, valid.begin() + 176);
  const Bytes records(valid.begin() + 176, valid.end());
  expectSurvivesCorruptions(leader, splice(0), 0x1eade5, 150);
  expectSurvivesCorruptions(descriptors, splice(32), 0xde5c, 150);
  expectSurvivesCorruptions(records, splice(176), 0x2ec, 100);
  expectSurvivesCorruptions(
      valid, [&](const Bytes& b) { return readDamaged(b, 6); }, 0x5eed, 150);
}

}  // namespace
