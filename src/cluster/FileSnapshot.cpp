#include "cluster/FileSnapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace zvraw {

namespace {

bool regularFile(const std::string& path, std::uint64_t& size) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

// path with its last component passed through convert.
std::string respelled(const std::string& path, int (*convert)(int)) {
  std::string out = path;
  const std::size_t slash = out.find_last_of('/');
  for (std::size_t i = slash == std::string::npos ? 0 : slash + 1; i < out.size(); ++i)
    out[i] = static_cast<char>(convert(static_cast<unsigned char>(out[i])));
  return out;
}

}  // namespace

FileSnapshot::FileSnapshot(const std::string& path) {
  for (const std::string& p : {path, respelled(path, ::toupper), respelled(path, ::tolower)}) {
    if (std::ranges::any_of(m_spellings, [&](const Spelling& s) { return s.path == p; })) continue;
    Spelling s{p};
    s.existed = regularFile(p, s.size);
    m_spellings.push_back(s);
  }
}

bool FileSnapshot::restore() const {
  bool restored = true;
  for (const Spelling& s : m_spellings) {
    std::uint64_t now = 0;
    if (!regularFile(s.path, now)) continue;
    if (!s.existed)
      restored = std::remove(s.path.c_str()) == 0 && restored;
    else if (now != s.size)
      restored = ::truncate(s.path.c_str(), static_cast<off_t>(s.size)) == 0 && restored;
  }
  return restored;
}

}  // namespace zvraw
