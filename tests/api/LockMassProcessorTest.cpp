// The lock-mass processor over runs whose reference function holds profile
// peaks: the gain table it builds, how every reader on the directory then
// reads, the file it keeps, automatic correction and bad input.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "api/ProcessorTestSupport.h"
#include "api/ZorvalenRawLockMassReaderImp.h"
#include "cluster/ZVRawAccessInterface.h"
#include "drift/DriftPairFixture.h"
#include "support/Corruption.h"
#include "support/FifoGuard.h"
#include "support/FileSizeLimit.h"

namespace fs = std::filesystem;
using namespace Vardex::Lib::ZorvalenRaw;
using borealtek_zvraw_version_1::ZVRawDataCluster;

namespace {

constexpr float kLockMass = 556.2771f;
constexpr unsigned kAnalytePeaks = 4;

struct Peak {
  float mass;
  float height;
};

// 21 points 0.01 apart, a Gaussian of sigma 0.02 centred on each peak.
std::vector<std::pair<float, float>> profile(const std::vector<Peak>& peaks) {
  std::vector<std::pair<float, float>> points;
  for (const Peak& p : peaks)
    for (int k = -10; k <= 10; ++k) {
      const float x = 0.01f * static_cast<float>(k);
      points.emplace_back(p.mass + x, std::round(p.height * std::exp(-x * x / (2 * 0.0004f))));
    }
  return points;
}

struct Reference {
  std::vector<Peak> peaks{{556.2f, 1000.0f}};
  unsigned scans = 4;
  float rtStep = 10.0f;       // minutes: by default each window holds one scan
  float drift = 0.0f;         // scan s is observed at mass x (1 + drift x s)
  std::uint16_t ionMode = 8;  // ES positive
};

FixtureFunction rootCalibrated(FixtureFunction fn) {
  borealtek_calibrate_version_1::FunctionCalibration identity;
  identity.setCalibration(0.0, 1.0, borealtek_calibrate_version_1::CALTYPE_ROOTMASS);  // a gain g scales masses by g
  fn.calibration = identity;
  fn.calibrated = false;
  return fn;
}

// An analyte function (fixture points), then the reference function.
RawDirectoryFixture lockMassRun(const Reference& ref) {
  RawDirectoryFixture fx;
  fx.function(rootCalibrated({.format = 12, .scans = ref.scans, .peaks = kAnalytePeaks, .rtStart = 0.0f,
                              .rtStep = ref.rtStep}));
  FixtureFunction reference = rootCalibrated({.type = 18, .ionMode = ref.ionMode, .format = 12, .scans = ref.scans,
                                              .peaks = static_cast<unsigned>(21 * ref.peaks.size()),
                                              .rtStart = 0.0f, .rtStep = ref.rtStep});
  reference.stats = {{kReferenceScanField, kCharField, [](unsigned) { return 1.0; }}};
  reference.point = [ref](unsigned s, unsigned p) {
    std::vector<Peak> shifted = ref.peaks;
    for (Peak& k : shifted) k.mass *= 1.0f + ref.drift * static_cast<float>(s);
    return profile(shifted)[p];
  };
  fx.function(reference);
  return fx;
}

class LockMass : public ProcessorTest {
 protected:
  using ReaderSetTest::write;

  CZorvalenBaseProcessor processor(CZorvalenBaseReader on) { return processorOf(ZorvalenBaseType::LOCKMASS, on); }
  // A processor on a fresh scan reader of raw().
  CZorvalenBaseProcessor opened() { return processor(open(ZorvalenBaseType::SCAN)); }

  void settings(CZorvalenBaseProcessor p, const ParameterPairs& values) {
    ASSERT_EQ(setLockMassParameters(p, pairs(values)), ZVRAW_OK);
  }
  int correct(CZorvalenBaseProcessor p, bool& applied) { return lockMassCorrect(p, &applied); }
  static int corrected(CZorvalenBaseProcessor p) {
    int applied = -1;
    EXPECT_EQ(LMP_isLockMassCorrected(p, &applied), ZVRAW_OK);
    return applied;
  }
  static float gainAt(CZorvalenBaseProcessor p, float rt) {
    float gain = -1.0f;
    EXPECT_EQ(getLockMassCorrection(p, rt, &gain), ZVRAW_OK);
    return gain;
  }
  // Function 0's scan s read through r is the fixture's times gain.
  static void expectAnalyte(CZorvalenBaseReader r, unsigned s, float gain) {
    float* masses = nullptr;
    float* intensities = nullptr;
    int n = 0;
    ASSERT_EQ(readScan(r, 0, static_cast<int>(s), &masses, &intensities, &n), ZVRAW_OK);
    ASSERT_EQ(n, static_cast<int>(kAnalytePeaks));
    for (unsigned p = 0; p < kAnalytePeaks; ++p)
      EXPECT_NEAR(masses[p], fixtureMass(0, s, p) * gain, 2e-4) << s << "/" << p;
  }
  [[nodiscard]] bool tableFile() const { return fs::exists(raw() / "lmgt.inf"); }

  const ParameterPairs kSettings{{1000, "556.2771"}, {1001, "0.5"}};
};

TEST_F(LockMass, EdgeCases) {
  write(lockMassRun({}));
  CZorvalenBaseProcessor p = opened();
  bool applied = true;
  struct Case {
    ParameterPairs pairs;
    int code;
  };
  const Case cases[] = {
      {{}, ZVRAW_PARAMETER_MISSING},
      {{{1000, "556.2771"}}, ZVRAW_PARAMETER_MISSING},
      {{{1000, "556.2771"}, {1001, "0.5"}, {1003, "1"}}, ZVRAW_PARAMETER_INVALID},
      {{{1000, "mass"}, {1001, "0.5"}}, ZVRAW_PARAMETER_INVALID},
      // Gains of 0, infinity or NaN would be installed for every reader.
      {{{1000, "0"}, {1001, "0.5"}}, ZVRAW_PARAMETER_INVALID},
      {{{1000, "-1"}, {1001, "0.5"}}, ZVRAW_PARAMETER_INVALID},
      {{{1000, "nan"}, {1001, "0.5"}}, ZVRAW_PARAMETER_INVALID},
      {{{1000, "1e39"}, {1001, "0.5"}}, ZVRAW_PARAMETER_INVALID},
      {{{1000, "556.2771"}, {1001, "-0.5"}}, ZVRAW_PARAMETER_INVALID},
      {{{1000, "556.2771"}, {1001, "inf"}}, ZVRAW_PARAMETER_INVALID},
  };
  for (const Case& c : cases) {
    settings(p, c.pairs);
    EXPECT_EQ(correct(p, applied), c.code) << ::testing::PrintToString(c.pairs);
    EXPECT_FALSE(applied);
    EXPECT_EQ(corrected(p), 0);
  }
  float gain = -1.0f;
  EXPECT_EQ(getLockMassCorrection(p, 1.0f, &gain), ZVRAW_PARAMETER_NOT_DEFINED);
  EXPECT_EQ(gain, -1.0f);

  // A peak never above 113.63636 x the single-ion intensity (1 without
  // one): nothing installed, an earlier file removed.
  fs::remove_all(raw());
  Reference faint;
  faint.peaks = {{556.2f, 20.0f}};  // a centred area of about 100
  write(lockMassRun(faint).lockMassGain({{0.0f, 1.5f}}));
  CZorvalenBaseProcessor q = opened();
  ASSERT_EQ(corrected(q), 1);
  settings(q, {{1000, "556.2771"}, {1001, "0.5"}, {1002, "1"}});
  EXPECT_EQ(correct(q, applied), ZVRAW_OK);
  EXPECT_FALSE(applied);
  EXPECT_EQ(corrected(q), 0);
  EXPECT_FALSE(tableFile());

  // No reference function: 54 for the gain, 0 and nothing for the rest.
  fs::remove_all(raw());
  write(twoFunctions());
  CZorvalenBaseProcessor none = opened();
  EXPECT_EQ(getLockMassCorrection(none, 1.0f, &gain), ZVRAW_LOCKMASS_CORRECTION_UNSUPPORTED);
  EXPECT_EQ(getLockMassValuesParams(none, set_), ZVRAW_LOCKMASS_CORRECTION_UNSUPPORTED);
  settings(none, kSettings);
  EXPECT_EQ(correct(none, applied), ZVRAW_OK);
  EXPECT_FALSE(applied);
  float* masses = &gain;
  float* intensities = &gain;
  int count = -1;
  (void)getLockMassCandidates(none, &masses, &intensities, &count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(masses, &gain);
  EXPECT_EQ(intensities, &gain);
}

TEST_F(LockMass, WindowsHoldTheScansLessThanFiveMinutesAway) {
  // Each scan's centred peak (about 50) is below the threshold; three
  // summed are above it.
  Reference ref;
  ref.peaks = {{556.2f, 10.0f}};
  ref.scans = 6;
  for (const auto& [step, entries] : {std::pair{2.0f, true}, {5.0f, false}}) {
    SCOPED_TRACE(step);
    fs::remove_all(raw());
    ref.rtStep = step;
    write(lockMassRun(ref));
    CZorvalenBaseProcessor p = opened();
    settings(p, kSettings);
    bool applied = false;
    EXPECT_EQ(correct(p, applied), ZVRAW_OK);
    EXPECT_EQ(applied, entries);
  }
}

TEST_F(LockMass, EveryReaderReadsWithTheGainAndTheFileKeepsIt) {
  Reference ref;
  ref.drift = -2e-4f;  // scan s observed at 556.2 x (1 - 2e-4 s)
  write(lockMassRun(ref));
  CZorvalenBaseReader scans = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseProcessor p = processor(scans);
  settings(p, kSettings);
  bool applied = false;
  ASSERT_EQ(correct(p, applied), ZVRAW_OK);
  EXPECT_TRUE(applied);
  EXPECT_TRUE(tableFile());
  std::vector<float> gains;
  for (unsigned s = 0; s < ref.scans; ++s) {
    const float observed = 556.2f * (1.0f - 2e-4f * static_cast<float>(s));
    gains.push_back(gainAt(p, fixtureRT({.rtStart = 0.0f, .rtStep = ref.rtStep}, s)));
    EXPECT_NEAR(gains.back(), kLockMass / observed, 2e-6f) << s;
    expectAnalyte(scans, s, gains.back());
  }
  ASSERT_EQ(getLockMassValuesParams(p, set_), ZVRAW_OK);
  EXPECT_EQ(parameterPairs(set_), (ParameterPairs{{1000, "556.277100"}, {1001, "0.500000"}}));

  // A later opening finds lmgt.inf; the same settings again change nothing.
  CZorvalenBaseReader later = open(ZorvalenBaseType::SCAN);
  for (unsigned s = 0; s < ref.scans; ++s) expectAnalyte(later, s, gains[s]);
  CZorvalenBaseProcessor q = processor(later);
  settings(q, kSettings);
  EXPECT_EQ(correct(q, applied), ZVRAW_OK);
  EXPECT_FALSE(applied);
  // Forced, it regenerates; a table made here is never current, so again.
  settings(q, {{1000, "556.2771"}, {1001, "0.5"}, {1002, "1"}});
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(correct(q, applied), ZVRAW_OK);
    EXPECT_TRUE(applied);
    // No compounding: the reference spectra are read with the gain taken off.
    for (unsigned s = 0; s < ref.scans; ++s)
      EXPECT_NEAR(gainAt(q, fixtureRT({.rtStart = 0.0f, .rtStep = ref.rtStep}, s)), gains[s], 1e-6f * gains[s]);
  }

  // Each cluster keeps its table until it is removed there; the file goes.
  ASSERT_EQ(removeLockMassCorrection(q), ZVRAW_OK);
  EXPECT_FALSE(tableFile());
  EXPECT_EQ(corrected(q), 0);
  EXPECT_EQ(corrected(p), 1);
  ASSERT_EQ(removeLockMassCorrection(p), ZVRAW_OK);
  CZorvalenBaseReader fresh = open(ZorvalenBaseType::SCAN);
  for (unsigned s = 0; s < ref.scans; ++s) {
    expectAnalyte(scans, s, 1.0f);
    expectAnalyte(later, s, 1.0f);
    expectAnalyte(fresh, s, 1.0f);
  }
}

// A reference function stored calibrated reads without the gain, though
// the analyte function (uncalibrated) makes the run count as uncalibrated:
// a second correction measures the same peaks and makes the same table.
TEST_F(LockMass, ACalibratedReferenceIsMeasuredAsStored) {
  RawDirectoryFixture fx = lockMassRun(Reference{});
  fx.function(1).calibrated = true;
  fx.function(1).calibration.reset();
  write(fx);
  CZorvalenBaseProcessor p = opened();
  settings(p, kSettings);
  for (int round = 0; round < 2; ++round) {
    bool applied = false;
    ASSERT_EQ(correct(p, applied), ZVRAW_OK);
    EXPECT_TRUE(applied) << round;
    EXPECT_NEAR(gainAt(p, 0.0f), kLockMass / 556.2f, 2e-6f) << round;
  }
  EXPECT_TRUE(tableFile());
}

TEST_F(LockMass, OneGainOnEveryReadPath) {
  Reference ref;
  ref.peaks = {{556.2f, 1000.0f}};  // gain about 1.000139
  write(lockMassRun(ref));
  drift_fixture::Settings drift;
  drift_fixture::writePair(raw(), 0, drift, drift_fixture::ladder(static_cast<int>(ref.scans), drift.bins));
  CZorvalenBaseReader scans = open(ZorvalenBaseType::SCAN);
  ZVRawDataCluster sharer(*cluster(scans), true);  // another cluster on the same record
  ASSERT_EQ(sharer.getInitialiseResult(), ZVRAW_OK);

  // Uncorrected drift masses, to compare against.
  std::vector<float> rawDrift, rawScale;
  float* m = nullptr;
  float* in = nullptr;
  int n = 0, offset = 0;
  ASSERT_EQ(readDriftScan(scans, 0, 1, 0, &m, &in, &n), ZVRAW_OK);
  rawDrift.assign(m, m + n);
  ASSERT_EQ(getDriftMassScale(scans, 0, 1, &m, &n, &offset), ZVRAW_OK);
  rawScale.assign(m, m + n);
  ASSERT_FALSE(rawDrift.empty());

  CZorvalenBaseProcessor p = processor(scans);
  for (bool on : {true, false}) {
    SCOPED_TRACE(on);
    bool applied = false;
    if (on) {
      settings(p, kSettings);
      ASSERT_EQ(correct(p, applied), ZVRAW_OK);
      ASSERT_TRUE(applied);
    } else {
      ASSERT_EQ(removeLockMassCorrection(p), ZVRAW_OK);
    }
    const float gain = on ? gainAt(p, 0.0f) : 1.0f;
    expectAnalyte(scans, 1, gain);

    ASSERT_EQ(readDriftScan(scans, 0, 1, 0, &m, &in, &n), ZVRAW_OK);
    ASSERT_EQ(n, static_cast<int>(rawDrift.size()));
    for (int k = 0; k < n; ++k) EXPECT_FLOAT_EQ(m[k], rawDrift[k] * gain);
    ASSERT_EQ(getDriftMassScale(scans, 0, 1, &m, &n, &offset), ZVRAW_OK);
    ASSERT_EQ(n, static_cast<int>(rawScale.size()));
    EXPECT_FLOAT_EQ(m[n / 2], rawScale[n / 2] * gain);

    // The sharing cluster loads its scans with the same gain, and a mass
    // chromatogram over scans no cluster has loaded agrees with one over
    // loaded scans, whatever table lmgt.inf holds now.
    ASSERT_EQ(sharer.loadData(0, 0u, ref.scans - 1, true, false), ZVRAW_OK);
    float corrected = 0.0f;
    ASSERT_EQ(ZVRawAccessInterface(sharer).getLockMassCorrection(0, 0, corrected), on ? ZVRAW_OK : ZVRAW_ERROR);
    if (on) {
      EXPECT_FLOAT_EQ(corrected, gain);
      write(lockMassRun(ref).lockMassGain({{0.0f, 1.5f}}));
    }
    const float mass = fixtureMass(0, 2, 1) * gain * gain;
    std::vector<float> loaded(ref.scans), fromFile(ref.scans), times(ref.scans);
    ASSERT_EQ(ZVRawAccessInterface(sharer).getMassChromatogram(0, mass, 0, ref.scans - 1, loaded.data(),
                                                               times.data(), 0.004f, false),
              ZVRAW_OK);
    ZVRawDataCluster unloaded(*cluster(scans), true);
    ASSERT_EQ(ZVRawAccessInterface(unloaded).getMassChromatogram(0, mass, 0, ref.scans - 1, fromFile.data(),
                                                                 times.data(), 0.004f, false),
              ZVRAW_OK);
    EXPECT_EQ(fromFile, loaded);
    EXPECT_EQ(loaded[2], fixtureIntensity(0, 2, 1));
  }
}

TEST_F(LockMass, MendedGainsAndAFailedSave) {
  // An installed gain of 0 or NaN reads as 1, and undoing it does too.
  for (float installed : {0.0f, std::numeric_limits<float>::quiet_NaN()}) {
    SCOPED_TRACE(installed);
    fs::remove_all(raw());
    write(lockMassRun({}).lockMassGain({{0.0f, installed}}));
    CZorvalenBaseReader scans = open(ZorvalenBaseType::SCAN);
    expectAnalyte(scans, 1, 1.0f);
    CZorvalenBaseProcessor p = processor(scans);
    settings(p, {{1000, "556.2771"}, {1001, "0.5"}, {1002, "1"}});
    bool applied = false;
    ASSERT_EQ(correct(p, applied), ZVRAW_OK);
    EXPECT_NEAR(gainAt(p, 0.0f), kLockMass / 556.2f, 2e-6f);
  }

  // The table stays in effect; the call says the file did not follow.
  fs::remove_all(raw());
  write(lockMassRun({}).lockMassGain({{0.0f, 1.5f}}));
  const Bytes before = readFile(raw() / "lmgt.inf");
  CZorvalenBaseReader scans = open(ZorvalenBaseType::SCAN);
  CZorvalenBaseProcessor p = processor(scans);
  settings(p, {{1000, "556.2771"}, {1001, "0.5"}, {1002, "1"}});
  bool applied = false;
  int rc = 0;
  {
    const FileSizeLimit limit(8);
    ASSERT_TRUE(limit.ok());
    rc = correct(p, applied);
  }
  EXPECT_TRUE(rc == ZVRAW_FILEWRITE_ERROR || rc == ZVRAW_FILEOPEN_ERROR) << rc;
  EXPECT_TRUE(applied);
  EXPECT_NEAR(gainAt(p, 0.0f), kLockMass / 556.2f, 2e-6f);
  EXPECT_EQ(readFile(raw() / "lmgt.inf"), before);
}

// A gain the scans are not read with is no correction to report either:
// the table holds 1.5 at 0 minutes and `second` at 30.
TEST_F(LockMass, UnusableGainsAreNoCorrection) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    float second, rt, gain;  // the gain the caller then holds: 7 when none
  } rows[] = {{nan, 0, 1.5f}, {nan, 30, 7}, {nan, 10, 7},    {inf, 40, 7},
              {0, 30, 7},     {-1, 30, 7},  {-1, 20, 7},     {-1, 15, 0.25f}};
  for (const auto& r : rows) {
    fs::remove_all(raw());
    write(lockMassRun({}).lockMassGain({{0.0f, 1.5f}, {30.0f, r.second}}));
    float gain = 7.0f;
    EXPECT_EQ(getLockMassCorrection(opened(), r.rt, &gain), r.gain == 7 ? ZVRAW_PARAMETER_NOT_DEFINED : ZVRAW_OK);
    EXPECT_NEAR(gain, r.gain, 1e-6f) << r.second << " at " << r.rt;
  }
}

TEST_F(LockMass, AutomaticCorrectionPicksOneCompound) {
  struct Case {
    std::vector<Peak> peaks;
    std::uint16_t ionMode;
    int code;
    bool applied;
  };
  const Case cases[] = {
      // 556.2771 with its confirming peak 1.0078 above at 0.33 of its height.
      {{{556.2f, 3000.0f}, {557.2078f, 990.0f}}, 8, ZVRAW_OK, true},
      // Two compounds with their confirming peaks.
      {{{785.8f, 3000.0f}, {786.3039f, 2400.0f}, {1570.6f, 3000.0f}, {1571.6078f, 2400.0f}},
       8,
       ZVRAW_LOCKMASS_MULTIPLE_REFERENCE_COMPOUND_MATCH,
       false},
      // Negative data: 783.827 confirmed 1.5039 above.
      {{{783.8f, 3000.0f}, {785.3039f, 2400.0f}}, 9, ZVRAW_OK, true},
      // The positive compound in negative data matches nothing.
      {{{556.2f, 3000.0f}, {557.2078f, 990.0f}}, 9, ZVRAW_OK, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.peaks.front().mass);
    fs::remove_all(raw());
    Reference ref;
    ref.peaks = c.peaks;
    ref.ionMode = c.ionMode;
    write(lockMassRun(ref));
    CZorvalenBaseProcessor p = opened();
    settings(p, {{1000, "300"}, {1001, "0.1"}});
    bool applied = !c.applied;
    EXPECT_EQ(autoLockMassCorrect(p, false, &applied), c.code);
    EXPECT_EQ(applied, c.applied);
    EXPECT_EQ(corrected(p), c.applied ? 1 : 0);
    ASSERT_EQ(getLockMassParameters(p, set_), ZVRAW_OK);
    EXPECT_EQ(parameterPairs(set_), (ParameterPairs{{1000, "300"}, {1001, "0.1"}}));
    if (!c.applied) continue;
    // Corrected already: kept without force, recomputed with it.
    EXPECT_EQ(autoLockMassCorrect(p, false, &applied), ZVRAW_OK);
    EXPECT_TRUE(applied);
    EXPECT_EQ(autoLockMassCorrect(p, true, &applied), ZVRAW_OK);
    EXPECT_TRUE(applied);
  }
}

TEST_F(LockMass, PolarityPicksTheCompoundList) {
  struct Case {
    std::uint16_t ionMode;
    float second, offset;
  };
  for (const Case c : {Case{8, 785.8426f, 0.5039f}, Case{9, 783.827f, 1.5039f}, Case{0, 785.8426f, 0.5039f}}) {
    fs::remove_all(raw());
    Reference ref;
    ref.ionMode = c.ionMode;
    write(lockMassRun(ref));
    CZorvalenBaseReader r = open(ZorvalenBaseType::SCAN);
    CZorvalenBaseProcessor p = processor(r);
    std::vector<MatchCriteria> criteria;
    ASSERT_EQ(processorCast<ZorvalenRawLockMassReaderImp>(p)->matchCriteria(criteria), ZVRAW_OK);
    ASSERT_EQ(criteria.size(), 3u);
    EXPECT_EQ(criteria[1].GetTargetIon(), c.second);
    EXPECT_EQ(criteria[1].GetConfirmatoryIon(), c.offset);
    EXPECT_EQ(criteria[1].GetIntensityRatio(), 0.8f);
    EXPECT_EQ(criteria[1].GetTargetIonTolerance(), 0.5f);
  }
}

TEST_F(LockMass, BadHandlesSetsAndOutputs) {
  write(lockMassRun({}));
  CZorvalenBaseProcessor bare = processor(nullptr);
  CZorvalenBaseProcessor spectrum = nullptr;
  ASSERT_EQ(createRawProcessor(&spectrum, ZorvalenBaseType::SCAN, nullptr, nullptr), ZVRAW_OK);
  CZorvalenBaseReader reader = open(ZorvalenBaseType::SCAN);
  bool b = false;
  int i = 0;
  float f = 0.0f, *pf = nullptr;
  const auto all = [&](CZorvalenBaseProcessor h) {
    return std::vector<int>{lockMassCorrect(h, &b),
                            autoLockMassCorrect(h, false, &b),
                            removeLockMassCorrection(h),
                            getLockMassCorrection(h, 1.0f, &f),
                            getLockMassCandidates(h, &pf, &pf, &i),
                            getLockMassValuesParams(h, set_),
                            setLockMassParameters(h, set_),
                            getLockMassParameters(h, set_),
                            LMP_canLockMassCorrect(h, &i),
                            LMP_isLockMassCorrected(h, &i)};
  };
  for (CZorvalenBaseProcessor wrong : {CZorvalenBaseProcessor{}, spectrum, CZorvalenBaseProcessor(reader)})
    EXPECT_EQ(all(wrong), std::vector<int>(10, ZVRAW_PROCESSOR_NOT_DEFINED));
  // Without a reader: 1, but for the set alone and the removal.
  EXPECT_EQ(all(bare), (std::vector<int>{1, 1, 0, 1, 1, 1, 0, 0, 1, 1}));
  CZorvalenBaseProcessor p = processor(reader);
  EXPECT_EQ(lockMassCorrect(p, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(autoLockMassCorrect(p, true, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getLockMassCorrection(p, 1.0f, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getLockMassCandidates(p, nullptr, &pf, &i), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(getLockMassCandidates(p, &pf, &pf, nullptr), ZVRAW_NULL_PARAMETERS);
  for (CZorvalenParameters set : {CZorvalenParameters{}, CZorvalenParameters(reader)}) {
    EXPECT_EQ(getLockMassValuesParams(p, set), ZVRAW_NULL_PARAMETERS);
    EXPECT_EQ(setLockMassParameters(p, set), ZVRAW_NULL_PARAMETERS);
    EXPECT_EQ(getLockMassParameters(p, set), ZVRAW_NULL_PARAMETERS);
  }
  EXPECT_EQ(LMP_canLockMassCorrect(p, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(LMP_isLockMassCorrected(p, nullptr), ZVRAW_NULL_PARAMETERS);
  EXPECT_EQ(destroyRawProcessor(spectrum), ZVRAW_OK);

  // Candidates: caller arrays, released with releaseMemory.
  float* masses = nullptr;
  float* intensities = nullptr;
  int count = 0;
  ASSERT_EQ(getLockMassCandidates(p, &masses, &intensities, &count), ZVRAW_OK);
  ASSERT_GT(count, 0);
  EXPECT_NEAR(masses[0], 556.2f, 0.01f);
  EXPECT_EQ(releaseMemory(masses), ZVRAW_OK);
  EXPECT_EQ(releaseMemory(intensities), ZVRAW_OK);
}

// A FIFO at lmgt.inf is no table: the correction replaces it with one, and
// neither the opening nor the save waits for a peer.
TEST_F(LockMass, FifoAtTheTableFileIsReplaced) {
  write(lockMassRun({}));
  ASSERT_EQ(::mkfifo((raw() / "lmgt.inf").c_str(), 0600), 0);
  bool applied = false;
  EXPECT_EQ(withinFifo(raw() / "lmgt.inf",
                       [&] {
                         CZorvalenBaseProcessor p = opened();
                         settings(p, kSettings);
                         return correct(p, applied);
                       }),
            ZVRAW_OK);
  EXPECT_TRUE(applied && fs::is_regular_file(raw() / "lmgt.inf"));
}

// Removing the correction deletes a table file, never a directory of its name.
TEST_F(LockMass, ADirectoryAtTheTableFileIsNotRemoved) {
  write(lockMassRun({}));
  fs::create_directory(raw() / "lmgt.inf");
  EXPECT_EQ(removeLockMassCorrection(opened()), ZVRAW_ERROR);
  EXPECT_TRUE(fs::is_directory(raw() / "lmgt.inf"));
}

TEST_F(LockMass, DamagedTableFiles) {
  write(lockMassRun({}).lockMassGain({{0.0f, 1.0001f}, {30.0f, 1.0002f}}));
  expectDamagedFileSurvives(
      raw() / "lmgt.inf",
      [&] {
        CZorvalenBaseReader r = nullptr;
        if (createRawReaderFromPath(rawPath().c_str(), &r, ZorvalenBaseType::SCAN) != ZVRAW_OK) return 1;
        CZorvalenBaseProcessor p = nullptr;
        (void)createRawProcessor(&p, ZorvalenBaseType::LOCKMASS, nullptr, nullptr);
        (void)setRawReader(p, r);
        float gain = 0.0f;
        bool applied = false;
        int worst = getLockMassCorrection(p, 10.0f, &gain);
        (void)getLockMassValuesParams(p, set_);
        settings(p, kSettings);
        worst = std::max(worst, lockMassCorrect(p, &applied));
        // A correction in force is attached to every function: none is left out.
        if (applied) expectAnalyte(r, 1, gainAt(p, fixtureRT({.rtStart = 0.0f, .rtStep = 10.0f}, 1)));
        worst = std::max(worst, removeLockMassCorrection(p));
        expectAnalyte(r, 1, 1.0f);
        EXPECT_EQ(destroyRawProcessor(p), ZVRAW_OK);
        EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
        return worst;
      },
      0x1a55, 40);
}

}  // namespace
