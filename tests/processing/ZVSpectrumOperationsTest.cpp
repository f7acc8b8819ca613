// The container's processing operations against direct calls of the
// routines they hand the spectrum to, their failures, and hostile spectra
// and settings through every form.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "processing/ABSSubtract.h"
#include "processing/ABSSubtractPars.h"
#include "processing/AddSpectra.h"
#include "processing/BackGroundSubPars.h"
#include "processing/CenterPars.h"
#include "processing/MassMeasurePars.h"
#include "processing/PeakDetect.h"
#include "processing/RTCentroidDTCProcess.h"
#include "processing/SegmentBackground.h"
#include "processing/SmoothPars.h"
#include "processing/Smoothing.h"
#include "processing/TofAcmPars.h"
#include "processing/ZVSpectrum.h"
#include "support/SpectrumFixtures.h"

namespace {

using namespace spectrum_fixtures;
using Vec = std::vector<float>;
using Bits = std::vector<std::uint32_t>;
using Codes = std::vector<int>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

Bits bits(const float* p, unsigned n) {
  Bits b;
  for (unsigned k = 0; p && k < n; ++k) b.push_back(std::bit_cast<std::uint32_t>(p[k]));
  return b;
}

// Everything a spectrum shows, bit for bit. Reading count entries of every
// array present lets ASan see arrays that disagree with the count.
struct Snap {
  unsigned n = 0;
  Bits m, y, ms, ys;
  bool operator==(const Snap&) const = default;
};
Snap snap(const ZVSpectrum& s) {
  const unsigned n = s.getSize();
  EXPECT_TRUE(n == 0 || (s.getMasses() && s.getIntensities()));
  return {n, bits(s.getMasses(), n), bits(s.getIntensities(), n), bits(s.getMassSigmas(), n),
          bits(s.getIntensitySigmas(), n)};
}
Snap snap(const Vec& m, const Vec& y, unsigned n) { return {n, bits(m.data(), n), bits(y.data(), n), {}, {}}; }
Snap snap(const Vec& m, const Vec& y) { return snap(m, y, unsigned(m.size())); }
Vec masses(const ZVSpectrum& s) { return {s.getMasses(), s.getMasses() + s.getSize()}; }
Vec intensities(const ZVSpectrum& s) { return {s.getIntensities(), s.getIntensities() + s.getSize()}; }

// Gaussian peaks of resolving power 5000 just above every nominal mass, on a baseline of 5.
Spectrum peaks(float first, float last, float step) {
  Spectrum s;
  for (float x = first; x <= last; x += step) {
    const float d = (x - (std::round(x) + 0.3f)) / (x / 5000 / 2.35482f);
    s.masses.push_back(x);
    s.intensities.push_back(5 + 1000 * std::exp(-0.5f * d * d));
  }
  return s;
}

ABSSubtractPars absSet(int bins, int half, double quantile) {
  ABSSubtractPars p("");
  p.Bins() = bins, p.HalfWindow() = half, p.Quantile() = quantile;
  return p;
}

TEST(SpectrumSubtract, SegmentFormsCallKillsubWithTheirOwnArguments) {
  Vec m, y, sigma(200, 0.5f);  // half the points |y| < 1e-6: -0, 4e-7 and exact zeros
  for (int k = 0; k < 200; ++k)
    m.push_back(100 + 0.1f * float(k)), y.push_back(k % 2 ? 0 : 50 + 40 * std::sin(k / 7.0f));
  y[1] = -0.0f, y[3] = 4e-7f;
  auto killsubBy = [&](long m0, float below, float tol) {
    Vec back(200), dsub(200), work(std::size_t(std::labs(m0)) + 4);
    killsub(y.data(), back.data(), dsub.data(), 200, m0, below, tol, work.data());
    return std::pair(back, dsub);
  };
  for (int order : {5, 1, 0, -1, -7, 1000}) {
    BackGroundSubPars set("");
    set.PolyOrder() = order, set.Tolerance() = 0.05f, set.PercentBelow() = 60;
    // In place: one more segment, the zero share added, tolerance 0.01, then zeros restored.
    Vec restored = killsubBy(order + 1, 0.6f + 0.25f, 0.01f).second;
    for (std::size_t k = 0; k < 200; ++k)
      if (y[k] == 0 || std::fabs(double(restored[k])) < 1e-6) restored[k] = 0.0f;
    ZVSpectrum inPlace, into, self(m, y), withBack(m, y), background;
    inPlace.Initialise(m.data(), y.data(), 200, sigma.data(), sigma.data());
    EXPECT_TRUE(inPlace.Subtract(&set) == 0 &&
                snap(inPlace) == (Snap{200, bits(m.data(), 200), bits(restored.data(), 200), bits(sigma.data(), 200),
                                       bits(sigma.data(), 200)}))
        << order;
    // The other forms: the set's values as they are, nothing restored.
    const auto [back, dsub] = killsubBy(order, 0.6f, 0.05f);
    bool zeroSubtracted = false;
    for (std::size_t k = 1; k < 200; k += 2) zeroSubtracted |= dsub[k] != 0.0f;
    ASSERT_TRUE(order != 5 || zeroSubtracted);
    EXPECT_TRUE(ZVSpectrum(m, y).Subtract(&set, into) == 0 && snap(into) == snap(m, dsub)) << order;
    EXPECT_TRUE(self.Subtract(&set, self) == 0 && snap(self) == snap(m, dsub)) << order;
    EXPECT_TRUE(withBack.SubtractAndGetBackground(&set, background) == 0 && snap(withBack) == snap(m, dsub) &&
                snap(background) == snap(m, back))
        << order;
  }
  for (int order : {INT_MAX, INT_MIN}) {  // more segments than the work array may hold: 33, nothing changed
    BackGroundSubPars set("");
    set.PolyOrder() = order;
    ZVSpectrum s(m, y), other(m, m);
    EXPECT_TRUE(s.Subtract(&set) + s.Subtract(&set, other) + s.SubtractAndGetBackground(&set, other) == 3 * 33);
    EXPECT_TRUE(snap(s) == snap(m, y) && snap(other) == snap(m, m));
  }
  std::unique_ptr<float[]> a, b, c, w;  // |m0| + 4 zeros of work
  ASSERT_EQ(ZVSpectrum(m, y).getBackSubtractParams(a, b, c, w, -7, 0, 0, nullptr), 0);
  EXPECT_TRUE(bits(a.get(), 200) == bits(y.data(), 200) && bits(w.get(), 11) == Bits(11, 0) &&
              bits(c.get(), 200) == Bits(200, 0));
}

TEST(SpectrumSubtract, AdaptiveFormsAndTheirFailures) {
  const Spectrum wide = peaks(100, 140, 0.01f);
  OwnedArrays direct(wide);
  int n = int(direct.n);
  std::unique_ptr<float[]> back;
  ASSERT_EQ(ABSSubtract(&direct.x, &direct.y, &n, &back, 20, 10, 0.45f), 0);
  direct.n = unsigned(n);
  const Snap subtracted = snap(direct.masses(), direct.intensities(), unsigned(n));
  const Snap background = snap(direct.masses(), Vec(back.get(), back.get() + n), unsigned(n));
  BackGroundSubPars adaptive("");  // the adaptive type stands for the defaults, whatever else the set holds
  adaptive.Type() = ADAPTIVE, adaptive.PolyOrder() = -7, adaptive.PercentBelow() = kNaN;
  const ABSSubtractPars defaults = absSet(20, 10, 0.45);
  ZVSpectrum byType(wide.masses, wide.intensities), bySet, backByType, backBySet;
  const auto n0 = unsigned(wide.masses.size());  // sigmas, which the subtraction drops
  bySet.Initialise(wide.masses.data(), wide.intensities.data(), n0, wide.masses.data(), wide.masses.data());
  ZVSpectrum copy;
  ZVSpectrum(wide.masses, wide.intensities).ABS_Subtract(&defaults, copy);
  EXPECT_TRUE(byType.Subtract(&adaptive) == 0 && snap(byType) == subtracted && snap(copy) == subtracted);
  EXPECT_TRUE(byType.Initialise(wide.masses.data(), wide.intensities.data(), unsigned(wide.masses.size()), nullptr,
                                nullptr) == 0 &&
              byType.SubtractAndGetBackground(&adaptive, backByType) == 0 &&
              bySet.ABS_Subtract_Background(&defaults, backBySet) == 0);
  EXPECT_TRUE(snap(byType) == subtracted && snap(bySet) == subtracted && snap(backByType) == background &&
              snap(backBySet) == background);

  Spectrum crowded;  // 500 points in each nominal mass's one sub-bin
  for (int k = 0; k < 15000; ++k) crowded.masses.push_back(100 + 0.002f * float(k)), crowded.intensities.push_back(3);
  const struct {
    const char* what;
    Spectrum spectrum;
    ABSSubtractPars set;
    int code;
  } failures[] = {{"nominal span of one window", peaks(100, 121, 0.01f), defaults, 3},
                  {"no sub-bins", wide, absSet(0, 10, 0.45), 1},
                  {"negative half window", wide, absSet(20, -1, 0.45), 1},
                  {"NaN quantile", wide, absSet(20, 10, kNaN), 1},
                  {"negative masses", peaks(-150, -100, 0.01f), defaults, 1},
                  {"crowded sub-bin", crowded, absSet(1, 10, 0.45), 33}};
  for (const auto& f : failures) {
    const ZVSpectrum original(f.spectrum.masses, f.spectrum.intensities);
    ZVSpectrum inPlace(f.spectrum.masses, f.spectrum.intensities), withBack(f.spectrum.masses, f.spectrum.intensities);
    ZVSpectrum into, marker(wide.masses, wide.intensities);
    EXPECT_TRUE(inPlace.ABS_Subtract(&f.set) == f.code && snap(inPlace) == snap(original)) << f.what;
    EXPECT_TRUE(original.ABS_Subtract(&f.set, into) == f.code && snap(into) == snap(original)) << f.what;
    EXPECT_TRUE(withBack.ABS_Subtract_Background(&f.set, marker) == f.code && snap(withBack) == snap(original) &&
                snap(marker) == snap(wide.masses, wide.intensities))
        << f.what;
  }
}

TEST(SpectrumOperations, AddingPeakDetectionAndSmoothingAsTheirRoutines) {
  const Spectrum a = peaks(100, 110, 0.01f), b = peaks(100.005f, 112, 0.02f);
  ZVSpectrum sum;
  EXPECT_EQ(snap(sum += ZVSpectrum(b.masses, b.intensities)), snap(b.masses, b.intensities));  // empty: a copy
  Vec m(a.masses.size() + b.masses.size()), y(m.size()), am = a.masses, ay = a.intensities;
  const unsigned merged = addScans(m.data(), y.data(), am.data(), ay.data(), unsigned(am.size()), b.masses.data(),
                                   b.intensities.data(), unsigned(b.masses.size()));
  sum.Initialise(a.masses.data(), a.intensities.data(), unsigned(am.size()), am.data(), am.data());
  EXPECT_EQ(snap(sum += ZVSpectrum(b.masses, b.intensities)), snap(m, y, merged));  // sigmas dropped

  // In place 5e-7 counts as 0; into another spectrum nothing is cleared.
  Spectrum tiny = a, zeroed = a;
  tiny.intensities[3] = 5e-7f, zeroed.intensities[3] = 0;
  auto direct = [&](const Spectrum& s, const TOFDeadTimeCorrection* d) {
    OwnedArrays o(s);
    peakDetectTOF(o.x.get(), o.y.get(), o.n, 4, 80, 2, true, true, false, d);
    return snap(o.masses(), o.intensities(), o.n);
  };
  const CenterPars centre("");
  const TofAcmPars unsetTof("");
  TofAcmPars tof("");
  TOFDeadTimeCorrection unset, set;  // the four values the set does not keep replace the correction's own
  unset.MassRange() = unset.CycleTime() = unset.Lteff() = unset.Veff() = 0;
  set.Lteff() = tof.Lteff() = 1800, set.Veff() = tof.Veff() = 7000;
  set.MassRange() = tof.MassRange() = 1000, set.CycleTime() = tof.CycleTime() = 0.5f;
  ASSERT_NE(direct(zeroed, &set), direct(zeroed, nullptr));
  const struct {
    const TofAcmPars* tof;
    const TOFDeadTimeCorrection* correction;
  } corrections[] = {{nullptr, nullptr}, {&tof, &set}, {&unsetTof, &unset}};
  for (const auto& c : corrections) {
    ZVSpectrum inPlace, into;  // with sigmas, which detection drops
    inPlace.Initialise(tiny.masses.data(), tiny.intensities.data(), unsigned(a.masses.size()), am.data(), am.data());
    EXPECT_TRUE(inPlace.PeakDetect(&centre, true, c.tof) == 0 && snap(inPlace) == direct(zeroed, c.correction));
    EXPECT_TRUE(ZVSpectrum(tiny.masses, tiny.intensities).PeakDetect(&centre, into, true, c.tof) == 0 &&
                snap(into) == direct(tiny, c.correction));
  }

  SmoothPars smooth("");
  smooth.SmoothWidth() = 2;
  const Vec sm{100, 100.1f, 100.2f, 100.3f, 103, 103.1f, 103.2f, 103.3f}, sy{0, 0, 9, 0, 0, 8, 0, 0};
  OwnedArrays o(sm, sy);
  smoothSpectrum(o.x, o.y, o.n, 2, 2, 2);
  ASSERT_GT(o.n, 8u) << "the gap is padded";
  ZVSpectrum inPlace, into;
  inPlace.Initialise(sm.data(), sy.data(), 8, sm.data(), sy.data());
  EXPECT_TRUE(inPlace.Smooth(&smooth) == 0 && snap(inPlace) == snap(o.masses(), o.intensities()));  // sigmas dropped
  EXPECT_TRUE(ZVSpectrum(sm, sy).Smooth(&smooth, into) == 0 && snap(into) == snap(o.masses(), o.intensities()));
}

TEST(SpectrumOperations, MassMeasureChainsItsSteps) {
  const Spectrum s = peaks(100, 130, 0.01f);
  const ZVSpectrum original(s.masses, s.intensities);
  for (int flags = 0; flags < 8; ++flags) {
    MassMeasurePars pars("", true);
    pars.DoSubtract() = flags & 1, pars.DoSmooth() = flags & 2, pars.DoTofAcm() = flags & 4;
    pars.BackGroundSubPars().Type() = ADAPTIVE;
    const TofAcmPars* tof = flags & 4 ? pars.getTofAcmPars() : nullptr;
    ZVSpectrum chained(s.masses, s.intensities), viaCopy(s.masses, s.intensities), inPlace(s.masses, s.intensities);
    ZVSpectrum into;
    if (flags & 1) chained.Subtract(pars.getBackSubPars()), original.Subtract(pars.getBackSubPars(), viaCopy);
    if (flags & 2) chained.Smooth(pars.getSmoothPars()), viaCopy.Smooth(pars.getSmoothPars());
    chained.PeakDetect(pars.getCenterPars(), true, tof), viaCopy.PeakDetect(pars.getCenterPars(), true, tof);
    EXPECT_TRUE(inPlace.MassMeasure(&pars, true) == 0 && snap(inPlace) == snap(chained)) << flags;
    // Into another spectrum the subtraction is the segment form into it.
    EXPECT_TRUE(original.MassMeasure(&pars, into, true) == 0 && snap(into) == snap(viaCopy)) << flags;
  }
}

// The centroider's subtraction needs the last nominal mass more than 21
// above the first: the run fails, as it does for a bad resolution.
TEST(SpectrumOperations, RealTimeCentroidingCarriesBothSigmas) {
  const Spectrum s = peaks(100, 124, 0.001f);
  CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
  c.SetDoBackgroundSubtract(true);
  std::unique_ptr<double[]> p;
  std::unique_ptr<float[]> ps, v, vs;
  long found = 0;
  ASSERT_TRUE(c.PPCentroidDTC(s.masses.data(), s.intensities.data(), long(s.masses.size()), p, ps, v, vs, found));
  ASSERT_GT(found, 20);
  const auto n = unsigned(found);
  Vec m(p.get(), p.get() + n);
  ZVSpectrum wide(s.masses, s.intensities);
  EXPECT_TRUE(wide.RTCentroid(10000) == 0 &&
              snap(wide) == (Snap{n, bits(m.data(), n), bits(v.get(), n), bits(ps.get(), n), bits(vs.get(), n)}));
  for (float last : {110.0f, 121.0f, 124.0f})
    for (float resolution : {10000.0f, 0.0f, -1.0f, kNaN, kInf}) {
      if (last == 124 && resolution == 10000) continue;
      const Spectrum narrow = peaks(100, last, 0.001f);
      ZVSpectrum z(narrow.masses, narrow.intensities);
      EXPECT_TRUE(z.RTCentroid(resolution) == 1 && snap(z) == Snap{}) << last << " " << resolution;
    }
}

// Every operation in every form: null sets give 32 with nothing changed;
// hostile spectra and settings give a result code and a consistent spectrum,
// also when the output of a const form is the spectrum itself.
TEST(SpectrumOperations, HostileSpectraSettingsAndAliasing) {
  const Spectrum wide = peaks(100, 124, 0.001f);
  ZVSpectrum centroided(wide.masses, wide.intensities), out;
  ASSERT_TRUE(centroided.RTCentroid(10000) == 0 && centroided.getMassSigmas());
  const Snap before = snap(centroided);
  EXPECT_EQ((Codes{centroided.Subtract(nullptr), centroided.Subtract(nullptr, out),
                   centroided.SubtractAndGetBackground(nullptr, out), centroided.ABS_Subtract(nullptr),
                   centroided.ABS_Subtract(nullptr, out), centroided.ABS_Subtract_Background(nullptr, out),
                   centroided.PeakDetect(nullptr, true, nullptr), centroided.PeakDetect(nullptr, out, true, nullptr),
                   centroided.MassMeasure(nullptr, true), centroided.MassMeasure(nullptr, out, true),
                   centroided.Smooth(nullptr), centroided.Smooth(nullptr, out)}),
            Codes(12, 32));
  EXPECT_TRUE(snap(centroided) == before && snap(out) == Snap{});

  std::vector<Spectrum> spectra = hostileSpectra({0, 1, 7, 100});
  spectra.push_back({"centroided", masses(centroided), intensities(centroided)});
  for (std::size_t k = 0; k < spectra.size(); ++k)
    for (int setting = 0; setting < 4; ++setting) {
      const Spectrum& h = spectra[k];
      MassMeasurePars mm("", true);
      mm.DoSubtract() = mm.DoSmooth() = mm.DoTofAcm() = true;
      BackGroundSubPars& bg = mm.BackGroundSubPars();
      SmoothPars& sm = mm.SmoothPars();
      CenterPars& ce = mm.CenterPars();
      const ABSSubtractPars abs = absSet(setting == 1 ? 0 : 20, setting == 2 ? -1 : 10, setting == 3 ? kNaN : 0.45);
      bg.PolyOrder() = setting == 0 ? -7 : 1000, bg.Type() = setting % 2 ? ADAPTIVE : NORMAL;
      sm.SmoothWidth() = std::vector{-1, 1000000000, 3, 3}[setting];
      sm.NumberOfSmooths() = setting == 0 || (setting == 2 && h.masses.size() <= 7) ? INT_MIN : 2;
      sm.SmoothType() = SmoothTypeImp(std::vector{2, 0, 1, 9}[setting]);
      ce.TopPercent() = std::vector{-50.0f, kNaN, 80.0f, 80.0f}[setting];
      ce.CenterType() = CenterType(setting == 2 ? 9 : 2), ce.MinPeakWidthChannels() = setting == 3 ? 0 : 4;
      const float resolution = std::vector{0.0f, -1.0f, kNaN, kInf, 1e30f, 10000.0f}[(k + std::size_t(setting)) % 6];
      const TofAcmPars* tof = mm.getTofAcmPars();
      auto run = [&](auto op, const Codes& allowed) {
        ZVSpectrum s(h.masses, h.intensities), o(h.masses, h.masses);
        if (k + 1 == spectra.size())
          s.Initialise(centroided.getMasses(), centroided.getIntensities(), before.n, centroided.getMassSigmas(),
                       centroided.getIntensitySigmas());
        for (int rc : op(s, o)) EXPECT_TRUE(std::ranges::count(allowed, rc)) << h.name << ", " << setting << ": " << rc;
        (void)snap(s), (void)snap(o);
      };
      const Codes zero{0}, adaptive{0, 1, 3, 33}, subtract{0, 1, 3, 32, 33};
      run(
          [&](ZVSpectrum& s, ZVSpectrum& o) {
            return Codes{s.Subtract(&bg), s.Subtract(&bg, o), s.Subtract(&bg, s)};
          },
          subtract);
      run(
          [&](ZVSpectrum& s, ZVSpectrum& o) {
            return Codes{s.SubtractAndGetBackground(&bg, o), s.SubtractAndGetBackground(&bg, s)};
          },
          subtract);
      run(
          [&](ZVSpectrum& s, ZVSpectrum& o) {
            return Codes{s.ABS_Subtract(&abs, o),
                         s.ABS_Subtract(&abs, s),
                         s.ABS_Subtract(&abs),
                         s.ABS_Subtract_Background(&abs, o),
                         s.ABS_Subtract_Background(&abs, s),
                         ((s += o) += s, 0)};
          },
          adaptive);
      // Each setting has passes, a width or a method the smoother refuses.
      run([&](ZVSpectrum& s, ZVSpectrum& o) { return Codes{s.Smooth(&sm, o), s.Smooth(&sm, s), s.Smooth(&sm)}; },
          {ZVRAW_PARAMETER_INVALID});
      run(
          [&](ZVSpectrum& s, ZVSpectrum& o) {
            return Codes{s.PeakDetect(&ce, o, false, tof),
                         s.PeakDetect(&ce, s, true, nullptr),
                         s.PeakDetect(&ce, true, tof),
                         s.MassMeasure(&mm, o, false),
                         s.MassMeasure(&mm, s, true),
                         s.MassMeasure(&mm, true)};
          },
          zero);
      run([&](ZVSpectrum& s, ZVSpectrum&) { return Codes{s.RTCentroid(resolution)}; }, {0, 1, 57});
    }
}

}  // namespace
