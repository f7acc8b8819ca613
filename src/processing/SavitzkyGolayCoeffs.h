#pragma once

// Savitzky-Golay weights for a window of 2m + 1 points at unit spacing, m
// being the half-width; weight k belongs to point k - m of the window.
//   half-width 1 with order >= 1, any derivative    0.25, 0.5, 0.25
//   derivative 0: order 0                           1 / (2m + 1) each (moving mean)
//                 orders 2-3, orders 4-5            the least-squares closed forms
//   derivative d of 1-5 with orders (1: 2-6, 2: 2-5, 3: 3-6, 4: 4-5, 5: 5-6)
//     d! times the weight of the x^d coefficient of the least-squares
//     polynomial fitted to the window: the d-th derivative at its centre.
// Returns 0, or -1 with the weights untouched for any other pair, a
// negative half-width, a null array, or a derivative window too short to
// fix its fit (a pair whose lower order exceeds 2m).

#include "processing/SmoothingRecords.h"

int savitzkyGolayCoeffs(int nDeriv, int nOrder, int nWindow, float* pfCoeffs);

// The same from a settings record: nSGDeriv, nSGPoly and nWidth.
int SavGyCoeffs(const SMO_PARAMS* lpsParams, float* pfCoeffs);
