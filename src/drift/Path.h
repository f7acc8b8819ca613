#pragma once

#include <string>
#include <string_view>

namespace Vardex::Control::Legacy::ZorvalenRaw {

// A file path built segment by segment with "/" between them.
class Path {
 public:
  Path() = default;
  explicit Path(std::string_view base) : path(base) {}

  [[nodiscard]] const std::string& ToString() const { return path; }
  // Adds "/" first unless the path is empty or already ends with one.
  void Append(const std::string& segment);
  // Whether the path opens for reading.
  [[nodiscard]] bool Exists() const;

 private:
  std::string path;
};

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
