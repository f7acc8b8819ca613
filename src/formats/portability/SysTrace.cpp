#include "formats/portability/SysTrace.h"

namespace {

TraceSettings& mutableSettings() {
  static TraceSettings settings{20, 20, stderr, stdout};
  return settings;
}

void apply(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  TraceSettings& s = mutableSettings();
  s.debugLevel = debug;
  s.infoLevel = info;
  if (debugSink) s.debugSink = debugSink;
  if (infoSink) s.infoSink = infoSink;
}

}  // namespace

const TraceSettings& traceSettings() { return mutableSettings(); }

void zvrawSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  apply(debug, info, debugSink, infoSink);
  zvrawimpSetTraceLevels(debug, info, debugSink, infoSink);
}

void zvrawimpSetTraceLevels(int debug, int info, std::FILE* debugSink, std::FILE* infoSink) {
  apply(debug, info, debugSink, infoSink);
}

void zvrawacifcSetTraceLevels(int debug, int info) { apply(debug, info, nullptr, nullptr); }
