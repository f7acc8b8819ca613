// The data-dependent processor through the C interface: the entry list and
// its order, the cursor, the spectra and their clean-up, the details with
// the lock-mass gain, the settings, and damaged inputs.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawDDAImp.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "support/AcquisitionRuns.h"
#include "support/Corruption.h"

using Vardex::Lib::ZorvalenRaw::cleanSpectrum;
using Pairs = ParameterPairs;

namespace {

// Set masses per scan of a fragment function.
FixtureFunction fragmentScans(std::vector<float> masses, std::vector<float> rts = {}) {
  FixtureFunction fn = fragmentFunction(masses.front());
  fn.scans = static_cast<unsigned>(masses.size());
  fn.rts = std::move(rts);
  fn.stats = {{kSetMassField, kFloatField, [masses](unsigned s) { return double{masses.at(s)}; }}};
  return fn;
}

struct Spectrum {
  std::vector<float> masses, intensities;
  bool operator==(const Spectrum&) const = default;
};

class DDAProcessor : public ReaderSetTest {
 protected:
  void SetUp() override {
    ReaderSetTest::SetUp();
    ASSERT_EQ(createRawProcessor(&p_, ZorvalenBaseType::DDA, nullptr, nullptr), ZVRAW_OK);
  }
  void TearDown() override {
    EXPECT_EQ(destroyRawProcessor(p_), ZVRAW_OK);
    ReaderSetTest::TearDown();
  }

  // Writes the run (replacing raw()) and hands the processor a reader on it.
  void attach(const AcquisitionRun& run) {
    std::filesystem::remove_all(raw());
    std::filesystem::create_directories(raw());
    run.write(raw());
    ASSERT_EQ(setRawReader(p_, open(ZorvalenBaseType::SCAN)), ZVRAW_OK);
  }

  int count() {
    int n = -1;
    const int rc = ddaGetScanCount(p_, &n);
    return rc == ZVRAW_OK ? n : -rc;
  }
  // The details and spectrum of every entry from the cursor on.
  std::vector<Pairs> walk(std::vector<Spectrum>* spectra = nullptr) {
    std::vector<Pairs> out;
    for (bool next = true; next;) {
      float* m = nullptr;
      float* i = nullptr;
      int n = 0;
      EXPECT_EQ(ddaGetNextScan(p_, &m, &i, &n, set_, &next), ZVRAW_OK);
      if (!next) break;
      out.push_back(parameterPairs(set_));
      if (spectra != nullptr) spectra->push_back({{m, m + n}, {i, i + n}});
    }
    return out;
  }
  // The function's scans summed by a spectrum processor, optionally
  // centroided, then cleaned as the data-dependent processor cleans.
  Spectrum expected(int function, int first, int last, bool centroid) {
    CZorvalenBaseProcessor sp = nullptr;
    EXPECT_EQ(createRawProcessor(&sp, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
    EXPECT_EQ(setRawReader(sp, open(ZorvalenBaseType::SCAN)), ZVRAW_OK);
    EXPECT_EQ(combineScan(sp, function, first, last), ZVRAW_OK);
    if (centroid) (void)centroidScan(sp);
    float* m = nullptr;
    float* i = nullptr;
    int n = 0;
    EXPECT_EQ(getScan(sp, &m, &i, &n), ZVRAW_OK);
    Spectrum s{{m, m + n}, {i, i + n}};
    EXPECT_EQ(destroyRawProcessor(sp), ZVRAW_OK);
    s.masses.resize(static_cast<std::size_t>(cleanSpectrum(s.masses.data(), s.intensities.data(), n)));
    s.intensities.resize(s.masses.size());
    return s;
  }
  void setKey(CZorvalenParameters set, int key, const char* value) {
    ASSERT_EQ(setParameterValue(set, key, value), ZVRAW_OK);
  }

  CZorvalenBaseProcessor p_ = nullptr;
};

// rt, scan type, function, first and last scan, set mass ("" for MS1).
using Row = std::vector<std::string>;
Row row(const Pairs& e) {
  Row r;
  for (int key : {1800, 1804, 1801, 1802, 1803}) r.push_back(e.contains(key) ? e.at(key) : "?");
  r.push_back(e.contains(1805) ? e.at(1805) : "");
  return r;
}

TEST_F(DDAProcessor, EdgeCases) {
  // Survey at 1, 2, 3; fragments at 1.5 and 1.6 (set mass 400), 2.5 (500).
  AcquisitionRun run = ddaRun({400.0f});
  run.fx.function(0).rts = {1.0f, 2.0f, 3.0f};
  run.fx.function(1) = fragmentScans({400, 400, 500}, {1.5f, 1.6f, 2.5f});
  attach(run);
  EXPECT_EQ(count(), 5);
  std::vector<Row> rows;
  for (const Pairs& e : walk()) rows.push_back(row(e));
  const std::vector<Row> want = {
      {"1.000000", "1850", "0", "0", "0", ""},         {"1.500000", "1851", "1", "0", "1", "400.000000"},
      {"2.000000", "1850", "0", "1", "1", ""},         {"2.500000", "1851", "1", "2", "2", "500.000000"},
      {"3.000000", "1850", "0", "2", "2", ""},
  };
  EXPECT_EQ(rows, want);

  // Past the end: 0, next false, outputs untouched; after a reset, the first again.
  float* m = reinterpret_cast<float*>(this);
  int n = 77;
  bool next = true;
  EXPECT_EQ(ddaGetNextScan(p_, &m, &m, &n, set_, &next), ZVRAW_OK);
  EXPECT_FALSE(next);
  EXPECT_EQ(m, reinterpret_cast<float*>(this));
  EXPECT_EQ(n, 77);
  EXPECT_EQ(ddaResetScan(p_), ZVRAW_OK);
  EXPECT_EQ(row(walk().front()), want.front());

  // Indices outside the list: 65, the set left cleared, the cursor where it was.
  ASSERT_EQ(ddaResetScan(p_), ZVRAW_OK);
  for (int index : {-1, 5, INT_MAX, INT_MIN}) {
    setKey(set_, 1800, "x");
    EXPECT_EQ(ddaGetScan(p_, index, &m, &m, &n, set_), ZVRAW_DDA_INDEX_INVALID) << index;
    EXPECT_TRUE(parameterPairs(set_).empty());
    EXPECT_EQ(ddaGetScanInfo(p_, index, set_), ZVRAW_DDA_INDEX_INVALID) << index;
  }
  EXPECT_EQ(walk().size(), 5u);

  // A set mass that returns later starts a new entry.
  run.fx.function(1) = fragmentScans({400, 400, 500, 400});
  attach(run);
  std::vector<Row> fragments;
  for (const Pairs& e : walk())
    if (e.at(1804) == "1851") fragments.push_back({e.at(1802), e.at(1803), e.at(1805)});
  EXPECT_EQ(fragments, (std::vector<Row>{{"0", "1", "400.000000"}, {"2", "2", "500.000000"}, {"3", "3", "400.000000"}}));

  // A new processor: centroiding off; no settings file: both offsets 0.
  EXPECT_EQ(getDDAParameters(p_, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), (Pairs{{1950, "0"}}));
  EXPECT_EQ(getQuadIsolationWindowParameters(p_, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), (Pairs{{1900, "0.000000"}, {1901, "0.000000"}}));
}

TEST_F(DDAProcessor, CleanUp) {
  const struct {
    std::vector<float> in;
    std::vector<float> intensities;
    std::vector<int> kept;  // the points whose masses stay
  } cases[] = {
      {{0, 5, 1, 0, 0, 0, 7, 1.5f}, {0, 5, 0, 0, 7, 0}, {0, 1, 2, 5, 6, 7}},
      {{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {0, 1, 2, 3, 4}},  // under 6 points: as it was
      {{0, 0, 0, 0, 0, 0}, {0, 0}, {0, 5}},                 // a run of zeros keeps its ends
      {{3, 2, 9, 2, 4, 2}, {3, 2, 9, 2, 4, 2}, {0, 1, 2, 3, 4, 5}},
      {{1.9f, 0, 0, 8, 0, 0, 0, 1}, {0, 0, 8, 0, 0}, {0, 2, 3, 4, 7}},
  };
  for (const auto& c : cases) {
    std::vector<float> masses, intensities = c.in;
    for (std::size_t k = 0; k < c.in.size(); ++k) masses.push_back(100.0f + static_cast<float>(k));
    const int n = cleanSpectrum(masses.data(), intensities.data(), static_cast<int>(c.in.size()));
    ASSERT_EQ(n, static_cast<int>(c.kept.size()));
    intensities.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(intensities, c.intensities);
    for (int k = 0; k < n; ++k) EXPECT_EQ(masses[static_cast<std::size_t>(k)], 100.0f + static_cast<float>(c.kept[k]));
  }
}

TEST_F(DDAProcessor, ReadersAndKinds) {
  // Before setRawReader every query answers 1; the settings still answer.
  EXPECT_EQ(count(), -ZVRAW_ERROR);
  EXPECT_EQ(ddaGetScanInfo(p_, 0, set_), ZVRAW_ERROR);
  EXPECT_EQ(getQuadIsolationWindowParameters(p_, set_), ZVRAW_ERROR);
  EXPECT_EQ(setQuadIsolationWindowParameters(p_, set_), ZVRAW_ERROR);

  // Runs of other kinds: 77 to every query.
  for (const AcquisitionRun& other : {elvoRun(6, 30), veskoRun(), ddaRun({500.2f, 0.0f})}) {
    attach(other);
    EXPECT_EQ(count(), -ZVRAW_INCORRECT_ACQUISITION_TYPE);
    bool next = true;
    float* m = nullptr;
    int n = 0;
    EXPECT_EQ(ddaGetNextScan(p_, &m, &m, &n, set_, &next), ZVRAW_INCORRECT_ACQUISITION_TYPE);
    EXPECT_FALSE(next);
  }

  // The ion-mobility variant walks; a second reader rebuilds and rewinds.
  attach(ddaRun({500.2f, 600.3f}, {.mobility = true}));
  EXPECT_EQ(count(), 5);  // 3 survey scans, one entry per fragment function
  EXPECT_EQ(walk().size(), 5u);
  AcquisitionRun longer = ddaRun({400.0f});
  longer.fx.function(0).scans = 6;
  attach(longer);
  EXPECT_EQ(count(), 7);
  EXPECT_EQ(walk().size(), 7u);
}

TEST_F(DDAProcessor, TiesAndSpectra) {
  // Every function at 0.5, 0.75 and 1.0; the third fragment function holds
  // three entries at one time.
  AcquisitionRun run = ddaRun({400.0f, 500.0f, 600.0f});
  run.fx.function(3) = fragmentScans({600, 700, 600}, {0.5f, 0.5f, 0.5f});
  attach(run);
  std::vector<Spectrum> spectra;
  const std::vector<Pairs> entries = walk(&spectra);
  std::vector<Row> rows;
  for (const Pairs& e : entries) rows.push_back({e.at(1800), e.at(1804), e.at(1801), e.at(1802)});
  const std::vector<Row> want = {
      {"0.500000", "1850", "0", "0"}, {"0.500000", "1851", "1", "0"}, {"0.500000", "1851", "2", "0"},
      {"0.500000", "1851", "3", "0"}, {"0.500000", "1851", "3", "1"}, {"0.500000", "1851", "3", "2"},
      {"0.750000", "1850", "0", "1"}, {"1.000000", "1850", "0", "2"},
  };
  ASSERT_EQ(rows, want);
  // Each spectrum is its scans' sum, cleaned; by index as by cursor.
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const Pairs& e = entries[k];
    EXPECT_EQ(spectra[k], expected(std::stoi(e.at(1801)), std::stoi(e.at(1802)), std::stoi(e.at(1803)), false)) << k;
    float* m = nullptr;
    float* i = nullptr;
    int n = 0;
    ASSERT_EQ(ddaGetScan(p_, static_cast<int>(k), &m, &i, &n, set_), ZVRAW_OK);
    EXPECT_EQ((Spectrum{{m, m + n}, {i, i + n}}), spectra[k]);
    EXPECT_EQ(parameterPairs(set_), e);
  }

  // CENTROID: "1" centroids every spectrum; "2" and "x" leave the setting.
  CZorvalenParameters in = nullptr;
  ASSERT_EQ(createParameters(&in), ZVRAW_OK);
  const struct {
    const char* value;
    const char* after;
  } settings[] = {{"x", "0"}, {"1", "1"}, {"2", "1"}, {"x", "1"}, {"0", "0"}, {"1.0", "1"}};
  for (const auto& s : settings) {
    setKey(in, 1950, s.value);
    EXPECT_EQ(setDDAParameters(p_, in), ZVRAW_OK);
    EXPECT_EQ(getDDAParameters(p_, set_), ZVRAW_OK);
    EXPECT_EQ(parameterPairs(set_).at(1950), s.after) << s.value;
  }
  ASSERT_EQ(ddaResetScan(p_), ZVRAW_OK);
  spectra.clear();
  (void)walk(&spectra);
  EXPECT_EQ(spectra[3], expected(3, 0, 0, true));
  EXPECT_EQ(spectra[6], expected(0, 1, 1, true));
  EXPECT_NE(spectra[1], expected(1, 0, 2, false));  // centroiding changed it
  EXPECT_EQ(spectra[1], expected(1, 0, 2, true));
  EXPECT_EQ(destroyParameters(in), ZVRAW_OK);
}

// An entry asked for centroided whose spectrum the centroider refuses (a
// fragment range of 3 mass units) gives the centroider's code and no arrays;
// the walk goes on past it.
TEST_F(DDAProcessor, AFailedCentroidIsNoAnswer) {
  AcquisitionRun run = ddaRun({400.0f});
  run.fx.function(1).point = [](unsigned, unsigned p) { return std::pair{400.0f + float(p), 100.0f}; };
  attach(run);
  CZorvalenParameters in = nullptr;
  ASSERT_EQ(createParameters(&in), ZVRAW_OK);
  setKey(in, 1950, "1");
  ASSERT_EQ(setDDAParameters(p_, in), ZVRAW_OK);
  std::vector<int> codes;
  for (bool next = true; next;) {
    float* m = reinterpret_cast<float*>(1);
    float* i = m;
    int n = -1;
    const int rc = ddaGetNextScan(p_, &m, &i, &n, set_, &next);
    if (!next) break;
    codes.push_back(rc);
    if (rc != ZVRAW_OK) {
      EXPECT_TRUE(m == nullptr && i == nullptr && n == 0);
    }
  }
  EXPECT_EQ(codes, (std::vector<int>{ZVRAW_OK, ZVRAW_ERROR, ZVRAW_OK, ZVRAW_OK}));
  EXPECT_EQ(destroyParameters(in), ZVRAW_OK);
}

TEST_F(DDAProcessor, PrecursorMassTakesTheSurveyGain) {
  AcquisitionRun run = ddaRun({400.0f}, {.lockMass = true});
  run.fx.function(0).rts = {1.0f, 2.0f, 3.0f};
  run.fx.function(1) = fragmentScans({400, 500, 600}, {1.5f, 2.5f, 3.5f});
  for (bool table : {false, true}) {
    if (table) run.fx.lockMassGain({{1.0f, 1.001f}, {3.0f, 1.003f}});
    attach(run);
    borealtek_zvraw_version_1::ZVRawExternalLumavent gains;
    gains.add(1.0f, 1.001f);
    gains.add(3.0f, 1.003f);
    for (const Pairs& e : walk()) {
      if (e.at(1804) == "1850") {
        EXPECT_FALSE(e.contains(1806));
        continue;
      }
      const float setMass = std::stof(e.at(1805));
      const float gain = table ? gains.getGainAtRT(std::floor(std::stof(e.at(1800)))) : 1.0f;
      EXPECT_EQ(std::stof(e.at(1806)), gain * setMass) << e.at(1800);
      EXPECT_EQ(e.at(1806) == e.at(1805), !table);
    }
  }
}

TEST_F(DDAProcessor, IsolationWindow) {
  attach(ddaRun({400.0f}));
  CZorvalenParameters in = nullptr;
  const auto offsets = [&] {
    EXPECT_EQ(getQuadIsolationWindowParameters(p_, set_), ZVRAW_OK);
    const Pairs got = parameterPairs(set_);
    return got.at(1900) + " " + got.at(1901);
  };
  // Bad values are refused and write nothing.
  const struct {
    const char* lower;
    const char* upper;
    int rc;
  } bad[] = {{nullptr, "2", ZVRAW_PARAMETER_MISSING}, {"1", nullptr, ZVRAW_PARAMETER_MISSING},
             {"abc", "2", ZVRAW_PARAMETER_INVALID},   {"1", "1e39", ZVRAW_PARAMETER_INVALID},
             {"nan", "2", ZVRAW_PARAMETER_INVALID},   {"1", "-inf", ZVRAW_PARAMETER_INVALID}};
  for (const auto& b : bad) {
    ASSERT_EQ(createParameters(&in), ZVRAW_OK);
    if (b.lower != nullptr) setKey(in, 1900, b.lower);
    if (b.upper != nullptr) setKey(in, 1901, b.upper);
    EXPECT_EQ(setQuadIsolationWindowParameters(p_, in), b.rc);
    EXPECT_FALSE(std::filesystem::exists(raw() / "_dda.inf"));
    EXPECT_EQ(destroyParameters(in), ZVRAW_OK);
  }
  ASSERT_EQ(createParameters(&in), ZVRAW_OK);
  setKey(in, 1900, "1.5");
  setKey(in, 1901, "2");
  ASSERT_EQ(setQuadIsolationWindowParameters(p_, in), ZVRAW_OK);
  EXPECT_EQ(offsets(), "1.500000 2.000000");

  // A new processor on a new reader reads them back.
  EXPECT_EQ(destroyRawProcessor(p_), ZVRAW_OK);
  ASSERT_EQ(createRawProcessor(&p_, ZorvalenBaseType::DDA, nullptr, nullptr), ZVRAW_OK);
  ASSERT_EQ(setRawReader(p_, open(ZorvalenBaseType::INFO)), ZVRAW_OK);
  EXPECT_EQ(offsets(), "1.500000 2.000000");

  // A write that fails is reported: a directory stands in the file's place.
  std::filesystem::remove(raw() / "_dda.inf");
  std::filesystem::create_directory(raw() / "_dda.inf");
  const int rc = setQuadIsolationWindowParameters(p_, in);
  EXPECT_TRUE(rc == ZVRAW_FILEOPEN_ERROR || rc == ZVRAW_FILEWRITE_ERROR) << rc;
  EXPECT_EQ(offsets(), "0.000000 0.000000");
  EXPECT_EQ(destroyParameters(in), ZVRAW_OK);

  // A damaged settings file reads without harm.
  std::filesystem::remove(raw() / "_dda.inf");
  const std::string text = "[VERSION#1]\n<-- version must be first line\n[IsolationWindow]\nlowerOffset=1.5\n"
                           "upperOffset=2.0\n";
  const Bytes valid(reinterpret_cast<const std::uint8_t*>(text.data()),
                    reinterpret_cast<const std::uint8_t*>(text.data() + text.size()));
  writeFile(raw() / "_dda.inf", valid);
  expectDamagedFileSurvives(raw() / "_dda.inf", [&] { return getQuadIsolationWindowParameters(p_, set_); }, 0xDDAu,
                            40);
}

TEST_F(DDAProcessor, BadInput) {
  // Handles and outputs.
  CZorvalenBaseProcessor spectrum = nullptr;
  ASSERT_EQ(createRawProcessor(&spectrum, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
  float* m = nullptr;
  int n = 0;
  bool next = false;
  for (CZorvalenBaseProcessor wrong : {static_cast<void*>(nullptr), spectrum, set_}) {
    EXPECT_EQ(ddaGetScanCount(wrong, &n), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(ddaGetScanInfo(wrong, 0, set_), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(ddaGetScan(wrong, 0, &m, &m, &n, set_), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(ddaGetNextScan(wrong, &m, &m, &n, set_, &next), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(ddaResetScan(wrong), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(setDDAParameters(wrong, set_), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(getDDAParameters(wrong, set_), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(setQuadIsolationWindowParameters(wrong, set_), ZVRAW_PROCESSOR_NOT_DEFINED);
    EXPECT_EQ(getQuadIsolationWindowParameters(wrong, set_), ZVRAW_PROCESSOR_NOT_DEFINED);
  }
  EXPECT_EQ(destroyRawProcessor(spectrum), ZVRAW_OK);
  EXPECT_EQ(ddaGetScanCount(p_, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(ddaGetScanInfo(p_, 0, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(ddaGetScanInfo(p_, 0, p_), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(ddaGetScan(p_, 0, nullptr, &m, &n, set_), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(ddaGetScan(p_, 0, &m, &m, &n, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(ddaGetNextScan(p_, &m, &m, &n, set_, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(ddaGetNextScan(p_, &m, &m, &n, nullptr, &next), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(setDDAParameters(p_, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getQuadIsolationWindowParameters(p_, nullptr), ZVRAW_NULL_PARAMETERS);

  // Damaged statistics and index files: a fresh reader and processor each
  // time; any code in range, every spectrum within its arrays.
  attach(ddaRun({400.0f, 500.0f}));
  const auto readAll = [&] {
    CZorvalenBaseReader r = nullptr;
    if (const int rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::SCAN); rc != ZVRAW_OK)
      return rc;
    int rc = setRawReader(p_, r);
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    for (bool more = true; rc == ZVRAW_OK && more;) {
      float* mm = nullptr;
      float* ii = nullptr;
      int size = 0;
      rc = ddaGetNextScan(p_, &mm, &ii, &size, set_, &more);
      // Combining reports a bad range; the walk goes on past it.
      if (rc != ZVRAW_OK && more) rc = ZVRAW_OK;
      for (int k = 0; k < size; ++k) EXPECT_GE(ii[k], 0.0f);
    }
    return rc;
  };
  for (const std::string& name : {RawDirectoryFixture::statsName(1), RawDirectoryFixture::indexName(2),
                                   RawDirectoryFixture::indexName(0)})
    expectDamagedFileSurvives(raw() / name, readAll, 0x5CA7u, 30);

  // Damage after the list was built. A cut index keeps the records already
  // read, so every entry still reads; with the data cut, the entries whose
  // scans are gone report it and the walk goes on to its end.
  CZorvalenBaseReader r = open(ZorvalenBaseType::SCAN);
  ASSERT_EQ(setRawReader(p_, r), ZVRAW_OK);
  ASSERT_EQ(count(), 5);
  const auto codes = [&] {
    EXPECT_EQ(ddaResetScan(p_), ZVRAW_OK);
    std::vector<int> out;
    for (bool more = true; more && out.size() < 10;) {
      float* mm = nullptr;
      int size = 0;
      out.push_back(ddaGetNextScan(p_, &mm, &mm, &size, set_, &more));
      EXPECT_TRUE(out.back() == ZVRAW_OK || size == 0);
    }
    return out;
  };
  for (unsigned f : {0u, 1u}) {
    const Bytes idx = readFile(raw() / RawDirectoryFixture::indexName(f));
    writeFile(raw() / RawDirectoryFixture::indexName(f), Bytes(idx.begin(), idx.begin() + 22));
  }
  (void)updateRawReader(r);  // the processor's reader shares its directory
  EXPECT_EQ(codes(), std::vector<int>(6, ZVRAW_OK));
  writeFile(raw() / RawDirectoryFixture::dataName(2), Bytes{});
  const std::vector<int> damaged = codes();
  ASSERT_EQ(damaged.size(), 6u);
  EXPECT_NE(damaged[2], ZVRAW_OK);  // function 2's one entry, after the first survey scan and function 1's
  EXPECT_EQ(damaged[5], ZVRAW_OK);
}

}  // namespace
