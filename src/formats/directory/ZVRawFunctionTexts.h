#pragma once

// Texts of function-type codes 0-31 and ion-mode codes 0-13.

namespace zvraw {

// The text of a code, or null for a code without one.
[[nodiscard]] const char* functionTypeText(unsigned int nFunctionType);
[[nodiscard]] const char* ionModeText(unsigned int nIonMode);

}  // namespace zvraw

// Append the code's text to the NUL-terminated text already in the buffer
// (the caller clears it; 15 bytes hold the longest text). 27 for a type above
// 31, 28 for an ion mode above 13, 32 for a null buffer; the buffer is then
// unchanged.
[[nodiscard]] int getFunctionTypeString(unsigned int nFunctionType, char* cFunctionType);
[[nodiscard]] int getIonModeString(unsigned int nIonMode, char* cIonMode);
