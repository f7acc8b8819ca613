// Packing a decoded scan into its packet run, in _funcNNN.dat or in memory.

#include "formats/scans/ScanPacking.h"

#include <algorithm>

#include "formats/portability/PageAlignedBuffer.h"
#include "formats/scans/EnhancedCalPacking.h"
#include "formats/scans/ScanStatistics.h"
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
int withPacker(unsigned int nDataFormat, const ZVRawScan::Arrays& a, Use use) {
  const float* m = a.masses;
  const float* in = a.intensities;
  switch (nDataFormat) {
    case 0:
      return use(peakByPeak(0, [&](std::uint32_t i, char* p) { zvraw_packed::packCompressedData(m[i], in[i], p); }));
    case 8:
      return use(peakByPeak(8, [&](std::uint32_t i, char* p) { zvraw_packed::packHiIntCalData(m[i], in[i], p); }));
    case 9:
      return use(peakByPeak(9, [&](std::uint32_t i, char* p) { zvraw_packed::packHiAccCalData(m[i], in[i], p); }));
    case 12:  // the common format: packed four peaks at a time
      return use([&](std::uint32_t first, std::uint32_t count, char* p) {
        zvraw_packed::packEnhancedCalRun(m + first, in + first, a.flags ? a.flags + first : nullptr, count, p);
      });
    case 13:
      return use(peakByPeak(13, [&](std::uint32_t i, char* p) {
        zvraw_packed::packEnhancedCalAccData(m[i], in[i], at(a.flags, i), at(a.dMasses, i), at(a.dIntensities, i),
                                             at(a.accFlags, i), p);
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

void prefetchForPacking(const ZVRawScan& scan) {
  const ZVRawScan::Arrays a = scan.arrays();
  prefetchStart(a.masses, std::size_t{a.peaks} * sizeof(float));
  prefetchStart(a.flags, a.peaks);
}

void prefetchForTIC(const ZVRawScan& scan) {
  const ZVRawScan::Arrays a = scan.arrays();
  prefetchStart(a.intensities, std::size_t{a.peaks} * sizeof(float));
}

int ZVRawScan::writeScan(std::FILE* pFile, unsigned int nDataFormat) {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  const Arrays a = arrays();
  if (!a.masses || !a.intensities) return ZVRAW_NULLPOINTER_ERROR;
  return withPacker(nDataFormat, a, [&](auto packRange) { return packRun(pFile, a.peaks, nDataFormat, packRange); });
}

int packScan(const ZVRawScan& scan, char* pOut, unsigned int nDataFormat) {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  const ZVRawScan::Arrays a = scan.arrays();
  if (a.peaks == 0) return ZVRAW_OK;
  if (!a.masses || !a.intensities || !pOut) return ZVRAW_NULLPOINTER_ERROR;
  return withPacker(nDataFormat, a, [&](auto packRange) {
    packRange(0, a.peaks, pOut);
    return ZVRAW_OK;
  });
}

int packScanWithStats(ZVRawScan& scan, char* pOut, unsigned int nDataFormat) {
  setTICs({&scan, 1});
  return packScanWithBasePeak(scan, pOut, nDataFormat);
}

int packScanWithBasePeak(ZVRawScan& scan, char* pOut, unsigned int nDataFormat) {
  constexpr unsigned int kEnhancedCal = 12;
  const ZVRawScan::Arrays a = scan.arrays();
  if (nDataFormat != kEnhancedCal || a.peaks == 0 || !a.masses || !a.intensities || !pOut) {
    (void)scan.setStats();  // an empty scan has no arrays; its statistics stay 0
    return packScan(scan, pOut, nDataFormat);
  }
  scan.setBasePeakIndex(static_cast<int>(
      zvraw_packed::packEnhancedCalRunWithBasePeak(a.masses, a.intensities, a.flags, a.peaks, pOut)));
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
