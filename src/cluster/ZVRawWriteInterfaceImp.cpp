// Preparing a new raw directory, the header, the function descriptors and
// the extended statistics of the write interface.

#include "cluster/ZVRawWriteInterfaceImp.h"

#include <cstring>
#include <vector>

#include "cluster/FileSnapshot.h"
#include "formats/portability/SysPaths.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/directory/ZVRawHeader.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

int ZVRawWriteInterfaceImp::preparedDir(const char* pcPath, std::string& dir) {
  if (pcPath == nullptr || *pcPath == '\0') return ZVRAW_FILENAME_ERROR;
  if (sysMakeDir(pcPath) == -1) return ZVRAW_ERROR;
  dir = pcPath;
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::storedDir(std::string& dir) const {
  // Without a stored directory a write would land in the root directory.
  if (m_cRawDataClusterPath.empty()) return ZVRAW_FILENAME_ERROR;
  dir = m_cRawDataClusterPath;
  return ZVRAW_OK;
}

unsigned int ZVRawWriteInterfaceImp::refreshedFunctionCount() const {
  unsigned int count = 0;
  (void)dataCluster().getFunctionCount(count);
  return count;
}

// ---- preparation ----

int ZVRawWriteInterfaceImp::prepareDataCluster(const char* pcFullFileName, unsigned int nFuncCount) {
  char held[256];
  if (nFuncCount != 0 && dataCluster().getRawFilePath(held) != ZVRAW_FILENAME_EMPTY) return ZVRAW_ERROR;
  if (pcFullFileName == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (*pcFullFileName == '\0') return ZVRAW_FILENAME_EMPTY;
  if (sysMakeDir(pcFullFileName) == -1) return ZVRAW_ERROR;
  m_cRawDataClusterPath = pcFullFileName;
  const int rc = dataCluster().setRawFilePath(pcFullFileName);
  (void)dataCluster().writeInitialise(nFuncCount);
  m_ppStatsDescriptors.reset(functionCount());
  return rc;
}

int ZVRawWriteInterfaceImp::prepareDataCluster(unsigned int nFuncCount) {
  m_cRawDataClusterPath.clear();
  (void)dataCluster().writeInitialise(nFuncCount);
  m_ppStatsDescriptors.reset(functionCount());
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::appendFunctions(unsigned int nFunctions) {
  // Growing the cluster's data-format tables starts them afresh: keep what
  // the functions already have.
  const unsigned int before = functionCount();
  std::vector<unsigned int> formats, flags;
  if (const unsigned int* f = dataCluster().getDataTypes()) formats.assign(f, f + before);
  if (const unsigned int* f = dataCluster().getExtendedFormatFlags()) flags.assign(f, f + before);
  const int rc = dataCluster().appendFunctions(nFunctions);
  if (rc != ZVRAW_OK) return rc;
  if (unsigned int* f = dataCluster().getDataTypes()) std::copy(formats.begin(), formats.end(), f);
  if (unsigned int* f = dataCluster().getExtendedFormatFlags()) std::copy(flags.begin(), flags.end(), f);
  for (unsigned int i = 0; i < nFunctions; ++i) m_ppStatsDescriptors.appendFunction();
  return ZVRAW_OK;
}

// ---- header ----

int ZVRawWriteInterfaceImp::setHeaderValue(int nNameIndex, const char* pcValue) {
  ZVRawHeader* h = header();
  if (h == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  (void)h->setNameValuePair(nNameIndex, pcValue, -1);
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::setHeaderValue(const char* pcName, const char* pcValue) {
  ZVRawHeader* h = header();
  if (h == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  (void)h->setNameValuePair(pcName, pcValue, -1);
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::setHeaderValue(int, const FunctionCalibration& cali, unsigned int nWhichFunc) {
  ZVRawHeader* h = header();
  if (h == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  return h->setCalibration(static_cast<int>(nWhichFunc), cali);
}

int ZVRawWriteInterfaceImp::setHeader(const ZVRawHeader& from) {
  ZVRawHeader* h = header();
  if (h == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  *h = from;
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::writeHeader(bool bEncrypt) {
  const ZVRawHeader* h = header();
  if (h == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return h->writeHeader(dir, bEncrypt);
}

int ZVRawWriteInterfaceImp::writeHeader(const char* pcRawDirectory, bool bEncrypt) {
  const ZVRawHeader* h = header();
  if (h == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = preparedDir(pcRawDirectory, dir); rc != ZVRAW_OK) return rc;
  return h->writeHeader(dir, bEncrypt);
}

// ---- function descriptors ----

int ZVRawWriteInterfaceImp::setDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D, const bool* pFlags) {
  // The function after the last may be added; a number beyond it would lie
  // outside every per-function table.
  if (nFunNum > functionCount()) return ZVRAW_FUNCNUM_INVALID;
  if (D.getImp() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (nFunNum == functionCount())
    if (int rc = appendFunctions(1); rc != ZVRAW_OK) return rc;
  ZVRawFunctionDescriptors* table = descriptors();
  if (table == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (int rc = table->updateDescriptor(nFunNum, *D.getImp()); rc != ZVRAW_OK) return rc;
  if (pFlags != nullptr) {
    ZVRawFunctionScanIndices* index = scanIndices();
    if (index == nullptr) return ZVRAW_NULLPOINTER_ERROR;
    (void)index->setContinuumFlag(nFunNum, pFlags[0]);
    (void)index->setCalibratedFlag(nFunNum, pFlags[1]);
  }
  unsigned int* formats = dataCluster().getDataTypes();
  if (formats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  unsigned int format = 0;
  const int rc = D.getImp()->getDataFormat(format);
  formats[nFunNum] = format;
  if (unsigned int* flags = dataCluster().getExtendedFormatFlags()) flags[nFunNum] = D.getExtendedIndex() ? 1 : 0;
  return rc;
}

int ZVRawWriteInterfaceImp::setFunctionDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D) {
  return setDescriptor(nFunNum, D, nullptr);
}

int ZVRawWriteInterfaceImp::setFunctionDescriptor(unsigned int nFunNum, const ZVRawFunctionDescriptor& D,
                                                  bool bIsContinuumData, bool bisCalibrated) {
  const bool flags[2] = {bIsContinuumData, bisCalibrated};
  return setDescriptor(nFunNum, D, flags);
}

int ZVRawWriteInterfaceImp::writeFunctionDescriptors() {
  ZVRawFunctionDescriptors* table = descriptors();
  if (table == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return table->writeDescriptors(dir.c_str());
}

int ZVRawWriteInterfaceImp::writeFunctionDescriptors(const char* pcFullFilePath) {
  ZVRawFunctionDescriptors* table = descriptors();
  if (table == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return table->writeDescriptors(dir.c_str());
}

// ---- extended statistics ----

int ZVRawWriteInterfaceImp::incrementStatsScanBuffer(unsigned int nFuncNum, unsigned int nScanCount) {
  ZVRawExtendedStats* stats = extStats();
  return stats != nullptr ? stats->incrementStatsScanBuffer(nFuncNum, nScanCount) : ZVRAW_NULLPOINTER_ERROR;
}

int ZVRawWriteInterfaceImp::addStatsField(unsigned int nFuncNum, unsigned int nFieldID) {
  ZVRawExtendedStats* stats = extStats();
  return stats != nullptr ? stats->addField(nFuncNum, nFieldID) : ZVRAW_NULLPOINTER_ERROR;
}

int ZVRawWriteInterfaceImp::setExtendedStatsDescriptor(unsigned int nFuncNum, const ExtendedStatsDescriptor& ESD) {
  return m_ppStatsDescriptors.set(functionCount(), nFuncNum, ESD, extStats());
}

int ZVRawWriteInterfaceImp::appendStats(unsigned int nFuncNum, unsigned int nScanCount, const void* pStats) {
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  ZVRawExtendedStats* stats = extStats();
  if (stats == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  return m_ppStatsDescriptors.appendStats(*stats, nFuncNum, nScanCount, pStats);
}

template <class Write>
int ZVRawWriteInterfaceImp::writeStats(const std::string& dir, const unsigned int* pFuncNum, Write&& write) {
  ZVRawExtendedStats* stats = extStats();
  const unsigned int count = stats->getFunctionCount();
  const unsigned int first = pFuncNum != nullptr ? *pFuncNum : 0;
  const unsigned int end = pFuncNum != nullptr ? std::min(first + 1, count) : count;
  struct Before {
    zvraw::FileSnapshot file;
    unsigned int mark;
  };
  std::vector<Before> before;
  for (unsigned int f = first; f < end; ++f) {
    std::string name;
    if (getZVRawStatsFile(dir, name, static_cast<int>(f) + 1) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
    before.push_back({zvraw::FileSnapshot(name), stats->GetNextScanToWrite(f)});
  }
  const int rc = write(*stats);
  if (rc != ZVRAW_OK) {
    for (unsigned int f = first; f < end; ++f) {
      (void)before[f - first].file.restore();
      (void)stats->rewindNextScanToWrite(f, before[f - first].mark);
    }
  }
  return rc;
}

int ZVRawWriteInterfaceImp::writeExtendedStats() {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const unsigned int count = refreshedFunctionCount();
  for (unsigned int f = 0; f < count; ++f)
    if (int rc = writeExtendedStats(f, 0u); rc != ZVRAW_OK) return rc;
  return ZVRAW_OK;
}

int ZVRawWriteInterfaceImp::writeExtendedStats(unsigned int nFuncNum, unsigned int nScanCount) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, &nFuncNum,
                    [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, nFuncNum, nScanCount); });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (m_ppStatsDescriptors.hasArray() && m_ppStatsDescriptors.get(nFuncNum) == nullptr)
    return ZVRAW_EXTENDEDSTATS_NOTSET;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, &nFuncNum, [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, nFuncNum); });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum,
                                               unsigned int nStartScan, unsigned int nEndScan) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, &nFuncNum, [&](ZVRawExtendedStats& s) {
    // From scan 0 the header block comes first when it is due.
    return nStartScan != 0 ? s.writeAppendStatsRecords(dir, nFuncNum, nStartScan, nEndScan)
                           : s.writeExtendedStats(dir, nFuncNum, 0u, nEndScan);
  });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(const char* pcFullFilePath, float fUpToRT) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, nullptr, [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, fUpToRT); });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(float fUpToRT) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, nullptr, [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, fUpToRT); });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(float fStartRT, float fUpToRT) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, nullptr, [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, fStartRT, fUpToRT); });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(unsigned int nFuncNum, float fUpToRT) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = storedDir(dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, &nFuncNum,
                    [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, nFuncNum, fUpToRT); });
}

int ZVRawWriteInterfaceImp::writeExtendedStats(const char* pcFullFilePath, unsigned int nFuncNum, float fUpToRT) {
  if (extStats() == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  std::string dir;
  if (int rc = preparedDir(pcFullFilePath, dir); rc != ZVRAW_OK) return rc;
  return writeStats(dir, &nFuncNum,
                    [&](ZVRawExtendedStats& s) { return s.writeExtendedStats(dir, nFuncNum, fUpToRT); });
}
