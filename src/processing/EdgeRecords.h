#pragma once

// The edge records that edge finding, balancing, boundary search and
// centring read and change, in one of two layouts:
//  dense: one PKD_EDGE per point, the form the inner functions take;
//  list: records for the maxima only, in apex order, in storage the caller
//    provides. Detection uses it so that its working memory follows the
//    number of maxima, not of points.
// A peak is named by a handle: its point (dense) or its record (list).
// next(h, step) is the nearest handle beyond h in direction step (+1 or -1)
// whose record holds a peak, or -1 / end() when there is none; next(-1, +1)
// is the first.

#include <algorithm>
#include <climits>

#include "processing/PeakDetectRecords.h"

namespace zvraw {

// Widths add up in 64 bits (a peak met again after a merge adds again) and
// are stored in the records' ints.
inline int storedWidth(long width) { return static_cast<int>(std::clamp<long>(width, INT_MIN, INT_MAX)); }
inline bool widthsBalance(long rise, long fall, int nHalfWidth) { return rise + fall >= nHalfWidth; }

class EdgeRecords {
 public:
  static EdgeRecords dense(PKD_EDGE* psEdges, long n) { return {nullptr, psEdges, n, n}; }
  static EdgeRecords list(long* apex, PKD_EDGE* edges, long capacity) { return {apex, edges, capacity, 0}; }

  // Dense: every record empty. List: no record.
  void clear() {
    if (m_apex == nullptr)
      std::fill(m_edges, m_edges + m_count, PKD_EDGE{});
    else
      m_count = 0;
  }
  void add(long point, const PKD_EDGE& edge) {  // in ascending point order
    if (m_apex == nullptr) {
      m_edges[point] = edge;
    } else if (m_count < m_capacity) {  // the caller's bound makes a full list unreachable
      m_apex[m_count] = point;
      m_edges[m_count++] = edge;
    }
  }

  [[nodiscard]] long end() const { return m_count; }
  [[nodiscard]] long point(long h) const { return m_apex == nullptr ? h : m_apex[h]; }
  PKD_EDGE& at(long h) { return m_edges[h]; }
  [[nodiscard]] long next(long h, long step) const {
    for (h += step; h >= 0 && h < m_count; h += step)
      if (PeakExists(m_edges, h)) return h;
    return h;
  }
  // Clears the exists bit of the minor and of every record between it and
  // the major.
  void removeBetween(long major, long minor) {
    const long from = std::min(major + 1, minor), to = std::max(major - 1, minor);
    for (long k = from; k <= to; ++k) m_edges[k].nStatus &= ~PKD_STATUS_EXISTS;
  }

 private:
  EdgeRecords(long* apex, PKD_EDGE* edges, long capacity, long count)
      : m_apex(apex), m_edges(edges), m_capacity(capacity), m_count(count) {}

  long* m_apex;  // list only, ascending
  PKD_EDGE* m_edges;
  long m_capacity;
  long m_count;
};

}  // namespace zvraw
