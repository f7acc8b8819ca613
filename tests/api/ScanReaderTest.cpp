// The scan reader through the C interface: single scans, flags, product
// masses and drift spectra, its buffers, and its result codes.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawScanReaderImp.h"
#include "cluster/WriterTestSupport.h"
#include "cluster/ZVRawWriteInterface.h"
#include "drift/DriftPairFixture.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "support/Corruption.h"

namespace fs = std::filesystem;
using borealtek_zvraw_version_1::ZVRawExternalLumavent;
using Vardex::Lib::ZorvalenRaw::normaliseScanFlags;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawScanReaderImp;
using namespace borealtek_zvraw_version_1;

namespace {

// What a read hands back, copied.
struct Scan {
  int rc = -1;
  std::vector<float> masses, intensities;
  const float* pointer = nullptr;
};

Scan read(CZorvalenBaseReader r, int f, int s) {
  float* m = reinterpret_cast<float*>(0x1);
  float* i = reinterpret_cast<float*>(0x1);
  int n = -1;
  Scan out;
  out.rc = readScan(r, f, s, &m, &i, &n);
  if (out.rc != ZVRAW_OK) {
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(i, nullptr);
    EXPECT_EQ(n, 0);
    return out;
  }
  EXPECT_EQ(m == nullptr, n == 0);
  if (n > 0) {
    out.masses.assign(m, m + n);
    out.intensities.assign(i, i + n);
  }
  out.pointer = m;
  return out;
}

// Keeps a value the sanitizers must have read.
void keepRead(float v) {
  volatile float sink = v;
  (void)sink;
}

// A stored flag byte as readScanFlags hands it out.
char normalisedFlag(unsigned stored) {
  char f = static_cast<char>(stored);
  (void)normaliseScanFlags(&f, 1);
  return f;
}

void expectFixtureScan(const Scan& scan, unsigned f, unsigned s, unsigned peaks) {
  ASSERT_EQ(scan.rc, ZVRAW_OK) << f << "/" << s;
  ASSERT_EQ(scan.masses.size(), peaks) << f << "/" << s;
  for (unsigned p = 0; p < peaks; ++p) {
    EXPECT_EQ(scan.masses[p], fixtureMass(f, s, p)) << f << "/" << s << "/" << p;
    EXPECT_EQ(scan.intensities[p], fixtureIntensity(f, s, p)) << f << "/" << s << "/" << p;
  }
}

class ScanReader : public ReaderTest {
 protected:
  CZorvalenBaseReader scans() { return open(ZorvalenBaseType::SCAN); }
};

TEST_F(ScanReader, ReadsEveryScan) {
  write(twoFunctions());
  CZorvalenBaseReader r = scans();
  for (unsigned s = 0; s < 5; ++s) expectFixtureScan(read(r, 0, static_cast<int>(s)), 0, s, 4);
  for (unsigned s = 3; s-- > 0;) expectFixtureScan(read(r, 1, static_cast<int>(s)), 1, s, 6);
}

TEST_F(ScanReader, AScanOfNoPointsGivesNullArrays) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 2, .peaks = 0});
  write(fx);
  CZorvalenBaseReader r = scans();
  const Scan scan = read(r, 0, 1);
  EXPECT_EQ(scan.rc, ZVRAW_OK);
  EXPECT_EQ(scan.pointer, nullptr);
  float *m = nullptr, *i = nullptr;
  char* flags = reinterpret_cast<char*>(0x1);
  int n = -1;
  EXPECT_EQ(readScanFlags(r, 0, 0, &m, &i, &flags, &n), ZVRAW_OK);
  EXPECT_TRUE(m == nullptr && i == nullptr && flags == nullptr && n == 0);
}

// The buffers hold the largest scan read so far and never shrink.
TEST_F(ScanReader, BuffersGrowWithTheLargestFunctionAndStay) {
  write(twoFunctions());
  CZorvalenBaseReader r = scans();
  expectFixtureScan(read(r, 0, 0), 0, 0, 4);
  const Scan larger = read(r, 1, 0);
  expectFixtureScan(larger, 1, 0, 6);
  const Scan back = read(r, 0, 2);
  expectFixtureScan(back, 0, 2, 4);
  EXPECT_EQ(back.pointer, larger.pointer);  // the larger buffers are kept
}

// Flag bytes as formats 11-13 store them (4 bits a point).
TEST_F(ScanReader, FlagsMergeBitsOneAndTwo) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 4}).function({.format = 9, .scans = 1, .peaks = 3});
  write(fx);
  const std::uint8_t stored[3][4] = {{0x0, 0x1, 0x4, 0x6}, {0x2, 0xF, 0x8, 0x0}, {0, 0, 0, 0}};
  Bytes dat = readFile(raw() / RawDirectoryFixture::dataName(0));
  const unsigned packet = RawDirectoryFixture::packetSize(12);
  for (unsigned s = 0; s < 3; ++s)
    for (unsigned p = 0; p < 4; ++p) {
      std::uint8_t& top = reinterpret_cast<std::uint8_t&>(dat[(s * 4 + p) * packet + 3]);
      top = static_cast<std::uint8_t>((top & 0x0F) | (stored[s][p] << 4));  // bits 28-31 of the first word
    }
  writeFile(raw() / RawDirectoryFixture::dataName(0), dat);

  CZorvalenBaseReader r = scans();
  const char expected[2][4] = {{0x0, 0x1, 0x2, 0x2}, {0x2, 0xB, 0x8, 0x0}};
  for (int s = 0; s < 3; ++s) {
    float *m = nullptr, *i = nullptr;
    char* flags = nullptr;
    int n = 0;
    ASSERT_EQ(readScanFlags(r, 0, s, &m, &i, &flags, &n), ZVRAW_OK) << s;
    ASSERT_EQ(n, 4);
    EXPECT_EQ(m[3], fixtureMass(0, static_cast<unsigned>(s), 3));
    if (s == 2) {
      EXPECT_EQ(flags, nullptr);  // every byte 0
      continue;
    }
    ASSERT_NE(flags, nullptr) << s;
    EXPECT_EQ(std::vector<char>(flags, flags + 4), std::vector<char>(expected[s], expected[s] + 4)) << s;
  }
  // Data without flags: masses and intensities, no flags.
  float *m = nullptr, *i = nullptr;
  char* flags = reinterpret_cast<char*>(0x1);
  int n = 0;
  ASSERT_EQ(readScanFlags(r, 1, 0, &m, &i, &flags, &n), ZVRAW_OK);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(flags, nullptr);
}

TEST(ScanFlags, EveryBitPattern) {
  const struct {
    unsigned char in, out;
  } cases[] = {{0x00, 0x00}, {0x01, 0x01}, {0x02, 0x02}, {0x04, 0x02}, {0x06, 0x02}, {0x0F, 0x0B},
               {0x10, 0x10}, {0x14, 0x02}, {0x08, 0x08}, {0xFF, 0x0B}, {0xF0, 0xF0}, {0x0D, 0x0B}};
  for (const auto& c : cases) {
    char f = static_cast<char>(c.in);
    EXPECT_TRUE(normaliseScanFlags(&f, 1) || c.in == 0) << int(c.in);
    EXPECT_EQ(static_cast<unsigned char>(f), c.out) << int(c.in);
  }
  char zeros[3] = {0, 0, 0};
  EXPECT_FALSE(normaliseScanFlags(zeros, 3));
}

TEST_F(ScanReader, ProductMassesOnlyForMRMTypes) {
  RawDirectoryFixture fx;
  fx.function({.type = 13, .format = 12, .scans = 2, .peaks = 4});
  fx.function({.type = 9, .format = 2, .scans = 2, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}});
  write(fx);
  CZorvalenBaseReader r = scans();
  float *m = reinterpret_cast<float*>(0x1), *i = m, *products = m;
  int n = -1, np = -1;
  EXPECT_EQ(readProductScan(r, 0, 0, &m, &i, &products, &n, &np), ZVRAW_FUNCTIONTYPE_INVALID);
  EXPECT_TRUE(m == nullptr && i == nullptr && products == nullptr && n == 0 && np == 0);
  // One product mass per transition of the MRM function.
  ASSERT_EQ(readProductScan(r, 1, 1, &m, &i, &products, &n, &np), ZVRAW_OK);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(np, 3);
  ASSERT_NE(products, nullptr);
  for (unsigned k = 0; k < 3; ++k) {
    EXPECT_EQ(m[k], 100.0f * static_cast<float>(k + 1));  // the transitions' parent masses
    EXPECT_EQ(products[k], 10.0f * static_cast<float>(k + 1));
    EXPECT_EQ(i[k], fixtureIntensity(1, 1, k));
  }
}

TEST_F(ScanReader, NumbersOutOfRange) {
  write(twoFunctions());
  CZorvalenBaseReader r = scans();
  struct Case {
    int f, s, drift, expected;
  } cases[] = {{-1, 0, 0, ZVRAW_FUNCNUM_INVALID}, {INT_MIN, 0, 0, ZVRAW_FUNCNUM_INVALID},
               {2, 0, 0, ZVRAW_FUNCNUM_INVALID},  {0, -1, 0, ZVRAW_SCANNUM_INVALID},
               {0, INT_MIN, 0, ZVRAW_SCANNUM_INVALID}, {0, 5, 0, ZVRAW_SCANNUM_INVALID}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.f << "/" << c.s);
    EXPECT_EQ(read(r, c.f, c.s).rc, c.expected);
    float *m = reinterpret_cast<float*>(0x1), *i = m, *products = m;
    char* flags = reinterpret_cast<char*>(0x1);
    int n = -1, np = -1;
    EXPECT_EQ(readScanFlags(r, c.f, c.s, &m, &i, &flags, &n), c.expected);
    EXPECT_TRUE(m == nullptr && i == nullptr && flags == nullptr && n == 0);
    EXPECT_EQ(readProductScan(r, c.f, c.s, &m, &i, &products, &n, &np), c.expected);
    EXPECT_TRUE(products == nullptr && np == 0);
  }
  // Drift numbers: the function and scan first, then the bin.
  float *m = nullptr, *i = nullptr;
  int* indices = nullptr;
  char* flags = nullptr;
  int n = 0, offset = 0;
  EXPECT_EQ(readDriftScan(r, -1, 0, 0, &m, &i, &n), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(readDriftScan(r, 2, 0, 0, &m, &i, &n), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(readDriftScan(r, 0, -1, 0, &m, &i, &n), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(readDriftScan(r, 0, 0, -1, &m, &i, &n), ZVRAW_DRIFTNUM_INVALID);
  EXPECT_EQ(readDriftScanIndex(r, 0, 0, INT_MIN, &indices, &i, &n), ZVRAW_DRIFTNUM_INVALID);
  EXPECT_EQ(readDriftScanFlagsIndex(r, 0, 0, -1, &indices, &i, &flags, &n), ZVRAW_DRIFTNUM_INVALID);
  EXPECT_EQ(getDriftMassScale(r, -1, 0, &m, &n, &offset), ZVRAW_FUNCNUM_INVALID);
  EXPECT_EQ(getDriftMassScale(r, 0, -1, &m, &n, &offset), ZVRAW_SCANNUM_INVALID);
}

// A failed refresh fails every ordinary read with its code until a later one
// succeeds; a reader made on the cluster meanwhile works again then.
TEST_F(ScanReader, ReadsFollowTheDirectorysState) {
  RawDirectoryFixture fx = twoFunctions();
  for (unsigned f = 0; f < 2; ++f) fx.function(f).stats = {{kLockMassCorrectionField, kFloatField, nullptr}};
  write(fx);
  CZorvalenBaseReader r = scans();
  const fs::path sts = raw() / RawDirectoryFixture::statsName(1);
  const Bytes whole = readFile(sts);
  fs::resize_file(sts, whole.size() - 2);
  const int failed = updateRawReader(r);
  ASSERT_NE(failed, ZVRAW_OK);
  EXPECT_EQ(read(r, 0, 0).rc, failed);

  auto* source = Vardex::Lib::ZorvalenRaw::handleCast<ZorvalenRawScanReaderImp>(r);
  auto late = std::make_unique<ZorvalenRawScanReaderImp>(*source);  // as a processor builds one
  float *m = nullptr, *i = nullptr;
  int n = 0;
  EXPECT_EQ(late->ReadScan(0, 0, m, i, n), failed);

  writeFile(sts, whole);
  ASSERT_EQ(updateRawReader(r), ZVRAW_OK);
  expectFixtureScan(read(r, 0, 1), 0, 1, 4);
  ASSERT_EQ(late->ReadScan(1, 2, m, i, n), ZVRAW_OK);
  EXPECT_EQ(n, 6);
}

// A data file replaced under its name or cut short between two reads is
// read as a fresh reader reads it, also once the held file was quiet long
// enough to be checked through its own descriptor.
TEST_F(ScanReader, ADataFileChangedUnderItsNameReadsAsAFreshReader) {
  const auto runFor = [&](const char* name) { return dir() / name / "run.raw"; };
  const auto writeRun = [&](const fs::path& at, bool other) {
    RawDirectoryFixture fx;
    fx.function({.scans = 4, .peaks = 5});
    if (other) fx.function(0).point = [](unsigned s, unsigned p) { return std::pair{300.0f + s + p, 7.0f + p}; };
    fs::create_directories(at);
    fx.write(at);
  };
  const std::string data = RawDirectoryFixture::dataName(0);
  using Step = std::function<void(const fs::path& dat, const fs::path& replacement)>;
  const struct {
    const char* what;
    Step change, before = nullptr;  // before: ahead of the quiet span
  } cases[] = {
      {"renamed over", [](const fs::path& dat, const fs::path& by) { fs::rename(by, dat); }},
      {"removed and made again",
       [](const fs::path& dat, const fs::path& by) {
         const Bytes bytes = readFile(by);
         fs::remove(dat);
         writeFile(dat, bytes);
       }},
      {"cut inside scan 2", [](const fs::path& dat, const fs::path&) { fs::resize_file(dat, 2 * 5 * 8 + 3); }},
      {"cut to nothing", [](const fs::path& dat, const fs::path&) { fs::resize_file(dat, 0); }},
      // The held file does not change when a link to it is pointed elsewhere.
      {"a link at the name pointed elsewhere",
       [](const fs::path& dat, const fs::path& by) {
         fs::create_symlink(by, dat.string() + ".new");
         fs::rename(dat.string() + ".new", dat);
       },
       [](const fs::path& dat, const fs::path&) {
         fs::rename(dat, dat.string() + ".real");
         fs::create_symlink(dat.string() + ".real", dat);
       }},
  };
  for (const auto& c : cases) {
    writeRun(runFor(c.what), false);
    writeRun(dir() / c.what / "other.raw", true);
    if (c.before) c.before(runFor(c.what) / data, {});
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(2100));  // past the quiet span

  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = runFor(c.what).string();
    CZorvalenBaseReader r = nullptr, fresh = nullptr;
    ASSERT_EQ(createRawReaderFromPath(path.c_str(), &r, ZorvalenBaseType::SCAN), ZVRAW_OK);
    // The first read opens the file, the second finds it quiet.
    for (unsigned s = 0; s < 2; ++s) expectFixtureScan(read(r, 0, static_cast<int>(s)), 0, s, 5);
    c.change(runFor(c.what) / data, dir() / c.what / "other.raw" / data);
    ASSERT_EQ(createRawReaderFromPath(path.c_str(), &fresh, ZorvalenBaseType::SCAN), ZVRAW_OK);
    for (int s = 0; s < 4; ++s) {
      const Scan got = read(r, 0, s), want = read(fresh, 0, s);
      // A fresh reader's index lists no scan past the cut; ours still does,
      // and the file no longer holds it.
      EXPECT_EQ(got.rc, want.rc == ZVRAW_SCANNUM_INVALID ? ZVRAW_SCANREAD_EOFERROR : want.rc) << "scan " << s;
      EXPECT_EQ(got.masses, want.masses) << "scan " << s;
      EXPECT_EQ(got.intensities, want.intensities) << "scan " << s;
    }
    EXPECT_EQ(destroyRawReader(fresh), ZVRAW_OK);
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
  }
}

TEST_F(ScanReader, InternalReadRefusesBuffersTooSmall) {
  write(twoFunctions());
  CZorvalenBaseReader r = scans();
  auto* reader = Vardex::Lib::ZorvalenRaw::handleCast<ZorvalenRawScanReaderImp>(r);
  std::vector<float> m(6, -1.0f), i(6, -1.0f);
  unsigned size = 99;
  EXPECT_EQ(reader->readScan(1, 0, m.data(), i.data(), nullptr, size, 5), ZVRAW_BUFFERSIZE_ERROR);
  EXPECT_EQ(m[0], -1.0f);  // nothing copied
  EXPECT_EQ(size, 0u);
  ASSERT_EQ(reader->readScan(1, 0, m.data(), i.data(), nullptr, size, 6), ZVRAW_OK);  // exactly the size
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(m[5], fixtureMass(1, 0, 5));
  EXPECT_TRUE(reader->isScanLoaded(1, 0));
  EXPECT_FALSE(reader->isScanLoaded(1, 1));
  EXPECT_FALSE(reader->isScanLoaded(-1, 0));
}

TEST_F(ScanReader, SpectrumAtARetentionTime) {
  RawDirectoryFixture fx = twoFunctions();
  write(fx);
  auto* reader = Vardex::Lib::ZorvalenRaw::handleCast<ZorvalenRawScanReaderImp>(scans());
  float *m = nullptr, *i = nullptr;
  int n = 0;
  ASSERT_EQ(reader->ReadSpectrum(0, fixtureRT(fx.function(0), 3), m, i, n), ZVRAW_OK);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(m[0], fixtureMass(0, 3, 0));
  EXPECT_NE(reader->ReadSpectrum(0, 100.0f, m, i, n), ZVRAW_OK);
  EXPECT_TRUE(m == nullptr && n == 0);
}

// Damaged component files: every scan of every function read through the
// exports gives a result code, and nothing is read out of bounds.
TEST_F(ScanReader, EveryScanOfDamagedDirectories) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 3})
      .function({.type = 9, .format = 2, .scans = 2, .peaks = 3, .segments = {{100, 10}, {200, 20}, {300, 30}}})
      .function({.format = 13, .extended = true, .scans = 2, .peaks = 2});
  fx.function(0).stats = {{kLockMassCorrectionField, kFloatField, [](unsigned) { return 1.0; }}};
  write(fx);
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    const int opened = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::SCAN);
    if (opened != ZVRAW_OK) return opened;
    int last = ZVRAW_OK;
    const int scans[3] = {3, 2, 2};
    for (int f = 0; f < 3; ++f) {
      for (int s = 0; s < scans[f]; ++s) {
        float *m = nullptr, *i = nullptr, *products = nullptr;
        char* flags = nullptr;
        int n = 0, np = 0;
        if (const int rc = readScan(r, f, s, &m, &i, &n); rc != ZVRAW_OK) last = rc;
        float sum = 0;
        for (int k = 0; k < n; ++k) sum += m[k] + i[k];
        keepRead(sum);
        if (const int rc = readScanFlags(r, f, s, &m, &i, &flags, &n); rc != ZVRAW_OK) last = rc;
        for (int k = 0; flags != nullptr && k < n; ++k) sum += static_cast<float>(flags[k]);
        if (const int rc = readProductScan(r, f, s, &m, &i, &products, &n, &np); rc == ZVRAW_OK)
          for (int k = 0; k < np; ++k) sum += products[k];
        keepRead(sum);
      }
    }
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return last;
  };
  for (const char* name : {"_functns.inf", "_func001.idx", "_func002.idx", "_func003.idx", "_func001.dat",
                           "_func002.dat", "_func003.dat", "_func001.sts", "_header.txt"})
    expectDamagedFileSurvives(raw() / name, readAll, 0x5CA7u, 40);
}

// ---- drift spectra ----

class DriftReads : public ScanReader {
 protected:
  // Function 0 is compressed: 3 scans of 4 drift bins (drift_fixture::ladder,
  // mass = index^2); function 1 has no drift files.
  void SetUp() override {
    ScanReader::SetUp();
    RawDirectoryFixture fx;
    fx.function({.format = 12, .scans = 3, .peaks = 2}).function({.format = 12, .scans = 2, .peaks = 2});
    write(fx);
    drift_fixture::writePair(raw(), 0, {}, drift_fixture::ladder(3, 4));
  }
  static std::vector<float> driftMasses(CZorvalenBaseReader r, int s, int d) {
    float *m = nullptr, *i = nullptr;
    int n = -1;
    EXPECT_EQ(readDriftScan(r, 0, s, d, &m, &i, &n), ZVRAW_OK);
    return n > 0 ? std::vector<float>(m, m + n) : std::vector<float>{};
  }
};

TEST_F(DriftReads, IndicesFlagsAndMasses) {
  CZorvalenBaseReader r = scans();
  int* indices = nullptr;
  float* intensities = nullptr;
  char* flags = nullptr;
  int n = 0;
  ASSERT_EQ(readDriftScanIndex(r, 0, 2, 1, &indices, &intensities, &n), ZVRAW_OK);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(indices[0], 21);
  EXPECT_EQ(indices[1], 52);
  EXPECT_EQ(intensities[1], 30.0f);
  ASSERT_EQ(readDriftScanFlagsIndex(r, 0, 0, 3, &indices, &intensities, &flags, &n), ZVRAW_OK);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(flags[0], 0);
  EXPECT_NE(flags[1], 0);
  const std::vector<float> masses = driftMasses(r, 1, 0);
  ASSERT_FALSE(masses.empty());
  EXPECT_NE(std::find(masses.begin(), masses.end(), 20.0f * 20.0f), masses.end());
  EXPECT_EQ(readDriftScan(r, 0, 3, 0, &intensities, &intensities, &n), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(readDriftScan(r, 0, 0, 4, &intensities, &intensities, &n), ZVRAW_DRIFTNUM_INVALID);
}

// A gain table installed on the cluster scales drift masses by the gain at
// the scan's retention time, once however often the scan is read.
TEST_F(DriftReads, LockMassGainNeverCompounds) {
  CZorvalenBaseReader r = scans();
  const std::vector<float> plain = driftMasses(r, 1, 2);
  auto table = std::make_unique<ZVRawExternalLumavent>();
  table->add(0.0f, 1.5f);
  table->add(100.0f, 1.5f);
  ASSERT_EQ(cluster(r)->setExternalLumavent(table.release()), ZVRAW_OK);
  for (int twice = 0; twice < 2; ++twice) {
    const std::vector<float> gained = driftMasses(r, 1, 2);
    ASSERT_EQ(gained.size(), plain.size());
    for (std::size_t k = 0; k < plain.size(); ++k) EXPECT_EQ(gained[k], plain[k] * 1.5f) << k;
  }
  float* scale = nullptr;
  int n = 0, offset = -1;
  ASSERT_EQ(getDriftMassScale(r, 0, 1, &scale, &n, &offset), ZVRAW_OK);
  ASSERT_GT(n, 0);
  EXPECT_EQ(scale[0], static_cast<float>(offset) * static_cast<float>(offset) * 1.5f);
  ASSERT_EQ(getDriftMassScale(r, 0, 1, &scale, &n, &offset), ZVRAW_OK);
  EXPECT_EQ(scale[0], static_cast<float>(offset) * static_cast<float>(offset) * 1.5f);
}

TEST_F(DriftReads, MassScaleIsSetAlsoOnAFailedStatus) {
  CZorvalenBaseReader r = scans();
  float* scale = reinterpret_cast<float*>(0x1);
  int n = -1, offset = -1;
  EXPECT_NE(getDriftMassScale(r, 1, 0, &scale, &n, &offset), ZVRAW_OK);  // no drift files
  EXPECT_EQ(n, 0);
  EXPECT_NE(scale, reinterpret_cast<float*>(0x1));
  EXPECT_EQ(getDriftMassScale(r, 2, 0, &scale, &n, &offset), ZVRAW_FUNCNUM_INVALID);
}

// Damaged drift files, read through a fresh reader each time: result codes,
// nothing read out of bounds.
TEST_F(DriftReads, DamagedDriftFilesGiveCodes) {
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::SCAN); rc != ZVRAW_OK)
      return rc;
    int rc = ZVRAW_OK;
    for (int s = 0; s < 3 && rc == ZVRAW_OK; ++s) {
      for (int d = 0; d < 4 && rc == ZVRAW_OK; ++d) {
        float *m = nullptr, *i = nullptr;
        int n = 0;
        rc = readDriftScan(r, 0, s, d, &m, &i, &n);
        for (int k = 0; rc == ZVRAW_OK && k < n; ++k) EXPECT_GE(i[k] + m[k], -1e38f);
      }
    }
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return rc;
  };
  drift_fixture::expectDamagedPairsGiveCodes(raw(), readAll, 0xD1u, 30);
}

}  // namespace

// ---- directories still being written ----

namespace {

class LiveDirectory : public ScanReader {
 protected:
  // A writer on raw(): one format-12 function (30-byte index records),
  // with per-scan statistics when asked for.
  struct Writer {
    Writer(const std::string& path, bool withStats) : w(cluster), stats(withStats) {
      EXPECT_EQ(w.prepareDataCluster(path.c_str(), 0), ZVRAW_OK);
      EXPECT_EQ(w.setFunctionDescriptor(0, centroidDescriptor(12, true, 0), false, true), ZVRAW_OK);
      if (stats) {
        ExtendedStatsDescriptor layout(1, 4);
        layout.addField({COLLISION_ENERGY, 'f'}, 0);
        EXPECT_EQ(w.setExtendedStatsDescriptor(0, layout), ZVRAW_OK);
      }
    }
    // count scans of `peaks` points from scan `first` on, written at once.
    void batch(unsigned first, unsigned count, unsigned peaks) {
      ASSERT_EQ(w.setFunctionDescriptor(0, centroidDescriptor(12, true, first + count)), ZVRAW_OK);
      ScanBatch b(0, first, count, peaks);
      ASSERT_EQ(w.appendScans(0, count, b.masses.data(), b.intensities.data(), b.flags.data(), b.times.data(),
                              b.sizes.data()),
                ZVRAW_OK);
      ASSERT_EQ(w.writeScans(0, true, 0u), ZVRAW_OK);
      if (stats) {
        const std::vector<float> energies(count, 5.0f);
        ASSERT_EQ(w.appendStats(0, count, energies.data()), ZVRAW_OK);
        ASSERT_EQ(w.writeExtendedStats(0u, 0u), ZVRAW_OK);
      }
      if (first == 0) {
        ASSERT_EQ(w.writeFunctionDescriptors(), ZVRAW_OK);
        ASSERT_EQ(w.writeHeader(false), ZVRAW_OK);
      }
    }
    ZVRawDataCluster cluster;
    ZVRawWriteInterface w;
    bool stats;
  };
};

// A scan that an update brings in, larger than every scan before it, is
// read whole by every read (ASan sees any overrun of the reader's buffers).
TEST_F(LiveDirectory, ALargerScanAfterAnUpdateIsReadWhole) {
  Writer writer(rawPath(), true);
  writer.batch(0, 3, 4);
  CZorvalenBaseReader r = scans();
  for (int s = 0; s < 3; ++s) expectFixtureScan(read(r, 0, s), 0, static_cast<unsigned>(s), 4);
  float *m = nullptr, *i = nullptr, *products = nullptr;
  char* flags = nullptr;
  int n = 0, np = 0;
  ASSERT_EQ(readScanFlags(r, 0, 1, &m, &i, &flags, &n), ZVRAW_OK);

  writer.batch(3, 2, 150);  // masses stay inside the function's 50-2000
  EXPECT_EQ(read(r, 0, 3).rc, ZVRAW_SCANNUM_INVALID);  // not yet seen
  ASSERT_EQ(updateRawReader(r), ZVRAW_OK);
  expectFixtureScan(read(r, 0, 4), 0, 4, 150);
  ASSERT_EQ(readScanFlags(r, 0, 3, &m, &i, &flags, &n), ZVRAW_OK);
  ASSERT_EQ(n, 150);
  EXPECT_EQ(m[149], fixtureMass(0, 3, 149));
  ASSERT_NE(flags, nullptr);  // the batch flags point p with p % 16
  EXPECT_EQ(flags[149], normalisedFlag(149 % 16));
  // Not an MRM type: refused, though the scan was loaded into the buffers.
  EXPECT_EQ(readProductScan(r, 0, 4, &m, &i, &products, &n, &np), ZVRAW_FUNCTIONTYPE_INVALID);
  expectFixtureScan(read(r, 0, 0), 0, 0, 4);
}

TEST_F(LiveDirectory, WithoutStatisticsAnUpdateStillReads) {
  Writer writer(rawPath(), false);
  writer.batch(0, 2, 4);
  CZorvalenBaseReader r = scans();
  expectFixtureScan(read(r, 0, 1), 0, 1, 4);
  writer.batch(2, 3, 6);
  EXPECT_EQ(updateRawReader(r), ZVRAW_STATSFILE_FILEREADOPEN_ERROR);
  expectFixtureScan(read(r, 0, 4), 0, 4, 6);
  CZorvalenBaseReader info = share(r, ZorvalenBaseType::INFO);
  unsigned scans = 0;
  ASSERT_EQ(getScanCount(info, 0, &scans), ZVRAW_OK);
  EXPECT_EQ(scans, 5u);
}

}  // namespace
