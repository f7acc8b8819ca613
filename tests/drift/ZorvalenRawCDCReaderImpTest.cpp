#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <filesystem>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "cluster/ZVRawDataClusterInfo.h"
#include "drift/DriftPairFixture.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "drift/ZorvalenRawCDCReaderMgrImp.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace Vardex::Lib::ZorvalenRaw;
using namespace drift_fixture;
using borealtek_zvraw_version_1::ZVRawDataClusterInfo;
using borealtek_zvraw_version_1::ZVRawExternalLumavent;
using borealtek_zvraw_version_1::ZVRawHeader;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// What an extraction handed out, released like a caller would.
template <class X>
struct Arrays {
  X* x = reinterpret_cast<X*>(&junk);
  float* y = &junk;
  int n = -1;
  static inline float junk = 0;
  ~Arrays() { release(); }
  void release() {
    if (x != reinterpret_cast<X*>(&junk)) releaseMemory(x);
    if (y != &junk) releaseMemory(y);
    x = nullptr;
    y = nullptr;
  }
  [[nodiscard]] std::vector<X> xs() const { return x ? std::vector<X>(x, x + n) : std::vector<X>{}; }
  [[nodiscard]] std::vector<float> ys() const { return y ? std::vector<float>(y, y + n) : std::vector<float>{}; }
  [[nodiscard]] bool empty() const { return x == nullptr && y == nullptr && n == 0; }
};

struct Results {
  int bins, blocks, chromatogram, byMass;
  bool allEmpty;
};

class DriftExtraction : public TempDirTest {
 protected:
  // Ten scans of four bins (see ladder): bin d of scan s holds index 20 + d
  // (intensity 1 + d) and index 50 + s (intensity 10 (s + 1)); scan s is at
  // s + 1 minutes.
  void SetUp() override {
    TempDirTest::SetUp();
    writePair(dir(), 0, Settings{}, ladder(10, 4));
  }
  std::unique_ptr<ZorvalenRawCDCReaderImp> reader(const ZVRawExternalLumavent* gains = nullptr) const {
    return std::make_unique<ZorvalenRawCDCReaderImp>(dir().string(), 0, nullptr, gains);
  }
  // Every extraction over one request; failed ones must hand out nothing.
  static Results all(ZorvalenRawCDCReaderImp& r, float m0, float m1, int s0, int s1, int b0, int b1) {
    Arrays<int> bins;
    Arrays<float> blocks, chrom;
    std::vector<float> masses{1}, intensities{1};
    Results out{r.extractByBins(m0, m1, s0, s1, b0, b1, bins.x, bins.y, bins.n),
                r.extractByBlocks(m0, m1, s0, s1, b0, b1, blocks.x, blocks.y, blocks.n),
                r.ReadMassChromatogram(0, b0, b1, (m0 + m1) / 2, m1 - m0, chrom.x, chrom.y, chrom.n),
                r.extractByMass(m0, m1, s0, s1, b0, b1, masses, intensities), true};
    if (out.bins != ZVRAW_OK) out.allEmpty &= bins.empty();
    if (out.blocks != ZVRAW_OK) out.allEmpty &= blocks.empty();
    if (out.chromatogram != ZVRAW_OK) out.allEmpty &= chrom.empty();
    if (out.byMass != ZVRAW_OK) out.allEmpty &= masses.empty() && intensities.empty();
    return out;
  }
};

TEST_F(DriftExtraction, ManagerMakesOneReaderPerFunction) {
  ZVRawDataClusterInfo info;
  info.m_pHeader = std::make_unique<ZVRawHeader>(2);
  borealtek_calibrate_version_1::FunctionCalibration cal;
  cal.setCalibration(0.5, 1.0, 0);
  ASSERT_EQ(info.m_pHeader->setCalibration(0, cal), ZVRAW_OK);
  ZorvalenRawCDCReaderMgrImp mgr(dir().string(), &info);
  ZorvalenRawCDCReaderImp* first = mgr.GetCRCReader(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(mgr.GetCRCReader(0), first);
  EXPECT_EQ(first->GetStatus(), ZVRAW_OK);
  ASSERT_NE(first->getCDTReader(), nullptr);
  std::vector<float> axis;
  int offset = 0;
  EXPECT_EQ(first->GetMassScale(axis, offset), ZVRAW_OK);
  EXPECT_EQ(offset, 10);
  ASSERT_EQ(axis.size(), 91u);
  EXPECT_EQ(axis.front(), 100.5f);  // the header's calibration of function 0

  // No drift files (function 1), or a function the header does not know (7):
  // a reader with status 5, kept like any other.
  for (int function : {1, 7, -1}) {
    ZorvalenRawCDCReaderImp* none = mgr.GetCRCReader(function);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(mgr.GetCRCReader(function), none);
    EXPECT_EQ(none->GetStatus(), ZVRAW_FILEOPEN_ERROR);
    int bins = -1;
    EXPECT_EQ(none->GetDriftCount(bins), ZVRAW_OK);
    EXPECT_EQ(bins, 0);
    const Results res = all(*none, 100, 200, 0, 0, 0, 0);
    EXPECT_EQ(res.bins, ZVRAW_FILEOPEN_ERROR);
    EXPECT_EQ(res.blocks, ZVRAW_FILEOPEN_ERROR);
    EXPECT_EQ(res.byMass, ZVRAW_FILEOPEN_ERROR);
    EXPECT_TRUE(res.allEmpty);
  }
  ZorvalenRawCDCReaderMgrImp bare(dir().string(), nullptr);  // no record: no calibration, no gains
  ASSERT_NE(bare.GetCRCReader(0), nullptr);
  EXPECT_EQ(bare.GetCRCReader(0)->GetMassScale(axis, offset), ZVRAW_OK);
  EXPECT_EQ(axis.front(), 100.0f);
}

TEST_F(DriftExtraction, MobilogramsSumOverScansPerBin) {
  auto r = reader();
  Arrays<int> one;
  // Mass 480-490 holds only index 22 (bin 2's first point, intensity 3).
  ASSERT_EQ(r->extractByBins(480, 490, 0, 9, 2, 2, one.x, one.y, one.n), ZVRAW_OK);
  EXPECT_EQ(one.xs(), (std::vector<int>{2}));
  EXPECT_EQ(one.ys(), (std::vector<float>{30}));
  Arrays<int> whole;
  ASSERT_EQ(r->extractByBins(100, 10000, 0, 9, 0, 3, whole.x, whole.y, whole.n), ZVRAW_OK);
  EXPECT_EQ(whole.xs(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(whole.ys(), (std::vector<float>{560, 570, 580, 590}));
}

TEST_F(DriftExtraction, ChromatogramsGiveMinutesAndRoundedSums) {
  auto r = reader();
  Arrays<float> c;
  ASSERT_EQ(r->extractByBlocks(2800, 3600, 5, 9, 0, 3, c.x, c.y, c.n), ZVRAW_OK);  // indices 53-60
  EXPECT_EQ(c.xs(), (std::vector<float>{6, 7, 8, 9, 10}));
  EXPECT_EQ(c.ys(), (std::vector<float>{240, 280, 320, 360, 400}));

  Arrays<float> exact, between;
  ASSERT_EQ(r->ReadMassChromatogram(0, 0, 3, 2500, 0, exact.x, exact.y, exact.n), ZVRAW_OK);
  EXPECT_EQ(exact.ys(), (std::vector<float>{40, 0, 0, 0, 0, 0, 0, 0, 0, 0}));  // index 50 is mass 2500
  ASSERT_EQ(r->ReadMassChromatogram(0, 0, 3, 2550, 0, between.x, between.y, between.n), ZVRAW_OK);
  EXPECT_EQ(between.ys(), std::vector<float>(10, 0.0f));
  EXPECT_EQ(between.xs(), (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  // A window up to the largest float holds the whole function window.
  Arrays<float> huge;
  ASSERT_EQ(r->extractByBlocks(0, 3e38f, 0, 1, 0, 3, huge.x, huge.y, huge.n), ZVRAW_OK);
  EXPECT_EQ(huge.ys(), (std::vector<float>{50, 90}));
}

TEST_F(DriftExtraction, SumsPastTheIntRangeKeepTheirValue) {
  // Two points of 4e9 counts: a sum of 8e9, which int(0.5 + sum) could not hold.
  writePair(dir(), 0, Settings{}, {{60.0f, {{{30}, {4000000000u}, {}}, {{31}, {4000000000u}, {}}}}});
  Arrays<float> c;
  ASSERT_EQ(reader()->extractByBlocks(100, 10000, 0, 0, 0, 1, c.x, c.y, c.n), ZVRAW_OK);
  EXPECT_EQ(c.ys(), (std::vector<float>{8e9f}));
}

TEST_F(DriftExtraction, SummedSpectrumOnTheCalibratedAxis) {
  auto r = reader();
  std::vector<float> masses, intensities;
  ASSERT_EQ(r->extractByMass(0, 0, 2, 2, 1, 1, masses, intensities), ZVRAW_OK);  // the range is not applied
  EXPECT_EQ(masses, (std::vector<float>{100, 400, 441, 484, 2601, 2704, 2809, 10000}));
  EXPECT_EQ(intensities, (std::vector<float>{0, 0, 2, 0, 0, 30, 0, 0}));
  ASSERT_EQ(r->extractByMass(0, 0, 0, 9, 0, 3, masses, intensities), ZVRAW_OK);
  float total = 0;
  for (float v : intensities) total += v;
  EXPECT_EQ(total, 100.0f + 2200.0f);
}

TEST_F(DriftExtraction, LockMassGainScalesTheWindowByRetentionTime) {
  ZVRawExternalLumavent gains;
  gains.add(0.0f, 1.0f);
  gains.add(10.0f, 2.0f);
  // Scan 4 is at 300 s = 5 min: gain 1.5, so 4370-4380 / 1.5 holds index 54.
  Arrays<float> with, without;
  ASSERT_EQ(reader(&gains)->extractByBlocks(4370, 4380, 3, 4, 0, 3, with.x, with.y, with.n), ZVRAW_OK);
  EXPECT_EQ(with.ys(), (std::vector<float>{0, 200}));
  ASSERT_EQ(reader()->extractByBlocks(4370, 4380, 3, 4, 0, 3, without.x, without.y, without.n), ZVRAW_OK);
  EXPECT_EQ(without.ys(), (std::vector<float>{0, 0}));
  // A gain that cannot scale counts as 1.
  for (float bad : {0.0f, -2.0f, kNaN, kInf}) {
    ZVRawExternalLumavent odd;
    odd.add(0.0f, bad);
    Arrays<float> c;
    ASSERT_EQ(reader(&odd)->extractByBlocks(2900, 2930, 4, 4, 0, 3, c.x, c.y, c.n), ZVRAW_OK) << bad;
    EXPECT_EQ(c.ys(), (std::vector<float>{200})) << bad;
  }
}

TEST_F(DriftExtraction, RangesAreCheckedBeforeAnythingIsAllocated) {
  auto r = reader();
  struct Case {
    float m0, m1;
    int s0, s1, b0, b1, code;
  };
  const Case cases[] = {
      {100, 200, 0, 10, 0, 3, ZVRAW_SCANNUM_INVALID},
      {100, 200, -1, 2, 0, 0, ZVRAW_SCANNUM_INVALID},
      {100, 200, 0, 9, 0, 4, ZVRAW_DRIFTNUM_INVALID},
      {100, 200, 0, 9, -1, 0, ZVRAW_DRIFTNUM_INVALID},
      {100, 200, 5, 3, 0, 0, ZVRAW_SCANRANGE_INVALID},
      {100, 200, 0, 0, 3, 1, ZVRAW_DRIFTRANGE_INVALID},
      {100, 200, INT_MAX, INT_MIN, 0, 0, ZVRAW_SCANRANGE_INVALID},
      {100, 200, INT_MIN, INT_MAX, 0, 0, ZVRAW_SCANNUM_INVALID},
      {100, 200, 0, 0, INT_MIN, INT_MAX, ZVRAW_DRIFTNUM_INVALID},
      {-1, 200, 0, 0, 0, 0, ZVRAW_MASS_RANGE_INVALID},
      {300, 200, 0, 0, 0, 0, ZVRAW_MASS_RANGE_INVALID},
      {kNaN, 200, 0, 0, 0, 0, ZVRAW_MASS_RANGE_INVALID},
      {100, kNaN, 0, 0, 0, 0, ZVRAW_MASS_RANGE_INVALID},
      {100, kInf, 0, 0, 0, 0, ZVRAW_MASS_RANGE_INVALID},
      {-kInf, 200, 0, 0, 0, 0, ZVRAW_MASS_RANGE_INVALID},
  };
  for (const Case& c : cases) {
    const Results res = all(*r, c.m0, c.m1, c.s0, c.s1, c.b0, c.b1);
    EXPECT_EQ(res.bins, c.code) << c.s0 << ".." << c.s1 << " / " << c.b0 << ".." << c.b1 << " / " << c.m0;
    EXPECT_EQ(res.blocks, c.code) << c.s0 << ".." << c.s1 << " / " << c.b0 << ".." << c.b1 << " / " << c.m0;
    if (c.code != ZVRAW_MASS_RANGE_INVALID) {
      EXPECT_EQ(res.byMass, c.code) << c.s0 << ".." << c.s1;  // it applies no mass range
    }
    EXPECT_TRUE(res.allEmpty);
  }
  // fMass - massWindow / 2 below 0, or not a number: 74.
  Arrays<float> chrom;
  EXPECT_EQ(r->ReadMassChromatogram(0, 0, 3, 1, 4, chrom.x, chrom.y, chrom.n), ZVRAW_MASS_RANGE_INVALID);
  EXPECT_EQ(r->ReadMassChromatogram(0, 0, 3, 100, 3e38f, chrom.x, chrom.y, chrom.n), ZVRAW_MASS_RANGE_INVALID);
  EXPECT_EQ(r->ReadMassChromatogram(0, 0, 3, 100, kNaN, chrom.x, chrom.y, chrom.n), ZVRAW_MASS_RANGE_INVALID);
  EXPECT_TRUE(chrom.empty());

  // last = first - 1 is an empty range: success with nothing allocated, or
  // zero sums for the bins over no scans.
  Arrays<float> noScans;
  EXPECT_EQ(r->extractByBlocks(100, 200, 5, 4, 0, 3, noScans.x, noScans.y, noScans.n), ZVRAW_OK);
  EXPECT_TRUE(noScans.empty());
  Arrays<int> binsOverNoScans;
  EXPECT_EQ(r->extractByBins(100, 200, 5, 4, 0, 3, binsOverNoScans.x, binsOverNoScans.y, binsOverNoScans.n), ZVRAW_OK);
  EXPECT_EQ(binsOverNoScans.ys(), std::vector<float>(4, 0.0f));
  Arrays<int> noBins;
  EXPECT_EQ(r->extractByBins(100, 200, 0, 9, 2, 1, noBins.x, noBins.y, noBins.n), ZVRAW_OK);
  EXPECT_TRUE(noBins.empty());
}

TEST_F(DriftExtraction, TheFirstFailingReadEndsTheExtraction) {
  // Cut the data file inside block 3: scans 0-2 read, scan 3 does not.
  const Bytes data = readFile(dataPath(dir()));
  writeFile(dataPath(dir()), Bytes(data.begin(), data.begin() + std::ptrdiff_t(data.size() * 7 / 20)));
  auto r = reader();
  const Results res = all(*r, 100, 10000, 0, 9, 0, 3);
  EXPECT_EQ(res.bins, ZVRAW_FILEREAD_ERROR);
  EXPECT_EQ(res.blocks, ZVRAW_FILEREAD_ERROR);
  EXPECT_EQ(res.chromatogram, ZVRAW_FILEREAD_ERROR);
  EXPECT_EQ(res.byMass, ZVRAW_FILEREAD_ERROR);
  EXPECT_TRUE(res.allEmpty);
  Arrays<float> early;
  EXPECT_EQ(r->extractByBlocks(100, 10000, 0, 2, 0, 3, early.x, early.y, early.n), ZVRAW_OK);
}

TEST_F(DriftExtraction, AFunctionWithoutScansGivesEmptyResults) {
  writePair(dir(), 0, Settings{}, {});
  auto r = reader();
  ASSERT_EQ(r->GetStatus(), ZVRAW_OK);
  Arrays<float> c;
  EXPECT_EQ(r->ReadMassChromatogram(0, 0, 3, 500, 10, c.x, c.y, c.n), ZVRAW_OK);
  EXPECT_TRUE(c.empty());
}

TEST_F(DriftExtraction, BadHeadersAndDamagedFilesGiveCodes) {
  for (auto [field, value] : {std::pair{kVeff, 0.0f}, {kVeff, kNaN}, {kEndMass, 50.0f}, {kOffset, 1e30f}}) {
    writePair(dir(), 0, Settings{}, ladder(10, 4));
    patchFloat(dir(), field, value);
    auto r = reader();
    const Results res = all(*r, 100, 200, 0, 0, 0, 0);
    EXPECT_EQ(res.bins, ZVRAW_FILEOPEN_ERROR);
    EXPECT_EQ(res.blocks, ZVRAW_FILEOPEN_ERROR);
    EXPECT_EQ(res.byMass, ZVRAW_FILEOPEN_ERROR);
    EXPECT_TRUE(res.allEmpty);
  }
  writePair(dir(), 0, Settings{}, ladder(3, 2));
  expectDamagedPairsGiveCodes(
      dir(),
      [&] {
        auto r = reader();
        const Results res = all(*r, 100, 10000, 0, 2, 0, 1);
        EXPECT_TRUE(res.allEmpty);
        for (int code : {res.bins, res.blocks, res.chromatogram, res.byMass})
          if (code != ZVRAW_OK) return code;
        return ZVRAW_OK;
      },
      0x1e, 100);
}

// Every drift spectrum of the first `scans` scans, as indices and intensities.
std::vector<std::pair<std::vector<int>, std::vector<float>>> spectra(ZorvalenRawCDCReaderImp& r, int scans,
                                                                     int bins) {
  std::vector<std::pair<std::vector<int>, std::vector<float>>> out;
  for (int s = 0; s < scans; ++s) {
    for (int d = 0; d < bins; ++d) {
      int* i = nullptr;
      float* y = nullptr;
      int n = 0;
      EXPECT_EQ(r.ReadScan(s, d, i, y, n), ZVRAW_OK) << s << " " << d;
      out.emplace_back(std::vector<int>(i, i + n), std::vector<float>(y, y + n));
    }
  }
  return out;
}

// A refreshed reader reads the pair as a new one would: grown in place (read
// on by the same reader), made since, written anew with another header, cut,
// moved away and back, or renamed over by a pair of the same header with
// other blocks. What it handed out before stays readable until its next
// read, however many refreshes come between.
TEST_F(DriftExtraction, RefreshSeesThePairAsItNowIs) {
  ZorvalenRawCDCReaderMgrImp mgr(dir().string(), nullptr);
  ZorvalenRawCDCReaderImp* r = mgr.GetCRCReader(0);
  ZorvalenRawCDCReaderImp* late = mgr.GetCRCReader(1);  // no files yet
  ASSERT_EQ(late->GetStatus(), ZVRAW_FILEOPEN_ERROR);
  const std::filesystem::path aside = dir() / "aside", next = dir() / "next";
  std::filesystem::create_directories(aside);
  std::filesystem::create_directories(next);
  const auto move = [](const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::rename(indexPath(from), indexPath(to));
    std::filesystem::rename(dataPath(from), dataPath(to));
  };
  const std::function<void()> away = [&] { move(dir(), aside); }, back = [&] { move(aside, dir()); };
  const struct {
    const char* what;
    std::vector<std::function<void()>> steps;  // each followed by a refresh
    int scans, bins;
    bool kept;  // the same reader reads on
  } cases[] = {
      {"grown", {[&] { writePair(dir(), 0, Settings{}, ladder(12, 4)); }}, 12, 4, true},
      {"unchanged", {[] {}}, 12, 4, true},
      {"away and back", {away, back}, 12, 4, false},
      {"away twice, then back", {away, [] {}, back}, 12, 4, false},
      {"another header", {[&] { writePair(dir(), 0, Settings{.bins = 3}, ladder(5, 3)); }}, 5, 3, false},
      {"cut", {[&] { writePair(dir(), 0, Settings{.bins = 3}, ladder(2, 3)); }}, 2, 3, false},
      {"renamed over, same header",
       {[&] {
         writePair(next, 0, Settings{.bins = 3}, ladder(4, 3, 7));
         move(next, dir());
       }},
       4, 3, false},
  };
  for (const auto& c : cases) {
    float *m = nullptr, *y = nullptr;
    int n = 0;
    ASSERT_EQ(r->ReadScan(1, 0, m, y, n), ZVRAW_OK) << c.what;
    const std::vector<float> masses(m, m + n), before(y, y + n);
    const CDTReader* reading = r->getCDTReader();
    for (const auto& step : c.steps) {
      step();
      mgr.Refresh();
    }
    EXPECT_EQ(std::vector<float>(m, m + n), masses) << c.what;
    EXPECT_EQ(std::vector<float>(y, y + n), before) << c.what;
    EXPECT_EQ(r->getCDTReader() == reading, c.kept) << c.what;
    int scans = 0, bins = 0;
    EXPECT_EQ(r->getCDTReader()->GetScanCount(scans), ZVRAW_OK) << c.what;
    EXPECT_EQ(r->GetDriftCount(bins), ZVRAW_OK) << c.what;
    EXPECT_EQ(std::pair(scans, bins), std::pair(c.scans, c.bins)) << c.what;
    ZorvalenRawCDCReaderImp fresh(dir().string(), 0, nullptr, nullptr);
    EXPECT_EQ(spectra(*r, c.scans, c.bins), spectra(fresh, c.scans, c.bins)) << c.what;
    EXPECT_EQ(r->ReadScan(c.scans, 0, m, y, n), ZVRAW_SCANNUM_INVALID) << c.what;
  }
  writePair(dir(), 1, Settings{}, ladder(1, 2));
  mgr.Refresh();
  EXPECT_EQ(late->GetStatus(), ZVRAW_OK);
  std::vector<float> axis;
  int offset = -1;
  EXPECT_EQ(late->GetMassScale(axis, offset), ZVRAW_OK);
  EXPECT_EQ(offset, 10);
}

}  // namespace
