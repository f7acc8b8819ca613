#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "formats/directory/ZVRawFunctionTexts.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

TEST(FunctionTexts, AppendToWhatIsThere) {
  struct Case {
    unsigned code;
    const char* before;
    const char* after;
  } types[] = {{18, "", "TOF MS"},         {18, "MS", "MSTOF MS"},    {6, "", "MSMS"},      {17, "", "MTOF"},
               {23, "", "ASP MAGNET SIR"}, {24, "", "QUAD AUTO DAU"}, {31, "", "ASP MRMQ"}, {0, "", "MS"}};
  for (const Case& c : types) {
    char buffer[32] = {};
    std::strcpy(buffer, c.before);
    EXPECT_EQ(getFunctionTypeString(c.code, buffer), ZVRAW_OK);
    EXPECT_STREQ(buffer, c.after);
  }
  const char* ions[] = {"EI+", "EI-", "CI+", "CI-", "FB+", "FB-", "TS+",
                        "TS-", "ES+", "ES-", "AI+", "AI-", "LD+", "LD-"};
  for (unsigned m = 0; m < 14; ++m) {
    char buffer[32] = {};
    EXPECT_EQ(getIonModeString(m, buffer), ZVRAW_OK);
    EXPECT_STREQ(buffer, ions[m]);
  }
  std::size_t longest = 0;
  for (unsigned t = 0; t < 32; ++t) longest = std::max(longest, std::strlen(zvraw::functionTypeText(t)));
  EXPECT_EQ(longest, 14u);
}

TEST(FunctionTexts, BadCodesLeaveTheBuffer) {
  char buffer[32] = "keep";
  EXPECT_EQ(getFunctionTypeString(32, buffer), ZVRAW_FUNCTIONTYPE_INVALID);
  EXPECT_EQ(getFunctionTypeString(~0u, buffer), ZVRAW_FUNCTIONTYPE_INVALID);
  EXPECT_EQ(getIonModeString(14, buffer), ZVRAW_IONMODE_INVALID);
  EXPECT_STREQ(buffer, "keep");
  EXPECT_EQ(getFunctionTypeString(0, nullptr), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(getIonModeString(0, nullptr), ZVRAW_NULLPOINTER_ERROR);
}

// Each record has its own scratch per accessor: records used on different
// threads share nothing.
TEST(PublicDescriptor, OutOfRangeSegmentsUseTheRecordsScratch) {
  ZVRawFunctionDescriptor_NonMaldi a, b;
  a.segmentStartMass(32) = 5.0f;
  EXPECT_EQ(a.getSegmentStartMass(0), 0.0f);  // no record entry changed
  EXPECT_EQ(a, ZVRawFunctionDescriptor_NonMaldi{});
  EXPECT_EQ(a.segmentStartMass(-1), 5.0f);
  EXPECT_EQ(b.segmentStartMass(-1), 0.0f);
  EXPECT_EQ(a.getSegmentStartMass(32), 0.0f);
  b.segmentEndMass(100) = 7.0f;
  EXPECT_EQ(b.segmentEndMass(32), 7.0f);
  EXPECT_EQ(a.segmentEndMass(32), 0.0f);
  EXPECT_EQ(b.segmentScanTime(32), 0.0f);  // one scratch per accessor
}

TEST(PublicDescriptor, EqualityFollowsTheFloatRules) {
  ZVRawFunctionDescriptor_NonMaldi a, b;
  EXPECT_TRUE(a == b);
  b.segmentEndMass(31) = 1.0f;
  EXPECT_FALSE(a == b);
  EXPECT_TRUE(a != b);

  // Tail arrays compare bit for bit: -0 differs from +0, equal NaNs match.
  ZVRawFunctionDescriptor_NonMaldi c, d;
  d.segmentStartMass(3) = -0.0f;
  EXPECT_NE(c, d);
  c.segmentStartMass(3) = -0.0f;
  c.segmentScanTime(0) = d.segmentScanTime(0) = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(c, d);
  // Head floats and the set mass compare as values: -0 equals +0, NaN never matches.
  c.cycleTime() = -0.0f;
  c.setMass() = -0.0f;
  EXPECT_EQ(c, d);
  c.rtEnd() = d.rtEnd() = std::numeric_limits<float>::quiet_NaN();
  EXPECT_NE(c, d);
  EXPECT_NE(static_cast<const ZVRawFunctionDescriptor&>(c), static_cast<const ZVRawFunctionDescriptor&>(d));

  ZVRawFunctionDescriptor_Maldi m, n;
  n.acquLowMass() = -0.0f;
  EXPECT_EQ(m, n);
  n.scanLaw() = 1;
  EXPECT_NE(m, n);
}

TEST(PublicDescriptor, CopiesOwnTheirRecords) {
  ZVRawFunctionDescriptor_NonMaldi source;
  source.Initialise(6, 8, 12, 1.0f, 0.1f, 0, 10, 100, 20, 2);
  ZVRawFunctionDescriptor_NonMaldi copy(source);
  copy.functionType() = 7;
  copy.segmentEndMass(0) = 900;
  EXPECT_EQ(source.getFunctionType(), 6u);
  EXPECT_EQ(source.getSegmentEndMass(0), 0.0f);
  EXPECT_NE(copy.getImp(), source.getImp());
  EXPECT_FALSE(source.getExtendedIndex());

  ZVRawFunctionDescriptor_NonMaldi fromRecord(*static_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp*>(copy.getImp()));
  EXPECT_EQ(fromRecord, copy);

  // Assignment keeps the target's record: a reference taken before sees the new values.
  float& endMass = source.segmentEndMass(0);
  std::uint32_t& type = source.functionType();
  source = copy;
  EXPECT_EQ(endMass, 900.0f);
  EXPECT_EQ(type, 7u);
  EXPECT_EQ(source, copy);

  // Through the base only the head is copied or compared.
  ZVRawFunctionDescriptor_NonMaldi headOnly;
  static_cast<ZVRawFunctionDescriptor&>(headOnly) = static_cast<const ZVRawFunctionDescriptor&>(copy);
  EXPECT_EQ(headOnly.getFunctionType(), 7u);
  EXPECT_EQ(headOnly.getSegmentEndMass(0), 0.0f);
  EXPECT_TRUE(static_cast<const ZVRawFunctionDescriptor&>(headOnly) == copy);
  EXPECT_FALSE(headOnly == copy);

  ZVRawFunctionDescriptor_Maldi m;
  m.Initialise(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18);
  ZVRawFunctionDescriptor_Maldi mc(m);
  mc.minSampleMass() = 0;
  EXPECT_EQ(m.getMinSampleMass(), 18.0f);
  float& low = mc.acquLowMass();
  mc = m;
  EXPECT_EQ(low, 17.0f);
  EXPECT_EQ(mc, m);
}

}  // namespace
