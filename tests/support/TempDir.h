#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/ByteBuilder.h"

// Each test gets its own fresh directory, removed when the test ends.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  [[nodiscard]] const std::filesystem::path& dir() const { return dir_; }
  // dir()/name as a string, for APIs that take paths.
  [[nodiscard]] std::string path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

// Whole-file helpers for fixtures.
void writeFile(const std::filesystem::path& p, const Bytes& bytes);
void writeTextFile(const std::filesystem::path& p, const std::string& text);
[[nodiscard]] Bytes readFile(const std::filesystem::path& p);
[[nodiscard]] std::string readTextFile(const std::filesystem::path& p);
