#include "processing/SpectrumSearch.h"

int getNearestIndexLessThan(const ZVRAW_MASSTYPE* pfMasses, unsigned int nSize, ZVRAW_MASSTYPE fMass) {
  if (nSize == 0 || !pfMasses) return -1;
  if (pfMasses[0] > fMass) return -1;
  if (fMass > pfMasses[nSize - 1]) return static_cast<int>(nSize - 1);
  unsigned int lo = 0, hi = nSize - 1;
  while (hi - lo > 1) {
    const unsigned int mid = lo + (hi - lo) / 2;  // (lo + hi) / 2 without the wrap
    if (fMass > pfMasses[mid])
      lo = mid;
    else
      hi = mid;
  }
  return static_cast<int>(lo);
}

int getNearestIndexGreaterThan(const ZVRAW_MASSTYPE* pfMasses, unsigned int nSize, ZVRAW_MASSTYPE fMass) {
  if (nSize == 0 || !pfMasses) return -1;
  if (pfMasses[0] > fMass) return 0;
  if (fMass > pfMasses[nSize - 1]) return -1;
  unsigned int lo = 0, hi = nSize - 1;
  while (hi - lo > 1) {
    const unsigned int mid = lo + (hi - lo) / 2;
    if (pfMasses[mid] > fMass)
      hi = mid;
    else
      lo = mid;
  }
  return static_cast<int>(hi);
}

int getZeroCount(const float* pfData, int nSize) {
  if (!pfData) return 0;
  int zeros = 0;
  for (int i = 0; i < nSize; ++i) {
    const double y = pfData[i];
    if (y > -1e-6 && y < 1e-6) ++zeros;
  }
  return zeros;
}
