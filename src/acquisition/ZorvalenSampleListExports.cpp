// The sample-list functions of the C interface.

#include <memory>

#include "acquisition/ZorvalenSampleListImp.h"
#include "api/ProcessParametersImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A null or other-kind handle and a missing input or output all give 79.
template <class Body>
int onSampleList(CZorvalenSampleList sampleList, bool given, Body&& body) noexcept {
  return callHandle<ZorvalenSampleListImp>(sampleList, ZVRAW_NULL_PARAMETERS, given, std::forward<Body>(body));
}

}  // namespace

ZV_API int createSampleList(CZorvalenSampleList* pSampleList) {
  if (pSampleList == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pSampleList = nullptr;
  return guarded([&] {
    *pSampleList = toHandle(std::make_unique<ZorvalenSampleListImp>());
    return ZVRAW_OK;
  });
}

ZV_API int destroySampleList(CZorvalenSampleList sampleList) {
  return destroyHandle<ZorvalenSampleListImp>(sampleList, ZVRAW_NULL_PARAMETERS);
}

ZV_API int addSampleListRow(CZorvalenSampleList sampleList, CZorvalenParameters row) {
  const auto* set = handleCast<ProcessParametersImp>(row);
  return onSampleList(sampleList, set != nullptr,
                      [&](ZorvalenSampleListImp& list) { return list.Add(set->GetParameters()); });
}

ZV_API int sampleListToString(CZorvalenSampleList sampleList, char** ppText) {
  return onSampleList(sampleList, ppText != nullptr,
                      [&](ZorvalenSampleListImp& list) { return list.ToString(*ppText); });
}
