#include "api/LockMassParametersImp.h"

#include <cmath>

#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kMass = static_cast<int>(LockMassParameter::MASS);
constexpr int kTolerance = static_cast<int>(LockMassParameter::TOLERANCE);
constexpr int kForce = static_cast<int>(LockMassParameter::FORCE);

}  // namespace

LockMassParametersImp::LockMassParametersImp() : m_pLockmassParameters(std::make_unique<LockMassPars>()) {}

LockMassParametersImp::~LockMassParametersImp() = default;

bool LockMassParametersImp::valid() const { return RequireKeys({kMass, kTolerance}) == ZVRAW_OK; }

void LockMassParametersImp::SetLockMassValue(int key, const std::string& text) {
  LockMassPars& record = *m_pLockmassParameters;
  float value = 0.0f;
  int rc = ZVRAW_PARAMETER_INVALID;
  if (key == kMass) {
    if (ReadFloat(text, value) == ZVRAW_OK && std::isfinite(value) && value > 0.0f) {
      record.setLockMass(value);
      rc = ZVRAW_OK;
    }
  } else if (key == kTolerance) {
    if (ReadFloat(text, value) == ZVRAW_OK && std::isfinite(value) && value >= 0.0f) {
      record.setTolerance(value);
      rc = ZVRAW_OK;
    }
  } else if (key == kForce) {
    record.setForce(StringToBool(text));
    rc = ZVRAW_OK;
  }
  if (rc != ZVRAW_OK) record.setCode(rc);
}

const LockMassPars& LockMassParametersImp::GetParams() {
  *m_pLockmassParameters = LockMassPars();
  for (const int key : GetSetKeys()) SetLockMassValue(key, GetValue(key));
  LockMassPars& record = *m_pLockmassParameters;
  if (record.getCode() == ZVRAW_OK && !valid()) record.setCode(ZVRAW_PARAMETER_MISSING);
  return record;
}

}  // namespace Vardex::Lib::ZorvalenRaw
