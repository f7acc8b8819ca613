#pragma once

#include "processing/PeakDetectRecords.h"

// Dead-time correction of one centred time-of-flight peak with the built-in
// table. Returns the mass shift to add to the peak's centre, writes the
// factor for its area through Ci and sets its bInaccurate mark. The data set
// is not read. A divisor or resolution at or below 0 leaves the peak
// uncorrected and unmarked; a null peak or parameter record gives shift 0 and
// factor 1.
float PkdCorrectTOFPeak(const PKD_DATASET* psData, const PKD_PARAMS* psParams, PKD_CENT_PEAK* psPeak, float* Ci);
