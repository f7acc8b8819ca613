#include "formats/portability/CallerMemory.h"

namespace Vardex::Lib::ZorvalenRaw {

void* allocateMem(std::size_t size) { return std::malloc(size); }

char* allocateMemory(const char* text) {
  if (text == nullptr) return nullptr;
  const std::size_t size = std::strlen(text) + 1;
  auto* block = static_cast<char*>(allocateMem(size));
  if (block != nullptr) std::memcpy(block, text, size);
  return block;
}

}  // namespace Vardex::Lib::ZorvalenRaw
