// The chromatogram reader through the C interface: traces from the scan
// index, from loaded scans and from the drift reader, the arrays the caller
// releases, and the result codes of bad calls and damaged directories.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <type_traits>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawChromatogramReaderImp.h"
#include "drift/DriftPairFixture.h"
#include "support/Corruption.h"

namespace fs = std::filesystem;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawChromatogramReaderImp;
using Vardex::Lib::ZorvalenRaw::ZVChromatogram;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kScans = 250, kPeaks = 4, kBins = 8;

// What a call handed out, copied and released as a caller releases it (two
// releaseMemory calls). A failed call must hand out nothing.
template <class X = float>
struct Trace {
  X* xs = reinterpret_cast<X*>(0x1);
  float* ys = reinterpret_cast<float*>(0x1);
  int n = -1;
  int rc = -1;
  std::size_t rowCount = 1;
  std::vector<X> x;
  std::vector<float> y;

  Trace& take(int code) {
    rc = code;
    if (rc != ZVRAW_OK) {
      EXPECT_TRUE(xs == nullptr && ys == nullptr && n == 0) << "failed with " << rc;
      return *this;
    }
    EXPECT_EQ(xs == nullptr, n == 0);
    if (xs != nullptr) x.assign(xs, xs + n);
    if (ys != nullptr) y.assign(ys, ys + static_cast<std::size_t>(n) * rowCount);
    EXPECT_EQ(releaseMemory(xs), ZVRAW_OK);
    EXPECT_EQ(releaseMemory(ys), ZVRAW_OK);
    return *this;
  }
  // Values of a block of `rows` traces.
  Trace& rows(std::size_t count) {
    rowCount = count;
    return *this;
  }
};

// The sum of a scan's points in (mass - window / 2, mass + window / 2], as the
// window sums count them; the masses here never sit on a bound.
float windowSum(CZorvalenBaseReader scans, int f, int s, float mass, float window) {
  float *m = nullptr, *i = nullptr;
  int n = 0;
  EXPECT_EQ(readScan(scans, f, s, &m, &i, &n), ZVRAW_OK);
  float sum = 0;
  for (int k = 0; k < n; ++k)
    if (m[k] > mass - window / 2 && m[k] <= mass + window / 2) sum += i[k];
  return sum;
}

class Chromatograms : public ReaderTest {
 protected:
  // Function 0: 250 format-12 scans, and a drift pair of 3 scans of 8 bins
  // (drift_fixture::ladder); function 1: MRM, 3 scans of 3 channels;
  // function 2: no scans.
  void SetUp() override {
    ReaderTest::SetUp();
    RawDirectoryFixture fx;
    fx.function({.format = 12, .scans = kScans, .peaks = kPeaks})
        .function({.type = 9, .format = 2, .scans = 3, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}})
        .function({.format = 12, .scans = 0});
    write(fx.veskoCalibration());
    drift_fixture::writePair(raw(), 0, {.bins = kBins}, drift_fixture::ladder(3, kBins));
    chrom_ = open(ZorvalenBaseType::CHROM);
  }
  CZorvalenBaseReader chrom_ = nullptr;
};

TEST_F(Chromatograms, TICAndBPIComeFromTheIndexAndLoadNothing) {
  auto* c = cluster(chrom_);
  unsigned first = 0, last = 0;
  EXPECT_EQ(c->getLoadedScanRange(0, first, last), ZVRAW_DATACLUSTER_NOTLOADED);
  Trace tic, bpi;
  ASSERT_EQ(tic.take(readTICChromatogram(chrom_, 0, &tic.xs, &tic.ys, &tic.n)).rc, ZVRAW_OK);
  ASSERT_EQ(bpi.take(readBPIChromatogram(chrom_, 0, &bpi.xs, &bpi.ys, &bpi.n)).rc, ZVRAW_OK);
  ASSERT_EQ(tic.n, kScans);
  for (unsigned s = 0; s < kScans; s += 83) {
    float sum = 0, top = 0;
    for (unsigned p = 0; p < kPeaks; ++p) sum += fixtureIntensity(0, s, p), top = std::max(top, fixtureIntensity(0, s, p));
    EXPECT_EQ(tic.x[s], 0.5f + 0.25f * static_cast<float>(s)) << s;
    EXPECT_EQ(tic.y[s], sum) << s;
    EXPECT_EQ(bpi.x[s], tic.x[s]) << s;
    EXPECT_EQ(bpi.y[s], top) << s;
  }
  EXPECT_EQ(c->getLoadedScanRange(0, first, last), ZVRAW_DATACLUSTER_NOTLOADED);
  // The holder forms give the same values.
  auto* reader = handleCast<ZorvalenRawChromatogramReaderImp>(chrom_);
  ZVChromatogram holder;
  ASSERT_EQ(reader->ReadBPIChromatogram(0, holder), ZVRAW_OK);
  ZVChromatogram moved = std::move(holder);
  ASSERT_EQ(moved.GetSize(), kScans);
  EXPECT_EQ(moved.GetIntensities()[0][kScans - 1], bpi.y[kScans - 1]);
  EXPECT_EQ(moved.GetTimes()[7], tic.x[7]);
  static_assert(!std::is_copy_constructible_v<ZVChromatogram> && std::is_nothrow_move_constructible_v<ZVChromatogram>);
  EXPECT_EQ(moved.SetSize(-1, 2), ZVRAW_OK);  // releases the arrays, makes none
  EXPECT_TRUE(moved.GetTimes() == nullptr && moved.GetIntensities() == nullptr && moved.GetSize() == 0);
  EXPECT_EQ(moved.SetSize(INT_MAX, INT_MAX), ZVRAW_MEMALLOC_ERROR);
}

// Two masses over 250 scans: each row is the window sums of every scan, and
// the shared cluster keeps the last block of 100 loaded.
TEST_F(Chromatograms, MassChromatogramsEqualTheWindowSumsOfEachScan) {
  const float masses[2] = {110.1f, 131.1f}, window = 1.0f;
  Trace block;
  ASSERT_EQ(block.rows(2).take(readMassChromatograms(chrom_, 0, masses, 2, &block.xs, &block.ys, window, false,
                                                     &block.n)).rc,
            ZVRAW_OK);
  ASSERT_EQ(block.n, kScans);
  ASSERT_EQ(block.y.size(), 2u * kScans);
  CZorvalenBaseReader scans = share(chrom_, ZorvalenBaseType::SCAN);
  unsigned first = 0, last = 0;
  ASSERT_EQ(cluster(scans)->getLoadedScanRange(0, first, last), ZVRAW_OK);
  EXPECT_EQ(first, 200u);
  EXPECT_EQ(last, 249u);
  for (int s = 0; s < kScans; ++s) {
    EXPECT_EQ(block.x[static_cast<std::size_t>(s)], fixtureRT({}, static_cast<unsigned>(s))) << s;
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(block.y[static_cast<std::size_t>(i * kScans + s)], windowSum(scans, 0, s, masses[i], window))
          << i << "/" << s;
  }
  // MRM rows are the listed channels' points; scans 0-2 are loaded after it.
  const int channels[2] = {2, 0};
  Trace mrm;
  ASSERT_EQ(mrm.rows(2).take(readMRMChromatograms(chrom_, 1, channels, 2, &mrm.xs, &mrm.ys, &mrm.n)).rc, ZVRAW_OK);
  ASSERT_EQ(mrm.y.size(), 6u);
  for (unsigned s = 0; s < 3; ++s) {
    EXPECT_EQ(mrm.y[s], fixtureIntensity(1, s, 2)) << s;
    EXPECT_EQ(mrm.y[3 + s], fixtureIntensity(1, s, 0)) << s;
  }
  ASSERT_EQ(cluster(scans)->getLoadedScanRange(1, first, last), ZVRAW_OK);
  EXPECT_EQ(last, 2u);
  // The holder form with one window per mass fills the same rows.
  ZVChromatogram holder;
  const std::vector<float> windows{window, window};
  ASSERT_EQ(handleCast<ZorvalenRawChromatogramReaderImp>(chrom_)->ReadMassChromatogram(0, masses, 2, windows, false,
                                                                                       holder),
            ZVRAW_OK);
  EXPECT_EQ(holder.GetIntensities()[1][kScans - 1], block.y.back());
}

// The edge cases of the reader, one row each.
TEST_F(Chromatograms, EdgeCases) {
  const float mass = 110.1f;
  const int channels[2] = {2, 3};
  struct Case {
    const char* what;
    std::function<int(Trace<>&)> call;
    int rc, size;
  } cases[] = {
      {"TIC of 0 scans", [&](Trace<>& t) { return readTICChromatogram(chrom_, 2, &t.xs, &t.ys, &t.n); }, 0, 0},
      {"BPI of 0 scans", [&](Trace<>& t) { return readBPIChromatogram(chrom_, 2, &t.xs, &t.ys, &t.n); }, 0, 0},
      {"mass of 0 scans",
       [&](Trace<>& t) { return readMassChromatograms(chrom_, 2, &mass, 1, &t.xs, &t.ys, 1, false, &t.n); },
       ZVRAW_ERROR, 0},
      {"MRM of 0 scans", [&](Trace<>& t) { return readMRMChromatograms(chrom_, 2, channels, 1, &t.xs, &t.ys, &t.n); },
       0, 0},
      {"MRM channel 2", [&](Trace<>& t) { return readMRMChromatograms(chrom_, 1, channels, 1, &t.xs, &t.ys, &t.n); },
       0, 3},
      {"MRM channel = count",
       [&](Trace<>& t) { return readMRMChromatograms(chrom_, 1, channels, 2, &t.xs, &t.ys, &t.n); },
       ZVRAW_SEGMENT_INVALID, 0},
      {"MRM of a format-12 function",
       [&](Trace<>& t) { return readMRMChromatograms(chrom_, 0, channels, 1, &t.xs, &t.ys, &t.n); }, 0, 0},
      {"TIC of function -1", [&](Trace<>& t) { return readTICChromatogram(chrom_, -1, &t.xs, &t.ys, &t.n); },
       ZVRAW_FUNCNUM_INVALID, 0},
      {"BPI of function 3", [&](Trace<>& t) { return readBPIChromatogram(chrom_, 3, &t.xs, &t.ys, &t.n); },
       ZVRAW_FUNCNUM_INVALID, 0},
      {"mass of function -1",
       [&](Trace<>& t) { return readMassChromatograms(chrom_, -1, &mass, 1, &t.xs, &t.ys, 1, false, &t.n); },
       ZVRAW_FUNCNUM_INVALID, 0},
      {"MRM of function -1",
       [&](Trace<>& t) { return readMRMChromatograms(chrom_, -1, channels, 1, &t.xs, &t.ys, &t.n); },
       ZVRAW_FUNCNUM_INVALID, 0},
  };
  for (Case& c : cases) {
    Trace t;
    EXPECT_EQ(t.take(c.call(t)).rc, c.rc) << c.what;
    EXPECT_EQ(t.n, c.size) << c.what;
  }
  // Without a drift reader the Vesko trace leaves the outputs as passed.
  Trace vesko;
  EXPECT_EQ(readVeskoMassChromatogram(chrom_, -1, 102, 600, &vesko.xs, &vesko.ys, 1, 800, &vesko.n),
            ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(vesko.n, -1);
  Trace<int> bins;
  EXPECT_EQ(bins.take(extractByBins(chrom_, -1, 100, 600, 0, 2, 0, 3, &bins.xs, &bins.ys, &bins.n)).rc,
            ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(bins.take(readMobillogram(chrom_, -1, 0, 2, 100, 600, &bins.xs, &bins.ys, &bins.n)).rc,
            ZVRAW_FUNCNUM_INVALID);
}

TEST_F(Chromatograms, MobilogramsAndBinExtractions) {
  Trace<int> mob, one;
  ASSERT_EQ(mob.take(readMobillogram(chrom_, 0, 0, 2, 300, 1000, &mob.xs, &mob.ys, &mob.n)).rc, ZVRAW_OK);
  EXPECT_EQ(mob.x, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(mob.y, (std::vector<float>{3, 6, 9, 12, 15, 18, 21, 24}));  // bin d: 1 + d in each of 3 scans
  ASSERT_EQ(one.take(extractByBins(chrom_, 0, 300, 1000, 1, 2, 2, 2, &one.xs, &one.ys, &one.n)).rc, ZVRAW_OK);
  EXPECT_EQ(one.x, std::vector<int>{2});
  EXPECT_EQ(one.y, std::vector<float>{6});
  // A function without drift files has no mobilogram.
  EXPECT_NE(mob.take(readMobillogram(chrom_, 1, 0, 2, 300, 600, &mob.xs, &mob.ys, &mob.n)).rc, ZVRAW_OK);
  // Precursor 102 +- 0.5 is quadrupole bins 0-5 of the calibration: one
  // point per drift scan, the sum of 1 + d over those bins.
  Trace vesko;
  ASSERT_EQ(vesko.take(readVeskoMassChromatogram(chrom_, 0, 102, 600, &vesko.xs, &vesko.ys, 1, 800, &vesko.n)).rc,
            ZVRAW_OK);
  EXPECT_EQ(vesko.x, (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(vesko.y, (std::vector<float>{21, 21, 21}));
}

TEST_F(Chromatograms, WithoutAQuadrupoleCalibrationVeskoLeavesTheOutputsAlone) {
  fs::remove(raw() / "_vesko.inf");
  CZorvalenBaseReader r = open(ZorvalenBaseType::CHROM);
  Trace t;
  EXPECT_EQ(readVeskoMassChromatogram(r, -1, 500, 400, &t.xs, &t.ys, 1, 10, &t.n), ZVRAW_VESKO_CALIBRATION_INVALID);
  EXPECT_TRUE(t.xs == reinterpret_cast<float*>(0x1) && t.n == -1);
}

// Calls a careless caller makes; the traces must fail cleanly or give what
// an empty window gives.
TEST_F(Chromatograms, HostileCalls) {
  const float masses[2] = {110.1f, 131.1f};
  const int channels[1] = {0};
  struct Case {
    const char* what;
    std::function<int(Trace<>&)> call;
    int rc;
  } cases[] = {
      {"0 masses", [&](Trace<>& t) { return readMassChromatograms(chrom_, 0, masses, 0, &t.xs, &t.ys, 1, 0, &t.n); },
       ZVRAW_ERROR},
      {"-1 masses", [&](Trace<>& t) { return readMassChromatograms(chrom_, 0, masses, -1, &t.xs, &t.ys, 1, 0, &t.n); },
       ZVRAW_ERROR},
      {"INT_MAX masses",
       [&](Trace<>& t) { return readMassChromatograms(chrom_, 0, masses, INT_MAX, &t.xs, &t.ys, 1, 0, &t.n); },
       ZVRAW_MEMALLOC_ERROR},
      {"null masses", [&](Trace<>& t) { return readMassChromatograms(chrom_, 0, nullptr, 2, &t.xs, &t.ys, 1, 0, &t.n); },
       ZVRAW_NULL_PARAMETERS},
      {"0 channels", [&](Trace<>& t) { return readMRMChromatograms(chrom_, 1, channels, 0, &t.xs, &t.ys, &t.n); },
       ZVRAW_ERROR},
      {"-1 channels", [&](Trace<>& t) { return readMRMChromatograms(chrom_, 1, channels, -1, &t.xs, &t.ys, &t.n); },
       ZVRAW_ERROR},
      {"INT_MAX channels",
       [&](Trace<>& t) { return readMRMChromatograms(chrom_, 1, channels, INT_MAX, &t.xs, &t.ys, &t.n); },
       ZVRAW_MEMALLOC_ERROR},
      {"null channels", [&](Trace<>& t) { return readMRMChromatograms(chrom_, 1, nullptr, 1, &t.xs, &t.ys, &t.n); },
       ZVRAW_NULL_PARAMETERS},
      {"negative channel",
       [&](Trace<>& t) {
         const int negative = -1;
         return readMRMChromatograms(chrom_, 1, &negative, 1, &t.xs, &t.ys, &t.n);
       },
       ZVRAW_SEGMENT_INVALID},
      {"NaN window", [&](Trace<>& t) { return readMassChromatograms(chrom_, 0, masses, 2, &t.xs, &t.ys, kNaN, 0, &t.n); },
       ZVRAW_OK},
      {"negative window",
       [&](Trace<>& t) { return readMassChromatograms(chrom_, 0, masses, 2, &t.xs, &t.ys, -5, 0, &t.n); }, ZVRAW_OK},
      {"NaN Vesko window",
       [&](Trace<>& t) { return readVeskoMassChromatogram(chrom_, 0, 102, 600, &t.xs, &t.ys, 1, kNaN, &t.n); },
       ZVRAW_MASS_RANGE_INVALID},
  };
  for (Case& c : cases) {
    Trace t;
    EXPECT_EQ(t.rows(2).take(c.call(t)).rc, c.rc) << c.what;
    for (float v : t.y) EXPECT_EQ(v, 0.0f) << c.what;  // an empty window sums nothing
  }
  // Reversed, outside and hostile drift ranges.
  struct Range {
    int s0, s1, b0, b1;
    float m0, m1;
    int rc;
  } ranges[] = {{2, 0, 0, 3, 300, 600, ZVRAW_SCANRANGE_INVALID}, {0, 2, 3, 1, 300, 600, ZVRAW_DRIFTRANGE_INVALID},
                {0, 3, 0, 3, 300, 600, ZVRAW_SCANNUM_INVALID},   {0, 2, 0, kBins, 300, 600, ZVRAW_DRIFTNUM_INVALID},
                {INT_MIN, INT_MAX, 0, 3, 300, 600, ZVRAW_SCANNUM_INVALID},
                {0, 2, 0, 3, kNaN, 600, ZVRAW_MASS_RANGE_INVALID}, {0, 2, 0, 3, -1, 600, ZVRAW_MASS_RANGE_INVALID}};
  for (const Range& r : ranges) {
    Trace<int> t;
    EXPECT_EQ(t.take(extractByBins(chrom_, 0, r.m0, r.m1, r.s0, r.s1, r.b0, r.b1, &t.xs, &t.ys, &t.n)).rc, r.rc)
        << r.s0 << ".." << r.s1 << " bins " << r.b0 << ".." << r.b1;
  }
  Trace<int> t;
  EXPECT_EQ(t.take(readMobillogram(chrom_, 0, 2, 0, 300, 600, &t.xs, &t.ys, &t.n)).rc, ZVRAW_SCANRANGE_INVALID);
  // The holder rejects counts the same way.
  auto* reader = handleCast<ZorvalenRawChromatogramReaderImp>(chrom_);
  ZVChromatogram holder;
  const std::vector<float> oneWindow{1.0f};
  EXPECT_EQ(reader->ReadMassChromatogram(0, masses, 2, oneWindow, false, holder), ZVRAW_ERROR);
  EXPECT_EQ(reader->ReadMassChromatogram(0, nullptr, 1, oneWindow, false, holder), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(holder.GetTimes(), nullptr);
}

// Damaged component files: every export on every function gives a code, and
// nothing is read out of bounds.
TEST_F(Chromatograms, DamagedFilesGiveCodes) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 3})
      .function({.type = 9, .format = 2, .scans = 2, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}});
  write(fx.veskoCalibration());
  drift_fixture::writePair(raw(), 0, {.bins = kBins}, drift_fixture::ladder(3, kBins));
  // The drift extractions of function 0 decide the code; the rest must only
  // answer in range.
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::CHROM); rc != ZVRAW_OK)
      return rc;
    const float masses[2] = {110, 120};
    const int channels[2] = {0, 2};
    for (int f = 0; f < 2; ++f) {
      Trace a, b, c, d, e;
      for (int rc : {a.take(readTICChromatogram(r, f, &a.xs, &a.ys, &a.n)).rc,
                     b.take(readBPIChromatogram(r, f, &b.xs, &b.ys, &b.n)).rc,
                     c.rows(2).take(readMassChromatograms(r, f, masses, 2, &c.xs, &c.ys, 1, false, &c.n)).rc,
                     d.rows(2).take(readMRMChromatograms(r, f, channels, 2, &d.xs, &d.ys, &d.n)).rc,
                     e.take(readVeskoMassChromatogram(r, f, 102, 600, &e.xs, &e.ys, 1, 800, &e.n)).rc})
        EXPECT_TRUE(rc >= 0 && rc <= ZVRAW_DRIFTRANGE_INVALID) << rc;
    }
    Trace<int> bins, mob;
    int rc = bins.take(extractByBins(r, 0, 300, 600, 0, 2, 0, 3, &bins.xs, &bins.ys, &bins.n)).rc;
    const int mobRc = mob.take(readMobillogram(r, 0, 0, 2, 300, 600, &mob.xs, &mob.ys, &mob.n)).rc;
    if (rc == ZVRAW_OK) rc = mobRc;
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return rc;
  };
  for (const char* name : {"_func001.idx", "_func002.idx", "_func001.dat", "_func002.dat"}) {
    SCOPED_TRACE(name);
    const fs::path file = raw() / name;
    const Bytes valid = readFile(file);
    const ReaderCall read = [&](const Bytes& damaged) {
      writeFile(file, damaged);
      return readAll();
    };
    expectRejectsTruncations(valid, read, [](std::size_t) { return true; });  // a run still being written
    expectSurvivesCorruptions(valid, read, 0xC4A0u, 40);
    writeFile(file, valid);
  }
  drift_fixture::expectDamagedPairsGiveCodes(raw(), readAll, 0xC4A1u, 30);
}

}  // namespace
