#pragma once

// Page-aligned blocks for bulk reads. The kernel copies file pages into a
// page-aligned destination several times faster than into one that is not.

#include <cstddef>
#include <cstdlib>
#include <memory>

inline constexpr std::size_t kPageSize = 4096;

struct PageBlockFree {
  void operator()(char* p) const noexcept { std::free(p); }
};
using PageBlock = std::unique_ptr<char, PageBlockFree>;

// At least bytes (rounded up to whole pages), page-aligned; null when it
// cannot be had.
[[nodiscard]] PageBlock allocatePageBlock(std::size_t bytes);

// The calling thread's scratch block of kScratchBlockBytes, made on first
// use and kept for the thread's life, so that reading or writing a scan
// allocates no staging buffer. Null when it cannot be had. Callers must not
// hold it across a call that may use it too.
inline constexpr std::size_t kScratchBlockBytes = 256 * 1024;
[[nodiscard]] char* threadScratchBlock();
