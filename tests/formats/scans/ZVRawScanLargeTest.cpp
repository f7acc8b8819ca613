// Scans long enough to be decoded a block at a time: the results must be
// those of the per-packet decoders and the per-peak steps, whatever block a
// peak falls in.

#include <sys/types.h>

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <random>
#include <vector>

#include "formats/scans/ZVRawScan.h"
#include "formats/scans/ZVRawScanPackets.h"
#include "support/ScanFixtures.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using borealtek_calibrate_version_1::CalibrateMass;
using borealtek_calibrate_version_1::CALTYPE_NORMAL;
using borealtek_calibrate_version_1::CALTYPE_ROOTMASS;
using borealtek_calibrate_version_1::FunctionCalibration;
using borealtek_zvraw_version_1::ZVRawScan;

namespace {

constexpr unsigned kLong = 5003;  // several blocks and a ragged end

// Floats compared as bits: -0 and +0 differ, as do NaN payloads.
bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

Bytes randomPackets(unsigned format, unsigned peaks, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(zvraw_packed::getBytesPerScan(format, peaks));
  for (auto& v : b) v = static_cast<std::uint8_t>(rng());
  return b;
}

// The scan as the per-packet decoders see it.
struct Expected {
  std::vector<float> masses, intensities, dMasses, dIntensities;
  std::vector<char> flags, accFlags;
};

Expected decodeEachPacket(unsigned format, const Bytes& run, unsigned peaks) {
  Expected e;
  const auto* p = reinterpret_cast<const char*>(run.data());
  (void)zvraw_scan_detail::withCodec(format, [&](auto f) {
    using C = zvraw_scan_detail::PacketCodec<decltype(f)::value>;
    for (unsigned k = 0; k < peaks; p += C::kBytes) {
      zvraw_scan_detail::DecodedPeak d[C::kPeaks];
      C::decode(p, d);
      for (unsigned j = 0; j < C::kPeaks && k < peaks; ++j, ++k) {
        e.masses.push_back(d[j].mass);
        e.intensities.push_back(d[j].intensity);
        e.flags.push_back(d[j].flags);
        e.dMasses.push_back(d[j].dMass);
        e.dIntensities.push_back(d[j].dIntensity);
        e.accFlags.push_back(d[j].accFlags);
      }
    }
    return 0;
  });
  return e;
}

class LongScan : public TempDirTest {
 protected:
  int read(ZVRawScan& s, const Bytes& dat, unsigned format, unsigned n, const FunctionCalibration* cal = nullptr,
           float lower = 0, float upper = FLT_MAX, float* delta = nullptr) {
    const std::string p = path("_func001.dat");
    writeFile(p, dat);
    zvraw::FilePtr f(std::fopen(p.c_str(), "rb"));
    float local = FLT_MAX;
    const Descriptor d(format);
    return s.readScan(f.get(), n, &d, false, cal, delta ? *delta : local, 0, -1, lower, upper, 0, 0, 0);
  }
};

TEST_F(LongScan, EveryPacketDecodesAsItsPacketDecoderSays) {
  ScopedBadScanStrategy keepAll(4);  // random masses do not ascend
  for (unsigned format : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u, 12u, 13u}) {
    SCOPED_TRACE(format);
    const Bytes dat = randomPackets(format, kLong, 0xC0FFEE + format);
    const Expected e = decodeEachPacket(format, dat, kLong);
    ZVRawScan s;
    ASSERT_EQ(read(s, dat, format, kLong), 0);
    ASSERT_EQ(s.getScanSize(), kLong);
    EXPECT_TRUE(sameBits(intensitiesOf(s), e.intensities));
    if (format <= 1 || format == 8 || format == 9 || format >= 12) {
      EXPECT_TRUE(sameBits(massesOf(s), e.masses));
    }
    if (format == 12 || format == 13) {
      const char* flags = nullptr;
      unsigned n = 0;
      ASSERT_EQ(s.getScanFlags(&flags, n), 0);
      EXPECT_EQ(std::vector<char>(flags, flags + n), e.flags);
    }
    if (format == 13) {
      const float *m, *i, *dm, *di;
      unsigned n = 0;
      ASSERT_EQ(s.getScan(&m, &i, &dm, &di, n), 0);
      EXPECT_TRUE(sameBits(std::vector<float>(dm, dm + n), e.dMasses));
      EXPECT_TRUE(sameBits(std::vector<float>(di, di + n), e.dIntensities));
      const char* acc = nullptr;
      ASSERT_EQ(s.getAccMassScanFlags(&acc, n), 0);
      EXPECT_EQ(std::vector<char>(acc, acc + n), e.accFlags);
    }
  }
}

TEST_F(LongScan, CalibratedAsEachPeakWouldBe) {
  ScopedBadScanStrategy keepAll(4);
  FunctionCalibration root;
  root.setCalibration(0.01, 0.9999, 1e-7, CALTYPE_ROOTMASS);
  FunctionCalibration five;
  five.setCalibration(1e-3, 1.0001, 1e-7, CALTYPE_NORMAL);
  five.C3() = 1e-11;
  five.C4() = -1e-15;
  five.C5() = 1e-19;
  five.calOrder() = 5;
  five.setModification(0.001, 0.9999, 1e-10);
  for (unsigned format : {0u, 9u, 12u}) {
    for (const FunctionCalibration* cal : {&root, &five}) {
      SCOPED_TRACE(format);
      const Bytes dat = randomPackets(format, kLong, 0xBEEF + format);
      const Expected e = decodeEachPacket(format, dat, kLong);
      std::vector<float> want;
      for (float m : e.masses) want.push_back(CalibrateMass(m, cal->getImp()));
      ZVRawScan s;
      ASSERT_EQ(read(s, dat, format, kLong, cal), 0);
      EXPECT_TRUE(sameBits(massesOf(s), want));
    }
  }
}

// Ascending masses 100 + k, with changes at chosen peaks.
PeakList ascending(unsigned n) {
  PeakList p;
  for (unsigned k = 0; k < n; ++k) {
    p.masses.push_back(100.0f + static_cast<float>(k));
    p.intensities.push_back(static_cast<float>(k % 97));
  }
  return p;
}

TEST_F(LongScan, BadMassesInLaterBlocks) {
  PeakList p = ascending(kLong);
  const std::vector<unsigned> bad{1500, 3001, kLong - 1};
  for (unsigned k : bad) p.masses[k] = 50000;  // above the upper bound
  const Bytes dat = encodeScan(9, p);
  {
    ScopedBadScanStrategy drop(3);
    ZVRawScan s;
    ASSERT_EQ(read(s, dat, 9, kLong, nullptr, 50, 10000), 0);
    std::vector<float> want;
    for (unsigned k = 0; k < kLong; ++k)
      if (std::find(bad.begin(), bad.end(), k) == bad.end()) want.push_back(p.masses[k]);
    EXPECT_EQ(massesOf(s), want);
  }
  {
    ScopedBadScanStrategy abandon(1);
    ZVRawScan s;
    EXPECT_EQ(read(s, dat, 9, kLong, nullptr, 50, 10000), ZVRAW_SCAN_CORRUPT_ERROR);
    EXPECT_EQ(s.getScanSize(), 0u);
  }
  {
    // Only the last mass bad: the repair puts it one window above the last good one.
    PeakList q = ascending(kLong);
    q.masses[kLong - 1] = 50000;
    ScopedBadScanStrategy repair(2);
    ZVRawScan s;
    ASSERT_EQ(read(s, encodeScan(9, q), 9, kLong, nullptr, 50, 10000), 0);
    q.masses[kLong - 1] = q.masses[kLong - 2] + 1;
    EXPECT_EQ(massesOf(s), q.masses);
  }
}

TEST_F(LongScan, LowCutAndSmallestSpacingAcrossBlocks) {
  FunctionCalibration shift;
  shift.setCalibration(-1200, 1, CALTYPE_NORMAL);  // masses below 1200 calibrate below 0
  for (unsigned at : {1u, 2u, 1025u, 1026u, 2500u, kLong - 1}) {
    SCOPED_TRACE(at);
    PeakList p = ascending(kLong);
    for (unsigned k = at; k < kLong; ++k) p.masses[k] -= 0.75f;  // spacing 0.25 just before `at`
    const Bytes dat = encodeScan(9, p);
    ZVRawScan s;
    float delta = 7;
    ASSERT_EQ(read(s, dat, 9, kLong, nullptr, 0, 100000, &delta), 0);
    EXPECT_EQ(delta, 0.25f);
    ASSERT_EQ(read(s, dat, 9, kLong, &shift, 0, 100000, &delta), 0);
    const std::vector<float> m = massesOf(s);
    ASSERT_FALSE(m.empty());
    EXPECT_GE(m.front(), 0.0f) << "negative calibrated masses are cut";
    EXPECT_LT(m.front(), 1.0f);
    EXPECT_EQ(m.size(), static_cast<std::size_t>(
                            std::count_if(p.masses.begin(), p.masses.end(), [](float v) { return v - 1200 >= 0; })));
  }
}

}  // namespace
