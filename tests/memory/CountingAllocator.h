#pragma once

// The process's heap, counted: this test program replaces malloc and its
// relatives (which operator new, the caller-memory allocators and the
// aligned blocks all come down to) with counting wrappers around the C
// library's own allocator, so a test can ask how far the heap grew.

#include <cstddef>

namespace counting_allocator {

// Bytes allocated and not yet freed.
[[nodiscard]] std::size_t current();
// The most held at once since the last resetPeak.
[[nodiscard]] std::size_t peak();
void resetPeak();

// Makes every request for more than `bytes` fail, as an exhausted heap
// would, for as long as the guard lives.
class RefuseAbove {
 public:
  explicit RefuseAbove(std::size_t bytes);
  ~RefuseAbove();
  RefuseAbove(const RefuseAbove&) = delete;
  RefuseAbove& operator=(const RefuseAbove&) = delete;
};

}  // namespace counting_allocator
