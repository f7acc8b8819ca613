#include "api/ZorvalenRawDDAImp.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <tuple>

#include "api/AcquisitionInfo.h"
#include "api/ProcessParametersImp.h"
#include "api/RetentionTimeOrder.h"
#include "api/ZorvalenRawInfoImp.h"
#include "api/ZorvalenRawLockMassReaderImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawDDASettings.h"
#include "formats/portability/SysPaths.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ZVRawDDASettings;

namespace {

constexpr int kCentroid = static_cast<int>(DDAParameter::CENTROID);
constexpr int kLowerOffset = static_cast<int>(DDAIsolationWindowParameter::LOWEROFFSET);
constexpr int kUpperOffset = static_cast<int>(DDAIsolationWindowParameter::UPPEROFFSET);
constexpr int key(ZorvalenDDAIndexDetail detail) { return static_cast<int>(detail); }

// Time order; at equal times MS1 first, then the lower function, then the
// lower first scan, so that ties come out the same on every run.
bool entryBefore(const std::shared_ptr<DDAScan>& a, const std::shared_ptr<DDAScan>& b) {
  return std::make_tuple(retentionKey(a->GetRT()), !a->IsMS1(), a->GetFunction(), a->GetStartScan()) <
         std::make_tuple(retentionKey(b->GetRT()), !b->IsMS1(), b->GetFunction(), b->GetStartScan());
}

// The raw directory of the cluster (getRawFilePath fills a 256-byte buffer).
int rawDirectory(const ZVRawDataCluster& cluster, std::string& path) {
  std::array<char, zvraw::kMaxPathLength + 1> buffer{};
  const int rc = cluster.getRawFilePath(buffer.data());
  path.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return rc;
}

}  // namespace

int cleanSpectrum(float* masses, float* intensities, int size) {
  if (size < 6) return size;
  for (int i = 0; i < size; ++i)
    if (intensities[i] < 2.0f) intensities[i] = 0.0f;
  // Compacting in place overwrites point i - 1, so its zeroed intensity is
  // carried along: the neighbours are judged as they were before removal.
  float before = intensities[0];
  int kept = 1;
  for (int i = 1; i < size - 1; ++i) {
    const float here = intensities[i];
    const bool removed = before == 0.0f && here == 0.0f && intensities[i + 1] == 0.0f;
    before = here;
    if (removed) continue;
    masses[kept] = masses[i];
    intensities[kept] = here;
    ++kept;
  }
  masses[kept] = masses[size - 1];
  intensities[kept] = intensities[size - 1];
  return kept + 1;
}

ZorvalenRawDDAImp::ZorvalenRawDDAImp(ProgressCallBack callback, void* caller)
    : ZorvalenRawProcessorImp(kProcessorType, callback, caller),
      m_pMlSpectrumProcessor(std::make_unique<ZorvalenSpectrumProcessorImp>()) {}

ZorvalenRawDDAImp::~ZorvalenRawDDAImp() = default;

std::unique_ptr<ZorvalenRawReaderImp> ZorvalenRawDDAImp::CreateRawReader(ZorvalenRawReaderImp& source) {
  m_bProcessed = false;
  return std::make_unique<ZorvalenRawInfoImp>(static_cast<const ZorvalenRawDataFile&>(source));
}

ZorvalenRawInfoImp* ZorvalenRawDDAImp::infoReader() const {
  // The own reader is always the one CreateRawReader made.
  return static_cast<ZorvalenRawInfoImp*>(getRawReader());
}

// ---- building the list ----

int ZorvalenRawDDAImp::GetDDAInfo() {
  ZorvalenRawInfoImp* reader = infoReader();
  if (reader == nullptr) return ZVRAW_ERROR;
  const auto dda = std::dynamic_pointer_cast<DDAInfo>(reader->getAcquisitionInfo());
  if (!dda) return ZVRAW_INCORRECT_ACQUISITION_TYPE;
  _ms1Function = dda->GetMS1Function();
  _ms2Functions = dda->GetMS2Functions();
  return ZVRAW_OK;
}

bool ZorvalenRawDDAImp::Process() {
  if (m_bProcessed) return _processCode == ZVRAW_OK;
  m_bProcessed = true;
  _allScans.clear();
  _scanIterator = 0;
  _processCode = GetDDAInfo();
  if (_processCode != ZVRAW_OK) return false;
  setProgress(0);

  std::vector<std::shared_ptr<DDAScan>> fragments;
  for (int function : _ms2Functions) (void)getFragment(function, fragments);
  _allScans = std::move(fragments);
  (void)processMS1Scans();
  std::stable_sort(_allScans.begin(), _allScans.end(), entryBefore);
  updateSurveyRTs();
  _scanIterator = 0;

  m_pMlSpectrumProcessor = std::make_unique<ZorvalenSpectrumProcessorImp>();
  if (ZorvalenRawReaderImp* reader = getRawReader(); reader != nullptr)
    (void)m_pMlSpectrumProcessor->SetRawReader(*reader);
  return _processCode == ZVRAW_OK;
}

int ZorvalenRawDDAImp::getFragment(int function, std::vector<std::shared_ptr<DDAScan>>& entries) const {
  const ZorvalenRawInfoImp* reader = infoReader();
  const ZVRawDataCluster* cluster = getDataCluster();
  if (reader == nullptr || cluster == nullptr) return ZVRAW_ERROR;
  unsigned int n = 0;
  if (reader->GetScansInFunction(function, n) != ZVRAW_OK || n == 0) return ZVRAW_OK;
  n = std::min<unsigned int>(n, INT_MAX);

  // A scan without a statistics record has set mass 0; a failed time read
  // keeps the time read before it.
  const auto setMass = [&](int scan) {
    const borealtek_zvraw_version_1::ZVRawExtStatsRecord* record = nullptr;
    const int rc = cluster->getExtendedStatsRecord(static_cast<unsigned>(function), static_cast<unsigned>(scan), record);
    return rc == ZVRAW_OK && record != nullptr ? record->m_fSetMass : 0.0f;
  };
  float rt = 0.0f;
  const auto open = [&](int scan, float mass) {
    (void)reader->GetRetentionTime(function, scan, rt);
    auto entry = std::make_shared<DDAMS2Scan>(rt, function, scan);
    entry->SetSetMass(mass);
    return entry;
  };

  std::shared_ptr<DDAMS2Scan> entry = open(0, setMass(0));
  for (int scan = 1; scan < static_cast<int>(n); ++scan) {
    const float mass = setMass(scan);
    if (mass == entry->GetSetMass()) continue;
    entry->SetEndScan(scan - 1);
    entries.push_back(std::move(entry));
    entry = open(scan, mass);
  }
  entry->SetEndScan(static_cast<int>(n) - 1);
  entries.push_back(std::move(entry));
  return ZVRAW_OK;
}

int ZorvalenRawDDAImp::processMS1Scans() {
  const ZorvalenRawInfoImp* reader = infoReader();
  if (reader == nullptr) return ZVRAW_ERROR;
  unsigned int n = 0;
  if (const int rc = reader->GetScansInFunction(_ms1Function, n); rc != ZVRAW_OK) return rc;
  n = std::min<unsigned int>(n, INT_MAX);
  _allScans.reserve(_allScans.size() + n);
  float rt = 0.0f;  // a failed read keeps the time before it
  for (int scan = 0; scan < static_cast<int>(n); ++scan) {
    (void)reader->GetRetentionTime(_ms1Function, scan, rt);
    _allScans.push_back(std::make_shared<DDAScan>(rt, _ms1Function, scan));
  }
  return ZVRAW_OK;
}

void ZorvalenRawDDAImp::updateSurveyRTs() {
  float surveyRT = 0.0f;
  for (const std::shared_ptr<DDAScan>& entry : _allScans) {
    if (entry->IsMS1())
      surveyRT = entry->GetRT();
    else
      static_cast<DDAMS2Scan&>(*entry).SetSurveyRT(surveyRT);
  }
}

// ---- entries ----

int ZorvalenRawDDAImp::getLockMassGain(float rt, float& gain) const {
  // Forced: the gain of an installed table counts whether or not the run
  // could be corrected now.
  ZorvalenRawReaderImp* reader = getRawReader();
  if (reader == nullptr) return ZVRAW_ERROR;
  ZorvalenRawLockMassReaderImp lockMass;
  if (const int rc = lockMass.SetRawReader(*reader); rc != ZVRAW_OK) return rc;
  return lockMass.getLockMassCorrection(rt, gain, true);
}

void ZorvalenRawDDAImp::getScanInfo(const DDAScan& entry, ProcessParametersImp* parameters) const {
  if (parameters == nullptr) return;
  parameters->SetValue(key(ZorvalenDDAIndexDetail::RT), entry.GetRT());
  parameters->SetValue(key(ZorvalenDDAIndexDetail::FUNCTION), entry.GetFunction());
  parameters->SetValue(key(ZorvalenDDAIndexDetail::START_SCAN), entry.GetStartScan());
  parameters->SetValue(key(ZorvalenDDAIndexDetail::END_SCAN), entry.GetEndScan());
  if (entry.IsMS1()) {
    parameters->SetValue(key(ZorvalenDDAIndexDetail::SCAN_TYPE), static_cast<int>(ZorvalenScanType::MS1));
    return;
  }
  const auto& ms2 = static_cast<const DDAMS2Scan&>(entry);
  float gain = 1.0f;
  (void)getLockMassGain(ms2.GetSurveyRT(), gain);
  parameters->SetValue(key(ZorvalenDDAIndexDetail::SCAN_TYPE), static_cast<int>(ZorvalenScanType::MS2));
  parameters->SetValue(key(ZorvalenDDAIndexDetail::SET_MASS), ms2.GetSetMass());
  parameters->SetValue(key(ZorvalenDDAIndexDetail::PRECURSOR_MASS), gain * ms2.GetSetMass());
}

int ZorvalenRawDDAImp::getScan(int function, int first, int last, float*& masses, float*& intensities, int& size) {
  masses = nullptr;
  intensities = nullptr;
  size = 0;
  if (getRawReader() == nullptr) return ZVRAW_ERROR;
  if (const int rc = m_pMlSpectrumProcessor->combine(function, first, last); rc != ZVRAW_OK) return rc;
  // A spectrum asked for centroided that cannot be is no answer: the
  // centroider's code, with no arrays.
  if (m_bCentroid)
    if (const int rc = m_pMlSpectrumProcessor->centroid(); rc != ZVRAW_OK) return rc;
  return copySpectrum(masses, intensities, size);
}

int ZorvalenRawDDAImp::copySpectrum(float*& masses, float*& intensities, int& size) {
  ZVSpectrum* spectrum = nullptr;
  const int result = m_pMlSpectrumProcessor->getScan(spectrum);
  if (result != ZVRAW_OK) return result;
  const unsigned int n = spectrum->getSize();
  if (n > static_cast<unsigned int>(INT_MAX)) return ZVRAW_BUFFERSIZE_ERROR;
  if (static_cast<int>(n) > m_nScanSize) {
    // A tenth more than asked, so a run of slowly growing spectra does not
    // allocate on every entry.
    const double wanted = std::min(static_cast<double>(n) * 1.1, static_cast<double>(INT_MAX));
    const int capacity = std::max(static_cast<int>(n), static_cast<int>(wanted));
    m_nScanSize = 0;
    if (m_pMasses.allocate(static_cast<std::size_t>(capacity)) != ZVRAW_OK ||
        m_pIntensities.allocate(static_cast<std::size_t>(capacity)) != ZVRAW_OK) {
      m_pMasses.reset();
      m_pIntensities.reset();
      return ZVRAW_MEMALLOC_ERROR;
    }
    m_nScanSize = capacity;
  }
  if (n > 0) {
    std::memcpy(m_pMasses.data(), spectrum->getMasses(), n * sizeof(float));
    std::memcpy(m_pIntensities.data(), spectrum->getIntensities(), n * sizeof(float));
  }
  masses = m_pMasses.data();
  intensities = m_pIntensities.data();
  size = cleanSpectrum(masses, intensities, static_cast<int>(n));
  return result;
}

// ---- the public calls ----

int ZorvalenRawDDAImp::GetScanCount(int& count) {
  count = 0;
  if (!Process()) return _processCode;
  count = static_cast<int>(std::min<std::size_t>(_allScans.size(), INT_MAX));
  return ZVRAW_OK;
}

int ZorvalenRawDDAImp::entryAt(int index, std::shared_ptr<DDAScan>& entry) {
  if (!Process()) return _processCode;
  if (index < 0 || static_cast<std::size_t>(index) >= _allScans.size()) return ZVRAW_DDA_INDEX_INVALID;
  entry = _allScans[static_cast<std::size_t>(index)];
  return ZVRAW_OK;
}

int ZorvalenRawDDAImp::GetScanInfo(int index, ProcessParametersImp* parameters) {
  if (parameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  parameters->Clear();
  std::shared_ptr<DDAScan> entry;
  if (const int rc = entryAt(index, entry); rc != ZVRAW_OK) return rc;
  getScanInfo(*entry, parameters);
  return ZVRAW_OK;
}

int ZorvalenRawDDAImp::GetScan(int index, float*& masses, float*& intensities, int& size,
                               ProcessParametersImp* parameters) {
  if (parameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  parameters->Clear();
  std::shared_ptr<DDAScan> entry;
  if (const int rc = entryAt(index, entry); rc != ZVRAW_OK) return rc;
  getScanInfo(*entry, parameters);
  return getScan(entry->GetFunction(), entry->GetStartScan(), entry->GetEndScan(), masses, intensities, size);
}

int ZorvalenRawDDAImp::GetNextScan(float*& masses, float*& intensities, int& size, ProcessParametersImp* parameters,
                                   bool& next) {
  if (parameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  parameters->Clear();
  next = false;
  if (!Process()) return _processCode;
  if (_scanIterator >= _allScans.size()) return ZVRAW_OK;
  const std::shared_ptr<DDAScan> entry = _allScans[_scanIterator++];
  next = true;
  getScanInfo(*entry, parameters);
  return getScan(entry->GetFunction(), entry->GetStartScan(), entry->GetEndScan(), masses, intensities, size);
}

int ZorvalenRawDDAImp::Reset() {
  _scanIterator = 0;
  return ZVRAW_OK;
}

// ---- settings ----

int ZorvalenRawDDAImp::setParameters(const ProcessParametersImp& parameters) {
  (void)parameters.GetParameters().TryGetBoolValue(kCentroid, m_bCentroid);
  return ZVRAW_OK;
}

int ZorvalenRawDDAImp::getParameters(ProcessParametersImp& parameters) const {
  parameters.Clear();
  parameters.SetValue(kCentroid, m_bCentroid);
  return ZVRAW_OK;
}

int ZorvalenRawDDAImp::setQuadIsolationWindowParameters(const ProcessParametersImp& parameters) {
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_ERROR;
  if (const int rc = parameters.RequireKeys({kLowerOffset, kUpperOffset}); rc != ZVRAW_OK) return rc;
  float lower = 0.0f, upper = 0.0f;
  if (ProcessParametersImp::ReadFloat(parameters.GetValue(kLowerOffset), lower) != ZVRAW_OK ||
      ProcessParametersImp::ReadFloat(parameters.GetValue(kUpperOffset), upper) != ZVRAW_OK ||
      !std::isfinite(lower) || !std::isfinite(upper))
    return ZVRAW_PARAMETER_INVALID;
  std::string directory;
  if (const int rc = rawDirectory(*cluster, directory); rc != ZVRAW_OK) return rc;
  ZVRawDDASettings settings;
  settings.SetLowerOffset(lower);
  settings.SetUpperOffset(upper);
  return settings.Write(directory);
}

int ZorvalenRawDDAImp::getQuadIsolationWindowParameters(ProcessParametersImp& parameters) const {
  parameters.Clear();
  const ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_ERROR;
  ZVRawDDASettings settings;
  std::string directory;
  // A missing or unreadable file leaves both offsets at 0.
  if (rawDirectory(*cluster, directory) == ZVRAW_OK) (void)settings.Read(directory);
  parameters.SetValue(kLowerOffset, settings.GetLowerOffset());
  parameters.SetValue(kUpperOffset, settings.GetUpperOffset());
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
