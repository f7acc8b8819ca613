#pragma once

// Readers of the C interface on a raw directory written by
// RawDirectoryFixture, released when the test ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "api/ZorvalenRawReaderImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "support/RawDirectoryFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRaw.h"

// A parameter set's pairs, read through the C interface.
using ParameterPairs = std::map<int, std::string>;
inline ParameterPairs parameterPairs(CZorvalenParameters set) {
  int* keys = nullptr;
  int n = 0;
  EXPECT_EQ(getParameterKeys(set, &keys, &n), ZVRAW_OK);
  const std::vector<int> copied(keys, keys + n);
  ParameterPairs out;
  for (int key : copied) {
    char* text = nullptr;
    EXPECT_EQ(getParameterValue(set, key, &text), ZVRAW_OK);
    out[key] = text;
  }
  return out;
}

class ReaderTest : public TempDirTest {
 protected:
  void TearDown() override {
    for (CZorvalenBaseReader r : readers_) EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
    TempDirTest::TearDown();
  }

  [[nodiscard]] std::filesystem::path raw() const { return dir() / "run1.raw"; }
  [[nodiscard]] std::string rawPath() const { return raw().string(); }

  void write(const RawDirectoryFixture& fx) {
    std::filesystem::create_directories(raw());
    fx.write(raw());
  }

  // A reader of the kind on raw(), released by TearDown; the test fails
  // when it does not open.
  CZorvalenBaseReader open(ZorvalenBaseType kind) {
    CZorvalenBaseReader r = nullptr;
    EXPECT_EQ(createRawReaderFromPath(rawPath().c_str(), &r, kind), ZVRAW_OK);
    if (r != nullptr) readers_.push_back(r);
    return r;
  }
  // A reader of the kind sharing source's directory, released by TearDown.
  CZorvalenBaseReader share(CZorvalenBaseReader source, ZorvalenBaseType kind) {
    CZorvalenBaseReader r = nullptr;
    EXPECT_EQ(createRawReaderFromReader(source, &r, kind), ZVRAW_OK);
    if (r != nullptr) readers_.push_back(r);
    return r;
  }
  // Destroys a reader before the test ends.
  void close(CZorvalenBaseReader r) {
    std::erase(readers_, r);
    EXPECT_EQ(destroyRawReader(r), ZVRAW_OK);
  }

  // The cluster behind a reader, and how many data-file objects share it.
  static borealtek_zvraw_version_1::ZVRawDataCluster* cluster(CZorvalenBaseReader r) {
    auto* reader = Vardex::Lib::ZorvalenRaw::handleCast<Vardex::Lib::ZorvalenRaw::ZorvalenRawReaderImp>(r);
    return reader != nullptr ? reader->getDataCluster() : nullptr;
  }
  static int shares(CZorvalenBaseReader r) {
    auto* c = cluster(r);
    c->IncCount();
    return c->DecCount();
  }

  // Two format-12 functions of 5 and 3 scans (4 and 6 points).
  static RawDirectoryFixture twoFunctions() {
    RawDirectoryFixture fx;
    fx.function({.format = 12, .scans = 5, .peaks = 4}).function({.format = 12, .scans = 3, .peaks = 6});
    return fx;
  }

 private:
  std::vector<CZorvalenBaseReader> readers_;
};

// A reader test with one parameter set for the queries that fill one.
class ReaderSetTest : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ASSERT_EQ(createParameters(&set_), ZVRAW_OK);
  }
  void TearDown() override {
    EXPECT_EQ(destroyParameters(set_), ZVRAW_OK);
    ReaderTest::TearDown();
  }

  CZorvalenParameters set_ = nullptr;
};
