// The writer front through the C interface: its edge cases, a directory of
// every kind of function read back by the C readers, closing twice, write
// failures that leave files agreeing with each other, targets that cannot be
// prepared, and hostile call sequences.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "api/ZorvalenRawWriterImp.h"
#include "drift/CDTReader.h"
#include "drift/IMSUtil.h"
#include "drift/ScanManager.h"
#include "formats/directory/ZVRawExternInfo.h"
#include "api/WriterTestHandles.h"
#include "support/CloseBehind.h"
#include "support/FileSizeLimit.h"
#include "support/RefusedTruncation.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace Vardex::Lib::ZorvalenRaw;
using F = std::vector<float>;
using U32 = std::vector<unsigned>;
using K = FunctionDefinition;
using writer_test::files;
using writer_test::kWideItems;
using writer_test::Keys;
using writer_test::Reader;
using writer_test::Set;
using writer_test::Writer;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
int key(auto k) { return static_cast<int>(k); }

std::set<std::string> names(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.insert(e.path().filename().string());
  return out;
}

// ttm = 1 (LTEFF 1, VEFF 5184, 1 GHz): grid indices 10..20 are the masses 100, 121, ... 400.
const Keys kGridKeys = {{key(K::STARTMASS), "100"}, {key(K::ENDMASS), "400"}, {key(K::LTEFF), "1"},
                        {key(K::VEFF), "5184"},     {key(K::SAMPLINGFREQUENCY), "1"}};
Keys with(Keys keys, const Keys& more) {
  keys.insert(keys.end(), more.begin(), more.end());
  return keys;
}
const Keys kDrift = with(kGridKeys, {{key(K::FUNCTIONTYPE), "218"}, {key(K::CDT_SCANS), "3"}});
const ZorvalenScanItem kItems[] = {ZorvalenScanItem::COLLISION_ENERGY, ZorvalenScanItem::REFERENCE_SCAN};

// Scan s of the ordinary functions: 4 points, masses and intensities from s.
F massesOf(unsigned s) { return {100.5f + s, 200.25f + s, 300.0f + s, 450.75f + s}; }
F intensitiesOf(unsigned s) { return {1.0f + s, 20.0f, 300.5f, 4.0f + 2 * s}; }
Keys valuesOf(unsigned s) {
  return {{key(ZorvalenScanItem::COLLISION_ENERGY), std::to_string(0.5 * s)},
          {key(ZorvalenScanItem::REFERENCE_SCAN), "1"}};
}
int addScan(CZorvalenRawWriter w, unsigned s, bool values) {
  const F m = massesOf(s), y = intensitiesOf(s);
  const float rt = 0.01f * static_cast<float>(s);
  if (!values) return appendRawScan(w, m.data(), y.data(), 4, rt);
  const Set v(valuesOf(s));
  return appendRawScanWithStats(w, m.data(), y.data(), 4, rt, v);
}

// Block s of a drift function: three drift spectra on the grid, bin 1 empty.
struct Block {
  explicit Block(unsigned s) : indices{10 + s % 5, 12, 20}, intensities{5 + s, 7, 1 + 2 * s} {}
  U32 counts{2, 0, 1}, indices, intensities;
  [[nodiscard]] F sum() const {  // on the grid, zero runs dropped as the writer drops them
    F grid(11, 0.0f), m, y;
    for (std::size_t k = 0; k < 3; ++k) grid[indices[k] - 10] += static_cast<float>(intensities[k]);
    F masses(11);
    for (unsigned k = 0; k < 11; ++k) masses[k] = static_cast<float>((10 + k) * (10 + k));
    EXPECT_EQ(IMSUtil::RemoveZero(masses, grid, m, y), IMSUtil::OK);
    return y;
  }
};
int addBlock(CZorvalenRawWriter w, unsigned s, bool values) {
  const Block b(s);
  const float rt = 0.02f * static_cast<float>(s);
  if (!values) return appendCDTScanIndex(w, b.indices.data(), b.intensities.data(), 3, b.counts.data(), 3, rt);
  const Set v(valuesOf(s));
  return appendCDTScanIndexWithStats(w, b.indices.data(), b.intensities.data(), 3, b.counts.data(), 3, rt, v);
}

float itemOf(CZorvalenBaseReader info, int f, int s, ZorvalenScanItem item) {
  const Set got;
  if (getScanItemValue(info, f, s, &item, 1, got) != ZVRAW_OK) return kNaN;
  const std::string text = got.get(key(item));
  return text.empty() ? kNaN : std::strtof(text.c_str(), nullptr);  // "": the scan has no record
}

F scanOf(CZorvalenBaseReader scans, int f, int s, F* masses = nullptr) {
  float *m = nullptr, *y = nullptr;
  int n = 0;
  EXPECT_EQ(readScan(scans, f, s, &m, &y, &n), ZVRAW_OK) << f << " " << s;
  if (masses != nullptr) masses->assign(m, m + n);
  return F(y, y + n);
}

class WriterFront : public TempDirTest {
 protected:
  [[nodiscard]] fs::path raw() const { return dir() / "front.raw"; }
  // A 32-bit field of _functns.inf's record f (0 without the file): @18
  // the scan count, @10 and @14 the retention times, @160 and @288 the masses.
  template <class T = std::uint32_t>
  [[nodiscard]] T descriptorField(unsigned f, unsigned at) const {
    const fs::path p = raw() / "_functns.inf";
    const Bytes b = fs::is_regular_file(p) ? readFile(p) : Bytes{};
    T v{};
    if (b.size() >= 416 * (f + 1)) std::memcpy(&v, b.data() + 416 * f + at, 4);
    return v;
  }
  [[nodiscard]] unsigned descriptorScans(unsigned f) const { return descriptorField(f, 18); }
  [[nodiscard]] unsigned indexed(unsigned f) const {
    const fs::path p = raw() / ("_func00" + std::to_string(f + 1) + ".idx");
    return fs::is_regular_file(p) ? static_cast<unsigned>(fs::file_size(p) / 30) : 0;
  }
};

// The edge cases of the writer, with every failure the front must report.
TEST_F(WriterFront, EdgeCases) {
  const Set plain, drift(kDrift), ms({{key(K::FUNCTIONTYPE), "200"}});
  const F m = massesOf(0), y = intensitiesOf(0);
  const std::pair<const char*, std::function<void(Writer&)>> cases[] = {
      {"the directory and its header exist at once",
       [&](Writer& w) {
         EXPECT_TRUE(w.rc == ZVRAW_OK && w.w != nullptr);
         EXPECT_EQ(names(raw()), std::set<std::string>{"_header.txt"});
       }},
      {"numbers only for functions started",
       [&](Writer& w) {
         ASSERT_EQ(appendRawFunction(w, plain), ZVRAW_OK);
         EXPECT_EQ(appendRawFunction(w, ms), ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED);
         ASSERT_EQ(appendRawFunction(w, plain), ZVRAW_OK);
         EXPECT_EQ(w.imp().GetCurrentFunction(), 1);
       }},
      {"a drift block for an ordinary function",
       [&](Writer& w) {
         ASSERT_EQ(appendRawFunction(w, plain), ZVRAW_OK);
         const Block b(0);
         EXPECT_EQ(appendCDTScan(w, m.data(), y.data(), 3, b.counts.data(), 3, 1.0f), ZVRAW_WRITER_CDT_NO_FUNCTION);
       }},
      {"a spectrum for a drift function, with and without values",
       [&](Writer& w) {
         ASSERT_EQ(appendRawFunction(w, drift), ZVRAW_OK);
         EXPECT_EQ(appendRawScan(w, m.data(), y.data(), 4, 1.0f), ZVRAW_WRITER_CDT_ADD_SCAN_ERROR);
         EXPECT_EQ(appendRawScanWithStats(w, m.data(), y.data(), 4, 1.0f, plain), ZVRAW_WRITER_CDT_ADD_SCAN_ERROR);
         EXPECT_EQ(w.imp().GetScanWriter()->GetNumberOfScans(), 0);
       }},
      {"closing without a function: every file written, and a run the readers cannot open",
       [&](Writer& w) {
         ASSERT_EQ(closeRawWriter(w), ZVRAW_DATACLUSTER_INVALID);
         EXPECT_EQ(names(raw()), (std::set<std::string>{"_header.txt", "_extern.inf"}));
         EXPECT_EQ(readTextFile(raw() / "_extern.inf"), "Created by Zorvalen SDK\n");
       }},
      {"destroying drops the 99 scans queued",
       [&](Writer& w) {
         ASSERT_EQ(appendRawFunction(w, plain), ZVRAW_OK);
         for (unsigned s = 0; s < 99; ++s) ASSERT_EQ(addScan(w, s, false), ZVRAW_OK);
       }},
  };
  for (const auto& [what, check] : cases) {
    SCOPED_TRACE(what);
    fs::remove_all(raw());
    { Writer w(raw().string()); check(w); }
    EXPECT_FALSE(fs::exists(raw() / "_func001.idx") || fs::exists(raw() / "_func001.dat"));
  }
}

// Three functions (a continuum TOF on a grid, a centroid TOFS with scan
// items, a TOFM drift function of 3 bins), two traces and header items
// written through the C interface and read back by the C readers.
TEST_F(WriterFront, DirectoryReadsBackThroughTheReaders) {
  const F gridIn = {130.5f, 144.0f, 290.0f}, gridY = {10, 7, 3};
  const F times = {0.1f, 0.2f, 0.3f}, pump = {1.5f, -2.0f, 8.0f}, uv = {4, 5, 6};
  {
    Writer w(raw().string());
    ASSERT_EQ(setRawHeaderItems(w, Set({{key(ZorvalenHeaderItem::SAMPLE_DESCRIPTION), "front"}})), ZVRAW_OK);
    ASSERT_EQ(appendRawFunction(w, Set(with(kGridKeys, {{key(K::IONMODE), "108"}, {key(K::RESOLUTION), "20000"}}))),
              ZVRAW_OK);
    for (int s = 0; s < 2; ++s) ASSERT_EQ(appendRawScan(w, gridIn.data(), gridY.data(), 3, 0.5f + s), ZVRAW_OK);
    ASSERT_EQ(appendRawTrace(w, Set({{1201, "Pump"}, {1203, "bar"}, {1204, "1250"}}), times.data(), pump.data(), 3),
              ZVRAW_OK);
    const Set centroid({{key(K::FUNCTIONTYPE), "215"}, {key(K::CONTINUUM), "0"}});
    ASSERT_EQ(appendRawFunctionWithStats(w, centroid, kItems, 2), ZVRAW_OK);
    for (unsigned s = 0; s < 3; ++s) ASSERT_EQ(addScan(w, s, true), ZVRAW_OK);
    ASSERT_EQ(appendRawFunction(w, Set(kDrift)), ZVRAW_OK);
    for (unsigned s = 0; s < 2; ++s) ASSERT_EQ(addBlock(w, s, false), ZVRAW_OK);
    ASSERT_EQ(appendRawTrace(w, Set({{1201, "UV"}, {1203, "mAU"}, {1204, "1251"}}), times.data(), uv.data(), 3),
              ZVRAW_OK);
    ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  }
  const Reader info(raw(), ZorvalenBaseType::INFO), scans(raw(), ZorvalenBaseType::SCAN),
      chrom(raw(), ZorvalenBaseType::CHROM), analog(raw(), ZorvalenBaseType::ANALOG);
  ASSERT_TRUE(info.rc == 0 && scans.rc == 0 && chrom.rc == 0 && analog.rc == 0);
  const ZorvalenFunctionType types[] = {ZorvalenFunctionType::TOF, ZorvalenFunctionType::TOFS,
                                        ZorvalenFunctionType::TOFM};
  const unsigned counts[] = {2, 3, 2};
  unsigned n = 0;
  ASSERT_TRUE(getFunctionCount(info, &n) == 0 && n == 3);
  for (int f = 0; f < 3; ++f) {
    ZorvalenFunctionType type{};
    bool continuum = false;
    EXPECT_TRUE(getFunctionType(info, f, &type) == 0 && type == types[f]) << f;
    EXPECT_TRUE(getScanCount(info, f, &n) == 0 && n == counts[f]) << f;
    EXPECT_TRUE(isContinuum(info, f, continuum) == 0 && continuum == (f != 1)) << f;
  }
  ZorvalenIonMode mode{};
  EXPECT_TRUE(getIonMode(info, 0, &mode) == 0 && mode == ZorvalenIonMode::ES_POS);

  F gridM, gridI;  // continuum scans: the grid's rebinning of the input
  ScanManager grid(1, 5184, 1, 100, 400);
  grid.Resample(gridIn.data(), gridY.data(), 3);
  grid.ZeroGuard(gridM, gridI);
  F m;
  const F rebinned = scanOf(scans, 0, 1, &m);
  ASSERT_EQ(rebinned.size(), gridI.size());
  EXPECT_EQ(m, gridM);
  for (std::size_t k = 0; k < gridI.size(); ++k) EXPECT_NEAR(rebinned[k], gridI[k], 1e-5f * gridI[k]);  // 22 bits
  for (unsigned s = 0; s < 3; ++s) {
    EXPECT_EQ(scanOf(scans, 1, static_cast<int>(s), &m), intensitiesOf(s));
    EXPECT_EQ(m, massesOf(s));
    EXPECT_FLOAT_EQ(itemOf(info, 1, static_cast<int>(s), ZorvalenScanItem::COLLISION_ENERGY), 0.5f * s);
    EXPECT_EQ(itemOf(info, 1, static_cast<int>(s), ZorvalenScanItem::REFERENCE_SCAN), 1);  // the number, in one byte
  }
  float *t = nullptr, *tic = nullptr;
  ASSERT_TRUE(readTICChromatogram(chrom, 1, &t, &tic, reinterpret_cast<int*>(&n)) == 0 && n == 3);
  EXPECT_TRUE(t[2] == 0.02f && tic[2] == 1 + 2 + 20 + 300.5f + 4 + 4);
  (void)releaseMemory(t);
  (void)releaseMemory(tic);

  ASSERT_TRUE(getDriftScanCount(info, 2, &n) == 0 && n == 3);
  for (unsigned s = 0; s < 2; ++s) {
    const Block b(s);
    EXPECT_EQ(scanOf(scans, 2, static_cast<int>(s)), b.sum()) << s;
    for (int bin = 0, at = 0; bin < 3; at += static_cast<int>(b.counts[bin++])) {
      int *idx = nullptr, points = -1;
      float* y = nullptr;
      ASSERT_EQ(readDriftScanIndex(scans, 2, static_cast<int>(s), bin, &idx, &y, &points), ZVRAW_OK);
      ASSERT_EQ(points, static_cast<int>(b.counts[bin])) << s << bin;
      for (int k = 0; k < points; ++k)
        EXPECT_TRUE(idx[k] == static_cast<int>(b.indices[at + k]) && y[k] == b.intensities[at + k]) << s << bin;
    }
  }

  int channels = 0;
  ASSERT_TRUE(getChannelCount(analog, &channels) == 0 && channels == 2);
  const char* texts[][2] = {{"Pump", "bar"}, {"UV", "mAU"}};
  for (int c = 0; c < 2; ++c) {
    const float *ct = nullptr, *cv = nullptr;
    int points = 0;
    char *description = nullptr, *units = nullptr;
    ASSERT_EQ(readChannel(analog, c, &ct, &cv, &points), ZVRAW_OK);
    EXPECT_TRUE(F(ct, ct + points) == times && F(cv, cv + points) == (c == 0 ? pump : uv)) << c;
    ASSERT_EQ(getChannelDesciption(analog, c, &description), ZVRAW_OK);
    EXPECT_STREQ(description, texts[c][0]);
    ASSERT_EQ(getChannelUnits(analog, c, &units), ZVRAW_OK);
    EXPECT_STREQ(units, texts[c][1]);
  }
  const Set header;
  const ZorvalenHeaderItem asked[] = {ZorvalenHeaderItem::VERSION, ZorvalenHeaderItem::SAMPLE_DESCRIPTION};
  ASSERT_EQ(getHeaderItemValue(info, asked, 2, header), ZVRAW_OK);
  EXPECT_EQ(header.get(300), "01.00");
  EXPECT_EQ(header.get(310), "front");
  borealtek_zvraw_version_1::ZVRawExternInfo extern_;
  ASSERT_EQ(extern_.readExternInfo(raw().c_str(), 3), ZVRAW_OK);
  EXPECT_TRUE(extern_.getLteff() == 1 && extern_.getVeff() == 5184 && extern_.getTofResolution() == 20000);
}

// A second close rewrites the same bytes; scans after a close wait for the
// next. A spectrum refused on a drift function leaves no record behind, so
// the next block's record is read with its own scan.
TEST_F(WriterFront, ClosingAgainAndRecordsOfRefusedSpectra) {
  Writer w(raw().string());
  ASSERT_EQ(appendRawFunction(w, Set()), ZVRAW_OK);
  for (unsigned s = 0; s < 3; ++s) ASSERT_EQ(addScan(w, s, false), ZVRAW_OK);
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  const auto first = files(raw());
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  EXPECT_EQ(files(raw()), first);
  for (unsigned s = 3; s < 5; ++s) ASSERT_EQ(addScan(w, s, false), ZVRAW_OK);
  EXPECT_EQ(indexed(0), 3u);
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  EXPECT_TRUE(indexed(0) == 5 && descriptorScans(0) == 5);

  ASSERT_EQ(appendRawFunctionWithStats(w, Set(kDrift), kItems, 2), ZVRAW_OK);
  ASSERT_EQ(addBlock(w, 0, true), ZVRAW_OK);
  EXPECT_EQ(addScan(w, 1, true), ZVRAW_WRITER_CDT_ADD_SCAN_ERROR);
  ASSERT_EQ(addBlock(w, 2, true), ZVRAW_OK);
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  const Reader info(raw(), ZorvalenBaseType::INFO), scans(raw(), ZorvalenBaseType::SCAN);
  ASSERT_TRUE(info.rc == 0 && scans.rc == 0);
  for (unsigned b : {0u, 2u}) {
    const int s = b / 2;
    EXPECT_EQ(scanOf(scans, 1, s), Block(b).sum());
    EXPECT_FLOAT_EQ(itemOf(info, 1, s, ZorvalenScanItem::COLLISION_ENERGY), 0.5f * b);
  }
}

// A drift function and an ordinary one, each with scan items, 150 scans each
// and a trace, under each failure: the first failing call returns it, the
// close still runs, and whatever opens agrees with itself.
TEST_F(WriterFront, FailedWritesLeaveFilesThatAgree) {
  const struct {
    rlim_t limit;  // 0: none
    const char* taken;
  } cases[] = {{300, nullptr},         {1500, nullptr},         {3100, nullptr},        {4000, nullptr},
               {6000, nullptr},        {0, "_func002.sts"},    {0, "_func001.cdt"},    {0, "_CHROMS.INF"},
               {0, "_func001.dat"}};
  const F t(50, 0.5f), v(50, 2.0f);
  int opened = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.limit << " " << (c.taken ? c.taken : ""));
    fs::remove_all(raw());
    int first = ZVRAW_OK, close = ZVRAW_OK;
    const auto keep = [&](int rc) { first = first != ZVRAW_OK ? first : rc; };
    {
      Writer w(raw().string());
      if (c.taken != nullptr) {  // in both spellings a writer tries
        std::string upper = c.taken;
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        fs::create_directory(raw() / c.taken);
        fs::create_directory(raw() / upper);
      }
      std::unique_ptr<FileSizeLimit> limit;
      if (c.limit != 0) limit = std::make_unique<FileSizeLimit>(c.limit);
      ASSERT_TRUE(!limit || limit->ok());
      keep(appendRawFunctionWithStats(w, Set(kDrift), kItems, 2));
      for (unsigned s = 0; s < 150; ++s) {
        const int rc = addBlock(w, s, true);
        EXPECT_TRUE(first == ZVRAW_OK || rc != ZVRAW_OK) << s;  // once failed, no block goes in
        keep(rc);
      }
      keep(appendRawTrace(w, Set({{1201, "trace"}}), t.data(), v.data(), 50));
      keep(appendRawFunctionWithStats(w, Set(), kItems, 2));
      for (unsigned s = 0; s < 150; ++s) keep(addScan(w, s, true));
      close = closeRawWriter(w);
    }
    EXPECT_TRUE(first != ZVRAW_OK || close != ZVRAW_OK);
    EXPECT_TRUE(fs::exists(raw() / "_header.txt") && fs::exists(raw() / "_extern.inf"));  // the close ran on
    const Reader info(raw(), ZorvalenBaseType::INFO), scans(raw(), ZorvalenBaseType::SCAN);
    if (info.rc != ZVRAW_OK || scans.rc != ZVRAW_OK) continue;  // what does not open cannot disagree
    ++opened;
    unsigned functions = 0;
    ASSERT_EQ(getFunctionCount(info, &functions), ZVRAW_OK);
    for (unsigned f = 0; f < functions; ++f) {
      const bool drift = fs::is_regular_file(raw() / ("_func00" + std::to_string(f + 1) + ".cdt"));
      EXPECT_LE(descriptorScans(f), indexed(f));
      CDTReader blocks;
      int written = 0;  // a failed batch may leave its blocks (at most 100) past the last scan indexed
      if (drift) {
        ASSERT_TRUE(blocks.Initialise(raw().string(), static_cast<int>(f)) == 0 && blocks.GetScanCount(written) == 0);
        EXPECT_TRUE(written >= static_cast<int>(indexed(f)) && written <= static_cast<int>(indexed(f)) + 100)
            << written;
      }
      if (c.limit > 1300 || c.taken != nullptr) {
        EXPECT_EQ(descriptorScans(f), indexed(f)) << f;
      }
      for (unsigned s = 0; s < indexed(f); ++s) {
        const int fi = static_cast<int>(f), si = static_cast<int>(s);
        EXPECT_EQ(scanOf(scans, fi, si), drift ? Block(s).sum() : intensitiesOf(s)) << f << " " << s;
        int *idx = nullptr, points = 0;
        float* y = nullptr;  // the block of a drift scan is its own: bin 2 holds 1 + 2 s
        const bool own = !drift || (readDriftScanIndex(scans, fi, si, 2, &idx, &y, &points) == 0 && points == 1 &&
                                    y[0] == 1.0f + 2.0f * static_cast<float>(s));
        EXPECT_TRUE(own) << s;
        const float ce = itemOf(info, fi, si, ZorvalenScanItem::COLLISION_ENERGY);
        EXPECT_TRUE(std::isnan(ce) || ce == 0.5f * s) << f << " " << s;  // no record, or its own
      }
    }
  }
  EXPECT_GE(opened, 5);
}

// A drift file whose close fails (bytes already written may be lost) is
// reported by the call that closes it: the next function, which then does
// not start, or the close.
TEST_F(WriterFront, FailedDriftClosesAreReported) {
  const std::pair<const char*, std::function<int(Writer&)>> closings[] = {
      {"next function", [](Writer& w) { return appendRawFunction(w, Set()); }},
      {"close", [](Writer& w) { return closeRawWriter(w); }},
  };
  for (const auto& [what, closing] : closings) {
    SCOPED_TRACE(what);
    fs::remove_all(raw());
    Writer w(raw().string());
    ASSERT_EQ(appendRawFunction(w, Set(kDrift)), ZVRAW_OK);
    ASSERT_EQ(addBlock(w, 0, false), ZVRAW_OK);
    ASSERT_TRUE(closeBehind(raw() / "_func001.cdt"));
    EXPECT_EQ(closing(w), ZVRAW_FILEWRITE_ERROR);
    EXPECT_EQ(w.imp().GetCurrentFunction(), 0);
  }
}

// A drift function whose files were made but whose start failed (the
// index header not written) leaves neither file: the plain function started
// next under its number reads as plain.
TEST_F(WriterFront, ADriftFunctionNotStartedLeavesNoDriftFiles) {
  Writer w(raw().string());
  {
    const FileSizeLimit limit(20);  // the index header takes 36 bytes
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(appendRawFunction(w, Set(kDrift)), ZVRAW_FILEWRITE_ERROR);
  }
  EXPECT_EQ(w.imp().GetCurrentFunction(), -1);
  ASSERT_TRUE(appendRawFunction(w, Set()) == ZVRAW_OK && addScan(w, 0, false) == ZVRAW_OK);
  (void)closeRawWriter(w);
  EXPECT_EQ(names(raw()), (std::set<std::string>{"_header.txt", "_extern.inf", "_functns.inf", "_func001.dat",
                                                 "_func001.idx"}));
  const Reader scans(raw(), ZorvalenBaseType::SCAN);
  unsigned bins = 0;
  EXPECT_EQ(scanOf(scans, 0, 0), intensitiesOf(0));
  EXPECT_TRUE(getDriftScanCount(scans, 0, &bins) != ZVRAW_OK || bins == 0);
}

// A target that cannot be prepared, or holds an earlier run, still gives a
// handle; every call on it returns the preparation's code and nothing lands
// in the target, the working directory or the root.
TEST_F(WriterFront, UnpreparedTargetsWriteNothing) {
  writeTextFile(dir() / "plain", "a file");
  fs::create_directory(dir() / "old.raw");
  writeTextFile(dir() / "old.raw" / "_FUNC001.CDT", "old");
  const fs::path cwd = fs::current_path();
  const auto before = names(cwd), rootBefore = names("/");
  const F m = massesOf(0), y = intensitiesOf(0);
  const Block b(0);
  for (const auto& [target, code] : {std::pair<std::string, int>{"", ZVRAW_FILENAME_EMPTY},
                                     {(dir() / "plain" / "run.raw").string(), ZVRAW_ERROR},
                                     {(dir() / "plain").string(), ZVRAW_ERROR},
                                     {(dir() / "old.raw").string(), ZVRAW_FILENAME_ERROR}}) {
    Writer w(target);
    ASSERT_TRUE(w.rc == ZVRAW_OK && w.w != nullptr) << target;
    const Set plain, drift(kDrift), trace({{1201, "x"}});
    const int results[] = {setRawHeaderItems(w, plain),
                           appendRawFunction(w, plain),
                           appendRawFunctionWithStats(w, drift, kItems, 2),
                           appendRawScan(w, m.data(), y.data(), 4, 1.0f),
                           appendRawScanWithStats(w, m.data(), y.data(), 4, 1.0f, plain),
                           appendCDTScanIndex(w, b.indices.data(), b.intensities.data(), 3, b.counts.data(), 3, 1),
                           appendCDTScan(w, m.data(), y.data(), 3, b.counts.data(), 3, 1.0f),
                           appendRawTrace(w, trace, m.data(), y.data(), 4),
                           flushRawWriter(w),
                           closeRawWriter(w)};
    for (int rc : results) EXPECT_EQ(rc, code) << target;
  }
  EXPECT_EQ(names(cwd), before);
  EXPECT_EQ(names("/"), rootBefore);
  EXPECT_EQ(names(dir()), (std::set<std::string>{"plain", "old.raw"}));
  EXPECT_EQ(names(dir() / "old.raw"), std::set<std::string>{"_FUNC001.CDT"});
  EXPECT_EQ(readTextFile(dir() / "old.raw" / "_FUNC001.CDT"), "old");
}

std::set<std::string> tree(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) out.insert(e.path().string());
  return out;
}

std::optional<std::string> inChild(const std::function<std::optional<std::string>()>& body);

// A target the writer cannot use gives its code at the first call after
// createRawWriter and every later one, and is left as it was: a directory
// without write access for the writing user, a new one under it, a path too
// long for the run's files beside it, a disk that takes no byte (the
// directories made for it removed again). A path just short enough takes a
// run. Each case runs in a child, which can drop root's rights.
TEST_F(WriterFront, TargetsThatCannotTakeARunAreReportedAtOnce) {
  fs::permissions(dir(), fs::perms(0755));  // the user without rights must reach the target
  const fs::path locked = dir() / "locked";
  fs::create_directory(locked);
  fs::permissions(locked, fs::perms(0555));
  const auto ofLength = [&](std::size_t n) {
    const std::string base = (dir() / "long-").string();
    return base + std::string(n - base.size(), 'x');
  };
  const struct {
    const char* what;
    std::string target;
    int code;
    bool asOtherUser = false;
    rlim_t limit = RLIM_INFINITY;
  } cases[] = {
      {"a directory without write access", locked.string(), ZVRAW_FILEOPEN_ERROR, true},
      {"a new directory in it", (locked / "run.raw").string(), ZVRAW_ERROR, true},
      {"a path of 243 bytes", ofLength(243), ZVRAW_FILENAME_ERROR},
      {"a disk that takes no byte", (dir() / "new" / "deeper" / "run.raw").string(), ZVRAW_FILEWRITE_ERROR, false,
       0},
      {"a path of 242 bytes", ofLength(242), ZVRAW_OK},
  };
  int unchecked = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto before = tree(dir());
    const auto text = inChild([&]() -> std::optional<std::string> {
      if (c.asOtherUser && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return std::nullopt;
      if (c.asOtherUser && ::access(locked.c_str(), W_OK) == 0) return std::nullopt;  // rights that pass 0555
      std::ostringstream out;
      {
        const FileSizeLimit limit(c.limit);
        CZorvalenRawWriter w = nullptr;
        if (createRawWriter(&w, c.target.c_str()) != ZVRAW_OK || w == nullptr) return "no writer";
        const int results[] = {appendRawFunction(w, Set()), addScan(w, 0, false), closeRawWriter(w)};
        for (const int rc : results)
          if (rc != c.code) out << "code " << rc << "; ";
        (void)destroyRawWriter(w);
      }
      if (c.code == ZVRAW_OK) {
        const Reader scans(c.target, ZorvalenBaseType::SCAN);
        float *m = nullptr, *y = nullptr;
        int n = 0;
        if (scans.rc != ZVRAW_OK || readScan(scans, 0, 0, &m, &y, &n) != ZVRAW_OK || F(y, y + n) != intensitiesOf(0))
          out << "no run; ";
      } else if (tree(dir()) != before) {
        out << "left behind; ";
      }
      return out.str();
    });
    if (!text) {
      ++unchecked;  // root, and no way to write as another user
      continue;
    }
    EXPECT_EQ(*text, "");
  }
  fs::permissions(locked, fs::perms(0755));
  EXPECT_LE(unchecked, 2);
}

// Beside a path of 242 bytes the 100th function's file names
// ("_func0100.dat", a byte longer) would not fit: that function is refused
// when it is defined, and the 99 before it read back.
TEST_F(WriterFront, AFunctionWhoseFileNamesDoNotFitIsRefused) {
  const std::string base = (dir() / "long-").string();
  const std::string target = base + std::string(242 - base.size(), 'x');
  {
    Writer w(target);
    for (unsigned f = 0; f < 99; ++f) ASSERT_TRUE(appendRawFunction(w, Set()) == 0 && addScan(w, f, false) == 0);
    EXPECT_EQ(appendRawFunction(w, Set()), ZVRAW_FILENAME_ERROR);
    EXPECT_EQ(addScan(w, 99, false), ZVRAW_OK);  // the 99th function's
    EXPECT_EQ(closeRawWriter(w), ZVRAW_OK);
  }
  const Reader info(target, ZorvalenBaseType::INFO);
  unsigned functions = 0, scans = 0;
  ASSERT_EQ(info.rc, ZVRAW_OK);
  ASSERT_EQ(getFunctionCount(info, &functions), ZVRAW_OK);
  EXPECT_EQ(functions, 99u);
  ASSERT_EQ(getScanCount(info, 98, &scans), ZVRAW_OK);
  EXPECT_EQ(scans, 2u);
}

// A regular file (links followed) the readers would take as part of a run,
// in any spelling they try, makes a target one that holds a run; anything
// else is left alone by the new run.
TEST_F(WriterFront, TargetsHoldingARunAreRefused) {
  enum Kind { File, Link, Directory };
  const struct {
    const char* name;
    Kind kind;
    bool refused;
  } cases[] = {{"_header.txt", File, true},    {"_HEADER.INF", File, true},    {"_functns.inf", File, true},
               {"_extern.inf", File, true},    {"_TOF.TXT", File, true},       {"_vesko.inf", File, true},
               {"MOB_CAL.CSV", File, true},    {"_dda.inf", File, true},       {"lmgt.inf", File, true},
               {"_chroms.inf", File, true},    {"_ANALOGS.DAT", File, true},   {"_CHRO012.DAT", File, true},
               {"_func002.sts", File, true},   {"_FUNC0100.IDX", File, true},  {"_func100.cdt", File, true},
               {"_func001.ind", Link, true},   {"notes.txt", File, false},     {"_Func001.dat", File, false},
               {"_func1.dat", File, false},    {"_func0001.dat", File, false}, {"_func000.idx", File, false},
               {"_func0100.cdt", File, false}, {"_func001.dat.bak", File, false}, {"_CHRO000.DAT", File, false},
               {"_func003.dat", Directory, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(raw());
    fs::create_directories(raw());
    writeTextFile(dir() / "elsewhere", "old");
    if (c.kind == Directory) fs::create_directory(raw() / c.name);
    if (c.kind == Link) fs::create_symlink(dir() / "elsewhere", raw() / c.name);
    if (c.kind == File) writeTextFile(raw() / c.name, "old");
    const auto before = names(raw());
    {
      Writer w(raw().string());
      const int code = c.refused ? ZVRAW_FILENAME_ERROR : ZVRAW_OK;
      EXPECT_EQ(appendRawFunction(w, Set()), code);
      EXPECT_EQ(addScan(w, 0, false), code);
      EXPECT_EQ(closeRawWriter(w), code);
    }
    if (c.refused) {
      EXPECT_EQ(names(raw()), before);
    }
    if (c.kind != Directory) {
      EXPECT_EQ(readTextFile(raw() / c.name), "old");
    }
  }
}

// Hostile calls in sequence on one writer: each refused with its code and
// writing nothing; the directory opens afterwards.
TEST_F(WriterFront, HostileCallsAreRefusedAndWriteNothing) {
  Writer w(raw().string());
  CZorvalenRawWriter none = nullptr;
  const Set plain, trace({{1201, "x"}}), drift(kDrift);
  CZorvalenParameters notAWriter = plain;
  const F m = massesOf(0), y = intensitiesOf(0), nanY = {kNaN, 1, 2, 3}, infY = {1, 2, -kInf, 3};
  const Block b(0);
  const U32 over = {2, 0, 2};  // counts that do not add up to datasize
  const std::string longPath(256, 'a');
  const auto function = [&](const Keys& keys) { return appendRawFunction(w, Set(keys)); };
  const auto items = [&](std::vector<int> list, int n) {
    std::vector<ZorvalenScanItem> is;
    for (int i : list) is.push_back(static_cast<ZorvalenScanItem>(i));
    return appendRawFunctionWithStats(w, plain, list.empty() ? nullptr : is.data(), n);
  };
  const struct {
    const char* what;
    std::function<int()> call;
    int rc;
  } calls[] = {
      {"scan before a function", [&] { return appendRawScan(w, m.data(), y.data(), 4, 1.0f); }, ZVRAW_ERROR},
      {"scan with values before a function",
       [&] { return appendRawScanWithStats(w, m.data(), y.data(), 4, 1.0f, plain); }, ZVRAW_ERROR},
      {"null writer", [&] { return appendRawFunction(none, plain); }, ZVRAW_NULL_PARAMETERS},
      {"a parameter set as writer", [&] { return closeRawWriter(notAWriter); }, ZVRAW_NULL_PARAMETERS},
      {"destroying a parameter set as writer", [&] { return destroyRawWriter(notAWriter); }, ZVRAW_NULL_PARAMETERS},
      {"a writer as parameter set", [&] { return appendRawFunction(w, w.w); }, ZVRAW_NULL_PARAMETERS},
      {"null parameter set", [&] { return setRawHeaderItems(w, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"null out handle", [&] { return createRawWriter(nullptr, raw().c_str()); }, ZVRAW_NULL_PARAMETERS},
      {"null target", [&] { return createRawWriter(&none, nullptr); }, ZVRAW_NULL_PARAMETERS},
      {"target of 256 bytes", [&] { return createRawWriter(&none, longPath.c_str()); }, ZVRAW_FILENAME_ERROR},
      {"type MS", [&] { return function({{key(K::FUNCTIONTYPE), "200"}}); }, ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED},
      {"ion mode 99", [&] { return function({{key(K::IONMODE), "99"}}); }, ZVRAW_PARAMETER_INVALID},
      {"start mass x", [&] { return function({{key(K::STARTMASS), "x"}}); }, ZVRAW_ERROR},
      {"drift without Veff", [&] { return function({{key(K::CDT_SCANS), "3"}, {key(K::LTEFF), "1"}}); },
       ZVRAW_PARAMETER_INVALID},
      {"item count -1", [&] { return items({462}, -1); }, ZVRAW_PARAMETER_INVALID},
      {"null items", [&] { return items({}, 2); }, ZVRAW_NULL_PARAMETERS},
      {"drift block, no function", [&] { return appendCDTScan(w, m.data(), y.data(), 3, b.counts.data(), 3, 1); },
       ZVRAW_WRITER_CDT_NO_FUNCTION},
      {"ordinary function", [&] { return function({}); }, ZVRAW_OK},
      {"drift block, ordinary function",
       [&] { return appendCDTScanIndex(w, b.indices.data(), b.intensities.data(), 3, b.counts.data(), 3, 1); },
       ZVRAW_WRITER_CDT_NO_FUNCTION},
      {"size -1", [&] { return appendRawScan(w, m.data(), y.data(), -1, 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"null masses", [&] { return appendRawScan(w, nullptr, y.data(), 4, 1.0f); }, ZVRAW_NULL_PARAMETERS},
      {"NaN time", [&] { return appendRawScan(w, m.data(), y.data(), 4, kNaN); }, ZVRAW_PARAMETER_INVALID},
      {"NaN intensity", [&] { return appendRawScan(w, m.data(), nanY.data(), 4, 1.0f); }, ZVRAW_PARAMETER_INVALID},
      {"infinite intensity with values",
       [&] { return appendRawScanWithStats(w, m.data(), infY.data(), 4, 1.0f, plain); }, ZVRAW_PARAMETER_INVALID},
      {"trace size -1", [&] { return appendRawTrace(w, trace, m.data(), y.data(), -1); }, ZVRAW_PARAMETER_INVALID},
      {"trace of null times", [&] { return appendRawTrace(w, trace, nullptr, y.data(), 4); }, ZVRAW_NULL_PARAMETERS},
      {"drift function", [&] { return appendRawFunction(w, drift); }, ZVRAW_OK},
      {"null block", [&] { return appendCDTScan(w, nullptr, y.data(), 3, b.counts.data(), 3, 1); },
       ZVRAW_NULL_PARAMETERS},
      {"null counts", [&] { return appendCDTScan(w, m.data(), y.data(), 3, nullptr, 3, 1); }, ZVRAW_NULL_PARAMETERS},
      {"counts over datasize", [&] { return appendCDTScan(w, m.data(), y.data(), 3, over.data(), 3, 1); },
       ZVRAW_PARAMETER_INVALID},
      {"infinite intensity in a block",
       [&] { return appendCDTScan(w, m.data(), infY.data(), 3, b.counts.data(), 3, 1); }, ZVRAW_PARAMETER_INVALID},
      {"NaN mass in a block, with values",
       [&] { return appendCDTScanWithStats(w, nanY.data(), y.data(), 3, b.counts.data(), 3, 1, plain); },
       ZVRAW_PARAMETER_INVALID},
      {"NaN block time",
       [&] { return appendCDTScanIndex(w, b.indices.data(), b.intensities.data(), 3, b.counts.data(), 3, kNaN); },
       ZVRAW_PARAMETER_INVALID},
      {"item 600", [&] { return items({462, 600}, 2); }, ZVRAW_PARAMETER_INVALID},  // refused items start nothing
      {"item 476", [&] { return items({476}, 1); }, ZVRAW_SCAN_STAT_NOTSUPPORTED},
      {"item 485", [&] { return items({485}, 1); }, ZVRAW_SCAN_STAT_NOTSUPPORTED},
      {"close", [&] { return closeRawWriter(w); }, ZVRAW_OK},
      {"drift block after close", [&] { return appendCDTScan(w, m.data(), y.data(), 3, b.counts.data(), 3, 1); },
       ZVRAW_WRITER_CDT_NO_FUNCTION},
  };
  for (const auto& c : calls) {
    const auto before = files(raw());
    EXPECT_EQ(c.call(), c.rc) << c.what;
    EXPECT_EQ(none, nullptr) << c.what;
    if (c.rc != ZVRAW_OK) {
      EXPECT_EQ(files(raw()), before) << c.what;
    }
  }
  EXPECT_EQ(setParameterValue(notAWriter, 1, "still a set"), ZVRAW_OK);
  const Reader info(raw(), ZorvalenBaseType::INFO);
  unsigned functions = 0;
  EXPECT_TRUE(info.rc == ZVRAW_OK && getFunctionCount(info, &functions) == 0 && functions == 2);
}

// Writes lost to a full disk or to a name a directory holds: the failing
// call returns the failure, and so does every flush and close after it, also
// once the disk has room and another function was written. What is on disk
// reads back, and a function's record counts and spans only its scans written.
TEST_F(WriterFront, LostWritesAreReportedByEveryLaterFlushAndClose) {
  const struct {
    const char* what;
    rlim_t limit;       // 0: none
    const char* taken;  // held by a directory, in both spellings
    bool drift;
    int written;  // scans of function 0 on disk; -1: as far as the limit lets
  } cases[] = {
      {"first batch past the limit", 2000, nullptr, false, 0},
      {"statistics after their scans: the batch taken back", 0, "_func001.sts", false, 0},
      {"drift blocks past the limit", 2000, nullptr, true, -1},
      {"trace data", 0, "_CHRO001.DAT", false, 200},
  };
  const F t = {0.5f}, v = {2.0f};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(raw());
    Writer w(raw().string());
    if (c.taken != nullptr)
      for (std::string name : {std::string(c.taken), std::string(c.taken)}) {
        fs::create_directory(raw() / name);
        for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        fs::create_directory(raw() / name);
      }
    int lost = ZVRAW_OK;
    {
      std::unique_ptr<FileSizeLimit> limit;
      if (c.limit != 0) limit = std::make_unique<FileSizeLimit>(c.limit);
      ASSERT_TRUE(!limit || limit->ok());
      ASSERT_EQ(appendRawFunctionWithStats(w, Set(c.drift ? kDrift : Keys{}), kItems, 2), ZVRAW_OK);
      for (unsigned s = 0; s < 200; ++s) {
        const int rc = c.drift ? addBlock(w, s, true) : addScan(w, s, true);
        EXPECT_TRUE(lost == ZVRAW_OK || rc == lost) << s;  // the function takes no more
        lost = lost != ZVRAW_OK ? lost : rc;
      }
      const int rc = appendRawTrace(w, Set(), t.data(), v.data(), 1);
      lost = lost != ZVRAW_OK ? lost : rc;
      ASSERT_NE(lost, ZVRAW_OK);
      EXPECT_EQ(flushRawWriter(w), lost);
    }
    EXPECT_EQ(closeRawWriter(w), lost);
    ASSERT_EQ(appendRawFunction(w, Set()), ZVRAW_OK);
    ASSERT_EQ(addScan(w, 7, false), ZVRAW_OK);
    EXPECT_EQ(flushRawWriter(w), lost);
    EXPECT_EQ(closeRawWriter(w), lost);

    const unsigned n = indexed(0);
    EXPECT_TRUE(c.written < 0 || n == static_cast<unsigned>(c.written)) << n;
    EXPECT_TRUE(descriptorScans(0) == n && descriptorScans(1) == 1);
    const Reader scans(raw(), ZorvalenBaseType::SCAN);
    ASSERT_EQ(scans.rc, ZVRAW_OK);
    if (n > 0) {
      EXPECT_EQ(scanOf(scans, 0, static_cast<int>(n) - 1), c.drift ? Block(n - 1).sum() : intensitiesOf(n - 1));
    }
    const float step = c.drift ? 0.02f : 0.01f, unset = std::numeric_limits<float>::max();
    const float last = n > 0 ? step * static_cast<float>(n - 1) : -unset;
    const float low = n == 0 ? unset : c.drift ? 100.0f : massesOf(0)[0];
    const float high = n == 0 ? -unset : c.drift ? 400.0f : massesOf(n - 1)[3];
    EXPECT_EQ(descriptorField<float>(0, 10), n > 0 ? 0.0f : unset);
    EXPECT_EQ(descriptorField<float>(0, 14), last);
    EXPECT_EQ(descriptorField<float>(0, 160), low);
    EXPECT_EQ(descriptorField<float>(0, 288), high);
  }
}

// Each FunctionDefinition key read as the header says: a text that begins
// with no number refuses the function but for CDT_SCANS and RESOLUTION,
// which are then ignored; NaN and infinity are refused wherever a float is read.
TEST_F(WriterFront, FunctionKeysReadAsDocumented) {
  const struct {
    K key;
    const char* text;
    int rc;
  } cases[] = {
      {K::CONTINUUM, "yes", ZVRAW_ERROR},          {K::CONTINUUM, "2", ZVRAW_ERROR},
      {K::IONMODE, "ES+", ZVRAW_ERROR},            {K::IONMODE, "99", ZVRAW_PARAMETER_INVALID},
      {K::FUNCTIONTYPE, "TOF", ZVRAW_ERROR},       {K::FUNCTIONTYPE, "nan", ZVRAW_ERROR},
      {K::STARTMASS, "x", ZVRAW_ERROR},            {K::STARTMASS, "nan", ZVRAW_PARAMETER_INVALID},
      {K::ENDMASS, "", ZVRAW_ERROR},               {K::ENDMASS, "-inf", ZVRAW_PARAMETER_INVALID},
      {K::CDT_SCANS, "abc", ZVRAW_OK},             {K::CDT_SCANS, "nan", ZVRAW_OK},
      {K::CDT_SCANS, "-1", ZVRAW_PARAMETER_INVALID},
      {K::SAMPLINGFREQUENCY, "GHz", ZVRAW_ERROR},  {K::SAMPLINGFREQUENCY, "inf", ZVRAW_PARAMETER_INVALID},
      {K::LTEFF, "abc", ZVRAW_ERROR},              {K::LTEFF, "nan", ZVRAW_PARAMETER_INVALID},
      {K::VEFF, "-", ZVRAW_ERROR},                 {K::VEFF, "infinity", ZVRAW_PARAMETER_INVALID},
      {K::RESOLUTION, "abc", ZVRAW_OK},            {K::RESOLUTION, "nan", ZVRAW_PARAMETER_INVALID},
      {K::RESOLUTION, "-inf", ZVRAW_PARAMETER_INVALID},
  };
  Writer w(raw().string());
  int started = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << key(c.key) << " '" << c.text << "'");
    EXPECT_EQ(appendRawFunction(w, Set({{key(c.key), c.text}})), c.rc);
    if (c.rc == ZVRAW_OK) {  // an ordinary function
      EXPECT_EQ(addScan(w, static_cast<unsigned>(started++), false), ZVRAW_OK);
    }
    EXPECT_EQ(w.imp().GetCurrentFunction(), started - 1);
  }
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  EXPECT_EQ(readTextFile(raw() / "_extern.inf"), "Created by Zorvalen SDK\n");  // no value reached it
}

// A header item fits its slot whole (509 bytes, no line break) or the set is
// refused with none of its items set; a trace description is cut to the 80
// bytes of its record field.
TEST_F(WriterFront, TextsFitTheirFieldsOrAreRefused) {
  const int sample = key(ZorvalenHeaderItem::SAMPLE_DESCRIPTION), user = key(ZorvalenHeaderItem::USER_NAME);
  const struct {
    std::string sample;
    int rc;
  } cases[] = {
      {std::string(509, 's'), ZVRAW_OK}, {"", ZVRAW_OK},
      {std::string(510, 's'), ZVRAW_PARAMETER_INVALID}, {"two\nlines", ZVRAW_PARAMETER_INVALID},
      {"cr\r", ZVRAW_PARAMETER_INVALID},
  };
  const F t = {0.5f}, v = {2.0f};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sample.size());
    fs::remove_all(raw());
    {
      Writer w(raw().string());
      ASSERT_EQ(setRawHeaderItems(w, Set({{user, "first"}})), ZVRAW_OK);
      EXPECT_EQ(setRawHeaderItems(w, Set({{sample, c.sample}, {user, "second"}})), c.rc);
      ASSERT_EQ(appendRawTrace(w, Set({{1201, std::string(200, 'd')}}), t.data(), v.data(), 1), ZVRAW_OK);
      ASSERT_TRUE(appendRawFunction(w, Set()) == ZVRAW_OK && addScan(w, 0, false) == ZVRAW_OK);  // a run opens
      ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
    }
    const Reader info(raw(), ZorvalenBaseType::INFO), analog(raw(), ZorvalenBaseType::ANALOG);
    ASSERT_TRUE(info.rc == ZVRAW_OK && analog.rc == ZVRAW_OK);
    const Set got;
    const ZorvalenHeaderItem asked[] = {ZorvalenHeaderItem::SAMPLE_DESCRIPTION, ZorvalenHeaderItem::USER_NAME};
    ASSERT_EQ(getHeaderItemValue(info, asked, 2, got), ZVRAW_OK);
    EXPECT_EQ(got.get(sample), c.rc == ZVRAW_OK ? c.sample : "");
    EXPECT_EQ(got.get(user), c.rc == ZVRAW_OK ? "second" : "first");
    char* description = nullptr;
    ASSERT_EQ(getChannelDesciption(analog, 0, &description), ZVRAW_OK);
    EXPECT_EQ(std::string(description), std::string(80, 'd'));
  }
}

// ---- cut points: a run cut short by a full disk ----

// A run as a user writes it, function by function.
struct Shape {
  struct Function {
    bool drift;
    std::span<const ZorvalenScanItem> items;  // the first is COLLISION_ENERGY
    unsigned scans, flushEvery;               // flushEvery 0: never
  };
  const char* what;
  std::vector<Function> functions;
};
// Records wider than a scan's index record and points (kWideItems): .sts
// is the file a full disk stops first.
const Shape kShapes[] = {
    {"wide records, flushed every 30", {{false, kWideItems, 260, 30}}},
    {"a drift function, then a plain one", {{true, kItems, 130, 50}, {false, kWideItems, 120, 0}}},
    {"two functions without statistics", {{false, {}, 150, 0}, {false, {}, 150, 0}}},
};

// What a run confirmed: the scans of each function once a flush, a new
// function or the close returned 0 with nothing failed before; and whether
// any call failed.
struct Confirmed {
  std::vector<unsigned> scans;
  bool failed = false;
};

// confirmed, when given, hears of each scan count the run confirms.
Confirmed writeShape(const fs::path& target, const Shape& shape,
                     const std::function<void(const std::vector<unsigned>&)>& confirmed = {}) {
  Confirmed out{std::vector<unsigned>(shape.functions.size(), 0)};
  std::vector<unsigned> added = out.scans;
  const auto confirm = [&](int rc) {
    out.failed = out.failed || rc != ZVRAW_OK;
    if (out.failed) return;
    out.scans = added;
    if (confirmed) confirmed(out.scans);
  };
  CZorvalenRawWriter w = nullptr;
  confirm(createRawWriter(&w, target.c_str()));
  for (std::size_t f = 0; f < shape.functions.size() && w != nullptr; ++f) {
    const Shape::Function& fn = shape.functions[f];
    const Set keys(fn.drift ? kDrift : Keys{});
    const bool items = !fn.items.empty();
    confirm(items ? appendRawFunctionWithStats(w, keys, fn.items.data(), static_cast<int>(fn.items.size()))
                  : appendRawFunction(w, keys));
    for (unsigned s = 0; s < fn.scans; ++s) {
      const int rc = fn.drift ? addBlock(w, s, items) : addScan(w, s, items);
      out.failed = out.failed || rc != ZVRAW_OK;
      added[f] = s + 1;
      if (fn.flushEvery != 0 && (s + 1) % fn.flushEvery == 0) confirm(flushRawWriter(w));
    }
  }
  if (w != nullptr) confirm(closeRawWriter(w));
  (void)destroyRawWriter(w);
  return out;
}

// Where the run does not read back as confirmed: "" when every scan a fresh
// reader counts reads back whole with its record, those counted include
// every confirmed scan, and a run that reported no failure holds every scan.
std::string checkRun(const fs::path& raw, const Shape& shape, const Confirmed& run) {
  std::ostringstream out;
  for (std::size_t f = 0; f < shape.functions.size(); ++f)
    if (!run.failed && run.scans[f] != shape.functions[f].scans) out << "function " << f << " lost scans unreported; ";
  if (std::ranges::all_of(run.scans, [](unsigned n) { return n == 0; }) && !fs::exists(raw / "_functns.inf"))
    return out.str();
  const Reader info(raw, ZorvalenBaseType::INFO), scans(raw, ZorvalenBaseType::SCAN);
  if (info.rc != ZVRAW_OK || scans.rc != ZVRAW_OK) return out.str() + "does not open: " + std::to_string(info.rc);
  for (std::size_t f = 0; f < shape.functions.size(); ++f) {
    const Shape::Function& fn = shape.functions[f];
    const int fi = static_cast<int>(f);
    unsigned counted = 0;
    (void)getScanCount(info, fi, &counted);  // a function the descriptors do not list yet counts none
    if (counted < run.scans[f]) out << "function " << f << " counts " << counted << " of " << run.scans[f] << "; ";
    for (unsigned s = 0; s < counted; ++s) {
      const int si = static_cast<int>(s);
      float *m = nullptr, *y = nullptr;
      int n = 0;
      const bool read = readScan(scans, fi, si, &m, &y, &n) == ZVRAW_OK;
      const F got(y, y + (read ? n : 0)), masses(m, m + (read ? n : 0));
      const bool whole = fn.drift ? got == Block(s).sum() : got == intensitiesOf(s) && masses == massesOf(s);
      const bool record = fn.items.empty() || itemOf(info, fi, si, ZorvalenScanItem::COLLISION_ENERGY) == 0.5f * s;
      if (!whole || !record) out << "scan " << f << "/" << s << (whole ? " record" : " points") << "; ";
    }
  }
  return out.str();
}

// body() in a child process: its text ("" when all is well), or none when
// the child could not set up what it needs (the caller skips).
std::optional<std::string> inChild(const std::function<std::optional<std::string>()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const std::optional<std::string> text = body();
    const std::string t = text.value_or("");
    (void)!::write(fds[1], t.data(), t.size());
    ::_exit(text ? 0 : 77);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return text + " (the child died)";
  if (WEXITSTATUS(status) == 77) return std::nullopt;
  return text;
}

std::uint64_t largestFile(const fs::path& dir) {
  std::uint64_t most = 0;
  for (const auto& [name, bytes] : files(dir)) most = std::max<std::uint64_t>(most, bytes.size());
  return most;
}

// Every cut point of each run under a file-size limit (steps of 256 bytes
// up to its largest file): whatever the limit stops, every scan confirmed
// before reads back, with its record, and the directory opens.
TEST_F(WriterFront, ConfirmedScansReadBackAtEveryCutPoint) {
  constexpr rlim_t kStep = 256;
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.what);
    fs::remove_all(raw());
    ASSERT_FALSE(writeShape(raw(), shape).failed);
    const std::uint64_t largest = largestFile(raw());
    for (rlim_t limit = 0; limit <= largest + kStep; limit += kStep) {
      fs::remove_all(raw());
      const auto text = inChild([&]() -> std::optional<std::string> {
        Confirmed run;
        {
          const FileSizeLimit cut(limit);
          if (!cut.ok()) return std::nullopt;
          run = writeShape(raw(), shape);
        }
        return checkRun(raw(), shape, run);
      });
      ASSERT_TRUE(text.has_value()) << "no file-size limit";
      EXPECT_EQ(*text, "") << "limit " << limit;
    }
  }
}

// The run written in a child killed where the file-size limit stops it
// (its handler ends the process at once, as SIGKILL would: no close, no
// flush of any stream); then checked here against what it had confirmed.
std::string killedAtTheLimit(const fs::path& raw, const Shape& shape, rlim_t limit) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    const FileSizeLimit cut(limit);
    std::signal(SIGXFSZ, [](int) { ::_exit(9); });
    const auto report = [&](const std::vector<unsigned>& scans) {
      (void)!::write(fds[1], scans.data(), scans.size() * sizeof(unsigned));
    };
    (void)writeShape(raw, shape, report);
    ::_exit(0);
  }
  ::close(fds[1]);
  const std::size_t message = shape.functions.size() * sizeof(unsigned);
  std::string bytes;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return "the child died otherwise";
  Confirmed run{std::vector<unsigned>(shape.functions.size(), 0), WEXITSTATUS(status) != 0};
  if (bytes.size() >= message) std::memcpy(run.scans.data(), bytes.data() + bytes.size() / message * message - message,
                                           message);
  return checkRun(raw, shape, run);
}

// Every cut point again, with a writer killed there, and with a file system
// that refuses to cut a failed batch back: every confirmed scan reads back,
// and so does every scan a fresh reader counts.
TEST_F(WriterFront, ConfirmedScansSurviveAKilledWriterAndARefusedCutBack) {
  constexpr rlim_t kStep = 256;
  for (const bool killed : {true, false}) {
    for (const Shape& shape : kShapes) {
      SCOPED_TRACE(std::string(shape.what) + (killed ? ", killed" : ", cut-back refused"));
      fs::remove_all(raw());
      ASSERT_FALSE(writeShape(raw(), shape).failed);
      const std::uint64_t largest = largestFile(raw());
      for (rlim_t limit = 0; limit <= largest + kStep; limit += kStep) {
        fs::remove_all(raw());
        const auto text = killed ? killedAtTheLimit(raw(), shape, limit)
                                 : inChild([&]() -> std::optional<std::string> {
                                     if (!refuseTruncation()) return std::nullopt;
                                     Confirmed run;
                                     {
                                       const FileSizeLimit cut(limit);
                                       if (!cut.ok()) return std::nullopt;
                                       run = writeShape(raw(), shape);
                                     }
                                     return checkRun(raw(), shape, run);
                                   });
        if (!text) GTEST_SKIP() << "no file-size limit or system-call filter here";
        EXPECT_EQ(*text, "") << "limit " << limit;
      }
    }
  }
}

// A tmpfs of its own in a private mount namespace (a user namespace when
// not privileged); false when the system allows neither.
bool mountSmallFileSystem(const fs::path& at, std::uint64_t bytes) {
  if (::unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    writeTextFile("/proc/self/setgroups", "deny");
    writeTextFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
    writeTextFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
  }
  // Private first: the mount must not reach the namespace the tests run in.
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return ::mount("tmpfs", at.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) == 0;
}

// Each run on a file system a page bigger at a time, up to room for it
// all: whatever the full disk stops, every scan confirmed before reads back.
TEST_F(WriterFront, ConfirmedScansReadBackOnAFullFileSystem) {
  constexpr std::uint64_t kPage = 4096;
  const fs::path mount = dir() / "small";
  fs::create_directory(mount);
  for (const Shape& shape : kShapes) {
    SCOPED_TRACE(shape.what);
    fs::remove_all(raw());
    ASSERT_FALSE(writeShape(raw(), shape).failed);
    std::uint64_t pages = 2;  // the directory and a file being replaced
    for (const auto& [name, bytes] : files(raw())) pages += (bytes.size() + kPage - 1) / kPage;
    for (std::uint64_t size = kPage; size <= pages * kPage; size += kPage) {
      const auto text = inChild([&]() -> std::optional<std::string> {
        if (!mountSmallFileSystem(mount, size)) return std::nullopt;
        const fs::path target = mount / "run.raw";
        return checkRun(target, shape, writeShape(target, shape));
      });
      if (!text) GTEST_SKIP() << "no private mount namespace for a small file system here";
      EXPECT_EQ(*text, "") << "size " << size;
    }
  }
  EXPECT_TRUE(fs::is_empty(mount));  // the file systems went with their children
}

}  // namespace
