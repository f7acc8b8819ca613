#pragma once

// Scans read one at a time in file order (a reader walking a run) are
// served from one read of the bytes ahead instead of a read each, since a
// read costs a system call worth many scans' decoding.
//
// Served bytes must be what a read at load time would return. The held
// file was looked up (HeldDataFiles) at each load and is unchanged in
// device, inode, size and change time since it was opened; a block is only
// read when that change time lies more than the quiet span before the clock
// taken ahead of the lookup. Any later write sets the change time to at
// least that clock, so it differs from the held one and the next lookup
// reopens the file, which drops the block. Left over: bytes changed through
// a shared writable mapping of the file (no change time per store), a write
// stalled in the kernel for longer than the quiet span, and the clock set
// back by more than the span.

#include <cstdint>
#include <ctime>
#include <memory>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/HeldDataFiles.h"

namespace zvraw {

class ScanReadAhead {
 public:
  static constexpr std::size_t kBlockBytes = 256 * 1024;

  // The clock to take before the lookup that precedes a load.
  [[nodiscard]] static std::timespec now();

  // The run of `bytes` at `offset` of file (which holds it), in memory; null
  // when the caller is to read it itself: not the next run of the previous
  // one, a file changed within quietNanos (under a minute) of lookedUp, a run too large for
  // the block, or a failed read.
  [[nodiscard]] const char* find(const std::shared_ptr<const HeldDataFiles::File>& file, std::timespec lookedUp,
                                 std::uint64_t offset, std::uint64_t bytes, std::int64_t quietNanos);

 private:
  [[nodiscard]] bool sameFile(const std::shared_ptr<const HeldDataFiles::File>& file) const;

  PageAlignedBuffer block_;
  std::weak_ptr<const HeldDataFiles::File> file_;  // weak: the set alone decides what stays open
  std::uint64_t at_ = 0, held_ = 0;                 // file bytes [at_, at_ + held_) are in the block
  std::uint64_t nextRun_ = UINT64_MAX;              // where the previous run asked for ended
};

}  // namespace zvraw
