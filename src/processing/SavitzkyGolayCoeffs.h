#pragma once

// Savitzky-Golay smoothing weights (derivative 0) for a window of
// 2 * nWindow + 1 points, nWindow being the half-width:
//   half-width 1 with order >= 1      0.25, 0.5, 0.25
//   order 0                           1 / (2m + 1) each (moving mean)
//   orders 2 and 3, orders 4 and 5    the least-squares closed forms
// Returns 0, or -1 with the weights untouched for any other pair, a
// derivative other than 0, a negative half-width or a null array.
int savitzkyGolayCoeffs(int nDeriv, int nOrder, int nWindow, float* pfCoeffs);
