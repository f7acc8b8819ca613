// Writes the seed corpus of the fuzz targets: for each file named, the file
// as the fixture builders make it, into OUTPUT_DIRECTORY/<file>/seed.

#include <cstdio>
#include <filesystem>

#include "fuzz/FuzzHarness.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY FILE...\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  for (int k = 2; k < argc; ++k) {
    const std::string file = argv[k];
    const fs::path dir = out / ".scratch" / file;
    fs::create_directories(dir);
    writeFuzzDirectory(dir, file);
    fs::create_directories(out / file);
    writeFile(out / file / "seed", readFile(dir / file));
  }
  fs::remove_all(out / ".scratch");
  return 0;
}
