// Scan items turned into a writer function's packed statistics layout, and
// one scan's keyed texts packed into a record of it.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "api/ExtendedStats.h"
#include "api/StatsParametersImp.h"
#include "zorvalen/ZorvalenRaw.h"

using Vardex::Lib::ZorvalenRaw::ExtendedStats;
using Vardex::Lib::ZorvalenRaw::Parameters;
using Vardex::Lib::ZorvalenRaw::StatsParametersImp;
using Item = ZorvalenScanItem;
using Fields = std::vector<std::tuple<int, char, int>>;  // id, letter, offset

namespace {

Fields fieldsOf(ExtendedStats& stats) {
  const ExtendedStatsDescriptorImp& imp = *stats.GetDescriptor()->getImp();
  Fields out;
  for (int w = 0; w < imp.getFieldCount(); ++w)
    out.emplace_back(imp.getFieldID(w), imp.getFieldType(w), imp.getFieldOffSet(w));
  return out;
}

// Each case replaces a held layout; a failure leaves none.
TEST(ExtendedStats, EdgeCases) {
  const struct {
    std::vector<int> items;
    int rc, recordSize;
    Fields fields;
  } cases[] = {{{477, 462}, ZVRAW_OK, 8, {{77, 'f', 0}, {62, 'f', 4}}},
               {{500, 481, 401}, ZVRAW_OK, 5, {{100, 'c', 0}, {81, 's', 1}, {1, 's', 3}}},  // one byte, read as one
               {{}, ZVRAW_OK, 0, {}}, {{476}, ZVRAW_SCAN_STAT_NOTSUPPORTED, 0, {}}, {{600}, ZVRAW_PARAMETER_INVALID, 0, {}},
               {{652}, ZVRAW_SCAN_STAT_NOTSUPPORTED, 0, {}},
               {{462, 482, 483, 484}, ZVRAW_OK, 16, {{62, 'f', 0}, {82, 'f', 4}, {83, 'f', 8}, {84, 'f', 12}}},
               {{476, 600}, ZVRAW_PARAMETER_INVALID, 0, {}},  // every item is converted first
               {{INT_MIN, INT_MAX}, ZVRAW_PARAMETER_INVALID, 0, {}}};
  for (const auto& c : cases) {
    ExtendedStats stats;
    ASSERT_EQ(stats.Initalise(std::vector<int>{9, 10}), ZVRAW_OK);
    std::vector<Item> items;
    for (int i : c.items) items.push_back(static_cast<Item>(i));
    EXPECT_EQ(stats.Initalise(items.data(), static_cast<int>(items.size())), c.rc) << c.items.size();
    EXPECT_EQ(stats.GetDescriptor()->getRecordSize(), c.recordSize);
    EXPECT_EQ(fieldsOf(stats), c.fields);
  }
  ExtendedStats stats;
  const Item one[] = {Item::SET_MASS};
  EXPECT_EQ(stats.Initalise(nullptr, 1), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(stats.Initalise(one, -1), ZVRAW_PARAMETER_INVALID);
  for (auto [id, item] : {std::pair{77, 477}, {200, 699}, {0, 699}, {255, 655}, {INT_MAX, 699}, {INT_MIN, 699}})
    EXPECT_EQ(StatsParametersImp::IDtoEnum(id), item) << id;
}

// The declared fields in order, little-endian, each at its width; a field the
// scan's set does not give is 0 whatever the previous scan gave.
TEST(ExtendedStats, ConvertStatsPacksOneScan) {
  ExtendedStats stats;
  ASSERT_EQ(stats.Initalise(std::vector<int>{62, 81, 100}), ZVRAW_OK);
  Parameters first, second;
  first.SetValue(static_cast<int>(Item::COLLISION_ENERGY), "30");
  first.SetValue(static_cast<int>(Item::VESKO_ENABLED), "1");
  first.SetValue(static_cast<int>(Item::REFERENCE_SCAN), "1");
  first.SetValue(static_cast<int>(Item::SET_MASS), "500");  // not declared
  const std::uint8_t packed1[] = {0x00, 0x00, 0xF0, 0x41, 0x01, 0x00, 1};  // the byte holds the number
  char* record = nullptr;
  ASSERT_EQ(stats.ConvertStats(first, record), ZVRAW_OK);
  EXPECT_EQ(std::memcmp(record, packed1, sizeof packed1), 0);
  second.SetValue(static_cast<int>(Item::VESKO_ENABLED), "-2");
  const std::uint8_t packed2[] = {0, 0, 0, 0, 0xFE, 0xFF, 0};
  ASSERT_EQ(stats.ConvertStats(second, record), ZVRAW_OK);
  EXPECT_EQ(std::memcmp(record, packed2, sizeof packed2), 0);
  ASSERT_EQ(stats.Initalise(std::vector<int>{476}), ZVRAW_SCAN_STAT_NOTSUPPORTED);
  EXPECT_EQ(stats.ConvertStats(first, record), ZVRAW_OK);
  EXPECT_EQ(record, nullptr);
}

}  // namespace
