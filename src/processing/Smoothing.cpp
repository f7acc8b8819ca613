#include "processing/Smoothing.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "formats/portability/SysTrace.h"
#include "processing/SmoothData.h"
#include "processing/ZeroPadding.h"

namespace {

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

int dispatch(float*& x, float*& y, unsigned int& n, int method, int smooths, int width, bool pad) {
  if (method != SMOOTH_SAVITZKY_GOLAY && method != SMOOTH_MEAN) {
    zvraw::traceLine("Smoothing Method not currently implemented");
    return -1;
  }
  if (width < 0 || !y) return 0;
  if (pad) (void)zeroPadVaryingData(x, y, n, width, smooths);
  // The mean negates the count: a negative count from the caller flips the filter again.
  const std::int64_t passes = method == SMOOTH_MEAN ? -std::int64_t{smooths} : std::int64_t{smooths};
  smoothPasses(y, n, passes, width);
  return 0;
}

}  // namespace

int smoothSpectrum(float*& pfXData, float*& pfYData, unsigned int& nSize, int nSmoothMethod, int nNumberOfSmooths,
                   int nNumberOfChannels) {
  return dispatch(pfXData, pfYData, nSize, nSmoothMethod, nNumberOfSmooths, nNumberOfChannels, true);
}

int smoothChromatogram(float*& pfXData, float*& pfYData, unsigned int& nSize, int nSmoothMethod, int nNumberOfSmooths,
                       int nNumberOfChannels) {
  return dispatch(pfXData, pfYData, nSize, nSmoothMethod, nNumberOfSmooths, nNumberOfChannels, false);
}

int smoothSavitzkyGolay(float* pfY, int nPoints, int nNumberOfSmooths, int nNumberOfChannels) {
  if (pfY && nPoints > 0) smoothPasses(pfY, static_cast<std::size_t>(nPoints), nNumberOfSmooths, nNumberOfChannels);
  return 0;
}
