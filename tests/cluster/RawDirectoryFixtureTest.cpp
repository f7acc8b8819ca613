// The shared directory fixture reads back through the file readers.

#include <gtest/gtest.h>

#include <cstdio>

#include "formats/portability/FileHandle.h"
#include "formats/statistics/ZVRawAnalog.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/directory/ZVRawHeader.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "formats/directory/ZVRawVeskoCalibration.h"
#include "support/RawDirectoryFixture.h"
#include "support/TempDir.h"

using namespace borealtek_zvraw_version_1;

namespace {

class RawDirectoryFixtureTest : public TempDirTest {};

TEST_F(RawDirectoryFixtureTest, FilesReadBackThroughTheReaders) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 4, .peaks = 3})
      .function({.type = 9, .format = 2, .extended = true, .scans = 2, .peaks = 5, .calibrated = true})
      .lockMassGain({{0.0f, 1.0f}, {10.0f, 1.5f}})
      .veskoCalibration()
      .mobilityCalibration(800.0, 0.5, 0.1)
      .externInfo("Lteff 1.25\nVeff 7000\n")
      .analogChannels(2, 5)
      .sampleDescription("three peaks");
  fx.write(dir());

  ZVRawFunctionDescriptors descriptors;
  ASSERT_EQ(descriptors.readDescriptors(dir().c_str()), 0);
  ASSERT_EQ(descriptors.descriptorCount(), 2u);
  unsigned format = 0, type = 0;
  bool extended = false;
  ASSERT_EQ(descriptors.getDataFormat(1, format), 0);
  ASSERT_EQ(descriptors.getFunctionType(1, type), 0);
  ASSERT_EQ(descriptors.getExtendedFormatFlag(1, extended), 0);
  EXPECT_EQ(format, 2u);
  EXPECT_EQ(type, 9u);
  EXPECT_TRUE(extended);

  ZVRawFunctionScanIndices indices(2);
  const unsigned formats[] = {12, 2}, flags[] = {0, 1};
  ASSERT_EQ(indices.readIndices(dir().c_str(), formats, flags), 0);
  for (unsigned f = 0; f < 2; ++f) {
    unsigned scans = 0, peaks = 0, offset = 0;
    ASSERT_EQ(indices.getScansInFunction(f, scans), 0);
    EXPECT_EQ(scans, fx.function(f).scans);
    ASSERT_EQ(indices.getPeaksInScan(f, scans - 1, peaks), 0);
    EXPECT_EQ(peaks, fx.function(f).peaks);
    ASSERT_EQ(indices.getScanOffset(f, scans - 1, offset), 0);
    EXPECT_EQ(offset, (scans - 1) * peaks * RawDirectoryFixture::packetSize(fx.function(f).format));
    float rt = 0;
    ASSERT_EQ(indices.getRTFromScan(f, 1, rt), 0);
    EXPECT_FLOAT_EQ(rt, fixtureRT(fx.function(f), 1));
  }
  EXPECT_TRUE(indices.isCalibrated(1, 0));
  EXPECT_FALSE(indices.isCalibrated(0, 0));

  // Format 12 packets decode to the fixture's values.
  const Bytes scan = fx.scanBytes(0, 2);
  float mass = 0, intensity = 0;
  char flagsOut = 0;
  zvraw_packed::extractEnhancedCalData(mass, intensity, flagsOut, reinterpret_cast<const char*>(scan.data()) + 8);
  EXPECT_EQ(mass, fixtureMass(0, 2, 1));
  EXPECT_EQ(intensity, fixtureIntensity(0, 2, 1));

  ZVRawHeader header(2);
  ASSERT_EQ(header.readHeader(dir().string()), 0);
  EXPECT_STREQ(header.getNamedValue("Sample Description", -1), "three peaks");

  ZVRawExternalLumavent table;
  EXPECT_EQ(table.initialise(dir().string()), 0);
  ZVRawVeskoCalibration vesko;
  EXPECT_EQ(vesko.Read(dir().c_str()), 0);
  ZVRawAnalog analog;
  EXPECT_EQ(analog.read(dir().string()), 0);
  EXPECT_EQ(analog.getNumberOfChannels(), 2);
  EXPECT_EQ(analog.getChannelLength(1), 5);
}

TEST_F(RawDirectoryFixtureTest, StatisticsLayoutAndGrowth) {
  RawDirectoryFixture fx;
  fx.function({.scans = 2, .peaks = 2});
  fx.function(0).stats = {{kReferenceScanField, kCharField, [](unsigned s) { return s == 0 ? 1.0 : 0.0; }},
                          {kLockMassCorrectionField, kFloatField, [](unsigned) { return 1.5; }}};
  fx.write(dir());
  // Leader (32) + 2 descriptors (96), then 2 records of 1 + 4 bytes.
  const Bytes sts = readFile(dir() / RawDirectoryFixture::statsName(0));
  ASSERT_EQ(sts.size(), 32u + 96u + 2 * 5u);
  EXPECT_EQ(sts[0], 128);
  EXPECT_EQ(sts[4], 5);
  EXPECT_EQ(sts[128], 1);
  EXPECT_EQ(sts[133], 0);

  fx.grow(dir(), 0, 3, true);
  EXPECT_EQ(readFile(dir() / RawDirectoryFixture::statsName(0)).size(), 32u + 96u + 5 * 5u);
  EXPECT_EQ(readFile(dir() / RawDirectoryFixture::indexName(0)).size(), 5 * 22u + 11u);
  EXPECT_EQ(readFile(dir() / RawDirectoryFixture::dataName(0)).size(), 5 * 2 * 8u);
}

}  // namespace
