#pragma once

// Compressed drift file pairs for the drift reader tests, written through
// our own writers; header fields are patched by hand where a test needs a
// header no writer makes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "drift/CDTBlockWriter.h"
#include "drift/CDTFileWriter.h"
#include "support/Corruption.h"
#include "support/TempDir.h"

namespace drift_fixture {

using U32 = std::vector<std::uint32_t>;

struct Spectrum {
  U32 mass, intensity, flags;
};
struct Block {
  float rtSeconds = 0;
  std::vector<Spectrum> bins;  // fewer than the bin count: the rest are empty
};

// Lteff 1, Veff 5184 at 1 GHz give ttm = 1: mass = index^2, so masses 100 to
// 10000 are indices 10 to 100.
struct Settings {
  int bins = 4;
  double lteff = 1.0, veff = 5184.0, ghz = 1.0, t0 = 0.0, startMass = 100.0, endMass = 10000.0;
};

inline void writePair(const std::filesystem::path& dir, unsigned function, const Settings& s,
                      const std::vector<Block>& blocks) {
  using namespace Vardex::Control::Legacy::ZorvalenRaw;
  CDTBlockWriter w(s.bins, s.lteff, s.veff, s.ghz, s.t0, s.startMass, s.endMass);
  CDTFileWriter f(dir.string(), function);
  ASSERT_TRUE(f.WriteHeader(w.HeaderBytes()));
  for (const Block& b : blocks) {
    for (const Spectrum& sp : b.bins) {
      U32 flags = sp.flags;
      flags.resize(sp.mass.size(), 0);
      ASSERT_TRUE(w.AddSpectrum(sp.mass.data(), sp.intensity.data(), flags.data(), 0, int(sp.mass.size())));
    }
    std::string index, data;
    w.EndBlock(b.rtSeconds, index, data);
    ASSERT_TRUE(f.WriteBlock(index, data));
  }
  ASSERT_TRUE(f.Close());
}

// Header fields of _funcNNN.ind, by byte offset.
enum HeaderField : std::size_t {
  kSamplingFrequency = 8,
  kLteff = 16,
  kVeff = 20,
  kOffset = 24,
  kStartMass = 28,
  kEndMass = 32
};

inline std::filesystem::path indexPath(const std::filesystem::path& dir, unsigned function = 0) {
  char name[32];
  std::snprintf(name, sizeof name, "_func%03u.ind", function + 1);
  return dir / name;
}
inline std::filesystem::path dataPath(const std::filesystem::path& dir, unsigned function = 0) {
  char name[32];
  std::snprintf(name, sizeof name, "_func%03u.cdt", function + 1);
  return dir / name;
}

inline void patchFloat(const std::filesystem::path& dir, HeaderField field, float value, unsigned function = 0) {
  Bytes b = readFile(indexPath(dir, function));
  ASSERT_GE(b.size(), field + 4);
  std::memcpy(b.data() + field, &value, 4);
  writeFile(indexPath(dir, function), b);
}

// n blocks of `bins` drift bins: block s at 60 x (s + 1) seconds, bin d holds
// points at indices 20 + d and 50 + s with intensities 1 + d and 10 x (s + 1),
// each times `scale`.
inline std::vector<Block> ladder(int n, int bins, std::uint32_t scale = 1) {
  std::vector<Block> blocks;
  for (int s = 0; s < n; ++s) {
    Block b{60.0f * float(s + 1), {}};
    for (int d = 0; d < bins; ++d) {
      const auto dd = std::uint32_t(d), ss = std::uint32_t(s);
      b.bins.push_back({{20 + dd, 50 + ss}, {scale * (1 + dd), scale * 10 * (ss + 1)}, {0, 5}});
    }
    blocks.push_back(b);
  }
  return blocks;
}

// Every cut of either file of function 0's pair must make read() fail, and
// seeded corruptions of either must give a code without a crash. The pair is
// put back whole afterwards.
inline void expectDamagedPairsGiveCodes(const std::filesystem::path& dir, const std::function<int()>& read,
                                        std::uint32_t seed, int count) {
  const Bytes index = readFile(indexPath(dir)), data = readFile(dataPath(dir));
  auto with = [&](const Bytes& ind, const Bytes& dat) {
    writeFile(indexPath(dir), ind);
    writeFile(dataPath(dir), dat);
    return read();
  };
  expectRejectsTruncations(index, [&](const Bytes& cut) { return with(cut, data); });
  expectRejectsTruncations(data, [&](const Bytes& cut) { return with(index, cut); });
  expectSurvivesCorruptions(
      index, [&](const Bytes& bad) { return with(bad, data); }, seed, count);
  expectSurvivesCorruptions(
      data, [&](const Bytes& bad) { return with(index, bad); }, seed + 1, count);
  with(index, data);
}

}  // namespace drift_fixture
