// Writing a function's scans: batches handed over by the caller are packed
// into _funcNNN.dat back to back in scan order, and each scan's index record
// gets its offset, peak count, base peak and total ion current. The offset of
// scan s is that of scan s - 1 plus its packed size; offsets are 32-bit.

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/SysPaths.h"
#include "formats/scans/ZVRawFunctionData.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/scans/ScanPacking.h"
#include "formats/scans/ScanStatistics.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

constexpr std::uint64_t kLargestOffset = std::numeric_limits<std::uint32_t>::max();

template <class T>
std::unique_ptr<T[]> take(std::unique_ptr<T[]>* arrays, unsigned int i) {
  return arrays ? std::move(arrays[i]) : nullptr;
}

}  // namespace

// ---- taking scans over ----

int ZVRawFunctionData::incrementScanBuffer(unsigned int nScanCount) {
  if (nScanCount == 0) return ZVRAW_OK;
  // Every element filled so far moves, so nothing already taken is lost.
  const std::uint64_t size = std::uint64_t{m_nScanBufferIdx} + nScanCount;
  if (size > std::numeric_limits<std::uint32_t>::max()) return ZVRAW_SCANMEMALLOC_ERROR;
  std::shared_ptr<ZVRawScan[]> grown = allocateScans(static_cast<std::uint32_t>(size));
  if (!grown) return ZVRAW_SCANMEMALLOC_ERROR;
  if (m_pScans) (void)ZVRawScan::moveScans(grown.get(), m_pScans.get(), m_nScanBufferIdx);
  m_pScans = std::move(grown);
  m_nMyScanData = 1;
  m_nScanBufferSize = static_cast<std::uint32_t>(size);
  return ZVRAW_OK;
}

int ZVRawFunctionData::setScans(unsigned int nStartScan, unsigned int nScanCount,
                                std::unique_ptr<float[]>* ppfMasses, std::unique_ptr<float[]>* ppfIntensities,
                                std::unique_ptr<char[]>* ppcPeakFlags, unsigned int* pnScanSizes) {
  return takeScans(nStartScan, nScanCount, ppfMasses, ppfIntensities, nullptr, nullptr, ppcPeakFlags, nullptr,
                   pnScanSizes);
}

int ZVRawFunctionData::setScans(unsigned int nStartScan, unsigned int nScanCount,
                                std::unique_ptr<float[]>* ppfMasses, std::unique_ptr<float[]>* ppfIntensities,
                                std::unique_ptr<float[]>* ppfDMasses, std::unique_ptr<float[]>* ppfDIntensities,
                                std::unique_ptr<char[]>* ppcPeakFlags, std::unique_ptr<char[]>* ppcMassFlags,
                                unsigned int* pnScanSizes) {
  return takeScans(nStartScan, nScanCount, ppfMasses, ppfIntensities, ppfDMasses, ppfDIntensities, ppcPeakFlags,
                   ppcMassFlags, pnScanSizes);
}

int ZVRawFunctionData::takeScans(unsigned int nStartScan, unsigned int nScanCount,
                                 std::unique_ptr<float[]>* ppfMasses, std::unique_ptr<float[]>* ppfIntensities,
                                 std::unique_ptr<float[]>* ppfDMasses, std::unique_ptr<float[]>* ppfDIntensities,
                                 std::unique_ptr<char[]>* ppcPeakFlags, std::unique_ptr<char[]>* ppcMassFlags,
                                 unsigned int* pnScanSizes) {
  if (nScanCount == 0) return ZVRAW_OK;
  // The buffer is empty until a scan is in it; after that a batch must
  // follow its last scan, so scan numbers and elements stay in step.
  const bool empty = m_nScanBufferIdx == 0 || !m_pScans;
  if (!empty && (m_nScanEnd == std::numeric_limits<std::uint32_t>::max() || nStartScan != m_nScanEnd + 1 ||
                 nStartScan - m_nScanStart != m_nScanBufferIdx))
    return ZVRAW_SCANNUM_INVALID;
  if (std::uint64_t{nStartScan} + nScanCount - 1 > std::numeric_limits<std::uint32_t>::max())
    return ZVRAW_SCANNUM_INVALID;
  if (!ppfMasses || !ppfIntensities || !pnScanSizes) return ZVRAW_NULLPOINTER_ERROR;
  for (unsigned int i = 0; i < nScanCount; ++i)
    if (pnScanSizes[i] > 0 && (!ppfMasses[i] || !ppfIntensities[i])) return ZVRAW_NULLPOINTER_ERROR;

  if (empty) m_nLoadedScans = 0;  // an array grown ahead of the first batch is kept
  if (m_nScanBufferSize - m_nScanBufferIdx < nScanCount)
    if (int rc = incrementScanBuffer(nScanCount); rc != ZVRAW_OK) return rc;
  m_nScanStart = nStartScan - m_nScanBufferIdx;

  for (unsigned int i = 0; i < nScanCount; ++i) {
    // Cannot be refused: missing arrays under a peak count were turned away above.
    (void)m_pScans[m_nScanBufferIdx].setScan(std::move(ppfMasses[i]), std::move(ppfIntensities[i]),
                                             take(ppfDMasses, i), take(ppfDIntensities, i), take(ppcPeakFlags, i),
                                             take(ppcMassFlags, i), pnScanSizes[i]);
    if (pnScanSizes[i] > m_nMaxLoadedScanSize) m_nMaxLoadedScanSize = pnScanSizes[i];
    pnScanSizes[i] = 0;
    ++m_nScanBufferIdx;
  }
  m_nScanEnd = nStartScan + nScanCount - 1;
  m_nLoadedScans += nScanCount;
  return ZVRAW_OK;
}

// ---- write passes ----

int ZVRawFunctionData::writeScans(const char* pcOutputFile, float fUptoRT, bool bFlush) {
  return writePass(WriteForm::UpToTime, pcOutputFile, fUptoRT, bFlush, 0, 0);
}

int ZVRawFunctionData::writeScans(const char* pcOutputFile, unsigned int, unsigned int nEndScan) {
  return writePass(WriteForm::ScanRange, pcOutputFile, 0, false, nEndScan, 0);
}

int ZVRawFunctionData::writeScans(const char* pcOutputFile, bool bFlush, unsigned int nScanCount) {
  return writePass(WriteForm::All, pcOutputFile, 0, bFlush, 0, nScanCount);
}

int ZVRawFunctionData::getNextScanToWrite(unsigned int& nNextScan) const {
  nNextScan = m_nNextScanToWrite;
  return ZVRAW_OK;
}

int ZVRawFunctionData::rewindNextScanToWrite(unsigned int nNextScan) {
  if (nNextScan > m_nNextScanToWrite) return ZVRAW_SCANRANGE_INVALID;
  const std::uint32_t undone = m_nNextScanToWrite - nNextScan;
  m_nWrittenScans = m_nWrittenScans > undone ? m_nWrittenScans - undone : 0;
  m_nNextScanToWrite = nNextScan;
  return ZVRAW_OK;
}

int ZVRawFunctionData::writePass(WriteForm form, const char* pcOutputFile, float fUptoRT, bool bFlush,
                                 unsigned int nEndScan, unsigned int nScanCount) {
  // An array grown ahead of any batch holds no scan to write.
  if (!m_pScans || m_nScanBufferIdx == 0) return ZVRAW_NULLPOINTER_ERROR;
  if (!m_pScanIndices || !m_pFunctionDescriptors) return ZVRAW_NULLPOINTER_ERROR;
  std::span<ZVRawFunctionScanIndexImp> records;
  if (int rc = m_pScanIndices->getIndexArray(m_nFuncNum, records); rc != ZVRAW_OK) return rc;
  unsigned int format = 0;
  if (int rc = m_pFunctionDescriptors->getDataFormat(m_nFuncNum, format); rc != ZVRAW_OK) return rc;

  // The last scan of the pass.
  unsigned int last = m_nScanEnd;
  if (form == WriteForm::UpToTime && !(fUptoRT < 0) && !bFlush) {
    if (int rc = m_pScanIndices->getScanFromRT(m_nFuncNum, fUptoRT, last, NEAREST_LESS); rc != ZVRAW_OK) return rc;
    if (last > m_nScanEnd) last = m_nScanEnd;
  } else if (form == WriteForm::ScanRange) {
    last = nEndScan < m_nScanEnd ? nEndScan : m_nScanEnd;
  } else if (form == WriteForm::All && nScanCount != 0 && !bFlush) {
    const std::uint64_t upTo = std::uint64_t{m_nNextScanToWrite} + nScanCount - 1;
    if (upTo < last) last = static_cast<unsigned int>(upTo);
  }

  const bool fresh = m_nNextScanToWrite == 0;  // nothing of the function is in the file yet
  if (m_nNextScanToWrite < m_nScanStart) {
    if (form != WriteForm::All) return ZVRAW_OK;  // scans before the buffer are not ours to place
    m_nNextScanToWrite = m_nScanStart;
  }

  int result = ZVRAW_OK;
  if (m_nNextScanToWrite <= last) {
    // Every record to fill must exist.
    if (last >= records.size()) return ZVRAW_SCANNUM_INVALID;
    // The first scan goes after the scan before it, as that scan's record says.
    std::uint64_t offset = 0;
    const unsigned int first = form == WriteForm::All ? m_nNextScanToWrite : m_nScanStart;
    if (first > 0 && !fresh) {
      const ZVRawFunctionScanIndexImp& r = records[first - 1];
      offset = r.getScanOffset() + zvraw_packed::getBytesPerScan(format, r.getPeaksInScan());
    }
    std::string path;
    if (!pcOutputFile || m_nFuncNum >= static_cast<unsigned int>(INT_MAX) ||
        getZVRawFunctionFile(pcOutputFile, path, static_cast<int>(m_nFuncNum + 1)) != ZVRAW_OK)
      return ZVRAW_FILENAME_ERROR;
    result = writeRun(path, fresh, format, records.data(), offset, last);
    if (result == ZVRAW_FILESEEK_ERROR) return result;
  }

  // A failed pass keeps its scans for the retry: after a flush the next
  // batch would be placed from records that were never filled.
  if (bFlush && form != WriteForm::ScanRange && result == ZVRAW_OK) {
    deleteScans();
    m_nLoadedScans = m_nScanStart = m_nScanEnd = 0;
  }
  refreshMinimumMassDelta();
  return result;
}

namespace {

// Packed scans staged in one block and written together: a pass makes one
// write per block instead of one per scan, which the kernel takes several
// times faster. The staged scans lie back to back from the block's offset.
// The block is the thread's, kept from pass to pass: a fresh one would be
// faulted in page by page at every pass.
class ScanStage {
 public:
  static constexpr std::size_t kBytes = std::size_t{1} << 20;

  ScanStage() : m_block(threadBlock()) {}
  [[nodiscard]] bool holds(std::uint64_t bytes) const { return m_block != nullptr && bytes <= kBytes - m_used; }
  [[nodiscard]] char* next() { return m_block + m_used; }
  void add(std::uint64_t offset, std::size_t bytes) {
    if (m_sizes.empty()) m_start = offset;
    m_sizes.push_back(bytes);
    m_used += bytes;
  }
  [[nodiscard]] bool empty() const { return m_sizes.empty(); }
  [[nodiscard]] std::uint64_t start() const { return m_start; }
  [[nodiscard]] std::size_t used() const { return m_used; }
  [[nodiscard]] const char* data() const { return m_block; }
  // How many staged scans lie wholly within the first `written` bytes, and
  // where the first one that does not begins.
  unsigned int whole(std::size_t written, std::uint64_t& end) const {
    unsigned int n = 0;
    std::size_t at = 0;
    while (n < m_sizes.size() && at + m_sizes[n] <= written) at += m_sizes[n++];
    end = m_start + at;
    return n;
  }
  [[nodiscard]] unsigned int count() const { return static_cast<unsigned int>(m_sizes.size()); }
  void clear() {
    m_sizes.clear();
    m_used = 0;
  }

 private:
  // Null when it cannot be had; tried again at the next pass.
  static char* threadBlock() {
    thread_local zvraw::PageAlignedBuffer block;
    return reinterpret_cast<char*>(block.reserve(kBytes));
  }

  char* m_block;
  std::vector<std::size_t> m_sizes;
  std::size_t m_used = 0;
  std::uint64_t m_start = 0;
};

}  // namespace

int ZVRawFunctionData::writeRun(const std::string& path, bool fresh, unsigned int format,
                                ZVRawFunctionScanIndexImp* records, std::uint64_t offset, unsigned int last) {
  // A new file for the first pass; later passes write each scan at its own
  // offset, so a retry overwrites what a failed pass left of its scan.
  zvraw::FilePtr file = rawFileComponentfopen(path, fresh ? "wb" : "r+b");
  if (!file) return ZVRAW_FILEOPEN_ERROR;
  // Unbuffered: every write is one of ours, so a failure is known to the
  // byte and only whole scans count as written.
  (void)std::setvbuf(file.get(), nullptr, _IONBF, 0);
  std::uint64_t position = 0;
  ScanStage stage;
  unsigned int firstStaged = m_nNextScanToWrite;  // the first scan not yet in the file
  std::optional<std::uint64_t> cutAt;             // a failed write may have left part of a scan
  int result = ZVRAW_OK;

  const auto seekTo = [&](std::uint64_t at) {
    if (position == at || ::fseeko(file.get(), static_cast<off_t>(at), SEEK_SET) == 0) {
      position = at;
      return true;
    }
    return false;
  };
  // Writes the staged scans at their offset (the stream's position stays):
  // false (and the result) when not all reached the file.
  const auto flush = [&]() {
    if (stage.empty()) return true;
    const std::size_t written = zvraw::writeAt(::fileno(file.get()), stage.data(), stage.used(), stage.start());
    std::uint64_t end = 0;
    const unsigned int whole = stage.whole(written, end);
    m_nWrittenScans += whole;
    firstStaged += whole;
    const bool all = whole == stage.count();
    if (!all) {
      result = ZVRAW_SCANWRITE_ERROR;
      cutAt = end;
    }
    stage.clear();
    return all;
  };

  // Format-12 scans take their TICs a group ahead, the sums side by side.
  constexpr unsigned int kEnhancedCal = 12, kTICsAhead = 8;
  unsigned int ticsUpTo = m_nNextScanToWrite;  // the scans before it have theirs
  unsigned int s = m_nNextScanToWrite;
  for (;; ++s) {
    if (s != m_nScanStart)
      offset = records[s - 1].getScanOffset() +
               zvraw_packed::getBytesPerScan(format, m_pScans[s - 1 - m_nScanStart].getScanSize());
    ZVRawScan& scan = m_pScans[s - m_nScanStart];
    const unsigned int peaks = scan.getScanSize();
    // The record holds a 32-bit offset and a 22-bit peak count.
    if (offset > kLargestOffset || peaks > kScanIndexMaxPeaks) {
      if (flush()) result = ZVRAW_SCANWRITE_ERROR;
      break;
    }
    const std::uint64_t bytes = zvraw_packed::getBytesPerScan(format, peaks);
    if (!stage.holds(bytes) && !flush()) break;
    if (stage.holds(bytes)) {
      if (format == kEnhancedCal) {
        if (s >= ticsUpTo) {
          const unsigned int ahead = std::min(kTICsAhead, last - s + 1);
          setTICs({&m_pScans[s - m_nScanStart], ahead});
          ticsUpTo = s + ahead;
        }
        // The next scan's arrays, and the intensities of the next group's TICs.
        if (s < last) prefetchForPacking(m_pScans[s + 1 - m_nScanStart]);
        if (last - s >= kTICsAhead) prefetchForTIC(m_pScans[s + kTICsAhead - m_nScanStart]);
      }
      if (int rc = packScanWithBasePeak(scan, stage.next(), format); rc != ZVRAW_OK) {
        if (flush()) result = rc;
        break;
      }
      stage.add(offset, static_cast<std::size_t>(bytes));
    } else {  // a scan larger than the block goes out on its own
      (void)scan.setStats();
      if (!seekTo(offset)) {
        result = ZVRAW_FILESEEK_ERROR;
        break;
      }
      if (result = scan.writeScan(file.get(), format); result != ZVRAW_OK) {
        cutAt = offset;
        break;
      }
      position = offset + bytes;
      ++m_nWrittenScans;
      ++firstStaged;
    }
    // The scan's statistics were taken as it was packed.
    ZVRawFunctionScanIndexImp& rec = records[s];
    rec.peaksInScan() = peaks;
    rec.scanOffset() = static_cast<std::uint32_t>(offset);
    rec.basePeakIntensity() = scan.getBPI();
    rec.basePeakMass() = scan.getBPMass();
    rec.tic() = scan.getTIC();
    if (s == last) {
      (void)flush();
      break;
    }
  }
  m_nNextScanToWrite = firstStaged;
  // Scans reach the file whole or not at all.
  if (cutAt) (void)::ftruncate(::fileno(file.get()), static_cast<off_t>(*cutAt));
  if (!zvraw::closeChecked(file) && result == ZVRAW_OK) result = ZVRAW_FILEWRITE_ERROR;
  return result;
}

}  // namespace borealtek_zvraw_version_1
