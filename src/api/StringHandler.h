#pragma once

// The buffer that holds the text a handle returns by pointer. The buffer is
// reused, so repeated queries stop allocating once it is large enough; a
// returned pointer stays valid until the owner's next text-returning call.

#include <memory>
#include <string_view>
#include <vector>

namespace Vardex::Lib::ZorvalenRaw {

class StringHandler {
 public:
  // Holds a copy of text and its terminating zero byte.
  void Set(std::string_view text);
  // The held text, zero-terminated.
  [[nodiscard]] char* Memory() { return _string.data(); }

 private:
  std::vector<char> _string = std::vector<char>(1, '\0');
};

// An owner's text-returning call: makes the owner's handler on first use,
// holds text in it and returns its address for the caller.
[[nodiscard]] char* holdText(std::unique_ptr<StringHandler>& handler, std::string_view text);

}  // namespace Vardex::Lib::ZorvalenRaw
