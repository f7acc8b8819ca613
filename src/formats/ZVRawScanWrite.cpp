// Packing a decoded scan into its packet run in _funcNNN.dat.

#include <algorithm>

#include "formats/PageBlock.h"
#include "formats/ZVRawScan.h"
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
  char* block = threadScratchBlock();
  if (!block) return ZVRAW_SCANBUFFERALLOC_ERROR;
  const std::uint16_t bytes = zvraw_packed::getBytesPerPacket(format);
  const auto perBlock = static_cast<std::uint32_t>(kScratchBlockBytes / bytes);
  for (std::uint32_t i = 0; i < n;) {
    const std::uint32_t part = std::min(perBlock, n - i);
    char* p = block;
    for (const std::uint32_t end = i + part; i < end; ++i, p += bytes) packOne(i, p);
    if (int rc = zvraw_packed::writeScan(f, block, bytes, part); rc != ZVRAW_OK) return rc;
  }
  return ZVRAW_OK;
}

}  // namespace

int ZVRawScan::writeScan(std::FILE* pFile, unsigned int nDataFormat) {
  if (int rc = zvraw_packed::isSupportedDataType(nDataFormat); rc != ZVRAW_OK) return rc;
  if (!m_pfMasses || !m_pfIntensities) return ZVRAW_NULLPOINTER_ERROR;
  const float* m = m_pfMasses.get();
  const float* in = m_pfIntensities.get();
  const char* flags = m_pcFlags.get();
  const std::uint32_t n = m_nPeaksInScan;
  switch (nDataFormat) {
    case 0:
      return packRun(pFile, n, 0, [&](std::uint32_t i, char* p) { zvraw_packed::packCompressedData(m[i], in[i], p); });
    case 8:
      return packRun(pFile, n, 8, [&](std::uint32_t i, char* p) { zvraw_packed::packHiIntCalData(m[i], in[i], p); });
    case 9:
      return packRun(pFile, n, 9, [&](std::uint32_t i, char* p) { zvraw_packed::packHiAccCalData(m[i], in[i], p); });
    case 12:
      return packRun(pFile, n, 12, [&](std::uint32_t i, char* p) {
        zvraw_packed::packEnhancedCalData(m[i], in[i], at(flags, i), p);
      });
    case 13: {
      const float* dm = m_pfDMasses.get();
      const float* di = m_pfDIntensities.get();
      const char* acc = m_pcAccMassFlags.get();
      return packRun(pFile, n, 13, [&](std::uint32_t i, char* p) {
        zvraw_packed::packEnhancedCalAccData(m[i], in[i], at(flags, i), at(dm, i), at(di, i), at(acc, i), p);
      });
    }
    default:
      return ZVRAW_DATATYPE_UNSUPPORTED;  // no packer for this format: nothing is written
  }
}

}  // namespace borealtek_zvraw_version_1
