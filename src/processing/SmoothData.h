#pragma once

// The staged smoother: SmoothDataNoStatus owns the buffers and runs the
// stages, which dispatch on the method to the Savitzky-Golay stage (the
// only method there is). A pass convolves the interior with the weights
// and gives each end a shrinking-window mean. Passes run in place through
// a window buffer of 2 x nWidth + 256 points at most: a second buffer of
// the whole length would cost more in fresh pages than the pass itself.

#include "processing/SmoothingRecords.h"

// lpsParams->nIterates passes over lpsData in place. False, data unchanged,
// for a null record or array, a negative half-width or pass count, no more
// than 2 * nWidth + 1 points (refused before anything is allocated) or a
// method other than 2; std::bad_alloc, data unchanged, when the buffers
// cannot be had. Unsupported weights stay zero and are used as such.
bool SmoothDataNoStatus(SMO_DATASET* lpsData, SMO_PARAMS* lpsParams);

// Stages over a control record whose data, window buffer (pfPrevY: the
// point count always suffices) and weight array are set. Init: 0, -3 for
// too few points (or a negative half-width), -1 for another method, a
// negative pass count or a missing buffer. Iter runs one pass (nothing once
// complete); Term has nothing left to do, the result being in the data
// array already. Both return 0, or -1 for a record Init would refuse.
int SmoSmoothInit(SMOOTH* lpsSmooth);
int SmoSmoothIter(SMOOTH* lpsSmooth);
int SmoSmoothTerm(SMOOTH* lpsSmooth);
int SmoSavGyInit(SMOOTH* lpsSmooth);
int SmoSavGyIter(SMOOTH* lpsSmooth);
int SmoSavGyTerm(SMOOTH* lpsSmooth);

// The ends of one pass: for each of the first nWidth indices i, out[i] is
// the mean of in[0 .. i + nWidth]; for each of the last nWidth, the mean of
// in[i - nWidth .. n - 1]. Nothing for null arrays, nWidth <= 0 or fewer
// than 2 * nWidth points.
void EndPoints(const float* pfIn, float* pfOut, long lNumPts, int nWidth);
