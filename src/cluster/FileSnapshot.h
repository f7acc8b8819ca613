#pragma once

// What a component file was before a write that may have to be undone: its
// length, or that there was no file. Writes here only ever extend a file
// (the first one creates it), so cutting it back restores it byte for byte.
// A component file is opened by its name, else with its last component in
// upper case, else in lower case: each spelling is kept.

#include <cstdint>
#include <string>
#include <vector>

namespace zvraw {

class FileSnapshot {
 public:
  explicit FileSnapshot(const std::string& path);

  // Cuts each regular file back to its old length, or removes it when there
  // was none. Anything else at a path (a directory) is left alone. False
  // when a file could not be put back (the file system refused the cut).
  [[nodiscard]] bool restore() const;

 private:
  struct Spelling {
    std::string path;
    bool existed = false;
    std::uint64_t size = 0;
  };
  std::vector<Spelling> m_spellings;
};

}  // namespace zvraw
