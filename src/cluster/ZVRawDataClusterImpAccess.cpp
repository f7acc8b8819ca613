// The cluster's answers from the record's objects: scan index, descriptors,
// header, statistics, analog channels, gain table and drift readers.

#include <cstring>

#include "cluster/ZVRawDataClusterImp.h"
#include "drift/ZorvalenRawCDCReaderMgrImp.h"
#include "formats/portability/SysPaths.h"
#include "formats/directory/ZVRawFunctionTexts.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

// Caller buffers: a path and a code text.
constexpr std::size_t kPathBufferSize = 256;
constexpr std::size_t kTextBufferSize = 32;
// A raw directory's name ends in a 4-character extension (".raw").
constexpr std::size_t kExtensionLength = 4;
constexpr unsigned int kLaserDesorptionPositive = 12, kLaserDesorptionNegative = 13;

}  // namespace

int ZVRawDataClusterImp::getRT(unsigned int nFuncNum, unsigned int nScanNo, float& fRT) const {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionScanIndices* index = indices();
  return index ? index->getRTFromScan(nFuncNum, nScanNo, fRT) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getTIC(unsigned int nFuncNum, unsigned int nScanNo, float& fTIC) const {
  const ZVRawFunctionScanIndices* index = indices();
  return index ? index->getScanTIC(nFuncNum, nScanNo, fTIC) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getBPI(unsigned int nFuncNum, unsigned int nScanNo, float& fBPI) const {
  const ZVRawFunctionScanIndices* index = indices();
  return index ? index->getScanBPI(nFuncNum, nScanNo, fBPI) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getLoadedScanRange(unsigned int nFuncNum, unsigned int& nScanStart,
                                            unsigned int& nScanEnd) const {
  if (m_eInitialised != ZVRawDataCluster_LOADED) return ZVRAW_DATACLUSTER_NOTLOADED;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionData* data = getFunctionData(nFuncNum);
  if (data == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int loaded = 0, start = 0;
  (void)data->getLoadedScanCount(loaded);
  if (loaded == 0) return ZVRAW_FUNCTION_NOTLOADED;
  (void)data->getScanStart(start);
  nScanStart = start;
  nScanEnd = start + loaded - 1;
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::getTotalScans(unsigned int nFuncNum, unsigned int& nScans) const {
  if (m_eInitialised == ZVRawDataCluster_UNINITIALISED) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionScanIndices* index = indices();
  return index ? index->getScansInFunction(nFuncNum, nScans) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getTotalDriftScans(unsigned int nFuncNum, unsigned int& nDriftScans) const {
  if (m_eInitialised == ZVRawDataCluster_UNINITIALISED) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp* reader = nullptr;
  if (int rc = getCDCReader(nFuncNum, reader); rc != ZVRAW_OK) return rc;
  int count = 0;
  const int rc = reader->GetDriftCount(count);
  nDriftScans = count > 0 ? static_cast<unsigned int>(count) : 0;
  return rc;
}

int ZVRawDataClusterImp::getMaxLoadedScanSize(unsigned int nFuncNum, unsigned int& nSize) const {
  if (m_eInitialised != ZVRawDataCluster_LOADED) return ZVRAW_DATACLUSTER_NOTLOADED;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionData* data = getFunctionData(nFuncNum);
  return data ? data->getMaxLoadedScanSize(nSize) : ZVRAW_NULLPOINTER_ERROR;
}

int ZVRawDataClusterImp::getMaxScanSize(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                        unsigned int& nSize) const {
  const ZVRawFunctionScanIndices* index = indices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  unsigned int scans = 0;
  if (int rc = index->getScansInFunction(nFuncNum, scans); rc != ZVRAW_OK) return rc;
  if (nStartScan >= scans || nEndScan >= scans) return ZVRAW_SCANNUM_INVALID;
  const ZVRawFunctionData* data = getFunctionData(nFuncNum);
  return data ? data->getMaxScanSize(nStartScan, nEndScan, nSize) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getMaxScanSize(unsigned int nFuncNum, unsigned int& nSize) const {
  if (indices() == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionData* data = getFunctionData(nFuncNum);
  return data ? data->getMaxScanSize(nSize) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getScanSize(unsigned int nFuncNum, unsigned int nScan, unsigned int& nSize) const {
  const ZVRawFunctionScanIndices* index = indices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  unsigned int scans = 0;
  if (int rc = index->getScansInFunction(nFuncNum, scans); rc != ZVRAW_OK) return rc;
  if (nScan >= scans) return ZVRAW_SCANNUM_INVALID;
  const ZVRawFunctionData* data = getFunctionData(nFuncNum);
  return data ? data->getScanSize(nScan, nSize) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getRawFilePath(char* cFileName) const {
  if (cFileName == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::memset(cFileName, 0, kPathBufferSize);
  if (m_cRawFileName.empty()) return ZVRAW_FILENAME_EMPTY;
  std::memcpy(cFileName, m_cRawFileName.data(), std::min(m_cRawFileName.size(), kPathBufferSize - 1));
  return ZVRAW_OK;
}

// The last path component less its extension: "/d/run1.raw" gives "run1".
// The component starts after the last separator at or before the fifth
// character from the end; a path without one gives the empty name.
int ZVRawDataClusterImp::getRawFileName(char* cFileName) const {
  if (cFileName == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::memset(cFileName, 0, kPathBufferSize);
  if (m_cRawFileName.empty()) return ZVRAW_FILENAME_ERROR;
  const std::string& path = m_cRawFileName;
  if (path.size() <= kExtensionLength) return ZVRAW_OK;
  const std::size_t separator = path.find_last_of(*getDirSlash(), path.size() - kExtensionLength - 1);
  if (separator == std::string::npos) return ZVRAW_OK;
  const std::size_t first = separator + 1, end = path.size() - kExtensionLength;
  std::memcpy(cFileName, path.data() + first, std::min(end - first, kPathBufferSize - 1));
  return ZVRAW_OK;
}

const char* ZVRawDataClusterImp::getSampleDescription() const {
  return header() ? header()->getNamedValue("Sample Description", -1) : "";
}

const char* ZVRawDataClusterImp::getHeaderItem(const unsigned int& unItem, int which) const {
  return header() ? header()->getNamedValue(static_cast<int>(unItem), which) : nullptr;
}

int ZVRawDataClusterImp::getAcquisitionDetails(unsigned int nFuncNum, char* cFunctionType, char* cIonMode) const {
  if (cFunctionType == nullptr || cIonMode == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  unsigned int type = 0, ionMode = 0;
  if (int rc = d->getAcquisitionDetails(nFuncNum, type, ionMode); rc != ZVRAW_OK) return rc;
  std::memset(cFunctionType, 0, kTextBufferSize);
  std::memset(cIonMode, 0, kTextBufferSize);
  if (int rc = getFunctionTypeString(type, cFunctionType); rc != ZVRAW_OK) return rc;
  return getIonModeString(ionMode, cIonMode);
}

int ZVRawDataClusterImp::getDataType(unsigned int nWhichFunc, unsigned int& nDataType) const {
  if (nWhichFunc >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (nWhichFunc >= m_pnDataTypes.size()) return ZVRAW_NULLPOINTER_ERROR;
  nDataType = m_pnDataTypes[nWhichFunc];
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::getIonMode(unsigned int nWhichFunc, unsigned int& nIonMode) const {
  if (nWhichFunc >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionDescriptors* d = descriptors();
  return d ? d->getIonMode(nWhichFunc, nIonMode) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getFunctionType(const unsigned int& nFuncNum, unsigned int& nFunctionType) const {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionDescriptors* d = descriptors();
  return d ? d->getFunctionType(nFuncNum, nFunctionType) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getIonMode(const unsigned int& nIonMode, char* cIonMode) const {
  if (cIonMode == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::memset(cIonMode, 0, kTextBufferSize);
  return getIonModeString(nIonMode, cIonMode);
}

int ZVRawDataClusterImp::getFunctionType(const unsigned int& nFunctionType, char* cFunctionType) const {
  if (cFunctionType == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::memset(cFunctionType, 0, kTextBufferSize);
  return getFunctionTypeString(nFunctionType, cFunctionType);
}

int ZVRawDataClusterImp::getExternInfo(const ZVRawExternInfo*& pInfo) const {
  pInfo = m_pDataInfo ? m_pDataInfo->m_pExternInfo.get() : nullptr;
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::getScanRangeFromTimeRange(const unsigned int& nFuncNum, const float& fRTStart,
                                                   const float& fRTEnd, unsigned int& nScanStart,
                                                   unsigned int& nScanEnd) const {
  const ZVRawFunctionScanIndices* index = indices();
  return index ? index->getScanRangeFromTimeRange(nFuncNum, fRTStart, fRTEnd, nScanStart, nScanEnd)
               : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getScanFromRT(unsigned int nFuncNum, float fRt, unsigned int& nScan) const {
  return getScanRangeFromTimeRange(nFuncNum, fRt, fRt, nScan, nScan);
}

int ZVRawDataClusterImp::getFunctionCalibration(unsigned int nFuncNum, const FunctionCalibration*& pCalibration) const {
  return header() ? header()->getCalibration(static_cast<int>(nFuncNum), pCalibration) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getAcquisitionMassRange(unsigned int nFuncNum, float& fLowMass, float& fHighMass,
                                                 short nSegNo) const {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  return d->getAcquisitionMassRange(nFuncNum, fLowMass, fHighMass, static_cast<unsigned short>(nSegNo));
}

bool ZVRawDataClusterImp::isMaldiData() const {
  unsigned int ionMode = 0;
  return m_nFunctionCount > 0 && getIonMode(0u, ionMode) == ZVRAW_OK &&
         (ionMode == kLaserDesorptionPositive || ionMode == kLaserDesorptionNegative);
}

namespace {

template <class Get>
int descriptorValue(unsigned int nFuncNum, unsigned int count, const ZVRawFunctionDescriptors* d, Get&& get) {
  if (nFuncNum >= count) return ZVRAW_FUNCNUM_INVALID;
  return d ? get(*d) : ZVRAW_DATACLUSTER_INVALID;
}

}  // namespace

int ZVRawDataClusterImp::getInterScanDelay(unsigned int nFuncNum, float& fValue) const {
  return descriptorValue(nFuncNum, m_nFunctionCount, descriptors(),
                         [&](const auto& d) { return d.getInterScanDelay(nFuncNum, fValue); });
}

int ZVRawDataClusterImp::getCycleTime(unsigned int nFuncNum, float& fValue) const {
  return descriptorValue(nFuncNum, m_nFunctionCount, descriptors(),
                         [&](const auto& d) { return d.getCycleTime(nFuncNum, fValue); });
}

int ZVRawDataClusterImp::getScanTime(unsigned int nFuncNum, float& fValue) const {
  return descriptorValue(nFuncNum, m_nFunctionCount, descriptors(),
                         [&](const auto& d) { return d.getScanTime(nFuncNum, fValue); });
}

int ZVRawDataClusterImp::getSetMass(unsigned int nFuncNum, float& fValue) const {
  return descriptorValue(nFuncNum, m_nFunctionCount, descriptors(),
                         [&](const auto& d) { return d.getSetMass(nFuncNum, fValue); });
}

int ZVRawDataClusterImp::getIsContinuumFunction(unsigned int nFuncNum, bool& bContinuum) const {
  const ZVRawFunctionScanIndices* index = indices();
  return index ? index->isContinuumScan(nFuncNum, 0u, bContinuum) : ZVRAW_DATACLUSTER_INVALID;
}

int ZVRawDataClusterImp::getMeanTemperatureCorrection(unsigned int nFuncNum, unsigned int nStartScan,
                                                      unsigned int nEndScan, float& fCorrection) const {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionData* data = getFunctionData(nFuncNum);
  return data ? data->getMeanTemperatureCorrection(nFuncNum, nStartScan, nEndScan, fCorrection)
              : ZVRAW_NULLPOINTER_ERROR;
}

int ZVRawDataClusterImp::setUseTemperatureCorrection(bool bUse) {
  m_bUseTemperatureCorrection = bUse;
  for (const auto& data : m_ppFunctions) (void)data->setUseTemperatureCorrection(bUse);
  return ZVRAW_OK;
}

// Without statistics there is nothing to list: 0 with the outputs untouched.
int ZVRawDataClusterImp::getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<char[][64]>& fieldNames,
                                                std::unique_ptr<char[][64]>& fieldTypes, int& nFieldCount) const {
  const ZVRawExtendedStats* stats = extStats();
  return stats ? stats->getExtendedStatsFields(nFuncNum, fieldNames, fieldTypes, nFieldCount) : ZVRAW_OK;
}

int ZVRawDataClusterImp::getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<ExtendedStatsRecord[]>& fields,
                                                int& nFieldCount) const {
  const ZVRawExtendedStats* stats = extStats();
  return stats ? stats->getExtendedStatsFields(nFuncNum, fields, nFieldCount) : ZVRAW_OK;
}

int ZVRawDataClusterImp::getExtendedStatsRecord(unsigned int nFuncNum, unsigned int nScan,
                                                const ZVRawExtStatsRecord*& pRecord) const {
  const ZVRawExtendedStats* stats = extStats();
  return stats ? stats->getStatsRecord(nFuncNum, nScan, pRecord) : ZVRAW_OK;
}

int ZVRawDataClusterImp::getNumberAnalogChannels() const {
  return m_pDataInfo && m_pDataInfo->m_pAnalog ? m_pDataInfo->m_pAnalog->getNumberOfChannels() : 0;
}

int ZVRawDataClusterImp::getAnalogChannelLength(int nChannel) const {
  return m_pDataInfo && m_pDataInfo->m_pAnalog ? m_pDataInfo->m_pAnalog->getChannelLength(nChannel) : 0;
}

void ZVRawDataClusterImp::getAnalogChannelHeader(int nChannel, const AnalogHeader*& pHeader) const {
  pHeader = nullptr;
  if (m_pDataInfo && m_pDataInfo->m_pAnalog) m_pDataInfo->m_pAnalog->getChannelHeader(nChannel, pHeader);
}

// ---- the lock-mass gain table ----

int ZVRawDataClusterImp::setExternalLumavent(ZVRawExternalLumavent* pExternalLumavent) {
  if (!m_pDataInfo) return ZVRAW_DATACLUSTER_INVALID;
  std::shared_ptr<ZVRawExternalLumavent>& held = m_pDataInfo->m_pExternalLumavent;
  // The table already held (by the record or by these function data) is
  // only attached again; any other is taken over. The table it replaces
  // lives on while other function data or drift readers still use it.
  if (pExternalLumavent == nullptr)
    held.reset();
  else if (pExternalLumavent == m_pAttachedLumavent.get())
    held = m_pAttachedLumavent;
  else if (pExternalLumavent != held.get())
    held = std::shared_ptr<ZVRawExternalLumavent>(pExternalLumavent);
  for (ZVRawDataClusterImp* sharer : m_pDataInfo->sharers())
    if (sharer != this) (void)sharer->applyExternalLumavent();
  return applyExternalLumavent();
}

int ZVRawDataClusterImp::getExternalLumavent(const ZVRawExternalLumavent*& pExternalLumavent) const {
  pExternalLumavent = m_pDataInfo ? m_pDataInfo->m_pExternalLumavent.get() : nullptr;
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::applyExternalLumavent() {
  auto table = m_pDataInfo ? m_pDataInfo->m_pExternalLumavent : nullptr;
  attachLumavent(std::move(table), std::vector<bool>(m_ppFunctions.size(), true));
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::removeExternalLumavent() {
  attachLumavent(nullptr, {});
  return ZVRAW_OK;
}

void ZVRawDataClusterImp::shareLumavent(const ZVRawDataClusterImp& other) {
  attachLumavent(other.m_pAttachedLumavent, other.m_lumaventAttachedTo);
}

int ZVRawDataClusterImp::getCDCReader(unsigned int nFuncNum,
                                      Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp*& pReader) const {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (!m_pDataInfo || !m_pDataInfo->m_pCDCReaderMgr) return ZVRAW_DATACLUSTER_INVALID;
  Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp* reader =
      m_pDataInfo->m_pCDCReaderMgr->GetCRCReader(static_cast<int>(nFuncNum));
  if (reader == nullptr) return ZVRAW_MEMALLOC_ERROR;
  pReader = reader;
  return ZVRAW_OK;
}
