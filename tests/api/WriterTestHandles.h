#pragma once

// Handles of the C interface for writer tests, each released with its scope:
// a parameter set, a writer, a reader; and the files a directory holds.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "api/ZorvalenRawWriterImp.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

namespace writer_test {

namespace fs = std::filesystem;
using Keys = std::vector<std::pair<int, std::string>>;
using Vardex::Lib::ZorvalenRaw::handleCast;
using Vardex::Lib::ZorvalenRaw::ZorvalenRawWriterImp;

// The 14 scan items of 35-byte records, wider than a scan's index record:
// COLLISION_ENERGY first, the item the tests give a value.
inline constexpr ZorvalenScanItem kWideItems[] = {
    ZorvalenScanItem::COLLISION_ENERGY,        ZorvalenScanItem::LINEAR_DETECTOR_VOLTAGE,
    ZorvalenScanItem::LINEAR_SENSITIVITY,      ZorvalenScanItem::REFLECTRON_LENS_VOLTAGE,
    ZorvalenScanItem::REFLECTRON_DETECTOR_VOLTAGE, ZorvalenScanItem::REFLECTRON_SENSITIVITY,
    ZorvalenScanItem::LASER_REPETITION_RATE,   ZorvalenScanItem::COURSE_LASER_CONTROL,
    ZorvalenScanItem::FINE_LASER_CONTROL,      ZorvalenScanItem::LASERAIM_XPOS,
    ZorvalenScanItem::LASERAIM_YPOS,           ZorvalenScanItem::SET_MASS,
    ZorvalenScanItem::VESKO_ENABLED,           ZorvalenScanItem::REFERENCE_SCAN};

// A parameter set of the C interface, released with the scope.
struct Set {
  explicit Set(const Keys& keys = {}) {
    EXPECT_EQ(createParameters(&p), ZVRAW_OK);
    for (const auto& [k, v] : keys) EXPECT_EQ(setParameterValue(p, k, v.c_str()), ZVRAW_OK);
  }
  ~Set() { (void)destroyParameters(p); }
  Set(const Set&) = delete;
  Set& operator=(const Set&) = delete;
  operator CZorvalenParameters() const { return p; }  // NOLINT: passed straight to the C calls
  [[nodiscard]] std::string get(int k) const {
    char* text = nullptr;
    return getParameterValue(p, k, &text) == ZVRAW_OK ? text : "?";
  }
  CZorvalenParameters p = nullptr;
};

struct Writer {
  explicit Writer(const std::string& target) { rc = createRawWriter(&w, target.c_str()); }
  ~Writer() { EXPECT_EQ(destroyRawWriter(w), ZVRAW_OK); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
  operator CZorvalenRawWriter() const { return w; }  // NOLINT
  [[nodiscard]] ZorvalenRawWriterImp& imp() const { return *handleCast<ZorvalenRawWriterImp>(w); }
  CZorvalenRawWriter w = nullptr;
  int rc = -1;
};

struct Reader {
  Reader(const fs::path& raw, ZorvalenBaseType kind) { rc = createRawReaderFromPath(raw.c_str(), &r, kind); }
  ~Reader() { (void)destroyRawReader(r); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  operator CZorvalenBaseReader() const { return r; }  // NOLINT
  CZorvalenBaseReader r = nullptr;
  int rc = -1;
};

// Every file of a directory with its bytes.
inline std::map<std::string, Bytes> files(const fs::path& dir) {
  std::map<std::string, Bytes> out;
  if (fs::is_directory(dir))
    for (const auto& e : fs::directory_iterator(dir))
      if (e.is_regular_file()) out[e.path().filename().string()] = readFile(e.path());
  return out;
}

}  // namespace writer_test
