#include "api/ZorvalenRawChromatogramReaderImp.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// Scans loaded at a time by a mass chromatogram.
constexpr std::uint64_t kScansPerLoad = 100;

// The times and the values of one result, released here unless handed to
// the caller.
struct CallerArrays {
  // Room for `scans` times and `cells` values; both counts at most INT_MAX.
  [[nodiscard]] int allocate(std::uint64_t scans, std::uint64_t cells) {
    const bool timesMade = times.allocate(scans) == ZVRAW_OK;
    const bool valuesMade = values.allocate(cells) == ZVRAW_OK;
    return timesMade && valuesMade ? ZVRAW_OK : ZVRAW_MEMALLOC_ERROR;
  }
  void handOver(float*& outTimes, float*& outValues) {
    outTimes = times.release();
    outValues = values.release();
  }

  CallerArray<float> times;
  CallerArray<float> values;
};

// The values of count traces over scans scans: at most INT_MAX, since the
// allocator takes a signed 32-bit count.
bool blockFits(int count, unsigned int scans) {
  return std::uint64_t(static_cast<unsigned>(count)) * scans <= static_cast<std::uint64_t>(INT_MAX);
}

// A block trace's outputs are empty until it succeeds, and its list is
// checked before anything else: 1 for a count below 1, 79 for no list.
int startBlock(const void* list, int count, float*& times, float*& values, int& size) {
  times = nullptr;
  values = nullptr;
  size = 0;
  if (count <= 0) return ZVRAW_ERROR;
  return list != nullptr ? ZVRAW_OK : ZVRAW_NULL_PARAMETERS;
}

// Row i of a count x scans block.
std::vector<float*> rowStarts(float* block, int count, unsigned int scans) {
  std::vector<float*> rows(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = block + i * scans;
  return rows;
}

}  // namespace

ZorvalenRawChromatogramReaderImp::ZorvalenRawChromatogramReaderImp(const char* path)
    : ZorvalenRawReaderImp(HandleKind::ChromatogramReader, path),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawChromatogramReaderImp::ZorvalenRawChromatogramReaderImp(const ZorvalenRawDataFile& source)
    : ZorvalenRawReaderImp(HandleKind::ChromatogramReader, source),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawChromatogramReaderImp::~ZorvalenRawChromatogramReaderImp() = default;

// A negative function would wrap to a huge unsigned number: refused as one.
int ZorvalenRawChromatogramReaderImp::getScansInFunction(int function, unsigned int& count) const {
  count = 0;
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  return cluster->getTotalScans(static_cast<unsigned>(function), count);
}

int ZorvalenRawChromatogramReaderImp::isCalibrated(unsigned int function, bool& calibrated) const {
  calibrated = false;
  return getDataCluster()->isCalibrated(function, calibrated);
}

// ---- whole-function traces from the scan index ----

int ZorvalenRawChromatogramReaderImp::readChromatogram(chromType type, int function, float*& times,
                                                       float*& intensities, int& size) {
  times = nullptr;
  intensities = nullptr;
  size = 0;
  if (type != BPI && type != TIC) return ZVRAW_ERROR;
  unsigned int n = 0;
  if (const int rc = getScansInFunction(function, n); rc != ZVRAW_OK || n == 0) return rc;
  if (!blockFits(1, n)) return ZVRAW_MEMALLOC_ERROR;
  CallerArrays out;
  if (const int rc = out.allocate(n, n); rc != ZVRAW_OK) return rc;
  const auto f = static_cast<unsigned>(function);
  const int rc = type == BPI ? m_pImp->getBPIChromatogram(f, out.values.data(), out.times.data())
                             : m_pImp->getTICChromatogram(f, out.values.data(), out.times.data());
  if (rc != ZVRAW_OK) return rc;
  out.handOver(times, intensities);
  size = static_cast<int>(n);
  return ZVRAW_OK;
}

int ZorvalenRawChromatogramReaderImp::ReadTICChromatogram(int function, float*& times, float*& intensities,
                                                          int& size) {
  return readChromatogram(TIC, function, times, intensities, size);
}

int ZorvalenRawChromatogramReaderImp::ReadBPIChromatogram(int function, float*& times, float*& intensities,
                                                          int& size) {
  return readChromatogram(BPI, function, times, intensities, size);
}

int ZorvalenRawChromatogramReaderImp::readChromatogram(chromType type, int function, ZVChromatogram& holder) {
  if (type != BPI && type != TIC) return ZVRAW_ERROR;
  unsigned int n = 0;
  if (const int rc = getScansInFunction(function, n); rc != ZVRAW_OK || n == 0) return rc;
  if (!blockFits(1, n)) return ZVRAW_MEMALLOC_ERROR;
  if (const int rc = holder.SetSize(static_cast<int>(n), 1); rc != ZVRAW_OK) return rc;
  const auto f = static_cast<unsigned>(function);
  float* row = holder.GetIntensities()[0];
  return type == BPI ? m_pImp->getBPIChromatogram(f, row, holder.GetTimes())
                     : m_pImp->getTICChromatogram(f, row, holder.GetTimes());
}

int ZorvalenRawChromatogramReaderImp::ReadTICChromatogram(int function, ZVChromatogram& holder) {
  return readChromatogram(TIC, function, holder);
}

int ZorvalenRawChromatogramReaderImp::ReadBPIChromatogram(int function, ZVChromatogram& holder) {
  return readChromatogram(BPI, function, holder);
}

// ---- traces from loaded scans ----

int ZorvalenRawChromatogramReaderImp::loadScans(unsigned int function, std::uint64_t first, std::uint64_t last,
                                                bool calibrated) {
  ZVRawDataCluster* cluster = getDataCluster();
  const auto from = static_cast<unsigned>(first), to = static_cast<unsigned>(last);
  if (const int rc = cluster->loadData(function, from, to, !calibrated, false); rc != ZVRAW_OK) return rc;
  // The access interface writes one value per loaded scan: anything but
  // exactly this range would miss or overrun the caller's rows.
  unsigned int loadedFirst = 0, loadedLast = 0;
  if (const int rc = cluster->getLoadedScanRange(function, loadedFirst, loadedLast); rc != ZVRAW_OK) return rc;
  return loadedFirst == from && loadedLast == to ? ZVRAW_OK : ZVRAW_SCANRANGE_INVALID;
}

int ZorvalenRawChromatogramReaderImp::readMassChromatograms(unsigned int function, unsigned int scans,
                                                            bool calibrated, std::span<const float> masses,
                                                            float window, bool bDaughters, float* times,
                                                            std::span<float* const> rows) {
  const std::vector<float> windows(masses.size(), window);
  return readMassChromatograms(function, scans, calibrated, masses, windows, bDaughters, times, rows);
}

int ZorvalenRawChromatogramReaderImp::readMassChromatograms(unsigned int function, unsigned int scans,
                                                            bool calibrated, std::span<const float> masses,
                                                            std::span<const float> windows, bool bDaughters,
                                                            float* times, std::span<float* const> rows) {
  for (std::uint64_t start = 0; start < scans; start += kScansPerLoad) {
    const std::uint64_t end = std::min<std::uint64_t>(start + kScansPerLoad - 1, scans - 1u);
    if (const int rc = loadScans(function, start, end, calibrated); rc != ZVRAW_OK) return rc;
    for (std::size_t i = 0; i < masses.size(); ++i) {
      float* rowTimes = i == 0 ? times + start : nullptr;
      const int rc = m_pImp->getMassChromatogram(function, masses[i], rows[i] + start, rowTimes, windows[i], bDaughters);
      if (rc != ZVRAW_OK) return rc;
    }
  }
  return ZVRAW_OK;
}

int ZorvalenRawChromatogramReaderImp::ReadMassChromatograms(int function, const float* masses, int count,
                                                            float*& times, float*& intensities, float window,
                                                            bool bDaughters, int& size) {
  if (const int rc = startBlock(masses, count, times, intensities, size); rc != ZVRAW_OK) return rc;
  unsigned int n = 0;
  if (const int rc = getScansInFunction(function, n); rc != ZVRAW_OK) return rc;
  const auto f = static_cast<unsigned>(function);
  bool calibrated = false;
  if (const int rc = isCalibrated(f, calibrated); rc != ZVRAW_OK) return rc;
  if (!blockFits(count, n)) return ZVRAW_MEMALLOC_ERROR;
  CallerArrays out;
  if (const int rc = out.allocate(n, std::uint64_t{static_cast<unsigned>(count)} * n); rc != ZVRAW_OK) return rc;
  const std::vector<float*> rows = rowStarts(out.values.data(), count, n);
  const std::span<const float> massList(masses, static_cast<std::size_t>(count));
  if (const int rc = readMassChromatograms(f, n, calibrated, massList, window, bDaughters, out.times.data(), rows);
      rc != ZVRAW_OK)
    return rc;
  out.handOver(times, intensities);
  size = static_cast<int>(n);
  return ZVRAW_OK;
}

int ZorvalenRawChromatogramReaderImp::ReadMassChromatogram(int function, const float* masses, int count,
                                                           std::span<const float> windows, bool bProducts,
                                                           ZVChromatogram& holder) {
  unsigned int n = 0;
  if (const int rc = getScansInFunction(function, n); rc != ZVRAW_OK || n == 0) return rc;
  if (count <= 0 || windows.size() < static_cast<std::size_t>(count)) return ZVRAW_ERROR;
  if (masses == nullptr) return ZVRAW_NULL_PARAMETERS;
  if (!blockFits(count, n)) return ZVRAW_MEMALLOC_ERROR;
  const auto f = static_cast<unsigned>(function);
  bool calibrated = false;
  if (const int rc = isCalibrated(f, calibrated); rc != ZVRAW_OK) return rc;
  if (const int rc = holder.SetSize(static_cast<int>(n), count); rc != ZVRAW_OK) return rc;
  const auto k = static_cast<std::size_t>(count);
  return readMassChromatograms(f, n, calibrated, std::span(masses, k), windows.first(k), bProducts,
                               holder.GetTimes(), std::span(holder.GetIntensities(), k));
}

int ZorvalenRawChromatogramReaderImp::ReadMRMChromatograms(int function, const int* channels, int count,
                                                           float*& times, float*& intensities, int& size) {
  if (const int rc = startBlock(channels, count, times, intensities, size); rc != ZVRAW_OK) return rc;
  unsigned int n = 0;
  if (const int rc = getScansInFunction(function, n); rc != ZVRAW_OK || n == 0) return rc;
  const auto f = static_cast<unsigned>(function);
  unsigned int transitions = 0;
  if (const int rc = getDataCluster()->getMRMsInFunction(f, transitions); rc != ZVRAW_OK || transitions == 0)
    return rc;
  bool calibrated = false;
  if (const int rc = isCalibrated(f, calibrated); rc != ZVRAW_OK) return rc;
  if (!blockFits(count, n)) return ZVRAW_MEMALLOC_ERROR;
  CallerArrays out;
  if (const int rc = out.allocate(n, std::uint64_t{static_cast<unsigned>(count)} * n); rc != ZVRAW_OK) return rc;
  if (const int rc = loadScans(f, 0, n - 1u, calibrated); rc != ZVRAW_OK) return rc;
  const std::vector<float*> rows = rowStarts(out.values.data(), count, n);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    // A negative channel wraps to a number no function has: refused with 15.
    const auto channel = static_cast<unsigned>(channels[i]);
    if (const int rc = m_pImp->getMRMChromatogram(f, channel, rows[i], i == 0 ? out.times.data() : nullptr); rc != ZVRAW_OK)
      return rc;
  }
  out.handOver(times, intensities);
  size = static_cast<int>(n);
  return ZVRAW_OK;
}

// ---- drift traces ----

int ZorvalenRawChromatogramReaderImp::driftReader(int function, ZorvalenRawCDCReaderImp*& reader) const {
  reader = nullptr;
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  if (const int rc = getDataCluster()->getCDCReader(static_cast<unsigned>(function), reader); rc != ZVRAW_OK)
    return rc;
  return reader != nullptr ? ZVRAW_OK : ZVRAW_DATA_NULL;
}

int ZorvalenRawChromatogramReaderImp::ReadMassChromatogram(int function, float precursorMass, float mass,
                                                           float*& times, float*& intensities, float precursorWindow,
                                                           float window, int& size) {
  const float half = precursorWindow / 2;
  int startIndex = 0, endIndex = 0;
  const auto f = static_cast<unsigned>(function);  // the calibration serves every function alike
  if (const int rc = getDataCluster()->getPrecursormassRangeToIndices(f, precursorMass - half, precursorMass + half,
                                                                      startIndex, endIndex);
      rc != ZVRAW_OK)
    return rc;
  ZorvalenRawCDCReaderImp* reader = nullptr;
  // Past the function number, every failure empties the outputs, as the
  // drift reader's own do.
  if (const int rc = driftReader(function, reader); rc != ZVRAW_OK) {
    if (rc != ZVRAW_FUNCNUM_INVALID) {
      times = intensities = nullptr;
      size = 0;
    }
    return rc;
  }
  return reader->ReadMassChromatogram(function, startIndex, endIndex, mass, window, times, intensities, size);
}

int ZorvalenRawChromatogramReaderImp::extractByBins(int function, float massStart, float massEnd, int firstBlock,
                                                    int lastBlock, int firstBin, int lastBin, int*& bins,
                                                    float*& intensities, int& size) {
  bins = nullptr;
  intensities = nullptr;
  size = 0;
  ZorvalenRawCDCReaderImp* reader = nullptr;
  if (const int rc = driftReader(function, reader); rc != ZVRAW_OK) return rc;
  return reader->extractByBins(massStart, massEnd, firstBlock, lastBlock, firstBin, lastBin, bins, intensities, size);
}

int ZorvalenRawChromatogramReaderImp::ReadMobillogram(int function, int startScan, int endScan, float startMass,
                                                      float endMass, int*& bins, float*& intensities, int& size) {
  bins = nullptr;
  intensities = nullptr;
  size = 0;
  ZorvalenRawCDCReaderImp* reader = nullptr;
  if (const int rc = driftReader(function, reader); rc != ZVRAW_OK) return rc;
  int count = 0;
  (void)reader->GetDriftCount(count);
  // Bins 0..-1 would read as an empty success: a function without drift
  // bins has no mobilogram.
  if (count <= 0) {
    const int status = reader->GetStatus();
    return status != ZVRAW_OK ? status : ZVRAW_DRIFTRANGE_INVALID;
  }
  return reader->extractByBins(startMass, endMass, startScan, endScan, 0, count - 1, bins, intensities, size);
}

}  // namespace Vardex::Lib::ZorvalenRaw
