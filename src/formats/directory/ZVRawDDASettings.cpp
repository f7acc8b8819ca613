#include "formats/directory/ZVRawDDASettings.h"

#include <cerrno>
#include <filesystem>
#include <string_view>

#include "formats/portability/CLocale.h"
#include "formats/portability/IniFileUtil.h"
#include "formats/portability/SettingsFile.h"
#include "formats/portability/TextNumbers.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// Sets offset from the value when it begins with a number in float range.
void takeFloat(const std::tuple<bool, std::string>& entry, float& offset) {
  const auto& [found, text] = entry;
  if (!found) return;
  char* end = nullptr;
  errno = 0;
  const float v = zvraw::strtofC(text.c_str(), &end);
  if (end != text.c_str() && errno != ERANGE) offset = v;
}

}  // namespace

std::string ZVRawDDASettings::getIniFilePath(std::string_view rawPath) {
  return (std::filesystem::path(rawPath) / "_dda.inf").string();
}

int ZVRawDDASettings::Read(std::string_view cRawFileName) {
  if (cRawFileName.data() == nullptr) return ZVRAW_INIFILE_OPEN_ERROR;
  Vardex::Lib::ZorvalenRaw::IniFileUtil ini;
  ini.SetFilename(getIniFilePath(cRawFileName));
  if (const int rc = ini.Read(); rc != ZVRAW_OK) return rc;
  takeFloat(ini.Get(_section, _lowerOffsetKey), _lowerOffset);
  takeFloat(ini.Get(_section, _upperOffsetKey), _upperOffset);
  return ZVRAW_OK;
}

int ZVRawDDASettings::Write(std::string_view cRawFileName) const {
  if (cRawFileName.data() == nullptr) return ZVRAW_FILEOPEN_ERROR;
  Vardex::Lib::ZorvalenRaw::IniFileUtil ini;
  ini.SetVersion(_version);
  ini.Add(_section, _lowerOffsetKey, zvraw::formatC("%f", static_cast<double>(_lowerOffset)));
  ini.Add(_section, _upperOffsetKey, zvraw::formatC("%f", static_cast<double>(_upperOffset)));
  return zvraw::writeSettingsFile(getIniFilePath(cRawFileName), ini.ToText());
}

}  // namespace borealtek_zvraw_version_1
