#pragma once

// The workstation's settings name files the Windows way ("c:\abort.sem",
// ".\failed"). Before such a path touches the disk it is mapped: each "\"
// becomes "/", and a leading drive "X:" becomes the folder named by the
// environment variable ZORVALEN_DRIVE_X (the letter in upper case):
//
//   ZORVALEN_DRIVE_C=/srv/c   "c:\abort.sem" -> "/srv/c/abort.sem"
//                             ".\failed"     -> "./failed"
//
// A drive without a folder names nothing: such a path is missing.

#include <optional>
#include <string>
#include <string_view>

namespace Vardex::Lib::ZorvalenRaw {

// The path of this system, or none when its drive has no folder.
[[nodiscard]] std::optional<std::string> mapDrivePath(std::string_view path);

// Whether a mapped path is absolute: it begins with "/".
[[nodiscard]] inline bool isAbsolutePath(std::string_view mapped) { return !mapped.empty() && mapped.front() == '/'; }

// The text after the last "/" or "\" (the whole text when there is none).
[[nodiscard]] std::string_view lastComponent(std::string_view path);

}  // namespace Vardex::Lib::ZorvalenRaw
