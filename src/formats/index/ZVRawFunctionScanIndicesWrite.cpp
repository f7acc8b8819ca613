// Writing _funcNNN.idx: the records of a function, whole or from a scan on.

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "formats/portability/FileIO.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/SysPaths.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

unsigned int ZVRawFunctionScanIndices::nextScanToWrite(unsigned int nFuncNum) const {
  return m_bHasArrays && nFuncNum < m_nFunctionCount ? m_functions[nFuncNum].nextToWrite : 0;
}

int ZVRawFunctionScanIndices::rewindNextScanToWrite(unsigned int nFuncNum, unsigned int nMark) {
  if (!m_bHasArrays || nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  FunctionIndex& fn = m_functions[nFuncNum];
  if (nMark > fn.nextToWrite) return ZVRAW_SCANRANGE_INVALID;
  fn.nextToWrite = nMark;
  return ZVRAW_OK;
}

// The index file is begun ("wb") on a function's first write; later writes
// open it read-write and write at mark x record size, then cut the file
// there, so a record left partial by a failed write is overwritten and never
// shifts the records after it. The RT shift is applied to each record that
// reached the file, so a retried record is not shifted twice.
int ZVRawFunctionScanIndices::writeRange(unsigned int f, unsigned int format, bool extended, unsigned int from,
                                         unsigned int to) {
  FunctionIndex& fn = m_functions[f];
  if (!materialise(fn)) return ZVRAW_SCANINDICESALLOC_ERROR;  // a write shifts the RTs in memory
  std::string name;
  if (getZVRawIDXFile(m_cDataClusterPath, name, static_cast<int>(f) + 1) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  std::uint64_t sizeAtOpen = 0;
  zvraw::FilePtr file = rawFileComponentfopen(name, fn.nextToWrite == 0 ? "wb" : "r+b", &sizeAtOpen);
  if (!file) return ZVRAW_FILEOPEN_ERROR;

  // Pack what fits; a record whose peak count does not fit stops the batch.
  const std::size_t recordSize = scanIndexRecordSize(extended);
  unsigned int end = from;
  while (end < to && fn.records[end].fitsFileWidths()) ++end;
  zvraw::PageAlignedBuffer block(std::size_t{end - from} * recordSize);
  if (end > from && block.data() == nullptr) return ZVRAW_SCANINDICESALLOC_ERROR;
  for (unsigned int s = from; s < end; ++s) {
    ZVRawFunctionScanIndexImp shifted = fn.records[s];
    shifted.rt() += fOffset;
    (void)shifted.packScanIndex(std::span(block.data() + std::size_t{s - from} * recordSize, recordSize), format,
                                extended);  // an unstored base peak still writes the record
  }
  const std::uint64_t at = std::uint64_t{from} * recordSize;
  const std::size_t written = zvraw::writeAt(::fileno(file.get()), block.data(), block.size(), at);
  const auto whole = static_cast<unsigned int>(written / recordSize);
  for (unsigned int s = from; s < from + whole; ++s) fn.records[s].rt() += fOffset;
  fn.nextToWrite = from + whole;
  // A whole batch reaching past the old end leaves the file ending at the
  // mark already: the cut would change nothing (and costs a syscall a pass).
  const bool endsAtMark = written > 0 && written == block.size() && sizeAtOpen <= at + written;
  const bool cut = endsAtMark || ::ftruncate(::fileno(file.get()),
                                             static_cast<off_t>(std::uint64_t{fn.nextToWrite} * recordSize)) == 0;
  const bool closed = zvraw::closeChecked(file);
  if (whole < end - from || !cut || !closed) return ZVRAW_FILEWRITE_ERROR;
  return end < to ? ZVRAW_ERROR : ZVRAW_OK;
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat) {
  return writeIndices(nFuncNum, cRawFilePath, nDataFormat, false);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                           bool bExtended) {
  int rc = ZVRAW_OK;
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  m_cDataClusterPath.assign(cRawFilePath);
  return writeRange(nFuncNum, nDataFormat, bExtended, fn->nextToWrite, fn->scans);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                           unsigned int nStartScan, unsigned int nEndScan) {
  return writeIndices(nFuncNum, cRawFilePath, nDataFormat, false, nStartScan, nEndScan);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                           bool bExtended, unsigned int nStartScan, unsigned int nEndScan) {
  int rc = ZVRAW_OK;
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  m_cDataClusterPath.assign(cRawFilePath);
  if (nStartScan > nEndScan) return ZVRAW_OK;
  // A start past the mark would leave a gap and misalign every later record.
  if (nStartScan > fn->nextToWrite || nEndScan >= fn->scans) return ZVRAW_SCANRANGE_INVALID;
  return writeRange(nFuncNum, nDataFormat, bExtended, fn->nextToWrite, nEndScan + 1);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                           unsigned int nScanCount) {
  return writeIndices(nFuncNum, cRawFilePath, nDataFormat, false, nScanCount);
}

int ZVRawFunctionScanIndices::writeIndices(unsigned int nFuncNum, std::string_view cRawFilePath, unsigned int nDataFormat,
                                           bool bExtended, unsigned int nScanCount) {
  int rc = ZVRAW_OK;
  if (!usablePath(cRawFilePath)) return ZVRAW_FILENAME_ERROR;
  const FunctionIndex* fn = function(nFuncNum, rc);
  if (!fn) return rc;
  const unsigned int unwritten = fn->scans > fn->nextToWrite ? fn->scans - fn->nextToWrite : 0;
  if (unwritten == 0) return ZVRAW_OK;
  const unsigned int n = (nScanCount == 0 || nScanCount > unwritten) ? unwritten : nScanCount;
  m_cDataClusterPath.assign(cRawFilePath);
  return writeRange(nFuncNum, nDataFormat, bExtended, fn->nextToWrite, fn->nextToWrite + n);
}
