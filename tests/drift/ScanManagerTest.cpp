#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "drift/ScanManager.h"

using Vardex::Lib::ZorvalenRaw::ScanManager;

namespace {

constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(ScanManager, InvalidSettingsLeaveNoGrid) {
  struct Case {
    const char* what;
    float lteff, veff, ghz, start, end;
  };
  const Case cases[] = {
      {"start not set", 1, 5184, 1, kMax, 400},  {"end not set", 1, 5184, 1, 100, -kMax},
      {"Veff = Lteff = 0", 0, 0, 1, 100, 400},   {"Veff 0", 1, 0, 1, 100, 400},
      {"negative Veff", 1, -5184, 1, 100, 400},  {"frequency 0", 1, 5184, 0, 100, 400},
      {"end below start", 1, 5184, 1, 400, 100}, {"NaN mass", 1, 5184, 1, kNaN, 400},
      {"start 0", 1, 5184, 1, 0, 400},           {"grid too long", 1, 5184, 1, 0.01f, 1e15f},
  };
  for (const Case& c : cases) {
    ScanManager m(c.lteff, c.veff, c.ghz, c.start, c.end);
    EXPECT_FALSE(m.Valid()) << c.what;
    const std::vector<float> masses{150.0f}, intensities{3.0f};
    m.Resample(masses.data(), intensities.data(), 1);  // harmless on an invalid grid
    std::vector<float> outM{1}, outI{1};
    m.ZeroGuard(outM, outI);
    EXPECT_TRUE(outM.empty() && outI.empty()) << c.what;
  }
}

TEST(ScanManager, ResamplesOntoTheGridAndStripsZeroRuns) {
  // ttm = 5184 / (5184 x 1^2) = 1: the grid masses are the squares of 10 .. 20.
  ScanManager m(1.0f, 5184.0f, 1.0f, 100.0f, 400.0f);
  ASSERT_TRUE(m.Valid());
  const std::vector<float> masses{144.0f}, intensities{7.0f};
  m.Resample(masses.data(), intensities.data(), 1);
  std::vector<float> outM, outI;
  m.ZeroGuard(outM, outI);
  EXPECT_EQ(outM, (std::vector<float>{100, 121, 144, 169, 400}));
  EXPECT_EQ(outI, (std::vector<float>{0, 0, 7, 0, 0}));
  // Every Resample replaces the buffer: an empty spectrum leaves only zeros.
  m.Resample(nullptr, nullptr, 0);
  m.ZeroGuard(outM, outI);
  EXPECT_EQ(outM, (std::vector<float>{100, 400}));
  EXPECT_EQ(outI, (std::vector<float>{0, 0}));
}

}  // namespace
