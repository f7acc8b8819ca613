#include "cluster/ZVRawAccessInterface.h"

#include "cluster/ZVRawDataCluster.h"

namespace borealtek_zvraw_version_1 {

ZVRawAccessInterface::ZVRawAccessInterface(const ZVRawDataCluster& cluster)
    : m_pImp(std::make_shared<ZVRawAccessInterfaceImp>(*cluster.getImp())) {}

}  // namespace borealtek_zvraw_version_1
