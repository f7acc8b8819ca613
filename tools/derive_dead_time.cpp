// Prints the source of the built-in dead-time table, derived from its
// reference values:
//
//     zvraw_derive_dead_time > src/processing/DefaultDeadTime.cpp

#include <cstdio>

#include "DeadTimeDerivation.h"

int main() {
  const std::string text = zvraw::deadTimeSource(zvraw::deriveDeadTimeTable());
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
