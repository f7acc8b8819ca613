#include "api/ZorvalenRawElvoImp.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "api/Parameters.h"
#include "api/RetentionTimeOrder.h"
#include "api/ZorvalenRawInfoImp.h"
#include "api/ZorvalenRawScanReaderImp.h"
#include "cluster/ZVRawDataCluster.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kType = static_cast<int>(AcquisitionParameter::TYPE);
constexpr int kMS1 = static_cast<int>(AcquisitionParameter::MS1);
constexpr int kMS2 = static_cast<int>(AcquisitionParameter::MS2);

int intKey(const Parameters& set, int key) { return leadingInt(set.GetValue(key)).value_or(0); }

}  // namespace

bool ElvoHandle::operator<(const ElvoHandle& other) const {
  return retentionKey(m_fRT) < retentionKey(other.m_fRT);
}

bool handle_sorter(const ElvoHandle& a, const ElvoHandle& b) { return a < b; }

ZorvalenRawElvoImp::ZorvalenRawElvoImp() : ZorvalenRawProcessorImp(kProcessorType) {}

ZorvalenRawElvoImp::~ZorvalenRawElvoImp() = default;

std::unique_ptr<ZorvalenRawReaderImp> ZorvalenRawElvoImp::CreateRawReader(ZorvalenRawReaderImp& source) {
  m_bProcessed = false;
  return std::make_unique<ZorvalenRawScanReaderImp>(static_cast<const ZorvalenRawDataFile&>(source));
}

ZorvalenRawScanReaderImp* ZorvalenRawElvoImp::scanReader() const {
  // The own reader is always the one CreateRawReader made.
  return static_cast<ZorvalenRawScanReaderImp*>(getRawReader());
}

int ZorvalenRawElvoImp::getMaxScanSize(int function, unsigned int& size) const {
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_ERROR;
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  return cluster->getMaxScanSize(static_cast<unsigned>(function), size);
}

void ZorvalenRawElvoImp::getAcquisitionInfo(ZorvalenRawInfoImp& info, Parameters& acquisition) const {
  (void)info.GetAcquisitionInfo(acquisition);
}

int ZorvalenRawElvoImp::Process() {
  m_pHandles.clear();
  m_nTotalHandles = 0;
  m_nCurrentHandle = 0;
  ZorvalenRawScanReaderImp* reader = scanReader();
  if (reader == nullptr) return ZVRAW_ERROR;

  ZorvalenRawInfoImp info(static_cast<const ZorvalenRawDataFile&>(*reader));
  Parameters acquisition;
  getAcquisitionInfo(info, acquisition);
  // The ion-mobility variant is refused too.
  if (intKey(acquisition, kType) != static_cast<int>(ZorvalenAcquisitionType::ELVO)) return ZVRAW_ERROR;
  const int low = intKey(acquisition, kMS1);
  const int high = intKey(acquisition, kMS2);

  unsigned int largest = 0;
  std::uint64_t total = 0;
  for (int function : {low, high}) {
    unsigned int scans = 0, size = 0;
    (void)info.GetScansInFunction(function, scans);
    total += scans;
    if (getMaxScanSize(function, size) == ZVRAW_OK) largest = std::max(largest, size);
  }
  // The cursor is an unsigned int.
  if (total > UINT_MAX) return ZVRAW_ERROR;
  m_pHandles.reserve(static_cast<std::size_t>(total));
  float rt = 0.0f;  // a failed read keeps the time read before it
  for (int function : {low, high}) {
    const ZorvalenScanType type = function == low ? ZorvalenScanType::MS1 : ZorvalenScanType::MS2;
    unsigned int scans = 0;
    (void)info.GetScansInFunction(function, scans);
    for (unsigned int s = 0; s < scans && s <= static_cast<unsigned int>(INT_MAX); ++s) {
      (void)info.GetRetentionTime(function, static_cast<int>(s), rt);
      m_pHandles.push_back({rt, function, static_cast<int>(s), type});
    }
  }
  m_nTotalHandles = static_cast<unsigned int>(m_pHandles.size());
  // A size that cannot be had here is had at the read that needs it.
  if (largest > m_pMasses.capacity() &&
      (m_pMasses.allocate(largest) != ZVRAW_OK || m_pIntensities.allocate(largest) != ZVRAW_OK)) {
    m_pMasses.reset();
    m_pIntensities.reset();
  }
  // Stable: at equal times the low-energy function's scans come first, each
  // function's in scan order, as they were filled.
  std::stable_sort(m_pHandles.begin(), m_pHandles.end(), handle_sorter);
  m_bProcessed = true;
  return ZVRAW_OK;
}

int ZorvalenRawElvoImp::readEntry(const ElvoHandle& entry, unsigned int& count) {
  count = 0;
  ZorvalenRawScanReaderImp* reader = scanReader();
  if (reader == nullptr) return ZVRAW_ERROR;
  unsigned int size = 0;
  if (const int rc = reader->GetScanSize(entry.m_Function, entry.m_Scan, size); rc != ZVRAW_OK) return rc;
  if (size > m_pMasses.capacity() || size > m_pIntensities.capacity()) {
    if (m_pMasses.allocate(size) != ZVRAW_OK || m_pIntensities.allocate(size) != ZVRAW_OK) {
      m_pMasses.reset();
      m_pIntensities.reset();
      return ZVRAW_MEMALLOC_ERROR;
    }
  }
  const auto capacity = static_cast<unsigned int>(std::min(m_pMasses.capacity(), m_pIntensities.capacity()));
  return reader->readScan(entry.m_Function, entry.m_Scan, m_pMasses.data(), m_pIntensities.data(), nullptr, count,
                          capacity);
}

int ZorvalenRawElvoImp::GetNextScan(float& rt, ZorvalenScanType& type, float*& masses, float*& intensities,
                                    int& count, bool& next) {
  rt = 0.0f;
  type = ZorvalenScanType::UNINITIALISED;
  if (!m_bProcessed)
    if (const int rc = Process(); rc != ZVRAW_OK) return rc;
  next = m_nCurrentHandle < m_nTotalHandles;
  if (!next) return ZVRAW_OK;
  const ElvoHandle& entry = m_pHandles[m_nCurrentHandle++];
  rt = entry.m_fRT;
  type = entry.zvScanType;
  unsigned int n = 0;
  const int rc = readEntry(entry, n);
  if (rc != ZVRAW_OK || n > static_cast<unsigned int>(INT_MAX)) {
    masses = nullptr;
    intensities = nullptr;
    count = 0;
    return rc != ZVRAW_OK ? rc : ZVRAW_BUFFERSIZE_ERROR;
  }
  masses = m_pMasses.data();
  intensities = m_pIntensities.data();
  count = static_cast<int>(n);
  return ZVRAW_OK;
}

int ZorvalenRawElvoImp::ResetScan() {
  m_nCurrentHandle = 0;
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
