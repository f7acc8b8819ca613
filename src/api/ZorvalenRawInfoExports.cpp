// The information queries of the C interface: each checks its reader and
// outputs, then calls one method of the information reader.

#include <memory>

#include "api/ProcessParametersImp.h"
#include "api/ZorvalenRawInfoImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

template <class Body>
int onInfoReader(CZorvalenBaseReader reader, bool outputsGiven, Body&& body) noexcept {
  return callHandle<ZorvalenRawInfoImp>(reader, ZVRAW_READER_NOT_DEFINED, outputsGiven, std::forward<Body>(body));
}

// A query that fills a parameter set: 59 for the reader first, then 79 for a
// null or other-kind set.
template <class Body>
int onInfoReaderWithSet(CZorvalenBaseReader reader, CZorvalenParameters parameters, Body&& body) noexcept {
  auto* set = handleCast<ProcessParametersImp>(parameters);
  return onInfoReader(reader, set != nullptr, [&](ZorvalenRawInfoImp& r) { return body(r, *set); });
}

}  // namespace

ZV_API int getFunctionCount(CZorvalenBaseReader reader, unsigned int* pnCount) {
  return onInfoReader(reader, allGiven(pnCount), [&](ZorvalenRawInfoImp& r) { return r.GetFunctionCount(*pnCount); });
}

ZV_API int getScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnScans) {
  return onInfoReader(reader, allGiven(pnScans),
                      [&](ZorvalenRawInfoImp& r) { return r.GetScansInFunction(nFunction, *pnScans); });
}

ZV_API int getDriftScanCount(CZorvalenBaseReader reader, int nFunction, unsigned int* pnDrifts) {
  return onInfoReader(reader, allGiven(pnDrifts),
                      [&](ZorvalenRawInfoImp& r) { return r.GetDriftScansInFunction(nFunction, *pnDrifts); });
}

ZV_API int getAcquisitionMassRange(CZorvalenBaseReader reader, int nFunction, int nMRM, float* pfLow, float* pfHigh) {
  return onInfoReader(reader, allGiven(pfLow, pfHigh), [&](ZorvalenRawInfoImp& r) {
    return r.GetAcquisitionMassRange(nFunction, nMRM, *pfLow, *pfHigh);
  });
}

ZV_API int getAcquisitionTimeRange(CZorvalenBaseReader reader, int nFunction, float* pfStart, float* pfEnd) {
  return onInfoReader(reader, allGiven(pfStart, pfEnd), [&](ZorvalenRawInfoImp& r) {
    return r.GetAcquisitionTimeRange(nFunction, *pfStart, *pfEnd);
  });
}

ZV_API int getFunctionType(CZorvalenBaseReader reader, int nFunction, ZorvalenFunctionType* pType) {
  return onInfoReader(reader, allGiven(pType), [&](ZorvalenRawInfoImp& r) { return r.GetFunctionType(nFunction, *pType); });
}

ZV_API int getFunctionTypeString(CZorvalenBaseReader reader, ZorvalenFunctionType type, char** ppText) {
  return onInfoReader(reader, allGiven(ppText),
                      [&](ZorvalenRawInfoImp& r) { return r.GetFunctionTypeString(type, *ppText); });
}

ZV_API int isContinuum(CZorvalenBaseReader reader, int nFunction, bool* pbContinuum) {
  return onInfoReader(reader, allGiven(pbContinuum),
                      [&](ZorvalenRawInfoImp& r) { return r.GetIsContinuumFunction(nFunction, *pbContinuum); });
}

ZV_API int getIonMode(CZorvalenBaseReader reader, int nFunction, ZorvalenIonMode* pMode) {
  return onInfoReader(reader, allGiven(pMode), [&](ZorvalenRawInfoImp& r) { return r.GetIonMode(nFunction, *pMode); });
}

ZV_API int getIonModeString(CZorvalenBaseReader reader, ZorvalenIonMode mode, char** ppText) {
  return onInfoReader(reader, allGiven(ppText), [&](ZorvalenRawInfoImp& r) { return r.GetIonModeString(mode, *ppText); });
}

ZV_API int getRetentionTime(CZorvalenBaseReader reader, int nFunction, int nScan, float* pfRT) {
  return onInfoReader(reader, allGiven(pfRT),
                      [&](ZorvalenRawInfoImp& r) { return r.GetRetentionTime(nFunction, nScan, *pfRT); });
}

ZV_API int getMRMCount(CZorvalenBaseReader reader, int nFunction, int* pnCount) {
  return onInfoReader(reader, allGiven(pnCount),
                      [&](ZorvalenRawInfoImp& r) { return r.GetMRMsInFunction(nFunction, *pnCount); });
}

ZV_API int getScanRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fRTStart, float fRTEnd,
                                     int* pnFirstScan, int* pnLastScan) {
  return onInfoReader(reader, allGiven(pnFirstScan, pnLastScan), [&](ZorvalenRawInfoImp& r) {
    return r.GetScanRangeFromTime(nFunction, fRTStart, fRTEnd, *pnFirstScan, *pnLastScan);
  });
}

ZV_API int getLockMassFunction(CZorvalenBaseReader reader, bool* pbPresent, int* pnFunction) {
  return onInfoReader(reader, allGiven(pbPresent, pnFunction),
                      [&](ZorvalenRawInfoImp& r) { return r.IsLumaventAcquisition(*pbPresent, *pnFunction); });
}

ZV_API int getIndexRange(CZorvalenBaseReader reader, int nFunction, float fPrecursorMass, float fTolerance,
                         int* pnFirstIndex, int* pnLastIndex) {
  return onInfoReader(reader, allGiven(pnFirstIndex, pnLastIndex), [&](ZorvalenRawInfoImp& r) {
    return r.GetIndexRange(nFunction, fPrecursorMass, fTolerance, *pnFirstIndex, *pnLastIndex);
  });
}

ZV_API int getPrecursorMass(CZorvalenBaseReader reader, int nFunction, int nIndex, float* pfMass) {
  return onInfoReader(reader, allGiven(pfMass),
                      [&](ZorvalenRawInfoImp& r) { return r.GetPrecursorMass(nFunction, nIndex, *pfMass); });
}

ZV_API int getFunctionPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, float* pfStart, float* pfEnd) {
  return onInfoReader(reader, allGiven(pfStart, pfEnd),
                      [&](ZorvalenRawInfoImp& r) { return r.GetPrecursorMassRange(nFunction, *pfStart, *pfEnd); });
}

ZV_API int getIndexPrecursorMassRange(CZorvalenBaseReader reader, int nFunction, int nIndex, float* pfStart,
                                      float* pfEnd) {
  return onInfoReader(reader, allGiven(pfStart, pfEnd), [&](ZorvalenRawInfoImp& r) {
    return r.GetIndexPrecursorMassRange(nFunction, nIndex, *pfStart, *pfEnd);
  });
}

ZV_API int getCollisionalCrossSection(CZorvalenBaseReader reader, float fDriftTime, float fMass, int nCharge,
                                      float* pfCrossSection) {
  return onInfoReader(reader, allGiven(pfCrossSection), [&](ZorvalenRawInfoImp& r) {
    return r.GetCollisionalCrossSection(fDriftTime, fMass, nCharge, *pfCrossSection);
  });
}

ZV_API int getDriftTime_CCS(CZorvalenBaseReader reader, float fCrossSection, float fMass, int nCharge,
                            float* pfDriftTime) {
  return onInfoReader(reader, allGiven(pfDriftTime), [&](ZorvalenRawInfoImp& r) {
    return r.GetDriftTime(fCrossSection, fMass, nCharge, *pfDriftTime);
  });
}

ZV_API int getHeaderItemValue(CZorvalenBaseReader reader, const ZorvalenHeaderItem* pItems, int nCount,
                              CZorvalenParameters parameters) {
  return onInfoReaderWithSet(reader, parameters, [&](ZorvalenRawInfoImp& r, ProcessParametersImp& set) {
    return r.getHeaderItemValue(pItems, nCount, set);
  });
}

ZV_API int getScanItemName(CZorvalenBaseReader reader, const ZorvalenScanItem* pItems, int nCount,
                           CZorvalenParameters parameters) {
  return onInfoReaderWithSet(reader, parameters, [&](ZorvalenRawInfoImp& r, ProcessParametersImp& set) {
    return r.getStatsName(pItems, nCount, set);
  });
}

ZV_API int getScanItemValue(CZorvalenBaseReader reader, int nFunction, int nScan, const ZorvalenScanItem* pItems,
                            int nCount, CZorvalenParameters parameters) {
  return onInfoReaderWithSet(reader, parameters, [&](ZorvalenRawInfoImp& r, ProcessParametersImp& set) {
    return r.getScanItemValue(nFunction, nScan, pItems, nCount, set);
  });
}

ZV_API int getScanItemsInFunction(CZorvalenBaseReader reader, int nFunction, CZorvalenParameters parameters) {
  return onInfoReaderWithSet(reader, parameters, [&](ZorvalenRawInfoImp& r, ProcessParametersImp& set) {
    return r.getScanItemsInFunction(nFunction, set);
  });
}

ZV_API int getDriftTime(CZorvalenBaseReader reader, int nDrift, float* pfDriftTime) {
  return onInfoReader(reader, allGiven(pfDriftTime),
                      [&](ZorvalenRawInfoImp& r) { return r.GetDriftTime(nDrift, *pfDriftTime); });
}

ZV_API int getDriftRangeFromTimeRange(CZorvalenBaseReader reader, int nFunction, float fDTStart, float fDTEnd,
                                      int* pnFirstBin, int* pnLastBin) {
  return onInfoReader(reader, allGiven(pnFirstBin, pnLastBin), [&](ZorvalenRawInfoImp& r) {
    return r.GetDriftRangeFromTime(nFunction, fDTStart, fDTEnd, *pnFirstBin, *pnLastBin);
  });
}

ZV_API int getAcquisitionInfo(CZorvalenBaseReader reader, CZorvalenParameters parameters) {
  return onInfoReaderWithSet(reader, parameters, [&](ZorvalenRawInfoImp& r, ProcessParametersImp& set) {
    return r.GetAcquisitionInfo(set);
  });
}

ZV_API int canLockMassCorrect(CZorvalenBaseReader reader, bool* pbCan) {
  return onInfoReader(reader, allGiven(pbCan), [&](ZorvalenRawInfoImp& r) { return r.CanLockMassCorrect(*pbCan); });
}

ZV_API int isLockMassCorrected(CZorvalenBaseReader reader, bool* pbApplied) {
  return onInfoReader(reader, allGiven(pbApplied),
                      [&](ZorvalenRawInfoImp& r) { return r.IsLockMassCorrected(*pbApplied); });
}
