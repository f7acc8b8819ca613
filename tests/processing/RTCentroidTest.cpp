// The real-time centroider as its callers run it: its settings, synthetic
// peaks found where they were made, state between runs, and hostile
// spectra and settings through all three entry points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "processing/RTCentroidDTCProcess.h"
#include "processing/SinhAxis.h"
#include "processing/ZVSpectrum.h"
#include "support/SpectrumFixtures.h"

// Reads the working state a run leaves behind.
struct RTCentroidInspector {
  static bool holdsNothing(const CRTCentroidDTCProcess& c) {
    const bool arrays = c.m_LogX.data || c.m_Rebinned.data || c.m_Background.data || c.m_Smoothed.data ||
                        c.m_Deriv1.data || c.m_Deriv2.data || c.m_pSubtractorMemory;
    const int lengths = c.m_LogX.length + c.m_Rebinned.length + c.m_Background.length + c.m_Smoothed.length +
                        c.m_Deriv1.length + c.m_Deriv2.length;
    return !arrays && lengths == 0 && !c.m_pdCoeffs && c.m_nOrder == -1 && !c.m_pCalCovar && !c.m_pCalCovarLM &&
           !c.m_pSubtractor;
  }
  static std::vector<float> accurateWidths(const CRTCentroidDTCProcess& c) {
    return {c.m_fMinAccMassWidth, c.m_fMaxAccMassWidth};
  }
};

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

enum class Form { FloatMasses, DoubleMasses, Counts };

struct Result {
  bool ok = false, allocated = false;
  long peaks = -7;  // a run that writes nothing leaves this
  std::vector<double> mass;
  std::vector<float> massSigma, value, valueSigma;
  bool operator==(const Result&) const = default;
};

Result centroid(const CRTCentroidDTCProcess& c, const std::vector<float>& m, const std::vector<float>& y,
             Form form = Form::FloatMasses) {
  Result r;
  std::unique_ptr<double[]> p;
  std::unique_ptr<float[]> ps, v, vs;
  const std::vector<double> wide(m.begin(), m.end());
  std::vector<unsigned short> counts;
  for (float f : y) counts.push_back((unsigned short)(f > 0 && f < 65535 ? f : 0));
  const long n = long(m.size());
  const float* fm = m.empty() ? nullptr : m.data();
  const double* dm = m.empty() ? nullptr : wide.data();
  if (form == Form::FloatMasses) r.ok = c.PPCentroidDTC(fm, y.data(), n, p, ps, v, vs, r.peaks);
  if (form == Form::DoubleMasses) r.ok = c.RTCentroidDTC(dm, y.data(), n, p, ps, v, vs, r.peaks);
  if (form == Form::Counts) r.ok = c.RTCentroidDTC(dm, counts.data(), n, p, ps, v, vs, r.peaks);
  r.allocated = p && ps && v && vs;
  EXPECT_TRUE(r.allocated || (!p && !ps && !v && !vs));
  for (long k = 0; r.allocated && k < r.peaks; ++k) {
    r.mass.push_back(p[k]);
    r.massSigma.push_back(ps[k]);
    r.value.push_back(v[k]);
    r.valueSigma.push_back(vs[k]);
  }
  return r;
}

// Uniform in sqrt(m) over 150-1100 Da: Gaussian peaks of resolving power
// 10000 with apex 10^4 at 200, 500.25 and 1000.5 Da, on a flat baseline.
const double kCentres[] = {200.0, 500.25, 1000.5};
struct Synthetic {
  std::vector<float> m, y;
  std::vector<double> sums;  // each peak's generated intensities
};
Synthetic synthetic(float baseline) {
  Synthetic s;
  s.sums.assign(3, 0.0);
  for (double r = std::sqrt(150.0); r * r < 1100.0; r += 1e-4) {
    s.m.push_back(float(r * r));
    double y = 0;
    for (int k = 0; k < 3; ++k) {
      const double sigma = kCentres[k] / 10000.0 / 2.35482;
      const double g = 1e4 * std::exp(-0.5 * std::pow((double(s.m.back()) - kCentres[k]) / sigma, 2));
      s.sums[std::size_t(k)] += g;
      y += g;
    }
    s.y.push_back(float(y) + baseline);
  }
  return s;
}

void expectPeaksFound(const Result& r, const Synthetic& s, const std::string& what) {
  ASSERT_TRUE(r.ok) << what;
  for (int k = 0; k < 3; ++k) {
    const double fwhm = kCentres[k] / 10000.0;
    const auto near = std::min_element(r.mass.begin(), r.mass.end(), [&](double a, double b) {
      return std::fabs(a - kCentres[k]) < std::fabs(b - kCentres[k]);
    });
    ASSERT_NE(near, r.mass.end()) << what;
    const std::size_t i = std::size_t(near - r.mass.begin());
    EXPECT_NEAR(*near, kCentres[k], fwhm / 10) << what << " peak " << k;
    EXPECT_NEAR(r.value[i], s.sums[std::size_t(k)], 0.02 * s.sums[std::size_t(k)]) << what << " peak " << k;
    EXPECT_GT(r.massSigma[i], 0.0f) << what << " peak " << k;
  }
}

template <class T>
void expectOwnFields(
    const std::vector<std::pair<void (CRTCentroidDTCProcess::*)(T), T (CRTCentroidDTCProcess::*)() const>>& pairs) {
  CRTCentroidDTCProcess c(1, 1, 1, 1);
  std::vector<T> values;
  for (const auto& [set, get] : pairs)
    values.push_back(std::is_same_v<T, bool> ? T(!(c.*get)()) : T(40 + values.size()));
  for (std::size_t k = 0; k < pairs.size(); ++k) (c.*pairs[k].first)(values[k]);
  for (std::size_t k = 0; k < pairs.size(); ++k) EXPECT_EQ((c.*pairs[k].second)(), values[k]) << k;
}

TEST(RTCentroid, SettingsAsBuiltAndAsSet) {
  CRTCentroidDTCProcess c(12000, 1800, 7000, 2);
  EXPECT_TRUE(c.GetDoSmooth() && !c.GetDoBackgroundSubtract() && c.GetDoDeadtimeCorrection() &&
              c.GetNormaliseGradient() && c.GetReportCentroidArea());
  EXPECT_EQ(std::vector<int>({c.GetSmoothWidth(), c.GetCentroidPercentage(), c.GetMaxBinsToTrack(),
                              c.GetFirstDifferenceWidth(), c.GetSecondDifferenceWidth()}),
            std::vector<int>({3, 80, 8, 2, 2}));
  EXPECT_EQ(std::vector<float>({c.GetResolution(), c.GetLteff(), c.GetVeff(), c.GetTDC(),
                                c.GetAbsoluteGradientThreshold(), c.GetAbsoluteThreshold(),
                                c.GetGradientThresholdWidth(), c.GetNpMultiplier(), c.GetMinMass(), c.GetMaxMass(),
                                c.GetCycleTime(), c.GetPusherFrequency()}),
            std::vector<float>({12000, 1800, 7000, 2, 10, 10, 2, 1, 0, 0, 0, 0}));
  EXPECT_EQ(RTCentroidInspector::accurateWidths(c), std::vector<float>({3, 5}));
  EXPECT_EQ(c.GetDeadTimeTable(), nullptr);
  ASSERT_NE(c.GetSubtractor(), nullptr);
  EXPECT_TRUE(c.GetSubtractor()->GetSubBins() == 20 && c.GetSubtractor()->GetHalfWindow() == 10 &&
              c.GetSubtractor()->GetQuantile() == 0.45);
  EXPECT_TRUE(CRTCentroidDTCProcess::MIN_ACC_WIDTH_FAC == 1.5f && CRTCentroidDTCProcess::MAX_ACC_WIDTH_FAC == 2.5f);
  EXPECT_EQ(kSinhAxisStep, double(0.470964f));
  c.SetGradientThresholdWidth(4);
  EXPECT_EQ(RTCentroidInspector::accurateWidths(c), std::vector<float>({6, 10}));
  // Every setter set to a value of its own, then every getter read: a
  // setter wired to another field shows.
  using C = CRTCentroidDTCProcess;
  expectOwnFields<float>({{&C::SetResolution, &C::GetResolution}, {&C::SetLteff, &C::GetLteff},
                          {&C::SetVeff, &C::GetVeff}, {&C::SetTDC, &C::GetTDC},
                          {&C::SetAbsoluteGradientThreshold, &C::GetAbsoluteGradientThreshold},
                          {&C::SetGradientThresholdWidth, &C::GetGradientThresholdWidth},
                          {&C::SetAbsoluteThreshold, &C::GetAbsoluteThreshold}, {&C::SetMinMass, &C::GetMinMass},
                          {&C::SetNpMultiplier, &C::GetNpMultiplier}, {&C::SetCycleTime, &C::GetCycleTime},
                          {&C::SetMaxMass, &C::GetMaxMass}, {&C::SetPusherFrequency, &C::GetPusherFrequency}});
  expectOwnFields<int>({{&C::SetSmoothWidth, &C::GetSmoothWidth}, {&C::SetMaxBinsToTrack, &C::GetMaxBinsToTrack},
                        {&C::SetCentroidPercentage, &C::GetCentroidPercentage},
                        {&C::SetFirstDifferenceWidth, &C::GetFirstDifferenceWidth},
                        {&C::SetSecondDifferenceWidth, &C::GetSecondDifferenceWidth}});
  expectOwnFields<bool>({{&C::SetDoSmooth, &C::GetDoSmooth}, {&C::SetNormaliseGradient, &C::GetNormaliseGradient},
                         {&C::SetReportCentroidArea, &C::GetReportCentroidArea},
                         {&C::SetDoBackgroundSubtract, &C::GetDoBackgroundSubtract},
                         {&C::SetDoDeadtimeCorrection, &C::GetDoDeadtimeCorrection}});
  DeadTimeArray table;
  c.SetDeadTimeTable(&table);
  EXPECT_EQ(c.GetDeadTimeTable(), &table);
}

TEST(RTCentroid, TheProcessWideInstance) {
  CRTCentroidDTCProcess& one = CRTCentroidDTCProcess::GetInstance();
  EXPECT_EQ(&one, &CRTCentroidDTCProcess::GetInstance());
  EXPECT_TRUE(one.GetResolution() == 10000 && one.GetLteff() == 2000 && one.GetVeff() == 8000 && one.GetTDC() == 4);
}

TEST(RTCentroid, FindsSyntheticPeaks) {
  const CRTCentroidDTCProcess plain(10000, 2000, 8000, 4);
  const Synthetic clean = synthetic(0);
  for (Form form : {Form::FloatMasses, Form::DoubleMasses}) {
    const Result r = centroid(plain, clean.m, clean.y, form);
    expectPeaksFound(r, clean, "zero baseline");
    EXPECT_EQ(r.peaks, 3);
  }
  CRTCentroidDTCProcess subtracting(10000, 2000, 8000, 4);
  subtracting.SetDoBackgroundSubtract(true);
  const Synthetic flat = synthetic(50);
  expectPeaksFound(centroid(subtracting, flat.m, flat.y), flat, "flat baseline, subtracted");
  // Heights instead of areas: the data point nearest the centroid.
  CRTCentroidDTCProcess heights(10000, 2000, 8000, 4);
  heights.SetReportCentroidArea(false);
  const Result h = centroid(heights, clean.m, clean.y);
  ASSERT_TRUE(h.ok && h.peaks == 3);
  // A Gaussian of sigma 5 / 2.35 bins has about 0.19 of its area in its top bin.
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(h.value[k] / clean.sums[k], 0.19, 0.03) << k;
  // A fixed gradient threshold (edges of at most 3 bins here) writes no sigmas.
  heights.SetNormaliseGradient(false);
  heights.SetMaxBinsToTrack(3);
  const Result fixed = centroid(heights, clean.m, clean.y);
  ASSERT_TRUE(fixed.ok && fixed.peaks == 3);
  EXPECT_EQ(fixed.massSigma, std::vector<float>(3, 0.0f));
  EXPECT_EQ(fixed.valueSigma, std::vector<float>(3, 0.0f));
}

TEST(RTCentroid, RunsLeaveNoTrace) {
  const Synthetic a = synthetic(0), b = synthetic(50);
  auto fresh = [](bool smooth, bool subtract) {
    auto c = std::make_unique<CRTCentroidDTCProcess>(10000, 2000, 8000, 4);
    c->SetDoSmooth(smooth);
    c->SetDoBackgroundSubtract(subtract);
    return c;
  };
  CRTCentroidDTCProcess used(10000, 2000, 8000, 4);
  used.SetDoBackgroundSubtract(true);
  EXPECT_EQ(centroid(used, b.m, b.y), centroid(*fresh(true, true), b.m, b.y));
  used.SetDoBackgroundSubtract(false);
  EXPECT_EQ(centroid(used, a.m, a.y), centroid(*fresh(true, false), a.m, a.y));
  // Without smoothing the peaks are sought in the rebinned signal, never in
  // an earlier spectrum's smoothing.
  used.SetDoSmooth(false);
  const Result unsmoothed = centroid(used, b.m, b.y);
  EXPECT_EQ(unsmoothed, centroid(*fresh(false, false), b.m, b.y));
  EXPECT_TRUE(unsmoothed.ok && unsmoothed.peaks >= 3);
  // Clear releases everything; subtraction then brings its own subtractor.
  used.Clear();
  EXPECT_TRUE(RTCentroidInspector::holdsNothing(used));
  used.SetDoSmooth(true);
  used.SetDoBackgroundSubtract(true);
  EXPECT_EQ(centroid(used, b.m, b.y), centroid(*fresh(true, true), b.m, b.y));
  ASSERT_NE(used.GetSubtractor(), nullptr);
  EXPECT_TRUE(used.GetSubtractor()->GetSubBins() == 20 && used.GetSubtractor()->GetQuantile() == 0.45);
  // The dead-time stage, set up or not, changes no peak.
  DeadTimeArray table;
  used.SetCycleTime(1);
  used.SetPusherFrequency(1e4f);
  used.SetDeadTimeTable(&table);
  const Result withStage = centroid(used, b.m, b.y);
  used.SetDoDeadtimeCorrection(false);
  EXPECT_EQ(withStage, centroid(used, b.m, b.y));
}

TEST(RTCentroid, TooFewBinsWriteNothing) {
  const CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
  for (const std::vector<float>& m : {std::vector<float>{}, {500.0f}, {500.0f, 500.001f}, {0.0f, 0.0f}}) {
    const Result r = centroid(c, m, std::vector<float>(m.size(), 100.0f));
    EXPECT_TRUE(r.ok && r.peaks == -7 && !r.allocated) << m.size();
  }
}

TEST(RTCentroid, RefusesBeforeAllocating) {
  struct Case {
    const char* what;
    float r, lteff, veff;
    std::vector<float> m;
  };
  const std::vector<float> good{100, 200, 300};
  const Case cases[] = {
      {"resolution 0", 0, 2000, 8000, good},
      {"negative resolution", -1, 2000, 8000, good},
      {"NaN resolution", kNaN, 2000, 8000, good},
      {"infinite resolution", kInf, 2000, 8000, good},
      {"Lteff 0", 1e4f, 0, 8000, good},
      {"infinite Lteff", 1e4f, kInf, 8000, good},
      {"negative Veff", 1e4f, 2000, -8000, good},
      {"NaN Veff", 1e4f, 2000, kNaN, good},
      {"a flight-time factor of 0", 1e4f, 3e38f, 1e-38f, good},
      {"negative mass", 1e4f, 2000, 8000, {-1, 200, 300}},
      {"NaN mass", 1e4f, 2000, 8000, {100, kNaN, 300}},
      {"infinite mass", 1e4f, 2000, 8000, {100, 200, kInf}},
      {"a step down", 1e4f, 2000, 8000, {100, 300, 200}},
      {"one bad point", 1e4f, 2000, 8000, {kNaN}},
      {"more than 2^24 bins", 1e12f, 2000, 8000, {0, 1e7f}},
      {"9.8M bins for two points", 1e6f, 2000, 8000, {0.001f, 1e6f}},
  };
  for (const Case& k : cases) {
    const CRTCentroidDTCProcess c(k.r, k.lteff, k.veff, 4);
    for (Form form : {Form::FloatMasses, Form::DoubleMasses, Form::Counts}) {
      const Result r = centroid(c, k.m, std::vector<float>(k.m.size(), 100.0f), form);
      EXPECT_TRUE(!r.ok && r.peaks == 0 && !r.allocated) << k.what;
    }
  }
  // Null arrays with points.
  const CRTCentroidDTCProcess c(1e4f, 2000, 8000, 4);
  std::unique_ptr<double[]> p;
  std::unique_ptr<float[]> ps, v, vs;
  long peaks = 5;
  EXPECT_FALSE(c.PPCentroidDTC(good.data(), nullptr, 3, p, ps, v, vs, peaks));
  EXPECT_FALSE(c.PPCentroidDTC(nullptr, good.data(), 3, p, ps, v, vs, peaks));
  EXPECT_TRUE(peaks == 0 && !p && !ps && !v && !vs);
}

// The bins a spectrum may have grow with its points: at the edge of the cap
// one point more or less decides, and the container refuses with 57 and
// keeps its points.
TEST(RTCentroid, AxisBinsAreCappedByThePoints) {
  EXPECT_EQ(CRTCentroidDTCProcess::MaxAxisBins(0), 1L << 19);
  EXPECT_EQ(CRTCentroidDTCProcess::MaxAxisBins(1000), (1L << 19) + 2000);
  EXPECT_EQ(CRTCentroidDTCProcess::MaxAxisBins(1L << 30), 1L << 24);
  CRTCentroidDTCProcess c(10000, 2000, 8000, 4);
  c.SetResolution(1e6f);
  const std::vector<float> ends{1.0f, 2500.0f};
  double u0 = 0;
  const double k = double(std::sqrt(8000.0f) / (72.0f * 2000.0f));
  const long bins = -SinhAxis(ends.data(), 2, nullptr, 0, kSinhAxisStep, 1e6, k, u0);
  ASSERT_GT(bins, CRTCentroidDTCProcess::MaxAxisBins(2));
  const long enough = (bins - CRTCentroidDTCProcess::kAxisBinFloor + 1) / 2;
  for (long n : {2L, enough - 1, enough}) {
    std::vector<float> m(std::size_t(n), 0.0f), y(std::size_t(n), 100.0f);
    for (long i = 0; i < n; ++i) m[std::size_t(i)] = 1.0f + 2499.0f * float(i) / float(n - 1);
    m.back() = ends.back();
    const bool refused = n < enough;
    EXPECT_EQ(c.AxisTooLong(m.data(), y.data(), n), refused) << n;
    EXPECT_EQ(centroid(c, m, y).ok, !refused) << n;
    ZVSpectrum s(m, y);
    EXPECT_EQ(s.RTCentroid(1e6f) == ZVRAW_PARAMETER_INVALID, refused) << n;
    if (refused) {
      EXPECT_TRUE(s.getSize() == unsigned(n) && std::equal(m.begin(), m.end(), s.getMasses())) << n;
    }
  }
}

TEST(RTCentroid, HostileSpectraAndSettings) {
  using namespace spectrum_fixtures;
  const std::vector<Spectrum> spectra = hostileSpectra({0, 1, 2, 3, 200, 5000});
  const Form forms[] = {Form::FloatMasses, Form::DoubleMasses, Form::Counts};
  for (float resolution : {10000.0f, 0.0f, -1.0f, kNaN, kInf, 1e-3f, 1e12f})
    for (int flags = 0; flags < 4; ++flags) {
      CRTCentroidDTCProcess c(resolution, 2000, 8000, 4);
      c.SetDoSmooth(flags & 1);
      c.SetDoBackgroundSubtract(flags & 2);
      const double k = double(std::sqrt(8000.0f) / (72.0f * 2000.0f));
      for (std::size_t i = 0; i < spectra.size(); ++i) {
        // Each spectrum meets every entry point over the four flag settings.
        const Spectrum& s = spectra[i];
        const Form form = forms[(i + std::size_t(flags)) % 3];
        const Result r = centroid(c, s.masses, s.intensities, form);
        double u0 = 0;
        const long bins = s.masses.empty() ? 0
                                           : -SinhAxis(s.masses.data(), int(s.masses.size()), nullptr, 0,
                                                       kSinhAxisStep, resolution, k, u0);
        const std::string at = s.name + ", resolution " + std::to_string(resolution) + ", flags " +
                               std::to_string(flags) + ", form " + std::to_string(int(form));
        const bool kept = !r.ok      ? r.peaks == 0
                          : bins < 2 ? r.peaks == -7 && !r.allocated
                                     : r.peaks >= 0 && r.peaks <= bins / 2 && r.allocated;
        EXPECT_TRUE(kept) << at;
      }
    }
}

}  // namespace
