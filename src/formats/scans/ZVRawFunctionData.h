#pragma once

// The decoded scans of one acquisition function. They are loaded from its
// _funcNNN.dat (all of them, a retention-time range or a scan range), or
// taken over from a scan buffer; or, when a raw directory is written, they
// are the batches the caller hands over, packed into _funcNNN.dat while their
// scan index records are filled in.
//
// Everything it reads besides the data file is lent to it by the cluster:
// the descriptors, the scan index set, the extended statistics, the header's
// calibration and the lock-mass gain table. It never deletes them.

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "formats/calibration/FunctionCalibration.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/calibration/ZVRawMassType.h"
#include "formats/scans/ZVRawScan.h"
#include "formats/scans/ZVRawScanBufferSource.h"

class ZVRawFunctionDescriptors;
class ZVRawFunctionScanIndices;
namespace zvraw {
class HeldDataFiles;
class ScanReadAhead;
}

namespace borealtek_zvraw_version_1 {

class ZVRawExtendedStats;
class ZVRawExternalLumavent;
struct ZVRawExtStatsRecord;
struct ExtendedStatsRecord;

using borealtek_calibrate_version_1::FunctionCalibration;

class ZVRawFunctionData {
 public:
  ZVRawFunctionData();
  // The object owns (or shares) its scans: it is never copied.
  ZVRawFunctionData(const ZVRawFunctionData&) = delete;
  ZVRawFunctionData& operator=(const ZVRawFunctionData&) = delete;
  virtual ~ZVRawFunctionData();

  // ---- setup; all return 0 ----
  int setExternalObjects(const ZVRawFunctionDescriptors* pDescriptors, ZVRawFunctionScanIndices* pScanIndices,
                         const ZVRawExtendedStats* pExtendedStats);
  // The gain table, or null to detach it.
  int setExternalObject(const ZVRawExternalLumavent* pExternalLumavent);
  int setCalibration(const FunctionCalibration* pCali);
  // The cluster's open data files, shared with its other function data;
  // without them every load opens the data file and closes it after.
  int setHeldDataFiles(std::shared_ptr<zvraw::HeldDataFiles> files);
  int setFunctionNumber(unsigned int nFuncNum);
  int setUseTemperatureCorrection(bool b);
  // Asks a running load to stop after the scan in hand; the load that
  // honours it clears it. Safe to call from another thread.
  int setAbortLoad();
  // Withdraws an abort request that came after the load it was meant for.
  int clearAbortLoad();
  int getPercentLoaded(float& fPercent) const;
  int setPercentLoaded(float fPercent);
  int getLoadedScanCount(unsigned int& n) const;
  int getScanStart(unsigned int& n) const;
  int getScanEnd(unsigned int& n) const;
  int getMaxLoadedScanSize(unsigned int& n) const;
  [[nodiscard]] unsigned int getFunctionNumber() const { return m_nFuncNum; }
  [[nodiscard]] float getMinimumMassDelta() const { return m_fMinimumMassDelta; }

  // Hands the loaded scans over: pScans[k] is scan nScanStart + k, up to
  // nScanEnd. Null (and 0, 0) when nothing is loaded. The object keeps no
  // scans afterwards.
  int getAllScans(std::shared_ptr<ZVRawScan[]>& pScans, unsigned int& nScanStart, unsigned int& nScanEnd);
  // Releases the scans.
  int clean();

  // ---- loading (see ZVRawFunctionDataLoad.cpp) ----
  // Every scan of the function.
  [[nodiscard]] int loadData(unsigned int nFuncNum, bool bCalibrate, bool bKeepCompressed, float fLowMassCutoff,
                             float fHighMassCutoff);
  // The scans of a retention-time range.
  [[nodiscard]] int loadData(float fStartTime, float fEndTime, unsigned int nFuncNum, bool bCalibrate,
                             bool bKeepCompressed, float fLowMassCutoff, float fHighMassCutoff);
  // A scan range (its end is clamped to the last scan), with the lock-mass
  // gain and the temperature correction.
  [[nodiscard]] int loadData(unsigned int nStartScan, unsigned int nEndScan, unsigned int nFuncNum, bool bCalibrate,
                             bool bKeepCompressed, float fLowMassCutoff, float fHighMassCutoff);
  // Borrows a range of a scan buffer; the share taken keeps it alive.
  [[nodiscard]] int loadData(unsigned int nStartScan, unsigned int nEndScan, unsigned int nFuncNum,
                             const ZVRawScanBufferSource* manager);

  // ---- loaded scans: 35 when no scans are held, 16 outside the range named ----
  // Scans m_nScanStart..m_nScanEnd.
  int getScan(unsigned int nScanNo, const float** ppMasses, const float** ppIntensities, unsigned int& nPeaks) const;
  int getScan(unsigned int nScanNo, float** ppMasses, float** ppIntensities, unsigned int& nPeaks);
  int getScan(unsigned int nScanNo, const float** ppMasses, const float** ppIntensities, const float** ppDMasses,
              const float** ppDIntensities, unsigned int& nPeaks) const;
  // Only scans that were loaded; the arrays hold the scan's point count.
  int getScan(unsigned int nScanNo, float* pMasses, float* pIntensities) const;
  int getScanFlags(unsigned int nScanNo, const char** ppcScanFlags, unsigned int& nPeaks) const;
  int getAccMassScanFlags(unsigned int nScanNo, const char** ppcScanFlags, unsigned int& nPeaks) const;
  int errorScan(unsigned int nScanNo, bool& bError) const;
  // 27 first unless the function is of an MRM type (9, 29, 30, 31).
  int getDaughterMasses(unsigned int nScanNo, const float** ppMasses, unsigned int& nPeaks) const;

  // ---- chromatograms and statistics (see ZVRawFunctionDataQueries.cpp) ----
  // One value per loaded scan; indices supplies the retention times.
  int getMassChromatogram(float fLowMass, float fHighMass, float fWindow, const ZVRawFunctionScanIndices* indices,
                          float* pIntensity, float* pTime, bool bDaughters) const;
  int getMassChromatogram(float fMass, float fWindow, const ZVRawFunctionScanIndices* indices, float* pIntensity,
                          float* pTime, bool bDaughters) const;
  // One value per scan of the range, which must lie within the loaded scans
  // (else 17); the window follows the lock-mass gain at each scan's time.
  int getMassChromatogram(unsigned int nStartScan, unsigned int nEndScan, float fLowMass, float fHighMass,
                          float fWindow, const ZVRawFunctionScanIndices* indices, float* pIntensity, float* pTime,
                          bool bDaughters) const;
  int getMassChromatogram(unsigned int nStartScan, unsigned int nEndScan, float fMass, float fWindow,
                          const ZVRawFunctionScanIndices* indices, float* pIntensity, float* pTime,
                          bool bDaughters) const;
  // Point nChro of every loaded scan (0 for a scan without it); formats 2 and 11 only.
  int getMRMChromatogram(unsigned int nChro, const ZVRawFunctionScanIndices* indices, float* pIntensity,
                         float* pTime) const;
  // 1 without a gain table.
  int getLockMassGainFromRT(float fRT, float& fLockMassGain) const;
  // Peak counts from the scan index.
  int getMaxScanSize(unsigned int nStartScan, unsigned int nEndScan, unsigned int& nMaxScanSize) const;
  int getMaxScanSize(unsigned int& nMaxScanSize) const;
  int getScanSize(unsigned int nScan, unsigned int& nScanSize) const;
  // One record per scan of this object's function, whatever nFuncNum holds.
  int getStats(unsigned int nFuncNum, ScanStatsRecord* pScanStats) const;
  int getExtendedStatsFields(unsigned int nFuncNum, std::unique_ptr<ExtendedStatsRecord[]>& extendedStatsFields,
                             int& nFieldCount) const;
  int getAvailableExtendedStatsFields(unsigned int nFuncNum, std::vector<unsigned int>& nWhichItems) const;
  // One record pointer per scan of this object's function, in an array
  // handed to the caller; null on any error.
  int getExtendedStats(unsigned int nFuncNum, std::unique_ptr<const ZVRawExtStatsRecord*[]>& pExtendedScanStats) const;
  int getMeanTemperatureCorrection(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                   float& fAverageCorrection) const;

  // ---- writing (see ZVRawFunctionDataWrite.cpp) ----
  // Appends a batch numbered from nStartScan, moving the arrays out of the
  // caller's tables (its entries are left null and its sizes zeroed); a
  // refused batch keeps them all. The first batch may start anywhere; each
  // later one must follow the last buffered scan (else 16).
  int setScans(unsigned int nStartScan, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
               std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<char[]>* ppcPeakFlags,
               unsigned int* pnScanSizes);
  int setScans(unsigned int nStartScan, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
               std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<float[]>* ppfDMasses,
               std::unique_ptr<float[]>* ppfDIntensities, std::unique_ptr<char[]>* ppcPeakFlags,
               std::unique_ptr<char[]>* ppcMassFlags, unsigned int* pnScanSizes);
  int incrementScanBuffer(unsigned int nScanCount);
  // Packs buffered scans into pcOutputFile's _funcNNN.dat and fills their
  // index records. Up to a retention time (all for a negative one):
  [[nodiscard]] int writeScans(const char* pcOutputFile, float fUptoRT, bool bFlush);
  // Up to nEndScan (nStartScan is not consulted); never flushes:
  [[nodiscard]] int writeScans(const char* pcOutputFile, unsigned int nStartScan, unsigned int nEndScan);
  // All, or the next nScanCount when not flushing:
  [[nodiscard]] int writeScans(const char* pcOutputFile, bool bFlush, unsigned int nScanCount);
  int getNextScanToWrite(unsigned int& nNextScan) const;
  // Moves the mark back to nNextScan, for a writer that cut the data file
  // back to the scans before it: those scans count as not written. 17 for a
  // mark ahead of the current one.
  int rewindNextScanToWrite(unsigned int nNextScan);

 private:
  enum class Loader { All, TimeRange, ScanRange };
  enum class WriteForm { UpToTime, ScanRange, All };

  // An array of n empty scans, or null when it cannot be had.
  [[nodiscard]] static std::shared_ptr<ZVRawScan[]> allocateScans(std::uint32_t n);
  // Releases the scans (an array borrowed from a scan buffer is only let go).
  void deleteScans();
  // The buffered scan s (between m_nScanStart and m_nScanEnd), or null.
  [[nodiscard]] const ZVRawScan* heldScan(unsigned int s) const;
  [[nodiscard]] ZVRawScan* heldScan(unsigned int s);
  // 35 without scans, 16 outside m_nScanStart..m_nScanEnd, else 0 and the scan.
  int scanFor(unsigned int nScanNo, const ZVRawScan*& scan) const;

  // The shared body of the three file loaders, over m_nScanStart..m_nScanEnd.
  int loadRange(Loader loader, bool bCalibrate, bool bKeepCompressed, float fLowMassCutoff, float fHighMassCutoff);
  int setupPerScanCalibration(FunctionCalibration& cali, unsigned int nScan, short& nUseTempCorrection,
                              float& fTempCorrection, float& fTempCoefficient) const;
  // After a load or a write pass: a spacing below 0.001 (or NaN) is
  // recomputed from the spacing statistics of the scans held.
  void refreshMinimumMassDelta();

  int writePass(WriteForm form, const char* pcOutputFile, float fUptoRT, bool bFlush, unsigned int nEndScan,
                unsigned int nScanCount);
  // Writes scans from the mark through last, filling their index records.
  int writeRun(const std::string& path, bool fresh, unsigned int format, ZVRawFunctionScanIndexImp* records,
               std::uint64_t offset, unsigned int last);
  int takeScans(unsigned int nStartScan, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
                std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<float[]>* ppfDMasses,
                std::unique_ptr<float[]>* ppfDIntensities, std::unique_ptr<char[]>* ppcPeakFlags,
                std::unique_ptr<char[]>* ppcMassFlags, unsigned int* pnScanSizes);

  std::uint32_t m_nMyScanData = 1;
  // Element k is scan m_nScanStart + k: an array of our own, or a share of a
  // scan buffer's array pointing at the first scan taken over.
  std::shared_ptr<ZVRawScan[]> m_pScans;
  std::uint32_t m_nFuncNum = 0;
  std::uint32_t m_nLoadedScans = 0;
  std::uint32_t m_nWrittenScans = 0;
  std::uint32_t m_nScanStart = 0;
  std::uint32_t m_nScanEnd = 0;
  std::uint32_t m_nScanBufferSize = 0;
  std::uint32_t m_nScanBufferIdx = 0;
  std::uint32_t m_nNextScanToWrite = 0;
  const FunctionCalibration* m_pFunctionCalibration = nullptr;
  std::uint32_t m_nMaxLoadedScanSize = 0;
  // A caller's other thread raises the flag and watches the progress while
  // a load runs.
  std::atomic<std::uint32_t> m_nAbortLoad{0};
  const ZVRawFunctionDescriptors* m_pFunctionDescriptors = nullptr;
  ZVRawFunctionScanIndices* m_pScanIndices = nullptr;
  const ZVRawExtendedStats* m_pExtendedStats = nullptr;
  const ZVRawExternalLumavent* m_pExternalLumavent = nullptr;
  std::atomic<float> m_fPercentLoaded{0};
  ZVRAW_MASSTYPE m_fMinimumMassDelta = std::numeric_limits<float>::max();
  bool m_bUseTemperatureCorrection = true;
  std::shared_ptr<zvraw::HeldDataFiles> m_pHeldFiles;
  // The data file's path of the last load, and what it was made from.
  std::string m_dataPath, m_dataPathDirectory;
  std::uint32_t m_dataPathFunction = 0;
  // One-scan loads in file order, served from the bytes read ahead.
  std::unique_ptr<zvraw::ScanReadAhead> m_readAhead;
  // What a one-scan load leaves for the next, so that its read and decode
  // cost no fresh memory whatever the allocator does with freed blocks: the
  // last one-scan array once released, and the block that runs too large
  // for the thread's scratch block are read into. Neither outgrows the
  // largest scan read; both go with this object.
  std::shared_ptr<ZVRawScan[]> m_spareScan;
  zvraw::PageAlignedBuffer m_largeRuns;
};

}  // namespace borealtek_zvraw_version_1
