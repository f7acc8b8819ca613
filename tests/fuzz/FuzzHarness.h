#pragma once

// The shared body of the fuzz targets: each writes its input as one file of
// a small raw directory (made once per process by the fixture builders) and
// drives the C read exports over the directory; the file is put back after.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// Writes a directory for fuzzing `file`: the full fixture directory, plus
// the companion files the kind needs to be read at all.
void writeFuzzDirectory(const std::filesystem::path& dir, const std::string& file);

// Runs one input as `file`; always 0.
int fuzzComponentFile(const std::string& file, const std::uint8_t* data, std::size_t size);
