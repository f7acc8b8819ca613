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
#include <vector>

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
  // To the cell whose upper edge lies above p (or the last cell). A near
  // cell is galloped to from here; a far one is looked up over the whole
  // axis through every 64th edge, so a jump across the axis costs a few
  // probes, not a step per cell (the cells passed over take nothing).
  void seek(double p) {
    const bool back = j > 0 && lo > p, ahead = !back && hi <= p && j < m - 1;
    if (!back && !ahead) return;
    store();
    // The cell sought is the first k whose edge k + 1 lies above p: it lies
    // in [from, from + len) once a probe has found one such.
    std::int64_t from = -1, len = 0;
    // A jump past kNear cells goes straight to the coarse edges.
    const bool near = ahead ? j + kNear >= m - 1 || above(j + kNear, p) : j <= kNear || !above(j - kNear, p);
    if (!near) {
      farRange(p, from, len);
    } else if (ahead) {
      for (std::int64_t step = 1;; step *= 2)
        if (j + step >= m - 1 || above(j + step, p)) {
          from = j + step / 2 + 1;
          len = std::min(j + step, m - 1) - from + 1;
          break;
        }
    } else {
      for (std::int64_t step = 1;; step *= 2)
        if (j - step < 0 || !above(j - step, p)) {  // edge j lies above p: cell j - 1 is one
          from = std::max<std::int64_t>(j - step + 1, 0);
          len = j - step / 2 - from + 1;
          break;
        }
    }
    // Halving without branches on the outcome, which jumps make random.
    while (len > 1) {
      const std::int64_t half = len / 2;
      const auto miss = static_cast<std::int64_t>(!above(from + half - 1, p));
      from += miss * half;
      len = half + miss * (len - 2 * half);
    }
    j = from;
    lo = edge(u, m, j);
    hi = edge(u, m, j + 1);
  }
  // Cells are half open, except the last, which holds its upper edge too.
  [[nodiscard]] bool holds(double p) const { return lo <= p && (p < hi || (j == m - 1 && p <= hi)); }

 private:
  static constexpr std::int64_t kNear = 64;
  std::vector<double> coarse;  // edge kNear x i, made at the first far jump

  [[nodiscard]] bool above(std::int64_t k, double p) const { return k == m - 1 || edge(u, m, k + 1) > p; }
  // The cells between two coarse edges that hold the cell sought.
  void farRange(double p, std::int64_t& from, std::int64_t& len) {
    if (coarse.empty()) {
      coarse.resize(static_cast<std::size_t>(m / kNear + 1));
      for (std::size_t i = 0; i < coarse.size(); ++i) coarse[i] = edge(u, m, static_cast<std::int64_t>(i) * kNear);
    }
    // Edges i x kNear ascend: the first above p bounds the cell from above.
    std::int64_t i = 0, n = static_cast<std::int64_t>(coarse.size());
    while (n > 0) {
      const std::int64_t half = n / 2;
      const auto below = static_cast<std::int64_t>(!(coarse[static_cast<std::size_t>(i + half)] > p));
      i += below * (half + 1);
      n = half + below * (n - 2 * half - 1);
    }
    from = std::min(i == 0 ? 0 : (i - 1) * kNear, m - 1);
    len = std::max<std::int64_t>(std::min(i * kNear, m) - from, 1);
  }
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

// The cells of the m-point axis u that rebinning the n masses x can give a
// share to, with one more on each side: [first, first + count), count 0 when
// none can. Rebinning onto these cells alone gives each of them what
// rebinning onto all of u gives it (the outer two, whose edges then differ,
// take nothing either way), so a spectrum costs its points and its window
// instead of the whole axis. The axis must ascend; masses that are not all
// finite get the whole axis.
template <class X, class U>
void rebinWindow(const X* x, std::int64_t n, const U* u, std::int64_t m, std::int64_t& first,
                 std::int64_t& count) {
  first = 0;
  count = m;
  if (m <= 2) return;
  count = 0;
  if (n <= 0 || x == nullptr || u == nullptr) return;
  // Every cell edge of the source lies between its lowest and highest mass
  // but the two outer ones.
  const double outer[2] = {rebin_detail::edge(x, n, 0), rebin_detail::edge(x, n, n)};
  double low = std::min(outer[0], outer[1]), high = std::max(outer[0], outer[1]);
  for (std::int64_t i = 0; i < n; ++i) {
    const auto v = static_cast<double>(x[i]);
    if (!(v - v == 0)) {  // NaN or infinite
      count = m;
      return;
    }
    low = std::min(low, v);
    high = std::max(high, v);
  }
  if (high < rebin_detail::edge(u, m, 0) || low > rebin_detail::edge(u, m, m)) return;
  // The first cell whose upper edge lies above low, the last whose lower
  // edge is not above high.
  auto firstAbove = [&](double p, std::int64_t shift) {
    std::int64_t no = -1, yes = m;  // edge k + shift
    while (yes - no > 1) {
      const std::int64_t mid = no + (yes - no) / 2;
      (rebin_detail::edge(u, m, mid + shift) > p ? yes : no) = mid;
    }
    return yes;
  };
  // Never the last cell alone: on its own it has no width, and a mass on
  // the axis's upper edge, which the last cell holds, would find no cell.
  const std::int64_t from = std::clamp<std::int64_t>(firstAbove(low, 1) - 1, 0, m - 2);
  const std::int64_t to = std::min<std::int64_t>(firstAbove(high, 0), m - 1);
  first = from;
  count = to - from + 1;
}

}  // namespace borealtek_zvraw_version_1
