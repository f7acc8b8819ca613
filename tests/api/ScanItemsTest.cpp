// The information reader's named values through the C interface: header
// items, scan-item names and per-scan values with their renderings, the
// items a function records, drift bins and times, a writer round trip, and
// damaged statistics files.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "api/ExtendedStats.h"
#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawInfoImp.h"
#include "cluster/WriterTestSupport.h"
#include "cluster/ZVRawWriteInterface.h"
#include "drift/DriftPairFixture.h"
#include "support/Corruption.h"

using Vardex::Lib::ZorvalenRaw::ExtendedStats;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::Parameters;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawInfoImp;
using Item = ZorvalenScanItem;
using Pairs = ParameterPairs;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kItemVesko = 481, kItemNoName = 509, kItemNone = 999;

// Sets a float of record `scan` of a 22-byte-record _funcNNN.idx (TIC at 8).
void patchTIC(const std::filesystem::path& idx, unsigned scan, float tic) {
  Bytes b = readFile(idx);
  std::memcpy(b.data() + scan * 22 + 8, &tic, 4);
  writeFile(idx, b);
}

class ScanItems : public ReaderSetTest {
 protected:
  // Function 0 (format 9, 3 scans, set mass 500.2) records every rendering;
  // its TIC is 123.75 in scan 0 and 1e20 in scan 2. Function 1 has no
  // statistics.
  void writeRun() {
    RawDirectoryFixture fx;
    fx.function({.format = 9, .scans = 3, .peaks = 4, .setMass = 500.2f}).function({.format = 12, .scans = 2});
    const auto constant = [](double v) { return [v](unsigned) { return v; }; };
    fx.function(0).stats = {{9, kFloatField, constant(0.1)},    {10, kFloatField, constant(1e-5)},
                            {62, kFloatField, constant(1500)},  {76, kShortField, constant(-250)},
                            {77, kFloatField, constant(123.5)}, {79, kCharField, constant(1)},
                            {81, kShortField, constant(1)},     {100, kCharField, constant(-1)},
                            {109, kCharField, constant(1)},     {112, kCharField, constant('A')},
                            {84, kFloatField, [](unsigned s) { return s == 0 ? -3.7 : s == 1 ? double(kNaN) : 1e30; }}};
    write(fx);
    patchTIC(raw() / RawDirectoryFixture::indexName(0), 0, 123.75f);
    patchTIC(raw() / RawDirectoryFixture::indexName(0), 2, 1e20f);
  }

  // getScanItemValue's code and the set it leaves.
  std::pair<int, Pairs> values(CZorvalenBaseReader r, int f, int s, const std::vector<int>& items) {
    std::vector<Item> typed;
    for (int i : items) typed.push_back(static_cast<Item>(i));
    const int rc = getScanItemValue(r, f, s, typed.data(), static_cast<int>(typed.size()), set_);
    return {rc, parameterPairs(set_)};
  }
};

TEST_F(ScanItems, RenderingsById) {
  writeRun();
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  const struct {
    int scan, item;
    const char* text;
  } cases[] = {{0, 409, "0.100000001"}, {0, 410, "9.99999975e-06"}, {0, 462, "1500"}, {0, 476, "-250"},
               {0, 477, "500.200012"},  // the descriptor's, not the record's 123.5
               {0, kItemVesko, "1"}, {0, 484, "-3"}, {1, 484, "0"}, {2, 484, "2147483647"}, {0, 500, "-1"},
               {0, 512, "A"}, {0, 478, "0"}, {0, 479, ""}, {0, kItemNoName, ""}, {0, 652, "124"},
               {2, 652, "100000002004087734272"}, {1, 652, "50"}, {1, 654, "17"}, {1, 653, "130.250000"},
               {1, 655, "4"}, {0, 401, "0"}};  // 401: not in the file, so the zero record's
  for (const auto& c : cases) {
    const auto [rc, pairs] = values(r, 0, c.scan, {c.item});
    EXPECT_EQ(rc, ZVRAW_OK) << c.item;
    EXPECT_EQ(pairs, (Pairs{{c.item, c.text}})) << "item " << c.item << " scan " << c.scan;
  }
}

TEST_F(ScanItems, EdgeCases) {
  writeRun();
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  const struct {
    int function, scan;
    std::vector<int> items;
    int rc;
    Pairs pairs;
  } cases[] = {
      {0, 0, {476, kItemNone}, ZVRAW_OK, {{476, "-250"}, {kItemNone, ""}}},
      {0, 0, {476, 476}, ZVRAW_OK, {{476, "-250"}}},
      {0, 3, {476, 477}, ZVRAW_SCANNUM_INVALID, {{476, ""}, {477, ""}}},
      {1, 0, {476, 477, 655}, ZVRAW_OK, {{476, ""}, {477, "500"}, {655, "4"}}},  // no statistics
      {0, -1, {476}, ZVRAW_SCANNUM_INVALID, {{476, ""}}},
      {-1, 0, {476}, ZVRAW_FUNCNUM_INVALID, {{476, ""}}},
      {2, 0, {476}, ZVRAW_FUNCNUM_INVALID, {{476, ""}}},
      {0, 0, {INT_MIN, INT_MAX}, ZVRAW_OK, {{INT_MIN, ""}, {INT_MAX, ""}}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(values(r, c.function, c.scan, c.items), std::make_pair(c.rc, c.pairs)) << c.items.front();

  // By position, as the classification asks: sized before the scan is checked.
  auto* info = handleCast<ZorvalenRawInfoImp>(r);
  std::vector<std::string> texts;
  EXPECT_EQ(info->getItemValue(0, 0, {81, 77, 200, INT_MAX}, texts), ZVRAW_OK);
  EXPECT_EQ(texts, (std::vector<std::string>{"1", "500.200012", "", ""}));
  EXPECT_EQ(info->getItemValue(0, 3, {81, 77}, texts), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(texts, (std::vector<std::string>{"", ""}));

  const ZorvalenScanItem named[] = {Item::TRANSPORT_RF, Item::TOTAL_ION_CURRENT, static_cast<Item>(kItemNoName)};
  ASSERT_EQ(getScanItemName(r, named, 3, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), (Pairs{{476, "Transport RF"}, {652, ""}, {kItemNoName, ""}}));
  ASSERT_EQ(getScanItemsInFunction(r, 1, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), Pairs{});
  ASSERT_EQ(getScanItemsInFunction(r, 0, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_).size(), 10u) << "id 109 has no name";
  const ZorvalenHeaderItem header[] = {ZorvalenHeaderItem::SAMPLE_DESCRIPTION, static_cast<ZorvalenHeaderItem>(350)};
  ASSERT_EQ(getHeaderItemValue(r, header, 2, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), (Pairs{{310, "fixture run"}, {350, ""}}));
}

// Refused item arrays leave the set as it was.
TEST_F(ScanItems, HostileItemArrays) {
  writeRun();
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  const ZorvalenScanItem items[] = {Item::TRANSPORT_RF};
  const ZorvalenHeaderItem header[] = {ZorvalenHeaderItem::VERSION};
  const struct {
    std::function<int()> call;
    int rc;
  } cases[] = {{[&] { return getScanItemValue(r, 0, 0, nullptr, 2, set_); }, ZVRAW_NULL_PARAMETERS},
               {[&] { return getScanItemValue(r, 0, 0, items, -1, set_); }, ZVRAW_PARAMETER_INVALID},
               {[&] { return getScanItemName(r, nullptr, 1, set_); }, ZVRAW_NULL_PARAMETERS},
               {[&] { return getScanItemName(r, items, -1, set_); }, ZVRAW_PARAMETER_INVALID},
               {[&] { return getHeaderItemValue(r, nullptr, 1, set_); }, ZVRAW_NULL_PARAMETERS},
               {[&] { return getHeaderItemValue(r, header, INT_MIN, set_); }, ZVRAW_PARAMETER_INVALID}};
  for (const auto& c : cases) {
    ASSERT_EQ(setParameterValue(set_, 1, "kept"), ZVRAW_OK);
    EXPECT_EQ(c.call(), c.rc);
    EXPECT_EQ(parameterPairs(set_), (Pairs{{1, "kept"}}));
  }
  EXPECT_EQ(getScanItemValue(r, 0, 0, nullptr, 0, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), Pairs{});
}

// Damaged _func001.sts files read through every new query: result codes,
// no out-of-bounds read.
TEST_F(ScanItems, DamagedStatisticsGiveCodes) {
  writeRun();
  drift_fixture::Settings s;
  drift_fixture::writePair(raw(), 0, s, drift_fixture::ladder(3, s.bins));
  std::vector<Item> all;
  for (int i = 401; i <= 523; ++i) all.push_back(static_cast<Item>(i));
  for (int i = 652; i <= 655; ++i) all.push_back(static_cast<Item>(i));
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::INFO); rc != ZVRAW_OK)
      return rc;
    int rc = ZVRAW_OK;
    for (int scan = 0; scan < 3 && rc == ZVRAW_OK; ++scan)
      rc = getScanItemValue(r, 0, scan, all.data(), static_cast<int>(all.size()), set_);
    float t = 0;
    int first = 0, last = 0;
    for (int bin = 0; bin < 4; ++bin) (void)getDriftTime(r, bin, &t);
    (void)getDriftRangeFromTimeRange(r, 0, 0.0f, 5.0f, first, last);
    EXPECT_TRUE(first == -1 || (first <= last && last < s.bins)) << first << " " << last;
    if (const int named = getScanItemsInFunction(r, 0, set_); rc == ZVRAW_OK) rc = named;
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return rc;
  };
  const std::filesystem::path file = raw() / RawDirectoryFixture::statsName(0);
  const Bytes valid = readFile(file);
  const ReaderCall read = [&](const Bytes& damaged) {
    writeFile(file, damaged);
    return readAll();
  };
  // A short statistics file is a run still being written: any cut may read.
  expectRejectsTruncations(valid, read, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, read, 0x57A7u, 40);
}

// A function written through the write interface with a layout made from
// scan items reads its values back through getScanItemValue.
TEST_F(ScanItems, WriterRoundTrip) {
  ExtendedStats stats;
  ASSERT_EQ(stats.Initalise(std::vector<int>{62, 81, 100}), ZVRAW_OK);
  {
    borealtek_zvraw_version_1::ZVRawDataCluster cluster;
    borealtek_zvraw_version_1::ZVRawWriteInterface w(cluster);
    ASSERT_EQ(w.prepareDataCluster(rawPath().c_str(), 0), ZVRAW_OK);
    ASSERT_EQ(w.setFunctionDescriptor(0, centroidDescriptor(12, false, 2), false, true), ZVRAW_OK);
    ASSERT_EQ(w.setExtendedStatsDescriptor(0, *stats.GetDescriptor()), ZVRAW_OK);
    ScanBatch b(0, 0, 2, 3);
    ASSERT_EQ(
        w.appendScans(0, 2, b.masses.data(), b.intensities.data(), b.flags.data(), b.times.data(), b.sizes.data()),
        ZVRAW_OK);
    ASSERT_EQ(w.writeScans(0, true, 0u), ZVRAW_OK);
    Parameters first, second;
    first.SetValue(static_cast<int>(Item::COLLISION_ENERGY), "30");
    first.SetValue(kItemVesko, "1");
    first.SetValue(static_cast<int>(Item::REFERENCE_SCAN), "1");
    second.SetValue(kItemVesko, "1");
    for (const Parameters* scan : {&first, &second}) {
      char* record = nullptr;
      ASSERT_EQ(stats.ConvertStats(*scan, record), ZVRAW_OK);
      ASSERT_EQ(w.appendStats(0, 1, record), ZVRAW_OK);
    }
    ASSERT_EQ(w.writeExtendedStats(0u, 0u), ZVRAW_OK);
    ASSERT_EQ(w.writeFunctionDescriptors(), ZVRAW_OK);
    ASSERT_EQ(w.writeHeader(false), ZVRAW_OK);
  }
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  EXPECT_EQ(values(r, 0, 0, {462, kItemVesko, 500}),
            std::make_pair(ZVRAW_OK, Pairs{{462, "30"}, {kItemVesko, "1"}, {500, "1"}}));
  EXPECT_EQ(values(r, 0, 1, {462, kItemVesko, 500}),
            std::make_pair(ZVRAW_OK, Pairs{{462, "0"}, {kItemVesko, "1"}, {500, "0"}}));
  ASSERT_EQ(getScanItemsInFunction(r, 0, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), (Pairs{{462, "Collision Energy"}, {kItemVesko, "Vesko Enabled"}, {500, "Reference Scan"}}));
}

// ---- drift bins and times ----

// Compressed functions with the transfer RF in scan 0's statistics: f0 RF
// 500 over 101 bins, f1 RF 500 over 100, f2 RF -32768, f3 RF 0, f4 150 bins
// without statistics.
class DriftBins : public ScanItems {
 protected:
  void SetUp() override {
    ScanItems::SetUp();
    const struct {
      double rf;
      int bins;
    } functions[] = {{500, 101}, {500, 100}, {-32768, 100}, {0, 100}, {kNaN, 150}};
    RawDirectoryFixture fx;
    for (const auto& f : functions) {
      fx.function({.format = 12, .scans = 2, .peaks = 2});
      if (!std::isnan(f.rf))
        fx.function(fx.functionCount() - 1).stats = {{76, kShortField, [rf = f.rf](unsigned) { return rf; }}};
    }
    write(fx);
    for (unsigned f = 0; f < 5; ++f) {
      drift_fixture::Settings s;
      s.bins = functions[f].bins;
      drift_fixture::writePair(raw(), f, s, drift_fixture::ladder(2, s.bins));
    }
  }
};

TEST_F(DriftBins, TimesOfBins) {
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  // bin 100: f0 is the first with it; 120: only f4, without statistics; 150: none.
  const struct {
    int bin, rc;
    float time;
  } cases[] = {{100, ZVRAW_OK, 200.0f}, {3, ZVRAW_OK, 6.0f}, {120, ZVRAW_TRANSFER_RF_NOT_DEFINED, kNaN},
               {150, ZVRAW_DRIFTNUM_INVALID, kNaN}, {INT_MIN, ZVRAW_DRIFTNUM_INVALID, kNaN}};
  for (const auto& c : cases) {
    float t = -5;
    EXPECT_EQ(getDriftTime(r, c.bin, &t), c.rc) << c.bin;
    EXPECT_TRUE(t == c.time || (std::isnan(t) && std::isnan(c.time))) << c.bin << " " << t;
  }
  auto* info = handleCast<ZorvalenRawInfoImp>(r);
  float t = -5;
  EXPECT_EQ(info->GetDriftTime(3, 5, t), ZVRAW_TRANSFER_RF_NOT_DEFINED);
  EXPECT_EQ(info->GetDriftTime(2, 1, t), ZVRAW_OK);
  EXPECT_EQ(t, 1000.0f / 32768.0f);
}

TEST_F(DriftBins, RangesOfTimes) {
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    int function;
    float start, end;
    int rc = ZVRAW_DRIFTRANGE_INVALID, first = -1, last = -1;
  } cases[] = {{0, 0.0f, 200.0f, ZVRAW_OK, 0, 100}, {1, 0.0f, 199.5f, ZVRAW_OK, 0, 99},
               {1, 199.5f, 199.5f, ZVRAW_OK, 99, 99},  // a bin equal to the count is the last
               {1, 0.0f, 200.0f, ZVRAW_OK, 0, 99}, {1, 0.0f, 202.0f} /* bin 101 */, {1, 5.0f, 4.0f},
               {1, -1.0f, 4.0f}, {1, kNaN, 4.0f}, {1, 0.0f, kNaN}, {1, 1e30f, 1e30f}, {1, 0.0f, 1e30f}, {1, 0.0f, inf},
               {2, 1.0f, 2.0f, ZVRAW_OK, 33, 66},  // RF -32768 taken as 32768
               {3, 0.0f, 1.0f}, {4, 0.0f, 1.0f, ZVRAW_TRANSFER_RF_NOT_DEFINED, -1, -1}, {5, 0.0f, 1.0f, ZVRAW_FUNCNUM_INVALID, -1, -1},
               {-1, 0.0f, 1.0f, ZVRAW_FUNCNUM_INVALID, -1, -1}};
  for (const auto& c : cases) {
    int first = 7, last = 7;
    EXPECT_EQ(getDriftRangeFromTimeRange(r, c.function, c.start, c.end, first, last), c.rc)
        << c.function << " " << c.start << " " << c.end;
    EXPECT_EQ(std::make_pair(first, last), std::make_pair(c.first, c.last)) << c.function << " " << c.end;
  }

  // The single-time lookup says 55 where the range says 80.
  auto* info = handleCast<ZorvalenRawInfoImp>(r);
  for (auto [f, time, rc, want] : {std::tuple{1, 199.5f, ZVRAW_OK, 100}, {1, kNaN, ZVRAW_DRIFTNUM_INVALID, 7},
                                   {1, 1e30f, ZVRAW_DRIFTNUM_INVALID, 7}, {3, 1.0f, ZVRAW_TRANSFER_RF_NOT_DEFINED, 7},
                                   {4, 1.0f, ZVRAW_TRANSFER_RF_NOT_DEFINED, 7}}) {
    int bin = 7;
    EXPECT_EQ(info->GetDriftIndexFromTime(f, time, bin), rc) << f << " " << time;
    EXPECT_EQ(bin, want) << f << " " << time;
  }
}

}  // namespace
