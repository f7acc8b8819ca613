#pragma once

// The data files of one cluster kept open between loads, so that a one-scan
// load does not reopen _funcNNN.dat. A held file answers exactly as a
// reopen through rawFileComponentfopen would: before each use the path is
// looked up in the opener's spelling order, and unless the first regular
// file found is the held one (same device, inode, size and change time) the
// file is opened afresh, giving the opener's answer (no file, or the new
// one). The cluster owns the set and lends it to its function data; it holds
// a few descriptors at most, the most recently used.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "formats/portability/FileHandle.h"

namespace zvraw {

class HeldDataFiles {
 public:
  static constexpr std::size_t kMaxHeld = 8;

  struct File {
    zvraw::FilePtr stream;
    std::uint64_t size = 0;
    // Identity at the time it was opened or last checked.
    std::uint64_t device = 0, inode = 0;
    std::int64_t changeSeconds = 0, changeNanos = 0;
  };

  // The file at path, opened for reading, with its size; null when it does
  // not open. The share stays usable when the set lets the file go.
  [[nodiscard]] std::shared_ptr<const File> acquire(const std::string& path);

  // How long a file must have been left unchanged before the bytes ahead of
  // a run are read with it (see ScanReadAhead); tests shorten it.
  [[nodiscard]] std::int64_t quietNanos() const { return quietNanos_; }
  void setQuietNanos(std::int64_t nanos) { quietNanos_ = nanos; }

 private:
  struct Entry {
    std::string path;
    // The opener's spellings of path, folded once rather than on every use.
    std::array<std::string, 3> spellings;
    std::shared_ptr<const File> file;
    std::uint64_t lastUse = 0;
  };

  std::mutex guard_;
  std::vector<Entry> held_;
  std::uint64_t clock_ = 0;
  std::int64_t quietNanos_ = 2'000'000'000;
};

}  // namespace zvraw
