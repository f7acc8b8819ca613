#pragma once

// Sorts peaks by apex height, ascending. The order of equal heights is the
// one this partition leaves (it decides which of two equal peaks is balanced
// first), so the partition is kept exactly; only its recursion depth is
// bounded, by sorting the smaller side first and looping on the larger.

#include "processing/PeakDetectRecords.h"

void PkdQuickSort(PKD_SORT_EDGE* psRecords, long lCount);
void QuickSort(PKD_SORT_EDGE* psRecords, long lLeft, long lRight);

// Orders the peaks of a spectrum of n points exactly as PkdQuickSort orders
// the n records of CopySortEdges (height 0 and index -1 for every point
// without a peak), but without those n records: it follows the peaks and the
// runs of empty points between them. psPeaks: lCount peaks in ascending point
// order, heights above 0; on return in sort order (lPoint is then the sorted
// position). psScratch: room for lCount entries.
struct PeakSortEntry {
  long lPoint;
  long lHandle;  // the caller's name for the peak, carried along
  float fHeight;
};
void sortPeaksAsRecords(PeakSortEntry* psPeaks, long lCount, long n, PeakSortEntry* psScratch);
