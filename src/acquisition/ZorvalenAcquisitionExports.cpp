// The acquisition queries of the C interface: each checks its handle, sets
// and outputs, then calls one method of the acquisition object.

#include <memory>
#include <string>

#include "acquisition/ZorvalenAcquisitionImp.h"
#include "api/ProcessParametersImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A null or other-kind handle and a missing input or output all give 79.
template <class Body>
int onAcquisition(CZorvalenAcquisition acquisition, bool given, Body&& body) noexcept {
  return callHandle<ZorvalenAcquisitionImp>(acquisition, ZVRAW_NULL_PARAMETERS, given, std::forward<Body>(body));
}

// Null for a null set or a handle of another kind.
ProcessParametersImp* parametersOf(CZorvalenParameters parameters) {
  return handleCast<ProcessParametersImp>(parameters);
}

using PathSetter = void (ZorvalenAcquisitionImp::*)(const std::string&);
using PathGetter = std::string (ZorvalenAcquisitionImp::*)() const;

int replacePath(CZorvalenAcquisition acquisition, const char* path, PathSetter set) {
  return onAcquisition(acquisition, path != nullptr, [&](ZorvalenAcquisitionImp& a) {
    (a.*set)(path);
    return ZVRAW_OK;
  });
}

// The path's text under key 0 of the set; its other keys stay.
int reportPath(CZorvalenAcquisition acquisition, CZorvalenParameters parameters, PathGetter get) {
  ProcessParametersImp* set = parametersOf(parameters);
  return onAcquisition(acquisition, set != nullptr, [&](ZorvalenAcquisitionImp& a) {
    set->SetValue(0, (a.*get)());
    return ZVRAW_OK;
  });
}

}  // namespace

ZV_API int createAcquisition(CZorvalenAcquisition* pAcquisition) {
  if (pAcquisition == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pAcquisition = nullptr;
  return guarded([&] {
    auto acquisition = std::make_unique<ZorvalenAcquisitionImp>();
    (void)acquisition->Initialise();
    *pAcquisition = toHandle(acquisition.release());
    return ZVRAW_OK;
  });
}

ZV_API int destroyAcquisition(CZorvalenAcquisition acquisition) {
  return destroyHandle<ZorvalenAcquisitionImp>(acquisition, ZVRAW_NULL_PARAMETERS);
}

ZV_API int setStatusIniFile(CZorvalenAcquisition acquisition, const char* path) {
  return replacePath(acquisition, path, &ZorvalenAcquisitionImp::SetStatusFilename);
}

ZV_API int getStatusIniFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters) {
  return reportPath(acquisition, parameters, &ZorvalenAcquisitionImp::GetStatusFilename);
}

ZV_API int getStatus(CZorvalenAcquisition acquisition, CZorvalenParameters status, CZorvalenParameters queue) {
  return onAcquisition(acquisition, true, [&](ZorvalenAcquisitionImp& a) {
    return a.ReadStatus(parametersOf(status), parametersOf(queue));
  });
}

ZV_API int setZorvalenInjectionFile(CZorvalenAcquisition acquisition, const char* path) {
  return replacePath(acquisition, path, &ZorvalenAcquisitionImp::SetInjectionFilename);
}

ZV_API int getZorvalenInjectionFile(CZorvalenAcquisition acquisition, CZorvalenParameters parameters) {
  return reportPath(acquisition, parameters, &ZorvalenAcquisitionImp::GetInjectionFilename);
}

ZV_API int getZorvalenInjection(CZorvalenAcquisition acquisition, CZorvalenParameters parameters) {
  return onAcquisition(acquisition, true,
                       [&](ZorvalenAcquisitionImp& a) { return a.ReadInjection(parametersOf(parameters)); });
}

ZV_API int getSampleListStatus(CZorvalenAcquisition acquisition, const char* path, PendrakeStatus* pStatus) {
  return onAcquisition(acquisition, allGiven(path, pStatus),
                       [&](ZorvalenAcquisitionImp& a) { return a.GetSampleListStatus(path, *pStatus); });
}

// A null set keeps the monitor's own answer, 1.
ZV_API int getPendrakeSettings(CZorvalenAcquisition acquisition, CZorvalenParameters parameters) {
  return onAcquisition(acquisition, true,
                       [&](ZorvalenAcquisitionImp& a) { return a.GetPendrakeSettings(parametersOf(parameters)); });
}

ZV_API int getPendrakeStatus(CZorvalenAcquisition acquisition, PendrakeStatus* pStatus) {
  return onAcquisition(acquisition, allGiven(pStatus),
                       [&](ZorvalenAcquisitionImp& a) { return a.GetPendrakeStatus(*pStatus); });
}

ZV_API int abortPendrake(CZorvalenAcquisition acquisition, bool bAbort) {
  return onAcquisition(acquisition, true, [&](ZorvalenAcquisitionImp& a) { return a.PendrakeAbort(bAbort); });
}
