#include <gtest/gtest.h>

#include <string>

#include "api/MemoryHandler.h"
#include "api/StringHandler.h"

using namespace Vardex::Lib::ZorvalenRaw;
using namespace std::string_literals;

namespace {

TEST(StringHandler, HoldsTextWithItsTerminator) {
  StringHandler h;
  EXPECT_STREQ(h.Memory(), "");  // a fresh handler already reads as the empty text
  for (const std::string& text : {"MS"s, ""s, "a longer text than before"s, "x"s}) {
    h.Set(text);
    EXPECT_EQ(std::string(h.Memory()), text);
  }
  h.Set("a\0b"s);  // every byte is kept, zero bytes included
  EXPECT_EQ(std::string(h.Memory(), 4), "a\0b\0"s);
}

TEST(StringHandler, HoldTextMakesTheHandlerOnceAndReusesIt) {
  std::unique_ptr<StringHandler> holder;
  char* first = holdText(holder, "first text");
  ASSERT_TRUE(holder);
  StringHandler* made = holder.get();
  char* second = holdText(holder, "2nd");
  EXPECT_EQ(holder.get(), made);
  EXPECT_EQ(first, second);  // the buffer was large enough: reused
  EXPECT_STREQ(first, "2nd");
}

TEST(MemoryHandler, HoldsACopy) {
  MemoryHandler m;
  const float values[] = {1.0f, -2.5f, 3.25f};
  m.Set(values, 3);
  ASSERT_EQ(m.Size(), 3u);
  EXPECT_EQ(m.Memory()[0], 1.0f);
  EXPECT_EQ(m.Memory()[2], 3.25f);
  m.Set(values + 1, 1);
  ASSERT_EQ(m.Size(), 1u);
  EXPECT_EQ(m.Memory()[0], -2.5f);
  for (int n : {0, -1, -2147483647 - 1}) {
    m.Set(values, n);
    EXPECT_EQ(m.Size(), 0u) << n;
  }
  m.Set(nullptr, 5);
  EXPECT_EQ(m.Size(), 0u);
}

}  // namespace
