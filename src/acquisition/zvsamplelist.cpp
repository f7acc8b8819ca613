#include "acquisition/zvsamplelist.h"

#include <algorithm>
#include <array>
#include <set>

#include "zorvalen/ZorvalenRawResultCodes.h"

using Vardex::Lib::ZorvalenRaw::Parameters;

namespace {

constexpr const char* s_emptyList = "INDEX\n1";
constexpr const char* delimiter = "\t";
constexpr const char* newline = "\n";

constexpr int kFirstItem = 700;  // FILE_NAME
constexpr int kLastItem = 817;   // CURVE_DB; 818 and above belong to the current-sample record

// The names of the ZorvalenSampleListItem enumerators 700 to 817.
constexpr std::array<const char*, kLastItem - kFirstItem + 1> kTitles = {
    "FILE_NAME", "FILE_TEXT", "MS_FILE", "MS_TUNE_FILE", "INLET_FILE", "INLET_PRERUN", "INLET_POSTRUN",
    "INLET_SWITCH", "AUTO_FILE", "PROCESS", "PROCESS_PARAMS", "PROCESS_OPTIONS", "ACQU_PROCESS_FILE",
    "ACQU_PROCESS_PARAMS", "ACQU_PROCESS_OPTIONS", "PROCESS_ACTION", "SAMPLE_LOCATION", "SAMPLE_GROUP", "JOB",
    "TASK", "USER", "SUBMITTER", "CONDITIONS", "TYPE", "CONTROL", "ID",
    "CONC_A", "CONC_B", "CONC_C", "CONC_D", "CONC_E", "CONC_F", "CONC_G", "CONC_H", "CONC_I", "CONC_J",
    "CONC_K", "CONC_L", "CONC_M", "CONC_N", "CONC_O", "CONC_P", "CONC_Q", "CONC_R", "CONC_S", "CONC_T",
    "WAVELENGTH_A", "WAVELENGTH_B", "WAVELENGTH_C", "WAVELENGTH_D", "WAVELENGTH_E", "WAVELENGTH_F",
    "WAVELENGTH_G", "WAVELENGTH_H", "WAVELENGTH_I", "WAVELENGTH_J",
    "MASS_A", "MASS_B", "MASS_C", "MASS_D", "MASS_E", "MASS_F", "MASS_G", "MASS_H", "MASS_I", "MASS_J",
    "MASS_K", "MASS_L", "MASS_M", "MASS_N", "MASS_O", "MASS_P", "MASS_Q", "MASS_R", "MASS_S", "MASS_T",
    "MASS_U", "MASS_V", "MASS_W", "MASS_X", "MASS_Y", "MASS_Z", "MASS_AA", "MASS_BB", "MASS_CC", "MASS_DD",
    "FRACTION_FILE", "FRACTION_1", "FRACTION_2", "FRACTION_3", "FRACTION_4", "FRACTION_5", "FRACTION_6",
    "FRACTION_7", "FRACTION_8", "FRACTION_9", "FRACTION_10", "FRACTION_BOOLEAN_LOGIC", "FRACTION_START",
    "INJ_VOL", "STOCK_DIL", "USER_DIVISOR_1", "USER_FACTOR_1", "USER_FACTOR_2", "USER_FACTOR_3",
    "SPARE_1", "SPARE_2", "SPARE_3", "SPARE_4", "SPARE_5", "HPLC_FILE", "QUAN_REF", "AUTO_ADDITION",
    "MOLFILE", "SUBJECTTEXT", "SUBJECTTIME", "METH_DB", "CURVE_DB"};
static_assert(std::ranges::none_of(kTitles, [](const char* t) { return t == nullptr; }), "one title per item");

}  // namespace

int zvsamplelist::Add(const Parameters& row) {
  const std::vector<int> keys = row.GetSetKeys();
  const bool inRange = std::ranges::all_of(keys, [](int key) { return key >= kFirstItem && key <= kLastItem; });
  if (!inRange) return ZVRAW_PARAMETER_INVALID;
  m_rows.push_back(row);
  return ZVRAW_OK;
}

std::vector<int> zvsamplelist::ColumnIDs() const {
  std::set<int> columns;
  for (const Parameters& row : m_rows)
    for (const int key : row.GetSetKeys()) columns.insert(key);
  if (!columns.empty()) columns.insert(0);
  return {columns.begin(), columns.end()};
}

std::string zvsamplelist::GetColumnTitle(const int& column) const {
  if (column == 0) return "INDEX";
  if (column < kFirstItem || column > kLastItem) return {};
  return kTitles[column - kFirstItem];
}

int zvsamplelist::ToString(char*& text) const {
  std::string rendered;
  if (m_rows.empty()) {
    rendered = s_emptyList;
  } else {
    const std::vector<int> columns = ColumnIDs();
    auto appendLine = [&](auto&& cell) {
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) rendered += delimiter;
        rendered += cell(columns[c]);
      }
      rendered += newline;
    };
    appendLine([&](int column) { return GetColumnTitle(column); });
    for (std::size_t r = 0; r < m_rows.size(); ++r)
      appendLine([&](int column) { return column == 0 ? std::to_string(r + 1) : m_rows[r].GetValue(column); });
  }
  m_pStringHandler->Set(rendered);
  text = m_pStringHandler->Memory();
  return ZVRAW_OK;
}
