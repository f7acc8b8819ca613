// Packing a decoded scan into its packet run in _funcNNN.dat.

#include <algorithm>

#include "formats/portability/PageAlignedBuffer.h"
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

// Packs n format-12 points at p and takes setStats' TIC and base peak on
// the way. The TIC's additions must run in order to give the same float;
// interleaved with the packing they cost little more than the packing.
void packTwelveWithStats(const float* masses, const float* intensities, const char* flags, std::uint32_t n, char* p,
                         float& tic, int& best) {
  using namespace zvraw_packed::detail;
  const Float4 none = {-1.0f, -1.0f, -1.0f, -1.0f};  // below every intensity that counts
  float sum = 0;
  // Per lane, the largest intensity counted and the first point that has it.
  Float4 top = none;
  Uint4 topAt = {0, 1, 2, 3};
  Uint4 lanes = {0, 1, 2, 3};
  std::uint32_t i = 0;
  for (; n - i >= 4; i += 4, lanes += 4u) {
    const float* v = intensities + i;
    auto four = load4<Float4>(v);
    char* out = p + std::size_t{8} * i;
    if (packFourFromBits(masses + i, v, flagsOfFour(flags != nullptr ? flags + i : nullptr), out)) {
      sum += v[0];  // all four are 1 or more: each counts
      sum += v[1];
      sum += v[2];
      sum += v[3];
    } else {
      for (std::uint32_t k = 0; k < 4; ++k) {
        zvraw_packed::packEnhancedCalData(masses[i + k], v[k], at(flags, i + k), out + std::size_t{8} * k);
        if (v[k] >= 0) sum += v[k];  // NaN and negative intensities count for neither
      }
      four = four >= 0.0f ? four : none;
    }
    const Int4 above = four > top;  // strictly: a lane keeps its first point of a value
    top = above ? four : top;
    topAt = above ? lanes : topAt;
  }
  // The first point of the largest value over the lanes, then the rest.
  float largest = -1.0f;
  std::uint32_t largestAt = 0;
  for (int k = 0; k < 4; ++k)
    if (top[k] > largest || (top[k] == largest && top[k] >= 0 && topAt[k] < largestAt)) {
      largest = top[k];
      largestAt = topAt[k];
    }
  for (; i < n; ++i) {
    zvraw_packed::packEnhancedCalData(masses[i], intensities[i], at(flags, i), p + std::size_t{8} * i);
    const float v = intensities[i];
    if (!(v >= 0)) continue;
    sum += v;
    if (v > largest) {
      largest = v;
      largestAt = i;
    }
  }
  tic = sum;
  best = static_cast<int>(largestAt);  // the first point when none counts
}

}  // namespace

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
  constexpr unsigned int kEnhancedCal = 12;
  if (nDataFormat != kEnhancedCal || m_nPeaksInScan == 0 || !m_pfMasses || !m_pfIntensities || !pOut) {
    (void)setStats();  // an empty scan has no arrays; its statistics stay 0
    return packScan(pOut, nDataFormat);
  }
  packTwelveWithStats(m_pfMasses.get(), m_pfIntensities.get(), m_pcFlags.get(), m_nPeaksInScan, pOut, m_fTIC,
                      m_nBPIIdx);
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
