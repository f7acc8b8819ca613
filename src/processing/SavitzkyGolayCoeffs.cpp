#include "processing/SavitzkyGolayCoeffs.h"

#include <cstdint>

namespace {

// The closed forms in long double: exact up to 2^64, so the weights of any
// half-width an int can hold round to the nearest float.
long double quadraticWeight(long double m, long double j) {
  return 3 * (3 * m * m + 3 * m - 1 - 5 * j * j) / ((2 * m - 1) * (2 * m + 1) * (2 * m + 3));
}

long double quarticWeight(long double m, long double j) {
  const long double m2 = m * m, j2 = j * j;
  const long double top =
      15 * m2 * m2 + 30 * m2 * m - 35 * m2 - 50 * m + 12 - 35 * (2 * m2 + 2 * m - 3) * j2 + 63 * j2 * j2;
  return 15 * top / (4 * (2 * m - 3) * (2 * m - 1) * (2 * m + 1) * (2 * m + 3) * (2 * m + 5));
}

}  // namespace

int savitzkyGolayCoeffs(int nDeriv, int nOrder, int nWindow, float* pfCoeffs) {
  if (nDeriv != 0 || nWindow < 0 || pfCoeffs == nullptr) return -1;
  const std::int64_t m = nWindow, count = 2 * m + 1;  // 64 bits: 2m + 1 overflows an int
  if (m == 1 && nOrder >= 1) {
    pfCoeffs[0] = 0.25f;
    pfCoeffs[1] = 0.5f;
    pfCoeffs[2] = 0.25f;
    return 0;
  }
  long double (*weight)(long double, long double) = nullptr;
  if (nOrder == 2 || nOrder == 3) weight = quadraticWeight;
  if (nOrder == 4 || nOrder == 5) weight = quarticWeight;
  if (nOrder != 0 && weight == nullptr) return -1;
  for (std::int64_t i = 0; i < count; ++i) {
    const long double w = weight ? weight(static_cast<long double>(m), static_cast<long double>(i - m))
                                 : 1.0L / static_cast<long double>(count);
    pfCoeffs[i] = static_cast<float>(w);
  }
  return 0;
}
