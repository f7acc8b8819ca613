// Scans of the write interface: batches taken into the function data and
// the scan index, and write passes that pack them into _funcNNN.dat and
// then index what was written in _funcNNN.idx.
//
// A pass never flushes by itself: the buffer is released only once every
// file holds the scans, so a failed pass can be undone (files cut back,
// marks moved back) and retried with nothing lost. The index records go
// last: they are what makes a reader count the scans.

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

#include "cluster/FileSnapshot.h"
#include "cluster/ZVRawWriteInterfaceImp.h"
#include "formats/portability/SysPaths.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

unsigned int nextToWrite(const ZVRawFunctionData& data) {
  unsigned int mark = 0;
  (void)data.getNextScanToWrite(mark);
  return mark;
}

}  // namespace

// ---- taking scans ----

int ZVRawWriteInterfaceImp::appendScans(unsigned int nFuncNum, unsigned int nScanCount,
                                        std::unique_ptr<float[]>* ppfMasses, std::unique_ptr<float[]>* ppfIntensities,
                                        std::unique_ptr<char[]>* ppcPeakFlags, double* pfTimes,
                                        unsigned int* pnScanSizes) {
  return appendScans(nFuncNum, nScanCount, ppfMasses, ppfIntensities, nullptr, nullptr, ppcPeakFlags, nullptr, pfTimes,
                     pnScanSizes);
}

int ZVRawWriteInterfaceImp::appendScans(unsigned int nFuncNum, unsigned int nScanCount,
                                        std::unique_ptr<float[]>* ppfMasses, std::unique_ptr<float[]>* ppfIntensities,
                                        std::unique_ptr<float[]>* ppfDMasses,
                                        std::unique_ptr<float[]>* ppfDIntensities,
                                        std::unique_ptr<char[]>* ppcPeakFlags, std::unique_ptr<char[]>* ppcMassFlags,
                                        double* pfTimes, unsigned int* pnScanSizes) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  if (nScanCount == 0) return ZVRAW_OK;
  if (ppfMasses == nullptr || ppfIntensities == nullptr || pfTimes == nullptr || pnScanSizes == nullptr)
    return ZVRAW_NULLPOINTER_ERROR;
  ZVRawFunctionScanIndices* index = scanIndices();
  ZVRawFunctionData* data = functionData(nFuncNum);
  if (index == nullptr || data == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int first = 0;
  (void)index->getScansInFunction(nFuncNum, first);  // a function without records has none
  if (nScanCount - 1 > UINT32_MAX - first) return ZVRAW_SCANNUM_INVALID;

  const int taken = data->setScans(first, nScanCount, ppfMasses, ppfIntensities, ppfDMasses, ppfDIntensities,
                                   ppcPeakFlags, ppcMassFlags, pnScanSizes);
  // Only scans the function data took join the index: a refused batch
  // leaves no record behind for a later write to store.
  unsigned int count = nScanCount;
  if (taken != ZVRAW_OK) {
    unsigned int loaded = 0, end = 0;
    (void)data->getLoadedScanCount(loaded);
    (void)data->getScanEnd(end);
    if (loaded == 0 || end < first) return taken;
    count = end - first + 1;  // those it still holds unindexed from an earlier batch
  }
  if (int rc = index->prepareScanIndicesBuffer(nFuncNum, first + count); rc != ZVRAW_OK) return rc;
  if (int rc = index->setScanIndices(nFuncNum, pfTimes, first, first + count - 1); rc != ZVRAW_OK) return rc;
  return taken;
}

int ZVRawWriteInterfaceImp::incrementScanBuffer(unsigned int nFuncNum, unsigned int nBufferSize) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  ZVRawFunctionData* data = functionData(nFuncNum);
  return data != nullptr ? data->incrementScanBuffer(nBufferSize) : ZVRAW_NULLPOINTER_ERROR;
}

int ZVRawWriteInterfaceImp::getScan(unsigned int nFuncNum, unsigned int nScanNo, float** ppMasses,
                                    float** ppIntensities, unsigned int& nPeaks) {
  if (!isLoaded()) return ZVRAW_DATACLUSTER_NOTLOADED;
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  ZVRawFunctionData* data = functionData(nFuncNum);
  return data != nullptr ? data->getScan(nScanNo, ppMasses, ppIntensities, nPeaks) : ZVRAW_NULLPOINTER_ERROR;
}

// ---- write passes ----

int ZVRawWriteInterfaceImp::writeIndexRecords(const std::string& dir, unsigned int nFuncNum,
                                              unsigned int nLastWritten) {
  const unsigned int* formats = dataCluster().getDataTypes();
  const ZVRawFunctionDescriptors* table = descriptors();
  ZVRawFunctionScanIndices* index = scanIndices();
  if (formats == nullptr || table == nullptr || index == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  bool extended = false;
  if (int rc = table->getExtendedFormatFlag(nFuncNum, extended); rc != ZVRAW_OK) return rc;
  const unsigned int mark = index->nextScanToWrite(nFuncNum);
  if (nLastWritten < mark) return ZVRAW_OK;  // every record is in the file already
  return index->writeIndices(nFuncNum, dir, formats[nFuncNum], extended, mark, nLastWritten);
}

int ZVRawWriteInterfaceImp::writeFunction(const std::string& dir, unsigned int nFuncNum, const PassRequest& request,
                                          std::span<const ZVRawBatchStep> steps) {
  ZVRawFunctionData* data = functionData(nFuncNum);
  ZVRawFunctionScanIndices* index = scanIndices();
  if (data == nullptr || index == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string datName, idxName;
  if (getZVRawFunctionFile(dir, datName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK ||
      getZVRawIDXFile(dir, idxName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_FILENAME_ERROR;

  // Everything the pass may change, to put back if it fails.
  const zvraw::FileSnapshot dat(datName), idx(idxName);
  const unsigned int dataMark = nextToWrite(*data);
  const unsigned int indexMark = index->nextScanToWrite(nFuncNum);
  std::vector<float> times;  // writing a record shifts its time in memory
  std::span<ZVRawFunctionScanIndexImp> records;
  if (index->getIndexArray(nFuncNum, records) == ZVRAW_OK)
    for (std::size_t s = indexMark; s < records.size(); ++s) times.push_back(records[s].rt());
  std::size_t stepsDone = 0;
  // An index that could not be cut back may count scans of this pass: then
  // their data and every step stay as written, so those scans read whole.
  const auto undo = [&](int rc, bool indexRestored) {
    for (std::size_t k = stepsDone; k-- > 0;)
      if (steps[k].undo) steps[k].undo(indexRestored);
    if (!indexRestored) return rc;
    (void)dat.restore();  // bytes past what the index counts are never read
    (void)data->rewindNextScanToWrite(dataMark);
    (void)index->rewindNextScanToWrite(nFuncNum, indexMark);
    for (std::size_t k = 0; k < times.size() && indexMark + k < records.size(); ++k)
      records[indexMark + k].rt() = times[k];
    return rc;
  };

  // A flush writes everything buffered; it happens below, once every file holds the scans.
  int rc = ZVRAW_OK;
  switch (request.form) {
    case DataPass::All:
      rc = data->writeScans(dir.c_str(), false, request.bFlush ? 0u : request.nScanCount);
      break;
    case DataPass::Range:
      rc = data->writeScans(dir.c_str(), 0u, request.nEndScan);
      break;
    case DataPass::UpToTime:
      rc = data->writeScans(dir.c_str(), request.bFlush ? -1.0f : request.fUpToRT, false);
      break;
  }
  if (rc == ZVRAW_RETENTIONTIME_INVALID && request.form == DataPass::UpToTime) return rc;  // nothing up to that time
  if (rc != ZVRAW_OK) return undo(rc, true);
  for (; stepsDone < steps.size(); ++stepsDone)
    if (int src = steps[stepsDone].write(); src != ZVRAW_OK) return undo(src, true);
  const unsigned int written = nextToWrite(*data);
  if (written > 0)
    if (int irc = writeIndexRecords(dir, nFuncNum, written - 1); irc != ZVRAW_OK) return undo(irc, idx.restore());
  if (request.bFlush) (void)data->clean();
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::writeScans(const char* pcFullFilePath, unsigned int nFuncNum, bool bFlush,
                                       unsigned int nScanCount) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeFunction(dir, nFuncNum, {.form = DataPass::All, .nScanCount = nScanCount, .bFlush = bFlush});
}

int ZVRawWriteInterfaceImp::writeScans(unsigned int nFuncNum, bool bFlush, unsigned int nScanCount) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return writeFunction(dir, nFuncNum, {.form = DataPass::All, .nScanCount = nScanCount, .bFlush = bFlush});
}

int ZVRawWriteInterfaceImp::writeBatch(unsigned int nFuncNum, unsigned int nStats, const void* pStats,
                                       const ZVRawBatchStep& step) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  std::string dir, stsName;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  ZVRawExtendedStats* stats = extStats();
  if (nStats > 0 && stats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (nStats > 0 && getZVRawStatsFile(dir, stsName, static_cast<int>(nFuncNum) + 1) != ZVRAW_OK)
    return ZVRAW_FILENAME_ERROR;
  // The records go down before the index counts their scans. A failed
  // write of them leaves .sts as it was; one taken back later is cut off.
  const std::optional<zvraw::FileSnapshot> sts =
      nStats > 0 ? std::optional<zvraw::FileSnapshot>(stsName) : std::nullopt;
  const unsigned int statsMark = nStats > 0 ? stats->GetNextScanToWrite(nFuncNum) : 0;
  std::vector<ZVRawBatchStep> steps;
  if (nStats > 0)
    steps.push_back({[&] {
                       int rc = appendStats(nFuncNum, nStats, pStats);
                       if (rc == ZVRAW_OK) rc = writeExtendedStats(nFuncNum, 0u);
                       return rc;
                     },
                     [&](bool indexRestored) {
                       if (!indexRestored) return;
                       (void)sts->restore();
                       (void)stats->rewindNextScanToWrite(nFuncNum, statsMark);
                     }});
  if (step.write) steps.push_back(step);
  return writeFunction(dir, nFuncNum, {.form = DataPass::All, .bFlush = true}, steps);
}

bool ZVRawWriteInterfaceImp::hasBufferedScans(unsigned int nFuncNum) const {
  const ZVRawFunctionData* data = functionData(nFuncNum);
  unsigned int loaded = 0;
  if (data != nullptr) (void)data->getLoadedScanCount(loaded);
  return loaded > 0;
}

int ZVRawWriteInterfaceImp::writeScans(bool bFlush) {
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  const unsigned int count = refreshedFunctionCount();
  for (unsigned int f = 0; f < count; ++f) {
    if (!hasBufferedScans(f)) continue;  // nothing to write is no failure
    if (int rc = writeFunction(dir, f, {.form = DataPass::All, .bFlush = bFlush}); rc != ZVRAW_OK) return rc;
  }
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::writeScans(const char* pcFullFilePath, unsigned int nFuncNum, unsigned int,
                                       unsigned int nEndScan) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeFunction(dir, nFuncNum, {.form = DataPass::Range, .nEndScan = nEndScan});
}

int ZVRawWriteInterfaceImp::writeAllUpTo(const std::string& dir, float fUpToRT, bool bFlush) {
  const unsigned int count = refreshedFunctionCount();
  int first = ZVRAW_OK;
  for (unsigned int f = 0; f < count; ++f) {
    if (!hasBufferedScans(f)) continue;
    const int rc = writeFunction(dir, f, {.form = DataPass::UpToTime, .fUpToRT = fUpToRT, .bFlush = bFlush});
    if (rc == ZVRAW_RETENTIONTIME_INVALID) continue;  // no scan of f up to that time yet
    if (rc != ZVRAW_OK && first == ZVRAW_OK) first = rc;
  }
  return first;
}

int ZVRawWriteInterfaceImp::writeScans(const char* pcFullFilePath, float fUpToRT) {
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeAllUpTo(dir, fUpToRT, false);
}

int ZVRawWriteInterfaceImp::writeScans(bool bFlush, float fUpToRT) {
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return writeAllUpTo(dir, fUpToRT, bFlush);
}

int ZVRawWriteInterfaceImp::flushScans(const char* pcFullFilePath, float fUpToRT) {
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeAllUpTo(dir, fUpToRT, true);
}

int ZVRawWriteInterfaceImp::flushScans(const char* pcFullFilePath, unsigned int nFuncNum) {
  if (nFuncNum >= refreshedFunctionCount()) return ZVRAW_FUNCNUM_INVALID;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeFunction(dir, nFuncNum, {.form = DataPass::All, .bFlush = true});
}
