#pragma once

// The object behind a CZorvalenParameters handle: a Parameters set plus the
// buffers that hold what the handle returns by pointer. Typed sets
// (smoothing, threshold, lock mass, scan statistics) derive from it and read
// its keys with the conversions below when the setting is used.

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/HandleObject.h"
#include "api/Parameters.h"
#include "api/StringHandler.h"

namespace Vardex::Lib::ZorvalenRaw {

class ProcessParametersImp : public HandleObject {
 public:
  ProcessParametersImp() : HandleObject(HandleKind::Parameters) {}
  // Copies the pairs only: the copy starts with no held text and no key list.
  ProcessParametersImp(const ProcessParametersImp& other);
  ProcessParametersImp& operator=(const ProcessParametersImp&) = delete;
  ~ProcessParametersImp() override = default;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Parameters; }

  void Clear() { m_pParameters.Clear(); }
  // Replaces every pair with those of parameters.
  void Set(const Parameters& parameters) { m_pParameters = parameters; }
  [[nodiscard]] const Parameters& GetParameters() const { return m_pParameters; }

  void SetValue(int key, const char* text) { m_pParameters.SetValue(key, text); }
  void SetValue(int key, const std::string& text) { m_pParameters.SetValue(key, text); }
  void SetValue(int key, int value) { m_pParameters.SetValue(key, value); }
  void SetValue(int key, bool value) { m_pParameters.SetValue(key, value); }
  void SetValue(int key, float value) { m_pParameters.SetValue(key, value); }

  [[nodiscard]] bool IsValueSet(int key) const { return m_pParameters.IsValueSet(key); }
  [[nodiscard]] virtual std::string GetValue(int key) const { return m_pParameters.GetValue(key); }
  [[nodiscard]] std::vector<int> GetSetKeys() const { return m_pParameters.GetSetKeys(); }

  // GetValue(key) (empty when unset) held by this handle until its next
  // GetValue of this form; its address goes to out. Returns 0.
  int GetValue(int key, char** out);
  // The ascending set keys held by this handle until its next GetKeys.
  // Returns 0.
  int GetKeys(int*& keys, int& count);

  // Holds text for the caller until the handle's next text-returning call.
  char* GetStringMemory(std::string_view text) { return holdText(m_StringHandler, text); }

  // The typed sets' conversions: none for text without a leading number or
  // one outside the type's range.
  [[nodiscard]] static std::optional<int> StringToInt(std::string_view text) { return leadingInt(text); }
  [[nodiscard]] static std::optional<float> StringToFloat(std::string_view text) { return leadingFloat(text); }
  // True exactly when the text reads as the integer 1.
  [[nodiscard]] static bool StringToBool(std::string_view text) { return StringToInt(text) == 1; }

  // The same conversions as result codes for the typed sets: 0, or 57
  // (ZVRAW_PARAMETER_INVALID) with value untouched when the text is not a number.
  [[nodiscard]] static int ReadInt(std::string_view text, int& value);
  [[nodiscard]] static int ReadFloat(std::string_view text, float& value);
  // 0 when every key is set, else 58 (ZVRAW_PARAMETER_MISSING).
  [[nodiscard]] int RequireKeys(std::initializer_list<int> keys) const;

 private:
  Parameters m_pParameters;
  std::unique_ptr<StringHandler> m_StringHandler;
  std::vector<int> _keys;
};

}  // namespace Vardex::Lib::ZorvalenRaw
