// A writer function defined from FunctionDefinition keys: defaults, keys
// applied in ascending order up to the first refusal, ranges widened by scans.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "api/FunctionDescriptor.h"
#include "zorvalen/ZorvalenRaw.h"

using Vardex::Lib::ZorvalenRaw::FunctionDescriptor;
using Vardex::Lib::ZorvalenRaw::Parameters;

namespace {

constexpr float kMax = std::numeric_limits<float>::max();
using Keys = std::vector<std::pair<FunctionDefinition, std::string>>;

Parameters set(const Keys& keys) {
  Parameters p;
  for (const auto& [k, text] : keys) p.SetValue(static_cast<int>(k), text);
  return p;
}

TEST(FunctionDescriptor, EmptySetGivesAContinuumTofFunctionWithUnsetRanges) {
  FunctionDescriptor d;
  ASSERT_EQ(d.SetParameters(Parameters()), ZVRAW_OK);
  const auto& r = *d.GetDescriptor();
  EXPECT_EQ(d.GetFunctionType(), 13u);
  EXPECT_EQ(d.GetIonMode(), 0u);
  EXPECT_EQ(d.DataType(), 12u);
  EXPECT_TRUE(r.getExtendedIndex() && d.GetContinuum() && d.IsModifyable());
  EXPECT_FALSE(d.IsCDT() || d.IsLumaventFunction());
  EXPECT_EQ(d.GetStartMass(), kMax);
  EXPECT_EQ(d.GetEndMass(), -kMax);
  EXPECT_EQ(r.getRtStart(), kMax);
  EXPECT_EQ(r.getRtEnd(), -kMax);
  EXPECT_EQ(r.getSegmentScanTime(0), 1.0f);
  EXPECT_EQ(r.getSegmentCount(), 1u);
  EXPECT_EQ(d.TotalScans(), 0u);
  EXPECT_EQ(d.GetStatsDescriptor(), nullptr);
}

TEST(FunctionDescriptor, KeysAppliedUpToTheFirstRefusal) {
  using K = FunctionDefinition;
  const struct {
    Keys keys;
    int rc;
    unsigned type, mode;
    bool cdt;
    float start;
  } cases[] = {
      {{{K::FUNCTIONTYPE, "-2147483648"}}, ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED, 13, 0, false, kMax},
      {{{K::FUNCTIONTYPE, "TOF"}}, ZVRAW_ERROR, 13, 0, false, kMax},
      {{{K::CDT_SCANS, "abc"}}, ZVRAW_OK, 13, 0, false, kMax},
      {{{K::CDT_SCANS, "10"}}, ZVRAW_OK, 13, 0, true, kMax},
      {{{K::CDT_SCANS, "-1"}}, ZVRAW_PARAMETER_INVALID, 13, 0, false, kMax},
      {{{K::STARTMASS, "x"}}, ZVRAW_ERROR, 13, 0, false, kMax},
      // 1102 comes before 1103: the type refuses first.
      {{{K::STARTMASS, "x"}, {K::FUNCTIONTYPE, "200"}}, ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED, 13, 0, false, kMax},
      // Keys before the refusal stay applied.
      {{{K::IONMODE, "108"}, {K::STARTMASS, "50"}, {K::ENDMASS, "e"}}, ZVRAW_ERROR, 13, 8, false, 50},
      {{{K::IONMODE, "100"}}, ZVRAW_OK, 13, 0, false, kMax},
      {{{K::IONMODE, "113"}}, ZVRAW_OK, 13, 13, false, kMax},
      {{{K::IONMODE, "99"}}, ZVRAW_PARAMETER_INVALID, 13, 0, false, kMax},
      {{{K::IONMODE, "114"}}, ZVRAW_PARAMETER_INVALID, 13, 0, false, kMax},
      {{{K::IONMODE, "ES+"}}, ZVRAW_ERROR, 13, 0, false, kMax},
      {{{K::CONTINUUM, "2"}}, ZVRAW_ERROR, 13, 0, false, kMax},
      {{{K::RESOLUTION, "abc"}, {K::LTEFF, "1800.5"}}, ZVRAW_OK, 13, 0, false, kMax},
      {{{K::VEFF, "-"}}, ZVRAW_ERROR, 13, 0, false, kMax},
  };
  for (const auto& c : cases) {
    FunctionDescriptor d;
    EXPECT_EQ(d.SetParameters(set(c.keys)), c.rc) << c.keys.front().second;
    EXPECT_EQ(d.GetFunctionType(), c.type) << c.keys.front().second;
    EXPECT_EQ(d.GetIonMode(), c.mode) << c.keys.front().second;
    EXPECT_EQ(d.IsCDT(), c.cdt) << c.keys.front().second;
    EXPECT_EQ(d.GetStartMass(), c.start) << c.keys.front().second;
  }
  for (int type : {213, 215, 216, 218, 219, 214, 217, 209, 200, 999})  // 214 PSD, 217 MTOF, 209 MRM, 200 MS
    EXPECT_EQ(
        FunctionDescriptor().SetParameters(set({{K::FUNCTIONTYPE, std::to_string(type)}})),
        type >= 213 && type != 214 && type != 217 && type <= 219 ? ZVRAW_OK : ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED)
        << type;
  Parameters other;
  other.SetValue(999, "x");  // not a function key
  EXPECT_EQ(FunctionDescriptor().SetParameters(other), ZVRAW_OK);
}

TEST(FunctionDescriptor, ScansWidenOnlyTheRangesNotGiven) {
  FunctionDescriptor d;
  ASSERT_EQ(d.SetParameters(set({{FunctionDefinition::ENDMASS, "1000"}})), ZVRAW_OK);
  for (auto [low, high, rt] : {std::tuple{300.0f, 1200.0f, 2.0f}, {100.0f, 500.0f, 0.5f}, {150.0f, 900.0f, 1.0f}})
    d.SetRanges(low, high, rt);
  EXPECT_EQ(d.GetStartMass(), 100.0f);
  EXPECT_EQ(d.GetEndMass(), 1000.0f);
  EXPECT_EQ(d.GetDescriptor()->getRtStart(), 0.5f);
  EXPECT_EQ(d.GetDescriptor()->getRtEnd(), 2.0f);
  d.AddScans(100);
  d.AddScans(-5);
  EXPECT_EQ(d.TotalScans(), 100u);
}

// The scan writer's copy takes the given masses as fixed and leaves the
// sentinels, the format, the ranges, the count and the layout alone.
TEST(FunctionDescriptor, InitaliseCopiesTheDefinitionNotTheScans) {
  FunctionDescriptor from;
  ASSERT_EQ(from.SetParameters(set({{FunctionDefinition::STARTMASS, "80"},
                                    {FunctionDefinition::IONMODE, "109"},
                                    {FunctionDefinition::FUNCTIONTYPE, "218"},
                                    {FunctionDefinition::CONTINUUM, "0"},
                                    {FunctionDefinition::CDT_SCANS, "200"},
                                    {FunctionDefinition::LTEFF, "1800"},
                                    {FunctionDefinition::VEFF, "7200"},
                                    {FunctionDefinition::SAMPLINGFREQUENCY, "3.6"}})),
            ZVRAW_OK);
  from.AddScans(7);
  from.GetDescriptor()->dataType() = 13;
  FunctionDescriptor to;
  ASSERT_EQ(to.Initalise(from), ZVRAW_OK);
  EXPECT_EQ(to.GetStartMass(), 80.0f);
  EXPECT_EQ(to.GetEndMass(), -kMax);
  to.SetRanges(50, 600, 1);  // the copied start is fixed, the end is not
  EXPECT_EQ(to.GetStartMass(), 80.0f);
  EXPECT_EQ(to.GetEndMass(), 600.0f);
  EXPECT_TRUE(to.GetIonMode() == 9 && to.GetFunctionType() == 18 && !to.GetContinuum() && to.GetScansInBlock() == 200);
  EXPECT_TRUE(to.GetLteff() == 1800 && to.GetVeff() == 7200 && to.GetSamplingFrequency() == 3.6f);
  EXPECT_TRUE(to.DataType() == 12 && to.TotalScans() == 0 && to.GetDescriptor()->getRtStart() == 1.0f);

  // From a caller's record: extended index on, still modifiable.
  borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi record;
  (void)record.Initialise(0, 8, 13, false, true, 0.5f, 0.01f, 1, 2, 40, 0, 1);
  FunctionDescriptor copied(record);
  EXPECT_TRUE(copied.GetDescriptor()->getExtendedIndex() && copied.IsModifyable() && copied.IsLumaventFunction());
  EXPECT_TRUE(copied.DataType() == 13 && copied.TotalScans() == 40);
  EXPECT_EQ(copied.SetFunctionType(15), ZVRAW_OK);
  EXPECT_EQ(copied.SetIonMode(14), ZVRAW_PARAMETER_INVALID);
  EXPECT_TRUE(copied.GetFunctionType() == 15 && copied.GetIonMode() == 8);
}

}  // namespace
