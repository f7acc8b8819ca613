#include "processing/ZeroPadding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <utility>

namespace {

std::size_t paddingNeed(const float* y, std::size_t n) {
  std::size_t need = 0, run = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const bool nearZero = y[i] >= -1e-7f && y[i] <= 1e-7f;
    run = nearZero ? run + 1 : 0;
    if (run >= 4) return 0;  // the data already have a baseline
    need += run == 2 || run == 3 ? 1 : 0;
  }
  return need;
}

// The smallest positive step between neighbours, 0 when there is none. Eight
// independent minima, so the comparisons do not wait on one another.
float smallestStep(const float* x, std::size_t n) {
  constexpr float kNone = std::numeric_limits<float>::infinity();
  float lane[8] = {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone};
  std::size_t i = 0;
  for (; i + 8 < n; i += 8)
    for (std::size_t k = 0; k < 8; ++k) {
      const float step = x[i + k + 1] - x[i + k];
      lane[k] = step > 0 && step < lane[k] ? step : lane[k];
    }
  float d = kNone;
  for (; i + 1 < n; ++i)
    if (const float step = x[i + 1] - x[i]; step > 0 && step < d) d = step;
  for (const float m : lane) d = m < d ? m : d;
  return d == kNone ? 0.0f : d;
}

// Points past this many spacings in one gap only matter when width x passes
// is as large, and then the total is far beyond the 2^32 - 1 allowed.
constexpr std::int64_t kGapCap = std::int64_t{1} << 40;
constexpr std::uint64_t kMaxPoints = 0xFFFFFFFFu;

// Zero points of one gap: at x[i] + s d for s = 1 .. after, then at
// x[i+1] - s d for s = before + 1 down to 2.
struct GapFill {
  std::int64_t after = 0, before = 0;
};

GapFill fillFor(float delta, float d, std::int64_t limit) {
  const double q = static_cast<double>(delta / d) + 0.5;  // the gap in spacings, rounded
  const std::int64_t r = q >= static_cast<double>(kGapCap) ? kGapCap : static_cast<std::int64_t>(q);
  const std::int64_t c = std::min(limit, r);
  GapFill f;
  f.after = std::max<std::int64_t>(c - 1, 0);
  if (c < r) f.before = std::max<std::int64_t>(std::min(r - c, c) - 1, 0);
  return f;
}

// Walks the spectrum as the padding places it: point(i) for each original
// point, gap(i, d, fill) after point i where the step jumps. The spacing d
// starts as the smallest positive step, then follows the latest positive
// step; a padded gap resets it, so the step after a gap is never padded.
template <class Point, class Gap>
void walk(const float* x, std::size_t n, std::int64_t limit, Point point, Gap gap) {
  float d = smallestStep(x, n);
  for (std::size_t i = 0; i + 1 < n; ++i) {
    point(i);
    const float delta = x[i + 1] - x[i];
    if (delta > 2 * d && d > 0) {
      gap(i, d, fillFor(delta, d, limit));
      d = 0.0f;
    } else if (delta > 0) {
      d = delta;
    }
  }
  point(n - 1);
}

}  // namespace

int dataPaddingRequired(float* pfYData, int nNumPts) {
  if (!pfYData || nNumPts <= 0) return 0;
  return static_cast<int>(paddingNeed(pfYData, static_cast<std::size_t>(nNumPts)));
}

ZeroPadPlan::ZeroPadPlan(const float* x, const float* y, std::size_t n, int width, int passes)
    : x_(x), y_(y), n_(n), size_(n) {
  if (n == 0 || !x || !y || width < 0 || paddingNeed(y, n) < 1) return;
  limit_ = std::int64_t{width} * passes + 2;
  // Saturating: each gap adds at most 2^41.
  walk(
      x, n, limit_, [](std::size_t) {},
      [&](std::size_t, float, GapFill f) {
        size_ = std::min<std::uint64_t>(size_ + static_cast<std::uint64_t>(f.after + f.before), kMaxPoints + 1);
      });
}

bool ZeroPadPlan::adds() const { return size_ > n_ && size_ <= kMaxPoints; }

ZeroPadPlan::Arrays ZeroPadPlan::build() const {
  if (!adds()) return {};
  Arrays out{std::make_unique_for_overwrite<float[]>(size_), std::make_unique_for_overwrite<float[]>(size_)};
  float* outX = out.x.get();
  float* outY = out.y.get();
  const float* x = x_;
  const float* y = y_;
  std::size_t k = 0;
  auto zeroAt = [&](float mass) {
    outX[k] = mass;
    outY[k++] = 0.0f;
  };
  walk(
      x, n_, limit_,
      [&](std::size_t i) {
        outX[k] = x[i];
        outY[k++] = y[i];
      },
      [&](std::size_t i, float d, GapFill f) {
        for (std::int64_t s = 1; s <= f.after; ++s) zeroAt(x[i] + static_cast<float>(s) * d);
        for (std::int64_t s = f.before + 1; s >= 2; --s) zeroAt(x[i + 1] - static_cast<float>(s) * d);
      });
  return out;
}

bool zeroPadVaryingData(std::unique_ptr<float[]>& pfXData, std::unique_ptr<float[]>& pfYData, unsigned int& nSize,
                        int nSmoothWidth, int nNumberOfSmooths) {
  if (nSize == 0 || !pfXData || !pfYData || nSmoothWidth < 0) return false;
  const ZeroPadPlan plan(pfXData.get(), pfYData.get(), nSize, nSmoothWidth, nNumberOfSmooths);
  if (plan.size() > kMaxPoints) return false;
  if (!plan.adds()) return true;  // no gap to fill: the arrays stay as they are
  ZeroPadPlan::Arrays padded = plan.build();
  pfXData = std::move(padded.x);
  pfYData = std::move(padded.y);
  nSize = static_cast<unsigned int>(plan.size());
  return true;
}
