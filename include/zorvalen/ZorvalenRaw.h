/* libZorvalenRaw: the one header callers include.
 *
 * Every function returns an int result code (ZVRAW_OK is 0; the other codes
 * are in ZorvalenRawResultCodes.h and getErrorMessage gives their text).
 *
 * Memory: a handle lives from its create function to its destroy function.
 * Blocks the library allocates for the caller (error messages, chromatograms)
 * are released by the caller with releaseMemory and outlive the handle that
 * made them. Everything else handed out by pointer (texts, key lists) belongs
 * to the handle and stays valid until the next call of the same kind on that
 * handle or until the handle is destroyed. */
#ifndef ZORVALEN_RAW_H
#define ZORVALEN_RAW_H

#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawExport.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

/* ---- Caller memory and error texts ---- */

/* Releases a block the library allocated for the caller; null is accepted.
 * Returns 0. */
ZV_API int releaseMemory(void* pMemory);

/* The text of a result code in a block allocated for the caller (release it
 * with releaseMemory): "" for 0, "Unknown Code" for a code without a text.
 * 79 for a null ppErrorMessage; 45, with a null text, when the block cannot
 * be allocated. */
ZV_API int getErrorMessage(int nErrorCode, char** ppErrorMessage);

/* ---- Parameter sets: text values under integer keys ----
 * Keys are values of the enumerations in ZorvalenRawDefs.h. A null handle,
 * a handle of another kind, a null text and a null output pointer give 79. */

/* Makes an empty set. */
ZV_API int createParameters(CZorvalenParameters* pParameters);

/* Makes a set holding a copy of the source's pairs. */
ZV_API int createParametersFromParameters(CZorvalenParameters source, CZorvalenParameters* pParameters);

/* Destroys a set; null is accepted. */
ZV_API int destroyParameters(CZorvalenParameters parameters);

/* Stores a copy of the text under the key, replacing any earlier value. */
ZV_API int setParameterValue(CZorvalenParameters parameters, int key, const char* value);

/* The key's text ("" when the key is not set), held by the set until the next
 * getParameterValue on it. */
ZV_API int getParameterValue(CZorvalenParameters parameters, int key, char** value);

/* The set keys in ascending order, held by the set until the next
 * getParameterKeys on it. */
ZV_API int getParameterKeys(CZorvalenParameters parameters, int** keys, int* count);

#endif
