#include "support/Corruption.h"

#include <gtest/gtest.h>

#include <random>

#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

void expectRejectsTruncations(const Bytes& valid, const ReaderCall& read, const CutTolerance& tolerate) {
  ASSERT_EQ(read(valid), ZVRAW_OK) << "the untouched fixture must read";
  for (std::size_t cut = 0; cut < valid.size(); ++cut) {
    const Bytes damaged(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(cut));
    const int rc = read(damaged);
    if (tolerate && tolerate(cut)) continue;
    EXPECT_NE(rc, ZVRAW_OK) << "a file cut at " << cut << " of " << valid.size() << " bytes read as valid";
  }
}

void expectSurvivesCorruptions(const Bytes& valid, const ReaderCall& read, std::uint32_t seed, int count) {
  if (valid.empty()) return;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> where(0, valid.size() - 1);
  std::uniform_int_distribution<int> howMany(1, 8);
  std::uniform_int_distribution<int> value(0, 255);
  for (int i = 0; i < count; ++i) {
    Bytes damaged = valid;
    for (int k = howMany(rng); k > 0; --k) damaged[where(rng)] = static_cast<std::uint8_t>(value(rng));
    const int rc = read(damaged);
    EXPECT_TRUE(rc >= ZVRAW_OK && rc <= ZVRAW_DRIFTRANGE_INVALID) << "corruption " << i << " (seed " << seed << ") gave " << rc;
  }
}

void expectDamagedFileSurvives(const std::filesystem::path& file, const std::function<int()>& read, std::uint32_t seed,
                               int count) {
  SCOPED_TRACE(file.filename().string());
  const Bytes valid = readFile(file);
  const ReaderCall readDamaged = [&](const Bytes& damaged) {
    writeFile(file, damaged);
    return read();
  };
  expectRejectsTruncations(valid, readDamaged, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, readDamaged, seed, count);
  writeFile(file, valid);
}
