#pragma once

// Memory handed across the C interface. Every block the library allocates for
// a caller, and every reusable buffer of a reader or processor, comes from
// allocateMem (malloc) and goes back only through releaseMemory (free), so a
// caller may release what any part of the library gave it.

#include <cstddef>

#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

// size bytes from malloc, not initialised; null when the allocation fails.
[[nodiscard]] void* allocateMem(std::size_t size);

// A zero-terminated copy of text from allocateMem; null when the allocation
// fails or text is null.
[[nodiscard]] char* allocateMemory(const char* text);

class ZorvalenRawReaderImp {
 public:
  // Room for n values, not initialised. A negative count gives null without
  // allocating; 0 gives whatever malloc gives for zero bytes, which
  // releaseMemory accepts.
  [[nodiscard]] static float* AllocateFloatMemory(const int& n);
  [[nodiscard]] static int* AllocateIntMemory(const int& n);
  [[nodiscard]] static char* AllocateCharMemory(const int& n);

  // A copy of the n values at values; null, with nothing copied, when the
  // count is negative, the allocation fails, or n > 0 values are missing.
  [[nodiscard]] static float* AllocateAndFill(const float* values, const int& n);
  [[nodiscard]] static int* AllocateAndFill(const int* values, const int& n);
  [[nodiscard]] static ZorvalenScanItem* AllocateAndFill(const ZorvalenScanItem* items, const int& n);

  // releaseMemory, then the pointer is null.
  static void ReleaseMemory(void*& p);
  static void ReleaseMemory(float*& p);
  static void ReleaseMemory(char*& p);

  // On a failed call (code not 0) the partial outputs are released and
  // nulled and the count is 0; on success nothing changes.
  static void ReleaseMemoryOnError(int code, float*& a, float*& b, int& n);
  static void ReleaseMemoryOnError(int code, float*& a, int& n);
  static void ReleaseMemoryOnError(int code, float*& a, float*& b, char*& flags, int& n);
};

}  // namespace Vardex::Lib::ZorvalenRaw
