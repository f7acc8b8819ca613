#include "api/AcquisitionInfo.h"

#include "api/Parameters.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int key(AcquisitionParameter p) { return static_cast<int>(p); }

}  // namespace

int AcquisitionInfo::GetParameters(Parameters& parameters) const {
  parameters.Clear();
  parameters.SetValue(key(AcquisitionParameter::TYPE), static_cast<int>(_acquisitionType));
  parameters.SetValue(key(AcquisitionParameter::LTEFF), _lteff);
  parameters.SetValue(key(AcquisitionParameter::VEFF), _veff);
  parameters.SetValue(key(AcquisitionParameter::RESOLUTION), _resolution);
  parameters.SetValue(key(AcquisitionParameter::SAMPLINGFREQUENCY), _sampleFrequency);
  return ZVRAW_OK;
}

int VeskoInfo::GetParameters(Parameters& parameters) const {
  const int rc = AcquisitionInfo::GetParameters(parameters);
  parameters.SetValue(key(AcquisitionParameter::PRECURSOR_MASS_START), _preCursorMassStart);
  parameters.SetValue(key(AcquisitionParameter::PRECURSOR_MASS_END), _preCursorMassEnd);
  return rc;
}

int DDAInfo::GetParameters(Parameters& parameters) const {
  const int rc = AcquisitionInfo::GetParameters(parameters);
  parameters.SetValue(key(AcquisitionParameter::LOCKMASS), _lockMassFunction);
  parameters.SetValue(key(AcquisitionParameter::MS1), _ms1Function);
  return rc;
}

int ElvoInfo::GetParameters(Parameters& parameters) const {
  const int rc = AcquisitionInfo::GetParameters(parameters);
  parameters.SetValue(key(AcquisitionParameter::LOCKMASS), _lockMassFunction);
  parameters.SetValue(key(AcquisitionParameter::MS1), _ms1Function);
  parameters.SetValue(key(AcquisitionParameter::MS2), _ms2Function);
  return rc;
}

}  // namespace Vardex::Lib::ZorvalenRaw
