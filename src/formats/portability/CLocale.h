#pragma once

// Number text in the library is always written and parsed in the "C" locale,
// whatever locale the calling process has set: a decimal comma must never
// reach a raw file, and a file written elsewhere must parse the same here.

#include <locale.h>

#include <string>

namespace zvraw {

// Switches the calling thread to the "C" locale for its lifetime.
class CLocaleScope {
 public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t previous_;
};

// printf into a std::string, in the "C" locale.
[[nodiscard]] std::string formatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// sscanf in the "C" locale.
int sscanfC(const char* text, const char* format, ...) __attribute__((format(scanf, 2, 3)));

// strtod in the "C" locale.
double strtodC(const char* text, char** end);

}  // namespace zvraw
