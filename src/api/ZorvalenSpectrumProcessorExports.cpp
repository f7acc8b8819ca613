// The spectrum processing of the C interface: each export checks its
// processor, parameter set and outputs, then calls one method of the
// spectrum processor.

#include "api/ZorvalenSpectrumProcessorImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

template <class Body>
int onSpectrumProcessor(CZorvalenBaseProcessor processor, bool given, Body&& body) noexcept {
  return callProcessor<ZorvalenSpectrumProcessorImp>(processor, given, std::forward<Body>(body));
}

template <class Body>
int withSet(CZorvalenBaseProcessor processor, CZorvalenParameters parameters, Body&& body) noexcept {
  return callProcessorWithSet<ZorvalenSpectrumProcessorImp>(processor, parameters, std::forward<Body>(body));
}

}  // namespace

ZV_API int combineScan(CZorvalenBaseProcessor processor, int nFunction, int nFirstScan, int nLastScan) {
  return onSpectrumProcessor(processor, true, [&](ZorvalenSpectrumProcessorImp& p) {
    return p.combineScan(nFunction, nFirstScan, nLastScan);
  });
}

ZV_API int combineDriftScan(CZorvalenBaseProcessor processor, int nFunction, int nFirstScan, int nLastScan,
                            int nFirstDrift, int nLastDrift) {
  return onSpectrumProcessor(processor, true, [&](ZorvalenSpectrumProcessorImp& p) {
    return p.combineDriftScan(nFunction, nFirstScan, nLastScan, nFirstDrift, nLastDrift);
  });
}

ZV_API int setScan(CZorvalenBaseProcessor processor, const float* pfMasses, const float* pfIntensities, int nMassCount,
                   int nIntensityCount) {
  return onSpectrumProcessor(processor, true, [&](ZorvalenSpectrumProcessorImp& p) {
    return p.setScan(pfMasses, pfIntensities, nMassCount, nIntensityCount);
  });
}

ZV_API int getScan(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities, int* pnSize) {
  return onSpectrumProcessor(
      processor, allGiven(ppMasses, ppIntensities, pnSize),
      [&](ZorvalenSpectrumProcessorImp& p) { return p.getScan(*ppMasses, *ppIntensities, *pnSize); });
}

ZV_API int smoothScan(CZorvalenBaseProcessor processor) {
  return onSpectrumProcessor(processor, true, [](ZorvalenSpectrumProcessorImp& p) { return p.smoothScan(); });
}

ZV_API int setSmoothParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenSpectrumProcessorImp& p, ProcessParametersImp& s) { return p.setSmoothParameter(s); });
}

ZV_API int getSmoothParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenSpectrumProcessorImp& p, ProcessParametersImp& s) { return p.getSmoothParameter(s); });
}

ZV_API int centroidScan(CZorvalenBaseProcessor processor) {
  return onSpectrumProcessor(processor, true, [](ZorvalenSpectrumProcessorImp& p) { return p.centroidScan(); });
}

ZV_API int setCentroidParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenSpectrumProcessorImp& p, ProcessParametersImp& s) { return p.setCentroidParameter(s); });
}

ZV_API int getCentroidParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenSpectrumProcessorImp& p, ProcessParametersImp& s) { return p.getCentroidParameter(s); });
}

ZV_API int thresholdScan(CZorvalenBaseProcessor processor) {
  return onSpectrumProcessor(processor, true, [](ZorvalenSpectrumProcessorImp& p) { return p.thresholdScan(); });
}

ZV_API int setThresholdParameter(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenSpectrumProcessorImp& p, ProcessParametersImp& s) { return p.setThresholdParameter(s); });
}
