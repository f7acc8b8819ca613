#pragma once

// Sets a decimal-comma locale for the process while it lives, when the
// machine has one (active() tells); "C" again afterwards.

#include <clocale>

class DecimalCommaLocale {
 public:
  DecimalCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"})
      if (std::setlocale(LC_ALL, name)) {
        active_ = true;
        return;
      }
  }
  ~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;
  [[nodiscard]] bool active() const { return active_; }

 private:
  bool active_ = false;
};
