#pragma once

// Gathers the loaded scans of one function from one or more clusters into a
// single scan buffer, from which another cluster can take a scan range over
// instead of reading the data file (ZVRawDataCluster::loadData with a
// manager). A cluster that took a range over shares the buffer, so the
// buffer may be replaced or reset while the cluster still reads from it.

#include <memory>

#include "cluster/ZVRawScanManagerImp.h"

namespace borealtek_zvraw_version_1 {

class ZVRawDataCluster;

class ZVRawScanManager {
 public:
  ZVRawScanManager();
  ~ZVRawScanManager();
  ZVRawScanManager(const ZVRawScanManager&) = delete;
  ZVRawScanManager& operator=(const ZVRawScanManager&) = delete;

  // Moves function nFuncNum's loaded scans of every cluster, in order, into
  // a new buffer; each range must join or overlap the one before it and end
  // no earlier. 1, with every cluster and the old buffer untouched, for a
  // null array, no cluster, a null entry, a cluster without scans of the
  // function, a gap or a range ending too early.
  int extractAllscans(ZVRawDataCluster* pDataCluster, unsigned nNumberOfClusters, unsigned nFuncNum);
  int extractAllscans(ZVRawDataCluster** ppDataCluster, unsigned nNumberOfClusters, unsigned nFuncNum);

  [[nodiscard]] unsigned getStartScan() const { return m_pImp->getStartScan(); }
  [[nodiscard]] unsigned getEndScan() const { return m_pImp->getEndScan(); }
  [[nodiscard]] ZVRawScan* getScanBuffer(unsigned nScanNumber) const { return m_pImp->getScanBuffer(nScanNumber); }
  int reset() { return m_pImp->reset(); }
  [[nodiscard]] ZVRawScanManagerImp* getImp() const { return m_pImp.get(); }

 private:
  std::unique_ptr<ZVRawScanManagerImp> m_pImp;
};

}  // namespace borealtek_zvraw_version_1
