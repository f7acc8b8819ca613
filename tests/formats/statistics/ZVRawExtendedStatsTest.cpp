#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "formats/statistics/ZVRawExtendedStats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

struct FieldView {
  unsigned id, type, offset;
};

std::vector<FieldView> layoutOf(const ZVRawExtendedStats& s, unsigned fn) {
  std::vector<FieldView> out;
  for (unsigned i = 0; const ZVRawExtStatsField* f = s.getField(fn, i); ++i)
    out.push_back({f->m_nFieldID, f->m_nFieldType, f->m_nOffSet});
  return out;
}

bool operator==(const FieldView& a, const FieldView& b) {
  return a.id == b.id && a.type == b.type && a.offset == b.offset;
}

ZVRawExtStatsRecord recordWith(short coarse) {
  ZVRawExtStatsRecord r;
  r.m_nCoarseLaserControl = coarse;
  return r;
}

// Two objects must never own the same records: copying is withheld.
static_assert(!std::is_copy_constructible_v<ZVRawExtendedStats> && !std::is_copy_assignable_v<ZVRawExtendedStats>);

TEST(ExtendedStatsLayout, NewFunctionsAreEmpty) {
  ZVRawExtendedStats s(2);
  EXPECT_EQ(s.getFunctionCount(), 2u);
  const ZVRawExtStatsHeaderLeader* l = s.getHeaderLeader(1);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->m_nHeaderSize, 32u);
  EXPECT_EQ(l->m_nVersion, 1u);
  EXPECT_EQ(l->m_nRecordSize, 0u);
  EXPECT_EQ(l->m_nNumberOfFields, 0u);
  EXPECT_EQ(s.getHeaderLeader(2), nullptr);
  EXPECT_EQ(s.getField(0, 0), nullptr);
  EXPECT_EQ(s.GetStatsScanCount(0), 0u);
  EXPECT_EQ(s.GetNextScanToWrite(0), 0u);
  EXPECT_FALSE(s.isValidStats(0));
  EXPECT_FALSE(s.isValidStats(2));
  for (unsigned id = 0; id <= 124; ++id) EXPECT_FALSE(s.isValidField(0, id));
}

TEST(ExtendedStatsLayout, FieldsFollowOneAnother) {
  ZVRawExtendedStats s(1);
  EXPECT_EQ(s.addField(0, LINEAR_DETECTOR_VOLTAGE), ZVRAW_OK);  // short
  EXPECT_EQ(s.addField(0, LASERAIM_XPOS), ZVRAW_OK);            // float
  const std::vector<FieldView> two{{1, SHORT_INT_FIELD, 0}, {9, SINGLE_FLOAT_FIELD, 2}};
  EXPECT_EQ(layoutOf(s, 0), two);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nRecordSize, 6u);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nHeaderSize, 128u);
  EXPECT_TRUE(s.isValidField(0, 1));
  EXPECT_TRUE(s.isValidField(0, 9));
  EXPECT_FALSE(s.isValidField(0, 2));

  EXPECT_EQ(s.addField(0, LINEAR_DETECTOR_VOLTAGE), ZVRAW_OK);  // already there: nothing changes
  EXPECT_EQ(layoutOf(s, 0), two);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nRecordSize, 6u);

  EXPECT_EQ(s.addField(0, 124), ZVRAW_ERROR);
  EXPECT_EQ(s.addField(0, 0xFFFFFFFFu), ZVRAW_ERROR);
  EXPECT_EQ(s.addField(1, 5), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nNumberOfFields, 2u);

  // Id 78 is defined as one byte, whatever the dictionary shows.
  EXPECT_EQ(s.addField(0, COLLISION_ENERGY2), ZVRAW_OK);
  EXPECT_EQ(s.addField(0, REFERENCE_SCAN), ZVRAW_OK);
  const std::vector<FieldView> four{
      {1, SHORT_INT_FIELD, 0}, {9, SINGLE_FLOAT_FIELD, 2}, {78, CHAR_FIELD, 6}, {100, CHAR_FIELD, 7}};
  EXPECT_EQ(layoutOf(s, 0), four);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nRecordSize, 8u);
}

TEST(ExtendedStatsLayout, EveryIdFitsOnce) {
  ZVRawExtendedStats s(1);
  unsigned recordSize = 0;
  for (unsigned id = 0; id <= MAX_FIELD_ID; ++id) {
    ASSERT_EQ(s.addField(0, id), ZVRAW_OK) << id;
    recordSize += fieldTypeToSize(fieldIDToType(id));
  }
  EXPECT_EQ(s.getHeaderLeader(0)->m_nNumberOfFields, 124u);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nHeaderSize, 32u + 48u * 124u);
  EXPECT_EQ(s.getHeaderLeader(0)->m_nRecordSize, recordSize);
  EXPECT_EQ(s.getField(0, 123)->m_nOffSet + fieldTypeToSize(s.getField(0, 123)->m_nFieldType), recordSize);
}

TEST(ExtendedStatsLayout, ValidFieldFlags) {
  ZVRawExtendedStats s(1);
  EXPECT_EQ(s.setValidField(0, 123), ZVRAW_OK);
  EXPECT_TRUE(s.isValidField(0, 123));
  EXPECT_EQ(s.setValidField(0, 124), ZVRAW_ERROR);
  EXPECT_FALSE(s.isValidField(0, 124));
  EXPECT_EQ(s.setValidField(1, 3), ZVRAW_FUNCNUM_INVALID);
  EXPECT_FALSE(s.isValidField(1, 3));
}

TEST(ExtendedStatsRecords, GrowByZeroRecords) {
  ZVRawExtendedStats s(1);
  EXPECT_EQ(s.incrementStatsScanBuffer(1, 3), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.incrementStatsScanBuffer(0, 0), ZVRAW_OK);
  EXPECT_EQ(s.GetStatsScanCount(0), 0u);
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 2), ZVRAW_OK);
  s.getStatsRecord(0, 1)->m_nCoarseLaserControl = 7;
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 3), ZVRAW_OK);
  EXPECT_EQ(s.GetStatsScanCount(0), 5u);
  EXPECT_EQ(s.getStatsRecord(0, 1)->m_nCoarseLaserControl, 7);
  const ZVRawExtStatsRecord zero{};
  EXPECT_TRUE(*s.getStatsRecord(0, 4) == zero);
  // A count beyond 32 bits is refused before anything is allocated.
  EXPECT_EQ(s.incrementStatsScanBuffer(0, 0xFFFFFFFFu), ZVRAW_MEMALLOC_ERROR);
  EXPECT_EQ(s.GetStatsScanCount(0), 5u);
}

TEST(ExtendedStatsRecords, AddedOnlyPastTheEnd) {
  ZVRawExtendedStats s(1);
  const ZVRawExtStatsRecord src[3] = {recordWith(10), recordWith(11), recordWith(12)};
  EXPECT_EQ(s.addStatsRecords(0, 0, 0, nullptr), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(s.addStatsRecords(1, 0, 0, src), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.addStatsRecords(0, 2, 1, src), ZVRAW_ERROR);

  // Records 2-3 with a zero gap before them.
  ASSERT_EQ(s.addStatsRecords(0, 2, 3, src), ZVRAW_OK);
  EXPECT_EQ(s.GetStatsScanCount(0), 4u);
  EXPECT_EQ(s.getStatsRecord(0, 0)->m_nCoarseLaserControl, 0);
  EXPECT_EQ(s.getStatsRecord(0, 2)->m_nCoarseLaserControl, 10);
  EXPECT_EQ(s.getStatsRecord(0, 3)->m_nCoarseLaserControl, 11);

  EXPECT_EQ(s.addStatsRecords(0, 3, 3, src), ZVRAW_ERROR);  // ends inside the records held
  EXPECT_EQ(s.addStatsRecord(0, 1, src), ZVRAW_ERROR);
  ASSERT_EQ(s.addStatsRecord(0, 4, &src[2]), ZVRAW_OK);
  EXPECT_EQ(s.getStatsRecord(0, 4)->m_nCoarseLaserControl, 12);
  // A range that starts inside and ends past the records held replaces the overlap.
  ASSERT_EQ(s.addStatsRecords(0, 4, 5, src), ZVRAW_OK);
  EXPECT_EQ(s.getStatsRecord(0, 4)->m_nCoarseLaserControl, 10);
  EXPECT_EQ(s.getStatsRecord(0, 5)->m_nCoarseLaserControl, 11);
  EXPECT_EQ(s.addStatsRecords(0, 0xFFFFFFFFu, 0xFFFFFFFFu, src), ZVRAW_MEMALLOC_ERROR);
}

TEST(ExtendedStatsRecords, LookupsOutOfRange) {
  ZVRawExtendedStats s(2);
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 2), ZVRAW_OK);
  const ZVRawExtStatsRecord* out = nullptr;
  EXPECT_EQ(s.getStatsRecord(0, 1, out), ZVRAW_OK);
  EXPECT_EQ(out, s.getStatsRecord(0, 1));
  EXPECT_EQ(s.getStatsRecord(0, 2, out), ZVRAW_ERROR);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(s.getStatsRecord(1, 0, out), ZVRAW_ERROR);
  EXPECT_EQ(s.getStatsRecord(2, 0, out), ZVRAW_ERROR);
  EXPECT_EQ(s.getStatsRecord(0, 2), nullptr);
  EXPECT_EQ(s.getStatsRecord(2, 0), nullptr);
  EXPECT_EQ(s.GetStatsScanCount(2), 0u);
  EXPECT_EQ(s.GetNextScanToWrite(2), 0u);
}

TEST(ExtendedStatsRecords, AppendedFunctionsStartEmpty) {
  ZVRawExtendedStats s(1);
  ASSERT_EQ(s.addField(0, NEEDLE), ZVRAW_OK);
  ASSERT_EQ(s.incrementStatsScanBuffer(0, 3), ZVRAW_OK);
  ASSERT_EQ(s.appendFunctions(2), ZVRAW_OK);
  EXPECT_EQ(s.getFunctionCount(), 3u);
  EXPECT_EQ(s.GetStatsScanCount(0), 3u);
  EXPECT_TRUE(s.isValidField(0, NEEDLE));
  EXPECT_EQ(s.GetStatsScanCount(2), 0u);
  EXPECT_EQ(s.getHeaderLeader(2)->m_nHeaderSize, 32u);
  EXPECT_FALSE(s.isValidField(2, NEEDLE));
  EXPECT_EQ(s.addField(2, NEEDLE), ZVRAW_OK);
}

TEST(ExtendedStatsFieldList, NothingListedBeforeTheStatisticsAreValid) {
  ZVRawExtendedStats s(1);
  ASSERT_EQ(s.addField(0, NEEDLE), ZVRAW_OK);
  ZVRawExtendedStats::FieldTexts names, types;
  std::unique_ptr<ExtendedStatsRecord[]> entries;
  int count = -5;
  EXPECT_EQ(s.getExtendedStatsFields(1, names, types, count), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.getExtendedStatsFields(1, entries, count), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(s.getExtendedStatsFields(0, names, types, count), ZVRAW_OK);
  EXPECT_EQ(s.getExtendedStatsFields(0, entries, count), ZVRAW_OK);
  EXPECT_EQ(count, -5);
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(types, nullptr);
  EXPECT_EQ(entries, nullptr);
}

}  // namespace
