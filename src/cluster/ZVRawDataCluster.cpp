#include "cluster/ZVRawDataCluster.h"

#include <cstdio>
#include <string>
#include <typeinfo>
#include <vector>

#include "cluster/ZVRawScanManager.h"
#include "formats/portability/SysPaths.h"
#include "formats/scans/ZVRawScan.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

ZVRawDataCluster::ZVRawDataCluster() : m_pImp(zvraw::CountedRef<ZVRawDataClusterImp>::make()) {}

ZVRawDataCluster::ZVRawDataCluster(char const* cRawFileName, bool bCalibrate, unsigned int nReadData,
                                   bool bKeepCompressed)
    : m_pImp(zvraw::CountedRef<ZVRawDataClusterImp>::make(cRawFileName, nReadData, bCalibrate, bKeepCompressed)) {}

ZVRawDataCluster::ZVRawDataCluster(const ZVRawDataCluster& data) : m_pImp(data.m_pImp) {}

ZVRawDataCluster::ZVRawDataCluster(const ZVRawDataCluster& data, bool /*bPartial*/)
    : m_pImp(zvraw::CountedRef<ZVRawDataClusterImp>::make(*data.m_pImp)) {}

ZVRawDataCluster& ZVRawDataCluster::operator=(const ZVRawDataCluster& data) {
  m_pImp = data.m_pImp;
  return *this;
}

ZVRawDataCluster::~ZVRawDataCluster() = default;

int ZVRawDataCluster::Initialise(char const* cRawFileName) { return m_pImp->readInitialise(cRawFileName, true); }

int ZVRawDataCluster::loadData(unsigned int nFuncNum, unsigned int nScanStart, unsigned int nScanEnd,
                               const ZVRawScanManager& manager) {
  return m_pImp->loadData(nFuncNum, nScanStart, nScanEnd, manager.getImp());
}

namespace {

// Copies rec into Des when Des is exactly the public kind of that record.
template <class Public, class Record>
int copyDescriptor(const Record& rec, ZVRawFunctionDescriptor& Des) {
  if (typeid(Des) != typeid(Public)) return ZVRAW_ERROR;
  const Public copy(rec);
  static_cast<Public&>(Des) = copy;
  return ZVRAW_OK;
}

}  // namespace

int ZVRawDataCluster::getFunctionDescriptor(unsigned int nWhichFunc, ZVRawFunctionDescriptor& Des) const {
  ZVRawFunctionDescriptorImp* record = nullptr;
  if (int rc = m_pImp->getFunctionDescriptorImp(nWhichFunc, record); rc != ZVRAW_OK) return rc;
  if (const auto* maldi = dynamic_cast<const ZVRawFunctionDescriptor_Maldi_Imp*>(record))
    return copyDescriptor<ZVRawFunctionDescriptor_Maldi>(*maldi, Des);
  if (const auto* other = dynamic_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp*>(record))
    return copyDescriptor<ZVRawFunctionDescriptor_NonMaldi>(*other, Des);
  return ZVRAW_ERROR;
}

}  // namespace borealtek_zvraw_version_1

// Every name is formed before anything is deleted, so that a directory
// whose names do not fit a path loses none of its files.
int removeDataClusterFiles(char const* pcDataCluster) {
  if (pcDataCluster == nullptr || *pcDataCluster == '\0') return ZVRAW_DATACLUSTER_INVALID;
  const std::string_view dir = pcDataCluster;
  std::vector<std::string> names;
  for (int f = 1; f <= IDX_MAX; ++f)
    for (auto fileName : {getZVRawFunctionFile, getZVRawIDXFile, getZVRawStatsFile})
      if (fileName(dir, names.emplace_back(), f) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  for (const char* component : {"_header.txt", "_tof.txt", "_functns.inf"}) {
    names.push_back(std::string(dir) + getDirSlash() + component);
    if (names.back().size() > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  }
  for (const std::string& name : names) (void)std::remove(name.c_str());
  return ZVRAW_OK;
}

int setBadScanStrategy(int nNewStrategy) {
  if (nNewStrategy >= 1 && nNewStrategy <= 4) return nBadScanStrategy.exchange(nNewStrategy);
  return nBadScanStrategy.load();
}
