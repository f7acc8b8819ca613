#include "formats/portability/FileIdentity.h"

namespace zvraw {

FileIdentity FileIdentity::of(const struct stat& st) {
  FileIdentity id;
  id.device = static_cast<std::uint64_t>(st.st_dev);
  id.inode = static_cast<std::uint64_t>(st.st_ino);
  id.links = static_cast<std::uint64_t>(st.st_nlink);
  id.size = st.st_size < 0 ? 0 : static_cast<std::uint64_t>(st.st_size);
  id.changeSeconds = st.st_ctim.tv_sec;
  id.changeNanos = st.st_ctim.tv_nsec;
  return id;
}

bool identityOf(std::FILE* f, FileIdentity& out) {
  struct stat st {};
  if (f == nullptr || ::fstat(::fileno(f), &st) != 0 || st.st_size < 0) return false;
  out = FileIdentity::of(st);
  return true;
}

bool sameOrGrown(const FileIdentity& held, const FileIdentity& now) {
  if (now.device != held.device || now.inode != held.inode || now.links != held.links) return false;
  if (now.size != held.size) return now.size > held.size;
  return now.changeSeconds == held.changeSeconds && now.changeNanos == held.changeNanos;
}

}  // namespace zvraw
