#pragma once

// One section of a profile file, written or read key by key through the
// profile functions. Every key is attempted even after a failure; ok() says
// whether all of them succeeded (a read succeeds when the key is there with
// a value; otherwise the value becomes the given default).

#include <string>
#include <type_traits>
#include <utility>

namespace zvraw {

class ProfileSection {
 public:
  ProfileSection(std::string section, const char* file) : section_(std::move(section)), file_(file) {}

  void put(const char* key, int value);
  void put(const char* key, bool value);
  void put(const char* key, float value, int places);
  void put(const char* key, double value, int places);
  template <class E>
  requires std::is_enum_v<E>
  void put(const char* key, E value) { put(key, static_cast<int>(value)); }

  void get(const char* key, int fallback, int& value);
  void get(const char* key, bool fallback, bool& value);
  void get(const char* key, float fallback, float& value);
  void get(const char* key, double fallback, double& value);
  // Stored as read, also an integer outside the listed values.
  template <class E>
  requires std::is_enum_v<E>
  void get(const char* key, E fallback, E& value) {
    int number = 0;
    get(key, static_cast<int>(fallback), number);
    value = static_cast<E>(number);
  }

  [[nodiscard]] bool ok() const { return ok_; }

 private:
  void note(int code) { ok_ = ok_ && code == 0; }

  std::string section_;
  const char* file_;
  bool ok_ = true;
};

}  // namespace zvraw
