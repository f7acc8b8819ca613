// The scan reads of the C interface: each checks its reader and outputs,
// then calls one method of the scan reader.

#include "api/ZorvalenRawScanReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

template <class Body>
int onScanReader(CZorvalenBaseReader reader, bool outputsGiven, Body&& body) noexcept {
  return callHandle<ZorvalenRawScanReaderImp>(reader, ZVRAW_READER_NOT_DEFINED, outputsGiven,
                                              std::forward<Body>(body));
}

}  // namespace

ZV_API int readScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses, float** ppIntensities,
                    int* pnSize) {
  return onScanReader(reader, allGiven(ppMasses, ppIntensities, pnSize), [&](ZorvalenRawScanReaderImp& r) {
    return r.ReadScan(nFunction, nScan, *ppMasses, *ppIntensities, *pnSize);
  });
}

ZV_API int readScanFlags(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                         float** ppIntensities, char** ppFlags, int* pnSize) {
  return onScanReader(reader, allGiven(ppMasses, ppIntensities, ppFlags, pnSize), [&](ZorvalenRawScanReaderImp& r) {
    return r.ReadScan(nFunction, nScan, *ppMasses, *ppIntensities, *ppFlags, *pnSize);
  });
}

ZV_API int readProductScan(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses,
                           float** ppIntensities, float** ppProductMasses, int* pnSize, int* pnProductSize) {
  const bool given = allGiven(ppMasses, ppIntensities, ppProductMasses, pnSize, pnProductSize);
  return onScanReader(reader, given, [&](ZorvalenRawScanReaderImp& r) {
    return r.ReadScan(nFunction, nScan, *ppMasses, *ppIntensities, *ppProductMasses, *pnSize, *pnProductSize);
  });
}

ZV_API int readDriftScan(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift, float** ppMasses,
                         float** ppIntensities, int* pnSize) {
  return onScanReader(reader, allGiven(ppMasses, ppIntensities, pnSize), [&](ZorvalenRawScanReaderImp& r) {
    return r.ReadScan(nFunction, nScan, nDrift, *ppMasses, *ppIntensities, *pnSize);
  });
}

ZV_API int readDriftScanIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift, int** ppMassIndices,
                              float** ppIntensities, int* pnSize) {
  return onScanReader(reader, allGiven(ppMassIndices, ppIntensities, pnSize), [&](ZorvalenRawScanReaderImp& r) {
    return r.ReadScan(nFunction, nScan, nDrift, *ppMassIndices, *ppIntensities, *pnSize);
  });
}

ZV_API int readDriftScanFlagsIndex(CZorvalenBaseReader reader, int nFunction, int nScan, int nDrift,
                                   int** ppMassIndices, float** ppIntensities, char** ppFlags, int* pnSize) {
  const bool given = allGiven(ppMassIndices, ppIntensities, ppFlags, pnSize);
  return onScanReader(reader, given, [&](ZorvalenRawScanReaderImp& r) {
    return r.ReadScan(nFunction, nScan, nDrift, *ppMassIndices, *ppIntensities, *ppFlags, *pnSize);
  });
}

ZV_API int getDriftMassScale(CZorvalenBaseReader reader, int nFunction, int nScan, float** ppMasses, int* pnSize,
                             int* pnOffset) {
  return onScanReader(reader, allGiven(ppMasses, pnSize, pnOffset), [&](ZorvalenRawScanReaderImp& r) {
    return r.GetMassScale(nFunction, nScan, *ppMasses, *pnSize, *pnOffset);
  });
}
