#pragma once

// Centring of the peaks that detection found: each surviving peak, between
// its boundary points, gets a centre mass, a centre height and an area. The
// centre comes from the apex (method 1), the weighted centroid of the points
// above a threshold (2), the median of a Gaussian-weighted profile (3) or the
// median of the peak's own area (4). Point arguments outside the spectrum
// are moved onto its ends.

#include "processing/PeakDetectRecords.h"

// Fills the result list with every peak of positive area, in apex order.
// 0, or -1 when the list filled (the peaks entered so far are counted).
int FindCentres(const PKD_DATASET* psData, PKD_RESULTS* psOutput, const PKD_EDGE* psEdges, const PKD_PARAMS* psParams,
                bool bAccurateMass);

// base + (top - base) x (100 - top percent) / 100, base being the higher of
// the two boundaries; in accurate-mass mode top x (100 - top percent) / 100.
float PkdMinHeight(const PKD_DATASET* psData, const PKD_CENT_PEAK* psPeak, const PKD_PARAMS* psParams,
                   bool bAccurateMass);

// Summed counts, or the trapezoid area over the masses.
void PkdPeakArea(const PKD_DATASET* psData, long lPkStart, long lPkEnd, PKD_CENT_PEAK* psPeak, bool bTotalIonCount);

// Sets the centre, its height and the threshold crossings; returns the area
// factor of the dead-time correction, 1 when none was applied.
float PkdPeakCentre(const PKD_DATASET* psData, PKD_CENT_PEAK* psPeak, const PKD_PARAMS* psParams, float* pfWorkSpace,
                    float fMinHt, bool bAccurateMass);

void PkdCentroidPeak(const PKD_DATASET* psData, PKD_CENT_PEAK* psPeak, long lPkStart, long lPkEnd, float fMinHeight,
                     bool bAccurateMass);

// The first point of highest intensity in lPkStart..lPkEnd.
long PkdPeakTop(const PKD_DATASET* psData, long lPkStart, long lPkEnd);

// Point positions where the intensity crosses fMinHt rising towards the top
// (lPkEnd) and falling after it (from lPkStart). Not mirrors: when only the
// top lies above the threshold, the rising crossing still interpolates from
// the top's neighbour while the falling one returns the top.
float InterpolateXForward(const PKD_DATASET* psData, long lPkStart, long lPkEnd, float fMinHt);
float InterpolateXBackward(const PKD_DATASET* psData, long lPkStart, long lPkEnd, float fMinHt);

float InterpolateY(const PKD_DATASET* psData, long lPkStart, long lPkEnd, float fCentX);

// FindCentres over either layout of EdgeRecords; the list records may be
// raw storage.
namespace zvraw {
class EdgeRecords;
}
int findCentres(const PKD_DATASET& data, PKD_RESULTS& output, zvraw::EdgeRecords& edges, const PKD_PARAMS& params,
                bool bAccurateMass);
