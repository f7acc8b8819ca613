#pragma once

// The one place where running out of memory becomes a result, and the rule
// by which a count read from disk may become memory at all.
//
// Memory the library keeps is had by throwing allocation (containers,
// std::make_unique), and running out is std::bad_alloc until it reaches an
// entry point of a floor. There guardAllocation turns it into
// ZVRAW_MEMALLOC_ERROR, or into the result that the entry point's contract
// names instead. Only blocks from malloc (the caller's memory and the
// aligned read blocks) are null when they cannot be had.

#include <cstdint>
#include <new>
#include <type_traits>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace zvraw {

// step(), or noMemory when it throws std::bad_alloc; anything else it
// throws passes through.
template <class Step, class Result = std::invoke_result_t<Step&>>
[[nodiscard]] Result guardAllocation(Step&& step, std::type_identity_t<Result> noMemory) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return noMemory;
  }
}

// step()'s code, or ZVRAW_MEMALLOC_ERROR when it throws std::bad_alloc.
template <class Step>
[[nodiscard]] int guardAllocation(Step&& step) {
  static_assert(std::is_same_v<std::invoke_result_t<Step&>, int>, "a step without a code names its own result");
  return guardAllocation(step, ZVRAW_MEMALLOC_ERROR);
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
