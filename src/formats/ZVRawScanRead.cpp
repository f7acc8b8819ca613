// Decoding one scan's packet run from _funcNNN.dat: narrowing to a mass
// window, the bad-mass test, supplied masses for formats that store none,
// temperature correction, calibration, the low-mass cut and the repair.

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "formats/PageBlock.h"
#include "formats/ZVRawScan.h"
#include "formats/ZVRawScanPackets.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

using borealtek_calibrate_version_1::FunctionCalibrationImp;
using zvraw_scan_detail::DecodedPeak;
using zvraw_scan_detail::PacketCodec;

// Function types whose format-2 and -11 peaks carry a daughter mass: MRM,
// ASMRM and ASMRMQ.
bool carriesDaughters(unsigned int functionType) {
  return functionType == 9 || functionType == 29 || functionType == 31;
}

// Whether the stream's file holds `bytes` more from its position. A count
// read off disk is checked here before anything is allocated for it;
// streams that are not regular files are left to the read itself.
bool fileHolds(std::FILE* f, std::uint64_t bytes) {
  struct stat st {};
  if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return true;
  const off_t pos = ::ftello(f);
  if (pos < 0) return true;
  return pos <= st.st_size && static_cast<std::uint64_t>(st.st_size - pos) >= bytes;
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

struct WalkInput {
  std::FILE* file;
  std::uint32_t count;  // peaks to walk, from the stream's position
  const ZVRawFunctionDescriptorImp* desc;
  float lowerBound, upperBound, lowCutoff, highCutoff;
  bool applyHighCutoff;  // formats narrowed after decoding
  bool useTemperature;
  double temperatureFactor;
  const FunctionCalibrationImp* calibration;
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

// The per-peak steps, one instance per format so that every decoder and
// every format test is resolved at compile time.
template <unsigned F>
class ScanWalk {
  using C = PacketCodec<F>;

 public:
  ScanWalk(const WalkInput& in, WalkOutput& out) : in_(in), out_(out) {
    if constexpr (kSyntheticMass<F>)
      step_ = in.count <= 1 ? 1.0f : (in.upperBound - in.lowerBound) / static_cast<float>(in.count - 1);
  }

  // Reads the run through the scratch block, a part at a time: each part
  // lands at the page offset of its file position, so that the bulk of it
  // is copied page-aligned.
  int run(char* block) {
    const std::uint16_t bytesPerPacket = zvraw_packed::getBytesPerPacket(F);
    const off_t start = ::ftello(in_.file);
    std::uint64_t pos = start < 0 ? 0 : static_cast<std::uint64_t>(start);
    std::uint32_t k = 0;
    while (k < in_.count) {
      const std::size_t offset = pos % kPageSize;
      const std::uint64_t packets = (kScratchBlockBytes - offset) / bytesPerPacket;
      const std::uint32_t peaks =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(packets * C::kPeaks, in_.count - k));
      char* part = block + offset;
      unsigned int asked = peaks;
      if (int rc = zvraw_packed::readScan(in_.file, part, F, asked); rc != ZVRAW_OK) return rc;
      pos += zvraw_packed::getBytesPerScan(F, peaks);
      for (const std::uint32_t end = k + peaks; k < end; part += bytesPerPacket) {
        DecodedPeak d[C::kPeaks];
        C::decode(part, d);
        for (unsigned j = 0; j < C::kPeaks && k < end; ++j, ++k)
          if (!peak(d[j], k)) return ZVRAW_SCAN_CORRUPT_ERROR;
      }
    }
    return ZVRAW_OK;
  }

 private:
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
      mass = static_cast<float>(k) * step_;
    }
    if (k >= 1) prev_ = mass;
    if constexpr (!C::kStoresMass || F == 1) {
      if (in_.applyHighCutoff && mass > in_.highCutoff) return true;
    }
    if (in_.useTemperature) mass = static_cast<float>(static_cast<double>(mass) * in_.temperatureFactor);
    if (in_.calibration) mass = borealtek_calibrate_version_1::CalibrateMass(mass, *in_.calibration);
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
  float step_ = 1.0f;
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
  if (!pFuncDesc) return failRead(ZVRAW_NULLPOINTER_ERROR);
  unsigned int format = 0;
  if (int rc = pFuncDesc->getDataFormat(format); rc != ZVRAW_OK) return failRead(rc);
  if (bKeepCompressed) return readScanKeepCompressed(pFile, nPeaksInScan, format, pCali, fMinimumMassDelta);
  if (int rc = zvraw_packed::isSupportedDataType(format); rc != ZVRAW_OK) return failRead(rc);
  DeleteScanData();
  m_bKeepCompressed = false;
  m_nDataFormat = format;
  if (!pFile) return failRead(ZVRAW_NULLPOINTER_ERROR);
  const int rc =
      decodeScan(pFile, nPeaksInScan, *pFuncDesc, pCali, fMinimumMassDelta, fLowMassCutoff, fHighMassCutoff,
                 fLowerBoundMass, fUpperBoundMass, nUseTemperatureCorrection, fTempCorrection, fTempCoefficient);
  return rc == ZVRAW_OK || rc == ZVRAW_SCAN_CORRUPT_ERROR ? rc : failRead(rc);
}

int ZVRawScan::decodeScan(std::FILE* pFile, unsigned int nPeaks, const ZVRawFunctionDescriptorImp& desc,
                          const FunctionCalibration* pCali, float& fMinimumMassDelta, float fLowMassCutoff,
                          float fHighMassCutoff, float fLowerBoundMass, float fUpperBoundMass,
                          short nUseTemperatureCorrection, float fTempCorrection, float fTempCoefficient) {
  const unsigned int format = m_nDataFormat;
  // The whole scan must be in the file, whatever window is read of it.
  if (!fileHolds(pFile, zvraw_packed::getBytesPerScan(format, nPeaks))) return ZVRAW_SCANREAD_EOFERROR;

  const bool whole = fLowMassCutoff == 0 && fHighMassCutoff == -1;
  const bool hasReader = massReader(format) != nullptr;
  const std::uint32_t count =
      whole || !hasReader ? nPeaks : getPeaksInScan(pFile, format, nPeaks, fLowMassCutoff, fHighMassCutoff);

  unsigned int functionType = 0;
  (void)desc.getFunctionType(functionType);
  const bool flags = format == 12 || format == 13;
  const bool errors = format == 13;
  const bool daughters = (format == 2 || format == 11) && carriesDaughters(functionType);
  m_pfMasses = allocateArray<float>(count);
  m_pfIntensities = allocateArray<float>(count);
  if (flags) m_pcFlags = allocateArray<char>(count);
  if (errors) {
    m_pcAccMassFlags = allocateArray<char>(count);
    m_pfDMasses = allocateArray<float>(count);
    m_pfDIntensities = allocateArray<float>(count);
  }
  if (daughters) m_pfDaughterMasses = allocateArray<float>(count);
  if (!m_pfMasses || !m_pfIntensities || (flags && !m_pcFlags) ||
      (errors && (!m_pcAccMassFlags || !m_pfDMasses || !m_pfDIntensities)) || (daughters && !m_pfDaughterMasses))
    return ZVRAW_SCANMEMALLOC_ERROR;
  char* block = threadScratchBlock();
  if (!block) return ZVRAW_SCANMEMALLOC_ERROR;

  const bool useTemperature = nUseTemperatureCorrection != 0 && pCali;
  WalkInput in{pFile,
               count,
               &desc,
               fLowerBoundMass,
               fUpperBoundMass,
               fLowMassCutoff,
               fHighMassCutoff,
               !whole && !hasReader,
               useTemperature,
               useTemperature ? 1.0 - static_cast<double>(fTempCoefficient) * 1e-6 *
                                          (static_cast<double>(fTempCorrection) - pCali->calTemp())
                              : 1.0,
               pCali ? &pCali->getImp() : nullptr,
               nBadScanStrategy};
  WalkOutput out{m_pfMasses.get(),         m_pfIntensities.get(), m_pfDMasses.get(),      m_pfDIntensities.get(),
                 m_pfDaughterMasses.get(), m_pcFlags.get(),       m_pcAccMassFlags.get(), fMinimumMassDelta};
  const int rc =
      zvraw_scan_detail::withCodec(format, [&](auto f) { return ScanWalk<decltype(f)::value>(in, out).run(block); });
  if (rc != ZVRAW_OK && rc != ZVRAW_SCAN_CORRUPT_ERROR) return rc;
  fMinimumMassDelta = std::min(fMinimumMassDelta, out.minDelta);
  m_bScanError = out.scanError;
  m_nPeaksInScan = out.stored;
  if (rc == ZVRAW_OK && out.repair)
    makeMonotonicScan(m_pfMasses.get(), m_pfIntensities.get(),
                      static_cast<int>(std::min<std::uint32_t>(out.stored, std::numeric_limits<int>::max())), 1.0f,
                      fLowerBoundMass, fUpperBoundMass);
  return rc;
}

int ZVRawScan::readScanKeepCompressed(std::FILE* pFile, unsigned int nPeaksInScan, unsigned int nDataFormat,
                                      const FunctionCalibration*, float&) {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return failRead(rc);
  DeleteScanData();
  if (!pFile) return failRead(ZVRAW_NULLPOINTER_ERROR);
  const std::uint64_t bytes = zvraw_packed::getBytesPerScan(nDataFormat, nPeaksInScan);
  if (!fileHolds(pFile, bytes)) return failRead(ZVRAW_SCANREAD_EOFERROR);
  std::unique_ptr<char[]> run(new (std::nothrow) char[bytes]);
  if (!run) return failRead(ZVRAW_SCANMEMALLOC_ERROR);
  unsigned int n = nPeaksInScan;
  if (int rc = zvraw_packed::readScan(pFile, run.get(), nDataFormat, n); rc != ZVRAW_OK) return failRead(rc);
  m_pcScanBuffer = std::move(run);
  m_nPeaksInScan = nPeaksInScan;
  m_nDataFormat = nDataFormat;
  m_bKeepCompressed = true;
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
