#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <limits>
#include <numeric>
#include <random>

#include "formats/packets/ZVRawPackedFormats.h"
#include "support/FileSizeLimit.h"
#include "support/FunctionDataRig.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

namespace fs = std::filesystem;
using borealtek_zvraw_version_1::ZVRawScan;
using zvraw_packed::getBytesPerScan;

class FunctionDataWriteTest : public TempDirTest {
 protected:
  [[nodiscard]] std::string root() const { return dir().string(); }
  [[nodiscard]] fs::path dat() const { return dir() / "_func001.dat"; }

  // The bytes scans first..last take in the file, packed one by one.
  static Bytes packed(unsigned format, const std::vector<PeakList>& scans, unsigned first, unsigned last) {
    Bytes out;
    for (unsigned s = first; s <= last; ++s) {
      if (scans[s].masses.empty()) continue;  // an empty scan takes no bytes
      const Bytes b = encodeScan(format, scans[s]);
      out.insert(out.end(), b.begin(), b.end());
    }
    return out;
  }

  static std::vector<ZVRawFunctionScanIndexImp> records(FunctionWriter& w) {
    std::span<ZVRawFunctionScanIndexImp> r;
    EXPECT_EQ(w.indices.getIndexArray(0, r), ZVRAW_OK);
    return {r.begin(), r.end()};
  }

  static unsigned mark(const ZVRawFunctionData& d) {
    unsigned m = 0;
    d.getNextScanToWrite(m);
    return m;
  }
};

TEST_F(FunctionDataWriteTest, BatchesLieBackToBackWithTheirIndexRecordsFilled) {
  const std::vector<PeakList> scans = samplePeaks(20);
  for (unsigned format : {0u, 8u, 9u, 12u})
    for (bool flushBetween : {false, true}) {
      SCOPED_TRACE(testing::Message() << "format " << format << " flush " << flushBetween);
      FunctionWriter w(root(), FunctionShape(format), 20);
      Batch first({scans.begin(), scans.begin() + 10}), second({scans.begin() + 10, scans.end()});
      ASSERT_EQ(first.give(w.data, 0), ZVRAW_OK);
      ASSERT_EQ(w.data.writeScans(root().c_str(), flushBetween, 0u), ZVRAW_OK);
      EXPECT_EQ(mark(w.data), 10u);
      ASSERT_EQ(second.give(w.data, 10), ZVRAW_OK);
      ASSERT_EQ(w.data.writeScans(root().c_str(), false, 0u), ZVRAW_OK);
      EXPECT_EQ(mark(w.data), 20u);

      const auto recs = records(w);
      std::uint64_t offset = 0;
      for (unsigned s = 0; s < 20; ++s) {
        const PeakList& p = scans[s];
        EXPECT_EQ(recs[s].getScanOffset(), offset) << "scan " << s;
        EXPECT_EQ(recs[s].getPeaksInScan(), p.masses.size());
        EXPECT_EQ(recs[s].getTic(), std::accumulate(p.intensities.begin(), p.intensities.end(), 0.0f));
        const auto top = std::max_element(p.intensities.begin(), p.intensities.end()) - p.intensities.begin();
        EXPECT_EQ(recs[s].getBasePeakIntensity(), p.intensities[top]);
        EXPECT_EQ(recs[s].getBasePeakMass(), p.masses[top]);
        offset += getBytesPerScan(format, recs[s].getPeaksInScan());
      }
      EXPECT_EQ(readFile(dat()), packed(format, scans, 0, 19));
      EXPECT_EQ(fs::file_size(dat()), offset);
    }
}

TEST_F(FunctionDataWriteTest, EmptyScansTakeNoBytes) {
  std::vector<PeakList> scans = samplePeaks(3);
  scans[1] = PeakList{};
  FunctionWriter w(root(), FunctionShape(), 3);
  Batch b(scans);
  ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
  ASSERT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_OK);
  const auto recs = records(w);
  EXPECT_EQ(recs[1].getPeaksInScan(), 0u);
  EXPECT_EQ(recs[1].getTic(), 0.0f);
  EXPECT_EQ(recs[2].getScanOffset(), recs[1].getScanOffset());
  EXPECT_EQ(readFile(dat()), packed(9, scans, 0, 2));
}

TEST_F(FunctionDataWriteTest, ABatchMustFollowTheLastBufferedScan) {
  struct Case {
    unsigned buffered;  // scans 0..buffered-1 in the buffer
    unsigned start;
  } cases[] = {{10, 15}, {10, 9}, {10, 0}, {1, 5}, {1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.buffered << " buffered, start " << c.start);
    FunctionWriter w(root(), FunctionShape(), 20);
    Batch held(samplePeaks(c.buffered));
    ASSERT_EQ(held.give(w.data, 0), ZVRAW_OK);
    Batch late(samplePeaks(3, c.buffered));
    EXPECT_EQ(late.give(w.data, c.start), ZVRAW_SCANNUM_INVALID);
    EXPECT_NE(late.masses[0], nullptr);  // still the caller's
    unsigned start = 9, end = 9;
    w.data.getScanStart(start);
    w.data.getScanEnd(end);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, c.buffered - 1);
    EXPECT_EQ(loadedPeaks(w.data, 0).masses, samplePeaks(1)[0].masses);
    EXPECT_EQ(late.give(w.data, c.buffered), ZVRAW_OK);  // the next number is taken
  }
}

TEST_F(FunctionDataWriteTest, AnEmptyBatchChangesNothing) {
  FunctionWriter w(root(), FunctionShape(), 10);
  EXPECT_EQ(w.data.setScans(0, 0, nullptr, nullptr, nullptr, nullptr), ZVRAW_OK);
  const float* m = nullptr;
  const float* i = nullptr;
  unsigned n = 0, end = 7;
  EXPECT_EQ(w.data.getScan(0, &m, &i, n), ZVRAW_DATACLUSTER_NOTLOADED);
  w.data.getScanEnd(end);
  EXPECT_EQ(end, 0u);
  ASSERT_EQ(w.data.incrementScanBuffer(8), ZVRAW_OK);  // room, but no scan to write
  EXPECT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_NULLPOINTER_ERROR);
  Batch b(samplePeaks(4));
  ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
  EXPECT_EQ(w.data.setScans(4, 0, nullptr, nullptr, nullptr, nullptr), ZVRAW_OK);
  w.data.getScanEnd(end);
  EXPECT_EQ(end, 3u);
}

TEST_F(FunctionDataWriteTest, TakingScansLeavesTheCallerNoArrays) {
  FunctionWriter w(root(), FunctionShape(), 4);
  const std::vector<PeakList> scans = samplePeaks(4);
  Batch b(scans);
  ASSERT_EQ(w.data.incrementScanBuffer(2), ZVRAW_OK);  // room for part of the batch: it grows before taking any
  ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
  for (unsigned s = 0; s < 4; ++s) {
    EXPECT_EQ(b.masses[s], nullptr);
    EXPECT_EQ(b.intensities[s], nullptr);
    EXPECT_EQ(b.flags[s], nullptr);
    EXPECT_EQ(b.sizes[s], 0u);
    EXPECT_EQ(loadedPeaks(w.data, s).masses, scans[s].masses);
  }
  unsigned largest = 0;
  w.data.getMaxLoadedScanSize(largest);
  EXPECT_EQ(largest, 6u);
}

TEST_F(FunctionDataWriteTest, UpToATime) {
  const std::vector<PeakList> scans = samplePeaks(10);
  struct Case {
    float rt;
    bool flush;
    int rc;
    unsigned mark;
    bool released;
  } cases[] = {
      {-1.0f, false, ZVRAW_OK, 10, false},                   // negative: everything buffered
      {0.1f, false, ZVRAW_RETENTIONTIME_INVALID, 0, false},  // before the first scan
      {1.3f, false, ZVRAW_OK, 5, false},                     // nearest before 1.3 is scan 4 (1.25)
      {1.25f, false, ZVRAW_OK, 4, false},                    // at a scan's time: the one before it
      {0.1f, true, ZVRAW_OK, 10, true},                      // a flush writes everything
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rt " << c.rt << " flush " << c.flush);
    fs::remove(dat());
    FunctionWriter w(root(), FunctionShape(), 10);
    w.setTimes(0, sampleTimes(10));
    Batch b(scans);
    ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
    EXPECT_EQ(w.data.writeScans(root().c_str(), c.rt, c.flush), c.rc);
    EXPECT_EQ(mark(w.data), c.mark);
    EXPECT_EQ(fs::exists(dat()), c.mark > 0);
    if (c.mark > 0) {
      EXPECT_EQ(readFile(dat()), packed(9, scans, 0, c.mark - 1));
    }
    const float* m = nullptr;
    const float* i = nullptr;
    unsigned n = 0;
    EXPECT_EQ(w.data.getScan(0, &m, &i, n), c.released ? ZVRAW_DATACLUSTER_NOTLOADED : ZVRAW_OK);
  }
}

TEST_F(FunctionDataWriteTest, CountedAndRangePasses) {
  const std::vector<PeakList> scans = samplePeaks(10);
  FunctionWriter w(root(), FunctionShape(), 10);
  Batch b(scans);
  ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
  ASSERT_EQ(w.data.writeScans(root().c_str(), false, 4u), ZVRAW_OK);
  EXPECT_EQ(mark(w.data), 4u);
  ASSERT_EQ(w.data.writeScans(root().c_str(), false, 3u), ZVRAW_OK);  // scans 4, 5 and 6
  EXPECT_EQ(mark(w.data), 7u);
  EXPECT_EQ(records(w)[7].getPeaksInScan(), 0u);  // not filled yet
  EXPECT_EQ(readFile(dat()), packed(9, scans, 0, 6));

  // The range form ends at its end scan, never flushes, and ignores its start.
  ASSERT_EQ(w.data.writeScans(root().c_str(), 9u, 8u), ZVRAW_OK);
  EXPECT_EQ(mark(w.data), 9u);
  EXPECT_EQ(loadedPeaks(w.data, 0).masses, scans[0].masses);
  ASSERT_EQ(w.data.writeScans(root().c_str(), 0u, 50u), ZVRAW_OK);
  EXPECT_EQ(mark(w.data), 10u);
  EXPECT_EQ(readFile(dat()), packed(9, scans, 0, 9));

  // Flushing with nothing left to write still releases the buffer.
  ASSERT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_OK);
  const float* m = nullptr;
  const float* i = nullptr;
  unsigned n = 0;
  EXPECT_EQ(w.data.getScan(0, &m, &i, n), ZVRAW_DATACLUSTER_NOTLOADED);
  EXPECT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_NULLPOINTER_ERROR);
}

TEST_F(FunctionDataWriteTest, EveryRecordOfAPassMustBeIndexed) {
  FunctionWriter w(root(), FunctionShape(), 5);
  Batch b(samplePeaks(10));
  ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
  EXPECT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(w.data.writeScans(root().c_str(), -1.0f, false), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(mark(w.data), 0u);
  EXPECT_FALSE(fs::exists(dat()));
  ASSERT_EQ(w.data.writeScans(root().c_str(), 0u, 4u), ZVRAW_OK);  // what is indexed can go
  EXPECT_EQ(mark(w.data), 5u);
}

TEST_F(FunctionDataWriteTest, AFailedWriteKeepsItsScansAndIsRetriedInPlace) {
  const std::vector<PeakList> scans = samplePeaks(10);
  const Bytes expected = packed(9, scans, 0, 9);
  const std::size_t fourScans = packed(9, scans, 0, 3).size();
  FunctionWriter w(root(), FunctionShape(), 10);
  Batch b(scans);
  ASSERT_EQ(b.give(w.data, 0), ZVRAW_OK);
  {
    const FileSizeLimit limit(fourScans + 5);  // part of scan 4 would fit
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_SCANWRITE_ERROR);
  }
  EXPECT_EQ(mark(w.data), 4u);
  EXPECT_EQ(readFile(dat()), Bytes(expected.begin(), expected.begin() + fourScans));  // no partial scan
  ASSERT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_OK);                   // the flush had been held back
  EXPECT_EQ(readFile(dat()), expected);
  EXPECT_EQ(mark(w.data), 10u);
}

TEST_F(FunctionDataWriteTest, AScanThatWouldStartPastFourGiBIsRefused) {
  const std::vector<PeakList> scans = samplePeaks(8);
  FunctionWriter w(root(), FunctionShape(), 8);
  Batch first({scans.begin(), scans.begin() + 5});
  ASSERT_EQ(first.give(w.data, 0), ZVRAW_OK);
  ASSERT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_OK);
  // Scan 4 said to end at 4 GiB - 1: scan 5 starts at the last 32-bit offset, scan 6 after it.
  const auto bytes4 = static_cast<std::uint32_t>(getBytesPerScan(9, 3));  // scan 4 has 3 peaks
  ASSERT_EQ(w.indices.setScanOffset(0, 4, 0xFFFFFFFFu - bytes4), ZVRAW_OK);
  Batch second({scans.begin() + 5, scans.end()});
  ASSERT_EQ(second.give(w.data, 5), ZVRAW_OK);
  EXPECT_EQ(w.data.writeScans(root().c_str(), true, 0u), ZVRAW_SCANWRITE_ERROR);
  EXPECT_EQ(mark(w.data), 6u);
  EXPECT_EQ(records(w)[5].getScanOffset(), 0xFFFFFFFFu);
  EXPECT_EQ(fs::file_size(dat()), 0xFFFFFFFFull + getBytesPerScan(9, 4));  // sparse
  fs::remove(dat());
}

// Seeded spectra of every format the writer packs, with values a packer
// must saturate, in batches of several sizes: the file holds each scan as
// packed alone, and each record setStats' statistics, to the bit.
TEST_F(FunctionDataWriteTest, SeededSpectraWriteAsEachScanPackedAlone) {
  std::mt19937 rng(0xB17E5u);
  const float odd[] = {std::numeric_limits<float>::quiet_NaN(), -2.0f, -0.0f, 0.25f, 0x1p62f,
                       std::numeric_limits<float>::infinity()};
  std::vector<PeakList> scans(40);
  for (unsigned s = 0; s < scans.size(); ++s) {
    const unsigned n = s == 17 ? 140000 : s % 7 == 3 ? 0 : 1 + rng() % (s % 2 ? 40 : 1100);  // one beyond the stage
    PeakList& p = scans[s];
    for (unsigned k = 0; k < n; ++k) {
      const bool bad = rng() % 16 == 0;
      p.masses.push_back(bad ? odd[rng() % 6] : 50.0f + static_cast<float>(rng() % 2000000) / 1024.0f);
      p.intensities.push_back(bad ? odd[rng() % 6] : static_cast<float>(rng() % 5000) / 3.0f);
      p.flags.push_back(static_cast<char>(rng()));
      p.dMasses.push_back(static_cast<float>(rng() % 100) * 1e-6f);
      p.dIntensities.push_back(static_cast<float>(rng() % 100));
      p.accFlags.push_back(static_cast<char>(rng() % 16));
    }
  }
  const auto bits = [](float v) { return std::bit_cast<std::uint32_t>(v); };
  for (unsigned format : {0u, 8u, 9u, 12u, 13u}) {
    SCOPED_TRACE(testing::Message() << "format " << format);
    fs::remove(dat());
    FunctionWriter w(root(), FunctionShape(format), 40);
    unsigned start = 0;
    for (unsigned size : {13u, 1u, 26u}) {
      Batch b({scans.begin() + start, scans.begin() + start + size});
      ASSERT_EQ(b.give(w.data, start), ZVRAW_OK);
      ASSERT_EQ(w.data.writeScans(root().c_str(), start == 0, 0u), ZVRAW_OK);
      start += size;
    }
    const auto recs = records(w);
    for (unsigned s = 0; s < scans.size(); ++s) {
      ZVRawScan alone;
      fillScan(alone, scans[s]);
      if (!scans[s].masses.empty()) {
        ASSERT_EQ(alone.setStats(), ZVRAW_OK);
      }
      EXPECT_EQ(bits(recs[s].getTic()), bits(alone.getTIC())) << "scan " << s;
      EXPECT_EQ(bits(recs[s].getBasePeakIntensity()), bits(alone.getBPI())) << "scan " << s;
      EXPECT_EQ(bits(recs[s].getBasePeakMass()), bits(alone.getBPMass())) << "scan " << s;
    }
    EXPECT_EQ(readFile(dat()), packed(format, scans, 0, 39));
  }
}

}  // namespace
