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

  // The locale in force, or null when the machine has none (see missing()).
  [[nodiscard]] const char* name() const { return name_; }
  [[nodiscard]] bool active() const { return name_ != nullptr; }

 private:
  const char* name_ = nullptr;
};

// For a test that needs the locale and found none: skipped on a developer's
// machine, failed under CI (CI=true), whose install script generates one.
// Use as `if (!locale.active()) return missingDecimalCommaLocale();`.
void missingDecimalCommaLocale();
