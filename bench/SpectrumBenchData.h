// The spectrum the processing benchmarks share: a seeded continuum spectrum
// sampled uniformly in sqrt(m), as a time-of-flight spectrum is, with
// Gaussian peaks 8 to 12 points wide at half height on a noisy baseline; and
// the pass every processing figure is divided by: one sum of its intensities.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace zvraw_bench {

struct BenchSpectrum {
  std::vector<float> masses;
  std::vector<float> intensities;
};

// points samples from lowMass to highMass, about one peak per 50 points.
inline BenchSpectrum makeBenchSpectrum(std::size_t points = 100000, double lowMass = 100.0,
                                       double highMass = 2000.0, unsigned seed = 20261209) {
  BenchSpectrum s;
  s.masses.resize(points);
  s.intensities.assign(points, 0.0f);
  const double r0 = std::sqrt(lowMass), r1 = std::sqrt(highMass);
  const double step = points > 1 ? (r1 - r0) / double(points - 1) : 0.0;
  for (std::size_t i = 0; i < points; ++i) {
    const double r = r0 + step * double(i);
    s.masses[i] = float(r * r);
  }
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  const std::size_t peaks = points / 50;
  for (std::size_t p = 0; p < peaks; ++p) {
    const double centre = uniform(rng) * double(points);
    const double fwhm = 8.0 + 4.0 * uniform(rng);  // in points
    const double sigma = fwhm / 2.35482;
    const double height = 50.0 + 5000.0 * uniform(rng) * uniform(rng);
    const auto lo = std::size_t(std::max(0.0, centre - 5 * sigma));
    const auto hi = std::min(points, std::size_t(centre + 5 * sigma) + 1);
    for (std::size_t i = lo; i < hi; ++i) {
      const double d = (double(i) - centre) / sigma;
      s.intensities[i] += float(height * std::exp(-0.5 * d * d));
    }
  }
  std::poisson_distribution<int> noise(4.0);
  for (float& y : s.intensities) y += float(noise(rng));
  return s;
}

// Zero-suppressed copy: intensities below the threshold become 0 and every
// run of zeros keeps only its two end points, as an instrument stores it.
inline BenchSpectrum zeroSuppressed(const BenchSpectrum& in, float threshold = 30.0f) {
  BenchSpectrum out;
  const std::size_t n = in.masses.size();
  for (std::size_t i = 0; i < n; ++i) {
    const bool zero = in.intensities[i] < threshold;
    if (zero) {
      const bool prevZero = i > 0 && in.intensities[i - 1] < threshold;
      const bool nextZero = i + 1 < n && in.intensities[i + 1] < threshold;
      if (prevZero && nextZero) continue;  // inside a run: dropped
    }
    out.masses.push_back(in.masses[i]);
    out.intensities.push_back(zero ? 0.0f : in.intensities[i]);
  }
  return out;
}

// Seconds of the fastest of several passes summing the intensities into a
// double: the baseline of the vs_sum counters.
inline double sumPassSeconds(const std::vector<float>& intensities, int repeats = 20) {
  double best = 1e30;
  for (int r = 0; r < repeats; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    double sum = 0.0;
    for (float y : intensities) sum += y;
    benchmark::DoNotOptimize(sum);
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    best = std::min(best, dt.count());
  }
  return best;
}

}  // namespace zvraw_bench
