#pragma once

#include "zorvalen/ZorvalenRawResultCodes.h"

// Fixed English text of a result code; "Unknown Code" for a code without one,
// "" for ZVRAW_OK. The text is static: callers never free it.
[[nodiscard]] const char* rawResultCodeToString(int code);
