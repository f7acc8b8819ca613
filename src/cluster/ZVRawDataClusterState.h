#pragma once

namespace borealtek_zvraw_version_1 {

// The life of an open raw directory: no usable directory (cleaned, or the
// last open failed), opened with no scan data, a load running, scans loaded.
enum ZVRawDataClusterState : int {
  ZVRawDataCluster_UNINITIALISED = 0,
  ZVRawDataCluster_UNLOADED = 1,
  ZVRawDataCluster_LOADING = 2,
  ZVRawDataCluster_LOADED = 3
};

}  // namespace borealtek_zvraw_version_1
