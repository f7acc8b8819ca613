#pragma once

// A small raw directory holding one file of every kind the library reads:
// two functions (the second a lock-mass reference function) with their
// index, data and statistics files, the descriptor file and header, a gain
// table, instrument settings, one analog channel, both mobility calibrations,
// data-dependent settings and a compressed drift pair for function 0.

#include <filesystem>
#include <string>
#include <vector>

void writeFullDirectory(const std::filesystem::path& dir);

// The names of its files, each the only one of its kind.
[[nodiscard]] std::vector<std::string> fullDirectoryFiles();
