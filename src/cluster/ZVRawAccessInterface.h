#pragma once

// The read interface on a cluster handle, through which the public readers
// reach scans, chromatograms, flags, statistics, analog channels and the
// lock-mass gain. Every operation forwards to the implementation; copies and
// assignments share it, and the last holder deletes it. It keeps the
// cluster's implementation alive, and follows a re-open of the cluster.

#include <memory>

#include "cluster/ZVRawAccessInterfaceImp.h"

namespace borealtek_zvraw_version_1 {

class ZVRawDataCluster;

class ZVRawAccessInterface {
 public:
  explicit ZVRawAccessInterface(const ZVRawDataCluster& cluster);
  ZVRawAccessInterface(const ZVRawAccessInterface&) = default;
  ZVRawAccessInterface& operator=(const ZVRawAccessInterface&) = default;
  virtual ~ZVRawAccessInterface() = default;

  int getScan(unsigned int nFuncNum, unsigned int nScanNo, const float** ppMasses, const float** ppIntensities,
              unsigned int& nPeaks) const {
    return m_pImp->getScan(nFuncNum, nScanNo, ppMasses, ppIntensities, nPeaks);
  }
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, const float** ppMasses, const float** ppIntensities,
              const float** ppDMasses, const float** ppDIntensities, unsigned int& nPeaks) const {
    return m_pImp->getScan(nFuncNum, nScanNo, ppMasses, ppIntensities, ppDMasses, ppDIntensities, nPeaks);
  }
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, float* pMasses, float* pIntensities) const {
    return m_pImp->getScan(nFuncNum, nScanNo, pMasses, pIntensities);
  }
  int getScan(unsigned int nFuncNum, float fRT, float* pMasses, float* pIntensities) const {
    return m_pImp->getScan(nFuncNum, fRT, pMasses, pIntensities);
  }
  int getScan(unsigned int nFuncNum, float fRT, const float** ppMasses, const float** ppIntensities,
              unsigned int& nPeaks) const {
    return m_pImp->getScan(nFuncNum, fRT, ppMasses, ppIntensities, nPeaks);
  }

  int getTICChromatogram(unsigned int nFuncNum, float* pTIC, float* pTime) const {
    return m_pImp->getTICChromatogram(nFuncNum, pTIC, pTime);
  }
  int getTICChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, float* pTIC,
                         float* pTime) const {
    return m_pImp->getTICChromatogram(nFuncNum, nStartScan, nEndScan, pTIC, pTime);
  }
  int getBPIChromatogram(unsigned int nFuncNum, float* pBPI, float* pTime) const {
    return m_pImp->getBPIChromatogram(nFuncNum, pBPI, pTime);
  }
  int getBPIChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, float* pBPI,
                         float* pTime) const {
    return m_pImp->getBPIChromatogram(nFuncNum, nStartScan, nEndScan, pBPI, pTime);
  }

  int getMassChromatogram(unsigned int nFuncNum, float fLowMass, float fHighMass, float* pInt, float* pTime,
                          float fWindow, bool bDaughters) const {
    return m_pImp->getMassChromatogram(nFuncNum, fLowMass, fHighMass, pInt, pTime, fWindow, bDaughters);
  }
  int getMassChromatogram(unsigned int nFuncNum, float fMass, float* pInt, float* pTime, float fWindow,
                          bool bDaughters) const {
    return m_pImp->getMassChromatogram(nFuncNum, fMass, pInt, pTime, fWindow, bDaughters);
  }
  int getMassChromatogram(unsigned int nFuncNum, float fMass, unsigned int nStartScan, unsigned int nEndScan,
                          float* pInt, float* pTime, float fWindow, bool bDaughters) const {
    return m_pImp->getMassChromatogram(nFuncNum, fMass, nStartScan, nEndScan, pInt, pTime, fWindow, bDaughters);
  }
  int getMRMChromatogram(unsigned int nFuncNum, unsigned int nChro, float* intensities, float* pTime) const {
    return m_pImp->getMRMChromatogram(nFuncNum, nChro, intensities, pTime);
  }

  int getScanFlags(unsigned int nFuncNum, unsigned int nScanNo, const char** ppcScanFlags, unsigned int& nPeaks) const {
    return m_pImp->getScanFlags(nFuncNum, nScanNo, ppcScanFlags, nPeaks);
  }
  int getAccMassScanFlags(unsigned int nFuncNum, unsigned int nScanNo, const char** ppcScanFlags,
                          unsigned int& nPeaks) const {
    return m_pImp->getAccMassScanFlags(nFuncNum, nScanNo, ppcScanFlags, nPeaks);
  }
  int errorScan(unsigned int nFuncNum, unsigned int nScanNo, bool& bError) const {
    return m_pImp->errorScan(nFuncNum, nScanNo, bError);
  }
  int getDaughterMasses(unsigned int nFuncNum, unsigned int nScanNo, const float** ppfMasses,
                        unsigned int& nPeaks) const {
    return m_pImp->getDaughterMasses(nFuncNum, nScanNo, ppfMasses, nPeaks);
  }

  int getStats(unsigned int nFuncNum, ScanStatsRecord* pScanStats) const {
    return m_pImp->getStats(nFuncNum, pScanStats);
  }
  int getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<ExtendedStatsRecord[]>& extendedStatsFields,
                             int& nFieldCount) const {
    return m_pImp->getExtendedStatsFields(nFuncNum, extendedStatsFields, nFieldCount);
  }
  int getExtendedStats(unsigned int nFuncNum, std::unique_ptr<const ZVRawExtStatsRecord*[]>& pExtendedScanStats) const {
    return m_pImp->getExtendedStats(nFuncNum, pExtendedScanStats);
  }

  int getAnalogChannelData(unsigned int nChannel, const float*& pTime, const float*& pInt) const {
    return m_pImp->getAnalogChannelData(nChannel, pTime, pInt);
  }
  int getLockMassCorrection(unsigned int nFuncNum, unsigned int nScanNo, float& fCorrection) const {
    return m_pImp->getLockMassCorrection(nFuncNum, nScanNo, fCorrection);
  }

 private:
  std::shared_ptr<ZVRawAccessInterfaceImp> m_pImp;
};

}  // namespace borealtek_zvraw_version_1
