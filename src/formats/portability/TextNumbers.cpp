#include "formats/portability/TextNumbers.h"

#include <climits>
#include <cstdlib>

#include "formats/portability/CLocale.h"

int atoiClamped(const char* text) {
  if (text == nullptr) return 0;
  // strtoll saturates at the long long range, which holds every int.
  const long long v = std::strtoll(text, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

float strtofC(const char* text, char** end) {
  CLocaleScope scope;
  return std::strtof(text, end);
}
