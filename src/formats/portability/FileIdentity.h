#pragma once

// What tells a file at a path from another one put there since, and from a
// change made to it in place: device, inode, link count, size and change
// time, as the kernel reports them.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>

namespace zvraw {

struct FileIdentity {
  std::uint64_t device = 0, inode = 0, links = 0, size = 0;
  std::int64_t changeSeconds = 0, changeNanos = 0;

  [[nodiscard]] static FileIdentity of(const struct stat& st);
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of an open stream's file; false when it cannot be had.
[[nodiscard]] bool identityOf(std::FILE* f, FileIdentity& out);

// Whether `now` is the file `held` as it was or grown by appending: the same
// file and links, no shorter, and changed only where it grew. A file written
// anew in place to the same length or less is not: its change time moved.
[[nodiscard]] bool sameOrGrown(const FileIdentity& held, const FileIdentity& now);

}  // namespace zvraw
