#pragma once

// A quantile of an unsorted array without sorting it: the estimate splits
// the values still in range into those below and those at or above it, and
// the range shrinks to the side that holds the target rank, the next
// estimate being that side's mean. Both background subtractions use it, in
// their own precision (sums included).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace split_quantile_detail {

// One round's split of the values within [lo, hi] at a.
template <class T>
struct Split {
  std::int64_t nA = 0, nB = 0;  // at or above a, below a
  T minA, maxB, sumA = 0, sumB = 0;
};

// A round is one sweep of every value, so it runs SSE registers of lanes,
// two at a time so that the sums do not wait on each other; sums go lane
// by lane.
template <class T>
Split<T> splitAt(const T* x, std::int64_t m, T lo, T hi, T a) {
  using V [[gnu::vector_size(16)]] = T;
  using Mask = decltype(V{} < V{});
  constexpr std::int64_t kLanes = sizeof(V) / sizeof(T), kStep = 2 * kLanes;
  Split<T> s{0, 0, hi, lo, 0, 0};
  std::int64_t i = 0;
  if (m >= 2 * kStep) {
    const V vlo = V{} + lo, vhi = V{} + hi, va = V{} + a, zero{};
    V sumA[2]{}, sumB[2]{}, minA[2]{vhi, vhi}, maxB[2]{vlo, vlo};
    Mask nA[2]{}, nB[2]{};
    for (; i + kStep <= m; i += kStep)
      for (int h = 0; h < 2; ++h) {
        V v;
        std::memcpy(&v, x + i + h * kLanes, sizeof v);
        const Mask in = (v >= vlo) & (v <= vhi);  // NaN is never in range
        const Mask atOrAbove = in & (v >= va), below = in & (v < va);
        sumA[h] += atOrAbove ? v : zero;
        sumB[h] += below ? v : zero;
        minA[h] = (atOrAbove & (v < minA[h])) ? v : minA[h];
        maxB[h] = (below & (v > maxB[h])) ? v : maxB[h];
        nA[h] -= atOrAbove;  // a true compare is -1
        nB[h] -= below;
      }
    for (int h = 0; h < 2; ++h)
      for (std::int64_t k = 0; k < kLanes; ++k) {
        s.nA += nA[h][k];
        s.nB += nB[h][k];
        s.sumA += sumA[h][k];
        s.sumB += sumB[h][k];
        s.minA = std::min(s.minA, minA[h][k]);
        s.maxB = std::max(s.maxB, maxB[h][k]);
      }
  }
  for (; i < m; ++i) {
    const T v = x[i];
    if (!(v >= lo && v <= hi)) continue;
    if (v >= a) {
      ++s.nA;
      s.sumA += v;
      s.minA = std::min(s.minA, v);
    } else {
      ++s.nB;
      s.sumB += v;
      s.maxB = std::max(s.maxB, v);
    }
  }
  return s;
}

// Few values need no splitting: sorted, they give the order statistics the
// splits end on when there is no tolerance. False for a value that is not
// finite (those take the splits' own path).
constexpr std::int64_t kSortedAtMost = 16;
template <class T>
bool sortedQuantile(const T* x, std::int64_t m, std::int64_t below, std::int64_t above, T& out) {
  T v[kSortedAtMost];
  for (std::int64_t i = 0; i < m; ++i) {
    if (!std::isfinite(x[i])) return false;
    v[i] = x[i];
    // Insertion by exchanges without a data-dependent branch: the order of
    // the values is noise, and their count is small.
    for (std::int64_t j = i; j > 0; --j) {
      const T a = v[j - 1], b = v[j];
      v[j - 1] = std::min(a, b);
      v[j] = std::max(a, b);
    }
  }
  if (below + above + 1 == m)
    out = v[below];  // a whole rank
  else if (below == 0 || below == m)
    out = below == 0 ? v[0] : v[m - 1];
  else
    out = std::max(v[below - 1], std::min(v[below], (v[below] + v[below - 1]) / T(2)));
  return true;
}

}  // namespace split_quantile_detail

// The q-quantile (q clamped to 0 .. 1, NaN as 0) of the m values of x, within
// the absolute tolerance tol (below 0 as 0). The target rank is r = 0.5 + m q:
// a whole r gives the r-th smallest value, any other the midpoint of the
// values around r (the smallest below rank 1, the largest above m). A
// tolerance exit returns the current estimate. 0 for m <= 0, nothing read.
// NaN values take part in no split (all NaN give NaN); each round drops at
// least one value from the range, so at most m + 1 rounds run.
template <class T>
[[nodiscard]] T splitQuantile(const T* x, std::int64_t m, T q, T tol) {
  if (m <= 0) return T(0);
  if (m == 1) return x[0];  // every rank is the one value
  q = q >= T(0) ? std::min(q, T(1)) : T(0);
  // Ranks k in 1 .. m with k < r, and with k > r (r is 0.5 .. m + 0.5).
  const double r = 0.5 + static_cast<double>(static_cast<T>(m) * q);
  const auto whole = static_cast<std::int64_t>(r);
  std::int64_t below = std::min(whole - (static_cast<double>(whole) == r ? 1 : 0), m);
  std::int64_t above = m - std::min(whole, m);
  if (!(tol > T(0)) && m <= split_quantile_detail::kSortedAtMost) {
    T out;
    if (split_quantile_detail::sortedQuantile(x, m, below, above, out)) return out;
  }
  T lo = std::numeric_limits<T>::infinity(), hi = -lo;
  for (std::int64_t i = 0; i < m; ++i) {
    lo = x[i] < lo ? x[i] : lo;
    hi = x[i] > hi ? x[i] : hi;
  }
  if (lo > hi) return std::numeric_limits<T>::quiet_NaN();  // every value NaN
  const T t = tol > T(0) ? tol : T(0);
  // Estimates stay inside the range, even where a sum or product overflows;
  // a NaN one (infinite values) becomes lo, which ends the search.
  auto inRange = [&](T v) { return v >= lo ? (v <= hi ? v : hi) : lo; };
  T a = inRange((T(1) - q) * lo + q * hi);
  for (;;) {
    if (lo + t >= a || a >= hi - t) return a;
    const auto s = split_quantile_detail::splitAt(x, m, lo, hi, a);
    if (s.nA <= above && s.nB <= below) return std::max(s.maxB, std::min(s.minA, (s.minA + s.maxB) / T(2)));
    if (s.nA <= above) {
      hi = s.maxB;
      a = inRange(s.sumB / static_cast<T>(s.nB));
      above -= s.nA;
    } else {
      lo = s.minA;
      a = inRange(s.sumA / static_cast<T>(s.nA));
      below -= s.nB;
    }
  }
}
