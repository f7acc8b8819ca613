#pragma once

// Smoothing of spectra and chromatograms in place, by repeated passes of
// Savitzky-Golay weights (order 2) or equal weights (a moving mean) over a
// window of 2 x width + 1 points. Too few points for the window, or a
// negative width, leave the data unchanged; every dispatcher then still
// returns 0.

#include <cstdint>
#include <memory>

#include "processing/SmoothTypeImp.h"

// Requests no spectrum needs, refused by the dispatchers before any work:
// more passes of either sign, or a wider half-width, than these; or more
// multiply-adds than kMaxSmoothWork, counted as |passes| x window x the
// points after padding that the window centres on (a window as long as the
// data runs nothing and costs nothing). The work cap keeps a call near a
// second, and the padding it may allocate to what those passes can use.
inline constexpr int kMaxSmoothPasses = 1000;
inline constexpr int kMaxSmoothHalfWidth = 10000;
inline constexpr std::uint64_t kMaxSmoothWork = std::uint64_t{1} << 31;

// Results of the dispatchers besides 0.
inline constexpr int kSmoothMethodUnknown = -1;
inline constexpr int kSmoothRefused = -2;

// Method 2 (SMOOTH_SAVITZKY_GOLAY) and 0 (SMOOTH_MEAN) pad zero-suppressed
// data (may replace both arrays and change nSize), then smooth with
// nNumberOfSmooths or -nNumberOfSmooths passes respectively (see
// smoothSavitzkyGolay for the sign). Any other method prints "Smoothing
// Method not currently implemented" and returns kSmoothMethodUnknown;
// settings beyond the caps return kSmoothRefused. Memory that cannot be had
// is std::bad_alloc. Each failure leaves the data untouched.
int smoothSpectrum(std::unique_ptr<float[]>& pfXData, std::unique_ptr<float[]>& pfYData, unsigned int& nSize,
                   int nSmoothMethod, int nNumberOfSmooths, int nNumberOfChannels);

// As smoothSpectrum without the padding: the arrays are never replaced.
int smoothChromatogram(std::unique_ptr<float[]>& pfXData, std::unique_ptr<float[]>& pfYData, unsigned int& nSize,
                       int nSmoothMethod, int nNumberOfSmooths, int nNumberOfChannels);

// |nNumberOfSmooths| passes of half-width nNumberOfChannels: Savitzky-Golay
// for a positive count, the moving mean for a negative one (INT_MIN runs
// INT_MAX passes: no cap here). Returns 0; std::bad_alloc, data unchanged,
// when the passes' buffers cannot be had.
int smoothSavitzkyGolay(float* pfY, int nPoints, int nNumberOfSmooths, int nNumberOfChannels);
