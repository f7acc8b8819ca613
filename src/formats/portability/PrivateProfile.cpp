#include "formats/portability/PrivateProfile.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string_view>

#include "formats/portability/CLocale.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/SettingsFile.h"
#include "formats/portability/SysPaths.h"
#include "formats/portability/TextNumbers.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

constexpr std::size_t kPieceLength = 255;   // the most of a line examined at once
constexpr std::size_t kMaxValueText = 255;  // a typed value's text
constexpr int kValueBufferSize = 256;       // the typed readers' text buffer

const char* orEmpty(const char* text) { return text ? text : ""; }

// The next piece of a line: up to and including its line feed, at most 255
// bytes. False at the end of the file (or on a read error: see ferror).
bool readPiece(std::FILE* f, std::string& piece) {
  piece.clear();
  while (piece.size() < kPieceLength) {
    const int c = std::getc(f);
    if (c == EOF) break;
    piece.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !piece.empty();
}

std::string_view withoutLineEnd(std::string_view line) {
  while (line.size() > 1 && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  return line;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isHeaderOf(std::string_view line, std::string_view section) {
  if (line.size() != section.size() + 2 || line.front() != '[' || line.back() != ']') return false;
  return std::equal(section.begin(), section.end(), line.begin() + 1,
                    [](char a, char b) { return foldAscii(a) == foldAscii(b); });
}

// Matches when the line's first "=" stands right after exactly the key.
bool isKeyLine(std::string_view line, std::string_view key) {
  return line.size() > key.size() && line[key.size()] == '=' && line.substr(0, key.size()) == key;
}

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// What the writer must never store, because the reader would not find it
// again and each later write would add one more copy (or, for a line break,
// smuggle in lines of its own).
bool isStorable(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || key.empty()) return false;
  if (section.size() + 2 > kPieceLength || key.size() + value.size() > kPieceLength - 1) return false;
  if (key.find('=') != std::string_view::npos || key.front() == '[') return false;
  return !hasLineBreak(section) && !hasLineBreak(key) && !hasLineBreak(value);
}

// The searches run over any source of pieces: next(piece) gives the next one.
template <class NextPiece>
int findSectionIn(NextPiece next, std::string_view name) {
  if (name.empty()) return 0;
  std::string_view piece;
  for (int number = 1; number < INT_MAX && next(piece); ++number)
    if (isHeaderOf(withoutLineEnd(piece), name)) return number;
  return 0;
}

template <class NextPiece>
int findKeyIn(NextPiece next, std::string_view name, std::string& line) {
  line.clear();
  if (name.empty()) return 0;
  std::string_view piece;
  for (int number = 1; number < INT_MAX && next(piece); ++number) {
    line.assign(withoutLineEnd(piece));
    if (piece.front() == '[') return 0;
    if (isKeyLine(line, name)) return number;
  }
  return 0;
}

auto piecesOf(std::FILE* f, std::string& buffer) {
  return [f, &buffer](std::string_view& piece) {
    if (!readPiece(f, buffer)) return false;
    piece = buffer;
    return true;
  };
}

// Pieces of text held in memory; start is where the last piece given began.
struct TextPieces {
  std::string_view text;
  std::size_t next = 0;
  std::size_t start = 0;
  bool operator()(std::string_view& piece) {
    if (next >= text.size()) return false;
    const std::size_t feed = text.find('\n', next);
    const std::size_t end = std::min(feed == std::string_view::npos ? text.size() : feed + 1, next + kPieceLength);
    piece = text.substr(next, end - next);
    start = next;
    next = end;
    return true;
  }
  // Where the physical line holding the last piece ends (past its line feed).
  [[nodiscard]] std::size_t lineEnd() const {
    const std::size_t feed = text.find('\n', start);
    return feed == std::string_view::npos ? text.size() : feed + 1;
  }
};

// The new content: the key's line replaced, else the setting added at the top
// of its section, else the section appended.
std::string composeUpdate(std::string_view text, std::string_view section, std::string_view key,
                          const std::string& header, const std::string& setting) {
  TextPieces pieces{text};
  if (findSectionIn(std::ref(pieces), section) == 0) return std::string(text) + "\n\n" + header + "\n" + setting;
  const std::size_t headerEnd = pieces.lineEnd();
  std::string line;
  if (findKeyIn(std::ref(pieces), key, line) > 0) {
    // The whole physical line goes, also the rest of a line longer than a piece.
    return std::string(text.substr(0, pieces.start)) + setting + std::string(text.substr(pieces.lineEnd()));
  }
  // After the header's whole line; a header on the last line gets a line
  // break of its own first.
  const bool lastLine = headerEnd == text.size();
  return std::string(text.substr(0, headerEnd)) + (lastLine ? "\n" : "") + setting +
         std::string(text.substr(headerEnd));
}

int writeProfileFile(const std::string& path, const std::string& content) {
  return zvraw::writeSettingsFile(path, content) == ZVRAW_OK ? 0 : GPPS_FILE_CREATE_ERROR;
}

int setFormatted(const char* section, const char* key, const std::string& text, const char* file) {
  if (text.size() > kMaxValueText) return GPPS_FILE_OPEN_ERROR;
  return sysSetPrivateProfileString(section, key, text.c_str(), file);
}

// Reads key into a 256-byte buffer with an empty default: the text, or empty.
int getText(const char* section, const char* key, char (&buffer)[kValueBufferSize], const char* file) {
  return sysGetPrivateProfileString(section, key, "", buffer, kValueBufferSize, file);
}

}  // namespace

int gppsFindSection(std::FILE* file, const char* section) {
  if (file == nullptr) return 0;
  std::string buffer;
  return findSectionIn(piecesOf(file, buffer), orEmpty(section));
}

int gppsFindKey(std::FILE* file, const char* key, std::string& line) {
  line.clear();
  if (file == nullptr) return 0;
  std::string buffer;
  return findKeyIn(piecesOf(file, buffer), orEmpty(key), line);
}

void gppsRemoveCRLF(std::string& line) { line.resize(withoutLineEnd(line).size()); }

int gppsCopyDefault(char* pcReturnedBuffer, int nBufferSize, const char* pcDefaultVal) {
  const std::string fallback = orEmpty(pcDefaultVal);  // a copy: the two may overlap
  if (pcReturnedBuffer != nullptr && pcReturnedBuffer != pcDefaultVal && nBufferSize > 0) {
    const auto size = static_cast<std::size_t>(nBufferSize);
    std::memset(pcReturnedBuffer, 0, size);
    std::memcpy(pcReturnedBuffer, fallback.data(), std::min(fallback.size(), size - 1));
  }
  return static_cast<int>(std::min<std::size_t>(fallback.size(), INT_MAX));
}

int gppsGetLineCount(const char* file) {
  zvraw::FilePtr f = sysOpenFile(orEmpty(file), "rb", false);
  if (!f) return 0;
  int count = 0;
  for (std::string piece; count < INT_MAX && readPiece(f.get(), piece);) ++count;
  return count;
}

int sysGetPrivateProfileString(const char* pcSection, const char* pcKeyName, const char* pcDefaultVal,
                               char* pcReturnedBuffer, int nBufferSize, const char* pcFileName) {
  const auto fail = [&](int code) {
    gppsCopyDefault(pcReturnedBuffer, nBufferSize, pcDefaultVal);
    return code;
  };
  const char* name = orEmpty(pcFileName);
  if (*name == '\0') return fail(GPPS_FILE_OPEN_ERROR);
  zvraw::FilePtr f = sysOpenFile(name, "rb", false);
  if (!f) return fail(GPPS_FILE_OPEN_ERROR);
  // A read error (a directory, say) is an unreadable file, not a missing entry.
  if (gppsFindSection(f.get(), pcSection) == 0)
    return fail(std::ferror(f.get()) ? GPPS_FILE_OPEN_ERROR : GPPS_FILE_SECTION_MISSING_ERROR);
  std::string line;
  if (gppsFindKey(f.get(), pcKeyName, line) == 0)
    return fail(std::ferror(f.get()) ? GPPS_FILE_OPEN_ERROR : GPPS_FILE_KEY_MISSING_ERROR);

  std::string_view value(line);
  value.remove_prefix(std::strlen(orEmpty(pcKeyName)) + 1);
  value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
  if (value.empty()) return fail(GPPS_FILE_VALUE_MISSING_ERROR);
  if (pcReturnedBuffer != nullptr && nBufferSize > 0) {
    const auto size = static_cast<std::size_t>(nBufferSize);
    std::memset(pcReturnedBuffer, 0, size);
    std::memcpy(pcReturnedBuffer, value.data(), std::min(value.size(), size - 1));
  }
  return 0;
}

int sysSetPrivateProfileString(const char* pcSection, const char* pcKeyName, const char* pcValue,
                               const char* pcFileName) {
  const std::string path = orEmpty(pcFileName);
  const std::string_view section = orEmpty(pcSection), key = orEmpty(pcKeyName), value = orEmpty(pcValue);
  if (path.empty() || !isStorable(section, key, value)) return GPPS_FILE_OPEN_ERROR;
  const std::string header = "[" + std::string(section) + "]";
  const std::string setting = std::string(key) + "=" + std::string(value) + "\n";

  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return writeProfileFile(path, header + "\n" + setting);
  // A file this process may not change is not replaced behind its back.
  if (::access(path.c_str(), W_OK) != 0) return GPPS_FILE_CREATE_ERROR;
  std::string text;
  if (zvraw::readSettingsFile(path, text) != ZVRAW_OK) return GPPS_FILE_OPEN_ERROR;
  return writeProfileFile(path, composeUpdate(text, section, key, header, setting));
}

int sysGetPrivateProfileValue(const char* section, const char* key, int defaultValue, int& result, const char* file) {
  result = defaultValue;
  char buffer[kValueBufferSize];
  const std::string fallback = zvraw::formatC("%i", defaultValue);
  const int rc = sysGetPrivateProfileString(section, key, fallback.c_str(), buffer, kValueBufferSize, file);
  if (rc == 0) result = zvraw::atoiClamped(buffer);
  return rc;
}

int sysGetPrivateProfileValue(const char* section, const char* key, float defaultValue, float& result,
                              const char* file) {
  char buffer[kValueBufferSize];
  const int rc = getText(section, key, buffer, file);
  result = buffer[0] != '\0' ? static_cast<float>(zvraw::strtodC(buffer, nullptr)) : defaultValue;
  return rc;
}

int sysGetPrivateProfileValue(const char* section, const char* key, double defaultValue, double& result,
                              const char* file) {
  char buffer[kValueBufferSize];
  const int rc = getText(section, key, buffer, file);
  result = buffer[0] != '\0' ? zvraw::strtodC(buffer, nullptr) : defaultValue;
  return rc;
}

int sysGetPrivateProfileValue(const char* section, const char* key, bool defaultValue, bool& result, const char* file) {
  char buffer[kValueBufferSize];
  const int rc = getText(section, key, buffer, file);
  result = buffer[0] != '\0' ? zvraw::atoiClamped(buffer) != 0 : defaultValue;
  return rc;
}

int sysSetPrivateProfileValue(const char* section, const char* key, int value, const char* file) {
  return setFormatted(section, key, zvraw::formatC("%i", value), file);
}

int sysSetPrivateProfileValue(const char* section, const char* key, float value, int nPlaces, const char* file) {
  return sysSetPrivateProfileValue(section, key, static_cast<double>(value), nPlaces, file);
}

int sysSetPrivateProfileValue(const char* section, const char* key, double value, int nPlaces, const char* file) {
  return setFormatted(section, key, zvraw::formatC("%.*f", nPlaces, value), file);
}

int sysSetPrivateProfileValue(const char* section, const char* key, bool value, const char* file) {
  return setFormatted(section, key, zvraw::formatC("%i", value ? 1 : 0), file);
}

int sysGetPrivateProfileStringTable(const char* pcSection, const char* pcKeyStub, char** cTable, int nMaxTableSize,
                                    int nMaxStringSize, int& nTableSize, const char* pcFileName) {
  const char* stub = orEmpty(pcKeyStub);
  sysGetPrivateProfileValue(pcSection, zvraw::formatC("%s count", stub).c_str(), 0, nTableSize, pcFileName);
  char* block = cTable ? cTable[0] : nullptr;
  if (block == nullptr) return nMaxTableSize > 0 ? 1 : 0;  // no rows to fill
  const auto rowSize = static_cast<std::size_t>(std::max(nMaxStringSize, 0));
  int failed = 0;
  int i = 0;
  for (; i < nTableSize && i < nMaxTableSize; ++i) {
    char* row = block + static_cast<std::size_t>(i) * rowSize;
    std::memset(row, 0, rowSize);
    const std::string key = zvraw::formatC("%s #%i", stub, i);
    if (sysGetPrivateProfileString(pcSection, key.c_str(), "", row, nMaxStringSize, pcFileName) != 0) failed = 1;
  }
  for (; i < nMaxTableSize; ++i) std::memset(block + static_cast<std::size_t>(i) * rowSize, 0, rowSize);
  return failed;
}

int sysSetPrivateProfileStringTable(const char* pcSection, const char* pcKeyStub, const char** cTable,
                                    int nMaxTableSize, int nMaxStringSize, int nTableSize, const char* pcFileName) {
  const char* stub = orEmpty(pcKeyStub);
  // The count is checked too: rows stored under a stale count would be lost.
  int failed = sysSetPrivateProfileValue(pcSection, zvraw::formatC("%s count", stub).c_str(), nTableSize, pcFileName) != 0;
  const char* block = cTable ? cTable[0] : nullptr;
  const auto rowSize = static_cast<std::size_t>(std::max(nMaxStringSize, 0));
  for (int i = 0; i < nMaxTableSize; ++i) {
    std::string text;
    if (i < nTableSize) {
      if (block == nullptr) {
        failed = 1;
        continue;
      }
      const char* row = block + static_cast<std::size_t>(i) * rowSize;
      text.assign(row, ::strnlen(row, rowSize));
    }
    const std::string key = zvraw::formatC("%s #%i", stub, i);
    if (sysSetPrivateProfileString(pcSection, key.c_str(), text.c_str(), pcFileName) != 0) failed = 1;
  }
  return failed;
}
