// A reader updated while this library's writer lays a run down answers as a
// reader opened afresh on the same files, call by call; and the single
// cases of the live road: widened mass ranges, drift blocks written after a
// drift read, drift conversions without a transfer RF, a data file that is
// there but does not open.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using F = std::vector<float>;
using U32 = std::vector<unsigned>;
using Bits = std::vector<std::uint32_t>;

namespace {

int key(auto k) { return static_cast<int>(k); }

struct Set {
  explicit Set(const std::vector<std::pair<int, std::string>>& keys = {}) {
    EXPECT_EQ(createParameters(&p), ZVRAW_OK);
    for (const auto& [k, v] : keys) EXPECT_EQ(setParameterValue(p, k, v.c_str()), ZVRAW_OK);
  }
  ~Set() { (void)destroyParameters(p); }
  Set(const Set&) = delete;
  Set& operator=(const Set&) = delete;
  CZorvalenParameters p = nullptr;
};

enum class Kind { Centroid, Continuum, Drift };
constexpr int kBins = 3;  // drift bins per block

// ttm = 1: grid indices 10..20 are the masses 100..400.
std::vector<std::pair<int, std::string>> definition(Kind kind) {
  using K = FunctionDefinition;
  if (kind == Kind::Centroid) return {};
  if (kind == Kind::Continuum) return {{key(K::CONTINUUM), "1"}};
  return {{key(K::STARTMASS), "100"}, {key(K::ENDMASS), "400"},          {key(K::LTEFF), "1"},
          {key(K::VEFF), "5184"},     {key(K::SAMPLINGFREQUENCY), "1"},  {key(K::FUNCTIONTYPE), "218"},
          {key(K::CDT_SCANS), std::to_string(kBins)}};
}

// The writer of one run, scans numbered as appended.
struct Writer {
  Writer(const fs::path& raw, Kind k, bool withStats = false) {
    EXPECT_EQ(createRawWriter(&w, raw.c_str()), ZVRAW_OK);
    function(k, withStats);
  }
  // Starts the next function; with statistics, records of one item.
  void function(Kind k, bool withStats = false) {
    kind = k;
    const Set d(definition(kind));
    const ZorvalenScanItem item = ZorvalenScanItem::COLLISION_ENERGY;
    EXPECT_EQ(withStats ? appendRawFunctionWithStats(w, d.p, &item, 1) : appendRawFunction(w, d.p), ZVRAW_OK);
  }
  // Scans of points masses lo, lo + 1, ... and intensities 1, 2, ...
  void ladder(int count, int points, float lo) {
    F m, i;
    for (int p = 0; p < points; ++p) {
      m.push_back(lo + static_cast<float>(p));
      i.push_back(1.0f + static_cast<float>(p));
    }
    for (int k = 0; k < count; ++k)
      ASSERT_EQ(appendRawScan(w, m.data(), i.data(), points, 0.01f * static_cast<float>(++scans)), ZVRAW_OK);
  }
  ~Writer() { (void)destroyRawWriter(w); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // One scan of points masses lo..hi (strictly rising) or one drift block.
  void scan(std::mt19937& rng, float lo, float hi, int points) {
    const float rt = 0.01f * static_cast<float>(++scans);
    std::uniform_real_distribution<float> u(0.0f, 0.9f), y(1.0f, 1000.0f);
    if (kind != Kind::Drift) {
      F m, i;
      const float step = (hi - lo) / static_cast<float>(points);
      for (int p = 0; p < points; ++p) {
        m.push_back(lo + step * (static_cast<float>(p) + u(rng)));
        i.push_back(y(rng));
      }
      ASSERT_EQ(appendRawScan(w, m.data(), i.data(), points, rt), ZVRAW_OK);
      return;
    }
    U32 indices, intensities, counts;
    std::uniform_int_distribution<unsigned> count(0, 4), value(1, 500);
    for (int b = 0; b < kBins; ++b) {
      const unsigned n = count(rng);
      for (unsigned k = 0; k < n; ++k) {
        indices.push_back(10 + 2 * k + (b % 2));  // rising, inside the grid
        intensities.push_back(value(rng));
      }
      counts.push_back(n);
    }
    ASSERT_EQ(appendCDTScanIndex(w, indices.data(), intensities.data(), static_cast<unsigned>(indices.size()),
                                 counts.data(), kBins, rt),
              ZVRAW_OK);
  }

  CZorvalenRawWriter w = nullptr;
  Kind kind = Kind::Centroid;
  int scans = 0;
};

// Every answer of a reader, in order, labelled for the report.
struct Trace {
  std::vector<std::pair<std::string, Bits>> entries;

  template <class A = float, class B = float>
  void add(std::string what, int rc, int n, const A* a = nullptr, const B* b = nullptr) {
    Bits bits{static_cast<std::uint32_t>(rc), static_cast<std::uint32_t>(n)};
    for (int k = 0; a != nullptr && k < n; ++k) bits.push_back(std::bit_cast<std::uint32_t>(a[k]));
    for (int k = 0; b != nullptr && k < n; ++k) bits.push_back(std::bit_cast<std::uint32_t>(b[k]));
    entries.emplace_back(std::move(what), std::move(bits));
  }
  // Arrays allocated for the caller: recorded, then released.
  template <class A>
  void addOwned(std::string what, int rc, int n, A* a, float* b) {
    add(std::move(what), rc, n, a, b);
    (void)releaseMemory(a);
    (void)releaseMemory(b);
  }
};

// A scan reader, and an information reader, a chromatogram reader and a
// spectrum processor on its directory.
struct Readers {
  explicit Readers(const fs::path& raw) {
    rc = createRawReaderFromPath(raw.c_str(), &scan, ZorvalenBaseType::SCAN);
    if (rc != ZVRAW_OK) return;
    EXPECT_EQ(createRawReaderFromReader(scan, &info, ZorvalenBaseType::INFO), ZVRAW_OK);
    EXPECT_EQ(createRawReaderFromReader(scan, &chrom, ZorvalenBaseType::CHROM), ZVRAW_OK);
    EXPECT_EQ(createRawProcessor(&processor, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
    EXPECT_EQ(setRawReader(processor, scan), ZVRAW_OK);
  }
  ~Readers() {
    (void)destroyRawProcessor(processor);
    for (CZorvalenBaseReader r : {chrom, info, scan}) (void)destroyRawReader(r);
  }
  Readers(const Readers&) = delete;
  Readers& operator=(const Readers&) = delete;

  void addSpectrum(Trace& t, const std::string& what, int combined) const {
    float *m = nullptr, *y = nullptr;
    int n = 0;
    const int got = getScan(processor, &m, &y, &n);
    t.add(what, combined == ZVRAW_OK ? got : combined, n, m, y);
  }

  // Scan counts, every scan, the TIC, a mass chromatogram and the sum of all
  // scans; for drift data every drift scan of every bin (up to the first
  // scan past the blocks), their sum and the mobilogram.
  [[nodiscard]] Trace observe(bool drift, const F& chromatogramMasses, int maxBlocks) const {
    Trace t;
    unsigned scans = 0;
    int got = getScanCount(info, 0, &scans);
    t.add("scan count", got, static_cast<int>(scans));
    float range[2] = {0, 0};
    got = getAcquisitionMassRange(info, 0, 0, &range[0], &range[1]);
    t.add("mass range", got, 2, range);
    for (int s = 0; s <= static_cast<int>(scans); ++s) {
      float *m = nullptr, *y = nullptr;
      int n = 0;
      got = readScan(scan, 0, s, &m, &y, &n);
      t.add("scan " + std::to_string(s), got, n, m, y);
    }
    float *times = nullptr, *values = nullptr;
    int n = 0;
    got = readTICChromatogram(chrom, 0, &times, &values, &n);
    t.addOwned("TIC", got, n, times, values);
    got = readMassChromatograms(chrom, 0, chromatogramMasses.data(), static_cast<int>(chromatogramMasses.size()),
                                &times, &values, 20.0f, false, &n);
    t.add("mass chromatogram", got, n * static_cast<int>(chromatogramMasses.size()), values);
    t.addOwned("its times", got, n, times, values);
    if (scans > 0) addSpectrum(t, "sum of all scans", combineScan(processor, 0, 0, static_cast<int>(scans) - 1));
    if (!drift) return t;

    unsigned bins = 0;
    got = getDriftScanCount(info, 0, &bins);
    t.add("drift bins", got, static_cast<int>(bins));
    int blocks = 0;  // whole blocks read
    for (bool whole = bins > 0; whole && blocks <= maxBlocks;) {
      for (int d = 0; d < static_cast<int>(bins); ++d) {
        float *m = nullptr, *y = nullptr;
        got = readDriftScan(scan, 0, blocks, d, &m, &y, &n);
        t.add("drift scan " + std::to_string(blocks) + " bin " + std::to_string(d), got, n, m, y);
        whole = whole && got == ZVRAW_OK;
      }
      if (whole) ++blocks;
    }
    if (blocks > 0) {
      addSpectrum(t, "drift sum", combineDriftScan(processor, 0, 0, blocks - 1, 0, static_cast<int>(bins) - 1));
      int* driftBins = nullptr;
      got = readMobillogram(chrom, 0, 0, blocks - 1, 100.0f, 400.0f, &driftBins, &values, &n);
      t.addOwned("mobilogram", got, n, driftBins, values);
    }
    return t;
  }

  int rc = -1;
  CZorvalenBaseReader scan = nullptr, info = nullptr, chrom = nullptr;
  CZorvalenBaseProcessor processor = nullptr;
};

void expectSame(const Trace& updated, const Trace& fresh, const std::string& when) {
  for (std::size_t k = 0; k < std::max(updated.entries.size(), fresh.entries.size()); ++k) {
    if (k < updated.entries.size() && k < fresh.entries.size() && updated.entries[k] == fresh.entries[k]) continue;
    const std::string& what = (k < fresh.entries.size() ? fresh : updated).entries[k].first;
    ADD_FAILURE() << when << ": the updated reader differs first at " << what;
    return;
  }
}

class LiveReading : public TempDirTest {
 protected:
  [[nodiscard]] fs::path raw() const { return dir() / "live.raw"; }
};

TEST_F(LiveReading, AnUpdatedReaderAnswersAsAFreshOne) {
  for (std::uint32_t seed = 1; seed <= 24; ++seed) {
    std::mt19937 rng(seed);
    const auto kind = static_cast<Kind>(seed % 3);
    const int flushes = std::uniform_int_distribution<int>(2, 4)(rng);
    const int openAt = std::uniform_int_distribution<int>(0, flushes - 1)(rng);
    std::error_code ec;
    fs::remove_all(raw(), ec);
    const std::string run = "seed " + std::to_string(seed) + ", kind " + std::to_string(seed % 3);
    Writer writer(raw(), kind);
    ASSERT_EQ(flushRawWriter(writer.w), ZVRAW_OK) << run;
    // Each batch reaches below and above every mass written before it.
    const F masses = {500.0f, 150.0f, 900.0f};
    std::unique_ptr<Readers> updated;
    for (int step = 0; step <= flushes + 1; ++step) {
      if (step > 0 && step <= flushes) {
        const int count = std::uniform_int_distribution<int>(1, 12)(rng);
        const float lo = 460.0f - 100.0f * static_cast<float>(step), hi = 520.0f + 120.0f * static_cast<float>(step);
        const int points = std::uniform_int_distribution<int>(1, kind == Kind::Continuum ? 120 : 40)(rng);
        for (int s = 0; s < count; ++s) writer.scan(rng, lo, hi, points + s);
        ASSERT_EQ(flushRawWriter(writer.w), ZVRAW_OK) << run;
      }
      if (step == flushes + 1) {
        ASSERT_EQ(closeRawWriter(writer.w), ZVRAW_OK) << run;
      }
      if (step < openAt) continue;
      const std::string when = run + ", opened after flush " + std::to_string(openAt) + ", step " +
                               std::to_string(step);
      if (step == openAt) {
        updated = std::make_unique<Readers>(raw());
        ASSERT_EQ(updated->rc, ZVRAW_OK) << when;
      } else {
        ASSERT_EQ(updated->scan != nullptr ? updateRawReader(updated->scan) : -1, ZVRAW_STATSFILE_FILEREADOPEN_ERROR)
            << when;  // this writer records no statistics
      }
      const Readers fresh(raw());
      ASSERT_EQ(fresh.rc, ZVRAW_OK) << when;
      const bool drift = kind == Kind::Drift;
      expectSame(updated->observe(drift, masses, writer.scans), fresh.observe(drift, masses, writer.scans), when);
    }
  }
}

// A reader opened before the scans whose masses widen the function's range
// reads them whole: every point, in every read.
TEST_F(LiveReading, ScansBeyondTheRangeAtTheOpenReadWhole) {
  const struct {
    int before, beforePoints, after, afterPoints;
  } cases[] = {{0, 0, 150, 200}, {1, 20, 1, 1190}};
  for (const auto& c : cases) {
    std::error_code ec;
    fs::remove_all(raw(), ec);
    Writer writer(raw(), Kind::Centroid);
    writer.ladder(c.before, c.beforePoints, 100.0f);
    ASSERT_EQ(flushRawWriter(writer.w), ZVRAW_OK);
    const Readers r(raw());
    writer.ladder(c.after, c.afterPoints, 100.0f);
    ASSERT_EQ(flushRawWriter(writer.w), ZVRAW_OK);
    ASSERT_EQ(updateRawReader(r.scan), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
    const int last = c.before + c.after - 1;
    float *m = nullptr, *y = nullptr, *times = nullptr, *values = nullptr;
    int n = 0;
    ASSERT_EQ(readScan(r.scan, 0, last, &m, &y, &n), ZVRAW_OK);
    EXPECT_EQ(n, c.afterPoints) << c.afterPoints;
    ASSERT_EQ(combineScan(r.processor, 0, c.before, last), ZVRAW_OK);
    ASSERT_EQ(getScan(r.processor, &m, &y, &n), ZVRAW_OK);
    EXPECT_EQ(n, c.afterPoints) << c.afterPoints;
    const float mass = 150.0f;  // point 50: intensity 51
    ASSERT_EQ(readMassChromatograms(r.chrom, 0, &mass, 1, &times, &values, 0.5f, false, &n), ZVRAW_OK);
    EXPECT_EQ(n, last + 1);
    EXPECT_EQ(n > 0 ? values[n - 1] : 0.0f, 51.0f) << c.afterPoints;
    (void)releaseMemory(times);
    (void)releaseMemory(values);
  }
}

// Blocks written after a drift read show in every drift read after the update.
TEST_F(LiveReading, DriftBlocksWrittenAfterADriftReadShow) {
  std::mt19937 rng(7);
  Writer writer(raw(), Kind::Drift);
  for (int s = 0; s < 4; ++s) writer.scan(rng, 0, 0, 0);
  ASSERT_EQ(flushRawWriter(writer.w), ZVRAW_OK);
  const Readers r(raw());
  float *m = nullptr, *y = nullptr;
  int n = 0;
  ASSERT_EQ(readDriftScan(r.scan, 0, 0, 0, &m, &y, &n), ZVRAW_OK);
  for (int s = 0; s < 2; ++s) writer.scan(rng, 0, 0, 0);
  ASSERT_EQ(flushRawWriter(writer.w), ZVRAW_OK);
  ASSERT_EQ(updateRawReader(r.scan), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  EXPECT_EQ(readScan(r.scan, 0, 5, &m, &y, &n), ZVRAW_OK);
  for (int d = 0; d < kBins; ++d) EXPECT_EQ(readDriftScan(r.scan, 0, 5, d, &m, &y, &n), ZVRAW_OK) << d;
  EXPECT_EQ(combineDriftScan(r.processor, 0, 3, 5, 0, kBins - 1), ZVRAW_OK);
  int* bins = nullptr;
  ASSERT_EQ(readMobillogram(r.chrom, 0, 3, 5, 100.0f, 400.0f, &bins, &y, &n), ZVRAW_OK);
  EXPECT_EQ(n, kBins);
  (void)releaseMemory(bins);
  (void)releaseMemory(y);
}

// This library's drift runs record no transfer RF: the conversions say so.
TEST_F(LiveReading, DriftConversionsWithoutATransferRF) {
  // Without statistics there is no record; with them, an RF of 0.
  for (const auto& [withStats, rangeCode] :
       {std::pair{false, ZVRAW_TRANSFER_RF_NOT_DEFINED}, {true, ZVRAW_DRIFTRANGE_INVALID}}) {
    std::error_code ec;
    fs::remove_all(raw(), ec);
    {
      std::mt19937 rng(3);
      Writer writer(raw(), Kind::Drift, withStats);
      for (int s = 0; s < 2; ++s) writer.scan(rng, 0, 0, 0);
      writer.function(Kind::Centroid);  // a later function without the bins
      writer.ladder(2, 3, 100.0f);
      ASSERT_EQ(closeRawWriter(writer.w), ZVRAW_OK);
    }
    const Readers r(raw());
    float t = 5.0f;
    EXPECT_EQ(getDriftTime(r.info, 1, &t), ZVRAW_TRANSFER_RF_NOT_DEFINED) << withStats;
    EXPECT_TRUE(std::isnan(t)) << withStats;
    int first = 7, last = 7;
    EXPECT_EQ(getDriftRangeFromTimeRange(r.info, 0, 0.0f, 1.0f, first, last), rangeCode) << withStats;
    EXPECT_EQ(std::pair(first, last), std::pair(-1, -1)) << withStats;
  }
}

// A data file that is there but does not open: its scans are listed and
// their reads give the open failure. One not there yet: no scans. Checked
// by a process without the privilege to read every file.
TEST_F(LiveReading, ADataFileThatDoesNotOpen) {
  {
    Writer writer(raw(), Kind::Centroid);
    writer.ladder(3, 4, 100.0f);
    ASSERT_EQ(closeRawWriter(writer.w), ZVRAW_OK);
  }
  const fs::path dat = raw() / "_func001.dat";
  ASSERT_EQ(::chmod(dat.c_str(), 0), 0);
  ASSERT_EQ(::chmod(dir().c_str(), 0755), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
    if (::access(raw().c_str(), R_OK | X_OK) != 0) ::_exit(3);  // cannot reach the directory at all
    const Readers r(raw());
    unsigned scans = 0;
    float *times = nullptr, *values = nullptr, *m = nullptr, *y = nullptr;
    int n = 0;
    const bool ok = r.rc == ZVRAW_OK && getScanCount(r.info, 0, &scans) == ZVRAW_OK && scans == 3 &&
                    readTICChromatogram(r.chrom, 0, &times, &values, &n) == ZVRAW_OK && n == 3 &&
                    readScan(r.scan, 0, 0, &m, &y, &n) == ZVRAW_FILEOPEN_ERROR;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2 || WEXITSTATUS(status) == 3) GTEST_SKIP() << "no unprivileged reader can reach " << raw();
  EXPECT_EQ(WEXITSTATUS(status), 0);

  fs::remove(dat);
  const Readers r(raw());
  unsigned scans = 7;
  EXPECT_EQ(getScanCount(r.info, 0, &scans), ZVRAW_OK);
  EXPECT_EQ(scans, 0u);
}

}  // namespace
