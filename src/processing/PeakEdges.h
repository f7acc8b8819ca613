#pragma once

// Finding the peaks of a continuum spectrum from its first differences, and
// placing each between the lowest points that separate it from its
// neighbours. Every function takes a data set whose arrays hold lNumPts
// points and, where it takes edge records, lNumPts of them.

#include "processing/PeakDetectRecords.h"

// Points, counted from the apex down, at which the rising slope reached a new
// maximum (ties count); 0 unless pfY[i] > pfY[i-1]. A negative point ends the
// rise and counts one more. Writes the steepest-rise point and the start.
long EdgeRise(const PKD_DATASET* psData, long lPoint, long* plSteepest, long* plStart);

// The mirror walk after the apex; a flat step continues a fall (a zero
// difference counts as a new minimum slope). Writes the steepest-fall point
// and the end.
long EdgeFall(const PKD_DATASET* psData, long lPoint, long* plSteepest, long* plEnd);

// Records every local maximum above 0 with a rise and a fall of nHalfWidth
// points or more; every other record becomes empty.
void PkdFindEdges(const PKD_DATASET* psData, PKD_EDGE* psEdges, const PKD_PARAMS* psParams);

void PkdCopyEdges(PKD_EDGE* psTo, const PKD_EDGE* psFrom, long lNumPts);

// Boundaries of every peak: the strictly lowest point between it and the
// nearest peak on each side (a tie stays nearer the apex; a negative point
// stops the search). Neighbouring peaks may share a boundary.
void PkdFindLowestPoints(const PKD_DATASET* psData, PKD_EDGE* psEdges);

// The same over either layout of EdgeRecords.
namespace zvraw {
class EdgeRecords;
}
void findEdges(const PKD_DATASET& data, zvraw::EdgeRecords& edges, int nHalfWidth);
void findLowestPoints(const PKD_DATASET& data, zvraw::EdgeRecords& edges);
