#include <gtest/gtest.h>

#include <fstream>
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
  std::stringstream header(publicHeader("ZorvalenRawResultCodes.h"));
  std::set<int> codes;
  std::string line;
  while (std::getline(header, line)) {
    // #define NAME NUMBER /* "TEXT" */
    std::istringstream fields(line);
    std::string define, name, open;
    int code = -1;
    if (!(fields >> define >> name >> code >> open) || define != "#define" || name == "ZVRAW_BASE") continue;
    SCOPED_TRACE(name);
    std::string comment;
    std::getline(fields >> std::ws, comment);
    ASSERT_EQ(open, "/*");
    ASSERT_TRUE(comment.ends_with(" */"));
    comment.resize(comment.size() - 3);
    EXPECT_TRUE(codes.insert(code).second);
    if (comment == "\"Unknown Code\" (no text of its own)") {
      EXPECT_EQ(errorText(code), "Unknown Code");
    } else {
      ASSERT_TRUE(comment.size() >= 2 && comment.front() == '"' && comment.back() == '"');
      EXPECT_EQ(errorText(code), comment.substr(1, comment.size() - 2));
    }
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
