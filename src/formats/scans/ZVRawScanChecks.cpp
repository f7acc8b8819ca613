// The bad-mass test of the scan decoder and the repair of scans whose
// masses do not ascend.

#include "formats/scans/ZVRawScan.h"

std::atomic<int> nBadScanStrategy{3};

namespace borealtek_zvraw_version_1 {

int checkMass(int nBadScanStrategy, int nDataFormat, float fMassRangeWindow, float fLowerBoundMass,
              float fUpperBoundMass, float fMass, float fLastMass) {
  // Formats whose packets hold their masses are tested. Format 3 holds none:
  // its mass is made after the test, so there is nothing to test yet (as for
  // format 2). Formats without packets never hold a good mass.
  constexpr unsigned kTested = 1u << 0 | 1u << 1 | 1u << 8 | 1u << 9 | 1u << 12 | 1u << 13;
  constexpr unsigned kUntested = 1u << 2 | 1u << 3 | 1u << 4 | 1u << 5 | 1u << 6 | 1u << 7 | 1u << 11;
  const unsigned bit = nDataFormat >= 0 && nDataFormat < 14 ? 1u << nDataFormat : 0u;
  bool bad = true;
  if ((bit & kTested) != 0)
    bad = fMass - fMassRangeWindow > fUpperBoundMass || fLowerBoundMass > fMass + fMassRangeWindow ||
          (fLastMass > 0 && fLastMass >= fMass);
  else if ((bit & kUntested) != 0)
    bad = false;
  if (!bad) return 0;
  switch (nBadScanStrategy) {
    case 1:
      return 3;
    case 2:
      return 1;
    case 3:
      return 2;
    default:
      return 0;
  }
}

void makeMonotonicScan(float* pfMasses, float* pfIntensities, int nScanSize, float fMassWindow, float fLowerBoundMass,
                       float fUpperBoundMass) {
  if (!pfMasses || !pfIntensities || nScanSize <= 0) return;
  float* m = pfMasses;
  const int n = nScanSize;
  const auto inRange = [&](float v) {
    return fLowerBoundMass - fMassWindow <= v && v <= fUpperBoundMass + fMassWindow;
  };

  int i0 = 0;
  while (i0 < n && !inRange(m[i0])) ++i0;
  if (i0 == n) return;  // nothing to anchor a repair on
  // Leading run: ascending, ending just below the first good mass.
  for (int k = 0; k < i0; ++k)
    m[k] = m[i0] - fMassWindow + static_cast<float>(k) * fMassWindow / static_cast<float>(i0);

  int i1 = n - 1;
  while (i1 > 0 && !inRange(m[i1])) --i1;
  // Trailing run: ascending from the last good mass to one window above it.
  for (int k = i1 + 1; k < n; ++k)
    m[k] = m[i1] + static_cast<float>(k - i1) * fMassWindow / static_cast<float>(n - 1 - i1);

  // Middle: a run that falls below its predecessor is interpolated between
  // the predecessor and the first peak after the run.
  for (int k = 1; k < n; ++k) {
    const float p = m[k - 1];
    const int s = k;
    while (k < n - 1 && m[k] < p) ++k;
    if (k > s) {
      const auto d = static_cast<float>(k - s + 1);
      const float i = pfIntensities[s - 1];
      for (int j = 0; j < k - s; ++j) {
        m[s + j] = m[s - 1] + static_cast<float>(j + 1) * (m[k] - p) / d;
        pfIntensities[s + j] = i + static_cast<float>(j + 1) * (pfIntensities[k] - i) / d;
      }
    }
  }
}

}  // namespace borealtek_zvraw_version_1
