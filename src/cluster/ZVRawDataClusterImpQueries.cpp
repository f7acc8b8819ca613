// Derived queries: base-peak mass, MRM channels, calibration state, range
// checks and the scanning-quadrupole precursor conversions.

#include "cluster/ZVRawDataClusterImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

constexpr unsigned int kMRMFunctionType = 9;

}  // namespace

int ZVRawDataClusterImp::getBPM(unsigned int nFuncNum, unsigned int nScanNo, float& fBPM) const {
  const ZVRawFunctionScanIndices* index = indices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  const int rc = index->getScanBPM(nFuncNum, nScanNo, fBPM);
  if (rc != ZVRAW_OK) return rc;
  bool calibrated = false;
  const FunctionCalibration* calibration = nullptr;
  if ((isCalibrated(nFuncNum, calibrated) != ZVRAW_OK || !calibrated) && header() &&
      header()->getCalibration(static_cast<int>(nFuncNum), calibration) == ZVRAW_OK)
    calibration->calibrateMasses(&fBPM, 1);
  return rc;
}

int ZVRawDataClusterImp::getMRMCount(unsigned int nFuncNum, unsigned int& nMRMs) const {
  nMRMs = 0;
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  unsigned int type = 0, scans = 0;
  int rc = d->getFunctionType(nFuncNum, type);
  if (rc != ZVRAW_OK || type != kMRMFunctionType) return rc;
  if ((rc = getTotalScans(nFuncNum, scans)) != ZVRAW_OK || scans == 0) return rc;
  return indices()->getPeaksInScan(nFuncNum, 0, nMRMs);
}

// The first scan with points decides; a function without one gives 1 and
// leaves the flag as it was.
int ZVRawDataClusterImp::isCalibrated(unsigned int nFuncNum, bool& bCalibrated) const {
  const ZVRawFunctionScanIndices* index = indices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  return index->firstScanCalibrated(nFuncNum, bCalibrated);
}

int ZVRawDataClusterImp::isCalibrated(bool& bCalibrated) const {
  const ZVRawFunctionScanIndices* index = indices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  bCalibrated = true;
  for (unsigned int f = 0; f < m_nFunctionCount && bCalibrated; ++f)
    if (index->isValid(f, 0)) bCalibrated = index->isCalibrated(f, 0) && bCalibrated;
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::isCalibratedOmitLockmass(const unsigned int& lockMassFunction, bool& bCalibrated) const {
  const ZVRawFunctionScanIndices* index = indices();
  if (index == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  bCalibrated = true;
  for (unsigned int f = 0; f < m_nFunctionCount && bCalibrated; ++f) {
    if (f == lockMassFunction) continue;
    (void)isCalibrated(f, bCalibrated);
    if (index->isValid(f, 0)) bCalibrated = index->isCalibrated(f, 0) && bCalibrated;
  }
  return ZVRAW_OK;
}

// Without a reference function every function is tested.
int ZVRawDataClusterImp::isCalibratedOmitLockmass(bool& bCalibrated) const {
  unsigned int function = 0, scans = 0;
  bool present = false;
  if (getLumaventInfo(function, present, scans) != ZVRAW_OK || !present) function = m_nFunctionCount;
  return isCalibratedOmitLockmass(function, bCalibrated);
}

int ZVRawDataClusterImp::validScanRange(const unsigned int& nFuncNum, const unsigned int& startScan,
                                        const unsigned int& endScan) const {
  unsigned int scans = 0;
  if (int rc = getTotalScans(nFuncNum, scans); rc != ZVRAW_OK) return rc;
  return startScan <= endScan && endScan < scans ? ZVRAW_OK : ZVRAW_SCANRANGE_INVALID;
}

int ZVRawDataClusterImp::validDriftRange(const unsigned int& nFuncNum, const unsigned int& startDrift,
                                         const unsigned int& endDrift) const {
  unsigned int bins = 0;
  if (int rc = getTotalDriftScans(nFuncNum, bins); rc != ZVRAW_OK) return rc;
  return startDrift <= endDrift && endDrift < bins ? ZVRAW_OK : ZVRAW_DRIFTRANGE_INVALID;
}

// ---- scanning-quadrupole calibration; 63 without one ----

int ZVRawDataClusterImp::getPrecursormassRangeToIndices(unsigned int, float startMass, float endMass, int& nStartIndex,
                                                        int& nEndIndex) const {
  if (!m_pDataInfo || !m_pDataInfo->m_pVeskoCalibration) return ZVRAW_VESKO_CALIBRATION_INVALID;
  ZVRawVeskoCalibration& calibration = *m_pDataInfo->m_pVeskoCalibration;
  const int rc = calibration.MassToIndex(0, VeskoPos::START, startMass, nStartIndex);
  if (rc != ZVRAW_OK) return rc;
  return calibration.MassToIndex(0, VeskoPos::END, endMass, nEndIndex);
}

int ZVRawDataClusterImp::getPrecursorMass(unsigned int, int whichIndex, float& mass) const {
  if (!m_pDataInfo || !m_pDataInfo->m_pVeskoCalibration) return ZVRAW_VESKO_CALIBRATION_INVALID;
  double value = 0.0;
  const int rc = m_pDataInfo->m_pVeskoCalibration->GetPrecursorMass(0, whichIndex, value);
  mass = static_cast<float>(value);
  return rc;
}

int ZVRawDataClusterImp::getIndexPrecursorMassRange(unsigned int nFuncNum, int whichIndex, float& startMass,
                                                    float& endMass) const {
  ZVRawVeskoCalibration calibration;
  if (int rc = getVeskoCalibration(calibration); rc != ZVRAW_OK) return rc;
  return calibration.IndexPrecursorMassRange(static_cast<int>(nFuncNum), whichIndex, whichIndex, startMass, endMass);
}

// Over every drift bin of the function; a function without drift bins has
// no range to give.
int ZVRawDataClusterImp::getPrecursorMassRange(unsigned int nFuncNum, float& startMass, float& endMass) const {
  ZVRawVeskoCalibration calibration;
  if (int rc = getVeskoCalibration(calibration); rc != ZVRAW_OK) return rc;
  unsigned int bins = 0;
  if (int rc = getTotalDriftScans(nFuncNum, bins); rc != ZVRAW_OK) return rc;
  if (bins == 0) return ZVRAW_DRIFTRANGE_INVALID;
  return calibration.IndexPrecursorMassRange(static_cast<int>(nFuncNum), 0, static_cast<int>(bins - 1), startMass,
                                             endMass);
}
