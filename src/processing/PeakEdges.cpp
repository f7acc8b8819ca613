#include "processing/PeakEdges.h"

#include <algorithm>

#include "processing/EdgeRecords.h"

namespace {

// First differences: the data set's, or taken from the intensities.
struct StoredSlopes {
  const float* dy;
  float operator()(long j) const { return dy[j]; }
};
struct TakenSlopes {
  const float* y;
  float operator()(long j) const { return j == 0 ? 0.0f : y[j] - y[j - 1]; }
};

template <class Slopes>
long rise(const float* y, Slopes slope, long lPoint, long* plSteepest, long* plStart) {
  float maxSlope = 0.0f;
  long count = 0;
  *plSteepest = lPoint;
  *plStart = lPoint;
  for (long j = lPoint; j >= 0; --j) {
    *plStart = j;
    const float s = slope(j);
    if (!(s > 0.0f)) return count;  // a NaN step is no rise: walks stay linear on NaN runs
    if (y[j] < 0.0f) return count + 1;
    if (s >= maxSlope) {
      maxSlope = s;
      *plSteepest = j;
      ++count;
    }
  }
  return count;
}

template <class Slopes>
long fall(const float* y, long n, Slopes slope, long lPoint, long* plSteepest, long* plEnd) {
  float minSlope = 0.0f;
  long count = 0;
  *plSteepest = lPoint + 1;
  *plEnd = lPoint + 1;
  for (long j = lPoint + 1; j < n; ++j) {
    const float s = slope(j);
    if (!(s <= 0.0f)) return count;  // nor a fall
    *plEnd = j;
    if (y[j] < 0.0f) return count + 1;
    if (minSlope >= s) {
      minSlope = s;
      *plSteepest = j;
      ++count;
    }
  }
  return count;
}

template <class Slopes>
void findEdgesWith(const PKD_DATASET& data, Slopes slope, zvraw::EdgeRecords& edges, int nHalfWidth) {
  const long n = data.lNumPts;
  const float* y = data.pfY;
  edges.clear();
  for (long i = 0; i + 1 < n; ++i) {
    // A point whose successor rises has no fall; skipping it before the rise
    // walk keeps a long ramp linear (the walks have no other effect). The
    // last point has no fall either.
    if (!(y[i] > 0.0f) || slope(i + 1) > 0.0f) continue;
    long steepRise = 0, start = 0, steepFall = 0, end = 0;
    const long up = rise(y, slope, i, &steepRise, &start);
    if (up == 0) continue;
    const long down = fall(y, n, slope, i, &steepFall, &end);
    if (down == 0 || up + down < nHalfWidth) continue;
    if (i <= start && i + 1 >= end) continue;  // a maximum on point 0 falling to point 1
    PKD_EDGE edge{};
    edge.nStatus = PKD_STATUS_EXISTS;
    edge.lStart = steepRise;
    edge.lEnd = steepFall;
    edge.lCorrStart = start;
    edge.lCorrEnd = end;
    edge.sRise.nWidth = zvraw::storedWidth(up);
    edge.sFall.nWidth = zvraw::storedWidth(down);
    edges.add(i, edge);
  }
}

// Lowest point of from..to walking away from the apex (step -1 or +1),
// starting from the point `from`; a negative intensity stops the walk.
long lowestPoint(const float* y, long from, long to, long step) {
  long lowest = from;
  for (long j = from; step < 0 ? j >= to : j <= to; j += step) {
    if (y[j] < 0.0f) break;
    if (y[j] < y[lowest]) lowest = j;
  }
  return lowest;
}

}  // namespace

long EdgeRise(const PKD_DATASET* psData, long lPoint, long* plSteepest, long* plStart) {
  if (psData->pfDyDx != nullptr) return rise(psData->pfY, StoredSlopes{psData->pfDyDx}, lPoint, plSteepest, plStart);
  return rise(psData->pfY, TakenSlopes{psData->pfY}, lPoint, plSteepest, plStart);
}

long EdgeFall(const PKD_DATASET* psData, long lPoint, long* plSteepest, long* plEnd) {
  const long n = psData->lNumPts;
  if (psData->pfDyDx != nullptr) return fall(psData->pfY, n, StoredSlopes{psData->pfDyDx}, lPoint, plSteepest, plEnd);
  return fall(psData->pfY, n, TakenSlopes{psData->pfY}, lPoint, plSteepest, plEnd);
}

void findEdges(const PKD_DATASET& data, zvraw::EdgeRecords& edges, int nHalfWidth) {
  if (data.pfDyDx != nullptr)
    findEdgesWith(data, StoredSlopes{data.pfDyDx}, edges, nHalfWidth);
  else
    findEdgesWith(data, TakenSlopes{data.pfY}, edges, nHalfWidth);
}

void findLowestPoints(const PKD_DATASET& data, zvraw::EdgeRecords& edges) {
  const long n = data.lNumPts;
  long prev = 0;  // with no earlier peak, point 0 is never a boundary
  for (long h = edges.next(-1, +1); h < edges.end();) {
    const long nextHandle = edges.next(h, +1);
    const long i = edges.point(h);
    const long next = nextHandle < edges.end() ? edges.point(nextHandle) : n;
    PKD_EDGE& edge = edges.at(h);
    edge.lStart = edge.lCorrStart = lowestPoint(data.pfY, i, prev + 1, -1);
    edge.lEnd = edge.lCorrEnd = i + 1 < n ? lowestPoint(data.pfY, i + 1, next - 1, +1) : i;
    prev = i;
    h = nextHandle;
  }
}

void PkdFindEdges(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams) {
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, psData->lNumPts);
  findEdges(*psData, edges, psParams->nHalfWidth);
}

void PkdCopyEdges(PKD_EDGE* psTo, const PKD_EDGE* psFrom, long lNumPts) {
  if (lNumPts > 0) std::copy(psFrom, psFrom + lNumPts, psTo);
}

void PkdFindLowestPoints(const PKD_DATASET* psData, PKD_EDGE* psEdges) {
  zvraw::EdgeRecords edges = zvraw::EdgeRecords::dense(psEdges, psData->lNumPts);
  findLowestPoints(*psData, edges);
}
