#include "formats/portability/SysCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "formats/portability/CLocale.h"
#include "formats/portability/SysPaths.h"

void sysSleep(int seconds) {
  if (seconds > 0) ::sleep(static_cast<unsigned>(seconds));
}

std::string sysGetTempDirectory() {
  const char* value = std::getenv("TEMP");
  if (value == nullptr) value = std::getenv("TMP");
  if (value == nullptr || std::strlen(value) > zvraw::kMaxPathLength) return {};
  return value;
}

char* sysGetCwd(char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return nullptr;
  return ::getcwd(buffer, static_cast<std::size_t>(size));
}

int sysChDir(std::string_view path) { return ::chdir(std::string(path).c_str()); }

int sysOpen(std::string_view path, const char* mode, bool /*lock*/) {
  int flags = O_RDONLY;
  if (mode != nullptr) {
    if (mode[0] == 'r' && mode[1] == '+') flags = O_RDWR;
    else if (mode[0] == 'w') flags = O_WRONLY | O_CREAT | O_TRUNC;
    else if (mode[0] == 'a') flags = O_WRONLY | O_CREAT | O_APPEND;
  }
  return ::open(std::string(path).c_str(), flags | O_CLOEXEC, 0666);
}

int sysWrite(int fd, const char* data, int length) {
  if (data == nullptr || length < 0) return -1;
  const ssize_t n = ::write(fd, data, static_cast<std::size_t>(length));
  return n < 0 ? -1 : static_cast<int>(n);
}

int sysClose(int fd) { return ::close(fd); }

std::FILE* sysfDopen(int fd, const char* mode) { return ::fdopen(fd, mode); }

int sysfPrintf(int fd, const char* format, ...) {
  std::array<char, 1024> line{};
  int n = 0;
  {
    zvraw::CLocaleScope scope;
    va_list args;
    va_start(args, format);
    n = std::vsnprintf(line.data(), line.size(), format, args);
    va_end(args);
  }
  if (n < 0) return -1;
  // vsnprintf reports the length it wanted; write only what the line holds.
  const int written = std::min(n, static_cast<int>(line.size()) - 1);
  return sysWrite(fd, line.data(), written);
}

int fileAccessModeConvert(const char* mode) { return (mode != nullptr && std::strcmp(mode, "r") == 0) ? 2 : 3; }

int sysSplitPath(const char*, char*, char*, char*, char*) { return 0; }
int sysChmod(const char*, int) { return 0; }
