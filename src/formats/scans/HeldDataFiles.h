#pragma once

// The data files of one cluster kept open between loads, so that a one-scan
// load does not reopen _funcNNN.dat. A held file answers as a reopen
// through rawFileComponentfopen would: unless the first regular file found
// at the path in the opener's spelling order is the held one (same device,
// inode, link count, size and change time) the file is opened afresh,
// giving the opener's answer (no file, or the new one).
//
// Looking the path up costs more than the read it guards, so a file found
// under the path's own spelling (not through a symbolic link there) and
// unchanged for the quiet span when last looked up is checked through its
// own descriptor instead. Any rename, removal or link of it, a write or a
// truncation sets its change time (or link count, or size) anew, which then
// differs from the held one and sends the check back to the path. Left
// over: a directory replaced as a whole under the path (or a link along the
// path pointed elsewhere, or, for a relative path, a new working directory)
// is seen once the held file changes; and, as for the read-ahead, the clock
// set back by more than the span.
//
// The cluster owns the set and lends it to its function data; it holds a
// few descriptors at most, the most recently used.

#include <array>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/portability/FileIdentity.h"

namespace zvraw {

class HeldDataFiles {
 public:
  static constexpr std::size_t kMaxHeld = 8;

  // The stream, and its file's identity at the time it was opened.
  struct File : FileIdentity {
    zvraw::FilePtr stream;
  };

  // The coarse clock, the one file times are taken from.
  [[nodiscard]] static std::timespec now();
  // Whether f's change time lies more than span before the clock.
  [[nodiscard]] static bool quietSince(const File& f, std::timespec clock, std::int64_t span);

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
    // Found under the first spelling itself, not through a link.
    bool direct = false;
    // The descriptor alone answers for the path (see above).
    bool byDescriptor = false;
  };

  // Whether the path still names e's file; moves e to or off the check
  // through its descriptor.
  [[nodiscard]] bool stillHeld(Entry& e) const;

  std::mutex guard_;
  std::vector<Entry> held_;
  std::uint64_t clock_ = 0;
  std::int64_t quietNanos_ = 2'000'000'000;
};

}  // namespace zvraw
