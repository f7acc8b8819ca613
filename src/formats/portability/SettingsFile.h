#pragma once

// Whole reads and replacing writes of small text settings files (profile
// files, versioned INI files, calibration files). Settings files are opened
// by exactly the name given: no case retries as for raw component files.

#include <cstddef>
#include <string>
#include <string_view>

namespace zvraw {

// Settings files are a few kilobytes; anything far larger is not one, and is
// refused rather than read into memory.
inline constexpr std::size_t kMaxSettingsFileSize = 16u << 20;

// The whole file into out. ZVRAW_FILEOPEN_ERROR when it does not open,
// ZVRAW_FILEREAD_ERROR on a read error or a file over maxSize (out is empty).
[[nodiscard]] int readSettingsFile(const std::string& path, std::string& out,
                                   std::size_t maxSize = kMaxSettingsFileSize);

// Replaces the file with content through a temporary file renamed into place,
// so a failed write leaves the old file exactly as it was. The new file keeps
// the old one's permission bits (a new file gets 0666 less the umask), and a
// symbolic link stays a link: the file it names is replaced.
// ZVRAW_FILEOPEN_ERROR when the temporary file cannot be made (nothing is
// written); ZVRAW_FILEWRITE_ERROR when a write, the close or the rename failed.
[[nodiscard]] int writeSettingsFile(const std::string& path, std::string_view content);

}  // namespace zvraw
