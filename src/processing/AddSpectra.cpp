#include "processing/AddSpectra.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "processing/SavitzkyGolayCoeffs.h"

namespace {

// The merged list being built: its last point stays in registers and is
// stored only when a point arrives that does not coalesce with it.
class MergedList {
 public:
  MergedList(float* masses, float* intensities, float mass, float intensity)
      : masses_(masses), intensities_(intensities), lastMass_(mass), lastIntensity_(intensity) {}

  void add(float mass, float intensity) {
    if (mass - lastMass_ <= kAddScansMassTolerance) {
      lastIntensity_ += intensity;
    } else {
      masses_[k_] = lastMass_;
      intensities_[k_] = lastIntensity_;
      ++k_;
      lastIntensity_ = intensity;
    }
    lastMass_ = mass;  // a coalesced point carries the mass of its last member
  }

  std::size_t finish() {
    masses_[k_] = lastMass_;
    intensities_[k_] = lastIntensity_;
    return k_ + 1;
  }

 private:
  float* masses_;
  float* intensities_;
  std::size_t k_ = 0;
  float lastMass_, lastIntensity_;
};

struct Grid {
  float* masses;
  float* intensities;
  std::size_t capacity;
};

struct SpectrumList {
  const float* const* masses;
  const float* const* intensities;
  const unsigned int* points;
  unsigned int count;
};

// The grid sum both forms share; weights null sums unweighted.
unsigned int sumOntoGrid(const Grid& grid, const SpectrumList& in, const float* weights, float fMinMass,
                         float fMinMassDelta, unsigned int nPeakHashStart) {
  if (grid.capacity == 0 || grid.masses == nullptr || grid.intensities == nullptr) return 0;
  std::fill_n(grid.masses, grid.capacity, 0.0f);
  std::fill_n(grid.intensities, grid.capacity, 0.0f);
  std::size_t highest = 0;
  for (unsigned int s = 0; s < in.count; ++s) {
    const float* masses = in.masses[s];
    const float* intensities = in.intensities[s];
    if (masses == nullptr || intensities == nullptr) continue;
    const float weight = weights ? weights[s] : 1.0f;  // y * 1 is y for every float
    for (unsigned int p = 0; p < in.points[s]; ++p) {
      const std::uint64_t index =
          p < nPeakHashStart ? p
                             : std::uint64_t{getAddedScanIndex(masses[p], fMinMass, fMinMassDelta)} + nPeakHashStart;
      if (index >= grid.capacity) continue;
      grid.masses[index] = masses[p];
      grid.intensities[index] += intensities[p] * weight;
      highest = std::max(highest, static_cast<std::size_t>(index));
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i <= highest; ++i) {
    if (grid.masses[i] == 0.0f && grid.intensities[i] == 0.0f) continue;
    grid.masses[kept] = grid.masses[i];
    grid.intensities[kept] = grid.intensities[i];
    ++kept;
  }
  return static_cast<unsigned int>(kept);
}

SpectrumList spectrumList(const float** masses, const float** intensities, const unsigned int* points,
                          unsigned int count) {
  if (masses == nullptr || intensities == nullptr || points == nullptr) count = 0;
  return {masses, intensities, points, count};
}

}  // namespace

unsigned int addScans(float* pfAddedMass, float* pfAddedIntensity, float* pfMasses1, float* pfIntensities1,
                      unsigned int nPoints1, const float* pfMasses2, const float* pfIntensities2,
                      unsigned int nPoints2) {
  const std::size_t n1 = pfMasses1 && pfIntensities1 ? nPoints1 : 0;
  const std::size_t n2 = pfMasses2 && pfIntensities2 ? nPoints2 : 0;
  if (n1 + n2 == 0 || n1 + n2 > UINT_MAX || pfAddedMass == nullptr || pfAddedIntensity == nullptr) return 0;

  const bool firstFromList1 = n2 == 0 || (n1 > 0 && pfMasses1[0] < pfMasses2[0]);
  std::size_t i = firstFromList1 ? 1 : 0, j = firstFromList1 ? 0 : 1;
  MergedList out = firstFromList1 ? MergedList(pfAddedMass, pfAddedIntensity, pfMasses1[0], pfIntensities1[0])
                                  : MergedList(pfAddedMass, pfAddedIntensity, pfMasses2[0], pfIntensities2[0]);
  while (i < n1 && j < n2) {
    if (pfMasses1[i] < pfMasses2[j]) {  // equal masses: list 2 first
      out.add(pfMasses1[i], pfIntensities1[i]);
      ++i;
    } else {
      out.add(pfMasses2[j], pfIntensities2[j]);
      ++j;
    }
  }
  for (; i < n1; ++i) out.add(pfMasses1[i], pfIntensities1[i]);
  for (; j < n2; ++j) out.add(pfMasses2[j], pfIntensities2[j]);
  return static_cast<unsigned int>(out.finish());
}

unsigned int getAddedScanIndex(float fMass, float fMinMass, float fIndexPerMass) {
  if (!(fIndexPerMass > 0.0f)) return kNoAddedScanIndex;
  const float index = std::ceil(std::fabs(fMass - fMinMass) / fIndexPerMass);
  // 2^32 is the first float past the unsigned range; NaN fails the test too.
  if (!(index < 4294967296.0f)) return kNoAddedScanIndex;
  return static_cast<unsigned int>(index);
}

unsigned int addScansMultiple(float* pfAddedMass, float* pfAddedIntensity, unsigned int& nAddedSize,
                              const float** ppfMasses, const float** ppfIntensities, unsigned int* nPoints,
                              unsigned int nScanCount, float fMinMass, float fMinMassDelta,
                              unsigned int nPeakHashStart) {
  return sumOntoGrid({pfAddedMass, pfAddedIntensity, nAddedSize},
                     spectrumList(ppfMasses, ppfIntensities, nPoints, nScanCount), nullptr, fMinMass, fMinMassDelta,
                     nPeakHashStart);
}

unsigned int addWeightedScansMultiple(float* pfAddedMass, float* pfAddedIntensity, unsigned int& nAddedSize,
                                      const float** ppfMasses, const float** ppfIntensities, unsigned int* nPoints,
                                      unsigned int nScanCount, unsigned int nSmoothOrder, float fMinMass,
                                      float fMinMassDelta, unsigned int nPeakHashStart) {
  const SpectrumList in = spectrumList(ppfMasses, ppfIntensities, nPoints, nScanCount);
  std::vector<float> weights(in.count, 0.0f);
  if (in.count > 0 && nSmoothOrder <= INT_MAX) {
    // At most INT_MAX for any unsigned count; 2 * halfWidth + 1 <= count.
    const std::uint64_t halfWidth = (std::uint64_t{in.count} + 1) / 2 - 1;
    (void)savitzkyGolayCoeffs(0, static_cast<int>(nSmoothOrder), static_cast<int>(halfWidth), weights.data());
  }
  return sumOntoGrid({pfAddedMass, pfAddedIntensity, nAddedSize}, in, weights.data(), fMinMass, fMinMassDelta,
                     nPeakHashStart);
}
