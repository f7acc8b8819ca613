#pragma once

// The record of one open raw directory's file-level objects, shared by every
// cluster opened on it. So far it holds what the drift-reader manager reads:
// the header (with each function's mass calibration) and the lock-mass gain
// table, which is absent unless the directory has a lock-mass function.

#include <memory>

#include "formats/ZVRawExternalLumavent.h"
#include "formats/ZVRawHeader.h"

namespace borealtek_zvraw_version_1 {

struct ZVRawDataClusterInfo {
  std::unique_ptr<ZVRawHeader> m_pHeader;
  std::unique_ptr<ZVRawExternalLumavent> m_pExternalLumavent;
};

}  // namespace borealtek_zvraw_version_1
