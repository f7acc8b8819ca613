#pragma once

// Zero padding of zero-suppressed spectra before smoothing: where the mass
// step jumps past twice the running spacing, zero-intensity points are put
// into the gap at that spacing, up to width x passes + 2 spacings from each
// side, so that the filter meets a flat baseline instead of the next peak.

// 0 for a null array, no points, or a run of 4 or more near-zero values
// (|y| <= 1e-7: the data already have a baseline); otherwise the number of
// near-zero values that are the second or third of their run.
int dataPaddingRequired(float* pfYData, int nNumPts);

// Pads x and y, which must be new[] arrays of nSize points: the old arrays
// are deleted and replaced, and nSize becomes the new count. True with
// nothing changed when no padding is required or no gap needs a point. False, data unchanged, for
// no points, a null array, a negative width, more than 2^32 - 1 points in
// all, or no memory.
bool zeroPadVaryingData(float*& pfXData, float*& pfYData, unsigned int& nSize, int nSmoothWidth, int nNumberOfSmooths);
