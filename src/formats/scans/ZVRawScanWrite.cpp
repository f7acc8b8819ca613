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
template <class PackOne>
int packRun(std::FILE* f, std::uint32_t n, unsigned int format, PackOne packOne) {
  if (!f) return ZVRAW_NULLPOINTER_ERROR;
  char* block = zvraw::threadScratchBlock();
  if (!block) return ZVRAW_SCANBUFFERALLOC_ERROR;
  const std::uint16_t bytes = zvraw_packed::getBytesPerPacket(format);
  const auto perBlock = static_cast<std::uint32_t>(zvraw::kScratchBlockBytes / bytes);
  for (std::uint32_t i = 0; i < n;) {
    const std::uint32_t part = std::min(perBlock, n - i);
    char* p = block;
    for (const std::uint32_t end = i + part; i < end; ++i, p += bytes) packOne(i, p);
    if (int rc = zvraw_packed::writeScan(f, block, bytes, part); rc != ZVRAW_OK) return rc;
  }
  return ZVRAW_OK;
}

// Calls use(packOne) with the format's packer of the scan's arrays, which
// packs peak i at p.
template <class Use>
int withPacker(unsigned int nDataFormat, const float* m, const float* in, const char* flags, const float* dm,
               const float* di, const char* acc, Use use) {
  switch (nDataFormat) {
    case 0:
      return use([&](std::uint32_t i, char* p) { zvraw_packed::packCompressedData(m[i], in[i], p); });
    case 8:
      return use([&](std::uint32_t i, char* p) { zvraw_packed::packHiIntCalData(m[i], in[i], p); });
    case 9:
      return use([&](std::uint32_t i, char* p) { zvraw_packed::packHiAccCalData(m[i], in[i], p); });
    case 12:
      return use([&](std::uint32_t i, char* p) { zvraw_packed::packEnhancedCalData(m[i], in[i], at(flags, i), p); });
    case 13:
      return use([&](std::uint32_t i, char* p) {
        zvraw_packed::packEnhancedCalAccData(m[i], in[i], at(flags, i), at(dm, i), at(di, i), at(acc, i), p);
      });
    default:
      return ZVRAW_DATATYPE_UNSUPPORTED;  // no packer for this format: nothing is written
  }
}

}  // namespace

int ZVRawScan::writeScan(std::FILE* pFile, unsigned int nDataFormat) {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  if (!m_pfMasses || !m_pfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  return withPacker(nDataFormat, m_pfMasses.get(), m_pfIntensities.get(), m_pcFlags.get(), m_pfDMasses.get(),
                    m_pfDIntensities.get(), m_pcAccMassFlags.get(),
                    [&](auto packOne) { return packRun(pFile, m_nPeaksInScan, nDataFormat, packOne); });
}

int ZVRawScan::packScan(char* pOut, unsigned int nDataFormat) const {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  if (m_nPeaksInScan == 0) return ZVRAW_OK;
  if (!m_pfMasses || !m_pfIntensities || !pOut) return ZVRAW_NULLPOINTER_ERROR;
  const std::uint16_t bytes = zvraw_packed::getBytesPerPacket(nDataFormat);
  return withPacker(nDataFormat, m_pfMasses.get(), m_pfIntensities.get(), m_pcFlags.get(), m_pfDMasses.get(),
                    m_pfDIntensities.get(), m_pcAccMassFlags.get(), [&](auto packOne) {
                      char* p = pOut;
                      for (std::uint32_t i = 0; i < m_nPeaksInScan; ++i, p += bytes) packOne(i, p);
                      return ZVRAW_OK;
                    });
}

}  // namespace borealtek_zvraw_version_1
