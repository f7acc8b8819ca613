#pragma once

// Whether a program runs, asked of the process tree: "/proc", or the folder
// named by the environment variable ZORVALEN_PROC_ROOT. Every entry whose
// name is a decimal number is a process; one whose "comm" holds the name
// (a final line feed aside) is the program, and the lowest number counts.
//
// Its folder is that of argv[0] in "cmdline" when argv[0] names one (mapped
// as drive paths are), else that of the target of the "exe" link, else empty.

#include <string>
#include <string_view>

namespace Vardex::Lib::ZorvalenRaw {

// True when a process of that name runs; folder is set either way (empty
// when the program does not run or its folder cannot be read).
[[nodiscard]] bool findRunningProcess(std::string_view name, std::string& folder);

}  // namespace Vardex::Lib::ZorvalenRaw
