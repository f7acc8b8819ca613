#pragma once

// The memory handed across the C interface. Every block the library
// allocates for a caller, and every reusable buffer a handle returns by
// pointer, comes from allocateMem (malloc) and goes back only through
// releaseMemory (free), so a caller may release what any part of the library
// gave it. It sits at the bottom so that every floor can hand arrays out.

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

// size bytes from malloc, not initialised; null when the allocation fails.
[[nodiscard]] void* allocateMem(std::size_t size);

// A zero-terminated copy of text from allocateMem; null when the allocation
// fails or text is null.
[[nodiscard]] char* allocateMemory(const char* text);

// n elements of T from allocateMem; null for a negative count. The count is
// widened before it is multiplied, so no int count can wrap the byte size.
template <class T>
[[nodiscard]] T* allocateArray(int n) {
  if (n < 0) return nullptr;
  return static_cast<T*>(allocateMem(static_cast<std::size_t>(n) * sizeof(T)));
}

// A copy of the n values at values; null, with nothing copied, when the
// count is negative, the allocation fails, or n > 0 values are missing.
template <class T>
[[nodiscard]] T* allocateCopy(const T* values, int n) {
  if (n < 0 || (values == nullptr && n > 0)) return nullptr;
  T* block = allocateArray<T>(n);
  if (block != nullptr && n > 0) std::memcpy(block, values, static_cast<std::size_t>(n) * sizeof(T));
  return block;
}

// Gives a block back as releaseMemory does, then the pointer is null.
template <class T>
void releaseAndNull(T*& p) {
  std::free(const_cast<void*>(static_cast<const void*>(p)));
  p = nullptr;
}

// An array from allocateMem that releases itself unless it is handed to a
// caller. Its counts cross the interface as int, so it holds at most INT_MAX
// elements.
template <class T>
class CallerArray {
 public:
  CallerArray() = default;
  CallerArray(CallerArray&& other) noexcept
      : m_data(std::exchange(other.m_data, nullptr)), m_capacity(std::exchange(other.m_capacity, 0)) {}
  CallerArray& operator=(CallerArray&& other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_capacity, other.m_capacity);
    return *this;
  }
  ~CallerArray() { reset(); }

  [[nodiscard]] static constexpr bool fits(std::size_t n) { return n <= static_cast<std::size_t>(INT_MAX); }

  // Exactly n elements, not initialised, in place of the old ones (released
  // first). ZVRAW_MEMALLOC_ERROR with the old ones kept for a count beyond
  // INT_MAX; with none when malloc fails. 0 elements are whatever malloc
  // gives for zero bytes, which releaseMemory accepts.
  [[nodiscard]] int allocate(std::size_t n) {
    if (!fits(n)) return ZVRAW_MEMALLOC_ERROR;
    reset();
    m_data = allocateArray<T>(static_cast<int>(n));
    if (m_data == nullptr) return ZVRAW_MEMALLOC_ERROR;
    m_capacity = n;
    return ZVRAW_OK;
  }
  // Room for at least n elements; the contents are not kept when it grows.
  [[nodiscard]] int grow(std::size_t n) { return n <= m_capacity ? ZVRAW_OK : allocate(n); }

  [[nodiscard]] T* data() const { return m_data; }
  [[nodiscard]] std::size_t capacity() const { return m_capacity; }
  // Hands the block over; the receiver releases it with releaseMemory.
  [[nodiscard]] T* release() {
    m_capacity = 0;
    return std::exchange(m_data, nullptr);
  }
  void reset() {
    releaseAndNull(m_data);
    m_capacity = 0;
  }

 private:
  T* m_data = nullptr;
  std::size_t m_capacity = 0;
};

}  // namespace Vardex::Lib::ZorvalenRaw
