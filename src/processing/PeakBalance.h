#pragma once

// Width balancing: a chain of maxima, each within nHalfWidth points of the
// previous one (or of a negative point between them), merges into its
// highest member. Peaks are balanced from the highest down; of two equal
// ones the first met in a walk is kept.

#include "processing/PeakDetectRecords.h"

// Returns 0. Peaks removed by a merge lose their exists bit; each peak a
// balancing ends on gets the balanced bit when its rise and fall together
// reach nHalfWidth (an unbalanced peak is kept all the same).
int PkdWidthBalanceEdges(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams);

// One sort record per point: apex height and point, or 0 and -1.
void CopySortEdges(const PKD_DATASET* psData, const PKD_EDGE* psEdges, PKD_SORT_EDGE* psSorted);

void BalanceEdge(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams, long lPoint);

// Absorb the peaks before (TrackRise) or after (TrackFall) lPoint that chain
// to it; the highest of them takes the summed widths. Returns that peak, or
// -1 when none was found.
long TrackRise(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams, long lPoint);
long TrackFall(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams, long lPoint);

[[nodiscard]] bool EdgeBalanced(const PKD_PARAMS* psParams, long lRiseWidth, long lFallWidth);

// The major takes the minor's outer boundary; the minor and every record
// between them lose their exists bit.
void RemoveEdges(PKD_EDGE* psEdges, long lMajor, long lMinor);

// Balances the given peaks of either layout of EdgeRecords (handles,
// highest first).
namespace zvraw {
class EdgeRecords;
}
void balanceFromHighest(const PKD_DATASET& data, zvraw::EdgeRecords& edges, int nHalfWidth, const long* plHandles,
                        long lCount);
