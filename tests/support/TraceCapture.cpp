#include "support/TraceCapture.h"

#include "formats/portability/SysTrace.h"

std::FILE* TraceCapture::sink() {
  static std::FILE* const file = std::tmpfile();
  return file;
}

TraceCapture::TraceCapture() {
  const zvraw::TraceSettings now = zvraw::traceSettings();
  zvrawimpSetTraceLevels(now.debugLevel, now.infoLevel, nullptr, sink());
  (void)std::fseek(sink(), 0, SEEK_END);
  start_ = std::ftell(sink());
}

std::string TraceCapture::text() const {
  std::string out;
  (void)std::fflush(sink());
  if (std::fseek(sink(), start_, SEEK_SET) != 0) return out;
  for (int c = std::getc(sink()); c != EOF; c = std::getc(sink())) out += static_cast<char>(c);
  return out;
}
