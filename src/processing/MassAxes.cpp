#include "processing/MassAxes.h"

#include <climits>
#include <cmath>
#include <limits>

double CalMass(double dObsMass, const double* pdCoeffs, int nOrder, bool bUseRootMass) {
  if (!pdCoeffs || nOrder < 0) return std::numeric_limits<double>::quiet_NaN();
  const double y = bUseRootMass ? std::sqrt(dObsMass) : dObsMass;
  double p = pdCoeffs[nOrder];
  for (int k = nOrder - 1; k >= 0; --k) p = p * y + pdCoeffs[k];
  return bUseRootMass ? p * p : p;
}

int LogAxis(const double* pdX, int nX, double* pdU, int nUP, double dDeltaU) {
  if (!pdX || nX < 1 || !(dDeltaU > 0)) return 0;
  const double first = pdX[0], last = pdX[nX - 1];
  // Logarithms of masses at or below 0 are no axis.
  if (!(first > 0) || !(last > 0) || !std::isfinite(first) || !std::isfinite(last)) return 0;
  const double count = std::floor((std::log(last) - std::log(first)) / dDeltaU) + 1;
  if (!(count >= 1) || !(count <= INT_MAX)) return 0;
  const int n = static_cast<int>(count);
  if (!pdU || n > nUP) return -n;
  const double factor = std::exp(dDeltaU);
  pdU[0] = first;
  for (int i = 1; i < n; ++i) pdU[i] = pdU[i - 1] * factor;
  return n;
}

bool LogBinsToMass(const double* pMasses, long lNumDataPoints, double dDeltaU, double* pdPeakPositions,
                   float* pfPeakPosSigmas, long lNumPeaks) {
  if (lNumPeaks <= 0) return true;
  if (!pMasses || !pdPeakPositions) return false;
  for (long k = 0; k < lNumPeaks; ++k) {
    const double p = pdPeakPositions[k];
    // Checked before the cast: a NaN or huge position has no bin.
    const double bin = std::trunc(p);
    double mass = 0;
    if (p >= 0 && bin < static_cast<double>(lNumDataPoints)) {
      const auto i = static_cast<long>(bin);
      mass = (1 + (p - bin) * dDeltaU) * pMasses[i];
    }
    pdPeakPositions[k] = mass;
    if (pfPeakPosSigmas) {
      const float sigma = pfPeakPosSigmas[k];
      pfPeakPosSigmas[k] = std::copysign(static_cast<float>(std::fabs(sigma) * dDeltaU * mass), sigma);
    }
  }
  return true;
}
