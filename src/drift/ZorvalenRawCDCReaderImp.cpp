#include "drift/ZorvalenRawCDCReaderImp.h"

#include <cmath>
#include <new>
#include <type_traits>

#include "api/ZorvalenRawReaderImp.h"
#include "drift/IMSUtil.h"
#include "zorvalen/ZorvalenRaw.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// A bound already rounded towards the inside of the range, held to [lo, hi]
// before it becomes an integer (a huge or infinite bound would not fit).
std::int64_t clampIndex(double v, std::int64_t lo, std::int64_t hi) {
  if (!(v >= static_cast<double>(lo))) return lo;
  if (v > static_cast<double>(hi)) return hi;
  return static_cast<std::int64_t>(v);
}

// A gain that cannot scale a mass (0, negative, NaN, infinite) scales nothing.
float usableGain(float g) { return std::isfinite(g) && g > 0 ? g : 1.0f; }

// Two arrays for the caller, or neither.
template <class X>
int handOut(std::size_t n, X*& xs, float*& ys) {
  xs = nullptr;
  ys = nullptr;
  if (n == 0) return ZVRAW_OK;
  const int count = static_cast<int>(n);
  X* x = nullptr;
  if constexpr (std::is_same_v<X, int>) {
    x = ZorvalenRawReaderImp::AllocateIntMemory(count);
  } else {
    x = ZorvalenRawReaderImp::AllocateFloatMemory(count);
  }
  float* y = ZorvalenRawReaderImp::AllocateFloatMemory(count);
  if (x == nullptr || y == nullptr) {
    releaseMemory(x);
    releaseMemory(y);
    return ZVRAW_MEMALLOC_ERROR;
  }
  xs = x;
  ys = y;
  return ZVRAW_OK;
}

template <class Step>
int guarded(Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return ZVRAW_MEMALLOC_ERROR;
  }
}

}  // namespace

ZorvalenRawCDCReaderImp::ZorvalenRawCDCReaderImp(const std::string& strRawPath, int whichFunction,
                                                 const FunctionCalibration* pFunctionCalibration,
                                                 const ZVRawExternalLumavent* pExternalLumavent)
    : m_strRawPath(strRawPath),
      m_pFunctionCalibration(pFunctionCalibration),
      m_pExternalLumavent(pExternalLumavent),
      m_pCDCReader(std::make_unique<CDTReader>()) {
  if (m_pCDCReader->Initialise(m_strRawPath, whichFunction) == ZVRAW_OK)
    (void)m_pCDCReader->Calibrate(m_pFunctionCalibration);
}

ZorvalenRawCDCReaderImp::~ZorvalenRawCDCReaderImp() = default;

int ZorvalenRawCDCReaderImp::GetStatus() const { return m_pCDCReader->GetStatus(); }

int ZorvalenRawCDCReaderImp::GetDriftCount(int& nDriftCount) const { return m_pCDCReader->GetDriftCount(nDriftCount); }

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, int& size) {
  return m_pCDCReader->ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
}

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMasses,
                                      float*& pIntensities, int& size) {
  return m_pCDCReader->ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
}

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, float*& pMasses, float*& pIntensities, int& size) {
  return m_pCDCReader->ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
}

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, char*& pFlags,
                                      int& size) {
  return m_pCDCReader->ReadScan(whichScan, whichDrift, pMasses, pIntensities, pFlags, size);
}

int ZorvalenRawCDCReaderImp::buildMassScale() {
  if (!_massScale.empty()) return ZVRAW_OK;
  const int code = m_pCDCReader->GetMassScale(_massScale, _offset);
  if (code == ZVRAW_OK && m_pFunctionCalibration != nullptr)
    m_pFunctionCalibration->calibrateMasses(_massScale.data(), static_cast<int>(_massScale.size()));
  return code;
}

int ZorvalenRawCDCReaderImp::GetMassScale(std::vector<float>& massScale, int& offset) {
  const int code = guarded([&] {
    (void)buildMassScale();
    massScale = _massScale;
    return ZVRAW_OK;
  });
  if (code != ZVRAW_OK) return code;
  offset = _offset;
  return m_pCDCReader->GetStatus();
}

bool ZorvalenRawCDCReaderImp::hasGainTable() const {
  return m_pExternalLumavent != nullptr && !m_pExternalLumavent->empty();
}

// The grid points whose mass lies inside [startMass, endMass], held to the
// function's index window: first = ceil(index of startMass), last =
// floor(index of endMass).
int ZorvalenRawCDCReaderImp::massRangeToIndices(float startMass, float endMass, IndexWindow& window) const {
  float first = 0, last = 0;
  int windowStart = 0, windowEnd = 0;
  if (const int code = m_pCDCReader->GetIndexWindow(windowStart, windowEnd); code != ZVRAW_OK) return code;
  (void)m_pCDCReader->MassToIndex(startMass, first);
  (void)m_pCDCReader->MassToIndex(endMass, last);
  window.first = clampIndex(std::ceil(static_cast<double>(first)), windowStart, std::int64_t{windowEnd} + 1);
  window.last = clampIndex(std::floor(static_cast<double>(last)), std::int64_t{windowStart} - 1, windowEnd);
  return ZVRAW_OK;
}

// Reversed ranges first (last = first - 1 is empty, not reversed), then
// scans and drift bins of a non-empty range against the function's counts.
int ZorvalenRawCDCReaderImp::checkRanges(int firstBlock, int lastBlock, int firstBin, int lastBin) const {
  if (const int code = GetStatus(); code != ZVRAW_OK) return code;
  const std::int64_t scans = std::int64_t{lastBlock} - firstBlock + 1;
  const std::int64_t bins = std::int64_t{lastBin} - firstBin + 1;
  if (scans < 0) return ZVRAW_SCANRANGE_INVALID;
  if (bins < 0) return ZVRAW_DRIFTRANGE_INVALID;
  int scanCount = 0, driftCount = 0;
  (void)m_pCDCReader->GetScanCount(scanCount);
  (void)m_pCDCReader->GetDriftCount(driftCount);
  if (scans > 0 && (firstBlock < 0 || lastBlock >= scanCount)) return ZVRAW_SCANNUM_INVALID;
  if (bins > 0 && (firstBin < 0 || lastBin >= driftCount)) return ZVRAW_DRIFTNUM_INVALID;
  return ZVRAW_OK;
}

int ZorvalenRawCDCReaderImp::checkRequest(float massStart, float massEnd, int firstBlock, int lastBlock, int firstBin,
                                          int lastBin) const {
  if (!std::isfinite(massStart) || !std::isfinite(massEnd) || massStart < 0 || massStart > massEnd)
    return ZVRAW_MASS_RANGE_INVALID;
  return checkRanges(firstBlock, lastBlock, firstBin, lastBin);
}

// Sums, per drift bin (bin) or per scan (block), the intensities of the
// points inside the mass window, straight from the cached block. Ranges are
// checked by the caller; the first failing read ends it with its code.
int ZorvalenRawCDCReaderImp::extract(ExtractType type, float massStart, float massEnd, int firstBlock, int lastBlock,
                                     int firstBin, int lastBin, std::vector<float>& sums, std::vector<float>& x) {
  CDTReader& reader = *m_pCDCReader;
  const bool gainPerScan = hasGainTable();
  IndexWindow window;
  if (!gainPerScan) {
    if (const int code = massRangeToIndices(massStart, massEnd, window); code != ZVRAW_OK) return code;
  }
  if (type == bin) {
    for (std::size_t b = 0; b < x.size(); ++b) x[b] = static_cast<float>(std::int64_t{firstBin} + std::int64_t(b));
  }
  for (std::int64_t s = firstBlock; s <= lastBlock; ++s) {
    const auto scan = static_cast<int>(s);
    const auto row = static_cast<std::size_t>(s - firstBlock);
    float rt = 0;
    if (const int code = reader.GetRetentionTime(scan, rt); code != ZVRAW_OK) return code;
    if (type == block) x[row] = rt;
    if (gainPerScan) {
      // The table was built from scan times in minutes; blocks carry seconds.
      float g = 1.0f;
      (void)m_pExternalLumavent->getCorrection(rt / 60.0f, g);
      g = usableGain(g);
      if (const int code = massRangeToIndices(massStart / g, massEnd / g, window); code != ZVRAW_OK) return code;
    }
    for (std::int64_t d = firstBin; d <= lastBin; ++d) {
      const std::uint32_t* masses = nullptr;
      const std::uint32_t* intensities = nullptr;
      const std::uint32_t* flags = nullptr;
      int n = 0;
      if (const int code = reader.ReadScan(scan, static_cast<int>(d), masses, intensities, flags, n); code != ZVRAW_OK)
        return code;
      float& sum = type == bin ? sums[static_cast<std::size_t>(d - firstBin)] : sums[row];
      for (int k = 0; k < n; ++k) {
        const std::int64_t index = static_cast<std::int32_t>(masses[k]);
        if (index >= window.first && index <= window.last) sum += static_cast<float>(intensities[k]);
      }
    }
  }
  return ZVRAW_OK;
}

int ZorvalenRawCDCReaderImp::extractByBins(float massStart, float massEnd, int firstBlock, int lastBlock, int firstBin,
                                           int lastBin, int*& pXValues, float*& pYValues, int& nSize) {
  pXValues = nullptr;
  pYValues = nullptr;
  nSize = 0;
  if (const int code = checkRequest(massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin); code != ZVRAW_OK)
    return code;
  return guarded([&] {
    const auto nBins = static_cast<std::size_t>(std::int64_t{lastBin} - firstBin + 1);
    std::vector<float> sums(nBins, 0.0f), x(nBins, 0.0f);
    if (const int code = extract(bin, massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin, sums, x);
        code != ZVRAW_OK)
      return code;
    int* xs = nullptr;
    float* ys = nullptr;
    if (const int code = handOut(nBins, xs, ys); code != ZVRAW_OK) return code;
    for (std::size_t b = 0; b < nBins; ++b) {
      xs[b] = firstBin + static_cast<int>(b);
      ys[b] = sums[b];
    }
    pXValues = xs;
    pYValues = ys;
    nSize = static_cast<int>(nBins);
    return ZVRAW_OK;
  });
}

int ZorvalenRawCDCReaderImp::extractByBlocks(float massStart, float massEnd, int firstBlock, int lastBlock,
                                             int firstBin, int lastBin, float*& pXValues, float*& pYValues,
                                             int& nSize) {
  pXValues = nullptr;
  pYValues = nullptr;
  nSize = 0;
  if (const int code = checkRequest(massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin); code != ZVRAW_OK)
    return code;
  return guarded([&] {
    const auto nScans = static_cast<std::size_t>(std::int64_t{lastBlock} - firstBlock + 1);
    std::vector<float> sums(nScans, 0.0f), x(nScans, 0.0f);
    if (const int code = extract(block, massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin, sums, x);
        code != ZVRAW_OK)
      return code;
    float* xs = nullptr;
    float* ys = nullptr;
    if (const int code = handOut(nScans, xs, ys); code != ZVRAW_OK) return code;
    for (std::size_t r = 0; r < nScans; ++r) {
      xs[r] = x[r] / 60.0f;
      ys[r] = std::floor(sums[r] + 0.5f);  // int(0.5 + sum) would overflow from 2^31 on
    }
    pXValues = xs;
    pYValues = ys;
    nSize = static_cast<int>(nScans);
    return ZVRAW_OK;
  });
}

int ZorvalenRawCDCReaderImp::ReadMassChromatogram(int /*nWhichFunction*/, int nStartIndex, int nEndIndex, float fMass,
                                                  float massWindow, float*& pTimes, float*& pIntensities, int& nSize) {
  int scans = 0;
  (void)m_pCDCReader->GetScanCount(scans);
  return extractByBlocks(fMass - massWindow / 2, fMass + massWindow / 2, 0, scans - 1, nStartIndex, nEndIndex, pTimes,
                         pIntensities, nSize);
}

int ZorvalenRawCDCReaderImp::extractByMass(float /*massStart*/, float /*massEnd*/, int firstScan, int lastScan,
                                           int firstBin, int lastBin, std::vector<float>& masses,
                                           std::vector<float>& intensities) {
  masses.clear();
  intensities.clear();
  if (!m_pCDCReader) return ZVRAW_ERROR;
  const int code = guarded([&] {
    if (const int built = buildMassScale(); built != ZVRAW_OK) return built;
    if (const int ranges = checkRanges(firstScan, lastScan, firstBin, lastBin); ranges != ZVRAW_OK) return ranges;
    std::vector<float> sum(_massScale.size(), 0.0f);
    for (std::int64_t s = firstScan; s <= lastScan; ++s) {
      for (std::int64_t d = firstBin; d <= lastBin; ++d) {
        const std::uint32_t* indices = nullptr;
        const std::uint32_t* values = nullptr;
        const std::uint32_t* flags = nullptr;
        int n = 0;
        const int read = m_pCDCReader->ReadScan(static_cast<int>(s), static_cast<int>(d), indices, values, flags, n);
        if (read != ZVRAW_OK) return read;
        IMSUtil::CombineScans(indices, values, static_cast<std::size_t>(n), sum, _offset);
      }
    }
    return IMSUtil::RemoveZero(_massScale, sum, masses, intensities);
  });
  if (code != ZVRAW_OK) {
    masses.clear();
    intensities.clear();
  }
  return code;
}

}  // namespace Vardex::Lib::ZorvalenRaw
