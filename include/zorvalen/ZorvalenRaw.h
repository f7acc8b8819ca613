/* The C interface of libZorvalenRaw. */
#ifndef ZORVALEN_RAW_H
#define ZORVALEN_RAW_H

#include "zorvalen/ZorvalenRawExport.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

/* Releases an array the library allocated for the caller (chromatograms,
 * mobilograms, texts); null is accepted. Always returns 0. */
ZV_API int releaseMemory(void* pMemory);

#endif
