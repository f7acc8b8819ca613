#pragma once

// Packing a decoded scan into its packet run in memory, as writeScan packs it
// into _funcNNN.dat, for writers that stage many scans in one block.

#include "formats/scans/ZVRawScan.h"

namespace borealtek_zvraw_version_1 {

// The scan's packets: getBytesPerScan(format, peaks) bytes at pOut
// (formats 0, 8, 9, 12, 13).
[[nodiscard]] int packScan(const ZVRawScan& scan, char* pOut, unsigned int nDataFormat);
// packScan and setStats; the same bytes and values.
[[nodiscard]] int packScanWithStats(ZVRawScan& scan, char* pOut, unsigned int nDataFormat);
// packScan and setStats' base peak in one pass over the points; the TIC is
// left as setTICs set it (formats other than 12 take setStats whole).
[[nodiscard]] int packScanWithBasePeak(ZVRawScan& scan, char* pOut, unsigned int nDataFormat);
// Start loading the arrays a writer reads next from memory, ahead of their
// use: the caller's arrays are rarely in any cache by then.
void prefetchForPacking(const ZVRawScan& scan);  // masses and flags
void prefetchForTIC(const ZVRawScan& scan);      // intensities

}  // namespace borealtek_zvraw_version_1
