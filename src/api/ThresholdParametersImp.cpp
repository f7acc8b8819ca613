#include "api/ThresholdParametersImp.h"

#include <cmath>
#include <string_view>

#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kValue = static_cast<int>(ThresholdParameter::VALUE);
constexpr int kType = static_cast<int>(ThresholdParameter::TYPE);

// A threshold that is not finite would keep every point or none.
int readThreshold(std::string_view text, float& threshold) {
  float value = 0.0f;
  if (const int rc = ProcessParametersImp::ReadFloat(text, value); rc != ZVRAW_OK) return rc;
  if (!std::isfinite(value)) return ZVRAW_PARAMETER_INVALID;
  threshold = value;
  return ZVRAW_OK;
}

}  // namespace

ThresholdParametersImp::ThresholdParametersImp() : m_pThresholdParameters(std::make_unique<ThresholdPars>()) {}

ThresholdParametersImp::~ThresholdParametersImp() = default;

bool ThresholdParametersImp::valid() const { return RequireKeys({kValue, kType}) == ZVRAW_OK; }

void ThresholdParametersImp::SetThresholdValue(int key, const std::string& text) {
  ThresholdPars& record = *m_pThresholdParameters;
  int rc = ZVRAW_PARAMETER_INVALID;
  if (key == kValue) {
    float threshold = 0.0f;
    if ((rc = readThreshold(text, threshold)) == ZVRAW_OK) record.setThreshold(threshold);
  } else if (key == kType) {
    int type = 0;
    if ((rc = ReadInt(text, type)) == ZVRAW_OK) record.setType(type);
  }
  if (rc != ZVRAW_OK) record.setCode(rc);
}

bool ThresholdParametersImp::nonFiniteValue() const {
  float value = 0.0f;
  return IsValueSet(kValue) && ReadFloat(GetValue(kValue), value) == ZVRAW_OK && !std::isfinite(value);
}

const ThresholdPars& ThresholdParametersImp::GetParameters() {
  *m_pThresholdParameters = ThresholdPars();
  for (const int key : GetSetKeys()) SetThresholdValue(key, GetValue(key));
  ThresholdPars& record = *m_pThresholdParameters;
  if (record.getCode() == ZVRAW_OK) record.setCode(RequireKeys({kValue, kType}));
  return record;
}

}  // namespace Vardex::Lib::ZorvalenRaw
