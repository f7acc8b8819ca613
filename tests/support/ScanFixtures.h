#pragma once

// Scans for decoder tests: peak lists packed by the library's own writer,
// hand-written packets for the formats it cannot write, descriptors with
// mass segments, and a scoped bad-scan strategy.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/scans/ZVRawScan.h"
#include "support/ByteBuilder.h"

struct PeakList {
  std::vector<float> masses{}, intensities{}, dMasses{}, dIntensities{};
  std::vector<char> flags{}, accFlags{};
};

template <class T>
std::unique_ptr<T[]> newArray(const std::vector<T>& v) {
  if (v.empty()) return nullptr;
  auto a = std::make_unique_for_overwrite<T[]>(v.size());
  std::copy(v.begin(), v.end(), a.get());
  return a;
}

inline void fillScan(borealtek_zvraw_version_1::ZVRawScan& s, const PeakList& p) {
  ASSERT_EQ(s.setScan(newArray(p.masses), newArray(p.intensities), newArray(p.dMasses), newArray(p.dIntensities),
                      newArray(p.flags), newArray(p.accFlags), static_cast<unsigned>(p.masses.size())),
            0);
}

// The packet run writeScan gives for the peaks.
inline Bytes encodeScan(unsigned format, const PeakList& p) {
  borealtek_zvraw_version_1::ZVRawScan s;
  fillScan(s, p);
  zvraw::FilePtr f(std::tmpfile());
  EXPECT_EQ(s.writeScan(f.get(), format), 0) << "format " << format;
  const long size = std::ftell(f.get());
  std::rewind(f.get());
  Bytes out(static_cast<std::size_t>(size));
  EXPECT_EQ(std::fread(out.data(), 1, out.size(), f.get()), out.size());
  return out;
}

// The scan's arrays as vectors; empty when the scan hands none out.
inline std::vector<float> massesOf(const borealtek_zvraw_version_1::ZVRawScan& s) {
  const float *m = nullptr, *i = nullptr;
  unsigned n = 0;
  if (s.getScan(&m, &i, n) != 0 || !m) return {};
  return {m, m + n};
}
inline std::vector<float> intensitiesOf(const borealtek_zvraw_version_1::ZVRawScan& s) {
  const float *m = nullptr, *i = nullptr;
  unsigned n = 0;
  if (s.getScan(&m, &i, n) != 0 || !i) return {};
  return {i, i + n};
}
inline std::vector<float> daughtersOf(const borealtek_zvraw_version_1::ZVRawScan& s) {
  const float* d = nullptr;
  unsigned n = 0;
  if (s.getDaughterMasses(&d, n) != 0) return {};
  return {d, d + n};
}

// u16 intensity word of formats 1-3: bits 0-2 exponent, 3-15 mantissa.
inline std::uint16_t intensityWord(unsigned mantissa, unsigned exponent) {
  return static_cast<std::uint16_t>(mantissa << 3 | exponent);
}

// Format-1 packets, two peaks each: (24-bit mass value in 1/1024, intensity
// word) pairs, an even number of them.
inline Bytes format1Packets(const std::vector<std::pair<std::uint32_t, std::uint16_t>>& peaks) {
  ByteBuilder b;
  for (std::size_t k = 0; k + 1 < peaks.size(); k += 2)
    b.u16(peaks[k].second).u16(peaks[k + 1].second).u24(peaks[k].first).u24(peaks[k + 1].first);
  return b.take();
}

// Format 11 word: bits 0-21 signed mantissa, 22-27 exponent, 28-31 flags.
inline std::uint32_t enhancedWord(std::int32_t mantissa, unsigned exponent, unsigned flags) {
  return (static_cast<std::uint32_t>(mantissa) & 0x3FFFFFu) | exponent << 22 | flags << 28;
}

struct Descriptor : ZVRawFunctionDescriptor_NonMaldi_Imp {
  // segments: (start, end) mass of each; none makes an unsegmented function.
  explicit Descriptor(unsigned format, unsigned type = 0, const std::vector<std::pair<float, float>>& segments = {}) {
    dataType() = format;
    functionType() = type;
    segmentCount() = static_cast<std::uint16_t>(segments.size());
    for (std::size_t k = 0; k < segments.size(); ++k) {
      segmentStartMass(static_cast<int>(k)) = segments[k].first;
      segmentEndMass(static_cast<int>(k)) = segments[k].second;
    }
  }
};

// Sets the process-wide bad-scan strategy for one test.
class ScopedBadScanStrategy {
 public:
  explicit ScopedBadScanStrategy(int strategy) { nBadScanStrategy = strategy; }
  ~ScopedBadScanStrategy() { nBadScanStrategy = saved_; }
  ScopedBadScanStrategy(const ScopedBadScanStrategy&) = delete;
  ScopedBadScanStrategy& operator=(const ScopedBadScanStrategy&) = delete;

 private:
  int saved_ = nBadScanStrategy;
};
