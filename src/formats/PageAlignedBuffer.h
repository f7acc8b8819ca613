#pragma once

// A block for bulk reads: page-aligned, since read() into a block that starts
// off a page boundary ran several times slower.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

class PageAlignedBuffer {
 public:
  static constexpr std::size_t kPage = 4096;

  // Empty (data() null) when the block cannot be allocated.
  explicit PageAlignedBuffer(std::size_t size) : size_(size) {
    const std::size_t rounded = (size + kPage - 1) / kPage * kPage;
    if (size != 0 && rounded >= size) block_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kPage, rounded)));
    if (!block_) size_ = 0;
  }

  [[nodiscard]] std::uint8_t* data() { return block_.get(); }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] std::span<const std::uint8_t> bytes(std::size_t n) const {
    return {block_.get(), n < size_ ? n : size_};
  }

 private:
  struct Free {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
  };
  std::unique_ptr<std::uint8_t, Free> block_;
  std::size_t size_;
};
