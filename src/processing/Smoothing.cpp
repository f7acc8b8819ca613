#include "processing/Smoothing.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "formats/portability/SysTrace.h"
#include "processing/SmoothData.h"
#include "processing/ZeroPadding.h"

namespace {

using Array = std::unique_ptr<float[]>;

// Passes signed as smoothSavitzkyGolay reads them, in 64 bits so that
// negating INT_MIN is defined.
void smoothPasses(float* y, std::size_t n, std::int64_t passes, int width) {
  SMO_PARAMS params;
  params.nMethod = SMOOTH_SAVITZKY_GOLAY;
  params.nSGPoly = passes < 0 ? 0 : 2;
  params.nWidth = width;
  params.nIterates = static_cast<int>(std::min<std::int64_t>(std::llabs(passes), INT_MAX));
  SMO_DATASET data;
  data.pfY = y;
  data.lNumPts = static_cast<long>(n);
  (void)SmoothDataNoStatus(&data, &params);  // failure leaves the data as they were
}

bool withinCaps(int smooths, int width) {
  return smooths >= -kMaxSmoothPasses && smooths <= kMaxSmoothPasses && width <= kMaxSmoothHalfWidth;
}

// Multiply-adds of |smooths| passes of a 2 x width + 1 window over the n -
// 2 x width points it centres on; none when the window is as long as the
// data. Inside the caps the product stays far below 2^64.
std::uint64_t work(int smooths, int width, std::uint64_t n) {
  const std::uint64_t window = 2 * static_cast<std::uint64_t>(width) + 1;
  if (n <= window) return 0;
  return static_cast<std::uint64_t>(std::llabs(smooths)) * window * (n - window + 1);
}

int dispatch(Array& x, Array& y, unsigned int& n, int method, int smooths, int width, bool pad) {
  if (method != SMOOTH_SAVITZKY_GOLAY && method != SMOOTH_MEAN) {
    zvraw::traceLine("Smoothing Method not currently implemented");
    return -1;
  }
  if (!withinCaps(smooths, width)) return kSmoothRefused;
  if (width < 0 || !y) return 0;
  const ZeroPadPlan plan = pad ? ZeroPadPlan(x.get(), y.get(), n, width, smooths) : ZeroPadPlan();
  const std::uint64_t points = plan.adds() ? plan.size() : n;
  if (work(smooths, width, points) > kMaxSmoothWork) return kSmoothRefused;
  // The padded arrays replace the caller's only once the passes have run:
  // memory that cannot be had leaves the data as they were.
  ZeroPadPlan::Arrays padded = plan.build();
  // The mean negates the count: a negative count from the caller flips the filter again.
  const std::int64_t passes = method == SMOOTH_MEAN ? -std::int64_t{smooths} : std::int64_t{smooths};
  smoothPasses(padded.y ? padded.y.get() : y.get(), points, passes, width);
  if (padded.y) {
    x = std::move(padded.x);
    y = std::move(padded.y);
    n = static_cast<unsigned int>(points);
  }
  return 0;
}

}  // namespace

int smoothSpectrum(Array& pfXData, Array& pfYData, unsigned int& nSize, int nSmoothMethod, int nNumberOfSmooths,
                   int nNumberOfChannels) {
  return dispatch(pfXData, pfYData, nSize, nSmoothMethod, nNumberOfSmooths, nNumberOfChannels, true);
}

int smoothChromatogram(Array& pfXData, Array& pfYData, unsigned int& nSize, int nSmoothMethod, int nNumberOfSmooths,
                       int nNumberOfChannels) {
  return dispatch(pfXData, pfYData, nSize, nSmoothMethod, nNumberOfSmooths, nNumberOfChannels, false);
}

int smoothSavitzkyGolay(float* pfY, int nPoints, int nNumberOfSmooths, int nNumberOfChannels) {
  if (pfY && nPoints > 0) smoothPasses(pfY, static_cast<std::size_t>(nPoints), nNumberOfSmooths, nNumberOfChannels);
  return 0;
}
