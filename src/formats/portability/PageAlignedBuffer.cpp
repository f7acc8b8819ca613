#include "formats/portability/PageAlignedBuffer.h"

namespace zvraw {

char* threadScratchBlock() {
  thread_local PageAlignedBuffer block;
  // Tried again after a failed allocation.
  return reinterpret_cast<char*>(block.reserve(kScratchBlockBytes));
}

}  // namespace zvraw
