#include "formats/portability/IniFileUtil.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "formats/portability/SettingsFile.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr std::string_view kVersionTag = "VERSION#";
constexpr std::string_view kVersionComment = "<-- version must be first line";

// "VERSION#" and an optional sign and decimal digits to the end, within the
// int range. Anything else is an ordinary section name.
bool parseVersion(std::string_view bracket, int& version) {
  if (bracket.substr(0, kVersionTag.size()) != kVersionTag) return false;
  std::string_view digits = bracket.substr(kVersionTag.size());
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return false;
  const std::string number(bracket.substr(kVersionTag.size()));
  errno = 0;
  const long long v = std::strtoll(number.c_str(), nullptr, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
  version = static_cast<int>(v);
  return true;
}

}  // namespace

void IniFileUtil::scan(const std::string& line, std::string& section) {
  if (line.size() > 1 && line[0] == '[' && line[1] != ']') {
    // Everything up to the first "]", or the rest of the line; a long name is
    // kept whole so that two long names never merge into one section.
    const std::size_t close = line.find(']', 1);
    const std::string_view bracket = std::string_view(line).substr(1, close == std::string::npos ? close : close - 1);
    if (!parseVersion(bracket, _version)) section.assign(bracket);
    return;
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos || equals + 1 == line.size() || line.find('=', equals + 1) != std::string::npos)
    return;  // no "=", an empty value, or more than one "="
  _iniMap[section][line.substr(0, equals)] = line.substr(equals + 1);
}

int IniFileUtil::Read() {
  _iniMap.clear();
  std::string text;
  if (zvraw::readSettingsFile(_filename, text) != ZVRAW_OK) return ZVRAW_INIFILE_OPEN_ERROR;
  std::string section;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t feed = text.find('\n', start);
    const std::size_t end = feed == std::string::npos ? text.size() : feed;
    scan(text.substr(start, end - start), section);
    start = end + 1;
  }
  return ZVRAW_OK;
}

std::tuple<bool, std::string> IniFileUtil::Get(const std::string& section, const std::string& key) const {
  const auto s = _iniMap.find(section);
  if (s == _iniMap.end()) return {false, std::string()};
  const auto k = s->second.find(key);
  if (k == s->second.end()) return {false, std::string()};
  return {true, k->second};
}

int IniFileUtil::Add(const std::string& section, const std::string& key, const std::string& value) {
  _iniMap[section][key] = value;
  return 0;
}

std::string IniFileUtil::ToText() const {
  std::string text = "[" + std::string(kVersionTag) + std::to_string(_version) + "]\n";
  text.append(kVersionComment).append("\n");
  for (const auto& [section, keys] : _iniMap) {
    text += "[" + section + "]\n";
    for (const auto& [key, value] : keys) text += key + "=" + value + "\n";
  }
  return text;
}

int IniFileUtil::Write(const std::string& filename) const {
  return zvraw::writeSettingsFile(filename, ToText()) == ZVRAW_OK ? ZVRAW_OK : ZVRAW_INIFILE_OPEN_ERROR;
}

int IniFileUtil::Write(std::ofstream& stream) const {
  const std::string text = ToText();
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.close();
  return stream.fail() ? ZVRAW_INIFILE_OPEN_ERROR : ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
