#include "processing/PeakBalance.h"

#include <algorithm>
#include <vector>

#include "processing/EdgeRecords.h"
#include "processing/PeakSort.h"

namespace {

void removeEdges(zvraw::EdgeRecords& edges, long major, long minor) {
  if (minor < 0 || minor == major) return;
  if (minor < major)
    edges.at(major).lStart = edges.at(minor).lStart;
  else
    edges.at(major).lEnd = edges.at(minor).lEnd;
  edges.removeBetween(major, minor);
}

// The walk of TrackRise (step -1) and TrackFall (step +1), from peak to peak.
long track(const PKD_DATASET& data, zvraw::EdgeRecords& edges, int nHalfWidth, long handle, long step) {
  const float* y = data.pfY;
  long rise = edges.at(handle).sRise.nWidth;
  long fall = edges.at(handle).sFall.nWidth;
  long major = handle, minor = -1;
  long majorPoint = edges.point(handle), last = majorPoint;
  for (long from = handle;;) {
    const long found = edges.next(from, step);
    if (found < 0 || found >= edges.end()) break;
    const long point = edges.point(found);
    // A negative point between shortens the measured gap: the one nearest
    // the peak counts.
    for (long k = point - step, stop = edges.point(from); k != stop; k -= step) {
      if (y[k] < 0.0f) {
        last = k;
        break;
      }
    }
    if ((last - point) * -step > nHalfWidth) break;
    last = point;
    from = found;
    rise += edges.at(found).sRise.nWidth;
    fall += edges.at(found).sFall.nWidth;
    if (y[point] > y[majorPoint]) {
      minor = major;
      major = found;
      majorPoint = point;
    } else {
      minor = found;
    }
  }
  if (minor < 0) return -1;
  edges.at(major).sRise.nWidth = zvraw::storedWidth(rise);
  edges.at(major).sFall.nWidth = zvraw::storedWidth(fall);
  removeEdges(edges, major, minor);
  return major;
}

void balanceEdge(const PKD_DATASET& data, zvraw::EdgeRecords& edges, int nHalfWidth, long handle) {
  for (long next; (next = track(data, edges, nHalfWidth, handle, -1)) != -1;) handle = next;
  for (long next; (next = track(data, edges, nHalfWidth, handle, +1)) != -1;) handle = next;
  PKD_EDGE& edge = edges.at(handle);
  if (zvraw::widthsBalance(edge.sRise.nWidth, edge.sFall.nWidth, nHalfWidth)) edge.nStatus |= PKD_STATUS_BALANCED;
}

}  // namespace

void balanceFromHighest(const PKD_DATASET& data, zvraw::EdgeRecords& edges, int nHalfWidth, const long* plHandles,
                        long lCount) {
  for (long k = 0; k < lCount; ++k) {
    const long h = plHandles[k];
    // A peak merged away has lost its exists bit; a balanced one is done.
    if ((edges.at(h).nStatus & (PKD_STATUS_EXISTS | PKD_STATUS_BALANCED)) == PKD_STATUS_EXISTS)
      balanceEdge(data, edges, nHalfWidth, h);
  }
}

void CopySortEdges(const PKD_DATASET* psData, const PKD_EDGE* psEdges, PKD_SORT_EDGE* psSorted) {
  for (long i = 0; i < psData->lNumPts; ++i)
    psSorted[i] = PeakExists(psEdges, i) ? PKD_SORT_EDGE{psData->pfY[i], i} : PKD_SORT_EDGE{0.0f, -1};
}

long TrackRise(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams, long lPoint) {
  if (lPoint < 0 || lPoint >= psData->lNumPts) return -1;
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, psData->lNumPts);
  return track(*psData, edges, psParams->nHalfWidth, lPoint, -1);
}

long TrackFall(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams, long lPoint) {
  if (lPoint < 0 || lPoint >= psData->lNumPts) return -1;
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, psData->lNumPts);
  return track(*psData, edges, psParams->nHalfWidth, lPoint, +1);
}

bool EdgeBalanced(const PKD_PARAMS* psParams, long lRiseWidth, long lFallWidth) {
  return zvraw::widthsBalance(lRiseWidth, lFallWidth, psParams->nHalfWidth);
}

void RemoveEdges(PKD_EDGE* psEdges, long lMajor, long lMinor) {
  if (lMajor < 0 || lMinor < 0) return;
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, std::max(lMajor, lMinor) + 1);
  removeEdges(edges, lMajor, lMinor);
}

void BalanceEdge(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams, long lPoint) {
  if (lPoint < 0 || lPoint >= psData->lNumPts) return;
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, psData->lNumPts);
  balanceEdge(*psData, edges, psParams->nHalfWidth, lPoint);
}

int PkdWidthBalanceEdges(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams) {
  const long n = psData->lNumPts;
  if (n <= 0) return 0;
  std::vector<PKD_SORT_EDGE> sorted(static_cast<std::size_t>(n));
  CopySortEdges(psData, psEdges, sorted.data());
  PkdQuickSort(sorted.data(), n);
  std::vector<long> order;  // highest first, up to the first point without a peak
  for (long k = n - 1; k >= 0 && sorted[static_cast<std::size_t>(k)].lIndex != -1; --k)
    order.push_back(sorted[static_cast<std::size_t>(k)].lIndex);
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, n);
  balanceFromHighest(*psData, edges, psParams->nHalfWidth, order.data(), static_cast<long>(order.size()));
  return 0;
}
