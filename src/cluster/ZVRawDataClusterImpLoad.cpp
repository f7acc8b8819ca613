// Loading scans, progress, abort, mass cut-offs and the live re-read.

#include "cluster/ZVRawDataClusterImp.h"
#include "cluster/ZVRawScanManagerImp.h"
#include "drift/ZorvalenRawCDCReaderMgrImp.h"
#include "formats/portability/AllocationGuard.h"
#include "formats/portability/SysPaths.h"
#include "formats/portability/SysTrace.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;
using zvraw::guardAllocation;

void ZVRawDataClusterImp::beginLoad(bool bCalibrate, bool bKeepCompressed) {
  // An abort meant for an earlier load must not stop this one.
  m_bAbortLoad.store(false);
  m_bLoading.store(true);
  m_eInitialised = ZVRawDataCluster_LOADING;
  m_bCalibrate = bCalibrate;
  m_bKeepCompressed = bKeepCompressed;
}

int ZVRawDataClusterImp::endLoad(int rc, State stateOnSuccess, State stateOnFailure) {
  {
    const std::lock_guard lock(m_functionsGuard);
    m_nCurrentLoadingFunction.store(-1);
  }
  m_bLoading.store(false);
  m_eInitialised = rc == ZVRAW_OK ? stateOnSuccess : stateOnFailure;
  return rc;
}

template <class Load>
int ZVRawDataClusterImp::loadFunction(unsigned int f, Load&& load) {
  ZVRawFunctionData& data = *m_ppFunctions[f];
  {
    const std::lock_guard lock(m_functionsGuard);
    // A request that came too late for the previous load of these data.
    (void)data.clearAbortLoad();
    m_nCurrentLoadingFunction.store(static_cast<int>(f));
  }
  // An abort between two functions ends the load before the next one.
  if (m_bAbortLoad.load()) return ZVRAW_DATALOAD_ABORTED;
  return guardAllocation([&] { return load(data, m_pfLowMassCutoff[f], m_pfHighMassCutoff[f]); });
}

int ZVRawDataClusterImp::loadData(bool bCalibrate, bool bKeepCompressed) {
  const State entry = m_eInitialised;
  if (entry == ZVRawDataCluster_LOADED) {
    if (int rc = guardAllocation([&] { return InitialiseFunctionData(); }); rc != ZVRAW_OK) return rc;
  }
  if (m_eInitialised != ZVRawDataCluster_UNLOADED) return ZVRAW_DATACLUSTER_NOTLOADED;
  beginLoad(bCalibrate, bKeepCompressed);
  int rc = hasCutOffs() ? ZVRAW_OK : ZVRAW_NULLPOINTER_ERROR;
  for (unsigned int f = 0; rc == ZVRAW_OK && f < m_nFunctionCount; ++f) {
    rc = loadFunction(f, [&](ZVRawFunctionData& data, float low, float high) {
      return data.loadData(f, m_bCalibrate, m_bKeepCompressed, low, high);
    });
  }
  return endLoad(rc, ZVRawDataCluster_LOADED, entry);
}

// One function's load, by time or scan range, in any state: on a loaded
// cluster only that function's scans are replaced.
template <class Load>
int ZVRawDataClusterImp::loadOneFunction(unsigned int nFuncNum, bool bCalibrate, bool bKeepCompressed, Load&& load) {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const State entry = m_eInitialised;
  if (entry == ZVRawDataCluster_LOADED) (void)InitialiseFunctionData(nFuncNum);
  beginLoad(bCalibrate, bKeepCompressed);
  const int rc = hasCutOffs() ? loadFunction(nFuncNum, load) : ZVRAW_NULLPOINTER_ERROR;
  return endLoad(rc, ZVRawDataCluster_LOADED, entry);
}

int ZVRawDataClusterImp::loadData(unsigned int nFuncNum, float fStartTime, float fEndTime, bool bCalibrate,
                                  bool bKeepCompressed) {
  return loadOneFunction(nFuncNum, bCalibrate, bKeepCompressed, [&](ZVRawFunctionData& data, float low, float high) {
    return data.loadData(fStartTime, fEndTime, nFuncNum, m_bCalibrate, m_bKeepCompressed, low, high);
  });
}

int ZVRawDataClusterImp::loadData(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                  bool bCalibrate, bool bKeepCompressed) {
  return loadOneFunction(nFuncNum, bCalibrate, bKeepCompressed, [&](ZVRawFunctionData& data, float low, float high) {
    return data.loadData(nStartScan, nEndScan, nFuncNum, m_bCalibrate, m_bKeepCompressed, low, high);
  });
}

int ZVRawDataClusterImp::loadData(unsigned int nFuncNum, unsigned int nScanStart, unsigned int nScanEnd,
                                  const ZVRawScanManagerImp* manager) {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (!hasFunctionData()) return ZVRAW_NULLPOINTER_ERROR;
  if (manager == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (m_eInitialised == ZVRawDataCluster_LOADED) {
    if (int rc = guardAllocation([&] { return InitialiseFunctionData(); }); rc != ZVRAW_OK) return rc;
  }
  if (m_eInitialised != ZVRawDataCluster_UNLOADED) return ZVRAW_DATACLUSTER_NOTLOADED;
  beginLoad(m_bCalibrate, m_bKeepCompressed);
  int rc = loadFunction(nFuncNum, [&](ZVRawFunctionData& data, float, float) {
    return data.loadData(nScanStart, nScanEnd, nFuncNum, manager);
  });
  // An abort still leaves the range taken over.
  if (rc == ZVRAW_DATALOAD_ABORTED)
    (void)endLoad(ZVRAW_OK, ZVRawDataCluster_LOADED, ZVRawDataCluster_LOADED);
  else
    (void)endLoad(rc, ZVRawDataCluster_LOADED, ZVRawDataCluster_UNLOADED);
  return rc;
}

int ZVRawDataClusterImp::getAllScans(unsigned int nFuncNum, std::shared_ptr<ZVRawScan[]>& pScans,
                                     unsigned int& nStartScan, unsigned int& nEndScan) {
  if (m_eInitialised == ZVRawDataCluster_UNINITIALISED) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  ZVRawFunctionData* data = getFunctionData(nFuncNum);
  if (data == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const int rc = data->getAllScans(pScans, nStartScan, nEndScan);
  if (rc != ZVRAW_OK || !pScans || pScans.use_count() == 1) return rc;
  // A range borrowed from a scan buffer that others still share: the caller
  // gets a copy of its own, so that moving it on empties nobody's scans.
  const std::size_t count = std::size_t{nEndScan} - nStartScan + 1;
  return guardAllocation([&] {
    std::shared_ptr<ZVRawScan[]> copy(new ZVRawScan[count]);
    for (std::size_t k = 0; k < count; ++k)
      if (int c = ZVRawScan::copyScan(&copy[k], &pScans[k]); c != ZVRAW_OK) return c;
    pScans = std::move(copy);
    return ZVRAW_OK;
  });
}

int ZVRawDataClusterImp::abortLoad() const {
  if (!m_bLoading.load()) return ZVRAW_OK;
  m_bAbortLoad.store(true);
  const std::lock_guard lock(m_functionsGuard);
  const int f = m_nCurrentLoadingFunction.load();
  if (f >= 0 && static_cast<std::size_t>(f) < m_ppFunctions.size()) (void)m_ppFunctions[f]->setAbortLoad();
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::getPercentLoaded(float& fPercent) {
  float sum = 0.0f;
  std::size_t count = 0;
  {
    const std::lock_guard lock(m_functionsGuard);
    for (const auto& data : m_ppFunctions) {
      float p = 0.0f;
      (void)data->getPercentLoaded(p);
      sum += p;
    }
    count = m_ppFunctions.size();
  }
  fPercent = count == 0 ? 0.0f : sum / static_cast<float>(count);
  m_fPercentLoaded.store(fPercent);
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::resetPercentLoaded() {
  const std::lock_guard lock(m_functionsGuard);
  m_fPercentLoaded.store(0.0f);
  for (const auto& data : m_ppFunctions) (void)data->setPercentLoaded(0.0f);
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::setMassCutOff(unsigned int nFuncNum, float fLowMass, float fHighMass) {
  if (!hasCutOffs()) return ZVRAW_NULLPOINTER_ERROR;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  m_pfLowMassCutoff[nFuncNum] = fLowMass;
  int rc = ZVRAW_OK;
  if (fHighMass < 0.0f) {
    float low = 0.0f;
    rc = getAcquisitionMassRange(nFuncNum, low, fHighMass, 0);
  }
  m_pfHighMassCutoff[nFuncNum] = fHighMass;
  return rc;
}

bool ZVRawDataClusterImp::getMassCutOff(unsigned int nFuncNum, float& fLowMass, float& fHighMass) const {
  if (!hasCutOffs() || nFuncNum >= m_nFunctionCount) return false;
  fLowMass = m_pfLowMassCutoff[nFuncNum];
  fHighMass = m_pfHighMassCutoff[nFuncNum];
  return true;
}

// Re-reads what a directory that is still being written changes: the index,
// the statistics, the mass ranges of the functions held (the writer widens
// them as scans arrive, and loads decode against them) and the drift files
// of the drift readers made so far. The function count, the rest of the
// descriptors, the header, the state and loaded scans stay as they are; the
// index only grows by the scans now complete.
//
// The index comes first: a writer puts everything else a scan needs in the
// files before its index record, so what is read after the index covers
// every scan it counts.
int ZVRawDataClusterImp::Update() {
  m_nInitialiseResult = ZVRAW_OK;
  ZVRawFunctionScanIndices* index = indices();
  ZVRawExtendedStats* stats = m_pDataInfo ? m_pDataInfo->m_pExtStats.get() : nullptr;
  ZVRawFunctionDescriptors* d = m_pDataInfo ? m_pDataInfo->m_pDescriptors.get() : nullptr;
  if (!index || !stats || !d) return m_nInitialiseResult = ZVRAW_DATACLUSTER_INVALID;
  const int loaded = guardAllocation([&] {
    std::vector<unsigned int> formats(m_nFunctionCount), extended(m_nFunctionCount);
    for (unsigned int f = 0; f < m_nFunctionCount; ++f) {
      bool ext = false;
      if (int rc = d->getDataFormat(f, formats[f]); rc != ZVRAW_OK) return rc;
      if (int rc = d->getExtendedFormatFlag(f, ext); rc != ZVRAW_OK) return rc;
      extended[f] = ext ? 1 : 0;
    }
    if (int rc = index->readIndices(m_cRawFileName, formats.data(), extended.data()); rc != ZVRAW_OK) {
      zvraw::traceLine("readIndices failed(code:%i).", rc);
      return rc;
    }
    const int rc = stats->readStats(m_cRawFileName);
    // A function whose statistics run short loses the scans they do not
    // cover; one without a statistics file keeps all its scans.
    for (unsigned int f = 0; f < m_nFunctionCount; ++f) (void)stats->ensureScanCountsConsistent(f);
    if (int mrc = d->refreshMassRanges(); mrc != ZVRAW_OK) return mrc;
    if (m_pDataInfo->m_pCDCReaderMgr) m_pDataInfo->m_pCDCReaderMgr->Refresh();
    return rc;
  });
  // As at the open, a directory without statistics files is usual: its 46 is
  // reported but does not mark the cluster as failed for later readers.
  m_nInitialiseResult = loaded == ZVRAW_STATSFILE_FILEREADOPEN_ERROR ? ZVRAW_OK : loaded;
  return loaded;
}
