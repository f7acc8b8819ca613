#pragma once

// The fixed time-of-flight grid: a point's index is its flight time in
// digitiser samples and its mass is ttm x index^2, with
// ttm = Veff / (5184 x (Lteff x f)^2), f in GHz (samples per nanosecond).
// These helpers convert between the two, build a window's mass axis and
// reshape spectra on the grid. All arithmetic is single precision unless a
// comment says otherwise.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/scans/SpectrumRebin.h"

namespace Vardex::Lib::ZorvalenRaw::IMSUtil {

enum { OK = 0, FAIL = 1, INPUTINVALID = 2, ARRAYTOOSMALL = 3 };

// A grid longer than this is refused (the cap every rebinned axis shares).
inline constexpr int kMaxGridIndices = borealtek_zvraw_version_1::kMaxGridIndices;

float TimeToMass(float lTeff, float Veff, float ADCFrequency);
// Not rounded: callers choose floor, ceil or round-half-up.
float MassToIndex(float mass, float timeToMass);
float IndexToMass(int index, float timeToMass);
// numberOfIndex masses from startIndex on; empty for a count of 0 or less.
std::vector<float> MassScale(int startIndex, int numberOfIndex, float timeToMass);

// How a window's bounds round to indices: int(MassToIndex(m) + 0.5) with the
// addition in float (the writer's grid) or in double (the drift reader).
enum class HalfUp { Float, Double };

// Whether ttm and a mass range make a grid: ttm finite and above 0, masses
// finite with 0 < start <= end, and at most kMaxGridIndices indices between
// the rounded bounds. Only then are startIndex and endIndex set.
bool GridIndices(float timeToMass, float startMass, float endMass, HalfUp rounding, int& startIndex, int& endIndex);

// Area-preserving rebinning of n points (x, y) onto the m target masses u,
// into v[0..m-1]: resampleKeepingSum over float axes.
void Resample(const float* x, const float* y, int n, const float* u, float* v, int m);
// The cells of u that rebinning the n masses x reaches, [first, first +
// count): Resample onto them gives them what Resample onto all of u does
// (rebinWindow). count 0 when the spectrum lies off the axis or is empty.
void ResampleWindow(const float* x, int n, const float* u, int m, int& first, int& count);

// The outer edges of the cells of the m-point axis u, in double as Resample
// forms them: what lies between them has a cell (for m = 1 only u[0]).
void AxisEdges(const float* u, int m, double& low, double& high);

// The spectrum with every run of absent indices framed by a zero at each end,
// and zeros at startX and endX (see the .cpp). Zero-intensity input points and
// points outside [startX, endX] are dropped first. INPUTINVALID for startX < 0
// (an index the unsigned output cannot hold); else OK.
int Zeropad(const std::uint32_t* inX, const std::uint32_t* inY, std::size_t size, std::vector<std::uint32_t>& outX,
            std::vector<std::uint32_t>& outY, int startX, int endX);
// The same with the intensities converted to float.
int Zeropad(const std::uint32_t* inX, const std::uint32_t* inY, std::size_t size, std::vector<std::uint32_t>& outX,
            std::vector<float>& outY, int startX, int endX);

// y[u[k] - offset] += v[k]; indices outside the accumulator are skipped.
void CombineScans(const std::uint32_t* u, const float* v, std::size_t size, std::vector<float>& y, int offset);
void CombineScans(const std::uint32_t* u, const std::uint32_t* v, std::size_t size, std::vector<float>& y, int offset);
void CombineScans(const std::vector<std::uint32_t>& u, const std::vector<std::uint32_t>& v, std::vector<float>& y,
                  int offset);

// Drops the inner points of zero runs but keeps each run's two edge points,
// so peaks keep their zero flanks. 4 points or fewer are copied whole.
// The outputs must be other vectors than the inputs.
int RemoveZero(const std::vector<int>& inX, const std::vector<float>& inY, std::vector<int>& outX,
               std::vector<float>& outY);
int RemoveZero(const std::vector<float>& inX, const std::vector<float>& inY, std::vector<float>& outX,
               std::vector<float>& outY);

// Keeps exactly the points with a non-zero intensity. Float intensities are
// first truncated to unsigned, clamped to 0 .. 4294967295 (NaN as 0).
int RemoveZeroIntensities(const std::vector<std::uint32_t>& inX, const std::vector<std::uint32_t>& inY,
                          std::vector<std::uint32_t>& outX, std::vector<std::uint32_t>& outY);
int RemoveZeroIntensities(const std::vector<std::uint32_t>& inX, const std::vector<float>& inY,
                          std::vector<std::uint32_t>& outX, std::vector<std::uint32_t>& outY);
// Float to unsigned without undefined conversions: clamped, NaN as 0.
inline std::uint32_t ToUnsignedIntensity(float value) {
  if (!(value > 0)) return 0;  // negative, zero or NaN
  if (value >= 4294967296.0f) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(value);
}

}  // namespace Vardex::Lib::ZorvalenRaw::IMSUtil
