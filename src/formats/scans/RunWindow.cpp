#include "formats/scans/RunWindow.h"

#include <algorithm>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/SysFileSize.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw {

int preadRun(int fd, char* into, std::uint64_t n, std::uint64_t pos) {
  bool failed = false;
  if (preadFully(fd, into, n, pos, failed) == n) return ZVRAW_OK;
  return failed ? ZVRAW_SCANREAD_ERROR : ZVRAW_SCANREAD_EOFERROR;
}

const char* RunWindow::find(std::uint64_t offset, std::uint64_t bytes) {
  if (block_ == nullptr || offset > size_ || bytes > size_ - offset) return nullptr;
  if (offset >= at_ && offset - at_ <= held_ && bytes <= held_ - (offset - at_)) return block_ + (offset - at_);
  // From the run's page on, so the copy out of the page cache stays page-aligned.
  const std::uint64_t at = offset - offset % kPageSize;
  const std::uint64_t wanted = std::max(end_ > at ? end_ - at : 0, offset - at + bytes);
  const std::uint64_t n = std::min({capacity_, size_ - at, wanted});
  held_ = 0;
  if (offset - at + bytes > n || preadRun(fd_, block_, n, at) != ZVRAW_OK) return nullptr;
  at_ = at;
  held_ = n;
  return block_ + (offset - at);
}

}  // namespace zvraw
