#include <gtest/gtest.h>

#include <cstring>

#include "formats/portability/FileHandle.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "support/Corruption.h"
#include "support/IndexRecords.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

Bytes packed(const ZVRawFunctionScanIndexImp& r, unsigned format, bool extended) {
  Bytes out(scanIndexRecordSize(extended));
  (void)r.packScanIndex(out, format, extended);
  return out;
}

std::uint32_t u32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(ScanIndexRecord, NewRecordDefaults) {
  ZVRawFunctionScanIndexImp r;
  EXPECT_EQ(r.getSegmentNumber(), 1u);
  EXPECT_TRUE(r.getIsContinuumScan());
  const Bytes b = packed(r, 12, false);
  EXPECT_EQ(u32(b, 4), 0x00400000u);
  EXPECT_EQ(b, indexRecordBytes(IndexRecordFields{}, false));
}

TEST(ScanIndexRecord, RoundTripsPerFormat) {
  for (unsigned format : {0u, 8u, 9u, 12u, 13u}) {
    for (bool extended : {false, true}) {
      ZVRawFunctionScanIndexImp r;
      r.scanOffset() = 0x89ABCDEF;
      r.peaksInScan() = 0x3FFFFF;
      r.tic() = 1.25e7f;
      r.rt() = 12.5f;
      r.basePeakMass() = 1234.5f;
      r.basePeakIntensity() = 29952;  // 117 x 4^4: exact in every format
      r.useContinuumFlag() = 1;
      r.calibratedMasses() = 1;
      const Bytes b = packed(r, format, extended);
      ZVRawFunctionScanIndexImp back;
      ASSERT_EQ(back.extractScanIndex(b, format, extended), ZVRAW_OK) << format;
      EXPECT_EQ(back.getScanOffset(), 0x89ABCDEFu);
      EXPECT_EQ(back.getPeaksInScan(), 0x3FFFFFu);
      EXPECT_EQ(back.getSegmentNumber(), 1u);
      EXPECT_EQ(back.getUseContinuumFlag(), 1u);
      EXPECT_EQ(back.getCalibratedMasses(), 1u);
      EXPECT_EQ(back.getContinuumDataOverride() + back.getMolecularMasses() + back.getScanOverload(), 0);
      EXPECT_EQ(back.getTic(), 1.25e7f);
      EXPECT_EQ(back.getRt(), 12.5f);
      EXPECT_EQ(back.getBasePeakIntensity(), 29952.0f) << format;
      EXPECT_NEAR(back.getBasePeakMass(), 1234.5f, format == 0 || format == 8 ? 1.0f / 256 : 1e-3f) << format;
      EXPECT_EQ(packed(back, format, extended), b) << format;
    }
  }
  // Format 9 keeps mass / 256 in a format-9 packet: 1280 / 256 = 5 is x 3, v 5/8 x 2^23.
  ZVRawFunctionScanIndexImp r;
  r.basePeakMass() = 1280;
  r.basePeakIntensity() = 1;
  const Bytes b = packed(r, 9, false);
  EXPECT_EQ(Bytes(b.begin() + 16, b.end()), (Bytes{0x01, 0x00, 0x30, 0x00, 0x00, 0xA0}));
}

TEST(ScanIndexRecord, ContinuumIsDecidedByBothBits) {
  struct Case {
    bool use, override, before, after;
  } cases[] = {{false, false, true, true},
               {true, false, true, false},
               {true, true, true, true},
               {false, true, true, true},
               {false, false, false, false}};
  for (const Case& c : cases) {
    IndexRecordFields f;
    f.useContinuum = c.use;
    f.override = c.override;
    ZVRawFunctionScanIndexImp r;
    r.isContinuumScan() = c.before;
    ASSERT_EQ(r.extractScanIndex(indexRecordBytes(f, false), 12, false), ZVRAW_OK);
    EXPECT_EQ(r.getIsContinuumScan(), c.after) << c.use << c.override << c.before;
  }
}

TEST(ScanIndexRecord, BitFieldEdgesAndMasking) {
  IndexRecordFields f;
  f.peaks = 0x3FFFFF;
  f.segment = 31;
  f.molecular = f.overload = true;
  ZVRawFunctionScanIndexImp r;
  ASSERT_EQ(r.extractScanIndex(indexRecordBytes(f, false), 12, false), ZVRAW_OK);
  EXPECT_EQ(r.getPeaksInScan(), 0x3FFFFFu);
  EXPECT_EQ(r.getSegmentNumber(), 31u);
  EXPECT_EQ(r.getMolecularMasses(), 1u);
  EXPECT_EQ(r.getScanOverload(), 1u);
  EXPECT_EQ(r.getUseContinuumFlag(), 0u);

  // A flag member holding 2 is stored as 1; a count beyond 22 bits is masked by
  // the packer and refused by the writer.
  r.calibratedMasses() = 2;
  EXPECT_EQ(u32(packed(r, 12, false), 4), 0x3FFFFFu | 31u << 22 | 1u << 29 | 1u << 30 | 1u << 31);
  r.peaksInScan() = 0x400000;
  EXPECT_FALSE(r.fitsFileWidths());
  EXPECT_EQ(u32(packed(r, 12, false), 4) & 0x3FFFFFu, 0u);
  EXPECT_EQ(u32(packed(r, 12, false), 4) >> 22, 31u | 1u << 7 | 1u << 8 | 1u << 9);
}

TEST(ScanIndexRecord, ExtendedFormTakesTheOffsetFromTheTail) {
  IndexRecordFields f;
  f.offset = 0x11223344;
  f.offsetHigh = 0x2;
  f.basePeak = {0x19, 0x00, 0x00, 0x90, 0x01, 0x77};  // format 1: word m 3 e 1, mass 102400 / 1024
  ZVRawFunctionScanIndexImp r;
  ASSERT_EQ(r.extractScanIndex(indexRecordBytes(f, true, 0xDEADBEEF), 1, true), ZVRAW_OK);
  unsigned low = 0, high = 0;
  r.getScanOffset(low);
  r.getScanOffsetEx(high);
  EXPECT_EQ(low, 0x11223344u);
  EXPECT_EQ(high, 2u);
  EXPECT_EQ(r.dataOffset(), 0x211223344ull);
  EXPECT_EQ(r.getBasePeakIntensity(), 12.0f);
  EXPECT_EQ(r.getBasePeakMass(), 100.0f);

  // Written again: bytes 0-3 zero, offset words at 22 and 26, no base peak in format 1.
  const Bytes b = packed(r, 1, true);
  EXPECT_EQ(u32(b, 0), 0u);
  EXPECT_EQ(u32(b, 22), 0x11223344u);
  EXPECT_EQ(u32(b, 26), 2u);
  EXPECT_EQ(Bytes(b.begin() + 16, b.begin() + 22), Bytes(6, 0));
}

TEST(ScanIndexRecord, UnsupportedBasePeaks) {
  IndexRecordFields f;
  f.offset = 77;
  f.tic = 5;
  f.rt = 6;
  f.peaks = 3;
  f.basePeak = {1, 2, 3, 4, 5, 6};
  for (unsigned format : {10u, 14u, 255u}) {
    ZVRawFunctionScanIndexImp r;
    EXPECT_EQ(r.extractScanIndex(indexRecordBytes(f, false), format, false), ZVRAW_FUNCTIONTYPE_UNSUPPORTED);
    EXPECT_EQ(r.getScanOffset(), 77u);
    EXPECT_EQ(r.getPeaksInScan(), 3u);
    EXPECT_EQ(r.getTic(), 5.0f);
    EXPECT_EQ(r.getRt(), 6.0f);
  }
  // Formats 2-7 read only an intensity word and keep the mass they had.
  ZVRawFunctionScanIndexImp r;
  r.basePeakMass() = 42;
  ASSERT_EQ(r.extractScanIndex(indexRecordBytes(f, false), 4, false), ZVRAW_OK);
  EXPECT_EQ(r.getBasePeakMass(), 42.0f);
  EXPECT_EQ(r.getBasePeakIntensity(), 0x0201 >> 3 << 2);  // m 64, e 1

  r.basePeakIntensity() = 99;
  for (unsigned format : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 10u, 11u, 14u}) {
    Bytes b(22, 0xCC);
    EXPECT_EQ(r.packScanIndex(b, format, false), ZVRAW_FUNCTIONTYPE_UNSUPPORTED) << format;
    EXPECT_EQ(Bytes(b.begin() + 16, b.end()), Bytes(6, 0)) << format;
  }
  Bytes small(21);
  EXPECT_EQ(r.packScanIndex(small, 12, false), ZVRAW_BUFFERSIZE_ERROR);
  EXPECT_EQ(r.extractScanIndex(small, 12, false), ZVRAW_FILEREAD_ERROR);
}

class ScanIndexFileTest : public TempDirTest {
 protected:
  void TearDown() override {
    setTimeShiftImp(0);
    TempDirTest::TearDown();
  }
};

TEST_F(ScanIndexFileTest, TimeShiftIsAddedOnEveryWrite) {
  setTimeShiftImp(0.5f);
  ZVRawFunctionScanIndexImp r;
  r.rt() = 2.0f;
  {
    zvraw::FilePtr out(std::fopen(path("f.idx").c_str(), "wb"));
    ASSERT_EQ(r.writeScanIndex(out.get(), 4, false), ZVRAW_OK);  // base peak not stored: still written
    ASSERT_EQ(r.writeScanIndex(out.get(), 12, false), ZVRAW_OK);
  }
  EXPECT_EQ(r.getRt(), 3.0f);
  zvraw::FilePtr in(std::fopen(path("f.idx").c_str(), "rb"));
  ZVRawFunctionScanIndexImp a, b, c;
  ASSERT_EQ(a.readScanIndex(in.get(), 4, false), ZVRAW_OK);
  ASSERT_EQ(b.readScanIndex(in.get(), 12, false), ZVRAW_OK);
  EXPECT_EQ(a.getRt(), 2.5f);
  EXPECT_EQ(b.getRt(), 3.0f);
  EXPECT_EQ(c.readScanIndex(in.get(), 12, false), ZVRAW_FILEREAD_EOFERROR);
}

TEST_F(ScanIndexFileTest, RefusedAndFailedWrites) {
  setTimeShiftImp(1.0f);
  ZVRawFunctionScanIndexImp r;
  r.peaksInScan() = 0x400000;
  zvraw::FilePtr out(std::fopen(path("f.idx").c_str(), "wb"));
  EXPECT_EQ(r.writeScanIndex(out.get(), 12, false), ZVRAW_ERROR);
  EXPECT_EQ(r.getRt(), 0.0f);  // refused before the shift
  out.reset();
  EXPECT_TRUE(readFile(dir() / "f.idx").empty());

  r.peaksInScan() = 1;
  zvraw::FilePtr ro(std::fopen(path("f.idx").c_str(), "rb"));
  EXPECT_EQ(r.writeScanIndex(ro.get(), 12, false), ZVRAW_FILEWRITE_ERROR);
  EXPECT_EQ(r.writeScanIndex(nullptr, 12, false), ZVRAW_FILEPOINTER_INVALID);
  zvraw::FilePtr full(std::fopen("/dev/full", "wb"));
  if (!full) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full.get(), nullptr, _IONBF, 0);
  EXPECT_EQ(r.writeScanIndex(full.get(), 12, true), ZVRAW_FILEWRITE_ERROR);
}

TEST_F(ScanIndexFileTest, ShortReadsTellEndOfFileFromErrors) {
  writeFile(dir() / "f.idx", Bytes(10, 0));
  zvraw::FilePtr in(std::fopen(path("f.idx").c_str(), "rb"));
  ZVRawFunctionScanIndexImp r;
  EXPECT_EQ(r.readScanIndex(in.get(), 12, false), ZVRAW_FILEREAD_EOFERROR);
  zvraw::FilePtr wo(std::fopen(path("g.idx").c_str(), "wb"));
  EXPECT_EQ(r.readScanIndex(wo.get(), 12, false), ZVRAW_FILEREAD_ERROR);
  EXPECT_EQ(r.readScanIndex(nullptr, 12, false), ZVRAW_FILEPOINTER_INVALID);
}

TEST_F(ScanIndexFileTest, DamagedIndexStreams) {
  for (unsigned format : {0u, 1u, 8u, 9u, 12u, 13u}) {
    for (bool extended : {false, true}) {
      Bytes stream;
      for (int k = 0; k < 3; ++k) {
        IndexRecordFields f;
        f.offset = 1000u * k;
        f.offsetHigh = extended ? 1 : 0;
        f.peaks = 10u + k;
        f.rt = 0.5f * k;
        f.basePeak = hiAccBasePeak(static_cast<std::int16_t>(100 * k - 50), 1, 9, 0x7FFFFF);
        const Bytes r = indexRecordBytes(f, extended, 0xFFFFFFFF);
        stream.insert(stream.end(), r.begin(), r.end());
      }
      const auto readAll = [&](const Bytes& damaged) {
        writeFile(dir() / "f.idx", damaged);
        zvraw::FilePtr in(std::fopen(path("f.idx").c_str(), "rb"));
        ZVRawFunctionScanIndexImp r;
        for (int k = 0; k < 3; ++k)
          if (int rc = r.readScanIndex(in.get(), format, extended); rc != ZVRAW_OK) return rc;
        return ZVRAW_OK;
      };
      expectRejectsTruncations(stream, [&](const Bytes& cut) {
        const int rc = readAll(cut);
        EXPECT_TRUE(rc == ZVRAW_OK || rc == ZVRAW_FILEREAD_EOFERROR) << rc;
        return rc;
      });
      expectSurvivesCorruptions(stream, readAll, 0x1d0 + format);
    }
  }
}

}  // namespace

namespace {

// The summary takes each field from its own place: neighbouring flags differ,
// so two fields swapped would show.
TEST(ScanIndexRecord, SummaryCarriesEveryField) {
  for (const IndexRecordFields f :
       {IndexRecordFields{7, 0, 11, 3, true, false, true, false, true, 2.5f, 1.5f, {}},
        IndexRecordFields{9, 0, 5, 30, false, true, false, true, false, 4.0f, 0.5f, {}}}) {
    ZVRawFunctionScanIndexImp r;
    ASSERT_EQ(r.extractScanIndex(indexRecordBytes(f, false), 12, false), ZVRAW_OK);
    r.basePeakMass() = 123.5f;
    r.basePeakIntensity() = 77.0f;
    r.isContinuumScan() = f.override;
    const borealtek_zvraw_version_1::ScanStatsRecord s = r.getScanStats();
    EXPECT_EQ(s.ScanOffset, f.offset);
    EXPECT_EQ(s.PeaksInScan, f.peaks);
    EXPECT_EQ(s.SegmentNumber, f.segment);
    EXPECT_EQ(s.UseContinuumFlag, f.useContinuum);
    EXPECT_EQ(s.ContinuumDataOverride, f.override);
    EXPECT_EQ(s.MolecularMasses, f.molecular);
    EXPECT_EQ(s.CalibratedMasses, f.calibrated);
    EXPECT_EQ(s.ScanOverload, f.overload);
    EXPECT_EQ(s.IsContinuumScan, f.override);
    EXPECT_EQ(s.Tic, f.tic);
    EXPECT_EQ(s.Rt, f.rt);
    EXPECT_EQ(s.BasePeakIntensity, 77.0f);
    EXPECT_EQ(s.BasePeakMass, 123.5f);
  }
}

}  // namespace
