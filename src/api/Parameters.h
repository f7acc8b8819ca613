#pragma once

// A set of text values under integer keys. Keys are values of the public
// enumerations, whose disjoint ranges let one set carry keys of several of
// them. Every value is text; the typed setters and readers convert.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Vardex::Lib::ZorvalenRaw {

// The leading decimal integer of text as the standard text-to-int reads it:
// white space skipped, an optional sign, digits up to the first non-digit,
// the rest ignored ("12.7" gives 12, "7 mm" 7, "0x10" 0). None when there are
// no digits or the number does not fit an int.
[[nodiscard]] std::optional<int> leadingInt(std::string_view text);

// The leading number of text as the standard text-to-float reads it, in the
// C locale ("1.5e3" gives 1500, "2,5" 2). None when there is no number or it
// lies outside the float range.
[[nodiscard]] std::optional<float> leadingFloat(std::string_view text);

class Parameters {
 public:
  Parameters() = default;
  Parameters(const Parameters&) = default;
  Parameters& operator=(const Parameters&) = default;
  virtual ~Parameters() = default;

  // Stored as given, byte for byte; a null text stores nothing.
  void SetValue(int key, const std::string& text);
  void SetValue(int key, const char* text);
  // Decimal text.
  void SetValue(int key, int value);
  void SetValue(int key, unsigned int value);
  // "1" or "0".
  void SetValue(int key, bool value);
  // "%f": six decimals of the single-precision value (0.1 gives "0.100000").
  void SetValue(int key, float value);

  // Whether the key holds a value; an empty text counts.
  [[nodiscard]] bool IsValueSet(int key) const;
  // The key's text; empty when unset.
  [[nodiscard]] std::string GetValue(int key) const;

  // Each stores into the out value and returns true only when the key is set
  // and its text converts; otherwise the out value is untouched.
  bool TryGetStringValue(int key, std::string& text) const;
  bool TryGetIntValue(int key, int& value) const;
  bool TryGetFloatValue(int key, float& value) const;
  // The integer 0 or 1 of TryGetIntValue ("1.0" reads as true).
  bool TryGetBoolValue(int key, bool& value) const;

  // The set keys in ascending order.
  [[nodiscard]] std::vector<int> GetSetKeys() const;
  void Clear() { m_KeytoValue.clear(); }
  // Stores this set's text of key in other; false when the key is unset.
  bool Copy(int key, Parameters& other) const;

 private:
  std::map<int, std::string> m_KeytoValue;
};

}  // namespace Vardex::Lib::ZorvalenRaw
