#include "api/ProcessParametersImp.h"

#include <algorithm>

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

using Vardex::Lib::ZorvalenRaw::guarded;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ProcessParametersImp;
using Vardex::Lib::ZorvalenRaw::toHandle;

ZV_API int createParameters(CZorvalenParameters* pParameters) {
  if (pParameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pParameters = nullptr;
  return guarded([&] {
    *pParameters = toHandle(new ProcessParametersImp());
    return ZVRAW_OK;
  });
}

ZV_API int createParametersFromParameters(CZorvalenParameters source, CZorvalenParameters* pParameters) {
  if (pParameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pParameters = nullptr;
  return guarded([&] {
    const auto* from = handleCast<ProcessParametersImp>(source);
    if (from == nullptr) return ZVRAW_NULL_PARAMETERS;
    *pParameters = toHandle(new ProcessParametersImp(*from));
    return ZVRAW_OK;
  });
}

ZV_API int destroyParameters(CZorvalenParameters parameters) {
  return Vardex::Lib::ZorvalenRaw::destroyHandle<ProcessParametersImp>(parameters, ZVRAW_NULL_PARAMETERS);
}

ZV_API int setParameterValue(CZorvalenParameters parameters, int key, const char* value) {
  return guarded([&] {
    auto* p = handleCast<ProcessParametersImp>(parameters);
    if (p == nullptr || value == nullptr) return ZVRAW_NULL_PARAMETERS;
    p->SetValue(key, value);
    return ZVRAW_OK;
  });
}

ZV_API int getParameterValue(CZorvalenParameters parameters, int key, char** value) {
  return guarded([&] {
    auto* p = handleCast<ProcessParametersImp>(parameters);
    if (p == nullptr || value == nullptr) return ZVRAW_NULL_PARAMETERS;
    return p->GetValue(key, value);
  });
}

ZV_API int getParameterKeys(CZorvalenParameters parameters, int** keys, int* count) {
  return guarded([&] {
    auto* p = handleCast<ProcessParametersImp>(parameters);
    if (p == nullptr || keys == nullptr || count == nullptr) return ZVRAW_NULL_PARAMETERS;
    return p->GetKeys(*keys, *count);
  });
}
