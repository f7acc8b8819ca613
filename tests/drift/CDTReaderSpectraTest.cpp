#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "drift/CDTReader.h"
#include "drift/DriftPairFixture.h"
#include "formats/calibration/FunctionCalibration.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using Vardex::Lib::ZorvalenRaw::CDTReader;
using namespace drift_fixture;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Outputs start pointing here, so a form that leaves them unset shows.
std::uint32_t kSentinel = 0;
float kFloatSentinel = 0;
int kIntSentinel = 0;
char kCharSentinel = 0;

// Every ReadScan form of one drift spectrum: each must give the same code,
// and on failure hand out nothing.
int readEveryForm(CDTReader& r, int scan, int drift) {
  const std::uint32_t *rawM = &kSentinel, *rawI = &kSentinel, *rawF = &kSentinel, *cachedM = &kSentinel;
  U32 vm{1}, vi{1}, vf{1};
  float *fm = &kFloatSentinel, *fi = &kFloatSentinel, *ii = &kFloatSentinel, *ci = &kFloatSentinel,
        *ui = &kFloatSentinel;
  int *im = &kIntSentinel, *cm = &kIntSentinel;
  char* cf = &kCharSentinel;
  int n1 = -1, n2 = -1, n3 = -1, n4 = -1, n5 = -1;
  const int codes[] = {r.ReadScan(scan, drift, rawM, rawI, rawF, n1), r.ReadScan(scan, drift, vm, vi, vf),
                       r.ReadScan(scan, drift, fm, fi, n2),           r.ReadScan(scan, drift, cm, ci, cf, n3),
                       r.ReadScan(scan, drift, im, ii, n4),           r.ReadScan(scan, drift, cachedM, ui, n5)};
  for (int c : codes) EXPECT_EQ(c, codes[0]) << "forms disagree at scan " << scan << " bin " << drift;
  if (codes[0] != ZVRAW_OK) {
    EXPECT_TRUE(rawM == nullptr && rawI == nullptr && rawF == nullptr && cachedM == nullptr);
    EXPECT_TRUE(fm == nullptr && fi == nullptr && ii == nullptr && ci == nullptr && ui == nullptr);
    EXPECT_TRUE(im == nullptr && cm == nullptr && cf == nullptr);
    EXPECT_TRUE(vm.empty() && vi.empty() && vf.empty());
    EXPECT_EQ(n1 | n2 | n3 | n4 | n5, 0);
  }
  return codes[0];
}

class CDTReaderSpectra : public TempDirTest {
 protected:
  int open(CDTReader& r) { return r.Initialise(dir().string(), 0); }
};

TEST_F(CDTReaderSpectra, FreshReaderAnswers36) {
  CDTReader r;
  EXPECT_EQ(r.GetStatus(), ZVRAW_GENERIC_ERROR);
  EXPECT_EQ(readEveryForm(r, 0, 0), ZVRAW_GENERIC_ERROR);
  int count = -1;
  EXPECT_EQ(r.GetDriftCount(count), ZVRAW_GENERIC_ERROR);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(r.GetScanCount(count), ZVRAW_GENERIC_ERROR);
  float rt = -1;
  EXPECT_EQ(r.GetRetentionTime(0, rt), ZVRAW_GENERIC_ERROR);
  EXPECT_EQ(rt, -1);
  std::vector<float> axis{7.0f};
  int first = -1;
  EXPECT_EQ(r.GetMassScale(axis, first), ZVRAW_GENERIC_ERROR);
  EXPECT_EQ(axis, std::vector<float>{7.0f});  // untouched
  EXPECT_EQ(first, -1);
}

TEST_F(CDTReaderSpectra, MissingFilesGive5AndNoDriftBins) {
  CDTReader r;
  EXPECT_EQ(open(r), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(r.Initialise(dir().string(), -1), ZVRAW_FILEOPEN_ERROR);
  int count = -1;
  EXPECT_EQ(r.GetDriftCount(count), ZVRAW_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(r.GetScanCount(count), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(readEveryForm(r, 0, 0), ZVRAW_FILEOPEN_ERROR);
  std::vector<float> axis{7.0f};
  int first = -1;
  EXPECT_EQ(r.GetMassScale(axis, first), ZVRAW_FILEOPEN_ERROR);
  EXPECT_TRUE(axis.empty());
  r.Reset();
  EXPECT_EQ(r.GetStatus(), ZVRAW_GENERIC_ERROR);
}

TEST_F(CDTReaderSpectra, OutOfRangeRequestsKeepTheCachedBlock) {
  writePair(dir(), 0, Settings{}, ladder(16, 4));
  CDTReader r;
  ASSERT_EQ(open(r), ZVRAW_OK);
  int scans = 0, bins = 0;
  EXPECT_EQ(r.GetScanCount(scans), ZVRAW_OK);
  EXPECT_EQ(r.GetDriftCount(bins), ZVRAW_OK);
  EXPECT_EQ(scans, 16);
  EXPECT_EQ(bins, 4);
  EXPECT_EQ(readEveryForm(r, 3, 0), ZVRAW_OK);
  // With the data file closed only the cached block can still be served,
  // so every later success shows that block 3 was decoded once.
  r.Close();
  for (int d = 0; d < bins; ++d) EXPECT_EQ(readEveryForm(r, 3, d), ZVRAW_OK) << d;
  EXPECT_EQ(readEveryForm(r, scans, 0), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(readEveryForm(r, -1, 0), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(readEveryForm(r, 3, bins), ZVRAW_DRIFTNUM_INVALID);
  EXPECT_EQ(readEveryForm(r, 3, -1), ZVRAW_DRIFTNUM_INVALID);
  EXPECT_EQ(readEveryForm(r, 3, 1), ZVRAW_OK);
  EXPECT_EQ(readEveryForm(r, 2, 0), ZVRAW_FILEREAD_ERROR);
}

TEST_F(CDTReaderSpectra, FormsCarryTheSameSpectrum) {
  writePair(dir(), 0, Settings{}, {{90.0f, {{{12, 40, 41}, {3, 0, 70000}, {0, 1, 0x102}}}}});
  CDTReader r;
  ASSERT_EQ(open(r), ZVRAW_OK);
  float rt = 0;
  EXPECT_EQ(r.GetRetentionTime(0, rt), ZVRAW_OK);
  EXPECT_EQ(rt, 90.0f);
  U32 m, i, f;
  ASSERT_EQ(r.ReadScan(0, 0, m, i, f), ZVRAW_OK);
  EXPECT_EQ(m, (U32{12, 40, 41}));
  EXPECT_EQ(i, (U32{3, 0, 70000}));
  EXPECT_EQ(f, (U32{0, 1, 2}));  // the low byte is stored
  int* im = nullptr;
  float* fi = nullptr;
  char* cf = nullptr;
  int n = 0;
  ASSERT_EQ(r.ReadScan(0, 0, im, fi, cf, n), ZVRAW_OK);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(std::vector<int>(im, im + n), (std::vector<int>{12, 40, 41}));
  EXPECT_EQ(std::vector<float>(fi, fi + n), (std::vector<float>{3, 0, 70000}));
  EXPECT_EQ(std::vector<char>(cf, cf + n), (std::vector<char>{0, 2, 2}));
  const std::uint32_t* um = nullptr;
  ASSERT_EQ(r.ReadScan(0, 1, um, fi, n), ZVRAW_OK);  // a bin never written is empty
  EXPECT_EQ(n, 0);
}

TEST_F(CDTReaderSpectra, TimeOffsetRoundsHalfAwayFromZero) {
  struct Case {
    double t0;
    int offset;
  };
  for (const Case c : {Case{0.0, 0}, Case{2.5, 3}, Case{-2.5, -3}, Case{1.4, 1}, Case{-1.4, -1}}) {
    Settings s;
    s.t0 = c.t0;
    writePair(dir(), 0, s, {{60.0f, {{{40}, {5}, {}}}}});
    CDTReader r;
    ASSERT_EQ(open(r), ZVRAW_OK) << c.t0;
    U32 m, i, f;
    ASSERT_EQ(r.ReadScan(0, 0, m, i, f), ZVRAW_OK);
    EXPECT_EQ(m, (U32{std::uint32_t(40 + c.offset)})) << c.t0;
    float mass = 0;
    EXPECT_EQ(r.IndexToMass(10, mass), ZVRAW_OK);  // a stored index: the offset is added
    EXPECT_EQ(mass, float((10 + c.offset) * (10 + c.offset))) << c.t0;
    float index = 0;
    EXPECT_EQ(r.MassToIndex(2500.0f, index), ZVRAW_OK);
    EXPECT_EQ(index, 50.0f);
  }
}

TEST_F(CDTReaderSpectra, CalibratedMassesAreZeroPaddedInsideTheWindow) {
  writePair(dir(), 0, Settings{}, {{60.0f, {{{50}, {9}, {}}, {{5, 10, 100, 101}, {1, 2, 3, 4}, {}}}}});
  CDTReader r;
  ASSERT_EQ(open(r), ZVRAW_OK);
  float* masses = nullptr;
  float* intensities = nullptr;
  int n = 0;
  // Before Calibrate: the uncalibrated axis (mass = index^2).
  ASSERT_EQ(r.ReadScan(0, 0, masses, intensities, n), ZVRAW_OK);
  EXPECT_EQ(std::vector<float>(masses, masses + n), (std::vector<float>{100, 2401, 2500, 2601, 10000}));
  borealtek_calibrate_version_1::FunctionCalibration cal;
  cal.setCalibration(0.5, 1.0, 0);
  EXPECT_EQ(r.Calibrate(&cal), ZVRAW_OK);
  ASSERT_EQ(r.ReadScan(0, 0, masses, intensities, n), ZVRAW_OK);
  EXPECT_EQ(std::vector<float>(masses, masses + n), (std::vector<float>{100.5f, 2401.5f, 2500.5f, 2601.5f, 10000.5f}));
  EXPECT_EQ(std::vector<float>(intensities, intensities + n), (std::vector<float>{0, 0, 9, 0, 0}));
  // Points outside the window (5, 101) are dropped; the window edges are kept.
  ASSERT_EQ(r.ReadScan(0, 1, masses, intensities, n), ZVRAW_OK);
  EXPECT_EQ(std::vector<float>(masses, masses + n), (std::vector<float>{100.5f, 121.5f, 9801.5f, 10000.5f}));
  EXPECT_EQ(std::vector<float>(intensities, intensities + n), (std::vector<float>{2, 0, 0, 3}));
  std::vector<float> axis;
  int first = 0;
  EXPECT_EQ(r.GetMassScale(axis, first), ZVRAW_OK);
  EXPECT_EQ(first, 10);
  ASSERT_EQ(axis.size(), 91u);
  EXPECT_EQ(axis.back(), 10000.0f);
}

TEST_F(CDTReaderSpectra, HeadersThatCannotMakeAGridFailToOpen) {
  struct Case {
    const char* what;
    HeaderField field;
    float value;
  };
  const Case cases[] = {
      {"frequency 0", kSamplingFrequency, 0},
      {"frequency NaN", kSamplingFrequency, kNaN},
      {"frequency -1e9", kSamplingFrequency, -1e9f},
      {"frequency inf", kSamplingFrequency, kInf},
      {"Lteff 0 (ttm infinite)", kLteff, 0},
      {"Lteff NaN", kLteff, kNaN},
      {"Veff 0 (ttm 0)", kVeff, 0},
      {"Veff NaN", kVeff, kNaN},
      {"Veff inf", kVeff, kInf},
      {"start mass 0", kStartMass, 0},
      {"start mass NaN", kStartMass, kNaN},
      {"start mass negative", kStartMass, -5},
      {"end mass below start", kEndMass, 50},
      {"end mass inf", kEndMass, kInf},
      {"grid over 2^24 indices", kEndMass, 1e15f},
      {"offset 1e30", kOffset, 1e30f},
      {"offset -1e30", kOffset, -1e30f},
      {"offset NaN", kOffset, kNaN},
  };
  for (const Case& c : cases) {
    writePair(dir(), 0, Settings{}, ladder(2, 4));
    patchFloat(dir(), c.field, c.value);
    CDTReader r;
    EXPECT_EQ(open(r), ZVRAW_FILEOPEN_ERROR) << c.what;
    EXPECT_EQ(readEveryForm(r, 0, 0), ZVRAW_FILEOPEN_ERROR) << c.what;
    std::vector<float> axis;
    int first = 0;
    EXPECT_EQ(r.GetMassScale(axis, first), ZVRAW_FILEOPEN_ERROR) << c.what;
    EXPECT_TRUE(axis.empty());
  }
}

TEST_F(CDTReaderSpectra, UnreadableOrCorruptBlocksAreNotCached) {
  writePair(dir(), 0, Settings{}, ladder(3, 2));
  const Bytes data = readFile(dataPath(dir()));
  CDTReader r;
  ASSERT_EQ(open(r), ZVRAW_OK);
  std::filesystem::remove(dataPath(dir()));
  CDTReader noData;
  ASSERT_EQ(noData.Initialise(dir().string(), 0), ZVRAW_OK);  // the index alone opens
  EXPECT_EQ(readEveryForm(noData, 0, 0), ZVRAW_FILEREAD_ERROR);

  // A block whose compressed bytes are garbage: 38, and nothing cached, so the
  // same scan reads once the file is whole again.
  Bytes bad = data;
  for (std::size_t k = 0; k < bad.size(); ++k) bad[k] = 0xFF;
  writeFile(dataPath(dir()), bad);
  CDTReader corrupt;
  ASSERT_EQ(corrupt.Initialise(dir().string(), 0), ZVRAW_OK);
  EXPECT_EQ(readEveryForm(corrupt, 1, 0), ZVRAW_COMPRESSED_DATA_ERROR);
  writeFile(dataPath(dir()), data);
  EXPECT_EQ(readEveryForm(corrupt, 1, 0), ZVRAW_OK);
}

// Every cut of either file and seeded corruptions of both, through every
// form: a code, never a crash or an out-of-bounds access.
TEST_F(CDTReaderSpectra, DamagedPairsGiveCodes) {
  writePair(dir(), 0, Settings{}, ladder(3, 3));
  expectDamagedPairsGiveCodes(
      dir(),
      [&] {
        CDTReader r;
        if (const int code = open(r); code != ZVRAW_OK) return code;
        for (int s = 0; s < 3; ++s)
          for (int d = 0; d < 3; ++d)
            if (const int code = readEveryForm(r, s, d); code != ZVRAW_OK) return code;
        return ZVRAW_OK;
      },
      0x1d, 150);
}

}  // namespace
