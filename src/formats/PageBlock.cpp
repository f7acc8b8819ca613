#include "formats/PageBlock.h"

PageBlock allocatePageBlock(std::size_t bytes) {
  const std::size_t rounded = (bytes + kPageSize - 1) / kPageSize * kPageSize;
  if (rounded < bytes) return nullptr;  // wrapped
  return PageBlock(static_cast<char*>(std::aligned_alloc(kPageSize, rounded == 0 ? kPageSize : rounded)));
}

char* threadScratchBlock() {
  thread_local PageBlock block;
  if (!block) block = allocatePageBlock(kScratchBlockBytes);  // again after a failed try
  return block.get();
}
