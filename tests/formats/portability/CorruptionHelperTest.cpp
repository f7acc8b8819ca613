// The shared corruption helper must itself catch a reader that accepts a
// damaged file, or every later suite built on it proves nothing.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "support/ByteBuilder.h"
#include "support/Corruption.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

// Accepts exactly 8 bytes that start with the magic 0xAB.
int strictReader(const Bytes& b) { return (b.size() == 8 && b[0] == 0xAB) ? ZVRAW_OK : ZVRAW_FILEREAD_ERROR; }
// Wrongly accepts a file that lost its last byte.
int lenientReader(const Bytes& b) { return b.size() >= 7 ? ZVRAW_OK : ZVRAW_FILEREAD_ERROR; }

const Bytes kValid = ByteBuilder().u8(0xAB).zeros(7).take();

TEST(CorruptionHelper, PassesAStrictReader) {
  expectRejectsTruncations(kValid, strictReader);
  expectSurvivesCorruptions(kValid, strictReader);
}

TEST(CorruptionHelper, CatchesALenientReader) {
  EXPECT_NONFATAL_FAILURE(expectRejectsTruncations(kValid, lenientReader), "cut at 7 of 8 bytes read as valid");
}

TEST(CorruptionHelper, ToleranceExcusesChosenCuts) {
  expectRejectsTruncations(kValid, lenientReader, [](std::size_t cut) { return cut == 7; });
}

TEST(CorruptionHelper, CatchesCodesOutsideTheTable) {
  EXPECT_NONFATAL_FAILURE(expectSurvivesCorruptions(kValid, [](const Bytes&) { return -1; }, 1, 1), "gave -1");
}

}  // namespace
