#include "api/ZorvalenSpectrumProcessorImp.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "api/ZorvalenRawScanReaderImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawExternInfo.h"
#include "processing/SpectrumSum.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kResolution = static_cast<int>(CentroidParameter::RESOLUTION);
constexpr int kAbsolute = static_cast<int>(ThresholdType::ABSOLUTE_THRESHOLD);
constexpr int kRelative = static_cast<int>(ThresholdType::RELATIVE_THRESHOLD);

}  // namespace

ZorvalenSpectrumProcessorImp::ZorvalenSpectrumProcessorImp()
    : ZorvalenRawProcessorImp(kProcessorType), m_pSpectrum(std::make_unique<ZVSpectrum>()) {}

ZorvalenSpectrumProcessorImp::~ZorvalenSpectrumProcessorImp() = default;

std::unique_ptr<ZorvalenRawReaderImp> ZorvalenSpectrumProcessorImp::CreateRawReader(ZorvalenRawReaderImp& source) {
  return std::make_unique<ZorvalenRawScanReaderImp>(static_cast<const ZorvalenRawDataFile&>(source));
}

ZorvalenRawScanReaderImp* ZorvalenSpectrumProcessorImp::scanReader() const {
  // The own reader is always the one CreateRawReader made.
  return static_cast<ZorvalenRawScanReaderImp*>(getRawReader());
}

int ZorvalenSpectrumProcessorImp::setScan(const float* masses, const float* intensities, int massCount,
                                          int intensityCount) {
  (void)m_pSpectrum->Clear();
  if (massCount < 0 || intensityCount < 0) return ZVRAW_PARAMETER_INVALID;
  if (massCount != intensityCount) return ZVRAW_SCANSIZELENGTH_ERROR;
  if (massCount > 0 && (masses == nullptr || intensities == nullptr)) return ZVRAW_NULL_PARAMETERS;
  // A point that is not a number would be smoothed, centroided and summed as data.
  const auto finite = [](float v) { return std::isfinite(v); };
  const auto n = static_cast<std::size_t>(massCount);
  if (!std::all_of(masses, masses + n, finite) || !std::all_of(intensities, intensities + n, finite))
    return ZVRAW_PARAMETER_INVALID;
  return m_pSpectrum->Initialise(masses, intensities, static_cast<unsigned int>(massCount), nullptr, nullptr);
}

int ZorvalenSpectrumProcessorImp::getScan(float*& masses, float*& intensities, int& count) const {
  masses = nullptr;
  intensities = nullptr;
  count = 0;
  const unsigned int n = m_pSpectrum->getSize();
  if (n > static_cast<unsigned int>(INT_MAX)) return ZVRAW_BUFFERSIZE_ERROR;  // no int count can say it
  count = static_cast<int>(n);
  if (n == 0) return ZVRAW_OK;
  masses = m_pSpectrum->Masses();
  intensities = m_pSpectrum->Intensities();
  return ZVRAW_OK;
}

int ZorvalenSpectrumProcessorImp::getScan(ZVSpectrum*& spectrum) const {
  spectrum = m_pSpectrum.get();
  return spectrum != nullptr ? ZVRAW_OK : ZVRAW_ERROR;
}

void ZorvalenSpectrumProcessorImp::clear(bool alsoParameters) {
  (void)m_pSpectrum->Clear();
  if (!alsoParameters) return;
  m_pSmoothParameters.reset();
  m_pThresholdParmeters.reset();
  _centroidParameters.reset();
}

// ---- smoothing ----

SmoothParametersImp& ZorvalenSpectrumProcessorImp::smoothParameters() {
  if (!m_pSmoothParameters) m_pSmoothParameters = std::make_unique<SpectrumSmoothParametersImp>();
  return *m_pSmoothParameters;
}

int ZorvalenSpectrumProcessorImp::smoothScan() { return m_pSpectrum->Smooth(&smoothParameters().GetParameters()); }

int ZorvalenSpectrumProcessorImp::setSmoothParameter(const ProcessParametersImp& parameters) {
  smoothParameters().Set(parameters.GetParameters());
  return ZVRAW_OK;
}

int ZorvalenSpectrumProcessorImp::getSmoothParameter(ProcessParametersImp& parameters) {
  parameters.Clear();
  SmoothParametersImp& set = smoothParameters();
  (void)set.GetParameters();
  for (const int key : set.GetSetKeys()) parameters.SetValue(key, set.GetValue(key));
  return ZVRAW_OK;
}

// ---- centroiding ----

int ZorvalenSpectrumProcessorImp::setCentroidParameter(const ProcessParametersImp& parameters) {
  if (!parameters.IsValueSet(kResolution)) return ZVRAW_PARAMETER_NOT_DEFINED;
  float value = 0.0f;
  const int rc = ProcessParametersImp::ReadFloat(parameters.GetValue(kResolution), value);
  // The centroider divides by the resolution.
  if (rc != ZVRAW_OK || !std::isfinite(value) || value <= 0.0f) {
    _centroidParameters.reset();
    return ZVRAW_PARAMETER_INVALID;
  }
  _centroidParameters = value;
  return ZVRAW_OK;
}

int ZorvalenSpectrumProcessorImp::resolution(float& value) {
  if (!_centroidParameters) {
    const ZVRawDataCluster* cluster = getDataCluster();
    if (cluster == nullptr) return ZVRAW_PARAMETER_NOT_DEFINED;
    const borealtek_zvraw_version_1::ZVRawExternInfo* info = nullptr;
    (void)cluster->getExternInfo(info);
    if (info == nullptr) return ZVRAW_PARAMETER_NOT_DEFINED;
    // Read as a caller's text would be, with six decimals.
    ProcessParametersImp fromDirectory;
    fromDirectory.SetValue(kResolution, info->getTofResolution());
    if (const int rc = setCentroidParameter(fromDirectory); rc != ZVRAW_OK) return rc;
  }
  value = *_centroidParameters;
  return ZVRAW_OK;
}

int ZorvalenSpectrumProcessorImp::getCentroidParameter(ProcessParametersImp& parameters) {
  parameters.Clear();
  float value = 0.0f;
  if (const int rc = resolution(value); rc != ZVRAW_OK) return rc;
  parameters.SetValue(kResolution, value);
  return ZVRAW_OK;
}

int ZorvalenSpectrumProcessorImp::centroidScan() {
  float value = 0.0f;
  if (const int rc = resolution(value); rc != ZVRAW_OK) return rc;
  return m_pSpectrum->RTCentroid(value);
}

// ---- thresholding ----

int ZorvalenSpectrumProcessorImp::setThresholdParameter(const ProcessParametersImp& parameters) {
  if (!m_pThresholdParmeters) m_pThresholdParmeters = std::make_unique<ThresholdParametersImp>();
  m_pThresholdParmeters->Set(parameters.GetParameters());
  // Refused now, as a resolution is; thresholdScan refuses the same set.
  return m_pThresholdParmeters->nonFiniteValue() ? ZVRAW_PARAMETER_INVALID : ZVRAW_OK;
}

int ZorvalenSpectrumProcessorImp::thresholdScan() {
  if (!m_pThresholdParmeters) return ZVRAW_PARAMETER_NOT_DEFINED;
  const ThresholdPars& pars = m_pThresholdParmeters->GetParameters();
  if (pars.getCode() != ZVRAW_OK) return pars.getCode();
  if (pars.getType() != kAbsolute && pars.getType() != kRelative) return ZVRAW_PARAMETER_NOT_DEFINED;
  return m_pSpectrum->applyThreshold(pars.getThreshold(), pars.getType() == kRelative, 0.0f);
}

}  // namespace Vardex::Lib::ZorvalenRaw
