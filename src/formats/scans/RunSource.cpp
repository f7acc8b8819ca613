#include "formats/scans/RunSource.h"

#include <sys/stat.h>
#include <sys/types.h>

#include "formats/scans/RunWindow.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw {

namespace {

// Whether the stream's file holds `bytes` more from its position. Streams
// that are not regular files are left to the read itself.
bool fileHolds(std::FILE* f, std::uint64_t bytes) {
  struct stat st {};
  if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  const off_t pos = ::ftello(f);
  if (pos < 0) return true;
  return pos <= st.st_size && static_cast<std::uint64_t>(st.st_size - pos) >= bytes;
}

}  // namespace

RunSource RunSource::stream(std::FILE* file) {
  RunSource s(Kind::Stream);
  s.file_ = file;
  return s;
}

RunSource RunSource::descriptor(int fd, std::uint64_t fileSize, RunWindow* window, PageAlignedBuffer* large) {
  RunSource s(Kind::Descriptor);
  s.fd_ = fd;
  s.size_ = fileSize;
  s.window_ = window;
  s.kept_ = large;
  return s;
}

RunSource RunSource::memory(const char* block, std::uint64_t size, std::uint64_t at) {
  RunSource s(Kind::Memory);
  s.block_ = block;
  s.size_ = size;
  s.at_ = at;
  return s;
}

char* RunSource::stage(std::uint64_t pos, std::uint64_t bytes) {
  // The run lands at its page offset, so that the bulk of the copy out of
  // the page cache is page-aligned.
  const std::uint64_t lead = pos % kPageSize;
  if (bytes <= kScratchBlockBytes - lead) {
    char* block = threadScratchBlock();
    if (block && window_) window_->forget();  // the window reads through the same block
    return block ? block + lead : nullptr;
  }
  if (bytes > SIZE_MAX - lead) return nullptr;
  std::uint8_t* own = (kept_ ? *kept_ : large_).reserve(static_cast<std::size_t>(lead + bytes));
  return own ? reinterpret_cast<char*>(own) + lead : nullptr;
}

int RunSource::fetch(std::uint64_t offset, std::uint64_t bytes, std::span<const char>& run) {
  run = {};
  switch (kind_) {
    case Kind::Memory:
      if (!block_) return ZVRAW_NULLPOINTER_ERROR;
      if (offset < at_ || offset - at_ > size_ || bytes > size_ - (offset - at_)) return ZVRAW_SCANREAD_EOFERROR;
      run = {block_ + (offset - at_), static_cast<std::size_t>(bytes)};
      return ZVRAW_OK;
    case Kind::Descriptor: {
      if (fd_ < 0) return ZVRAW_NULLPOINTER_ERROR;
      if (bytes > size_ || offset > size_ - bytes) return ZVRAW_SCANREAD_EOFERROR;
      if (bytes == 0) return ZVRAW_OK;
      if (window_)
        if (const char* held = window_->find(offset, bytes)) {
          run = {held, static_cast<std::size_t>(bytes)};
          return ZVRAW_OK;
        }
      char* into = stage(offset, bytes);
      if (!into) return ZVRAW_SCANMEMALLOC_ERROR;
      if (int rc = preadRun(fd_, into, bytes, offset); rc != ZVRAW_OK) return rc;
      run = {into, static_cast<std::size_t>(bytes)};
      return ZVRAW_OK;
    }
    case Kind::Stream: {
      if (!file_) return ZVRAW_NULLPOINTER_ERROR;
      if (!fileHolds(file_, bytes)) return ZVRAW_SCANREAD_EOFERROR;
      if (bytes == 0) return ZVRAW_OK;
      const off_t pos = ::ftello(file_);
      char* into = stage(pos < 0 ? 0 : static_cast<std::uint64_t>(pos), bytes);
      if (!into) return ZVRAW_SCANMEMALLOC_ERROR;
      if (std::fread(into, 1, bytes, file_) != bytes)
        return std::feof(file_) ? ZVRAW_SCANREAD_EOFERROR : ZVRAW_SCANREAD_ERROR;
      run = {into, static_cast<std::size_t>(bytes)};
      return ZVRAW_OK;
    }
  }
  return ZVRAW_NULLPOINTER_ERROR;
}

}  // namespace zvraw
