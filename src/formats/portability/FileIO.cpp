#include "formats/portability/FileIO.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw {

std::size_t writeAt(int fd, const void* bytes, std::size_t n, std::uint64_t offset) {
  const auto* from = static_cast<const char*>(bytes);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t w = ::pwrite(fd, from + done, n - done, static_cast<off_t>(offset + done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    done += static_cast<std::size_t>(w);
  }
  return done;
}


int readWholeFile(std::string_view path, Bytes& out, std::uint64_t maxSize) {
  out.clear();
  FilePtr f = rawFileComponentfopen(path, "rb");
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  const std::int64_t size = getLargeFileSize(f.get());
  if (size < 0 || static_cast<std::uint64_t>(size) > maxSize) return ZVRAW_FILEREAD_ERROR;
  if (fseek_4g(f.get(), 0, SEEK_SET) != 0) return ZVRAW_FILESEEK_ERROR;
  out.resize(static_cast<std::size_t>(size));
  if (!out.empty() && std::fread(out.data(), 1, out.size(), f.get()) != out.size()) {
    out.clear();
    return ZVRAW_FILEREAD_ERROR;
  }
  return ZVRAW_OK;
}

AtomicFileWriter::~AtomicFileWriter() { discard(); }

void AtomicFileWriter::discard() noexcept {
  if (file_) {
    file_.reset();
    ::unlink(temp_.c_str());
  }
}

int AtomicFileWriter::open(std::string_view targetPath) {
  discard();
  failed_ = false;
  if (targetPath.empty() || targetPath.size() > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  target_ = std::string(targetPath);
  temp_ = target_ + ".tmpXXXXXX";
  const int fd = ::mkstemp(temp_.data());
  if (fd < 0) return ZVRAW_FILEOPEN_ERROR;
  ::fchmod(fd, 0644);  // mkstemp makes 0600; raw files are readable by all, as fopen leaves them
  file_.reset(::fdopen(fd, "wb"));
  if (!file_) {
    ::close(fd);
    ::unlink(temp_.c_str());
    return ZVRAW_FILEOPEN_ERROR;
  }
  return ZVRAW_OK;
}

int AtomicFileWriter::write(std::span<const std::uint8_t> bytes) {
  if (!file_) return ZVRAW_FILEPOINTER_INVALID;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) failed_ = true;
  return failed_ ? ZVRAW_FILEWRITE_ERROR : ZVRAW_OK;
}

int AtomicFileWriter::write(std::string_view text) {
  return write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

int AtomicFileWriter::commit() {
  if (!file_) return ZVRAW_FILEPOINTER_INVALID;
  // Anything written straight to stream() is checked here too.
  if (std::ferror(file_.get())) failed_ = true;
  const bool closed = closeChecked(file_);
  if (failed_ || !closed || std::rename(temp_.c_str(), target_.c_str()) != 0) {
    ::unlink(temp_.c_str());
    return ZVRAW_FILEWRITE_ERROR;
  }
  return ZVRAW_OK;
}

int writeWholeFile(std::string_view path, std::span<const std::uint8_t> bytes) {
  AtomicFileWriter w;
  if (int rc = w.open(path); rc != ZVRAW_OK) return rc;
  if (int rc = w.write(bytes); rc != ZVRAW_OK) return rc;
  return w.commit();
}

}  // namespace zvraw
