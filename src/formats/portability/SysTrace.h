#pragma once

#include <cstdio>

namespace zvraw {

// The raw core's trace settings: one set per process. They are stored only;
// the few messages the loaders print go straight to standard output.
struct TraceSettings {
  int debugLevel = 20;
  int infoLevel = 20;
  std::FILE* debugSink = nullptr;  // standard error until set
  std::FILE* infoSink = nullptr;   // standard output until set
};

// The settings as they stand. Each one is set and read whole, so threads
// that set and read them at once never see a torn value.
[[nodiscard]] TraceSettings traceSettings();

}  // namespace zvraw

// Sets both levels; a non-null sink replaces the current one, a null sink keeps it.
void zvrawSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink);
void zvrawimpSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink);
// Sets both levels; the sinks stay.
void zvrawacifcSetTraceLevels(int debug, int info);
