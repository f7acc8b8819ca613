#include "acquisition/ProfileKeys.h"

#include "acquisition/DrivePaths.h"
#include "api/ProcessParametersImp.h"
#include "formats/portability/IniFileUtil.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

int readMappedIniFile(std::string_view path, IniFileUtil& ini) {
  const auto mapped = mapDrivePath(path);
  ini.SetFilename(mapped.value_or(std::string()));
  return mapped ? ini.Read() : ZVRAW_INIFILE_OPEN_ERROR;
}

void storeFoundValues(const IniFileUtil& ini, const ProfileKeyTable& table, ProcessParametersImp& set) {
  for (const auto& [sectionKey, item] : table) {
    const auto [found, value] = ini.Get(sectionKey.first, sectionKey.second);
    if (found) set.SetValue(item, value);
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
