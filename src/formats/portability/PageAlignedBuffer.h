#pragma once

// A block for bulk reads: page-aligned, since read() into a block that starts
// off a page boundary ran several times slower.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace zvraw {

inline constexpr std::size_t kPageSize = 4096;

class PageAlignedBuffer {
 public:
  static constexpr std::size_t kPage = kPageSize;

  PageAlignedBuffer() = default;
  // Empty (data() null) when the block cannot be allocated.
  explicit PageAlignedBuffer(std::size_t size) { reserve(size); }

  // Room for at least n bytes, reusing the block when it is large enough;
  // earlier contents are not kept when it grows. Null when n bytes cannot be
  // had (the buffer is then empty).
  std::uint8_t* reserve(std::size_t n) {
    if (block_ && n <= size_) return block_.get();
    block_.reset();
    size_ = 0;
    const std::size_t rounded = ((n == 0 ? 1 : n) + kPage - 1) / kPage * kPage;  // an empty read still gets a block
    if (rounded >= n) block_.reset(static_cast<std::uint8_t*>(std::aligned_alloc(kPage, rounded)));
    if (block_) size_ = n;
    return block_.get();
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
  std::size_t size_ = 0;
};

// The calling thread's scratch block of kScratchBlockBytes, made on first
// use and kept for the thread's life, so that reading or writing a scan
// allocates no staging buffer. Null when it cannot be had. Callers must not
// hold it across a call that may use it too.
inline constexpr std::size_t kScratchBlockBytes = 256 * 1024;
[[nodiscard]] char* threadScratchBlock();

}  // namespace zvraw
