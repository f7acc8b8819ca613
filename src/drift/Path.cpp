#include "drift/Path.h"

#include <cstdio>

#include "formats/portability/FileHandle.h"
#include "formats/portability/SysPaths.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

void Path::Append(const std::string& segment) {
  if (!path.empty() && path.back() != '/') path += '/';
  path += segment;
}

bool Path::Exists() const { return sysOpenFile(path, "rb", false) != nullptr; }

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
