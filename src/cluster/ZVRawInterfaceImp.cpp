#include "cluster/ZVRawInterfaceImp.h"

using namespace borealtek_zvraw_version_1;

namespace {

template <class Record>
auto* recordObject(ZVRawDataClusterInfo* info, Record member) {
  return info != nullptr ? (info->*member).get() : nullptr;
}

}  // namespace

// Binding a read-only view takes a reference too: the count is bookkeeping,
// not part of the cluster's observable state.
ZVRawInterfaceImp::ZVRawInterfaceImp(const ZVRawDataClusterImp& cluster)
    : m_rDataCluster(const_cast<ZVRawDataClusterImp*>(&cluster)) {}

bool ZVRawInterfaceImp::isLoaded() const { return dataCluster().getState() == ZVRawDataCluster_LOADED; }

const ZVRawFunctionData* ZVRawInterfaceImp::functionData(unsigned int nFuncNum) const {
  return dataCluster().getFunctionData(nFuncNum);
}

const ZVRawFunctionScanIndices* ZVRawInterfaceImp::scanIndices() const {
  return recordObject(dataCluster().getDataInfo(), &ZVRawDataClusterInfo::m_pScanIndices);
}

const ZVRawFunctionDescriptors* ZVRawInterfaceImp::descriptors() const {
  return recordObject(dataCluster().getDataInfo(), &ZVRawDataClusterInfo::m_pDescriptors);
}

const ZVRawExtendedStats* ZVRawInterfaceImp::extStats() const {
  return recordObject(dataCluster().getDataInfo(), &ZVRawDataClusterInfo::m_pExtStats);
}

const ZVRawAnalog* ZVRawInterfaceImp::analog() const {
  return recordObject(dataCluster().getDataInfo(), &ZVRawDataClusterInfo::m_pAnalog);
}

ZVRawNCInterfaceImp::ZVRawNCInterfaceImp(ZVRawDataClusterImp& cluster) : m_rDataCluster(&cluster) {}

bool ZVRawNCInterfaceImp::isLoaded() const { return dataCluster().getState() == ZVRawDataCluster_LOADED; }

ZVRawFunctionData* ZVRawNCInterfaceImp::functionData(unsigned int nFuncNum) const {
  return dataCluster().getFunctionData(nFuncNum);
}

ZVRawFunctionScanIndices* ZVRawNCInterfaceImp::scanIndices() const {
  return recordObject(dataInfo(), &ZVRawDataClusterInfo::m_pScanIndices);
}

ZVRawFunctionDescriptors* ZVRawNCInterfaceImp::descriptors() const {
  return recordObject(dataInfo(), &ZVRawDataClusterInfo::m_pDescriptors);
}

ZVRawHeader* ZVRawNCInterfaceImp::header() const { return recordObject(dataInfo(), &ZVRawDataClusterInfo::m_pHeader); }

ZVRawExtendedStats* ZVRawNCInterfaceImp::extStats() const {
  return recordObject(dataInfo(), &ZVRawDataClusterInfo::m_pExtStats);
}
