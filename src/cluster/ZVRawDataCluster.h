#pragma once

// The reference-counted handle on one raw data directory in memory. Copies
// share one implementation (counted by the implementation); a deep copy
// opens a second implementation on the same directory and record. The
// handle's own refCount counts the owners of one handle object: the public
// interface raises and lowers it and deletes the handle at 0; the handle
// never acts on it.

#include <memory>

#include "cluster/ZVRawDataClusterImp.h"
#include "formats/portability/CountedRef.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"

class ZVRawScanManagerImp;

namespace borealtek_zvraw_version_1 {

class ZVRawScanManager;

class ZVRawDataCluster {
 public:
  // An empty cluster (no directory, unloaded), for writing.
  ZVRawDataCluster();
  // Opens the directory (and with nReadData 1 loads every function). Never
  // fails: the open's result is read with getInitialiseResult.
  ZVRawDataCluster(char const* cRawFileName, bool bCalibrate, unsigned int nReadData, bool bKeepCompressed);
  // Shares data's implementation.
  ZVRawDataCluster(const ZVRawDataCluster& data);
  // A new implementation on data's directory and record, nothing loaded.
  // bPartial has no effect.
  ZVRawDataCluster(const ZVRawDataCluster& data, bool bPartial);
  ZVRawDataCluster& operator=(const ZVRawDataCluster& data);
  virtual ~ZVRawDataCluster();

  // Opens (or re-opens) a directory in this implementation, on a record of its own.
  int Initialise(char const* cRawFileName);
  int IncCount() { return ++refCount; }
  int DecCount() { return --refCount; }
  [[nodiscard]] ZVRawDataClusterImp* getImp() { return m_pImp.get(); }
  [[nodiscard]] const ZVRawDataClusterImp* getImp() const { return m_pImp.get(); }

  // Copies the function's descriptor into a caller's descriptor of the same
  // kind (MALDI or not); 1 when the kinds differ (Des unchanged).
  int getFunctionDescriptor(unsigned int nWhichFunc, ZVRawFunctionDescriptor& Des) const;

  // ---- loading ----
  int loadData(bool bCalibrate, bool bKeepCompressed) { return m_pImp->loadData(bCalibrate, bKeepCompressed); }
  int loadData(unsigned int nFuncNum, float fStartTime, float fEndTime, bool bCalibrate, bool bKeepCompressed) {
    return m_pImp->loadData(nFuncNum, fStartTime, fEndTime, bCalibrate, bKeepCompressed);
  }
  int loadData(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, bool bCalibrate,
               bool bKeepCompressed) {
    return m_pImp->loadData(nFuncNum, nStartScan, nEndScan, bCalibrate, bKeepCompressed);
  }
  // Takes a scan range over from a scan manager, which must keep its buffer
  // while this cluster holds the range.
  int loadData(unsigned int nFuncNum, unsigned int nScanStart, unsigned int nScanEnd, const ZVRawScanManager& manager);
  int abortLoad() const { return m_pImp->abortLoad(); }
  int getPercentLoaded(float& fPercent) { return m_pImp->getPercentLoaded(fPercent); }
  int resetPercentLoaded() { return m_pImp->resetPercentLoaded(); }
  int Update() { return m_pImp->Update(); }

  // ---- the lock-mass gain table ----
  int setExternalLumavent(ZVRawExternalLumavent* pExternalLumavent) {
    return m_pImp->setExternalLumavent(pExternalLumavent);
  }
  int getExternalLumavent(const ZVRawExternalLumavent*& pExternalLumavent) const {
    return m_pImp->getExternalLumavent(pExternalLumavent);
  }
  int applyExternalLumavent() { return m_pImp->applyExternalLumavent(); }
  int removeExternalLumavent() { return m_pImp->removeExternalLumavent(); }
  int getCDCReader(unsigned int nFuncNum, Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp*& pReader) const {
    return m_pImp->getCDCReader(nFuncNum, pReader);
  }

  // ---- scans ----
  int getRT(unsigned int nFuncNum, unsigned int nScanNo, float& fRT) const {
    return m_pImp->getRT(nFuncNum, nScanNo, fRT);
  }
  int getTIC(unsigned int nFuncNum, unsigned int nScanNo, float& fTIC) const {
    return m_pImp->getTIC(nFuncNum, nScanNo, fTIC);
  }
  int getBPI(unsigned int nFuncNum, unsigned int nScanNo, float& fBPI) const {
    return m_pImp->getBPI(nFuncNum, nScanNo, fBPI);
  }
  int getBPM(unsigned int nFuncNum, unsigned int nScanNo, float& fBPM) const {
    return m_pImp->getBPM(nFuncNum, nScanNo, fBPM);
  }
  int getLoadedScanRange(unsigned int nFuncNum, unsigned int& nScanStart, unsigned int& nScanEnd) const {
    return m_pImp->getLoadedScanRange(nFuncNum, nScanStart, nScanEnd);
  }
  int getTotalScans(unsigned int nFuncNum, unsigned int& nScans) const {
    return m_pImp->getTotalScans(nFuncNum, nScans);
  }
  int getTotalDriftScans(unsigned int nFuncNum, unsigned int& nDriftScans) const {
    return m_pImp->getTotalDriftScans(nFuncNum, nDriftScans);
  }
  int getMaxLoadedScanSize(unsigned int nFuncNum, unsigned int& nSize) const {
    return m_pImp->getMaxLoadedScanSize(nFuncNum, nSize);
  }
  int getMaxScanSize(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, unsigned int& nSize) const {
    return m_pImp->getMaxScanSize(nFuncNum, nStartScan, nEndScan, nSize);
  }
  int getMaxScanSize(unsigned int nFuncNum, unsigned int& nSize) const {
    return m_pImp->getMaxScanSize(nFuncNum, nSize);
  }
  int getScanSize(unsigned int nFuncNum, unsigned int nScan, unsigned int& nSize) const {
    return m_pImp->getScanSize(nFuncNum, nScan, nSize);
  }
  int getScanRangeFromTimeRange(const unsigned int& nFuncNum, const float& fRTStart, const float& fRTEnd,
                                unsigned int& nScanStart, unsigned int& nScanEnd) const {
    return m_pImp->getScanRangeFromTimeRange(nFuncNum, fRTStart, fRTEnd, nScanStart, nScanEnd);
  }
  int getScanFromRT(unsigned int nFuncNum, float fRt, unsigned int& nScan) const {
    return m_pImp->getScanFromRT(nFuncNum, fRt, nScan);
  }
  int validScanRange(const unsigned int& nFuncNum, const unsigned int& startScan, const unsigned int& endScan) const {
    return m_pImp->validScanRange(nFuncNum, startScan, endScan);
  }
  int validDriftRange(const unsigned int& nFuncNum, const unsigned int& startDrift,
                      const unsigned int& endDrift) const {
    return m_pImp->validDriftRange(nFuncNum, startDrift, endDrift);
  }

  // ---- the directory and its functions ----
  int getRawFilePath(char* cFileName) const { return m_pImp->getRawFilePath(cFileName); }
  int getRawFileName(char* cFileName) const { return m_pImp->getRawFileName(cFileName); }
  [[nodiscard]] ZVRawDataClusterState getState() const { return m_pImp->getState(); }
  [[nodiscard]] int getInitialiseResult() const { return m_pImp->getInitialiseResult(); }
  [[nodiscard]] const char* getSampleDescription() const { return m_pImp->getSampleDescription(); }
  [[nodiscard]] const char* getHeaderItem(const unsigned int& unItem, int which) const {
    return m_pImp->getHeaderItem(unItem, which);
  }
  int getAcquisitionDetails(unsigned int nFuncNum, char* cFunctionType, char* cIonMode) const {
    return m_pImp->getAcquisitionDetails(nFuncNum, cFunctionType, cIonMode);
  }
  int getDataType(unsigned int nWhichFunc, unsigned int& nDataType) const {
    return m_pImp->getDataType(nWhichFunc, nDataType);
  }
  int getIonMode(unsigned int nWhichFunc, unsigned int& nIonMode) const {
    return m_pImp->getIonMode(nWhichFunc, nIonMode);
  }
  int getFunctionType(const unsigned int& nFuncNum, unsigned int& nFunctionType) const {
    return m_pImp->getFunctionType(nFuncNum, nFunctionType);
  }
  int getIonMode(const unsigned int& nIonMode, char* cIonMode) const { return m_pImp->getIonMode(nIonMode, cIonMode); }
  int getFunctionType(const unsigned int& nFunctionType, char* cFunctionType) const {
    return m_pImp->getFunctionType(nFunctionType, cFunctionType);
  }
  int getExternInfo(const ZVRawExternInfo*& pInfo) const { return m_pImp->getExternInfo(pInfo); }
  int getFunctionCalibration(unsigned int nFuncNum, const FunctionCalibration*& pCalibration) const {
    return m_pImp->getFunctionCalibration(nFuncNum, pCalibration);
  }
  int getFunctionCount(unsigned int& nCount) const { return m_pImp->getFunctionCount(nCount); }
  int getMRMsInFunction(const unsigned int& nFuncNum, unsigned int& nMRMs) const {
    return m_pImp->getMRMCount(nFuncNum, nMRMs);
  }
  int getAcquisitionMassRange(unsigned int nFuncNum, float& fLowMass, float& fHighMass, short nSegNo) const {
    return m_pImp->getAcquisitionMassRange(nFuncNum, fLowMass, fHighMass, nSegNo);
  }
  int setMassCutOff(unsigned int nFuncNum, float fLowMass, float fHighMass) {
    return m_pImp->setMassCutOff(nFuncNum, fLowMass, fHighMass);
  }
  int setLowMassCutOff(unsigned int nFuncNum, float fLowMass) {
    return m_pImp->setMassCutOff(nFuncNum, fLowMass, -1.0f);
  }
  [[nodiscard]] bool isMaldiData() const { return m_pImp->isMaldiData(); }
  int getInterScanDelay(unsigned int nFuncNum, float& fValue) const {
    return m_pImp->getInterScanDelay(nFuncNum, fValue);
  }
  int getCycleTime(unsigned int nFuncNum, float& fValue) const { return m_pImp->getCycleTime(nFuncNum, fValue); }
  int getScanTime(unsigned int nFuncNum, float& fValue) const { return m_pImp->getScanTime(nFuncNum, fValue); }
  int getSetMass(unsigned int nFuncNum, float& fValue) const { return m_pImp->getSetMass(nFuncNum, fValue); }
  int getIsContinuumFunction(unsigned int nFuncNum, bool& bContinuum) const {
    return m_pImp->getIsContinuumFunction(nFuncNum, bContinuum);
  }
  int isCalibrated(unsigned int nFuncNum, bool& bCalibrated) const {
    return m_pImp->isCalibrated(nFuncNum, bCalibrated);
  }
  int isCalibrated(bool& bCalibrated) const { return m_pImp->isCalibrated(bCalibrated); }
  int isCalibratedOmitLockmass(const unsigned int& lockMassFunction, bool& bCalibrated) const {
    return m_pImp->isCalibratedOmitLockmass(lockMassFunction, bCalibrated);
  }
  int isCalibratedOmitLockmass(bool& bCalibrated) const { return m_pImp->isCalibratedOmitLockmass(bCalibrated); }
  int getLumaventInfo(unsigned int& nLumaventFunction, bool& bLumaventPresent, unsigned int& nLumaventScans) const {
    return m_pImp->getLumaventInfo(nLumaventFunction, bLumaventPresent, nLumaventScans);
  }
  int getMeanTemperatureCorrection(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                   float& fCorrection) const {
    return m_pImp->getMeanTemperatureCorrection(nFuncNum, nStartScan, nEndScan, fCorrection);
  }
  int setUseTemperatureCorrection(bool bUse) { return m_pImp->setUseTemperatureCorrection(bUse); }

  // ---- per-scan statistics: 0 with the outputs untouched without statistics ----
  int getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<char[][64]>& fieldNames,
                             std::unique_ptr<char[][64]>& fieldTypes, int& nFieldCount) const {
    return m_pImp->getExtendedStatsFields(nFuncNum, fieldNames, fieldTypes, nFieldCount);
  }
  int getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<ExtendedStatsRecord[]>& fields,
                             int& nFieldCount) const {
    return m_pImp->getExtendedStatsFields(nFuncNum, fields, nFieldCount);
  }
  int getExtendedStatsRecord(unsigned int nFuncNum, unsigned int nScan, const ZVRawExtStatsRecord*& pRecord) const {
    return m_pImp->getExtendedStatsRecord(nFuncNum, nScan, pRecord);
  }

  // ---- analog channels ----
  [[nodiscard]] int getNumberAnalogChannels() const { return m_pImp->getNumberAnalogChannels(); }
  [[nodiscard]] int getAnalogChannelLength(int nChannel) const { return m_pImp->getAnalogChannelLength(nChannel); }
  void getAnalogChannelHeader(int nChannel, const AnalogHeader*& pHeader) const {
    m_pImp->getAnalogChannelHeader(nChannel, pHeader);
  }

  // ---- scanning-quadrupole and cross-section calibrations ----
  int getPrecursormassRangeToIndices(unsigned int nFuncNum, float startMass, float endMass, int& nStartIndex,
                                     int& nEndIndex) const {
    return m_pImp->getPrecursormassRangeToIndices(nFuncNum, startMass, endMass, nStartIndex, nEndIndex);
  }
  int getPrecursorMass(unsigned int nFuncNum, int whichIndex, float& mass) const {
    return m_pImp->getPrecursorMass(nFuncNum, whichIndex, mass);
  }
  int getPrecursorMassRange(unsigned int nFuncNum, float& startMass, float& endMass) const {
    return m_pImp->getPrecursorMassRange(nFuncNum, startMass, endMass);
  }
  int getIndexPrecursorMassRange(unsigned int nFuncNum, int whichIndex, float& startMass, float& endMass) const {
    return m_pImp->getIndexPrecursorMassRange(nFuncNum, whichIndex, startMass, endMass);
  }
  int getCollisionalCrossSection(const float& drift, const float& mass, const int& charge, float& fCCS) const {
    return m_pImp->getCollisionalCrossSection(drift, mass, charge, fCCS);
  }
  int getDriftTime(const float& ccs, const float& mass, const int& charge, float& drift) const {
    return m_pImp->getDriftTime(ccs, mass, charge, drift);
  }

 private:
  zvraw::CountedRef<ZVRawDataClusterImp> m_pImp;
  int refCount = 0;
};

}  // namespace borealtek_zvraw_version_1

// The handle object's owners count with IncCount and DecCount.
template <>
struct zvraw::RefCountOf<borealtek_zvraw_version_1::ZVRawDataCluster> {
  static int add(borealtek_zvraw_version_1::ZVRawDataCluster& c) { return c.IncCount(); }
  static int remove(borealtek_zvraw_version_1::ZVRawDataCluster& c) { return c.DecCount(); }
};

// Deletes the component files of a directory that this library writes
// (functions 1 to IDX_MAX: data, index and statistics; then the header,
// _tof.txt and the descriptor file); files that are missing are passed over.
// 19 for a null or empty path, 4 (nothing deleted) when a name would not fit
// a path, else 0.
inline constexpr int IDX_MAX = 8;
int removeDataClusterFiles(char const* pcDataCluster);

// Sets how the scan decoder treats a bad mass (1-4; initially 3) and returns
// the value it had before; a value outside 1-4 changes nothing.
int setBadScanStrategy(int nBadScanStrategy);
