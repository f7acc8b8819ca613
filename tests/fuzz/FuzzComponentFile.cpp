// One libFuzzer target per file kind: built once per kind, with the file's
// name in ZVRAW_FUZZ_FILE.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzComponentFile(ZVRAW_FUZZ_FILE, data, size);
}
