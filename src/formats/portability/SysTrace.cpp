#include "formats/portability/SysTrace.h"

#include <atomic>
#include <cstdarg>

namespace {

struct AtomicTraceSettings {
  std::atomic<int> debugLevel{20};
  std::atomic<int> infoLevel{20};
  std::atomic<std::FILE*> debugSink{nullptr};
  std::atomic<std::FILE*> infoSink{nullptr};
};

AtomicTraceSettings& settings() {
  static AtomicTraceSettings s;
  return s;
}

void apply(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  AtomicTraceSettings& s = settings();
  s.debugLevel = debug;
  s.infoLevel = info;
  if (debugSink) s.debugSink = debugSink;
  if (infoSink) s.infoSink = infoSink;
}

}  // namespace

namespace zvraw {

TraceSettings traceSettings() {
  const AtomicTraceSettings& s = settings();
  return {s.debugLevel, s.infoLevel, s.debugSink, s.infoSink};
}

void traceLine(const char* format, ...) noexcept {
  std::FILE* sink = settings().infoSink;
  if (sink == nullptr) return;
  // One lock for the whole line: lines from two threads never interleave.
  flockfile(sink);
  va_list args;
  va_start(args, format);
  (void)std::vfprintf(sink, format, args);
  va_end(args);
  (void)std::fputc('\n', sink);
  (void)std::fflush(sink);
  funlockfile(sink);
}

}  // namespace zvraw

void zvrawSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  apply(debug, info, debugSink, infoSink);
  zvrawimpSetTraceLevels(debug, info, debugSink, infoSink);
}

void zvrawimpSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  apply(debug, info, debugSink, infoSink);
}

void zvrawacifcSetTraceLevels(int debug, int info) { apply(debug, info, nullptr, nullptr); }
