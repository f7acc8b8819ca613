#pragma once

// A small sectioned settings file held whole in memory, with a version line:
//
//   [VERSION#<n>]                     the format version, wherever it stands
//   <-- version must be first line    a comment the writer puts second
//   [Section]                         every later line belongs to Section
//   key=value                         exactly one "=" and a non-empty value
//
// Lines end at a line feed; nothing is trimmed, so blanks and a carriage
// return stay part of keys and values. Any other line is dropped. Settings
// before the first header belong to the section with the empty name.

#include <iosfwd>
#include <map>
#include <string>
#include <tuple>

namespace Vardex::Lib::ZorvalenRaw {

class IniFileUtil {
 public:
  IniFileUtil() = default;

  void SetFilename(const std::string& fileName) { _filename = fileName; }
  [[nodiscard]] std::string GetFilename() const { return _filename; }
  [[nodiscard]] int GetVersion() const { return _version; }
  void SetVersion(const int& version) { _version = version; }

  // Parses the file named by SetFilename. The settings are emptied first;
  // ZVRAW_INIFILE_OPEN_ERROR when the file cannot be opened or read.
  [[nodiscard]] int Read();

  // (true, value) when section and key exist, else (false, ""). Adds nothing.
  [[nodiscard]] std::tuple<bool, std::string> Get(const std::string& section, const std::string& key) const;

  // Sets the value, creating section and key as needed; 0.
  int Add(const std::string& section, const std::string& key, const std::string& value);

  // The whole file as Write lays it down: sections and keys in byte order.
  [[nodiscard]] std::string ToText() const;

  // Replaces the file whole (a failed write leaves the old one as it was);
  // ZVRAW_INIFILE_OPEN_ERROR when it cannot be created or written.
  [[nodiscard]] int Write(const std::string& filename) const;
  // Writes to an open stream and closes it; ZVRAW_INIFILE_OPEN_ERROR when
  // the stream failed.
  [[nodiscard]] int Write(std::ofstream& stream) const;

 private:
  void scan(const std::string& line, std::string& section);

  std::string _filename;
  int _version = 1;
  std::map<std::string, std::map<std::string, std::string>> _iniMap;
};

}  // namespace Vardex::Lib::ZorvalenRaw
