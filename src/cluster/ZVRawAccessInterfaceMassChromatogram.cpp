// Mass chromatograms: the summed intensity in a mass window for each scan of
// a function, with the scan's retention time. The first two forms run over
// the loaded scans; the third over an explicit scan range, reading the scans
// from the data file when they are not all loaded.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "cluster/ZVRawAccessInterfaceImp.h"
#include "formats/portability/SysTrace.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

// Scans read per block when the range is not loaded.
constexpr unsigned int kFileBlockScans = 500;

}  // namespace

int ZVRawAccessInterfaceImp::getMassChromatogram(unsigned int nFuncNum, float fLowMass, float fHighMass, float* pInt,
                                                 float* pTime, float fWindow, bool bDaughters) const {
  const ZVRawFunctionData* data = nullptr;
  if (loadedFunction(nFuncNum, data) != ZVRAW_OK) return ZVRAW_ERROR;
  return data->getMassChromatogram(fLowMass, fHighMass, fWindow, scanIndices(), pInt, pTime, bDaughters);
}

int ZVRawAccessInterfaceImp::getMassChromatogram(unsigned int nFuncNum, float fMass, float* pInt, float* pTime,
                                                 float fWindow, bool bDaughters) const {
  const ZVRawFunctionData* data = nullptr;
  if (int rc = loadedFunction(nFuncNum, data); rc != ZVRAW_OK) return rc;
  return data->getMassChromatogram(fMass, fWindow, scanIndices(), pInt, pTime, bDaughters);
}

int ZVRawAccessInterfaceImp::getMassChromatogram(unsigned int nFuncNum, float fMass, unsigned int nStartScan,
                                                 unsigned int nEndScan, float* pInt, float* pTime, float fWindow,
                                                 bool bDaughters) const {
  if (!hasFunctionData()) return ZVRAW_NULLPOINTER_ERROR;
  if (nFuncNum >= functionCount()) return ZVRAW_FUNCNUM_INVALID;
  if (pInt == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (nStartScan > nEndScan) return ZVRAW_SCANRANGE_INVALID;
  const ZVRawFunctionData* data = functionData(nFuncNum);
  if (data == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  // A function with no loaded scans holds no range at all.
  unsigned int loaded = 0;
  (void)data->getLoadedScanCount(loaded);
  if (isLoaded() && loaded > 0) {
    const int rc =
        data->getMassChromatogram(nStartScan, nEndScan, fMass, fMass, fWindow, scanIndices(), pInt, pTime, bDaughters);
    if (rc != ZVRAW_SCANRANGE_INVALID) return rc;
  }
  return massChromatogramFromFile(nFuncNum, fMass, nStartScan, nEndScan, pInt, pTime, fWindow, bDaughters);
}

// Blocks of up to 500 scans, each loaded into a cluster of its own and
// summed straight into the caller's arrays at its own offset; nothing is
// written past element nEndScan - nStartScan.
int ZVRawAccessInterfaceImp::massChromatogramFromFile(unsigned int nFuncNum, float fMass, unsigned int nStartScan,
                                                      unsigned int nEndScan, float* pInt, float* pTime, float fWindow,
                                                      bool bDaughters) const {
  // A fresh open of the same directory: this cluster's loaded scans stay as
  // they are, and its scans are summed as its own loads calibrate them,
  // with the gain table this cluster reads with, not the one on disk.
  const bool calibrate = dataCluster().getCalibrate();
  ZVRawDataClusterImp reader(dataCluster().getRawFilePath(), 0, calibrate, false);
  if (int rc = reader.getInitialiseResult(); rc != ZVRAW_OK) return rc;
  (void)reader.setUseTemperatureCorrection(dataCluster().getUseTemperatureCorrection());
  reader.shareLumavent(dataCluster());
  const ZVRawFunctionScanIndices* index = reader.getDataInfo()->m_pScanIndices.get();

  for (std::uint64_t first = nStartScan; first <= nEndScan; first += kFileBlockScans) {
    const auto from = static_cast<unsigned int>(first);
    const auto to = static_cast<unsigned int>(std::min<std::uint64_t>(first + kFileBlockScans - 1, nEndScan));
    if (nEndScan > 0 && from % 100 == 0)
      zvraw::traceLine("Percent = %i", static_cast<int>(std::uint64_t{from} * 100 / nEndScan));
    if (int rc = reader.loadData(nFuncNum, from, to, calibrate, false); rc != ZVRAW_OK) return rc;
    const ZVRawFunctionData* data = reader.getFunctionData(nFuncNum);
    if (data == nullptr) return ZVRAW_NULLPOINTER_ERROR;
    const std::size_t at = from - nStartScan;
    if (int rc = data->getMassChromatogram(from, to, fMass, fMass, fWindow, index, pInt + at,
                                           pTime != nullptr ? pTime + at : nullptr, bDaughters);
        rc != ZVRAW_OK)
      return rc;
  }
  return ZVRAW_OK;
}

unsigned int appendArrays(void** pvTargetArray, unsigned int nTargetArraySize, const void* pvSourceArray,
                          unsigned int nSourceArraySize, unsigned int nDataSize) {
  if (nSourceArraySize == 0 || pvTargetArray == nullptr || pvSourceArray == nullptr) return nTargetArraySize;
  const std::uint64_t count = std::uint64_t{nTargetArraySize} + nSourceArraySize;
  if (count > std::numeric_limits<unsigned int>::max() || nDataSize == 0 ||
      count > std::numeric_limits<std::size_t>::max() / nDataSize)
    return nTargetArraySize;
  auto* block = static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(count) * nDataSize));
  if (block == nullptr) return nTargetArraySize;
  const std::size_t held = std::size_t{nTargetArraySize} * nDataSize;
  if (*pvTargetArray != nullptr) std::memcpy(block, *pvTargetArray, held);
  std::memcpy(block + held, pvSourceArray, std::size_t{nSourceArraySize} * nDataSize);
  std::free(*pvTargetArray);
  *pvTargetArray = block;
  return static_cast<unsigned int>(count);
}
