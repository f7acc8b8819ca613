#include "cluster/ZVRawWriteInterface.h"

#include "cluster/ZVRawDataCluster.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"

namespace borealtek_zvraw_version_1 {

ZVRawWriteInterface::ZVRawWriteInterface(ZVRawDataCluster& cluster)
    : m_pImp(std::make_shared<ZVRawWriteInterfaceImp>(*cluster.getImp())) {}

void ZVRawWriteInterface::setTimeShift(float fShift) { fOffset = fShift; }

}  // namespace borealtek_zvraw_version_1
