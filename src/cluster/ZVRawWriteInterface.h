#pragma once

// The write interface on a cluster handle: lays a new raw directory down
// function by function and batch by batch (see ZVRawWriteInterfaceImp.h).
// Every operation forwards to the implementation; copies and assignments
// share it, and the last holder deletes it.

#include <memory>

#include "cluster/ZVRawWriteInterfaceImp.h"

namespace borealtek_zvraw_version_1 {

class ZVRawDataCluster;

class ZVRawWriteInterface {
 public:
  explicit ZVRawWriteInterface(ZVRawDataCluster& cluster);
  ZVRawWriteInterface(const ZVRawWriteInterface&) = default;
  ZVRawWriteInterface& operator=(const ZVRawWriteInterface&) = default;
  virtual ~ZVRawWriteInterface() = default;

  // The retention-time shift the scan index adds to every time it writes,
  // for the whole process.
  static void setTimeShift(float fShift);

  using FunctionCalibration = ZVRawWriteInterfaceImp::FunctionCalibration;

  int prepareDataCluster(const char* pcFullFileName, unsigned int nFuncCount) {
    return m_pImp->prepareDataCluster(pcFullFileName, nFuncCount);
  }
  int prepareDataCluster(unsigned int nFuncCount) { return m_pImp->prepareDataCluster(nFuncCount); }
  int setHeaderValue(int nNameIndex, const char* pcValue) { return m_pImp->setHeaderValue(nNameIndex, pcValue); }
  int setHeaderValue(const char* pcName, const char* pcValue) { return m_pImp->setHeaderValue(pcName, pcValue); }
  int setHeaderValue(int nNameIndex, const FunctionCalibration& cali, unsigned int nWhichFunc) {
    return m_pImp->setHeaderValue(nNameIndex, cali, nWhichFunc);
  }
  int writeHeader(bool bEncrypt) { return m_pImp->writeHeader(bEncrypt); }
  int writeHeader(const char* pcRawDirectory, bool bEncrypt) { return m_pImp->writeHeader(pcRawDirectory, bEncrypt); }
  int setFunctionDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D) {
    return m_pImp->setFunctionDescriptor(nFunNum, D);
  }
  int setFunctionDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D, bool bIsContinuumData,
                            bool bisCalibrated) {
    return m_pImp->setFunctionDescriptor(nFunNum, D, bIsContinuumData, bisCalibrated);
  }
  int writeFunctionDescriptors() { return m_pImp->writeFunctionDescriptors(); }
  int writeFunctionDescriptors(const char* pcFullFilePath) { return m_pImp->writeFunctionDescriptors(pcFullFilePath); }
  int appendScans(unsigned int nFuncNum, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
                  std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<char[]>* ppcPeakFlags, double* pfTimes,
                  unsigned int* pnScanSizes) {
    return m_pImp->appendScans(nFuncNum, nScanCount, ppfMasses, ppfIntensities, ppcPeakFlags, pfTimes, pnScanSizes);
  }
  int appendScans(unsigned int nFuncNum, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
                  std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<float[]>* ppfDMasses,
                  std::unique_ptr<float[]>* ppfDIntensities, std::unique_ptr<char[]>* ppcPeakFlags,
                  std::unique_ptr<char[]>* ppcMassFlags, double* pfTimes, unsigned int* pnScanSizes) {
    return m_pImp->appendScans(nFuncNum, nScanCount, ppfMasses, ppfIntensities, ppfDMasses, ppfDIntensities,
                               ppcPeakFlags, ppcMassFlags, pfTimes, pnScanSizes);
  }
  int incrementScanBuffer(unsigned int nFuncNum, unsigned int nBufferSize) {
    return m_pImp->incrementScanBuffer(nFuncNum, nBufferSize);
  }
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, float** ppMasses, float** ppIntensities,
              unsigned int& nPeaks) {
    return m_pImp->getScan(nFuncNum, nScanNo, ppMasses, ppIntensities, nPeaks);
  }
  int writeScans(const char* pcFullFilePath, unsigned int nFuncNum, bool bFlush, unsigned int nScanCount) {
    return m_pImp->writeScans(pcFullFilePath, nFuncNum, bFlush, nScanCount);
  }
  int writeScans(unsigned int nFuncNum, bool bFlush, unsigned int nScanCount) {
    return m_pImp->writeScans(nFuncNum, bFlush, nScanCount);
  }
  int writeScans(bool bFlush) { return m_pImp->writeScans(bFlush); }
  int writeScans(const char* pcFullFilePath, unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan) {
    return m_pImp->writeScans(pcFullFilePath, nFuncNum, nStartScan, nEndScan);
  }
  int writeScans(const char* pcFullFilePath, float fUpToRT) { return m_pImp->writeScans(pcFullFilePath, fUpToRT); }
  int writeScans(bool bFlush, float fUpToRT) { return m_pImp->writeScans(bFlush, fUpToRT); }
  int flushScans(const char* pcFullFilePath, float fUpToRT) { return m_pImp->flushScans(pcFullFilePath, fUpToRT); }
  int flushScans(const char* pcFullFilePath, unsigned int nFuncNum) {
    return m_pImp->flushScans(pcFullFilePath, nFuncNum);
  }
  int writeBatch(unsigned int nFuncNum, unsigned int nStats, const void* pStats, const ZVRawBatchStep& step = {}) {
    return m_pImp->writeBatch(nFuncNum, nStats, pStats, step);
  }
  int incrementStatsScanBuffer(unsigned int nFuncNum, unsigned int nScanCount) {
    return m_pImp->incrementStatsScanBuffer(nFuncNum, nScanCount);
  }
  int writeExtendedStats() { return m_pImp->writeExtendedStats(); }
  int writeExtendedStats(unsigned int nFuncNum, unsigned int nScanCount) {
    return m_pImp->writeExtendedStats(nFuncNum, nScanCount);
  }
  int writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum) {
    return m_pImp->writeExtendedStats(pcFullFilePath, nFuncNum);
  }
  int writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum, unsigned int nStartScan,
                         unsigned int nEndScan) {
    return m_pImp->writeExtendedStats(pcFullFilePath, nFuncNum, nStartScan, nEndScan);
  }
  int writeExtendedStats(const char* pcFullFilePath, float fUpToRT) {
    return m_pImp->writeExtendedStats(pcFullFilePath, fUpToRT);
  }
  int writeExtendedStats(float fUpToRT) { return m_pImp->writeExtendedStats(fUpToRT); }
  int writeExtendedStats(float fStartRT, float fUpToRT) { return m_pImp->writeExtendedStats(fStartRT, fUpToRT); }
  int writeExtendedStats(unsigned int nFuncNum, float fUpToRT) { return m_pImp->writeExtendedStats(nFuncNum, fUpToRT); }
  int writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum, float fUpToRT) {
    return m_pImp->writeExtendedStats(pcFullFilePath, nFuncNum, fUpToRT);
  }
  int setExtendedStatsDescriptor(unsigned int nFuncNum, const ExtendedStatsDescriptor& ESD) {
    return m_pImp->setExtendedStatsDescriptor(nFuncNum, ESD);
  }
  int appendStats(unsigned int nFuncNum, unsigned int nScanCount, const void* pStats) {
    return m_pImp->appendStats(nFuncNum, nScanCount, pStats);
  }

 private:
  std::shared_ptr<ZVRawWriteInterfaceImp> m_pImp;
};

}  // namespace borealtek_zvraw_version_1
