// Packing a decoded scan into its packet run in _funcNNN.dat.

#include <algorithm>
#include <array>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/EnhancedCalPacking.h"
#include "formats/scans/ZVRawScan.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

template <class T>
T at(const T* a, std::uint32_t i) {
  return a ? a[i] : T{};  // a missing flag or error array packs as 0
}

// Packs and writes a block at a time: no buffer per scan.
template <class PackRange>
int packRun(std::FILE* f, std::uint32_t n, unsigned int format, PackRange packRange) {
  if (!f) return ZVRAW_NULLPOINTER_ERROR;
  char* block = zvraw::threadScratchBlock();
  if (!block) return ZVRAW_SCANBUFFERALLOC_ERROR;
  const std::uint16_t bytes = zvraw_packed::getBytesPerPacket(format);
  const auto perBlock = static_cast<std::uint32_t>(zvraw::kScratchBlockBytes / bytes);
  for (std::uint32_t i = 0; i < n;) {
    const std::uint32_t part = std::min(perBlock, n - i);
    packRange(i, part, block);
    if (int rc = zvraw_packed::writeScan(f, block, bytes, part); rc != ZVRAW_OK) return rc;
    i += part;
  }
  return ZVRAW_OK;
}

// Packing peak after peak with packOne(i, p), which packs peak i at p.
template <class PackOne>
auto peakByPeak(unsigned int format, PackOne packOne) {
  const std::uint16_t bytes = zvraw_packed::getBytesPerPacket(format);
  return [=](std::uint32_t first, std::uint32_t count, char* p) {
    for (std::uint32_t i = first; i < first + count; ++i, p += bytes) packOne(i, p);
  };
}

// Calls use(packRange) with the format's packer of the scan's arrays, which
// packs the count peaks from first at p.
template <class Use>
int withPacker(unsigned int nDataFormat, const float* m, const float* in, const char* flags, const float* dm,
               const float* di, const char* acc, Use use) {
  switch (nDataFormat) {
    case 0:
      return use(peakByPeak(0, [&](std::uint32_t i, char* p) { zvraw_packed::packCompressedData(m[i], in[i], p); }));
    case 8:
      return use(peakByPeak(8, [&](std::uint32_t i, char* p) { zvraw_packed::packHiIntCalData(m[i], in[i], p); }));
    case 9:
      return use(peakByPeak(9, [&](std::uint32_t i, char* p) { zvraw_packed::packHiAccCalData(m[i], in[i], p); }));
    case 12:  // the common format: packed four peaks at a time
      return use([&](std::uint32_t first, std::uint32_t count, char* p) {
        zvraw_packed::packEnhancedCalRun(m + first, in + first, flags ? flags + first : nullptr, count, p);
      });
    case 13:
      return use(peakByPeak(13, [&](std::uint32_t i, char* p) {
        zvraw_packed::packEnhancedCalAccData(m[i], in[i], at(flags, i), at(dm, i), at(di, i), at(acc, i), p);
      }));
    default:
      return ZVRAW_DATATYPE_UNSUPPORTED;  // no packer for this format: nothing is written
  }
}

// The first bytes of an array, where the processor's own prefetching has
// not yet picked the stream up; a long array's rest follows on its own.
void prefetchStart(const void* array, std::size_t bytes) {
  constexpr std::size_t kLine = 64, kAhead = 16 * 1024;
  const auto* p = static_cast<const char*>(array);
  if (p == nullptr) return;
  for (std::size_t at = 0; at < std::min(bytes, kAhead); at += kLine) __builtin_prefetch(p + at);
}

}  // namespace

void ZVRawScan::prefetchForPacking() const {
  prefetchStart(m_pfMasses.get(), std::size_t{m_nPeaksInScan} * sizeof(float));
  prefetchStart(m_pcFlags.get(), m_nPeaksInScan);
}

void ZVRawScan::prefetchForTIC() const {
  prefetchStart(m_pfIntensities.get(), std::size_t{m_nPeaksInScan} * sizeof(float));
}

int ZVRawScan::writeScan(std::FILE* pFile, unsigned int nDataFormat) {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  if (!m_pfMasses || !m_pfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  return withPacker(nDataFormat, m_pfMasses.get(), m_pfIntensities.get(), m_pcFlags.get(), m_pfDMasses.get(),
                    m_pfDIntensities.get(), m_pcAccMassFlags.get(),
                    [&](auto packRange) { return packRun(pFile, m_nPeaksInScan, nDataFormat, packRange); });
}

int ZVRawScan::packScan(char* pOut, unsigned int nDataFormat) const {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  if (m_nPeaksInScan == 0) return ZVRAW_OK;
  if (!m_pfMasses || !m_pfIntensities || !pOut) return ZVRAW_NULLPOINTER_ERROR;
  return withPacker(nDataFormat, m_pfMasses.get(), m_pfIntensities.get(), m_pcFlags.get(), m_pfDMasses.get(),
                    m_pfDIntensities.get(), m_pcAccMassFlags.get(), [&](auto packRange) {
                      packRange(0, m_nPeaksInScan, pOut);
                      return ZVRAW_OK;
                    });
}

int ZVRawScan::packScanWithStats(char* pOut, unsigned int nDataFormat) {
  setTICs({this, 1});
  return packScanWithBasePeak(pOut, nDataFormat);
}

int ZVRawScan::packScanWithBasePeak(char* pOut, unsigned int nDataFormat) {
  constexpr unsigned int kEnhancedCal = 12;
  if (nDataFormat != kEnhancedCal || m_nPeaksInScan == 0 || !m_pfMasses || !m_pfIntensities || !pOut) {
    (void)setStats();  // an empty scan has no arrays; its statistics stay 0
    return packScan(pOut, nDataFormat);
  }
  m_nBPIIdx = static_cast<int>(zvraw_packed::packEnhancedCalRunWithBasePeak(
      m_pfMasses.get(), m_pfIntensities.get(), m_pcFlags.get(), m_nPeaksInScan, pOut));
  return ZVRAW_OK;
}

void ZVRawScan::setTICs(std::span<ZVRawScan> scans) {
  constexpr std::size_t kGroup = 16;  // runs summed per call, four side by side
  for (std::size_t first = 0; first < scans.size(); first += kGroup) {
    const std::span<ZVRawScan> group = scans.subspan(first, std::min(kGroup, scans.size() - first));
    std::array<zvraw_packed::IntensityRun, kGroup> runs{};
    std::array<float, kGroup> tics{};
    for (std::size_t k = 0; k < group.size(); ++k)
      if (group[k].m_pfMasses && group[k].m_pfIntensities)
        runs[k] = {group[k].m_pfIntensities.get(), group[k].m_nPeaksInScan};
    zvraw_packed::sumCountedIntensities(std::span(runs).first(group.size()), tics);
    // A scan without its arrays keeps its TIC, as setStats leaves it.
    for (std::size_t k = 0; k < group.size(); ++k)
      if (runs[k].intensities != nullptr) group[k].m_fTIC = tics[k];
  }
}

}  // namespace borealtek_zvraw_version_1
