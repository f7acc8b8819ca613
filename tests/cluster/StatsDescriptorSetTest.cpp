#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cluster/StatsDescriptorSet.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

ExtendedStatsDescriptor layoutOf(int recordSize, std::initializer_list<std::pair<ExtendedStatsField, int>> fields,
                                 int declared = -1) {
  ExtendedStatsDescriptor d;
  d.initDescriptor(declared < 0 ? static_cast<int>(fields.size()) : declared, recordSize);
  for (const auto& [field, offset] : fields) d.addField(field, offset);
  return d;
}

// Caller records as one exact-size heap block, so reading past it is caught.
std::vector<unsigned char> block(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

unsigned int layoutFieldCount(const ZVRawExtendedStats& stats, unsigned int fn) {
  return stats.getHeaderLeader(fn)->m_nNumberOfFields;
}

TEST(StatsScatter, OneShortAtOffsetTwoOverThreeScans) {
  ZVRawExtendedStats stats(2);
  StatsDescriptorSet set;
  ASSERT_EQ(set.set(2, 1, layoutOf(4, {{{SEGMENT_NUMBER, 's'}, 2}}), &stats), 0);
  const auto records = block(ByteBuilder().i16(-9).i16(11).i16(-9).i16(-12).i16(-9).i16(13).take());
  ASSERT_EQ(set.appendStats(stats, 1, 3, records.data()), 0);
  ASSERT_EQ(stats.GetStatsScanCount(1), 3u);
  EXPECT_EQ(stats.getStatsRecord(1, 0)->m_nSegmentNumber, 11);
  EXPECT_EQ(stats.getStatsRecord(1, 1)->m_nSegmentNumber, -12);
  EXPECT_EQ(stats.getStatsRecord(1, 2)->m_nSegmentNumber, 13);
  EXPECT_EQ(layoutFieldCount(stats, 1), 1u);  // the id joined once
  EXPECT_TRUE(stats.isValidField(1, SEGMENT_NUMBER));
  EXPECT_EQ(stats.GetStatsScanCount(0), 0u);
}

TEST(StatsScatter, EveryLetterAtUnalignedOffsets) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  const auto layout = layoutOf(13, {{{REFERENCE_SCAN, 's'}, 0},
                                    {{COLLISION_ENERGY, 'f'}, 2},
                                    {{ACCURATE_MASS, 'c'}, 6},
                                    {{NEEDLE, 's'}, 7},
                                    {{SET_MASS, 'f'}, 9}});
  ASSERT_EQ(set.set(1, 0, layout, &stats), 0);
  const auto records = block(ByteBuilder()
                                 .i16(300)
                                 .f32(2.5f)
                                 .u8(0xFE)
                                 .i16(-300)
                                 .f32(556.25f)
                                 .i16(1)
                                 .f32(-1.0f)
                                 .u8(0x01)
                                 .i16(7)
                                 .f32(0.0f)
                                 .take());
  ASSERT_EQ(set.appendStats(stats, 0, 2, records.data()), 0);
  const ZVRawExtStatsRecord* r0 = stats.getStatsRecord(0, 0);
  EXPECT_EQ(r0->m_nReferenceScan, 44);
  EXPECT_EQ(r0->m_fCollisionEnergy, 2.5f);
  EXPECT_EQ(r0->m_cAccurateMass, -2);
  EXPECT_EQ(r0->m_nNeedle, -300);
  EXPECT_EQ(r0->m_fSetMass, 556.25f);
  const ZVRawExtStatsRecord* r1 = stats.getStatsRecord(0, 1);
  EXPECT_EQ(r1->m_nReferenceScan, 1);
  EXPECT_EQ(r1->m_fCollisionEnergy, -1.0f);
  EXPECT_EQ(r1->m_cAccurateMass, 1);
  EXPECT_EQ(r1->m_nNeedle, 7);
  EXPECT_EQ(layoutFieldCount(stats, 0), 5u);
  // The function's own layout follows the declared order.
  EXPECT_EQ(stats.getField(0, 0)->m_nFieldID, static_cast<unsigned int>(REFERENCE_SCAN));
  EXPECT_EQ(stats.getField(0, 4)->m_nFieldID, static_cast<unsigned int>(SET_MASS));
}

// Stores run in position order, so the last field naming a member wins.
TEST(StatsScatter, AnIdDeclaredTwiceKeepsTheLastValue) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  ASSERT_EQ(set.set(1, 0, layoutOf(6, {{{NEEDLE, 's'}, 0}, {{NEEDLE, 'f'}, 2}}), &stats), 0);
  const auto records = block(ByteBuilder().i16(5).f32(-7.9f).take());
  ASSERT_EQ(set.appendStats(stats, 0, 1, records.data()), 0);
  EXPECT_EQ(stats.getStatsRecord(0, 0)->m_nNeedle, -7);
  EXPECT_EQ(layoutFieldCount(stats, 0), 1u);
}

TEST(StatsScatter, ASetterNeedsTheRecordAndAddsItsIdOnce) {
  ZVRawExtendedStats stats(2);
  const StatsSetter& setter = *getSetRoutine(REFERENCE_SCAN);
  const std::int16_t value = 300;
  EXPECT_EQ(setStatsField(stats, 0, 0, setter, 's', &value), ZVRAW_ERROR);  // no record yet
  EXPECT_EQ(setStatsField(stats, 5, 0, setter, 's', &value), ZVRAW_ERROR);
  EXPECT_EQ(layoutFieldCount(stats, 0), 0u);
  ASSERT_EQ(stats.incrementStatsScanBuffer(0, 2), 0);
  EXPECT_EQ(setStatsField(stats, 0, 1, setter, 's', &value), 0);
  EXPECT_EQ(setStatsField(stats, 0, 0, setter, 's', &value), 0);
  EXPECT_EQ(setStatsField(stats, 0, 2, setter, 's', &value), ZVRAW_ERROR);
  EXPECT_EQ(stats.getStatsRecord(0, 1)->m_nReferenceScan, 44);
  EXPECT_EQ(layoutFieldCount(stats, 0), 1u);
}

TEST(StatsScatter, BatchesAppendedBeforeAWriteKeepTheirOwnRecords) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  ASSERT_EQ(set.set(1, 0, layoutOf(2, {{{NEEDLE, 's'}, 0}}), &stats), 0);
  const auto a = block(ByteBuilder().i16(1).i16(2).take());
  const auto b = block(ByteBuilder().i16(3).i16(4).i16(5).take());
  ASSERT_EQ(set.appendStats(stats, 0, 2, a.data()), 0);
  ASSERT_EQ(set.appendStats(stats, 0, 3, b.data()), 0);
  ASSERT_EQ(stats.GetStatsScanCount(0), 5u);
  for (unsigned int s = 0; s < 5; ++s) EXPECT_EQ(stats.getStatsRecord(0, s)->m_nNeedle, static_cast<short>(s + 1));
}

TEST(StatsScatter, LayoutsThatCannotBeScatteredAreRefused) {
  struct Row {
    const char* what;
    ExtendedStatsDescriptor layout;
  };
  const Row rows[] = {
      {"id 85 has no setter", layoutOf(4, {{{85, 'f'}, 0}})},
      {"id 11 with an 's'", layoutOf(4, {{{NUM_SHOTS_SUMMED, 's'}, 0}, {{0, 's'}, 2}})},
      {"letter d", layoutOf(8, {{{NEEDLE, 'd'}, 0}})},
      {"letter 0", layoutOf(8, {{{NEEDLE, 0}, 0}})},
      {"negative offset", layoutOf(8, {{{NEEDLE, 's'}, -1}})},
      {"one byte past the record", layoutOf(4, {{{COLLISION_ENERGY, 'f'}, 1}})},
      {"negative record size", layoutOf(-4, {{{ACCURATE_MASS, 'c'}, 0}})},
      {"third field never added", layoutOf(6, {{{NEEDLE, 's'}, 0}, {{FOCUS, 's'}, 2}}, 3)},
  };
  for (const Row& r : rows) {
    ZVRawExtendedStats stats(1);
    StatsDescriptorSet set;
    EXPECT_EQ(set.set(1, 0, r.layout, &stats), ZVRAW_SCANSTATS_FIELD_INVALID) << r.what;
    EXPECT_EQ(set.get(0), nullptr) << r.what;
    const auto records = block(Bytes(64, 0x11));
    EXPECT_EQ(set.appendStats(stats, 0, 1, records.data()), ZVRAW_EXTENDEDSTATS_NOTSET) << r.what;
    EXPECT_EQ(stats.GetStatsScanCount(0), 0u) << r.what;
    EXPECT_EQ(layoutFieldCount(stats, 0), 0u) << r.what;
  }
  // The last byte of the record is still inside it.
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  EXPECT_EQ(set.set(1, 0, layoutOf(5, {{{COLLISION_ENERGY, 'f'}, 1}}), &stats), 0);
}

TEST(StatsScatter, SettingAgainReplacesTheLayoutAndItsSetters) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  ASSERT_EQ(set.set(1, 0, layoutOf(2, {{{NEEDLE, 's'}, 0}}), &stats), 0);
  ASSERT_EQ(set.set(1, 0, layoutOf(4, {{{COLLISION_ENERGY, 'f'}, 0}}), &stats), 0);
  EXPECT_EQ(set.get(0)->getImp()->getSetterRoutine(0), getSetRoutine(COLLISION_ENERGY));
  const auto records = block(ByteBuilder().f32(7.5f).take());
  ASSERT_EQ(set.appendStats(stats, 0, 1, records.data()), 0);
  EXPECT_EQ(stats.getStatsRecord(0, 0)->m_fCollisionEnergy, 7.5f);
  EXPECT_EQ(stats.getStatsRecord(0, 0)->m_nNeedle, 0);
  EXPECT_FALSE(stats.isValidField(0, NEEDLE));
}

TEST(StatsScatter, TheStoredLayoutIsTheSetsOwnCopy) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  {
    auto layout = layoutOf(2, {{{NEEDLE, 's'}, 0}});
    ASSERT_EQ(set.set(1, 0, layout, &stats), 0);
    layout.initDescriptor(0, 0);
  }
  EXPECT_EQ(set.get(0)->getFieldID(0), NEEDLE);
  EXPECT_EQ(set.get(0)->getImp()->getSetterRoutine(0), getSetRoutine(NEEDLE));
}

TEST(StatsScatter, CallsOutsideTheirBounds) {
  ZVRawExtendedStats stats(2);
  StatsDescriptorSet set;
  const auto records = block(ByteBuilder().i16(5).take());
  EXPECT_EQ(set.set(2, 2, layoutOf(2, {{{NEEDLE, 's'}, 0}}), &stats), ZVRAW_FUNCNUM_INVALID);
  EXPECT_FALSE(set.hasArray());
  EXPECT_EQ(set.appendStats(stats, 0, 1, records.data()), ZVRAW_EXTENDEDSTATS_NOTSET);
  EXPECT_EQ(set.appendStats(stats, 7, 1, records.data()), ZVRAW_EXTENDEDSTATS_NOTSET);
  ASSERT_EQ(set.set(2, 0, layoutOf(2, {{{NEEDLE, 's'}, 0}}), &stats), 0);
  EXPECT_TRUE(set.hasArray());
  EXPECT_EQ(set.get(1), nullptr);
  EXPECT_EQ(set.appendStats(stats, 0, 0, nullptr), 0);  // no records: nothing at all
  EXPECT_EQ(set.appendStats(stats, 0, 1, nullptr), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(stats.GetStatsScanCount(0), 0u);
  EXPECT_EQ(layoutFieldCount(stats, 0), 0u);

  set.reset(3);
  EXPECT_TRUE(set.hasArray());
  EXPECT_EQ(set.get(0), nullptr);
  set.appendFunction();
  ASSERT_EQ(set.set(4, 3, layoutOf(2, {{{NEEDLE, 's'}, 0}}), nullptr), 0);
  EXPECT_NE(set.get(3), nullptr);
}

class StatsScatterFile : public TempDirTest {};

// Once records are in a function's file its layout is final.
TEST_F(StatsScatterFile, NoNewIdOnceRecordsAreWritten) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  ASSERT_EQ(set.set(1, 0, layoutOf(2, {{{NEEDLE, 's'}, 0}}), &stats), 0);
  const auto one = block(ByteBuilder().i16(5).take());
  ASSERT_EQ(set.appendStats(stats, 0, 1, one.data()), 0);
  ASSERT_EQ(stats.writeExtendedStats(dir().string(), 0u, 0u), 0);
  ASSERT_EQ(stats.GetNextScanToWrite(0), 1u);

  EXPECT_EQ(set.set(1, 0, layoutOf(4, {{{NEEDLE, 's'}, 0}, {{FOCUS, 's'}, 2}}), &stats), ZVRAW_SCANSTATS_FIELD_INVALID);
  EXPECT_EQ(set.get(0)->getFieldCount(), 1);  // the old layout stays
  EXPECT_EQ(set.set(1, 0, layoutOf(4, {{{NEEDLE, 's'}, 2}}), &stats), 0);
  const auto two = block(ByteBuilder().i16(0).i16(6).take());
  ASSERT_EQ(set.appendStats(stats, 0, 1, two.data()), 0);
  EXPECT_EQ(stats.getStatsRecord(0, 1)->m_nNeedle, 6);
}

// A layout stored while the file was empty meets a file begun without its ids.
TEST_F(StatsScatterFile, AFailedAppendChangesNothing) {
  ZVRawExtendedStats stats(1);
  StatsDescriptorSet set;
  ASSERT_EQ(set.set(1, 0, layoutOf(2, {{{NEEDLE, 's'}, 0}}), &stats), 0);
  ZVRawExtStatsRecord zero;
  ASSERT_EQ(stats.addStatsRecords(0, 0, 0, &zero), 0);
  ASSERT_EQ(stats.writeExtendedStats(dir().string(), 0u, 0u), 0);
  const auto one = block(ByteBuilder().i16(5).take());
  EXPECT_EQ(set.appendStats(stats, 0, 1, one.data()), ZVRAW_SCANSTATS_FIELD_INVALID);
  EXPECT_EQ(stats.GetStatsScanCount(0), 1u);
  EXPECT_EQ(layoutFieldCount(stats, 0), 0u);
}

}  // namespace
