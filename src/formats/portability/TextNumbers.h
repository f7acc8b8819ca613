#pragma once

// Number conversions of settings text that can never overflow an int or
// depend on the caller's locale.

#include <optional>
#include <string_view>

namespace zvraw {

// White space as the "C" locale has it.
[[nodiscard]] constexpr bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// What a leading integer beyond the int range reads as.
enum class IntOverflow { Clamp, Zero, Refuse };

// The integer text starts with, as strtol reads it: "C" white space, a sign,
// decimal digits. Nothing when no digit follows, or when the value is beyond
// int and overflow is Refuse; otherwise such a value is held to the int range
// (Clamp) or read as 0 (Zero).
[[nodiscard]] std::optional<int> leadingInt(std::string_view text, IntOverflow overflow);

// The longest decimal prefix as atoi reads it (leading white space, a sign,
// digits), clamped to the int range; 0 when there is none. Null reads as 0.
[[nodiscard]] int atoiClamped(const char* text);

// strtof in the "C" locale.
float strtofC(const char* text, char** end);

}  // namespace zvraw
