#pragma once

// A reusable read buffer that starts on a page boundary: bulk reads into a
// page-aligned block run several times faster than into a misaligned one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace Vardex::Control::Legacy::ZorvalenRaw {

class PageBuffer {
 public:
  // Room for n bytes; earlier contents are not kept when it grows.
  std::uint8_t* reserve(std::size_t n) {
    if (n > size_ || !block_) {
      const std::size_t rounded = (std::max<std::size_t>(n, 1) + kPage - 1) / kPage * kPage;
      if (rounded < n) throw std::bad_alloc();
      block_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kPage, rounded)));
      if (!block_) throw std::bad_alloc();
      size_ = rounded;
    }
    return block_.get();
  }

 private:
  static constexpr std::size_t kPage = 4096;
  struct Free {
    void operator()(std::uint8_t* p) const { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, Free> block_;
  std::size_t size_ = 0;
};

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
