#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "processing/ABSSubtractPars.h"
#include "processing/MassMeasurePars.h"
#include "support/Corruption.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kBackSub = "[BACKSUB]\nType=1\nPercent Below=40.0\nPolynomial Order=5\nTolerance=0.01\nFlatten Edges=0\n";
const std::string kSmooth = "[SMOOTH]\nSmooth Type=2\nSmooth Width=3\nNumber Of Smooths=2\n";
const std::string kTofAcm =
    "[TOFACM]\nLumavent Scans=10\nLock Mass=0.0\nMass Window=0.0\nNP Multiplier=1.0\nResolution=5000.0\n";
const std::string kCenter = "[CENTER]\nCentroiding Type=2\nTop Percent=80.0\nUse Areas=1\nMin Peak Width Channels=4\n";

// Every persisted value away from its default.
ABSSubtractPars changedAbs(const char* modifier) {
  ABSSubtractPars p(modifier);
  p.Bins() = 7, p.HalfWindow() = 3, p.Quantile() = 0.125;
  return p;
}

MassMeasurePars changedMass(const char* modifier, bool tofAcm = true) {
  MassMeasurePars p(modifier, tofAcm);
  BackGroundSubPars& b = p.BackGroundSubPars();
  b.PolyOrder() = 3, b.PercentBelow() = 12.5f, b.Tolerance() = 0.25f, b.FlattenEdges() = true, b.Type() = ADAPTIVE;
  SmoothPars& s = p.SmoothPars();
  s.NumberOfSmooths() = 4, s.SmoothWidth() = 6, s.SmoothType() = SMOOTH_MEAN;
  CenterPars& c = p.CenterPars();
  c.MinPeakWidthChannels() = 9, c.TopPercent() = 55.5f, c.CenterType() = CENTER_MEDIAN, c.Areas() = false;
  TofAcmPars& t = p.TofAcmPars();
  t.Resolution() = 12000.5f, t.NPMultiplier() = 0.5f, t.MassWindow() = 0.2f, t.LockMass() = 556.3f;
  t.LumaventScans() = 3;
  p.DoSubtract() = p.DoSmooth() = p.DoTofAcm() = true;
  return p;
}

class ProcessingParameterSetsTest : public TempDirTest {
 protected:
  const std::string file = path("pars.ini");
  const char* f() const { return file.c_str(); }

  template <class Set>
  std::string saved(Set set) {
    fs::remove(file);
    EXPECT_TRUE(set.Serialize(f(), true));
    return readTextFile(file);
  }
};

TEST_F(ProcessingParameterSetsTest, SaveWritesTheseBytes) {
  const std::string longModifier(100, 'x');
  struct Case {
    const char* what;
    std::string actual, expected;
  } cases[] = {
      {"background", saved(BackGroundSubPars(nullptr)), kBackSub},
      {"smooth", saved(SmoothPars("")), kSmooth},
      {"time of flight", saved(TofAcmPars(nullptr)), kTofAcm},
      {"centre", saved(CenterPars(nullptr)), kCenter},
      {"adaptive", saved(ABSSubtractPars(nullptr)), "[ABS SUBTRACT]\nQuantile=0.4500\nHalf Window=10\nBins=20\n"},
      {"mass measure", saved(MassMeasurePars(nullptr, true)),
       "[MASSMEASURE]\nDo Subtract=0\nDo Smooth=0\nDo Tof Accurate Mass=0\n\n\n" + kBackSub + "\n\n" + kSmooth +
           "\n\n" + kTofAcm + "\n\n" + kCenter},
      {"mass measure without TOF", saved(MassMeasurePars(nullptr, false)),
       "[MASSMEASURE]\nDo Subtract=0\nDo Smooth=0\n\n\n" + kBackSub + "\n\n" + kSmooth + "\n\n" + kCenter},
      {"modifier", saved(SmoothPars("Temp")), "[SMOOTH Temp]" + kSmooth.substr(8)},
      {"name cut to 63", saved(SmoothPars(longModifier.c_str())), "[SMOOTH " + std::string(56, 'x') + "]" + kSmooth.substr(8)},
      {"changed values", saved(changedAbs("A")), "[ABS SUBTRACT A]\nQuantile=0.1250\nHalf Window=3\nBins=7\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST_F(ProcessingParameterSetsTest, RestoreReadsEveryFieldOrItsDefault) {
  const MassMeasurePars changed = changedMass("M");
  saved(changed);
  MassMeasurePars restored("M", true);
  EXPECT_TRUE(restored.Serialize(f(), false));
  EXPECT_TRUE(restored == changed);
  EXPECT_EQ(restored.getTofAcmPars()->getLockMass(), 556.3f);

  // 556.2771 is kept with one decimal; the other modifier's sections are not read.
  MassMeasurePars lockMass("M", true);
  lockMass.TofAcmPars().LockMass() = 556.2771f;
  saved(lockMass);
  MassMeasurePars other("N", true), noTof("M", false);
  EXPECT_TRUE(restored.Serialize(f(), false));
  EXPECT_EQ(restored.getTofAcmPars()->getLockMass(), 556.3f);
  EXPECT_FALSE(other.Serialize(f(), false));
  EXPECT_TRUE(other == MassMeasurePars("N", true));

  // Without TOF neither its switch nor its section is read.
  saved(changedMass("M"));
  EXPECT_TRUE(noTof.Serialize(f(), false));
  EXPECT_TRUE(noTof.getDoSmooth());
  EXPECT_FALSE(noTof.getDoTofAcm());
  EXPECT_TRUE(*noTof.getTofAcmPars() == TofAcmPars("M"));

  for (const char* name : {"missing.ini", "pars.ini"}) {  // no file; a file without the sections
    writeTextFile(file, "[OTHER]\nBins=1\n");
    ABSSubtractPars abs = changedAbs(nullptr);
    EXPECT_FALSE(abs.Serialize(path(name).c_str(), false));
    EXPECT_TRUE(abs == ABSSubtractPars(nullptr));
    EXPECT_EQ(abs.getQuantile(), 0.45);
  }
}

// Each key removed, then left empty: that key alone falls back to its
// default (not to the value held before) and the restore reports false.
TEST_F(ProcessingParameterSetsTest, AMissingOrEmptyKeyRestoresItsDefault) {
  const std::string full = saved(changedMass(nullptr)) + "\n\n" + saved(changedAbs(nullptr));
  const std::string defaults = saved(MassMeasurePars(nullptr, true)) + "\n\n" + saved(ABSSubtractPars(nullptr));
  for (std::size_t at = full.find('\n') + 1; at < full.size(); at = full.find('\n', at) + 1) {
    const std::size_t eq = full.find('=', at), end = full.find('\n', at);
    if (eq > end) continue;  // a header or a blank line
    const std::string key = full.substr(at, eq - at + 1);
    const std::size_t d = defaults.find("\n" + key) + 1;
    const std::string expected = full.substr(0, at) + defaults.substr(d, defaults.find('\n', d) - d) + full.substr(end);
    for (const std::string& variant : {full.substr(0, at) + full.substr(end + 1), full.substr(0, at) + key + "  " + full.substr(end)}) {
      writeTextFile(file, variant);
      MassMeasurePars mass = changedMass(nullptr);
      ABSSubtractPars abs = changedAbs(nullptr);
      const bool massOk = mass.Serialize(f(), false), absOk = abs.Serialize(f(), false);
      EXPECT_FALSE(massOk && absOk) << key;
      EXPECT_EQ(saved(mass) + "\n\n" + saved(abs), expected) << key;
    }
  }
}

TEST_F(ProcessingParameterSetsTest, CopiesAndAssignmentsOwnTheirValues) {
  EXPECT_TRUE(SmoothPars("A") == SmoothPars("B"));  // sections are not compared
  EXPECT_FALSE(changedAbs(nullptr) == ABSSubtractPars(nullptr));
  TofAcmPars tof(nullptr);
  tof.Veff() = 7200.0f, tof.Lteff() = 1800.0f, tof.MassRange() = 2000.0f, tof.CycleTime() = 0.1f;
  const TofAcmPars tofCopy(tof);
  EXPECT_EQ((std::array{tofCopy.Veff(), tofCopy.Lteff(), tofCopy.MassRange(), tofCopy.CycleTime()}),
            (std::array{7200.0f, 1800.0f, 2000.0f, 0.1f}));
  tof.MassRange() = 0.0f;
  EXPECT_FALSE(tof == tofCopy);  // fields that are not kept are compared too
  tof = tofCopy;
  tof.LockMass() = NAN;
  const TofAcmPars nanCopy(tof);
  EXPECT_FALSE(nanCopy == tof);  // a NaN is never equal

  auto source = std::make_unique<MassMeasurePars>(changedMass("Src"));
  MassMeasurePars copy(*source), assigned("Dst", true);
  assigned = *source;
  auto& alias = assigned;
  assigned = alias;
  source.reset();
  copy.SmoothPars().SmoothWidth() = 11;  // through its own implementation only
  assigned.SmoothPars().SmoothWidth() = 11;
  EXPECT_TRUE(copy == assigned);
  EXPECT_EQ(saved(copy).substr(0, 19), "[MASSMEASURE Src]\nD");
  const std::string dst = saved(assigned);
  EXPECT_EQ(dst.substr(0, 19), "[MASSMEASURE Dst]\nD");
  EXPECT_NE(dst.find("[SMOOTH Dst]\nSmooth Type=0\nSmooth Width=11\n"), std::string::npos);
  EXPECT_NE(dst.find("[BACKSUB Dst]\nType=2\n"), std::string::npos);
}

// The value a key must restore to from text: what the profile reader parses,
// or the default when the key's line is absent or empty.
double expectedValue(const std::string& text, const std::string& key, char kind, double fallback) {
  const std::string lines = "\n" + text;
  const std::size_t at = lines.find("\n" + key + "=");
  if (at == std::string::npos) return fallback;
  std::string value = lines.substr(at + key.size() + 2);
  value.resize(std::min(value.find('\n'), value.size()));
  value.erase(0, std::min(value.find_first_not_of(' '), value.size()));
  if (value.empty()) return fallback;
  if (kind == 'f') return static_cast<float>(std::strtod(value.c_str(), nullptr));
  return kind == 'b' ? std::atoi(value.c_str()) != 0 : std::atoi(value.c_str());
}

TEST_F(ProcessingParameterSetsTest, DamagedFilesRestoreParsedValuesOrDefaults) {
  using P = const MassMeasurePars&;
  struct Key {
    const char* key;
    char kind;
    double fallback;
    double (*get)(P);
  } keys[] = {
      {"Do Subtract", 'b', 0, [](P p) { return double(p.getDoSubtract()); }},
      {"Do Smooth", 'b', 0, [](P p) { return double(p.getDoSmooth()); }},
      {"Do Tof Accurate Mass", 'b', 0, [](P p) { return double(p.getDoTofAcm()); }},
      {"Polynomial Order", 'i', 5, [](P p) { return double(p.getBackSubPars()->getPolyOrder()); }},
      {"Percent Below", 'f', 40, [](P p) { return double(p.getBackSubPars()->getPercentBelow()); }},
      {"Tolerance", 'f', 0.01f, [](P p) { return double(p.getBackSubPars()->getTolerance()); }},
      {"Flatten Edges", 'b', 0, [](P p) { return double(p.getBackSubPars()->getFlattenEdges()); }},
      {"Type", 'i', 1, [](P p) { return double(p.getBackSubPars()->getType()); }},
      {"Number Of Smooths", 'i', 2, [](P p) { return double(p.getSmoothPars()->getNumberOfSmooths()); }},
      {"Smooth Width", 'i', 3, [](P p) { return double(p.getSmoothPars()->getSmoothWidth()); }},
      {"Smooth Type", 'i', 2, [](P p) { return double(p.getSmoothPars()->getSmoothType()); }},
      {"Resolution", 'f', 5000, [](P p) { return double(p.getTofAcmPars()->getResolution()); }},
      {"NP Multiplier", 'f', 1, [](P p) { return double(p.getTofAcmPars()->getNPMultiplier()); }},
      {"Mass Window", 'f', 0, [](P p) { return double(p.getTofAcmPars()->getMassWindow()); }},
      {"Lock Mass", 'f', 0, [](P p) { return double(p.getTofAcmPars()->getLockMass()); }},
      {"Lumavent Scans", 'i', 10, [](P p) { return double(p.getTofAcmPars()->getLumaventScans()); }},
      {"Min Peak Width Channels", 'i', 4, [](P p) { return double(p.getCenterPars()->getMinPeakWidthChannels()); }},
      {"Top Percent", 'f', 80, [](P p) { return double(p.getCenterPars()->getTopPercent()); }},
      {"Centroiding Type", 'i', 2, [](P p) { return double(p.getCenterPars()->getCenterType()); }},
      {"Use Areas", 'b', 1, [](P p) { return double(p.getCenterPars()->getAreas()); }},
  };
  const std::string full = saved(changedMass(nullptr));
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    const std::string text = full.substr(0, cut);
    writeTextFile(file, text);
    MassMeasurePars p = changedMass(nullptr);
    const bool ok = p.Serialize(f(), false);
    bool all = true;
    for (const Key& k : keys) {
      const double expected = expectedValue(text, k.key, k.kind, k.fallback);
      all = all && (expectedValue(text, k.key, k.kind, NAN) == expected);
      EXPECT_EQ(k.get(p), expected) << k.key << " cut at " << cut;
    }
    EXPECT_EQ(ok, all) << "cut at " << cut;
  }
  expectSurvivesCorruptions(Bytes(full.begin(), full.end()), [&](const Bytes& damaged) {
    writeFile(file, damaged);
    MassMeasurePars p(nullptr, true);
    (void)p.Serialize(f(), false);
    return 0;
  });
}

TEST_F(ProcessingParameterSetsTest, OddTextRestoresAsTheProfileReaderParsesIt) {
  const std::string nines(295, '9');
  struct Case {
    const char* what;
    std::string text;
    int smooths, width, type;
    bool ok;
  } cases[] = {
      {"not numbers", "[SMOOTH]\nNumber Of Smooths=abc\nSmooth Width=7x\nSmooth Type=\n", 0, 7, 2, false},
      {"a 300-character value", "[SMOOTH]\nSmooth Width=" + nines + "\nNumber Of Smooths=1\nSmooth Type=0\n", 1, INT_MAX, 0, true},
      {"a 300-character junk line", "[SMOOTH]\n" + std::string(300, '=') + "\nSmooth Type=1\n", 2, 3, 1, false},
      {"duplicated section: the first", "[SMOOTH]\nSmooth Width=5\n[smooth]\nSmooth Width=9\nSmooth Type=1\n", 2, 5, 2, false},
      {"unterminated header", "[SMOOTH\nSmooth Width=5\nNumber Of Smooths=3\nSmooth Type=1\n", 2, 3, 2, false},
      {"unterminated last line, unlisted type", "[SMOOTH]\nNumber Of Smooths=3\nSmooth Type=7\nSmooth Width=-4", 3, -4, 7, true},
      {"keys match case and all", "[smooth]\nsmooth width=4\nNumber Of Smooths =5\nSmooth Type= -1\n", 2, 3, -1, false},
  };
  for (const Case& c : cases) {
    writeTextFile(file, c.text);
    SmoothPars p(nullptr);
    EXPECT_EQ(p.Serialize(f(), false), c.ok) << c.what;
    EXPECT_EQ(p.getNumberOfSmooths(), c.smooths) << c.what;
    EXPECT_EQ(p.getSmoothWidth(), c.width) << c.what;
    EXPECT_EQ(p.getSmoothType(), c.type) << c.what;
  }
}

}  // namespace
