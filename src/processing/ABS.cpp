#include "processing/ABS.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

#include "processing/ABSWorkspace.h"
#include "processing/SplitQuantile.h"
#include "zorvalen/ZorvalenRaw.h"

namespace {

// The quantile of one sub-bin's intensities at one nominal mass.
void qtile(const double* x, std::int64_t m, double q, double tol, double* a) { *a = splitQuantile(x, m, q, tol); }

double nominalOf(double mass) { return std::trunc(0.5 + mass / BARYON); }

// trunc(add + num / den), limited to 0 .. most, as the division gives it.
// The product with the reciprocal is within a few ulps of the quotient,
// which changes the truncation only right next to a whole number: there
// the division decides. Saves a division per point.
struct Truncated {
  double den, inv, most;
  Truncated(double denominator, double largest) : den(denominator), inv(1.0 / denominator), most(largest) {}
  [[nodiscard]] std::uint32_t operator()(double num, double add) const {
    const double q = add + num * inv;
    if (!(q < most + 1.0)) return static_cast<std::uint32_t>(most);
    const std::int64_t k = q > 0.0 ? static_cast<std::int64_t>(q) : 0;
    const double frac = q - static_cast<double>(k), eps = 4e-15 * (1.0 + std::fabs(q));
    if ((k > 0 && frac < eps) || frac > 1.0 - eps) {
      const double exact = add + num / den;
      return exact > 0.0 ? static_cast<std::uint32_t>(std::min(exact, most)) : 0u;
    }
    return static_cast<std::uint32_t>(std::min(static_cast<double>(k), most));
  }
};

// Entries of a sorted window below q1 and below q2. Windows are short, so
// they are counted through, two entries per compare, with no branch on the
// entries (whose order is noise); long ones are bisected.
void countBelow(const double* list, std::int64_t n, double q1, double q2, std::int64_t& c1, std::int64_t& c2) {
  if (n > 64) {
    c1 = std::lower_bound(list, list + n, q1) - list;
    c2 = std::lower_bound(list, list + n, q2) - list;
    return;
  }
  using V [[gnu::vector_size(16)]] = double;
  const V k1 = V{} + q1, k2 = V{} + q2;
  decltype(k1 < k1) below1{}, below2{};  // a true compare is -1
  std::int64_t i = 0;
  for (; i + 2 <= n; i += 2) {
    V v;
    std::memcpy(&v, list + i, sizeof v);
    below1 -= v < k1;
    below2 -= v < k2;
  }
  c1 = below1[0] + below1[1] + (i < n && list[i] < q1 ? 1 : 0);
  c2 = below2[0] + below2[1] + (i < n && list[i] < q2 ? 1 : 0);
}

// Sub-bin indices serve as window indices directly unless the bins outnumber
// the points by more than this; then only the bins in use get a window.
constexpr std::int64_t kDenseBinSlack = 4096;

// What the checks establish about one call.
struct Frame {
  int first = 0, last = 0;  // nominal masses of the first and last points
  std::int64_t bins = 0, half = 0, full = 0, rank = 0;
  double level = 0.0;
};

template <class M>
ABS::Result check(int nBins, int nHalfWindow, double level, const M* masses, int n, Frame& f) {
  if (n < 1) return ABS::SPEC_TOO_SMALL;
  if (!masses || nBins < 1 || nHalfWindow < 0 || std::isnan(level)) return ABS::MASSES_INVALID;
  f.bins = nBins;
  f.half = nHalfWindow;
  f.full = 2 * f.half + 1;
  f.level = level;
  const double first = masses[0], last = masses[n - 1];
  if (std::isfinite(first) && std::isfinite(last) && static_cast<double>(f.full) >= nominalOf(last) - nominalOf(first))
    return ABS::SPEC_TOO_SMALL;
  for (int i = 0; i < n; ++i)
    if (!(masses[i] >= 0) || !std::isfinite(masses[i])) return ABS::MASSES_INVALID;
  // Masses are ints in the windows.
  if (nominalOf(last) > INT_MAX) return ABS::MASSES_INVALID;
  f.first = static_cast<int>(nominalOf(first));
  f.last = static_cast<int>(nominalOf(last));
  const double rank = std::trunc(0.5 + static_cast<double>(f.full) * level);
  f.rank = rank <= 0 ? 0 : rank >= static_cast<double>(f.full - 1) ? f.full - 1 : static_cast<std::int64_t>(rank);
  return ABS::OK;
}

using Group = zvraw::ABSWorkspace::Group;
using SubBin = zvraw::ABSWorkspace::SubBin;
using Pair = zvraw::ABSWorkspace::Pair;

template <class M, class S>
class Subtraction {
 public:
  Subtraction(const Frame& f, const M* masses, S* signal, S* back, int n, zvraw::ABSWorkspace& w)
      : f_(f), masses_(masses), signal_(signal), back_(back), n_(n), w_(w) {}

  ABS::Result run() {
    groups_.clear();
    pairs_.clear();
    assignPoints();
    makeWindows();
    // Entry k of the windows is group k's nominal mass; the last group
    // enters none, and the first borrows the quantiles of the next mass.
    const std::size_t groups = groups_.size(), entries = groups - 1;
    pairStart_.assign(groups + 1, 0);
    std::size_t inserted = 0, removed = 0;
    for (std::size_t k = 0; k < groups; ++k) {
      const std::int64_t c = std::clamp<std::int64_t>(groups_[k].mass, f_.first + f_.half, f_.last - f_.half - 1);
      const std::int64_t low = c - f_.half, high = c + f_.half;
      // Sliding by one mass, each leaving entry gives its places to an entering one.
      for (; removed < inserted && groups_[removed].mass < low; ++removed) {
        const bool entering = inserted < entries && groups_[inserted].mass <= high;
        std::span<const Pair> in;
        if (entering && !entryPairs(inserted, in)) return ABS::BUFFER_TOO_SMALL;
        std::span<const Pair> out;
        (void)entryPairs(removed, out);  // made when it entered
        slide(out, in);
        inserted += entering;
        if (removed > 0) dropPairsThrough(removed);
      }
      for (; inserted < entries && groups_[inserted].mass <= high; ++inserted) {
        std::span<const Pair> in;
        if (!entryPairs(inserted, in)) return ABS::BUFFER_TOO_SMALL;
        slide({}, in);
      }
      subtractGroup(k);
    }
    return ABS::OK;
  }

 private:
  std::int64_t groupEnd(std::size_t k) const { return k + 1 < groups_.size() ? groups_[k + 1].begin : n_; }

  // Groups by the highest nominal mass so far (at most the last one), and
  // each point's sub-bin within its group's nominal mass.
  void assignPoints() {
    groups_.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n_, std::int64_t{f_.last} - f_.first + 1)));
    if (w_.bins.size() < static_cast<std::size_t>(n_)) w_.bins.resize(static_cast<std::size_t>(n_));
    bin_ = w_.bins.data();
    const double width = BARYON / static_cast<double>(f_.bins);
    const Truncated nominalMass(BARYON, f_.last), subBinOf(width, f_.bins - 1);
    // Well inside the highest nominal mass, or inside the last point's
    // sub-bin, by far more than rounding can move a truncation, a point
    // needs neither computed again (ascending masses mostly are).
    constexpr double kInside = 1e-12, kInf = std::numeric_limits<double>::infinity();
    std::int64_t highest = -1;
    double lowerEdge = 0.0, nextMass = -kInf, binLo = kInf, binHi = -kInf;
    std::uint32_t bin = 0;
    for (std::int64_t i = 0; i < n_; ++i) {
      const double mass = masses_[i];
      if (!(mass < nextMass)) {
        if (const std::int64_t nominal = nominalMass(mass, 0.5); nominal > highest) {
          highest = nominal;
          lowerEdge = BARYON * (static_cast<double>(highest) - 0.5);
          nextMass = BARYON * (static_cast<double>(highest) + 0.5) * (1.0 - kInside);
          binLo = kInf;
          groups_.push_back({static_cast<int>(nominal), i});
        }
      }
      const double offset = mass - lowerEdge;
      if (!(offset >= binLo && offset < binHi)) {
        bin = subBinOf(offset, 0.0);
        binLo = bin == 0 ? -kInf : static_cast<double>(bin) * width * (1.0 + kInside);
        binHi = bin == f_.bins - 1 ? kInf : static_cast<double>(bin + 1) * width * (1.0 - kInside);
      }
      bin_[i] = bin;
    }
  }

  // One window per sub-bin in use, sized for the entries it can hold at once.
  void makeWindows() {
    std::size_t states = static_cast<std::size_t>(f_.bins);
    if (f_.bins > n_ + kDenseBinSlack) {
      w_.used.assign(bin_, bin_ + n_);
      std::uint32_t* used = w_.used.data();
      std::sort(used, used + n_);
      states = static_cast<std::size_t>(std::unique(used, used + n_) - used);
      for (std::int64_t i = 0; i < n_; ++i)
        bin_[i] = static_cast<std::uint32_t>(std::lower_bound(used, used + states, bin_[i]) - used);
    }
    std::vector<std::uint32_t>& points = w_.points;
    points.assign(states, 0);
    for (std::int64_t i = 0; i < n_; ++i) ++points[bin_[i]];
    windows_.assign(states, SubBin{});
    std::size_t total = 0;
    for (std::size_t b = 0; b < states; ++b) {
      windows_[b].begin = total;
      // Each of its points' groups, and the borrowed first mass.
      if (points[b] > 0) total += static_cast<std::size_t>(std::min<std::int64_t>(f_.full, points[b] + 1));
    }
    if (w_.list.size() < total) w_.list.resize(total);
    list_ = w_.list.data();
    std::int64_t longest = 0;
    for (std::size_t k = 0; k < groups_.size(); ++k) longest = std::max(longest, groupEnd(k) - groups_[k].begin);
    order_.reserve(static_cast<std::size_t>(longest));
  }

  // Quantiles of group k's sub-bins that are not 0; false when a sub-bin
  // holds more than DELTA_BUFFER_SIZE of its points.
  bool computePairs(std::size_t k) {
    const std::int64_t begin = groups_[k].begin, end = groupEnd(k);
    // Ascending masses keep a group's sub-bins in order; others are sorted.
    if (std::is_sorted(bin_ + begin, bin_ + end))
      return pairsOfRuns(end - begin, [begin](std::int64_t r) { return begin + r; });
    order_.clear();
    for (std::int64_t i = begin; i < end; ++i) order_.push_back(i);
    std::ranges::stable_sort(order_, {}, [&](std::int64_t i) { return bin_[i]; });
    return pairsOfRuns(end - begin, [&](std::int64_t r) { return order_[static_cast<std::size_t>(r)]; });
  }

  // The quantile of each run of points, taken in order point(0 .. count),
  // that share a sub-bin.
  template <class Point>
  bool pairsOfRuns(std::int64_t count, Point point) {
    double values[DELTA_BUFFER_SIZE];
    std::size_t used = pairs_.size();
    pairs_.resize(used + static_cast<std::size_t>(count));  // at most a pair per point
    for (std::int64_t r = 0; r < count;) {
      const std::uint32_t b = bin_[point(r)];
      std::int64_t len = 0;
      for (; r < count && bin_[point(r)] == b; ++r, ++len) {
        if (len == DELTA_BUFFER_SIZE) return false;
        const double y = static_cast<double>(signal_[point(r)]);
        values[len] = std::isfinite(y) ? y : 0.0;
      }
      double q = 0.0;
      qtile(values, len, f_.level, 0.0, &q);
      if (q != 0.0) pairs_[used++] = {b, q};
    }
    pairs_.resize(used);
    return true;
  }

  // Entry k's pairs: group k's own, except that entry 0 borrows those of
  // mass first + 1 (none when that mass has no points). Pairs are made as
  // their group first enters; false when it overfills a sub-bin.
  bool entryPairs(std::size_t k, std::span<const Pair>& out) {
    out = {};
    if (k == 0 && groups_[1].mass != f_.first + 1) return true;
    const std::size_t source = k > 0 ? k : 1;
    if (computed_ < source) {
      pairStart_[source] = firstPair_ + pairs_.size();
      if (!computePairs(source)) return false;
      pairStart_[source + 1] = firstPair_ + pairs_.size();
      computed_ = source;
    }
    out = std::span<const Pair>(pairs_).subspan(pairStart_[source] - firstPair_,
                                                pairStart_[source + 1] - pairStart_[source]);
    return true;
  }

  // Groups 1 .. k have left every window (entry 0, which borrows group 1,
  // leaves first): their pairs go once they outnumber the rest, so the
  // list stays about as long as the pairs within reach of a window.
  void dropPairsThrough(std::size_t k) {
    const std::size_t dead = pairStart_[k + 1] - firstPair_;
    if (dead < 1024 || 2 * dead < pairs_.size()) return;
    pairs_.erase(pairs_.begin(), pairs_.begin() + static_cast<std::ptrdiff_t>(dead));
    firstPair_ += dead;
  }

  // A group leaves and a group enters the windows; both pair lists ascend
  // by sub-bin. A sub-bin in both lists moves its entry in one shift.
  void slide(std::span<const Pair> out, std::span<const Pair> in) {
    std::size_t i = 0, j = 0;
    while (i < out.size() || j < in.size()) {
      const bool leaves = i < out.size() && (j == in.size() || out[i].bin <= in[j].bin);
      const bool enters = j < in.size() && (i == out.size() || in[j].bin <= out[i].bin);
      SubBin& w = windows_[leaves ? out[i].bin : in[j].bin];
      double* list = list_ + w.begin;
      const std::int64_t n = w.size;
      // The leaving entry is the first of its value (or past the end); the
      // entering one goes before the first entry not below it.
      const double qOld = leaves ? out[i++].quantile : 0.0, qNew = enters ? in[j++].quantile : 0.0;
      std::int64_t del = 0, at = 0;
      countBelow(list, n, qOld, qNew, del, at);
      if (!leaves) del = n;
      if (!enters) at = n;
      if (del < at) {
        for (std::int64_t k = del; k + 1 < at; ++k) list[k] = list[k + 1];
        if (enters) list[at - 1] = qNew;
      } else {
        for (std::int64_t k = del; k > at; --k) list[k] = list[k - 1];
        if (enters) list[at] = qNew;
      }
      w.size = static_cast<std::uint32_t>(n + enters - leaves);
      w.negative = w.negative + (enters && qNew < 0.0) - (leaves && qOld < 0.0);
    }
  }

  void subtractGroup(std::size_t k) {
    for (std::int64_t i = groups_[k].begin, end = groupEnd(k); i < end; ++i) {
      const SubBin& w = windows_[bin_[i]];
      const double* list = list_ + w.begin;
      const std::int64_t zeros = f_.full - w.size;
      double value = 0.0;
      if (f_.rank < w.negative)
        value = list[f_.rank];
      else if (f_.rank >= w.negative + zeros)
        value = list[f_.rank - zeros];
      const S background = static_cast<S>(value);
      signal_[i] = signal_[i] - background;
      if (back_) back_[i] = background;
    }
  }

  const Frame& f_;
  const M* masses_;
  S* signal_;
  S* back_;
  std::int64_t n_;
  zvraw::ABSWorkspace& w_;
  std::vector<Group>& groups_ = w_.groups;
  std::uint32_t* bin_ = nullptr;
  std::vector<SubBin>& windows_ = w_.windows;
  double* list_ = nullptr;
  std::vector<Pair>& pairs_ = w_.pairs;  // from pair firstPair_ on: the earlier ones are dropped
  std::size_t firstPair_ = 0;
  std::vector<std::size_t>& pairStart_ = w_.pairStart;  // group k's pairs: [pairStart_[k], pairStart_[k + 1])
  std::size_t computed_ = 0;            // groups 1 .. computed_ have their pairs
  std::vector<std::int64_t>& order_ = w_.order;
};

template <class M, class S>
ABS::Result subtract(int nBins, int nHalfWindow, double level, const M* masses, S* signal, int n, S* back,
                     zvraw::ABSWorkspace* workspace = nullptr) {
  Frame f;
  if (const ABS::Result r = check(nBins, nHalfWindow, level, masses, n, f); r != ABS::OK) return r;
  if (!signal) return ABS::MASSES_INVALID;
  if (workspace) return Subtraction<M, S>(f, masses, signal, back, n, *workspace).run();
  zvraw::ABSWorkspace own;
  return Subtraction<M, S>(f, masses, signal, back, n, own).run();
}

}  // namespace

ABS::Result ABS::ABSFast(const double* pfMasses, double* pfSignal, int nLength, double* pfBack) const {
  return subtract(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, pfSignal, nLength, pfBack);
}
ABS::Result ABS::ABSFast(const float* pfMasses, float* pfSignal, int nLength, float* pfBack) const {
  return subtract(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, pfSignal, nLength, pfBack);
}
ABS::Result ABS::ABSFast(const float* pfMasses, double* pfSignal, int nLength, double* pfBack) const {
  return subtract(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, pfSignal, nLength, pfBack);
}
ABS::Result ABS::ABSFast(const double* pfMasses, float* pfSignal, int nLength, float* pfBack) const {
  return subtract(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, pfSignal, nLength, pfBack);
}
ABS::Result ABS::ABSFast(const double* pfMasses, float* pfSignal, int nLength, float* pfBack,
                         zvraw::ABSWorkspace& workspace) const {
  return subtract(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, pfSignal, nLength, pfBack, &workspace);
}

ABS::Result ABS::CheckSpectrum(const double* pfMasses, int nLength) const {
  Frame f;
  return check(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, nLength, f);
}
ABS::Result ABS::CheckSpectrum(const float* pfMasses, int nLength) const {
  Frame f;
  return check(m_nBins, m_nHalfWindow, m_dQuantLevel, pfMasses, nLength, f);
}

ZV_API int compareQuanAscending(const void* pItem1, const void* pItem2) {
  const auto* p1 = static_cast<const MassQuan* const*>(pItem1);
  const auto* p2 = static_cast<const MassQuan* const*>(pItem2);
  if (!p1 || !p2 || !*p1 || !*p2) return -1;
  const MassQuan &a = **p1, &b = **p2;
  if (a.quantile > b.quantile) return 1;
  if (a.quantile < b.quantile || a.quantile != b.quantile) return -1;
  return a.mass > b.mass ? 1 : -1;
}
