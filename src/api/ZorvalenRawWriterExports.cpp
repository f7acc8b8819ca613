// The writer functions of the C interface: one call each onto the writer.

#include <cstring>
#include <memory>

#include "api/ProcessParametersImp.h"
#include "api/ZorvalenRawWriterImp.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A null or other-kind writer and a missing parameter set give 79.
template <class Body>
int onWriter(CZorvalenRawWriter writer, bool given, Body&& body) noexcept {
  return callHandle<ZorvalenRawWriterImp>(writer, ZVRAW_NULL_PARAMETERS, given, std::forward<Body>(body));
}

const Parameters* setOf(CZorvalenParameters parameters) {
  const auto* set = handleCast<ProcessParametersImp>(parameters);
  return set != nullptr ? &set->GetParameters() : nullptr;
}

}  // namespace

ZV_API int createRawWriter(CZorvalenRawWriter* zvScanWriter, const char* pTarget) {
  if (zvScanWriter == nullptr) return ZVRAW_NULL_PARAMETERS;
  *zvScanWriter = nullptr;
  if (pTarget == nullptr) return ZVRAW_NULL_PARAMETERS;
  // The cluster keeps at most 255 bytes: a cut path could name another directory.
  if (strnlen(pTarget, zvraw::kMaxPathLength + 1) > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  return guarded([&] {
    auto writer = std::make_unique<ZorvalenRawWriterImp>();
    (void)writer->Initialise(pTarget);  // a failed preparation is returned by every later call
    *zvScanWriter = toHandle(writer.release());
    return ZVRAW_OK;
  });
}

ZV_API int destroyRawWriter(CZorvalenRawWriter zvRawWriter) {
  return destroyHandle<ZorvalenRawWriterImp>(zvRawWriter, ZVRAW_NULL_PARAMETERS);
}

ZV_API int appendRawFunction(CZorvalenRawWriter writer, CZorvalenParameters pParameters) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr, [&](ZorvalenRawWriterImp& w) { return w.AppendFunction(*set); });
}

ZV_API int appendRawFunctionWithStats(CZorvalenRawWriter writer, CZorvalenParameters pParameters,
                                      const ZorvalenScanItem* pStats, int size) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr,
                  [&](ZorvalenRawWriterImp& w) { return w.AppendFunction(*set, pStats, size); });
}

ZV_API int appendRawScan(CZorvalenRawWriter writer, const float* pMasses, const float* pIntensities, int nSize,
                         float fRT) {
  return onWriter(writer, true,
                  [&](ZorvalenRawWriterImp& w) { return w.AddScan(pMasses, pIntensities, nSize, fRT); });
}

ZV_API int appendRawScanWithStats(CZorvalenRawWriter writer, const float* pMasses, const float* pIntensities,
                                  int nSize, float fRT, CZorvalenParameters pParameters) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr,
                  [&](ZorvalenRawWriterImp& w) { return w.AddScan(pMasses, pIntensities, nSize, *set, fRT); });
}

ZV_API int appendCDTScanIndex(CZorvalenRawWriter writer, const unsigned int* massindex, const unsigned int* intensity,
                              unsigned int datasize, const unsigned int* scans, unsigned int scansize, float fRT) {
  return onWriter(writer, true, [&](ZorvalenRawWriterImp& w) {
    return w.AddScan(massindex, intensity, datasize, scans, scansize, fRT);
  });
}

ZV_API int appendCDTScanIndexWithStats(CZorvalenRawWriter writer, const unsigned int* massindex,
                                       const unsigned int* intensity, unsigned int datasize,
                                       const unsigned int* scans, unsigned int scansize, float fRT,
                                       CZorvalenParameters pParameters) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr, [&](ZorvalenRawWriterImp& w) {
    return w.AddScan(massindex, intensity, datasize, scans, scansize, fRT, set);
  });
}

ZV_API int appendCDTScan(CZorvalenRawWriter writer, const float* masses, const float* intensities,
                         unsigned int datasize, const unsigned int* scans, unsigned int scansize, float fRT) {
  return onWriter(writer, true, [&](ZorvalenRawWriterImp& w) {
    return w.AddScan(masses, intensities, datasize, scans, scansize, fRT);
  });
}

ZV_API int appendCDTScanWithStats(CZorvalenRawWriter writer, const float* masses, const float* intensities,
                                  unsigned int datasize, const unsigned int* scans, unsigned int scansize, float fRT,
                                  CZorvalenParameters pParameters) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr, [&](ZorvalenRawWriterImp& w) {
    return w.AddScan(masses, intensities, datasize, scans, scansize, fRT, set);
  });
}

ZV_API int setRawHeaderItems(CZorvalenRawWriter writer, CZorvalenParameters pParameters) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr, [&](ZorvalenRawWriterImp& w) { return w.SetHeader(*set); });
}

ZV_API int appendRawTrace(CZorvalenRawWriter writer, CZorvalenParameters pParameters, const float* pTimes,
                          const float* pIntensities, int nSize) {
  const Parameters* set = setOf(pParameters);
  return onWriter(writer, set != nullptr,
                  [&](ZorvalenRawWriterImp& w) { return w.AddTrace(*set, pTimes, pIntensities, nSize); });
}

ZV_API int flushRawWriter(CZorvalenRawWriter writer) {
  return onWriter(writer, true, [](ZorvalenRawWriterImp& w) { return w.Flush(); });
}

ZV_API int closeRawWriter(CZorvalenRawWriter writer) {
  return onWriter(writer, true, [](ZorvalenRawWriterImp& w) { return w.Close(); });
}
