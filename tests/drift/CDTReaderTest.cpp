#include <gtest/gtest.h>

#include <stdexcept>

#include "drift/CDTBlockReader.h"
#include "drift/CDTBlockWriter.h"
#include "drift/CDTFileReader.h"
#include "drift/CDTFileWriter.h"
#include "support/ByteBuilder.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace Vardex::Control::Legacy::ZorvalenRaw;
using Vardex::Control::Message::ScanData;

namespace {

using U32 = std::vector<std::uint32_t>;

struct Spectrum {
  U32 mass, intensity, flags;
  int error = 0;
};
using Block = std::vector<Spectrum>;

class CDTReaderTest : public TempDirTest {
 protected:
  // Writes blocks of n spectra through our own writers (start index 10).
  void writeBlocks(const std::vector<Block>& blocks, int n) {
    CDTBlockWriter w(n, 1.0, 5184.0, 1.0, 0.0, 100.0, 10000.0);
    CDTFileWriter f(dir().string(), 0);
    ASSERT_TRUE(f.WriteHeader(w.HeaderBytes()));
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      for (const Spectrum& s : blocks[b]) {
        ASSERT_TRUE(w.AddSpectrum(s.mass.data(), s.intensity.data(), s.flags.data(), s.error, int(s.mass.size())));
      }
      std::string index, data;
      w.EndBlock(60.0f * float(b + 1), index, data);
      ASSERT_TRUE(f.WriteBlock(index, data));
    }
  }
  void writePair(const Bytes& index, const Bytes& data) {
    writeFile(dir() / "_func001.ind", index);
    writeFile(dir() / "_func001.cdt", data);
  }
  [[nodiscard]] CDTFileReader reader() const { return CDTFileReader(dir().string(), 0); }

  // Everything a reader gives back, for comparing whole files: one line per
  // block ("-" for a block that did not read).
  [[nodiscard]] std::vector<ScanData> readAll() const {
    CDTFileReader r = reader();
    std::vector<ScanData> out(r.NumberOfScans());
    for (unsigned k = 0; k < out.size(); ++k) {
      if (!r.ReadScan(k, out[k], false)) out[k].rt = -1;
    }
    return out;
  }
};

const std::vector<Block> kBlocks = {
    {{{10, 12, 70000}, {5, 40000, 3}, {0x1FF, 2, 0x80000000}, 1},
     {{}, {}, {}, 0},  // no points: an empty channel in its place
     {{0, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFF}, {0xFFFFFFFF, 0, 0x80000000, 0x7FFFFFFF}, {1, 2, 3, 4}, -2}},
    {{{100, 101, 102}, {1, 1, 1}, {0, 0, 0}, 0}},  // the other two spectra never added
};

ScanData expected(const Block& b, float rt, std::size_t n) {
  ScanData d;
  d.rt = rt;
  d.channel.resize(n);
  for (std::size_t s = 0; s < b.size(); ++s) {
    d.channel[s].massindex = b[s].mass;
    d.channel[s].intensity = b[s].intensity;
    for (std::uint32_t f : b[s].flags) d.channel[s].flags.push_back(f & 0xFF);
  }
  return d;
}

TEST_F(CDTReaderTest, ReadsBackExactlyWhatWasWritten) {
  writeBlocks(kBlocks, 3);
  CDTFileReader r = reader();
  EXPECT_EQ(r.Header().nFormatInfo, 0x22020102);
  EXPECT_EQ(r.Header().fStartPos, 10.0f);
  ASSERT_EQ(r.NumberOfScans(), 2u);
  ScanData d;
  for (unsigned k : {1u, 0u, 1u}) {  // any order, buffers reused
    ASSERT_TRUE(r.ReadScan(k, d, true));
    EXPECT_TRUE(d == expected(kBlocks[k], 60.0f * float(k + 1), 3)) << k;
  }
  EXPECT_FALSE(r.ReadScan(2, d, false));
  EXPECT_TRUE(d == expected(kBlocks[1], 120.0f, 3));  // untouched
  r.Close();
  EXPECT_FALSE(r.ReadScan(0, d, false));
}

TEST_F(CDTReaderTest, IndexLengthSetsTheScanCount) {
  writeBlocks({{}, {}, {}}, 2);
  const Bytes index = readFile(dir() / "_func001.ind");
  ASSERT_EQ(index.size(), 36u + 3 * 52);
  for (auto [keep, scans] : {std::pair{36u, 0u}, {36u + 52 * 2 + 26, 2u}, {36u + 52 * 3, 3u}}) {
    writeFile(dir() / "_func001.ind", Bytes(index.begin(), index.begin() + keep));
    EXPECT_EQ(reader().NumberOfScans(), scans) << keep;
  }
}

TEST_F(CDTReaderTest, UnreadableIndexThrows) {
  EXPECT_THROW((void)reader(), std::runtime_error);  // missing
  const auto header = [](std::uint32_t word, std::int32_t n) {
    return ByteBuilder().u32(word).i32(n).zeros(28).take();
  };
  const Bytes cases[] = {
      Bytes(35, 0),                   // short
      header(0x00030001, 1),          // unknown format version
      header(0x22020102, 0),          // no spectra per block
      header(0x22020102, -5),
  };
  for (const Bytes& c : cases) {
    writePair(c, {});
    try {
      (void)reader();
      ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Error opening index file");
    }
  }
}

TEST_F(CDTReaderTest, HandBuiltOlderVersions) {
  // KORRIN_V1, deltas (compression type 1), n 2: raw uint32 sections, no flags.
  writePair(ByteBuilder()
                .u32(0x00000001).i32(2).f32(1e9f).f32(99.6f).zeros(20)  // S = 100
                .u32(12).u32(12).f32(7.5f).f32(7.5f).i32(2).i32(1)
                .take(),
            ByteBuilder().u32(5).u32(0xFFFFFFFF).u32(3).u32(9).u32(1).u32(0xFFFFFFF0).take());
  ScanData d;
  ASSERT_TRUE(reader().ReadScan(0, d, false));
  EXPECT_EQ(d.rt, 7.5f);
  ASSERT_EQ(d.channel.size(), 2u);
  EXPECT_EQ(d.channel[0].massindex, (U32{105, 104}));
  EXPECT_EQ(d.channel[0].intensity, (U32{9, 10}));
  EXPECT_EQ(d.channel[0].flags, (U32{0, 0}));
  EXPECT_EQ(d.channel[1].massindex, (U32{103}));
  EXPECT_EQ(d.channel[1].intensity, (U32{0xFFFFFFF0}));

  // KORRIN_V2, offsets from S (compression type 0), n 1, with a flag section.
  Compressor c;
  std::string flags;
  const unsigned char f[] = {7, 0, 0xFF};
  c.CompressAppend(f, 3, flags);
  writePair(ByteBuilder()
                .u32(0x00010000).i32(1).f32(1e9f).f32(-2.0f).zeros(20)  // S = 0xFFFFFFFE
                .u32(12).u32(12).u32(static_cast<std::uint32_t>(flags.size())).f32(1.0f).i32(3).i32(0)
                .take(),
            ByteBuilder().u32(0).u32(2).u32(5).u32(40).u32(41).u32(42).bytes(Bytes(flags.begin(), flags.end())).take());
  ASSERT_TRUE(reader().ReadScan(0, d, false));
  ASSERT_EQ(d.channel.size(), 1u);
  EXPECT_EQ(d.channel[0].massindex, (U32{0xFFFFFFFE, 0, 3}));  // stored + S, wrapping
  EXPECT_EQ(d.channel[0].intensity, (U32{40, 41, 42}));      // as stored
  EXPECT_EQ(d.channel[0].flags, (U32{7, 0, 0xFF}));
}

TEST_F(CDTReaderTest, HugeCountsInTheIndexAllocateNothing) {
  // n of 2^31 - 1 makes a 43 GB record: the file holds none.
  writePair(ByteBuilder().u32(0x22020102).i32(0x7FFFFFFF).zeros(28).zeros(100).take(), {});
  EXPECT_EQ(reader().NumberOfScans(), 0u);
}

// One V3 block of one spectrum, n 1, with fields to spoil.
struct RawBlock {
  std::int32_t massLength = 0, intensityLength = 0, flagLength = 0, massRepairBytes = 0, intensityRepairBytes = 0;
  std::int32_t size = 0;
  Bytes data;
  Bytes index() const {
    return ByteBuilder()
        .u32(0x22020102).i32(1).f32(1e9f).f32(10.0f).zeros(20)
        .i32(massLength).i32(intensityLength).i32(flagLength).i32(massRepairBytes).i32(intensityRepairBytes)
        .f32(1.0f).i32(size).i32(0)
        .take();
  }
};

RawBlock goodBlock() {
  Compressor c;
  const unsigned short m[] = {0, 2, 0};
  const short i[] = {5, 0, 0};
  const unsigned char f[] = {1, 2, 3};
  std::string s;
  RawBlock b;
  b.massLength = c.CompressAppend(m, 3, s);
  s += std::string("\2\0\0\0\x64\x11\1\0", 8);  // (2, 69988)
  b.massRepairBytes = 8;
  b.intensityLength = c.CompressAppend(i, 3, s);
  b.flagLength = c.CompressAppend(f, 3, s);
  b.size = 3;
  b.data.assign(s.begin(), s.end());
  return b;
}

TEST_F(CDTReaderTest, CorruptBlocksAreRefused) {
  RawBlock good = goodBlock();
  writePair(good.index(), good.data);
  ScanData d;
  ASSERT_TRUE(reader().ReadScan(0, d, false));
  EXPECT_EQ(d.channel[0].massindex, (U32{10, 12, 70000}));

  const struct {
    const char* what;
    void (*spoil)(RawBlock&);
  } cases[] = {
      {"repair index = size", [](RawBlock& b) { b.data[b.massLength] = 3; }},
      {"repair index < 0", [](RawBlock& b) { b.data[b.massLength + 3] = 0x80; }},
      {"fewer points than coded", [](RawBlock& b) { b.size = 2; }},
      {"more points than coded", [](RawBlock& b) { b.size = 4; }},
      {"points no section can hold", [](RawBlock& b) { b.size = 0x7FFFFFFF; }},
      {"mass section absent", [](RawBlock& b) {
         b.data.erase(b.data.begin(), b.data.begin() + b.massLength);
         b.massLength = 0;
       }},
      {"flag stream damaged", [](RawBlock& b) { b.data[b.data.size() - 5] = 7; }},
  };
  for (const auto& c : cases) {
    RawBlock bad = goodBlock();
    c.spoil(bad);
    writePair(bad.index(), bad.data);
    CDTFileReader r = reader();
    ASSERT_EQ(r.NumberOfScans(), 1u) << c.what;
    ScanData untouched;
    untouched.rt = 99;
    EXPECT_FALSE(r.ReadScan(0, untouched, false)) << c.what;
    EXPECT_EQ(untouched.rt, 99) << c.what;
  }
}

TEST_F(CDTReaderTest, RawSectionsMustHoldFourBytesAPoint) {
  for (std::uint32_t length : {8u, 11u, 13u, 16u}) {  // 3 points need 12
    writePair(ByteBuilder().u32(0x00010001).i32(1).zeros(28).u32(length).u32(12).u32(0).f32(0).i32(3).i32(0).take(),
              Bytes(length + 12, 1));
    ScanData d;
    EXPECT_FALSE(reader().ReadScan(0, d, false)) << length;
  }
}

TEST_F(CDTReaderTest, ImpossibleRecordsEndTheList) {
  const struct {
    std::size_t offset;  // into record 1 of 3, n 1
    std::int32_t value;
  } cases[] = {{0, -1}, {4, -4}, {8, -1}, {12, -8}, {16, 4}, {16, 12}, {24, -1}};
  for (const auto& c : cases) {
    writeBlocks({{}, {}, {}}, 1);
    Bytes index = readFile(dir() / "_func001.ind");
    const std::size_t at = 36 + 32 + c.offset;
    std::memcpy(&index[at], &c.value, 4);
    writeFile(dir() / "_func001.ind", index);
    EXPECT_EQ(reader().NumberOfScans(), 1u) << c.offset << " = " << c.value;
  }
}

TEST_F(CDTReaderTest, ShortDataFileFailsOnlyTheBlocksBeyondIt) {
  writeBlocks(kBlocks, 3);
  const Bytes data = readFile(dir() / "_func001.cdt");
  writeFile(dir() / "_func001.cdt", Bytes(data.begin(), data.end() - 1));
  CDTFileReader r = reader();
  ScanData d;
  EXPECT_FALSE(r.ReadScan(1, d, false));
  EXPECT_TRUE(r.ReadScan(0, d, false));  // a refused block does not stop later reads
  std::filesystem::remove(dir() / "_func001.cdt");
  EXPECT_FALSE(reader().ReadScan(0, d, false));
}

TEST_F(CDTReaderTest, DamagedFilesNeverReadAsGoodOrOutOfBounds) {
  writeBlocks(kBlocks, 3);
  const Bytes index = readFile(dir() / "_func001.ind");
  const Bytes data = readFile(dir() / "_func001.cdt");
  const std::vector<ScanData> want = readAll();
  auto readWith = [&](const Bytes& idx, const Bytes& dat) {
    writePair(idx, dat);
    try {
      return readAll() == want ? ZVRAW_OK : ZVRAW_COMPRESSED_DATA_ERROR;
    } catch (const std::runtime_error&) {
      return ZVRAW_FILEOPEN_ERROR;
    }
  };
  auto withIndex = [&](const Bytes& damaged) { return readWith(damaged, data); };
  auto withData = [&](const Bytes& damaged) { return readWith(index, damaged); };
  expectRejectsTruncations(index, withIndex);
  expectRejectsTruncations(data, withData);
  expectSurvivesCorruptions(index, withIndex, 0x1d, 300);
  expectSurvivesCorruptions(data, withData, 0xda, 300);
}

TEST(CDTBlockReader, FormatFields) {
  CDTBlockReader r;
  const struct {
    std::uint32_t word;
    int type, flag, version, mass, intensity;
    std::uint64_t recordBytes;  // n 3
  } cases[] = {
      {0x22020102, 2, 1, 2, 2, 2, 72},
      {0x00000000, 0, 0, 0, 4, 4, 32},
      {0xFF01FF00, 0, 0xFF, 1, 4, 4, 48},
      {0x4F000001, 1, 0, 0, 0xF, 4, 32},
      {0x00030001, 1, 0, 3, 0, 0, 0},
  };
  for (const auto& c : cases) {
    (void)r.ReadHeader(std::string(reinterpret_cast<const char*>(ByteBuilder().u32(c.word).i32(3).zeros(28).take().data()), 36));
    EXPECT_EQ(r.CompressionType(), c.type) << std::hex << c.word;
    EXPECT_EQ(r.BytesPerFlag(), c.flag) << std::hex << c.word;
    EXPECT_EQ(r.FormatVersion(), c.version) << std::hex << c.word;
    EXPECT_EQ(r.BytesPerMassIndex(), c.mass) << std::hex << c.word;
    EXPECT_EQ(r.BytesPerIntensity(), c.intensity) << std::hex << c.word;
    EXPECT_EQ(r.NumIndexBytes(), c.recordBytes) << std::hex << c.word;
  }
  EXPECT_THROW((void)r.ReadHeader(std::string(35, '\0')), std::invalid_argument);
}

}  // namespace
