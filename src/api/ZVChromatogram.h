#pragma once

// A chromatogram held for callers of the class interface: one times array of
// m_nSize values and m_nChromatograms intensity rows of the same length. The
// holder owns its arrays; a new SetSize and destruction release them.

#include <vector>

namespace Vardex::Lib::ZorvalenRaw {

class ZVChromatogram {
 public:
  ZVChromatogram() = default;
  ZVChromatogram(const ZVChromatogram&) = delete;
  ZVChromatogram& operator=(const ZVChromatogram&) = delete;
  // The rows point into the block, whose buffer a move hands over unchanged.
  ZVChromatogram(ZVChromatogram&&) noexcept = default;
  ZVChromatogram& operator=(ZVChromatogram&&) noexcept = default;
  ~ZVChromatogram() = default;

  // Releases the earlier arrays and makes room for nChromatograms rows and
  // the times, all of nSize values set to 0. A count below 1 gives no
  // arrays. 45 (ZVRAW_MEMALLOC_ERROR), with the holder empty, when the room
  // cannot be had.
  int SetSize(int nSize, int nChromatograms);

  // Null while the holder has no arrays.
  [[nodiscard]] float* GetTimes() { return m_nSize > 0 ? m_times.data() : nullptr; }
  [[nodiscard]] float** GetIntensities() { return m_ppIntensities.empty() ? nullptr : m_ppIntensities.data(); }
  [[nodiscard]] int GetSize() const { return m_nSize; }
  [[nodiscard]] int GetChromatogramCount() const { return m_nChromatograms; }

 private:
  void clear();

  std::vector<float> m_times;
  std::vector<float> m_block;  // row i is m_block[i * m_nSize, (i + 1) * m_nSize)
  std::vector<float*> m_ppIntensities;
  int m_nSize = 0;
  int m_nChromatograms = 0;
};

}  // namespace Vardex::Lib::ZorvalenRaw
