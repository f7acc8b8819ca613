#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "formats/portability/CLocale.h"
#include "formats/portability/SysText.h"
#include "support/DecimalCommaLocale.h"

namespace {

TEST(SysText, CaseInsensitiveCompareFoldsAsciiOnly) {
  EXPECT_EQ(StrCaseCmp("Scan", "sCAN"), 0);
  EXPECT_EQ(sysStrCaseCompare("ABC", "abd"), 'c' - 'd');
  EXPECT_LT(StrCaseCmp("ab", "abc"), 0);
  EXPECT_GT(StrCaseCmp("abc", "ab"), 0);
  // Bytes above 0x7F compare as signed values and are never folded.
  EXPECT_NE(StrCaseCmp("\xc9", "\xe9"), 0);
  EXPECT_LT(StrCaseCmp("\xe9", "a"), 0);
  EXPECT_EQ(StrCaseCmp(nullptr, nullptr), 0);
  EXPECT_NE(StrCaseCmp("a", nullptr), 0);
}

TEST(SysText, FindEquals) {
  EXPECT_EQ(findEquals("Key=Value"), 3);
  EXPECT_EQ(findEquals("=x"), 0);
  EXPECT_EQ(findEquals("none"), -1);
  EXPECT_EQ(findEquals(nullptr), -1);
}

TEST(CLocale, NumbersUseAPointWhateverTheProcessLocale) {
  const DecimalCommaLocale locale;
  if (!locale.active()) return missingDecimalCommaLocale();
  char plain[32];
  std::snprintf(plain, sizeof plain, "%.2f", 1.5);
  EXPECT_STREQ(plain, "1,50") << "the process locale should be in force outside the helpers";
  EXPECT_EQ(zvraw::formatC("%.2f", 1.5), "1.50");
  double d = 0;
  EXPECT_EQ(zvraw::sscanfC("2.25", "%lf", &d), 1);
  EXPECT_DOUBLE_EQ(d, 2.25);
  EXPECT_DOUBLE_EQ(zvraw::strtodC("3.5", nullptr), 3.5);
}

TEST(CLocale, FormatsLongText) {
  const std::string long_text(5000, 'x');
  EXPECT_EQ(zvraw::formatC("%s|%d", long_text.c_str(), 7), long_text + "|7");
  EXPECT_EQ(zvraw::formatC("%s", ""), "");
}

}  // namespace
