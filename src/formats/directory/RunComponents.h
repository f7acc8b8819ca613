#pragma once

// The files the readers take as part of a run, and whether a directory
// already holds one. A new run laid over an old one would be read together
// with every old file it does not rewrite, so a writer refuses such a target.

#include <string_view>

namespace zvraw {

// Whether a file of this name (no directory) is one the readers open as part
// of a run, in any of the three spellings rawFileComponentfopen tries (as
// named, upper case, lower case): header, function descriptors, instrument
// settings, calibrations, data-dependent settings, gain table, analog files
// and the function files _funcNNN.dat/.idx/.sts/.cdt/.ind.
[[nodiscard]] bool isRunComponentName(std::string_view name);

// ZVRAW_OK when dir holds no regular file (links followed) named as a run
// component, or does not exist; ZVRAW_FILENAME_ERROR when it holds one;
// ZVRAW_ERROR when it cannot be listed (not a directory, no permission).
[[nodiscard]] int checkNoRunIn(std::string_view dir);

}  // namespace zvraw
