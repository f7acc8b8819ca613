#include "cluster/ZVRawScanManager.h"

#include <vector>

#include "cluster/ZVRawDataCluster.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

ZVRawScanManager::ZVRawScanManager() : m_pImp(std::make_unique<ZVRawScanManagerImp>()) {}

ZVRawScanManager::~ZVRawScanManager() = default;

int ZVRawScanManager::extractAllscans(ZVRawDataCluster* pDataCluster, unsigned nNumberOfClusters, unsigned nFuncNum) {
  if (pDataCluster == nullptr || nNumberOfClusters == 0) return ZVRAW_ERROR;
  std::vector<ZVRawDataClusterImp*> imps(nNumberOfClusters);
  for (unsigned i = 0; i < nNumberOfClusters; ++i) imps[i] = pDataCluster[i].getImp();
  return m_pImp->extractAllscans(imps.data(), nNumberOfClusters, nFuncNum);
}

int ZVRawScanManager::extractAllscans(ZVRawDataCluster** ppDataCluster, unsigned nNumberOfClusters, unsigned nFuncNum) {
  if (ppDataCluster == nullptr || nNumberOfClusters == 0) return ZVRAW_ERROR;
  std::vector<ZVRawDataClusterImp*> imps(nNumberOfClusters);
  for (unsigned i = 0; i < nNumberOfClusters; ++i) {
    if (ppDataCluster[i] == nullptr) return ZVRAW_ERROR;
    imps[i] = ppDataCluster[i]->getImp();
  }
  return m_pImp->extractAllscans(imps.data(), nNumberOfClusters, nFuncNum);
}

}  // namespace borealtek_zvraw_version_1
