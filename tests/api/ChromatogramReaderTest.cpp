// The chromatogram reader through the C interface: traces from the scan
// index, from loaded scans and from the drift reader, the arrays the caller
// releases, and the result codes of bad calls and damaged directories.

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
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
constexpr float kMasses[2] = {110.1f, 131.1f};  // no fixture mass sits on a window's bound
constexpr int kChannels[2] = {2, 0};

enum Kind { TIC, BPI, Mass, MRM, Vesko, Bins, Mobilogram };

// What a call handed out, copied and then released as a caller releases it
// (two releaseMemory calls). A failed call must hand out nothing; the Vesko
// trace alone may leave the outputs as passed.
struct Result {
  int rc = -1, n = -1;
  std::vector<float> x, y;
};
struct Call {
  Kind kind;
  int f = 0, count = 1;
  float window = 1;  // also the drift mass range's end; the start is 300
  bool nullList = false;
  int s0 = 0, s1 = 2, b0 = 0, b1 = kBins - 1;
};

Result run(CZorvalenBaseReader r, const Call& c) {
  float* x = reinterpret_cast<float*>(0x1);
  float* y = x;
  int* bins = reinterpret_cast<int*>(x);
  Result out;
  const float* masses = c.nullList ? nullptr : kMasses;
  const int* channels = c.nullList ? nullptr : kChannels;
  switch (c.kind) {
    case TIC: out.rc = readTICChromatogram(r, c.f, &x, &y, &out.n); break;
    case BPI: out.rc = readBPIChromatogram(r, c.f, &x, &y, &out.n); break;
    case Mass: out.rc = readMassChromatograms(r, c.f, masses, c.count, &x, &y, c.window, false, &out.n); break;
    case MRM: out.rc = readMRMChromatograms(r, c.f, channels, c.count, &x, &y, &out.n); break;
    case Vesko: out.rc = readVeskoMassChromatogram(r, c.f, 102, 600, &x, &y, 1, c.window, &out.n); break;
    case Bins: out.rc = extractByBins(r, c.f, 300, c.window, c.s0, c.s1, c.b0, c.b1, &bins, &y, &out.n); break;
    case Mobilogram: out.rc = readMobillogram(r, c.f, c.s0, c.s1, 300, c.window, &bins, &y, &out.n); break;
  }
  if (c.kind == Bins || c.kind == Mobilogram) x = reinterpret_cast<float*>(bins);
  if (out.rc != ZVRAW_OK) {
    if (c.kind != Vesko) {
      EXPECT_TRUE(x == nullptr && y == nullptr && out.n == 0) << "failed with " << out.rc;
    }
    return out;
  }
  EXPECT_EQ(x == nullptr, out.n == 0);
  const std::size_t rows = c.kind == Mass || c.kind == MRM ? static_cast<std::size_t>(c.count) : 1;
  if (x != nullptr) {
    for (int i = 0; i < out.n; ++i)
      out.x.push_back(c.kind == Bins || c.kind == Mobilogram ? static_cast<float>(bins[i]) : x[i]);
    out.y.assign(y, y + rows * static_cast<std::size_t>(out.n));
  }
  EXPECT_EQ(releaseMemory(x), ZVRAW_OK);
  EXPECT_EQ(releaseMemory(y), ZVRAW_OK);
  return out;
}

class Chromatograms : public ReaderTest {
 protected:
  // Function 0: 250 format-12 scans, and a drift pair of 3 scans of 8 bins
  // (drift_fixture::ladder: bin d holds 1 + d at mass (20 + d)^2); function
  // 1: MRM, 3 scans of 3 channels; function 2: no scans.
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
  unsigned first = 0, last = 0;
  EXPECT_EQ(cluster(chrom_)->getLoadedScanRange(0, first, last), ZVRAW_DATACLUSTER_NOTLOADED);
  const Result tic = run(chrom_, {TIC}), bpi = run(chrom_, {BPI});
  ASSERT_TRUE(tic.rc == ZVRAW_OK && bpi.rc == ZVRAW_OK && tic.n == kScans);
  for (unsigned s = 0; s < kScans; s += 83) {
    float sum = 0, top = 0;
    for (unsigned p = 0; p < kPeaks; ++p) sum += fixtureIntensity(0, s, p), top = std::max(top, fixtureIntensity(0, s, p));
    EXPECT_EQ(tic.x[s], fixtureRT({}, s));
    EXPECT_EQ(tic.y[s], sum);
    EXPECT_EQ(bpi.x[s], tic.x[s]);
    EXPECT_EQ(bpi.y[s], top);
  }
  EXPECT_EQ(cluster(chrom_)->getLoadedScanRange(0, first, last), ZVRAW_DATACLUSTER_NOTLOADED);
  // The holder form, which owns its arrays and moves them.
  ZVChromatogram holder;
  ASSERT_EQ(handleCast<ZorvalenRawChromatogramReaderImp>(chrom_)->ReadBPIChromatogram(0, holder), ZVRAW_OK);
  ZVChromatogram moved = std::move(holder);
  ASSERT_EQ(moved.GetSize(), kScans);
  EXPECT_EQ(moved.GetIntensities()[0][kScans - 1], bpi.y.back());
  static_assert(!std::is_copy_constructible_v<ZVChromatogram> && std::is_nothrow_move_constructible_v<ZVChromatogram>);
  EXPECT_EQ(moved.SetSize(-1, 2), ZVRAW_OK);  // releases the arrays, makes none
  EXPECT_TRUE(moved.GetTimes() == nullptr && moved.GetIntensities() == nullptr);
  EXPECT_EQ(moved.SetSize(INT_MAX, INT_MAX), ZVRAW_MEMALLOC_ERROR);
}

// Each row is the window sums of every scan read alone; the shared cluster
// keeps the last block of 100 loaded, then an MRM chromatogram's scans.
TEST_F(Chromatograms, MassAndMRMRowsEqualWhatEachScanHolds) {
  const Result block = run(chrom_, {Mass, 0, 2});
  ASSERT_EQ(block.rc, ZVRAW_OK);
  ASSERT_EQ(block.y.size(), 2u * kScans);
  CZorvalenBaseReader scans = share(chrom_, ZorvalenBaseType::SCAN);
  unsigned first = 0, last = 0;
  ASSERT_EQ(cluster(scans)->getLoadedScanRange(0, first, last), ZVRAW_OK);
  EXPECT_TRUE(first == 200 && last == 249) << first << "-" << last;
  for (int s = 0; s < kScans; ++s) {
    float *m = nullptr, *in = nullptr;
    int n = 0;
    ASSERT_EQ(readScan(scans, 0, s, &m, &in, &n), ZVRAW_OK);
    for (int i = 0; i < 2; ++i) {
      float sum = 0;
      for (int k = 0; k < n; ++k) sum += std::abs(m[k] - kMasses[i]) < 0.5f ? in[k] : 0.0f;
      EXPECT_EQ(block.y[static_cast<std::size_t>(i * kScans + s)], sum) << i << "/" << s;
    }
    EXPECT_EQ(block.x[static_cast<std::size_t>(s)], fixtureRT({}, static_cast<unsigned>(s)));
  }
  ZVChromatogram holder;
  const std::vector<float> windows{1, 1};
  auto* reader = handleCast<ZorvalenRawChromatogramReaderImp>(chrom_);
  ASSERT_EQ(reader->ReadMassChromatogram(0, kMasses, 2, windows, false, holder), ZVRAW_OK);
  EXPECT_EQ(holder.GetIntensities()[1][kScans - 1], block.y.back());
  EXPECT_EQ(reader->ReadMassChromatogram(0, kMasses, 2, std::vector<float>{1}, false, holder), ZVRAW_ERROR);

  const Result mrm = run(chrom_, {MRM, 1, 2});
  ASSERT_EQ(mrm.y.size(), 6u);
  for (unsigned s = 0; s < 3; ++s)
    EXPECT_TRUE(mrm.y[s] == fixtureIntensity(1, s, 2) && mrm.y[3 + s] == fixtureIntensity(1, s, 0)) << s;
  ASSERT_EQ(cluster(scans)->getLoadedScanRange(1, first, last), ZVRAW_OK);
  EXPECT_EQ(last, 2u);
}

TEST_F(Chromatograms, DriftTraces) {
  const Result mob = run(chrom_, {Mobilogram, 0, 1, 1000});
  EXPECT_EQ(mob.x, (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(mob.y, (std::vector<float>{3, 6, 9, 12, 15, 18, 21, 24}));  // 1 + d in each of 3 scans
  const Result one = run(chrom_, {Bins, 0, 1, 1000, false, 1, 2, 2, 2});
  EXPECT_TRUE(one.x == std::vector<float>{2} && one.y == std::vector<float>{6});
  // Precursor 102 +- 0.5 is quadrupole bins 0-5: 1 + d summed over them, per scan.
  const Result vesko = run(chrom_, {Vesko, 0, 1, 800});
  EXPECT_TRUE(vesko.x == (std::vector<float>{1, 2, 3}) && vesko.y == (std::vector<float>{21, 21, 21}));
  fs::remove(raw() / "_vesko.inf");
  const Result without = run(open(ZorvalenBaseType::CHROM), {Vesko, -1});
  EXPECT_TRUE(without.rc == ZVRAW_VESKO_CALIBRATION_INVALID && without.n == -1);  // outputs as passed
}

TEST_F(Chromatograms, EdgeCases) {
  struct Case {
    Call call;
    int rc, size;
  } cases[] = {
      {{TIC, 2}, ZVRAW_OK, 0},  // 0 scans
      {{BPI, 2}, ZVRAW_OK, 0},
      {{Mass, 2}, ZVRAW_ERROR, 0},
      {{MRM, 2}, ZVRAW_OK, 0},
      {{MRM, 0}, ZVRAW_OK, 0},  // a function without MRM channels
      {{MRM, 1, 2}, ZVRAW_OK, 3},
      {{TIC, -1}, ZVRAW_FUNCNUM_INVALID, 0},
      {{BPI, 3}, ZVRAW_FUNCNUM_INVALID, 0},
      {{Mass, -1}, ZVRAW_FUNCNUM_INVALID, 0},
      {{MRM, -1}, ZVRAW_FUNCNUM_INVALID, 0},
      {{Vesko, -1, 1, 800}, ZVRAW_FUNCNUM_INVALID, -1},  // outputs as passed
      {{Bins, -1}, ZVRAW_FUNCNUM_INVALID, 0},
      {{Mobilogram, -1}, ZVRAW_FUNCNUM_INVALID, 0},
      {{Mobilogram, 1}, ZVRAW_FILEOPEN_ERROR, 0},  // no drift files
      {{Bins, 0, 1, 600, false, 0, 2, 3, 3}, ZVRAW_OK, 1},
  };
  for (const Case& c : cases) {
    const Result r = run(chrom_, c.call);
    EXPECT_EQ(r.rc, c.rc) << "kind " << c.call.kind << ", function " << c.call.f;
    EXPECT_EQ(r.n, c.size) << "kind " << c.call.kind << ", function " << c.call.f;
  }
  // A channel number equal to the function's channel count.
  const int three = 3;
  float *t = nullptr, *v = nullptr;
  int n = -1;
  EXPECT_EQ(readMRMChromatograms(chrom_, 1, &three, 1, &t, &v, &n), ZVRAW_SEGMENT_INVALID);
  EXPECT_TRUE(t == nullptr && v == nullptr && n == 0);
}

// What a careless caller passes: bad counts, null lists, reversed and
// hostile ranges, NaN and negative windows.
TEST_F(Chromatograms, HostileCalls) {
  struct Case {
    Call call;
    int rc;
  } cases[] = {
      {{Mass, 0, 0}, ZVRAW_ERROR},
      {{Mass, 0, -1}, ZVRAW_ERROR},
      {{Mass, 0, INT_MAX}, ZVRAW_MEMALLOC_ERROR},
      {{Mass, 0, 2, 1, true}, ZVRAW_NULL_PARAMETERS},
      {{MRM, 1, 0}, ZVRAW_ERROR},
      {{MRM, 1, -1}, ZVRAW_ERROR},
      {{MRM, 1, INT_MAX}, ZVRAW_MEMALLOC_ERROR},
      {{MRM, 1, 1, 1, true}, ZVRAW_NULL_PARAMETERS},
      {{Mass, 0, 2, kNaN}, ZVRAW_OK},  // an empty window: every sum 0
      {{Mass, 0, 2, -5}, ZVRAW_OK},
      {{Vesko, 0, 1, kNaN}, ZVRAW_MASS_RANGE_INVALID},
      {{Bins, 0, 1, 600, false, 2, 0}, ZVRAW_SCANRANGE_INVALID},
      {{Bins, 0, 1, 600, false, 0, 2, 3, 1}, ZVRAW_DRIFTRANGE_INVALID},
      {{Bins, 0, 1, 600, false, 0, 3}, ZVRAW_SCANNUM_INVALID},
      {{Bins, 0, 1, 600, false, 0, 2, 0, kBins}, ZVRAW_DRIFTNUM_INVALID},
      {{Bins, 0, 1, 600, false, INT_MIN, INT_MAX}, ZVRAW_SCANNUM_INVALID},
      {{Bins, 0, 1, kNaN}, ZVRAW_MASS_RANGE_INVALID},
      {{Bins, 0, 1, 200}, ZVRAW_MASS_RANGE_INVALID},  // end below start
      {{Mobilogram, 0, 1, 600, false, 2, 0}, ZVRAW_SCANRANGE_INVALID},
  };
  for (const Case& c : cases) {
    const Result r = run(chrom_, c.call);
    EXPECT_EQ(r.rc, c.rc) << "kind " << c.call.kind << ", count " << c.call.count;
    for (float v : r.y) EXPECT_EQ(v, 0.0f);
  }
}

// Damaged component files: every export on every function gives a code in
// range and nothing is read out of bounds; the drift extractions of
// function 0 decide the result.
TEST_F(Chromatograms, DamagedFilesGiveCodes) {
  // Smaller functions over SetUp's; its drift pair and calibration stay.
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 3})
      .function({.type = 9, .format = 2, .scans = 2, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}});
  write(fx);
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::CHROM); rc != ZVRAW_OK)
      return rc;
    for (int f = 0; f < 2; ++f)
      for (Kind k : {TIC, BPI, Mass, MRM, Vesko}) {
        const int rc = run(r, {k, f, 2, 800}).rc;
        EXPECT_TRUE(rc >= 0 && rc <= ZVRAW_DRIFTRANGE_INVALID) << rc;
      }
    int rc = run(r, {Bins, 0, 1, 1000}).rc;
    if (const int mob = run(r, {Mobilogram, 0, 1, 1000}).rc; rc == ZVRAW_OK) rc = mob;
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return rc;
  };
  // Short index and data files are a run still being written: any cut may read.
  for (const char* name : {"_func001.idx", "_func002.idx", "_func001.dat", "_func002.dat"})
    expectDamagedFileSurvives(raw() / name, readAll, 0xC4A0u, 40);
  drift_fixture::expectDamagedPairsGiveCodes(raw(), readAll, 0xC4A1u, 30);
}

}  // namespace
