#pragma once

#include <cstdio>
#include <memory>

namespace zvraw {

// A C stream that closes itself. Readers drop it on every path; writers that
// must see the close's result call closeChecked instead.
struct FileCloser {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Closes the stream and reports whether everything buffered reached the file.
[[nodiscard]] inline bool closeChecked(FilePtr& f) noexcept {
  if (!f) return false;
  return std::fclose(f.release()) == 0;
}

}  // namespace zvraw
