#pragma once

// Packing a scan's points into format-12 packets while taking the
// statistics a writer stores with it, eight points at a time, built for
// AVX2 and for any x86-64 and picked at run time. The bytes are those of
// packEnhancedCalData point by point, the values those of ZVRawScan::setStats.

#include <cstdint>
#include <span>

namespace zvraw_packed {

// n packets at p from the point arrays (flags may be null: all 0). Returns
// the base peak as setStats takes it: the first point of the largest
// intensity of 0 and more, or 0 when no intensity counts.
[[nodiscard]] std::uint32_t packEnhancedCalRunWithBasePeak(const float* masses, const float* intensities,
                                                           const char* flags, std::uint32_t n, char* p);
// The plain copy, whatever the processor runs: tests compare the two.
[[nodiscard]] std::uint32_t packEnhancedCalRunWithBasePeakPlain(const float* masses, const float* intensities,
                                                                const char* flags, std::uint32_t n, char* p);

// One run of intensities whose TIC is taken.
struct IntensityRun {
  const float* intensities = nullptr;
  std::uint32_t n = 0;
};

// The TIC of each run as setStats sums it (intensities of 0 and more, one
// after another in float): several sums run side by side, each in its own
// order, so that no addition waits on another sum's. tics has runs' size.
void sumCountedIntensities(std::span<const IntensityRun> runs, std::span<float> tics);
// The plain copy, whatever the processor runs.
void sumCountedIntensitiesPlain(std::span<const IntensityRun> runs, std::span<float> tics);

}  // namespace zvraw_packed
