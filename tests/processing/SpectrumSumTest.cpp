// SpectrumSum against adding the same spectra one by one with
// ZVSpectrum::operator+=, bit for bit, on seeded spectra whose masses sit on
// fine lattices so that equal masses, chains within the tolerance and points
// just below joined pairs keep turning up, with intensities far apart in
// size so that any other order of summing shows in the bits.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "processing/SpectrumSum.h"
#include "processing/ZVSpectrum.h"

namespace {

constexpr float kTol = 1.0f / 65536.0f;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

struct Scan {
  std::vector<float> masses, intensities;
};

std::vector<std::uint32_t> bits(const float* values, unsigned n) {
  std::vector<std::uint32_t> out(n);
  for (unsigned k = 0; k < n; ++k) out[k] = std::bit_cast<std::uint32_t>(values[k]);
  return out;
}

// hint: the share of the points added that fast is told to expect, and
// is lent room for in arrays of NaN, none when 0.
void expectSameSum(SpectrumSum& fast, const std::vector<Scan>& scans, double hint = 0.0) {
  ZVSpectrum expected, got;
  std::size_t points = 0;
  for (const Scan& s : scans) points += s.masses.size();
  if (hint > 0.0) {
    const auto room = static_cast<std::size_t>(hint * static_cast<double>(points));
    fast.expect(room);
    auto masses = std::make_unique<float[]>(room), intensities = std::make_unique<float[]>(room);
    std::fill_n(masses.get(), room, kNaN);
    std::fill_n(intensities.get(), room, kNaN);
    fast.reuse(std::move(masses), std::move(intensities), room);
  }
  for (const Scan& s : scans) {
    expected += ZVSpectrum(s.masses, s.intensities);
    fast.add(s.masses.data(), s.intensities.data(), static_cast<unsigned>(s.masses.size()));
  }
  fast.moveTo(got);
  ASSERT_EQ(got.getSize(), expected.getSize());
  EXPECT_EQ(bits(got.getMasses(), got.getSize()), bits(expected.getMasses(), expected.getSize()));
  EXPECT_EQ(bits(got.getIntensities(), got.getSize()), bits(expected.getIntensities(), expected.getSize()));
}

// Spectra of up to maxPoints points each; every mass lies on one of
// `islands` lattices 1/64 apart from 1.0 up, a lattice being `steps` masses
// `step` x 2^-16 apart.
struct Recipe {
  const char* what;
  unsigned scans, maxPoints, islands, steps;
  float step;
  double emptyShare = 0.1;
  float oddMass = 0.0f;  // when not 0, put once in place of a spectrum's last mass
};

std::vector<Scan> makeScans(const Recipe& r, unsigned seed) {
  std::mt19937 rng(seed);
  const float sizes[] = {1.0f, 2.5f, 1e8f, -1e8f, 0.125f, 3e-3f, 7e4f};
  std::uniform_int_distribution<unsigned> points(1, r.maxPoints), island(0, r.islands - 1), lattice(0, r.steps - 1);
  std::uniform_int_distribution<std::size_t> size(0, std::size(sizes) - 1);
  std::bernoulli_distribution empty(r.emptyShare);
  std::vector<Scan> scans(r.scans);
  for (Scan& s : scans) {
    const unsigned n = empty(rng) ? 0 : points(rng);
    for (unsigned p = 0; p < n; ++p)
      s.masses.push_back(1.0f + static_cast<float>(island(rng)) / 64.0f +
                         static_cast<float>(lattice(rng)) * r.step * kTol);
    std::sort(s.masses.begin(), s.masses.end());
    for (unsigned p = 0; p < n; ++p) s.intensities.push_back(sizes[size(rng)]);
  }
  if (r.oddMass != 0.0f) {
    Scan& s = scans[std::uniform_int_distribution<std::size_t>(0, scans.size() - 1)(rng)];
    if (!s.masses.empty()) s.masses.back() = r.oddMass;
  }
  return scans;
}

TEST(SpectrumSumTest, EqualsAddingOneByOne) {
  const Recipe recipes[] = {
      {"one stretch, points 0.3 x 2^-16 apart", 60, 5, 1, 12, 0.3f},
      {"equal masses and chains 0.6 x 2^-16 apart", 120, 8, 3, 6, 0.6f},
      {"points 0.9 and 1.5 x 2^-16 apart", 120, 8, 4, 5, 0.9f},
      {"a growing sum of moving masses", 400, 40, 600, 40, 1.5f},
      {"a growing sum over masses 1 to 80", 120, 200, 5000, 40, 1.5f},
      {"mostly empty spectra", 80, 4, 2, 8, 0.6f, 0.7},
      {"a scan out of order", 80, 10, 4, 10, 0.6f, 0.1, 0.5f},
      {"a NaN mass", 80, 10, 4, 10, 0.6f, 0.1, kNaN},
      {"an infinite last mass", 80, 10, 4, 10, 0.6f, 0.1, kInf},
  };
  SpectrumSum fast;  // one for all: moveTo starts it again
  for (const Recipe& r : recipes)
    for (unsigned seed = 1; seed <= 25; ++seed)
      for (const double hint : {0.0, 1.0, 0.5, 3.0}) {  // none, all the points, too few, too many
        SCOPED_TRACE(testing::Message() << r.what << ", seed " << seed << ", hint " << hint);
        expectSameSum(fast, makeScans(r, seed), hint);
      }
}

// Spectra of a point or two after a first one eight times as long, so that
// they wait in a batch, with the first one's close points still apart.
TEST(SpectrumSumTest, FirstSpectrumWithinTheToleranceOfItself) {
  Scan dense{{1.0f, 1.0f + 0.5f * kTol, 1.0f + kTol, 2.0f}, {1e8f, 1.0f, -1e8f, 4.0f}};
  for (int k = 0; k < 36; ++k) {
    dense.masses.push_back(10.0f + static_cast<float>(k));
    dense.intensities.push_back(1.0f);
  }
  const Scan far{{60.0f}, {1}};
  const Scan between{{1.0f + 0.7f * kTol, 30.0f}, {2.5f, 3.0f}};
  const Scan below{{1.0f - 0.5f * kTol}, {1e8f}};
  const std::vector<std::vector<Scan>> cases = {
      {dense},
      {{}, dense, {}},
      {dense, {}, between},
      {dense, far, between, below},  // the stretch at 1 is joined by an addition that brings nothing to it
      {dense, far, far, far, far, between},
      {far, dense, between, below, {}, dense},
  };
  SpectrumSum fast;
  for (std::size_t c = 0; c < cases.size(); ++c) {
    SCOPED_TRACE(c);
    expectSameSum(fast, cases[c]);
  }
}

// A sum left unfinished (an addition that ran out of memory) is dropped by
// restart, batch and all, and the next sum is as if from new.
TEST(SpectrumSumTest, RestartDropsAnUnfinishedSum) {
  const std::vector<Scan> left = makeScans({"left", 40, 40, 600, 40, 1.5f}, 7);
  SpectrumSum fast;
  fast.expect(10000);
  for (const Scan& s : left) fast.add(s.masses.data(), s.intensities.data(), static_cast<unsigned>(s.masses.size()));
  fast.restart();
  expectSameSum(fast, makeScans({"next", 60, 5, 1, 12, 0.3f}, 3));
}

}  // namespace
