#include "processing/SmoothData.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "processing/SavitzkyGolayCoeffs.h"

namespace {

// Outputs one region of a pass computes from its copy of the inputs.
constexpr std::size_t kRegion = 256;

// Eight outputs at a time, sums held in registers while the weights are
// walked: products in single precision, summed in double in weight order.
void convolveEight(const float* src, float* out, std::size_t taps, const float* c) {
  double a0 = 0, a1 = 0, a2 = 0, a3 = 0, a4 = 0, a5 = 0, a6 = 0, a7 = 0;
  for (std::size_t t = 0; t < taps; ++t, ++src) {
    const float ct = c[t];
    a0 += static_cast<double>(src[0] * ct);
    a1 += static_cast<double>(src[1] * ct);
    a2 += static_cast<double>(src[2] * ct);
    a3 += static_cast<double>(src[3] * ct);
    a4 += static_cast<double>(src[4] * ct);
    a5 += static_cast<double>(src[5] * ct);
    a6 += static_cast<double>(src[6] * ct);
    a7 += static_cast<double>(src[7] * ct);
  }
  const double sums[8] = {a0, a1, a2, a3, a4, a5, a6, a7};
  for (std::size_t k = 0; k < 8; ++k) out[k] = static_cast<float>(sums[k]);
}

// out[k] = sum over t of src[k + t] * c[t], for k < count.
void convolve(const float* src, float* out, std::size_t count, std::size_t taps, const float* c) {
  std::size_t k = 0;
  for (; k + 8 <= count; k += 8) convolveEight(src + k, out + k, taps, c);
  for (; k < count; ++k) {
    double acc = 0.0;
    for (std::size_t t = 0; t < taps; ++t) acc += static_cast<double>(src[k + t] * c[t]);
    out[k] = static_cast<float>(acc);
  }
}

// Shrinking-window means of the first w points from in[0 .. 2w), and of the
// last w from the 2w inputs that end at inEnd; each window is the previous
// one and one more point, so the sums run.
void leftEnds(const float* in, float* out, std::size_t w) {
  double sum = 0.0;
  for (std::size_t j = 0; j < w; ++j) sum += in[j];
  for (std::size_t i = 0; i < w; ++i) {
    sum += in[i + w];
    out[i] = static_cast<float>(sum / static_cast<double>(i + w + 1));
  }
}
void rightEnds(const float* inEnd, float* outEnd, std::size_t w) {
  double sum = 0.0;
  for (std::size_t j = 1; j <= w; ++j) sum += inEnd[-static_cast<std::ptrdiff_t>(j)];
  for (std::size_t back = 1; back <= w; ++back) {  // output n - back
    sum += inEnd[-static_cast<std::ptrdiff_t>(back + w)];
    outEnd[-static_cast<std::ptrdiff_t>(back)] = static_cast<float>(sum / static_cast<double>(back + w));
  }
}

// Floats a pass needs in its window buffer: the region and w inputs on each
// side, never more than the n > 2w + 1 points themselves.
std::size_t windowBufferSize(std::size_t n, std::size_t w) { return 2 * w + std::min(kRegion, n - 2 * w); }

// One pass in place. The window buffer holds a copy of the inputs of the
// current region (outputs [s, s + r) read inputs [s - w, s + r + w)), so
// outputs can be written over inputs that later regions no longer need
// from the array; the 2w inputs shared with the next region move along.
void passInPlace(float* y, std::size_t n, std::size_t w, const float* c, float* window) {
  const std::size_t taps = 2 * w + 1, region = std::min(kRegion, n - 2 * w);
  std::size_t s = w, r = std::min(region, n - w - s);
  std::copy_n(y, r + 2 * w, window);
  leftEnds(window, y, w);
  for (;;) {
    convolve(window, y + s, r, taps, c);
    if (s + r == n - w) break;
    std::copy_n(window + r, 2 * w, window);
    s += r;
    r = std::min(region, n - w - s);
    std::copy_n(y + s + w, r, window + 2 * w);
  }
  rightEnds(window + r + 2 * w, y + n, w);  // the last region's inputs end at n
}

// Everything a pass touches is there and fits the window.
bool usable(const SMOOTH* s) {
  if (!s || !s->lpsData || !s->lpsParams || !s->lpsData->pfY || !s->pfPrevY || !s->pfCoeffs) return false;
  const int w = s->lpsParams->nWidth;
  return w >= 0 && s->lpsData->lNumPts > 2 * std::int64_t{w} + 1;
}

}  // namespace

void EndPoints(const float* pfIn, float* pfOut, long lNumPts, int nWidth) {
  if (!pfIn || !pfOut || nWidth <= 0 || lNumPts < 2 * std::int64_t{nWidth}) return;
  const auto n = static_cast<std::size_t>(lNumPts), w = static_cast<std::size_t>(nWidth);
  leftEnds(pfIn, pfOut, w);
  rightEnds(pfIn + n, pfOut + n, w);
}

int SmoSavGyInit(SMOOTH* lpsSmooth) {
  if (!usable(lpsSmooth)) return -1;
  // Unsupported pairs leave the weights as they are (zero from the driver).
  (void)SavGyCoeffs(lpsSmooth->lpsParams, lpsSmooth->pfCoeffs);
  lpsSmooth->nIterationsMax = 0;
  return 0;
}

int SmoSavGyIter(SMOOTH* lpsSmooth) {
  if (!usable(lpsSmooth)) return -1;
  passInPlace(lpsSmooth->lpsData->pfY, static_cast<std::size_t>(lpsSmooth->lpsData->lNumPts),
              static_cast<std::size_t>(lpsSmooth->lpsParams->nWidth), lpsSmooth->pfCoeffs, lpsSmooth->pfPrevY);
  if (++lpsSmooth->nIterationsMax == lpsSmooth->lpsParams->nIterates) lpsSmooth->bComplete = 1;
  return 0;
}

// Passes run in place: the result is already in the data array.
int SmoSavGyTerm(SMOOTH* lpsSmooth) { return usable(lpsSmooth) ? 0 : -1; }

int SmoSmoothInit(SMOOTH* lpsSmooth) {
  if (!lpsSmooth || !lpsSmooth->lpsData || !lpsSmooth->lpsParams) return -1;
  const SMO_PARAMS& p = *lpsSmooth->lpsParams;
  if (p.nWidth < 0 || lpsSmooth->lpsData->lNumPts <= 2 * std::int64_t{p.nWidth} + 1) return -3;
  // A negative count would never be reached by the pass counter.
  if (p.nMethod != 2 || p.nIterates < 0) return -1;
  lpsSmooth->nIteration = 0;
  lpsSmooth->bComplete = p.nIterates == 0 ? 1 : 0;
  return SmoSavGyInit(lpsSmooth);
}

int SmoSmoothIter(SMOOTH* lpsSmooth) {
  if (!lpsSmooth || !lpsSmooth->lpsParams || lpsSmooth->lpsParams->nMethod != 2) return -1;
  if (lpsSmooth->bComplete) return 0;
  const int rc = SmoSavGyIter(lpsSmooth);
  if (rc == 0) ++lpsSmooth->nIteration;
  return rc;
}

int SmoSmoothTerm(SMOOTH* lpsSmooth) {
  if (!lpsSmooth || !lpsSmooth->lpsParams || lpsSmooth->lpsParams->nMethod != 2) return -1;
  return SmoSavGyTerm(lpsSmooth);
}

bool SmoothDataNoStatus(SMO_DATASET* lpsData, SMO_PARAMS* lpsParams) {
  if (!lpsData || !lpsData->pfY || !lpsParams) return false;
  const int w = lpsParams->nWidth;
  // Refuse before allocating: the width is a caller's claim.
  if (w < 0 || lpsData->lNumPts <= 2 * std::int64_t{w} + 1) return false;
  if (lpsParams->nMethod != 2 || lpsParams->nIterates < 0) return false;
  if (lpsParams->nIterates == 0) return true;
  // Both buffers before the first pass: memory that cannot be had
  // (std::bad_alloc) leaves the data as they were.
  std::vector<float> coeffs(2 * static_cast<std::size_t>(w) + 1);
  std::vector<float> window(windowBufferSize(static_cast<std::size_t>(lpsData->lNumPts), static_cast<std::size_t>(w)));
  SMOOTH s;
  s.lpsData = lpsData;
  s.lpsParams = lpsParams;
  s.pfPrevY = window.data();
  s.pfCoeffs = coeffs.data();
  if (SmoSmoothInit(&s) != 0) return false;
  while (!s.bComplete)
    if (SmoSmoothIter(&s) != 0) break;
  (void)SmoSmoothTerm(&s);
  return true;
}
