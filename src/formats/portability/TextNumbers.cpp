#include "formats/portability/TextNumbers.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "formats/portability/CLocale.h"

namespace zvraw {

std::optional<int> leadingInt(std::string_view text, IntOverflow overflow) {
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t firstDigit = i;
  // The magnitude stops growing just past the int range, so no run of digits wraps.
  constexpr std::int64_t kCap = std::int64_t{INT_MAX} + 2;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude < kCap) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (i == firstDigit) return std::nullopt;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value >= INT_MIN && value <= INT_MAX) return static_cast<int>(value);
  switch (overflow) {
    case IntOverflow::Clamp:
      return negative ? INT_MIN : INT_MAX;
    case IntOverflow::Zero:
      return 0;
    case IntOverflow::Refuse:
      break;
  }
  return std::nullopt;
}

int atoiClamped(const char* text) {
  return text != nullptr ? leadingInt(text, IntOverflow::Clamp).value_or(0) : 0;
}

float strtofC(const char* text, char** end) {
  zvraw::CLocaleScope scope;
  return std::strtof(text, end);
}

}  // namespace zvraw
