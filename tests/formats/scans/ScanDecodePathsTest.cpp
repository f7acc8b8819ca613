// The fast decoding roads give the scalar road's values to the bit: the
// eight-packet runs (AVX2 and plain copies) against the packet decoders, and
// a scan fetched with pread at its offset or from memory against the same
// scan read through a stream, over seeded random packets and damaged files.

#include <fcntl.h>
#include <unistd.h>

#include <cfloat>
#include <cstring>
#include <random>
#include <vector>

#include "formats/portability/CpuFeatures.h"
#include "formats/scans/RunSource.h"
#include "formats/scans/ZVRawPacketBlocks.h"
#include "support/Corruption.h"
#include "support/ScanFixtures.h"
#include "support/TempDir.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

#pragma GCC diagnostic ignored "-Wpsabi"  // the run decoders' lanes never cross a call

using borealtek_calibrate_version_1::CALTYPE_NORMAL;
using borealtek_calibrate_version_1::CALTYPE_ROOTMASS;
using borealtek_calibrate_version_1::FunctionCalibration;
using borealtek_zvraw_version_1::ScanDecodeSettings;
using borealtek_zvraw_version_1::ZVRawScan;

namespace {

Bytes randomBytes(std::mt19937& rng, std::size_t n) {
  Bytes b(n);
  for (auto& c : b) c = static_cast<std::uint8_t>(rng());
  return b;
}

template <class T>
std::vector<std::uint8_t> bitsOf(const T* p, std::size_t n) {
  std::vector<std::uint8_t> b(n * sizeof(T));
  if (n > 0) std::memcpy(b.data(), p, b.size());
  return b;
}

using RunDecoder = void (*)(const char*, std::uint32_t, float*, float*, char*, float*, float*, char*);

// Each run decoder of format F against C::decode packet by packet.
template <unsigned F>
void expectRunsMatchPackets(std::mt19937& rng) {
  using C = zvraw_scan_detail::PacketCodec<F>;
  std::vector<RunDecoder> decoders{zvraw_scan_detail::decodeRunPlain<F>};
  if (zvraw::cpuHasAvx2()) decoders.push_back(zvraw_scan_detail::decodeRunAvx2<F>);
  for (std::uint32_t n : {0u, 1u, 7u, 8u, 9u, 17u, 64u, 1001u}) {
    const Bytes run = randomBytes(rng, std::size_t{n} * C::kBytes);
    const char* p = reinterpret_cast<const char*>(run.data());
    std::vector<float> m(n), in(n), dm(n), di(n);
    std::vector<char> flags(n), acc(n);
    for (std::uint32_t k = 0; k < n; ++k) {
      zvraw_scan_detail::DecodedPeak d;
      C::decode(p + std::size_t{k} * C::kBytes, &d);
      m[k] = d.mass, in[k] = d.intensity, dm[k] = d.dMass, di[k] = d.dIntensity, flags[k] = d.flags,
      acc[k] = d.accFlags;
    }
    for (RunDecoder decode : decoders) {
      std::vector<float> m2(n), in2(n), dm2(n), di2(n);
      std::vector<char> flags2(n), acc2(n);
      decode(p, n, m2.data(), in2.data(), flags2.data(), dm2.data(), di2.data(), acc2.data());
      EXPECT_EQ(bitsOf(m2.data(), n), bitsOf(m.data(), n)) << "format " << F << ", " << n << " packets";
      EXPECT_EQ(bitsOf(in2.data(), n), bitsOf(in.data(), n)) << "format " << F << ", " << n << " packets";
      if constexpr (C::kFlags) {
        EXPECT_EQ(flags2, flags) << F;
      }
      if constexpr (C::kErrors) {
        EXPECT_EQ(bitsOf(dm2.data(), n), bitsOf(dm.data(), n));
        EXPECT_EQ(bitsOf(di2.data(), n), bitsOf(di.data(), n));
        EXPECT_EQ(acc2, acc);
      }
    }
  }
}

using CheckedDecoder = zvraw_scan_detail::RunChecks (*)(const char*, std::uint32_t, float*, float*, char*, float*,
                                                        float*, char*, float, float, float);

// The checked runs give decodeRun's values and the answers of the bad-mass
// test made mass by mass (and of the error flags), over ascending runs with
// one mass out of range or order, or one error flag, at each place in turn.
template <unsigned F>
void expectCheckedRuns() {
  std::vector<CheckedDecoder> decoders{zvraw_scan_detail::decodeRunCheckedPlain<F>};
  if (zvraw::cpuHasAvx2()) decoders.push_back(zvraw_scan_detail::decodeRunCheckedAvx2<F>);
  for (std::uint32_t n : {1u, 9u, 23u, 75u})  // 75: flags also read 32 at a time
    for (std::uint32_t j = 0; j < n; ++j)
      for (int change = 0; change < 5; ++change) {
        PeakList p;
        for (std::uint32_t k = 0; k < n; ++k) {
          p.masses.push_back(100.0f + 2.0f * static_cast<float>(k));
          p.intensities.push_back(static_cast<float>(k)), p.flags.push_back(change == 4 && k == j ? 2 : 0);
          p.accFlags.push_back(0), p.dMasses.push_back(0), p.dIntensities.push_back(0);
        }
        if (change >= 1 && change <= 3) p.masses[j] = change == 1 ? 50.0f : change == 2 ? 300.0f : p.masses[j] - 3;
        const Bytes run = encodeScan(F, p);
        const char* at = reinterpret_cast<const char*>(run.data());
        std::vector<float> m(n), in(n), dm(n), di(n), m2(n), in2(n);
        std::vector<char> flags(n), acc(n), flags2(n);
        zvraw_scan_detail::decodeRunPlain<F>(at, n, m.data(), in.data(), flags.data(), dm.data(), di.data(), acc.data());
        const float prev = change == 0 && j == 0 ? m[0] : 99.0f;  // the first not above the one before
        bool bad = false, error = false;
        for (std::uint32_t k = 0; k < n; ++k) {
          const float before = k == 0 ? prev : m[k - 1];
          bad |= m[k] - 1.0f > 200.0f || 90.0f > m[k] + 1.0f || (before > 0 && before >= m[k]);
          error |= zvraw_scan_detail::PacketCodec<F>::kFlags && zvraw_packed::errorPeak(flags[k]);
        }
        for (CheckedDecoder decode : decoders) {
          const auto got = decode(at, n, m2.data(), in2.data(), flags2.data(), dm.data(), di.data(), acc.data(), prev,
                                  90.0f, 200.0f);
          EXPECT_EQ(got.bad, bad) << "format " << F << " n " << n << " at " << j << " change " << change;
          EXPECT_EQ(got.error, error) << "format " << F << " n " << n << " at " << j << " change " << change;
          EXPECT_EQ(bitsOf(m2.data(), n), bitsOf(m.data(), n));
          EXPECT_EQ(bitsOf(in2.data(), n), bitsOf(in.data(), n));
          EXPECT_EQ(flags2, flags);
        }
      }
}

TEST(DecodePaths, CheckedRunsMatchTheMassByMassTests) {
  expectCheckedRuns<0>();
  expectCheckedRuns<8>();
  expectCheckedRuns<9>();
  expectCheckedRuns<12>();
  expectCheckedRuns<13>();
}

TEST(DecodePaths, EightPacketRunsMatchThePacketDecoders) {
  std::mt19937 rng(0x5eed);
  for (int round = 0; round < 20; ++round) {
    expectRunsMatchPackets<0>(rng);
    expectRunsMatchPackets<8>(rng);
    expectRunsMatchPackets<9>(rng);
    expectRunsMatchPackets<12>(rng);
    expectRunsMatchPackets<13>(rng);
  }
}

// Everything a decoded scan holds, bit for bit.
struct Snapshot {
  int rc = 0;
  unsigned peaks = 0;
  bool error = false;
  std::uint32_t deltaBits = 0;
  std::vector<std::uint8_t> masses, intensities, dMasses, dIntensities, daughters, flags, accFlags;
  bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const ZVRawScan& s, int rc, float delta) {
  Snapshot o;
  o.rc = rc;
  o.peaks = s.getScanSize();
  o.error = s.getScanHasMassError();
  std::memcpy(&o.deltaBits, &delta, sizeof delta);
  const float *m = nullptr, *in = nullptr, *dm = nullptr, *di = nullptr, *dg = nullptr;
  unsigned n = 0;
  if (s.getScan(&m, &in, &dm, &di, n) == ZVRAW_OK) {
    o.masses = bitsOf(m, m ? n : 0);
    o.intensities = bitsOf(in, in ? n : 0);
    o.dMasses = bitsOf(dm, dm ? n : 0);
    o.dIntensities = bitsOf(di, di ? n : 0);
  }
  if (s.getDaughterMasses(&dg, n) == ZVRAW_OK) o.daughters = bitsOf(dg, n);
  const char* c = nullptr;
  if (s.getScanFlags(&c, n) == ZVRAW_OK) o.flags = bitsOf(c, n);
  if (s.getAccMassScanFlags(&c, n) == ZVRAW_OK) o.accFlags = bitsOf(c, n);
  return o;
}

struct Settings {
  const FunctionCalibration* cal = nullptr;
  float low = 0, high = -1, lower = 0, upper = 3000;
  short useTemp = 0;
};

class DecodeRoads : public TempDirTest {
 protected:
  // The scan of n peaks at offset of the file at p, fetched from a stream,
  // with pread and from the file's bytes in memory: all give the same.
  void expectRoadsAgree(const std::string& p, std::uint64_t offset, unsigned n, const Descriptor& d,
                        const Settings& o) {
    unsigned format = 0;
    ASSERT_EQ(d.getDataFormat(format), ZVRAW_OK);
    zvraw::FilePtr f(std::fopen(p.c_str(), "rb"));
    ASSERT_TRUE(f);
    ASSERT_EQ(::fseeko(f.get(), static_cast<off_t>(offset), SEEK_SET), 0);
    ZVRawScan a, b;
    float deltaA = 7.0f, deltaB = 7.0f;
    const int rcA = a.readScan(f.get(), n, &d, false, o.cal, deltaA, o.low, o.high, o.lower, o.upper, o.useTemp, 31, 4);
    const Snapshot want = snapshot(a, rcA, deltaA);
    ScanDecodeSettings settings;
    ASSERT_EQ(settings.setDescriptor(&d), ZVRAW_OK);
    settings.calibration = o.cal;
    settings.lowCutoff = o.low, settings.highCutoff = o.high, settings.lowerBound = o.lower, settings.upperBound = o.upper;
    settings.temperature = {o.useTemp, 31, 4};
    const Bytes file = readFile(p);
    zvraw::RunSource atOffset = zvraw::RunSource::descriptor(::fileno(f.get()), file.size());
    const int rcB = b.read(atOffset, offset, n, settings, deltaB);
    EXPECT_EQ(snapshot(b, rcB, deltaB), want) << "format " << format << " offset " << offset << " peaks " << n;
    // From memory, into a scan whose arrays a donor may give.
    zvraw::RunSource inMemory = zvraw::RunSource::memory(reinterpret_cast<const char*>(file.data()), file.size());
    ZVRawScan shorter;  // arrays for one peak fewer: never taken
    float ignored = 0;
    if (n > 0) (void)shorter.read(inMemory, offset, n - 1, settings, ignored);
    for (ZVRawScan* donor : {static_cast<ZVRawScan*>(nullptr), &b, &shorter, &a}) {
      ZVRawScan c;
      float deltaC = 7.0f;
      const int rcC = c.read(inMemory, offset, n, settings, deltaC, donor);
      EXPECT_EQ(snapshot(c, rcC, deltaC), want)
          << "format " << format << " offset " << offset << " peaks " << n << " from memory";
      if (donor && (rcC == ZVRAW_OK || rcC == ZVRAW_SCAN_CORRUPT_ERROR)) {
        EXPECT_EQ(donor->getScanSize(), 0u);  // emptied by decoding, whether or not its arrays were taken
      }
    }
  }
};

// A run shorter than its peaks need is refused, decoded or kept, and the
// scan holds nothing; the whole run decodes or is kept as it is.
TEST(DecodeRuns, ARunShorterThanItsPeaksIsRefused) {
  PeakList p;
  for (unsigned k = 0; k < 5; ++k) {
    p.masses.push_back(100.0f + static_cast<float>(k)), p.intensities.push_back(1.0f);
    p.flags.push_back(0);
  }
  const Bytes run = encodeScan(12, p);
  const std::span<const char> whole(reinterpret_cast<const char*>(run.data()), run.size());
  const Descriptor d(12);
  for (bool keep : {false, true}) {
    ScanDecodeSettings settings;
    ASSERT_EQ(settings.setDescriptor(&d), ZVRAW_OK);
    settings.keepCompressed = keep, settings.upperBound = 1000;
    ZVRawScan scan;
    float delta = 7;
    EXPECT_EQ(scan.decode(whole.first(whole.size() - 1), 5, settings, delta), ZVRAW_SCANREAD_EOFERROR) << keep;
    EXPECT_EQ(scan.getScanSize(), 0u);
    EXPECT_EQ(scan.decode(whole, 5, settings, delta), ZVRAW_OK) << keep;
    EXPECT_EQ(scan.getScanSize(), 5u);
    EXPECT_EQ(scan.isKeptCompressed(), keep);
  }
}

std::vector<FunctionCalibration> calibrations() {
  std::vector<FunctionCalibration> out(5);
  out[1].setCalibration(0.25, 1.0001, CALTYPE_NORMAL);
  out[2].setCalibration(1e-3, 0.99, 1e-6, CALTYPE_ROOTMASS);
  out[3].setCalibration(0.1, 1.0, 1e-7, CALTYPE_NORMAL);
  out[3].C3() = 1e-11;
  out[3].C6() = 1e-22;
  out[3].calOrder() = 6;
  out[4] = out[1];
  out[4].getImp().m_fM = {0.5, 1.0, 0, 0, 0, 0, 0};
  out[4].getImp().m_nModOrder = 1;
  return out;
}

TEST_F(DecodeRoads, RandomPacketsUnderEveryStrategyAndCalibration) {
  std::mt19937 rng(0xC0FFEE);
  const std::vector<FunctionCalibration> cals = calibrations();
  const std::string p = path("_func001.dat");
  for (unsigned format : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u, 12u, 13u}) {
    const Descriptor d(format, format == 2 || format == 11 ? 9 : 0, {{100, 150}, {300, 350}, {200, 250}});
    // Random packets, then a run of ascending masses with a few out of order.
    PeakList sorted;
    for (unsigned k = 0; k < 300; ++k) {
      sorted.masses.push_back(k % 37 == 5 ? 90.0f : 100.0f + 1.25f * static_cast<float>(k));
      sorted.intensities.push_back(static_cast<float>(k % 11));
      sorted.flags.push_back(static_cast<char>(k % 5 == 0 ? 2 : 0));
      sorted.dMasses.push_back(0), sorted.dIntensities.push_back(1), sorted.accFlags.push_back(0);
    }
    Bytes dat = randomBytes(rng, 4096);
    const std::uint64_t sortedAt = dat.size();
    const bool packs = format == 0 || format == 8 || format == 9 || format == 12 || format == 13;
    if (packs) {
      const Bytes run = encodeScan(format, sorted);
      dat.insert(dat.end(), run.begin(), run.end());
    }
    writeFile(p, dat);
    const unsigned bytes = zvraw_packed::getBytesPerPacket(format);
    for (int strategy : {1, 2, 3, 0, 7}) {
      ScopedBadScanStrategy scoped(strategy);
      for (const FunctionCalibration& cal : cals) {
        for (Settings o : {Settings{}, Settings{.low = 120.0f, .high = 400.0f}, Settings{.useTemp = 1},
                           Settings{.lower = 120.0f, .upper = 200.0f}}) {
          o.cal = &cal;
          SCOPED_TRACE(testing::Message() << "format " << format << " strategy " << strategy);
          expectRoadsAgree(p, 0, 4096 / bytes * zvraw_packed::getPeaksPerPacket(format), d, o);
          expectRoadsAgree(p, 3 * bytes, 100, d, o);
          if (packs) expectRoadsAgree(p, sortedAt, 300, d, o);
          expectRoadsAgree(p, 4000, 200, d, o);  // runs past the end of the file
        }
      }
    }
  }
}

TEST_F(DecodeRoads, DamagedFilesGiveTheSameScansAndCodes) {
  const std::vector<FunctionCalibration> cals = calibrations();
  const std::string p = path("_func001.dat");
  for (unsigned format : {0u, 9u, 12u, 13u}) {
    PeakList peaks;
    for (unsigned k = 0; k < 40; ++k) {
      peaks.masses.push_back(100.0f + 3.5f * static_cast<float>(k));
      peaks.intensities.push_back(static_cast<float>(1 + k));
      peaks.flags.push_back(0), peaks.accFlags.push_back(0);
      peaks.dMasses.push_back(0), peaks.dIntensities.push_back(0);
    }
    const Bytes valid = encodeScan(format, peaks);
    const Descriptor d(format);
    const ReaderCall compare = [&](const Bytes& damaged) {
      writeFile(p, damaged);
      for (int strategy : {1, 2, 3}) {
        ScopedBadScanStrategy scoped(strategy);
        expectRoadsAgree(p, 0, 40, d, Settings{.cal = &cals[strategy]});
      }
      return ZVRAW_OK;
    };
    expectSurvivesCorruptions(valid, compare, 0x5eed + format, 60);
  }
}

}  // namespace
