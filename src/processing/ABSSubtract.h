#pragma once

// Front ends of the adaptive background subtraction: the spectrum is first
// re-gridded so that no stretch of it is left without points, then the
// background is subtracted. The caller's arrays are replaced by arrays of
// the new length.

#include <memory>

// What the front ends return when the subtractor fails.
inline constexpr int kAbsSubtractSpecTooSmall = -100;    // ABS::SPEC_TOO_SMALL
inline constexpr int kAbsSubtractMassesInvalid = -200;   // ABS::MASSES_INVALID
inline constexpr int kAbsSubtractBufferTooSmall = -300;  // ABS::BUFFER_TOO_SMALL, or the re-grid fails

// Re-grids a spectrum uniformly in sqrt(mass): each point stays (mass
// through the square root and back, a negative intensity as 0), and a gap
// of k local steps (the mean of the steps before and after it; the
// smallest step where that mean is 0) is filled with k - 1 points of
// intensity 0 at even root spacing. Fewer than three points are kept as
// they are, negatives as 0. On success the arrays are replaced and *pnNumPts
// is the new count. False, with *pnNumPts 0 and the arrays as they were,
// when the points would reach the capacity 1 + (last root - first root) /
// smallest step (at most 1) x 2.1, or more than an int holds; false with
// nothing changed for null arguments or a negative count.
bool replaceZeros(int* pnNumPts, std::unique_ptr<double[]>* ppX, std::unique_ptr<double[]>* ppY);

// Re-grids (replaceZeros) and subtracts (ABS::ABSFast with nBins,
// nHalfWindow, fQuantLevel), installing the new arrays and count at the
// caller's addresses; with ppfBack, *ppfBack (released first) receives one
// background value per new point. Returns 0; 0 with nothing changed for 0
// points. On failure nothing of the caller's changes: -100 too few nominal
// masses (or a negative count), -200 invalid masses, settings or null
// arguments, -300 a sub-bin overflow, a failed re-grid or no memory. The
// single form works in double precision and converts back.
int ABSSubtract(std::unique_ptr<double[]>* ppfMasses, std::unique_ptr<double[]>* ppfSignal, int* pnLength,
                std::unique_ptr<double[]>* ppfBack, int nBins, int nHalfWindow, double fQuantLevel);
int ABSSubtract(std::unique_ptr<float[]>* ppfMasses, std::unique_ptr<float[]>* ppfSignal, int* pnLength,
                std::unique_ptr<float[]>* ppfBack, int nBins, int nHalfWindow, float fQuantLevel);
