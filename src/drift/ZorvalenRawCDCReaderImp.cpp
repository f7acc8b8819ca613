#include "drift/ZorvalenRawCDCReaderImp.h"

#include <cmath>

#include "drift/IMSUtil.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/portability/AllocationGuard.h"
#include "formats/portability/CallerMemory.h"
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

// What both caller-array extractions share: outputs null until success, the
// request checked before anything is sized, sums over first..last, and two
// arrays filled from them (none for an empty range).
template <class X, class Run, class Fill>
int handOutSums(int check, int first, int last, X*& xs, float*& ys, int& nSize, Run run, Fill fill) {
  xs = nullptr;
  ys = nullptr;
  nSize = 0;
  if (check != ZVRAW_OK) return check;
  return zvraw::guardAllocation([&] {
    const auto n = static_cast<std::size_t>(std::int64_t{last} - first + 1);
    std::vector<float> sums(n, 0.0f), x(n, 0.0f);
    if (const int code = run(sums, x); code != ZVRAW_OK) return code;
    if (n == 0) return ZVRAW_OK;
    // Two arrays for the caller, or neither.
    CallerArray<X> px;
    CallerArray<float> py;
    if (px.allocate(n) != ZVRAW_OK || py.allocate(n) != ZVRAW_OK) return ZVRAW_MEMALLOC_ERROR;
    for (std::size_t i = 0; i < n; ++i) fill(i, sums[i], x[i], px.data()[i], py.data()[i]);
    xs = px.release();
    ys = py.release();
    nSize = static_cast<int>(n);
    return ZVRAW_OK;
  });
}

}  // namespace

ZorvalenRawCDCReaderImp::ZorvalenRawCDCReaderImp(std::string_view strRawPath, int whichFunction,
                                                 const FunctionCalibration* pFunctionCalibration,
                                                 const ZVRawExternalLumavent* pExternalLumavent)
    : m_strRawPath(strRawPath),
      m_nFunction(whichFunction),
      m_pFunctionCalibration(pFunctionCalibration),
      m_pExternalLumavent(pExternalLumavent),
      m_pCDCReader(std::make_unique<CDTReader>()) {
  if (m_pCDCReader->Initialise(m_strRawPath, whichFunction) == ZVRAW_OK)
    (void)m_pCDCReader->Calibrate(m_pFunctionCalibration);
}

ZorvalenRawCDCReaderImp::ZorvalenRawCDCReaderImp(std::string_view strRawPath, int whichFunction,
                                                 const FunctionCalibration* pFunctionCalibration,
                                                 const DriftReaderSources* pSources)
    : ZorvalenRawCDCReaderImp(strRawPath, whichFunction, pFunctionCalibration, nullptr) {
  m_pSources = pSources;
}

ZorvalenRawCDCReaderImp::~ZorvalenRawCDCReaderImp() = default;

void ZorvalenRawCDCReaderImp::Refresh() {
  if (m_pCDCReader->Refresh()) return;
  auto fresh = std::make_unique<CDTReader>();
  if (fresh->Initialise(m_strRawPath, m_nFunction) == ZVRAW_OK) (void)fresh->Calibrate(m_pFunctionCalibration);
  // Only the reader of the last read may have arrays out: one replaced
  // before it served a read goes now, whatever number of refreshes follow.
  if (m_bServed) m_pServed = std::move(m_pCDCReader);
  m_pCDCReader = std::move(fresh);
  m_bServed = false;
  _massScale.clear();
}

CDTReader& ZorvalenRawCDCReaderImp::reading() {
  m_pServed.reset();
  m_bServed = true;
  return *m_pCDCReader;
}

int ZorvalenRawCDCReaderImp::GetStatus() const { return m_pCDCReader->GetStatus(); }

int ZorvalenRawCDCReaderImp::GetDriftCount(int& nDriftCount) const { return m_pCDCReader->GetDriftCount(nDriftCount); }

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, int& size) {
  return reading().ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
}

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMasses,
                                      float*& pIntensities, int& size) {
  return reading().ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
}

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, float*& pMasses, float*& pIntensities, int& size) {
  return reading().ReadScan(whichScan, whichDrift, pMasses, pIntensities, size);
}

int ZorvalenRawCDCReaderImp::ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, char*& pFlags,
                                      int& size) {
  return reading().ReadScan(whichScan, whichDrift, pMasses, pIntensities, pFlags, size);
}

int ZorvalenRawCDCReaderImp::buildMassScale() {
  if (!_massScale.empty()) return ZVRAW_OK;
  const int code = m_pCDCReader->GetMassScale(_massScale, _offset);
  if (code == ZVRAW_OK && m_pFunctionCalibration != nullptr)
    m_pFunctionCalibration->calibrateMasses(_massScale.data(), static_cast<int>(_massScale.size()));
  return code;
}

int ZorvalenRawCDCReaderImp::GetMassScale(std::vector<float>& massScale, int& offset) {
  // Files that are not open have no axis: the outputs stay as they were.
  if (const int status = GetStatus(); status != ZVRAW_OK) return status;
  const int code = zvraw::guardAllocation([&] {
    // Running out of memory while building the scale must not read as an empty success.
    if (buildMassScale() == ZVRAW_MEMALLOC_ERROR) return ZVRAW_MEMALLOC_ERROR;
    massScale = _massScale;
    return ZVRAW_OK;
  });
  if (code != ZVRAW_OK) return code;
  offset = _offset;
  return m_pCDCReader->GetStatus();
}

std::shared_ptr<const ZorvalenRawCDCReaderImp::ZVRawExternalLumavent> ZorvalenRawCDCReaderImp::gainTable() const {
  if (m_pSources != nullptr) return m_pSources->gainTable();
  return {std::shared_ptr<const ZVRawExternalLumavent>{}, m_pExternalLumavent};  // borrowed, not owned
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
  CDTReader& reader = reading();
  const std::shared_ptr<const ZVRawExternalLumavent> table = gainTable();
  const bool gainPerScan = table != nullptr && !table->empty();
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
      (void)table->getCorrection(rt / 60.0f, g);
      g = zvraw::usableGain(g);
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
  return handOutSums(
      checkRequest(massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin), firstBin, lastBin, pXValues, pYValues,
      nSize,
      [&](std::vector<float>& sums, std::vector<float>& x) {
        return extract(bin, massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin, sums, x);
      },
      [&](std::size_t b, float sum, float, int& x, float& y) {
        x = firstBin + static_cast<int>(b);
        y = sum;
      });
}

int ZorvalenRawCDCReaderImp::extractByBlocks(float massStart, float massEnd, int firstBlock, int lastBlock,
                                             int firstBin, int lastBin, float*& pXValues, float*& pYValues,
                                             int& nSize) {
  return handOutSums(
      checkRequest(massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin), firstBlock, lastBlock, pXValues,
      pYValues, nSize,
      [&](std::vector<float>& sums, std::vector<float>& x) {
        return extract(block, massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin, sums, x);
      },
      [](std::size_t, float sum, float rt, float& x, float& y) {
        x = rt / 60.0f;
        y = std::floor(sum + 0.5f);  // int(0.5 + sum) would overflow from 2^31 on
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
  const int code = zvraw::guardAllocation([&] {
    if (const int built = buildMassScale(); built != ZVRAW_OK) return built;
    if (const int ranges = checkRanges(firstScan, lastScan, firstBin, lastBin); ranges != ZVRAW_OK) return ranges;
    std::vector<float> sum(_massScale.size(), 0.0f);
    for (std::int64_t s = firstScan; s <= lastScan; ++s) {
      for (std::int64_t d = firstBin; d <= lastBin; ++d) {
        const std::uint32_t* indices = nullptr;
        const std::uint32_t* values = nullptr;
        const std::uint32_t* flags = nullptr;
        int n = 0;
        const int read = reading().ReadScan(static_cast<int>(s), static_cast<int>(d), indices, values, flags, n);
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
