#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "formats/statistics/ZVRawExtendedStats.h"
#include "support/FileSizeLimit.h"
#include "support/StatsTableFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kShortFloatChar[] = {LINEAR_DETECTOR_VOLTAGE, LASERAIM_XPOS, REFERENCE_SCAN};

// Leader and descriptors of a layout of short (1), float (9), char (100):
// header size 176, record size 7.
ByteBuilder shortFloatCharHeader() {
  return StatsTableFixture()
      .field(1, SHORT_INT_FIELD, 0, 0)
      .field(9, SINGLE_FLOAT_FIELD, 2, 0)
      .field(100, CHAR_FIELD, 6, 0)
      .leader(7);
}

void appendShortFloatChar(ByteBuilder& b, int k) {
  b.i16(static_cast<std::int16_t>(-2 + 300 * k)).f32(1.5f - static_cast<float>(k)).u8(static_cast<std::uint8_t>(k - 1));
}

class ExtendedStatsWriteTest : public TempDirTest {
 protected:
  // Function 0 with the short/float/char layout and n records.
  void defineRecords(ZVRawExtendedStats& s, int n, int from = 0) {
    for (unsigned id : kShortFloatChar) ASSERT_EQ(s.addField(0, id), ZVRAW_OK);
    ASSERT_EQ(s.incrementStatsScanBuffer(0, static_cast<unsigned>(n)), ZVRAW_OK);
    for (int k = from; k < static_cast<int>(s.GetStatsScanCount(0)); ++k) fill(s, k);
  }
  static void fill(ZVRawExtendedStats& s, int k) {
    ZVRawExtStatsRecord* r = s.getStatsRecord(0, static_cast<unsigned>(k));
    r->m_nLinearDetectorVoltage = static_cast<short>(-2 + 300 * k);
    r->m_fLaserAimXPos = 1.5f - static_cast<float>(k);
    r->m_nReferenceScan = static_cast<char>(k - 1);
  }
  static Bytes expected(int n) {
    ByteBuilder b = shortFloatCharHeader();
    for (int k = 0; k < n; ++k) appendShortFloatChar(b, k);
    return b.take();
  }
  std::string d() const { return dir().string(); }
  fs::path sts() const { return dir() / "_func001.sts"; }
};

TEST_F(ExtendedStatsWriteTest, HeaderBlockAndRecordsInFileOrder) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 2);
  ASSERT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(2));
  EXPECT_EQ(s.GetNextScanToWrite(0), 2u);
  EXPECT_TRUE(s.isValidStats(0));

  // Nothing new: nothing is written (the file is not even created again).
  fs::remove(sts());
  EXPECT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  EXPECT_FALSE(fs::exists(sts()));
}

TEST_F(ExtendedStatsWriteTest, LaterRecordsAreAppendedOnce) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 2);
  ASSERT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 2), ZVRAW_OK);
  fill(s, 2);
  fill(s, 3);
  s.getStatsRecord(0, 0)->m_nLinearDetectorVoltage = 999;  // already written: stays as it was in the file
  ASSERT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(4));
  EXPECT_EQ(s.GetNextScanToWrite(0), 4u);
}

TEST_F(ExtendedStatsWriteTest, FieldsWithoutAMemberAndWideFields) {
  ZVRawExtendedStats s(1);
  for (unsigned id : {RAW_EE_CV, SAMPLE_PLATE_VOLT, COLLISION_ENERGY2, LINEAR_SENSITIVITY})
    ASSERT_EQ(s.addField(0, id), ZVRAW_OK);
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 1), ZVRAW_OK);
  ZVRawExtStatsRecord* r = s.getStatsRecord(0, 0);
  r->m_nSamplePlateVolt = -3;     // a short in a 4-byte field: sign-filled
  r->m_fCollisionEnergy2 = 2.0f;  // bound to no id: the field stays zero
  r->m_nLinearSensitivity = 0x1234;
  ASSERT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  ByteBuilder b = StatsTableFixture()
                      .field(110, CHAR_FIELD, 0, 0)
                      .field(21, SINGLE_FLOAT_FIELD, 1, 0)
                      .field(78, CHAR_FIELD, 5, 0)
                      .field(2, SHORT_INT_FIELD, 6, 0)
                      .leader(8);
  b.u8(0).i32(-3).u8(0).u16(0x1234);
  EXPECT_EQ(readFile(sts()), b.take());
}

TEST_F(ExtendedStatsWriteTest, CountForm) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 3);
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 1u), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(1));
  EXPECT_EQ(s.GetNextScanToWrite(0), 1u);
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 0u), ZVRAW_OK);  // 0: everything left
  EXPECT_EQ(readFile(sts()), expected(3));
  EXPECT_EQ(s.GetNextScanToWrite(0), 3u);
  EXPECT_EQ(s.writeAppendStatsRecords(d(), 0, 5u), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(3));
  // More than are left: up to the last record.
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 1), ZVRAW_OK);
  fill(s, 3);
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 0xFFFFFFFFu), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(4));
  EXPECT_EQ(s.GetNextScanToWrite(0), 4u);
}

// Records land at their own positions, whatever order the ranges come in,
// and the range form leaves the mark alone.
TEST_F(ExtendedStatsWriteTest, RangesLandAtTheirOwnRecords) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 10);
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 6u, 99u), ZVRAW_OK);  // header block, then 6-9
  EXPECT_EQ(s.GetNextScanToWrite(0), 0u);
  ASSERT_EQ(s.writeAppendStatsRecords(d(), 0, 0u, 2u), ZVRAW_OK);
  ASSERT_EQ(s.writeAppendStatsRecords(d(), 0, 2u, 5u), ZVRAW_OK);  // 2 again: overwritten, not repeated
  EXPECT_EQ(readFile(sts()), expected(10));
  EXPECT_EQ(s.writeAppendStatsRecords(d(), 0, 10u, 20u), ZVRAW_OK);  // past the last record: nothing
  EXPECT_EQ(s.writeAppendStatsRecords(d(), 0, 5u, 4u), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(10));
}

TEST_F(ExtendedStatsWriteTest, NewFieldsOnlyWhileNothingFollowsTheHeader) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 2);
  // The range form writes header and records but leaves the mark at 0: a
  // new field is still taken, and the next write lays the header down again.
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 0u, 1u), ZVRAW_OK);
  ASSERT_EQ(s.addField(0, NEEDLE), ZVRAW_OK);
  s.getStatsRecord(0, 0)->m_nNeedle = 5;
  ASSERT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  ByteBuilder b = StatsTableFixture()
                      .field(1, SHORT_INT_FIELD, 0, 0)
                      .field(9, SINGLE_FLOAT_FIELD, 2, 0)
                      .field(100, CHAR_FIELD, 6, 0)
                      .field(50, SHORT_INT_FIELD, 7, 0)
                      .leader(9);
  appendShortFloatChar(b, 0);
  b.i16(5);
  appendShortFloatChar(b, 1);
  b.i16(0);
  EXPECT_EQ(readFile(sts()), b.take());

  // Records now follow the header block: a new field would no longer match them.
  EXPECT_EQ(s.addField(0, NEEDLE), ZVRAW_OK);
  EXPECT_EQ(s.addField(0, GUARD), ZVRAW_ERROR);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nNumberOfFields, 4u);
  EXPECT_FALSE(s.isValidField(0, GUARD));
}

TEST_F(ExtendedStatsWriteTest, ArgumentsAndMissingRecords) {
  ZVRawExtendedStats s(2);
  defineRecords(s, 1);
  EXPECT_EQ(s.writeExtendedStats(d(), 2u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.writeExtendedStats(d(), 2, 0u, 1u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.writeExtendedStats(d(), 2, 0u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.writeAppendStatsRecords(d(), 2, 0u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.writeAppendStatsRecords(d(), 2, 0u, 1u), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.writeHeaderBlock(d(), 2), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.writeExtendedStats("", 0u), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(s.writeExtendedStats("", 0, 0u), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(s.writeAppendStatsRecords("", 0, 0u), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(s.writeExtendedStats(std::string(300, 'd'), 0u), ZVRAW_FILENAME_ERROR);

  // Function 1 holds no records: only the count form lays its header down.
  EXPECT_EQ(s.writeExtendedStats(d(), 1u), ZVRAW_OK);
  EXPECT_EQ(s.writeExtendedStats(d(), 1, 0u, 5u), ZVRAW_OK);
  EXPECT_FALSE(fs::exists(dir() / "_func002.sts"));
  EXPECT_EQ(s.writeExtendedStats(d(), 1, 0u), ZVRAW_OK);
  EXPECT_EQ(readFile(dir() / "_func002.sts"), StatsTableFixture().leader(0).take());
  EXPECT_TRUE(s.isValidStats(1));
}

TEST_F(ExtendedStatsWriteTest, FilesThatCannotBeOpened) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 2);
  const std::string missing = (dir() / "no" / "such").string();
  EXPECT_EQ(s.writeExtendedStats(missing, 0u), ZVRAW_STATSFILE_FILEWRITEOPEN_ERROR);
  EXPECT_FALSE(s.isValidStats(0));
  EXPECT_EQ(s.GetNextScanToWrite(0), 0u);
  // Records are never written without the header block before them.
  EXPECT_EQ(s.writeAppendStatsRecords(d(), 0, 0u), ZVRAW_STATSFILE_FILEWRITEOPEN_ERROR);
  EXPECT_FALSE(fs::exists(sts()));
  // Still due: the next write lays the header block down.
  ASSERT_EQ(s.writeExtendedStats(d(), 0u), ZVRAW_OK);
  EXPECT_EQ(readFile(sts()), expected(2));
}

// A write cut short by the file-size limit leaves the mark on the first
// record not wholly written; the retry puts every record at its own place.
TEST_F(ExtendedStatsWriteTest, ShortWritesAreReportedAndRetried) {
  ZVRawExtendedStats s(1);
  defineRecords(s, 400);
  const Bytes all = expected(400);
  int rc = 0;
  {
    const FileSizeLimit limit(176 + 7 * 150 + 3);
    ASSERT_TRUE(limit.ok());
    rc = s.writeExtendedStats(d(), 0, 0u);
  }
  EXPECT_EQ(rc, ZVRAW_FILEWRITE_ERROR);
  EXPECT_LE(s.GetNextScanToWrite(0), 150u);
  EXPECT_LE(fs::file_size(sts()), 176u + 7 * 150 + 3);
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 0u), ZVRAW_OK);
  EXPECT_EQ(s.GetNextScanToWrite(0), 400u);
  EXPECT_EQ(readFile(sts()), all);

  // The header block itself cut short: it stays due.
  ZVRawExtendedStats t(1);
  for (unsigned id : kShortFloatChar) ASSERT_EQ(t.addField(0, id), ZVRAW_OK);
  ASSERT_EQ(t.incrementStatsScanBuffer(0, 1), ZVRAW_OK);
  fs::remove(sts());
  {
    const FileSizeLimit limit(100);
    ASSERT_TRUE(limit.ok());
    rc = t.writeExtendedStats(d(), 0u);
  }
  EXPECT_EQ(rc, ZVRAW_FILEWRITE_ERROR);
  ASSERT_EQ(t.writeExtendedStats(d(), 0u), ZVRAW_OK);
  ByteBuilder b = shortFloatCharHeader();
  b.zeros(7);
  EXPECT_EQ(readFile(sts()), b.take());
}

TEST_F(ExtendedStatsWriteTest, FieldListAfterWriting) {
  ZVRawExtendedStats s(1);
  for (unsigned id : {LINEAR_DETECTOR_VOLTAGE, COLLISION_ENERGY2, RAW_EE_CV, SAMPLE_PLATE_VOLT})
    ASSERT_EQ(s.addField(0, id), ZVRAW_OK);
  ASSERT_EQ(s.writeExtendedStats(d(), 0, 0u), ZVRAW_OK);
  ZVRawExtendedStats::FieldTexts names, types;
  int count = 0;
  ASSERT_EQ(s.getExtendedStatsFields(0, names, types, count), ZVRAW_OK);
  ASSERT_EQ(count, 4);
  const char* expectedNames[] = {"Linear Detector Voltage", "IMS Collision Energy", "", "Sample Plate Voltage"};
  const char* expectedTypes[] = {"short", "float", "char", "float"};  // the dictionary's types
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(names[i], expectedNames[i]);
    EXPECT_STREQ(types[i], expectedTypes[i]);
    EXPECT_EQ(names[i][63], '\0');
  }

  std::unique_ptr<ExtendedStatsRecord[]> entries;
  ASSERT_EQ(s.getExtendedStatsFields(0, entries, count), ZVRAW_OK);
  ASSERT_EQ(count, 4);
  EXPECT_EQ(entries[1].Code, COLLISION_ENERGY2);
  EXPECT_EQ(entries[2].Code, 0);  // id 110 has no entry
  EXPECT_STREQ(entries[3].Name, "Sample Plate Voltage");

  ZVRawExtendedStats empty(1);
  ASSERT_EQ(empty.writeExtendedStats(d(), 0, 0u), ZVRAW_OK);
  count = 9;
  EXPECT_EQ(empty.getExtendedStatsFields(0, names, types, count), ZVRAW_OK);
  EXPECT_EQ(count, 0);
}

}  // namespace
