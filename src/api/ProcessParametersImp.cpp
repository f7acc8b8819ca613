#include "api/ProcessParametersImp.h"

#include <algorithm>
#include <memory>

#include "zorvalen/ZorvalenRaw.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

template <class T, class Convert>
int readAs(std::string_view text, T& value, Convert convert) {
  const std::optional<T> v = convert(text);
  if (!v) return ZVRAW_PARAMETER_INVALID;
  value = *v;
  return ZVRAW_OK;
}

}  // namespace

ProcessParametersImp::ProcessParametersImp(const ProcessParametersImp& other)
    : HandleObject(HandleKind::Parameters), m_pParameters(other.m_pParameters) {}

int ProcessParametersImp::GetValue(int key, char** out) {
  *out = GetStringMemory(GetValue(key));  // a typed set answers through its own GetValue
  return ZVRAW_OK;
}

int ProcessParametersImp::GetKeys(int*& keys, int& count) {
  _keys = m_pParameters.GetSetKeys();
  keys = _keys.data();
  count = static_cast<int>(_keys.size());
  return ZVRAW_OK;
}

int ProcessParametersImp::ReadInt(std::string_view text, int& value) { return readAs(text, value, StringToInt); }

int ProcessParametersImp::ReadFloat(std::string_view text, float& value) { return readAs(text, value, StringToFloat); }

int ProcessParametersImp::RequireKeys(std::initializer_list<int> keys) const {
  const bool all = std::ranges::all_of(keys, [this](int key) { return IsValueSet(key); });
  return all ? ZVRAW_OK : ZVRAW_PARAMETER_MISSING;
}

}  // namespace Vardex::Lib::ZorvalenRaw

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A null or other-kind handle and a missing input or output all give 79.
template <class Body>
int onParameters(CZorvalenParameters parameters, bool given, Body&& body) noexcept {
  return callHandle<ProcessParametersImp>(parameters, ZVRAW_NULL_PARAMETERS, given, std::forward<Body>(body));
}

}  // namespace

ZV_API int createParameters(CZorvalenParameters* pParameters) {
  if (pParameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pParameters = nullptr;
  return guarded([&] {
    *pParameters = toHandle(std::make_unique<ProcessParametersImp>());
    return ZVRAW_OK;
  });
}

ZV_API int createParametersFromParameters(CZorvalenParameters source, CZorvalenParameters* pParameters) {
  if (pParameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pParameters = nullptr;
  return guarded([&] {
    const auto* from = handleCast<ProcessParametersImp>(source);
    if (from == nullptr) return ZVRAW_NULL_PARAMETERS;
    *pParameters = toHandle(std::make_unique<ProcessParametersImp>(*from));
    return ZVRAW_OK;
  });
}

ZV_API int destroyParameters(CZorvalenParameters parameters) {
  return destroyHandle<ProcessParametersImp>(parameters, ZVRAW_NULL_PARAMETERS);
}

ZV_API int setParameterValue(CZorvalenParameters parameters, int key, const char* value) {
  return onParameters(parameters, value != nullptr, [&](ProcessParametersImp& p) {
    p.SetValue(key, value);
    return ZVRAW_OK;
  });
}

ZV_API int getParameterValue(CZorvalenParameters parameters, int key, char** value) {
  return onParameters(parameters, value != nullptr, [&](ProcessParametersImp& p) { return p.GetValue(key, value); });
}

ZV_API int getParameterKeys(CZorvalenParameters parameters, int** keys, int* count) {
  return onParameters(parameters, allGiven(keys, count),
                      [&](ProcessParametersImp& p) { return p.GetKeys(*keys, *count); });
}
