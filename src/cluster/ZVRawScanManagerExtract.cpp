// Filling a scan buffer from the loaded scans of several clusters.

#include <vector>

#include "cluster/ZVRawDataClusterImp.h"
#include "cluster/ZVRawScanManagerImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

int ZVRawScanManagerImp::isContiguousData(ZVRawDataClusterImp** pDataCluster, unsigned nNumberOfClusters,
                                          unsigned nFuncNum) const {
  if (pDataCluster == nullptr || nNumberOfClusters == 0) return ZVRAW_ERROR;
  // A range that cannot be read counts as 0 to 0.
  auto range = [&](unsigned i, unsigned& start, unsigned& end) {
    if (pDataCluster[i] == nullptr || pDataCluster[i]->getLoadedScanRange(nFuncNum, start, end) != ZVRAW_OK)
      start = end = 0;
  };
  for (unsigned i = 0; i + 1 < nNumberOfClusters; ++i) {
    unsigned s1 = 0, e1 = 0, s2 = 0, e2 = 0;
    range(i, s1, e1);
    range(i + 1, s2, e2);
    if (isContiguousScanRange(s1, e1, s2, e2) != 0) return ZVRAW_ERROR;
  }
  return ZVRAW_OK;
}

// Every range is checked before any cluster gives its scans away: each
// cluster holds scans of the function, appears once, and its range joins or
// overlaps the one before and ends no earlier. The new buffer is built
// aside and replaces the old one only when complete; a cluster that still
// borrows the old buffer keeps it alive.
int ZVRawScanManagerImp::extractAllscans(ZVRawDataClusterImp** pDataCluster, unsigned nNumberOfClusters,
                                         unsigned nFuncNum) {
  if (pDataCluster == nullptr || nNumberOfClusters == 0) return ZVRAW_ERROR;
  if (int rc = isContiguousData(pDataCluster, nNumberOfClusters, nFuncNum); rc != ZVRAW_OK) return rc;
  unsigned lastEnd = 0;
  for (unsigned i = 0; i < nNumberOfClusters; ++i) {
    ZVRawDataClusterImp* cluster = pDataCluster[i];
    unsigned start = 0, end = 0;
    if (cluster == nullptr || cluster->getLoadedScanRange(nFuncNum, start, end) != ZVRAW_OK) return ZVRAW_ERROR;
    for (unsigned j = 0; j < i; ++j)
      if (pDataCluster[j] == cluster) return ZVRAW_ERROR;
    if (i > 0 && (end < lastEnd || isContiguousScanRange(0, lastEnd, start, end) != 0)) return ZVRAW_ERROR;
    lastEnd = end;
  }

  ZVRawScanManagerImp fresh;
  int rc = ZVRAW_OK;
  for (unsigned i = 0; i < nNumberOfClusters && rc == ZVRAW_OK; ++i) {
    std::shared_ptr<ZVRawScan[]> scans;
    unsigned start = 0, end = 0;
    rc = pDataCluster[i]->getAllScans(nFuncNum, scans, start, end);
    if (rc == ZVRAW_OK && !scans) rc = ZVRAW_ERROR;
    if (rc != ZVRAW_OK) break;
    if (!fresh.m_pScans) {
      // The first range becomes the buffer as it is.
      fresh.m_pScans = std::move(scans);
      fresh.m_nStartScan = start;
      fresh.m_nEndScan = end;
    } else {
      rc = fresh.moveScans(scans.get(), start, end);
    }
  }
  // What was gathered replaces the buffer even after a failure (memory ran
  // out): the clusters before it have given their scans away.
  if (fresh.m_pScans) {
    m_pScans = std::move(fresh.m_pScans);
    m_nStartScan = fresh.m_nStartScan;
    m_nEndScan = fresh.m_nEndScan;
  }
  return rc;
}
