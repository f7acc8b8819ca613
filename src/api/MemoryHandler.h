#pragma once

// The buffer that holds a float array a handle returns by pointer; reused
// like StringHandler's, valid until the owner's next call of the same kind.

#include <cstddef>
#include <vector>

namespace Vardex::Lib::ZorvalenRaw {

class MemoryHandler {
 public:
  // Replaces the contents with a copy of the n floats at values; a null
  // array or a count below 1 leaves it empty.
  void Set(const float* values, int n) {
    if (values == nullptr || n <= 0) {
      _memory.clear();
      return;
    }
    _memory.assign(values, values + n);
  }
  // The first float; may be null while the buffer is empty.
  [[nodiscard]] float* Memory() { return _memory.data(); }
  [[nodiscard]] std::size_t Size() const { return _memory.size(); }

 private:
  std::vector<float> _memory;
};

}  // namespace Vardex::Lib::ZorvalenRaw
