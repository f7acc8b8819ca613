#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "DeadTimeDerivation.h"
#include "processing/DeadTimeArray.h"

namespace {

std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

// Every row of the built-in table, bit for bit, is what the derivation
// gives: the reference rows (true rates 0.1, 1.0 and 2.0) as given, every
// other by the rule.
TEST(DeadTimeDerivation, GivesEveryRowOfTheBuiltInTable) {
  const zvraw::DerivedDeadTimeTable derived = zvraw::deriveDeadTimeTable();
  ASSERT_EQ(derived.size(), defaultDeadTime.size());
  int given = 0;
  for (std::size_t i = 0; i < derived.size(); ++i) {
    const zvraw::DerivedDeadTime& d = derived[i];
    const DeadTime& t = defaultDeadTime[i];
    SCOPED_TRACE(testing::Message() << "row " << i << (d.given ? " (given)" : " (derived)"));
    EXPECT_EQ(bits(static_cast<float>(d.lambda)), bits(t.Lambda()));
    EXPECT_EQ(bits(static_cast<float>(d.sigma)), bits(t.Sigma()));
    EXPECT_EQ(bits(static_cast<float>(d.lambdaPrime)), bits(t.LambdaPrime()));
    EXPECT_EQ(bits(static_cast<float>(d.deltaT)), bits(t.DeltaT()));
    given += d.given ? 1 : 0;
  }
  EXPECT_EQ(given, 3 * 17);
}

// The program writes the committed source file as it stands.
TEST(DeadTimeDerivation, WritesTheCommittedSource) {
  std::ifstream committed(ZVRAW_DEFAULT_DEAD_TIME_SOURCE);
  ASSERT_TRUE(committed) << ZVRAW_DEFAULT_DEAD_TIME_SOURCE;
  std::istringstream written(zvraw::deadTimeSource(zvraw::deriveDeadTimeTable()));
  std::string want, have;
  for (int line = 1; std::getline(written, want); ++line) {
    ASSERT_TRUE(std::getline(committed, have)) << "the file ends before line " << line;
    EXPECT_EQ(want, have) << "line " << line;
  }
  EXPECT_FALSE(std::getline(committed, have)) << "the file goes on: " << have;
}

}  // namespace
