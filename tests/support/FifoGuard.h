#pragma once

// Runs work that must not wait on a FIFO on another thread. Work still
// running after 20 s is reported as held by the FIFO, and released by
// giving the FIFO the peer it waits for: a safety net, never a timing.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>

template <class Work>
auto withinFifo(const std::filesystem::path& fifo, Work work) {
  auto pending = std::async(std::launch::async, work);
  if (pending.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << fifo << " held the open";
    std::signal(SIGPIPE, SIG_IGN);  // a writer let through writes into a FIFO nobody reads
    for (int mode : {O_WRONLY, O_RDONLY}) {
      const int fd = ::open(fifo.c_str(), mode | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    }
  }
  return pending.get();
}
