#pragma once

// Area-keeping rebinning of a spectrum onto another mass axis: the fixed
// time-of-flight grid resamples float spectra with it, the real-time
// centroider its double-mass spectra onto a sinh-spaced axis. Every point
// of an ascending axis owns the cell between the midpoints to its
// neighbours; the two end cells mirror their inner half. A source value is
// spread evenly over its cell and each target cell takes the share it
// overlaps, so the sum is kept wherever the target covers the source.

#include <algorithm>
#include <cstdint>

namespace borealtek_zvraw_version_1 {

// A rebinned axis or grid longer than this is refused: 2^24 cells already
// span more than any acquisition's mass range at the finest sampling in use.
inline constexpr int kMaxGridIndices = 1 << 24;

namespace rebin_detail {

// Edge k (0..K) of the cells of a K-point axis, in double. One point has a
// cell of zero width.
template <class A>
[[gnu::always_inline]] inline double edge(const A* a, std::int64_t K, std::int64_t k) {
  auto at = [a](std::int64_t i) { return static_cast<double>(a[i]); };
  if (K == 1) return at(0);
  if (k == 0) return at(0) - (at(1) - at(0)) / 2;
  if (k == K) return at(K - 1) + (at(K - 1) - at(K - 2)) / 2;
  return (at(k - 1) + at(k)) / 2;
}

// A cursor over the target cells. Ascending sources only move it forward,
// which keeps the rebinning linear; stepping back keeps unsorted input safe.
// The current cell's shares are summed in a register and stored when the
// cursor leaves it: the sum of a cell met once is what adding each share
// to it in turn gives.
template <class A>
struct TargetCell {
  const A* u;
  float* v;
  std::int64_t m;
  std::int64_t j = 0;
  double lo, hi;
  float sum = 0.0f;
  TargetCell(const A* axis, float* out, std::int64_t count)
      : u(axis), v(out), m(count), lo(edge(u, m, 0)), hi(edge(u, m, 1)) {}
  void store() {
    v[j] += sum;
    sum = 0.0f;
  }
  bool next() {
    if (j == m - 1) return false;
    store();
    ++j;
    lo = hi;
    hi = edge(u, m, j + 1);
    return true;
  }
  // To the cell whose upper edge lies above p (or the last cell).
  void seek(double p) {
    while (j > 0 && lo > p) {
      store();
      --j;
      hi = lo;
      lo = edge(u, m, j);
    }
    while (hi <= p && next()) {
    }
  }
  // Cells are half open, except the last, which holds its upper edge too.
  [[nodiscard]] bool holds(double p) const { return lo <= p && (p < hi || (j == m - 1 && p <= hi)); }
};

}  // namespace rebin_detail

// n points (x, y) onto the m target masses u, into v[0..m-1] (zeroed first).
// Each share is formed in double and added to v as a float. A source cell
// of zero width (one source point, repeated masses) or of no width at all
// (masses that step down, NaN) gives its whole value to the target cell
// holding its mass; what lies outside the target's outer edges is dropped.
template <class X, class Y, class U>
void resampleKeepingSum(const X* x, const Y* y, std::int64_t n, const U* u, float* v, std::int64_t m) {
  if (v == nullptr || m <= 0) return;
  std::fill(v, v + m, 0.0f);
  if (n <= 0 || x == nullptr || y == nullptr || u == nullptr) return;
  rebin_detail::TargetCell<U> t(u, v, m);
  double lo = rebin_detail::edge(x, n, 0);
  for (std::int64_t i = 0; i < n;) {
    double hi = rebin_detail::edge(x, n, i + 1);
    if (!(hi - lo > 0)) {
      const double p = static_cast<double>(x[i]);
      t.seek(p);
      if (t.holds(p)) t.sum += static_cast<float>(y[i]);
      lo = hi;
      ++i;
      continue;
    }
    t.seek(lo);
    // One merge of the source cells from here with the target cells, for
    // as long as the sources have width and ascend: at each step the cell
    // that ends first gives way to its successor.
    double density = static_cast<double>(y[i]) / (hi - lo);
    for (;;) {
      const double overlap = std::min(hi, t.hi) - std::max(lo, t.lo);
      const float share = static_cast<float>(density * overlap);
      t.sum += overlap > 0 ? share : 0.0f;
      if (t.hi < hi && t.next()) continue;
      lo = hi;
      if (++i == n) break;
      hi = rebin_detail::edge(x, n, i + 1);
      if (!(hi - lo > 0) || t.lo > lo) break;  // the step above takes it
      density = static_cast<double>(y[i]) / (hi - lo);
    }
  }
  t.store();
}

}  // namespace borealtek_zvraw_version_1
