#pragma once

// The real-time centroider's mass axis, uniform in
//   u(m) = a ln((sqrt(c^2 + m) + sqrt(m)) / c) = a asinh(sqrt(m) / c)
// with a = 4.70964 R (R the resolving power), c = 0.3 a k and k the
// flight-time factor. Well above c^2 one step of 0.470964 is a relative mass
// step of about 0.2 / R, so a peak is about five bins wide at half height;
// well below it the steps are even in sqrt(m). Bin i holds the mass
// (c sinh((u0 + i du) / a))^2, u0 = u(first mass).

#include <memory>

// The axis step every run uses: the single-precision 0.470964.
inline constexpr double kSinhAxisStep = 0.4709640145301819;

// Bins from pdX[0] to pdX[nX - 1]: floor((u(last) - u0) / dDeltaU) + 1,
// and dU0 = u0. 0 (nothing written) when pdX is null, nX < 1, the step,
// resolution or dCtof is not finite and above 0, an end mass is negative or
// not finite, the last mass lies below the first, or the count would pass
// kMaxGridIndices. Minus the count when pdU is null or holds fewer than
// count (nUP); otherwise fills pdU[0 .. count) with the bins' masses.
int SinhAxis(const double* pdX, int nX, double* pdU, int nUP, double dDeltaU, double dResolution, double dCtof,
             double& dU0);
int SinhAxis(const float* pdX, int nX, double* pdU, int nUP, double dDeltaU, double dResolution, double dCtof,
             double& dU0);

// The axis of x into u (grown to the bin count when m is smaller, u and v
// then replaced by arrays of that many entries and m set to it), and
// the spectrum rebinned onto it into v, keeping its sum. The bin count, or
// -1 when the axis has fewer than 2 bins (or SinhAxis refuses it).
int SinhRebin(const double* x, const unsigned short* y, int n, std::unique_ptr<double[]>& u,
              std::unique_ptr<float[]>& v, int& m, double dDeltaU, double dResolution, double dCtof, double& dU0);
int SinhRebin(const double* x, const float* y, int n, std::unique_ptr<double[]>& u, std::unique_ptr<float[]>& v, int& m,
              double dDeltaU, double dResolution, double dCtof, double& dU0);
// Float masses give what their copy into doubles gives.
int SinhRebin(const float* x, const float* y, int n, std::unique_ptr<double[]>& u, std::unique_ptr<float[]>& v, int& m,
              double dDeltaU, double dResolution, double dCtof, double& dU0);

// Bin positions to masses in place: bin i = trunc(p) holds pMasses[i] and
// the mass grows by the axis slope at i per bin. A position that is
// negative, NaN or at or past lNumDataPoints gives mass 0. Position sigmas,
// when given, become |sigma x slope| with their sign kept (a negative one
// marks an inaccurate mass; NaN positions give 0). False only for null
// arrays with peaks to convert, or a resolution or dCtof that is not
// finite and above 0.
bool SinhBinsToMass(const double* pMasses, long lNumDataPoints, double dDeltaU, double dResolution, double dCtof,
                    double dU0, double* pdPeakPositions, float* pfPeakPosSigmas, long lNumPeaks);
