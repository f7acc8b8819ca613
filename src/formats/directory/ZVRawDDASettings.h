#pragma once

// The quadrupole isolation-window offsets of a data-dependent acquisition,
// kept in the raw directory's _dda.inf, a versioned INI file:
//
//   [VERSION#1]
//   <-- version must be first line
//   [IsolationWindow]
//   lowerOffset=1.500000
//   upperOffset=2.000000

#include <string_view>
#include <string>

namespace borealtek_zvraw_version_1 {

class ZVRawDDASettings {
 public:
  ZVRawDDASettings() = default;

  [[nodiscard]] float GetLowerOffset() const { return _lowerOffset; }
  void SetLowerOffset(const float& offset) { _lowerOffset = offset; }
  [[nodiscard]] float GetUpperOffset() const { return _upperOffset; }
  void SetUpperOffset(const float& offset) { _upperOffset = offset; }

  // rawPath joined with "_dda.inf" (no separator doubled; "" gives the name alone).
  [[nodiscard]] static std::string getIniFilePath(std::string_view rawPath);

  // ZVRAW_INIFILE_OPEN_ERROR when the file cannot be opened. An offset whose
  // key is missing, or whose value does not begin with a number in float
  // range, keeps its value.
  [[nodiscard]] int Read(std::string_view cRawFileName);

  // Replaces the file with the two offsets (six decimals). ZVRAW_FILEOPEN_ERROR
  // when it cannot be created, ZVRAW_FILEWRITE_ERROR when a write failed.
  [[nodiscard]] int Write(std::string_view cRawFileName) const;

 private:
  float _lowerOffset = 0;
  float _upperOffset = 0;
  int _version = 1;
  std::string _section = "IsolationWindow";
  std::string _lowerOffsetKey = "lowerOffset";
  std::string _upperOffsetKey = "upperOffset";
};

}  // namespace borealtek_zvraw_version_1
