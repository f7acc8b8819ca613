// Deep copies of decoded scans, for scans that other holders still read.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "formats/scans/ZVRawScan.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_zvraw_version_1::ZVRawScan;

namespace {

TEST(ScanCopy, EveryArrayIsCopiedAndOwnedByTheCopy) {
  ZVRawScan source;
  using Floats = std::unique_ptr<float[]>;
  using Chars = std::unique_ptr<char[]>;
  ASSERT_EQ(source.setScan(Floats(new float[3]{100, 200, 300}), Floats(new float[3]{1, 2, 3}),
                           Floats(new float[3]{0.1f, 0.2f, 0.3f}), Floats(new float[3]{4, 5, 6}),
                           Chars(new char[3]{0, 2, 0}), Chars(new char[3]{1, 1, 0}), 3),
            ZVRAW_OK);
  ZVRawScan copy;
  ASSERT_EQ(ZVRawScan::copyScan(&copy, &source), ZVRAW_OK);
  source.DeleteScanData();  // the copy stands alone

  const float *m = nullptr, *i = nullptr, *dm = nullptr, *di = nullptr;
  unsigned n = 0;
  ASSERT_EQ(copy.getScan(&m, &i, &dm, &di, n), ZVRAW_OK);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(m[2], 300.0f);
  EXPECT_EQ(i[1], 2.0f);
  EXPECT_EQ(dm[0], 0.1f);
  EXPECT_EQ(di[2], 6.0f);
  const char* flags = nullptr;
  ASSERT_EQ(copy.getScanFlags(&flags, n), ZVRAW_OK);
  EXPECT_EQ(flags[1], 2);
  ASSERT_EQ(copy.getAccMassScanFlags(&flags, n), ZVRAW_OK);
  EXPECT_EQ(flags[0], 1);
}

// A scan kept compressed copies its whole packet run.
TEST(ScanCopy, KeptCompressedRun) {
  zvraw::FilePtr file(std::tmpfile());
  ASSERT_NE(file, nullptr);
  std::vector<char> packets(3 * 8);
  for (int p = 0; p < 3; ++p) zvraw_packed::packEnhancedCalData(100.0f + p, 10.0f * (p + 1), 0, &packets[p * 8]);
  ASSERT_EQ(std::fwrite(packets.data(), 1, packets.size(), file.get()), packets.size());
  std::rewind(file.get());
  ZVRawScan source, copy;
  float delta = 0;
  ASSERT_EQ(source.readScanKeepCompressed(file.get(), 3, 12, nullptr, delta), ZVRAW_OK);
  ASSERT_EQ(ZVRawScan::copyScan(&copy, &source), ZVRAW_OK);
  source.DeleteScanData();
  EXPECT_TRUE(copy.isKeptCompressed());
  float masses[3], intensities[3];
  ASSERT_EQ(copy.getScan(masses, intensities), ZVRAW_OK);
  EXPECT_EQ(masses[2], 102.0f);
  EXPECT_EQ(intensities[2], 30.0f);
}

TEST(ScanCopy, EmptyNullAndSelf) {
  ZVRawScan empty, target;
  ASSERT_EQ(target.setScan(std::unique_ptr<float[]>(new float[1]{5}), std::unique_ptr<float[]>(new float[1]{6}),
                           nullptr, 1),
            ZVRAW_OK);
  ASSERT_EQ(ZVRawScan::copyScan(&target, &empty), ZVRAW_OK);  // the target's arrays go
  EXPECT_EQ(target.getScanSize(), 0u);
  EXPECT_EQ(ZVRawScan::copyScan(nullptr, &empty), ZVRAW_ERROR);
  EXPECT_EQ(ZVRawScan::copyScan(&target, nullptr), ZVRAW_ERROR);
  EXPECT_EQ(ZVRawScan::copyScan(&target, &target), ZVRAW_OK);
}

}  // namespace
