// Decoding one scan's packet run from _funcNNN.dat: narrowing to a mass
// window, the bad-mass test, supplied masses for formats that store none,
// temperature correction, calibration, the low-mass cut and the repair; and
// the stream road that fetches the run before decoding it.

#include <sys/types.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

#include "formats/portability/CpuFeatures.h"
#include "formats/scans/RunSource.h"
#include "formats/scans/ZVRawPacketBlocks.h"
#include "formats/scans/ZVRawScan.h"
#include "formats/scans/ZVRawScanPackets.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

// The 256-bit lane helpers of the packet runs are always inlined: no such
// value crosses a call, so the calling-convention warning does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace borealtek_zvraw_version_1 {

namespace {

using zvraw_scan_detail::DecodedPeak;
using zvraw_scan_detail::PacketCodec;

// Function types whose format-2 and -11 peaks carry a daughter mass: MRM,
// ASMRM and ASMRMQ.
bool carriesDaughters(unsigned int functionType) {
  return functionType == 9 || functionType == 29 || functionType == 31;
}

template <class T>
std::unique_ptr<T[]> allocateArray(std::uint32_t n) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[n]);
}

zvraw_packed::GetMassRoutine massReader(unsigned int format) {
  switch (format) {
    case 0:
      return zvraw_packed::getCompressedMass;
    case 8:
      return zvraw_packed::getHiIntMass;
    case 9:
      return zvraw_packed::getHiAccMass;
    case 12:
      return zvraw_packed::getEnCalMass;
    case 13:
      return zvraw_packed::getEnCalAccMass;
    default:
      return nullptr;
  }
}

}  // namespace

namespace {

struct WalkInput {
  std::uint32_t count;  // peaks to walk
  const ZVRawFunctionDescriptorImp* desc;
  float lowerBound, upperBound, lowCutoff, highCutoff;
  bool applyHighCutoff;  // formats narrowed after decoding
  bool useTemperature;
  double temperatureFactor;
  const FunctionCalibration* calibration;
  int strategy;
};

struct WalkOutput {
  float* masses;
  float* intensities;
  float* dMasses;
  float* dIntensities;
  float* daughters;
  char* flags;
  char* accFlags;
  float minDelta;
  std::uint32_t stored = 0;
  bool repair = false;
  bool scanError = false;
};

template <unsigned F>
constexpr bool kTested = F == 0 || F == 1 || F == 8 || F == 9 || F == 12 || F == 13;
template <unsigned F>
constexpr bool kSegmentMass = F == 2 || F == 11;
template <unsigned F>
constexpr bool kSyntheticMass = F >= 3 && F <= 7;

// The block checks run eight masses at a time; a second copy for
// processors with 256-bit registers is picked at load time. Every lane
// makes the scalar comparison, so both copies answer alike.
typedef float Float8 __attribute__((vector_size(32)));
typedef std::int32_t Int8 __attribute__((vector_size(32)));

[[gnu::always_inline]] inline void load8(Float8& v, const float* p) { std::memcpy(&v, p, sizeof v); }
[[gnu::always_inline]] inline bool anyLane(const Int8& v) {
  std::int32_t any = 0;
  for (int j = 0; j < 8; ++j) any |= v[j];
  return any != 0;
}

// The smallest |b[i] - b[i-1]| for i = 1..n-1 in `delta`, lowered only, as
// delta = min(delta, d) one spacing at a time would give it: spacings that
// are NaN never lower it, and a NaN delta stays.
[[gnu::always_inline]] inline void lowerBySpacingsBody(float& delta, const float* b, std::uint32_t n) {
  if (n < 2) return;
  constexpr float kInf = std::numeric_limits<float>::infinity();
  Float8 lanes{kInf, kInf, kInf, kInf, kInf, kInf, kInf, kInf};
  std::uint32_t i = 1;
  for (; i + 8 <= n; i += 8) {
    Float8 cur, prev;
    load8(cur, b + i);
    load8(prev, b + i - 1);
    Float8 d = cur - prev;
    Int8 bits;
    std::memcpy(&bits, &d, sizeof bits);
    bits &= 0x7FFFFFFF;  // |d| as std::fabs: the sign bit cleared
    std::memcpy(&d, &bits, sizeof d);
    lanes = d < lanes ? d : lanes;
  }
  float least = kInf;
  for (int j = 0; j < 8; ++j) least = std::min(least, lanes[j]);
  for (; i < n; ++i) least = std::min(least, std::fabs(b[i] - b[i - 1]));
  delta = std::min(delta, least);
}

// Whether any mass lies below the cut-off, and in the same pass the
// smallest spacing as lowerBySpacingsBody takes it (in `least`, from +inf).
[[gnu::always_inline]] inline bool belowAndSpacingsBody(const float* m, std::uint32_t n, float cutoff, float& least) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  least = kInf;
  if (n == 0) return false;
  const Float8 c{cutoff, cutoff, cutoff, cutoff, cutoff, cutoff, cutoff, cutoff};
  Float8 lanes{kInf, kInf, kInf, kInf, kInf, kInf, kInf, kInf};
  Int8 below{};
  bool any = m[0] < cutoff;
  std::uint32_t i = 1;
  for (; i + 8 <= n; i += 8) {
    Float8 cur, prev;
    load8(cur, m + i);
    load8(prev, m + i - 1);
    below |= cur < c;
    Float8 d = cur - prev;
    Int8 bits;
    std::memcpy(&bits, &d, sizeof bits);
    bits &= 0x7FFFFFFF;
    std::memcpy(&d, &bits, sizeof d);
    lanes = d < lanes ? d : lanes;
  }
  any |= anyLane(below);
  for (int j = 0; j < 8; ++j) least = std::min(least, lanes[j]);
  for (; i < n; ++i) {
    any |= m[i] < cutoff;
    least = std::min(least, std::fabs(m[i] - m[i - 1]));
  }
  return any;
}

// The AVX2 and plain copies of the two loops above, and the choice between them.
ZVRAW_AVX2_COPY void lowerBySpacingsAvx2(float& delta, const float* b, std::uint32_t n) {
  lowerBySpacingsBody(delta, b, n);
}
void lowerBySpacingsPlain(float& delta, const float* b, std::uint32_t n) { lowerBySpacingsBody(delta, b, n); }
void lowerBySpacings(float& delta, const float* b, std::uint32_t n) {
  zvraw::cpuHasAvx2() ? lowerBySpacingsAvx2(delta, b, n) : lowerBySpacingsPlain(delta, b, n);
}

ZVRAW_AVX2_COPY bool belowAndSpacingsAvx2(const float* m, std::uint32_t n, float cutoff, float& least) {
  return belowAndSpacingsBody(m, n, cutoff, least);
}
bool belowAndSpacingsPlain(const float* m, std::uint32_t n, float cutoff, float& least) {
  return belowAndSpacingsBody(m, n, cutoff, least);
}
bool belowAndSpacings(const float* m, std::uint32_t n, float cutoff, float& least) {
  return zvraw::cpuHasAvx2() ? belowAndSpacingsAvx2(m, n, cutoff, least) : belowAndSpacingsPlain(m, n, cutoff, least);
}

// The per-peak steps, one instance per format so that every decoder and
// every format test is resolved at compile time.
template <unsigned F>
class ScanWalk {
  using C = PacketCodec<F>;

 public:
  ScanWalk(const WalkInput& in, WalkOutput& out) : in_(in), out_(out) {}

  // The run's packets, every peak of them. ZVRAW_SCAN_CORRUPT_ERROR when
  // the scan is abandoned.
  int run(const char* packets) { return walk(packets, 0, in_.count) ? ZVRAW_OK : ZVRAW_SCAN_CORRUPT_ERROR; }

 private:
  static constexpr unsigned kBytes = C::kBytes;
  // Formats with one stored mass per packet go a block at a time: decode,
  // then test, correct, calibrate and cut whole arrays. A block holding a
  // bad mass is replayed peak by peak.
  static constexpr bool kBlockPath = C::kStoresMass && C::kPeaks == 1;
  static constexpr std::uint32_t kBlockPeaks = 1024;

  // Peaks k..k+n-1, whose packets start at `part`. False when abandoned.
  bool walk(const char* part, std::uint32_t k, std::uint32_t n) {
    if constexpr (kBlockPath) {
      // The first two peaks are both tested against 1.0: peak by peak.
      for (; n > 0 && k < 2; --n, ++k, part += kBytes) {
        DecodedPeak d;
        C::decode(part, &d);
        if (!peak(d, k)) return false;
      }
      while (n > 0) {
        const std::uint32_t b = std::min(n, kBlockPeaks);
        if (!block(part, k, b)) return false;
        part += std::size_t{b} * kBytes;
        k += b;
        n -= b;
      }
    } else {
      for (const std::uint32_t end = k + n; k < end; part += kBytes) {
        DecodedPeak d[C::kPeaks];
        C::decode(part, d);
        for (unsigned j = 0; j < C::kPeaks && k < end; ++j, ++k)
          if (!peak(d[j], k)) return false;
      }
    }
    return true;
  }

  // Decodes n peaks (k >= 2) straight into the output behind the stored ones.
  bool block(const char* part, std::uint32_t k, std::uint32_t n) {
    const std::uint32_t c = out_.stored;
    float* m = out_.masses + c;
    float* in = out_.intensities + c;
    const zvraw_scan_detail::RunChecks checks = zvraw_scan_detail::decodeRunChecked<F>(
        part, n, m, in, C::kFlags ? out_.flags + c : nullptr, C::kErrors ? out_.dMasses + c : nullptr,
        C::kErrors ? out_.dIntensities + c : nullptr, C::kErrors ? out_.accFlags + c : nullptr, prev_,
        in_.lowerBound, in_.upperBound);
    out_.scanError |= checks.error;
    if (in_.strategy >= 1 && in_.strategy <= 3 && checks.bad) return replay(c, k, n);
    prev_ = m[n - 1];
    if (in_.useTemperature)
      for (std::uint32_t i = 0; i < n; ++i)
        m[i] = static_cast<float>(static_cast<double>(m[i]) * in_.temperatureFactor);
    if (in_.calibration) in_.calibration->calibrateMasses(m, static_cast<int>(n));
    float least = 0;
    const bool below = belowAndSpacings(m, n, in_.lowCutoff, least);
    const std::uint32_t kept = below ? keepAtOrAbove(c, n) : n;
    if (kept > 0) {
      if (c > 0) out_.minDelta = std::min(out_.minDelta, std::fabs(m[0] - m[-1]));
      // The spacings of what was kept, as lowerBySpacings would lower by them.
      if (below)
        lowerBySpacings(out_.minDelta, m, kept);
      else if (kept >= 2)
        out_.minDelta = std::min(out_.minDelta, least);
    }
    out_.stored = c + kept;
    return true;
  }

  // The decoded block at c.. goes through the peak-by-peak steps; they
  // store at or before the entry they read.
  bool replay(std::uint32_t c, std::uint32_t k, std::uint32_t n) {
    for (std::uint32_t i = 0; i < n; ++i) {
      DecodedPeak d;
      d.mass = out_.masses[c + i];
      d.intensity = out_.intensities[c + i];
      if constexpr (C::kFlags) d.flags = out_.flags[c + i];
      if constexpr (C::kErrors) {
        d.dMass = out_.dMasses[c + i];
        d.dIntensity = out_.dIntensities[c + i];
        d.accFlags = out_.accFlags[c + i];
      }
      if (!peak(d, k + i)) return false;
    }
    return true;
  }

  // Drops the block's peaks below the low cut-off, keeping the order.
  std::uint32_t keepAtOrAbove(std::uint32_t c, std::uint32_t n) {
    std::uint32_t j = c;
    for (std::uint32_t i = c; i < c + n; ++i) {
      if (out_.masses[i] < in_.lowCutoff) continue;
      out_.masses[j] = out_.masses[i];
      out_.intensities[j] = out_.intensities[i];
      if constexpr (C::kFlags) out_.flags[j] = out_.flags[i];
      if constexpr (C::kErrors) {
        out_.dMasses[j] = out_.dMasses[i];
        out_.dIntensities[j] = out_.dIntensities[i];
        out_.accFlags[j] = out_.accFlags[i];
      }
      ++j;
    }
    return j - c;
  }

  // False when the scan is abandoned.
  bool peak(const DecodedPeak& d, std::uint32_t k) {
    float mass = d.mass;
    if constexpr (C::kFlags) out_.scanError |= zvraw_packed::errorPeak(d.flags);
    if constexpr (kTested<F>) {
      // The common case inline; checkMass gives the strategy's answer.
      const bool bad = mass - 1.0f > in_.upperBound || in_.lowerBound > mass + 1.0f || (prev_ > 0 && prev_ >= mass);
      if (bad) {
        switch (checkMass(in_.strategy, F, 1.0f, in_.lowerBound, in_.upperBound, mass, prev_)) {
          case 3:
            out_.stored = 0;
            return false;
          case 2:
            return true;
          case 1:
            out_.repair = true;
            break;
          default:
            break;
        }
      }
    }
    float daughter = 0;
    if constexpr (kSegmentMass<F>) {
      // A peak beyond the descriptor's segments has no mass of its own.
      float lo = 0, hi = 0;
      if (k > 0xFFFF || in_.desc->getAcquisitionMassRange(static_cast<std::uint16_t>(k), lo, hi) != ZVRAW_OK)
        lo = hi = 0;
      mass = lo;
      daughter = hi;
    } else if constexpr (kSyntheticMass<F>) {
      // k x (upper - lower) / (count - 1): an axis from 0, not from the lower bound.
      mass = in_.count <= 1
                 ? static_cast<float>(k) * 1.0f
                 : static_cast<float>(k) * (in_.upperBound - in_.lowerBound) / static_cast<float>(in_.count - 1);
    }
    if (k >= 1) prev_ = mass;
    if constexpr (!C::kStoresMass || F == 1) {
      if (in_.applyHighCutoff && mass > in_.highCutoff) return true;
    }
    if (in_.useTemperature) mass = static_cast<float>(static_cast<double>(mass) * in_.temperatureFactor);
    if (in_.calibration) mass = borealtek_calibrate_version_1::CalibrateMass(mass, in_.calibration->getImp());
    if (mass < in_.lowCutoff) return true;
    store(d, mass, daughter);
    return true;
  }

  void store(const DecodedPeak& d, float mass, float daughter) {
    std::uint32_t at = out_.stored;
    if constexpr (kSegmentMass<F>) {
      // Kept in mass order; equal masses keep their arrival order.
      for (; at > 0 && out_.masses[at - 1] > mass; --at) {
        out_.masses[at] = out_.masses[at - 1];
        out_.intensities[at] = out_.intensities[at - 1];
        if (out_.daughters) out_.daughters[at] = out_.daughters[at - 1];
      }
      if (out_.daughters) out_.daughters[at] = daughter;
    }
    out_.masses[at] = mass;
    out_.intensities[at] = d.intensity;
    if constexpr (C::kFlags) out_.flags[at] = d.flags;
    if constexpr (C::kErrors) {
      out_.dMasses[at] = d.dMass;
      out_.dIntensities[at] = d.dIntensity;
      out_.accFlags[at] = d.accFlags;
    }
    const std::uint32_t c = out_.stored++;
    if (c > 0) out_.minDelta = std::min(out_.minDelta, std::fabs(out_.masses[c] - out_.masses[c - 1]));
  }

  const WalkInput& in_;
  WalkOutput& out_;
  float prev_ = 1.0f;  // the first two peaks are both tested against 1.0
};

}  // namespace

unsigned int ZVRawScan::getPeaksInScan(std::FILE* pFile, unsigned int nDataType, unsigned int nPeaksInScan,
                                       float fLowMassCutoff, float fHighMassCutoff) {
  const zvraw_packed::GetMassRoutine mass = massReader(nDataType);
  if (!mass || !pFile || nPeaksInScan == 0) return 0;
  const off_t start = ::ftello(pFile);
  if (start < 0) return 0;
  const auto at = static_cast<std::uint64_t>(start);
  const unsigned int lo = zvraw_packed::getNearestIndexGreaterThan(pFile, nPeaksInScan, at, fLowMassCutoff, mass);
  unsigned int hi = zvraw_packed::getNearestIndexGreaterThan(pFile, nPeaksInScan, at, fHighMassCutoff, mass);
  if (hi >= nPeaksInScan) hi = nPeaksInScan - 1;
  if (lo > hi) return 0;  // the window lies above every mass, or low above high
  const std::uint64_t first = at + zvraw_packed::getBytesPerScan(nDataType, lo);
  if (first > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
      ::fseeko(pFile, static_cast<off_t>(first), SEEK_SET) != 0)
    return 0;
  return hi - lo + 1;
}

int ZVRawScan::readScan(std::FILE* pFile, unsigned int nPeaksInScan, const ZVRawFunctionDescriptorImp* pFuncDesc,
                        bool bKeepCompressed, const FunctionCalibration* pCali, float& fMinimumMassDelta,
                        float fLowMassCutoff, float fHighMassCutoff, float fLowerBoundMass, float fUpperBoundMass,
                        short nUseTemperatureCorrection, float fTempCorrection, float fTempCoefficient) {
  ScanDecodeSettings settings;
  if (int rc = settings.setDescriptor(pFuncDesc); rc != ZVRAW_OK) return failRead(rc);
  settings.keepCompressed = bKeepCompressed;
  settings.calibration = pCali;
  settings.lowCutoff = fLowMassCutoff;
  settings.highCutoff = fHighMassCutoff;
  settings.lowerBound = fLowerBoundMass;
  settings.upperBound = fUpperBoundMass;
  settings.temperature = {nUseTemperatureCorrection, fTempCorrection, fTempCoefficient};
  zvraw::RunSource source = zvraw::RunSource::stream(pFile);
  return read(source, 0, nPeaksInScan, settings, fMinimumMassDelta);
}

int ZVRawScan::readScanKeepCompressed(std::FILE* pFile, unsigned int nPeaksInScan, unsigned int nDataFormat,
                                      const FunctionCalibration*, float& fMinimumMassDelta) {
  ScanDecodeSettings settings;
  settings.format = nDataFormat;
  settings.keepCompressed = true;
  zvraw::RunSource source = zvraw::RunSource::stream(pFile);
  return read(source, 0, nPeaksInScan, settings, fMinimumMassDelta);
}

int ZVRawScan::read(zvraw::RunSource& source, std::uint64_t offset, unsigned int nPeaksInScan,
                    const ScanDecodeSettings& settings, float& fMinimumMassDelta, ZVRawScan* pDonor) {
  if (int rc = zvraw_packed::isSupportedDataType(settings.format); rc != ZVRAW_OK) return failRead(rc);
  std::span<const char> run;
  if (int rc = source.fetch(offset, zvraw_packed::getBytesPerScan(settings.format, nPeaksInScan), run); rc != ZVRAW_OK)
    return failRead(rc);
  return decode(run, nPeaksInScan, settings, fMinimumMassDelta, pDonor);
}

int ZVRawScan::keepRun(std::span<const char> run, unsigned int nPeaksInScan, unsigned int nDataFormat) {
  std::unique_ptr<char[]> kept(new (std::nothrow) char[run.size()]);
  if (!kept) return failRead(ZVRAW_SCANMEMALLOC_ERROR);
  std::copy(run.begin(), run.end(), kept.get());
  m_pcScanBuffer = std::move(kept);
  m_nPeaksInScan = nPeaksInScan;
  m_nDataFormat = nDataFormat;
  m_bKeepCompressed = true;
  return ZVRAW_OK;
}

int ZVRawScan::decode(std::span<const char> run, unsigned int nPeaksInScan, const ScanDecodeSettings& settings,
                      float& fMinimumMassDelta, ZVRawScan* pDonor) {
  const unsigned int format = settings.format;
  if (int rc = zvraw_packed::isSupportedDataType(format); rc != ZVRAW_OK) return failRead(rc);
  DeleteScanData();
  m_bKeepCompressed = false;
  m_nDataFormat = format;
  ZVRawScan* donor = pDonor != this ? pDonor : nullptr;
  const std::uint64_t bytes = zvraw_packed::getBytesPerScan(format, nPeaksInScan);
  if (run.size() < bytes) return failRead(ZVRAW_SCANREAD_EOFERROR);
  if (settings.keepCompressed) {
    if (donor) donor->DeleteScanData();
    return keepRun(run.first(bytes), nPeaksInScan, format);
  }
  if (!settings.descriptor) return failRead(ZVRAW_NULLPOINTER_ERROR);

  // A window narrows the run to the packets between the cut-offs, by the
  // masses as stored; formats whose packets hold no such mass keep every
  // peak, and the high cut-off drops them one by one after decoding.
  const bool whole = settings.wholeRun();
  const bool hasReader = zvraw_packed::packetMassReader(format) != nullptr;
  std::uint32_t count = nPeaksInScan;
  const char* packets = run.data();
  if (!whole && hasReader) {
    const unsigned int lo =
        zvraw_packed::getNearestIndexGreaterThan(packets, format, nPeaksInScan, settings.lowCutoff);
    unsigned int hi = zvraw_packed::getNearestIndexGreaterThan(packets, format, nPeaksInScan, settings.highCutoff);
    if (hi >= nPeaksInScan) hi = nPeaksInScan - 1;
    count = nPeaksInScan == 0 || lo > hi ? 0 : hi - lo + 1;  // the window lies above every mass, or low above high
    if (count > 0) packets += zvraw_packed::getBytesPerScan(format, lo);
  }

  unsigned int functionType = 0;
  (void)settings.descriptor->getFunctionType(functionType);
  const bool flags = format == 12 || format == 13;
  const bool errors = format == 13;
  const bool daughters = (format == 2 || format == 11) && carriesDaughters(functionType);
  // Arrays that the donor's own decoding made, with room for this scan, are
  // taken over whole: a reload then writes into warm memory without the
  // allocator, whatever the scan sizes.
  const auto holds = [&](const ZVRawScan& d) {
    return d.m_nArrayRoom >= count && d.m_pfMasses && d.m_pfIntensities && (!flags || d.m_pcFlags) &&
           (!errors || (d.m_pcAccMassFlags && d.m_pfDMasses && d.m_pfDIntensities)) && (!daughters || d.m_pfDaughterMasses);
  };
  ZVRawScan* giver = donor != nullptr && holds(*donor) ? donor : nullptr;
  const std::uint32_t room = giver ? giver->m_nArrayRoom : count;
  const auto give = [&](auto& mine, auto ZVRawScan::*theirs) {
    using T = std::remove_reference_t<decltype(mine[0])>;
    if (giver && giver->*theirs)
      mine = std::move(giver->*theirs);
    else
      mine = allocateArray<T>(count);
  };
  give(m_pfMasses, &ZVRawScan::m_pfMasses);
  give(m_pfIntensities, &ZVRawScan::m_pfIntensities);
  if (flags) give(m_pcFlags, &ZVRawScan::m_pcFlags);
  if (errors) {
    give(m_pcAccMassFlags, &ZVRawScan::m_pcAccMassFlags);
    give(m_pfDMasses, &ZVRawScan::m_pfDMasses);
    give(m_pfDIntensities, &ZVRawScan::m_pfDIntensities);
  }
  if (daughters) give(m_pfDaughterMasses, &ZVRawScan::m_pfDaughterMasses);
  if (donor) donor->DeleteScanData();
  m_nArrayRoom = room;
  if (!m_pfMasses || !m_pfIntensities || (flags && !m_pcFlags) ||
      (errors && (!m_pcAccMassFlags || !m_pfDMasses || !m_pfDIntensities)) || (daughters && !m_pfDaughterMasses))
    return failRead(ZVRAW_SCANMEMALLOC_ERROR);

  const FunctionCalibration* cali = settings.calibration;
  const ScanTemperature& t = settings.temperature;
  const bool useTemperature = t.use != 0 && cali;
  WalkInput in{count,
               settings.descriptor,
               settings.lowerBound,
               settings.upperBound,
               settings.lowCutoff,
               settings.highCutoff,
               !whole && !hasReader,
               useTemperature,
               useTemperature ? 1.0 - static_cast<double>(t.coefficient) * 1e-6 *
                                          (static_cast<double>(t.correction) - cali->calTemp())
                              : 1.0,
               cali,
               nBadScanStrategy};
  WalkOutput out{m_pfMasses.get(),         m_pfIntensities.get(), m_pfDMasses.get(),      m_pfDIntensities.get(),
                 m_pfDaughterMasses.get(), m_pcFlags.get(),       m_pcAccMassFlags.get(), fMinimumMassDelta};
  const int rc = zvraw_scan_detail::withCodec(
      format, [&](auto f) { return ScanWalk<decltype(f)::value>(in, out).run(packets); });
  if (rc != ZVRAW_OK && rc != ZVRAW_SCAN_CORRUPT_ERROR) return failRead(rc);
  fMinimumMassDelta = std::min(fMinimumMassDelta, out.minDelta);
  m_bScanError = out.scanError;
  m_nPeaksInScan = out.stored;
  if (rc == ZVRAW_OK && out.repair)
    makeMonotonicScan(m_pfMasses.get(), m_pfIntensities.get(),
                      static_cast<int>(std::min<std::uint32_t>(out.stored, std::numeric_limits<int>::max())), 1.0f,
                      settings.lowerBound, settings.upperBound);
  return rc;
}

}  // namespace borealtek_zvraw_version_1
