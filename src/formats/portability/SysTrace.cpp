#include "formats/portability/SysTrace.h"

#include <atomic>

namespace {

struct AtomicTraceSettings {
  std::atomic<int> debugLevel{20};
  std::atomic<int> infoLevel{20};
  std::atomic<std::FILE*> debugSink{stderr};
  std::atomic<std::FILE*> infoSink{stdout};
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

}  // namespace zvraw

void zvrawSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  apply(debug, info, debugSink, infoSink);
  zvrawimpSetTraceLevels(debug, info, debugSink, infoSink);
}

void zvrawimpSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  apply(debug, info, debugSink, infoSink);
}

void zvrawacifcSetTraceLevels(int debug, int info) { apply(debug, info, nullptr, nullptr); }
