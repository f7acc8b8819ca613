#pragma once

#include <cstdlib>
#include <string>

// Restores an environment variable (or its absence) when the guard ends, so
// a test that sets it leaves the process as it found it.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) saved_ = v, had_ = true;
  }
  ~EnvGuard() { had_ ? ::setenv(name_, saved_.c_str(), 1) : ::unsetenv(name_); }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

 private:
  const char* name_;
  std::string saved_;
  bool had_ = false;
};
