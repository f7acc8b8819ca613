#include "api/ZorvalenRawScanReaderImp.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "zorvalen/ZorvalenRaw.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// A function or scan number below 0 never reaches the cluster, where it
// would wrap to a huge unsigned index.
int checkNumbers(int function, int scan) {
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  if (scan < 0) return ZVRAW_SCANNUM_INVALID;
  return ZVRAW_OK;
}

void multiply(float* values, std::size_t n, float gain) {
  for (std::size_t i = 0; i < n; ++i) values[i] *= gain;
}

}  // namespace

bool normaliseScanFlags(char* flags, unsigned int n) {
  bool any = false;
  for (unsigned int i = 0; i < n; ++i) {
    auto f = static_cast<unsigned char>(flags[i]);
    if (f != 0) any = true;
    if ((f & 0x06) != 0) f = static_cast<unsigned char>((f & 0x09) | 0x02);
    flags[i] = static_cast<char>(f);
  }
  return any;
}

// The access interface is made whatever the cluster's state: it reaches the
// cluster's record on every call, so a reader made on a cluster whose last
// update failed works again once an update succeeds.
ZorvalenRawScanReaderImp::ZorvalenRawScanReaderImp(const char* path)
    : ZorvalenRawReaderImp(HandleKind::ScanReader, path),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawScanReaderImp::ZorvalenRawScanReaderImp(const ZorvalenRawDataFile& source)
    : ZorvalenRawReaderImp(HandleKind::ScanReader, source),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawScanReaderImp::~ZorvalenRawScanReaderImp() = default;

int ZorvalenRawScanReaderImp::GetScanSize(int function, int scan, unsigned int& size) const {
  if (const int rc = checkNumbers(function, scan); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getScanSize(static_cast<unsigned>(function), static_cast<unsigned>(scan), size);
}

int ZorvalenRawScanReaderImp::ensureCapacity(unsigned int points) {
  if (points <= capacity()) return ZVRAW_OK;
  if (!CallerArray<float>::fits(points)) return ZVRAW_MEMALLOC_ERROR;
  m_flags.reset();
  if (m_masses.allocate(points) != ZVRAW_OK || m_intensities.allocate(points) != ZVRAW_OK) {
    m_masses.reset();
    m_intensities.reset();
    return ZVRAW_MEMALLOC_ERROR;
  }
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::AllocateMemory(int function, bool bFlags) {
  // The largest scan is asked once per change of function: the per-read
  // capacity check covers scans an update adds later.
  if (function != m_nCurrentFunction) {
    unsigned int largest = 0;
    if (function < 0 ||
        getDataCluster()->getMaxScanSize(static_cast<unsigned>(function), largest) != ZVRAW_OK)
      largest = 0;
    m_nCurrentFunction = function;
    if (const int rc = ensureCapacity(largest); rc != ZVRAW_OK) return rc;
  }
  if (bFlags && m_flags.data() == nullptr) return m_flags.allocate(capacity());
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::AllocateProductMemory(unsigned int count) { return m_productMasses.grow(count); }

// Loads the one scan a read returns, calibrating stored masses that are
// not calibrated yet.
int ZorvalenRawScanReaderImp::loadScan(int function, int scan) {
  ZVRawDataCluster* cluster = getDataCluster();
  if (const int rc = cluster->getInitialiseResult(); rc != ZVRAW_OK) return rc;
  const auto f = static_cast<unsigned>(function);
  const auto s = static_cast<unsigned>(scan);
  bool calibrated = false;
  if (const int rc = cluster->isCalibrated(f, calibrated); rc != ZVRAW_OK) return rc;
  return cluster->loadData(f, s, s, !calibrated, false);
}

int ZorvalenRawScanReaderImp::readScan(int function, int scan, float* masses, float* intensities, char* flags,
                                       unsigned int& size, unsigned int capacity) {
  size = 0;
  if (const int rc = checkNumbers(function, scan); rc != ZVRAW_OK) return rc;
  if (const int rc = loadScan(function, scan); rc != ZVRAW_OK) return rc;
  const auto f = static_cast<unsigned>(function);
  const auto s = static_cast<unsigned>(scan);
  const float* pMasses = nullptr;
  const float* pIntensities = nullptr;
  unsigned int n = 0;
  if (const int rc = m_pImp->getScan(f, s, &pMasses, &pIntensities, n); rc != ZVRAW_OK) return rc;
  if (n > capacity) return ZVRAW_BUFFERSIZE_ERROR;
  if (n > 0 && (pMasses == nullptr || pIntensities == nullptr || masses == nullptr || intensities == nullptr))
    return ZVRAW_DATA_NULL;
  if (n > 0) {
    std::memcpy(masses, pMasses, n * sizeof(float));
    std::memcpy(intensities, pIntensities, n * sizeof(float));
  }
  size = n;
  if (flags == nullptr) return ZVRAW_OK;
  const char* pFlags = nullptr;
  unsigned int nFlags = 0;
  const int rc = m_pImp->getScanFlags(f, s, &pFlags, nFlags);
  if (rc != ZVRAW_OK) return rc;
  // One flag byte per point: a short flag array reads as unflagged points.
  const unsigned int copied = pFlags != nullptr ? std::min(nFlags, n) : 0;
  if (copied > 0) std::memcpy(flags, pFlags, copied);
  std::memset(flags + copied, 0, n - copied);
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, float*& masses, float*& intensities, int& size) {
  masses = nullptr;
  intensities = nullptr;
  size = 0;
  unsigned int n = 0;
  if (const int rc = GetScanSize(function, scan, n); rc != ZVRAW_OK || n == 0) return rc;
  if (const int rc = AllocateMemory(function, false); rc != ZVRAW_OK) return rc;
  if (const int rc = ensureCapacity(n); rc != ZVRAW_OK) return rc;
  if (const int rc = readScan(function, scan, m_masses.data(), m_intensities.data(), nullptr, n, capacity()); rc != ZVRAW_OK)
    return rc;
  if (n == 0) return ZVRAW_OK;
  masses = m_masses.data();
  intensities = m_intensities.data();
  size = static_cast<int>(n);
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, float*& masses, float*& intensities, char*& flags,
                                       int& size) {
  masses = nullptr;
  intensities = nullptr;
  flags = nullptr;
  size = 0;
  unsigned int n = 0;
  if (const int rc = GetScanSize(function, scan, n); rc != ZVRAW_OK || n == 0) return rc;
  if (const int rc = ensureCapacity(n); rc != ZVRAW_OK) return rc;
  if (const int rc = AllocateMemory(function, true); rc != ZVRAW_OK) return rc;
  const int rc = readScan(function, scan, m_masses.data(), m_intensities.data(), m_flags.data(), n, capacity());
  if (rc != ZVRAW_OK && rc != ZVRAW_SCANFLAGS_UNSUPPORTED) return rc;
  if (n == 0) return ZVRAW_OK;
  // Data without flags still give their masses and intensities.
  if (rc == ZVRAW_OK && normaliseScanFlags(m_flags.data(), n)) flags = m_flags.data();
  masses = m_masses.data();
  intensities = m_intensities.data();
  size = static_cast<int>(n);
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, float*& masses, float*& intensities,
                                       float*& productMasses, int& size, int& productSize) {
  masses = nullptr;
  intensities = nullptr;
  productMasses = nullptr;
  size = 0;
  productSize = 0;
  unsigned int n = 0;
  if (const int rc = GetScanSize(function, scan, n); rc != ZVRAW_OK) return rc;
  if (const int rc = AllocateMemory(function, false); rc != ZVRAW_OK) return rc;
  if (const int rc = ensureCapacity(n); rc != ZVRAW_OK) return rc;
  if (const int rc = readScan(function, scan, m_masses.data(), m_intensities.data(), nullptr, n, capacity()); rc != ZVRAW_OK)
    return rc;
  const float* pProducts = nullptr;
  unsigned int nProducts = 0;
  const int rc = m_pImp->getDaughterMasses(static_cast<unsigned>(function), static_cast<unsigned>(scan),
                                           &pProducts, nProducts);
  if (rc != ZVRAW_OK) return rc;
  if (nProducts > 0 && pProducts == nullptr) return ZVRAW_DATA_NULL;
  if (const int code = AllocateProductMemory(nProducts); code != ZVRAW_OK) return code;
  if (nProducts > 0) std::memcpy(m_productMasses.data(), pProducts, nProducts * sizeof(float));
  masses = m_masses.data();
  intensities = m_intensities.data();
  productMasses = m_productMasses.data();
  size = static_cast<int>(n);
  productSize = static_cast<int>(nProducts);
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::ReadSpectrum(int function, float retentionTime, float*& masses, float*& intensities,
                                           int& size) {
  masses = nullptr;
  intensities = nullptr;
  size = 0;
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  unsigned int scan = 0;
  const int rc = getDataCluster()->getScanFromRT(static_cast<unsigned>(function), retentionTime, scan);
  if (rc != ZVRAW_OK) return rc;
  if (scan > static_cast<unsigned>(INT_MAX)) return ZVRAW_SCANNUM_INVALID;
  return ReadScan(function, static_cast<int>(scan), masses, intensities, size);
}

bool ZorvalenRawScanReaderImp::isScanLoaded(int function, int scan) const {
  if (checkNumbers(function, scan) != ZVRAW_OK) return false;
  unsigned int first = 0, last = 0;
  if (getDataCluster()->getLoadedScanRange(static_cast<unsigned>(function), first, last) != ZVRAW_OK) return false;
  const auto s = static_cast<unsigned>(scan);
  return first <= s && s <= last;
}

int ZorvalenRawScanReaderImp::lockMassScan(int function, int scan, float* masses, int count) const {
  if (count <= 0 || masses == nullptr || checkNumbers(function, scan) != ZVRAW_OK) return ZVRAW_OK;
  float gain = 1.0f;
  if (m_pImp->getLockMassCorrection(static_cast<unsigned>(function), static_cast<unsigned>(scan), gain) == ZVRAW_OK)
    multiply(masses, static_cast<std::size_t>(count), gain);
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::lockMassScan(int function, int scan, std::vector<float>& masses) const {
  if (masses.empty() || checkNumbers(function, scan) != ZVRAW_OK) return ZVRAW_OK;
  float gain = 1.0f;
  if (m_pImp->getLockMassCorrection(static_cast<unsigned>(function), static_cast<unsigned>(scan), gain) == ZVRAW_OK)
    multiply(masses.data(), masses.size(), gain);
  return ZVRAW_OK;
}

int ZorvalenRawScanReaderImp::driftReader(int function, ZorvalenRawCDCReaderImp*& reader) const {
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  reader = nullptr;
  const int rc = getDataCluster()->getCDCReader(static_cast<unsigned>(function), reader);
  if (rc != ZVRAW_OK) return rc;
  return reader != nullptr ? ZVRAW_OK : ZVRAW_DATA_NULL;
}

template <class... Out>
int ZorvalenRawScanReaderImp::readDrift(int function, int scan, int drift, int& size, Out&... outputs) {
  ZorvalenRawCDCReaderImp* reader = nullptr;
  if (const int rc = driftReader(function, reader); rc != ZVRAW_OK) return rc;
  // Negative numbers are refused here, before the drift reader's own state
  // is asked; the outputs end as the drift reader leaves them for numbers
  // past its counts: null and 0.
  if (scan < 0 || drift < 0) {
    ((outputs = nullptr), ...);
    size = 0;
    return scan < 0 ? ZVRAW_SCANNUM_INVALID : ZVRAW_DRIFTNUM_INVALID;
  }
  int count = 0;
  const int rc = reader->ReadScan(scan, drift, outputs..., count);
  size = count;
  return rc;
}

// The drift reader rebuilds its masses from the calibrated axis at every
// read, so the gain applied here never compounds.
int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, int drift, float*& masses, float*& intensities,
                                       int& size) {
  const int rc = readDrift(function, scan, drift, size, masses, intensities);
  if (rc == ZVRAW_OK) lockMassScan(function, scan, masses, size);
  return rc;
}

int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, int drift, int*& indices, float*& intensities,
                                       int& size) {
  return readDrift(function, scan, drift, size, indices, intensities);
}

int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, int drift, const std::uint32_t*& indices,
                                       float*& intensities, int& size) {
  return readDrift(function, scan, drift, size, indices, intensities);
}

int ZorvalenRawScanReaderImp::ReadScan(int function, int scan, int drift, int*& indices, float*& intensities,
                                       char*& flags, int& size) {
  return readDrift(function, scan, drift, size, indices, intensities, flags);
}

int ZorvalenRawScanReaderImp::GetMassScale(int function, int scan, float*& masses, int& size, int& offset) {
  masses = nullptr;
  size = 0;
  ZorvalenRawCDCReaderImp* reader = nullptr;
  if (const int rc = checkNumbers(function, scan); rc != ZVRAW_OK) return rc;
  if (const int rc = driftReader(function, reader); rc != ZVRAW_OK) return rc;
  // The scale carries the scan's gain: a scan the function lacks has none.
  unsigned int scans = 0;
  if (const int rc = getDataCluster()->getTotalScans(static_cast<unsigned>(function), scans); rc != ZVRAW_OK) return rc;
  if (static_cast<unsigned>(scan) >= scans) return ZVRAW_SCANNUM_INVALID;
  // Filled in place, so the buffer is reused from one call to the next;
  // emptied first, so a failed fill never has the gain applied twice.
  _lockMassCorrectedMassScale.clear();
  const int status = reader->GetMassScale(_lockMassCorrectedMassScale, offset);
  if (status != ZVRAW_OK) return status;
  lockMassScan(function, scan, _lockMassCorrectedMassScale);
  masses = _lockMassCorrectedMassScale.data();
  size = static_cast<int>(_lockMassCorrectedMassScale.size());
  return status;
}

}  // namespace Vardex::Lib::ZorvalenRaw
