#pragma once

// Runs a step that may grow a buffer, so that running out of memory is a
// result code (ZVRAW_MEMALLOC_ERROR) and not an exception for the caller.

#include <new>

#include "zorvalen/ZorvalenRawResultCodes.h"

template <class Step>
[[nodiscard]] int guardAllocation(Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return ZVRAW_MEMALLOC_ERROR;
  }
}
