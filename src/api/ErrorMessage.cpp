#include "api/ZorvalenRawReaderImp.h"
#include "formats/portability/ZVRawResultCodes.h"
#include "zorvalen/ZorvalenRaw.h"

ZV_API int getErrorMessage(int nErrorCode, char** ppErrorMessage) {
  if (ppErrorMessage == nullptr) return ZVRAW_NULL_PARAMETERS;
  *ppErrorMessage = nullptr;
  // The caller owns the copy and may keep it after every handle is gone.
  char* text = Vardex::Lib::ZorvalenRaw::allocateMemory(rawResultCodeToString(nErrorCode));
  if (text == nullptr) return ZVRAW_MEMALLOC_ERROR;
  *ppErrorMessage = text;
  return ZVRAW_OK;
}
