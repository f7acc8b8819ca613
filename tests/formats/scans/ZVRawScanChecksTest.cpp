// The bad-mass test and the repair of scans whose masses do not ascend.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "formats/scans/ZVRawScan.h"

using borealtek_zvraw_version_1::checkMass;
using borealtek_zvraw_version_1::makeMonotonicScan;

namespace {

TEST(CheckMass, WhatIsBadAndWhatEachStrategyAnswers) {
  struct Case {
    int format;
    float mass, last;
    bool bad;
    const char* why;
  } cases[] = {
      {9, 500, 400, false, "in range, ascending"},
      {9, 1001, 400, false, "within the window above the upper bound"},
      {9, 1001.5f, 400, true, "beyond the window"},
      {9, 99, 1, false, "within the window below the lower bound"},
      {9, 98.5f, 1, true, "below the window"},
      {9, 400, 400, true, "equal to the previous mass"},
      {9, 300, 400, true, "below the previous mass"},
      {9, 300, 0, false, "no previous mass yet"},
      {9, 300, -5, false, "a negative previous mass is no previous mass"},
      {0, 5000, 1, true, "format 0 is tested"},
      {1, 5000, 1, true, "format 1 is tested"},
      {8, 5000, 1, true, "format 8 is tested"},
      {12, 5000, 1, true, "format 12 is tested"},
      {13, 5000, 1, true, "format 13 is tested"},
      {2, 5000, 1, false, "format 2 stores no mass"},
      {3, 0, 1, false, "format 3 stores no mass"},
      {5, 0, 1, false, "formats 4-7 store no mass"},
      {11, 0, 1, false, "format 11 stores no mass"},
      {10, 500, 1, true, "format 10 has no packets"},
      {14, 500, 1, true, "nor has format 14"},
      {-1, 500, 1, true, "nor a negative format"},
  };
  for (const Case& c : cases) {
    for (int strategy : {0, 1, 2, 3, 4}) {
      const int expected = !c.bad ? 0 : strategy == 1 ? 3 : strategy == 2 ? 1 : strategy == 3 ? 2 : 0;
      EXPECT_EQ(checkMass(strategy, c.format, 1.0f, 100, 1000, c.mass, c.last), expected)
          << c.why << ", strategy " << strategy;
    }
  }
}

struct Repair {
  std::vector<float> masses, intensities, wantMasses, wantIntensities;
  const char* why;
};

TEST(MakeMonotonicScan, Repairs) {
  const float kNaN = std::numeric_limits<float>::quiet_NaN();
  const Repair cases[] = {
      {{100, 101, 99, 98, 104},
       {1, 2, 3, 4, 8},
       {100, 101, 102, 103, 104},
       {1, 2, 4, 6, 8},
       "a run below its predecessor"},
      {{400, 500, 5000, 6000}, {1, 1, 1, 1}, {400, 500, 500.5f, 501}, {1, 1, 1, 1}, "trailing out-of-range run"},
      {{10, 20, 60, 70}, {1, 1, 1, 1}, {59, 59.5f, 60, 70}, {1, 1, 1, 1}, "leading out-of-range run"},
      {{5000, 300}, {1, 2}, {299, 300}, {1, 2}, "only the last mass is good"},
      {{300, 5000}, {1, 2}, {300, 301}, {1, 2}, "only the first mass is good"},
      {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, "no mass in range: left alone"},
      {{kNaN, 200}, {1, 1}, {199, 200}, {1, 1}, "a NaN is out of range"},
      {{200, 300, 250}, {1, 2, 3}, {200, 300, 250}, {1, 2, 3}, "a drop at the last peak is not interpolated"},
      {{200}, {1}, {200}, {1}, "one peak"},
  };
  for (const Repair& c : cases) {
    std::vector<float> m = c.masses, i = c.intensities;
    makeMonotonicScan(m.data(), i.data(), static_cast<int>(m.size()), 1.0f, 50, 1000);
    EXPECT_EQ(m, c.wantMasses) << c.why;
    EXPECT_EQ(i, c.wantIntensities) << c.why;
  }
  std::vector<float> m{300, 200}, i{1, 1};
  makeMonotonicScan(nullptr, i.data(), 2, 1, 50, 1000);
  makeMonotonicScan(m.data(), nullptr, 2, 1, 50, 1000);
  makeMonotonicScan(m.data(), i.data(), 0, 1, 50, 1000);
  makeMonotonicScan(m.data(), i.data(), -3, 1, 50, 1000);
  EXPECT_EQ(m, std::vector<float>({300, 200})) << "nothing for missing arrays or no peaks";
}

}  // namespace
