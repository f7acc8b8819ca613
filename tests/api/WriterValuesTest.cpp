// What the writer takes, the readers give back: values the files cannot
// hold are refused whole, and seeded runs over everything accepted read back
// in the files' stored form through the C interface.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "api/WriterTestHandles.h"
#include "api/WriterValues.h"
#include "drift/IMSUtil.h"
#include "drift/ScanManager.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace fs = std::filesystem;
using namespace Vardex::Lib::ZorvalenRaw;
using namespace writer_test;
using F = std::vector<float>;
using U32 = std::vector<unsigned>;
using K = FunctionDefinition;

namespace {

int key(auto k) { return static_cast<int>(k); }
constexpr float kNaN = NAN;
constexpr float kInf = INFINITY;
// LTEFF 1, VEFF 5184, 1 GHz: grid index i is the mass i^2.
const Keys kGrid = {{key(K::LTEFF), "1"}, {key(K::VEFF), "5184"}, {key(K::SAMPLINGFREQUENCY), "1"}};
Keys with(Keys keys, const Keys& more) {
  keys.insert(keys.end(), more.begin(), more.end());
  return keys;
}
Keys range(float low, float high) {
  return {{key(K::STARTMASS), std::to_string(low)}, {key(K::ENDMASS), std::to_string(high)}};
}

class WriterValues : public TempDirTest {
 protected:
  fs::path raw() const { return dir() / "values.raw"; }
};

// Each refused call returns 57 (75 for an item the layout lacks) and leaves
// no scan, record, function, channel or byte behind.
TEST_F(WriterValues, RefusalsLeaveNothingBehind) {
  Writer w(raw().string());
  const ZorvalenScanItem items[] = {ZorvalenScanItem::COLLISION_ENERGY, ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE,
                                    ZorvalenScanItem::REFERENCE_SCAN, ZorvalenScanItem::QUAD_PEAK_WIDTH};
  const Set centroid({{key(K::CONTINUUM), "0"}});
  const auto scan = [&](F m, F y = {}) {
    if (y.empty()) y.assign(m.size(), 1.0f);
    return appendRawScan(w, m.data(), y.data(), static_cast<int>(m.size()), 1.0f);
  };
  const auto stat = [&](ZorvalenScanItem item, const char* text) {
    const F m = {100, 200}, y = {1, 2};
    const Set values({{key(item), text}});
    return appendRawScanWithStats(w, m.data(), y.data(), 2, 1.0f, values);
  };
  const auto block = [&](F m, U32 counts, F y = {}) {
    if (y.empty()) y.assign(m.size(), 5.0f);
    return appendCDTScan(w, m.data(), y.data(), static_cast<unsigned>(m.size()), counts.data(),
                         static_cast<unsigned>(counts.size()), 1.0f);
  };
  const auto indexBlock = [&](unsigned index) {
    const unsigned y = 5, one = 1;
    return appendCDTScanIndex(w, &index, &y, 1, &one, 1, 1.0f);
  };
  const auto wideBlock = [&](unsigned n) {  // n neighbouring grid points of one count
    U32 idx(n), y(n, 1);
    std::iota(idx.begin(), idx.end(), 100000u);
    return appendCDTScanIndex(w, idx.data(), y.data(), n, &n, 1, 1.0f);
  };
  const auto driftStat = [&](const char* text) {
    const U32 idx = {10, 12}, y = {3, 4}, counts = {2};
    const Set values({{key(ZorvalenScanItem::COLLISION_ENERGY), text}});
    return appendCDTScanIndexWithStats(w, idx.data(), y.data(), 2, counts.data(), 1, 1.0f, values);
  };
  const auto trace = [&](F t, F y) {
    const Set channel;
    return appendRawTrace(w, channel, t.data(), y.data(), static_cast<int>(t.size()));
  };
  const auto header = [&](const char* value) {
    const Set set({{key(ZorvalenHeaderItem::SAMPLE_DESCRIPTION), "kept"}, {key(ZorvalenHeaderItem::USER_NAME), value}});
    return setRawHeaderItems(w, set);
  };
  const auto start = [&](const Keys& keys, std::vector<int> list = {}) {
    std::vector<ZorvalenScanItem> is;
    for (int i : list) is.push_back(static_cast<ZorvalenScanItem>(i));
    const Set set(keys);
    return list.empty() ? appendRawFunction(w, set)
                        : appendRawFunctionWithStats(w, set, is.data(), static_cast<int>(is.size()));
  };
  const auto drift = [&](const char* spectra, float high = 400) {
    return start(with(with(kGrid, range(100, high)), {{key(K::CDT_SCANS), spectra}}));
  };
  const float big = std::nextafter(kIntensityLimit, kInf);
  const struct {
    const char* what;
    std::function<int()> call;
    int rc = ZVRAW_PARAMETER_INVALID;
  } calls[] = {
      {"function 0, centroid, four items", [&] { return appendRawFunctionWithStats(w, centroid, items, 4); }, 0},
      {"falling masses", [&] { return scan({300, 100}); }},
      {"a mass below the one before", [&] { return scan({100, 300, 200}); }},
      {"equal masses", [&] { return scan({100, 200, 200}); }},
      {"a fall among six", [&] { return scan({100, 200, 300, 250, 400, 500}); }},
      {"NaN among six", [&] { return scan({100, 200, 300, 400, 500, kNaN}); }},
      {"mass 1.0", [&] { return scan({1.0f}); }},
      {"mass 0.5", [&] { return scan({0.5f, 2}); }},
      {"mass -5", [&] { return scan({-5, 100}); }},
      {"mass 2^31", [&] { return scan({100, 0x1p31f}); }},
      {"mass 3e9", [&] { return scan({3e9f}); }},
      {"intensity 1e30", [&] { return scan({100}, {1e30f}); }},
      {"intensity -FLT_MAX among five", [&] { return scan({100, 101, 102, 103, 104}, {1, 1, -FLT_MAX, 1, 1}); }},
      {"intensity -FLT_MAX", [&] { return scan({100}, {-FLT_MAX}); }},
      {"intensity 2^63", [&] { return scan({100, 200}, {1, 0x1p63f}); }},
      {"intensity one step past the reach", [&] { return scan({100}, {-big}); }},
      {"short 40000", [&] { return stat(ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE, "40000"); }},
      {"short -40000", [&] { return stat(ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE, "-40000"); }},
      {"short 12.7", [&] { return stat(ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE, "12.7"); }},
      {"short with a blank", [&] { return stat(ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE, " 12"); }},
      {"short +-1", [&] { return stat(ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE, "+-1"); }},
      {"float nan", [&] { return stat(ZorvalenScanItem::COLLISION_ENERGY, "nan"); }},
      {"float inf", [&] { return stat(ZorvalenScanItem::COLLISION_ENERGY, "inf"); }},
      {"float 1e39", [&] { return stat(ZorvalenScanItem::COLLISION_ENERGY, "1e39"); }},
      {"float 1e-50", [&] { return stat(ZorvalenScanItem::COLLISION_ENERGY, "1e-50"); }},
      {"float 2.5V", [&] { return stat(ZorvalenScanItem::COLLISION_ENERGY, "2.5V"); }},
      {"float empty", [&] { return stat(ZorvalenScanItem::COLLISION_ENERGY, ""); }},
      {"byte 128", [&] { return stat(ZorvalenScanItem::REFERENCE_SCAN, "128"); }},
      // QUAD_PEAK_WIDTH reads back as an int.
      {"peak width 2^31", [&] { return stat(ZorvalenScanItem::QUAD_PEAK_WIDTH, "2147483648"); }},
      {"peak width 3e9", [&] { return stat(ZorvalenScanItem::QUAD_PEAK_WIDTH, "3e9"); }},
      {"peak width below -2^31", [&] { return stat(ZorvalenScanItem::QUAD_PEAK_WIDTH, "-2147483904"); }},
      {"byte 'A'", [&] { return stat(ZorvalenScanItem::REFERENCE_SCAN, "A"); }},
      {"items with 600: no function 1", [&] { return start({}, {462, 600}); }},
      {"item 476: no function 1", [&] { return start({}, {476}); }, ZVRAW_SCAN_STAT_NOTSUPPORTED},
      {"a grid down to mass 1", [&] { return start(with(kGrid, range(2, 100))); }},
      {"trace of a NaN time", [&] { return trace({0, kNaN}, {1, 2}); }},
      {"trace of an infinite value", [&] { return trace({0, 1}, {1, -kInf}); }},
      {"header value after a blank", [&] { return header(" padded"); }},
      {"header value after a tab", [&] { return header("\tTabbed"); }},
      {"function 1, masses 100 to 200", [&] { return start(with(range(100, 200), {{key(K::CONTINUUM), "0"}})); }, 0},
      {"mass below STARTMASS", [&] { return scan({50, 150}); }},
      {"mass above ENDMASS", [&] { return scan({150, 250}); }},
      {"function 2, drift", [&] { return drift("3"); }, 0},
      {"drift spectrum falling", [&] { return block({150, 300, 200, 120}, {2, 2}); }},
      {"drift spectrum past ENDMASS", [&] { return block({150, 300, 500}, {1, 2}); }},
      {"function 3, drift with an item",
       [&] { return start(with(with(kGrid, range(100, 400)), {{key(K::CDT_SCANS), "3"}}), {462}); }, 0},
      {"drift block of a NaN value", [&] { return driftStat("nan"); }},
      {"the function still takes blocks", [&] { return driftStat("2.5"); }, 0},
      {"function 4, drift to 420: the last cell ends at 419.5", [&] { return drift("1", 420); }, 0},
      {"drift mass on the last cell's edge", [&] { return block({419.5f}, {1}); }, 0},
      {"drift mass past the last cell's edge", [&] { return block({419.9f}, {1}); }},
      {"isolated drift masses: no cell keeps a count", [&] { return block({150, 300}, {2}, {3, 3}); }},
      {"negative drift intensity", [&] { return block({200}, {1}, {-10}); }},
      {"drift cell of 2^32", [&] { return block({200}, {1}, {0x1p32f}); }},
      {"drift index past an int", [&] { return indexBlock(4000000000u); }},
      {"CDT_SCANS 2^31", [&] { return drift("2147483648"); }},
      {"CDT_SCANS 2^32 + 1", [&] { return drift("4294967297"); }},
      {"CDT_SCANS 99999999999", [&] { return drift("99999999999"); }},
      {"CDT_SCANS -99999999999", [&] { return drift("-99999999999"); }},
      // Grid step 1e-4 in sqrt(mass): 5,000,000 cells from 100 to 260100.
      {"function 5, drift on a grid of 5e6 cells",
       [&] { return start({{key(K::LTEFF), "1"}, {key(K::VEFF), "5.184e-5"}, {key(K::SAMPLINGFREQUENCY), "1"},
                           {key(K::STARTMASS), "100"}, {key(K::ENDMASS), "260100"}, {key(K::CDT_SCANS), "1"}}); },
       0},
      {"a block summing to more points than a scan holds", [&] { return wideBlock(4194304); }},
      {"the function still takes blocks", [&] { return wideBlock(4194300); }, 0},
  };
  for (const auto& c : calls) {
    const auto before = files(raw());
    const int function = w.imp().GetCurrentFunction();
    ZorvalenRawScanWriterImp& scans = *w.imp().GetScanWriter();
    const int queued = scans.GetNumberOfScans() + scans.GetNumberOfStats();
    EXPECT_EQ(c.call(), c.rc) << c.what;
    if (c.rc == ZVRAW_OK) continue;
    EXPECT_EQ(files(raw()), before) << c.what;
    EXPECT_EQ(w.imp().GetCurrentFunction(), function) << c.what;
    EXPECT_EQ(scans.GetNumberOfScans() + scans.GetNumberOfStats(), queued) << c.what;
  }
  EXPECT_EQ(w.imp().GetAnalogWriter()->GetHeaders().size(), 0u);
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  const Reader info(raw(), ZorvalenBaseType::INFO);
  unsigned n = 9;
  ASSERT_TRUE(info.rc == ZVRAW_OK && getFunctionCount(info, &n) == ZVRAW_OK);
  EXPECT_EQ(n, 6u);
  const Reader scans(raw(), ZorvalenBaseType::SCAN);
  int *index = nullptr, points = -1;
  float* y = nullptr;
  ASSERT_EQ(readDriftScanIndex(scans, 4, 0, 0, &index, &y, &points), ZVRAW_OK);
  EXPECT_TRUE(points == 1 && index[0] == 20 && y[0] == 5.0f);  // the mass on the edge, in the last cell
  bool continuum = true;
  EXPECT_EQ(isContinuum(info, 0, continuum), ZVRAW_SCANNUM_INVALID);  // no scan says; the number is fine
  EXPECT_FALSE(continuum);
  // Nor has it ranges yet, beside functions that have.
  float low = 7, high = 8;
  EXPECT_EQ(getAcquisitionMassRange(info, 0, 0, &low, &high), ZVRAW_SCANNUM_INVALID);
  EXPECT_EQ(getAcquisitionTimeRange(info, 0, &low, &high), ZVRAW_SCANNUM_INVALID);
  EXPECT_TRUE(low == 7 && high == 8);
  EXPECT_EQ(getAcquisitionMassRange(info, 4, 0, &low, &high), ZVRAW_OK);
  EXPECT_EQ(getAcquisitionMassRange(info, 6, 0, &low, &high), ZVRAW_FUNCNUM_INVALID);
  const Set items2;
  const ZorvalenHeaderItem asked[] = {ZorvalenHeaderItem::SAMPLE_DESCRIPTION};
  ASSERT_EQ(getHeaderItemValue(info, asked, 1, items2), ZVRAW_OK);
  EXPECT_EQ(items2.get(key(asked[0])), "");  // a refused set sets none of its items
}

// QUAD_PEAK_WIDTH reads back as the whole part of what was taken, out to
// the ends of the int range.
TEST_F(WriterValues, PeakWidthReadsBackAsItsWholePart) {
  const char* given[] = {"-2147483648", "2147483520", "-0.9", "7.99"};
  const char* read[] = {"-2147483648", "2147483520", "0", "7"};
  {
    Writer w(raw().string());
    const ZorvalenScanItem item = ZorvalenScanItem::QUAD_PEAK_WIDTH;
    ASSERT_EQ(appendRawFunctionWithStats(w, Set({{key(K::CONTINUUM), "0"}}), &item, 1), ZVRAW_OK);
    const float m = 100, y = 1;
    for (const char* text : given)
      ASSERT_EQ(appendRawScanWithStats(w, &m, &y, 1, 1.0f, Set({{key(item), text}})), ZVRAW_OK) << text;
    ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
  }
  const Reader info(raw(), ZorvalenBaseType::INFO);
  const ZorvalenScanItem asked = ZorvalenScanItem::QUAD_PEAK_WIDTH;
  for (int s = 0; s < 4; ++s) {
    const Set out;
    ASSERT_EQ(getScanItemValue(info, 0, s, &asked, 1, out), ZVRAW_OK);
    EXPECT_EQ(out.get(key(asked)), read[s]) << given[s];
  }
}

// ---- seeded runs ----

enum class Kind { Continuum, Centroid, Rebinned, DriftIndices, DriftMasses };
// The items a function may declare, with the field type each is stored in.
using Typed = std::pair<int, unsigned>;
const std::vector<Typed> kItemTypes = {
    {401, SHORT_INT_FIELD}, {402, SHORT_INT_FIELD}, {403, SHORT_INT_FIELD}, {404, SHORT_INT_FIELD},
    {405, SHORT_INT_FIELD}, {406, SHORT_INT_FIELD}, {407, SHORT_INT_FIELD}, {408, SHORT_INT_FIELD},
    {409, SINGLE_FLOAT_FIELD}, {410, SINGLE_FLOAT_FIELD}, {462, SINGLE_FLOAT_FIELD}, {477, SINGLE_FLOAT_FIELD},
    {481, SHORT_INT_FIELD}, {482, SINGLE_FLOAT_FIELD}, {483, SINGLE_FLOAT_FIELD}, {484, SINGLE_FLOAT_FIELD},
    {500, CHAR_FIELD}};

struct Points {
  F masses, intensities;
};
struct Drift {  // a block: counts, then the points of each drift spectrum one after another
  U32 counts, indices, values;
  F masses, intensities;
};
struct Function {
  Kind kind = Kind::Continuum;
  float low = 0, high = 0;
  unsigned spectra = 0;  // drift spectra per block
  std::vector<int> items;
  std::vector<Points> scans;
  std::vector<Drift> blocks;
  std::vector<float> rts;
  std::vector<Keys> values;
};
struct Trace {
  F times, values;
};
struct RunSpec {
  std::vector<Function> functions;
  Keys header;
  std::vector<Trace> traces;
};

class Random {
 public:
  explicit Random(unsigned seed) : g_(seed) {}
  int integer(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_); }
  double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(g_); }
  bool chance(double p) { return real(0, 1) < p; }
  // Any finite float, from its bits.
  float anyFloat() {
    for (;;) {
      const auto bits = static_cast<std::uint32_t>(std::uniform_int_distribution<std::uint32_t>()(g_));
      float f;
      std::memcpy(&f, &bits, sizeof f);
      if (std::isfinite(f)) return f;
    }
  }
  // Strictly ascending masses in [lo, hi], log-spread.
  F masses(int n, float lo, float hi) {
    F m;
    for (int k = 0; k < n; ++k) m.push_back(static_cast<float>(std::exp(real(std::log(lo), std::log(hi)))));
    std::sort(m.begin(), m.end());
    m.erase(std::unique(m.begin(), m.end()), m.end());
    std::erase_if(m, [&](float v) { return !(v > kMassFloor && v < kMassLimit && v >= lo && v <= hi); });
    return m;
  }
  // Intensities over format 12's reach: zeros, magnitudes below 2^-22, negatives, its very edge.
  float intensity() {
    if (chance(0.05)) return 0;
    if (chance(0.02)) return chance(0.5) ? kIntensityLimit : -kIntensityLimit;
    const float v = static_cast<float>(std::exp2(real(-30, 62.99)));
    return chance(0.2) ? -v : v;
  }
  std::string text(int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += static_cast<char>(integer(k == 0 ? 33 : 32, 126));  // no leading blank
    if (n > 2 && chance(0.3)) s[1] = '\t';
    return s;
  }

 private:
  std::mt19937 g_;
};

std::string statText(Random& r, int item, unsigned type) {
  char out[32];
  if (type == SHORT_INT_FIELD) return std::to_string(r.integer(-32768, 32767));
  if (type == CHAR_FIELD) return std::to_string(r.integer(-128, 127));
  // QUAD_PEAK_WIDTH takes floats whose whole part is an int.
  const float v = item == 484 ? static_cast<float>(r.real(-2e9, 2e9) / (r.chance(0.5) ? 1e9 : 1)) : r.anyFloat();
  std::snprintf(out, sizeof out, "%.9g", static_cast<double>(v));
  return out;
}

RunSpec randomRun(unsigned seed) {
  Random r(seed);
  RunSpec run;
  const int functions = r.integer(1, 4);
  for (int f = 0; f < functions; ++f) {
    Function fn;
    fn.kind = static_cast<Kind>(r.integer(0, 4));
    const bool grid = fn.kind == Kind::Rebinned || fn.kind == Kind::DriftIndices || fn.kind == Kind::DriftMasses;
    // Ends on grid points (index i is mass i^2): a grid further out is refused.
    const int lo = r.integer(4, 60), hi = lo + r.integer(1, 40);
    fn.low = grid ? static_cast<float>(lo * lo) : 0;
    fn.high = grid ? static_cast<float>(hi * hi) : 0;
    fn.spectra = static_cast<unsigned>(r.integer(1, 4));
    for (const auto& [item, type] : kItemTypes)
      if (r.chance(0.4)) fn.items.push_back(item);
    std::shuffle(fn.items.begin(), fn.items.end(), std::mt19937(seed + f));
    const int scans = r.integer(0, r.chance(0.2) ? 130 : 12);  // across a batch of 100 now and then
    for (int s = 0; s < scans; ++s) {
      fn.rts.push_back(static_cast<float>(r.real(-1, 100)));
      Keys values;
      for (int item : fn.items)
        if (r.chance(0.7))
          values.emplace_back(item, statText(r, item, std::ranges::find(kItemTypes, item, &Typed::first)->second));
      fn.values.push_back(values);
      if (fn.kind == Kind::DriftIndices || fn.kind == Kind::DriftMasses) {
        const float ttm = IMSUtil::TimeToMass(1, 5184, 1);
        int first = 0, last = 0;
        (void)IMSUtil::GridIndices(ttm, fn.low, fn.high, IMSUtil::HalfUp::Float, first, last);
        Drift b;
        const auto used = static_cast<unsigned>(r.integer(0, static_cast<int>(fn.spectra)));
        for (unsigned d = 0; d < used; ++d) {
          const int n = r.integer(0, 6);
          if (fn.kind == Kind::DriftIndices) {
            U32 idx;
            for (int k = 0; k < n; ++k) idx.push_back(static_cast<unsigned>(r.integer(first, last)));
            std::sort(idx.begin(), idx.end());
            idx.erase(std::unique(idx.begin(), idx.end()), idx.end());
            b.counts.push_back(static_cast<unsigned>(idx.size()));
            for (unsigned i : idx) {
              b.indices.push_back(i);
              b.values.push_back(static_cast<unsigned>(r.integer(1, 65535)));
            }
          } else {
            const F m = r.masses(n, fn.low, fn.high);
            b.counts.push_back(static_cast<unsigned>(m.size()));
            for (float v : m) {
              b.masses.push_back(v);
              b.intensities.push_back(static_cast<float>(r.integer(1, 1 << 20)));
            }
          }
        }
        fn.blocks.push_back(b);
      } else {
        Points p;
        p.masses = grid ? r.masses(r.integer(0, 30), fn.low, fn.high) : r.masses(r.integer(0, 30), 1.0f, 0x1p31f);
        for (std::size_t k = 0; k < p.masses.size(); ++k)
          p.intensities.push_back(grid ? static_cast<float>(r.real(0, 1e6)) : r.intensity());
        fn.scans.push_back(p);
      }
    }
    run.functions.push_back(fn);
  }
  for (int item = 301; item <= 349; ++item)
    if (r.chance(0.2)) {
      const std::string text = r.text(r.integer(0, 40));
      // Colons, "$$" and a blank last read back too.
      run.header.emplace_back(item, text.empty() || r.chance(0.8) ? text : text + " $$: ");
    }
  for (int t = r.integer(0, 2); t > 0; --t) {
    Trace tr;
    for (int k = r.integer(0, 20); k > 0; --k) {
      tr.times.push_back(r.anyFloat());
      tr.values.push_back(r.anyFloat());
    }
    run.traces.push_back(tr);
  }
  return run;
}

unsigned count(const auto& v) { return static_cast<unsigned>(v.size()); }

void writeRun(const RunSpec& run, const fs::path& dir) {
  Writer w(dir.string());
  const Set header(run.header);
  ASSERT_EQ(setRawHeaderItems(w, header), ZVRAW_OK);
  for (const Trace& t : run.traces) {
    const Set channel;
    ASSERT_EQ(appendRawTrace(w, channel, t.times.data(), t.values.data(), static_cast<int>(t.times.size())), ZVRAW_OK);
  }
  for (const Function& fn : run.functions) {
    Keys keys = {{key(K::CONTINUUM), fn.kind == Kind::Centroid ? "0" : "1"}};
    if (fn.kind != Kind::Continuum && fn.kind != Kind::Centroid) keys = with(with(keys, kGrid), range(fn.low, fn.high));
    if (fn.kind == Kind::DriftIndices || fn.kind == Kind::DriftMasses)
      keys.emplace_back(key(K::CDT_SCANS), std::to_string(fn.spectra));
    std::vector<ZorvalenScanItem> items;
    for (int i : fn.items) items.push_back(static_cast<ZorvalenScanItem>(i));
    const Set definition(keys);
    ASSERT_EQ(appendRawFunctionWithStats(w, definition, items.data(), static_cast<int>(items.size())), ZVRAW_OK);
    for (std::size_t s = 0; s < fn.rts.size(); ++s) {
      const Set values(fn.values[s]);
      const float rt = fn.rts[s];
      if (fn.kind == Kind::DriftIndices) {
        const Drift& b = fn.blocks[s];
        ASSERT_EQ(appendCDTScanIndexWithStats(w, b.indices.data(), b.values.data(), count(b.indices), b.counts.data(),
                                              count(b.counts), rt, values),
                  ZVRAW_OK);
      } else if (fn.kind == Kind::DriftMasses) {
        const Drift& b = fn.blocks[s];
        ASSERT_EQ(appendCDTScanWithStats(w, b.masses.data(), b.intensities.data(), count(b.masses), b.counts.data(),
                                         count(b.counts), rt, values),
                  ZVRAW_OK);
      } else {
        const Points& p = fn.scans[s];
        ASSERT_EQ(appendRawScanWithStats(w, p.masses.data(), p.intensities.data(), static_cast<int>(p.masses.size()),
                                         rt, values),
                  ZVRAW_OK);
      }
    }
  }
  ASSERT_EQ(closeRawWriter(w), ZVRAW_OK);
}

// A point as format 12 stores it.
void stored(float& mass, float& intensity) {
  char packet[8];
  char flags = 0;
  zvraw_packed::packEnhancedCalData(mass, intensity, 0, packet);
  zvraw_packed::extractEnhancedCalData(mass, intensity, flags, packet);
}

// The grid of a drift or rebinned function, and one drift spectrum of a
// block as the drift files hold it (indices and unsigned intensities).
struct Grid {
  explicit Grid(const Function& fn) {
    ttm = IMSUtil::TimeToMass(1, 5184, 1);
    int last = 0;
    (void)IMSUtil::GridIndices(ttm, fn.low, fn.high, IMSUtil::HalfUp::Float, first, last);
    masses = IMSUtil::MassScale(first, last - first + 1, ttm);
    for (int i = first; i <= last; ++i) indices.push_back(static_cast<std::uint32_t>(i));
  }
  float ttm = 0;
  int first = 0;
  F masses;
  std::vector<std::uint32_t> indices;
};

// Scan s of a function as the readers give it: masses, intensities.
Points expectedScan(const Function& fn, std::size_t s, std::vector<Points>& drift) {
  Points out;
  drift.clear();
  if (fn.kind == Kind::Continuum || fn.kind == Kind::Centroid) {
    out = fn.scans[s];
  } else if (fn.kind == Kind::Rebinned) {
    ScanManager grid(1, 5184, 1, fn.low, fn.high);
    const Points& p = fn.scans[s];
    grid.Resample(p.masses.data(), p.intensities.data(), static_cast<int>(p.masses.size()));
    grid.ZeroGuard(out.masses, out.intensities);
  } else {
    const Grid g(fn);
    const Drift& b = fn.blocks[s];
    F sum(g.masses.size(), 0.0f);
    std::size_t at = 0;
    for (unsigned n : b.counts) {
      std::vector<std::uint32_t> idx, val;
      if (fn.kind == Kind::DriftIndices) {
        idx.assign(b.indices.begin() + at, b.indices.begin() + at + n);
        val.assign(b.values.begin() + at, b.values.begin() + at + n);
      } else {
        F re(g.masses.size(), 0.0f);
        IMSUtil::Resample(b.masses.data() + at, b.intensities.data() + at, static_cast<int>(n), g.masses.data(),
                          re.data(), static_cast<int>(re.size()));
        (void)IMSUtil::RemoveZeroIntensities(g.indices, re, idx, val);
      }
      IMSUtil::CombineScans(idx, val, sum, g.first);
      Points d;
      for (std::size_t k = 0; k < idx.size(); ++k) {
        d.masses.push_back(static_cast<float>(idx[k]));
        d.intensities.push_back(static_cast<float>(val[k]));
      }
      drift.push_back(d);
      at += n;
    }
    (void)IMSUtil::RemoveZero(g.masses, sum, out.masses, out.intensities);
  }
  for (std::size_t k = 0; k < out.masses.size(); ++k) stored(out.masses[k], out.intensities[k]);
  return out;
}

// A statistics value as getScanItemValue renders its stored field.
std::string expectedValue(int item, const Keys& values) {
  const auto given = std::ranges::find(values, item, &std::pair<int, std::string>::first);
  const std::string text = given != values.end() ? given->second : "0";
  if (item == 484) {  // rendered as its whole part
    char out[32];
    std::snprintf(out, sizeof out, "%d", static_cast<int>(std::strtof(text.c_str(), nullptr)));
    return out;
  }
  return text;
}

void expectReadsBack(const RunSpec& run, const fs::path& dir) {
  const Reader info(dir, ZorvalenBaseType::INFO), scans(dir, ZorvalenBaseType::SCAN),
      analog(dir, ZorvalenBaseType::ANALOG);
  ASSERT_TRUE(info.rc == ZVRAW_OK && scans.rc == ZVRAW_OK && analog.rc == ZVRAW_OK);
  for (std::size_t f = 0; f < run.functions.size(); ++f) {
    const Function& fn = run.functions[f];
    const int fi = static_cast<int>(f);
    unsigned count = 0;
    ASSERT_EQ(getScanCount(info, fi, &count), ZVRAW_OK);
    ASSERT_EQ(count, fn.rts.size()) << "function " << f;
    std::vector<Points> drift;
    for (std::size_t s = 0; s < fn.rts.size(); ++s) {
      const int si = static_cast<int>(s);
      const Points want = expectedScan(fn, s, drift);
      float *m = nullptr, *y = nullptr, rt = 0;
      int n = -1;
      ASSERT_EQ(readScan(scans, fi, si, &m, &y, &n), ZVRAW_OK);
      ASSERT_EQ(F(m, m + n), want.masses) << "function " << f << " scan " << s;
      ASSERT_EQ(F(y, y + n), want.intensities) << "function " << f << " scan " << s;
      ASSERT_EQ(getRetentionTime(info, fi, si, &rt), ZVRAW_OK);
      EXPECT_EQ(rt, fn.rts[s]);
      for (std::size_t d = 0; d < drift.size(); ++d) {
        int* idx = nullptr;
        ASSERT_EQ(readDriftScanIndex(scans, fi, si, static_cast<int>(d), &idx, &y, &n), ZVRAW_OK);
        F got(idx, idx + n);
        EXPECT_EQ(got, drift[d].masses) << "function " << f << " scan " << s << " drift " << d;
        EXPECT_EQ(F(y, y + n), drift[d].intensities) << "function " << f << " scan " << s << " drift " << d;
      }
      for (int item : fn.items) {
        if (item == 477) continue;  // answered from the function's record, not the scan's
        const Set out;
        const auto asked = static_cast<ZorvalenScanItem>(item);
        ASSERT_EQ(getScanItemValue(info, fi, si, &asked, 1, out), ZVRAW_OK);
        EXPECT_EQ(out.get(item), expectedValue(item, fn.values[s])) << "function " << f << " scan " << s;
      }
    }
  }
  for (const auto& [item, value] : run.header) {
    const Set out;
    const auto asked = static_cast<ZorvalenHeaderItem>(item);
    ASSERT_EQ(getHeaderItemValue(info, &asked, 1, out), ZVRAW_OK);
    EXPECT_EQ(out.get(item), value) << "header item " << item;
  }
  int channels = -1;
  ASSERT_EQ(getChannelCount(analog, &channels), ZVRAW_OK);
  ASSERT_EQ(static_cast<std::size_t>(channels), run.traces.size());
  for (int c = 0; c < channels; ++c) {
    const float *t = nullptr, *v = nullptr;
    int n = -1;
    ASSERT_EQ(readChannel(analog, c, &t, &v, &n), ZVRAW_OK);
    const Trace& want = run.traces[static_cast<std::size_t>(c)];
    EXPECT_EQ(F(t, t + n), want.times) << "trace " << c;
    EXPECT_EQ(F(v, v + n), want.values) << "trace " << c;
  }
}

TEST_F(WriterValues, SeededRunsReadBackAsStored) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const fs::path target = dir() / ("seed" + std::to_string(seed));
    const RunSpec run = randomRun(seed);
    writeRun(run, target);
    if (HasFatalFailure()) return;
    expectReadsBack(run, target);
    if (HasFatalFailure()) return;
    fs::remove_all(target);
  }
}

}  // namespace
