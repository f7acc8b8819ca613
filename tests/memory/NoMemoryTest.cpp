// Memory that cannot be had becomes a result at the entry point of the floor
// that asked for it: ZVRAW_MEMALLOC_ERROR, or the result that entry point's
// contract names instead, with what it leaves behind as it says.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "api/ZVChromatogram.h"
#include "drift/ZorvalenRawCDCReaderMgrImp.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/directory/ZVRawHeader.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "memory/CountingAllocator.h"
#include "processing/ABSSubtract.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

template <class T>
std::unique_ptr<T[]> ramp(std::size_t n, double from, double step) {
  auto out = std::make_unique<T[]>(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = T(from + step * double(i));
  return out;
}

class NoMemory : public TempDirTest {};

TEST_F(NoMemory, IsTheEntryPointsResultWithNothingHalfDone) {
  borealtek_zvraw_version_1::ZVRawExtendedStats stats(1);
  ZVRawFunctionDescriptors descriptors;
  borealtek_zvraw_version_1::ZVRawHeader header(1);
  std::string text;
  while (text.size() < 2 * kMiB) text += "$$ Sample Description: no memory for this header\n";
  writeTextFile(dir() / "_header.txt", text);
  Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderMgrImp drift(dir().string(), nullptr);
  Vardex::Lib::ZorvalenRaw::ZVChromatogram chromatogram;
  ASSERT_EQ(chromatogram.SetSize(4, 2), ZVRAW_OK);
  // 100,000 points 0.01 apart: the re-grid needs 1.6 MB.
  constexpr int kPoints = 100000;
  std::unique_ptr<float[]> masses = ramp<float>(kPoints, 500, 0.01), signal = ramp<float>(kPoints, 1, 0);
  std::unique_ptr<float[]> back = ramp<float>(3, 7, 0);
  const float *givenMasses = masses.get(), *givenSignal = signal.get(), *givenBack = back.get();
  std::unique_ptr<double[]> x = ramp<double>(kPoints, 500, 0.01), y = ramp<double>(kPoints, 1, 0);
  const double* givenX = x.get();
  int count = kPoints, regridCount = kPoints;

  const struct {
    const char* what;
    std::size_t refuseAbove;
    std::function<int()> call;
    int code;
    std::function<bool()> left;  // what the failure leaves
  } rows[] = {
      {"statistics: more functions", kMiB, [&] { return stats.appendFunctions(1u << 24); }, ZVRAW_MEMALLOC_ERROR,
       [&] { return stats.getFunctionCount() == 1; }},
      {"statistics: more records", kMiB, [&] { return stats.incrementStatsScanBuffer(0, 1u << 24); },
       ZVRAW_MEMALLOC_ERROR, [&] { return stats.GetStatsScanCount(0) == 0; }},
      {"descriptors: more functions", kMiB, [&] { return descriptors.appendFunctions(1u << 24); },
       ZVRAW_MEMALLOC_ERROR, [&] { return descriptors.descriptorCount() == 0; }},
      {"header: a text that cannot be held is unreadable", kMiB, [&] { return header.readHeader(dir().string()); },
       ZVRAW_HEADERFILE_READERROR, [] { return true; }},
      {"drift: no reader is made", 16, [&] { return drift.GetCRCReader(0) ? ZVRAW_OK : ZVRAW_MEMALLOC_ERROR; },
       ZVRAW_MEMALLOC_ERROR, [&] { return drift.GetCRCReader(0) != nullptr; }},
      {"processing: the subtraction's buffer failure", kMiB,
       [&] { return ABSSubtract(&masses, &signal, &count, &back, 20, 10, 0.45f); }, -300,
       [&] {
         return masses.get() == givenMasses && signal.get() == givenSignal && back.get() == givenBack &&
                count == kPoints && masses[kPoints - 1] == 500 + 0.01f * float(kPoints - 1) && back[2] == 7;
       }},
      {"processing: a re-grid without memory", kMiB, [&] { return replaceZeros(&regridCount, &x, &y) ? 0 : -1; }, -1,
       [&] { return regridCount == 0 && x.get() == givenX; }},
      {"api: a chromatogram holder", kMiB, [&] { return chromatogram.SetSize(1 << 20, 64); }, ZVRAW_MEMALLOC_ERROR,
       [&] { return chromatogram.GetSize() == 0 && !chromatogram.GetTimes() && !chromatogram.GetIntensities(); }},
  };
  for (const auto& r : rows) {
    int code = 0;
    {
      const counting_allocator::RefuseAbove limit(r.refuseAbove);
      code = r.call();
    }
    EXPECT_EQ(code, r.code) << r.what;
    EXPECT_TRUE(r.left()) << r.what;
  }
}

}  // namespace
