// The spectrum processor's two ways of filling its spectrum from the raw
// directory: summing scans, and summing drift bins of a compressed function.
// Both scale the sum once by the lock-mass gain of the scan range.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "api/ZorvalenRawScanReaderImp.h"
#include "api/ZorvalenSpectrumProcessorImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "processing/SpectrumSum.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// Detaches the installed lock-mass table from every function of the cluster
// for its lifetime, so scans read without it; it is attached again on every
// way out, since a table left detached would change every reader on the
// cluster.
class LockMassDetached {
 public:
  explicit LockMassDetached(ZVRawDataCluster& cluster) : cluster_(cluster) { (void)cluster_.removeExternalLumavent(); }
  ~LockMassDetached() { (void)cluster_.applyExternalLumavent(); }
  LockMassDetached(const LockMassDetached&) = delete;
  LockMassDetached& operator=(const LockMassDetached&) = delete;

 private:
  ZVRawDataCluster& cluster_;
};

int validScans(const ZVRawDataCluster& cluster, int function, int first, int last) {
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  if (first < 0 || last < 0) return ZVRAW_SCANRANGE_INVALID;
  return cluster.validScanRange(static_cast<unsigned>(function), static_cast<unsigned>(first),
                                static_cast<unsigned>(last));
}

}  // namespace

float ZorvalenSpectrumProcessorImp::rangeGain(int function, int first, int last) const {
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return 1.0f;
  bool calibrated = true;
  if (cluster->isCalibratedOmitLockmass(calibrated) != ZVRAW_OK || calibrated) return 1.0f;
  const borealtek_zvraw_version_1::ZVRawExternalLumavent* table = nullptr;
  (void)cluster->getExternalLumavent(table);
  float rtFirst = 0.0f, rtLast = 0.0f;
  if (table == nullptr || cluster->getRT(static_cast<unsigned>(function), static_cast<unsigned>(first), rtFirst) != 0 ||
      cluster->getRT(static_cast<unsigned>(function), static_cast<unsigned>(last), rtLast) != 0)
    return 1.0f;
  float gain = 1.0f;
  (void)table->getCorrection((rtFirst + rtLast) / 2.0f, gain);
  return zvraw::usableGain(gain);
}

int ZorvalenSpectrumProcessorImp::combineScan(int function, int first, int last) {
  // The spectrum it replaces lends its arrays to the sum when they can be
  // filled, so that combining again touches no fresh memory for them.
  std::unique_ptr<float[]> oldMasses, oldIntensities;
  unsigned int oldSize = 0;
  m_pSpectrum->release(oldMasses, oldIntensities, oldSize);
  ZorvalenRawScanReaderImp* reader = scanReader();
  ZVRawDataCluster* cluster = getDataCluster();
  if (reader == nullptr || cluster == nullptr) return ZVRAW_ERROR;
  if (const int rc = validScans(*cluster, function, first, last); rc != ZVRAW_OK) return rc;

  int result = ZVRAW_OK;
  unsigned int largest = 0;
  std::size_t total = 0;
  for (int scan = first; result == ZVRAW_OK && scan <= last; ++scan) {
    unsigned int size = 0;
    result = reader->GetScanSize(function, scan, size);
    largest = std::max(largest, size);
    total += size;
  }
  if (result == ZVRAW_OK) {
    const auto masses = std::make_unique_for_overwrite<float[]>(largest);
    const auto intensities = std::make_unique_for_overwrite<float[]>(largest);
    const LockMassDetached uncorrected(*cluster);
    if (!m_sum) m_sum = std::make_unique<SpectrumSum>();
    SpectrumSum& sum = *m_sum;
    sum.restart();
    sum.expect(total);
    if (oldSize <= total) sum.reuse(std::move(oldMasses), std::move(oldIntensities), oldSize);
    oldMasses.reset();
    oldIntensities.reset();
    for (int scan = first; result == ZVRAW_OK && scan <= last; ++scan) {
      unsigned int size = 0;
      result = reader->readScan(function, scan, masses.get(), intensities.get(), nullptr, size, largest);
      if (result == ZVRAW_OK) sum.add(masses.get(), intensities.get(), size);
    }
    sum.moveTo(*m_pSpectrum);
  }
  (void)m_pSpectrum->ApplyMassGain(rangeGain(function, first, last));
  return result;
}

int ZorvalenSpectrumProcessorImp::combineDriftScan(int function, int first, int last, int firstBin, int lastBin) {
  (void)m_pSpectrum->Clear();
  ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_ERROR;
  if (function < 0) return ZVRAW_FUNCNUM_INVALID;
  const auto f = static_cast<unsigned>(function);
  ZorvalenRawCDCReaderImp* drift = nullptr;
  if (const int rc = cluster->getCDCReader(f, drift); rc != ZVRAW_OK) return rc;
  if (const int rc = validScans(*cluster, function, first, last); rc != ZVRAW_OK) return rc;
  if (firstBin < 0 || lastBin < 0) return ZVRAW_DRIFTRANGE_INVALID;
  const int binsValid = cluster->validDriftRange(f, static_cast<unsigned>(firstBin), static_cast<unsigned>(lastBin));
  if (binsValid != ZVRAW_OK) return binsValid;
  float low = 0.0f, high = 0.0f;
  if (const int rc = cluster->getAcquisitionMassRange(f, low, high, 0); rc != ZVRAW_OK) return rc;

  std::vector<float> masses, intensities;
  const int result = drift->extractByMass(low, high, first, last, firstBin, lastBin, masses, intensities);
  m_pSpectrum = std::make_unique<ZVSpectrum>(masses, intensities);
  (void)m_pSpectrum->ApplyMassGain(rangeGain(function, first, last));
  return result;
}

}  // namespace Vardex::Lib::ZorvalenRaw
