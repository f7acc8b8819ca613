#pragma once

// Number conversions of settings text that can never overflow an int or
// depend on the caller's locale.

// The longest decimal prefix as atoi reads it (leading white space, a sign,
// digits), clamped to the int range; 0 when there is none. Null reads as 0.
[[nodiscard]] int atoiClamped(const char* text);

// strtof in the "C" locale.
float strtofC(const char* text, char** end);
