#include "formats/portability/SysPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

constexpr char kSlash = '/';

bool makeOneDir(const std::string& dir) { return ::mkdir(dir.c_str(), 0777) == 0; }

// "<dir>/" and the function file's name, refused when it would not fit a path.
int functionFileName(std::string_view dir, std::string& out, int n, const char* ext) {
  std::string name(dir);
  name += getDirSlash();
  name += zvraw::functionFileLeaf(n, ext, zvraw::FunctionNumbering::ScanFiles);
  out.clear();
  if (name.size() > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  out = std::move(name);
  return ZVRAW_OK;
}

void foldFrom(std::string& s, std::size_t from, bool upper) {
  for (std::size_t i = from; i < s.size(); ++i) {
    char& c = s[i];
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

// The open(2) flags of a stream mode ("rb", "wb", "r+b", "ab", ...); -1 for
// a mode fopen would refuse.
int openFlags(const char* mode) {
  const bool update = std::strchr(mode, '+') != nullptr;
  switch (mode[0]) {
    case 'r':
      return update ? O_RDWR : O_RDONLY;
    case 'w':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
      return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
      return -1;
  }
}

zvraw::FilePtr openAs(const std::string& path, const char* mode, std::uint64_t* sizeAtOpen) {
  return sysOpenFile(path, mode, true, sizeAtOpen);
}

}  // namespace

zvraw::FilePtr sysOpenFile(const std::string& path, const char* mode, bool regularOnly, std::uint64_t* sizeAtOpen) {
  const int flags = mode != nullptr ? openFlags(mode) : -1;
  if (flags < 0) {
    errno = EINVAL;
    return nullptr;
  }
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  // F_SETFL takes only the status flags (O_APPEND here) and ignores the access
  // mode and creation flags, so the open's own flags need not be read back.
  if (::fstat(fd, &st) != 0 || (regularOnly && !S_ISREG(st.st_mode)) || ::fcntl(fd, F_SETFL, flags) != 0) {
    ::close(fd);
    errno = EINVAL;
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, mode);
  if (f == nullptr) ::close(fd);
  if (f != nullptr && sizeAtOpen != nullptr) *sizeAtOpen = static_cast<std::uint64_t>(st.st_size);
  return zvraw::FilePtr(f);
}

bool sysNameTakesRegularFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  return S_ISREG(st.st_mode);
}

const char* getDirSlash() { return "/"; }

int getNextSubDir(std::string_view path, std::string& prefix) {
  const std::size_t len = path.size();
  const std::size_t k = prefix.size();
  if (k >= len) return 0;
  // The character at k (a separator, or the path's first character) always
  // joins the new component; a leading double separator keeps //host/share whole.
  std::size_t pos = k + 1;
  bool letPass = false;
  if (k + 1 < len && path[k] == kSlash && path[k + 1] == kSlash) {
    pos = k + 2;
    letPass = true;
  }
  for (; pos < len; ++pos) {
    const char c = path[pos];
    if (c == ':' && pos + 1 < len && path[pos + 1] == kSlash) {
      letPass = true;  // a drive-like "x:/" keeps its root with it
    } else if (c == kSlash) {
      if (!letPass) break;
      letPass = false;
    }
  }
  prefix.append(path.substr(k, pos - k));
  return 1;
}

int sysMakeDir(std::string_view path) {
  if (path.size() > zvraw::kMaxPathLength) return -1;
  std::string prefix;
  while (getNextSubDir(path, prefix)) {
    if (!makeOneDir(prefix) && errno != EEXIST) return -1;
  }
  return 0;
}

int sysExistsDir(std::string_view path) {
  if (path.empty() || path.size() > zvraw::kMaxPathLength) return 0;
  std::string prefix;
  while (getNextSubDir(path, prefix)) {
    if (makeOneDir(prefix)) {
      // It was not there: undo the probe and report absence.
      ::rmdir(prefix.c_str());
      return 0;
    }
    if (errno != EEXIST && errno != EACCES) return 0;
  }
  return 1;
}

int sysExistsFile(std::string_view path) {
  if (path.size() > zvraw::kMaxPathLength) return 0;
  return sysOpenFile(std::string(path), "rb", false) ? 1 : 0;
}

std::size_t findSlash(std::string_view path) {
  const std::size_t at = path.rfind(kSlash);
  return (at == std::string_view::npos || at == 0) ? 0 : at;
}

char* to_upper(char* text) {
  for (char* p = text; p && *p; ++p)
    if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
  return text;
}

char* to_lower(char* text) {
  for (char* p = text; p && *p; ++p)
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
  return text;
}

std::array<std::string, 3> componentSpellings(std::string_view path) {
  std::array<std::string, 3> names{std::string(path), std::string(path), std::string(path)};
  // Only the last component is retried in another case: directories never are.
  const std::size_t from = findSlash(path);
  foldFrom(names[1], from, /*upper=*/true);
  foldFrom(names[2], from, /*upper=*/false);
  return names;
}

zvraw::FilePtr rawFileComponentfopen(std::string_view path, const char* mode, std::uint64_t* sizeAtOpen) {
  if (path.empty() || path.size() > zvraw::kMaxPathLength || mode == nullptr) return nullptr;
  for (const std::string& name : componentSpellings(path))
    if (zvraw::FilePtr f = openAs(name, mode, sizeAtOpen)) return f;
  return nullptr;
}

int sysRawComponentFileExists(std::string_view path) { return rawFileComponentfopen(path, "rb") ? 1 : 0; }

std::int64_t rawComponentFileSize(std::string_view path) {
  if (path.empty() || path.size() > zvraw::kMaxPathLength) return -1;
  for (const std::string& name : componentSpellings(path)) {
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return static_cast<std::int64_t>(st.st_size);
  }
  return -1;
}

int sysRemoveComponentFile(std::string_view path) {
  if (path.empty() || path.size() > zvraw::kMaxPathLength) return 0;
  std::string name(path);
  const std::size_t from = findSlash(path);
  int removed = std::remove(name.c_str()) == 0 ? 1 : 0;
  foldFrom(name, from, /*upper=*/true);
  removed += std::remove(name.c_str()) == 0 ? 1 : 0;
  foldFrom(name, from, /*upper=*/false);
  removed += std::remove(name.c_str()) == 0 ? 1 : 0;
  return removed;
}

namespace zvraw {

std::string functionFileLeaf(long long number, std::string_view extension, zvraw::FunctionNumbering numbering) {
  char digits[32];
  std::snprintf(digits, sizeof digits, numbering == zvraw::FunctionNumbering::ScanFiles ? "0%1.2lli" : "%03lli", number);
  std::string leaf = "_func";
  leaf += digits;
  leaf += '.';
  leaf += extension;
  return leaf;
}

}  // namespace zvraw

int getZVRawFunctionFile(std::string_view dir, std::string& out, int n) { return functionFileName(dir, out, n, "dat"); }
int getZVRawIDXFile(std::string_view dir, std::string& out, int n) { return functionFileName(dir, out, n, "idx"); }
int getZVRawStatsFile(std::string_view dir, std::string& out, int n) { return functionFileName(dir, out, n, "sts"); }

int sysGetDirFromFullPath(std::string_view path, std::string& out, int size) {
  const std::size_t at = path.rfind(kSlash);
  if (path.empty() || at == std::string_view::npos) return 0;
  out.assign(path.substr(0, at));
  const std::size_t room = size > 0 ? static_cast<std::size_t>(size - 1) : 0;
  if (out.size() > room) out.resize(room);
  return 1;
}
