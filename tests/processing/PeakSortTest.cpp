#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <vector>

#include "processing/PeakSort.h"

namespace {

// The plain recursive form of the partition: both sides by recursion, and j
// halted only by point 0.
void referenceSort(std::vector<PKD_SORT_EDGE>& r, long left, long right) {
  if (right <= left) return;
  const float pivot = r[right].fHeight;
  long i = left - 1, j = right;
  for (;;) {
    while (r[++i].fHeight < pivot) {
    }
    if (j != 0) {
      --j;
      while (j > 0 && r[j].fHeight > pivot) --j;
    }
    if (j < i) break;
    std::swap(r[i], r[j]);
  }
  std::swap(r[i], r[right]);
  referenceSort(r, left, j);
  referenceSort(r, i + 1, right);
}

bool sorted(const std::vector<PKD_SORT_EDGE>& r) {
  return std::is_sorted(r.begin(), r.end(), [](auto& a, auto& b) { return a.fHeight < b.fHeight; });
}

// Records of a spectrum: a peak on about `density` of the points (never the
// first or last), heights from a few levels so that many are equal.
std::vector<PKD_SORT_EDGE> spectrumRecords(std::mt19937& rng, long n, double density, int levels) {
  std::vector<PKD_SORT_EDGE> r(static_cast<std::size_t>(n), PKD_SORT_EDGE{0.0f, -1});
  std::bernoulli_distribution peak(density);
  for (long i = 1; i + 1 < n; ++i)
    if (peak(rng)) r[static_cast<std::size_t>(i)] = {static_cast<float>(1 + rng() % levels), i};
  return r;
}

TEST(PkdQuickSort, KeepsThePartitionOrderOfEqualHeights) {
  std::mt19937 rng(37);
  int compared = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const long n = 2 + static_cast<long>(rng() % 300);
    std::vector<PKD_SORT_EDGE> records(static_cast<std::size_t>(n));
    for (auto& r : records) r = {static_cast<float>(rng() % 6), static_cast<long>(rng() % 1000)};
    if (trial % 2) records = spectrumRecords(rng, n, 0.05 + 0.9 * (trial % 10) / 10.0, 1 + trial % 5);
    auto reference = records, ours = records;
    referenceSort(reference, 0, n - 1);
    PkdQuickSort(ours.data(), n);
    ASSERT_TRUE(sorted(ours)) << "trial " << trial;
    // Wherever the plain form sorts at all, the order is the same.
    if (!sorted(reference)) continue;
    ++compared;
    for (long k = 0; k < n; ++k) ASSERT_EQ(ours[k].lIndex, reference[k].lIndex) << "trial " << trial << " at " << k;
  }
  EXPECT_GT(compared, 250);
  // The plain form leaves {5, 3} as it is: j halts on point 0.
  std::vector<PKD_SORT_EDGE> two{{5, 0}, {3, 1}};
  PkdQuickSort(two.data(), 2);
  EXPECT_TRUE(sorted(two));
}

TEST(PkdQuickSort, AMillionAscendingHeightsOnASmallStack) {
  std::vector<PKD_SORT_EDGE> r(1000000);
  for (long i = 0; i < 1000000; ++i) r[static_cast<std::size_t>(i)] = {static_cast<float>(i), i};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  pthread_t thread;
  auto run = [](void* p) -> void* {
    auto& v = *static_cast<std::vector<PKD_SORT_EDGE>*>(p);
    PkdQuickSort(v.data(), static_cast<long>(v.size()));
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, run, &r), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_TRUE(sorted(r));
}

TEST(SortPeaksAsRecords, OrdersAsTheRecordsOfEveryPointWould) {
  std::mt19937 rng(2026);
  for (int trial = 0; trial < 3000; ++trial) {
    const long n = 2 + static_cast<long>(rng() % (trial < 2000 ? 60 : 2000));
    const auto records = spectrumRecords(rng, n, std::uniform_real_distribution<double>(0.02, 0.98)(rng),
                                         1 + static_cast<int>(rng() % 6));
    std::vector<PeakSortEntry> peaks;
    for (const auto& r : records)
      if (r.lIndex >= 0) peaks.push_back({r.lIndex, r.lIndex, r.fHeight});
    auto full = records;
    PkdQuickSort(full.data(), n);
    std::vector<PeakSortEntry> scratch(peaks.size());
    sortPeaksAsRecords(peaks.data(), static_cast<long>(peaks.size()), n, scratch.data());
    std::vector<long> expected;
    for (const auto& r : full)
      if (r.lIndex >= 0) expected.push_back(r.lIndex);
    std::vector<long> got;
    for (const auto& p : peaks) got.push_back(p.lHandle);
    ASSERT_EQ(got, expected) << "trial " << trial << ", " << n << " points";
  }
}

}  // namespace
