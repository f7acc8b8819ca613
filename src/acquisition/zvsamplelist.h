#pragma once

// Sample-list text for the acquisition queue: a title row, then one row per
// added parameter set, cells joined by tabs and every line ended by a line
// feed. Columns are the row number ("INDEX") and every item any row sets:
//
//   INDEX\tFILE_NAME\tMASS_F\n
//   1\trun01\t\n                 a row without 761 has an empty cell
//   2\trun02\t524.3\n
//
// Values are copied unchanged: a tab or line feed inside one breaks its row.

#include <memory>
#include <string>
#include <vector>

#include "api/Parameters.h"
#include "api/StringHandler.h"

class zvsamplelist {
 public:
  zvsamplelist() : m_pStringHandler(std::make_unique<Vardex::Lib::ZorvalenRaw::StringHandler>()) {}

  // Appends a copy of row: 0, or ZVRAW_PARAMETER_INVALID with the list
  // unchanged when it sets a key outside 700 to 817.
  int Add(const Vardex::Lib::ZorvalenRaw::Parameters& row);
  // Renders the list into the held text and points text at it; valid until
  // the next ToString or the list's end. 0.
  int ToString(char*& text) const;
  // 0 and every key any row sets, ascending; empty when no row sets a key.
  [[nodiscard]] std::vector<int> ColumnIDs() const;
  // "INDEX" for 0, the item's name for 700 to 817, else empty.
  [[nodiscard]] std::string GetColumnTitle(const int& column) const;

 private:
  std::unique_ptr<Vardex::Lib::ZorvalenRaw::StringHandler> m_pStringHandler;
  std::vector<Vardex::Lib::ZorvalenRaw::Parameters> m_rows;
};
