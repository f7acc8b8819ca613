#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "api/Parameters.h"
#include "api/ProcessParametersImp.h"
#include "support/DecimalCommaLocale.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace Vardex::Lib::ZorvalenRaw;
using namespace std::string_literals;

namespace {

constexpr int kKey = 1450;

TEST(Parameters, ValueEncodings) {
  Parameters p;
  struct Case {
    const char* what;
    void (*set)(Parameters&);
    const char* text;
  } cases[] = {
      {"negative int", [](Parameters& q) { q.SetValue(kKey, -7); }, "-7"},
      {"int minimum", [](Parameters& q) { q.SetValue(kKey, INT_MIN); }, "-2147483648"},
      {"unsigned maximum", [](Parameters& q) { q.SetValue(kKey, 4294967295u); }, "4294967295"},
      {"true", [](Parameters& q) { q.SetValue(kKey, true); }, "1"},
      {"false", [](Parameters& q) { q.SetValue(kKey, false); }, "0"},
      {"float 0.1 in single precision", [](Parameters& q) { q.SetValue(kKey, 0.1f); }, "0.100000"},
      {"float 2.5", [](Parameters& q) { q.SetValue(kKey, 2.5f); }, "2.500000"},
      {"float -0.25", [](Parameters& q) { q.SetValue(kKey, -0.25f); }, "-0.250000"},
      {"float rounds to six decimals", [](Parameters& q) { q.SetValue(kKey, 1e-7f); }, "0.000000"},
      {"large float in fixed notation", [](Parameters& q) { q.SetValue(kKey, 1e20f); },
       "100000002004087734272.000000"},
      {"text byte for byte", [](Parameters& q) { q.SetValue(kKey, " a\tb\r\n\xff"); }, " a\tb\r\n\xff"},
      {"string with a zero byte", [](Parameters& q) { q.SetValue(kKey, "x\0y"s); }, nullptr},
  };
  for (const Case& c : cases) {
    c.set(p);
    if (c.text) {
      EXPECT_EQ(p.GetValue(kKey), c.text) << c.what;
    }
  }
  EXPECT_EQ(p.GetValue(kKey), "x\0y"s);
}

TEST(Parameters, FloatTextIgnoresTheCallersLocale) {
  DecimalCommaLocale comma;
  if (!comma.active()) return missingDecimalCommaLocale();
  Parameters p;
  p.SetValue(kKey, 2.5f);
  EXPECT_EQ(p.GetValue(kKey), "2.500000");
  float f = 0;
  EXPECT_TRUE(p.TryGetFloatValue(kKey, f));
  EXPECT_EQ(f, 2.5f);
}

// The three typed readers over one text: nullopt means "no value".
struct Reading {
  const char* text;
  std::optional<int> asInt;
  std::optional<float> asFloat;
  std::optional<bool> asBool;
};

TEST(Parameters, TypedReaders) {
  const Reading cases[] = {
      {"12.7", 12, 12.7f, std::nullopt},
      {"7 mm", 7, 7.0f, std::nullopt},
      {"0x10", 0, 16.0f, false},  // the float conversion reads hexadecimal
      {"abc", std::nullopt, std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt, std::nullopt},
      {"-", std::nullopt, std::nullopt, std::nullopt},
      {"+", std::nullopt, std::nullopt, std::nullopt},
      {"- 5", std::nullopt, std::nullopt, std::nullopt},
      {" \t\n+5", 5, 5.0f, std::nullopt},
      {"-0", 0, -0.0f, false},
      {"1", 1, 1.0f, true},
      {"0", 0, 0.0f, false},
      {"2", 2, 2.0f, std::nullopt},
      {"-1", -1, -1.0f, std::nullopt},
      {"1.0", 1, 1.0f, true},
      {"true", std::nullopt, std::nullopt, std::nullopt},
      {"1.5e3", 1, 1500.0f, true},
      {"2,5", 2, 2.0f, std::nullopt},
      {"2147483647", INT_MAX, 2147483648.0f, std::nullopt},
      {"-2147483648", INT_MIN, -2147483648.0f, std::nullopt},
      {"2147483648", std::nullopt, 2147483648.0f, std::nullopt},
      {"-2147483649", std::nullopt, -2147483649.0f, std::nullopt},
      {"00000000000000000000000042", 42, 42.0f, std::nullopt},
      {"99999999999999999999", std::nullopt, 1e20f, std::nullopt},
      {"-99999999999999999999", std::nullopt, -1e20f, std::nullopt},
      {"1e99999", 1, std::nullopt, true},  // the integer stops at the 'e'
      {"-1e99999", -1, std::nullopt, std::nullopt},
      {"1e-50", 1, std::nullopt, true},  // underflow: the float conversion refuses it
      {"3e38", 3, 3e38f, std::nullopt},
  };
  for (const Reading& c : cases) {
    Parameters p;
    p.SetValue(kKey, c.text);
    int i = -99;
    float f = -99.0f;
    bool b = false;
    EXPECT_EQ(p.TryGetIntValue(kKey, i), c.asInt.has_value()) << c.text;
    EXPECT_EQ(i, c.asInt.value_or(-99)) << c.text;  // untouched without a value
    EXPECT_EQ(p.TryGetFloatValue(kKey, f), c.asFloat.has_value()) << c.text;
    EXPECT_EQ(f, c.asFloat.value_or(-99.0f)) << c.text;
    b = !c.asBool.value_or(false);  // a value the reader must overwrite, or must leave
    const bool before = b;
    EXPECT_EQ(p.TryGetBoolValue(kKey, b), c.asBool.has_value()) << c.text;
    EXPECT_EQ(b, c.asBool.value_or(before)) << c.text;

    EXPECT_EQ(ProcessParametersImp::StringToInt(c.text), c.asInt) << c.text;
    EXPECT_EQ(ProcessParametersImp::StringToFloat(c.text), c.asFloat) << c.text;
    EXPECT_EQ(ProcessParametersImp::StringToBool(c.text), c.asInt == 1) << c.text;
  }
}

TEST(Parameters, UnsetKeysHaveNoValue) {
  Parameters p;
  std::string s = "keep";
  int i = 5;
  float f = 5;
  bool b = true;
  EXPECT_FALSE(p.IsValueSet(kKey));
  EXPECT_EQ(p.GetValue(kKey), "");
  EXPECT_FALSE(p.TryGetStringValue(kKey, s));
  EXPECT_FALSE(p.TryGetIntValue(kKey, i));
  EXPECT_FALSE(p.TryGetFloatValue(kKey, f));
  EXPECT_FALSE(p.TryGetBoolValue(kKey, b));
  EXPECT_EQ(s, "keep");
  EXPECT_EQ(i, 5);
  EXPECT_EQ(f, 5);
  EXPECT_TRUE(b);

  p.SetValue(kKey, static_cast<const char*>(nullptr));  // a null text stores nothing
  EXPECT_FALSE(p.IsValueSet(kKey));
}

TEST(Parameters, EmptyTextIsAValue) {
  Parameters p;
  p.SetValue(kKey, "");
  std::string s = "keep";
  int i = 5;
  EXPECT_TRUE(p.IsValueSet(kKey));
  EXPECT_TRUE(p.TryGetStringValue(kKey, s));
  EXPECT_EQ(s, "");
  EXPECT_FALSE(p.TryGetIntValue(kKey, i));
  EXPECT_EQ(p.GetSetKeys(), std::vector<int>{kKey});
}

TEST(Parameters, KeysAscendAndAreKeptOnce) {
  Parameters p;
  for (int key : {1551, 1000, 1450, -5, INT_MAX, 1000}) p.SetValue(key, key);
  p.SetValue(1450, "second");
  EXPECT_EQ(p.GetSetKeys(), (std::vector<int>{-5, 1000, 1450, 1551, INT_MAX}));
  EXPECT_EQ(p.GetValue(1450), "second");
  p.Clear();
  EXPECT_TRUE(p.GetSetKeys().empty());
}

TEST(Parameters, CopyAndCopyKey) {
  Parameters a;
  a.SetValue(1, "one");
  a.SetValue(2, "two");
  Parameters b(a);
  b.SetValue(1, "changed");
  a.SetValue(3, "three");
  EXPECT_EQ(a.GetValue(1), "one");
  EXPECT_FALSE(b.IsValueSet(3));

  Parameters c;
  c.SetValue(2, "old");
  EXPECT_TRUE(a.Copy(2, c));
  EXPECT_EQ(c.GetValue(2), "two");
  EXPECT_FALSE(a.Copy(9, c));
  EXPECT_FALSE(c.IsValueSet(9));
  c = a;
  EXPECT_EQ(c.GetSetKeys(), a.GetSetKeys());
}

TEST(ProcessParameters, CopyTakesThePairsOnly) {
  ProcessParametersImp a;
  a.SetValue(1000, 500.5f);
  a.SetValue(1001, 2);
  char* text = nullptr;
  ASSERT_EQ(a.GetValue(1000, &text), ZVRAW_OK);
  int* keys = nullptr;
  int count = 0;
  ASSERT_EQ(a.GetKeys(keys, count), ZVRAW_OK);

  ProcessParametersImp b(a);
  EXPECT_EQ(b.GetSetKeys(), a.GetSetKeys());
  EXPECT_EQ(b.handleKind(), HandleKind::Parameters);
  b.SetValue(1000, "other");
  EXPECT_STREQ(text, "500.500000");  // a's held text is a's own
  EXPECT_EQ(a.GetValue(1000), "500.500000");

  Parameters replacement;
  replacement.SetValue(7, true);
  b.Set(replacement);
  EXPECT_EQ(b.GetSetKeys(), std::vector<int>{7});
  b.Clear();
  EXPECT_TRUE(b.GetParameters().GetSetKeys().empty());
}

TEST(ProcessParameters, ResultCodesForTypedSets) {
  int i = 3;
  float f = 3;
  EXPECT_EQ(ProcessParametersImp::ReadInt("42x", i), ZVRAW_OK);
  EXPECT_EQ(i, 42);
  EXPECT_EQ(ProcessParametersImp::ReadFloat("-0.5", f), ZVRAW_OK);
  EXPECT_EQ(f, -0.5f);
  for (const char* bad : {"", "abc", "99999999999999999999"}) {
    EXPECT_EQ(ProcessParametersImp::ReadInt(bad, i), ZVRAW_PARAMETER_INVALID) << bad;
    EXPECT_EQ(i, 42);
  }
  for (const char* bad : {"", "abc", "1e99999"}) {
    EXPECT_EQ(ProcessParametersImp::ReadFloat(bad, f), ZVRAW_PARAMETER_INVALID) << bad;
    EXPECT_EQ(f, -0.5f);
  }

  ProcessParametersImp p;
  p.SetValue(1550, "");
  EXPECT_EQ(p.RequireKeys({}), ZVRAW_OK);
  EXPECT_EQ(p.RequireKeys({1550}), ZVRAW_OK);  // set, even if empty
  EXPECT_EQ(p.RequireKeys({1550, 1551}), ZVRAW_PARAMETER_MISSING);
}

}  // namespace

namespace {

// A typed set that reports a derived value instead of the stored text.
class Derived : public ProcessParametersImp {
 public:
  using ProcessParametersImp::GetValue;
  std::string GetValue(int key) const override { return "derived " + std::to_string(key); }
};

TEST(ProcessParameters, HeldTextComesFromTheTypedSet) {
  Derived d;
  d.SetValue(1450, "stored");
  char* text = nullptr;
  ASSERT_EQ(d.GetValue(1450, &text), ZVRAW_OK);
  EXPECT_STREQ(text, "derived 1450");
}

}  // namespace
