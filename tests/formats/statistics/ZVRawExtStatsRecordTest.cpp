#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "support/DecimalCommaLocale.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

using Record = ZVRawExtStatsRecord;

// Where a member sits, so a test can check that no other byte changed.
struct Member {
  std::size_t offset, width;
};

Member memberOf(unsigned id) {
  switch (id) {
    case COURSE_LASER_CONTROL:
      return {offsetof(Record, m_nCoarseLaserControl), 2};
    case LASERAIM_XPOS:
      return {offsetof(Record, m_fLaserAimXPos), 4};
    case SAMPLE_PLATE_VOLT:
      return {offsetof(Record, m_nSamplePlateVolt), 2};
    case TRANSPORT_RF:
      return {offsetof(Record, m_nTransportRF), 2};
    case SET_MASS:
      return {offsetof(Record, m_fSetMass), 4};
    case REFERENCE_SCAN:
      return {offsetof(Record, m_nReferenceScan), 1};
    case LOCKMASS_CORRECTION:
      return {offsetof(Record, m_fLockMassCorrection), 4};
    case ACCURATE_MASS:
      return {offsetof(Record, m_cAccurateMass), 1};
    case MAX_DRIFT_TIME_CHANNEL:
      return {offsetof(Record, m_nMaxDriftTimeChannel), 2};
    default:
      return {0, 0};
  }
}

std::vector<std::uint8_t> bytesOf(const Record& r) {
  std::vector<std::uint8_t> b(sizeof r);
  std::memcpy(b.data(), &r, sizeof r);
  return b;
}

// A record whose every byte is 0xAA.
Record patterned() {
  Record r;
  std::memset(static_cast<void*>(&r), 0xAA, sizeof r);
  return r;
}

std::uint64_t memberValue(const Record& r, unsigned id) {
  const Member m = memberOf(id);
  std::uint64_t v = 0;
  std::memcpy(&v, reinterpret_cast<const char*>(&r) + m.offset, m.width);
  return v;
}

TEST(ExtStatsDictionary, EntriesSitAtTheirIds) {
  int named = 0;
  for (unsigned id = 0; id < StatsRecords.size(); ++id) {
    const ExtendedStatsRecord& e = StatsRecords[id];
    if (e.Name[0] == '\0') {
      EXPECT_EQ(e.Code, 0) << id;
      EXPECT_EQ(e.Type, 0) << id;
      continue;
    }
    ++named;
    EXPECT_EQ(e.Code, static_cast<int>(id));
    EXPECT_LT(std::strlen(e.Name), 64u);
  }
  EXPECT_EQ(named, 74);

  struct Case {
    unsigned id;
    const char* name;
    int type;
  };
  const Case cases[] = {
      {1, "Linear Detector Voltage", SHORT_INT_FIELD},
      {7, "Course Laser Control", SHORT_INT_FIELD},
      {21, "Sample Plate Voltage", SINGLE_FLOAT_FIELD},
      {26, "PSD Factor", SINGLE_FLOAT_FIELD},
      {50, "Needle", SHORT_INT_FIELD},
      {78, "IMS Collision Energy", SINGLE_FLOAT_FIELD},
      {79, "Set Mass Calibration Supported", CHAR_FIELD},
      {84, "Vesko Peak Width", SINGLE_FLOAT_FIELD},
      {100, "Reference Scan", CHAR_FIELD},
      {108, "TIC B Trace", SINGLE_FLOAT_FIELD},
      {112, "Accurate Mass Flag", CHAR_FIELD},
      {113, "Accurate Mass Diagnostic Flags", SHORT_INT_FIELD},
      {123, "Maximum Drift Time Channel", SHORT_INT_FIELD},
      // Ids without a name: never defined, named constants only, codes past the ids.
      {0, "", 0},
      {27, "", 0},
      {49, "", 0},
      {85, "", 0},
      {109, "", 0},
      {110, "", 0},
      {117, "", 0},
      {118, "", 0},
      {121, "", 0},
      {252, "", 0},
      {255, "", 0},
  };
  for (const Case& c : cases) {
    const ExtendedStatsRecord* e = ZVRawExtendedStats::getStatsRecord(c.id);
    ASSERT_NE(e, nullptr) << c.id;
    EXPECT_STREQ(e->Name, c.name) << c.id;
    EXPECT_EQ(e->Type, c.type) << c.id;
  }
  EXPECT_EQ(ZVRawExtendedStats::getStatsRecord(256u), nullptr);
  EXPECT_EQ(ZVRawExtendedStats::getStatsRecord(std::numeric_limits<unsigned>::max()), nullptr);
}

TEST(ExtStatsDictionary, WidthsAndDefaultTypes) {
  const unsigned widths[] = {1, 2, 4, 4, 8, 0, 0};
  for (unsigned t = 0; t < 7; ++t) EXPECT_EQ(fieldTypeToSize(t), widths[t]) << t;
  EXPECT_EQ(fieldTypeToSize(0xFFFFFFFFu), 0u);

  struct Case {
    unsigned id, type;
  };
  const Case cases[] = {
      {0, CHAR_FIELD},
      {1, SHORT_INT_FIELD},
      {9, SINGLE_FLOAT_FIELD},
      {21, SINGLE_FLOAT_FIELD},
      {76, SHORT_INT_FIELD},
      {77, SINGLE_FLOAT_FIELD},
      {78, CHAR_FIELD},  // a float in the dictionary, one byte when
                         // defined here
      {79, CHAR_FIELD},
      {100, CHAR_FIELD},
      {102, SINGLE_FLOAT_FIELD},
      {110, CHAR_FIELD},
      {113, SHORT_INT_FIELD},
      {123, SHORT_INT_FIELD},
      {124, CHAR_FIELD},
      {252, CHAR_FIELD},
  };
  for (const Case& c : cases) EXPECT_EQ(fieldIDToType(c.id), c.type) << c.id;
}

// Each case unpacks stored bytes into a record of 0xAA bytes; only the
// member's bytes may change.
TEST(ExtStatsFieldCodec, UnpackingFillsOnlyTheMember) {
  struct Case {
    const char* what;
    unsigned id, type;
    std::vector<std::uint8_t> stored;
    std::uint64_t member;  // the member's bytes afterwards, little-endian
  };
  const Case cases[] = {
      {"char into short, sign-extended", COURSE_LASER_CONTROL, CHAR_FIELD, {0x80}, 0xFF80},
      {"char into short, positive", COURSE_LASER_CONTROL, CHAR_FIELD, {0x7F}, 0x007F},
      {"short into short", COURSE_LASER_CONTROL, SHORT_INT_FIELD, {0xFE, 0xFF}, 0xFFFE},
      {"int into short keeps the low bytes", COURSE_LASER_CONTROL, LONG_INT_FIELD, {0x78, 0x56, 0x34, 0x12}, 0x5678},
      {"double into short", MAX_DRIFT_TIME_CHANNEL, DOUBLE_FLOAT_FIELD, {1, 2, 3, 4, 5, 6, 7, 8}, 0x0201},
      {"short into float is a byte copy", LASERAIM_XPOS, SHORT_INT_FIELD, {0xFE, 0xFF}, 0x0000FFFE},
      {"char into float, zero-filled", LOCKMASS_CORRECTION, CHAR_FIELD, {0x80}, 0x00000080},
      {"float into float", SET_MASS, SINGLE_FLOAT_FIELD, {0x00, 0x00, 0xC0, 0x3F}, 0x3FC00000},
      {"double into float keeps the low bytes", SET_MASS, DOUBLE_FLOAT_FIELD, {1, 2, 3, 4, 5, 6, 7, 8}, 0x04030201},
      {"short into a one-byte member", REFERENCE_SCAN, SHORT_INT_FIELD, {0x34, 0x12}, 0x34},
      {"accurate mass takes the first byte", ACCURATE_MASS, SHORT_INT_FIELD, {0xFF, 0x01}, 0xFF},
      {"sample plate float into its short", SAMPLE_PLATE_VOLT, SINGLE_FLOAT_FIELD, {0xCD, 0xAB, 0x80, 0x3F}, 0xABCD},
      {"transport RF as a short", TRANSPORT_RF, SHORT_INT_FIELD, {0xFB, 0xFF}, 0xFFFB},
  };
  for (const Case& c : cases) {
    Record r = patterned();
    const std::vector<std::uint8_t> before = bytesOf(r);
    const std::vector<char> buffer(c.stored.begin(), c.stored.end());  // exact size
    ASSERT_EQ(setFieldValueFromBuffer(r, c.id, c.type, buffer.data()), ZVRAW_OK) << c.what;
    EXPECT_EQ(memberValue(r, c.id), c.member) << c.what;
    const Member m = memberOf(c.id);
    const std::vector<std::uint8_t> after = bytesOf(r);
    for (std::size_t i = 0; i < after.size(); ++i) {
      if (i < m.offset || i >= m.offset + m.width) {
        ASSERT_EQ(after[i], before[i]) << c.what << " byte " << i;
      }
    }
  }
}

TEST(ExtStatsFieldCodec, TransportRFStoredAsFloatIsRounded) {
  struct Case {
    float stored;
    short expected;
  };
  const Case cases[] = {
      {12.6f, 13},
      {-3.7f, -3},
      {12.4f, 12},
      {0.49999997f, 0},
      {-0.5f, 0},
      {32766.6f, 32767},
      {1e9f, 32767},
      {-1e9f, -32768},
      {std::numeric_limits<float>::quiet_NaN(), 0},
      {std::numeric_limits<float>::infinity(), 32767},
  };
  for (const Case& c : cases) {
    Record r;
    char bytes[4];
    std::memcpy(bytes, &c.stored, 4);
    ASSERT_EQ(setFieldValueFromBuffer(r, TRANSPORT_RF, SINGLE_FLOAT_FIELD, bytes), ZVRAW_OK);
    EXPECT_EQ(r.m_nTransportRF, c.expected) << c.stored;
  }
  // Any type but a short is taken as a float: one byte 0x85 is a tiny float.
  Record r;
  const char one[1] = {static_cast<char>(0x85)};
  ASSERT_EQ(setFieldValueFromBuffer(r, TRANSPORT_RF, CHAR_FIELD, one), ZVRAW_OK);
  EXPECT_EQ(r.m_nTransportRF, 0);
}

TEST(ExtStatsFieldCodec, FieldsWithoutAMemberChangeNothing) {
  const char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  struct Case {
    unsigned id, type;
  };
  const Case cases[] = {{0, SHORT_INT_FIELD},      {78, SINGLE_FLOAT_FIELD},  {110, CHAR_FIELD},
                        {124, SHORT_INT_FIELD},    {255, DOUBLE_FLOAT_FIELD}, {COURSE_LASER_CONTROL, STRING_FIELD},
                        {COURSE_LASER_CONTROL, 99}};
  for (const Case& c : cases) {
    Record r = patterned();
    const std::vector<std::uint8_t> before = bytesOf(r);
    EXPECT_EQ(setFieldValueFromBuffer(r, c.id, c.type, bytes), ZVRAW_OK) << c.id;
    EXPECT_EQ(bytesOf(r), before) << c.id << " type " << c.type;
  }
  Record r;
  EXPECT_EQ(setFieldValueFromBuffer(r, COURSE_LASER_CONTROL, SHORT_INT_FIELD, nullptr), ZVRAW_NULLPOINTER_ERROR);
}

// Packs into a buffer of exactly the field's width, so ASan sees any overrun.
TEST(ExtStatsFieldCodec, PackingWritesTheFieldWidth) {
  Record r;
  r.m_nCoarseLaserControl = -2;
  r.m_fSetMass = 1.5f;
  r.m_nReferenceScan = -1;
  r.m_nSamplePlateVolt = 0x1234;
  struct Case {
    const char* what;
    unsigned id, type;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {
      {"short as char", COURSE_LASER_CONTROL, CHAR_FIELD, {0xFE}},
      {"short as short", COURSE_LASER_CONTROL, SHORT_INT_FIELD, {0xFE, 0xFF}},
      {"short as int, sign-filled", COURSE_LASER_CONTROL, LONG_INT_FIELD, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"short as double, sign-filled",
       COURSE_LASER_CONTROL,
       DOUBLE_FLOAT_FIELD,
       {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"float as float", SET_MASS, SINGLE_FLOAT_FIELD, {0x00, 0x00, 0xC0, 0x3F}},
      {"float as double, zero-filled", SET_MASS, DOUBLE_FLOAT_FIELD, {0x00, 0x00, 0xC0, 0x3F, 0, 0, 0, 0}},
      {"float as short, low bytes", SET_MASS, SHORT_INT_FIELD, {0x00, 0x00}},
      {"char as short, sign-filled", REFERENCE_SCAN, SHORT_INT_FIELD, {0xFF, 0xFF}},
      {"sample plate short in its float field", SAMPLE_PLATE_VOLT, SINGLE_FLOAT_FIELD, {0x34, 0x12, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    std::vector<char> out(c.expected.size(), 0x55);
    char* cursor = out.data();
    ASSERT_EQ(getBufferFromFieldValue2(r, c.id, c.type, cursor), ZVRAW_OK) << c.what;
    EXPECT_EQ(cursor, out.data() + out.size()) << c.what;
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.end()), c.expected) << c.what;

    std::vector<char> plain(c.expected.size(), 0x55);
    ASSERT_EQ(getBufferFromFieldValue(r, c.id, c.type, plain.data()), ZVRAW_OK);
    EXPECT_EQ(plain, out) << c.what;
  }

  char one = 0x55;
  for (unsigned id : {0u, 79u, 110u, 124u, 300u}) {
    char* cursor = &one;
    EXPECT_EQ(getBufferFromFieldValue2(r, id, CHAR_FIELD, cursor), ZVRAW_OK);
    EXPECT_EQ(cursor, &one) << id;
    EXPECT_EQ(one, 0x55) << id;
  }
  char* cursor = &one;
  EXPECT_EQ(getBufferFromFieldValue2(r, COURSE_LASER_CONTROL, STRING_FIELD, cursor), ZVRAW_OK);
  EXPECT_EQ(cursor, &one);
  char* null = nullptr;
  EXPECT_EQ(getBufferFromFieldValue2(r, COURSE_LASER_CONTROL, CHAR_FIELD, null), ZVRAW_NULLPOINTER_ERROR);
}

// Packing in a field's default type and unpacking gives the member back.
TEST(ExtStatsFieldCodec, DefaultTypesRoundTrip) {
  Record source = patterned();
  for (unsigned id = 0; id <= MAX_FIELD_ID; ++id) {
    char field[8] = {};
    char* cursor = field;
    ASSERT_EQ(getBufferFromFieldValue2(source, id, fieldIDToType(id), cursor), ZVRAW_OK);
    Record back = patterned();
    ASSERT_EQ(setFieldValueFromBuffer(back, id, fieldIDToType(id), field), ZVRAW_OK);
    if (id == TRANSPORT_RF) continue;
    EXPECT_EQ(bytesOf(back), bytesOf(source)) << id;
  }
}

TEST(ExtStatsFieldCodec, TextValues) {
  struct Case {
    unsigned id;
    const char* text;
    std::uint64_t member;
  };
  const Case cases[] = {
      {COURSE_LASER_CONTROL, "123", 123},
      {COURSE_LASER_CONTROL, "-7", 0xFFF9},
      {COURSE_LASER_CONTROL, " 42abc", 42},
      {COURSE_LASER_CONTROL, "0x10", 16},     // "%hi" takes a base prefix
      {COURSE_LASER_CONTROL, "abc", 0xAAAA},  // no number: unchanged
      {TRANSPORT_RF, "12.6", 12},             // parsed as a short
      {SAMPLE_PLATE_VOLT, "300", 300},
      {SET_MASS, "1.5", std::bit_cast<std::uint32_t>(1.5f)},
      {SET_MASS, "1e3", std::bit_cast<std::uint32_t>(1000.0f)},
      {SET_MASS, "abc", 0},  // as strtof: no number is 0
      {LOCKMASS_CORRECTION, "-0.25", std::bit_cast<std::uint32_t>(-0.25f)},
      {REFERENCE_SCAN, "1", '1'},
      {REFERENCE_SCAN, "", 0},
      {ACCURATE_MASS, "Yes", 'Y'},
  };
  for (const Case& c : cases) {
    Record r = patterned();
    ASSERT_EQ(setFieldValueFromString(r, c.id, c.text), ZVRAW_OK);
    EXPECT_EQ(memberValue(r, c.id), c.member) << c.id << " \"" << c.text << "\"";
  }
  Record r = patterned();
  const std::vector<std::uint8_t> before = bytesOf(r);
  for (unsigned id : {0u, 78u, 110u, 124u}) EXPECT_EQ(setFieldValueFromString(r, id, "5"), ZVRAW_OK);
  EXPECT_EQ(bytesOf(r), before);
  EXPECT_EQ(setFieldValueFromString(r, SET_MASS, nullptr), ZVRAW_NULLPOINTER_ERROR);
}

TEST(ExtStatsFieldCodec, TextFloatsIgnoreTheProcessLocale) {
  const DecimalCommaLocale locale;
  if (!locale.active()) return missingDecimalCommaLocale();
  Record r;
  ASSERT_EQ(setFieldValueFromString(r, SET_MASS, "1.5"), ZVRAW_OK);
  EXPECT_EQ(r.m_fSetMass, 1.5f);
}

}  // namespace
