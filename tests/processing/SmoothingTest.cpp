#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "processing/Smoothing.h"
#include "processing/ZeroPadding.h"
#include "support/SpectrumFixtures.h"
#include "support/TraceCapture.h"

namespace {

using spectrum_fixtures::OwnedArrays;
using Vec = std::vector<float>;

// k order-2 passes in double over the interior only: the ends (NaN here)
// spread w further inwards each pass.
std::vector<double> interiorPasses(const Vec& y, int w, int k) {
  std::vector<double> in(y.begin(), y.end());
  const double den = (2.0 * w - 1) * (2.0 * w + 1) * (2.0 * w + 3);
  for (int pass = 0; pass < k; ++pass) {
    std::vector<double> out(in.size(), NAN);
    for (std::size_t i = w; i + w < in.size(); ++i) {
      out[i] = 0;
      for (int j = -w; j <= w; ++j) out[i] += 3 * (3.0 * w * w + 3 * w - 1 - 5.0 * j * j) / den * in[i + j];
    }
    in = out;
  }
  return in;
}

TEST(Smoothing, PassesMatchTheFilterAwayFromTheEnds) {
  std::mt19937 rng(7);
  Vec random(50), quadratic(50), ramp(20);
  for (std::size_t i = 0; i < 50; ++i) {
    random[i] = std::uniform_real_distribution<float>(-100, 100)(rng);
    quadratic[i] = 2.0f + 0.3f * float(i) - 0.01f * float(i * i);
  }
  for (int w : {2, 3, 5})
    for (int k : {1, 2, 3})  // odd counts too: the result is in the caller's array
      for (const Vec* source : {&random, &quadratic}) {
        const Vec& data = *source;
        Vec y = data;
        EXPECT_EQ(smoothSavitzkyGolay(y.data(), 50, k, w), 0);
        const std::vector<double> want = interiorPasses(data, w, k);
        for (std::size_t i = std::size_t(k * w); i + k * w < 50; ++i) {
          EXPECT_NEAR(y[i], want[i], 2e-5 * (std::abs(want[i]) + 1)) << "w " << w << " k " << k << " i " << i;
          EXPECT_TRUE(source == &random || std::abs(y[i] - data[i]) <= 1e-5 * (std::abs(y[i]) + 1));
        }
      }
  // Ends: exact means of their shrinking windows.
  for (std::size_t i = 0; i < 20; ++i) ramp[i] = 3.0f + 2.0f * float(i);
  Vec y = ramp;
  EXPECT_EQ(smoothSavitzkyGolay(y.data(), 20, 1, 3), 0);
  EXPECT_EQ(Vec(y.begin(), y.begin() + 3), (Vec{6, 7, 8}));
  EXPECT_EQ(Vec(y.begin() + 17, y.end()), (Vec{36, 37, 38}));
  for (std::size_t i = 3; i < 17; ++i) EXPECT_FLOAT_EQ(y[i], ramp[i]);
}

TEST(Smoothing, DispatchBySignAndMethod) {
  Vec x(30), y(30);
  for (std::size_t i = 0; i < 30; ++i) {
    x[i] = 100.0f + 0.1f * float(i);
    y[i] = float((i * 37) % 11) + 1.0f;  // no zeros: nothing to pad
  }
  // (method, smooths) and the pass count smoothSavitzkyGolay then gets
  for (auto [method, smooths, passes] : {std::tuple{2, 3, 3}, {2, -3, -3}, {0, 3, -3}, {0, -3, 3}, {2, 0, 0}})
    for (bool pad : {false, true}) {
      OwnedArrays s(x, y);
      Vec want = y;
      smoothSavitzkyGolay(want.data(), 30, passes, 2);
      EXPECT_EQ(pad ? smoothSpectrum(s.x, s.y, s.n, method, smooths, 2)
                    : smoothChromatogram(s.x, s.y, s.n, method, smooths, 2),
                0);
      EXPECT_TRUE(s.intensities() == want && s.masses() == x) << method << " " << smooths;
    }
  Vec flat(10, 5.0f), seven{1, 9, 2, 8, 3, 7, 4};
  EXPECT_TRUE(smoothSavitzkyGolay(flat.data(), 10, 3, 1) == 0 && flat == Vec(10, 5.0f));  // ends included
  EXPECT_TRUE(smoothSavitzkyGolay(seven.data(), 7, 2, 3) == 0 && seven == (Vec{1, 9, 2, 8, 3, 7, 4}));
  for (int method : {1, 3, -1}) {
    OwnedArrays s(x, y);
    const TraceCapture trace;
    EXPECT_EQ(smoothSpectrum(s.x, s.y, s.n, method, 2, 3), -1);
    EXPECT_EQ(smoothChromatogram(s.x, s.y, s.n, method, 2, 3), -1);
    const std::string line = "Smoothing Method not currently implemented\n";
    EXPECT_EQ(trace.text(), line + line);
    EXPECT_EQ(s.intensities(), y);
  }
}

// Builds peaks at 0.1 spacing starting at each given mass; pads with width 3, 2 passes.
OwnedArrays padded(std::initializer_list<std::pair<float, Vec>> blocks, std::size_t expect) {
  Vec x, y;
  for (const auto& [start, ys] : blocks)
    for (std::size_t k = 0; k < ys.size(); ++k) x.push_back(start + 0.1f * float(k)), y.push_back(ys[k]);
  OwnedArrays a(x, y);
  EXPECT_TRUE(zeroPadVaryingData(a.x, a.y, a.n, 3, 2));
  EXPECT_EQ(a.n, expect);
  return a;
}

TEST(ZeroPadding, FillsGapsPointByPoint) {
  // A gap of 1.0 (10 spacings, limit 8): 7 zeros at 0.1 steps, one more 0.2 before the right point.
  OwnedArrays a = padded({{10.0f, {0, 0, 5, 9, 5, 0}}, {11.5f, {0, 4, 8, 4, 0, 0}}}, 20);
  const float d = a.x[5] - a.x[4];
  for (unsigned k = 1; k <= 7; ++k) EXPECT_EQ(a.x[5 + k], a.x[5] + float(k) * d) << k;
  EXPECT_EQ(a.x[13], a.x[14] - 2 * d);
  EXPECT_EQ(Vec(a.y.get() + 6, a.y.get() + 14), Vec(8, 0.0f));
  // One run needing padding, then gaps of 5.0: 14 points in each, 39 in all (limit x k x 2 + n is 27).
  OwnedArrays b = padded({{100.0f, {0, 0}}, {100.2f, {2, 4, 2}}, {105.4f, {2, 4, 2}}, {110.6f, {2, 4, 2}}}, 39);
  for (unsigned at : {4u, 21u}) {  // the point left of each gap
    const float step = b.x[at] - b.x[at - 1];
    for (unsigned s = 1; s <= 7; ++s) EXPECT_EQ(b.x[at + s], b.x[at] + float(s) * step);
    for (unsigned s = 8; s >= 2; --s) EXPECT_EQ(b.x[at + 16 - s], b.x[at + 15] - float(s) * step);
  }
  // A run of four zeros is a baseline: nothing padded, arrays kept.
  OwnedArrays c(Vec{1, 1.1f, 1.2f, 1.3f, 9}, Vec{0, 0, 0, 0, 5});
  const float* old = c.x.get();
  EXPECT_EQ(dataPaddingRequired(c.y.get(), 5), 0);
  EXPECT_TRUE(zeroPadVaryingData(c.x, c.y, c.n, 3, 2) && c.x.get() == old && c.n == 5);
}

}  // namespace
