#include "support/TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

void TempDirTest::SetUp() {
  const char* root = std::getenv("ZVRAW_TEST_TMP");
  fs::path base = root ? fs::path(root) : fs::temp_directory_path();
  fs::create_directories(base);
  std::string pattern = (base / "zvraw-XXXXXX").string();
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "cannot make a temporary directory under " << base;
  dir_ = pattern;
}

void TempDirTest::TearDown() {
  std::error_code ec;
  if (!dir_.empty()) fs::remove_all(dir_, ec);
}

void writeFile(const fs::path& p, const Bytes& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write fixture " << p;
}

void writeTextFile(const fs::path& p, const std::string& text) {
  writeFile(p, Bytes(text.begin(), text.end()));
}

Bytes readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readTextFile(const fs::path& p) {
  const Bytes b = readFile(p);
  return std::string(b.begin(), b.end());
}
