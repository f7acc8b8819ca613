#pragma once

// Where a scan's packet run comes from: a stream at its position, a file
// descriptor at an offset, or a block of the file already in memory. Every
// road that reads scans fetches the run through one, then decodes it.

#include <cstdint>
#include <cstdio>
#include <span>

#include "formats/portability/PageAlignedBuffer.h"

namespace zvraw {

class RunWindow;

class RunSource {
 public:
  // The stream, read from its position (the offsets given are not used).
  [[nodiscard]] static RunSource stream(std::FILE* file);
  // The file fd of fileSize bytes, read with pread (no stream, no seek),
  // through the window's block when one is given. Runs too large for the
  // thread's scratch block go to `large` when given (a block the caller
  // keeps between loads), else to a block of the source's own.
  [[nodiscard]] static RunSource descriptor(int fd, std::uint64_t fileSize, RunWindow* window = nullptr,
                                            PageAlignedBuffer* large = nullptr);
  // The file's bytes [at, at + size) held at block.
  [[nodiscard]] static RunSource memory(const char* block, std::uint64_t size, std::uint64_t at = 0);

  // The `bytes` bytes at `offset` in memory, valid until the next fetch:
  // 0; ZVRAW_SCANREAD_EOFERROR when the file does not hold them all (found
  // before anything is read or allocated for them); 42 or
  // ZVRAW_SCANREAD_ERROR as a read answers; ZVRAW_SCANMEMALLOC_ERROR
  // without room to read into; ZVRAW_NULLPOINTER_ERROR without a source.
  [[nodiscard]] int fetch(std::uint64_t offset, std::uint64_t bytes, std::span<const char>& run);

 private:
  enum class Kind { Stream, Descriptor, Memory };
  explicit RunSource(Kind kind) : kind_(kind) {}
  // Room for bytes read from file position pos: the thread's scratch block
  // when they fit, else a block of the source's own.
  [[nodiscard]] char* stage(std::uint64_t pos, std::uint64_t bytes);

  Kind kind_;
  std::FILE* file_ = nullptr;
  int fd_ = -1;
  RunWindow* window_ = nullptr;
  const char* block_ = nullptr;
  std::uint64_t size_ = 0, at_ = 0;
  PageAlignedBuffer large_;
  PageAlignedBuffer* kept_ = nullptr;
};

}  // namespace zvraw
