// Loading a function's scans from _funcNNN.dat, where each scan's packet run
// lies at the offset its scan index record gives (the 32-bit offset, or the
// 64-bit one of extended records), or taking a range over from a scan buffer.

#include <sys/types.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <span>
#include <string>

#include "formats/portability/FileHandle.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/HeldDataFiles.h"
#include "formats/scans/RunSource.h"
#include "formats/scans/RunWindow.h"
#include "formats/scans/ScanReadAhead.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/scans/ZVRawFunctionData.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

constexpr float kLargestFloat = std::numeric_limits<float>::max();
// Spacings below this are taken as this by the spacing statistics.
constexpr float kSpacingCutOff = 0.001f;

// The gain at a scan's time; a gain that cannot scale masses counts as none,
// so no square root of a negative number is taken.
float usableGain(const ZVRawExternalLumavent& table, float rt) {
  float g = 1.0f;
  (void)table.getCorrection(rt, g);
  return zvraw::usableGain(g);
}

}  // namespace

int ZVRawFunctionData::setupPerScanCalibration(FunctionCalibration& cali, unsigned int nScan, short& nUseTempCorrection,
                                               float& fTempCorrection, float& fTempCoefficient) const {
  if (!m_pExtendedStats || !m_pExtendedStats->isValidStats(m_nFuncNum)) return ZVRAW_OK;
  const ZVRawExtStatsRecord* rec = nullptr;
  if (int rc = m_pExtendedStats->getStatsRecord(m_nFuncNum, nScan, rec); rc != ZVRAW_OK) return rc;
  if (m_pExtendedStats->isValidField(m_nFuncNum, USETEMP_CORRECTION)) {
    nUseTempCorrection = rec->m_nUseTempCorrection;
    fTempCorrection = rec->m_fTempCorrection;
    fTempCoefficient = rec->m_fTempCoefficient;
  }
  if (m_pExtendedStats->isValidField(m_nFuncNum, USE_LOCKMASS_CORRECTION) && rec->m_nUseLockMassCorrection != 0)
    cali.C1() = rec->m_fLockMassCorrection;
  return ZVRAW_OK;
}

int ZVRawFunctionData::loadData(unsigned int nFuncNum, bool bCalibrate, bool bKeepCompressed, float fLowMassCutoff,
                                float fHighMassCutoff) {
  m_nFuncNum = nFuncNum;
  m_nLoadedScans = 0;
  if (!m_pScanIndices || !m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int n = 0;
  if (int rc = m_pScanIndices->getScansInFunction(m_nFuncNum, n); rc != ZVRAW_OK) return rc;
  if (n == 0) return clean();  // nothing to read: no array, and the data file is not opened
  m_nScanStart = 0;
  m_nScanEnd = n - 1;
  return loadRange(Loader::All, bCalibrate, bKeepCompressed, fLowMassCutoff, fHighMassCutoff);
}

int ZVRawFunctionData::loadData(float fStartTime, float fEndTime, unsigned int nFuncNum, bool bCalibrate,
                                bool bKeepCompressed, float fLowMassCutoff, float fHighMassCutoff) {
  m_nFuncNum = nFuncNum;
  m_nLoadedScans = 0;
  if (!m_pScanIndices || !m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int first = 0, last = 0;
  if (int rc = m_pScanIndices->getScanRangeFromTimeRange(m_nFuncNum, fStartTime, fEndTime, first, last); rc != ZVRAW_OK)
    return rc;
  if (first > last) return ZVRAW_SCANRANGE_INVALID;  // only retention times out of order could give it
  m_nScanStart = first;
  m_nScanEnd = last;
  return loadRange(Loader::TimeRange, bCalibrate, bKeepCompressed, fLowMassCutoff, fHighMassCutoff);
}

int ZVRawFunctionData::loadData(unsigned int nStartScan, unsigned int nEndScan, unsigned int nFuncNum, bool bCalibrate,
                                bool bKeepCompressed, float fLowMassCutoff, float fHighMassCutoff) {
  m_nFuncNum = nFuncNum;
  m_nLoadedScans = 0;
  if (nStartScan > nEndScan) return ZVRAW_SCANRANGE_INVALID;
  if (!m_pScanIndices || !m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int n = 0;
  if (int rc = m_pScanIndices->getScansInFunction(m_nFuncNum, n); rc != ZVRAW_OK) return rc;
  if (nStartScan >= n) return ZVRAW_SCANNUM_INVALID;
  m_nScanStart = nStartScan;
  m_nScanEnd = nEndScan < n - 1 ? nEndScan : n - 1;
  return loadRange(Loader::ScanRange, bCalibrate, bKeepCompressed, fLowMassCutoff, fHighMassCutoff);
}

int ZVRawFunctionData::loadRange(Loader loader, bool bCalibrate, bool bKeepCompressed, float fLowMassCutoff,
                                 float fHighMassCutoff) {
  const std::uint32_t total = m_nScanEnd - m_nScanStart + 1;
  // The previous load's scans, when no one else holds them, let go of their
  // arrays one scan at a time as the new scans are read: the allocator then
  // hands the same warm blocks out again instead of fresh pages (a fresh
  // page costs far more than decoding it).
  std::shared_ptr<ZVRawScan[]> previous;
  std::uint32_t previousCount = 0;
  if (m_nMyScanData == 1 && m_pScans.use_count() == 1) {
    previous = std::move(m_pScans);
    previousCount = m_nScanBufferSize;
  }
  deleteScans();
  if (total == 1 && !previous && m_spareScan) {
    previous = std::move(m_spareScan);
    previousCount = 1;
  }
  m_spareScan.reset();  // a longer load needs no spare beside its own array

  if (m_nFuncNum >= static_cast<unsigned int>(INT_MAX)) return ZVRAW_FILENAME_ERROR;
  // The data file's name is made again only when the directory or the
  // function changed since the last load.
  const char* directory = m_pFunctionDescriptors->getDataClusterFileName();
  if (m_dataPath.empty() || m_dataPathFunction != m_nFuncNum || m_dataPathDirectory != directory) {
    m_dataPath.clear();
    if (getZVRawFunctionFile(directory, m_dataPath, static_cast<int>(m_nFuncNum + 1)) != ZVRAW_OK)
      return ZVRAW_FILENAME_ERROR;
    m_dataPathDirectory = directory;
    m_dataPathFunction = m_nFuncNum;
  }
  const std::string& path = m_dataPath;
  // A held file answers as this open would; a file of our own is closed
  // when the load ends.
  std::shared_ptr<const zvraw::HeldDataFiles::File> held;
  zvraw::FilePtr own;
  std::FILE* file = nullptr;
  std::int64_t datSize = -1;
  // Taken before the lookup: a read ahead needs the file unchanged since well before it.
  const std::timespec lookedUp = zvraw::ScanReadAhead::now();
  if (m_pHeldFiles) {
    held = m_pHeldFiles->acquire(path);
    if (!held) return ZVRAW_FILEOPEN_ERROR;
    file = held->stream.get();
    datSize = static_cast<std::int64_t>(held->size);
  } else {
    own = rawFileComponentfopen(path, "rb");
    if (!own) return ZVRAW_FILEOPEN_ERROR;
    file = own.get();
    datSize = getFileSizePreserve(file);
  }
  if (datSize < 0) return ZVRAW_FILESEEK_ERROR;

  // What stays the same from scan to scan is looked up once.
  unsigned int format = 0;
  bool extended = false;
  std::span<ZVRawFunctionScanIndexImp> records;
  if (int rc = m_pFunctionDescriptors->getDataFormat(m_nFuncNum, format); rc != ZVRAW_OK) return rc;
  if (int rc = m_pFunctionDescriptors->getExtendedFormatFlag(m_nFuncNum, extended); rc != ZVRAW_OK) return rc;
  if (int rc = m_pScanIndices->getIndexArray(m_nFuncNum, records); rc != ZVRAW_OK) return rc;
  if (records.size() <= m_nScanEnd) return ZVRAW_SCANNUM_INVALID;
  const ZVRawFunctionDescriptorImp* desc = m_pFunctionDescriptors->getDescriptorImp(m_nFuncNum);

  // An array of the same length is taken over whole: each scan is made new
  // in place as its turn comes, keeping its arrays as the donor's.
  const bool inPlace = previous && previousCount == total;
  m_pScans = inPlace ? std::move(previous) : allocateScans(total);
  if (!m_pScans) return ZVRAW_SCANMEMALLOC_ERROR;
  m_nMyScanData = 1;
  m_nScanBufferSize = total;
  m_nMaxLoadedScanSize = 0;
  m_fMinimumMassDelta = kLargestFloat;

  // The settings every scan is decoded with; per scan only the calibration
  // copy and the temperature values change.
  ScanDecodeSettings settings;
  settings.descriptor = desc;
  settings.format = format;
  settings.keepCompressed = bKeepCompressed;
  settings.lowCutoff = fLowMassCutoff;
  settings.highCutoff = fHighMassCutoff;
  int result = m_pFunctionDescriptors->getAcquisitionMassRange(m_nFuncNum, settings.lowerBound, settings.upperBound, 0);
  // A value copy of the small calibration record per scan: nothing on the heap.
  FunctionCalibration cali;
  settings.calibration = bCalibrate && m_pFunctionCalibration ? &cali : nullptr;
  const bool gain = loader == Loader::ScanRange && m_pExternalLumavent;

  // Runs are read with pread at their offsets (no seek: the stream's
  // position is not used). Neighbouring runs come in a block at a time
  // through the thread's scratch block, read no further than the last run
  // wanted; a run that does not fit the block is read on its own.
  const auto size = static_cast<std::uint64_t>(datSize);
  std::uint64_t readEnd = 0;
  std::uint64_t firstBytes = 0;  // a one-scan load sizes its run once
  for (std::uint32_t i = 0; i < total; ++i) {
    const ZVRawFunctionScanIndexImp& rec = records[m_nScanStart + i];
    const std::uint64_t at = extended ? rec.dataOffset() : rec.getScanOffset();
    const std::uint64_t bytes = zvraw_packed::getBytesPerScan(format, rec.getPeaksInScan());
    if (i == 0) firstBytes = bytes;
    readEnd = std::max(readEnd, at + bytes);
  }
  zvraw::RunWindow window(::fileno(file), size, zvraw::threadScratchBlock(), zvraw::kScratchBlockBytes, readEnd);
  zvraw::RunSource dataFile = zvraw::RunSource::descriptor(::fileno(file), size, &window, &m_largeRuns);
  // Only loads of one scan read ahead: longer loads read their runs in order anyway.
  if (held && total == 1 && !m_readAhead) m_readAhead = std::make_unique<zvraw::ScanReadAhead>();
  zvraw::ScanReadAhead* ahead = held && total == 1 ? m_readAhead.get() : nullptr;

  for (std::uint32_t i = 0; result == ZVRAW_OK && i < total; ++i) {
    // Locate: the run's place in the file, and what it is decoded with.
    const ZVRawFunctionScanIndexImp& rec = records[m_nScanStart + i];
    const std::uint32_t peaks = rec.getPeaksInScan();
    if (peaks > m_nMaxLoadedScanSize) m_nMaxLoadedScanSize = peaks;
    // A record that claims more than the file holds is refused before
    // anything is allocated for its peaks.
    const std::uint64_t offset = extended ? rec.dataOffset() : rec.getScanOffset();
    const std::uint64_t bytes = total == 1 ? firstBytes : zvraw_packed::getBytesPerScan(format, peaks);
    if (bytes > size || offset > size - bytes) {
      result = ZVRAW_SCANREAD_EOFERROR;
      break;
    }
    if (settings.calibration) cali = *m_pFunctionCalibration;  // decoding reads the copy only when it calibrates
    if (gain) {
      const float root = std::sqrt(usableGain(*m_pExternalLumavent, rec.getRt()));
      for (double& c : cali.getImp().m_fC) c *= root;
    }
    ScanTemperature& t = settings.temperature;
    t = {};
    if (int rc = setupPerScanCalibration(cali, m_nScanStart + i, t.use, t.correction, t.coefficient); rc != ZVRAW_OK) {
      result = rc;
      break;
    }
    if (loader != Loader::ScanRange)
      t = {};
    else if (!m_bUseTemperatureCorrection)
      t.use = 0;

    // The scan takes the arrays of the one it replaces when it can.
    ZVRawScan spare;
    ZVRawScan* donor = nullptr;
    if (inPlace) {
      (void)ZVRawScan::moveScan(&spare, &m_pScans[i]);
      std::destroy_at(&m_pScans[i]);  // as a fresh array's scan
      std::construct_at(&m_pScans[i]);
      donor = &spare;
    } else if (i < previousCount) {
      donor = &previous[i];
    }
    // Fetch (from the bytes read ahead when they hold the run), then decode.
    const char* aheadRun = ahead ? ahead->find(held, lookedUp, offset, bytes, m_pHeldFiles->quietNanos()) : nullptr;
    zvraw::RunSource readAhead = zvraw::RunSource::memory(aheadRun, bytes, offset);
    const int rc = m_pScans[i].read(aheadRun ? readAhead : dataFile, offset, peaks, settings, m_fMinimumMassDelta, donor);
    m_nScanBufferIdx = i + 1;

    // Account: a corrupt scan that the bad-scan strategy kept still counts as loaded.
    if (rc != ZVRAW_OK && rc != ZVRAW_SCAN_CORRUPT_ERROR) {
      result = rc;
      break;
    }
    ++m_nLoadedScans;
    m_fPercentLoaded.store(100.0f * static_cast<float>(m_nLoadedScans) / static_cast<float>(total),
                           std::memory_order_relaxed);
    if (m_nAbortLoad.load(std::memory_order_relaxed) != 0) {
      m_nAbortLoad.store(0, std::memory_order_relaxed);
      result = ZVRAW_DATALOAD_ABORTED;
    }
  }
  own.reset();
  previous.reset();
  // Scans a stopped load did not reach are as a fresh array holds them.
  if (inPlace)
    for (std::uint32_t k = m_nScanBufferIdx; k < total; ++k) {
      std::destroy_at(&m_pScans[k]);
      std::construct_at(&m_pScans[k]);
    }
  refreshMinimumMassDelta();
  return result;
}

int ZVRawFunctionData::loadData(unsigned int nStartScan, unsigned int nEndScan, unsigned int nFuncNum,
                                const ZVRawScanBufferSource* manager) {
  m_nFuncNum = nFuncNum;
  m_nLoadedScans = 0;
  if (!manager) return ZVRAW_NULLPOINTER_ERROR;
  const unsigned int first = manager->getStartScan();
  const unsigned int last = manager->getEndScan();
  std::shared_ptr<ZVRawScan[]> buffer = manager->getSharedScanBuffer();
  if (nStartScan > nEndScan || nStartScan < first || nEndScan > last || !buffer ||
      nEndScan - nStartScan == std::numeric_limits<std::uint32_t>::max())
    return ZVRAW_SCANRANGE_INVALID;

  deleteScans();
  const std::uint32_t count = nEndScan - nStartScan + 1;
  m_nScanStart = nStartScan;
  m_nScanEnd = nEndScan;
  // A share that points at the first scan taken: the buffer lives while we hold it.
  ZVRawScan* firstTaken = buffer.get() + (nStartScan - first);
  m_pScans = std::shared_ptr<ZVRawScan[]>(std::move(buffer), firstTaken);
  m_nMyScanData = 0;
  m_nLoadedScans = m_nScanBufferSize = m_nScanBufferIdx = count;

  float smallest = kLargestFloat;
  for (std::uint32_t k = 0; k < count; ++k) {
    const ZVRawScan& scan = m_pScans[k];
    unsigned int peaks = scan.getScanSize();
    if (m_pScanIndices) (void)m_pScanIndices->getPeaksInScan(m_nFuncNum, nStartScan + k, peaks);
    if (peaks > m_nMaxLoadedScanSize) m_nMaxLoadedScanSize = peaks;

    const float* masses = nullptr;
    const float* intensities = nullptr;
    unsigned int n = 0;
    if (scan.getScan(&masses, &intensities, n) != ZVRAW_OK || !masses) continue;
    for (unsigned int j = 1; j < n; ++j) smallest = std::fmin(smallest, std::fabs(masses[j] - masses[j - 1]));
  }
  m_fMinimumMassDelta = smallest;
  return ZVRAW_OK;
}

void ZVRawFunctionData::refreshMinimumMassDelta() {
  if (m_fMinimumMassDelta >= kSpacingCutOff) return;  // NaN falls through
  m_fMinimumMassDelta = kLargestFloat;
  if (!m_pScans) return;
  const std::uint32_t held = m_nLoadedScans < m_nScanBufferSize ? m_nLoadedScans : m_nScanBufferSize;
  for (std::uint32_t k = 0; k < held; ++k) {
    const ZVRawScan& scan = m_pScans[k];
    // The spacing statistics need two masses.
    if (scan.getScanSize() < 2 || scan.isKeptCompressed()) continue;
    float lo = 0, hi = 0, ave = 0, dev = 0, threshold = 0;
    unsigned int count = 0;
    (void)scan.getStats(lo, hi, ave, dev, count, threshold, kSpacingCutOff);
    if (lo < m_fMinimumMassDelta) m_fMinimumMassDelta = lo;
  }
}

}  // namespace borealtek_zvraw_version_1
