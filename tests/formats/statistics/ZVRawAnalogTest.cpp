#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/statistics/ZVRawAnalog.h"
#include "support/Corruption.h"
#include "support/StatsTableFixture.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;
using namespace std::string_literals;

namespace {

// A description field from text that may hold NULs (the control text follows one).
AnalogHeader header(const std::string& description, bool analog = false, bool elsd = false, bool readback = false) {
  AnalogHeader h;
  h.Analog = analog;
  h.ELSD = elsd;
  h.Readback = readback;
  std::copy_n(description.begin(), std::min<std::size_t>(description.size(), 81), h.Description);
  return h;
}

Bytes analogsInf(const std::vector<std::string>& descriptions) {
  ByteBuilder b;
  for (const std::string& d : descriptions) b.u16(0xAAAA).u16(0x5555).text(d, 81);
  return b.take();
}

// One record per time: the time, then one stored value per channel.
Bytes analogsDat(const std::vector<float>& times, const std::vector<std::vector<std::uint16_t>>& stored) {
  ByteBuilder b;
  for (std::size_t t = 0; t < times.size(); ++t) {
    b.f32(times[t]);
    for (std::uint16_t v : stored[t]) b.u16(v);
  }
  return b.take();
}

Bytes chromsInf(const std::vector<std::pair<int, std::string>>& channels) {
  ByteBuilder b = StatsTableFixture().field(1, LONG_INT_FIELD, 0, 4).field(2, STRING_FIELD, 4, 81).leader(85);
  for (const auto& [flags, d] : channels) b.i32(flags).text(d, 81);
  return b.take();
}

Bytes chroDat(const std::vector<std::pair<float, float>>& samples) {
  ByteBuilder b = StatsTableFixture().field(1, SINGLE_FLOAT_FIELD, 0, 4).field(2, SINGLE_FLOAT_FIELD, 4, 4).leader(8);
  for (const auto& [t, v] : samples) b.f32(t).f32(v);
  return b.take();
}

class ZVRawAnalogTest : public TempDirTest {
 protected:
  int read() { return analog_.read(dir().string()); }
  std::vector<float> values(int channel) const {
    const float* t = nullptr;
    const float* v = nullptr;
    analog_.getChannelData(channel, t, v);
    return v ? std::vector<float>(v, v + analog_.getChannelLength(channel)) : std::vector<float>{};
  }
  std::vector<float> times(int channel) const {
    const float* t = nullptr;
    const float* v = nullptr;
    analog_.getChannelData(channel, t, v);
    return t ? std::vector<float>(t, t + analog_.getChannelLength(channel)) : std::vector<float>{};
  }
  std::string description(int channel) const {
    const AnalogHeader* h = nullptr;
    analog_.getChannelHeader(channel, h);
    return h ? std::string(h->Description, strnlen(h->Description, 81)) : "<none>";
  }
  std::string units(int channel) const {
    const AnalogHeader* h = nullptr;
    analog_.getChannelHeader(channel, h);
    return h ? std::string(h->Units()) : "<none>";
  }
  ZVRawAnalog analog_;
};

TEST(AnalogDescription, ControlTextGivesScaleAndUnits) {
  struct Case {
    std::string text;
    float scale;
    std::string units;
  };
  const Case cases[] = {
      {"Pump A\0$CC$,10,x,y,z,psi"s, 10, "psi"},
      {"\0$CC$,5"s, 5, ""},
      {"P\0$CC$,2,a,b,c"s, 2, ""},  // four commas: no units
      {"P\0$CC$,0.5,a,b,c,mL/min,extra"s, 0.5f, "mL/min,extra"},
      {"P\0$CC$, 1e2,a,b,c,V"s, 100, "V"},
      {"P\0$CC$,abc,a,b,c,V"s, 1, "V"},  // no number: the scale stays 1
      {"P\0$CC$"s, 1, ""},
      {"P\0CC$,3,a,b,c,u"s, 1, ""},     // not a control text
      {"P\0\0$CC$,3,a,b,c,u"s, 1, ""},  // must follow the NUL directly
      {"Plain"s, 1, ""},
      {std::string(81, 'A'), 1, ""},  // no NUL anywhere: no control text
      // Units running to the end of the field, with no NUL after them.
      {"P\0$CC$,1,a,b,c,"s + std::string(81 - 16, 'u'), 1, std::string(81 - 16, 'u')},
  };
  for (const Case& c : cases) {
    const AnalogHeader h = header(c.text);
    EXPECT_EQ(analogDescriptionScale(h.Description), c.scale) << c.text;
    EXPECT_EQ(h.Units(), c.units) << c.text;
  }
}

TEST(AnalogDescription, CopiedHeadersKeepTheirOwnUnits) {
  std::vector<AnalogHeader> kept;
  {
    std::vector<AnalogHeader> first{header("A\0$CC$,1,a,b,c,bar"s), header("B\0$CC$,1,a,b,c,psi"s)};
    kept = first;  // the originals go away with this scope
    first[0].Description[0] = 'Z';
  }
  kept.push_back(header("C"));  // and the copies move when the vector grows
  EXPECT_EQ(kept[0].Units(), "bar");
  EXPECT_EQ(kept[1].Units(), "psi");
  EXPECT_EQ(kept[2].Units(), "");
  EXPECT_EQ(kept[0].Description[0], 'A');
}

TEST_F(ZVRawAnalogTest, AnalogsInfSizeDecidesTheChannelCount) {
  const Bytes two = analogsInf({"one", "two"});
  ASSERT_EQ(two.size(), 170u);
  writeFile(dir() / "_ANALOGS.INF", two);
  EXPECT_EQ(read(), ZVRAW_OK);
  EXPECT_EQ(analog_.getNumberOfChannels(), 2);
  EXPECT_EQ(description(1), "two");
  EXPECT_EQ(analog_.getChannelLength(0), 0);  // no _ANALOGS.DAT

  Bytes odd = two;
  odd.push_back(0);
  writeFile(dir() / "_ANALOGS.INF", odd);
  EXPECT_EQ(read(), ZVRAW_DATA_NULL);
  EXPECT_EQ(analog_.getNumberOfChannels(), 0);

  writeFile(dir() / "_CHROMS.INF", chromsInf({{1, "a"}, {2, "b"}, {4, "c"}}));
  EXPECT_EQ(read(), ZVRAW_OK);
  EXPECT_EQ(analog_.getNumberOfChannels(), 3);
  EXPECT_EQ(description(2), "c");

  writeFile(dir() / "_ANALOGS.INF", {});
  EXPECT_EQ(read(), ZVRAW_OK);
  EXPECT_EQ(analog_.getNumberOfChannels(), 3);
}

TEST_F(ZVRawAnalogTest, AnalogsDatValuesAreDecodedAndScaled) {
  writeFile(dir() / "_ANALOGS.INF", analogsInf({"raw", "halved\0$CC$,2,a,b,c,mV"s}));
  struct Case {
    std::uint16_t stored;
    float decoded;
  };
  const Case cases[] = {
      {11, 64},            // 1 x 4^3
      {65535, 134201344},  // 8191 x 4^7
      {0, 0},              // mantissa 0
      {7, 0},              // mantissa 0 under the largest exponent
      {8, 1},              // lowest mantissa bit
      {0x8000, 4096},      // top bit in the mantissa
  };
  std::vector<float> ts;
  std::vector<std::vector<std::uint16_t>> stored;
  for (const Case& c : cases) {
    ts.push_back(0.5f * static_cast<float>(ts.size()));
    stored.push_back({c.stored, c.stored});
  }
  writeFile(dir() / "_ANALOGS.DAT", analogsDat(ts, stored));
  ASSERT_EQ(read(), ZVRAW_OK);
  ASSERT_EQ(analog_.getChannelLength(0), static_cast<int>(std::size(cases)));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(values(0)[i], cases[i].decoded) << cases[i].stored;
    EXPECT_EQ(values(1)[i], cases[i].decoded / 2) << cases[i].stored;
    EXPECT_EQ(times(1)[i], ts[i]);
  }
  EXPECT_EQ(units(1), "mV");
}

TEST_F(ZVRawAnalogTest, AnalogsDatOfAnotherSizeGivesChannelsWithoutSamples) {
  writeFile(dir() / "_ANALOGS.INF", analogsInf({"a", "b"}));
  Bytes dat = analogsDat({1, 2}, {{1, 2}, {3, 4}});
  dat.pop_back();
  writeFile(dir() / "_ANALOGS.DAT", dat);
  ASSERT_EQ(read(), ZVRAW_OK);
  EXPECT_EQ(analog_.getNumberOfChannels(), 2);
  EXPECT_EQ(analog_.getChannelLength(1), 0);
  const float* t = reinterpret_cast<const float*>(1);
  const float* v = t;
  analog_.getChannelData(1, t, v);
  EXPECT_EQ(t, nullptr);
  EXPECT_EQ(v, nullptr);
}

TEST_F(ZVRawAnalogTest, ChromsTablesGiveFlagsDescriptionsAndUnscaledValues) {
  writeFile(dir() / "_CHROMS.INF", chromsInf({{1, "UV\0$CC$,10,x,y,z,mAU"s}, {6, "ELSD"}, {4, "missing data"}}));
  writeFile(dir() / "_CHRO001.DAT", chroDat({{0.1f, 5.0f}, {0.2f, -7.5f}}));
  writeFile(dir() / "_CHRO002.DAT", chroDat({}));
  ASSERT_EQ(read(), ZVRAW_OK);
  ASSERT_EQ(analog_.getNumberOfChannels(), 3);
  const AnalogHeader* h = nullptr;
  analog_.getChannelHeader(1, h);
  ASSERT_NE(h, nullptr);
  EXPECT_FALSE(h->Analog);
  EXPECT_TRUE(h->ELSD);
  EXPECT_TRUE(h->Readback);
  EXPECT_EQ(description(0), "UV");
  EXPECT_EQ(units(0), "mAU");
  EXPECT_EQ(values(0), (std::vector<float>{5.0f, -7.5f}));  // the scale of 10 is not applied
  EXPECT_EQ(times(0), (std::vector<float>{0.1f, 0.2f}));
  EXPECT_EQ(analog_.getChannelLength(1), 0);  // a valid table with no samples
  EXPECT_EQ(analog_.getChannelLength(2), 0);  // no file
  EXPECT_TRUE(values(2).empty());
  for (int bad : {-1, 3}) {
    analog_.getChannelHeader(bad, h);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(analog_.getChannelLength(bad), 0);
    EXPECT_TRUE(values(bad).empty());
  }
}

// A table of many channels is read in blocks and its channel tables found by
// one listing: each header and each table as a table of few channels gives
// them, and only a name spelled exactly as a channel's table is one.
TEST_F(ZVRawAnalogTest, ManyChannelsReadAsFew) {
  constexpr int kChannels = 2000;
  std::vector<std::pair<int, std::string>> channels;
  for (int c = 0; c < kChannels; ++c)
    channels.emplace_back(c % 8, "ch" + std::to_string(c) + "\0$CC$,2,a,b,c,u"s + std::to_string(c));
  writeFile(dir() / "_CHROMS.INF", chromsInf(channels));
  for (const char* name : {"_CHRO001.DAT", "_CHRO070.DAT", "_CHRO2000.DAT", "_CHRO0002.DAT", "_chro003.dat",
                           "_CHRO2001.DAT", "_CHRO004.DAT.bak", "_CHRO+05.DAT"})
    writeFile(dir() / name, chroDat({{1.0f, 2.0f}}));
  std::filesystem::create_directory(dir() / "_CHRO006.DAT");
  ASSERT_EQ(read(), ZVRAW_OK);
  ASSERT_EQ(analog_.getNumberOfChannels(), kChannels);
  for (int c = 0; c < kChannels; ++c) {
    const AnalogHeader* h = nullptr;
    analog_.getChannelHeader(c, h);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Analog + 2 * h->ELSD + 4 * h->Readback, c % 8) << c;
    EXPECT_EQ(description(c), "ch" + std::to_string(c)) << c;
    EXPECT_EQ(units(c), "u" + std::to_string(c)) << c;
    EXPECT_EQ(analog_.getChannelLength(c), c == 0 || c == 69 || c == 1999 ? 1 : 0) << c;
  }
}

TEST_F(ZVRawAnalogTest, TablesAreReadByFieldIdNotPosition) {
  // Fields in the other order, an unknown field and a value column of the wrong type.
  ByteBuilder inf = StatsTableFixture().field(2, STRING_FIELD, 0, 81).field(9, 0, 81, 1).field(1, 2, 82, 4).leader(86);
  inf.text("swapped", 81).u8(0xFF).i32(1);
  writeFile(dir() / "_CHROMS.INF", inf.take());
  ByteBuilder dat = StatsTableFixture().field(2, LONG_INT_FIELD, 0, 4).field(1, SINGLE_FLOAT_FIELD, 4, 4).leader(8);
  dat.i32(99).f32(3.5f);
  writeFile(dir() / "_CHRO001.DAT", dat.take());
  ASSERT_EQ(read(), ZVRAW_OK);
  EXPECT_EQ(description(0), "swapped");
  const AnalogHeader* h = nullptr;
  analog_.getChannelHeader(0, h);
  EXPECT_TRUE(h->Analog);
  EXPECT_EQ(times(0), std::vector<float>{3.5f});
  EXPECT_EQ(values(0), std::vector<float>{0.0f});
}

TEST_F(ZVRawAnalogTest, EmptyChromsTableIsAReadWithNoChannels) {
  writeFile(dir() / "_CHROMS.INF", chromsInf({}));
  EXPECT_EQ(read(), ZVRAW_OK);
  EXPECT_EQ(analog_.getNumberOfChannels(), 0);
  std::filesystem::remove(dir() / "_CHROMS.INF");
  EXPECT_EQ(read(), ZVRAW_DATA_NULL);
}

// A channel table whose records are too small to describe a channel each
// is refused as invalid: the set reads as absent, as with no table at all.
TEST_F(ZVRawAnalogTest, ChromsTablesTooSmallForTheirChannelsAreRefused) {
  struct Case {
    const char* what;
    Bytes table;
    int channels;  // -1: refused
  };
  const Bytes head36 = StatsTableFixture().leader(36).take(), head1 = StatsTableFixture().leader(1).take();
  auto records = [](Bytes head, std::size_t bytes) {
    head.resize(head.size() + bytes, 0);
    return head;
  };
  const Case cases[] = {
      {"one-byte records without fields", records(head1, 100000), -1},
      {"one-byte records of two fields",
       records(StatsTableFixture().field(1, LONG_INT_FIELD, 0, 4).field(2, STRING_FIELD, 4, 81).leader(1).take(), 850),
       -1},
      {"a few one-byte records", records(head1, 300), 300},  // within the fixed allowance
      {"36-byte records without fields", records(head36, 36 * 4000), 4000},
  };
  for (const Case& c : cases) {
    writeFile(dir() / "_CHROMS.INF", c.table);
    EXPECT_EQ(read(), c.channels < 0 ? ZVRAW_DATA_NULL : ZVRAW_OK) << c.what;
    EXPECT_EQ(analog_.getNumberOfChannels(), std::max(c.channels, 0)) << c.what;
  }
}

// Packed samples share one time axis: every channel reads the record's time.
TEST_F(ZVRawAnalogTest, AnalogsDatTimesServeEveryChannel) {
  writeFile(dir() / "_ANALOGS.INF", analogsInf({"A", "B", "C"}));
  writeFile(dir() / "_ANALOGS.DAT", analogsDat({0.5f, 0.75f}, {{8, 16, 24}, {32, 40, 48}}));
  ASSERT_EQ(read(), ZVRAW_OK);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(times(c), (std::vector<float>{0.5f, 0.75f})) << c;
    EXPECT_EQ(values(c), (std::vector<float>{float(1 + c), float(4 + c)})) << c;
  }
}

TEST_F(ZVRawAnalogTest, ReadChromHeaderReplacesEverything) {
  writeFile(dir() / "_ANALOGS.INF", analogsInf({"a", "b", "c"}));
  writeFile(dir() / "_ANALOGS.DAT", analogsDat({1}, {{1, 2, 3}}));
  ASSERT_EQ(read(), ZVRAW_OK);
  ASSERT_EQ(analog_.getChannelLength(2), 1);
  writeFile(dir() / "_CHROMS.INF", chromsInf({{1, "only"}}));
  writeFile(dir() / "_CHRO001.DAT", chroDat({{1, 1}}));
  EXPECT_TRUE(analog_.readChromHeader(dir().string()));
  EXPECT_EQ(analog_.getNumberOfChannels(), 1);
  EXPECT_EQ(description(0), "only");
  EXPECT_EQ(analog_.getChannelLength(0), 0);  // headers only
  EXPECT_FALSE(analog_.readChromHeader(path("nowhere")));
  EXPECT_EQ(analog_.getNumberOfChannels(), 0);
}

TEST_F(ZVRawAnalogTest, WriteChromDatLaysDownTheTable) {
  ASSERT_EQ(analog_.writeChromDat(dir().string(), 0, nullptr, nullptr, 0), ZVRAW_OK);
  const Bytes bytes = readFile(dir() / "_CHRO001.DAT");
  ASSERT_EQ(bytes.size(), 128u);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{0x80, 0, 1, 0, 8, 0, 2, 0}));
  EXPECT_EQ(std::count(bytes.begin() + 8, bytes.begin() + 32, 0), 24);
  struct Descriptor {
    std::size_t at;
    std::uint8_t id, type, offset;
  };
  for (const Descriptor d : {Descriptor{32, 1, 3, 0}, Descriptor{80, 2, 3, 4}}) {
    Bytes expected = ByteBuilder().u16(d.id).u16(d.type).u16(d.offset).zeros(26).u16(4).zeros(14).take();
    EXPECT_EQ(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(d.at),
                    bytes.begin() + static_cast<std::ptrdiff_t>(d.at + 48)),
              expected);
  }
  const float t[] = {1.0f, 2.0f}, v[] = {-1.0f, 0.25f};
  ASSERT_EQ(analog_.writeChromDat(dir().string(), 11, t, v, 2), ZVRAW_OK);
  EXPECT_EQ(readFile(dir() / "_CHRO012.DAT"), [&] {
    ByteBuilder b = ByteBuilder().bytes(bytes);
    b.f32(1).f32(-1).f32(2).f32(0.25f);
    return b.take();
  }());
  ASSERT_EQ(analog_.writeChromDat(dir().string(), 999, t, v, 0), ZVRAW_OK);
  EXPECT_TRUE(std::filesystem::exists(dir() / "_CHRO1000.DAT"));
}

TEST_F(ZVRawAnalogTest, WriteChromInfWithNoChannelsCreatesNothing) {
  EXPECT_EQ(analog_.writeChromInf(dir().string(), nullptr, 0), ZVRAW_OK);
  EXPECT_EQ(analog_.writeChromInf(dir().string(), nullptr, -3), ZVRAW_OK);
  EXPECT_FALSE(std::filesystem::exists(dir() / "_CHROMS.INF"));
}

TEST_F(ZVRawAnalogTest, WritersReportWhatTheyCouldNotDo) {
  const AnalogHeader h[1] = {header("x")};
  const float t[] = {1}, v[] = {2};
  const std::string nowhere = path("no/such/dir");
  EXPECT_EQ(analog_.writeChromInf(nowhere, h, 1), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(analog_.writeChromDat(nowhere, 0, t, v, 1), ZVRAW_FILEOPEN_ERROR);
  EXPECT_EQ(analog_.writeChromDat(std::string(250, 'd'), 0, t, v, 1), ZVRAW_FILEOPEN_ERROR);  // name too long
  EXPECT_EQ(analog_.writeChromInf(dir().string(), nullptr, 1), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(analog_.writeChromDat(dir().string(), 0, nullptr, v, 1), ZVRAW_NULLPOINTER_ERROR);
  EXPECT_EQ(analog_.writeChromDat(dir().string(), -1, t, v, 1), ZVRAW_PARAMETER_INVALID);
  EXPECT_EQ(analog_.writeChromDat(dir().string(), 0, t, v, -1), ZVRAW_PARAMETER_INVALID);
  EXPECT_TRUE(std::filesystem::is_empty(dir()));
}

TEST_F(ZVRawAnalogTest, WrittenTablesReadBack) {
  const AnalogHeader headers[] = {header("Pump B\0$CC$,0.5,a,b,c,bar"s, true), header("Detector", false, true, true)};
  ASSERT_EQ(analog_.writeChromInf(dir().string(), headers, 2), ZVRAW_OK);
  EXPECT_EQ(readFile(dir() / "_CHROMS.INF").size(), 128u + 2 * 85);
  const std::vector<float> t{0.0f, 0.5f, 1.0f}, v{10.0f, -20.0f, 1e-30f};
  ASSERT_EQ(analog_.writeChromDat(dir().string(), 0, t.data(), v.data(), 3), ZVRAW_OK);
  ASSERT_EQ(analog_.writeChromDat(dir().string(), 1, v.data(), t.data(), 3), ZVRAW_OK);

  ZVRawAnalog back;
  ASSERT_EQ(back.read(dir().string()), ZVRAW_OK);
  ASSERT_EQ(back.getNumberOfChannels(), 2);
  for (int c = 0; c < 2; ++c) {
    const AnalogHeader* h = nullptr;
    back.getChannelHeader(c, h);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Analog, headers[c].Analog);
    EXPECT_EQ(h->ELSD, headers[c].ELSD);
    EXPECT_EQ(h->Readback, headers[c].Readback);
    EXPECT_EQ(0, std::memcmp(h->Description, headers[c].Description, 81));
    EXPECT_EQ(h->Units(), headers[c].Units());
  }
  EXPECT_EQ(back.getChannelLength(0), 3);
  const float* bt = nullptr;
  const float* bv = nullptr;
  back.getChannelData(1, bt, bv);
  ASSERT_NE(bt, nullptr);
  EXPECT_EQ(std::vector<float>(bt, bt + 3), v);
  EXPECT_EQ(std::vector<float>(bv, bv + 3), t);
}

// Reads the directory and touches every sample it reports, so the sanitizers
// see any array shorter than its length. OK only when the expected shape came back.
int readAndWalk(const std::string& dir, int channels, int samples) {
  ZVRawAnalog a;
  const int rc = a.read(dir);
  double sum = 0;
  for (int c = 0; c < a.getNumberOfChannels(); ++c) {
    const float* t = nullptr;
    const float* v = nullptr;
    a.getChannelData(c, t, v);
    for (int i = 0; i < a.getChannelLength(c); ++i) sum += t[i] + v[i];
    const AnalogHeader* h = nullptr;
    a.getChannelHeader(c, h);
    sum += static_cast<double>(h->Units().size());
  }
  volatile double sink = sum;  // keeps the walk
  (void)sink;
  if (rc != ZVRAW_OK) return rc;
  if (a.getNumberOfChannels() != channels) return ZVRAW_ERROR;
  for (int c = 0; c < channels; ++c)
    if (a.getChannelLength(c) != samples) return ZVRAW_ERROR;
  return ZVRAW_OK;
}

// Every cut and seeded corruption of one file of a directory whose other
// files are intact; the file is restored afterwards.
void expectDamagedFileSafe(const std::filesystem::path& dir, const std::string& name, const Bytes& valid) {
  const auto withDamage = [&](const Bytes& bytes) {
    writeFile(dir / name, bytes);
    return readAndWalk(dir.string(), 2, 3);
  };
  expectRejectsTruncations(valid, withDamage);
  expectSurvivesCorruptions(valid, withDamage);
  writeFile(dir / name, valid);
}

TEST_F(ZVRawAnalogTest, DamagedAnalogsFilesAreSafe) {
  const Bytes inf = analogsInf({"a\0$CC$,2,a,b,c,u"s, "b"});
  const Bytes dat = analogsDat({1, 2, 3}, {{11, 12}, {13, 14}, {65535, 0}});
  writeFile(dir() / "_ANALOGS.INF", inf);
  writeFile(dir() / "_ANALOGS.DAT", dat);
  expectDamagedFileSafe(dir(), "_ANALOGS.INF", inf);
  expectDamagedFileSafe(dir(), "_ANALOGS.DAT", dat);
}

TEST_F(ZVRawAnalogTest, DamagedChromsTablesAreSafe) {
  const Bytes inf = chromsInf({{1, "a\0$CC$,3,a,b,c,psi"s}, {2, "b"}});
  const Bytes dat = chroDat({{1, 2}, {3, 4}, {5, 6}});
  writeFile(dir() / "_CHROMS.INF", inf);
  writeFile(dir() / "_CHRO001.DAT", dat);
  writeFile(dir() / "_CHRO002.DAT", dat);
  expectDamagedFileSafe(dir(), "_CHROMS.INF", inf);
  expectDamagedFileSafe(dir(), "_CHRO002.DAT", dat);
}

}  // namespace
