#pragma once

// Packet runs of neighbouring scans read a block at a time: a whole-function
// load reads one block of _funcNNN.dat where it would read each scan's run,
// since every read costs a system call worth many scans' decoding.

#include <cstdint>

namespace zvraw {

// n bytes at pos into `into`, as the stream reader answers: 42 when the file
// ends first, 30 on any other failure.
[[nodiscard]] int preadRun(int fd, char* into, std::uint64_t n, std::uint64_t pos);

class RunWindow {
 public:
  // Reads through `block` (capacity bytes, page-aligned) from the file fd of
  // fileSize bytes, never past readEnd unless a run asks for it (the end of
  // the last run a load wants); a null block never holds a run.
  RunWindow(int fd, std::uint64_t fileSize, char* block, std::uint64_t capacity, std::uint64_t readEnd)
      : fd_(fd), size_(fileSize), block_(block), capacity_(capacity), end_(readEnd) {}

  // The run of `bytes` at `offset` in memory, read with the runs after it
  // when the block does not hold it yet; null when it does not fit the
  // block or the read fails (the caller then reads the run itself).
  [[nodiscard]] const char* find(std::uint64_t offset, std::uint64_t bytes);
  // The block was used for something else: nothing in it counts any more.
  void forget() { held_ = 0; }

 private:
  int fd_;
  std::uint64_t size_;
  char* block_;
  std::uint64_t capacity_;
  std::uint64_t end_;
  std::uint64_t at_ = 0, held_ = 0;  // the file bytes [at_, at_ + held_) are in the block
};

}  // namespace zvraw
