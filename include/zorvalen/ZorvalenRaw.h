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

/* ---- Readers: an open raw data directory ----
 * A reader is opened on a directory path, or made on another reader's
 * directory without reading its files again; the directory stays open until
 * the last reader on it is destroyed, in any order. Kinds: ZorvalenBaseType
 * SCAN (1), INFO (2), CHROM (3), ANALOG (4). A null reader or one of another
 * kind gives 59, a null output pointer 79. */

/* Opens the directory at path as a reader of kind nType. The handle is null
 * unless 0 is returned: 59 for a kind other than 1 to 4, 79 for a null path,
 * 4 for a path longer than 255 bytes, else the code of opening the
 * directory. */
ZV_API int createRawReaderFromPath(const char* path, CZorvalenBaseReader* pReader, ZorvalenBaseType nType);

/* A reader of kind nType on source's directory. The handle is null unless 0
 * is returned: 59 for a null source or a kind other than 1 to 4, else the
 * directory's state (the code of its last failed update). */
ZV_API int createRawReaderFromReader(CZorvalenBaseReader source, CZorvalenBaseReader* pReader,
                                     ZorvalenBaseType nType);

/* Destroys a reader; null is accepted. */
ZV_API int destroyRawReader(CZorvalenBaseReader reader);

/* Re-reads the scan indices and statistics of a directory still being
 * written, for every reader on it: new scans show afterwards. 46 when the
 * directory has no statistics file (its scans still read). */
ZV_API int updateRawReader(CZorvalenBaseReader reader);

#endif
