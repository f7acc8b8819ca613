#pragma once

// The workstation's settings store. On this system it is the profile file
// "settings.ini" in the folder named by the environment variable
// ZORVALEN_SETTINGS_DIR, one section per key path:
//
//   [software\Borealtek\Pendrake\Settings]   key path, any ASCII case
//   QueueDir=d:\queue                        value name, exact case
//   WaitBeforeSubmit=12
//
// The file is read on every call and never written. An unset or empty
// variable, a missing file, section or value name, or an empty value all
// answer "not found".

#include <string>

namespace Vardex::Lib::ZorvalenRaw {

class RegistryUtil {
 public:
  // True and value set when found; value is untouched otherwise.
  static bool TryReadRegistryString(const std::string& keyPath, const std::string& valueName, std::string& value);
  // As above, found only when the whole text is a decimal number within int.
  static bool TryReadRegistryInt(const std::string& keyPath, const std::string& valueName, int& value);
};

}  // namespace Vardex::Lib::ZorvalenRaw
