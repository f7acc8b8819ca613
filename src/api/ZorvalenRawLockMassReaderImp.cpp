#include "api/ZorvalenRawLockMassReaderImp.h"

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "api/ZorvalenRawInfoImp.h"
#include "api/ZorvalenRawScanReaderImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawExternInfo.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "processing/MassMeasurePars.h"
#include "processing/SpectrumSum.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

using borealtek_zvraw_version_1::ZVRawExternalLumavent;

constexpr int kMass = static_cast<int>(LockMassParameter::MASS);
constexpr int kTolerance = static_cast<int>(LockMassParameter::TOLERANCE);
constexpr int kForce = static_cast<int>(LockMassParameter::FORCE);

// Scans closer in retention time than this are summed into one window.
constexpr float kWindow = 5.0f;
// Times the single-ion intensity: the least reference peak taken.
constexpr float kThresholdFactor = 113.63636f;
// Candidates below this share of the base peak are dropped.
constexpr float kCandidateShare = 100.0f;
constexpr std::size_t kPathBuffer = 256;

// Whether a scan read of the function goes through a mass calibration, which
// the installed gain scales: a function stored uncalibrated that has one.
bool readCalibratesScans(const ZVRawDataCluster& cluster, int function) {
  const auto f = static_cast<unsigned>(function);
  bool calibrated = true;
  const borealtek_calibrate_version_1::FunctionCalibration* calibration = nullptr;
  return cluster.isCalibrated(f, calibrated) == ZVRAW_OK && !calibrated &&
         cluster.getFunctionCalibration(f, calibration) == ZVRAW_OK && calibration != nullptr;
}

// Target ion, confirmatory-ion offset, intensity ratio, target tolerance.
const std::array<MatchCriteria, 3> kPositiveCompounds{
    MatchCriteria(1570.6774f, 1.0078f, 0.8f, 0.5f),
    MatchCriteria(785.8426f, 0.5039f, 0.8f, 0.5f),
    MatchCriteria(556.2771f, 1.0078f, 0.33f, 0.5f),
};
const std::array<MatchCriteria, 3> kNegativeCompounds{
    MatchCriteria(1568.6617f, 1.0078f, 0.8f, 0.5f),
    MatchCriteria(783.827f, 1.5039f, 0.8f, 0.5f),
    MatchCriteria(554.2615f, 1.0078f, 0.33f, 0.5f),
};

// Puts the set's pairs back on every way out of a correction made with
// other settings.
class PairsRestored {
 public:
  explicit PairsRestored(ProcessParametersImp& set) : set_(set), saved_(set.GetParameters()) {}
  ~PairsRestored() { set_.Set(saved_); }
  PairsRestored(const PairsRestored&) = delete;
  PairsRestored& operator=(const PairsRestored&) = delete;

 private:
  ProcessParametersImp& set_;
  Parameters saved_;
};

}  // namespace

ZorvalenRawLockMassReaderImp::ZorvalenRawLockMassReaderImp(ProgressCallBack callback, void* caller)
    : ZorvalenRawProcessorImp(kProcessorType, callback, caller) {}

ZorvalenRawLockMassReaderImp::~ZorvalenRawLockMassReaderImp() = default;

std::unique_ptr<ZorvalenRawReaderImp> ZorvalenRawLockMassReaderImp::CreateRawReader(ZorvalenRawReaderImp& source) {
  return std::make_unique<ZorvalenRawInfoImp>(static_cast<const ZorvalenRawDataFile&>(source));
}

ZorvalenRawInfoImp* ZorvalenRawLockMassReaderImp::infoReader() const {
  // The own reader is always the one CreateRawReader made.
  return static_cast<ZorvalenRawInfoImp*>(getRawReader());
}

void ZorvalenRawLockMassReaderImp::referenceFunction(unsigned int& function, unsigned int& scans) const {
  bool present = false;
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr || cluster->getLumaventInfo(function, present, scans) != ZVRAW_OK || !present) scans = 0;
}

// ---- deciding and correcting ----

bool ZorvalenRawLockMassReaderImp::doLockMass(int& result) {
  bool can = false;
  result = infoReader()->CanLockMassCorrect(can);
  if (result != ZVRAW_OK || !can) return false;
  const LockMassPars& pars = _lockmassParameters.GetParams();
  result = pars.getCode();
  if (result != ZVRAW_OK) return false;
  if (pars.getForce()) return true;
  const ZVRawExternalLumavent* table = nullptr;
  (void)getDataCluster()->getExternalLumavent(table);
  if (table == nullptr || !table->isCurrent()) return true;
  float mass = 0.0f, tolerance = 0.0f;
  table->getLockMass(mass, tolerance);
  // Bit for bit: the table was made with exactly these settings.
  const bool same = std::bit_cast<std::uint32_t>(mass) == std::bit_cast<std::uint32_t>(pars.getLockMass()) &&
                    std::bit_cast<std::uint32_t>(tolerance) == std::bit_cast<std::uint32_t>(pars.getTolerance());
  return !same;
}

int ZorvalenRawLockMassReaderImp::lockMassCorrect(bool& applied) {
  applied = false;
  if (infoReader() == nullptr) return ZVRAW_ERROR;
  int result = ZVRAW_OK;
  if (!doLockMass(result)) return result;
  std::unique_ptr<ZVRawExternalLumavent> table = generateLumaventGainTable();
  ZVRawDataCluster* cluster = getDataCluster();
  if (!table || cluster == nullptr) return ZVRAW_ERROR;
  const bool entries = !table->empty();
  // A table without entries is never left installed.
  if (const int rc = cluster->setExternalLumavent(entries ? table.release() : nullptr); rc != ZVRAW_OK) return rc;
  applied = entries;
  // The table is in effect here even when the file cannot follow it.
  return keepTableFile();
}

int ZorvalenRawLockMassReaderImp::keepTableFile() {
  const ZVRawDataCluster* cluster = getDataCluster();
  std::array<char, kPathBuffer> path{};
  if (const int rc = cluster->getRawFilePath(path.data()); rc != ZVRAW_OK) return rc;
  const ZVRawExternalLumavent* table = nullptr;
  (void)cluster->getExternalLumavent(table);
  return table != nullptr ? table->saveFile(path.data()) : ZVRawExternalLumavent::deleteFile(path.data());
}

int ZorvalenRawLockMassReaderImp::removeLockMassCorrection() {
  ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_OK;
  if (const int rc = cluster->setExternalLumavent(nullptr); rc != ZVRAW_OK) return rc;
  return keepTableFile();
}

int ZorvalenRawLockMassReaderImp::autoLockMassCorrect(bool force, bool& applied) {
  applied = false;
  ZorvalenRawInfoImp* info = infoReader();
  if (info == nullptr) return ZVRAW_ERROR;
  bool can = false;
  if (const int rc = info->CanLockMassCorrect(can); rc != ZVRAW_OK || !can) return rc;
  bool corrected = false;
  const int correctedCode = info->IsLockMassCorrected(corrected);
  if (corrected && !force) {
    applied = true;
    return correctedCode;
  }
  std::vector<MatchCriteria> criteria;
  (void)matchCriteria(criteria);
  ZVSpectrum candidates;
  const int result = getLockMassCandidates(candidates);
  std::vector<MatchCriteria> kept;
  for (const MatchCriteria& c : criteria)
    if (!candidates.Find(c).empty()) kept.push_back(c);
  if (kept.empty()) return result;
  if (kept.size() > 1) return ZVRAW_LOCKMASS_MULTIPLE_REFERENCE_COMPOUND_MATCH;

  const PairsRestored restore(_lockmassParameters);
  _lockmassParameters.Clear();
  _lockmassParameters.SetValue(kMass, kept.front().GetTargetIon());
  _lockmassParameters.SetValue(kTolerance, kept.front().GetTargetIonTolerance());
  _lockmassParameters.SetValue(kForce, true);
  return lockMassCorrect(applied);
}

int ZorvalenRawLockMassReaderImp::matchCriteria(std::vector<MatchCriteria>& criteria) {
  criteria.clear();
  ZorvalenRawInfoImp* info = infoReader();
  if (info == nullptr) return ZVRAW_ERROR;
  unsigned int function = 0, scans = 0;
  referenceFunction(function, scans);
  ZorvalenIonMode mode = ZorvalenIonMode::UNINITIALISED;
  if (const int rc = info->GetIonMode(static_cast<int>(function), mode); rc != ZVRAW_OK) return rc;
  // The positive modes are the even ones, 100 to 112.
  const bool positive = mode != ZorvalenIonMode::UNINITIALISED && static_cast<int>(mode) % 2 == 0;
  const auto& compounds = positive ? kPositiveCompounds : kNegativeCompounds;
  criteria.assign(compounds.begin(), compounds.end());
  return ZVRAW_OK;
}

// ---- the gain table ----

std::unique_ptr<ZVRawExternalLumavent> ZorvalenRawLockMassReaderImp::generateLumaventGainTable() {
  setProgress(0);
  const LockMassPars& pars = _lockmassParameters.GetParams();
  const float mass = pars.getLockMass(), tolerance = pars.getTolerance();
  ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return nullptr;
  const borealtek_zvraw_version_1::ZVRawExternInfo* settings = nullptr;
  (void)cluster->getExternInfo(settings);
  const float threshold = kThresholdFactor * (settings != nullptr ? settings->getSingleIonIntensity() : 1.0f);

  auto table = std::make_unique<ZVRawExternalLumavent>();
  table->setLockMass(mass, tolerance);
  unsigned int function = 0, scans = 0;
  referenceFunction(function, scans);

  // Each reference scan is read once and kept; the windows reuse them.
  std::vector<float> rt(scans, 0.0f);
  std::vector<ZVSpectrum> spectra(scans);
  ZorvalenRawScanReaderImp reader(static_cast<const ZorvalenRawDataFile&>(*getRawReader()));
  for (unsigned int i = 0; i < scans; ++i) {
    (void)cluster->getRT(function, i, rt[i]);
    (void)getLockMassSpectrum(reader, static_cast<int>(function), static_cast<int>(i), spectra[i]);
  }

  const auto near = [&rt](unsigned int i, unsigned int j) { return std::fabs(rt[i] - rt[j]) < kWindow; };
  SpectrumSum window;
  for (unsigned int i = 0; i < scans; ++i) {
    unsigned int first = 0;
    while (first < scans && !near(i, first)) ++first;
    if (first == scans) continue;  // a time that is not a number is near nothing
    unsigned int last = scans - 1;
    while (last > first && !near(i, last)) --last;

    for (unsigned int j = first; j <= last; ++j) window.add(spectra[j]);
    ZVSpectrum sum;
    window.moveTo(sum);
    if (processSpectrum(sum) != ZVRAW_OK) continue;
    unsigned int peak = 0;
    if (sum.getBasePeak(peak, mass - tolerance, mass + tolerance) != ZVRAW_OK) continue;
    const float observed = sum.getMasses()[peak];
    if (sum.getIntensities()[peak] > threshold && observed > 0.0f) {
      const float gain = mass / observed;
      if (std::isfinite(gain)) table->add(rt[i], gain);
    }
    setProgress(static_cast<int>(i), static_cast<int>(scans));
  }
  setProgress(100);
  return table;
}

int ZorvalenRawLockMassReaderImp::getLockMassSpectrum(ZorvalenRawScanReaderImp& reader, int function, int scan,
                                                      ZVSpectrum& out) {
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_ERROR;
  float* masses = nullptr;
  float* intensities = nullptr;
  int size = 0;
  const int rc = reader.ReadScan(function, scan, masses, intensities, size);
  if (rc != ZVRAW_OK || size <= 0) return rc;
  (void)out.Initialise(masses, intensities, static_cast<unsigned int>(size), nullptr, nullptr);
  const ZVRawExternalLumavent* table = nullptr;
  (void)cluster->getExternalLumavent(table);
  bool calibrated = true;
  // The read scaled the masses only where it calibrated them: a function
  // stored uncalibrated, with a calibration to scale. Undoing a gain it did
  // not apply would move the reference peak away from the lock mass.
  if (table != nullptr && cluster->isCalibratedOmitLockmass(calibrated) == ZVRAW_OK && !calibrated &&
      readCalibratesScans(*cluster, function)) {
    float rt = 0.0f, gain = 1.0f;
    if (cluster->getRT(static_cast<unsigned>(function), static_cast<unsigned>(scan), rt) == ZVRAW_OK)
      (void)table->getCorrection(rt, gain);
    (void)out.ApplyMassGain(1.0f / zvraw::usableGain(gain));
  }
  return rc;
}

int ZorvalenRawLockMassReaderImp::processSpectrum(ZVSpectrum& spectrum) {
  MassMeasurePars pars("Temp", false);
  pars.DoSubtract() = false;
  pars.DoSmooth() = false;
  pars.DoTofAcm() = false;
  return spectrum.MassMeasure(&pars, true);
}

int ZorvalenRawLockMassReaderImp::getLockMassCandidates(ZVSpectrum& spectrum) {
  if (getDataCluster() == nullptr) return ZVRAW_ERROR;
  unsigned int function = 0, scans = 0;
  referenceFunction(function, scans);
  ZorvalenRawScanReaderImp reader(static_cast<const ZorvalenRawDataFile&>(*getRawReader()));
  SpectrumSum sum;
  for (unsigned int s = 0; s < scans; ++s) {
    ZVSpectrum one;
    (void)getLockMassSpectrum(reader, static_cast<int>(function), static_cast<int>(s), one);
    if (one.getSize() > 0) sum.add(one);  // a scan not read adds nothing
  }
  sum.moveTo(spectrum);
  const int code = processSpectrum(spectrum);
  unsigned int base = 0;
  if (spectrum.getSize() > 0 && spectrum.getBasePeak(base, 0.0f) == ZVRAW_OK)
    (void)spectrum.applyThreshold(spectrum.getIntensities()[base] / kCandidateShare, false, 0.0f);
  return code;
}

// ---- queries ----

int ZorvalenRawLockMassReaderImp::installedTable(bool force, const ZVRawExternalLumavent*& table) {
  table = nullptr;
  ZorvalenRawInfoImp* info = infoReader();
  if (info == nullptr) return ZVRAW_ERROR;
  if (!force) {
    bool can = false;
    if (const int rc = info->CanLockMassCorrect(can); rc != ZVRAW_OK) return rc;
    if (!can) return ZVRAW_LOCKMASS_CORRECTION_UNSUPPORTED;
  }
  (void)getDataCluster()->getExternalLumavent(table);
  return table != nullptr ? ZVRAW_OK : ZVRAW_PARAMETER_NOT_DEFINED;
}

int ZorvalenRawLockMassReaderImp::getLockMassCorrection(float rt, float& gain, bool force) {
  const ZVRawExternalLumavent* table = nullptr;
  if (const int rc = installedTable(force, table); rc != ZVRAW_OK) return rc;
  // A gain the scan reads would not apply (none, or one that cannot scale
  // masses) is no correction here either.
  float at = 1.0f;
  if (table->getCorrection(rt, at) != ZVRAW_OK || !zvraw::scalesMasses(at)) return ZVRAW_PARAMETER_NOT_DEFINED;
  gain = at;
  return ZVRAW_OK;
}

int ZorvalenRawLockMassReaderImp::getLockMassCandidates(float*& masses, float*& intensities, int& count) {
  count = 0;
  if (infoReader() == nullptr) return ZVRAW_ERROR;
  ZVSpectrum spectrum;
  const int code = getLockMassCandidates(spectrum);
  const unsigned int n = spectrum.getSize();
  if (n > static_cast<unsigned int>(INT_MAX)) return ZVRAW_BUFFERSIZE_ERROR;
  if (n == 0) return code;
  float* m = ZorvalenRawReaderImp::AllocateAndFill(spectrum.getMasses(), static_cast<int>(n));
  float* i = ZorvalenRawReaderImp::AllocateAndFill(spectrum.getIntensities(), static_cast<int>(n));
  if (m == nullptr || i == nullptr) {
    ZorvalenRawReaderImp::ReleaseMemory(m);
    ZorvalenRawReaderImp::ReleaseMemory(i);
    return ZVRAW_MEMALLOC_ERROR;
  }
  masses = m;
  intensities = i;
  count = static_cast<int>(n);
  return code;
}

int ZorvalenRawLockMassReaderImp::getLockMassValuesParams(ProcessParametersImp& parameters) {
  parameters.Clear();
  const ZVRawExternalLumavent* table = nullptr;
  if (const int rc = installedTable(false, table); rc != ZVRAW_OK) return rc;
  float mass = 0.0f, tolerance = 0.0f;
  table->getLockMass(mass, tolerance);
  parameters.SetValue(kMass, mass);
  parameters.SetValue(kTolerance, tolerance);
  return ZVRAW_OK;
}

int ZorvalenRawLockMassReaderImp::setLockMassParameters(const ProcessParametersImp& parameters) {
  _lockmassParameters.Set(parameters.GetParameters());
  return ZVRAW_OK;
}

int ZorvalenRawLockMassReaderImp::getLockMassParameters(ProcessParametersImp& parameters) {
  const Parameters copy = _lockmassParameters.GetParameters();
  parameters.Clear();
  parameters.Set(copy);
  return ZVRAW_OK;
}

int ZorvalenRawLockMassReaderImp::canLockMassCorrect(int& can) {
  ZorvalenRawInfoImp* info = infoReader();
  if (info == nullptr) return ZVRAW_ERROR;
  bool value = false;
  const int rc = info->CanLockMassCorrect(value);
  can = value ? 1 : 0;
  return rc;
}

int ZorvalenRawLockMassReaderImp::isLockMassCorrected(int& applied) {
  ZorvalenRawInfoImp* info = infoReader();
  if (info == nullptr) return ZVRAW_ERROR;
  bool value = false;
  const int rc = info->IsLockMassCorrected(value);
  applied = value ? 1 : 0;
  return rc;
}

}  // namespace Vardex::Lib::ZorvalenRaw
