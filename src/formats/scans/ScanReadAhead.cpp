#include "formats/scans/ScanReadAhead.h"

#include <algorithm>
#include <cstdio>

#include "formats/portability/SysFileSize.h"

namespace zvraw {

std::timespec ScanReadAhead::now() { return HeldDataFiles::now(); }

bool ScanReadAhead::sameFile(const std::shared_ptr<const HeldDataFiles::File>& file) const {
  return !file_.owner_before(file) && !file.owner_before(file_) && !file_.expired();
}

const char* ScanReadAhead::find(const std::shared_ptr<const HeldDataFiles::File>& file, std::timespec lookedUp,
                                std::uint64_t offset, std::uint64_t bytes, std::int64_t quietNanos) {
  if (!file || bytes == 0 || offset > file->size || bytes > file->size - offset) return nullptr;
  const bool same = sameFile(file);
  if (same && offset >= at_ && offset - at_ <= held_ && bytes <= held_ - (offset - at_)) {
    nextRun_ = offset + bytes;
    return reinterpret_cast<const char*>(block_.data()) + (offset - at_);
  }
  const bool next = same && offset == nextRun_;
  file_ = file;
  held_ = 0;
  nextRun_ = offset + bytes;
  // A run that starts the walk, or jumps, is read alone: reading ahead of
  // scans taken in no order would only read more.
  if (!next || bytes > kBlockBytes / 2 || !HeldDataFiles::quietSince(*file, lookedUp, quietNanos)) return nullptr;
  // From the page the run starts in, so the block keeps the file's
  // alignment; never more than the file holds from there.
  const std::uint64_t from = offset / kPageSize * kPageSize;
  const std::uint64_t want = std::min<std::uint64_t>(kBlockBytes, file->size - from);
  if (!block_.reserve(want)) return nullptr;
  bool failed = false;
  const std::uint64_t got = preadFully(::fileno(file->stream.get()), block_.data(), want, from, failed);
  at_ = from;
  held_ = got;
  if (offset - at_ + bytes > held_) return nullptr;  // the file ended early: the caller's read answers
  return reinterpret_cast<const char*>(block_.data()) + (offset - at_);
}

}  // namespace zvraw
