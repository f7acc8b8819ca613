#pragma once

// Pieces of the write-interface tests: a batch of scans in the caller's own
// arrays (the writer moves out those it takes), and descriptors of centroid
// functions.

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "formats/directory/ZVRawFunctionDescriptor.h"
#include "support/RawDirectoryFixture.h"

// Scan s of function f: `peaks` points with the fixture's masses and
// intensities, flags p % 16, retention time 0.5 + s / 100 minutes.
struct ScanBatch {
  ScanBatch(unsigned f, unsigned first, unsigned count, unsigned peaks) {
    for (unsigned k = 0; k < count; ++k) {
      const unsigned s = first + k;
      auto m = std::make_unique_for_overwrite<float[]>(peaks);
      auto i = std::make_unique_for_overwrite<float[]>(peaks);
      auto c = std::make_unique_for_overwrite<char[]>(peaks);
      for (unsigned p = 0; p < peaks; ++p) {
        m[p] = fixtureMass(f, s, p);
        i[p] = fixtureIntensity(f, s, p);
        c[p] = static_cast<char>(p % 16);
      }
      masses.push_back(std::move(m));
      intensities.push_back(std::move(i));
      flags.push_back(std::move(c));
      sizes.push_back(peaks);
      times.push_back(timeOf(s));
    }
  }
  static double timeOf(unsigned s) { return 0.5 + s / 100.0; }
  [[nodiscard]] unsigned count() const { return static_cast<unsigned>(masses.size()); }

  std::vector<std::unique_ptr<float[]>> masses, intensities;
  std::vector<std::unique_ptr<char[]>> flags;
  std::vector<double> times;
  std::vector<unsigned> sizes;
};

// A centroid MS function of one segment, 50-2000.
inline borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi centroidDescriptor(unsigned format, bool extended,
                                                                                      unsigned scans) {
  borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi d;
  (void)d.Initialise(0, 8, format, extended, false, 0.6f, 0.02f, 0.5f, 0.5f + scans / 100.0f, scans, 0, 1);
  float times[32] = {0.58f}, starts[32] = {50.0f}, ends[32] = {2000.0f};
  (void)d.Initialise(500.0f, 0.0f, times, starts, ends);
  return d;
}
