#pragma once

// Makes a stream's close fail the way a close that loses written bytes does
// (a network file system reports a failed write only there): the process's
// descriptor of the file is closed behind the stream's back, so its own
// close(2) fails. The stream must be closed before anything else opens a file.

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

// False when no descriptor of the process has the file open.
[[nodiscard]] inline bool closeBehind(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  const fs::path target = fs::canonical(file);
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    if (fs::read_symlink(fd.path(), ec) == target) return ::close(std::stoi(fd.path().filename().string())) == 0;
  }
  return false;
}
