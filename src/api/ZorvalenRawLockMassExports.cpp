// Lock-mass correction of the C interface: each export checks its
// processor, parameter set and outputs, then calls one method of the
// lock-mass processor.

#include "api/ZorvalenRawLockMassReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

template <class Body>
int onLockMass(CZorvalenBaseProcessor processor, bool given, Body&& body) noexcept {
  return callProcessor<ZorvalenRawLockMassReaderImp>(processor, given, std::forward<Body>(body));
}

template <class Body>
int withSet(CZorvalenBaseProcessor processor, CZorvalenParameters parameters, Body&& body) noexcept {
  return callProcessorWithSet<ZorvalenRawLockMassReaderImp>(processor, parameters, std::forward<Body>(body));
}

}  // namespace

ZV_API int lockMassCorrect(CZorvalenBaseProcessor processor, bool* pbApplied) {
  return onLockMass(processor, pbApplied != nullptr,
                    [&](ZorvalenRawLockMassReaderImp& p) { return p.lockMassCorrect(*pbApplied); });
}

ZV_API int autoLockMassCorrect(CZorvalenBaseProcessor processor, bool bForce, bool* pbApplied) {
  return onLockMass(processor, pbApplied != nullptr,
                    [&](ZorvalenRawLockMassReaderImp& p) { return p.autoLockMassCorrect(bForce, *pbApplied); });
}

ZV_API int removeLockMassCorrection(CZorvalenBaseProcessor processor) {
  return onLockMass(processor, true, [](ZorvalenRawLockMassReaderImp& p) { return p.removeLockMassCorrection(); });
}

ZV_API int getLockMassCorrection(CZorvalenBaseProcessor processor, float fRetentionTime, float* pfGain) {
  return onLockMass(processor, pfGain != nullptr, [&](ZorvalenRawLockMassReaderImp& p) {
    return p.getLockMassCorrection(fRetentionTime, *pfGain);
  });
}

ZV_API int getLockMassCandidates(CZorvalenBaseProcessor processor, float** ppMasses, float** ppIntensities,
                                 int* pnCount) {
  return onLockMass(processor, allGiven(ppMasses, ppIntensities, pnCount), [&](ZorvalenRawLockMassReaderImp& p) {
    return p.getLockMassCandidates(*ppMasses, *ppIntensities, *pnCount);
  });
}

ZV_API int getLockMassValuesParams(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters, [](ZorvalenRawLockMassReaderImp& p, ProcessParametersImp& s) {
    return p.getLockMassValuesParams(s);
  });
}

ZV_API int setLockMassParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters, [](ZorvalenRawLockMassReaderImp& p, ProcessParametersImp& s) {
    return p.setLockMassParameters(s);
  });
}

ZV_API int getLockMassParameters(CZorvalenBaseProcessor processor, CZorvalenParameters parameters) {
  return withSet(processor, parameters, [](ZorvalenRawLockMassReaderImp& p, ProcessParametersImp& s) {
    return p.getLockMassParameters(s);
  });
}

ZV_API int LMP_canLockMassCorrect(CZorvalenBaseProcessor processor, int* pnCan) {
  return onLockMass(processor, pnCan != nullptr,
                    [&](ZorvalenRawLockMassReaderImp& p) { return p.canLockMassCorrect(*pnCan); });
}

ZV_API int LMP_isLockMassCorrected(CZorvalenBaseProcessor processor, int* pnApplied) {
  return onLockMass(processor, pnApplied != nullptr,
                    [&](ZorvalenRawLockMassReaderImp& p) { return p.isLockMassCorrected(*pnApplied); });
}
