#include "cluster/ZVRawScanManagerImp.h"

#include <cstdint>
#include <limits>

#include "formats/portability/AllocationGuard.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

using borealtek_zvraw_version_1::ZVRawScan;

// An array of n empty scans; null when n is out of reach or memory is short
// (the buffer refuses both with 1).
std::shared_ptr<ZVRawScan[]> makeScans(std::uint64_t n) {
  if (n > std::numeric_limits<unsigned>::max()) return nullptr;
  return zvraw::guardAllocation([n] { return std::shared_ptr<ZVRawScan[]>(new ZVRawScan[n]); }, nullptr);
}

}  // namespace

int ZVRawScanManagerImp::moveScans(ZVRawScan* pScans, unsigned nStartScan, unsigned nEndScan) {
  if (!pScans || nEndScan < nStartScan) return ZVRAW_ERROR;
  if (!m_pScans) {
    const std::uint64_t count = std::uint64_t{nEndScan} - nStartScan + 1;
    auto scans = makeScans(count);
    if (!scans) return ZVRAW_ERROR;
    (void)ZVRawScan::moveScans(scans.get(), pScans, static_cast<unsigned>(count));
    m_pScans = std::move(scans);
    m_nStartScan = nStartScan;
    m_nEndScan = nEndScan;
    return ZVRAW_OK;
  }
  if (nEndScan < m_nEndScan) return ZVRAW_ERROR;
  if (nEndScan == m_nEndScan) return ZVRAW_OK;
  if (isContiguousScanRange(m_nStartScan, m_nEndScan, nStartScan, nEndScan) != 0) return ZVRAW_ERROR;

  const std::uint64_t held = std::uint64_t{m_nEndScan} - m_nStartScan + 1;
  const std::uint64_t added = nEndScan - m_nEndScan;
  auto scans = makeScans(held + added);
  if (!scans) return ZVRAW_ERROR;
  (void)ZVRawScan::moveScans(scans.get(), m_pScans.get(), static_cast<unsigned>(held));
  // The incoming scans the buffer already holds are left where they are.
  const std::uint64_t skip = std::uint64_t{m_nEndScan} - nStartScan + 1;
  (void)ZVRawScan::moveScans(scans.get() + held, pScans + skip, static_cast<unsigned>(added));
  m_pScans = std::move(scans);
  m_nEndScan = nEndScan;
  return ZVRAW_OK;
}

ZVRawScan* ZVRawScanManagerImp::getScanBuffer(unsigned nScanNumber) const {
  if (!m_pScans || nScanNumber < m_nStartScan || nScanNumber > m_nEndScan) return nullptr;
  return m_pScans.get() + (nScanNumber - m_nStartScan);
}

int ZVRawScanManagerImp::reset() {
  m_pScans.reset();
  return ZVRAW_OK;
}

int ZVRawScanManagerImp::isContiguousScanRange(unsigned, unsigned nEndScan1, unsigned nStartScan2, unsigned) {
  return std::uint64_t{nStartScan2} > std::uint64_t{nEndScan1} + 1 ? 1 : 0;
}
