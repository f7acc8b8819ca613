#pragma once

// Time-of-flight peak detection: a continuum spectrum (ascending masses)
// becomes a centroided peak list, one mass and one height or area per peak,
// in ascending apex order. Maxima are found from the first differences,
// maxima closer than the minimum width merge into the highest, each peak
// lies between the lowest points that separate it from its neighbours, and
// centring gives its mass (methods 1 to 4, see PeakCentring.h). With areas
// as counts and a dead-time correction, centroided peaks are corrected for
// the detector's dead time. Working memory is per call; an allocation
// failure is std::bad_alloc.

#include "processing/PeakDetectRecords.h"
#include "processing/TOFDeadTimeCorrection.h"

// 0 with the peaks in pfXOut/pfYOut (room for lNumIn each) and their count in
// *lNumOut; -1, tracing "No Peaks to detect", when lNumIn is 0 or less, and
// -1 when an array is null.
int PeakDetect(const float* pfXIn, const float* pfYIn, long lNumIn, float* pfXOut, float* pfYOut, long* lNumOut,
               int nHalfWidth, float fCentTop, int nCentMethod, bool bArea, bool bCounts, bool bAccurateMass,
               const TOFDeadTimeCorrection* pDeadTimeCorrection);

// In place: the peaks overwrite the start of the caller's arrays and
// nNumPts becomes their count (0 when detection fails). 0 points: nothing.
void peakDetectTOF(float* pfMassOrig, float* pfIntenOrig, unsigned int& nNumPts, int nMinPeakWidth, float fCentTop,
                   int nCentMethod, bool bArea, bool bAreaAsCounts, bool bAccurateMass,
                   const TOFDeadTimeCorrection* pDeadTimeCorrection);

// Width 4, top 80 %, centroid, areas as counts, no accurate mass, no dead-time
// correction.
void defaultPeakDetectTOF(float* pfMass, float* pfInten, unsigned int& nNumPts);

// The core: edges found at width 1 into psEdges (lNumPts records), balanced
// at the caller's width on a copy, bounded by the lowest points, centred
// into the result list. Detection itself runs the same steps on records for
// the maxima only.
int PkdCentDetect(PKD_DATASET* psData, PKD_EDGE* psEdges, PKD_RESULTS* psResults, const PKD_PARAMS* psParams,
                  bool bAccurateMass);

// Dead-time correction of one centred peak: the mass shift, the intensity
// factor and whether the mass stays accurate (also the result, 1 or 0).
// Without a correction record: shift 0, factor 1, accurate.
int PeakCorrect(float fMass, float fInten, const TOFDeadTimeCorrection* pDeadTimeCorrection, float& fMassCorrection,
                float& fIntenCorrection, bool& bAccurateMass);
void peakCorrectTof(float fMass, float fInten, const TOFDeadTimeCorrection* pDeadTimeCorrection, float& fMassCorrection,
                    float& fIntenCorrection, bool& bAccurateMass);
