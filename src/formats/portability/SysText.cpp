#include "formats/portability/SysText.h"

#include <cstring>

namespace {

int foldAscii(char c) {
  const int v = static_cast<signed char>(c);
  return (v >= 'A' && v <= 'Z') ? v - 'A' + 'a' : v;
}

}  // namespace

int StrCaseCmp(const char* a, const char* b) {
  if (a == b) return 0;
  if (a == nullptr) return -1;
  if (b == nullptr) return 1;
  for (;; ++a, ++b) {
    const int ca = foldAscii(*a);
    const int cb = foldAscii(*b);
    if (ca != cb) return ca - cb;
    if (ca == 0) return 0;
  }
}

int sysStrCaseCompare(const char* a, const char* b) { return StrCaseCmp(a, b); }

int findEquals(const char* text) {
  if (text == nullptr) return -1;
  const char* at = std::strchr(text, '=');
  return at ? static_cast<int>(at - text) : -1;
}
