#include "cluster/ZVRawAccessInterfaceImp.h"

#include "formats/statistics/ZVRawAnalog.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

int ZVRawAccessInterfaceImp::loadedFunction(unsigned int nFuncNum, const ZVRawFunctionData*& data) const {
  if (!isLoaded()) return ZVRAW_DATACLUSTER_NOTLOADED;
  return anyFunction(nFuncNum, data);
}

int ZVRawAccessInterfaceImp::anyFunction(unsigned int nFuncNum, const ZVRawFunctionData*& data) const {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  data = functionData(nFuncNum);
  return data != nullptr ? ZVRAW_OK : ZVRAW_NULLPOINTER_ERROR;
}

// ---- scans ----

int ZVRawAccessInterfaceImp::getScan(unsigned int nFuncNum, unsigned int nScanNo, const float** ppMasses,
                                     const float** ppIntensities, unsigned int& nPeaks) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getScan(nScanNo, ppMasses, ppIntensities, nPeaks);
}

int ZVRawAccessInterfaceImp::getScan(unsigned int nFuncNum, unsigned int nScanNo, const float** ppMasses,
                                     const float** ppIntensities, const float** ppDMasses, const float** ppDIntensities,
                                     unsigned int& nPeaks) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getScan(nScanNo, ppMasses, ppIntensities, ppDMasses, ppDIntensities, nPeaks);
}

int ZVRawAccessInterfaceImp::getScan(unsigned int nFuncNum, unsigned int nScanNo, float* pMasses,
                                     float* pIntensities) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getScan(nScanNo, pMasses, pIntensities);
}

int ZVRawAccessInterfaceImp::getScan(unsigned int nFuncNum, float fRT, float* pMasses, float* pIntensities) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  unsigned int scan = 0;
  if (int rc = dataCluster().getScanFromRT(nFuncNum, fRT, scan); rc != ZVRAW_OK) return rc;
  const int rc = data->getScan(scan, pMasses, pIntensities);
  return rc == ZVRAW_SCANNUM_INVALID ? ZVRAW_RETENTIONTIME_INVALID : rc;
}

int ZVRawAccessInterfaceImp::getScan(unsigned int nFuncNum, float fRT, const float** ppMasses,
                                     const float** ppIntensities, unsigned int& nPeaks) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  unsigned int scan = 0;
  if (int rc = dataCluster().getScanFromRT(nFuncNum, fRT, scan); rc != ZVRAW_OK) return rc;
  return data->getScan(scan, ppMasses, ppIntensities, nPeaks);
}

// ---- scan index chromatograms ----

namespace {

// 14 for a bad function, 19 without a scan index, else the index's answer.
template <class Ask>
int fromIndex(unsigned int nFuncNum, unsigned int nFunctionCount, const ZVRawFunctionScanIndices* index, Ask&& ask) {
  if (nFuncNum >= nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  return index != nullptr ? ask(*index) : ZVRAW_DATACLUSTER_INVALID;
}

}  // namespace

int ZVRawAccessInterfaceImp::getTICChromatogram(unsigned int nFuncNum, float* pTIC, float* pTime) const {
  return fromIndex(nFuncNum, functionCount(), scanIndices(),
                   [&](const ZVRawFunctionScanIndices& i) { return i.getTICChromatogram(nFuncNum, pTIC, pTime); });
}

int ZVRawAccessInterfaceImp::getTICChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                                float* pTIC, float* pTime) const {
  return fromIndex(nFuncNum, functionCount(), scanIndices(), [&](const ZVRawFunctionScanIndices& i) {
    return i.getTICChromatogram(nFuncNum, nStartScan, nEndScan, pTIC, pTime);
  });
}

int ZVRawAccessInterfaceImp::getBPIChromatogram(unsigned int nFuncNum, float* pBPI, float* pTime) const {
  return fromIndex(nFuncNum, functionCount(), scanIndices(),
                   [&](const ZVRawFunctionScanIndices& i) { return i.getBPIChromatogram(nFuncNum, pBPI, pTime); });
}

int ZVRawAccessInterfaceImp::getBPIChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                                float* pBPI, float* pTime) const {
  return fromIndex(nFuncNum, functionCount(), scanIndices(), [&](const ZVRawFunctionScanIndices& i) {
    return i.getBPIChromatogram(nFuncNum, nStartScan, nEndScan, pBPI, pTime);
  });
}

int ZVRawAccessInterfaceImp::getMRMChromatogram(unsigned int nFuncNum, unsigned int nChro, float* intensities,
                                                float* pTime) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  const ZVRawFunctionScanIndices* index = scanIndices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  unsigned int scans = 0;
  if (int rc = index->getScansInFunction(nFuncNum, scans); rc != ZVRAW_OK || scans == 0) return rc;
  // Scan 0 carries one point per transition.
  unsigned int transitions = 0;
  if (int rc = index->getPeaksInScan(nFuncNum, 0, transitions); rc != ZVRAW_OK) return rc;
  if (nChro >= transitions) return ZVRAW_SEGMENT_INVALID;
  return data->getMRMChromatogram(nChro, index, intensities, pTime);
}

// ---- per-peak arrays ----

int ZVRawAccessInterfaceImp::getScanFlags(unsigned int nFuncNum, unsigned int nScanNo, const char** ppcScanFlags,
                                          unsigned int& nPeaks) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = anyFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getScanFlags(nScanNo, ppcScanFlags, nPeaks);
}

int ZVRawAccessInterfaceImp::getAccMassScanFlags(unsigned int nFuncNum, unsigned int nScanNo, const char** ppcScanFlags,
                                                 unsigned int& nPeaks) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = anyFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getAccMassScanFlags(nScanNo, ppcScanFlags, nPeaks);
}

int ZVRawAccessInterfaceImp::errorScan(unsigned int nFuncNum, unsigned int nScanNo, bool& bError) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = anyFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->errorScan(nScanNo, bError);
}

int ZVRawAccessInterfaceImp::getDaughterMasses(unsigned int nFuncNum, unsigned int nScanNo, const float** ppfMasses,
                                               unsigned int& nPeaks) const {
  const auto clear = [&] {
    nPeaks = 0;
    if (ppfMasses != nullptr) *ppfMasses = nullptr;
  };
  clear();
  const ZVRawFunctionData* data = nullptr;
  int rc = anyFunction(nFuncNum, data);
  if (rc == ZVRAW_OK)
    rc = ppfMasses != nullptr ? data->getDaughterMasses(nScanNo, ppfMasses, nPeaks) : ZVRAW_NULLPOINTER_ERROR;
  if (rc != ZVRAW_OK) clear();
  return rc;
}

// ---- statistics ----

int ZVRawAccessInterfaceImp::getStats(unsigned int nFuncNum, ScanStatsRecord* pScanStats) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = anyFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  if (pScanStats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  return data->getStats(nFuncNum, pScanStats);
}

int ZVRawAccessInterfaceImp::getExtendedStatsFields(unsigned int nFuncNum,
                                                    std::unique_ptr<ExtendedStatsRecord[]>& extendedStatsFields,
                                                    int& nFieldCount) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = anyFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getExtendedStatsFields(nFuncNum, extendedStatsFields, nFieldCount);
}

int ZVRawAccessInterfaceImp::getExtendedStats(unsigned int nFuncNum,
                                              std::unique_ptr<const ZVRawExtStatsRecord*[]>& pExtendedScanStats) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = anyFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getExtendedStats(nFuncNum, pExtendedScanStats);
}

// ---- analog channels and lock-mass gain ----

int ZVRawAccessInterfaceImp::getAnalogChannelData(unsigned int nChannel, const float*& pTime,
                                                  const float*& pInt) const {
  const ZVRawAnalog* channels = analog();
  if (channels == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  const int count = channels->getNumberOfChannels();
  if (count <= 0 || nChannel >= static_cast<unsigned int>(count)) return ZVRAW_FUNCNUM_INVALID;
  channels->getChannelData(static_cast<int>(nChannel), pTime, pInt);
  return pTime != nullptr && pInt != nullptr ? ZVRAW_OK : ZVRAW_DATA_NULL;
}

int ZVRawAccessInterfaceImp::getLockMassCorrection(unsigned int nFuncNum, unsigned int nScanNo,
                                                   float& fCorrection) const {
  const ZVRawFunctionScanIndices* index = scanIndices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  float rt = 0.0f;
  if (int rc = index->getRTFromScan(nFuncNum, nScanNo, rt); rc != ZVRAW_OK) return rc;
  // The index may know functions the cluster holds no data for.
  const ZVRawFunctionData* data = functionData(nFuncNum);
  return data != nullptr ? data->getLockMassGainFromRT(rt, fCorrection) : ZVRAW_NULLPOINTER_ERROR;
}
