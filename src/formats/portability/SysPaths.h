#pragma once

// Paths, directories and the component files of a raw data directory.
// Paths are at most kMaxPathLength bytes; a longer one is refused, never cut,
// since a cut path can name a different file.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/portability/FileHandle.h"

namespace zvraw {
inline constexpr std::size_t kMaxPathLength = 255;
}  // namespace zvraw

[[nodiscard]] const char* getDirSlash();

// Extends prefix by the next component of path; 0 once prefix is the whole path.
int getNextSubDir(std::string_view path, std::string& prefix);

// 0 when every directory along path exists afterwards, -1 at the first failure.
[[nodiscard]] int sysMakeDir(std::string_view path);

// 1 when every prefix of path already exists, 0 otherwise (see SysPaths.cpp).
[[nodiscard]] int sysExistsDir(std::string_view path);

// 1 when the file opens for reading.
[[nodiscard]] int sysExistsFile(std::string_view path);

// Index of the last separator at position 1 or more; 0 when there is none.
[[nodiscard]] std::size_t findSlash(std::string_view path);

char* to_upper(char* text);
char* to_lower(char* text);

// Opens a file with a stream mode ("rb", "wb", "r+b", ...) without waiting
// for a peer: a FIFO would hold an open for reading until some writer came.
// With regularOnly, anything but a regular file (a FIFO, a device, a
// directory) counts as a file that does not open. Null, with errno, on failure.
// sizeAtOpen, when given, receives the file's length once opened.
[[nodiscard]] zvraw::FilePtr sysOpenFile(const std::string& path, const char* mode, bool regularOnly = true,
                                         std::uint64_t* sizeAtOpen = nullptr);

// Whether a file opened at path for writing would be a regular file: nothing
// is there, or a regular file is (links followed). Lets a writer of two files
// refuse a FIFO or device at either name before it creates the other.
[[nodiscard]] bool sysNameTakesRegularFile(const std::string& path);

// Path as given, then with its last component upper-cased, then lower-cased.
[[nodiscard]] std::array<std::string, 3> componentSpellings(std::string_view path);

// Opens path as given, then with its last component upper-cased, then
// lower-cased; only a regular file opens (see sysOpenFile). Null when none
// opens or the path is too long. sizeAtOpen as for sysOpenFile.
[[nodiscard]] zvraw::FilePtr rawFileComponentfopen(std::string_view path, const char* mode,
                                                   std::uint64_t* sizeAtOpen = nullptr);
[[nodiscard]] int sysRawComponentFileExists(std::string_view path);
// The size of the first spelling that names a regular file, opened or not
// (one the caller may not read is there all the same); -1 when none does.
[[nodiscard]] std::int64_t rawComponentFileSize(std::string_view path);

// Removes the file in each of the three spellings rawFileComponentfopen
// would open; the number of files removed.
int sysRemoveComponentFile(std::string_view path);

// The name of a function's file, "_funcNNN.<extension>", NNN being the
// 1-based function number in at least three digits. The scan files (.dat,
// .idx, .sts) put a 0 before a number from 100 on (_func0100.dat); the
// compressed drift pair does not (_func100.cdt).
namespace zvraw {
enum class FunctionNumbering { ScanFiles, DriftFiles };
[[nodiscard]] std::string functionFileLeaf(long long number, std::string_view extension, FunctionNumbering numbering);
}  // namespace zvraw

// Per-function file names, n being the 1-based function number:
// dir/_func001.dat ... dir/_func099.dat, dir/_func0100.dat.
// 0, or ZVRAW_FILENAME_ERROR when the name would be longer than a path may be.
[[nodiscard]] int getZVRawFunctionFile(std::string_view dir, std::string& out, int n);
[[nodiscard]] int getZVRawIDXFile(std::string_view dir, std::string& out, int n);
[[nodiscard]] int getZVRawStatsFile(std::string_view dir, std::string& out, int n);

// 1 and the part of path before its last separator (cut to size - 1
// characters); 0 when path is empty or holds no separator.
int sysGetDirFromFullPath(std::string_view path, std::string& out, int size);
