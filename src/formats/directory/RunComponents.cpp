#include "formats/directory/RunComponents.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <string>
#include <system_error>

#include "formats/directory/ZVRawHeader.h"
#include "formats/portability/CLocale.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace zvraw {

namespace {

// The names the readers open, as they spell them.
constexpr std::array<std::string_view, 12> kFixedNames{
    borealtek_zvraw_version_1::TEXT_HEADER_FILE_NAME,
    borealtek_zvraw_version_1::ENCRYPTED_HEADER_FILE_NAME,
    "_functns.inf",
    "_extern.inf",
    "_tof.txt",
    "_vesko.inf",
    "mob_cal.csv",
    "_dda.inf",
    "lmgt.inf",
    "_CHROMS.INF",
    "_ANALOGS.INF",
    "_ANALOGS.DAT"};

// A name built from a number: what surrounds the digits (lower case here),
// and the one name the readers build for a number.
struct NumberedName {
  std::string_view prefix, suffix;
  std::string (*leaf)(long long);
};

constexpr auto kScan = FunctionNumbering::ScanFiles;
constexpr auto kDrift = FunctionNumbering::DriftFiles;
const std::array<NumberedName, 6> kNumberedNames{{
    {"_func", ".dat", [](long long n) { return functionFileLeaf(n, "dat", kScan); }},
    {"_func", ".idx", [](long long n) { return functionFileLeaf(n, "idx", kScan); }},
    {"_func", ".sts", [](long long n) { return functionFileLeaf(n, "sts", kScan); }},
    {"_func", ".cdt", [](long long n) { return functionFileLeaf(n, "cdt", kDrift); }},
    {"_func", ".ind", [](long long n) { return functionFileLeaf(n, "ind", kDrift); }},
    {"_chro", ".dat", [](long long n) { return formatC("_CHRO%3.3lld.DAT", n); }},
}};

// Far more functions or channels than any run has.
constexpr std::size_t kMaxDigits = 9;

bool spelledAs(std::string_view name, std::string_view leaf) {
  for (const std::string& spelling : componentSpellings(leaf))
    if (name == spelling) return true;
  return false;
}

// The number between prefix and suffix of a lower-case name; 0 when there is none.
long long numberIn(std::string_view lower, const NumberedName& pattern) {
  if (lower.size() <= pattern.prefix.size() + pattern.suffix.size() || !lower.starts_with(pattern.prefix) ||
      !lower.ends_with(pattern.suffix))
    return 0;
  const std::string_view digits =
      lower.substr(pattern.prefix.size(), lower.size() - pattern.prefix.size() - pattern.suffix.size());
  long long n = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  const bool whole = ec == std::errc() && end == digits.data() + digits.size();
  return whole && digits.size() <= kMaxDigits ? n : 0;
}

}  // namespace

bool isRunComponentName(std::string_view name) {
  for (std::string_view fixed : kFixedNames)
    if (spelledAs(name, fixed)) return true;
  const std::string lower = componentSpellings(name)[2];
  for (const NumberedName& pattern : kNumberedNames)
    if (const long long n = numberIn(lower, pattern); n > 0 && spelledAs(name, pattern.leaf(n))) return true;
  return false;
}

int checkNoRunIn(std::string_view dir) {
  std::error_code ec;
  fs::directory_iterator it(fs::path(dir), ec);
  if (ec) return ec == std::errc::no_such_file_or_directory ? ZVRAW_OK : ZVRAW_ERROR;
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;  // a name that cannot be looked at is no file a reader opens either
    if (isRunComponentName(it->path().filename().native()) && it->is_regular_file(typeError))
      return ZVRAW_FILENAME_ERROR;
  }
  return ec ? ZVRAW_ERROR : ZVRAW_OK;
}

}  // namespace zvraw
