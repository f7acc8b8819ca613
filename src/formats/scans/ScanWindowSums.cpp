#include "formats/scans/ScanWindowSums.h"

#include <algorithm>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// Scans bisected together: enough misses in flight to hide most of the latency.
constexpr unsigned int kLanes = 16;

struct Lane {
  const float* masses = nullptr;
  const float* intensities = nullptr;
  unsigned int n = 0;
  unsigned int lo = 0, hi = 0;
  bool active = false;
};

// The bisection of zvraw_packed::getNearestIndexGreaterThan, run for every
// lane at once: the first index whose mass exceeds x (n past the last; an x
// equal to the last mass gives n - 1).
void bisectLanes(Lane* lanes, unsigned int count, float x, unsigned int* out) {
  unsigned int active = 0;
  for (unsigned int j = 0; j < count; ++j) {
    Lane& l = lanes[j];
    l.active = false;
    if (l.n == 0 || l.masses[0] > x) {
      out[j] = 0;
    } else if (x > l.masses[l.n - 1]) {
      out[j] = l.n;
    } else {
      l.lo = 0;
      l.hi = l.n - 1;
      out[j] = l.hi;
      l.active = l.hi - l.lo >= 2;
      active += l.active ? 1 : 0;
    }
  }
  while (active > 0) {
    for (unsigned int j = 0; j < count; ++j) {
      Lane& l = lanes[j];
      if (!l.active) continue;
      const unsigned int mid = l.lo + (l.hi - l.lo) / 2;
      if (l.masses[mid] > x)
        l.hi = mid;
      else
        l.lo = mid;
      if (l.hi - l.lo < 2) {
        l.active = false;
        out[j] = l.hi;
        --active;
      }
    }
  }
}

}  // namespace

int sumScansInWindow(const ZVRawScan* const* scans, unsigned int count, float fLowMass, float fHighMass, float fWindow,
                     bool bDaughters, bool bUnsorted, float* out) {
  if (bUnsorted || bDaughters) {
    for (unsigned int k = 0; k < count; ++k)
      if (int rc = scans[k]->getSumIntensity(out[k], fLowMass, fHighMass, fWindow, bDaughters, bUnsorted);
          rc != ZVRAW_OK)
        return rc;
    return ZVRAW_OK;
  }
  // The same bounds, in the same single precision, as each scan's own sum.
  const float start = fLowMass - fWindow / 2;
  const float end = fHighMass + fWindow / 2;
  Lane lanes[kLanes];
  bool packed[kLanes];  // scans kept packed sum themselves
  unsigned int first[kLanes], last[kLanes];
  for (unsigned int k0 = 0; k0 < count; k0 += kLanes) {
    const unsigned int group = std::min(kLanes, count - k0);
    for (unsigned int j = 0; j < group; ++j) {
      lanes[j] = Lane{};
      packed[j] = scans[k0 + j]->getScan(&lanes[j].masses, &lanes[j].intensities, lanes[j].n) != ZVRAW_OK;
      if (packed[j]) lanes[j].n = 0;
    }
    bisectLanes(lanes, group, start, first);
    bisectLanes(lanes, group, end, last);
    // In scan order, so that the first failing scan stops the run there.
    for (unsigned int j = 0; j < group; ++j) {
      if (packed[j]) {
        if (int rc = scans[k0 + j]->getSumIntensity(out[k0 + j], fLowMass, fHighMass, fWindow, false, false);
            rc != ZVRAW_OK)
          return rc;
        continue;
      }
      float sum = 0;
      for (unsigned int i = first[j]; i < last[j]; ++i) sum += lanes[j].intensities[i];
      out[k0 + j] = sum;
    }
  }
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
