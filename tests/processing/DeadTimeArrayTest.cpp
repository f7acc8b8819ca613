#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include <sys/stat.h>

#include "processing/DeadTimeArray.h"
#include "support/Corruption.h"
#include "support/DecimalCommaLocale.h"
#include "support/FifoGuard.h"
#include "support/TempDir.h"

struct DeadTimeArrayInspector {
  static DeadTime at(const DeadTimeArray& t, int i) { return t.GetAt(i); }
  static int size(const DeadTimeArray& t) { return t.GetSize(); }
};

namespace {

using Row = std::array<float, 4>;  // lambda, sigma, lambdaPrime, deltaT

Row row(const DeadTimeArray& t, int i) {
  const DeadTime r = DeadTimeArrayInspector::at(t, i);
  return {r.Lambda(), r.Sigma(), r.LambdaPrime(), r.DeltaT()};
}

constexpr float kSigmas[17] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f,
                               1.0f, 1.3f, 1.6f, 1.9f, 2.2f, 2.5f, 2.8f, 3.1f};
constexpr float kLambdas[25] = {0,    0.02f, 0.04f, 0.06f, 0.08f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f,
                                0.9f, 1.0f,  1.1f,  1.2f,  1.3f,  1.4f, 1.5f, 1.6f, 1.7f, 1.8f, 1.9f, 2.0f};
constexpr float kNarrowLambdaPrime[25] = {
    0,      0.01975f, 0.03909f, 0.05805f, 0.07663f, 0.09484f, 0.181f, 0.258f, 0.328f, 0.391f, 0.448f, 0.5f, 0.546f,
    0.588f, 0.626f,   0.66f,    0.691f,   0.719f,   0.744f,   0.766f, 0.787f, 0.805f, 0.822f, 0.837f, 0.85f};
constexpr float kDeltaTAt01[25] = {0,          -0.0005569f, -0.001114f, -0.001671f, -0.002228f, -0.002785f, -0.005568f,
                                   -0.008349f, -0.01112f,   -0.01389f,  -0.01665f,  -0.01939f,  -0.02212f,  -0.02483f,
                                   -0.02752f,  -0.03019f,   -0.03284f,  -0.03546f,  -0.03806f,  -0.04063f,  -0.04316f,
                                   -0.04567f,  -0.04814f,   -0.05058f,  -0.05298f};
// lambdaPrime and deltaT at lambda 0.1, 1.0 and 2.0 (rows 5, 14, 24 of a block).
constexpr float kTelling[17][6] = {{0.09484f, -0.002785f, 0.626f, -0.02752f, 0.85f, -0.05298f},
                                   {0.09484f, -0.005569f, 0.626f, -0.05505f, 0.85f, -0.106f},
                                   {0.09484f, -0.008354f, 0.626f, -0.08257f, 0.85f, -0.159f},
                                   {0.09484f, -0.01114f, 0.626f, -0.11f, 0.85f, -0.212f},
                                   {0.09484f, -0.01392f, 0.626f, -0.138f, 0.85f, -0.265f},
                                   {0.09484f, -0.01671f, 0.626f, -0.165f, 0.85f, -0.318f},
                                   {0.09484f, -0.01949f, 0.626f, -0.193f, 0.85f, -0.371f},
                                   {0.09484f, -0.02228f, 0.626f, -0.22f, 0.85f, -0.424f},
                                   {0.09484f, -0.02506f, 0.626f, -0.248f, 0.85f, -0.477f},
                                   {0.09484f, -0.02781f, 0.626f, -0.275f, 0.85f, -0.53f},
                                   {0.09487f, -0.03544f, 0.627f, -0.352f, 0.852f, -0.682f},
                                   {0.09496f, -0.04095f, 0.632f, -0.412f, 0.86f, -0.808f},
                                   {0.09513f, -0.04385f, 0.64f, -0.448f, 0.876f, -0.893f},
                                   {0.09535f, -0.04468f, 0.652f, -0.462f, 0.9f, -0.936f},
                                   {0.09558f, -0.04416f, 0.666f, -0.46f, 0.931f, -0.945f},
                                   {0.09582f, -0.04287f, 0.68f, -0.449f, 0.965f, -0.93f},
                                   {0.09605f, -0.04117f, 0.695f, -0.432f, 1.0f, -0.901f}};

TEST(DefaultDeadTime, HoldsEveryGivenValue) {
  const DeadTimeArray t;
  EXPECT_EQ(DeadTimeArrayInspector::size(t), 425);
  EXPECT_TRUE(t.isInternalTable());
  for (int b = 0; b < 17; ++b) {
    EXPECT_EQ(row(t, 25 * b), (Row{0, kSigmas[b], 0, 0})) << "block " << b;
    for (int l = 0; l < 25; ++l) {
      const Row r = row(t, 25 * b + l);
      EXPECT_EQ(r[0], kLambdas[l]) << b << "," << l;
      EXPECT_EQ(r[1], kSigmas[b]) << b << "," << l;
      if (b < 10) {
        EXPECT_EQ(r[2], kNarrowLambdaPrime[l]) << b << "," << l;
      }
      if (b == 0) {
        EXPECT_EQ(r[3], kDeltaTAt01[l]) << l;
      }
    }
    for (int k = 0; k < 3; ++k) {
      const Row r = row(t, 25 * b + std::array{5, 14, 24}[static_cast<std::size_t>(k)]);
      EXPECT_EQ(r[2], kTelling[b][2 * k]) << b << "," << k;
      EXPECT_EQ(r[3], kTelling[b][2 * k + 1]) << b << "," << k;
    }
  }
  EXPECT_EQ(row(t, 424), (Row{2.0f, 3.1f, 1.0f, -0.901f}));
  for (int outside : {425, -1, 1 << 30}) EXPECT_EQ(row(t, outside), (Row{0, 0, 0, 0})) << outside;
}

TEST(DefaultDeadTime, RatesAndShiftsRiseWithinEveryBlock) {
  const DeadTimeArray t;
  for (int b = 0; b < 17; ++b) {
    for (int l = 1; l < 25; ++l) {
      const Row prev = row(t, 25 * b + l - 1), r = row(t, 25 * b + l);
      EXPECT_GT(r[2], prev[2]) << b << "," << l;
      EXPECT_GT(std::fabs(r[3]), std::fabs(prev[3])) << b << "," << l;
      if (b < 10) {  // narrow blocks: the shift scales with sigma
        const float scaled = kSigmas[b] / 0.1f * kDeltaTAt01[l];
        EXPECT_LE(std::fabs(r[3] - scaled), 0.005f * std::fabs(scaled)) << b << "," << l;
      }
    }
  }
}

TEST(DeadTimeLookup, BuiltInTableEdges) {
  DeadTimeArray t;
  // A grid sigma blends its two neighbours (0.4: rows 75.., 0.6: rows 125..),
  // half and half; rate 0.3 lies 0.6 of the way from lambda 0.3 to 0.4.
  const auto within = [&](int first) { return 0.4f * row(t, first + 7)[3] + 0.6f * row(t, first + 8)[3]; };
  EXPECT_NEAR(t.InterpolateDeltaT(0.3f, 0.5f), 0.5f * within(75) + 0.5f * within(125), 1e-6f);
  EXPECT_FLOAT_EQ(t.InterpolateLambda(0.626f, 0.5f), 1.0f);
  // Width 0.15, rate 0.01: a corner on row 0 stops Interpolate only.
  float lambda = -1, deltaT = -1;
  t.Interpolate(0.01f, 0.15f, lambda, deltaT);
  EXPECT_EQ(lambda, 0.0f);
  EXPECT_EQ(deltaT, 0.0f);
  EXPECT_NEAR(t.InterpolateLambda(0.01f, 0.15f), 0.01f * 0.02f / 0.01975f, 1e-5f);
  struct Case {
    float p, s;
    bool corrected, offTable;
  };
  for (const Case c : {Case{0.3f, 0.1f, false, false}, Case{0.3f, 3.1f, false, true}, Case{0.3f, 5.0f, false, true},
                       Case{0.0f, 0.5f, false, false}, Case{0.85f, 0.5f, true, true}, Case{0.84999f, 0.5f, true, false},
                       Case{0.9f, 2.9f, true, false}, Case{1.0f, 2.9f, false, true}}) {
    t.Interpolate(c.p, c.s, lambda, deltaT);
    EXPECT_EQ(lambda != 0.0f, c.corrected) << c.p << " " << c.s;
    EXPECT_EQ(deltaT != 0.0f, c.corrected) << c.p << " " << c.s;
    EXPECT_EQ(t.IsOffTable(c.p, c.s), c.offTable) << c.p << " " << c.s;
  }
  bool above = true;
  t.InterpolateLambda(0.5f, 0.5f, &above);
  EXPECT_FALSE(above);          // no threshold
  t.LambdaThreshold() = 0.69f;  // rate 0.5 is lambda 0.7
  EXPECT_EQ(t.getLambdaThreshold(), 0.69f);
  t.InterpolateLambda(0.5f, 0.5f, &above);
  EXPECT_TRUE(above);
  t.InterpolateLambda(0.4f, 0.5f, &above);
  EXPECT_FALSE(above);
}

class DeadTimeFileTest : public TempDirTest {
 protected:
  bool read(const std::string& text) {
    writeTextFile(dir() / "deadtime.txt", text);
    return table_.readFromFile(path("deadtime.txt").c_str());
  }
  DeadTimeArray table_;
};

// Two sigma blocks (1 and 3) where the one-weight blend and bilinear differ.
constexpr const char* kSixRows = "0 1 0 0\n1 1 0.5 -0.1\n2 1 0.8 -0.2\n0 3 0 0\n1 3 0.6 -0.3\n2 3 0.9 -0.6\n";

TEST_F(DeadTimeFileTest, BlendsWithOneWeight) {
  ASSERT_TRUE(read(kSixRows));
  EXPECT_FALSE(table_.isInternalTable());
  EXPECT_NEAR(table_.InterpolateDeltaT(0.55f, 2.0f), -0.158333f, 1e-6f);
  float lambda = 0, deltaT = 0;
  table_.Interpolate(0.55f, 2.0f, lambda, deltaT);
  EXPECT_NEAR(lambda, 1.041667f, 1e-6f);
  EXPECT_NEAR(deltaT, -0.158333f, 1e-6f);
}

TEST_F(DeadTimeFileTest, ReadsUpToTheFirstEntryThatIsNotANumber) {
  struct Case {
    const char* text;
    bool ok;
    int size;
    Row last;
  };
  const Case cases[] = {
      {"1 2 3 4\n5 6 7 8\nabc", true, 2, {5, 6, 7, 8}},
      {"1 2 3 4\n5 6", true, 2, {5, 6, 0, 0}},
      {"1 2 3 4\n5 6 x 8\n9 9 9 9\n", true, 2, {5, 6, 0, 0}},
      {"1 2 3 4 5 6 7 8\n", true, 2, {5, 6, 7, 8}},
      {"  \n\t1\n2\n3\n4", true, 1, {1, 2, 3, 4}},
      {"abc", false, 425, {2.0f, 3.1f, 1.0f, -0.901f}},
      {"", false, 425, {2.0f, 3.1f, 1.0f, -0.901f}},
  };
  for (const Case& c : cases) {
    DeadTimeArray fresh;
    writeTextFile(dir() / "t.txt", c.text);
    EXPECT_EQ(fresh.readFromFile(path("t.txt").c_str()), c.ok) << c.text;
    EXPECT_EQ(DeadTimeArrayInspector::size(fresh), c.size) << c.text;
    EXPECT_EQ(row(fresh, c.size - 1), c.last) << c.text;
    EXPECT_EQ(fresh.isInternalTable(), !c.ok) << c.text;
  }
  EXPECT_FALSE(table_.readFromFile(path("missing.txt").c_str()));
  EXPECT_FALSE(table_.readFromFile(nullptr));
  // A FIFO is no table and is never waited on.
  ASSERT_EQ(::mkfifo(path("fifo.txt").c_str(), 0600), 0);
  EXPECT_FALSE(withinFifo(path("fifo.txt"), [&] { return table_.readFromFile(path("fifo.txt").c_str()); }));
  EXPECT_TRUE(table_.isInternalTable());
  // A second read replaces owned rows (the sanitizers see a leak otherwise).
  ASSERT_TRUE(read(kSixRows));
  ASSERT_TRUE(read("1 2 3 4\n"));
  EXPECT_EQ(DeadTimeArrayInspector::size(table_), 1);
  EXPECT_FALSE(read("x"));
  EXPECT_EQ(DeadTimeArrayInspector::size(table_), 1);
}

TEST_F(DeadTimeFileTest, NumbersIgnoreTheCallersLocale) {
  const DecimalCommaLocale comma;
  if (!comma.active()) GTEST_SKIP() << "no decimal-comma locale installed";
  ASSERT_TRUE(read(kSixRows));
  EXPECT_EQ(DeadTimeArrayInspector::size(table_), 6);
  EXPECT_EQ(row(table_, 4), (Row{1.0f, 3.0f, 0.6f, -0.3f}));
}

TEST_F(DeadTimeFileTest, DamagedFilesGiveAResult) {
  const std::string text = kSixRows;
  const Bytes valid(text.begin(), text.end());
  const auto readBytes = [&](const Bytes& damaged) {
    writeFile(dir() / "d.txt", damaged);
    DeadTimeArray t;
    const bool ok = t.readFromFile(path("d.txt").c_str());
    float lambda = 0, deltaT = 0;
    for (float s : {0.5f, 1.0f, 2.0f, 3.0f, 4.0f}) {
      t.Interpolate(0.55f, s, lambda, deltaT);
      (void)t.InterpolateLambda(0.3f, s);
      (void)t.IsOffTable(0.3f, s);
    }
    return ok ? 0 : 1;
  };
  expectRejectsTruncations(valid, readBytes, [](std::size_t) { return true; });
  expectSurvivesCorruptions(valid, readBytes);
}

}  // namespace
