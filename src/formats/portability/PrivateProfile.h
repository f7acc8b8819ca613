#pragma once

// Single settings in sectioned text files (private-profile files):
//
//   [Section]            a header line: "[" + name + "]" and nothing else;
//   key=value            names match ignoring ASCII case, keys exactly
//   ; anything else      kept by the writer, skipped by the reader
//
// A section runs to the next line that begins with "[". Lines are examined
// in pieces of at most 255 bytes, so the rest of a longer line is looked at
// as a line of its own. Every call opens and closes the file itself.
//
// A write changes only the one key=value line and keeps every other byte.
// The whole new file goes to a temporary file that replaces the old one, so
// a failed write never leaves a half-written file.

#include <cstdio>
#include <string>

// Result codes of the profile functions: a vocabulary of their own, apart
// from the ZVRAW_* codes. 0 is success.
inline constexpr int GPPS_FILE_OPEN_ERROR = 1;             // no name, cannot be opened or read; refused setting
inline constexpr int GPPS_FILE_SECTION_MISSING_ERROR = 2;  // no header line for the section
inline constexpr int GPPS_FILE_KEY_MISSING_ERROR = 3;      // the section has no line for the key
inline constexpr int GPPS_FILE_VALUE_MISSING_ERROR = 4;    // nothing but blanks after "="
inline constexpr int GPPS_FILE_CREATE_ERROR = 5;           // the new file could not be written

// The value of key in section, leading blanks removed, cut to nBufferSize - 1
// characters. On any code but 0 the buffer holds the default instead (left
// alone when it is the default's own buffer). Null texts read as empty; a
// null buffer or a size of 0 or less is never written.
int sysGetPrivateProfileString(const char* pcSection, const char* pcKeyName, const char* pcDefaultVal,
                               char* pcReturnedBuffer, int nBufferSize, const char* pcFileName);

// Replaces the key's line, or adds "key=value" at the top of its section, or
// appends the section, or creates the file. 0, GPPS_FILE_OPEN_ERROR (no file
// name, the file cannot be read, or a setting that could not be read back:
// empty section or key, a line break, a key with "=" or starting with "[",
// key and value over 254 characters, a header line over 255), or
// GPPS_FILE_CREATE_ERROR (nothing could be written; the file is as it was).
int sysSetPrivateProfileString(const char* pcSection, const char* pcKeyName, const char* pcValue,
                               const char* pcFileName);

// Typed reads: result is the default unless the code is 0. Numbers are read
// as atoi/atof read them, in the "C" locale; ints clamp to the int range;
// a bool is true when the text's integer value is non-zero.
int sysGetPrivateProfileValue(const char* section, const char* key, int defaultValue, int& result, const char* file);
int sysGetPrivateProfileValue(const char* section, const char* key, float defaultValue, float& result,
                              const char* file);
int sysGetPrivateProfileValue(const char* section, const char* key, double defaultValue, double& result,
                              const char* file);
int sysGetPrivateProfileValue(const char* section, const char* key, bool defaultValue, bool& result, const char* file);

// Typed writes: "%i" (bools as 0 or 1), "%.*f" with nPlaces decimals, in the
// "C" locale. A text over 255 characters is refused with GPPS_FILE_OPEN_ERROR.
int sysSetPrivateProfileValue(const char* section, const char* key, int value, const char* file);
int sysSetPrivateProfileValue(const char* section, const char* key, float value, int nPlaces, const char* file);
int sysSetPrivateProfileValue(const char* section, const char* key, double value, int nPlaces, const char* file);
int sysSetPrivateProfileValue(const char* section, const char* key, bool value, const char* file);

// A counted list of texts under "<stub> count" and "<stub> #<i>". cTable[0]
// points to one block of nMaxTableSize rows of nMaxStringSize bytes.
// Reading fills min(count, nMaxTableSize) rows, zero-fills the rest and
// reports the stored count in nTableSize; writing stores the count, the rows
// and an empty value for every further row up to nMaxTableSize - 1. Both
// return 1 when any row (or, when writing, the count) failed, else 0.
int sysGetPrivateProfileStringTable(const char* pcSection, const char* pcKeyStub, char** cTable, int nMaxTableSize,
                                    int nMaxStringSize, int& nTableSize, const char* pcFileName);
int sysSetPrivateProfileStringTable(const char* pcSection, const char* pcKeyStub, const char** cTable,
                                    int nMaxTableSize, int nMaxStringSize, int nTableSize, const char* pcFileName);

// The 1-based number of the section's header line counted from the stream's
// position (0 when absent or the name is empty); the stream is left after it.
int gppsFindSection(std::FILE* file, const char* section);

// The 1-based number, counted from the stream's position, of the key's line
// before the next line that begins with "[" (0 when absent or the key is
// empty); line holds the last line read, its line end removed.
int gppsFindKey(std::FILE* file, const char* key, std::string& line);

// Removes carriage returns and line feeds from the end, never the first byte.
void gppsRemoveCRLF(std::string& line);

// Copies the default as a failed read leaves it; returns the default's length.
int gppsCopyDefault(char* pcReturnedBuffer, int nBufferSize, const char* pcDefaultVal);

// The number of lines (pieces of at most 255 bytes); 0 when it cannot be opened.
int gppsGetLineCount(const char* file);
