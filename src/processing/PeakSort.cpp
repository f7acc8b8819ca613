#include "processing/PeakSort.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// A rising run shorter than this is left to the partition.
constexpr long kMinPeeledRun = 8;

// A pivot above every other key leaves its range as it is and only shortens
// it by one. Over a strictly rising run at the right end whose keys exceed
// everything before it, skip those partitions at once: ascending input is
// then linear instead of quadratic. Returns the new right end.
template <class Rec, class Key>
long peelRisingRun(const Rec* r, long left, long right, Key key) {
  long runStart = right;
  while (runStart > left && key(r[runStart - 1]) < key(r[runStart])) --runStart;
  if (runStart == left) return left;  // sorted already
  if (right - runStart < kMinPeeledRun) return right;
  float before = -std::numeric_limits<float>::infinity();  // NaN when any key is NaN
  for (long k = left; k < runStart && before == before; ++k) {
    const float v = key(r[k]);
    if (v != v || v > before) before = v;
  }
  while (right >= runStart && key(r[right]) > before) --right;
  return right;
}

// The partition sort, over any record with a float key.
template <class Rec, class Key>
void quickSort(Rec* r, long left, long right, Key key) {
  while (right > left) {
    right = peelRisingRun(r, left, right, key);
    if (right <= left) return;
    const float pivot = key(r[right]);
    long i = left - 1;
    long j = right;
    for (;;) {
      ++i;
      while (key(r[i]) < pivot) ++i;  // stops on the pivot at the latest
      if (j > 0) {
        do --j;
        while (j > 0 && key(r[j]) > pivot);
      }
      // j halted by the start of the array, not by a key: the pivot is the
      // least key of a range starting at 0. It belongs at i = 0; exchanging
      // on would leave the larger key at 0, unsorted. (Elsewhere j stops on
      // the record before the range, never larger than the range's keys.)
      if (j == 0 && i == 0 && key(r[0]) > pivot) {
        j = -1;
        break;
      }
      if (j < i) break;
      std::swap(r[i], r[j]);
    }
    std::swap(r[i], r[right]);
    // Smaller side by recursion (depth at most log2 n), larger by the loop.
    if (j - left < right - (i + 1)) {
      quickSort(r, left, j, key);
      left = i + 1;
    } else {
      quickSort(r, i + 1, right, key);
      right = j;
    }
  }
}

// Follows the record sort of a spectrum whose points without a peak are
// runs of equal zero records. A range is described by its points L..R and
// the peaks in it (point order); the other points hold zero records. A range
// without peaks needs no sorting; a range without zeros is sorted as records;
// a mixed one is partitioned as the records would be, step by step over the
// peaks and over whole runs of zeros.
class ZeroRunSort {
 public:
  using Entry = PeakSortEntry;

  ZeroRunSort(Entry* e, Entry* scratch) : m_e(e), m_scratch(scratch) {}

  void sort(long L, long R, long count) {
    long a = 0, b = count;
    while (b > a && R > L) {
      if (b - a == R - L + 1) {
        sortFull(a, b, L);
        return;
      }
      if (m_e[b - 1].lPoint == R)
        partitionAbovePeak(L, R, a, b);  // narrows to the left range
      else
        L = partitionAboveZero(L, R, a, b);
    }
  }

 private:
  // A range of peaks sorts on its own as it would in place: where j would
  // stop on the record before the range, the start halts it, and the pivot
  // takes the range's first place all the same.
  void sortFull(long a, long b, long L) {
    quickSort(m_e + a, 0, b - a - 1, [](const Entry& x) { return x.fHeight; });
    for (long k = a; k < b; ++k) m_e[k].lPoint = L + (k - a);
  }

  // Pivot on a zero record: i stops on every point, j on every zero. The
  // first m points swap with the top m zeros, so the left range is all
  // zeros (left unsorted) and the peaks among the first m points move up.
  // Returns the first point of the right range.
  long partitionAboveZero(long L, long R, long a, long b) {
    // z_k, the k-th zero down from R - 1, pairs with point L + k while z_k >= L + k.
    long m = 0;
    for (long zeros = 0, top = R - 1, t = b - 1;; top = m_e[t].lPoint - 1, --t) {
      const long bottom = t >= a ? m_e[t].lPoint + 1 : L;
      if (top >= bottom) {
        const long slack = top - L - zeros;  // run offsets s with s <= slack / 2 pair
        if (slack < 0 || slack / 2 < top - bottom) {
          m = zeros + (slack < 0 ? 0 : slack / 2 + 1);
          break;
        }
        zeros += top - bottom + 1;
      }
      if (t < a) {
        m = zeros;
        break;
      }
    }
    const long mid = L + m;  // the pivot's place
    long kl = a;
    while (kl < b && m_e[kl].lPoint < mid) ++kl;  // peaks among the first m points

    // Their new points, walking the runs down again for rising k.
    long moved = 0;
    Entry toRight{-1, -1, 0.0f};  // what the final exchange sends to R
    for (long k = a, zeros = 0, top = R - 1, t = b - 1; k < kl; ++k) {
      const long want = m_e[k].lPoint - L;
      for (;;) {
        const long bottom = t >= a ? m_e[t].lPoint + 1 : L;
        if (top >= bottom && want < zeros + (top - bottom + 1)) break;
        zeros += std::max(top - bottom + 1, 0L);
        top = m_e[t].lPoint - 1;
        --t;
      }
      Entry x = m_e[k];
      x.lPoint = top - (want - zeros);
      if (x.lPoint == mid)
        toRight = x;
      else
        m_scratch[moved++] = x;  // descending points
    }
    long kept = kl;
    if (kept < b && m_e[kept].lPoint == mid) toRight = m_e[kept++];

    // Merge forward into a..: the write never passes the next unread peak.
    long out = a;
    for (long s = moved - 1; kept < b || s >= 0;)
      m_e[out++] = s < 0 || (kept < b && m_e[kept].lPoint < m_scratch[s].lPoint) ? m_e[kept++] : m_scratch[s--];
    if (toRight.lHandle >= 0) {
      toRight.lPoint = R;
      m_e[out] = toRight;
    }
    return mid + 1;
  }

  // Pivot on a peak of height h: i stops only on peaks of h or more, j on
  // zeros and on peaks of h or less. Everything right of the pivot is then a
  // peak, sorted at once; the loop goes on with the left range.
  void partitionAbovePeak(long& L, long& R, long a, long& b) {
    const Entry pivot = m_e[b - 1];
    const float h = pivot.fHeight;
    long i = L - 1, j = R;
    long lo = a, hi = b - 2;  // the untouched peaks strictly between i and j
    long left = a;            // what ends left of the pivot, written over consumed entries
    long right = 0;           // what ends right of it, descending, in the scratch
    bool tie = false;         // i and j met on a peak of height h
    Entry tied{};
    long iEntry = -1;
    for (;;) {
      while (lo <= hi && m_e[lo].fHeight < h) m_e[left++] = m_e[lo++];  // passed by i, they stay
      iEntry = lo <= hi ? lo : -1;
      i = iEntry >= 0 ? m_e[iEntry].lPoint : j;
      long p = j - 1;
      while (p > i && hi >= lo && m_e[hi].lPoint == p && m_e[hi].fHeight > h) {
        m_scratch[right++] = m_e[hi--];  // passed by j, they stay
        --p;
      }
      long jEntry = -1;
      if (p > i) {
        if (hi >= lo && m_e[hi].lPoint == p) jEntry = hi;  // a peak of h or less, else a zero
      } else if (p == i && iEntry >= 0 && m_e[iEntry].fHeight == h) {
        jEntry = iEntry;
      } else {
        p = i - 1;  // every point left of i holds h or less
      }
      if (p < i) break;
      if (p == i) {
        tie = true;
        tied = m_e[iEntry];
        i = p + 1;  // i moves on to the next peak, which goes to R
        break;
      }
      Entry big = m_e[lo++];
      if (jEntry >= 0) {
        Entry small = m_e[jEntry];
        small.lPoint = i;
        m_e[left++] = small;
        hi = jEntry - 1;
      }
      big.lPoint = p;
      m_scratch[right++] = big;
      j = p;
    }
    // The final exchange: the record at i goes to R, the pivot to i.
    Entry atI{-1, -1, 0.0f};
    if (!tie && iEntry >= 0) {
      atI = m_e[iEntry];
    } else if (right > 0 && m_scratch[right - 1].lPoint == i) {
      atI = m_scratch[--right];
    }

    // Write back in point order: left, the tie, the pivot, right.
    long k = left;
    if (tie) m_e[k++] = tied;
    m_e[k] = pivot;
    m_e[k++].lPoint = i;
    const long rightStart = k;
    while (right > 0) m_e[k++] = m_scratch[--right];
    if (atI.lHandle >= 0) {
      atI.lPoint = R;
      m_e[k++] = atI;
    }
    if (rightStart < b) sortFull(rightStart, b, i + 1);
    b = left;
    R = tie ? i - 2 : i - 1;
  }

  Entry* m_e;
  Entry* m_scratch;
};

}  // namespace

void QuickSort(PKD_SORT_EDGE* psRecords, long lLeft, long lRight) {
  if (psRecords == nullptr || lLeft < 0) return;
  quickSort(psRecords, lLeft, lRight, [](const PKD_SORT_EDGE& r) { return r.fHeight; });
}

void PkdQuickSort(PKD_SORT_EDGE* psRecords, long lCount) {
  if (lCount > 1) QuickSort(psRecords, 0, lCount - 1);
}

void sortPeaksAsRecords(PeakSortEntry* psPeaks, long lCount, long n, PeakSortEntry* psScratch) {
  ZeroRunSort(psPeaks, psScratch).sort(0, n - 1, lCount);
}
