#pragma once

// Operating-system calls the layer offers beside the raw-file code.

#include <cstdio>
#include <string>
#include <string_view>

void sysSleep(int seconds);

// The value of TEMP, else of TMP; empty when neither is set or the value is
// longer than a path may be.
[[nodiscard]] std::string sysGetTempDirectory();

// The working directory into buffer; the buffer, or null on failure.
char* sysGetCwd(char* buffer, int size);
[[nodiscard]] int sysChDir(std::string_view path);

// Descriptor calls. sysOpen takes its flags from the mode's text: "r" read
// only, "r+" read-write, "w" create and truncate, "a" create and append.
[[nodiscard]] int sysOpen(std::string_view path, const char* mode, bool lock);
int sysWrite(int fd, const char* data, int length);
int sysClose(int fd);
[[nodiscard]] std::FILE* sysfDopen(int fd, const char* mode);

// Formats at most 1023 characters and writes what was formatted.
int sysfPrintf(int fd, const char* format, ...) __attribute__((format(printf, 2, 3)));

// 2 for "r", 3 for anything else.
[[nodiscard]] int fileAccessModeConvert(const char* mode);

// Kept for callers that expect them; they do nothing.
int sysSplitPath(const char* path, char* drive, char* dir, char* name, char* ext);
int sysChmod(const char* path, int mode);
