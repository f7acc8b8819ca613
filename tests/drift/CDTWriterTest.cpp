#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "drift/CDTBlockWriter.h"
#include "drift/CDTFileWriter.h"
#include "drift/CDTFormat.h"
#include "drift/Compressor.h"
#include "support/ByteBuilder.h"
#include "support/CloseBehind.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

using namespace Vardex::Control::Legacy::ZorvalenRaw;

namespace {

Bytes toBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The writer of the worked example: start position 10.
CDTBlockWriter exampleWriter(int n = 2) { return CDTBlockWriter(n, 1.0, 5184.0, 1.0, 0.0, 100.0, 10000.0); }

// One KORRIN_V3 block of one spectrum, taken apart again.
struct OneSpectrum {
  std::vector<unsigned short> massDeltas;
  std::vector<std::int32_t> massRepairs;
  std::vector<short> intensityDeltas;
  std::vector<std::int32_t> intensityRepairs;
  std::vector<unsigned char> flags;
};

std::vector<std::int32_t> int32s(const std::string& data, std::size_t& at, std::size_t bytes) {
  std::vector<std::int32_t> v(bytes / 4);
  if (bytes > 0) std::memcpy(v.data(), data.data() + at, bytes);
  at += bytes;
  return v;
}

OneSpectrum splitBlock(const std::string& index, const std::string& data) {
  std::int32_t f[5];  // the three lengths and the two repair byte counts of spectrum 0 (n = 1)
  std::memcpy(f, index.data(), sizeof f);
  const std::size_t points = static_cast<std::size_t>(*reinterpret_cast<const std::int32_t*>(index.data() + 24));
  Compressor c;
  OneSpectrum s;
  std::size_t at = 0;
  EXPECT_EQ(c.Decompress(data.data() + at, f[0], points, s.massDeltas), Lzrw3Status::Ok);
  at += f[0];
  s.massRepairs = int32s(data, at, f[3]);
  EXPECT_EQ(c.Decompress(data.data() + at, f[1], points, s.intensityDeltas), Lzrw3Status::Ok);
  at += f[1];
  s.intensityRepairs = int32s(data, at, f[4]);
  EXPECT_EQ(c.Decompress(data.data() + at, f[2], points, s.flags), Lzrw3Status::Ok);
  EXPECT_EQ(at + f[2], data.size());
  return s;
}

OneSpectrum codeOne(const std::vector<std::uint32_t>& masses, const std::vector<std::uint32_t>& intensities) {
  CDTBlockWriter w = exampleWriter(1);
  const std::vector<std::uint32_t> flags(masses.size(), 0x1FF);
  EXPECT_TRUE(w.AddSpectrum(masses.data(), intensities.data(), flags.data(), 0, static_cast<int>(masses.size())));
  std::string index, data;
  w.EndBlock(1.5f, index, data);
  return splitBlock(index, data);
}

TEST(CDTBlockWriter, HeaderOfTheWorkedExample) {
  EXPECT_EQ(toBytes(exampleWriter().HeaderBytes()), ByteBuilder()
                                                        .u32(0x22020102)
                                                        .u32(2)
                                                        .f32(1e9f)
                                                        .f32(10.0f)
                                                        .f32(1.0f)
                                                        .f32(5184.0f)
                                                        .f32(0.0f)
                                                        .f32(100.0f)
                                                        .f32(10000.0f)
                                                        .take());
  const Bytes hex = {0x02, 0x01, 0x02, 0x22, 0x02, 0, 0, 0, 0x28, 0x6B, 0x6E, 0x4E, 0, 0, 0x20, 0x41, 0, 0, 0x80, 0x3F,
                     0, 0, 0xA2, 0x45, 0, 0, 0, 0, 0, 0, 0xC8, 0x42, 0, 0x40, 0x1C, 0x46};
  EXPECT_EQ(toBytes(exampleWriter().HeaderBytes()), hex);
}

TEST(CDTBlockWriter, ConstructorRefusesBadValuesInOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    int n;
    double lteff, veff, ghz, startMass, endMass;
    const char* text;
  } cases[] = {
      {0, -1, -1, -1, -1, -1, "HeaderBlock: numScansInBlock must be greater than zero"},
      {1, 0, -1, -1, -1, -1, "HeaderBlock: Lteff must be greater than zero"},
      {1, nan, 1, 1, 1, 2, "HeaderBlock: Lteff must be greater than zero"},
      {1, 1, 0, -1, -1, -1, "HeaderBlock: Veff must be greater than zero"},
      {1, 1, nan, 1, 1, 2, "HeaderBlock: Veff must be greater than zero"},
      {1, 1, 1, -0.5, -1, -1, "HeaderBlock: FrequencyGHz must be greater than zero"},
      {1, 1, 1, nan, 1, 2, "HeaderBlock: FrequencyGHz must be greater than zero"},
      {1, 1, 1, 1, 0, -1, "HeaderBlock: startMass must be greater than zero"},
      {1, 1, 1, 1, nan, 2, "HeaderBlock: startMass must be greater than zero"},
      {1, 1, 1, 1, 5, 5, "HeaderBlock: endMass must be greater than startMass"},
      {1, 1, 1, 1, 5, nan, "HeaderBlock: endMass must be greater than startMass"},
  };
  for (const auto& c : cases) {
    try {
      CDTBlockWriter w(c.n, c.lteff, c.veff, c.ghz, 0.0, c.startMass, c.endMass);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), c.text);
    }
  }
  EXPECT_NO_THROW(CDTBlockWriter(1, 1, 1, 1, -1e6, 1, 2));  // T0 is not checked
  EXPECT_NO_THROW(CDTBlockWriter(1, 1, 1, 1, nan, 1, 2));
}

TEST(CDTBlockWriter, DeltasAndRepairsOfTheWorkedExample) {
  const OneSpectrum s = codeOne({10, 12, 70000}, {5, 40000, 3});
  EXPECT_EQ(s.massDeltas, (std::vector<unsigned short>{0, 2, 0}));
  EXPECT_EQ(s.massRepairs, (std::vector<std::int32_t>{2, 69988}));
  EXPECT_EQ(s.intensityDeltas, (std::vector<short>{5, 0, 0}));
  EXPECT_EQ(s.intensityRepairs, (std::vector<std::int32_t>{1, 39995, 2, -39997}));
  EXPECT_EQ(s.flags, (std::vector<unsigned char>{0xFF, 0xFF, 0xFF}));
}

TEST(CDTBlockWriter, DeltaRangeEdges) {
  const struct {
    std::uint32_t value;  // second point, the first being S + 100 (mass) or 100 (intensity)
    bool massRepaired, intensityRepaired;
  } cases[] = {
      {110 + 65535, false, true},  // widest mass step
      {110 + 65536, true, true},
      {109, true, false},  // a step back
      {100 + 32767, false, false},
      {100 + 32768, false, true},
      {0, true, false},  // intensity -100
      {0xFFFFFFFF, true, false},  // -101 as a 32-bit intensity step
  };
  for (const auto& c : cases) {
    const OneSpectrum s = codeOne({110, c.value}, {100, c.value});
    EXPECT_EQ(s.massRepairs.size(), c.massRepaired ? 2u : 0u) << c.value;
    EXPECT_EQ(s.intensityRepairs.size(), c.intensityRepaired ? 2u : 0u) << c.value;
  }
  // Intensity -32768 fits; -32769 does not. A first mass below S is repaired.
  EXPECT_TRUE(codeOne({10, 10}, {32767, 0xFFFFFFFF}).intensityRepairs.empty());
  EXPECT_EQ(codeOne({10, 10}, {32767, 0xFFFFFFFE}).intensityRepairs, (std::vector<std::int32_t>{1, -32769}));
  EXPECT_EQ(codeOne({9}, {0}).massRepairs, (std::vector<std::int32_t>{0, -1}));
}

TEST(CDTBlockWriter, EmptyBlockAndRecordLayout) {
  CDTBlockWriter w = exampleWriter(3);
  ASSERT_TRUE(w.AddSpectrum(nullptr, nullptr, nullptr, 7, 0));  // no points: no arrays needed
  std::string index, data;
  w.EndBlock(90.0f, index, data);
  EXPECT_EQ(toBytes(data), Bytes(12, 0));  // three bare 4-byte streams
  ByteBuilder want;
  want.u32(4).u32(4).u32(4).zeros(24).f32(90.0f).f32(90.0f).f32(90.0f).zeros(12).u32(7).zeros(8);
  EXPECT_EQ(toBytes(index), want.take());
}

TEST(CDTBlockWriter, FullBlockAndBadSpectraChangeNothing) {
  const std::uint32_t m[] = {20, 30}, i[] = {1, 2}, f[] = {0, 1};
  auto blockOf = [&](bool withRefusals) {
    CDTBlockWriter w = exampleWriter(1);
    if (withRefusals) {
      EXPECT_FALSE(w.AddSpectrum(m, i, f, 0, -1));
      EXPECT_FALSE(w.AddSpectrum(nullptr, i, f, 0, 2));
      EXPECT_FALSE(w.AddSpectrum(m, nullptr, f, 0, 2));
      EXPECT_FALSE(w.AddSpectrum(m, i, nullptr, 0, 2));
    }
    EXPECT_TRUE(w.AddSpectrum(m, i, f, 3, 2));
    EXPECT_FALSE(w.AddSpectrum(m, i, f, 0, 1));  // n = 1: full
    std::string index, data;
    w.EndBlock(2.0f, index, data);
    EXPECT_TRUE(w.AddSpectrum(m, i, f, 0, 1));  // an ended block starts empty
    return index + data;
  };
  EXPECT_EQ(blockOf(true), blockOf(false));
}

TEST(CDTBlockWriter, BlockLimitsAt2GiB) {
  constexpr std::uint64_t kMax = 0x7FFFFFFF;
  const std::uint64_t maxPoints = (kMax - 3 * kLzrw3MaxOverhead) / 5;
  EXPECT_TRUE(blockWithinLimits(0, 0, 0));
  EXPECT_TRUE(blockWithinLimits(maxPoints, 0, 0));
  EXPECT_FALSE(blockWithinLimits(maxPoints + 1, 0, 0));
  EXPECT_TRUE(blockWithinLimits(maxPoints - 8, 1, 4));
  EXPECT_FALSE(blockWithinLimits(maxPoints - 8, 5, 4));
  EXPECT_FALSE(blockWithinLimits(1, kMax / 8, kMax / 8));
  EXPECT_FALSE(blockWithinLimits(UINT64_MAX, 0, 0));
  EXPECT_FALSE(blockWithinLimits(0, UINT64_MAX / 8, UINT64_MAX / 8));  // no wrap-around into range
}

TEST(CDTFormat, StartIndexTakesAnyFloat) {
  const struct {
    float pos;
    std::uint32_t s;
  } cases[] = {
      {10.0f, 10},  {10.49f, 10}, {10.5f, 11},           {-0.5f, 0},     {-1.0f, 0xFFFFFFFF},
      {-3.7f, 0xFFFFFFFC},        {4294967296.0f, 0},    {4294967808.0f, 512},
      {std::numeric_limits<float>::quiet_NaN(), 0},      {std::numeric_limits<float>::infinity(), 0},
      {-std::numeric_limits<float>::infinity(), 0},      {1e30f, 0},     {-1e30f, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(startIndex(c.pos), c.s) << c.pos;
}

TEST(CDTFormat, FilePaths) {
  const struct {
    std::string dir;
    unsigned func;
    std::string data, index;
  } cases[] = {
      {"raw", 0, "raw/_func001.cdt", "raw/_func001.ind"},
      {"raw/", 0, "raw/_func001.cdt", "raw/_func001.ind"},
      {"a.cdt/raw", 98, "a.cdt/raw/_func099.cdt", "a.cdt/raw/_func099.ind"},
      {"raw", 999, "raw/_func1000.cdt", "raw/_func1000.ind"},
      {"", 4294967295u, "_func4294967296.cdt", "_func4294967296.ind"},
  };
  for (const auto& c : cases) {
    CDTFileWriter w(c.dir, c.func);
    EXPECT_EQ(w.DataFilePath(), c.data);
    EXPECT_EQ(w.IndexFilePath(), c.index);
  }
}

class CDTFileWriterTest : public TempDirTest {};

TEST_F(CDTFileWriterTest, FilesHoldHeaderRecordsAndBlocks) {
  constexpr int n = 4;
  CDTBlockWriter blocks(n, 1.0, 5184.0, 1.0, 0.0, 100.0, 10000.0);
  CDTFileWriter files(dir().string(), 0);
  ASSERT_TRUE(files.WriteHeader(blocks.HeaderBytes()));
  std::string allData;
  const std::uint32_t m[] = {12, 14, 99999}, i[] = {3, 3, 3}, f[] = {0, 0, 1};
  for (int k = 0; k < 3; ++k) {
    for (int s = 0; s <= k; ++s) ASSERT_TRUE(blocks.AddSpectrum(m, i, f, 0, 3));
    std::string index, data;
    blocks.EndBlock(float(k), index, data);
    ASSERT_TRUE(files.WriteBlock(index, data));
    allData += data;
  }
  ASSERT_TRUE(files.Close());
  EXPECT_EQ(std::filesystem::file_size(dir() / "_func001.ind"), 36u + 3 * (12 + 20 * n));
  EXPECT_EQ(readFile(dir() / "_func001.cdt"), toBytes(allData));
  EXPECT_FALSE(files.WriteBlock("x", "y"));  // closed
  EXPECT_TRUE(Path(files.IndexFilePath()).Exists());
  EXPECT_FALSE(Path(path("_func002.ind")).Exists());
}

// A name taken by a directory or FIFO refuses the pair at once and makes
// neither file; a failed write sticks; a failed close is reported.
TEST_F(CDTFileWriterTest, FailuresAreReportedAndSticky) {
  CDTFileWriter early(dir().string(), 1);
  EXPECT_FALSE(early.WriteBlock("i", "d"));  // before the header
  EXPECT_TRUE(early.Close());                // nothing open

  std::filesystem::create_directory(dir() / "_func003.cdt");
  ASSERT_EQ(::mkfifo(path("_func004.ind").c_str(), 0600), 0);
  for (unsigned fn : {2u, 3u}) {
    CDTFileWriter blocked(dir().string(), fn);
    EXPECT_FALSE(blocked.WriteHeader("h")) << fn;
    EXPECT_FALSE(blocked.WriteBlock("i", "d")) << fn;
  }
  EXPECT_FALSE(std::filesystem::exists(dir() / "_func003.ind") || std::filesystem::exists(dir() / "_func004.cdt"));

  CDTFileWriter full(dir().string(), 4);
  ASSERT_TRUE(full.WriteHeader("header"));
  {
    const FileSizeLimit limit(8);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(full.WriteBlock("record", "data past the limit"));
  }
  EXPECT_FALSE(full.WriteBlock("", ""));  // once failed, always failed
  EXPECT_TRUE(full.Close());
  EXPECT_EQ(readTextFile(dir() / "_func005.ind"), "header");  // no record for the lost data

  CDTFileWriter lost(dir().string(), 5);
  ASSERT_TRUE(lost.WriteHeader("header") && lost.WriteBlock("record", "data"));
  ASSERT_TRUE(closeBehind(lost.DataFilePath()));
  EXPECT_FALSE(lost.Close());
}

}  // namespace
