#pragma once

// The summed intensity in one mass window for many scans at once, each value
// exactly what ZVRawScan::getSumIntensity gives for its scan. Scans with
// ascending masses are bisected in lockstep, a group at a time, so that the
// cache misses of many scans overlap instead of following one another: a
// chromatogram over loaded scans is bound by those misses.

#include "formats/scans/ZVRawScan.h"

namespace borealtek_zvraw_version_1 {

// out[k] := the sum of scans[k]; the first scan whose sum fails stops the
// run with its code (values before it are kept).
[[nodiscard]] int sumScansInWindow(const ZVRawScan* const* scans, unsigned int count, float fLowMass, float fHighMass,
                                   float fWindow, bool bDaughters, bool bUnsorted, float* out);

}  // namespace borealtek_zvraw_version_1
