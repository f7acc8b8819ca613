#pragma once

// Switches the process to an installed locale that writes numbers with a
// decimal comma, for tests that number text ignores the caller's locale.
// The "C" locale is restored when the guard ends.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale();
  ~DecimalCommaLocale();
  DecimalCommaLocale(const DecimalCommaLocale&) = delete;
  DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

  // The locale in force, or null when the machine has none (skip the test).
  [[nodiscard]] const char* name() const { return name_; }
  [[nodiscard]] bool active() const { return name_ != nullptr; }

 private:
  const char* name_ = nullptr;
};
