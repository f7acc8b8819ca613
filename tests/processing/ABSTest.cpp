// The adaptive background subtractor against a brute-force reference in
// all four precision forms, its edge cases and refusals, the comparator,
// the re-grid and the front ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "processing/ABS.h"
#include "processing/ABSSubtract.h"
#include "processing/ABSWorkspace.h"
#include "support/SpectrumFixtures.h"
#include "zorvalen/ZorvalenRaw.h"

namespace {

using Doubles = std::vector<double>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

struct Settings {
  int bins = 20, half = 10;
  double level = 0.45;
};

long nominal(double mass) { return long(std::trunc(0.5 + mass / 1.0005)); }
bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

double sortedQuantile(Doubles v, double level) {
  std::sort(v.begin(), v.end());
  const auto m = double(v.size());
  const double r = 0.5 + m * std::clamp(level, 0.0, 1.0);
  const auto k = std::size_t(std::clamp(r, 1.0, m));
  if (r < 1 || r > m || double(k) == r) return v[k - 1];
  return std::max(v[k - 1], std::min(v[k], (v[k] + v[k - 1]) / 2));
}

// Per sub-bin and nominal mass the sorted-array quantile (0 without points,
// non-finite intensities as 0); per point the rank-th smallest over its
// window in its own sub-bin, the first and last half window + 1 masses
// using the first and last full window. The first mass borrows the next
// one's quantiles; the last enters no window.
Doubles referenceBackground(const Doubles& masses, const Doubles& y, Settings s) {
  const long first = nominal(masses.front()), last = nominal(masses.back()), h = s.half, full = 2 * h + 1;
  const long rank = std::clamp(long(std::trunc(0.5 + double(full) * s.level)), 0L, full - 1);
  std::vector<long> group, bin;
  std::map<std::pair<long, long>, Doubles> values;
  for (std::size_t i = 0; i < masses.size(); ++i) {
    group.push_back(std::max(i ? group.back() : -1L, std::min(nominal(masses[i]), last)));
    const double sub = std::trunc((masses[i] - 1.0005 * (double(group[i]) - 0.5)) / (1.0005 / s.bins));
    bin.push_back(std::clamp(long(sub), 0L, long(s.bins) - 1));
    if (group[i] > first && group[i] < last) values[{group[i], bin[i]}].push_back(std::isfinite(y[i]) ? y[i] : 0.0);
  }
  Doubles background;
  for (std::size_t i = 0; i < masses.size(); ++i) {
    const long c = std::clamp(group[i], first + h, last - h - 1);
    Doubles window;
    for (long j = c - h; j <= c + h; ++j) {
      const auto it = values.find({j == first ? first + 1 : j, bin[i]});
      window.push_back(it == values.end() ? 0.0 : sortedQuantile(it->second, s.level));
    }
    std::nth_element(window.begin(), window.begin() + rank, window.end());
    background.push_back(window[std::size_t(rank)]);
  }
  return background;
}

struct Spectrum {
  std::string name;
  Doubles masses, y;
};

// Float masses from 100 Da in steps of 0.004 to 0.012 Da (every sub-bin of
// every nominal mass gets points), integer intensities 0 to 30 and a few
// peaks to 2000; on request whole nominal masses left out, or non-finite
// intensities.
Spectrum dense(std::uint32_t seed, double high = 160.0, int dropEvery = 0, bool nonFinite = false) {
  std::mt19937 rng(seed);
  Spectrum s{"dense " + std::to_string(seed), {}, {}};
  for (double m = 100.0; m < high; m += 0.004 + 0.008 * double(rng() % 1000) / 1000.0) {
    if (dropEvery > 0 && nominal(m) % dropEvery == 0) continue;
    s.masses.push_back(double(float(m)));
    s.y.push_back(rng() % 200 ? double(rng() % 31) : double(rng() % 2000));
    if (nonFinite && rng() % 30 == 0) s.y.back() = rng() % 2 ? kNaN : (rng() % 2 ? kInf : -kInf);
  }
  return s;
}

// The spectrum as M masses and S intensities, against the reference on
// those same values; the background is narrowed, then subtracted in S.
template <class M, class S>
void expectReference(const Spectrum& spec, Settings s) {
  std::vector<M> m(spec.masses.begin(), spec.masses.end());
  std::vector<S> signal(spec.y.begin(), spec.y.end()), back(signal.size(), S(-1));
  const Doubles background = referenceBackground(Doubles(m.begin(), m.end()), Doubles(signal.begin(), signal.end()), s);
  ASSERT_EQ(ABS(s.bins, s.half, s.level).ABSFast(m.data(), signal.data(), int(m.size()), back.data()), ABS::OK);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < m.size(); ++i)
    wrong += !same(signal[i], S(spec.y[i]) - S(background[i])) || !same(back[i], S(background[i]));
  EXPECT_EQ(wrong, 0u) << spec.name << ", bins " << s.bins << ", half " << s.half << ", level " << s.level;
  if constexpr (std::is_same_v<M, double> && std::is_same_v<S, float>) {
    static zvraw::ABSWorkspace reused;  // across every spectrum and setting: the same results
    std::vector<S> again(spec.y.begin(), spec.y.end());
    ASSERT_EQ(ABS(s.bins, s.half, s.level).ABSFast(m.data(), again.data(), int(m.size()), nullptr, reused), ABS::OK);
    EXPECT_TRUE(std::ranges::equal(again, signal, same)) << spec.name;
  }
}

template <class... Args>
void expectEveryForm(Args&&... args) {
  expectReference<double, double>(args...);
  expectReference<float, float>(args...);
  expectReference<float, double>(args...);
  expectReference<double, float>(args...);
}

TEST(ABSFast, EveryPrecisionMatchesTheReference) {
  std::vector<Spectrum> spectra{dense(1), dense(2, 140.0), dense(3, 200.0, 3), dense(4, 180.0, 0, true)};
  // Sparse, high-mass axes: most nominal masses and sub-bins without points.
  std::mt19937 rng(5);
  for (double start : {3000.0, 50000.0}) {
    spectra.push_back({"sparse from " + std::to_string(start), {}, {}});
    for (double m = start; m < start + 1500.0; m += 0.3 + 2.0 * double(rng() % 1000) / 1000.0) {
      spectra.back().masses.push_back(double(float(m)));
      spectra.back().y.push_back(double(rng() % 100));
    }
  }
  for (const Spectrum& spec : spectra)
    for (Settings s : {Settings{}, {7, 3, 0.3}, {1, 0, 0.5}, {20, 10, 1.0}, {20, 10, -0.1}, {33, 5, 0.9}})
      expectEveryForm(spec, s);
  // Points on the sub-bin edges, where rounding decides the sub-bin: the
  // division of the definition's.
  for (int bins : {20, 7, 1000})
    for (double nudge : {0.0, 1e-13, -1e-13}) {
      Spectrum edges{"edges", {}, {}};
      for (int j = 100; j <= 140; ++j)
        for (int k = 0; k < std::min(bins, 40); ++k) {
          edges.masses.push_back((1.0005 * (j - 0.5) + double(k) * (1.0005 / bins)) * (1 + nudge));
          edges.y.push_back(double(rng() % 20));
        }
      expectEveryForm(edges, Settings{bins, 5, 0.45});
    }
}

// One point per nominal mass from first to first + span, in sub-bin 10 of
// 20 (the centre itself is an edge).
Doubles oneEach(long first, long span) {
  Doubles m;
  for (long j = first; j <= first + span; ++j) m.push_back(1.0005 * double(j) + 0.013);
  return m;
}

TEST(ABSFast, RanksFlatBackgroundsAndPeaks) {
  // One sub-bin, distinct intensities: the 10th smallest of the 21 around.
  Doubles masses = oneEach(200, 60), y, signal;
  std::mt19937 rng(9);
  for (std::size_t i = 0; i < masses.size(); ++i) y.push_back(double(1000 + rng() % 100000));
  signal = y;
  ASSERT_EQ(ABS(1, 10, 0.45).ABSFast(masses.data(), signal.data(), int(masses.size()), nullptr), ABS::OK);
  for (long i = 11; i <= 48; ++i) {
    Doubles window(y.begin() + i - 10, y.begin() + i + 11);
    std::nth_element(window.begin(), window.begin() + 9, window.end());
    EXPECT_EQ(y[std::size_t(i)] - signal[std::size_t(i)], window[9]) << i;
  }
  // A flat c is all background; a tall peak on it loses only c.
  Spectrum flat = dense(6);
  std::fill(flat.y.begin(), flat.y.end(), 5.0);
  flat.y[flat.y.size() / 2] = 10000.0;
  Doubles back(flat.y.size()), expected(flat.y.size(), 0.0);
  expected[flat.y.size() / 2] = 9995.0;
  ASSERT_EQ(ABS(20, 10, 0.45).ABSFast(flat.masses.data(), flat.y.data(), int(flat.y.size()), back.data()), ABS::OK);
  EXPECT_TRUE(flat.y == expected && back == Doubles(back.size(), 5.0));
}

TEST(ABSFast, RefusalsChangeNothing) {
  auto with = [](Doubles m, std::size_t at, double mass) { return m[at] = mass, m; };
  Doubles negative = oneEach(100, 60), descending = oneEach(100, 60);
  for (double& m : negative) m -= 170.0;  // the last one below 0.5 Da too
  std::reverse(descending.begin(), descending.end());
  const struct {
    const char* what;
    Doubles masses;
    Settings settings;
    ABS::Result result;
  } refusals[] = {
      {"no points", {}, {}, ABS::SPEC_TOO_SMALL},
      {"one point", {100.0}, {}, ABS::SPEC_TOO_SMALL},
      {"span of one window", oneEach(100, 21), {}, ABS::SPEC_TOO_SMALL},
      {"span of one window, half 0", oneEach(100, 1), {20, 0, 0.45}, ABS::SPEC_TOO_SMALL},
      {"huge half window", oneEach(100, 60), {20, 1000000, 0.45}, ABS::SPEC_TOO_SMALL},
      {"descending", descending, {}, ABS::SPEC_TOO_SMALL},
      {"negative, short", oneEach(-20, 10), {}, ABS::SPEC_TOO_SMALL},
      {"NaN inside, short", with(oneEach(100, 5), 2, kNaN), {}, ABS::SPEC_TOO_SMALL},
      {"negative, long", negative, {}, ABS::MASSES_INVALID},
      {"NaN inside", with(oneEach(100, 60), 7, kNaN), {}, ABS::MASSES_INVALID},
      {"NaN first", with(oneEach(100, 60), 0, kNaN), {}, ABS::MASSES_INVALID},
      {"infinite last", with(oneEach(100, 60), 60, kInf), {}, ABS::MASSES_INVALID},
      {"beyond int nominal masses", {100.0, 3e9}, {}, ABS::MASSES_INVALID},
      {"no sub-bins", oneEach(100, 60), {0, 10, 0.45}, ABS::MASSES_INVALID},
      {"negative sub-bins", oneEach(100, 60), {-1, 10, 0.45}, ABS::MASSES_INVALID},
      {"negative half window", oneEach(100, 60), {20, -1, 0.45}, ABS::MASSES_INVALID},
      {"NaN level", oneEach(100, 60), {20, 10, kNaN}, ABS::MASSES_INVALID},
  };
  for (const auto& r : refusals) {
    const Doubles y(r.masses.size(), 3.0);
    Doubles signal = y, back(r.masses.size(), -1.0);
    const ABS abs(r.settings.bins, r.settings.half, r.settings.level);
    EXPECT_EQ(abs.ABSFast(r.masses.data(), signal.data(), int(r.masses.size()), back.data()), r.result) << r.what;
    EXPECT_EQ(abs.CheckSpectrum(r.masses.data(), int(r.masses.size())), r.result) << r.what;
    EXPECT_TRUE(signal == y && back == Doubles(r.masses.size(), -1.0)) << r.what;
  }
  Doubles ok = oneEach(100, 22), y(ok.size(), 1.0);  // a span just past one window
  EXPECT_EQ(ABS(20, 10, 0.45).ABSFast(ok.data(), y.data(), int(ok.size()), nullptr), ABS::OK);
  EXPECT_EQ(ABS(20, 10, 0.45).ABSFast(ok.data(), static_cast<double*>(nullptr), 23, nullptr), ABS::MASSES_INVALID);
}

// More than 250 points of one nominal mass in one sub-bin. Entering the
// first window it stops everything; entering later, the masses whose window
// was complete before it stay subtracted.
TEST(ABSFast, CrowdedSubBin) {
  const struct {
    long crowded;
    int count;
    long subtractedBelow;
  } cases[] = {{105, 251, 0}, {150, 251, 140}, {150, 250, 1000}};
  for (const auto& [crowded, count, subtractedBelow] : cases) {
    Doubles masses = oneEach(100, 60);
    masses.insert(masses.begin() + (crowded - 100), std::size_t(count - 1), masses[std::size_t(crowded - 100)]);
    Doubles signal(masses.size(), 4.0);
    const ABS::Result r = ABS(20, 10, 0.45).ABSFast(masses.data(), signal.data(), int(masses.size()), nullptr);
    EXPECT_EQ(r, count > DELTA_BUFFER_SIZE ? ABS::BUFFER_TOO_SMALL : ABS::OK) << crowded;
    for (std::size_t i = 0; i < masses.size(); ++i)
      EXPECT_EQ(signal[i], nominal(masses[i]) < subtractedBelow ? 0.0 : 4.0) << crowded << ", point " << i;
  }
}

TEST(CompareQuanAscending, ByQuantileThenMassNeverEqual) {
  const MassQuan items[] = {{9, 3.0}, {4, 1.0}, {3, 1.0}, {7, -2.0}, {1, 3.0}, {2, kNaN}};
  auto cmp = [&](int a, int b) {
    const MassQuan *pa = &items[a], *pb = &items[b];
    return compareQuanAscending(&pa, &pb);
  };
  // Greater quantile 1, smaller -1, equal quantiles by mass, equal pairs and NaN -1.
  EXPECT_EQ((std::vector<int>{cmp(0, 1), cmp(1, 0), cmp(1, 2), cmp(2, 1), cmp(1, 1), cmp(5, 1), cmp(1, 5)}),
            (std::vector<int>{1, -1, 1, -1, -1, -1, -1}));
  const MassQuan* none = nullptr;
  const MassQuan* order[] = {&items[0], &items[1], &items[2], &items[3], &items[4]};
  EXPECT_EQ(compareQuanAscending(&none, order) + compareQuanAscending(nullptr, order), -2);
  std::qsort(order, 5, sizeof order[0], compareQuanAscending);
  std::vector<int> masses;
  for (const MassQuan* p : order) masses.push_back(p->mass);
  EXPECT_EQ(masses, (std::vector<int>{7, 3, 4, 1, 9}));
}

// The caller's arrays, count and background array.
template <class T>
struct Caller {
  std::unique_ptr<T[]> masses, signal, back;
  int count;
  Caller(const Doubles& m, const Doubles& y)
      : masses(new T[m.size()]), signal(new T[m.size()]), back(new T[3]{7, 7, 7}), count(int(m.size())) {
    std::copy(m.begin(), m.end(), masses.get());
    std::copy(y.begin(), y.end(), signal.get());
  }
  int subtract(Settings s, bool wantBack = true) {
    return ABSSubtract(&masses, &signal, &count, wantBack ? &back : nullptr, s.bins, s.half, T(s.level));
  }
  bool regrid() { return replaceZeros(&count, &masses, &signal); }
  [[nodiscard]] Doubles x() const { return {masses.get(), masses.get() + count}; }
  [[nodiscard]] Doubles y() const { return {signal.get(), signal.get() + count}; }
};

TEST(ReplaceZeros, FillsGapsAtEvenRootSpacing) {
  // Roots 10 11 12 15 16 17: two zero points in the gap of three steps.
  Caller<double> gap({100, 121, 144, 225, 256, 289}, {1, 2, 3, 4, 5, 6});
  EXPECT_TRUE(gap.regrid() && gap.x() == (Doubles{100, 121, 144, 169, 196, 225, 256, 289}));
  EXPECT_EQ(gap.y(), (Doubles{1, 2, 3, 0, 0, 4, 5, 6}));
  // Even roots come back as they were, negative intensities as 0.
  Doubles even;
  for (int i = 0; i < 10; ++i) even.push_back((10 + 0.5 * i) * (10 + 0.5 * i));
  Caller<double> same(even, {-1, 2, -3, 4, 5, 6, 7, 8, 9, -10});
  EXPECT_TRUE(same.regrid() && same.x() == even && same.y() == (Doubles{0, 2, 0, 4, 5, 6, 7, 8, 9, 0}));
  // Fewer than three points stay, negatives as 0.
  Caller<double> two({100, 300}, {-1, 3});
  EXPECT_TRUE(two.regrid() && two.x() == (Doubles{100, 300}) && two.y() == (Doubles{0, 3}));
  // A local step of 0 (repeated masses) takes the smallest step, 1 here;
  // half a step makes a gap of two.
  Caller<double> repeated({100, 100, 121, 121, 144, 169, 196, 225, 256}, Doubles(9, 1.0));
  EXPECT_TRUE(repeated.regrid());
  EXPECT_EQ(repeated.x(), (Doubles{100, 100, 121, 121, 132.25, 144, 169, 196, 225, 256}));
  // Reaching the capacity (1 + span / smallest step x 2.1 = 1): count 0, arrays kept.
  Caller<double> full(Doubles(5, 100.0), Doubles(5, 1.0));
  const double* before = full.masses.get();
  EXPECT_TRUE(!full.regrid() && full.count == 0 && full.masses.get() == before && before[4] == 100.0);
  int n = 3;
  std::unique_ptr<double[]> none;
  EXPECT_FALSE(replaceZeros(&n, &none, &none) || replaceZeros(nullptr, &none, &none));
}

// A front end's code; on failure the caller's arrays, count and background
// are as they were.
template <class T>
int frontEnd(const Doubles& m, const Doubles& y, Settings s) {
  Caller<T> c(m, y);
  const T *masses = c.masses.get(), *signal = c.signal.get(), *back = c.back.get();
  const int code = c.subtract(s);
  auto kept = [](const Doubles& given, const T* now) {
    return std::equal(given.begin(), given.end(), now, [](double a, T b) { return same(T(a), b); });
  };
  EXPECT_TRUE(code == 0 || (c.masses.get() == masses && c.signal.get() == signal && c.back.get() == back &&
                            c.count == int(m.size()) && kept(m, masses) && kept(y, signal) && back[2] == T(7)));
  return code;
}

TEST(ABSSubtract, FailuresLeaveTheCallersSpectrum) {
  Doubles negative = oneEach(100, 60), crowded = oneEach(100, 60), repeated(1000, 200.0);
  for (double& m : negative) m -= 150.0;
  crowded.insert(crowded.begin() + 40, 260, crowded[40]);
  repeated.insert(repeated.begin(), 100.0);
  const struct {
    const char* what;
    Doubles masses;
    Settings settings;
    int code;
  } cases[] = {
      {"span of one window", oneEach(100, 21), {}, -100},
      {"negative masses", negative, {}, -200},
      {"no sub-bins", oneEach(100, 60), {0, 10, 0.45}, -200},
      {"NaN level", oneEach(100, 60), {20, 10, kNaN}, -200},
      {"crowded sub-bin", crowded, {}, -300},
      {"re-grid past its capacity", repeated, {}, -300},
  };
  for (const auto& t : cases) {
    const Doubles y(t.masses.size(), 2.0);
    EXPECT_EQ(frontEnd<double>(t.masses, y, t.settings), t.code) << t.what;
    EXPECT_EQ(frontEnd<float>(t.masses, y, t.settings), t.code) << t.what;
  }
  Caller<float> c(oneEach(100, 60), Doubles(61, 1.0));
  const float* masses = c.masses.get();
  c.count = -4;
  EXPECT_EQ(c.subtract({}), -100);
  c.count = 0;  // no points: 0, nothing changed
  EXPECT_TRUE(c.subtract({}) == 0 && c.masses.get() == masses && c.count == 0);
  std::unique_ptr<float[]> none;
  EXPECT_EQ(ABSSubtract(&none, &none, &c.count, &none, 20, 10, 0.45f), 0);
  c.count = 61;
  EXPECT_EQ(ABSSubtract(&c.masses, &c.signal, nullptr, nullptr, 20, 10, 0.45f), -200);
  EXPECT_EQ(ABSSubtract(&none, &c.signal, &c.count, nullptr, 20, 10, 0.45f), -200);
}

// Both front ends are the re-grid and the subtractor in double precision;
// the single form converts back. Gaps make the re-grid add points.
TEST(ABSSubtract, ReGridsThenSubtracts) {
  const Spectrum s = dense(8, 170.0, 4);
  Caller<double> g(s.masses, s.y), d(s.masses, s.y);
  Caller<float> f(s.masses, s.y);
  ASSERT_TRUE(g.regrid() && g.count > int(s.masses.size()));
  Doubles expected = g.y(), background(std::size_t(g.count)), expectedF = g.y();
  ASSERT_EQ(ABS(20, 10, 0.45).ABSFast(g.masses.get(), expected.data(), g.count, background.data()), ABS::OK);
  ASSERT_EQ(ABS(20, 10, double(0.45f)).ABSFast(g.masses.get(), expectedF.data(), g.count, nullptr), ABS::OK);
  ASSERT_TRUE(d.subtract({}) == 0 && f.subtract({}, false) == 0);
  EXPECT_TRUE(d.x() == g.x() && d.y() == expected && Doubles(d.back.get(), d.back.get() + d.count) == background);
  ASSERT_EQ(f.count, g.count);
  for (std::size_t i = 0; i < expectedF.size(); ++i)
    EXPECT_TRUE(f.masses[i] == float(g.masses[i]) && f.signal[i] == float(expectedF[i])) << i;
  EXPECT_EQ(f.back[0], 7.0f);  // not asked for
}

// Hostile spectra and settings through every form: a result from the
// list, and refusals that change nothing.
template <class M, class S>
void sweepForm(const Doubles& m, const Doubles& y, Settings s) {
  std::vector<M> masses(m.begin(), m.end());
  std::vector<S> signal(y.begin(), y.end()), before = signal, back(y.size());
  const ABS::Result r = ABS(s.bins, s.half, s.level).ABSFast(masses.data(), signal.data(), int(m.size()), back.data());
  ASSERT_TRUE(r >= ABS::OK && r <= ABS::BUFFER_TOO_SMALL);
  const bool unchanged = std::equal(before.begin(), before.end(), signal.begin(), [](S a, S b) { return same(a, b); });
  EXPECT_TRUE(unchanged || r == ABS::OK || r == ABS::BUFFER_TOO_SMALL);
}

TEST(ABSSubtract, HostileSpectraAndSettings) {
  const Settings settings[] = {{},
                               {0, 10, 0.45},
                               {-1, 10, 0.45},
                               {10000, 10, 0.45},
                               {20, -1, 0.45},
                               {20, 0, 0.45},
                               {20, 1000000, 0.45},
                               {20, 2, -0.1},
                               {20, 2, 1.0},
                               {20, 2, kNaN}};
  for (const auto& spec : spectrum_fixtures::hostileSpectra({0, 1, 2, 3, 100, 2001}))
    for (const Settings& s : settings) {
      SCOPED_TRACE(spec.name + ", bins " + std::to_string(s.bins) + ", half " + std::to_string(s.half) + ", level " +
                   std::to_string(s.level));
      const Doubles m(spec.masses.begin(), spec.masses.end()), y(spec.intensities.begin(), spec.intensities.end());
      sweepForm<double, double>(m, y, s);
      sweepForm<float, float>(m, y, s);
      sweepForm<float, double>(m, y, s);
      sweepForm<double, float>(m, y, s);
      for (int code : {frontEnd<double>(m, y, s), frontEnd<float>(m, y, s)})
        EXPECT_TRUE(code == 0 || code == -100 || code == -200 || code == -300) << code;
    }
}

}  // namespace
