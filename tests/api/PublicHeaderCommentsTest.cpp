#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "zorvalen/ZorvalenRaw.h"

namespace {

std::string publicHeader(const char* name) {
  std::ifstream in(std::string(ZVRAW_PUBLIC_INCLUDE_DIR) + "/zorvalen/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string errorText(int code) {
  char* text = nullptr;
  EXPECT_EQ(getErrorMessage(code, &text), ZVRAW_OK);
  std::string copy = text != nullptr ? text : "<null>";
  releaseMemory(text);
  return copy;
}

}  // namespace

// The comment on each result code is the text the library gives for it, and
// every code from 0 to the last has one name.
TEST(PublicHeaderComments, EachResultCodeCarriesItsText) {
  const std::string header = publicHeader("ZorvalenRawResultCodes.h");
  const std::regex line(R"re(#define (ZVRAW_\w+) (\d+) +/\* (?:"([^"]*)"|(.*)) \*/)re");
  std::set<int> codes;
  for (std::sregex_iterator it(header.begin(), header.end(), line), end; it != end; ++it) {
    const int code = std::stoi((*it)[2]);
    if ((*it)[1] == "ZVRAW_BASE") continue;
    SCOPED_TRACE((*it)[1].str());
    EXPECT_TRUE(codes.insert(code).second);
    const std::string text = (*it)[3].matched ? (*it)[3].str() : "Unknown Code";
    if (!(*it)[3].matched) {
      EXPECT_EQ((*it)[4].str(), "\"Unknown Code\" (no text of its own)");
    }
    EXPECT_EQ(errorText(code), text);
  }
  EXPECT_EQ(codes.size(), static_cast<std::size_t>(ZVRAW_DRIFTRANGE_INVALID + 1));
  EXPECT_EQ(*codes.rbegin(), ZVRAW_DRIFTRANGE_INVALID);
}

// Every export is documented where it is declared: a comment ends right
// above it, or above the group of declarations it belongs to.
TEST(PublicHeaderComments, EveryExportIsDocumented) {
  std::stringstream header(publicHeader("ZorvalenRaw.h"));
  std::string line;
  bool documented = false;
  int exports = 0;
  while (std::getline(header, line)) {
    if (line.ends_with("*/")) {
      documented = true;
    } else if (line.starts_with("ZV_API")) {
      ++exports;
      EXPECT_TRUE(documented) << line;
    } else if (line.empty()) {
      documented = false;
    }
  }
  EXPECT_GT(exports, 80);
}
