#pragma once

// Steps that all run even after one failed report the first failure.

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

inline void keepFirst(int& first, int rc) {
  if (first == ZVRAW_OK) first = rc;
}

}  // namespace Vardex::Lib::ZorvalenRaw
