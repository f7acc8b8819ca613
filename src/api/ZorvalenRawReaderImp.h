#pragma once

// Memory handed to callers: every array the library allocates for a caller
// comes from these functions and goes back through releaseMemory (malloc and
// free underneath), whoever releases it.

#include <cstddef>

namespace Vardex::Lib::ZorvalenRaw {

// size bytes from malloc, not initialised; null when the allocation fails.
void* allocateMem(std::size_t size);

class ZorvalenRawReaderImp {
 public:
  // Room for n floats / 32-bit ints, not initialised. The count is widened
  // to 64 bits before it is multiplied; a negative count or a failed
  // allocation gives null. A count of 0 gives malloc's answer to a zero-byte
  // request, which releaseMemory accepts.
  static float* AllocateFloatMemory(const int& n);
  static int* AllocateIntMemory(const int& n);
};

}  // namespace Vardex::Lib::ZorvalenRaw
