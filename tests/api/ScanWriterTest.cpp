// The scan writer: batches of 100, the mass grid, point flags, directories
// read back through the C readers, injected write failures and hostile calls.

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "api/ZorvalenRawScanWriterImp.h"
#include "cluster/WriterTestSupport.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "formats/statistics/StatsTable.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace Vardex::Lib::ZorvalenRaw;
using borealtek_zvraw_version_1::ZVRawDataCluster;
using borealtek_zvraw_version_1::ZVRawWriteInterface;
using Keys = std::vector<std::pair<FunctionDefinition, std::string>>;
using Item = ZorvalenScanItem;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

std::unique_ptr<FunctionDescriptor> definition(const Keys& keys) {
  auto d = std::make_unique<FunctionDescriptor>();
  Parameters p;
  for (const auto& [k, text] : keys) p.SetValue(static_cast<int>(k), text);
  EXPECT_EQ(d->SetParameters(p), ZVRAW_OK);
  return d;
}

// A prepared directory with its header, and the scan writer on it.
struct Rig {
  explicit Rig(const fs::path& dir) : raw(dir), w(cluster), writer(&w) {
    EXPECT_EQ(w.prepareDataCluster(raw.string().c_str(), 0), ZVRAW_OK);
    EXPECT_EQ(w.writeHeader(false), ZVRAW_OK);
  }
  int function(int fn, const Keys& keys = {}) { return writer.AppendFunction(fn, *definition(keys)); }
  // Scans first.. of the fixture's function f (peaks points each), at 0.5 + s / 100 minutes.
  int scans(unsigned f, unsigned first, unsigned count, unsigned peaks = 6, const Parameters* values = nullptr) {
    const ScanBatch b(f, first, count, peaks);
    for (unsigned k = 0; k < count; ++k) {
      const auto rt = static_cast<float>(ScanBatch::timeOf(first + k));
      const int n = static_cast<int>(peaks);
      const float* m = b.masses[k].get();
      const float* y = b.intensities[k].get();
      const int rc = values ? writer.AddScan(m, y, n, *values, rt) : writer.AddScan(m, y, n, rt);
      if (rc != ZVRAW_OK) return rc;
    }
    return ZVRAW_OK;
  }
  [[nodiscard]] std::uintmax_t size(const std::string& name) const {
    return fs::exists(raw / name) ? fs::file_size(raw / name) : 0;
  }
  // The scan count of _functns.inf's record f, and the records of _funcNNN.idx and .sts.
  [[nodiscard]] unsigned descriptorScans(unsigned f) const {
    const Bytes b = fs::is_regular_file(raw / "_functns.inf") ? readFile(raw / "_functns.inf") : Bytes{};
    std::uint32_t n = 0;
    if (b.size() >= 416 * (f + 1)) std::memcpy(&n, b.data() + 416 * f + 18, 4);
    return n;
  }
  [[nodiscard]] unsigned indexedScans(unsigned f) const {
    return static_cast<unsigned>(size("_func00" + std::to_string(f + 1) + ".idx") / 30);
  }
  [[nodiscard]] unsigned records(unsigned f) const {
    const fs::path sts = raw / ("_func00" + std::to_string(f + 1) + ".sts");
    if (!fs::is_regular_file(sts)) return 0;
    const Bytes b = readFile(sts);
    ByteCursor in(b);
    StatsTableLeader l;
    if (!decodeStatsLeader(in, l) || l.recordSize == 0 || b.size() < l.headerSize) return 0;
    return static_cast<unsigned>((b.size() - l.headerSize) / l.recordSize);
  }

  fs::path raw;
  ZVRawDataCluster cluster;
  ZVRawWriteInterface w;
  ZorvalenRawScanWriterImp writer;
};

// A C reader on a directory, released at the end of the scope.
struct Reader {
  explicit Reader(const fs::path& raw, ZorvalenBaseType kind = ZorvalenBaseType::SCAN) {
    rc = createRawReaderFromPath(raw.string().c_str(), &r, kind);
  }
  ~Reader() { (void)destroyRawReader(r); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  // The item's text of a scan, as a number.
  [[nodiscard]] float item(int f, int s, Item i) const {
    CZorvalenParameters p = nullptr;
    EXPECT_EQ(createParameters(&p), ZVRAW_OK);
    char* text = nullptr;
    EXPECT_EQ(getScanItemValue(r, f, s, &i, 1, p), ZVRAW_OK);
    EXPECT_EQ(getParameterValue(p, static_cast<int>(i), &text), ZVRAW_OK);
    const float v = text != nullptr ? std::strtof(text, nullptr) : kNaN;
    (void)destroyParameters(p);
    return v;
  }
  CZorvalenBaseReader r = nullptr;
  int rc = 0;
};

class ScanWriter : public TempDirTest {};

TEST_F(ScanWriter, WritesInBatchesOf100AndAtEveryForcedFlush) {
  Rig rig(dir() / "a.raw");
  ASSERT_EQ(rig.function(0), ZVRAW_OK);
  ASSERT_EQ(rig.scans(0, 0, 99), ZVRAW_OK);
  EXPECT_EQ(rig.writer.GetNumberOfScans(), 99);
  EXPECT_FALSE(fs::exists(rig.raw / "_func001.idx") || fs::exists(rig.raw / "_func001.dat"));
  ASSERT_EQ(rig.scans(0, 99, 1), ZVRAW_OK);
  EXPECT_EQ(rig.writer.GetNumberOfScans(), 0);
  EXPECT_EQ(rig.size("_func001.idx"), 3000u);
  EXPECT_EQ(rig.descriptorScans(0), 100u);

  const std::pair<const char*, std::function<int(Rig&)>> triggers[] = {
      {"next function", [](Rig& r) { return r.function(1); }},
      {"Flush", [](Rig& r) { return r.writer.Flush(); }},
      {"Close", [](Rig& r) { return r.writer.Close(); }}};
  for (const auto& [what, trigger] : triggers) {
    Rig r(dir() / what);
    ASSERT_EQ(r.function(0), ZVRAW_OK);
    ASSERT_EQ(r.scans(0, 0, 5), ZVRAW_OK);
    EXPECT_EQ(r.size("_func001.idx"), 0u) << what;
    EXPECT_EQ(trigger(r), ZVRAW_OK) << what;
    EXPECT_EQ(r.size("_func001.idx"), 150u) << what;
    EXPECT_EQ(r.descriptorScans(0), 5u) << what;
  }
}

// Continuum scans of a function with a grid are the grid's rebinning of the
// input with the inner zeros of each run dropped; every other function
// writes the input as it is.
TEST_F(ScanWriter, GridResamplesOnlyContinuumScansOfAValidGrid) {
  using K = FunctionDefinition;
  // ttm = 5184 / (5184 x 1^2) = 1: grid masses 100, 121, ... 400.
  const Keys grid = {
      {K::STARTMASS, "100"}, {K::ENDMASS, "400"}, {K::LTEFF, "1"}, {K::VEFF, "5184"}, {K::SAMPLINGFREQUENCY, "1"}};
  Keys noEnd = grid, centroid = grid, noLteff = grid;
  noEnd.erase(noEnd.begin() + 1);
  centroid.emplace_back(K::CONTINUUM, "0");
  noLteff.erase(noLteff.begin() + 2);  // an infinite time-to-mass factor
  const std::vector<float> masses{130.5f, 144.0f, 290.0f}, intensities{10, 7, 3};
  const struct {
    const char* what;
    Keys keys;
    bool resampled;
  } cases[] = {{"grid", grid, true},
               {"no ENDMASS", noEnd, false},
               {"centroid", centroid, false},
               {"VEFF without LTEFF", noLteff, false}};
  for (const auto& c : cases) {
    std::vector<float> m = masses, y = intensities;
    if (c.resampled) {
      ScanManager g(1, 5184, 1, 100, 400);
      g.Resample(masses.data(), intensities.data(), 3);
      g.ZeroGuard(m, y);
    }
    Rig rig(dir() / c.what);
    ASSERT_EQ(rig.function(0, c.keys), ZVRAW_OK) << c.what;
    ASSERT_EQ(rig.writer.AddScan(masses.data(), intensities.data(), 3, 1.5f), ZVRAW_OK) << c.what;
    ASSERT_EQ(rig.writer.Close(), ZVRAW_OK);
    Reader rd(rig.raw);
    ASSERT_EQ(rd.rc, ZVRAW_OK) << c.what;
    float *rm = nullptr, *ry = nullptr;
    int n = 0;
    ASSERT_EQ(readScan(rd.r, 0, 0, &rm, &ry, &n), ZVRAW_OK) << c.what;
    ASSERT_EQ(static_cast<std::size_t>(n), m.size()) << c.what;
    for (std::size_t k = 0; k < m.size(); ++k) {
      EXPECT_FLOAT_EQ(rm[k], m[k]) << c.what << k;
      EXPECT_NEAR(ry[k], y[k], 1e-5f * y[k]) << c.what << k;  // 22-bit intensity mantissa
    }
  }
}

// Descriptor form, data format 13: negative sigmas flag their points, the
// base peak in the lock-mass window of the reference function gets bit 1,
// and a spectrum without sigmas stores zero sigmas and flags.
TEST_F(ScanWriter, FlagsOfAnAccurateMassReferenceFunction) {
  Rig rig(dir() / "flags.raw");
  auto record = centroidDescriptor(13, true, 0);
  record.lumaventFunction() = true;
  ASSERT_EQ(rig.writer.AppendFunction(0, record, true), ZVRAW_OK);
  rig.writer.SetLockMass(500.0f, 1.0f);
  const float m[] = {499.25f, 499.5f, 500.25f, 501.5f}, y[] = {10, 40, 30, 90};
  const float dm[] = {0.1f, -0.1f, 0.1f, 0.1f}, dy[] = {-1, 1, 1, -1};
  ZVSpectrum withSigmas, without(m, y, 4);
  ASSERT_EQ(withSigmas.Initialise(m, y, 4, dm, dy), ZVRAW_OK);
  ASSERT_EQ(rig.writer.AddScan(withSigmas, 1.0f), ZVRAW_OK);
  ASSERT_EQ(rig.writer.AddScan(without, 2.0f), ZVRAW_OK);
  ASSERT_EQ(rig.writer.Close(), ZVRAW_OK);
  const Bytes dat = readFile(rig.raw / "_func001.dat");
  ASSERT_EQ(dat.size(), 8u * 12);
  const char peakFlags[] = {2, 1, 0, 2, 0, 1, 0, 0}, massFlags[] = {0, 1, 0, 0, 0, 0, 0, 0};
  for (std::size_t k = 0; k < 8; ++k) {
    float mass = 0, intensity = 0, dMass = 0, dIntensity = 0;
    char flags = 0, accFlags = 0;
    zvraw_packed::extractEnhancedCalAccData(mass, intensity, flags, dMass, dIntensity, accFlags,
                                            reinterpret_cast<const char*>(dat.data()) + 12 * k);
    EXPECT_EQ(mass, m[k % 4]) << k;
    EXPECT_EQ(flags, peakFlags[k]) << k;
    EXPECT_EQ(accFlags, massFlags[k]) << k;
    EXPECT_EQ(dMass + dIntensity == 0.0f, k >= 4) << k;  // the second spectrum has no sigmas
  }
  EXPECT_EQ(rig.descriptorScans(0), 2u);
}

// Two functions read back through the C readers. Scans 0, 3 and 4 of
// function 1 carry values: records 1 and 2 hold zeros.
TEST_F(ScanWriter, RoundTripThroughTheReaders) {
  using K = FunctionDefinition;
  Rig rig(dir() / "round.raw");
  ASSERT_EQ(rig.function(0, {{K::IONMODE, "108"}}), ZVRAW_OK);
  const std::vector<std::vector<float>> spectra = {{100, 300, 500}, {50, 60, 900}, {}};
  for (std::size_t s = 0; s < spectra.size(); ++s) {
    const std::vector<float>& m = spectra[s];
    ASSERT_EQ(rig.writer.AddScan(m.data(), m.data(), static_cast<int>(m.size()), 1.0f + 0.5f * s), ZVRAW_OK);
  }
  // A scan with values for a function without items writes the scan and no record.
  Parameters values;
  values.SetValue(static_cast<int>(Item::COLLISION_ENERGY), "7");
  ASSERT_EQ(rig.scans(0, 3, 1, 6, &values), ZVRAW_OK);

  const Item items[] = {Item::COLLISION_ENERGY, Item::LINEAR_DETECTOR_VOLTAGE, Item::REFERENCE_SCAN};
  ASSERT_EQ(rig.writer.AppendFunction(1, *definition({{K::FUNCTIONTYPE, "215"}, {K::CONTINUUM, "0"}}), items, 3),
            ZVRAW_OK);
  EXPECT_EQ(rig.writer.ExtendedStatsSize(), 7);
  EXPECT_EQ(rig.size("_func001.idx"), 4u * 30);
  for (unsigned s = 0; s < 5; ++s) {
    Parameters v;
    v.SetValue(static_cast<int>(Item::COLLISION_ENERGY), std::to_string(2.5 * (s + 1)));
    v.SetValue(static_cast<int>(Item::LINEAR_DETECTOR_VOLTAGE), std::to_string(-100 * static_cast<int>(s + 1)));
    v.SetValue(static_cast<int>(Item::REFERENCE_SCAN), "1");
    ASSERT_EQ(rig.scans(1, s, 1, 4, s == 0 || s >= 3 ? &v : nullptr), ZVRAW_OK) << s;
  }
  ASSERT_EQ(rig.writer.Close(), ZVRAW_OK);
  EXPECT_FALSE(fs::exists(rig.raw / "_func001.sts"));
  EXPECT_EQ(rig.records(1), 5u);

  Reader rd(rig.raw, ZorvalenBaseType::INFO), scans(rig.raw);
  ASSERT_EQ(rd.rc, ZVRAW_OK);
  ASSERT_EQ(scans.rc, ZVRAW_OK);
  unsigned count = 0;
  ASSERT_EQ(getFunctionCount(rd.r, &count), ZVRAW_OK);
  EXPECT_EQ(count, 2u);
  const struct {
    unsigned scans;
    ZorvalenFunctionType type;
    ZorvalenIonMode mode;
    bool continuum;
    float low, high, first, last;
  } functions[] = {{4, ZorvalenFunctionType::TOF, ZorvalenIonMode::ES_POS, true, 50, 900, 1.0f, 0.53f},
                   {5, ZorvalenFunctionType::TOFS, ZorvalenIonMode::EI_POS, false, fixtureMass(1, 0, 0),
                    fixtureMass(1, 4, 3), 0.5f, 0.54f}};
  for (int f = 0; f < 2; ++f) {
    const auto& e = functions[f];
    ZorvalenFunctionType type{};
    ZorvalenIonMode mode{};
    bool continuum = !e.continuum;
    float low = 0, high = 0, first = 0, last = 0;
    ASSERT_EQ(getScanCount(rd.r, f, &count), ZVRAW_OK);
    EXPECT_EQ(count, e.scans) << f;
    ASSERT_EQ(getFunctionType(rd.r, f, &type), ZVRAW_OK);
    ASSERT_EQ(getIonMode(rd.r, f, &mode), ZVRAW_OK);
    ASSERT_EQ(isContinuum(rd.r, f, continuum), ZVRAW_OK);
    ASSERT_EQ(getAcquisitionMassRange(rd.r, f, 0, &low, &high), ZVRAW_OK);
    ASSERT_EQ(getAcquisitionTimeRange(rd.r, f, &first, &last), ZVRAW_OK);
    EXPECT_TRUE(type == e.type && mode == e.mode && continuum == e.continuum) << f;
    EXPECT_EQ(low, e.low) << f;
    EXPECT_EQ(high, e.high) << f;
    EXPECT_FLOAT_EQ(first, e.first) << f;  // the times of the first and last indexed scan
    EXPECT_FLOAT_EQ(last, e.last) << f;
  }
  // The descriptor's times span the scans with points: 0.53 to 1.5.
  float rtRange[2] = {};
  std::memcpy(rtRange, readFile(rig.raw / "_functns.inf").data() + 10, sizeof rtRange);
  EXPECT_FLOAT_EQ(rtRange[0], 0.53f);
  EXPECT_FLOAT_EQ(rtRange[1], 1.5f);
  for (int s = 0; s < 4; ++s) {  // scan 2 has no points; scan 3 is the fixture's
    float *m = nullptr, *y = nullptr, rt = 0;
    char* flags = nullptr;
    int n = -1;
    ASSERT_EQ(readScanFlags(scans.r, 0, s, &m, &y, &flags, &n), ZVRAW_OK) << s;
    EXPECT_EQ(flags, nullptr) << s;
    if (s == 3) {
      EXPECT_TRUE(n == 6 && m[5] == fixtureMass(0, 3, 5) && y[5] == fixtureIntensity(0, 3, 5));
    } else {
      ASSERT_EQ(static_cast<std::size_t>(n), spectra[s].size()) << s;
      for (int k = 0; k < n; ++k) EXPECT_TRUE(m[k] == spectra[s][k] && y[k] == spectra[s][k]) << s << k;
    }
    ASSERT_EQ(getRetentionTime(rd.r, 0, s, &rt), ZVRAW_OK);
    EXPECT_FLOAT_EQ(rt, s < 3 ? 1.0f + 0.5f * s : 0.53f) << s;
  }
  for (int s = 0; s < 5; ++s) {
    const bool carries = s == 0 || s >= 3;
    float *m = nullptr, *y = nullptr;
    int n = 0;
    ASSERT_EQ(readScan(scans.r, 1, s, &m, &y, &n), ZVRAW_OK);
    EXPECT_TRUE(n == 4 && m[3] == fixtureMass(1, s, 3) && y[2] == fixtureIntensity(1, s, 2)) << s;
    EXPECT_FLOAT_EQ(rd.item(1, s, Item::COLLISION_ENERGY), carries ? 2.5f * (s + 1) : 0) << s;
    EXPECT_EQ(rd.item(1, s, Item::LINEAR_DETECTOR_VOLTAGE), carries ? -100.0f * (s + 1) : 0) << s;
    EXPECT_EQ(rd.item(1, s, Item::REFERENCE_SCAN), carries ? 1 : 0) << s;  // a one-byte field holds the number
  }
}

// Items of 35 bytes a record, so that _func001.sts outgrows the index.
const std::vector<Item> kWideItems = {Item::LINEAR_DETECTOR_VOLTAGE, Item::LINEAR_SENSITIVITY,
                                      Item::REFLECTRON_LENS_VOLTAGE, Item::REFLECTRON_DETECTOR_VOLTAGE,
                                      Item::REFLECTRON_SENSITIVITY,  Item::LASER_REPETITION_RATE,
                                      Item::COURSE_LASER_CONTROL,    Item::FINE_LASER_CONTROL,
                                      Item::LASERAIM_XPOS,           Item::LASERAIM_YPOS,
                                      Item::COLLISION_ENERGY,        Item::SET_MASS,
                                      Item::VESKO_ENABLED,           Item::REFERENCE_SCAN};

// A component name taken by directories in every spelling a writer tries.
void take(const fs::path& p) {
  std::string upper = p.filename().string();
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  fs::create_directory(p);
  fs::create_directory(p.parent_path() / upper);
}

Parameters wideValues(unsigned s) {
  Parameters v;
  for (Item i : kWideItems) v.SetValue(static_cast<int>(i), std::to_string(s % 50));
  return v;
}

// Function 0 of 250 one-point scans with values, then function 1 of 50, then
// close, under each failure: the first failing call returns it, every later
// scan of that function returns the same, and what opens agrees with itself.
TEST_F(ScanWriter, FailedWritesLeaveFilesThatAgree) {
  const struct {
    const char* what;
    rlim_t limit;  // 0: none
    const char* taken = nullptr;
  } cases[] = {{"dat, batch 1", 500},
               {"idx, batch 1", 1000},
               {"sts, batch 1", 3500},
               {"idx, batch 2", 5000},
               {"sts, at the next function", 9000},
               {"sts taken", 0, "_func001.sts"},
               {"functns taken", 0, "_functns.inf"},
               {"dat taken", 0, "_func001.dat"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig(dir() / c.what);
    if (c.taken != nullptr) take(rig.raw / c.taken);
    int first = ZVRAW_OK;
    {
      std::unique_ptr<FileSizeLimit> limit;
      if (c.limit != 0) limit = std::make_unique<FileSizeLimit>(c.limit);
      ASSERT_TRUE(!limit || limit->ok());
      ASSERT_EQ(rig.writer.AppendFunction(0, *definition({}), kWideItems.data(), static_cast<int>(kWideItems.size())),
                ZVRAW_OK);
      for (unsigned s = 0; s < 250; ++s) {
        const Parameters v = wideValues(s);
        const int rc = rig.scans(0, s, 1, 1, &v);
        EXPECT_TRUE(first == ZVRAW_OK || rc == first) << s;  // every scan after the failure returns it
        first = rc;
      }
      const int next = rig.function(1);
      if (first == ZVRAW_OK) first = next;
      if (next != ZVRAW_OK) {  // not started: function 0 stays current
        EXPECT_EQ(rig.writer.GetFunctionNumber(), 0);
        EXPECT_NE(rig.scans(0, 250, 1), ZVRAW_OK);
      } else {
        (void)rig.scans(1, 0, 50, 1);
      }
      (void)rig.writer.Close();
    }
    EXPECT_NE(first, ZVRAW_OK);
    const Reader rd(rig.raw);
    if (rd.rc != ZVRAW_OK) continue;  // what does not open cannot disagree
    for (unsigned f = 0; f < 2; ++f) {
      EXPECT_EQ(rig.descriptorScans(f), rig.indexedScans(f)) << f;
      EXPECT_LE(rig.records(f), rig.indexedScans(f)) << f;
      for (unsigned s = 0; s < rig.indexedScans(f); ++s) {
        float *m = nullptr, *y = nullptr;
        int n = 0;
        ASSERT_EQ(readScan(rd.r, static_cast<int>(f), static_cast<int>(s), &m, &y, &n), ZVRAW_OK) << f << " " << s;
        EXPECT_TRUE(n == 1 && m[0] == fixtureMass(f, s, 0)) << f << " " << s;
      }
    }
  }
}

// A batch whose data file cannot be written: its records go with it, the
// next function is not started and the failed one takes no more scans until
// a next function does start.
TEST_F(ScanWriter, AFailedFunctionTakesNoScansUntilTheNextStarts) {
  Rig rig(dir() / "failed.raw");
  take(rig.raw / "_func001.dat");
  const Item items[] = {Item::COLLISION_ENERGY};
  ASSERT_EQ(rig.writer.AppendFunction(0, *definition({}), items, 1), ZVRAW_OK);
  const Parameters v = wideValues(3);
  ASSERT_EQ(rig.scans(0, 0, 5, 4, &v), ZVRAW_OK);
  const int failure = rig.function(1);
  ASSERT_NE(failure, ZVRAW_OK);
  EXPECT_EQ(rig.writer.GetFunctionNumber(), 0);
  EXPECT_EQ(rig.scans(0, 5, 1), failure);
  EXPECT_EQ(rig.scans(0, 5, 1, 4, &v), failure);
  EXPECT_EQ(rig.writer.GetNumberOfScans() + rig.writer.GetNumberOfStats(), 0);
  EXPECT_FALSE(fs::exists(rig.raw / "_func001.sts"));
  ASSERT_EQ(rig.function(1), ZVRAW_OK);  // nothing left to write: function 1 starts
  ASSERT_EQ(rig.scans(1, 0, 3), ZVRAW_OK);
  ASSERT_EQ(rig.writer.Close(), ZVRAW_OK);
  EXPECT_EQ(rig.descriptorScans(0), 0u);
  EXPECT_EQ(rig.descriptorScans(1), 3u);
  EXPECT_EQ(rig.indexedScans(1), 3u);
}

// Arrays the write interface leaves in a batch (all of them when it refuses
// the batch) stay in their slots and go with the batch; those it moved out
// leave their slots empty.
TEST(BatchArrays, ReleaseOnlyWhatWasNotTakenOver) {
  BatchArrays<float> table;
  EXPECT_EQ(table.data(), nullptr);
  table.allocate(3);
  for (std::size_t k = 0; k < 3; ++k) table.set(k, std::make_unique<float[]>(4));
  const float* left = table.data()[2].get();
  const std::unique_ptr<float[]> taken = std::move(table.data()[1]);  // as appendScans takes a scan over
  EXPECT_TRUE(table.data()[0] && !table.data()[1] && table.data()[2].get() == left);
  table.set(2, std::make_unique<float[]>(2));  // a slot filled again releases its array
  table.clear();                               // the sanitizers see a leak or a double release
  EXPECT_EQ(table.data(), nullptr);
}

// Each refused call returns its code and queues neither a scan nor a record.
TEST_F(ScanWriter, HostileCallsQueueNothing) {
  Rig rig(dir() / "hostile.raw");
  ZorvalenRawScanWriterImp& w = rig.writer;
  const float m[] = {100, 200}, y[] = {1, 2}, nanM[] = {100, kNaN}, infM[] = {-kInf, 200};
  std::vector<float> huge(0x400000, 150.0f);
  Parameters values;
  values.SetValue(static_cast<int>(Item::COLLISION_ENERGY), "5");
  const Item one[] = {Item::COLLISION_ENERGY};
  const auto items = [&](int fn, std::vector<int> list, int n) {
    std::vector<Item> is;
    for (int i : list) is.push_back(static_cast<Item>(i));
    return w.AppendFunction(fn, *definition({}), list.empty() ? nullptr : is.data(), n);
  };
  auto wide = centroidDescriptor(12, true, 0);
  wide.ionMode() = 40;
  const auto maldi = [&] {
    return w.AppendFunction(9, borealtek_zvraw_version_1::ZVRawFunctionDescriptor_Maldi(), false);
  };
  const struct {
    const char* what;
    std::function<int()> call;
    int rc;
  } calls[] = {
      {"scan before a function", [&] { return w.AddScan(m, y, 2, 1.0f); }, ZVRAW_ERROR},
      {"function -1", [&] { return rig.function(-1); }, ZVRAW_FUNCNUM_INVALID},
      {"MALDI record", maldi, ZVRAW_ERROR},
      {"ion mode 40", [&] { return w.AppendFunction(9, wide, false); }, ZVRAW_PARAMETER_INVALID},
      {"null items, n 1", [&] { return items(0, {}, 1); }, ZVRAW_NULL_PARAMETERS},
      {"function 0", [&] { return rig.function(0); }, ZVRAW_OK},
      {"function 0 again", [&] { return rig.function(0); }, ZVRAW_FUNCNUM_INVALID},
      {"n -1", [&] { return items(1, {462}, -1); }, ZVRAW_PARAMETER_INVALID},
      {"item 600, nothing started", [&] { return items(1, {462, 600}, 2); }, ZVRAW_PARAMETER_INVALID},
      {"item 476", [&] { return items(1, {476}, 1); }, ZVRAW_SCAN_STAT_NOTSUPPORTED},
      {"item 485", [&] { return items(1, {485}, 1); }, ZVRAW_SCAN_STAT_NOTSUPPORTED},
      {"function 1, no items", [&] { return items(1, {}, 0); }, ZVRAW_OK},
      {"count -1", [&] { return w.AddScan(m, y, -1, 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"null masses", [&] { return w.AddScan(nullptr, y, 2, 1.0f); }, ZVRAW_NULL_PARAMETERS},
      {"null intensities", [&] { return w.AddScan(m, nullptr, 2, values, 1.0f); }, ZVRAW_NULL_PARAMETERS},
      {"NaN mass", [&] { return w.AddScan(nanM, y, 2, values, 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"infinite mass", [&] { return w.AddScan(infM, y, 2, 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"NaN intensity", [&] { return w.AddScan(m, nanM, 2, values, 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"infinite intensity", [&] { return w.AddScan(ZVSpectrum(m, infM, 2), 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"NaN time", [&] { return w.AddScan(m, y, 2, kNaN); }, ZVRAW_PARAMETER_INVALID},
      {"infinite time", [&] { return w.AddScan(ZVSpectrum(m, y, 2), kInf); }, ZVRAW_PARAMETER_INVALID},
      {"more points than an index counts", [&] { return w.AddScan(huge.data(), huge.data(), 0x400000, 1.0f); },
       ZVRAW_PARAMETER_INVALID},
      {"drift spectrum, ordinary function", [&] { return w.AddCombinedCDTScan(m, y, 2, values, 1.0f); },
       ZVRAW_WRITER_CDT_ADD_SCAN_ERROR},
      {"record, nothing queued", [&] { return w.AddStats(m); }, ZVRAW_OK},  // function 1 has no items
      {"drift function",
       [&] {
         return w.AppendFunction(2, *definition({{FunctionDefinition::CDT_SCANS, "10"}}), one, 1);
       },
       ZVRAW_OK},
      {"spectrum with values, drift function", [&] { return w.AddScan(m, y, 2, values, 1.0f); },
       ZVRAW_WRITER_CDT_ADD_SCAN_ERROR},
      {"drift spectrum of a NaN intensity", [&] { return w.AddCombinedCDTScan(m, nanM, 2, 1.0f); },
       ZVRAW_PARAMETER_INVALID},
      {"null record", [&] { return w.AddStats(nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"record before any scan", [&] { return w.AddStats(m); }, ZVRAW_ERROR},
  };
  for (const auto& c : calls) {
    EXPECT_EQ(c.call(), c.rc) << c.what;
    EXPECT_EQ(w.GetNumberOfScans(), 0) << c.what;
    EXPECT_EQ(w.GetNumberOfStats(), 0) << c.what;
  }
  EXPECT_EQ(w.ExtendedStatsSize(), 4);  // function 2 holds the one layout accepted
  ASSERT_EQ(w.Close(), ZVRAW_OK);
  for (unsigned f = 0; f < 3; ++f) EXPECT_EQ(rig.indexedScans(f) + rig.records(f), 0u) << f;
}

}  // namespace
