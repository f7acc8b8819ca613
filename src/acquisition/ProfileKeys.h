#pragma once

// The workstation's profile files (status file, "Zorvalen.ini", current-sample
// record) are read whole through IniFileUtil; a fixed table says which
// (section, key) pairs are wanted and under which item each is reported.

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace Vardex::Lib::ZorvalenRaw {

class IniFileUtil;
class ProcessParametersImp;

// (section, key) to item, ordered by section and then by key.
using ProfileKeyTable = std::map<std::pair<std::string, std::string>, int>;

// Reads the profile file a setting names (mapped, DrivePaths.h) into ini:
// its result code, or ZVRAW_INIFILE_OPEN_ERROR when the path's drive has no
// folder.
[[nodiscard]] int readMappedIniFile(std::string_view path, IniFileUtil& ini);

// Stores the value of every pair of the table that the file holds under the
// pair's item; pairs the file lacks leave no key.
void storeFoundValues(const IniFileUtil& ini, const ProfileKeyTable& table, ProcessParametersImp& set);

}  // namespace Vardex::Lib::ZorvalenRaw
