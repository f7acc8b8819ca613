#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/portability/ZVRawResultCodes.h"

namespace {

struct CodeText {
  int code;
  const char* text;
};

// Every row of the table, as callers see it.
constexpr CodeText kRows[] = {
    {0, ""}, {1, "Generic Error"}, {2, "Internal Null Address Error"}, {3, "To few data points"},
    {4, "File Name Error"}, {5, "File Open Error"}, {6, "Header File Open Error"}, {7, "Header File Read Error"},
    {8, "File Seek Error"}, {9, "File Read Error"}, {10, "File Write Error"},
    {11, "Header File Line Format Error"}, {12, "Header File Line Format Error"},
    {13, "Header File Parsing Error"}, {14, "Invalid Function Number"}, {15, "Invalid Segment Number"},
    {16, "Invalid Scan Number"}, {17, "Invalid Scan Range"}, {18, "Invalid Retention Time"},
    {19, "Invalid Raw Data File"}, {20, "Unsupported Function Type"}, {21, "Descriptor File Read Error"},
    {22, "Descriptor File Write Error"}, {23, "Data Loading Aborted"}, {24, "Unsupported Data Type"},
    {25, "Invalid Scan Index file"}, {26, "File Pointer Null Error"}, {27, "Invalid Function Type"},
    {28, "Invalid Ion Mode"}, {29, "Scan buffer memory allocation Error"}, {30, "Scan Read Error"},
    {31, "Scan Buffer memory allocation Error"}, {32, "Internal Null Pointer Error"},
    {33, "Invalid Buffer Size"}, {34, "String To Long"}, {35, "Data Cluster Not loaded"},
    {36, "Unknown Generic Error"}, {37, "Invalid Interface"}, {38, "Compressed Data Error"},
    {39, "Invalid Scan Statistics"}, {40, "Invalid Stats Field"}, {41, "EOF File Read Error"},
    {42, "EOF Scan File Read Error"}, {43, "Scan Write Error"}, {44, "Scan Indices Memory Allocation Error"},
    {45, "Memory Allocation Error"}, {46, "Extended Stats File Open For Read Error"},
    {47, "Extended Stats File Open For Write Error"}, {48, "Scan Contains corrupt data"},
    {49, "Scan buffer is of incorrect size"}, {50, "Data does not support scan flags"},
    {51, "Function not loaded"}, {52, "Extended Stats not set"}, {53, "File name empty"},
    {54, "Lock mass correction not supported"}, {55, "Invalid drift scan number"},
    {56, "Parameter not defined"}, {57, "Parameter invalid"}, {58, "Parameter missing"},
    {59, "Zorvalen reader type not valid"}, {60, "Zorvalen processor type not valid"},
    {61, "Product scans not supported"}, {62, "Lock mass correction not applied"},
    {63, "Invalid vesko calibration"}, {64, "Invalid bin range"}, {65, "Invalid DDA index"},
    {66, "Invalid mobility calibration"}, {67, "No continuum functions"},
    {68, "Function type not suported by writer"}, {69, "Can not add scan to CDT function"},
    {70, "No CTD function to apend scan data"}, {71, "Unknown Code"}, {72, "Unknown Code"},
    {73, "Transfer RF not defined"}, {74, "Invalid mass range"}, {75, "Unsupported scan stat"},
    {76, "More than one reference compound matched"}, {77, "Incorrect acquisition type"},
    {78, "Can not open ini file"}, {79, "Supplied parameter NULL"}, {80, "Invalid drift range"},
};

TEST(ResultCodes, EveryRowHasItsExactText) {
  int expected = 0;
  for (const auto& row : kRows) {
    ASSERT_EQ(row.code, expected++) << "table out of order";
    EXPECT_STREQ(rawResultCodeToString(row.code), row.text) << "code " << row.code;
  }
  EXPECT_EQ(expected, 81);
}

TEST(ResultCodes, EdgesOfTheTable) {
  EXPECT_EQ(std::strlen(rawResultCodeToString(ZVRAW_OK)), 0u);
  EXPECT_STREQ(rawResultCodeToString(ZVRAW_HEADERLINE_NOTAG), rawResultCodeToString(ZVRAW_HEADERLINE_BADFORMAT));
  for (int code : {-1, -1000, 81, 82, 1000, INT_MAX, INT_MIN, ZVRAW_EXTERNFILE_FILEOPEN_ERROR, ZVRAW_SCANSIZELENGTH_ERROR})
    EXPECT_STREQ(rawResultCodeToString(code), "Unknown Code") << code;
  // 29 and 31 differ only in the capital B.
  const std::string a = rawResultCodeToString(ZVRAW_SCANBUFFERALLOC_ERROR);
  const std::string b = rawResultCodeToString(ZVRAW_SCANMEMALLOC_ERROR);
  ASSERT_EQ(a.size(), b.size());
  int differences = 0;
  for (std::size_t i = 0; i < a.size(); ++i) differences += a[i] != b[i];
  EXPECT_EQ(differences, 1);
}

TEST(ResultCodes, NamesKeepTheirNumbers) {
  EXPECT_EQ(ZVRAW_BASE, 0);
  EXPECT_EQ(ZVRAW_FILENAME_ERROR, 4);
  EXPECT_EQ(ZVRAW_DATALOAD_ABORTED, 23);
  EXPECT_EQ(ZVRAW_MEMALLOC_ERROR, 45);
  EXPECT_EQ(ZVRAW_READER_NOT_DEFINED, 59);
  EXPECT_EQ(ZVRAW_DRIFTRANGE_INVALID, 80);
}

}  // namespace
