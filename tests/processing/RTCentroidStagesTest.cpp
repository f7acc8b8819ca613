// The real-time centroider's axis and stages against their definitions:
// the sinh axis and its inverse, the sum-keeping rebinning, the triangle
// and the differences against direct sums, the peak finder's constants,
// centroid and accuracy test.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <vector>

#include "processing/RTCentroidStages.h"
#include "processing/SinhAxis.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
const double kCtof = double(std::sqrt(8000.0f) / (72.0f * 2000.0f));  // Lteff 2000, Veff 8000

double u(double m, double r, double ctof) {
  const double a = 4.709640026092529 * r, c = 0.3 * a * ctof;
  return a * std::log((std::sqrt(c * c + m) + std::sqrt(m)) / c);
}
double massAt(double uu, double r, double ctof) {
  const double a = 4.709640026092529 * r, c = 0.3 * a * ctof;
  return std::pow(c * std::sinh(uu / a), 2);
}

std::vector<double> axis(const std::vector<double>& x, double r, double& u0) {
  const int count = -SinhAxis(x.data(), int(x.size()), nullptr, 0, kSinhAxisStep, r, kCtof, u0);
  std::vector<double> out(std::size_t(std::max(count, 0)));
  EXPECT_EQ(SinhAxis(x.data(), int(x.size()), out.data(), count, kSinhAxisStep, r, kCtof, u0), count);
  return out;
}

TEST(SinhAxis, StepsEvenlyInU) {
  double u0 = 0;
  const std::vector<double> a = axis({100.0, 2000.0}, 10000.0, u0);
  ASSERT_EQ(a.size(), 135444u);
  EXPECT_NEAR(a[0], 100.0, 1e-10);
  EXPECT_DOUBLE_EQ(u0, u(100.0, 10000.0, kCtof));
  for (std::size_t i = 0; i < a.size(); i += 97)
    EXPECT_NEAR(u(a[i], 10000.0, kCtof), u0 + double(i) * kSinhAxisStep, 1e-9 * u0) << i;
  // Well above c^2 a step is a relative mass step of about 0.2 / R.
  EXPECT_NEAR((a.back() - a[a.size() - 2]) / a.back() * 10000.0, 0.2, 0.01);
  // Room for fewer bins: minus the count, nothing written.
  const double ends[] = {100.0, 2000.0};
  std::vector<double> small(10, -1.0);
  EXPECT_EQ(SinhAxis(ends, 2, small.data(), 10, kSinhAxisStep, 10000.0, kCtof, u0), -135444);
  EXPECT_EQ(small, std::vector<double>(10, -1.0));
}

TEST(SinhAxis, RefusesWhatGivesNoCount) {
  struct Case {
    const char* what;
    std::vector<double> x;
    double step, r, ctof;
  };
  const Case cases[] = {
      {"resolution 0", {100, 200}, kSinhAxisStep, 0, kCtof},
      {"negative resolution", {100, 200}, kSinhAxisStep, -1, kCtof},
      {"NaN resolution", {100, 200}, kSinhAxisStep, kNaN, kCtof},
      {"infinite resolution", {100, 200}, kSinhAxisStep, kInf, kCtof},
      {"flight-time factor 0", {100, 200}, kSinhAxisStep, 1e4, 0},
      {"NaN flight-time factor", {100, 200}, kSinhAxisStep, 1e4, kNaN},
      {"step 0", {100, 200}, 0, 1e4, kCtof},
      {"NaN step", {100, 200}, kNaN, 1e4, kCtof},
      {"negative mass", {-1, 200}, kSinhAxisStep, 1e4, kCtof},
      {"NaN mass", {100, kNaN}, kSinhAxisStep, 1e4, kCtof},
      {"infinite mass", {100, kInf}, kSinhAxisStep, 1e4, kCtof},
      {"descending", {200, 100}, kSinhAxisStep, 1e4, kCtof},
      {"beyond 2^24 bins", {0, 1e7}, kSinhAxisStep, 1e12, kCtof},
      {"no points", {}, kSinhAxisStep, 1e4, kCtof},
  };
  for (const Case& c : cases) {
    double u0 = -7;
    EXPECT_EQ(SinhAxis(c.x.data(), int(c.x.size()), nullptr, 0, c.step, c.r, c.ctof, u0), 0) << c.what;
  }
  double u0 = 0;  // a mass of 0 is fine: u(0) = 0
  EXPECT_EQ(axis({0.0, 0.0}, 1e4, u0).size(), 1u);
  EXPECT_EQ(u0, 0.0);
}

TEST(SinhRebin, KeepsTheSumAndMakesPeaksFiveBinsWide) {
  // Uniform in sqrt(m), with repeated masses (cells of zero width) at both
  // ends and inside; one peak of resolving power 10000 at 500 Da.
  std::vector<double> x{300.0, 300.0};
  std::vector<unsigned short> y{7, 9};
  // The last mass a tenth of a step past a bin: its cell holds it.
  const double end = massAt(u(300.0, 1e4, kCtof) + 60000.1 * kSinhAxisStep, 1e4, kCtof);
  for (double r = std::sqrt(300.0); r * r < end - 0.01; r += 2e-4) {
    const double m = r * r, sigma = m / 10000.0 / 2.35482;
    x.push_back(m);
    y.push_back((unsigned short)(std::lround(20000.0 * std::exp(-0.5 * std::pow((m - 500.0) / sigma, 2)))));
    if (x.size() % 1000 == 0) x.push_back(m), y.push_back(5);
  }
  x.insert(x.end(), {end, end}), y.insert(y.end(), {3, 4});
  std::unique_ptr<double[]> axisOut;
  std::unique_ptr<float[]> bins;
  int capacity = 0;
  double u0 = 0;
  const int count =
      SinhRebin(x.data(), y.data(), int(x.size()), axisOut, bins, capacity, kSinhAxisStep, 1e4, kCtof, u0);
  const float* v = bins.get();
  ASSERT_GT(count, 1);
  EXPECT_EQ(capacity, count);
  const double in = std::accumulate(y.begin(), y.end(), 0.0), out = std::accumulate(v, v + count, 0.0);
  EXPECT_NEAR(out, in, in * 1e-6);
  const float top = *std::max_element(v, v + count);
  EXPECT_NEAR(double(std::count_if(v, v + count, [&](float b) { return b >= top / 2; })), 5.0, 1.0);
  // A second spectrum that needs fewer bins keeps the arrays.
  const double* kept = axisOut.get();
  EXPECT_GT(SinhRebin(x.data(), y.data(), 1000, axisOut, bins, capacity, kSinhAxisStep, 1e4, kCtof, u0), 1);
  EXPECT_TRUE(axisOut.get() == kept && capacity == count);
  EXPECT_EQ(SinhRebin(x.data(), y.data(), 1, axisOut, bins, capacity, kSinhAxisStep, 1e4, kCtof, u0), -1);
}

TEST(SinhBinsToMass, WholePositionsAreAxisMasses) {
  double u0 = 0;
  const std::vector<double> a = axis({400.0, 410.0}, 1e4, u0);
  const auto count = long(a.size());
  std::vector<double> p{0, 3, 2.5, double(count - 1), -0.5, -3, kNaN, double(count), kInf};
  std::vector<float> sigma{1, -1, 1, 1, 1, -1, 1, 1, 1};
  ASSERT_TRUE(SinhBinsToMass(a.data(), count, kSinhAxisStep, 1e4, kCtof, u0, p.data(), sigma.data(), long(p.size())));
  EXPECT_EQ(p[0], a[0]);
  EXPECT_EQ(p[1], a[3]);
  EXPECT_NEAR(p[2], (a[2] + a[3]) / 2, (a[3] - a[2]) * 1e-3);
  EXPECT_EQ(p[3], a.back());
  for (std::size_t k = 4; k < p.size(); ++k) EXPECT_EQ(p[k], 0.0) << k;  // outside the axis, NaN
  // Sigmas in bins become daltons, the sign kept: one bin is one step.
  EXPECT_NEAR(sigma[1], -(a[4] - a[3]), (a[4] - a[3]) * 1e-3);
  EXPECT_TRUE(sigma[5] < 0 && sigma[6] == 0);
  EXPECT_FALSE(SinhBinsToMass(a.data(), count, kSinhAxisStep, kNaN, kCtof, u0, p.data(), nullptr, 1));
  EXPECT_FALSE(SinhBinsToMass(nullptr, count, kSinhAxisStep, 1e4, kCtof, u0, p.data(), nullptr, 1));
}

// Direct sums: numpy.convolve(y, [1, 2, .., w + 1, .., 2, 1], 'same') and
// numpy.gradient(y).
std::vector<double> triangle(const std::vector<float>& y, int w) {
  std::vector<double> out(y.size(), 0.0);
  for (std::size_t i = 0; i < y.size(); ++i)
    for (int k = -w; k <= w; ++k)
      if (long(i) + k >= 0 && long(i) + k < long(y.size())) out[i] += double(w + 1 - std::abs(k)) * y[i + k];
  return out;
}

TEST(Triangle, IsTheUnnormalisedConvolution) {
  std::vector<float> ones(12, 1.0f);
  std::unique_ptr<float[]> s;
  int length = 0;
  ASSERT_TRUE(Triangle(3, ones.data(), 12, s, length));
  EXPECT_EQ(std::vector<float>(s.get(), s.get() + 12),
            (std::vector<float>{10, 13, 15, 16, 16, 16, 16, 16, 16, 15, 13, 10}));
  // Every length, short ones (under 2 w + 2 points) included, and widths.
  std::vector<float> y;
  for (int i = 0; i < 40; ++i) y.push_back(float((i * 37) % 11) - 3.5f);
  for (int w : {1, 3, 8, 9, 30})  // term by term up to 8, running sums above
    for (int n = 1; n <= 40; ++n) {
      ASSERT_TRUE(Triangle(w, y.data(), n, s, length));
      const std::vector<double> want = triangle({y.begin(), y.begin() + n}, w);
      for (int i = 0; i < n; ++i) ASSERT_NEAR(s[i], want[std::size_t(i)], 2e-4) << "w " << w << " n " << n;
    }
  EXPECT_EQ(length, 40);  // grown once to the longest
  EXPECT_FALSE(Triangle(0, y.data(), 5, s, length));
  EXPECT_FALSE(Triangle(3, y.data(), 0, s, length));
}

TEST(Differentiate, WidthTwoIsTheGradient) {
  const std::vector<float> y{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5};
  std::unique_ptr<float[]> d;
  int length = 0;
  ASSERT_TRUE(Differentiate(y.data(), int(y.size()), 2, d, length));
  for (std::size_t i = 0; i < y.size(); ++i) {
    const float want = i == 0 ? y[1] - y[0] : i + 1 == y.size() ? y[i] - y[i - 1] : (y[i + 1] - y[i - 1]) / 2;
    EXPECT_EQ(d[i], want) << i;
  }
  // Width 4: two points each way, one-sided within two of an end.
  ASSERT_TRUE(Differentiate(y.data(), int(y.size()), 4, d, length));
  EXPECT_TRUE(d[1] == (y[3] - y[0]) / 3 && d[5] == (y[7] - y[3]) / 4 && d[10] == (y[10] - y[8]) / 2);
  EXPECT_FALSE(Differentiate(y.data(), 11, 6, d, length));  // above n / 2
  EXPECT_FALSE(Differentiate(y.data(), 1, 0, d, length));
}

TEST(PeakFinder, RunConstants) {
  const PeakFinderShape s = MakePeakFinderShape(5, 4, true, 2, 8);
  EXPECT_NEAR(s.sigma, 2.1233, 1e-4);
  EXPECT_NEAR(s.sigmaSmooth, 2.7192, 1e-4);
  EXPECT_EQ(s.reach, 11);
  EXPECT_NEAR(s.gradNorm, 0.27067, 1e-5);
  EXPECT_EQ(MakePeakFinderShape(5, 4, false, 2, 8).reach, 8);
}

TEST(FindSinglePeak, AreaOrHeightWithCountingErrors) {
  const std::vector<float> y{0, 2, 6, 10, 6, 2, 0}, back(7, 1.0f);
  const float sigma = 2.1233f, smooth = 2.7192f;
  double pos = 0;
  float ps = 0, value = 0, vs = 0;
  ASSERT_TRUE(FindSinglePeak(back.data(), y.data(), 7, 1.0f, sigma, smooth, true, 80, pos, ps, value, vs));
  // The points at or above 20 % of 10, weighted by their height above 2.
  EXPECT_EQ(pos, 3.0);
  EXPECT_EQ(value, 26.0f);
  EXPECT_FLOAT_EQ(vs, std::sqrt(26.0f + 7.0f));
  EXPECT_FLOAT_EQ(ps, std::sqrt(26.0f + 5.0f) * sigma / 26.0f);
  ASSERT_TRUE(FindSinglePeak<float>(nullptr, y.data(), 7, 1.0f, sigma, smooth, false, 80, pos, ps, value, vs));
  EXPECT_EQ(value, 10.0f);
  EXPECT_FLOAT_EQ(vs, 10.0f / 26.0f * std::sqrt(26.0f));
  // Too small a value, too short or long a window, no signal.
  std::vector<float> faint(y);
  for (float& f : faint) f /= 100;
  EXPECT_FALSE(FindSinglePeak<float>(nullptr, faint.data(), 7, 1.0f, sigma, smooth, true, 80, pos, ps, value, vs));
  EXPECT_FALSE(FindSinglePeak<float>(nullptr, y.data(), 2, 1.0f, sigma, smooth, true, 80, pos, ps, value, vs));
  EXPECT_FALSE(FindSinglePeak<float>(nullptr, y.data(), 7, 1.0f, sigma, 0.5f, true, 80, pos, ps, value, vs));
  const std::vector<float> zeros(7, 0.0f);
  EXPECT_FALSE(FindSinglePeak<float>(nullptr, zeros.data(), 7, 0.0f, sigma, smooth, true, 80, pos, ps, value, vs));
  EXPECT_EQ(value, 0.0f);
}

TEST(IsAccurateMass, WidthAndEnds) {
  const float smooth = 2.7192f;  // run limits: 8 to 14 points
  std::vector<float> s(20, 0.0f);
  for (long n : {7L, 15L}) EXPECT_FALSE(IsAccurateMass(s.data(), n, smooth, 100, 3, 5)) << n;
  for (long n : {8L, 14L}) EXPECT_TRUE(IsAccurateMass(s.data(), n, smooth, 100, 3, 5)) << n;
  struct Ends {
    float a, b;
    bool accurate;
  };
  for (Ends e : {Ends{4, 4, true}, Ends{9, 1, false}, Ends{20, 20, false}, Ends{-3, -3, false}}) {
    s[0] = e.a;
    s[9] = e.b;
    EXPECT_EQ(IsAccurateMass(s.data(), 10, smooth, 20, 3, 5), e.accurate) << e.a << " " << e.b;
  }
}

TEST(PeakDetectImp2, CoresAtTheEndAreNotReported) {
  // Gaussian peaks five bins wide: one inside, one whose centre is the last bin.
  const int n = 60;
  std::vector<float> y(n, 0.0f);
  for (int i = 0; i < n; ++i)
    y[std::size_t(i)] = float(1000 * (std::exp(-0.5 * std::pow((i - 20) / 2.1233, 2)) +
                                      std::exp(-0.5 * std::pow((i - (n - 1)) / 2.1233, 2))));
  std::unique_ptr<float[]> d1, d2;
  int l1 = 0, l2 = 0;
  std::vector<double> pos(n / 2);
  std::vector<float> ps(n / 2), value(n / 2), vs(n / 2);
  long peaks = -1;
  ASSERT_TRUE(PeakDetectImp2(nullptr, y.data(), y.data(), n, 5, 4, true, 2, 10, 8, 10, 1, d1, d2, l1, l2, 2, 2, true,
                             80, 3, 5, pos.data(), ps.data(), value.data(), vs.data(), peaks));
  ASSERT_EQ(peaks, 1);
  EXPECT_NEAR(pos[0], 20.0, 0.05);
  EXPECT_GT(ps[0], 0.0f);
  EXPECT_FALSE(PeakDetectImp2(nullptr, y.data(), y.data(), 2, 5, 4, true, 2, 10, 8, 10, 1, d1, d2, l1, l2, 2, 2, true,
                              80, 3, 5, pos.data(), ps.data(), value.data(), vs.data(), peaks));
  EXPECT_EQ(peaks, 0);
}

}  // namespace
