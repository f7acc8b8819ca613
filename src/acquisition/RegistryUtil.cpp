#include "acquisition/RegistryUtil.h"

#include <charconv>
#include <cstdlib>

#include "formats/portability/PrivateProfile.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// The profile reader looks at lines in pieces of 255 bytes, so no value it
// returns is longer than this buffer holds.
constexpr int kValueBufferSize = 256;

std::string settingsFile() {
  const char* folder = std::getenv("ZORVALEN_SETTINGS_DIR");
  if (folder == nullptr || *folder == '\0') return {};
  std::string path = folder;
  if (path.back() != '/') path += '/';
  return path + "settings.ini";
}

}  // namespace

bool RegistryUtil::TryReadRegistryString(const std::string& keyPath, const std::string& valueName,
                                         std::string& value) {
  const std::string file = settingsFile();
  if (file.empty()) return false;
  char buffer[kValueBufferSize];
  if (sysGetPrivateProfileString(keyPath.c_str(), valueName.c_str(), "", buffer, kValueBufferSize, file.c_str()) != 0)
    return false;
  value = buffer;
  return true;
}

bool RegistryUtil::TryReadRegistryInt(const std::string& keyPath, const std::string& valueName, int& value) {
  std::string text;
  if (!TryReadRegistryString(keyPath, valueName, text)) return false;
  int number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, number);
  if (ec != std::errc() || stop != end) return false;
  value = number;
  return true;
}

}  // namespace Vardex::Lib::ZorvalenRaw
