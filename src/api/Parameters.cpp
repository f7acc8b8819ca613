#include "api/Parameters.h"

#include <cerrno>
#include <cstdint>

#include "formats/portability/CLocale.h"
#include "formats/portability/TextNumbers.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {


// The converted text of key into out; false, out untouched, when the key is
// unset or its text does not convert.
template <class T, class Convert>
bool tryRead(const std::map<int, std::string>& values, int key, T& out, Convert convert) {
  const auto it = values.find(key);
  if (it == values.end()) return false;
  const std::optional<T> v = convert(it->second);
  if (!v) return false;
  out = *v;
  return true;
}

}  // namespace

std::optional<int> leadingInt(std::string_view text) { return zvraw::leadingInt(text, zvraw::IntOverflow::Refuse); }

std::optional<float> leadingFloat(std::string_view text) {
  const std::string copy(text);  // strtof needs a terminated text
  char* end = nullptr;
  errno = 0;
  const float value = zvraw::strtofC(copy.c_str(), &end);
  // The standard conversion refuses a result it had to round to infinity or
  // to zero; so do we, without throwing.
  if (end == copy.c_str() || errno == ERANGE) return std::nullopt;
  return value;
}

void Parameters::SetValue(int key, const std::string& text) { m_KeytoValue[key] = text; }

void Parameters::SetValue(int key, const char* text) {
  if (text != nullptr) m_KeytoValue[key] = text;
}

void Parameters::SetValue(int key, int value) { m_KeytoValue[key] = std::to_string(value); }
void Parameters::SetValue(int key, unsigned int value) { m_KeytoValue[key] = std::to_string(value); }
void Parameters::SetValue(int key, bool value) { m_KeytoValue[key] = value ? "1" : "0"; }
void Parameters::SetValue(int key, float value) { m_KeytoValue[key] = zvraw::formatC("%f", static_cast<double>(value)); }

bool Parameters::IsValueSet(int key) const { return m_KeytoValue.contains(key); }

std::string Parameters::GetValue(int key) const {
  const auto it = m_KeytoValue.find(key);
  return it == m_KeytoValue.end() ? std::string() : it->second;
}

bool Parameters::TryGetStringValue(int key, std::string& text) const {
  return tryRead(m_KeytoValue, key, text, [](std::string_view v) { return std::optional<std::string>(v); });
}

bool Parameters::TryGetIntValue(int key, int& value) const { return tryRead(m_KeytoValue, key, value, leadingInt); }

bool Parameters::TryGetFloatValue(int key, float& value) const {
  return tryRead(m_KeytoValue, key, value, leadingFloat);
}

bool Parameters::TryGetBoolValue(int key, bool& value) const {
  int v = 0;
  if (!TryGetIntValue(key, v) || (v != 0 && v != 1)) return false;
  value = v == 1;
  return true;
}

std::vector<int> Parameters::GetSetKeys() const {
  std::vector<int> keys;
  keys.reserve(m_KeytoValue.size());
  for (const auto& [key, text] : m_KeytoValue) keys.push_back(key);
  return keys;
}

bool Parameters::Copy(int key, Parameters& other) const {
  const auto it = m_KeytoValue.find(key);
  if (it == m_KeytoValue.end()) return false;
  other.m_KeytoValue[key] = it->second;
  return true;
}

}  // namespace Vardex::Lib::ZorvalenRaw
