#pragma once

#include <cstdio>

namespace zvraw {

// The raw core's trace settings: one set per process. The library's few
// diagnostic lines go to the info sink; until a caller sets one they go
// nowhere, so nothing reaches the process's standard streams unasked.
struct TraceSettings {
  int debugLevel = 20;
  int infoLevel = 20;
  std::FILE* debugSink = nullptr;  // none until set
  std::FILE* infoSink = nullptr;   // none until set
};

// The settings as they stand. Each one is set and read whole, so threads
// that set and read them at once never see a torn value.
[[nodiscard]] TraceSettings traceSettings();

// Writes one line (the formatted text and a newline) to the info sink and
// flushes it; does nothing while no info sink is set.
void traceLine(const char* format, ...) noexcept __attribute__((format(printf, 1, 2)));

}  // namespace zvraw

// Sets both levels; a non-null sink replaces the current one, a null sink keeps it.
void zvrawSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink);
void zvrawimpSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink);
// Sets both levels; the sinks stay.
void zvrawacifcSetTraceLevels(int debug, int info);
