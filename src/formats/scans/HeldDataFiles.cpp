#include "formats/scans/HeldDataFiles.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "formats/portability/SysPaths.h"

namespace zvraw {

namespace {

constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

// This check runs before every read. The C library's fstat goes through
// fstatat with an empty path, which the kernel must first copy in and check;
// the plain fstat system call does not. Only on x86-64 is that call there
// and the kernel's struct stat the C library's, so elsewhere fstat() it is.
bool statDescriptor(int fd, struct stat& st) {
#if defined(__x86_64__) && defined(SYS_fstat)
  return ::syscall(SYS_fstat, fd, &st) == 0;
#else
  return ::fstat(fd, &st) == 0;
#endif
}

bool sameFile(const HeldDataFiles::File& f, const struct stat& st) {
  return static_cast<const FileIdentity&>(f) == FileIdentity::of(st);
}

// Whether the first regular file among the opener's spellings is f.
bool foundAt(const std::array<std::string, 3>& spellings, const HeldDataFiles::File& f) {
  for (const std::string& name : spellings) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    return sameFile(f, st);
  }
  return false;
}

// Whether name itself (not a link to it) is f.
bool isItself(const std::string& name, const HeldDataFiles::File& f) {
  struct stat st {};
  return ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && sameFile(f, st);
}

std::shared_ptr<const HeldDataFiles::File> openFile(const std::string& path) {
  auto f = std::make_shared<HeldDataFiles::File>();
  f->stream = rawFileComponentfopen(path, "rb");
  if (!f->stream || !identityOf(f->stream.get(), *f)) return nullptr;
  return f;
}

}  // namespace

std::timespec HeldDataFiles::now() {
  std::timespec t{};
  if (::clock_gettime(CLOCK_REALTIME_COARSE, &t) != 0) t = {};
  return t;
}

bool HeldDataFiles::quietSince(const File& f, std::timespec clock, std::int64_t span) {
  const std::int64_t seconds = clock.tv_sec - f.changeSeconds;
  // Spans of years need no nanoseconds (and must not overflow them).
  if (seconds > 60) return true;
  if (seconds < -1) return false;
  return seconds * kNanosPerSecond + (clock.tv_nsec - f.changeNanos) > span;
}

bool HeldDataFiles::stillHeld(Entry& e) const {
  if (e.byDescriptor) {
    struct stat st {};
    if (statDescriptor(::fileno(e.file->stream.get()), st) && sameFile(*e.file, st)) return true;
    e.byDescriptor = false;  // changed: the path answers from now on
  }
  const std::timespec before = now();  // a change after it sets a later change time
  if (!foundAt(e.spellings, *e.file)) return false;
  e.byDescriptor = e.direct && quietSince(*e.file, before, quietNanos_);
  return true;
}

std::shared_ptr<const HeldDataFiles::File> HeldDataFiles::acquire(const std::string& path) {
  const std::lock_guard lock(guard_);
  ++clock_;
  auto at = std::ranges::find(held_, path, &Entry::path);
  if (at != held_.end() && stillHeld(*at)) {
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
  // The descriptor answers only after a later lookup finds the file quiet.
  at->direct = isItself(at->spellings[0], *fresh);
  at->byDescriptor = false;
  return fresh;
}

}  // namespace zvraw
