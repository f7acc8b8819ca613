#pragma once

// File sizes and seeks with 64-bit offsets, and the guarded narrowing that
// turns a 64-bit size into the 32-bit one older records hold.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// The value itself when it fits 32 bits; else throws std::overflow_error
// "Conversion overflow".
[[nodiscard]] std::uint32_t convert(std::uint64_t value);

// Seeks to the end (the position stays there) and returns the size narrowed
// by convert: throws for files of 4 GiB or more.
[[nodiscard]] std::uint32_t getFileSize(std::FILE* f);

// Opens path as a component file: ZVRAW_FILEOPEN_ERROR when it cannot, else
// stores the size. Throws as getFileSize(FILE*) does.
[[nodiscard]] int getFileSize(std::string_view path, unsigned int& size);

// Seeks to the end (the position stays there) and returns the 64-bit size;
// -1 when the stream cannot seek.
[[nodiscard]] std::int64_t getLargeFileSize(std::FILE* f);

// The 64-bit size; the stream's position is restored. -1 on failure.
[[nodiscard]] std::int64_t getFileSizePreserve(std::FILE* f);

// Seeks with an unsigned 32-bit offset, so offsets above 2 GiB work.
int fseek_4g(std::FILE* f, std::uint32_t offset, int whence);

// Seeks to high * 2^32 + low, the two halves of an extended index record.
int fseek_64(std::FILE* f, std::uint32_t low, std::uint32_t high, int whence);

namespace zvraw {

// The size of an open file, from fstat: no seek, so the stream's buffer and
// position stay as they are. -1 on failure.
[[nodiscard]] std::int64_t openFileSize(std::FILE* f);

// pread until n bytes are in, the file ends or a read fails (an interrupted
// read is retried). Returns the bytes read; `failed` tells a failure from
// the file's end.
[[nodiscard]] std::size_t preadFully(int fd, void* to, std::size_t n, std::uint64_t at, bool& failed);

// Reads up to n bytes at offset `at` of the open file with pread (neither the
// stream nor its position is used). Returns the bytes read; `code` is 0, or
// what ended a short read: ZVRAW_FILEREAD_EOFERROR at the file's end,
// ZVRAW_FILEREAD_ERROR on an error, ZVRAW_FILESEEK_ERROR past the largest offset.
[[nodiscard]] std::size_t readAt(std::FILE* f, std::uint8_t* to, std::size_t n, std::uint64_t at, int& code);

}  // namespace zvraw
