#include "formats/scans/HeldDataFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>

#include "formats/portability/SysPaths.h"

namespace zvraw {

namespace {

bool sameFile(const HeldDataFiles::File& f, const struct stat& st) {
  return f.device == static_cast<std::uint64_t>(st.st_dev) && f.inode == static_cast<std::uint64_t>(st.st_ino) &&
         f.size == static_cast<std::uint64_t>(st.st_size) && f.changeSeconds == st.st_ctim.tv_sec &&
         f.changeNanos == st.st_ctim.tv_nsec;
}

// Whether the first regular file among the opener's spellings is f.
bool stillHeld(const std::array<std::string, 3>& spellings, const HeldDataFiles::File& f) {
  for (const std::string& name : spellings) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    return sameFile(f, st);
  }
  return false;
}

std::shared_ptr<const HeldDataFiles::File> openFile(const std::string& path) {
  auto f = std::make_shared<HeldDataFiles::File>();
  f->stream = rawFileComponentfopen(path, "rb");
  struct stat st {};
  if (!f->stream || ::fstat(::fileno(f->stream.get()), &st) != 0 || st.st_size < 0) return nullptr;
  f->size = static_cast<std::uint64_t>(st.st_size);
  f->device = static_cast<std::uint64_t>(st.st_dev);
  f->inode = static_cast<std::uint64_t>(st.st_ino);
  f->changeSeconds = st.st_ctim.tv_sec;
  f->changeNanos = st.st_ctim.tv_nsec;
  return f;
}

}  // namespace

std::shared_ptr<const HeldDataFiles::File> HeldDataFiles::acquire(const std::string& path) {
  const std::lock_guard lock(guard_);
  ++clock_;
  auto at = std::ranges::find(held_, path, &Entry::path);
  if (at != held_.end() && stillHeld(at->spellings, *at->file)) {
    at->lastUse = clock_;
    return at->file;
  }
  std::shared_ptr<const File> fresh = openFile(path);
  if (!fresh) {
    if (at != held_.end()) held_.erase(at);  // what was held is gone
    return nullptr;
  }
  if (at == held_.end()) {
    if (held_.size() >= kMaxHeld) held_.erase(std::ranges::min_element(held_, {}, &Entry::lastUse));
    at = held_.insert(held_.end(), Entry{path, componentSpellings(path), nullptr, 0});
  }
  at->file = fresh;
  at->lastUse = clock_;
  return fresh;
}

}  // namespace zvraw
