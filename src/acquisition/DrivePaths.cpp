#include "acquisition/DrivePaths.h"

#include <algorithm>
#include <cstdlib>

namespace Vardex::Lib::ZorvalenRaw {

namespace {

bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::optional<std::string> mapDrivePath(std::string_view path) {
  std::string rest;
  std::string mapped;
  if (path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':') {
    const std::string variable = std::string("ZORVALEN_DRIVE_") + upperAscii(path[0]);
    const char* folder = std::getenv(variable.c_str());
    if (folder == nullptr || *folder == '\0') return std::nullopt;
    mapped = folder;
    rest = path.substr(2);
  } else {
    rest = path;
  }
  std::replace(rest.begin(), rest.end(), '\\', '/');
  // "c:x" is x on drive c: one separator between the drive's folder and the rest.
  if (!mapped.empty() && !rest.empty()) {
    if (mapped.back() == '/' && rest.front() == '/') rest.erase(0, 1);
    else if (mapped.back() != '/' && rest.front() != '/') mapped += '/';
  }
  return mapped + rest;
}

std::string_view lastComponent(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace Vardex::Lib::ZorvalenRaw
