/* Compiled on its own, pedantic, as C11 and C23, to prove the public header
 * stands alone for C callers (bool, the prefixed enumerators and pointer
 * outputs). */
#include "zorvalen/ZorvalenRaw.h"

_Static_assert(sizeof(ZorvalenBaseType) == sizeof(int), "enumerations are int-sized");
_Static_assert(ZorvalenIonMode_ES_POS == 108, "C callers see the prefixed values");
