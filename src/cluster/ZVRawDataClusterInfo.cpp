#include "cluster/ZVRawDataClusterInfo.h"

#include <algorithm>

#include "drift/ZorvalenRawCDCReaderMgrImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

ZVRawDataClusterInfo::ZVRawDataClusterInfo() = default;

ZVRawDataClusterInfo::~ZVRawDataClusterInfo() { Clean(); }

void ZVRawDataClusterInfo::Clean() {
  // The drift readers borrow the header's calibrations: they go first.
  m_pCDCReaderMgr.reset();
  m_retired.clear();
  m_pScanIndices.reset();
  m_pDescriptors.reset();
  m_pHeader.reset();
  m_pExtStats.reset();
  m_pExternInfo.reset();
  m_pAnalog.reset();
  m_pExternalLumavent.reset();
  m_pVeskoCalibration.reset();
  m_pCCSCalculator.reset();
  m_CCSStatus = 1;
  m_bRecordRead = false;
}

const borealtek_calibrate_version_1::FunctionCalibration* ZVRawDataClusterInfo::functionCalibration(
    int nWhichFunction) const {
  const borealtek_calibrate_version_1::FunctionCalibration* calibration = nullptr;
  if (m_pHeader && m_pHeader->getCalibration(nWhichFunction, calibration) != ZVRAW_OK) return nullptr;
  return calibration;
}

void ZVRawDataClusterInfo::retire(std::shared_ptr<const void> replaced) {
  if (replaced) m_retired.push_back(std::move(replaced));
}

void ZVRawDataClusterInfo::join(ZVRawDataClusterImp* cluster) {
  if (std::ranges::find(m_sharers, cluster) == m_sharers.end()) m_sharers.push_back(cluster);
}

void ZVRawDataClusterInfo::leave(const ZVRawDataClusterImp* cluster) { std::erase(m_sharers, cluster); }

}  // namespace borealtek_zvraw_version_1
