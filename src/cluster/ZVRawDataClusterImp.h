#pragma once

// One raw data directory in memory: the function data of every acquisition
// function, and a counted reference on the record of the directory's
// file-level objects (ZVRawDataClusterInfo), which further clusters on the
// same directory share. Opening reads no scan data; scans load on request:
// all functions, one function by time or scan range, or a range taken over
// from a scan buffer.
//
// A cluster whose open failed answers every call with a result code: 19 when
// a record object is missing, 32 when function data are missing (getMaxScanSize
// and getScanSize: 19), never by reaching for them.
//
// A caller's other thread may watch a running load (getPercentLoaded) and
// stop it (abortLoad); everything else runs on one thread at a time.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cluster/ZVRawDataClusterInfo.h"
#include "cluster/ZVRawDataClusterState.h"
#include "formats/portability/CountedRef.h"
#include "formats/scans/HeldDataFiles.h"
#include "formats/scans/ZVRawFunctionData.h"
#include "formats/scans/ZVRawScan.h"

class ZVRawScanManagerImp;

namespace Vardex::Lib::ZorvalenRaw {
class ZorvalenRawCDCReaderImp;
}

class ZVRawDataClusterImp {
 public:
  using State = borealtek_zvraw_version_1::ZVRawDataClusterState;
  using ZVRawDataClusterInfo = borealtek_zvraw_version_1::ZVRawDataClusterInfo;
  using ZVRawFunctionData = borealtek_zvraw_version_1::ZVRawFunctionData;
  using ZVRawScan = borealtek_zvraw_version_1::ZVRawScan;
  using FunctionCalibration = borealtek_calibrate_version_1::FunctionCalibration;
  using FunctionDataArray = std::vector<std::unique_ptr<ZVRawFunctionData>>;

  // Empty: no directory, unloaded, a record of its own.
  ZVRawDataClusterImp();
  // Opens the directory; nReadData 1 also loads every function with the
  // given flags. The open's result is read with getInitialiseResult.
  ZVRawDataClusterImp(const char* cRawFileName, unsigned int nReadData, bool bCalibrate, bool bKeepCompressed);
  // Another cluster on imp's directory and record: its flags, cut-offs and
  // temperature-correction setting, no scans loaded.
  ZVRawDataClusterImp(const ZVRawDataClusterImp& imp);
  ZVRawDataClusterImp& operator=(const ZVRawDataClusterImp&) = delete;
  virtual ~ZVRawDataClusterImp();

  // ---- opening and preparing (ZVRawDataClusterImpOpen.cpp) ----
  // Opens the directory; with bCleanAll on a record of its own. Stores and
  // returns the result.
  int readInitialise(const char* cRawFileName, bool bCleanAll);
  // Releases the function data and the tables; with bCleanAll also the
  // record. State UNINITIALISED.
  void Clean(bool bCleanAll);
  // Fresh function data for every function: state UNLOADED, default cut-offs.
  int InitialiseFunctionData();
  // Empties one function's data (14 bad function, 32 no function data).
  int InitialiseFunctionData(unsigned int nFuncNum);
  int initDataTypes(bool bGetTypesFromDescriptors);
  [[nodiscard]] int validateDataTypes() const;
  int setFunctionCount();
  // Paths are cut to 255 characters.
  int setRawFilePath(const char* cFilePath);
  int getLumaventInfo(unsigned int& nLumaventFunction, bool& bLumaventPresent, unsigned int& nLumaventScans) const;
  int loadCCSCalibration();
  int getCollisionalCrossSection(const float& drift, const float& mass, const int& charge, float& fCCS) const;
  int getDriftTime(const float& ccs, const float& mass, const int& charge, float& drift) const;
  int getVeskoCalibration(borealtek_zvraw_version_1::ZVRawVeskoCalibration& calibration) const;
  // The descriptor record of a function, null when the slot is empty.
  int getFunctionDescriptorImp(unsigned int nWhichFunc, ZVRawFunctionDescriptorImp*& pImp) const;
  // One data format and one extended-index flag per function; null when
  // there is no table.
  [[nodiscard]] unsigned int* getDataTypes() { return m_pnDataTypes.empty() ? nullptr : m_pnDataTypes.data(); }
  [[nodiscard]] unsigned int* getExtendedFormatFlags() {
    return m_pnExtendedFormatFlags.empty() ? nullptr : m_pnExtendedFormatFlags.data();
  }
  // For laying a new directory down.
  int writeInitialise(unsigned int nFuncCount);
  int appendFunctions(unsigned int nFuncsToAppend);

  int addRef() { return ++m_nRefCount; }
  int remRef() { return --m_nRefCount; }
  [[nodiscard]] State getState() const { return m_eInitialised; }
  [[nodiscard]] int getInitialiseResult() const { return m_nInitialiseResult; }
  int getFunctionCount(unsigned int& nCount) const;

  // ---- loading (ZVRawDataClusterImpLoad.cpp) ----
  int loadData(bool bCalibrate, bool bKeepCompressed);
  int loadData(unsigned int nFuncNum, float fStartTime, float fEndTime, bool bCalibrate, bool bKeepCompressed);
  int loadData(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, bool bCalibrate,
               bool bKeepCompressed);
  int loadData(unsigned int nFuncNum, unsigned int nScanStart, unsigned int nScanEnd,
               const ZVRawScanManagerImp* manager);
  // Hands one function's loaded scans over (null when none).
  int getAllScans(unsigned int nFuncNum, std::shared_ptr<ZVRawScan[]>& pScans, unsigned int& nStartScan,
                  unsigned int& nEndScan);
  // Safe from another thread while a load runs.
  int abortLoad() const;
  int getPercentLoaded(float& fPercent);
  int resetPercentLoaded();
  int setMassCutOff(unsigned int nFuncNum, float fLowMass, float fHighMass);
  int Update();

  // ---- queries (ZVRawDataClusterImpQueries.cpp) ----
  int getBPM(unsigned int nFuncNum, unsigned int nScanNo, float& fBPM) const;
  int getMRMCount(unsigned int nFuncNum, unsigned int& nMRMs) const;
  int isCalibrated(unsigned int nFuncNum, bool& bCalibrated) const;
  int isCalibrated(bool& bCalibrated) const;
  int isCalibratedOmitLockmass(const unsigned int& lockMassFunction, bool& bCalibrated) const;
  int isCalibratedOmitLockmass(bool& bCalibrated) const;
  int validScanRange(const unsigned int& nFuncNum, const unsigned int& startScan, const unsigned int& endScan) const;
  int validDriftRange(const unsigned int& nFuncNum, const unsigned int& startDrift, const unsigned int& endDrift) const;
  int getPrecursormassRangeToIndices(unsigned int nFuncNum, float startMass, float endMass, int& nStartIndex,
                                     int& nEndIndex) const;
  int getPrecursorMass(unsigned int nFuncNum, int whichIndex, float& mass) const;
  int getIndexPrecursorMassRange(unsigned int nFuncNum, int whichIndex, float& startMass, float& endMass) const;
  int getPrecursorMassRange(unsigned int nFuncNum, float& startMass, float& endMass) const;

  // ---- the handle's other operations (ZVRawDataClusterImpAccess.cpp) ----
  int getRT(unsigned int nFuncNum, unsigned int nScanNo, float& fRT) const;
  int getTIC(unsigned int nFuncNum, unsigned int nScanNo, float& fTIC) const;
  int getBPI(unsigned int nFuncNum, unsigned int nScanNo, float& fBPI) const;
  int getLoadedScanRange(unsigned int nFuncNum, unsigned int& nScanStart, unsigned int& nScanEnd) const;
  int getTotalScans(unsigned int nFuncNum, unsigned int& nScans) const;
  int getTotalDriftScans(unsigned int nFuncNum, unsigned int& nDriftScans) const;
  int getMaxLoadedScanSize(unsigned int nFuncNum, unsigned int& nSize) const;
  int getMaxScanSize(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, unsigned int& nSize) const;
  int getMaxScanSize(unsigned int nFuncNum, unsigned int& nSize) const;
  int getScanSize(unsigned int nFuncNum, unsigned int nScan, unsigned int& nSize) const;
  int getRawFilePath(char* cFileName) const;
  int getRawFileName(char* cFileName) const;
  [[nodiscard]] const char* getSampleDescription() const;
  [[nodiscard]] const char* getHeaderItem(const unsigned int& unItem, int which) const;
  int getAcquisitionDetails(unsigned int nFuncNum, char* cFunctionType, char* cIonMode) const;
  int getDataType(unsigned int nWhichFunc, unsigned int& nDataType) const;
  int getIonMode(unsigned int nWhichFunc, unsigned int& nIonMode) const;
  int getFunctionType(const unsigned int& nFuncNum, unsigned int& nFunctionType) const;
  int getIonMode(const unsigned int& nIonMode, char* cIonMode) const;
  int getFunctionType(const unsigned int& nFunctionType, char* cFunctionType) const;
  int getExternInfo(const borealtek_zvraw_version_1::ZVRawExternInfo*& pInfo) const;
  int getScanRangeFromTimeRange(const unsigned int& nFuncNum, const float& fRTStart, const float& fRTEnd,
                                unsigned int& nScanStart, unsigned int& nScanEnd) const;
  int getScanFromRT(unsigned int nFuncNum, float fRt, unsigned int& nScan) const;
  int getFunctionCalibration(unsigned int nFuncNum, const FunctionCalibration*& pCalibration) const;
  int getAcquisitionMassRange(unsigned int nFuncNum, float& fLowMass, float& fHighMass, short nSegNo) const;
  [[nodiscard]] bool isMaldiData() const;
  int getInterScanDelay(unsigned int nFuncNum, float& fValue) const;
  int getCycleTime(unsigned int nFuncNum, float& fValue) const;
  int getScanTime(unsigned int nFuncNum, float& fValue) const;
  int getSetMass(unsigned int nFuncNum, float& fValue) const;
  int getIsContinuumFunction(unsigned int nFuncNum, bool& bContinuum) const;
  int getMeanTemperatureCorrection(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                   float& fCorrection) const;
  int setUseTemperatureCorrection(bool bUse);
  int getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<char[][64]>& fieldNames,
                             std::unique_ptr<char[][64]>& fieldTypes, int& nFieldCount) const;
  int getExtendedStatsFields(unsigned int nFuncNum,
                             std::unique_ptr<borealtek_zvraw_version_1::ExtendedStatsRecord[]>& fields,
                             int& nFieldCount) const;
  int getExtendedStatsRecord(unsigned int nFuncNum, unsigned int nScan,
                             const borealtek_zvraw_version_1::ZVRawExtStatsRecord*& pRecord) const;
  [[nodiscard]] int getNumberAnalogChannels() const;
  [[nodiscard]] int getAnalogChannelLength(int nChannel) const;
  void getAnalogChannelHeader(int nChannel, const borealtek_zvraw_version_1::AnalogHeader*& pHeader) const;

  // The lock-mass gain table: takes p over (null removes the table) and
  // attaches it to every function of every opened cluster on the record.
  int setExternalLumavent(borealtek_zvraw_version_1::ZVRawExternalLumavent* pExternalLumavent);
  int getExternalLumavent(const borealtek_zvraw_version_1::ZVRawExternalLumavent*& pExternalLumavent) const;
  // Attach the record's table to every function of this cluster, or detach
  // it from them, for this cluster alone.
  int applyExternalLumavent();
  int removeExternalLumavent();
  // Reads with other's table, attached to the same functions: a cluster
  // opened for other's sake applies the gain other applies.
  void shareLumavent(const ZVRawDataClusterImp& other);
  int getCDCReader(unsigned int nFuncNum, Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderImp*& pReader) const;

  // ---- for the access and write interfaces ----
  [[nodiscard]] FunctionDataArray& getFunctionData() { return m_ppFunctions; }
  [[nodiscard]] const FunctionDataArray& getFunctionData() const { return m_ppFunctions; }
  // Null for a bad function or when there are no function data.
  [[nodiscard]] ZVRawFunctionData* getFunctionData(unsigned int nFuncNum) const;
  [[nodiscard]] ZVRawDataClusterInfo* getDataInfo() const { return m_pDataInfo.get(); }
  [[nodiscard]] const char* getRawFilePath() const { return m_cRawFileName.c_str(); }
  [[nodiscard]] unsigned int functionCount() const { return m_nFunctionCount; }
  [[nodiscard]] bool getCalibrate() const { return m_bCalibrate; }
  [[nodiscard]] bool getKeepCompressed() const { return m_bKeepCompressed; }
  [[nodiscard]] bool getUseTemperatureCorrection() const { return m_bUseTemperatureCorrection; }
  // The cut-offs later loads of a function apply; false without cut-offs.
  [[nodiscard]] bool getMassCutOff(unsigned int nFuncNum, float& fLowMass, float& fHighMass) const;

 private:
  // The record's objects, null when there is no record.
  [[nodiscard]] ZVRawFunctionScanIndices* indices() const;
  [[nodiscard]] const ZVRawFunctionDescriptors* descriptors() const;
  [[nodiscard]] const borealtek_zvraw_version_1::ZVRawHeader* header() const;
  [[nodiscard]] const borealtek_zvraw_version_1::ZVRawExtendedStats* extStats() const;
  [[nodiscard]] bool hasFunctionData() const { return !m_ppFunctions.empty(); }
  [[nodiscard]] bool hasCutOffs() const { return m_pfLowMassCutoff.size() == m_nFunctionCount && hasFunctionData(); }

  // Lends function f's data the record's descriptors, index and statistics.
  void lendRecordObjects(ZVRawFunctionData& data, unsigned int f) const;
  // Attaches the table to the data of the functions flagged, and keeps it
  // alive while they use it (null detaches them).
  void attachLumavent(std::shared_ptr<borealtek_zvraw_version_1::ZVRawExternalLumavent> table,
                      std::vector<bool> functions);
  int openDirectory(const char* cRawFileName, bool bCleanAll);
  // Steps of the open after the descriptors: index, header, statistics and
  // instrument settings of a record read here for the first time. 0, or 46
  // without statistics files; any other result stops the open.
  int readRecordFiles();
  // Step of the open that finds the lock-mass gain table: lmgt.inf for a
  // record of its own, else the shared record's table.
  void loadLumavent(bool ownRecord);

  // The bracket of every load: state LOADING, abort cleared; and the end of
  // it: state after the result, no function loading.
  void beginLoad(bool bCalibrate, bool bKeepCompressed);
  int endLoad(int rc, State stateOnSuccess, State stateOnFailure);
  // Loads function f with its cut-offs through one of the function data's
  // loaders, publishing it as the function being loaded.
  template <class Load>
  int loadFunction(unsigned int f, Load&& load);
  template <class Load>
  int loadOneFunction(unsigned int nFuncNum, bool bCalibrate, bool bKeepCompressed, Load&& load);

  // Function data; empty when there are none. The mutex guards replacing
  // the array against another thread's progress and abort calls.
  FunctionDataArray m_ppFunctions;
  // The data files kept open between loads; they go with the cluster.
  std::shared_ptr<zvraw::HeldDataFiles> m_heldDataFiles = std::make_shared<zvraw::HeldDataFiles>();
  mutable std::mutex m_functionsGuard;
  zvraw::CountedRef<ZVRawDataClusterInfo> m_pDataInfo;
  State m_eInitialised = borealtek_zvraw_version_1::ZVRawDataCluster_UNLOADED;
  unsigned int m_nFunctionCount = 0;
  std::atomic<int> m_nCurrentLoadingFunction{-1};
  std::string m_cRawFileName;
  bool m_bKeepCompressed = false;
  bool m_bCalibrate = true;
  // One entry per function, or empty.
  std::vector<float> m_pfLowMassCutoff;
  std::vector<float> m_pfHighMassCutoff;
  int m_nRefCount = 0;
  std::atomic<float> m_fPercentLoaded{0.0f};
  std::vector<unsigned int> m_pnDataTypes;
  std::vector<unsigned int> m_pnExtendedFormatFlags;
  int m_nInitialiseResult = 0;
  bool m_bUseTemperatureCorrection = true;
  // Raised by abortLoad while a load runs; each load clears it first.
  mutable std::atomic<bool> m_bAbortLoad{false};
  std::atomic<bool> m_bLoading{false};
  // The gain table the function data have attached, and to which of them:
  // a rebuild of the function data attaches it again.
  std::shared_ptr<borealtek_zvraw_version_1::ZVRawExternalLumavent> m_pAttachedLumavent;
  std::vector<bool> m_lumaventAttachedTo;
};
