// Decoding scans from _funcNNN.dat and writing them back.

#include <sys/types.h>

#include <cfloat>
#include <cmath>
#include <functional>
#include <vector>

#include "formats/scans/ZVRawScan.h"
#include "support/Corruption.h"
#include "support/ScanFixtures.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_calibrate_version_1::CALTYPE_NORMAL;
using borealtek_calibrate_version_1::FunctionCalibration;
using borealtek_zvraw_version_1::ZVRawScan;

namespace {

struct Options {
  float low = 0, high = -1, lower = 0, upper = 1e6f;
  const FunctionCalibration* cal = nullptr;
  short useTemp = 0;
  float tempCorr = 0, tempCoef = 0;
  bool keep = false;
};

template <class Get>
std::vector<char> charsOf(Get get) {
  const char* c = nullptr;
  unsigned n = 0;
  if (get(&c, n) != 0) return {};
  return {c, c + n};
}

FunctionCalibration linearCalibration(double c0, double c1) {
  FunctionCalibration cal;
  cal.setCalibration(c0, c1, CALTYPE_NORMAL);
  return cal;
}

class ScanRead : public TempDirTest {
 protected:
  // Writes the bytes as _func001.dat and reads the scan of n peaks at offset.
  int read(ZVRawScan& s, const Bytes& dat, const Descriptor& d, unsigned n, const Options& o = {}, off_t offset = 0,
           float* delta = nullptr) {
    const std::string p = path("_func001.dat");
    writeFile(p, dat);
    zvraw::FilePtr f(std::fopen(p.c_str(), "rb"));
    if (!f || ::fseeko(f.get(), offset, SEEK_SET) != 0) return -1;
    float local = FLT_MAX;
    return s.readScan(f.get(), n, &d, o.keep, o.cal, delta ? *delta : local, o.low, o.high, o.lower, o.upper, o.useTemp,
                      o.tempCorr, o.tempCoef);
  }
};

const PeakList kFormat8Scan{{100, 200, 300}, {1, 2, 3}};

TEST_F(ScanRead, WrittenScansReadBackExactly) {
  struct Case {
    unsigned format;
    PeakList peaks;
  } cases[] = {
      {0, {{100.5f, 200.25f, 16000}, {255, 1000, 0}}},
      {8, {{100.5f, 1500.0078125f, 500000}, {5, 32767, 100000}}},
      {9, {{3.0f, 100.5f, 1000.25f}, {400000, 32767, 7}}},
      {12, {{1.75f, 100.125f, 1500.5f}, {0, 1000, 2.5f}, {}, {}, {5, 0, 2}}},
      {13, {{100.125f, 1500.5f}, {3.75f, 1000}, {2e-6f, 0}, {0.5f, 96}, {8, 0}, {15, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    const auto n = static_cast<unsigned>(c.peaks.masses.size());
    const Bytes dat = encodeScan(c.format, c.peaks);
    ASSERT_EQ(dat.size(), zvraw_packed::getBytesPerScan(c.format, n));
    ZVRawScan s;
    ASSERT_EQ(read(s, dat, Descriptor(c.format), n), 0);
    EXPECT_EQ(massesOf(s), c.peaks.masses);
    EXPECT_EQ(intensitiesOf(s), c.peaks.intensities);
    EXPECT_EQ(charsOf([&](auto&&... a) { return s.getScanFlags(a...); }), c.peaks.flags);
    EXPECT_EQ(charsOf([&](auto&&... a) { return s.getAccMassScanFlags(a...); }), c.peaks.accFlags);
    EXPECT_EQ(s.getScanHasMassError(), c.format == 12) << "flag 2 marks a peak in error";
    if (c.format == 13) {
      const float *m, *i, *dm, *di;
      unsigned k = 0;
      ASSERT_EQ(s.getScan(&m, &i, &dm, &di, k), 0);
      EXPECT_FLOAT_EQ(dm[0], 2e-6f);
      EXPECT_EQ(dm[1], 0.0f);
      EXPECT_EQ(di[0], 0.5f);
      EXPECT_EQ(di[1], 96.0f);
    }
  }
}

TEST_F(ScanRead, HandWrittenPacketsOfTheOtherFormats) {
  // Bounds 100-400 set the synthetic axis of formats 3-7: k x 300 / (n - 1).
  const Bytes f1 = format1Packets({{102400, intensityWord(3, 1)},
                                   {204800, intensityWord(1, 0)},
                                   {307200, intensityWord(8, 0)},
                                   {999999, intensityWord(9, 0)}});  // half-used last packet
  const Bytes f3 = ByteBuilder().u16(intensityWord(8, 0)).u16(intensityWord(1, 2)).u16(intensityWord(3, 0)).take();
  const Bytes f4 =
      ByteBuilder().i16(1).i16(-1).i16(2).i16(3).u16(0x0010).i16(4).i16(5).i16(99).i16(99).u16(0x0001).take();
  const Bytes f5 = ByteBuilder().i16(6).i16(7).i16(50).i16(50).u16(0x0000).i16(-8).i16(9).i16(50).i16(50).u16(0).take();
  const Bytes f11 =
      ByteBuilder().u32(enhancedWord(1 << 20, 2, 2)).u32(enhancedWord(-(1 << 20), 1, 0)).take();  // 2.0, -1.0
  struct Case {
    unsigned format, peaks;
    const Bytes& dat;
    std::vector<float> masses, intensities;
  } cases[] = {
      {1, 3, f1, {100, 200, 300}, {12, 1, 8}},
      {3, 3, f3, {0, 150, 300}, {8, 16, 3}},
      {4, 5, f4, {0, 75, 150, 225, 300}, {1, -4, 2, 3, 16}},
      {6, 5, f4, {0, 75, 150, 225, 300}, {1, -4, 2, 3, 16}},
      {5, 3, f5, {0, 150, 300}, {6, 7, -8}},
      {7, 4, f5, {0, 100, 200, 300}, {6, 7, -8, 9}},
      {11, 2, f11, {0, 0}, {2, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    ZVRawScan s;
    ASSERT_EQ(read(s, c.dat, Descriptor(c.format, 0, {{0, 0}, {0, 0}}), c.peaks, {.lower = 100, .upper = 400}), 0);
    EXPECT_EQ(massesOf(s), c.masses);
    EXPECT_EQ(intensitiesOf(s), c.intensities);
    EXPECT_EQ(charsOf([&](auto&&... a) { return s.getScanFlags(a...); }), std::vector<char>()) << "not kept";
    EXPECT_FALSE(s.getScanHasMassError());
  }
}

TEST_F(ScanRead, KeptCompressedScansDecodeByTheirOwnFormat) {
  const PeakList peaks{
      {100.5f, 200, 300.25f, 400}, {10, 20, 30, 40}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  const Bytes f1 = format1Packets({{102912, intensityWord(10, 0)},
                                   {204800, intensityWord(20, 0)},
                                   {307456, intensityWord(30, 0)},
                                   {409600, intensityWord(40, 0)}});
  for (unsigned format : {0u, 1u, 8u, 9u, 12u, 13u}) {
    SCOPED_TRACE(format);
    const Bytes dat = format == 1 ? f1 : encodeScan(format, peaks);
    ZVRawScan kept, decoded;
    ASSERT_EQ(read(decoded, dat, Descriptor(format), 4), 0);
    ASSERT_EQ(read(kept, dat, Descriptor(format), 4, {.keep = true}), 0);
    ASSERT_TRUE(kept.isKeptCompressed());
    EXPECT_EQ(kept.getScanSize(), 4u);

    const float *m, *i, *dm, *di;
    float *mm, *mi;
    unsigned n;
    EXPECT_EQ(kept.getScan(&m, &i, n), ZVRAW_COMPRESSED_DATA_ERROR);
    EXPECT_EQ(kept.getScan(&mm, &mi, n), ZVRAW_COMPRESSED_DATA_ERROR);
    EXPECT_EQ(kept.getScan(&m, &i, &dm, &di, n), ZVRAW_COMPRESSED_DATA_ERROR);

    std::vector<float> km(4), ki(4);
    ASSERT_EQ(kept.getScan(km.data(), ki.data()), 0);
    EXPECT_EQ(km, massesOf(decoded));
    EXPECT_EQ(ki, intensitiesOf(decoded));

    // Window ends between peaks: both paths sum peaks 1 and 2.
    float a = -1, b = -1;
    ASSERT_EQ(kept.getSumIntensity(a, 150, 350, 1, false, false), 0);
    ASSERT_EQ(decoded.getSumIntensity(b, 150, 350, 1, false, false), 0);
    EXPECT_EQ(a, 50.0f);
    EXPECT_EQ(a, b);
    // A mass equal to the window's start: the packet walk includes it, the
    // bisection of a sorted scan does not.
    ASSERT_EQ(kept.getSumIntensity(a, 200, 350, 0, false, false), 0);
    ASSERT_EQ(decoded.getSumIntensity(b, 200, 350, 0, false, false), 0);
    EXPECT_EQ(a, 50.0f);
    EXPECT_EQ(b, 30.0f);
    a = 7;
    EXPECT_EQ(kept.getSumIntensity(a, 0, 1000, 1, true, false), ZVRAW_SCANREAD_ERROR) << "no daughters";
    EXPECT_EQ(a, 7.0f);
  }

  // Formats that store no mass cannot be decoded without their descriptor.
  for (unsigned format : {2u, 3u, 4u, 5u, 6u, 7u, 11u}) {
    SCOPED_TRACE(format);
    ZVRawScan kept;
    ASSERT_EQ(read(kept, Bytes(40, 0x11), Descriptor(format), 4, {.keep = true}), 0);
    std::vector<float> km(4, -1), ki(4, -1);
    EXPECT_EQ(kept.getScan(km.data(), ki.data()), ZVRAW_COMPRESSED_DATA_ERROR);
    float sum = 7;
    EXPECT_EQ(kept.getSumIntensity(sum, 0, 1000, 1, false, false), ZVRAW_COMPRESSED_DATA_ERROR);
    EXPECT_EQ(sum, 7.0f);
  }
}

TEST_F(ScanRead, MassWindows) {
  const Bytes dat = encodeScan(8, kFormat8Scan);
  const FunctionCalibration identity = linearCalibration(0, 1);
  const FunctionCalibration half = linearCalibration(0, 0.5);
  struct Case {
    float low, high;
    const FunctionCalibration* cal;
    std::vector<float> masses;
    const char* why;
  } cases[] = {
      {0, -1, nullptr, {100, 200, 300}, "whole scan"},
      {0, 1e9f, nullptr, {100, 200, 300}, "narrowed, every packet"},
      {150, 250, &identity, {200, 300}, "from the first packet above low to the first above high"},
      {150, 250, &half, {150}, "the low cut-off applies again after calibration"},
      {0, 50, nullptr, {100}, "the first packet above high is read"},
      {250, 150, nullptr, {}, "low above high"},
      {400, 500, nullptr, {}, "low above every mass"},
      {300, 1e9f, nullptr, {300}, "low equal to the last mass: the search answers the last packet"},
  };
  for (const Case& c : cases) {
    ZVRawScan s;
    ASSERT_EQ(read(s, dat, Descriptor(8), 3, {.low = c.low, .high = c.high, .cal = c.cal}), 0) << c.why;
    EXPECT_EQ(massesOf(s), c.masses) << c.why;
    EXPECT_EQ(s.getScanSize(), c.masses.size()) << c.why;
  }

  ZVRawScan s;
  ASSERT_EQ(read(s, dat, Descriptor(8), 0, {.low = 150, .high = 250}), 0) << "a scan of no peaks";
  EXPECT_EQ(s.getScanSize(), 0u);

  // Without a file mass reader the whole scan is decoded and the high
  // cut-off judged on the uncalibrated masses.
  const Bytes f1 = format1Packets(
      {{102400, intensityWord(1, 0)}, {204800, intensityWord(2, 0)}, {307200, intensityWord(3, 0)}, {0, 0}});
  const FunctionCalibration twice = linearCalibration(0, 2);
  ASSERT_EQ(read(s, f1, Descriptor(1), 3, {.low = 150, .high = 250, .cal = &twice}), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({200, 400}));
  EXPECT_EQ(intensitiesOf(s), std::vector<float>({1, 2}));
  const Bytes f3(6, 0x08);
  ASSERT_EQ(read(s, f3, Descriptor(3), 3, {.low = 0, .high = 200, .lower = 100, .upper = 400}), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({0, 150}));
}

TEST_F(ScanRead, PeaksInScanWithoutAReaderOrPeaks) {
  const std::string p = path("x.dat");
  writeFile(p, encodeScan(8, kFormat8Scan));
  zvraw::FilePtr f(std::fopen(p.c_str(), "rb"));
  EXPECT_EQ(ZVRawScan::getPeaksInScan(f.get(), 8, 3, 150, 250), 2u);
  EXPECT_EQ(std::ftell(f.get()), 6) << "at the first packet kept";
  std::rewind(f.get());
  for (unsigned format : {1u, 2u, 3u, 4u, 7u, 10u, 11u, 14u})
    EXPECT_EQ(ZVRawScan::getPeaksInScan(f.get(), format, 3, 150, 250), 0u) << format;
  EXPECT_EQ(ZVRawScan::getPeaksInScan(f.get(), 8, 0, 150, 250), 0u);
  EXPECT_EQ(ZVRawScan::getPeaksInScan(nullptr, 8, 3, 150, 250), 0u);
}

TEST_F(ScanRead, MrmSegmentsGiveSortedMassesAndDaughters) {
  const Bytes dat = ByteBuilder()
                        .u16(intensityWord(1, 0))
                        .u16(intensityWord(2, 0))
                        .u16(intensityWord(3, 0))
                        .u16(intensityWord(4, 0))
                        .take();
  const std::vector<std::pair<float, float>> segments{{300, 350}, {100, 150}, {200, 250}};
  ZVRawScan s;
  for (unsigned type : {9u, 29u, 31u}) {
    SCOPED_TRACE(type);
    ASSERT_EQ(read(s, dat, Descriptor(2, type, segments), 3), 0);
    EXPECT_EQ(massesOf(s), std::vector<float>({100, 200, 300}));
    EXPECT_EQ(intensitiesOf(s), std::vector<float>({2, 3, 1}));
    EXPECT_EQ(daughtersOf(s), std::vector<float>({150, 250, 350}));
  }
  // A peak beyond the segments has neither mass nor daughter.
  ASSERT_EQ(read(s, dat, Descriptor(2, 9, segments), 4), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({0, 100, 200, 300}));
  EXPECT_EQ(intensitiesOf(s), std::vector<float>({4, 2, 3, 1}));
  EXPECT_EQ(daughtersOf(s), std::vector<float>({0, 150, 250, 350}));

  float sum = 0;
  ASSERT_EQ(s.getSumIntensity(sum, 250, 250, 2, true, true), 0);
  EXPECT_EQ(sum, 3.0f) << "summed by daughter mass";

  ZVRawScan moved;
  ASSERT_EQ(ZVRawScan::moveScan(&moved, &s), 0);
  EXPECT_EQ(daughtersOf(moved), std::vector<float>({0, 150, 250, 350}));
  const float* d = nullptr;
  unsigned n = 9;
  EXPECT_EQ(s.getDaughterMasses(&d, n), ZVRAW_DATA_NULL) << "the source keeps no daughters";

  ASSERT_EQ(read(s, dat, Descriptor(2, 0, segments), 3), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({100, 200, 300}));
  EXPECT_EQ(s.getDaughterMasses(&d, n), ZVRAW_DATA_NULL) << "not an MRM function";

  const Bytes f11 = ByteBuilder().u32(enhancedWord(1 << 20, 1, 2)).u32(enhancedWord(1 << 20, 2, 0)).take();
  ASSERT_EQ(read(s, f11, Descriptor(11, 31, segments), 2), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({100, 300}));
  EXPECT_EQ(intensitiesOf(s), std::vector<float>({2, 1}));
  EXPECT_EQ(daughtersOf(s), std::vector<float>({150, 350}));
}

TEST_F(ScanRead, BadScanStrategies) {
  const Bytes dat = encodeScan(9, {{200, 300, 400, 5000}, {1, 2, 3, 4}});
  struct Case {
    int strategy, rc;
    std::vector<float> masses;
  } cases[] = {
      {3, 0, {200, 300, 400}},
      {1, ZVRAW_SCAN_CORRUPT_ERROR, {}},
      {2, 0, {200, 300, 400, 401}},
      {4, 0, {200, 300, 400, 5000}},
  };
  for (const Case& c : cases) {
    ScopedBadScanStrategy strategy(c.strategy);
    ZVRawScan s;
    ASSERT_EQ(read(s, dat, Descriptor(9), 4, {.lower = 100, .upper = 1000}), c.rc) << c.strategy;
    EXPECT_EQ(massesOf(s), c.masses) << c.strategy;
    EXPECT_EQ(s.getScanSize(), c.masses.size());
  }

  // A mass not above the one before it is dropped; the first two peaks are
  // both tested against 1.0, so a fall from the first to the second passes.
  ScopedBadScanStrategy strategy(3);
  ZVRawScan s;
  ASSERT_EQ(read(s, encodeScan(9, {{300, 200, 250, 240, 400}, {1, 2, 3, 4, 5}}), Descriptor(9), 5,
                 {.lower = 100, .upper = 1000}),
            0);
  EXPECT_EQ(massesOf(s), std::vector<float>({300, 200, 250, 400}));

  // Format 3 stores no mass: nothing of it is tested.
  ScopedBadScanStrategy abandon(1);
  ASSERT_EQ(read(s, Bytes(6, 0x08), Descriptor(3), 3, {.lower = 100, .upper = 400}), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({0, 150, 300}));
}

TEST_F(ScanRead, TemperatureCorrectionThenCalibration) {
  const Bytes dat = encodeScan(9, {{100, 100.5f, 200}, {1, 2, 3}});
  FunctionCalibration cal = linearCalibration(1, 2);
  cal.setTemperature(20);
  const double factor = 1.0 - 100.0 * 1e-6 * (30.0 - 20.0);
  const auto expected = [&](float m) {
    return static_cast<float>(1 + 2 * static_cast<double>(static_cast<float>(m * factor)));
  };

  ZVRawScan s;
  float delta = 5;
  ASSERT_EQ(read(s, dat, Descriptor(9), 3, {.cal = &cal, .useTemp = 1, .tempCorr = 30, .tempCoef = 100}, 0, &delta), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({expected(100), expected(100.5f), expected(200)}));
  EXPECT_EQ(delta, expected(100.5f) - expected(100)) << "the smallest spacing of the stored masses";

  delta = 0.5f;
  ASSERT_EQ(read(s, dat, Descriptor(9), 3, {.useTemp = 1, .tempCorr = 30, .tempCoef = 100}, 0, &delta), 0);
  EXPECT_EQ(massesOf(s), std::vector<float>({100, 100.5f, 200})) << "no calibration: no correction either";
  EXPECT_EQ(delta, 0.5f) << "only ever lowered";
}

TEST_F(ScanRead, AFailedReadLeavesAnEmptyScan) {
  const Bytes dat = encodeScan(13, {{100, 200}, {1, 2}, {0, 0}, {0, 0}, {2, 0}, {1, 1}});
  struct Case {
    const char* why;
    int rc;
    std::function<int(ZVRawScan&)> fail;
  } cases[] = {
      {"truncated data file", ZVRAW_SCANREAD_EOFERROR,
       [&](ZVRawScan& s) { return read(s, Bytes(dat.begin(), dat.end() - 1), Descriptor(13), 2); }},
      {"truncated, kept compressed", ZVRAW_SCANREAD_EOFERROR,
       [&](ZVRawScan& s) { return read(s, Bytes(dat.begin(), dat.end() - 1), Descriptor(13), 2, {.keep = true}); }},
      {"truncated, narrowed", ZVRAW_SCANREAD_EOFERROR,
       [&](ZVRawScan& s) { return read(s, Bytes(dat.begin(), dat.end() - 1), Descriptor(13), 2, {.low = 1}); }},
      {"past the end of the file", ZVRAW_SCANREAD_EOFERROR,
       [&](ZVRawScan& s) { return read(s, dat, Descriptor(13), 2, {}, 100); }},
      {"short read that is not the end", ZVRAW_SCANREAD_ERROR,
       [&](ZVRawScan& s) {
         zvraw::FilePtr f(std::fopen(dir().c_str(), "rb"));  // a directory: every read fails
         float delta = 0;
         const Descriptor d(13);
         return s.readScan(f.get(), 2, &d, false, nullptr, delta, 0, -1, 0, 1e6f, 0, 0, 0);
       }},
      {"no packets in this format", ZVRAW_DATATYPE_UNSUPPORTED,
       [&](ZVRawScan& s) { return read(s, dat, Descriptor(10), 2); }},
      {"no stream", ZVRAW_NULLPOINTER_ERROR,
       [&](ZVRawScan& s) {
         float delta = 0;
         const Descriptor d(13);
         return s.readScan(nullptr, 2, &d, false, nullptr, delta, 0, -1, 0, 1e6f, 0, 0, 0);
       }},
      {"no descriptor", ZVRAW_NULLPOINTER_ERROR,
       [&](ZVRawScan& s) {
         float delta = 0;
         return s.readScan(nullptr, 2, nullptr, false, nullptr, delta, 0, -1, 0, 1e6f, 0, 0, 0);
       }},
  };
  for (bool keepFirst : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.why);
      ZVRawScan s;
      ASSERT_EQ(read(s, dat, Descriptor(13), 2, {.keep = keepFirst}), 0);
      ASSERT_EQ(c.fail(s), c.rc);
      EXPECT_EQ(s.getScanSize(), 0u);
      EXPECT_FALSE(s.isKeptCompressed());
      const float sentinel = 0;
      const float *m = &sentinel, *i = &sentinel, *dm = &sentinel, *di = &sentinel;
      unsigned n = 9;
      ASSERT_EQ(s.getScan(&m, &i, &dm, &di, n), 0);
      EXPECT_EQ(m, nullptr);
      EXPECT_EQ(i, nullptr);
      EXPECT_EQ(dm, nullptr);
      EXPECT_EQ(n, 0u);
      float out[2] = {-1, -1};
      EXPECT_EQ(s.getScan(out, out), 0);
      EXPECT_EQ(out[0], -1.0f);
      float sum = -1;
      EXPECT_EQ(s.getSumIntensity(sum, 0, 1000, 1, false, false), 0);
      EXPECT_EQ(sum, 0.0f);
      EXPECT_EQ(s.setStats(), ZVRAW_NULLPOINTER_ERROR);
      EXPECT_EQ(s.getBPI(), 0.0f);
      EXPECT_EQ(s.GetSaturationFlag(0), ZVRawScan::NO_FLAG);
      EXPECT_EQ(charsOf([&](auto&&... a) { return s.getScanFlags(a...); }), std::vector<char>());
      float lo, hi, ave = 0, dev = 0, th;
      EXPECT_EQ(s.getStats(lo, hi, ave, dev, n, th, 0.001f), 0);
      zvraw::FilePtr f(std::tmpfile());
      EXPECT_EQ(s.writeScan(f.get(), 13), ZVRAW_NULLPOINTER_ERROR);
    }
  }
}

TEST_F(ScanRead, WriteScanRefusesFormatsWithoutAPacker) {
  ZVRawScan s;
  zvraw::FilePtr f(std::tmpfile());
  EXPECT_EQ(s.writeScan(f.get(), 9), ZVRAW_NULLPOINTER_ERROR) << "no arrays";
  fillScan(s, {{100, 200}, {1, 2}});
  for (unsigned format : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 10u, 11u, 14u, 99u})
    EXPECT_EQ(s.writeScan(f.get(), format), ZVRAW_DATATYPE_UNSUPPORTED) << format;
  EXPECT_EQ(std::ftell(f.get()), 0) << "nothing written";
  EXPECT_EQ(s.writeScan(nullptr, 9), ZVRAW_NULLPOINTER_ERROR);

  // Without flag or error arrays the packets carry zeros.
  for (unsigned format : {12u, 13u}) {
    SCOPED_TRACE(format);
    const Bytes dat = encodeScan(format, {{100, 200}, {1, 2}});
    ZVRawScan back;
    ASSERT_EQ(read(back, dat, Descriptor(format), 2), 0);
    EXPECT_EQ(massesOf(back), std::vector<float>({100, 200}));
    EXPECT_EQ(charsOf([&](auto&&... a) { return back.getScanFlags(a...); }), std::vector<char>(2, 0));
  }

  // A scan larger than one staging block is written whole.
  PeakList big;
  for (int k = 0; k < 50000; ++k) {
    big.masses.push_back(100 + 0.015625f * static_cast<float>(k));
    big.intensities.push_back(static_cast<float>(k % 1000));
  }
  const Bytes dat = encodeScan(9, big);
  ZVRawScan back;
  ASSERT_EQ(read(back, dat, Descriptor(9), 50000), 0);
  EXPECT_EQ(massesOf(back), big.masses);
  EXPECT_EQ(intensitiesOf(back), big.intensities);
}

TEST_F(ScanRead, WriteFailuresAreReported) {
  ZVRawScan s;
  fillScan(s, {{100, 200}, {1, 2}});
  zvraw::FilePtr full(std::fopen("/dev/full", "wb"));
  ASSERT_TRUE(full);
  std::setvbuf(full.get(), nullptr, _IONBF, 0);
  EXPECT_EQ(s.writeScan(full.get(), 9), ZVRAW_SCANWRITE_ERROR);
}

// Scans of one format back to back, with the peak counts an index would give.
struct DataFile {
  Bytes dat;
  std::vector<std::pair<off_t, unsigned>> scans;
};

DataFile dataFile(unsigned format) {
  DataFile f;
  const std::vector<PeakList> scans{
      {{100, 150.5f, 200, 900}, {1, 2, 3, 4}, {1e-6f, 0, 0, 0}, {1, 0, 0, 0}, {0, 2, 0, 1}, {1, 0, 0, 0}},
      {{120}, {7}, {0}, {0}, {0}, {0}},
      {{101, 102, 103, 104, 105}, {5, 4, 3, 2, 1}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
  };
  for (const PeakList& p : scans) {
    Bytes run;
    if (format == 2) {
      ByteBuilder b;
      for (float i : p.intensities) b.u16(intensityWord(static_cast<unsigned>(i), 1));
      run = b.take();
    } else {
      run = encodeScan(format, p);
    }
    f.scans.emplace_back(static_cast<off_t>(f.dat.size()), static_cast<unsigned>(p.masses.size()));
    f.dat.insert(f.dat.end(), run.begin(), run.end());
  }
  return f;
}

TEST_F(ScanRead, DamagedDataFilesGiveResultCodes) {
  const FunctionCalibration cal = linearCalibration(0.5, 1);
  for (unsigned format : {0u, 2u, 8u, 9u, 12u, 13u}) {
    SCOPED_TRACE(format);
    const DataFile file = dataFile(format);
    const Descriptor desc(format, 9, {{300, 350}, {100, 150}, {200, 250}});
    const std::string p = path("_func001.dat");
    // Every scan, whole, narrowed and kept compressed, under each strategy.
    const ReaderCall readAll = [&](const Bytes& damaged) {
      writeFile(p, damaged);
      zvraw::FilePtr f(std::fopen(p.c_str(), "rb"));
      for (const auto& [offset, peaks] : file.scans) {
        for (int mode = 0; mode < 3; ++mode) {
          ScopedBadScanStrategy strategy(mode + 1);
          if (::fseeko(f.get(), offset, SEEK_SET) != 0) return ZVRAW_FILESEEK_ERROR;
          ZVRawScan s;
          float delta = FLT_MAX;
          const int rc = s.readScan(f.get(), peaks, &desc, mode == 2, &cal, delta, mode == 1 ? 110.0f : 0.0f,
                                    mode == 1 ? 180.0f : -1.0f, 100, 1000, 1, 30, 5);
          if (rc != ZVRAW_OK && rc != ZVRAW_SCAN_CORRUPT_ERROR) return rc;
          float sum;
          std::vector<float> m(peaks), i(peaks);
          (void)s.getSumIntensity(sum, 100, 200, 1, false, false);
          (void)s.getScan(m.data(), i.data());
          (void)s.setStats();
        }
      }
      return ZVRAW_OK;
    };
    expectRejectsTruncations(file.dat, readAll);
    expectSurvivesCorruptions(file.dat, readAll, 0x5eed + format, 150);
  }
}

}  // namespace
