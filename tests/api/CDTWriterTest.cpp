// The compressed drift writer: blocks read back through the drift reader,
// the summed spectrum, hostile blocks and function values, injected write
// failures, and a whole directory of every writer read by the C readers.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "api/ZorvalenRawAnalogWriterImp.h"
#include "api/ZorvalenRawCDTWriter.h"
#include "api/ZorvalenRawHeaderWriterImp.h"
#include "api/ZorvalenRawScanWriterImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "drift/CDTReader.h"
#include "drift/IMSUtil.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace Vardex::Lib::ZorvalenRaw;
using U32 = std::vector<std::uint32_t>;
using F = std::vector<float>;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Blocks of the caller's layout: counts, then the points one after another.
struct Block {
  U32 scans, indices, intensities;
  F masses, values;
  float rt = 1.0f;
};
Block byIndex(U32 scans, U32 indices, U32 intensities, float rt = 1.0f) {
  return {std::move(scans), std::move(indices), std::move(intensities), {}, {}, rt};
}
Block byMass(U32 scans, F masses, F values, float rt = 1.0f) {
  return {std::move(scans), {}, {}, std::move(masses), std::move(values), rt};
}

class CDTWriter : public TempDirTest {
 protected:
  // ttm = 1: grid indices 10..20 are masses 100, 121, ... 400.
  int start(ZorvalenRawCDTWriter& w, float end = 400.0f, int perBlock = 3) {
    EXPECT_EQ(w.Initalise(dir().string(), 0), ZVRAW_OK);
    return w.AppendFunction(1.0f, 5184.0f, 1.0f, 100.0f, end, perBlock);
  }
  static int add(ZorvalenRawCDTWriter& w, const Block& b) {
    const auto n = static_cast<unsigned>(b.masses.empty() ? b.indices.size() : b.masses.size());
    const auto size = static_cast<unsigned>(b.scans.size());
    return b.masses.empty() ? w.AddBlock(b.indices.data(), b.intensities.data(), n, b.scans.data(), size, b.rt)
                            : w.AddBlock(b.masses.data(), b.values.data(), n, b.scans.data(), size, b.rt);
  }
  static F summed(ZorvalenRawCDTWriter& w, F* masses = nullptr) {
    float *m = nullptr, *y = nullptr;
    int n = -1;
    EXPECT_EQ(w.GetRawScan(m, y, n), ZVRAW_OK);
    if (masses != nullptr) masses->assign(m, m + n);
    return F(y, y + n);
  }
  [[nodiscard]] std::uintmax_t bytes() const {
    std::uintmax_t n = 0;
    for (const char* f : {"_func001.cdt", "_func001.ind"}) n += fs::exists(dir() / f) ? fs::file_size(dir() / f) : 0;
    return n;
  }
};

TEST_F(CDTWriter, EdgeCases) {
  ZorvalenRawCDTWriter w;
  ASSERT_EQ(start(w), ZVRAW_OK);
  EXPECT_EQ(summed(w), F(2, 0.0f));  // before a block: the empty grid's first and last points
  ASSERT_EQ(add(w, byIndex({2, 0, 1}, {10, 11, 11}, {5, 7, 1}, 1.5f)), ZVRAW_OK);
  F masses;
  EXPECT_EQ(summed(w, &masses), (F{5, 8, 0, 0}));
  EXPECT_EQ(masses, (F{100, 121, 144, 400}));
  EXPECT_EQ(w.CloseBlock(), ZVRAW_OK);
  EXPECT_EQ(w.CloseBlock(), ZVRAW_OK);
  EXPECT_EQ(add(w, byIndex({1}, {12}, {1})), ZVRAW_WRITER_CDT_NO_FUNCTION);

  Vardex::Lib::ZorvalenRaw::CDTReader r;
  ASSERT_EQ(r.Initialise(dir().string(), 0), ZVRAW_OK);
  float seconds = 0;
  ASSERT_EQ(r.GetRetentionTime(0, seconds), ZVRAW_OK);
  EXPECT_EQ(seconds, 90.0f);

  ZorvalenRawCDTWriter wide;  // 100..1000: rounded index of 100 to that of 1000, both in
  ASSERT_EQ(start(wide, 1000.0f), ZVRAW_OK);
  EXPECT_EQ(wide.GetStartIndex(), 10);
  EXPECT_EQ(wide.GetMassScale().size(), 23u);
  EXPECT_EQ(wide.GetMassScale().back(), 1024.0f);
}

// Every spectrum reads back as handed in (float masses: as rebinned onto the
// grid with zeros dropped), and the summed spectrum is their sum on the grid.
TEST_F(CDTWriter, BlocksReadBackAsHandedIn) {
  const std::vector<Block> blocks = {
      byIndex({3, 0, 2}, {3, 15, 25, 11, 12}, {1, 70000, 9, 2, 3}, 0.5f),  // 3 and 25 lie off the grid
      byIndex({2}, {100000, 14}, {5, 4000000000u}, 0.75f),  // far jumps need repair pairs
      byMass({2, 3, 1}, {105, 260, 99, 150, 399, 300}, {10, 20, 0, 0.5f, 4e9f, 7}),
      byIndex({}, {}, {}, 1.25f),
  };
  ZorvalenRawCDTWriter w;
  ASSERT_EQ(start(w), ZVRAW_OK);
  U32 grid(11);
  for (std::uint32_t k = 0; k < 11; ++k) grid[k] = 10 + k;
  std::vector<std::vector<U32>> expected;  // per block: indices and intensities of each spectrum
  for (const Block& b : blocks) {
    ASSERT_EQ(add(w, b), ZVRAW_OK);
    std::vector<U32> spectra;
    F sum(11, 0.0f);
    std::size_t at = 0;
    for (const std::uint32_t n : b.scans) {
      U32 idx(b.indices.begin() + at, b.indices.begin() + at + (b.masses.empty() ? n : 0)), y;
      if (b.masses.empty()) {
        y.assign(b.intensities.begin() + at, b.intensities.begin() + at + n);
      } else {
        F v(11);
        IMSUtil::Resample(b.masses.data() + at, b.values.data() + at, static_cast<int>(n), w.GetMassScale().data(),
                          v.data(), 11);
        ASSERT_EQ(IMSUtil::RemoveZeroIntensities(grid, v, idx, y), IMSUtil::OK);
      }
      IMSUtil::CombineScans(idx, y, sum, 10);
      spectra.push_back(idx);
      spectra.push_back(y);
      at += n;
    }
    F m, y;
    ASSERT_EQ(IMSUtil::RemoveZero(w.GetMassScale(), sum, m, y), IMSUtil::OK);
    EXPECT_EQ(summed(w), y) << b.rt;
    expected.push_back(spectra);
  }
  EXPECT_EQ(expected[2][3].back(), 626506048u);  // 4e9's share of the last cell (39 / 249), stored with a repair
  ASSERT_EQ(w.CloseBlock(), ZVRAW_OK);
  Vardex::Lib::ZorvalenRaw::CDTReader r;
  ASSERT_EQ(r.Initialise(dir().string(), 0), ZVRAW_OK);
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    for (std::size_t s = 0; s < 3; ++s) {
      U32 idx, y, flags;
      ASSERT_EQ(r.ReadScan(static_cast<int>(b), static_cast<int>(s), idx, y, flags), ZVRAW_OK);
      const bool given = 2 * s < expected[b].size();
      EXPECT_EQ(idx, given ? expected[b][2 * s] : U32{}) << b << s;
      EXPECT_EQ(y, given ? expected[b][2 * s + 1] : U32{}) << b << s;
    }
  }
}

TEST_F(CDTWriter, HostileBlocksWriteNothing) {
  ZorvalenRawCDTWriter w;
  ASSERT_EQ(start(w), ZVRAW_OK);
  ASSERT_EQ(add(w, byIndex({1}, {12}, {9})), ZVRAW_OK);
  const U32 i2{11, 12};
  const F m2{120, 130};
  const struct {
    const char* what;
    std::function<int()> call;
    int rc;
  } calls[] = {
      {"datasize above the counts", [&] { return add(w, byIndex({2, 1, 0}, {11, 12, 13, 14}, {1, 1, 1, 1})); },
       ZVRAW_PARAMETER_INVALID},
      {"datasize below the counts", [&] { return add(w, byIndex({2, 1}, i2, i2)); }, ZVRAW_PARAMETER_INVALID},
      {"counts wrapping 32 bits", [&] { return add(w, byIndex({0xFFFFFFFFu, 1}, {}, {})); }, ZVRAW_PARAMETER_INVALID},
      {"count above an int", [&] { return w.AddBlock(i2.data(), i2.data(), 0x80000000u, U32{0x80000000u}.data(), 1,
                                                     1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"4 spectra of 3", [&] { return add(w, byIndex({1, 1, 0, 0}, i2, i2)); }, ZVRAW_PARAMETER_INVALID},
      {"NaN time", [&] { return add(w, byIndex({2}, i2, i2, kNaN)); }, ZVRAW_PARAMETER_INVALID},
      {"NaN intensity", [&] { return add(w, byMass({1, 1}, m2, {5, kNaN})); }, ZVRAW_PARAMETER_INVALID},
      {"infinite mass", [&] { return add(w, byMass({2}, {120, kInf}, m2)); }, ZVRAW_PARAMETER_INVALID},
      {"time beyond a float in seconds", [&] { return add(w, byMass({2}, m2, m2, 1e37f)); },
       ZVRAW_PARAMETER_INVALID},
      {"null indices", [&] { return w.AddBlock(nullptr, i2.data(), 2, U32{2}.data(), 1, 1.0f); },
       ZVRAW_NULL_PARAMETERS},
      {"null intensities", [&] { return w.AddBlock(m2.data(), nullptr, 2, U32{2}.data(), 1, 1.0f); },
       ZVRAW_NULL_PARAMETERS},
      {"null counts", [&] { return w.AddBlock(m2.data(), m2.data(), 2, nullptr, 1, 1.0f); }, ZVRAW_NULL_PARAMETERS},
  };
  const std::uintmax_t before = bytes();
  for (const auto& c : calls) {
    EXPECT_EQ(c.call(), c.rc) << c.what;
    EXPECT_EQ(bytes(), before) << c.what;
    EXPECT_EQ(summed(w)[2], 9.0f) << c.what;  // the last block's sum stays
  }
  EXPECT_EQ(w.AddBlock(static_cast<const float*>(nullptr), nullptr, 0, nullptr, 0, 2.0f), ZVRAW_OK);
  EXPECT_EQ(summed(w), F(2, 0.0f));  // an empty block sums to nothing
}

TEST_F(CDTWriter, HostileFunctionValuesCreateNothing) {
  const struct {
    float lteff, veff, ghz, first, last;
    int perBlock;
  } cases[] = {{0, 5184, 1, 100, 400, 3},    {kNaN, 5184, 1, 100, 400, 3}, {-1, 5184, 1, 100, 400, 3},
               {1, 0, 1, 100, 400, 3},       {1, -5184, 1, 100, 400, 3},   {1, kNaN, 1, 100, 400, 3},
               {1, 5184, 0, 100, 400, 3},    {1, 5184, kNaN, 100, 400, 3}, {1, 5184, -1, 100, 400, 3},
               {1, 5184, 1, 0, 400, 3},      {1, 5184, 1, 100, 100, 3},    {1, 5184, 1, 400, 100, 3},
               {1, 5184, 1, 100, kInf, 3},   {1, 5184, 1, 100, 400, 0},    {1, 5184, 1, 100, 400, -1},
               {1, 5184, 1, 100, 400, ZorvalenRawCDTWriter::kMaxSpectraPerBlock + 1},
               {1, 5184, 1, 1, 1e15f, 3}};  // 3.2e7 grid indices
  for (const auto& c : cases) {
    ZorvalenRawCDTWriter w;
    ASSERT_EQ(w.Initalise(dir().string(), 0), ZVRAW_OK);
    EXPECT_EQ(w.AppendFunction(c.lteff, c.veff, c.ghz, c.first, c.last, c.perBlock), ZVRAW_PARAMETER_INVALID)
        << c.lteff << " " << c.veff << " " << c.ghz << " " << c.first << " " << c.last << " " << c.perBlock;
    EXPECT_EQ(add(w, byIndex({1}, {12}, {1})), ZVRAW_WRITER_CDT_NO_FUNCTION);
    EXPECT_TRUE(fs::is_empty(dir()));
  }
  ZorvalenRawCDTWriter w;
  EXPECT_EQ(w.AppendFunction(1, 5184, 1, 100, 400, 3), ZVRAW_ERROR);
  EXPECT_EQ(w.Initalise("", 0), ZVRAW_FILENAME_EMPTY);
}

// The header, a block's data or its record failing: that call and every
// later block of the function return 10, and the files hold whole blocks.
TEST_F(CDTWriter, FailedWritesAreReturned) {
  const struct {
    const char* what;
    rlim_t limit;  // 0: none
    const char* taken;
    int appended;  // AppendFunction's result
    int written;   // blocks written before the failure
  } cases[] = {{"header", 20, nullptr, ZVRAW_FILEWRITE_ERROR, 0},
               {"data file taken", 0, "_func001.cdt", ZVRAW_FILEWRITE_ERROR, 0},
               {"index file taken", 0, "_func001.ind", ZVRAW_FILEWRITE_ERROR, 0},
               {"third block", 36 + 2 * 72, nullptr, ZVRAW_OK, 2}};
  const Block b = byIndex({1, 1, 1}, {10, 11, 12}, {1, 2, 3});
  for (const auto& c : cases) {
    fs::remove_all(dir());
    fs::create_directories(dir());
    if (c.taken != nullptr) fs::create_directory(dir() / c.taken);
    ZorvalenRawCDTWriter w;
    {
      const FileSizeLimit limit(c.limit != 0 ? c.limit : RLIM_INFINITY);
      ASSERT_TRUE(limit.ok());
      EXPECT_EQ(start(w), c.appended) << c.what;
      for (int k = 0; k < 4; ++k) EXPECT_EQ(add(w, b), k < c.written ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR) << c.what;
    }
    (void)w.CloseBlock();
    Vardex::Lib::ZorvalenRaw::CDTReader r;
    int scans = 0;
    if (r.Initialise(dir().string(), 0) == ZVRAW_OK) (void)r.GetScanCount(scans);
    EXPECT_EQ(scans, c.written) << c.what;
  }
}

// Header items, an analog trace and a drift function written here (the
// summed spectra through the scan writer), read back by the C readers.
TEST_F(CDTWriter, RoundTripThroughTheReaders) {
  const auto set = [](const std::vector<std::pair<int, const char*>>& keys) {
    Parameters p;
    for (const auto& [k, v] : keys) p.SetValue(k, v);
    return p;
  };
  const std::string raw = path("round.raw");
  borealtek_zvraw_version_1::ZVRawDataCluster cluster;
  borealtek_zvraw_version_1::ZVRawWriteInterface wi(cluster);
  ASSERT_EQ(wi.prepareDataCluster(raw.c_str(), 0), ZVRAW_OK);
  ZorvalenRawHeaderWriterImp header(&wi);  // VERSION is the writer's; 299 and 350 are no items
  ASSERT_EQ(header.SetHeader(set({{299, "below"}, {300, "7"}, {310, "round trip"}, {350, "beyond"}})), ZVRAW_OK);
  ASSERT_EQ(header.Close(), ZVRAW_OK);
  FunctionDescriptor d;  // CDT_SCANS 2, start 100, end 400, LTEFF 1, VEFF 5184, 1 GHz
  ASSERT_EQ(d.SetParameters(set({{1105, "2"}, {1103, "100"}, {1104, "400"}, {1107, "1"}, {1108, "5184"}, {1106, "1"}})),
            ZVRAW_OK);
  ZorvalenRawScanWriterImp scans(&wi);
  ZorvalenRawCDTWriter drift;
  ASSERT_EQ(scans.AppendFunction(0, d), ZVRAW_OK);
  ASSERT_EQ(drift.Initalise(raw, 0) + drift.AppendFunction(1, 5184, 1, 100, 400, 2), ZVRAW_OK);
  const Block blocks[] = {byIndex({1, 2}, {12, 11, 15}, {40, 3, 500}, 0.5f), byMass({1}, {144}, {60}, 0.75f)};
  std::vector<F> sums;  // per block: intensities, masses
  for (const Block& b : blocks) {
    F m;
    ASSERT_EQ(add(drift, b), ZVRAW_OK);
    sums.push_back(summed(drift, &m));
    sums.push_back(m);
    ASSERT_EQ(scans.AddScan(ZVSpectrum(m.data(), sums.end()[-2].data(), static_cast<unsigned>(m.size())), b.rt), 0);
  }
  ZorvalenRawAnalogWriterImp analog;
  const F t{0.1f, 0.2f, 0.3f}, v{1.5f, -2.0f, 8.0f};
  ASSERT_EQ(analog.Initialise(raw) + analog.AppendChannel(set({{1201, "Pump"}, {1203, "mV"}})), ZVRAW_OK);
  ASSERT_EQ(analog.AddTrace(t.data(), v.data(), 3) + analog.Close(), ZVRAW_OK);
  ASSERT_EQ(scans.Close() + drift.CloseBlock(), ZVRAW_OK);
  EXPECT_EQ(readTextFile(fs::path(raw) / "_header.txt").find("below"), std::string::npos);
  EXPECT_EQ(readTextFile(fs::path(raw) / "_header.txt").find("beyond"), std::string::npos);

  CZorvalenBaseReader info = nullptr, scan = nullptr, chans = nullptr;
  CZorvalenParameters got = nullptr;
  ASSERT_EQ(createRawReaderFromPath(raw.c_str(), &info, ZorvalenBaseType::INFO), ZVRAW_OK);
  ASSERT_EQ(createRawReaderFromPath(raw.c_str(), &scan, ZorvalenBaseType::SCAN), ZVRAW_OK);
  ASSERT_EQ(createRawReaderFromPath(raw.c_str(), &chans, ZorvalenBaseType::ANALOG), ZVRAW_OK);
  ASSERT_EQ(createParameters(&got), ZVRAW_OK);
  const ZorvalenHeaderItem asked[] = {ZorvalenHeaderItem::VERSION, ZorvalenHeaderItem::SAMPLE_DESCRIPTION};
  ASSERT_EQ(getHeaderItemValue(info, asked, 2, got), ZVRAW_OK);
  char* text = nullptr;
  EXPECT_TRUE(getParameterValue(got, 300, &text) == 0 && std::string(text) == "01.00");
  EXPECT_TRUE(getParameterValue(got, 310, &text) == 0 && std::string(text) == "round trip");
  const std::vector<std::vector<int>> indices = {{12}, {11, 15}, {12}, {}};
  const std::vector<F> intensities = {{40}, {3, 500}, {60}, {}};
  for (int k = 0; k < 4; ++k) {  // scan k / 2, drift bin k % 2
    int *idx = nullptr, n = -1;
    float *m = nullptr, *y = nullptr;
    ASSERT_EQ(readDriftScanIndex(scan, 0, k / 2, k % 2, &idx, &y, &n), ZVRAW_OK);
    EXPECT_TRUE(std::vector<int>(idx, idx + n) == indices[k] && F(y, y + n) == intensities[k]) << k;
    ASSERT_EQ(readScan(scan, 0, k / 2, &m, &y, &n), ZVRAW_OK);
    EXPECT_TRUE(F(y, y + n) == sums[k / 2 * 2] && F(m, m + n) == sums[k / 2 * 2 + 1]) << k;
  }
  const float *times = nullptr, *values = nullptr;
  int count = 0;
  ASSERT_EQ(readChannel(chans, 0, &times, &values, &count), ZVRAW_OK);
  EXPECT_TRUE(F(times, times + count) == t && F(values, values + count) == v);
  EXPECT_TRUE(getChannelDesciption(chans, 0, &text) == 0 && std::string(text) == "Pump");
  EXPECT_TRUE(getChannelUnits(chans, 0, &text) == 0 && std::string(text) == "mV");
  (void)destroyParameters(got);
  for (CZorvalenBaseReader r : {info, scan, chans}) (void)destroyRawReader(r);
}

}  // namespace
