#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "cluster/ExtendedStatsDescriptor.h"
#include "formats/statistics/StatsTable.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

TEST(ExtendedStatsDescriptor, FieldFromIdKnowsTheDeclarableIdsOnly) {
  struct Row {
    int id;
    int rc;
    char type;
  };
  const Row rows[] = {{1, 0, 's'},
                      {8, 0, 's'},
                      {9, 0, 'f'},
                      {10, 0, 'f'},
                      {62, 0, 'f'},
                      {77, 0, 'f'},
                      {81, 0, 's'},
                      {82, 0, 'f'},
                      {84, 0, 'f'},
                      {100, 0, 's'},
                      // 11 has a setter but is not declarable; 101 neither
                      {11, 75, '?'},
                      {101, 75, '?'},
                      {0, 75, '?'},
                      {-1, 75, '?'},
                      {255, 75, '?'},
                      {85, 75, '?'}};
  for (const Row& r : rows) {
    ExtendedStatsField f{-7, '?'};
    EXPECT_EQ(ExtendedStatsDescriptor::getFieldFromID(r.id, f), r.rc) << r.id;
    EXPECT_EQ(f.nID, r.rc == 0 ? r.id : -7) << r.id;
    EXPECT_EQ(f.cType, r.type) << r.id;
  }
}

TEST(ExtendedStatsDescriptor, AddFieldStopsAtTheDeclaredCount) {
  ExtendedStatsDescriptor d;
  EXPECT_EQ(d.getFieldCount(), 0);
  EXPECT_EQ(d.getRecordSize(), 0);
  d.initDescriptor(2, 6);
  d.addField({1, 's'}, 0);
  d.addField({9, 'f'}, 2);
  d.addField({62, 'f'}, 6);  // beyond the declared count: ignored
  EXPECT_EQ(d.getFieldCount(), 2);
  EXPECT_EQ(d.getRecordSize(), 6);
  EXPECT_EQ(d.getFieldID(1), 9);
  EXPECT_EQ(d.getImp()->getFieldOffSet(1), 2);
  EXPECT_EQ(d.getImp()->getCurrentCount(), 2);
  // Positions outside the layout read as fields never added.
  EXPECT_EQ(d.getFieldID(2), 0);
  EXPECT_EQ(d.getFieldID(-1), 0);
  EXPECT_EQ(d.getImp()->getSetterRoutine(5), nullptr);

  // A new layout forgets the old fields; a negative count is an empty layout.
  d.initDescriptor(3, 4);
  EXPECT_EQ(d.getImp()->getCurrentCount(), 0);
  EXPECT_EQ(d.getFieldID(0), 0);
  d.initDescriptor(-2, 4);
  EXPECT_EQ(d.getFieldCount(), 0);
}

TEST(ExtendedStatsDescriptor, CopiesAreDeepAndAssignmentCopiesTheLayout) {
  ExtendedStatsDescriptor a(1, 2);
  a.addField({1, 's'}, 0);
  ExtendedStatsDescriptor b(a);
  b.initDescriptor(2, 8);
  EXPECT_EQ(a.getFieldCount(), 1);
  EXPECT_EQ(a.getFieldID(0), 1);
  EXPECT_NE(a.getImp(), b.getImp());
  a = b;
  EXPECT_EQ(a.getFieldCount(), 2);
  EXPECT_EQ(a.getRecordSize(), 8);
  EXPECT_NE(a.getImp(), b.getImp());
  const auto& self = a;
  a = self;  // self-assignment keeps the layout
  EXPECT_EQ(a.getFieldCount(), 2);
}

TEST(StatsSetters, IdsWithoutARowHaveNoSetter) {
  for (int id : {-1, 0, 14, 21, 49, 78, 79, 80, 85, 99, 109, 110, 111, 114, 122, 123, 124, 255})
    EXPECT_EQ(getSetRoutine(id), nullptr) << id;
  EXPECT_STREQ(getSetRoutine(106)->pcName, "setFaimsCompensationVoltage");
  EXPECT_STREQ(getSetRoutine(84)->pcName, "setQuadPeakWidth");  // the writer stores 82 to 84 too
  EXPECT_EQ(statsSetters().size(), 56u);
}

// Each setter's member agrees with the statistics dictionary's type for its
// id, and a store touches that member's bytes and nothing else.
TEST(StatsSetters, EverySetterWritesExactlyItsOwnMember) {
  for (const StatsSetter& s : statsSetters()) {
    const ExtendedStatsRecord* entry = &StatsRecords[static_cast<std::size_t>(s.nID)];
    const int expectedType = s.eKind == StatsMemberKind::Float   ? SINGLE_FLOAT_FIELD
                             : s.eKind == StatsMemberKind::Short ? SHORT_INT_FIELD
                                                                 : CHAR_FIELD;
    EXPECT_EQ(entry->Type, expectedType) << s.pcName;
    const std::size_t width = s.eKind == StatsMemberKind::Float ? 4 : s.eKind == StatsMemberKind::Short ? 2 : 1;

    ZVRawExtStatsRecord record;
    std::vector<unsigned char> before(sizeof record, 0xA5);
    std::memcpy(&record, before.data(), sizeof record);
    const std::int16_t value = 0x0102;
    storeStatsValue(record, s, 's', &value);
    std::vector<unsigned char> after(sizeof record);
    std::memcpy(after.data(), &record, sizeof record);
    for (std::size_t i = 0; i < after.size(); ++i) {
      const bool inside = i >= s.nOffset && i < s.nOffset + width;
      if (!inside) {
        EXPECT_EQ(after[i], 0xA5) << s.pcName << " byte " << i;
      }
    }
    EXPECT_NE(0, std::memcmp(after.data() + s.nOffset, before.data() + s.nOffset, width)) << s.pcName;
  }
}

TEST(StatsSetters, ValuesAreConvertedToTheMemberType) {
  static_assert(std::endian::native == std::endian::little);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Row {
    int id;
    char type;
    double in;  // the value in the caller's type
    double out;
  };
  const Row rows[] = {
      {100, 's', 300, 44},        // one-byte member keeps the low byte
      {100, 's', -1, -1},         //
      {112, 's', 0x1234, 0x34},   //
      {112, 'f', 300.9, 44},      // truncated to 300, then the low byte
      {1, 'f', 3.7, 3},           // toward zero
      {1, 'f', -3.7, -3},         //
      {1, 'f', 1e9, 32767},       // saturates
      {1, 'f', -1e9, -32768},     //
      {1, 'f', nan, 0},           //
      {1, 'c', -5, -5},           // sign-extended
      {9, 's', -2, -2.0},         // a number, not a bit pattern
      {9, 'c', -128, -128.0},     //
      {62, 'f', 12.625, 12.625},  //
      {76, 's', -32768, -32768},  //
  };
  for (const Row& r : rows) {
    ZVRawExtStatsRecord record;
    unsigned char bytes[4] = {};
    if (r.type == 'f') {
      const auto f = static_cast<float>(r.in);
      std::memcpy(bytes, &f, 4);
    } else if (r.type == 's') {
      const auto v = static_cast<std::int16_t>(r.in);
      std::memcpy(bytes, &v, 2);
    } else {
      bytes[0] = static_cast<unsigned char>(static_cast<std::int8_t>(r.in));
    }
    const StatsSetter* s = getSetRoutine(r.id);
    ASSERT_NE(s, nullptr);
    storeStatsValue(record, *s, r.type, bytes);
    double got = 0;
    const auto* at = reinterpret_cast<const unsigned char*>(&record) + s->nOffset;
    if (s->eKind == StatsMemberKind::Float) {
      float f;
      std::memcpy(&f, at, 4);
      got = f;
    } else if (s->eKind == StatsMemberKind::Short) {
      std::int16_t v;
      std::memcpy(&v, at, 2);
      got = v;
    } else {
      got = static_cast<std::int8_t>(*at);
    }
    EXPECT_EQ(got, r.out) << "id " << r.id << " type " << r.type << " in " << r.in;
  }
}

}  // namespace
