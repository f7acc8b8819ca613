#pragma once

// Runs a step that may grow a buffer, so that running out of memory is a
// result code (ZVRAW_MEMALLOC_ERROR) and not an exception for the caller;
// and the rule by which a count read from disk may become memory at all.

#include <cstdint>
#include <new>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw {

template <class Step>
[[nodiscard]] int guardAllocation(Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return ZVRAW_MEMALLOC_ERROR;
  }
}

// A damaged file must not take far more memory than it holds: what a count
// from a file makes the library hold is at most this many bytes per byte of
// the file, plus a fixed allowance.
inline constexpr std::uint64_t kMemoryPerFileByte = 4;
inline constexpr std::uint64_t kMemoryAllowance = std::uint64_t{64} << 10;

// Whether items of bytesPerItem each stay within that bound for a file of fileBytes.
[[nodiscard]] constexpr bool withinFileBound(std::uint64_t items, std::uint64_t bytesPerItem,
                                             std::uint64_t fileBytes) {
  if (bytesPerItem == 0) return true;
  const std::uint64_t limit = fileBytes > (UINT64_MAX - kMemoryAllowance) / kMemoryPerFileByte
                                  ? UINT64_MAX
                                  : kMemoryPerFileByte * fileBytes + kMemoryAllowance;
  return items <= limit / bytesPerItem;
}

}  // namespace zvraw
