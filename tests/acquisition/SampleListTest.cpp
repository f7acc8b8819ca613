#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/zvsamplelist.h"
#include "zorvalen/ZorvalenRaw.h"

namespace {

using Row = std::map<int, std::string>;

// Adds each row through the C interface; the codes of the additions.
std::vector<int> addRows(CZorvalenSampleList list, const std::vector<Row>& rows) {
  std::vector<int> codes;
  for (const Row& row : rows) {
    CZorvalenParameters set = nullptr;
    EXPECT_EQ(createParameters(&set), ZVRAW_OK);
    for (const auto& [key, value] : row) EXPECT_EQ(setParameterValue(set, key, value.c_str()), ZVRAW_OK);
    codes.push_back(addSampleListRow(list, set));
    EXPECT_EQ(destroyParameters(set), ZVRAW_OK);
  }
  return codes;
}

std::string render(CZorvalenSampleList list) {
  char* text = nullptr;
  EXPECT_EQ(sampleListToString(list, &text), ZVRAW_OK);
  return text ? text : "(null)";
}

TEST(SampleList, EdgeCases) {
  const struct {
    const char* what;
    std::vector<Row> rows;
    std::vector<int> codes;
    const char* text;
  } cases[] = {
      {"new list", {}, {}, "INDEX\n1"},
      {"keys in ascending order", {{{723, "QC"}, {700, "run1"}}}, {0}, "INDEX\tFILE_NAME\tTYPE\n1\trun1\tQC\n"},
      {"MASS_F in a later row",
       {{{700, "a"}}, {{700, "b"}, {761, "524.3"}}},
       {0, 0},
       "INDEX\tFILE_NAME\tMASS_F\n1\ta\t\n2\tb\t524.3\n"},
      {"empty cells inside",
       {{{700, "a"}}, {{817, "c"}, {761, "m"}}},
       {0, 0},
       "INDEX\tFILE_NAME\tMASS_F\tCURVE_DB\n1\ta\t\t\n2\t\tm\tc\n"},
      {"rows without keys", {{}, {}}, {0, 0}, "\n\n\n"},
      {"numbers in order of addition",
       {{{701, "z"}}, {}, {{701, "a"}}},
       {0, 0, 0},
       "INDEX\tFILE_TEXT\n1\tz\n2\t\n3\ta\n"},
      {"empty value is a column", {{{702, ""}}}, {0}, "INDEX\tMS_FILE\n1\t\n"},
      {"tab and line feed copied",
       {{{700, "a\tb"}, {701, "x\ny"}}},
       {0},
       "INDEX\tFILE_NAME\tFILE_TEXT\n1\ta\tb\tx\ny\n"},
      {"818 refused, 817 accepted", {{{818, "x"}}, {{817, "c"}}}, {57, 0}, "INDEX\tCURVE_DB\n1\tc\n"},
      {"keys outside refused whole",
       {{{700, "a"}}, {{699, "x"}}, {{0, "x"}}, {{-1, "x"}}, {{700, "b"}, {900, "x"}}},
       {0, 57, 57, 57, 57},
       "INDEX\tFILE_NAME\n1\ta\n"},
  };
  for (const auto& c : cases) {
    CZorvalenSampleList list = nullptr;
    ASSERT_EQ(createSampleList(&list), ZVRAW_OK);
    EXPECT_EQ(addRows(list, c.rows), c.codes) << c.what;
    EXPECT_EQ(render(list), c.text) << c.what;
    EXPECT_EQ(destroySampleList(list), ZVRAW_OK);
  }
}

TEST(SampleList, EveryTitle) {
  std::istringstream names(
      "FILE_NAME FILE_TEXT MS_FILE MS_TUNE_FILE INLET_FILE INLET_PRERUN INLET_POSTRUN INLET_SWITCH AUTO_FILE "
      "PROCESS PROCESS_PARAMS PROCESS_OPTIONS ACQU_PROCESS_FILE ACQU_PROCESS_PARAMS ACQU_PROCESS_OPTIONS "
      "PROCESS_ACTION SAMPLE_LOCATION SAMPLE_GROUP JOB TASK USER SUBMITTER CONDITIONS TYPE CONTROL ID CONC_A "
      "CONC_B CONC_C CONC_D CONC_E CONC_F CONC_G CONC_H CONC_I CONC_J CONC_K CONC_L CONC_M CONC_N CONC_O "
      "CONC_P CONC_Q CONC_R CONC_S CONC_T WAVELENGTH_A WAVELENGTH_B WAVELENGTH_C WAVELENGTH_D WAVELENGTH_E "
      "WAVELENGTH_F WAVELENGTH_G WAVELENGTH_H WAVELENGTH_I WAVELENGTH_J MASS_A MASS_B MASS_C MASS_D MASS_E "
      "MASS_F MASS_G MASS_H MASS_I MASS_J MASS_K MASS_L MASS_M MASS_N MASS_O MASS_P MASS_Q MASS_R MASS_S "
      "MASS_T MASS_U MASS_V MASS_W MASS_X MASS_Y MASS_Z MASS_AA MASS_BB MASS_CC MASS_DD FRACTION_FILE "
      "FRACTION_1 FRACTION_2 FRACTION_3 FRACTION_4 FRACTION_5 FRACTION_6 FRACTION_7 FRACTION_8 FRACTION_9 "
      "FRACTION_10 FRACTION_BOOLEAN_LOGIC FRACTION_START INJ_VOL STOCK_DIL USER_DIVISOR_1 USER_FACTOR_1 "
      "USER_FACTOR_2 USER_FACTOR_3 SPARE_1 SPARE_2 SPARE_3 SPARE_4 SPARE_5 HPLC_FILE QUAN_REF AUTO_ADDITION "
      "MOLFILE SUBJECTTEXT SUBJECTTIME METH_DB CURVE_DB");
  const zvsamplelist list;
  int item = 700;
  for (std::string name; names >> name; ++item) EXPECT_EQ(list.GetColumnTitle(item), name) << item;
  EXPECT_EQ(item, 818);
  for (const auto& [column, title] : std::map<int, std::string>{{0, "INDEX"}, {699, ""}, {818, ""}, {-1, ""}})
    EXPECT_EQ(list.GetColumnTitle(column), title) << column;
}

TEST(SampleList, TextBelongsToTheList) {
  CZorvalenSampleList list = nullptr;
  ASSERT_EQ(createSampleList(&list), ZVRAW_OK);
  addRows(list, {{{700, std::string(5000, 'a')}}});
  char* first = nullptr;
  ASSERT_EQ(sampleListToString(list, &first), ZVRAW_OK);
  addRows(list, {{{700, "b"}}});  // not a rendering: the text stays
  EXPECT_EQ(std::string(first).size(), std::string("INDEX\tFILE_NAME\n1\t\n").size() + 5000);
  const std::string second = render(list);
  EXPECT_EQ(second.substr(second.size() - 6), "a\n2\tb\n");
  EXPECT_EQ(destroySampleList(list), ZVRAW_OK);  // the text goes with it (the leak check sees any left)
}

}  // namespace
