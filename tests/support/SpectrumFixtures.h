#pragma once

// Seeded spectra for bad-input tests of the processing routines. A clean
// spectrum is zero-suppressed: peaks of 3 to 6 points at 0.1 Da spacing,
// each followed by a run of zeros, the mass then jumping by 0 to 3 Da.
// Damage goes on top, to the masses (repeated, descending, negative, NaN,
// spanning 1e-3 to 1e6 Da, sparse from 2,000 to 100,000 Da) or to the intensities (NaN, infinite, negative,
// flat, alternating). The same recipe always gives the same spectrum.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace spectrum_fixtures {

enum class Masses { Ascending, Repeated, Descending, Negative, NaN, WideSpan, Sparse };
enum class Intensities { Peaks, NaN, Infinite, Negative, Flat, Alternating };

struct Recipe {
  std::size_t points = 0;
  Masses masses = Masses::Ascending;
  Intensities intensities = Intensities::Peaks;
  int zeroRun = 2;  // zeros after each peak
  std::uint32_t seed = 1;
};

struct Spectrum {
  std::string name;
  std::vector<float> masses, intensities;
};

inline Spectrum make(const Recipe& r) {
  Spectrum s{std::to_string(r.points) + " points, masses " + std::to_string(int(r.masses)) + ", intensities " +
                 std::to_string(int(r.intensities)) + ", zero runs " + std::to_string(r.zeroRun) + ", seed " +
                 std::to_string(r.seed),
             {},
             {}};
  std::mt19937 rng(r.seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const std::size_t n = r.points;
  for (double mass = 100.0; s.masses.size() < n; mass += 0.1 * double(rng() % 31)) {
    const int width = 3 + int(rng() % 4);
    const double height = uniform(10, 1e4);
    for (int k = 0; k < width + r.zeroRun && s.masses.size() < n; ++k, mass += 0.1) {
      const double d = (k - (width - 1) / 2.0) / (width / 2.0);
      s.masses.push_back(float(mass));
      s.intensities.push_back(k < width ? float(height * std::exp(-2 * d * d)) : 0.0f);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    float &m = s.masses[i], &y = s.intensities[i];
    if (r.masses == Masses::Repeated && i > 0 && uniform(0, 1) < 0.2) m = s.masses[i - 1];
    if (r.masses == Masses::Negative) m -= 250.0f;
    if (r.masses == Masses::NaN && uniform(0, 1) < 0.05) m = nan;
    if (r.masses == Masses::WideSpan) m = float(1e-3 * std::pow(1e9, n > 1 ? double(i) / double(n - 1) : 0.0));
    if (r.masses == Masses::Sparse) m = float(2e3 * std::pow(50.0, n > 1 ? double(i) / double(n - 1) : 0.0));
    if (r.intensities == Intensities::NaN && uniform(0, 1) < 0.05) y = nan;
    if (r.intensities == Intensities::Infinite && uniform(0, 1) < 0.05) y = uniform(0, 1) < 0.5 ? inf : -inf;
    if (r.intensities == Intensities::Negative && uniform(0, 1) < 0.3) y = -y - float(uniform(0, 5));
    if (r.intensities == Intensities::Flat) y = 7.0f;
    if (r.intensities == Intensities::Alternating) y = i % 2 ? 1000.0f : 0.0f;
  }
  if (r.masses == Masses::Descending) std::reverse(s.masses.begin(), s.masses.end());
  return s;
}

// Each size with every mass damage, every intensity damage, and clean
// spectra with zero runs of 1 to 5.
inline std::vector<Spectrum> hostileSpectra(const std::vector<std::size_t>& sizes, std::uint32_t seed = 0x5eed) {
  std::vector<Spectrum> out;
  for (std::size_t n : sizes) {
    for (int m = 0; m <= int(Masses::Sparse); ++m) out.push_back(make({n, Masses(m), Intensities::Peaks, 2, seed++}));
    for (int y = 1; y <= int(Intensities::Alternating); ++y)
      out.push_back(make({n, Masses::Ascending, Intensities(y), 2, seed++}));
    for (int run = 1; run <= 5; ++run) out.push_back(make({n, Masses::Ascending, Intensities::Peaks, run, seed++}));
  }
  return out;
}

// A spectrum in owned arrays, for routines that take arrays by reference
// and may replace them.
struct OwnedArrays {
  std::unique_ptr<float[]> x, y;
  unsigned int n = 0;
  OwnedArrays(const std::vector<float>& masses, const std::vector<float>& intensities)
      : x(std::make_unique<float[]>(masses.size())),
        y(std::make_unique<float[]>(masses.size())),
        n(static_cast<unsigned int>(masses.size())) {
    std::copy_n(masses.begin(), n, x.get());
    std::copy_n(intensities.begin(), n, y.get());
  }
  explicit OwnedArrays(const Spectrum& s) : OwnedArrays(s.masses, s.intensities) {}
  [[nodiscard]] std::vector<float> masses() const { return {x.get(), x.get() + n}; }
  [[nodiscard]] std::vector<float> intensities() const { return {y.get(), y.get() + n}; }
};

}  // namespace spectrum_fixtures
