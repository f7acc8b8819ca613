#include "formats/directory/ZVRawExternInfo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "formats/portability/CLocale.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// The file is a few hundred bytes; anything this large is not one.
constexpr std::int64_t kMaxExternInfoSize = std::int64_t{16} << 20;

// The text after the first occurrence of key up to the next line feed; none
// when the key is missing or no line feed follows it.
bool valueText(std::string_view text, std::string_view key, std::string_view& value) {
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return false;
  const std::size_t from = at + key.size();
  const std::size_t end = text.find('\n', from);
  if (end == std::string_view::npos) return false;
  value = text.substr(from, end - from);
  return true;
}

bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool isKept(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' '; }

// The number after the key, white space removed; value keeps its previous
// content when there is none or it lies outside the float range.
bool getExternItemFloat(std::string_view text, std::string_view key, float& value) {
  std::string_view raw;
  if (!valueText(text, key, raw)) return false;
  std::string number;
  for (char c : raw)
    if (!isWhite(c)) number.push_back(c);
  zvraw::CLocaleScope locale;
  errno = 0;
  char* end = nullptr;
  const float parsed = std::strtof(number.c_str(), &end);
  if (end == number.c_str() || errno == ERANGE) return false;
  value = parsed;
  return true;
}

// The text after the key with only ASCII letters, digits and spaces kept.
std::string getExternItem(std::string_view text, std::string_view key) {
  std::string_view raw;
  std::string out;
  if (!valueText(text, key, raw)) return out;
  for (char c : raw)
    if (isKept(c)) out.push_back(c);
  return out;
}

// The file's text: the bytes actually read, up to a NUL as in any C text.
// False when there is no text to search (no file, an empty or unreadable size).
bool readText(const std::string& path, std::string& text, bool& opened) {
  zvraw::FilePtr f = rawFileComponentfopen(path, "rb");
  opened = f != nullptr;
  if (!f) return false;
  std::int64_t size = getLargeFileSize(f.get());
  if (size < 0) size = 0;
  if (size == 0 || size > kMaxExternInfoSize || fseek_4g(f.get(), 0, SEEK_SET) != 0) return false;
  text.resize(static_cast<std::size_t>(size));
  text.resize(std::fread(text.data(), 1, text.size(), f.get()));
  text.resize(std::char_traits<char>::length(text.c_str()));
  return true;
}

}  // namespace

int ZVRawExternInfo::readExternInfo(std::string_view rawFilePath, int /*numFuncs*/) {
  _wasRead = false;
  if (rawFilePath.data() == nullptr) return ZVRAW_FILENAME_ERROR;
  const std::string dir = std::string(rawFilePath) + getDirSlash();
  const std::string externName = dir + "_extern.inf";
  if (externName.size() > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;

  std::string text;
  bool opened = false;
  bool haveText = readText(externName, text, opened);
  if (!opened) haveText = readText(dir + "_tof.txt", text, opened);
  if (!haveText) return ZVRAW_FILEOPEN_ERROR;

  (void)getExternItemFloat(text, "Lteff", _lTeff);
  (void)getExternItemFloat(text, "Veff", _Veff);
  (void)getExternItemFloat(text, "Average Single Ion Intensity", _singleIonIntensity);
  (void)getExternItemFloat(text, "Resolution", _TofResolution);
  (void)getExternItemFloat(text, "ADC Sample Frequency (GHz)", _ADCsampleFrequency);
  _acquisitionDevice = getExternItem(text, "Acquisition Device");
  _wasRead = true;
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
