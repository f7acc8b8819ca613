#pragma once

// The scan index records of every function of one raw directory: read from
// the _funcNNN.idx files (also while an acquisition is still writing them),
// looked up by scan or retention time, and written back incrementally.
// Record layout: ZVRawFunctionScanIndexImp.h. Functions and scans count from 0.

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <shared_mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"

// A fixed underlying type: a caller may pass any int, and any value other
// than the two named directions acts as NEAREST.
enum ZVRawScanToRTConversion : int { NEAREST = 0, NEAREST_LESS = 1, NEAREST_GREATER = 2 };

class ZVRawFunctionScanIndices {
 public:
  explicit ZVRawFunctionScanIndices(unsigned int nFunctionCount);
  ZVRawFunctionScanIndices(const ZVRawFunctionScanIndices&) = delete;
  ZVRawFunctionScanIndices& operator=(const ZVRawFunctionScanIndices&) = delete;
  virtual ~ZVRawFunctionScanIndices() = default;

  // ---- life cycle ----
  // Sets the count and makes the per-function state where there is none
  // (no records, continuum, not calibrated, nothing written).
  int initialiseBuffers(unsigned int nFuncCount);
  // Adds n functions without records (continuum and calibrated). 14 when the
  // count would overflow, 44 when the state cannot be allocated.
  [[nodiscard]] int appendFunctions(unsigned int nFuncsToAppend);
  // 4 for an empty path or one longer than 255 characters.
  [[nodiscard]] int setRawFilePath(std::string_view cRawFilePath);
  [[nodiscard]] const char* getRawFilePath() const { return m_cDataClusterPath.c_str(); }
  // Drops every record and all per-function state; the function count stays.
  int DeleteIndices();
  [[nodiscard]] unsigned int getFunctionCount() const { return m_nFunctionCount; }

  // ---- reading ----
  // Live read of every function: takes only records whose scan data lie
  // wholly in _funcNNN.dat and reads only records not yet held. The arrays
  // hold one data format (and extended-index flag, non-zero = 30-byte
  // records; null = none) per function.
  [[nodiscard]] int readIndices(std::string_view cRawFilePath, const unsigned int* pFuncDataFormats);
  [[nodiscard]] int readIndices(std::string_view cRawFilePath, const unsigned int* pFuncDataFormats,
                                const unsigned int* pnExtended);
  // Reads records nStartScan..nEndScan of one function from its index file
  // into records already held (14 bad function, 17 end not held).
  [[nodiscard]] int readIndices(unsigned int nFunc, unsigned int nStartScan, unsigned int nEndScan,
                                unsigned int nDataFormat, int nExtended);
  // The number of leading records whose scans are complete in the data file;
  // 0 (result 0) when the function has no index file.
  [[nodiscard]] int calculateScanCount(unsigned int nFuncNum, unsigned int nDataFormat, unsigned int nExtended,
                                       unsigned int& nCompletedScans);
  [[nodiscard]] int getCompleteScans(unsigned int nFuncNum, unsigned int nDataFormat, unsigned int nExtended,
                                     unsigned int nProposedScanCount, unsigned int& nScanCount);
  // Gives function f exactly n records: the held ones (as many as fit) stay,
  // new ones carry the function's continuum and calibrated flags.
  [[nodiscard]] int prepareScanIndicesBuffer(unsigned int nWhichFunc, unsigned int nScanCount);
  int setMaxScanSizes();
  [[nodiscard]] int getMaxScanSize(unsigned int nFuncNum, unsigned int& nMaxScanSize) const;

  // ---- per scan: 14 bad function, 1 no records, 16 scan not below the count ----
  int getScansInFunction(unsigned int nFuncNum, unsigned int& nScans) const;
  // Lowers (or restores) the count of records taken as scans; 17 above the records held.
  int setScansInFunction(unsigned int nFuncNum, unsigned int nScans);
  [[nodiscard]] int getScanOffset(unsigned int nFuncNum, unsigned int nScan, unsigned int& nOffset) const;
  [[nodiscard]] int getScanOffsetEx(unsigned int nFuncNum, unsigned int nScan, unsigned int& nOffsetEx) const;
  [[nodiscard]] int getPeaksInScan(unsigned int nFuncNum, unsigned int nScan, unsigned int& nPeaks) const;
  [[nodiscard]] int setScanOffset(unsigned int nFuncNum, unsigned int nScan, unsigned int nOffset);
  [[nodiscard]] int setPeaksInScan(unsigned int nFuncNum, unsigned int nScan, unsigned int nPeaks);
  [[nodiscard]] int getScanTIC(unsigned int nFuncNum, unsigned int nScan, float& fTIC) const;
  [[nodiscard]] int getScanBPI(unsigned int nFuncNum, unsigned int nScan, float& fBPI) const;
  [[nodiscard]] int getScanBPM(unsigned int nFuncNum, unsigned int nScan, float& fBPM) const;
  // The function's records (its scan count of them), borrowed: function data
  // fill them when they store scans. 32 when the function has no records.
  [[nodiscard]] int getIndexArray(unsigned int nFuncNum, std::span<ZVRawFunctionScanIndexImp>& records);
  // RT of records start..end := pfTimes[s - start]; 17 outside the records, 32 null times.
  [[nodiscard]] int setScanIndices(unsigned int nFuncNum, const double* pfTimes, unsigned int nStartScan,
                                   unsigned int nEndScan);
  [[nodiscard]] int isValidFunctionandScan(unsigned int nFuncNum, unsigned int nScan) const;
  int getRTFromScan(unsigned int nFuncNum, unsigned int nScan, float& fRT) const;  // RT 0 on error
  int isContinuumScan(const unsigned int& nFuncNum, const unsigned int& nScan, bool& bContinuum) const;
  [[nodiscard]] bool isCalibrated(unsigned int nFuncNum, unsigned int nScan) const;
  [[nodiscard]] bool isValid(unsigned int nFuncNum, unsigned int nScan) const;
  // The calibrated flag of the function's first scan with points, under one
  // lock: 14 bad function, 1 when no scan has points (the flag untouched).
  [[nodiscard]] int firstScanCalibrated(unsigned int nFuncNum, bool& bCalibrated) const;
  // For records prepared later.
  int setContinuumFlag(unsigned int nFuncNum, bool bContinuum);
  int setCalibratedFlag(unsigned int nFuncNum, bool bCalibrated);

  // ---- chromatograms: element s of each array gets scan s (the range forms: scan start + s) ----
  [[nodiscard]] int getTICChromatogram(unsigned int nFuncNum, float* pTIC, float* pTime) const;
  [[nodiscard]] int getBPIChromatogram(unsigned int nFuncNum, float* pBPI, float* pTime) const;
  [[nodiscard]] int getTICChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                       float* pTIC, float* pTime) const;
  [[nodiscard]] int getBPIChromatogram(unsigned int nFuncNum, unsigned int nStartScan, unsigned int nEndScan,
                                       float* pBPI, float* pTime) const;

  // ---- time lookups ----
  [[nodiscard]] int getScanFromRT(unsigned int nFuncNum, float fRT, unsigned int& nScan,
                                  ZVRawScanToRTConversion eScanToRTConversion) const;
  [[nodiscard]] int getScanRangeFromTimeRange(const unsigned int& nFuncNum, const float& fRTStart, const float& fRTEnd,
                                              unsigned int& nScanStart, unsigned int& nScanEnd) const;

  // ---- writing _funcNNN.idx: each record once, the time shift applied as it is written ----
  // All records not yet written.
  [[nodiscard]] int writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat);
  [[nodiscard]] int writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                 bool bExtended);
  // Records start..end; those below the mark are not written again. 17 when
  // start lies past the mark (a gap would misalign the file) or end is not held.
  [[nodiscard]] int writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                 unsigned int nStartScan, unsigned int nEndScan);
  [[nodiscard]] int writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                 bool bExtended, unsigned int nStartScan, unsigned int nEndScan);
  // Up to n unwritten records (0 = all).
  [[nodiscard]] int writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                 unsigned int nScanCount);
  [[nodiscard]] int writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                 bool bExtended, unsigned int nScanCount);
  // The first record not yet written to the function's index file.
  [[nodiscard]] unsigned int nextScanToWrite(unsigned int nFuncNum) const;
  // Moves the mark back to nMark, for a writer that cut the file back to
  // the records before it (14 bad function, 17 a mark ahead of the current one).
  int rewindNextScanToWrite(unsigned int nFuncNum, unsigned int nMark);

 private:
  // A path this set may store: present, and no longer than a path may be.
  [[nodiscard]] static bool usablePath(std::string_view path);

  // Records read from an index file and not changed since, kept as the
  // file's bytes and decoded on each access: 22 bytes a scan rather than a
  // decoded record, and nothing to build until something changes them.
  struct StoredRecords {
    std::shared_ptr<std::uint8_t[]> block;  // one read's block, shared by its functions
    std::uint8_t* bytes = nullptr;
    std::size_t count = 0;  // records held; 0: none stored
    std::size_t room = 0;   // records that fit at `bytes` before a new block is needed
    unsigned int format = 0;
    bool extended = false;
    ZVRawFunctionScanIndexImp base;  // the new record each one is decoded over
    // The largest peak count of the first maxUpTo records: stored bytes do
    // not change, so a live read need not walk them again.
    std::size_t maxUpTo = 0;
    unsigned int maxPeaks = 0;
  };

  // Set before records are stored, cleared once they are decoded: a load
  // that finds it clear lends the records without the exclusive lock.
  struct MaybeStored {
    std::atomic<bool> value{false};
    MaybeStored() = default;
    MaybeStored(const MaybeStored& o) noexcept : value(o.value.load(std::memory_order_acquire)) {}
    MaybeStored& operator=(const MaybeStored& o) noexcept {
      value.store(o.value.load(std::memory_order_acquire), std::memory_order_release);
      return *this;
    }
  };

  struct FunctionIndex {
    // Decoded records; empty while `stored` holds them.
    std::vector<ZVRawFunctionScanIndexImp> records;
    StoredRecords stored;
    MaybeStored maybeStored;
    bool hasRecords = false;  // a record array exists (it may hold 0 records)
    unsigned int scans = 0;   // records taken as scans; never more than records.size()
    unsigned int maxScanSize = 0;
    bool continuum = true;
    bool calibrated = false;
    unsigned int nextToWrite = 0;
  };

  // A new record for f: the inverse of its continuum flag as use-continuum bit, its calibrated flag.
  [[nodiscard]] static ZVRawFunctionScanIndexImp freshRecord(const FunctionIndex& fn);
  // Records held, stored or decoded.
  [[nodiscard]] static std::size_t heldRecords(const FunctionIndex& fn) {
    return fn.stored.count > 0 ? fn.stored.count : fn.records.size();
  }
  // Record s (below heldRecords), and its fields the lookups walk.
  [[nodiscard]] static ZVRawFunctionScanIndexImp recordAt(const FunctionIndex& fn, std::size_t s);
  [[nodiscard]] static float rtAt(const FunctionIndex& fn, std::size_t s);
  [[nodiscard]] static std::uint32_t peaksAt(const FunctionIndex& fn, std::size_t s);
  // Decodes stored records into `records`, for whatever changes or lends
  // them. False (nothing changed) when they cannot be allocated.
  [[nodiscard]] bool materialise(FunctionIndex& fn);
  // The bytes of records start..start+count of f's index file (idx, or
  // opened here when null) into `to`; `got` says how many arrived. Codes as
  // readRecordBlocks.
  [[nodiscard]] int readRecordBytes(unsigned int f, unsigned int start, std::size_t count, bool extended,
                                    std::uint8_t* to, std::size_t& got, std::FILE* idx) const;
  // Where the new records of a stored function go: the read's shared block
  // for a function read from its first record, else its own block.
  struct ReadBlock {
    std::shared_ptr<std::uint8_t[]> block;
    std::size_t size = 0, at = 0;
  };
  [[nodiscard]] static std::uint8_t* storedDestination(FunctionIndex& fn, std::size_t held, std::size_t n,
                                                       std::size_t recordSize, ReadBlock& batch);
  // Records from `from` on whose largest peak count is known to be `peaks`.
  struct KnownMax {
    unsigned int from = UINT_MAX;
    unsigned int peaks = 0;
  };
  int setMaxScanSizes(std::span<const KnownMax> known);
  // Also raises nMaxPeaks to the largest peak count of the records read.
  [[nodiscard]] int readNewRecords(unsigned int f, unsigned int c, unsigned int nDataFormat, bool extended,
                                   unsigned int& nMaxPeaks, ReadBlock& batch, std::FILE* idx);
  // calculateScanCount, handing the open index file to `keep` when given.
  [[nodiscard]] int countScans(unsigned int f, unsigned int nDataFormat, bool extended, unsigned int& nCompletedScans,
                               zvraw::FilePtr* keep);
  // getCompleteScans over an open index file and the data file's size.
  [[nodiscard]] static int completeScans(std::FILE* idx, std::int64_t datSize, unsigned int nDataFormat, bool extended,
                                         unsigned int nProposedScanCount, unsigned int& nScanCount);
  // Whether records of f read now would be kept as stored bytes.
  [[nodiscard]] bool storable(unsigned int f, unsigned int c, unsigned int nDataFormat, bool extended) const;
  template <class Take>
  [[nodiscard]] int readRecordBlocks(unsigned int f, unsigned int start, std::size_t count, bool extended,
                                     Take&& take) const;
  // The function's state, or null (with the code) for a bad function or missing arrays.
  [[nodiscard]] const FunctionIndex* function(unsigned int f, int& rc) const;
  // Record s of f for the per-scan accessors: 14, 1 or 16 as documented.
  [[nodiscard]] const FunctionIndex* scanFunction(unsigned int f, unsigned int s, int& rc) const;
  // The same, decoded for a change (44 when that cannot be allocated).
  [[nodiscard]] ZVRawFunctionScanIndexImp* scanRecord(unsigned int f, unsigned int s, int& rc);
  [[nodiscard]] int chromatogram(unsigned int f, unsigned int start, unsigned int end, bool whole, bool bpi,
                                 float* values, float* times) const;
  // Writes records [from, to) of f to the index file of the stored path and
  // moves the mark past those that reached the file.
  [[nodiscard]] int writeRange(unsigned int f, unsigned int format, bool extended, unsigned int from, unsigned int to);

  unsigned int m_nFunctionCount = 0;
  bool m_bHasArrays = false;    // false after DeleteIndices
  bool m_bHasMaxSizes = false;  // set by setMaxScanSizes
  std::vector<FunctionIndex> m_functions;
  std::string m_cDataClusterPath;
  // Readers of a shared directory may query stored records while a load
  // decodes them: queries hold it shared, decoding holds it alone.
  mutable std::shared_mutex m_storedGuard;
};
