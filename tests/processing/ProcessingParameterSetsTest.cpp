#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "processing/ABSSubtractPars.h"
#include "processing/MassMeasurePars.h"
#include "support/Corruption.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kBackSub =
    "[BACKSUB]\nType=1\nPercent Below=40.0\nPolynomial Order=5\nTolerance=0.01\nFlatten Edges=0\n";
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

MassMeasurePars changedMass(const char* modifier) {
  MassMeasurePars p(modifier, true);
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
  void SetUp() override {
    TempDirTest::SetUp();
    file = path("pars.ini");
  }
  const char* f() const { return file.c_str(); }

  std::string file;

  template <class Set>
  std::string saved(Set set) {
    fs::remove(file);
    EXPECT_TRUE(set.Serialize(f(), true));
    return readTextFile(file);
  }

  // Copied and assigned from a source that then dies; self-assigned; the
  // copy keeps the source's section, the target its own, both the values.
  template <class Set>
  void expectCopiesOutliveTheSource(const Set& changed, Set target) {
    auto source = std::make_unique<Set>(changed);
    Set copy(*source);
    target = *source;
    const std::string sourceText = saved(*source);
    source.reset();
    Set& alias = target;
    target = alias;
    EXPECT_TRUE(copy == changed && target == changed);
    EXPECT_EQ(saved(copy), sourceText);
    std::string targetText = sourceText;  // sections "<word> S" become "<word> T"
    for (std::size_t at = 0; (at = targetText.find(" S]\n", at)) != std::string::npos;) targetText[++at] = 'T';
    EXPECT_EQ(saved(target), targetText);
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
      {"name cut to 63", saved(SmoothPars(longModifier.c_str())),
       "[SMOOTH " + std::string(56, 'x') + "]" + kSmooth.substr(8)},
      {"changed values", saved(changedAbs("A")), "[ABS SUBTRACT A]\nQuantile=0.1250\nHalf Window=3\nBins=7\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.actual, c.expected) << c.what;
}

TEST_F(ProcessingParameterSetsTest, RestoreReadsEveryFieldOrItsDefault) {
  MassMeasurePars changed = changedMass("M"), restored("M", true), other("N", true), noTof("M", false);
  changed.TofAcmPars().LockMass() = 556.2771f;  // kept with one decimal
  saved(changed);
  EXPECT_TRUE(restored.Serialize(f(), false));
  changed.TofAcmPars().LockMass() = 556.3f;
  EXPECT_TRUE(restored == changed);
  EXPECT_FALSE(other.Serialize(f(), false));  // another modifier's sections
  EXPECT_TRUE(other == MassMeasurePars("N", true));
  EXPECT_TRUE(noTof.Serialize(f(), false));  // neither the TOF switch nor its section is read
  EXPECT_TRUE(noTof.getDoSmooth() && !noTof.getDoTofAcm() && *noTof.getTofAcmPars() == TofAcmPars("M"));

  writeTextFile(file, "[OTHER]\nBins=1\n");
  for (const std::string& name : {path("missing.ini"), file}) {  // no file; no section
    ABSSubtractPars abs = changedAbs(nullptr);
    EXPECT_FALSE(abs.Serialize(name.c_str(), false));
    EXPECT_TRUE(abs == ABSSubtractPars(nullptr));
    EXPECT_EQ(abs.getQuantile(), 0.45);
  }
}

// Changed sets restored from damaged text equal changed sets restored from
// whole text made of: each key's line where the damaged text holds all of
// it, its default line where it holds no value (so the key must not keep
// the value held before), and the key cut short as it stands. The restore
// succeeds only when every key had a value.
TEST_F(ProcessingParameterSetsTest, DamagedFilesRestoreWhatTheyHoldAndDefaultsElsewhere) {
  const std::string full = saved(changedMass(nullptr)) + "\n\n" + saved(changedAbs(nullptr));
  const std::string defaults = saved(MassMeasurePars(nullptr, true)) + "\n\n" + saved(ABSSubtractPars(nullptr));
  const auto restore = [&](const std::string& text, MassMeasurePars& mass, ABSSubtractPars& abs) {
    writeTextFile(file, text);
    mass = changedMass(nullptr), abs = changedAbs(nullptr);
    const bool massOk = mass.Serialize(f(), false), absOk = abs.Serialize(f(), false);
    return massOk && absOk;
  };
  const auto expectRestoredFrom = [&](const std::string& text, const std::string& what) {
    const std::string lines = "\n" + text;
    std::string whole;
    bool every = true;
    std::istringstream kept(full), dflt(defaults);
    for (std::string s, d; std::getline(kept, s) && std::getline(dflt, d); whole += "\n") {
      const std::size_t eq = s.find('='), at = lines.find("\n" + s.substr(0, eq + 1));
      const std::size_t value = eq == std::string::npos || at == std::string::npos ? lines.size() : at + eq + 2;
      const bool none = lines.find_first_not_of(' ', value) >= lines.find('\n', value);
      every = every && (eq == std::string::npos || !none);
      whole += eq == std::string::npos || lines.find("\n" + s + "\n") != std::string::npos ? s
               : none                                                                      ? d
                                                                                           : lines.substr(at + 1);
    }
    MassMeasurePars mass(nullptr, true), expectedMass(nullptr, true);
    ABSSubtractPars abs(nullptr), expectedAbs(nullptr);
    EXPECT_EQ(restore(text, mass, abs), every) << what;
    restore(whole, expectedMass, expectedAbs);
    EXPECT_TRUE(mass == expectedMass && abs == expectedAbs) << what;
  };
  for (std::size_t cut = 0; cut <= full.size(); ++cut)
    expectRestoredFrom(full.substr(0, cut), "cut " + std::to_string(cut));
  for (std::size_t at = 0, end = full.find('\n'); end != std::string::npos; at = end + 1, end = full.find('\n', at)) {
    const std::size_t eq = full.find('=', at);
    if (eq > end) continue;  // a header or a blank line
    expectRestoredFrom(full.substr(0, at) + full.substr(end + 1), "without " + full.substr(at, eq - at));
    expectRestoredFrom(full.substr(0, eq + 1) + "  " + full.substr(end), "empty " + full.substr(at, eq - at));
  }
  expectSurvivesCorruptions(Bytes(full.begin(), full.end()), [&](const Bytes& damaged) {
    writeFile(file, damaged);
    MassMeasurePars p(nullptr, true);
    (void)p.Serialize(f(), false);
    return 0;
  });
}

TEST_F(ProcessingParameterSetsTest, CopiesAndAssignmentsOwnTheirValues) {
  EXPECT_TRUE(SmoothPars("A") == SmoothPars("B"));  // sections are not compared
  EXPECT_EQ(CenterPars(nullptr).getMinPeakWidthDaltons(), 1.0f);  // not kept, yet a default
  TofAcmPars tof(nullptr);
  tof.Veff() = 7200.0f, tof.Lteff() = 1800.0f, tof.MassRange() = 2000.0f, tof.CycleTime() = 0.1f;
  const TofAcmPars tofCopy(tof);
  EXPECT_EQ((std::array{tofCopy.Veff(), tofCopy.Lteff(), tofCopy.MassRange(), tofCopy.CycleTime()}),
            (std::array{7200.0f, 1800.0f, 2000.0f, 0.1f}));
  tof.MassRange() = 0.0f;
  EXPECT_FALSE(tof == tofCopy);  // fields that are not kept are compared too
  tof = tofCopy;
  tof.LockMass() = NAN;
  EXPECT_FALSE(TofAcmPars(tof) == tof);  // a NaN is never equal

  MassMeasurePars m = changedMass("S");
  expectCopiesOutliveTheSource(changedAbs("S"), ABSSubtractPars("T"));
  expectCopiesOutliveTheSource(m.BackGroundSubPars(), BackGroundSubPars("T"));
  expectCopiesOutliveTheSource(m.SmoothPars(), SmoothPars("T"));
  expectCopiesOutliveTheSource(m.CenterPars(), CenterPars("T"));
  expectCopiesOutliveTheSource(m.TofAcmPars(), TofAcmPars("T"));
  expectCopiesOutliveTheSource(m, MassMeasurePars("T", true));
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
      {"a 300-character value", "[SMOOTH]\nSmooth Width=" + nines + "\nNumber Of Smooths=1\nSmooth Type=0\n", 1,
       INT_MAX, 0, true},
      {"a 300-character junk line", "[SMOOTH]\n" + std::string(300, '=') + "\nSmooth Type=1\n", 2, 3, 1, false},
      {"duplicated section: the first", "[SMOOTH]\nSmooth Width=5\n[smooth]\nSmooth Width=9\nSmooth Type=1\n", 2, 5, 2,
       false},
      {"unterminated header", "[SMOOTH\nSmooth Width=5\nNumber Of Smooths=3\nSmooth Type=1\n", 2, 3, 2, false},
      {"unterminated last line, unlisted type", "[SMOOTH]\nNumber Of Smooths=3\nSmooth Type=7\nSmooth Width=-4", 3, -4,
       7, true},
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
