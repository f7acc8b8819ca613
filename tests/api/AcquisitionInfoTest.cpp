// Acquisition classification through the information reader: the kind and
// roles of runs of each kind, the keys written, the comparison edges, the
// two lock-mass questions, the cached answer, and damaged inputs.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "api/AcquisitionInfo.h"
#include "api/ReaderTestSupport.h"
#include "api/ZorvalenRawInfoImp.h"
#include "formats/portability/CLocale.h"
#include "support/AcquisitionRuns.h"
#include "support/Corruption.h"

using Vardex::Lib::ZorvalenRaw::AcquisitionInfo;
using Vardex::Lib::ZorvalenRaw::DDAInfo;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawInfoImp;
using Pairs = ParameterPairs;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
const std::string kZero = "0.000000";

// The kind and role keys (1650-1653) that are set, in key order.
std::vector<int> roles(const Pairs& all) {
  std::vector<int> out;
  for (int key = 1650; key <= 1653; ++key)
    if (all.contains(key)) out.push_back(std::stoi(all.at(key)));
  return out;
}

std::shared_ptr<AcquisitionInfo> infoOf(CZorvalenBaseReader r) {
  return handleCast<ZorvalenRawInfoImp>(r)->getAcquisitionInfo();
}

class Classification : public ReaderSetTest {
 protected:
  void writeRun(const AcquisitionRun& run) {
    std::filesystem::remove_all(raw());
    std::filesystem::create_directories(raw());
    run.write(raw());
  }

  struct Outcome {
    int rc = -1;
    Pairs pairs;
    std::shared_ptr<AcquisitionInfo> info;
  };
  // A fresh information reader's classification of raw().
  Outcome classify() {
    CZorvalenBaseReader r = nullptr;
    Outcome out;
    if ((out.rc = createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::INFO)) != ZVRAW_OK) return out;
    out.rc = getAcquisitionInfo(r, set_);
    out.pairs = parameterPairs(set_);
    out.info = infoOf(r);
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    return out;
  }
  Outcome classify(const AcquisitionRun& run) {
    writeRun(run);
    return classify();
  }
};

TEST_F(Classification, KindsAndRoles) {
  using Make = std::function<AcquisitionRun()>;
  // Changes one function of a run.
  const auto with = [](AcquisitionRun run, std::size_t f, const std::function<void(FixtureFunction&)>& change) {
    change(run.fx.function(f));
    return run;
  };
  const struct {
    const char* name;
    Make make;
    std::vector<int> roles;      // TYPE, then LOCKMASS, MS1, MS2 when written
    std::vector<int> fragments;  // of a data-dependent run
  } cases[] = {
      {"vesko 1", [] { return veskoRun(1); }, {1704}, {}},
      {"vesko 0", [] { return veskoRun(0); }, {1748}, {}},
      {"vesko 2", [] { return veskoRun(2); }, {1748}, {}},
      {"vesko over a data-dependent shape",
       [&] {
         return with(ddaRun({500.2f, 600.3f}), 0, [](FixtureFunction& f) {
           f.stats = {{kVeskoEnabledField, kShortField, [](unsigned) { return 1.0; }}};
         });
       },
       {1704}, {}},
      {"dda", [] { return ddaRun({500.2f, 600.3f}); }, {1700, -1, 0}, {1, 2}},
      {"dda, a zero set mass", [] { return ddaRun({500.2f, 0.0f}); }, {1748}, {}},
      {"dda with lock mass", [] { return ddaRun({500.2f, 600.3f}, {.lockMass = true}); }, {1700, 3, 0}, {1, 2}},
      {"the lock-mass function ends the walk",
       [] {
         AcquisitionRun r = ddaRun({500.2f});
         r.fx.function(lockMassFunction()).function(fragmentFunction(0.0f));
         return r;
       },
       {1700, 2, 0}, {1}},
      {"a function without scans ends the walk",
       [&] { return with(ddaRun({500.2f, 0.0f}), 2, [](FixtureFunction& f) { f.scans = 0; }); }, {1700, -1, 0}, {1}},
      {"two surveys", [&] { return with(ddaRun({500.2f, 600.3f}), 1, [](FixtureFunction& f) { f.type = kTypeTOFM; }); },
       {1748}, {}},
      {"elvo 6 30", [] { return elvoRun(6, 30); }, {1701, -1, 0, 1}, {}},
      {"elvo 30 6", [] { return elvoRun(30, 6); }, {1701, -1, 1, 0}, {}},
      {"elvo, equal energies", [] { return elvoRun(6, 6); }, {1748}, {}},
      {"elvo with lock mass", [] { return elvoRun(6, 30, {.lockMass = true}); }, {1701, 2, 0, 1}, {}},
      // The cluster takes a last TOFM function with scans as the reference.
      {"a last TOFM function is the lock mass",
       [&] { return with(elvoRun(6, 30), 2, [](FixtureFunction& f) { f.type = kTypeTOFM; }); }, {1701, 2, 0, 1}, {}},
      {"hdda", [] { return ddaRun({500.2f, 600.3f}, {.mobility = true}); }, {1702, -1, 0}, {1, 2}},
      {"hdelvo", [] { return elvoRun(30, 6, {.lockMass = true, .mobility = true}); }, {1703, 2, 1, 0}, {}},
  };
  for (const auto& c : cases) {
    const Outcome out = classify(c.make());
    EXPECT_EQ(out.rc, ZVRAW_OK) << c.name;
    EXPECT_EQ(roles(out.pairs), c.roles) << c.name;
    const auto dda = std::dynamic_pointer_cast<DDAInfo>(out.info);
    EXPECT_EQ(dda != nullptr, !c.fragments.empty()) << c.name;
    if (dda) {
      EXPECT_EQ(dda->GetMS2Functions(), c.fragments) << c.name;
    }
  }
}

TEST_F(Classification, KeysWritten) {
  EXPECT_EQ(classify(ddaRun({500.2f})).pairs, (Pairs{{1650, "1700"}, {1651, "-1"}, {1652, "0"}, {1657, kZero},
                                                     {1658, kZero}, {1659, kZero}, {1660, kZero}}));

  // SAMPLINGFREQUENCY, LTEFF, VEFF, RESOLUTION: function 0's drift header
  // (in GHz) with the settings file's resolution, else the settings file.
  const struct {
    bool file, drift;
    std::vector<std::string> settings;
  } cases[] = {
      {true, false, {"3.600000", "1800.500000", "7200.000000", "20000.000000"}},
      {false, true, {"2.500000", "1800.250000", "7100.000000", kZero}},
      {true, true, {"2.500000", "1800.250000", "7100.000000", "20000.000000"}},
  };
  for (const auto& c : cases) {
    AcquisitionRun run = ddaRun({500.2f}, {.mobility = c.drift});
    run.drift = {.bins = 4, .lteff = 1800.25, .veff = 7100, .ghz = 2.5};
    if (c.file) run.fx.externInfo("Lteff 1800.5\nVeff 7200\nResolution 20000\nADC Sample Frequency (GHz) 3.6\n");
    const Pairs p = classify(run).pairs;
    EXPECT_EQ((std::vector<std::string>{p.at(1657), p.at(1658), p.at(1659), p.at(1660)}), c.settings) << c.file;
  }

  // The keys of each kind, FUNCTIONS (1656) never; the caller's other pairs
  // are gone. The precursor range is the calibration's over the function's
  // bins; without bins there is none.
  const auto keys = [](const Pairs& p) {
    std::vector<int> k;
    for (const auto& kv : p) k.push_back(kv.first);
    return k;
  };
  EXPECT_EQ(keys(classify(elvoRun(6, 30)).pairs), (std::vector<int>{1650, 1651, 1652, 1653, 1657, 1658, 1659, 1660}));
  EXPECT_EQ(keys(classify(veskoRun(0)).pairs), (std::vector<int>{1650, 1657, 1658, 1659, 1660}));
  ASSERT_EQ(setParameterValue(set_, 1, "stale"), ZVRAW_OK);
  Outcome out = classify(veskoRun());
  EXPECT_EQ(keys(out.pairs), (std::vector<int>{1650, 1654, 1655, 1657, 1658, 1659, 1660}));
  float start = 0, end = 0;
  ASSERT_EQ(handleCast<ZorvalenRawInfoImp>(open(ZorvalenBaseType::INFO))->GetPrecursorMassRange(0, start, end),
            ZVRAW_OK);
  EXPECT_GT(end, start);
  EXPECT_EQ(out.pairs.at(1654), zvraw::formatC("%f", double(start)));
  EXPECT_EQ(out.pairs.at(1655), zvraw::formatC("%f", double(end)));
  AcquisitionRun unbinned = veskoRun();
  unbinned.driftFunctions.clear();
  out = classify(unbinned);
  EXPECT_EQ(out.pairs.at(1650), "1704");
  EXPECT_EQ(out.pairs.at(1654), kZero);
  EXPECT_EQ(out.pairs.at(1655), kZero);
}

// The tolerances of an alternating-energy pair are strict, and only finite
// positive energies count.
TEST_F(Classification, AlternatingEnergyEdges) {
  const auto energy = [](float e) {
    return std::vector<FixtureStatsField>{{kCollisionEnergyField, kFloatField, [e](unsigned) { return double(e); }}};
  };
  const struct {
    const char* name;
    std::function<void(AcquisitionRun&)> change;
    bool elvo;
  } cases[] = {
      {"low masses 0.005 apart", [](AcquisitionRun& r) { r.fx.function(1).lowMass = 50.005f; }, true},
      {"low masses 0.02 apart", [](AcquisitionRun& r) { r.fx.function(1).lowMass = 50.02f; }, false},
      {"start times 0.5 apart",
       [](AcquisitionRun& r) {
         r.fx.function(0).rtStart = 1.0f;
         r.fx.function(1).rtStart = 1.5f;
       },
       true},
      {"start times just over 0.5 apart",
       [](AcquisitionRun& r) {
         r.fx.function(0).rtStart = 1.0f;
         r.fx.function(1).rtStart = std::nextafter(1.5f, 2.0f);
       },
       false},
      {"infinite energy", [&](AcquisitionRun& r) { r.fx.function(0).stats = energy(kInf); }, false},
      {"energy not a number", [&](AcquisitionRun& r) { r.fx.function(0).stats = energy(kNaN); }, false},
      {"negative energy", [&](AcquisitionRun& r) { r.fx.function(0).stats = energy(-6); }, false},
  };
  for (const auto& c : cases) {
    AcquisitionRun run = elvoRun(6, 30);
    c.change(run);
    const Outcome out = classify(run);
    EXPECT_EQ(out.rc, ZVRAW_OK) << c.name;
    EXPECT_EQ(out.pairs.at(1650), c.elvo ? "1701" : "1748") << c.name;
  }
}

TEST_F(Classification, LockMassQuestions) {
  const std::vector<std::pair<float, float>> gains{{0.5f, 1.001f}, {1.0f, 1.002f}};
  const struct {
    const char* name;
    AcquisitionRun run;
    bool calibrated, referenceCalibrated, gainTable;
    bool can, corrected;
  } cases[] = {
      {"no reference function", ddaRun({500.2f}), false, false, true, false, false},
      {"dda, calibrated", ddaRun({500.2f}, {.lockMass = true}), true, true, false, true, false},
      {"dda, calibrated, gain table", ddaRun({500.2f}, {.lockMass = true}), true, true, true, true, true},
      {"hdda, calibrated, gain table", ddaRun({500.2f}, {.lockMass = true, .mobility = true}), true, true, true,
       true, true},
      {"elvo, uncalibrated, gain table", elvoRun(6, 30, {.lockMass = true}), false, false, true, true, true},
      {"elvo, calibrated, gain table", elvoRun(6, 30, {.lockMass = true}), true, true, true, false, false},
      {"elvo, only the reference calibrated", elvoRun(6, 30, {.lockMass = true}), false, true, true, true, true},
  };
  for (const auto& c : cases) {
    AcquisitionRun run = c.run;
    for (std::size_t f = 0; f < run.fx.functionCount(); ++f)
      run.fx.function(f).calibrated = static_cast<int>(f) == run.lockMassFunction ? c.referenceCalibrated : c.calibrated;
    if (c.gainTable) run.fx.lockMassGain(gains);
    writeRun(run);
    CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
    bool can = !c.can, corrected = !c.corrected;
    EXPECT_EQ(canLockMassCorrect(r, &can), ZVRAW_OK) << c.name;
    EXPECT_EQ(isLockMassCorrected(r, &corrected), ZVRAW_OK) << c.name;
    EXPECT_EQ(can, c.can) << c.name;
    EXPECT_EQ(corrected, c.corrected) << c.name;
    close(r);
  }
}

// One classification per reader, kept across updateRawReader; a new reader
// on the grown run classifies it anew.
TEST_F(Classification, CachedPerReader) {
  AcquisitionRun run = ddaRun({500.2f});
  run.fx.function(1).scans = 0;
  writeRun(run);
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  const std::shared_ptr<AcquisitionInfo> first = infoOf(r);
  EXPECT_EQ(infoOf(r), first);
  EXPECT_EQ(first->GetType(), ZorvalenAcquisitionType::UNKNOWN);

  run.fx.grow(raw(), 1, 2, false);
  ASSERT_EQ(updateRawReader(r), ZVRAW_OK);
  EXPECT_EQ(infoOf(r), first);
  ASSERT_EQ(getAcquisitionInfo(r, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_)[1650], "1748");
  EXPECT_EQ(infoOf(share(r, ZorvalenBaseType::INFO))->GetType(), ZorvalenAcquisitionType::DDA);
}

TEST_F(Classification, DamagedInputs) {
  const auto readOnce = [&] {
    const Outcome out = classify();
    if (out.rc == ZVRAW_OK) {
      const std::string type = out.pairs.contains(1650) ? out.pairs.at(1650) : "";
      EXPECT_TRUE(type == "1701" || type == "1703" || type == "1748") << type;
    }
    return out.rc;
  };
  const auto damage = [&](const std::filesystem::path& file, std::uint32_t seed) {
    const Bytes valid = readFile(file);
    const ReaderCall read = [&](const Bytes& bad) {
      writeFile(file, bad);
      return readOnce();
    };
    // The classification answers whatever is left: any cut may read.
    expectRejectsTruncations(valid, read, [](std::size_t) { return true; });
    expectSurvivesCorruptions(valid, read, seed, 40);
    writeFile(file, valid);
  };
  writeRun(elvoRun(6, 30, {.mobility = true}));
  damage(raw() / RawDirectoryFixture::statsName(0), 0xE1F0u);
  damage(drift_fixture::indexPath(raw()), 0xD41Fu);

  // Instrument settings files that read badly leave the defaults.
  const struct {
    const char* text;
    const char* lteff;
    const char* veff;
    const char* resolution;
  } files[] = {
      {"Lteff nan\nVeff 7200\n", "nan", "7200.000000", "10000.000000"},
      {"Lteff 1e99\nVeff 1e-99\nResolution 1e99\n", "0.000000", "0.000000", "10000.000000"},
      {"Lteff 1800.5 Veff 7200 Resolution 20000", "0.000000", "0.000000", "10000.000000"},
  };
  for (const auto& f : files) {
    AcquisitionRun run = ddaRun({500.2f});
    run.fx.externInfo(f.text);
    const Outcome out = classify(run);
    ASSERT_EQ(out.rc, ZVRAW_OK) << f.text;
    EXPECT_EQ(out.pairs.at(1650), "1700");
    EXPECT_EQ(out.pairs.at(1658), f.lteff) << f.text;
    EXPECT_EQ(out.pairs.at(1659), f.veff) << f.text;
    EXPECT_EQ(out.pairs.at(1660), f.resolution) << f.text;
  }

  // A parameters handle that is null or a reader.
  CZorvalenBaseReader r = open(ZorvalenBaseType::INFO);
  EXPECT_EQ(getAcquisitionInfo(r, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getAcquisitionInfo(r, r), ZVRAW_NULL_PARAMETERS);
}

}  // namespace
