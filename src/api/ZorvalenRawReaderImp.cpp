#include "api/ZorvalenRawReaderImp.h"

#include <cstdint>
#include <cstdlib>

#include "zorvalen/ZorvalenRaw.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

template <class T>
T* allocateArray(int n) {
  static_assert(sizeof(T) == 4);
  if (n < 0) return nullptr;  // a negative count would wrap to a huge request
  return static_cast<T*>(allocateMem(static_cast<std::size_t>(static_cast<std::int64_t>(n) * 4)));
}

}  // namespace

void* allocateMem(std::size_t size) { return std::malloc(size); }

float* ZorvalenRawReaderImp::AllocateFloatMemory(const int& n) { return allocateArray<float>(n); }

int* ZorvalenRawReaderImp::AllocateIntMemory(const int& n) { return allocateArray<int>(n); }

}  // namespace Vardex::Lib::ZorvalenRaw

extern "C" ZV_EXPORT int releaseMemory(void* pMemory) {
  std::free(pMemory);
  return 0;
}
