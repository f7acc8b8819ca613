#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "formats/portability/FileHandle.h"
#include "formats/packets/ZVRawPackedFormats.h"
#include "support/Corruption.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace zvraw_packed;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

Bytes packetBytes(const char* p, std::size_t n) { return Bytes(p, p + n); }

// ---- fixtures worked out by hand from the packet layouts ----

TEST(PackedEncoders, ByteExactFixtures) {
  char p[12] = {};
  packCompressedData(100.0f, 1000.0f, p);
  EXPECT_EQ(packetBytes(p, 4), (Bytes{0xd1, 0x07, 0x90, 0x01}));  // e 1, m 250, v 12800
  packHiIntCalData(500.0f, 100000.0f, p);
  EXPECT_EQ(packetBytes(p, 6), (Bytes{0xa8, 0x61, 0x01, 0xa0, 0x0f, 0x00}));  // m 25000, e 1, v 64000
  packHiAccCalData(500.0f, 100000.0f, p);
  EXPECT_EQ(packetBytes(p, 6), (Bytes{0xa8, 0x61, 0x91, 0x00, 0x00, 0xfa}));  // x 9, v 8192000
  packEnhancedCalData(0.0f, -1.5f, NO_FLAG, p);
  EXPECT_EQ(packetBytes(p, 4), (Bytes{0x01, 0x00, 0x68, 0x00}));  // m -1572863 in 22 bits, x 1
  float mass, intensity;
  char flags;
  extractEnhancedCalData(mass, intensity, flags, p);
  EXPECT_EQ(intensity, -1572863.0f / 2097152.0f * 2.0f);
  EXPECT_EQ(flags, NO_FLAG);

  packEnhancedCalAccData(321.0f, 10.0f, 0xA, 0.0f, 0.0f, 0x9, p);
  EXPECT_EQ(packetBytes(p + 8, 4), (Bytes{0x00, 0x00, 0x00, 0x24}));  // 9 << 26
  EXPECT_EQ(p[3] & 0xF0, 0xA0);                                       // peak flags in bits 28-31
}

TEST(PackedDecoders, HandWrittenPackets) {
  float mA, iA, mB, iB, c, d;
  // Format 1: words 0x0019 (m 3, e 1) and 0x0008 (m 1, e 0); masses 102400 and 204800 / 1024.
  const char f1[10] = {0x19, 0x00, 0x08, 0x00, 0x00, (char)0x90, 0x01, 0x00, 0x20, 0x03};
  extractStdScanningData(mA, iA, mB, iB, f1);
  EXPECT_EQ(iA, 12.0f);
  EXPECT_EQ(iB, 1.0f);
  EXPECT_EQ(mA, 100.0f);
  EXPECT_EQ(mB, 200.0f);

  // Formats 4-7: signed mantissas 1, -1, 32767, -32768; exponents 0, 1, 15, 2 in the nibbles.
  const char f4[10] = {0x01, 0x00, (char)0xFF, (char)0xFF, (char)0xFF, 0x7F, 0x00, (char)0x80, 0x10, 0x2F};
  extractHiIntUncalData(mA, iA, mB, iB, f4);
  EXPECT_EQ(mA, 1.0f);
  EXPECT_EQ(iA, -4.0f);
  EXPECT_EQ(mB, 32767.0f * 1073741824.0f);
  EXPECT_EQ(iB, -32768.0f * 16.0f);
  extractHiIntUncalStdDevData(c, d, mA, iA, f4);  // same packet, values 3 and 4 are deviations
  EXPECT_EQ(c, 1.0f);
  EXPECT_EQ(d, -4.0f);
  EXPECT_EQ(iA, -32768.0f * 16.0f);

  // Format 11: mantissa with bit 21 set is negative; exponent 21 gives x 2^0; flags 0xF.
  struct Case {
    std::uint32_t word;
    float intensity;
    char flags;
  } cases[] = {{0x00200000u | 21u << 22 | 0xFu << 28, -2097152.0f, 0xF},
               {0x001FFFFFu | 21u << 22, 2097151.0f, 0},
               {0x003FFFFFu | 22u << 22 | 2u << 28, -2.0f, 2},
               {0x00000001u | 63u << 22, 4398046511104.0f, 0},  // 2^(63 - 21)
               {0x00000001u, 1.0f / 2097152.0f, 0}};
  for (const Case& k : cases) {
    char w[4];
    for (int i = 0; i < 4; ++i) w[i] = static_cast<char>(k.word >> (8 * i));
    float intensity;
    char flags;
    extractEnhancedUncalData(intensity, flags, w);
    EXPECT_EQ(intensity, k.intensity) << std::hex << k.word;
    EXPECT_EQ(flags, k.flags);
    EXPECT_EQ(errorPeak(flags), (k.flags & 2) != 0);
  }

  // Format 2: word 0xFFFF is mantissa 8191, exponent 7.
  const char f2[2] = {(char)0xFF, (char)0xFF};
  extractStdUncalibratedData(c, f2);
  EXPECT_EQ(c, 8191.0f * 16384.0f);

  // Format 13 error word: a 128, b 2, c 64, d 1, flags 3.
  const std::uint32_t w3 = 128u | 2u << 8 | 64u << 13 | 1u << 20 | 3u << 26;
  char f13[12] = {};
  for (int i = 0; i < 4; ++i) f13[8 + i] = static_cast<char>(w3 >> (8 * i));
  char flags, acc;
  extractEnhancedCalAccData(mA, iA, flags, c, d, acc, f13);
  EXPECT_FLOAT_EQ(c, 2.0f * 1e-6f);
  EXPECT_EQ(d, 1.0f);
  EXPECT_EQ(acc, 3);
}

TEST(PackedSizes, PacketsAndScans) {
  const unsigned bytes[] = {4, 10, 2, 2, 10, 10, 10, 10, 6, 6, 0, 4, 8, 12};
  const unsigned peaks[] = {1, 2, 1, 1, 4, 2, 4, 2, 1, 1, 0, 1, 1, 1};
  for (unsigned f = 0; f < 14; ++f) {
    EXPECT_EQ(getBytesPerPacket(f), bytes[f]) << f;
    EXPECT_EQ(getPeaksPerPacket(f), peaks[f]) << f;
    EXPECT_EQ(isSupportedDataType(f), f == 10 ? ZVRAW_DATATYPE_UNSUPPORTED : ZVRAW_OK) << f;
  }
  for (unsigned f : {10u, 14u, 15u, ~0u}) {
    EXPECT_EQ(getBytesPerPacket(f), 0u);
    EXPECT_EQ(getBytesPerScan(f, 1000), 0u);
    EXPECT_EQ(isSupportedDataType(f), ZVRAW_DATATYPE_UNSUPPORTED);
  }
  EXPECT_EQ(getBytesPerScan(4, 9), 30u);
  EXPECT_EQ(getBytesPerScan(4, 8), 20u);
  EXPECT_EQ(getBytesPerScan(1, 3), 20u);
  EXPECT_EQ(getBytesPerScan(13, 0), 0u);
  EXPECT_EQ(getBytesPerScan(13, ~0u), 12ull * 0xFFFFFFFFull);  // no 32-bit wrap
}

TEST(PackedScaling, BoundedAndDefined) {
  struct Case {
    float value;
    bool ge;
    int cap;
    int divisions;
  } cases[] = {{256, false, 255, 1},  {255, false, 255, 0},  {1.0f, true, 255, 1}, {kInf, false, 15, 15},
               {-kInf, true, 63, 63}, {kNaN, false, 255, 0}, {1e38f, false, 3, 3}};
  for (const Case& c : cases) {
    float v = c.value;
    const float max = c.ge ? 1.0f : 255.0f;
    const int n = c.ge ? scaleValueGE(v, 2.0f, max, c.cap) : scaleValueGT(v, 4.0f, max, c.cap);
    EXPECT_EQ(n, c.divisions) << c.value;
  }
  float v = kInf;
  EXPECT_EQ(scaleValueGT(v, 1.0f, 0.0f), kScaleDivisionLimit);  // a factor that cannot shrink
}

// ---- encoders against the packing loops written out plainly ----

std::int64_t roundHalf(double z) { return static_cast<std::int64_t>(std::trunc(z + 0.5)); }

std::uint32_t refCompressed(float mass, float intensity) {
  int e = 0;
  while (std::fabs(intensity) > 255) intensity /= 4, ++e;
  return static_cast<std::uint32_t>(e) | static_cast<std::uint32_t>(roundHalf(intensity)) << 3 |
         static_cast<std::uint32_t>(roundHalf(128.0 * mass)) << 11;
}

std::uint64_t refSixteenBit(float intensity, std::uint32_t massBits) {  // bytes 0-5 of formats 8/9
  int e = 0;
  while (std::fabs(intensity) > 32767) intensity /= 4, ++e;
  const auto m = static_cast<std::uint16_t>(roundHalf(intensity));
  return m | std::uint64_t{massBits | static_cast<std::uint32_t>(e)} << 16;
}

std::uint32_t refHiAccMassBits(float mass) {
  int x = 0;
  while (std::fabs(mass) >= 1.0f - 0x1p-23f) mass /= 2, ++x;
  return static_cast<std::uint32_t>(x) << 4 | static_cast<std::uint32_t>(roundHalf(0x1p23 * mass)) << 9;
}

std::uint32_t refEnhancedIntensity(float intensity, char flags) {
  int x = 0;
  while (std::fabs(intensity) >= 1.0f - 0x1p-21f) intensity /= 2, ++x;
  return (static_cast<std::uint32_t>(roundHalf(0x1p21 * intensity)) & 0x3FFFFF) | static_cast<std::uint32_t>(x) << 22 |
         static_cast<std::uint32_t>(flags) << 28;
}

std::uint32_t refEnhancedMass(float mass) {
  int y = 0;
  while (std::fabs(mass) >= 1.0f) mass /= 2, ++y;
  return static_cast<std::uint32_t>(roundHalf(0x1p27 * mass)) | static_cast<std::uint32_t>(y) << 27;
}

std::uint32_t refErrors(float massError, float intensityError, char acc) {
  float e = massError * 1e6f;
  int b = 0, d = 0;
  while (e >= 255.0f / 256) e /= 2, ++b;
  while (intensityError >= 127.0f / 128) intensityError /= 2, ++d;
  return static_cast<std::uint32_t>(roundHalf(256.0 * e)) | static_cast<std::uint32_t>(b) << 8 |
         static_cast<std::uint32_t>(roundHalf(128.0 * intensityError)) << 13 | static_cast<std::uint32_t>(d) << 20 |
         static_cast<std::uint32_t>(acc) << 26;
}

Bytes le(std::uint64_t v, int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return b;
}

TEST(PackedEncoders, InRangeValuesMatchThePlainLoops) {
  std::mt19937 rng(0x5eed);
  auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  auto logUniform = [&](float maxExp) { return std::exp2(uniform(-8.0f, maxExp)); };
  for (int i = 0; i < 5000; ++i) {
    char p[12] = {};
    const float m0 = uniform(0, 16383.0f), i0 = logUniform(20);
    packCompressedData(m0, i0, p);
    ASSERT_EQ(packetBytes(p, 4), le(refCompressed(m0, i0), 4)) << m0 << " " << i0;

    const float sign = i % 2 ? -1.0f : 1.0f;
    const float m8 = uniform(0, 2097151.0f), i8 = sign * logUniform(40);
    packHiIntCalData(m8, i8, p);
    ASSERT_EQ(packetBytes(p, 6), le(refSixteenBit(i8, static_cast<std::uint32_t>(roundHalf(128.0 * m8)) << 4), 6))
        << m8 << " " << i8;

    const float m9 = logUniform(30);
    packHiAccCalData(m9, i8, p);
    ASSERT_EQ(packetBytes(p, 6), le(refSixteenBit(i8, refHiAccMassBits(m9)), 6)) << m9 << " " << i8;

    const float i12 = sign * logUniform(60), m12 = logUniform(30), me = uniform(0, 1e-3f), ie = logUniform(50);
    const char flags = static_cast<char>(i % 16), acc = static_cast<char>((i / 16) % 16);
    packEnhancedCalAccData(m12, i12, flags, me, ie, acc, p);
    Bytes want = le(refEnhancedIntensity(i12, flags) | std::uint64_t{refEnhancedMass(m12)} << 32, 8);
    const Bytes errors = le(refErrors(me, ie, acc), 4);
    want.insert(want.end(), errors.begin(), errors.end());
    ASSERT_EQ(packetBytes(p, 12), want) << m12 << " " << i12 << " " << me << " " << ie;
  }
}

// ---- out-of-range values saturate their own field and leave the others alone ----

struct Decoded {
  float mass = 0, intensity = 0, massError = 0, intensityError = 0;
  char flags = 0, acc = 0;
};

// Packs mass, intensity, mass error and intensity error (as far as the
// format holds them) and decodes the packet again.
Decoded roundTrip(unsigned format, const float (&v)[4]) {
  char p[12] = {};
  Decoded d;
  switch (format) {
    case 0:
      packCompressedData(v[0], v[1], p);
      extractCompressedData(d.mass, d.intensity, p);
      break;
    case 8:
      packHiIntCalData(v[0], v[1], p);
      extractHiIntCalData(d.mass, d.intensity, p);
      break;
    case 9:
      packHiAccCalData(v[0], v[1], p);
      extractHiAccCalData(d.mass, d.intensity, p);
      break;
    default:
      packEnhancedCalAccData(v[0], v[1], 0x5, v[2], v[3], 0x6, p);
      extractEnhancedCalAccData(d.mass, d.intensity, d.flags, d.massError, d.intensityError, d.acc, p);
      if (format == 12) d.massError = d.intensityError = d.acc = 0;  // format 12 is the first 8 bytes
  }
  return d;
}

TEST(PackedEncoders, BadValuesSaturateTheirOwnField) {
  const float good[4] = {250.5f, 1000.0f, 2e-6f, 3.0f};
  const float bad[] = {kInf, -kInf, kNaN, 1e30f, -1e30f, -5.0f, std::numeric_limits<float>::max()};
  const std::pair<unsigned, float> formats[] = {{0, 2097151.0f / 128},
                                                {8, 268435455.0f / 128},
                                                {9, 8388607.0f * 256},
                                                {12, 134217727.0f * 16},
                                                {13, 134217727.0f * 16}};
  for (auto [format, maxMass] : formats) {
    const Decoded base = roundTrip(format, good);
    const float want[4] = {base.mass, base.intensity, base.massError, base.intensityError};
    for (int field = 0; field < 4; ++field) {
      for (float v : bad) {
        float in[4] = {good[0], good[1], good[2], good[3]};
        in[field] = v;
        const Decoded d = roundTrip(format, in);
        const float got[4] = {d.mass, d.intensity, d.massError, d.intensityError};
        const std::string where =
            "format " + std::to_string(format) + " field " + std::to_string(field) + " value " + std::to_string(v);
        for (int other = 0; other < 4; ++other) {
          if (other == field) continue;
          EXPECT_EQ(got[other], want[other]) << where << " spilled into " << other;
        }
        EXPECT_EQ(d.flags, base.flags) << where;
        EXPECT_EQ(d.acc, base.acc) << where;
        const bool unsignedField = field != 1 || format == 0;
        if (std::isnan(v) || (unsignedField && v < 0)) {
          EXPECT_EQ(got[field], 0.0f) << where;
        } else if (field == 0 && v > 1e29f) {
          EXPECT_EQ(got[0], maxMass) << where;
        } else if (field == 1 && std::isinf(v)) {
          EXPECT_EQ(got[1] > 0, v > 0) << where;  // the sign survives saturation
        }
      }
    }
  }
}

TEST(PackedEncoders, SaturatedExtremes) {
  char p[12];
  float m, i;
  packCompressedData(0, kInf, p);
  extractCompressedData(m, i, p);
  EXPECT_EQ(i, 255.0f * 16384.0f);
  packCompressedData(0, -7.0f, p);  // an unsigned mantissa holds no negative intensity
  extractCompressedData(m, i, p);
  EXPECT_EQ(i, 0.0f);
  packHiIntCalData(0, -kInf, p);
  extractHiIntCalData(m, i, p);
  EXPECT_EQ(i, -32767.0f * 1073741824.0f);
  char flags;
  packEnhancedCalData(kInf, kInf, 0, p);
  extractEnhancedCalData(m, i, flags, p);
  EXPECT_EQ(i, 2097151.0f * 0x1p42f);
  EXPECT_EQ(m, 134217727.0f * 16.0f);
}

// ---- bisection ----

TEST(PackedBisection, ArrayForm) {
  const float masses[] = {100, 200, 300};
  const std::pair<float, unsigned> cases[] = {{50, 0}, {100, 1}, {150, 1}, {250, 2}, {300, 2}, {301, 3}};
  for (auto [m, want] : cases) EXPECT_EQ(getNearestIndexGreaterThan(masses, 3, m), want) << m;
  EXPECT_EQ(getNearestIndexGreaterThan(masses, 1, 100), 0u);
  EXPECT_EQ(getNearestIndexGreaterThan(masses, 0, 100), 0u);
  EXPECT_EQ(getNearestIndexGreaterThan(static_cast<const float*>(nullptr), 3, 100), 0u);
}

class PackedFileTest : public TempDirTest {};

// The file form and the run form (over the same packets in memory) find the same indices.
TEST_F(PackedFileTest, FileFormFindsTheSameIndicesAndRestoresThePosition) {
  const std::uint64_t start = 7;  // scans need not start on a packet boundary
  struct Format {
    unsigned format;
    GetMassRoutine getMass;
    std::function<void(float, char*)> pack;
  } formats[] = {
      {0, getCompressedMass, [](float m, char* p) { packCompressedData(m, 10, p); }},
      {8, getHiIntMass, [](float m, char* p) { packHiIntCalData(m, 10, p); }},
      {9, getHiAccMass, [](float m, char* p) { packHiAccCalData(m, 10, p); }},
      {12, getEnCalMass, [](float m, char* p) { packEnhancedCalData(m, 10, 0, p); }},
      {13, getEnCalAccMass, [](float m, char* p) { packEnhancedCalAccData(m, 10, 0, 1e-6f, 1, 0, p); }},
  };
  for (const Format& f : formats) {
    const unsigned size = getBytesPerPacket(f.format);
    Bytes file(start, 0xEE);
    for (float m : {100.0f, 200.0f, 300.0f}) {
      char p[12] = {};
      f.pack(m, p);
      file.insert(file.end(), p, p + size);
    }
    writeFile(dir() / "scan.dat", file);
    zvraw::FilePtr in(std::fopen(path("scan.dat").c_str(), "rb"));
    ASSERT_TRUE(in);
    EXPECT_EQ(f.getMass(in.get(), 1, start), 200.0f) << f.format;
    EXPECT_EQ(f.getMass(in.get(), 3, start), 0.0f) << f.format;  // past the end: a zero packet
    const std::pair<float, unsigned> cases[] = {{50, 0}, {100, 1}, {250, 2}, {300, 2}, {301, 3}};
    const char* run = reinterpret_cast<const char*>(file.data()) + start;
    for (auto [m, want] : cases) {
      EXPECT_EQ(getNearestIndexGreaterThan(in.get(), 3, start, m, f.getMass), want) << f.format << " " << m;
      EXPECT_EQ(ftello(in.get()), static_cast<off_t>(start));
      EXPECT_EQ(getNearestIndexGreaterThan(run, f.format, 3, m), want) << f.format << " " << m;
    }
    EXPECT_EQ(getNearestIndexGreaterThan(in.get(), 0, start, 100, f.getMass), 0u);
    EXPECT_EQ(getNearestIndexGreaterThan(run, f.format, 0, 100), 0u);
  }
  // Formats whose packets the file mass readers do not serve have no run form.
  const char packets[20] = {};
  for (unsigned format : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 10u, 11u, 14u}) {
    EXPECT_EQ(packetMassReader(format), nullptr) << format;
    EXPECT_EQ(getNearestIndexGreaterThan(packets, format, 2, 100), 0u) << format;
  }
}

// ---- packet runs ----

TEST_F(PackedFileTest, PacketRunsReadBackAndReportShortReads) {
  for (unsigned format = 0; format < 14; ++format) {
    unsigned peaks = 7;
    Bytes run(getBytesPerScan(format, peaks));
    for (std::size_t i = 0; i < run.size(); ++i) run[i] = static_cast<std::uint8_t>(i * 37 + format);
    std::vector<char> buffer(run.size());  // exact size: sanitizers see any over-read
    {
      zvraw::FilePtr writeOnly(std::fopen(path("wo.dat").c_str(), "wb"));
      ASSERT_TRUE(writeOnly);
      EXPECT_EQ(readScan(writeOnly.get(), buffer.data(), format, peaks),
                format == 10 ? ZVRAW_DATATYPE_UNSUPPORTED : ZVRAW_SCANREAD_ERROR)
          << format;
    }
    if (format == 10) continue;
    {
      const unsigned packetSize = getBytesPerPacket(format);
      zvraw::FilePtr out(std::fopen(path("run.dat").c_str(), "wb"));
      ASSERT_TRUE(out);
      EXPECT_EQ(writeScan(out.get(), reinterpret_cast<const char*>(run.data()), packetSize,
                          static_cast<unsigned>(run.size() / packetSize)),
                ZVRAW_OK);
    }
    ASSERT_EQ(readFile(dir() / "run.dat"), run) << format;

    expectRejectsTruncations(run, [&](const Bytes& damaged) {
      writeFile(dir() / "cut.dat", damaged);
      zvraw::FilePtr in(std::fopen(path("cut.dat").c_str(), "rb"));
      const int rc = readScan(in.get(), buffer.data(), format, peaks);
      if (rc == ZVRAW_OK) {
        EXPECT_EQ(Bytes(buffer.begin(), buffer.end()), run);
      } else {
        EXPECT_EQ(rc, ZVRAW_SCANREAD_EOFERROR);
      }
      return rc;
    });
  }
  EXPECT_EQ(writeScan(nullptr, "", 1, 1), ZVRAW_NULLPOINTER_ERROR);
}

TEST_F(PackedFileTest, ShortWritesAreReported) {
  zvraw::FilePtr ro(std::fopen("/dev/null", "rb"));
  ASSERT_TRUE(ro);
  const char data[12] = {};
  EXPECT_EQ(writeScan(ro.get(), data, 12, 1), ZVRAW_SCANWRITE_ERROR);
  zvraw::FilePtr full(std::fopen("/dev/full", "wb"));
  if (!full) GTEST_SKIP() << "no /dev/full";
  std::setvbuf(full.get(), nullptr, _IONBF, 0);
  EXPECT_EQ(writeScan(full.get(), data, 6, 2), ZVRAW_SCANWRITE_ERROR);
}

// Every bit pattern decodes to something defined (UBSan watches the shifts and conversions).
TEST(PackedDecoders, AnyBitPatternIsDefined) {
  std::mt19937 rng(42);
  std::vector<std::array<char, 12>> packets = {{}, {}};
  packets[1].fill(static_cast<char>(0xFF));
  for (int i = 0; i < 2000; ++i) {
    std::array<char, 12> p;
    for (char& c : p) c = static_cast<char>(rng());
    packets.push_back(p);
  }
  float a, b, c, d;
  char f, g;
  for (const auto& p : packets) {
    extractCompressedData(a, b, p.data());
    extractStdScanningData(a, b, c, d, p.data());
    extractStdUncalibratedData(a, p.data());
    extractHiIntUncalData(a, b, c, d, p.data());
    extractHiIntCalData(a, b, p.data());
    extractHiAccCalData(a, b, p.data());
    extractEnhancedUncalData(a, f, p.data());
    extractEnhancedCalAccData(a, b, f, c, d, g, p.data());
    EXPECT_FALSE(std::isnan(a) || std::isnan(b) || std::isnan(c) || std::isnan(d));
  }
}

}  // namespace
