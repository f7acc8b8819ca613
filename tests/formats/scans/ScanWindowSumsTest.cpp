// Summing many scans at once must give, scan by scan and bit for bit, what
// each scan's own window sum gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/scans/ScanWindowSums.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

// A scan of ascending masses (neighbours may be equal) on a 1/64 grid, so
// window bounds can land exactly on them.
void fillScan(ZVRawScan& scan, unsigned n, std::mt19937& rng) {
  if (n == 0) return;
  auto m = std::make_unique_for_overwrite<float[]>(n);
  auto i = std::make_unique_for_overwrite<float[]>(n);
  float mass = 100.0f + static_cast<float>(rng() % 64) / 64.0f;
  for (unsigned p = 0; p < n; ++p) {
    mass += static_cast<float>(rng() % 3) / 64.0f;  // 0: a repeated mass
    m[p] = mass;
    i[p] = static_cast<float>(1 + rng() % 1000) / 8.0f;
  }
  ASSERT_EQ(scan.setScan(std::move(m), std::move(i), nullptr, n), ZVRAW_OK);
}

// A scan kept as its packet run (format 12), which sums itself.
void packedScan(ZVRawScan& scan) {
  zvraw::FilePtr file(std::tmpfile());
  ASSERT_NE(file, nullptr);
  std::vector<char> packets(3 * 8);
  for (int p = 0; p < 3; ++p) zvraw_packed::packEnhancedCalData(100.25f + p, 10.0f * (p + 1), 0, &packets[p * 8]);
  ASSERT_EQ(std::fwrite(packets.data(), 1, packets.size(), file.get()), packets.size());
  std::rewind(file.get());
  float delta = 0;
  ASSERT_EQ(scan.readScanKeepCompressed(file.get(), 3, 12, nullptr, delta), ZVRAW_OK);
}

TEST(ScanWindowSums, EveryScanAsItsOwnSumGivesIt) {
  std::mt19937 rng(0x5C4Eu);
  const unsigned sizes[] = {0, 1, 2, 3, 5, 17, 64, 1000};
  const unsigned count = 131;  // groups of 16 and a short last one
  std::vector<std::unique_ptr<ZVRawScan>> owned;
  std::vector<const ZVRawScan*> scans;
  for (unsigned k = 0; k < count; ++k) {
    owned.push_back(std::make_unique<ZVRawScan>());
    if (k == 40 || k == 41)
      packedScan(*owned.back());
    else
      fillScan(*owned.back(), sizes[rng() % std::size(sizes)], rng);
    scans.push_back(owned.back().get());
  }
  struct Window {
    float low, high, width;
  };
  std::vector<Window> windows = {{100.5f, 100.5f, 0.0f},  {100.0f, 101.0f, 0.5f}, {50.0f, 50.0f, 1.0f},
                                 {500.0f, 500.0f, 10.0f}, {100.0f, 200.0f, 0.0f}, {105.0f, 100.0f, 0.0f},
                                 {103.0f, 103.0f, -4.0f}, {0.0f, 0.0f, 1e9f}};
  for (int w = 0; w < 200; ++w) {
    const float centre = 99.0f + static_cast<float>(rng() % 1600) / 64.0f;
    windows.push_back({centre, centre + static_cast<float>(rng() % 3) / 64.0f, static_cast<float>(rng() % 40) / 64.0f});
  }
  for (const Window& win : windows) {
    std::vector<float> batch(count + 1, -1.0f);
    ASSERT_EQ(sumScansInWindow(scans.data(), count, win.low, win.high, win.width, false, false, batch.data()), 0);
    for (unsigned k = 0; k < count; ++k) {
      float one = -2.0f;
      ASSERT_EQ(scans[k]->getSumIntensity(one, win.low, win.high, win.width, false, false), 0);
      ASSERT_EQ(std::memcmp(&one, &batch[k], sizeof one), 0)
          << "scan " << k << " window " << win.low << ".." << win.high << " +- " << win.width;
    }
    EXPECT_EQ(batch[count], -1.0f);
  }
}

// The first scan that cannot answer stops the run; the ones before it keep
// their values and the ones after it are not written.
TEST(ScanWindowSums, TheFirstFailingScanStopsTheRun) {
  std::mt19937 rng(7);
  std::vector<std::unique_ptr<ZVRawScan>> owned;
  std::vector<const ZVRawScan*> scans;
  for (unsigned k = 0; k < 5; ++k) {
    owned.push_back(std::make_unique<ZVRawScan>());
    fillScan(*owned.back(), 4, rng);
    scans.push_back(owned.back().get());
  }
  // Daughter masses are asked of scans that have none.
  std::vector<float> out(5, -1.0f);
  EXPECT_EQ(sumScansInWindow(scans.data(), 5, 100, 200, 1, true, false, out.data()), ZVRAW_SCANREAD_ERROR);
  EXPECT_EQ(out, std::vector<float>(5, -1.0f));
  EXPECT_EQ(sumScansInWindow(scans.data(), 0, 100, 200, 1, false, false, out.data()), 0);
  // Unsorted sums test every peak, both ends included.
  ASSERT_EQ(sumScansInWindow(scans.data(), 5, 0, 1000, 0, false, true, out.data()), 0);
  float all = 0;
  ASSERT_EQ(scans[3]->getSumIntensity(all, 0, 1000, 0, false, true), 0);
  EXPECT_EQ(out[3], all);
}

}  // namespace
