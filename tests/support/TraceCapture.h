#pragma once

#include <cstdio>
#include <string>

// What the library writes to its trace output while a capture lives. The
// info sink becomes a temporary file that stays open for the whole process
// (a sink cannot be unset), so no later line meets a closed stream.
class TraceCapture {
 public:
  TraceCapture();
  // The lines written since the capture began.
  [[nodiscard]] std::string text() const;
  [[nodiscard]] static std::FILE* sink();

 private:
  long start_ = 0;
};
