#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/HandleObject.h"
#include "zorvalen/ZorvalenRaw.h"

using Vardex::Lib::ZorvalenRaw::HandleKind;
using Vardex::Lib::ZorvalenRaw::HandleObject;

namespace {

// A set made and destroyed through the C interface.
class Set {
 public:
  Set() { EXPECT_EQ(createParameters(&h_), ZVRAW_OK); }
  explicit Set(CZorvalenParameters h) : h_(h) {}
  ~Set() { EXPECT_EQ(destroyParameters(h_), ZVRAW_OK); }
  Set(const Set&) = delete;
  Set& operator=(const Set&) = delete;
  CZorvalenParameters get() const { return h_; }

  void set(int key, const char* text) const { EXPECT_EQ(setParameterValue(h_, key, text), ZVRAW_OK); }
  std::string value(int key) const {
    char* text = nullptr;
    EXPECT_EQ(getParameterValue(h_, key, &text), ZVRAW_OK);
    return text ? text : "<null>";
  }
  std::vector<int> keys() const {
    int* keys = nullptr;
    int count = -1;
    EXPECT_EQ(getParameterKeys(h_, &keys, &count), ZVRAW_OK);
    return count > 0 ? std::vector<int>(keys, keys + count) : std::vector<int>{};
  }

 private:
  CZorvalenParameters h_ = nullptr;
};

TEST(ParameterExports, EmptyTextIsListed) {
  Set s;
  s.set(1450, "");
  EXPECT_EQ(s.keys(), std::vector<int>{1450});
  EXPECT_EQ(s.value(1450), "");
}

TEST(ParameterExports, KeysAscendOnceAndLastTextWins) {
  Set s;
  EXPECT_TRUE(s.keys().empty());
  s.set(1551, "a");
  s.set(1000, "b");
  s.set(1450, "c");
  s.set(1000, "d");
  EXPECT_EQ(s.keys(), (std::vector<int>{1000, 1450, 1551}));
  EXPECT_EQ(s.value(1000), "d");
  EXPECT_EQ(s.value(1999), "");  // unset reads as empty
}

TEST(ParameterExports, EmptySetListsNoKeys) {
  Set s;
  int* keys = nullptr;
  int count = -1;
  EXPECT_EQ(getParameterKeys(s.get(), &keys, &count), ZVRAW_OK);
  EXPECT_EQ(count, 0);
}

TEST(ParameterExports, ReturnedTextLivesUntilTheNextValueCall) {
  Set s;
  s.set(1, "a fairly long first value");
  s.set(2, "short");
  char* first = nullptr;
  char* second = nullptr;
  ASSERT_EQ(getParameterValue(s.get(), 1, &first), ZVRAW_OK);
  int* keys = nullptr;
  int count = 0;
  ASSERT_EQ(getParameterKeys(s.get(), &keys, &count), ZVRAW_OK);  // another kind of call
  s.set(1, "replaced");                                            // the held copy is the handle's own
  EXPECT_STREQ(first, "a fairly long first value");
  ASSERT_EQ(getParameterValue(s.get(), 2, &second), ZVRAW_OK);
  EXPECT_EQ(first, second);  // the buffer is reused
  EXPECT_STREQ(first, "short");
}

TEST(ParameterExports, KeyListLivesUntilTheNextKeysCall) {
  Set s;
  s.set(5, "x");
  s.set(3, "y");
  int* keys = nullptr;
  int count = 0;
  ASSERT_EQ(getParameterKeys(s.get(), &keys, &count), ZVRAW_OK);
  s.set(4, "z");
  char* text = nullptr;
  ASSERT_EQ(getParameterValue(s.get(), 4, &text), ZVRAW_OK);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(keys[0], 3);  // still the list as it was returned
  EXPECT_EQ(keys[1], 5);
  EXPECT_EQ(s.keys(), (std::vector<int>{3, 4, 5}));
}

TEST(ParameterExports, CopiesAreIndependent) {
  Set a;
  a.set(1, "one");
  CZorvalenParameters copy = nullptr;
  ASSERT_EQ(createParametersFromParameters(a.get(), &copy), ZVRAW_OK);
  Set b(copy);
  a.set(2, "a only");
  b.set(1, "b's one");
  b.set(3, "b only");
  EXPECT_EQ(a.keys(), (std::vector<int>{1, 2}));
  EXPECT_EQ(b.keys(), (std::vector<int>{1, 3}));
  EXPECT_EQ(a.value(1), "one");
  EXPECT_EQ(b.value(1), "b's one");
}

// A live object of another handle family.
class OtherKind : public HandleObject {
 public:
  OtherKind() : HandleObject(HandleKind::Writer) {}
  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Writer; }
};

TEST(ParameterExports, BadHandlesAndNullPointersGive79) {
  OtherKind other;
  Set good;
  good.set(1, "kept");
  for (CZorvalenParameters bad : {static_cast<void*>(nullptr), Vardex::Lib::ZorvalenRaw::toHandle(&other)}) {
    const char* what = bad ? "other kind" : "null";
    char* text = reinterpret_cast<char*>(0x1);
    int* keys = reinterpret_cast<int*>(0x1);
    int count = 7;
    CZorvalenParameters out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(setParameterValue(bad, 1, "x"), ZVRAW_NULL_PARAMETERS) << what;
    EXPECT_EQ(getParameterValue(bad, 1, &text), ZVRAW_NULL_PARAMETERS) << what;
    EXPECT_EQ(getParameterKeys(bad, &keys, &count), ZVRAW_NULL_PARAMETERS) << what;
    EXPECT_EQ(text, reinterpret_cast<char*>(0x1)) << what;
    EXPECT_EQ(count, 7) << what;
    EXPECT_EQ(createParametersFromParameters(bad, &out), ZVRAW_NULL_PARAMETERS) << what;
    EXPECT_EQ(out, nullptr) << what;  // a create function nulls its handle first
  }
  EXPECT_EQ(destroyParameters(Vardex::Lib::ZorvalenRaw::toHandle(&other)), ZVRAW_NULL_PARAMETERS);

  int* keys = nullptr;
  int count = 0;
  EXPECT_EQ(setParameterValue(good.get(), 1, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getParameterValue(good.get(), 1, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getParameterKeys(good.get(), nullptr, &count), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getParameterKeys(good.get(), &keys, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(createParameters(nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(createParametersFromParameters(good.get(), nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(good.value(1), "kept");  // nothing stored by the refused calls
}

}  // namespace
