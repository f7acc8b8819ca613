#pragma once

// Statistics of many scans at once, each value as ZVRawScan::setStats takes
// it for its scan.

#include <span>

#include "formats/scans/ZVRawScan.h"

namespace borealtek_zvraw_version_1 {

// setStats' TIC of each scan (those without arrays keep theirs). Each sum's
// additions wait on one another; several scans' sums run side by side in the
// time of one.
void setTICs(std::span<ZVRawScan> scans);

}  // namespace borealtek_zvraw_version_1
