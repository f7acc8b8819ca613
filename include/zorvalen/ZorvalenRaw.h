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

#endif
