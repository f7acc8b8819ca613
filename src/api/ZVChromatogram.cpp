#include "api/ZVChromatogram.h"

#include <cstdint>

#include "formats/portability/AllocationGuard.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

void ZVChromatogram::clear() {
  m_times = {};
  m_block = {};
  m_ppIntensities = {};
  m_nSize = 0;
  m_nChromatograms = 0;
}

int ZVChromatogram::SetSize(int nSize, int nChromatograms) {
  clear();
  if (nSize <= 0 || nChromatograms <= 0) return ZVRAW_OK;
  const auto n = static_cast<std::size_t>(nSize);
  const auto k = static_cast<std::size_t>(nChromatograms);
  // Both counts fit an int, so the product fits 64 bits; the block itself
  // must still fit what a vector may hold.
  if (n * k > m_block.max_size()) return ZVRAW_MEMALLOC_ERROR;
  const int rc = zvraw::guardAllocation([&] {
    m_block.assign(n * k, 0.0f);
    m_ppIntensities.resize(k);
    for (std::size_t i = 0; i < k; ++i) m_ppIntensities[i] = m_block.data() + i * n;
    m_times.assign(n, 0.0f);
    return ZVRAW_OK;
  });
  if (rc != ZVRAW_OK) {
    clear();
    return rc;
  }
  m_nSize = nSize;
  m_nChromatograms = nChromatograms;
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
