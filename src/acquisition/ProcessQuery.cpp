#include "acquisition/ProcessQuery.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "acquisition/DrivePaths.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/SysPaths.h"

namespace fs = std::filesystem;

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// A process name is at most 15 characters and argv[0] a path; anything
// longer is read no further.
constexpr std::size_t kCommLimit = 64;
constexpr std::size_t kCmdlineLimit = 4096;

fs::path processRoot() {
  const char* root = std::getenv("ZORVALEN_PROC_ROOT");
  return (root == nullptr || *root == '\0') ? fs::path("/proc") : fs::path(root);
}

// At most limit bytes of the file; none when it cannot be read.
std::optional<std::string> readHead(const fs::path& file, std::size_t limit) {
  zvraw::FilePtr f = sysOpenFile(file.string(), "rb");  // a FIFO under a test root must not hold us
  if (!f) return std::nullopt;
  std::string text(limit, '\0');
  text.resize(std::fread(text.data(), 1, limit, f.get()));
  if (std::ferror(f.get())) return std::nullopt;
  return text;
}

bool hasName(const fs::path& process, std::string_view name) {
  const auto comm = readHead(process / "comm", kCommLimit);
  if (!comm) return false;
  std::string_view text = *comm;
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return text == name;
}

// The text before the last separator of a mapped path ("/" for "/x").
std::optional<std::string> folderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return std::nullopt;
  return std::string(path.substr(0, slash == 0 ? 1 : slash));
}

std::string processFolder(const fs::path& process) {
  if (const auto cmdline = readHead(process / "cmdline", kCmdlineLimit)) {
    const std::size_t end = cmdline->find('\0');
    // An argv[0] that fills the whole read was cut: not a path to trust.
    if (end != std::string::npos || cmdline->size() < kCmdlineLimit) {
      if (const auto mapped = mapDrivePath(std::string_view(*cmdline).substr(0, end)))
        if (auto folder = folderOf(*mapped)) return *folder;
    }
  }
  std::error_code ec;
  const fs::path target = fs::read_symlink(process / "exe", ec);
  if (ec) return {};
  return folderOf(target.native()).value_or(std::string());
}

// The process entries under root, by ascending number.
std::vector<std::pair<unsigned long long, fs::path>> processEntries(const fs::path& root) {
  std::vector<std::pair<unsigned long long, fs::path>> entries;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().native();
    unsigned long long number = 0;
    const auto [stop, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (error == std::errc() && stop == name.data() + name.size()) entries.emplace_back(number, it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace

bool findRunningProcess(std::string_view name, std::string& folder) {
  folder.clear();
  for (const auto& entry : processEntries(processRoot())) {
    if (!hasName(entry.second, name)) continue;
    folder = processFolder(entry.second);
    return true;
  }
  return false;
}

}  // namespace Vardex::Lib::ZorvalenRaw
