#include "drift/Path.h"

#include <cstdio>

#include "formats/portability/FileHandle.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

void Path::Append(const std::string& segment) {
  if (!path.empty() && path.back() != '/') path += '/';
  path += segment;
}

bool Path::Exists() const { return FilePtr(std::fopen(path.c_str(), "rb")) != nullptr; }

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
