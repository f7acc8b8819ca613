// The data-dependent walk of the C interface: each export checks its
// processor, parameter set and outputs, then calls one method of the
// data-dependent processor.

#include "api/ProcessParametersImp.h"
#include "api/ZorvalenRawDDAImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

template <class Body>
int onDDAProcessor(CZorvalenBaseProcessor processor, bool given, Body&& body) noexcept {
  return callProcessor<ZorvalenRawDDAImp>(processor, given, std::forward<Body>(body));
}

template <class Body>
int withSet(CZorvalenBaseProcessor processor, CZorvalenParameters parameters, Body&& body) noexcept {
  return callProcessorWithSet<ZorvalenRawDDAImp>(processor, parameters, std::forward<Body>(body));
}

}  // namespace

ZV_API int ddaGetScanCount(CZorvalenBaseProcessor processor, int* pnCount) {
  return onDDAProcessor(processor, allGiven(pnCount), [&](ZorvalenRawDDAImp& p) { return p.GetScanCount(*pnCount); });
}

ZV_API int ddaGetScanInfo(CZorvalenBaseProcessor processor, int nIndex, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [&](ZorvalenRawDDAImp& p, ProcessParametersImp& s) { return p.GetScanInfo(nIndex, &s); });
}

ZV_API int ddaGetScan(CZorvalenBaseProcessor processor, int nIndex, float** ppMasses, float** ppIntensities,
                      int* pnSize, CZorvalenParameters parameters) {
  auto* set = handleCast<ProcessParametersImp>(parameters);
  return onDDAProcessor(processor, set != nullptr && allGiven(ppMasses, ppIntensities, pnSize),
                        [&](ZorvalenRawDDAImp& p) { return p.GetScan(nIndex, *ppMasses, *ppIntensities, *pnSize, set); });
}

ZV_API int ddaGetNextScan(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities, int* pnSize,
                          CZorvalenParameters parameters, bool* pbNext) {
  auto* set = handleCast<ProcessParametersImp>(parameters);
  return onDDAProcessor(processor, set != nullptr && allGiven(ppMasses, ppIntensities, pnSize, pbNext),
                        [&](ZorvalenRawDDAImp& p) {
                          return p.GetNextScan(*ppMasses, *ppIntensities, *pnSize, set, *pbNext);
                        });
}

ZV_API int ddaResetScan(CZorvalenBaseProcessor processor) {
  return onDDAProcessor(processor, true, [](ZorvalenRawDDAImp& p) { return p.Reset(); });
}

ZV_API int setDDAParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenRawDDAImp& p, ProcessParametersImp& s) { return p.setParameters(s); });
}

ZV_API int getDDAParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters,
                 [](ZorvalenRawDDAImp& p, ProcessParametersImp& s) { return p.getParameters(s); });
}

ZV_API int setQuadIsolationWindowParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters, [](ZorvalenRawDDAImp& p, ProcessParametersImp& s) {
    return p.setQuadIsolationWindowParameters(s);
  });
}

ZV_API int getQuadIsolationWindowParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters, [](ZorvalenRawDDAImp& p, ProcessParametersImp& s) {
    return p.getQuadIsolationWindowParameters(s);
  });
}
