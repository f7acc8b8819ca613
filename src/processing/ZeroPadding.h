#pragma once

// Zero padding of zero-suppressed spectra before smoothing: where the mass
// step jumps past twice the running spacing, zero-intensity points are put
// into the gap at that spacing, up to width x passes + 2 spacings from each
// side, so that the filter meets a flat baseline instead of the next peak.

#include <cstddef>
#include <cstdint>
#include <memory>

// 0 for a null array, no points, or a run of 4 or more near-zero values
// (|y| <= 1e-7: the data already have a baseline); otherwise the number of
// near-zero values that are the second or third of their run.
int dataPaddingRequired(float* pfYData, int nNumPts);

// What padding would make of a spectrum, counted gap by gap before anything
// is allocated, so that a caller can refuse a size before paying for it.
class ZeroPadPlan {
 public:
  // Nothing to pad: the plan adds no point.
  ZeroPadPlan() = default;
  // x and y (n points) must outlive the plan. A null array, a negative
  // width or data that need no padding add nothing.
  ZeroPadPlan(const float* x, const float* y, std::size_t n, int width, int passes);

  // The point count after padding: n when nothing is added; saturates at
  // 2^32, which no unsigned count holds.
  [[nodiscard]] std::uint64_t size() const { return size_; }
  // Whether padding adds points and their count fits an unsigned int.
  [[nodiscard]] bool adds() const;

  struct Arrays {
    std::unique_ptr<float[]> x, y;
  };
  // The padded masses and intensities, size() of each, when adds(); else
  // empty. std::bad_alloc when they cannot be had.
  [[nodiscard]] Arrays build() const;

 private:
  const float* x_ = nullptr;
  const float* y_ = nullptr;
  std::size_t n_ = 0;
  std::int64_t limit_ = 0;
  std::uint64_t size_ = 0;
};

// Pads x and y (nSize points each): the padded arrays replace them, and
// nSize becomes the new count. True with nothing changed when no padding is
// required or no gap needs a point. False, data unchanged, for no points, a
// null array, a negative width or more than 2^32 - 1 points in all;
// std::bad_alloc, data unchanged, when the padded arrays cannot be had.
bool zeroPadVaryingData(std::unique_ptr<float[]>& pfXData, std::unique_ptr<float[]>& pfYData, unsigned int& nSize,
                        int nSmoothWidth, int nNumberOfSmooths);
