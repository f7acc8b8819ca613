#pragma once

// Lowers the process's file-size limit for the guard's lifetime, so writes
// past it fail (with SIGXFSZ ignored) the way a full disk makes them fail.

#include <sys/resource.h>

#include <csignal>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : previousSignal_(std::signal(SIGXFSZ, SIG_IGN)) {
    ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
    rlimit low = saved_;
    low.rlim_cur = bytes;
    ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &low) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousSignal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  // Whether the limit is in force.
  [[nodiscard]] bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  void (*previousSignal_)(int);
  bool ok_ = false;
};
