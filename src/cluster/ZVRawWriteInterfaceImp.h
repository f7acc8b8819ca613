#pragma once

// The write side of a cluster: prepares a new raw directory and the
// cluster's empty objects, takes header values, function descriptors, scans
// and per-scan statistics, and has each component file written by the
// object that owns its format.
//
// A write pass leaves the files it touches as they were when it fails: what
// it added to _funcNNN.dat, .idx or .sts is cut off again and the written
// marks go back, so the next pass writes the same scans again. Index records
// are written only for scans that reached the data file, in the record size
// of the function's descriptor, and last: a reader counts a scan from its
// index record, so everything else the scan needs is in the files first.
//
// Paths are directories of at most 255 characters; a path-taking write
// creates the directory and its parents first (1 when it cannot), a null path
// gives 4, and so does a write without a path when none is stored.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cluster/StatsDescriptorSet.h"
#include "cluster/ZVRawBatchStep.h"
#include "cluster/ZVRawInterfaceImp.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"

class ZVRawWriteInterfaceImp : public ZVRawNCInterfaceImp {
 public:
  using ExtendedStatsDescriptor = borealtek_zvraw_version_1::ExtendedStatsDescriptor;
  using ZVRawFunctionDescriptor = borealtek_zvraw_version_1::ZVRawFunctionDescriptor;
  using ZVRawHeader = borealtek_zvraw_version_1::ZVRawHeader;
  using FunctionCalibration = borealtek_calibrate_version_1::FunctionCalibration;

  explicit ZVRawWriteInterfaceImp(ZVRawDataClusterImp& cluster) : ZVRawNCInterfaceImp(cluster) {}

  // ---- preparation (ZVRawWriteInterfaceImp.cpp) ----
  int prepareDataCluster(const char* pcFullFileName, unsigned int nFuncCount);
  int prepareDataCluster(unsigned int nFuncCount);
  int appendFunctions(unsigned int nFunctions);

  // ---- header ----
  int setHeaderValue(int nNameIndex, const char* pcValue);
  int setHeaderValue(const char* pcName, const char* pcValue);
  // nNameIndex is not used: the calibration of nWhichFunc is stored.
  int setHeaderValue(int nNameIndex, const FunctionCalibration& cali, unsigned int nWhichFunc);
  int setHeader(const ZVRawHeader& header);
  int writeHeader(bool bEncrypt);
  int writeHeader(const char* pcRawDirectory, bool bEncrypt);

  // ---- function descriptors ----
  // A number equal to the function count appends a function; a larger one is 14.
  int setFunctionDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D);
  int setFunctionDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D, bool bIsContinuumData,
                            bool bisCalibrated);
  int writeFunctionDescriptors();
  int writeFunctionDescriptors(const char* pcFullFilePath);

  // ---- scans (ZVRawWriteInterfaceScans.cpp) ----
  // Moves the caller's per-scan arrays out of its tables (its entries become
  // null and its sizes 0) as the scans after the function's indexed ones;
  // times in minutes.
  int appendScans(unsigned int nFuncNum, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
                  std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<char[]>* ppcPeakFlags, double* pfTimes,
                  unsigned int* pnScanSizes);
  int appendScans(unsigned int nFuncNum, unsigned int nScanCount, std::unique_ptr<float[]>* ppfMasses,
                  std::unique_ptr<float[]>* ppfIntensities, std::unique_ptr<float[]>* ppfDMasses,
                  std::unique_ptr<float[]>* ppfDIntensities, std::unique_ptr<char[]>* ppcPeakFlags,
                  std::unique_ptr<char[]>* ppcMassFlags, double* pfTimes, unsigned int* pnScanSizes);
  int incrementScanBuffer(unsigned int nFuncNum, unsigned int nBufferSize);
  int getScan(unsigned int nFuncNum, unsigned int nScanNo, float** ppMasses, float** ppIntensities,
              unsigned int& nPeaks);
  // All buffered scans, or the next nScanCount of them when not flushing.
  int writeScans(const char* pcFullFilePath, unsigned int nFuncNum, bool bFlush, unsigned int nScanCount);
  int writeScans(unsigned int nFuncNum, bool bFlush, unsigned int nScanCount);
  int writeScans(bool bFlush);
  // Buffered scans up to nEndScan; never flushes.
  int writeScans(const char* pcFullFilePath, unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan);
  // Every function's buffered scans up to a retention time; a function with
  // no scan up to it (18) is passed over. The first failure is returned.
  int writeScans(const char* pcFullFilePath, float fUpToRT);
  int writeScans(bool bFlush, float fUpToRT);
  int flushScans(const char* pcFullFilePath, float fUpToRT);
  int flushScans(const char* pcFullFilePath, unsigned int nFuncNum);
  // One batch of a writer, in this order: every buffered scan of the
  // function to .dat, nStats records of its layout (none when 0) to .sts,
  // the caller's step (its function descriptors), then the index records
  // that commit the scans. Whichever write fails, the files are left as
  // they were before the batch, so they agree on the scans before it; the
  // buffer is released only when all are written. When the index cannot be
  // cut back, what it counts stays whole: nothing before it is taken back.
  int writeBatch(unsigned int nFuncNum, unsigned int nStats, const void* pStats,
                 const borealtek_zvraw_version_1::ZVRawBatchStep& step = {});

  // ---- extended statistics ----
  int incrementStatsScanBuffer(unsigned int nFuncNum, unsigned int nScanCount);
  int addStatsField(unsigned int nFuncNum, unsigned int nFieldID);
  int writeExtendedStats();
  int writeExtendedStats(unsigned int nFuncNum, unsigned int nScanCount);
  int writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum);
  int writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum, unsigned int nStartScan,
                         unsigned int nEndScan);
  int writeExtendedStats(const char* pcFullFilePath, float fUpToRT);
  int writeExtendedStats(float fUpToRT);
  int writeExtendedStats(float fStartRT, float fUpToRT);
  int writeExtendedStats(unsigned int nFuncNum, float fUpToRT);
  int writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum, float fUpToRT);
  // The writer's own record layout of a function, and the scatter of its
  // records into per-scan statistics records (see StatsDescriptorSet.h).
  int setExtendedStatsDescriptor(unsigned int nFuncNum, const ExtendedStatsDescriptor& ESD);
  int appendStats(unsigned int nFuncNum, unsigned int nScanCount, const void* pStats);

  [[nodiscard]] const std::string& getRawDataClusterPath() const { return m_cRawDataClusterPath; }

 private:
  enum class DataPass { All, Range, UpToTime };
  struct PassRequest {
    DataPass form = DataPass::All;
    unsigned int nScanCount = 0;  // All
    unsigned int nEndScan = 0;    // Range
    float fUpToRT = -1.0f;        // UpToTime
    bool bFlush = false;
  };

  // The directory of a path-taking write, created when missing: 0, 4 or 1.
  [[nodiscard]] static int preparedDir(const char* pcPath, std::string& dir);
  // The stored directory: 0, or 4 when none is stored.
  [[nodiscard]] int storedDir(std::string& dir) const;
  int setDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D, const bool* pFlags);
  // One function's data pass, the steps in order, then the index records;
  // undone whole when any of it fails.
  int writeFunction(const std::string& dir, unsigned int nFuncNum, const PassRequest& request,
                    std::span<const borealtek_zvraw_version_1::ZVRawBatchStep> steps = {});
  // The index records of the scans the data pass wrote.
  int writeIndexRecords(const std::string& dir, unsigned int nFuncNum, unsigned int nLastWritten);
  // Every function up to a retention time (time forms).
  int writeAllUpTo(const std::string& dir, float fUpToRT, bool bFlush);
  // A statistics write over the functions named (all when nFuncNum is
  // null), undone whole on failure.
  template <class Write>
  int writeStats(const std::string& dir, const unsigned int* pFuncNum, Write&& write);
  // Whether the function data hold scans not yet released (the loops over
  // every function pass the others over).
  [[nodiscard]] bool hasBufferedScans(unsigned int nFuncNum) const;
  // Refreshes the function count as the cluster holds it.
  [[nodiscard]] unsigned int refreshedFunctionCount() const;

  std::string m_cRawDataClusterPath;
  StatsDescriptorSet m_ppStatsDescriptors;
};
