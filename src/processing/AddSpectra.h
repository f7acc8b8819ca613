#pragma once

// Summing spectra. Masses ascend; every array is single precision.

#include <climits>

// Points of the two-list merge closer than this (bound included) become one.
inline constexpr float kAddScansMassTolerance = 1.0f / 65536.0f;

// What getAddedScanIndex gives for a mass it cannot place on the grid; the
// grid sums skip such points.
inline constexpr unsigned int kNoAddedScanIndex = UINT_MAX;

// Merges two spectra into the output arrays, which must hold nPoints1 +
// nPoints2 points. Taken in mass order (list 2 first on equal masses), a
// point within kAddScansMassTolerance of the last output point adds its
// intensity there and gives it its mass. Returns the merged count; a list
// with a null array counts as empty. Points past the count are scratch.
// 0 and nothing written for null outputs or more than UINT_MAX points in all.
unsigned int addScans(float* pfAddedMass, float* pfAddedIntensity, float* pfMasses1, float* pfIntensities1,
                      unsigned int nPoints1, const float* pfMasses2, const float* pfIntensities2,
                      unsigned int nPoints2);

// ceil(|fMass - fMinMass| / fIndexPerMass), fIndexPerMass being the grid
// spacing in mass units; kNoAddedScanIndex for a spacing that is not
// positive or a quotient that is NaN, infinite or beyond the unsigned range.
unsigned int getAddedScanIndex(float fMass, float fMinMass, float fIndexPerMass);

// Sums nScanCount spectra onto a grid of nAddedSize points (the capacity of
// both outputs, read only): the first nPeakHashStart points of each spectrum
// by position, every other point at getAddedScanIndex + nPeakHashStart,
// where the last point written sets the mass. Points whose index falls at or
// beyond the capacity are skipped. The grid is compacted, dropping cells
// whose mass and intensity are both 0; returns the points kept. A spectrum
// with a null array is skipped; null outputs or lists give 0.
unsigned int addScansMultiple(float* pfAddedMass, float* pfAddedIntensity, unsigned int& nAddedSize,
                              const float** ppfMasses, const float** ppfIntensities, unsigned int* nPoints,
                              unsigned int nScanCount, float fMinMass, float fMinMassDelta,
                              unsigned int nPeakHashStart);

// As addScansMultiple, each spectrum's intensities multiplied by its
// Savitzky-Golay weight of order nSmoothOrder over the spectra, half-width
// (nScanCount + 1) / 2 - 1: with an even count the last weight is 0, and an
// order the weights do not support makes every weight 0.
unsigned int addWeightedScansMultiple(float* pfAddedMass, float* pfAddedIntensity, unsigned int& nAddedSize,
                                      const float** ppfMasses, const float** ppfIntensities, unsigned int* nPoints,
                                      unsigned int nScanCount, unsigned int nSmoothOrder, float fMinMass,
                                      float fMinMassDelta, unsigned int nPeakHashStart);
