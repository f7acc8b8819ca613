#pragma once

// ASCII-only text helpers: case folding never depends on the caller's locale.

// 0 when a and b are equal ignoring ASCII case, else the difference of the
// first differing folded characters (other bytes compare as signed values).
[[nodiscard]] int StrCaseCmp(const char* a, const char* b);
[[nodiscard]] int sysStrCaseCompare(const char* a, const char* b);

// Index of the first '=' in text; -1 when there is none or text is null.
[[nodiscard]] int findEquals(const char* text);
