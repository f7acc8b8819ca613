#pragma once

// Smoothing of spectra and chromatograms in place, by repeated passes of
// Savitzky-Golay weights (order 2) or equal weights (a moving mean) over a
// window of 2 x width + 1 points. Too few points for the window, or a
// negative width, leave the data unchanged; every dispatcher then still
// returns 0.

#include "processing/SmoothTypeImp.h"

// Method 2 (SMOOTH_SAVITZKY_GOLAY) and 0 (SMOOTH_MEAN) pad zero-suppressed
// data (may replace both new[] arrays and change nSize), then smooth with
// nNumberOfSmooths or -nNumberOfSmooths passes respectively (see
// smoothSavitzkyGolay for the sign). Any other method prints "Smoothing
// Method not currently implemented" and returns -1, data untouched.
int smoothSpectrum(float*& pfXData, float*& pfYData, unsigned int& nSize, int nSmoothMethod, int nNumberOfSmooths,
                   int nNumberOfChannels);

// As smoothSpectrum without the padding: the arrays are never replaced.
int smoothChromatogram(float*& pfXData, float*& pfYData, unsigned int& nSize, int nSmoothMethod, int nNumberOfSmooths,
                       int nNumberOfChannels);

// |nNumberOfSmooths| passes of half-width nNumberOfChannels: Savitzky-Golay
// for a positive count, the moving mean for a negative one (INT_MIN runs
// INT_MAX passes). Returns 0.
int smoothSavitzkyGolay(float* pfY, int nPoints, int nNumberOfSmooths, int nNumberOfChannels);
