// The write interface: directories laid down batch by batch and read back
// through the cluster and the read interface, passes that fail halfway,
// and calls that cannot be followed.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cluster/ClusterTestSupport.h"
#include "cluster/WriterTestSupport.h"
#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "formats/directory/ZVRawHeader.h"
#include "support/FileSizeLimit.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kPeaks = 8;
constexpr int kStatsRecordSize = 8;  // short @0, float @2, short @6

ExtendedStatsDescriptor statsLayout() {
  ExtendedStatsDescriptor d(3, kStatsRecordSize);
  d.addField({NEEDLE, 's'}, 0);
  d.addField({COLLISION_ENERGY, 'f'}, 2);
  d.addField({REFERENCE_SCAN, 's'}, 6);
  return d;
}

// The writer's records of scans first..first+count-1 of function f.
std::vector<unsigned char> statsRecords(unsigned f, unsigned first, unsigned count) {
  ByteBuilder b;
  for (unsigned s = first; s < first + count; ++s)
    b.i16(static_cast<std::int16_t>(3 * s - 150 + f)).f32(0.5f * s).i16(static_cast<std::int16_t>(s % 2));
  const Bytes bytes = b.take();
  return {bytes.begin(), bytes.end()};
}

// Sets the process-wide retention-time shift for one scope.
struct TimeShift {
  explicit TimeShift(float shift) { ZVRawWriteInterface::setTimeShift(shift); }
  ~TimeShift() { ZVRawWriteInterface::setTimeShift(0.0f); }
};

std::map<std::string, Bytes> filesOf(const fs::path& dir) {
  std::map<std::string, Bytes> out;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) out[e.path().filename().string()] = readFile(e.path());
  return out;
}

class WriteInterface : public ClusterTest {
 protected:
  // A writer on an empty cluster, prepared in raw() with the given functions
  // (format, extended index) and the statistics layout on each.
  struct Writer {
    explicit Writer(const std::string& path) : w(cluster) { EXPECT_EQ(w.prepareDataCluster(path.c_str(), 0), 0); }
    void define(unsigned f, unsigned format, bool extended) {
      ASSERT_EQ(w.setFunctionDescriptor(f, centroidDescriptor(format, extended, 0), false, true), ZVRAW_OK);
      ASSERT_EQ(w.setExtendedStatsDescriptor(f, statsLayout()), ZVRAW_OK);
    }
    int append(unsigned f, ScanBatch& b) {
      return w.appendScans(f, b.count(), b.masses.data(), b.intensities.data(), b.flags.data(), b.times.data(),
                           b.sizes.data());
    }
    // One batch of scans and statistics, each written at once (as a writer front does).
    void batch(unsigned f, unsigned format, bool extended, unsigned first, unsigned count) {
      ASSERT_EQ(w.setFunctionDescriptor(f, centroidDescriptor(format, extended, first + count)), ZVRAW_OK);
      ScanBatch b(f, first, count, kPeaks);
      ASSERT_EQ(append(f, b), ZVRAW_OK);
      ASSERT_EQ(w.writeScans(f, true, 0u), ZVRAW_OK);
      const auto records = statsRecords(f, first, count);
      ASSERT_EQ(w.appendStats(f, count, records.data()), ZVRAW_OK);
      ASSERT_EQ(w.writeExtendedStats(f, 0u), ZVRAW_OK);
    }
    void close() {
      ASSERT_EQ(w.writeFunctionDescriptors(), ZVRAW_OK);
      ASSERT_EQ(w.setHeaderValue("Sample Description", "written"), ZVRAW_OK);
      ASSERT_EQ(w.writeHeader(false), ZVRAW_OK);
    }
    ZVRawDataCluster cluster;
    ZVRawWriteInterface w;
  };
};

// Format 12 with 30-byte index records and format 9 with 22-byte ones, in
// batches of 100 with statistics, read back whole; then with a time shift.
TEST_F(WriteInterface, RoundTripThroughTheClusterAndTheReadInterface) {
  const unsigned formats[2] = {12, 9}, batches[2] = {3, 2};
  const bool extended[2] = {true, false};
  for (const float shift : {0.0f, 0.5f}) {
    SCOPED_TRACE(shift);
    const fs::path out = dir() / (shift == 0.0f ? "plain.raw" : "shifted.raw");
    {
      const TimeShift timeShift(shift);
      Writer writer(out.string());
      // Both functions first: the second must not disturb the first's format.
      for (unsigned f = 0; f < 2; ++f) writer.define(f, formats[f], extended[f]);
      for (unsigned b = 0; b < 3; ++b)
        for (unsigned f = 0; f < 2; ++f)
          if (b < batches[f]) writer.batch(f, formats[f], extended[f], b * 100, 100);
      writer.close();
    }
    EXPECT_EQ(fs::file_size(out / "_func001.idx"), 300u * 30);
    EXPECT_EQ(fs::file_size(out / "_func002.idx"), 200u * 22);

    ZVRawDataCluster reader(out.string().c_str(), true, 0, false);
    ASSERT_EQ(reader.getInitialiseResult(), ZVRAW_OK);
    ASSERT_EQ(reader.loadData(true, false), ZVRAW_OK);
    const ZVRawAccessInterface ai(reader);
    for (unsigned f = 0; f < 2; ++f) {
      const unsigned scans = batches[f] * 100;
      std::vector<float> tic(scans), times(scans), bpi(scans), bpiTimes(scans);
      ASSERT_EQ(ai.getTICChromatogram(f, tic.data(), times.data()), ZVRAW_OK);
      ASSERT_EQ(ai.getBPIChromatogram(f, bpi.data(), bpiTimes.data()), ZVRAW_OK);
      std::unique_ptr<const ZVRawExtStatsRecord*[]> records;
      ASSERT_EQ(ai.getExtendedStats(f, records), ZVRAW_OK);
      for (unsigned s = 0; s < scans; ++s) {
        SCOPED_TRACE(testing::Message() << "function " << f << " scan " << s);
        ASSERT_EQ(times[s], static_cast<float>(ScanBatch::timeOf(s)) + shift);
        const float* m = nullptr;
        const float* i = nullptr;
        unsigned n = 0;
        ASSERT_EQ(ai.getScan(f, s, &m, &i, n), ZVRAW_OK);
        ASSERT_EQ(n, kPeaks);
        float sum = 0, top = 0;
        for (unsigned p = 0; p < n; ++p) {
          ASSERT_EQ(m[p], fixtureMass(f, s, p));
          ASSERT_EQ(i[p], fixtureIntensity(f, s, p));
          sum += i[p];
          top = std::max(top, i[p]);
        }
        ASSERT_EQ(tic[s], sum);
        ASSERT_EQ(bpi[s], top);
        if (f == 0) {
          const char* flags = nullptr;
          ASSERT_EQ(ai.getScanFlags(f, s, &flags, n), ZVRAW_OK);
          for (unsigned p = 0; p < n; ++p) ASSERT_EQ(flags[p], static_cast<char>(p % 16));
        }
        ASSERT_EQ(records[s]->m_nNeedle, static_cast<short>(3 * s - 150 + f));
        ASSERT_EQ(records[s]->m_fCollisionEnergy, 0.5f * s);
        ASSERT_EQ(records[s]->m_nReferenceScan, static_cast<char>(s % 2));
      }
    }
  }
}

TEST_F(WriteInterface, ACountedPassIndexesOnlyTheScansItWrote) {
  Writer writer(rawPath());
  writer.define(0, 12, false);
  ScanBatch b(0, 0, 10, kPeaks);
  ASSERT_EQ(writer.append(0, b), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeScans(0u, false, 3u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.dat"), 3u * kPeaks * 8);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 3u * 22);
  ASSERT_EQ(writer.w.writeScans(0u, false, 3u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 6u * 22);
  // A flushing pass writes everything buffered, whatever the count.
  ASSERT_EQ(writer.w.writeScans(0u, true, 3u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.dat"), 10u * kPeaks * 8);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 10u * 22);
  EXPECT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_NULLPOINTER_ERROR);  // nothing left buffered
}

TEST_F(WriteInterface, APassThatFailsHalfwayLeavesEveryFileAsItWas) {
  // The reference: the same batches written with nothing in the way.
  const fs::path clean = dir() / "clean.raw";
  {
    Writer writer(clean.string());
    writer.define(0, 12, false);
    writer.batch(0, 12, false, 0, 10);
    writer.batch(0, 12, false, 10, 10);
  }
  Writer writer(rawPath());
  writer.define(0, 12, false);
  writer.batch(0, 12, false, 0, 10);
  const auto before = filesOf(raw());
  ASSERT_EQ(before.size(), 3u);

  // The data file may grow by one and a half scans: the second scan fails.
  ASSERT_EQ(writer.w.setFunctionDescriptor(0, centroidDescriptor(12, false, 20)), ZVRAW_OK);
  ScanBatch b(0, 10, 10, kPeaks);
  ASSERT_EQ(writer.append(0, b), ZVRAW_OK);
  {
    const FileSizeLimit limit(before.at("_func001.dat").size() + kPeaks * 8 * 3 / 2);
    ASSERT_TRUE(limit.ok());
    EXPECT_NE(writer.w.writeScans(0u, true, 0u), ZVRAW_OK);
  }
  EXPECT_EQ(filesOf(raw()), before);
  ASSERT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_OK);  // retried: the scans were kept

  // The statistics file may grow by three bytes: the first record fails.
  const auto records = statsRecords(0, 10, 10);
  ASSERT_EQ(writer.w.appendStats(0, 10, records.data()), ZVRAW_OK);
  const auto withScans = filesOf(raw());
  {
    const FileSizeLimit limit(withScans.at("_func001.sts").size() + 3);
    ASSERT_TRUE(limit.ok());
    EXPECT_NE(writer.w.writeExtendedStats(0u, 0u), ZVRAW_OK);
  }
  EXPECT_EQ(filesOf(raw()), withScans);
  ASSERT_EQ(writer.w.writeExtendedStats(0u, 0u), ZVRAW_OK);
  EXPECT_EQ(filesOf(raw()), filesOf(clean));
}

// Scans are written a block at a time; one larger than a block goes on its
// own between the others, and a failure inside it is undone too.
TEST_F(WriteInterface, AScanLargerThanAWriteBlock) {
  constexpr unsigned kLarge = 140000;  // 1.1 MB of format-12 packets
  Writer writer(rawPath());
  writer.define(0, 12, false);
  ScanBatch small(0, 0, 1, kPeaks), large(0, 1, 1, kLarge), after(0, 2, 2, kPeaks);
  const auto largeMass = [](unsigned p) { return 100.0f + 0.0125f * static_cast<float>(p); };  // inside 50-2000
  for (unsigned p = 0; p < kLarge; ++p) large.masses[0][p] = largeMass(p);
  ASSERT_EQ(writer.append(0, small), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_OK);
  const auto before = filesOf(raw());
  ASSERT_EQ(writer.append(0, large), ZVRAW_OK);
  ASSERT_EQ(writer.append(0, after), ZVRAW_OK);
  {
    const FileSizeLimit limit(kPeaks * 8 + kLarge * 4);
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_SCANWRITE_ERROR);
  }
  EXPECT_EQ(filesOf(raw()), before);
  ASSERT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_OK);
  ASSERT_EQ(writer.w.setFunctionDescriptor(0, centroidDescriptor(12, false, 4)), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeFunctionDescriptors(), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeHeader(false), ZVRAW_OK);

  ZVRawDataCluster reader(rawPath().c_str(), true, 1, false);
  ASSERT_EQ(reader.getState(), ZVRawDataCluster_LOADED);
  const ZVRawAccessInterface ai(reader);
  for (unsigned s = 0; s < 4; ++s) {
    const float* m = nullptr;
    const float* i = nullptr;
    unsigned n = 0;
    ASSERT_EQ(ai.getScan(0, s, &m, &i, n), ZVRAW_OK);
    ASSERT_EQ(n, s == 1 ? kLarge : kPeaks);
    for (unsigned p = 0; p < n; p += 997) {
      ASSERT_EQ(m[p], s == 1 ? largeMass(p) : fixtureMass(0, s, p)) << s << "/" << p;
      ASSERT_EQ(i[p], fixtureIntensity(0, s, p)) << s << "/" << p;
    }
  }
}

TEST_F(WriteInterface, ComponentNamesTakenByDirectories) {
  Writer writer(rawPath());
  writer.define(0, 12, false);
  writer.define(1, 9, false);
  writer.batch(0, 12, false, 0, 5);
  // Every spelling a component file is looked for under.
  for (const char* name : {"_func002.dat", "_FUNC002.DAT", "_func002.sts", "_FUNC002.STS"})
    fs::create_directory(raw() / name);
  const auto before = filesOf(raw());

  ScanBatch b(1, 0, 5, kPeaks);
  ASSERT_EQ(writer.append(1, b), ZVRAW_OK);
  EXPECT_EQ(writer.w.writeScans(1u, true, 0u), ZVRAW_FILEOPEN_ERROR);
  const auto records = statsRecords(1, 0, 5);
  ASSERT_EQ(writer.w.appendStats(1, 5, records.data()), ZVRAW_OK);
  EXPECT_EQ(writer.w.writeExtendedStats(1u, 0u), ZVRAW_STATSFILE_FILEWRITEOPEN_ERROR);
  EXPECT_EQ(filesOf(raw()), before);

  // Once the names are free the same batches go through.
  for (const char* name : {"_func002.dat", "_FUNC002.DAT", "_func002.sts", "_FUNC002.STS"}) fs::remove(raw() / name);
  ASSERT_EQ(writer.w.writeScans(1u, true, 0u), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeExtendedStats(1u, 0u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func002.idx"), 5u * 22);
  EXPECT_EQ(fs::file_size(raw() / "_func002.sts"), 32u + 3 * 48 + 5 * (2 + 4 + 1));  // short, float, char
}

// An index write that fails does not hide behind a later function's success.
TEST_F(WriteInterface, TimeFormsReturnTheFirstFailure) {
  Writer writer(rawPath());
  writer.define(0, 12, false);
  writer.define(1, 9, false);
  ScanBatch a(0, 0, 4, kPeaks), b(1, 0, 4, kPeaks);
  ASSERT_EQ(writer.append(0, a), ZVRAW_OK);
  ASSERT_EQ(writer.append(1, b), ZVRAW_OK);
  fs::create_directory(raw() / "_func001.idx");
  fs::create_directory(raw() / "_FUNC001.IDX");
  EXPECT_EQ(writer.w.writeScans(true, -1.0f), ZVRAW_FILEOPEN_ERROR);
  EXPECT_FALSE(fs::exists(raw() / "_func001.dat"));  // undone with its index
  EXPECT_EQ(fs::file_size(raw() / "_func002.idx"), 4u * 22);
  fs::remove(raw() / "_func001.idx");
  fs::remove(raw() / "_FUNC001.IDX");
  EXPECT_EQ(writer.w.flushScans(rawPath().c_str(), -1.0f), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 4u * 22);
}

// A function with nothing up to the time is passed over, also when it is the last.
TEST_F(WriteInterface, NothingUpToTheTimeLeavesAFunctionAlone) {
  Writer writer(rawPath());
  writer.define(0, 12, false);
  writer.define(1, 9, false);
  ScanBatch a(0, 0, 10, kPeaks), late(1, 0, 3, kPeaks);
  for (double& t : late.times) t += 10.0;
  ASSERT_EQ(writer.append(0, a), ZVRAW_OK);
  ASSERT_EQ(writer.append(1, late), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeScans(false, 0.555f), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 6u * 22);  // 0.50 .. 0.55
  EXPECT_FALSE(fs::exists(raw() / "_func002.dat"));
  EXPECT_FALSE(fs::exists(raw() / "_func002.idx"));
}

TEST_F(WriteInterface, FlushingOneFunctionUsesItsOwnRecordSize) {
  Writer writer(rawPath());
  writer.define(0, 12, true);
  ScanBatch b(0, 0, 7, kPeaks);
  ASSERT_EQ(writer.append(0, b), ZVRAW_OK);
  ASSERT_EQ(writer.w.flushScans(rawPath().c_str(), 0u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 7u * 30);
  EXPECT_EQ(writer.w.flushScans(rawPath().c_str(), 1u), ZVRAW_FUNCNUM_INVALID);
}

TEST_F(WriteInterface, PreparingAndDescribingFunctions) {
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  ASSERT_EQ(w.prepareDataCluster(rawPath().c_str(), 2), ZVRAW_OK);
  EXPECT_EQ(w.prepareDataCluster(rawPath().c_str(), 2), ZVRAW_ERROR);
  EXPECT_EQ(w.prepareDataCluster(rawPath().c_str(), 0), ZVRAW_OK);
  unsigned count = 0;
  ASSERT_EQ(cluster.getFunctionCount(count), ZVRAW_OK);
  ASSERT_EQ(count, 2u);

  // The next number adds a function, an existing one is replaced, a larger one is refused.
  ASSERT_EQ(w.setFunctionDescriptor(2, centroidDescriptor(12, false, 0)), ZVRAW_OK);
  ASSERT_EQ(cluster.getFunctionCount(count), ZVRAW_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(w.setFunctionDescriptor(4, centroidDescriptor(12, false, 0)), ZVRAW_FUNCNUM_INVALID);
  ASSERT_EQ(w.setFunctionDescriptor(2, centroidDescriptor(9, false, 0)), ZVRAW_OK);
  ASSERT_EQ(cluster.getFunctionCount(count), ZVRAW_OK);
  EXPECT_EQ(count, 3u);
  unsigned format = 0;
  ASSERT_EQ(cluster.getDataType(2, format), ZVRAW_OK);
  EXPECT_EQ(format, 9u);
  ASSERT_EQ(w.setFunctionDescriptor(3, centroidDescriptor(12, false, 0)), ZVRAW_OK);
  ASSERT_EQ(cluster.getDataType(2, format), ZVRAW_OK);
  EXPECT_EQ(format, 9u);  // adding a function keeps the others' formats

  // The calibration goes to the function named, whatever the item number.
  FunctionCalibration line;
  line.setCalibration(1.0, 2.0, 0);
  ASSERT_EQ(w.setHeaderValue(999, line, 1), ZVRAW_OK);
  ASSERT_EQ(w.writeHeader(false), ZVRAW_OK);
  ZVRawHeader header(4);
  ASSERT_EQ(header.readHeader(rawPath()), ZVRAW_OK);
  const FunctionCalibration* read = nullptr;
  ASSERT_EQ(header.getCalibration(1, read), ZVRAW_OK);
  EXPECT_EQ(*read, line);
}

// Without a stored directory, writes that take no path refuse rather than
// land in the root directory.
TEST_F(WriteInterface, PathlessWritesNeedAStoredDirectory) {
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w(cluster);
  ASSERT_EQ(w.prepareDataCluster(1), ZVRAW_OK);
  ASSERT_EQ(w.setFunctionDescriptor(0, centroidDescriptor(12, false, 0)), ZVRAW_OK);
  ScanBatch b(0, 0, 2, kPeaks);
  ASSERT_EQ(w.appendScans(0, 2, b.masses.data(), b.intensities.data(), b.flags.data(), b.times.data(), b.sizes.data()),
            ZVRAW_OK);
  EXPECT_EQ(w.writeHeader(false), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(w.writeFunctionDescriptors(), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(w.writeScans(0u, true, 0u), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(w.writeScans(true), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(w.writeScans(true, 1.0f), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(w.writeExtendedStats(0u, 0u), ZVRAW_FILENAME_ERROR);
  EXPECT_EQ(w.writeExtendedStats(1.0f), ZVRAW_FILENAME_ERROR);
  // The scans stay for a write that names the directory.
  ASSERT_EQ(w.writeScans(rawPath().c_str(), 0u, true, 0u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 2u * 22);
}

// Only the scans the function data took are indexed: a refused batch
// leaves no record behind its buffered predecessors.
TEST_F(WriteInterface, ARefusedBatchIsNotIndexed) {
  Writer writer(rawPath());
  writer.define(0, 12, false);
  ScanBatch b(0, 0, 2, kPeaks);
  ASSERT_EQ(writer.append(0, b), ZVRAW_OK);
  ScanBatch refused(0, 2, 2, kPeaks);
  refused.intensities[1].reset();  // peaks without intensities
  EXPECT_EQ(writer.append(0, refused), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_NE(refused.masses[0], nullptr);  // still the caller's
  ASSERT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 2u * 22);
  ScanBatch next(0, 2, 2, kPeaks);
  ASSERT_EQ(writer.append(0, next), ZVRAW_OK);  // numbered on from the scans taken
  ASSERT_EQ(writer.w.writeScans(0u, true, 0u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 4u * 22);
}

// An 's' field at offset 2 of a 4-byte record over three scans, and 300 for
// a one-byte member, through the statistics file and back.
TEST_F(WriteInterface, StatisticsSetterRules) {
  Writer writer(rawPath());
  ASSERT_EQ(writer.w.setFunctionDescriptor(0, centroidDescriptor(12, false, 3)), ZVRAW_OK);
  ExtendedStatsDescriptor layout(1, 4);
  layout.addField({REFERENCE_SCAN, 's'}, 2);
  ASSERT_EQ(writer.w.setExtendedStatsDescriptor(0, layout), ZVRAW_OK);
  const Bytes bytes = ByteBuilder().i16(-1).i16(300).i16(-1).i16(1).i16(-1).i16(-2).take();
  const std::vector<unsigned char> records(bytes.begin(), bytes.end());
  ASSERT_EQ(writer.w.appendStats(0, 3, records.data()), ZVRAW_OK);
  ASSERT_EQ(writer.w.writeExtendedStats(rawPath().c_str(), 0u), ZVRAW_OK);
  // Leader: header 80, version 1, record 1 byte, one field; then the three records.
  const Bytes sts = readFile(raw() / "_func001.sts");
  ASSERT_EQ(sts.size(), 80u + 3);
  EXPECT_EQ(Bytes(sts.begin(), sts.begin() + 8), ByteBuilder().u16(80).u16(1).u16(1).u16(1).take());
  EXPECT_EQ(Bytes(sts.begin() + 32, sts.begin() + 38), ByteBuilder().u16(100).u16(0).u16(0).take());
  EXPECT_EQ(Bytes(sts.end() - 3, sts.end()), (Bytes{44, 1, 0xFE}));
  // Its layout is final now: a new id is refused, the old one still taken.
  ExtendedStatsDescriptor wider(2, 4);
  wider.addField({REFERENCE_SCAN, 's'}, 0);
  wider.addField({NEEDLE, 's'}, 2);
  EXPECT_EQ(writer.w.setExtendedStatsDescriptor(0, wider), ZVRAW_SCANSTATS_FIELD_INVALID);
}

// Calls that cannot be followed answer with codes and change no file.
TEST_F(WriteInterface, HostileCallsChangeNothing) {
  Writer writer(rawPath());
  writer.define(0, 12, false);
  writer.batch(0, 12, false, 0, 5);
  writer.close();
  const auto before = filesOf(raw());
  ZVRawWriteInterface& w = writer.w;
  const std::string path = rawPath();
  const char* p = path.c_str();
  ScanBatch b(0, 5, 2, kPeaks);
  std::vector<std::unique_ptr<float[]>> holes(2);
  const auto records = statsRecords(0, 5, 2);
  ExtendedStatsDescriptor badOffset(1, 4), badId(1, 4), badLetter(1, 4), unfinished(2, 4);
  badOffset.addField({NEEDLE, 's'}, 3);
  badId.addField({QUAD_START_MASS, 'f'}, 0);
  badLetter.addField({NEEDLE, 'x'}, 0);
  unfinished.addField({NEEDLE, 's'}, 0);
  float* m = nullptr;
  float* i = nullptr;
  unsigned n = 0;
  struct Row {
    const char* what;
    std::function<int()> call;
    int rc;
  };
  const std::vector<Row> rows = {
      {"prepare null", [&] { return w.prepareDataCluster(nullptr, 0); }, ZVRAW_NULLPOINTER_ERROR},
      {"prepare empty", [&] { return w.prepareDataCluster("", 0); }, ZVRAW_FILENAME_EMPTY},
      {"prepare again", [&] { return w.prepareDataCluster(p, 3); }, ZVRAW_ERROR},
      {"header null path", [&] { return w.writeHeader(nullptr, false); }, ZVRAW_FILENAME_ERROR},
      {"header empty path", [&] { return w.writeHeader("", false); }, ZVRAW_FILENAME_ERROR},
      {"descriptors null path", [&] { return w.writeFunctionDescriptors(nullptr); }, ZVRAW_FILENAME_ERROR},
      {"descriptor past the next", [&] { return w.setFunctionDescriptor(2, centroidDescriptor(12, false, 0)); },
       ZVRAW_FUNCNUM_INVALID},
      {"scans of function 1",
       [&] {
         return w.appendScans(1, 2, b.masses.data(), b.intensities.data(), nullptr, b.times.data(), b.sizes.data());
       },
       ZVRAW_FUNCNUM_INVALID},
      {"no scans", [&] { return w.appendScans(0, 0, nullptr, nullptr, nullptr, nullptr, nullptr); }, ZVRAW_OK},
      {"null masses",
       [&] { return w.appendScans(0, 2, nullptr, b.intensities.data(), nullptr, b.times.data(), b.sizes.data()); },
       ZVRAW_NULLPOINTER_ERROR},
      {"null times",
       [&] { return w.appendScans(0, 2, b.masses.data(), b.intensities.data(), nullptr, nullptr, b.sizes.data()); },
       ZVRAW_NULLPOINTER_ERROR},
      {"null sizes",
       [&] { return w.appendScans(0, 2, b.masses.data(), b.intensities.data(), nullptr, b.times.data(), nullptr); },
       ZVRAW_NULLPOINTER_ERROR},
      {"a scan without arrays",
       [&] { return w.appendScans(0, 2, holes.data(), holes.data(), nullptr, b.times.data(), b.sizes.data()); },
       ZVRAW_NULLPOINTER_ERROR},
      {"write null path", [&] { return w.writeScans(nullptr, 0u, true, 0u); }, ZVRAW_FILENAME_ERROR},
      {"write empty path", [&] { return w.writeScans("", 0u, true, 0u); }, ZVRAW_FILENAME_ERROR},
      {"write function 1", [&] { return w.writeScans(p, 1u, true, 0u); }, ZVRAW_FUNCNUM_INVALID},
      {"write nothing buffered", [&] { return w.writeScans(0u, true, 0u); }, ZVRAW_NULLPOINTER_ERROR},
      {"range nothing buffered", [&] { return w.writeScans(p, 0u, 0u, 4u); }, ZVRAW_NULLPOINTER_ERROR},
      {"flush null path", [&] { return w.flushScans(nullptr, 0u); }, ZVRAW_FILENAME_ERROR},
      {"flush function 1", [&] { return w.flushScans(p, 1u); }, ZVRAW_FUNCNUM_INVALID},
      {"buffer of function 1", [&] { return w.incrementScanBuffer(1, 5); }, ZVRAW_FUNCNUM_INVALID},
      {"stats buffer of function 1", [&] { return w.incrementStatsScanBuffer(1, 5); }, ZVRAW_FUNCNUM_INVALID},
      {"stats null path", [&] { return w.writeExtendedStats(nullptr, 0u); }, ZVRAW_FILENAME_ERROR},
      {"stats without layout", [&] { return w.writeExtendedStats(p, 1u); }, ZVRAW_EXTENDEDSTATS_NOTSET},
      {"stats of function 5", [&] { return w.writeExtendedStats(5u, 0u); }, ZVRAW_FUNCNUM_INVALID},
      {"layout of function 1", [&] { return w.setExtendedStatsDescriptor(1, statsLayout()); }, ZVRAW_FUNCNUM_INVALID},
      {"layout bad offset", [&] { return w.setExtendedStatsDescriptor(0, badOffset); }, ZVRAW_SCANSTATS_FIELD_INVALID},
      {"layout bad id", [&] { return w.setExtendedStatsDescriptor(0, badId); }, ZVRAW_SCANSTATS_FIELD_INVALID},
      {"layout bad letter", [&] { return w.setExtendedStatsDescriptor(0, badLetter); }, ZVRAW_SCANSTATS_FIELD_INVALID},
      {"layout unfinished", [&] { return w.setExtendedStatsDescriptor(0, unfinished); }, ZVRAW_SCANSTATS_FIELD_INVALID},
      {"stats of function 1", [&] { return w.appendStats(1, 2, records.data()); }, ZVRAW_FUNCNUM_INVALID},
      {"stats null records", [&] { return w.appendStats(0, 2, nullptr); }, ZVRAW_NULLPOINTER_ERROR},
      {"no stats", [&] { return w.appendStats(0, 0, nullptr); }, ZVRAW_OK},
      {"scan of a writer", [&] { return w.getScan(0, 0, &m, &i, n); }, ZVRAW_DATACLUSTER_NOTLOADED},
  };
  for (const Row& r : rows) EXPECT_EQ(r.call(), r.rc) << r.what;
  EXPECT_EQ(filesOf(raw()), before);
  // Nothing was taken: the next batch still starts at scan 5.
  ASSERT_EQ(writer.append(0, b), ZVRAW_OK);
  ASSERT_EQ(w.writeScans(0u, true, 0u), ZVRAW_OK);
  EXPECT_EQ(fs::file_size(raw() / "_func001.idx"), 7u * 22);
}

}  // namespace
