// The one leading-integer reader and its overflow policies.

#include <gtest/gtest.h>

#include <optional>

#include "formats/portability/TextNumbers.h"

namespace {

using zvraw::IntOverflow;
using zvraw::leadingInt;

TEST(TextNumbers, LeadingIntUnderEachOverflowPolicy) {
  constexpr std::optional<int> none;
  const struct {
    const char* text;
    std::optional<int> clamp, zero, refuse;
  } cases[] = {
      {"42", 42, 42, 42},
      {" \t\n\v\f\r-17abc", -17, -17, -17},
      {"+5", 5, 5, 5},
      {"", none, none, none},
      {"abc", none, none, none},
      {"-", none, none, none},
      {"- 1", none, none, none},  // no white space after the sign
      {"2147483647", 2147483647, 2147483647, 2147483647},
      {"-2147483648", -2147483647 - 1, -2147483647 - 1, -2147483647 - 1},
      {"2147483648", 2147483647, 0, none},
      {"-2147483649", -2147483647 - 1, 0, none},
      {"99999999999999999999999999", 2147483647, 0, none},  // no wrap however long
      {"0007", 7, 7, 7},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(leadingInt(c.text, IntOverflow::Clamp), c.clamp) << c.text;
    EXPECT_EQ(leadingInt(c.text, IntOverflow::Zero), c.zero) << c.text;
    EXPECT_EQ(leadingInt(c.text, IntOverflow::Refuse), c.refuse) << c.text;
  }
  EXPECT_EQ(zvraw::atoiClamped(nullptr), 0);
  EXPECT_EQ(zvraw::atoiClamped("x"), 0);
  EXPECT_EQ(zvraw::atoiClamped("-9999999999"), -2147483647 - 1);
}

}  // namespace
