#pragma once

// Whole-file reads with a size cap, and whole-file writes that never leave a
// half-written file behind: the bytes go to a temporary file in the same
// directory, which is renamed over the target only once everything reached it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "formats/portability/ByteCodec.h"
#include "formats/portability/FileHandle.h"

namespace zvraw {

// Reads a component file (see rawFileComponentfopen) whole. A file larger
// than maxSize is refused with ZVRAW_FILEREAD_ERROR before anything is
// allocated; ZVRAW_FILEOPEN_ERROR when it does not open.
[[nodiscard]] int readWholeFile(std::string_view path, Bytes& out, std::uint64_t maxSize);

// Writes all n bytes at offset of the open file fd (the file position stays
// where it was); returns how many reached the file, fewer on failure.
[[nodiscard]] std::size_t writeAt(int fd, const void* bytes, std::size_t n, std::uint64_t offset);

// Writes a file whole through a temporary file and a rename.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();  // an uncommitted temporary file is removed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // ZVRAW_FILEOPEN_ERROR when the temporary file cannot be made.
  [[nodiscard]] int open(std::string_view targetPath);
  [[nodiscard]] std::FILE* stream() const { return file_.get(); }
  [[nodiscard]] int write(std::span<const std::uint8_t> bytes);
  [[nodiscard]] int write(std::string_view text);
  // Flushes, closes and renames into place; ZVRAW_FILEWRITE_ERROR when any
  // write, the close or the rename failed (the target is then untouched).
  [[nodiscard]] int commit();

 private:
  void discard() noexcept;
  FilePtr file_;
  std::string target_;
  std::string temp_;
  bool failed_ = false;
};

// One call: the whole content through an AtomicFileWriter.
[[nodiscard]] int writeWholeFile(std::string_view path, std::span<const std::uint8_t> bytes);

}  // namespace zvraw
