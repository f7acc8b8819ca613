#pragma once

// The read side of an open cluster: checks the cluster state and the
// function number, then hands each request to the object that owns the
// data (the function's data, the scan index or the analog channels).
// A cluster whose open failed, or an empty one, answers 32 where function
// data are missing and 19 where a record object is missing.

#include "cluster/ZVRawInterfaceImp.h"
#include "formats/scans/ZVRawFunctionData.h"

class ZVRawAccessInterfaceImp : public ZVRawInterfaceImp {
 public:
  using ScanStatsRecord = borealtek_zvraw_version_1::ScanStatsRecord;
  using ExtendedStatsRecord = borealtek_zvraw_version_1::ExtendedStatsRecord;
  using ZVRawExtStatsRecord = borealtek_zvraw_version_1::ZVRawExtStatsRecord;

  explicit ZVRawAccessInterfaceImp(const ZVRawDataClusterImp& cluster) : ZVRawInterfaceImp(cluster) {}
  ZVRawAccessInterfaceImp(const ZVRawAccessInterfaceImp&) = default;

  // ---- scans: pointers into the loaded scan, or copies ----
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, const float** ppMasses, const float** ppIntensities,
              unsigned int& nPeaks) const;
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, const float** ppMasses, const float** ppIntensities,
              const float** ppDMasses, const float** ppDIntensities, unsigned int& nPeaks) const;
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, float* pMasses, float* pIntensities) const;
  // The scan nearest fRT; the copying form reports a scan that is not loaded
  // as a time outside the function (18).
  int getScan(unsigned int nFuncNum, float fRT, float* pMasses, float* pIntensities) const;
  int getScan(unsigned int nFuncNum, float fRT, const float** ppMasses, const float** ppIntensities,
              unsigned int& nPeaks) const;

  // ---- from the scan index; an opened cluster is enough ----
  int getTICChromatogram(unsigned int nFuncNum, float* pTIC, float* pTime) const;
  int getTICChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, float* pTIC,
                         float* pTime) const;
  int getBPIChromatogram(unsigned int nFuncNum, float* pBPI, float* pTime) const;
  int getBPIChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan, float* pBPI,
                         float* pTime) const;

  // ---- mass chromatograms (ZVRawAccessInterfaceMassChromatogram.cpp) ----
  // Over the loaded scans for a mass range; 1 when not loaded or for a bad function.
  int getMassChromatogram(unsigned int nFuncNum, float fLowMass, float fHighMass, float* pInt, float* pTime,
                          float fWindow, bool bDaughters) const;
  // Over the loaded scans for one mass.
  int getMassChromatogram(unsigned int nFuncNum, float fMass, float* pInt, float* pTime, float fWindow,
                          bool bDaughters) const;
  // Over nStartScan..nEndScan, loaded or not; both arrays hold one value per scan.
  int getMassChromatogram(unsigned int nFuncNum, float fMass, unsigned int nStartScan, unsigned int nEndScan,
                          float* pInt, float* pTime, float fWindow, bool bDaughters) const;
  int getMRMChromatogram(unsigned int nFuncNum, unsigned int nChro, float* intensities, float* pTime) const;

  // ---- per-peak arrays of a loaded scan ----
  int getScanFlags(unsigned int nFuncNum, unsigned int nScanNo, const char** ppcScanFlags, unsigned int& nPeaks) const;
  int getAccMassScanFlags(unsigned int nFuncNum, unsigned int nScanNo, const char** ppcScanFlags,
                          unsigned int& nPeaks) const;
  int errorScan(unsigned int nFuncNum, unsigned int nScanNo, bool& bError) const;
  // Leaves nPeaks 0 and the pointer null on every failure.
  int getDaughterMasses(unsigned int nFuncNum, unsigned int nScanNo, const float** ppfMasses,
                        unsigned int& nPeaks) const;

  // ---- statistics ----
  int getStats(unsigned int nFuncNum, ScanStatsRecord* pScanStats) const;
  int getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<ExtendedStatsRecord[]>& extendedStatsFields,
                             int& nFieldCount) const;
  int getExtendedStats(unsigned int nFuncNum, std::unique_ptr<const ZVRawExtStatsRecord*[]>& pExtendedScanStats) const;

  // ---- analog channels and lock-mass gain ----
  int getAnalogChannelData(unsigned int nChannel, const float*& pTime, const float*& pInt) const;
  int getLockMassCorrection(unsigned int nFuncNum, unsigned int nScanNo, float& fCorrection) const;

 private:
  // 35 unless loaded, 14 for a bad function, 32 without the function's data.
  [[nodiscard]] int loadedFunction(unsigned int nFuncNum, const ZVRawFunctionData*& data) const;
  // 14 for a bad function, 32 without the function's data; no state check.
  [[nodiscard]] int anyFunction(unsigned int nFuncNum, const ZVRawFunctionData*& data) const;
  // Form 3 over a range that is not inside the loaded scans: read block by
  // block through a cluster of its own.
  int massChromatogramFromFile(unsigned int nFuncNum, float fMass, unsigned int nStartScan, unsigned int nEndScan,
                               float* pInt, float* pTime, float fWindow, bool bDaughters) const;
};

// Joins two arrays into one new malloc'd block holding the target's elements
// then the source's, frees the old target and stores the block in
// *pvTargetArray. Returns the new element count: the target's count, with
// nothing touched, when the source is empty or the block cannot be had.
unsigned int appendArrays(void** pvTargetArray, unsigned int nTargetArraySize, const void* pvSourceArray,
                          unsigned int nSourceArraySize, unsigned int nDataSize);
