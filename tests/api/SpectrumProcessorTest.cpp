// The spectrum processor through the C interface: combining scans and drift
// bins with the lock-mass gain of the range, the caller's spectra, and the
// smoothing, centroid and threshold settings it keeps.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "api/ProcessorTestSupport.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "processing/SmoothPars.h"
#include "processing/Smoothing.h"
#include "processing/ZVSpectrum.h"
#include "processing/ZeroPadding.h"
#include "support/SpectrumFixtures.h"

namespace fs = std::filesystem;

namespace {

constexpr int kResolution = 1400, kNumber = 1450, kWidth = 1451, kType = 1452;
constexpr int kValue = 1550, kThresholdType = 1551;

class SpectrumProcessor : public ProcessorTest {};

// points smoothed by ZVSpectrum itself with these settings.
Points smoothed(const Points& in, int passes, int width, SmoothTypeImp method) {
  ZVSpectrum s(in.masses, in.intensities);
  SmoothPars pars("");
  pars.NumberOfSmooths() = passes;
  pars.SmoothWidth() = width;
  pars.SmoothType() = method;
  EXPECT_EQ(s.Smooth(&pars), ZVRAW_OK);
  return {{s.getMasses(), s.getMasses() + s.getSize()}, {s.getIntensities(), s.getIntensities() + s.getSize()}};
}

// got is base with every mass times gain, and the same intensities.
void expectScaled(const Points& got, const Points& base, float gain) {
  ASSERT_EQ(got.masses.size(), base.masses.size());
  EXPECT_EQ(got.intensities, base.intensities);
  for (std::size_t k = 0; k < got.masses.size(); ++k) EXPECT_NEAR(got.masses[k] / base.masses[k], gain, 1e-6f) << k;
}

// Twelve evenly spaced points.
const Points kTwelve{{100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111},
                     {1, 9, 2, 8, 3, 7, 4, 6, 5, 5, 6, 4}};

TEST_F(SpectrumProcessor, EdgeCases) {
  write(gainRun(false));
  CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseProcessor p = spectrumProcessor(reader);
  auto set = [&](const Points& s) {
    ASSERT_EQ(setScan(p, s.masses.data(), s.intensities.data(), int(s.masses.size()), int(s.masses.size())), 0);
  };
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"reversed or past-the-end range: 17, empty",
       [&] {
         set(kTwelve);
         EXPECT_EQ(combineScan(p, 0, 1, 0), ZVRAW_SCANRANGE_INVALID);
         EXPECT_EQ(spectrumOf(p), Points{});
         EXPECT_EQ(combineScan(p, 0, 0, 2), ZVRAW_SCANRANGE_INVALID);
       }},
      {"one scan without a table is that scan",
       [&] {
         EXPECT_EQ(combineScan(p, 0, 1, 1), ZVRAW_OK);
         EXPECT_EQ(spectrumOf(p), scanOf(reader, 0, 1));
       }},
      {"counts 5 and 4: 72, empty",
       [&] {
         set(kTwelve);
         EXPECT_EQ(setScan(p, kTwelve.masses.data(), kTwelve.intensities.data(), 5, 4), ZVRAW_SCANSIZELENGTH_ERROR);
         float *m = reinterpret_cast<float*>(0x1), *y = m;
         int n = -1;
         EXPECT_EQ(getScan(p, &m, &y, &n), ZVRAW_OK);
         EXPECT_TRUE(m == nullptr && y == nullptr && n == 0);
       }},
      {"fresh smoothing settings",
       [&] {
         EXPECT_EQ(getSmoothParameter(p, set_), ZVRAW_OK);
         EXPECT_EQ(parameterPairs(set_), (ParameterPairs{{kNumber, "2"}, {kWidth, "3"}, {kType, "1502"}}));
       }},
      {"four mean passes",
       [&] {
         set(kTwelve);
         EXPECT_EQ(setSmoothParameter(p, pairs({{kNumber, "4"}, {kType, "1500"}})), ZVRAW_OK);
         EXPECT_EQ(smoothScan(p), ZVRAW_OK);
         EXPECT_EQ(spectrumOf(p), smoothed(kTwelve, 4, 3, SMOOTH_MEAN));
         EXPECT_EQ(getSmoothParameter(p, set_), ZVRAW_OK);
         EXPECT_EQ(parameterPairs(set_), (ParameterPairs{{kNumber, "4"}, {kType, "1500"}}));
       }},
      {"centroid settings refused",
       [&] {
         EXPECT_EQ(setCentroidParameter(p, pairs({})), ZVRAW_PARAMETER_NOT_DEFINED);
         EXPECT_EQ(setCentroidParameter(p, pairs({{kResolution, "abc"}})), ZVRAW_PARAMETER_INVALID);
       }},
      {"the directory's resolution",
       [&] {
         EXPECT_EQ(getCentroidParameter(p, set_), ZVRAW_OK);
         EXPECT_EQ(parameterPairs(set_), (ParameterPairs{{kResolution, "10000.000000"}}));
       }},
      {"thresholds",
       [&] {
         CZorvalenBaseProcessor fresh = spectrumProcessor();
         EXPECT_EQ(thresholdScan(fresh), ZVRAW_PARAMETER_NOT_DEFINED);
         const std::vector<std::pair<ParameterPairs, int>> rows = {{{{kThresholdType, "1600"}}, 58},
                                                                   {{{kValue, "5"}, {kThresholdType, "1602"}}, 56},
                                                                   {{{kValue, "5"}, {kThresholdType, "1601"}}, 0}};
         for (const auto& [values, code] : rows) {
           set(kTwelve);
           EXPECT_EQ(setThresholdParameter(p, pairs(values)), ZVRAW_OK);
           EXPECT_EQ(thresholdScan(p), code);
         }
         set({});
         EXPECT_EQ(thresholdScan(p), ZVRAW_ERROR);  // valid settings, nothing to keep
         // 5 percent of the base peak 9 is 0.45: a point at it goes.
         set({{1, 2, 3}, {9, 0.45f, 0.46f}});
         EXPECT_EQ(thresholdScan(p), ZVRAW_OK);
         EXPECT_EQ(spectrumOf(p), (Points{{1, 3}, {9, 0.46f}}));
       }},
  };
  for (const auto& [what, check] : cases) {
    SCOPED_TRACE(what);
    check();
  }
}

// The scans are summed as stored and the sum scaled once; another reader on
// the cluster keeps reading corrected scans whatever the combine did.
TEST_F(SpectrumProcessor, CombineScalesTheUncorrectedSumOnceByTheRangeGain) {
  write(gainRun(false));
  const fs::path plain = dir() / "plain.raw";
  std::filesystem::rename(raw(), plain);
  CZorvalenBaseReader uncorrectedReader = nullptr;
  ASSERT_EQ(createRawReaderFromPath(plain.c_str(), &uncorrectedReader, ZorvalenBaseType::SCAN), ZVRAW_OK);
  CZorvalenBaseProcessor uncorrected = spectrumProcessor(uncorrectedReader);
  ASSERT_EQ(combineScan(uncorrected, 0, 0, 1), ZVRAW_OK);
  const Points sum = spectrumOf(uncorrected);
  const Points scan0 = scanOf(uncorrectedReader, 0, 0);
  EXPECT_EQ(destroyRawReader(uncorrectedReader), ZVRAW_OK);
  ASSERT_GT(sum.masses.size(), 4u);

  for (const bool calibrated : {false, true}) {
    SCOPED_TRACE(calibrated);
    std::filesystem::remove_all(raw());
    write(gainRun(true, calibrated));
    CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
    CZorvalenBaseProcessor p = spectrumProcessor(reader);
    ASSERT_EQ(combineScan(p, 0, 0, 1), ZVRAW_OK);
    expectScaled(spectrumOf(p), sum, calibrated ? 1.0f : 1.06f);
    if (calibrated) continue;
    // Scan 1 cut off the data file: the combine fails after detaching the table.
    std::filesystem::resize_file(raw() / "_func001.dat", 40);
    EXPECT_NE(combineScan(p, 0, 0, 1), ZVRAW_OK);
    EXPECT_EQ(combineScan(p, 0, 0, 0), ZVRAW_OK);
    expectScaled(scanOf(reader, 0, 0), scan0, 1.04f);  // at 2 minutes
  }
}

// Masses that move and meet within 2^-16 across 40 scans, intensities far
// apart in size: the combine is the scans read and added one by one, bit
// for bit, also when it follows a larger combine or one as large, whose
// arrays it reuses.
TEST_F(SpectrumProcessor, CombineIsTheScansAddedOneByOne) {
  AcquisitionRun run;
  run.fx.function({.format = 12, .scans = 40, .peaks = 30, .point = [](unsigned s, unsigned p) {
                     const unsigned k = (s * 7 + p * 13) % 23;
                     return std::pair{100.0f + 0.25f * float(p) + 5e-6f * float(k), k % 3 == 0 ? 1e7f : 1.5f};
                   }});
  write(run);
  CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseProcessor p = spectrumProcessor(reader);
  for (const int last : {39, 9, 39, 39}) {
    SCOPED_TRACE(last);
    ZVSpectrum expected;
    for (int s = 0; s <= last; ++s) {
      const Points scan = scanOf(reader, 0, s);
      expected += ZVSpectrum(scan.masses, scan.intensities);
    }
    ASSERT_EQ(combineScan(p, 0, 0, last), ZVRAW_OK);
    const Points got = spectrumOf(p);
    const unsigned n = expected.getSize();
    ASSERT_LT(n, static_cast<unsigned>(last + 1) * 30u);  // some points met
    EXPECT_EQ(got, (Points{{expected.getMasses(), expected.getMasses() + n},
                           {expected.getIntensities(), expected.getIntensities() + n}}));
  }
}

TEST_F(SpectrumProcessor, DriftCombineIsTheExtractionOfTheAcquisitionRangeTimesTheGain) {
  write(gainRun(true));
  CZorvalenBaseProcessor p = spectrumProcessor(open(ZorvalenBaseType::SCAN));
  ASSERT_EQ(combineDriftScan(p, 0, 0, 1, 1, 3), ZVRAW_OK);
  Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp* drift = nullptr;
  ASSERT_EQ(cluster(open(ZorvalenBaseType::INFO))->getCDCReader(0, drift), ZVRAW_OK);
  Points expected;
  ASSERT_EQ(drift->extractByMass(50.0f, 2000.0f, 0, 1, 1, 3, expected.masses, expected.intensities), ZVRAW_OK);
  ASSERT_FALSE(expected.masses.empty());
  expectScaled(spectrumOf(p), expected, 1.06f);
  EXPECT_EQ(combineDriftScan(p, 0, 0, 1, 2, 1), ZVRAW_DRIFTRANGE_INVALID);
  EXPECT_EQ(combineDriftScan(p, 0, 0, 2, 0, 0), ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(combineDriftScan(p, 2, 0, 0, 0, 0), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(combineDriftScan(p, 1, 0, 0, 0, 0), ZVRAW_DRIFTRANGE_INVALID);  // no drift data: no bin is in range
}

// A resolution the centroider would divide by is refused and forgotten: the
// directory's is read again.
TEST_F(SpectrumProcessor, ResolutionsAndCallerArraysRefused) {
  AcquisitionRun run = gainRun(false);
  run.fx.externInfo("Resolution 20000\n");
  write(run);
  CZorvalenBaseProcessor p = spectrumProcessor(open(ZorvalenBaseType::SCAN));
  for (const char* bad : {"nan", "inf", "0", "-5"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(setCentroidParameter(p, pairs({{kResolution, "5000"}})), ZVRAW_OK);
    EXPECT_EQ(setCentroidParameter(p, pairs({{kResolution, bad}})), ZVRAW_PARAMETER_INVALID);
    EXPECT_EQ(getCentroidParameter(p, set_), ZVRAW_OK);
    EXPECT_EQ(parameterPairs(set_), (ParameterPairs{{kResolution, "20000.000000"}}));
  }
  std::filesystem::remove_all(raw());
  run.fx.externInfo("Resolution 0\n");
  write(run);
  CZorvalenBaseProcessor zero = spectrumProcessor(open(ZorvalenBaseType::SCAN));
  EXPECT_EQ(centroidScan(zero), ZVRAW_PARAMETER_INVALID);
  EXPECT_EQ(centroidScan(spectrumProcessor()), ZVRAW_PARAMETER_NOT_DEFINED);  // no reader

  EXPECT_EQ(setScan(p, kTwelve.masses.data(), kTwelve.intensities.data(), 12, 12), ZVRAW_OK);
  EXPECT_EQ(setScan(p, kTwelve.masses.data(), kTwelve.intensities.data(), -1, -1), ZVRAW_PARAMETER_INVALID);
  EXPECT_EQ(spectrumOf(p), Points{});
  EXPECT_EQ(setScan(p, kTwelve.masses.data(), kTwelve.intensities.data(), 12, 12), ZVRAW_OK);
  EXPECT_EQ(setScan(p, nullptr, kTwelve.intensities.data(), 12, 12), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(spectrumOf(p), Points{});
  EXPECT_EQ(setScan(p, nullptr, nullptr, 0, 0), ZVRAW_OK);
}

// Each reading of a set starts from the defaults: nothing of an earlier set
// outlives it.
TEST_F(SpectrumProcessor, SettingsReadAfreshFromEachSet) {
  CZorvalenBaseProcessor p = spectrumProcessor();
  const auto load = [&] { return setScan(p, kTwelve.masses.data(), kTwelve.intensities.data(), 12, 12); };
  ASSERT_EQ(load(), ZVRAW_OK);
  EXPECT_EQ(setThresholdParameter(p, pairs({{kValue, "2"}, {kThresholdType, "1600"}, {1552, "1"}})), ZVRAW_OK);
  EXPECT_EQ(thresholdScan(p), ZVRAW_PARAMETER_INVALID);
  EXPECT_EQ(setThresholdParameter(p, pairs({{kValue, "2"}, {kThresholdType, "1600"}})), ZVRAW_OK);
  EXPECT_EQ(thresholdScan(p), ZVRAW_OK);
  EXPECT_EQ(spectrumOf(p).intensities, (std::vector<float>{9, 8, 3, 7, 4, 6, 5, 5, 6, 4}));

  ASSERT_EQ(load(), ZVRAW_OK);
  EXPECT_EQ(setSmoothParameter(p, pairs({{kWidth, "7"}})), ZVRAW_OK);
  EXPECT_EQ(smoothScan(p), ZVRAW_OK);  // the record now holds width 7
  ASSERT_EQ(load(), ZVRAW_OK);
  EXPECT_EQ(setSmoothParameter(p, pairs({{kNumber, "1"}})), ZVRAW_OK);
  EXPECT_EQ(smoothScan(p), ZVRAW_OK);
  EXPECT_EQ(spectrumOf(p), smoothed(kTwelve, 1, 3, SMOOTH_SAVITZKY_GOLAY));
}

// Settings beyond the caps, or a method the smoother does not run, are
// refused with the spectrum untouched; inside them smoothing is still the
// padding followed by the passes (the mean negates the count), bit for bit.
TEST_F(SpectrumProcessor, SmoothingCapsAndMethods) {
  Points zs, wide;  // peaks of 5 and 2 zeros, 0.1 apart, then gaps of 2.6; 20101 points
  for (int k = 0; k < 84; ++k) {
    zs.masses.push_back(100.0f + 0.1f * float(k) + 2.5f * float(k / 7));
    zs.intensities.push_back(float(k % 7 < 5 ? k % 7 + 1 : 0));
  }
  for (int k = 0; k < 2 * kMaxSmoothHalfWidth + 101; ++k)
    wide.masses.push_back(100.0f + 0.01f * float(k)), wide.intensities.push_back(float((k * 37) % 101));
  struct Row {
    int passes, width, type;
    const Points& in;
    int code;
  };
  // Refused: counts and widths past the caps, the median, 1000 x 18001 x 2101 multiply-adds.
  const Row rows[] = {{1000, 3, 1502, zs, 0},     {-1000, 3, 1502, zs, 0},    {1000, 1, 1500, zs, 0},
                      {1, 10000, 1502, wide, 0},  {1001, 3, 1502, zs, 57},    {-1001, 3, 1500, zs, 57},
                      {INT_MIN, 3, 1502, zs, 57}, {INT_MAX, 3, 1502, zs, 57}, {2, 10001, 1502, wide, 57},
                      {2, 3, 1501, zs, 57},       {1000, 9000, 1502, wide, 57}};
  const auto bits = [](float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); };
  CZorvalenBaseProcessor p = spectrumProcessor();
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.passes) + " passes, width " + std::to_string(r.width) + ", type " +
                 std::to_string(r.type));
    const int n = int(r.in.masses.size());
    ASSERT_EQ(setScan(p, r.in.masses.data(), r.in.intensities.data(), n, n), ZVRAW_OK);
    ASSERT_EQ(setSmoothParameter(p, pairs({{kNumber, std::to_string(r.passes)}, {kWidth, std::to_string(r.width)},
                                           {kType, std::to_string(r.type)}})),
              ZVRAW_OK);
    EXPECT_EQ(smoothScan(p), r.code);
    spectrum_fixtures::OwnedArrays want(r.in.masses, r.in.intensities);
    if (r.code == ZVRAW_OK) {
      ASSERT_TRUE(zeroPadVaryingData(want.x, want.y, want.n, r.width, r.passes));
      smoothSavitzkyGolay(want.y.get(), int(want.n), r.type == 1500 ? -r.passes : r.passes, r.width);
    }
    const Points got = spectrumOf(p);
    const bool padded = &r.in == &zs && r.code == 0 && r.passes > 0;  // 25 points in each of 11 gaps
    EXPECT_EQ(got.masses.size(), padded ? 84u + 11 * 25 : r.in.masses.size());
    EXPECT_TRUE(got.masses == want.masses() && std::ranges::equal(got.intensities, want.intensities(), bits));
  }
}

// Values that are not numbers are refused where they are given.
TEST_F(SpectrumProcessor, NonFiniteValuesRefused) {
  CZorvalenBaseProcessor p = spectrumProcessor();
  for (const float bad : {NAN, INFINITY, -INFINITY})
    for (const bool mass : {true, false}) {
      Points s = kTwelve;
      (mass ? s.masses : s.intensities)[5] = bad;
      EXPECT_EQ(setScan(p, s.masses.data(), s.intensities.data(), 12, 12), ZVRAW_PARAMETER_INVALID) << bad;
      EXPECT_EQ(spectrumOf(p), Points{});
    }
  ASSERT_EQ(setScan(p, kTwelve.masses.data(), kTwelve.intensities.data(), 12, 12), ZVRAW_OK);
  for (const char* bad : {"nan", "inf", "-inf", "-nan"}) {
    EXPECT_EQ(setThresholdParameter(p, pairs({{kValue, bad}, {kThresholdType, "1600"}})), ZVRAW_PARAMETER_INVALID);
    EXPECT_EQ(thresholdScan(p), ZVRAW_PARAMETER_INVALID) << bad;
    EXPECT_EQ(spectrumOf(p), kTwelve);
  }
}

}  // namespace
