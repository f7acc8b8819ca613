#include "formats/portability/CLocale.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace zvraw {

namespace {

locale_t cLocale() {
  static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

CLocaleScope::CLocaleScope() : previous_(::uselocale(cLocale())) {}
CLocaleScope::~CLocaleScope() { ::uselocale(previous_); }

std::string formatC(const char* format, ...) {
  CLocaleScope scope;
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, again);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return out;
}

int sscanfC(const char* text, const char* format, ...) {
  CLocaleScope scope;
  va_list args;
  va_start(args, format);
  const int n = std::vsscanf(text, format, args);
  va_end(args);
  return n;
}

double strtodC(const char* text, char** end) {
  CLocaleScope scope;
  return std::strtod(text, end);
}

}  // namespace zvraw
