#include "processing/ABSSubtract.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "formats/portability/AllocationGuard.h"
#include "processing/ABS.h"

namespace {

template <class T>
using Array = std::unique_ptr<T[]>;

// Beyond this many zero points in one gap the count is past any capacity.
constexpr std::int64_t kGapCap = std::int64_t{1} << 40;

// The re-gridded spectrum in one block: masses, then intensities. One
// block, not two, so that the largest of a call's temporaries is most of
// what it frees, and the allocator keeps it for the next call instead of
// giving it back and faulting it in again.
struct Regridded {
  std::unique_ptr<double[]> block;
  std::int64_t n = 0;
  [[nodiscard]] double* x() const { return block.get(); }
  [[nodiscard]] double* y() const { return block.get() + n; }
};

double positive(double y) { return y < 0.0 ? 0.0 : y; }  // NaN stays

// Zero points that go into the gap after point i: k - 1, where the gap is k
// local steps, rounded.
std::int64_t gapZeros(const double* r, std::size_t n, std::size_t i, double minStep) {
  const double before = i > 0 ? r[i] - r[i - 1] : r[2] - r[1];
  const double after = i + 2 < n ? r[i + 2] - r[i + 1] : before;
  double step = (before + after) / 2;
  if (step == 0.0) step = minStep;  // repeated masses
  const double gap = r[i + 1] - r[i];
  if (step > 0.0 && gap < 1.25 * step) return 0;  // the usual even spacing, without a division
  const double k = std::trunc(0.5 + gap / step);
  if (!(k > 1.0)) return 0;  // NaN included
  return k >= static_cast<double>(kGapCap) ? kGapCap : static_cast<std::int64_t>(k) - 1;
}

template <class T>
bool regrid(const T* x, const T* y, std::int64_t n, Regridded& out) {
  const auto count = static_cast<std::size_t>(n);
  // Room for the points as they are; the roots go where the masses will.
  out.block = std::make_unique_for_overwrite<double[]>(2 * count);
  out.n = n;
  double* r = out.x();
  if (n < 3) {
    for (std::size_t i = 0; i < count; ++i) {
      r[i] = static_cast<double>(x[i]);
      out.y()[i] = positive(static_cast<double>(y[i]));
    }
    return true;
  }
  for (std::size_t i = 0; i < count; ++i) r[i] = std::sqrt(static_cast<double>(x[i]));
  double minStep = 1.0;
  for (std::size_t i = 0; i + 1 < count; ++i)
    if (const double d = r[i + 1] - r[i]; d > 0.0 && d < minStep) minStep = d;
  const double capacity = 1.0 + std::trunc((r[count - 1] - r[0]) / minStep * static_cast<double>(2.1f));
  // Count first: the capacity can be far beyond what the points need.
  std::int64_t total = n;
  for (std::size_t i = 0; i + 1 < count && total <= INT_MAX; ++i) total += gapZeros(r, count, i, minStep);
  if (total > INT_MAX || !(static_cast<double>(total) < capacity)) return false;
  if (total == n) {  // no gap to fill: the roots become the masses in place
    for (std::size_t i = 0; i < count; ++i) {
      r[i] *= r[i];
      out.y()[i] = positive(static_cast<double>(y[i]));
    }
    return true;
  }
  Regridded filled;
  filled.block = std::make_unique_for_overwrite<double[]>(2 * static_cast<std::size_t>(total));
  filled.n = total;
  double *fx = filled.x(), *fy = filled.y();
  std::size_t k = 0;
  for (std::size_t i = 0; i < count; ++i) {
    fx[k] = r[i] * r[i];
    fy[k++] = positive(static_cast<double>(y[i]));
    if (i + 1 == count) break;
    const std::int64_t zeros = gapZeros(r, count, i, minStep);
    const double gap = r[i + 1] - r[i], parts = static_cast<double>(zeros + 1);
    for (std::int64_t t = 1; t <= zeros; ++t) {
      const double root = r[i] + static_cast<double>(t) * gap / parts;
      fx[k] = root * root;
      fy[k++] = 0.0;
    }
  }
  out = std::move(filled);
  return true;
}

int frontEndCode(ABS::Result r) {
  return r == ABS::SPEC_TOO_SMALL   ? kAbsSubtractSpecTooSmall
         : r == ABS::MASSES_INVALID ? kAbsSubtractMassesInvalid
                                    : kAbsSubtractBufferTooSmall;
}

// Puts the re-gridded spectrum into the caller's arrays: in place when the
// count is unchanged (the usual case), else into new arrays that replace
// them. Any allocation comes before the first change.
template <class T>
void install(Array<T>* ppX, Array<T>* ppY, int* pnCount, const Regridded& g) {
  std::unique_ptr<T[]> newX, newY;
  if (g.n != *pnCount) {
    newX = std::make_unique_for_overwrite<T[]>(static_cast<std::size_t>(g.n));
    newY = std::make_unique_for_overwrite<T[]>(static_cast<std::size_t>(g.n));
  }
  T* x = newX ? newX.get() : ppX->get();
  T* y = newY ? newY.get() : ppY->get();
  std::copy_n(g.x(), g.n, x);
  std::copy_n(g.y(), g.n, y);
  if (newX) {
    *ppX = std::move(newX);
    *ppY = std::move(newY);
  }
  *pnCount = static_cast<int>(g.n);
}

template <class T>
int subtractFrontEnd(Array<T>* ppfMasses, Array<T>* ppfSignal, int* pnLength, Array<T>* ppfBack, const ABS& abs) {
  if (!ppfMasses || !ppfSignal || !pnLength) return kAbsSubtractMassesInvalid;
  const int n = *pnLength;
  if (n == 0) return 0;
  if (n < 0) return kAbsSubtractSpecTooSmall;
  if (!*ppfMasses || !*ppfSignal) return kAbsSubtractMassesInvalid;
  // Masses are judged as the caller gave them, before the re-grid.
  if (const ABS::Result r = abs.CheckSpectrum(ppfMasses->get(), n); r != ABS::OK) return frontEndCode(r);
  // No memory is the front end's buffer failure, as its callers expect.
  return zvraw::guardAllocation(
      [&] {
        Regridded g;
        if (!regrid(ppfMasses->get(), ppfSignal->get(), n, g)) return kAbsSubtractBufferTooSmall;
        std::unique_ptr<double[]> back;
        if (ppfBack) back = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(g.n));
        const ABS::Result r = abs.ABSFast(g.x(), g.y(), static_cast<int>(g.n), back.get());
        if (r != ABS::OK) return frontEndCode(r);
        std::unique_ptr<T[]> background;
        if (back) {
          background = std::make_unique_for_overwrite<T[]>(static_cast<std::size_t>(g.n));
          std::copy_n(back.get(), g.n, background.get());
        }
        install(ppfMasses, ppfSignal, pnLength, g);
        if (ppfBack) *ppfBack = std::move(background);
        return 0;
      },
      kAbsSubtractBufferTooSmall);
}

}  // namespace

bool replaceZeros(int* pnNumPts, Array<double>* ppX, Array<double>* ppY) {
  if (!pnNumPts || !ppX || !ppY || *pnNumPts < 0) return false;
  if (*pnNumPts == 0) return true;
  if (!*ppX || !*ppY) return false;
  const bool done = zvraw::guardAllocation(
      [&] {
        Regridded g;
        if (!regrid(ppX->get(), ppY->get(), *pnNumPts, g)) return false;
        install(ppX, ppY, pnNumPts, g);
        return true;
      },
      false);
  if (!done) *pnNumPts = 0;
  return done;
}

int ABSSubtract(Array<double>* ppfMasses, Array<double>* ppfSignal, int* pnLength, Array<double>* ppfBack, int nBins,
                int nHalfWindow, double fQuantLevel) {
  return subtractFrontEnd(ppfMasses, ppfSignal, pnLength, ppfBack, ABS(nBins, nHalfWindow, fQuantLevel));
}

int ABSSubtract(Array<float>* ppfMasses, Array<float>* ppfSignal, int* pnLength, Array<float>* ppfBack, int nBins,
                int nHalfWindow, float fQuantLevel) {
  return subtractFrontEnd(ppfMasses, ppfSignal, pnLength, ppfBack,
                          ABS(nBins, nHalfWindow, static_cast<double>(fQuantLevel)));
}
