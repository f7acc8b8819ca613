#include "formats/directory/ZVRawFunctionTexts.h"

#include <array>
#include <cstring>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

constexpr std::array<const char*, 32> kFunctionTypes{"MS",
                                                     "SIR",
                                                     "DLY",
                                                     "CAT",
                                                     "OFF",
                                                     "PAR",
                                                     "MSMS",
                                                     "NL",
                                                     "NG",
                                                     "MRM",
                                                     "Q1F",
                                                     "MS2",
                                                     "DAD",
                                                     "TOF",
                                                     "PSD",
                                                     "TOFS",
                                                     "TOFD",
                                                     "MTOF",
                                                     "TOF MS",
                                                     "TOF P",
                                                     "ASP VSCAN",
                                                     "ASP MAGNET",
                                                     "ASP VSIR",
                                                     "ASP MAGNET SIR",
                                                     "QUAD AUTO DAU",
                                                     "ASP BE",
                                                     "ASP B2E",
                                                     "ASP CNL",
                                                     "ASP MIKES",
                                                     "ASP MRM",
                                                     "ASP NRMS",
                                                     "ASP MRMQ"};

constexpr std::array<const char*, 14> kIonModes{"EI+", "EI-", "CI+", "CI-", "FB+", "FB-", "TS+",
                                                "TS-", "ES+", "ES-", "AI+", "AI-", "LD+", "LD-"};

int appendText(const char* text, char* buffer, int invalid) {
  if (buffer == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  if (text == nullptr) return invalid;
  std::strcat(buffer, text);
  return ZVRAW_OK;
}

}  // namespace

namespace zvraw {

const char* functionTypeText(unsigned int nFunctionType) {
  return nFunctionType < kFunctionTypes.size() ? kFunctionTypes[nFunctionType] : nullptr;
}

const char* ionModeText(unsigned int nIonMode) { return nIonMode < kIonModes.size() ? kIonModes[nIonMode] : nullptr; }

}  // namespace zvraw

int getFunctionTypeString(unsigned int nFunctionType, char* cFunctionType) {
  return appendText(zvraw::functionTypeText(nFunctionType), cFunctionType, ZVRAW_FUNCTIONTYPE_INVALID);
}

int getIonModeString(unsigned int nIonMode, char* cIonMode) {
  return appendText(zvraw::ionModeText(nIonMode), cIonMode, ZVRAW_IONMODE_INVALID);
}
