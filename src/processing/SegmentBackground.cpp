#include "processing/SegmentBackground.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "processing/SplitQuantile.h"

namespace {

constexpr int kMaxPasses = 40;

// The q-quantile of a segment, in single precision as the knots are.
void qtile(const float* x, std::int64_t m, float q, float tol, float* a) { *a = splitQuantile(x, m, q, tol); }

// trunc(edge / h - 0.5 + 1.0) limited to 0 .. n: where the segment or
// interval that ends at knot position edge stops.
std::int64_t boundary(double edge, float h, std::int64_t n) {
  const double b = std::trunc(edge / static_cast<double>(h) - 0.5 + 1.0);
  return b >= static_cast<double>(n) ? n : b > 0.0 ? static_cast<std::int64_t>(b) : 0;
}

// Knots 2 .. m + 1: the quantile of each segment's residual; segments
// without points copy a neighbour's knot.
void segmentKnots(const float* dsub, std::int64_t n, std::int64_t m, float h, float s, float q, float tol,
                  float* work) {
  std::int64_t start = boundary(1.5 - s, h, n), firstFilled = 0;
  for (std::int64_t j = 2; j <= m + 1; ++j) {
    const std::int64_t end = boundary(static_cast<double>(j) + 0.5 - s, h, n);
    if (end > start) {
      qtile(dsub + start, end - start, q, tol, &work[j]);
      if (firstFilled == 0) firstFilled = j;
      start = end;
    } else {
      work[j] = firstFilled ? work[j - 1] : 0.0f;
    }
  }
  for (std::int64_t j = 2; firstFilled && j < firstFilled; ++j) work[j] = work[firstFilled];
}

void endKnots(float* work, std::int64_t m, bool flat) {
  if (m == 1) {
    work[0] = work[1] = work[3] = work[4] = work[2];
  } else if (flat) {
    work[1] = work[2];
    work[0] = work[1];
    work[m + 2] = work[m + 1];
    work[m + 3] = work[m + 2];
  } else {
    work[1] = 2 * work[2] - work[3];
    work[0] = 2 * work[1] - work[2];
    work[m + 2] = 2 * work[m + 1] - work[m];
    work[m + 3] = 2 * work[m + 2] - work[m + 1];
  }
}

// Subtracts the Catmull-Rom cubic through the knots; knot j sits at the
// centre of segment j - 1, and each point lies in exactly one interval.
void subtractCubic(float* back, float* dsub, std::int64_t n, std::int64_t m, float h, float s, const float* work) {
  std::int64_t start = 0;
  for (std::int64_t j = 1; j <= m + 1 && start < n; ++j) {
    const std::int64_t end = std::max(start, boundary(static_cast<double>(j + 1) - s, h, n));
    const float ym = work[j - 1], y0 = work[j], y1 = work[j + 1], y2 = work[j + 2];
    const float a = (y1 - y0) - (y0 - ym);
    const float b = ((y2 - y1) - (y1 - y0)) - a;
    const double c1 = y1 - ym, c2 = a - b, c3 = b, shift = static_cast<double>(s) - static_cast<double>(j);
    for (std::int64_t i = start; i < end; ++i) {
      const double t = (static_cast<double>(i) + 0.5) * h + shift;
      const float v = static_cast<float>(y0 + t * (c1 + t * (c2 + t * c3)) / 2);
      back[i] += v;
      dsub[i] -= v;
    }
    start = end;
  }
}

}  // namespace

long killsub(const float* data, float* back, float* dsub, long n, long m0, float below, float tol, float* work) {
  if (n <= 0 || !data || !back || !dsub) return 0;
  const auto count = static_cast<std::int64_t>(n);
  std::fill_n(back, count, 0.0f);
  std::copy_n(data, count, dsub);
  // |m0| without overflow; no caller holds a work array near that size.
  constexpr std::int64_t kMostSegments = std::numeric_limits<std::int64_t>::max() - 4;
  const std::int64_t m = m0 >= 0               ? std::min<std::int64_t>(m0, kMostSegments)
                         : m0 < -kMostSegments ? kMostSegments
                                               : -m0;
  if (m < 1 || !work) return 0;
  const float q = below >= 0.0f ? std::min(below, 1.0f) : 0.0f;
  const float h = static_cast<float>(m) / static_cast<float>(count);
  const double spread = 1.0 - 3.0 / static_cast<double>(std::max<std::int64_t>(m, 3));
  float first = 0.0f;
  for (int p = 0; p < kMaxPasses; ++p) {
    // The first three passes shift the segment grid up by 1/2, 1/3 and 1/6 of the spread.
    const float s = p < 3 ? static_cast<float>(1.5 - (3 - p) * spread * 0.5 / 3) : 1.5f;
    segmentKnots(dsub, count, m, h, s, q, tol, work);
    endKnots(work, m, m0 < 0);
    float size = 0.0f;
    for (std::int64_t j = 2; j <= m + 1; ++j) size += std::fabs(work[j]);
    if (p == 0) first = size;
    subtractCubic(back, dsub, count, m, h, s, work);
    if (size < tol * first) return p + 1;
  }
  return kMaxPasses + 1;
}
