#include "formats/portability/SettingsFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "formats/portability/FileHandle.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw {

namespace {

// The process's file-creation mask, read without changing it (calling umask()
// to read it would briefly clear it for every thread of the caller).
mode_t currentUmask() {
  FilePtr status(std::fopen("/proc/self/status", "r"));
  char line[256];
  while (status && std::fgets(line, sizeof line, status.get())) {
    unsigned mask = 0;
    if (std::sscanf(line, "Umask: %o", &mask) == 1) return static_cast<mode_t>(mask & 0777);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// The file a write must replace: the target of a symbolic link, else path.
std::string resolveTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : path;
}

}  // namespace

int readSettingsFile(const std::string& path, std::string& out, std::size_t maxSize) {
  out.clear();
  // Any kind of file, but opened without waiting for a writer.
  FilePtr f = sysOpenFile(path, "rb", false);
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  // Read to the end rather than trust a size: pipes and /proc files have none.
  char chunk[16384];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f.get());
    if (n > maxSize - out.size()) {
      out.clear();
      return ZVRAW_FILEREAD_ERROR;
    }
    out.append(chunk, n);
    if (n < sizeof chunk) break;
  }
  if (std::ferror(f.get())) {
    out.clear();
    return ZVRAW_FILEREAD_ERROR;
  }
  return ZVRAW_OK;
}

int writeSettingsFile(const std::string& path, std::string_view content) {
  const std::string target = resolveTarget(path);
  struct stat st {};
  const mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~currentUmask());
  AtomicFileWriter out;
  if (out.open(target) != ZVRAW_OK) return ZVRAW_FILEOPEN_ERROR;
  if (::fchmod(::fileno(out.stream()), mode) != 0) return ZVRAW_FILEOPEN_ERROR;
  if (out.write(content) != ZVRAW_OK) return ZVRAW_FILEWRITE_ERROR;
  return out.commit() == ZVRAW_OK ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
}

}  // namespace zvraw
