#include "formats/portability/SysFileSize.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <limits>
#include <stdexcept>

#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

std::uint32_t convert(std::uint64_t value) {
  if (value > std::numeric_limits<std::uint32_t>::max()) throw std::overflow_error("Conversion overflow");
  return static_cast<std::uint32_t>(value);
}

std::int64_t getLargeFileSize(std::FILE* f) {
  if (f == nullptr || ::fseeko(f, 0, SEEK_END) != 0) return -1;
  return ::ftello(f);
}

std::uint32_t getFileSize(std::FILE* f) {
  const std::int64_t size = getLargeFileSize(f);
  return convert(size < 0 ? 0 : static_cast<std::uint64_t>(size));
}

int getFileSize(std::string_view path, unsigned int& size) {
  zvraw::FilePtr f = rawFileComponentfopen(path, "rb");
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  size = getFileSize(f.get());
  return ZVRAW_OK;
}

std::int64_t getFileSizePreserve(std::FILE* f) {
  if (f == nullptr) return -1;
  const off_t here = ::ftello(f);
  if (here < 0) return -1;
  const std::int64_t size = getLargeFileSize(f);
  if (::fseeko(f, here, SEEK_SET) != 0) return -1;
  return size;
}

int fseek_4g(std::FILE* f, std::uint32_t offset, int whence) {
  if (f == nullptr) return -1;
  return ::fseeko(f, static_cast<off_t>(offset), whence);
}

int fseek_64(std::FILE* f, std::uint32_t low, std::uint32_t high, int whence) {
  if (f == nullptr) return -1;
  const std::uint64_t offset = (static_cast<std::uint64_t>(high) << 32) | low;
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return -1;
  return ::fseeko(f, static_cast<off_t>(offset), whence);
}

namespace zvraw {

std::int64_t openFileSize(std::FILE* f) {
  struct stat st {};
  if (f == nullptr || ::fstat(::fileno(f), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

std::size_t preadFully(int fd, void* to, std::size_t n, std::uint64_t at, bool& failed) {
  auto* into = static_cast<std::uint8_t*>(to);
  std::size_t done = 0;
  failed = false;
  while (done < n) {
    const ssize_t got = ::pread(fd, into + done, n - done, static_cast<off_t>(at + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      failed = got < 0;
      break;
    }
    done += static_cast<std::size_t>(got);
  }
  return done;
}

std::size_t readAt(std::FILE* f, std::uint8_t* to, std::size_t n, std::uint64_t at, int& code) {
  constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
  code = ZVRAW_OK;
  if (f == nullptr) {
    code = ZVRAW_FILEREAD_ERROR;
    return 0;
  }
  if (n > 0 && at > kMaxOffset) {
    code = ZVRAW_FILESEEK_ERROR;
    return 0;
  }
  // Offsets stop at the largest the system takes.
  const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(n, kMaxOffset - at));
  bool failed = false;
  const std::size_t done = preadFully(::fileno(f), to, room, at, failed);
  if (done < n)
    code = failed ? ZVRAW_FILEREAD_ERROR : done == room ? ZVRAW_FILESEEK_ERROR : ZVRAW_FILEREAD_EOFERROR;
  return done;
}

}  // namespace zvraw
