#include <gtest/gtest.h>

#include <memory>

#include "formats/statistics/ZVRawExtendedStats.h"
#include "support/FunctionDataRig.h"
#include "support/IndexRecords.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

using borealtek_zvraw_version_1::ExtendedStatsRecord;
using borealtek_zvraw_version_1::ScanStatsRecord;
using borealtek_zvraw_version_1::ZVRawExtendedStats;
using borealtek_zvraw_version_1::ZVRawExtStatsRecord;

constexpr float kNoCut = 0.0f, kNoHighCut = -1.0f;

class FunctionDataQueriesTest : public TempDirTest {
 protected:
  [[nodiscard]] std::string root() const { return dir().string(); }
};

TEST_F(FunctionDataQueriesTest, MassChromatogramsOverLoadedScans) {
  const std::vector<PeakList> scans = samplePeaks(12);
  writeFunction(root(), FunctionShape(), scans);
  FunctionReader r(root());
  ASSERT_EQ(r.data.loadData(3u, 9u, 0u, false, false, kNoCut, kNoHighCut), ZVRAW_OK);
  // Peak 1 of every scan lies at 125 + s / 4: a window of 0.2 around it holds that peak alone.
  const auto peak1 = [&](unsigned s) { return scans[s].masses[1]; };

  std::vector<float> in(3), t(3);
  ASSERT_EQ(r.data.getMassChromatogram(5u, 7u, peak1(6), 0.2f, &r.indices, in.data(), t.data(), false), ZVRAW_OK);
  EXPECT_EQ(in, (std::vector<float>{0, scans[6].intensities[1], 0}));
  EXPECT_EQ(t, (std::vector<float>{1.5f, 1.75f, 2.0f}));
  ASSERT_EQ(r.data.getMassChromatogram(5u, 7u, 124.0f, 130.0f, 0.0f, &r.indices, in.data(), nullptr, false), ZVRAW_OK);
  EXPECT_EQ(in, (std::vector<float>{scans[5].intensities[1], scans[6].intensities[1], scans[7].intensities[1]}));

  struct Range {
    unsigned first, last;
  } outside[] = {{2, 7}, {8, 10}, {7, 5}, {0, 0}};
  for (const Range& o : outside)
    EXPECT_EQ(r.data.getMassChromatogram(o.first, o.last, 125.0f, 0.2f, &r.indices, in.data(), nullptr, false),
              ZVRAW_SCANRANGE_INVALID);
  EXPECT_EQ(r.data.getMassChromatogram(5u, 7u, 125.0f, 0.2f, &r.indices, nullptr, nullptr, false),
            ZVRAW_NULLPOINTER_ERROR);

  std::vector<float> all(7), times(7);  // one value per loaded scan, exact size
  ASSERT_EQ(r.data.getMassChromatogram(peak1(4), 0.2f, &r.indices, all.data(), times.data(), false), ZVRAW_OK);
  EXPECT_EQ(all[1], scans[4].intensities[1]);
  EXPECT_EQ(all[0] + all[2] + all[6], 0.0f);
  EXPECT_EQ(times[6], 2.5f);
  EXPECT_EQ(r.data.getMassChromatogram(125.0f, 0.2f, &r.indices, nullptr, nullptr, false), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(r.data.getMassChromatogram(125.0f, 0.2f, &r.indices, all.data(), nullptr, true), ZVRAW_SCANREAD_ERROR);
}

TEST_F(FunctionDataQueriesTest, DaughterMassesAndMRMChromatograms) {
  // An MRM function: one peak per segment at the segment's start, its end as the daughter mass.
  const FunctionShape mrm(2, 9, {{300, 301}, {100, 101}, {200, 201}});
  std::vector<PeakList> scans(4);
  for (unsigned s = 0; s < 4; ++s) scans[s].intensities = {8.0f * (s + 1), 16.0f, 24.0f};
  scans[3].intensities.pop_back();  // a scan without the third transition
  // The writer has no packer for format 2: the packets (intensity words, mantissa x 4^0) are laid down by hand.
  ByteBuilder dat;
  std::vector<IndexRecordFields> records;
  for (unsigned s = 0; s < 4; ++s) {
    records.push_back({.offset = static_cast<std::uint32_t>(dat.size()),
                       .peaks = static_cast<std::uint32_t>(scans[s].intensities.size()),
                       .rt = 0.25f * (s + 1)});
    for (float v : scans[s].intensities) dat.u16(intensityWord(static_cast<unsigned>(v), 0));
  }
  writeFunction(root(), mrm, {});
  writeFile(dir() / "_func001.dat", dat.take());
  writeFile(dir() / "_func001.idx", indexFileBytes(records, false));
  FunctionReader r(root());
  ASSERT_EQ(r.data.loadData(0u, true, false, kNoCut, kNoHighCut), ZVRAW_OK);

  const float* daughters = nullptr;
  unsigned n = 0;
  ASSERT_EQ(r.data.getDaughterMasses(1, &daughters, n), ZVRAW_OK);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(std::vector<float>(daughters, daughters + 3), (std::vector<float>{101, 201, 301}));
  std::vector<float> in(4), t(4);
  ASSERT_EQ(r.data.getMRMChromatogram(0, &r.indices, in.data(), t.data()), ZVRAW_OK);
  EXPECT_EQ(in, (std::vector<float>{16, 16, 16, 16}));  // segment 1 (mass 100) sorts first
  ASSERT_EQ(r.data.getMRMChromatogram(2, &r.indices, in.data(), t.data()), ZVRAW_OK);
  EXPECT_EQ(in, (std::vector<float>{8, 16, 24, 0}));  // scan 3 lacks its third peak
  EXPECT_EQ(t, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));
  ASSERT_EQ(r.data.getMRMChromatogram(7, &r.indices, in.data(), nullptr), ZVRAW_OK);
  EXPECT_EQ(in, (std::vector<float>(4, 0.0f)));
  std::vector<float> sums(4);
  ASSERT_EQ(r.data.getMassChromatogram(301.0f, 0.5f, &r.indices, sums.data(), nullptr, true), ZVRAW_OK);
  EXPECT_EQ(sums, (std::vector<float>{8, 16, 24, 32}));

  // A plain function has neither.
  writeFunction(root(), FunctionShape(), samplePeaks(4));
  FunctionReader plain(root());
  ASSERT_EQ(plain.data.loadData(0u, true, false, kNoCut, kNoHighCut), ZVRAW_OK);
  EXPECT_EQ(plain.data.getDaughterMasses(1, &daughters, n), ZVRAW_FUNCTIONTYPE_INVALID);
  EXPECT_EQ(plain.data.getMRMChromatogram(0, &plain.indices, in.data(), nullptr), ZVRAW_FUNCTIONTYPE_INVALID);
}

TEST_F(FunctionDataQueriesTest, LoadedScanReadersCheckTheirRange) {
  writeFunction(root(), FunctionShape(), samplePeaks(12));
  FunctionReader r(root());
  const float* m = nullptr;
  const float* i = nullptr;
  const char* flags = nullptr;
  unsigned n = 0;
  bool error = true;
  std::vector<float> mm(6), ii(6);
  const auto all = [&](unsigned s) {
    return std::vector<int>{r.data.getScan(s, &m, &i, n),
                            r.data.getScan(s, &m, &i, &m, &i, n),
                            r.data.getScan(s, mm.data(), ii.data()),
                            r.data.getScanFlags(s, &flags, n),
                            r.data.getAccMassScanFlags(s, &flags, n),
                            r.data.errorScan(s, error)};
  };
  EXPECT_EQ(all(4), std::vector<int>(6, ZVRAW_DATACLUSTER_NOTLOADED));
  ASSERT_EQ(r.data.loadData(3u, 9u, 0u, false, false, kNoCut, kNoHighCut), ZVRAW_OK);
  EXPECT_EQ(all(2), std::vector<int>(6, ZVRAW_SCANNUM_INVALID));
  EXPECT_EQ(all(10), std::vector<int>(6, ZVRAW_SCANNUM_INVALID));
  // Format 9 carries no flags.
  EXPECT_EQ(all(9), (std::vector<int>{0, 0, 0, ZVRAW_SCANFLAGS_UNSUPPORTED, ZVRAW_SCANFLAGS_UNSUPPORTED, 0}));
  EXPECT_FALSE(error);
}

TEST_F(FunctionDataQueriesTest, PeakCountsAndSummariesComeFromTheIndex) {
  const std::vector<PeakList> scans = samplePeaks(6);
  writeFunction(root(), FunctionShape(), scans);
  FunctionReader r(root());
  unsigned size = 0;
  EXPECT_EQ(r.data.getMaxScanSize(1u, 3u, size), ZVRAW_OK);
  EXPECT_EQ(size, 6u);  // scans 1-3 hold 4, 5 and 6 peaks
  EXPECT_EQ(r.data.getMaxScanSize(4u, 6u, size), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(r.data.getMaxScanSize(size), ZVRAW_OK);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(r.data.getScanSize(4, size), ZVRAW_OK);
  EXPECT_EQ(size, 3u);

  std::vector<ScanStatsRecord> stats(6);
  ASSERT_EQ(r.data.getStats(5, stats.data()), ZVRAW_OK);  // always this object's function
  std::uint32_t offset = 0;
  for (unsigned s = 0; s < 6; ++s) {
    EXPECT_EQ(stats[s].ScanOffset, offset);
    EXPECT_EQ(stats[s].PeaksInScan, scans[s].masses.size());
    EXPECT_EQ(stats[s].Rt, 0.25f * (s + 1));
    EXPECT_EQ(stats[s].SegmentNumber, 1u);
    float tic = 0, bpm = 0;
    ASSERT_EQ(r.indices.getScanTIC(0, s, tic), ZVRAW_OK);
    ASSERT_EQ(r.indices.getScanBPM(0, s, bpm), ZVRAW_OK);
    EXPECT_EQ(stats[s].Tic, tic);
    EXPECT_EQ(stats[s].BasePeakMass, bpm);
    offset += static_cast<std::uint32_t>(scans[s].masses.size() * 6);
  }
  EXPECT_EQ(r.data.getStats(0, nullptr), ZVRAW_NULLPOINTER_ERROR);
  ZVRawFunctionScanIndices none(1);
  r.data.setExternalObjects(&r.descriptors, &none, nullptr);
  EXPECT_EQ(r.data.getStats(0, stats.data()), ZVRAW_ERROR);  // no record array
  r.data.setExternalObjects(&r.descriptors, nullptr, nullptr);
  EXPECT_EQ(r.data.getStats(0, stats.data()), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(r.data.getScanSize(0, size), ZVRAW_NULLPOINTER_ERROR);
}

TEST_F(FunctionDataQueriesTest, ExtendedStatisticsViews) {
  writeFunction(root(), FunctionShape(), samplePeaks(5));
  FunctionReader r(root());
  std::unique_ptr<const ZVRawExtStatsRecord*[]> records;
  std::vector<unsigned> ids{99};
  EXPECT_EQ(r.data.getExtendedStats(0, records), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(r.data.getAvailableExtendedStatsFields(0, ids), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_TRUE(ids.empty());

  {
    ZVRawExtendedStats w(1, &r.indices);
    for (unsigned id : {56u, 102u}) ASSERT_EQ(w.addField(0, id), ZVRAW_OK);
    ASSERT_EQ(w.incrementStatsScanBuffer(0, 5), ZVRAW_OK);
    for (unsigned s = 0; s < 5; ++s) w.getStatsRecord(0, s)->m_nSourceTemperature = static_cast<short>(100 + s);
    ASSERT_EQ(w.writeExtendedStats(root(), 0u), ZVRAW_OK);
  }
  ZVRawExtendedStats stats(1, &r.indices);
  ASSERT_EQ(stats.readStats(root()), ZVRAW_OK);
  r.data.setExternalObjects(&r.descriptors, &r.indices, &stats);

  ASSERT_EQ(r.data.getExtendedStats(0, records), ZVRAW_OK);
  ASSERT_NE(records, nullptr);
  for (unsigned s = 0; s < 5; ++s) EXPECT_EQ(records[s]->m_nSourceTemperature, 100 + s);
  ASSERT_EQ(r.data.getAvailableExtendedStatsFields(0, ids), ZVRAW_OK);
  EXPECT_EQ(ids, (std::vector<unsigned>{56, 102}));
  std::unique_ptr<ExtendedStatsRecord[]> fields;
  int count = 0;
  ASSERT_EQ(r.data.getExtendedStatsFields(0, fields, count), ZVRAW_OK);
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(fields[0].Name, "Source Temperature");

  // A function whose statistics hold fewer records than this function's scans: the first missing one fails.
  EXPECT_EQ(r.data.getExtendedStats(7, records), ZVRAW_ERROR);
  EXPECT_EQ(records, nullptr);
  // One that holds more: only this function's five entries are filled.
  ZVRawExtendedStats wide(2);
  ASSERT_EQ(wide.incrementStatsScanBuffer(1, 50), ZVRAW_OK);
  r.data.setExternalObjects(&r.descriptors, &r.indices, &wide);
  ASSERT_EQ(r.data.getExtendedStats(1, records), ZVRAW_OK);
  EXPECT_EQ(records[4], wide.getStatsRecord(1, 4));
}

}  // namespace
