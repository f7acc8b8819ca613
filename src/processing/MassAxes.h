#pragma once

// The centroider's calibration polynomial and its logarithmic mass axis.

// The calibrated mass of an observed one: P(y) = c0 + c1 y + .. + cn y^n
// (Horner) with y = sqrt(m) and the result P^2 for a root-mass calibration,
// y = m and P otherwise. No coefficients or a negative order: NaN.
double CalMass(double dObsMass, const double* pdCoeffs, int nOrder, bool bUseRootMass);

// An axis uniform in ln(m) from pdX[0] by steps of dDeltaU, over the masses
// up to pdX[nX - 1]: floor((ln last - ln first) / dDeltaU) + 1 points, each
// the one before times e^dDeltaU. Minus that count when pdU is null or holds
// fewer (nUP). 0 for a null pdX, nX < 1, a step that is not above 0, a
// first or last mass that is not above 0 or not finite, or a count below 1
// or beyond the int range.
int LogAxis(const double* pdX, int nX, double* pdU, int nUP, double dDeltaU);

// Positions on such an axis (pMasses, lNumDataPoints) to masses: bin i =
// trunc(p) gives (1 + (p - i) dDeltaU) pMasses[i]; a position that is
// negative, NaN or past the axis gives 0. Each sigma becomes |sigma| dDeltaU
// mass, keeping its sign (a negative one marks an inaccurate mass); null
// sigmas are skipped. False only for null masses or positions with peaks.
bool LogBinsToMass(const double* pMasses, long lNumDataPoints, double dDeltaU, double* pdPeakPositions,
                   float* pfPeakPosSigmas, long lNumPeaks);
