#include "api/FunctionDescriptor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "formats/portability/TextNumbers.h"
#include "zorvalen/ZorvalenRawDefs.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi;

namespace {

// Unset ranges: any scan's value lies inside them, so the first scan sets both ends.
constexpr float kUnsetLow = std::numeric_limits<float>::max();
constexpr float kUnsetHigh = -std::numeric_limits<float>::max();
constexpr unsigned int kDefaultDataFormat = 12;
constexpr unsigned int kTofCode = 13;
constexpr unsigned int kLastIonModeCode = 13;  // LD- is the last mode a reader names
constexpr unsigned int kIonModeBase = 100, kFunctionTypeBase = 200;

}  // namespace

FunctionDescriptor::FunctionDescriptor() : m_pFunctionDescriptor(std::make_unique<ZVRawFunctionDescriptor_NonMaldi>()) {
  ZVRawFunctionDescriptor_NonMaldi& d = *m_pFunctionDescriptor;
  d.rtStart() = kUnsetLow;
  d.rtEnd() = kUnsetHigh;
  d.segmentStartMass(0) = kUnsetLow;
  d.segmentEndMass(0) = kUnsetHigh;
  d.segmentScanTime(0) = 1.0f;
  d.segmentCount() = 1;
  d.totalScans() = 0;
  d.dataType() = kDefaultDataFormat;
  d.extendedIndex() = true;
  d.functionType() = kTofCode;
  d.ionMode() = 0;
}

FunctionDescriptor::FunctionDescriptor(const ZVRawFunctionDescriptor_NonMaldi& record)
    : m_pFunctionDescriptor(std::make_unique<ZVRawFunctionDescriptor_NonMaldi>(record)) {
  m_pFunctionDescriptor->extendedIndex() = true;
}

FunctionDescriptor::~FunctionDescriptor() = default;

int FunctionDescriptor::applyKey(const Parameters& parameters, int k) {
  // A float key: 1 when its text is not a number, 57 for NaN or infinity,
  // which no mass range, grid or settings line can hold.
  const auto withFloat = [&](auto set) {
    float f = 0.0f;
    if (!parameters.TryGetFloatValue(k, f)) return ZVRAW_ERROR;
    if (!std::isfinite(f)) return ZVRAW_PARAMETER_INVALID;
    set(f);
    return ZVRAW_OK;
  };
  int i = 0;
  bool b = false;
  switch (static_cast<FunctionDefinition>(k)) {
    case FunctionDefinition::CONTINUUM:
      if (!parameters.TryGetBoolValue(k, b)) return ZVRAW_ERROR;
      SetContinuum(b);
      return ZVRAW_OK;
    case FunctionDefinition::IONMODE:
      if (!parameters.TryGetIntValue(k, i)) return ZVRAW_ERROR;
      // Unsigned wrap: a value below 100 becomes a code far above 13.
      return SetIonMode(static_cast<unsigned int>(i) - kIonModeBase);
    case FunctionDefinition::FUNCTIONTYPE:
      if (!parameters.TryGetIntValue(k, i)) return ZVRAW_ERROR;
      return SetFunctionType(static_cast<unsigned int>(i) - kFunctionTypeBase);
    case FunctionDefinition::STARTMASS:
      return withFloat([this](float f) { SetStartMass(f); });
    case FunctionDefinition::ENDMASS:
      return withFloat([this](float f) { SetEndMass(f); });
    case FunctionDefinition::CDT_SCANS: {
      // Not a number: the key is skipped. A count past an int is still a
      // count, clamped so that the drift store refuses it, not skipped.
      const std::optional<int> n = zvraw::leadingInt(parameters.GetValue(k), zvraw::IntOverflow::Clamp);
      if (!n) return ZVRAW_OK;
      if (*n < 0) return ZVRAW_PARAMETER_INVALID;
      SetScansInBlock(static_cast<unsigned int>(*n));
      return ZVRAW_OK;
    }
    case FunctionDefinition::SAMPLINGFREQUENCY:
      return withFloat([this](float f) { SetSamplingFrequency(f); });
    case FunctionDefinition::LTEFF:
      return withFloat([this](float f) { SetLteff(f); });
    case FunctionDefinition::VEFF:
      return withFloat([this](float f) { SetVeff(f); });
    case FunctionDefinition::RESOLUTION: {
      // Kept for the instrument settings, not here; a text that is no number
      // is skipped there, as CDT_SCANS is here.
      float f = 0.0f;
      return parameters.TryGetFloatValue(k, f) && !std::isfinite(f) ? ZVRAW_PARAMETER_INVALID : ZVRAW_OK;
    }
    default:  // other keys are not ours
      return ZVRAW_OK;
  }
}

int FunctionDescriptor::SetParameters(const Parameters& parameters) {
  for (const int k : parameters.GetSetKeys())
    if (const int rc = applyKey(parameters, k); rc != ZVRAW_OK) return rc;
  return ZVRAW_OK;
}

int FunctionDescriptor::Initalise(const FunctionDescriptor& other) {
  (void)SetIonMode(other.GetIonMode());
  const int rc = SetFunctionType(other.GetFunctionType());
  if (other.GetStartMass() != kUnsetLow) SetStartMass(other.GetStartMass());
  if (other.GetEndMass() != kUnsetHigh) SetEndMass(other.GetEndMass());
  SetContinuum(other.GetContinuum());
  SetScansInBlock(other.GetScansInBlock());
  SetLteff(other.GetLteff());
  SetVeff(other.GetVeff());
  SetSamplingFrequency(other.GetSamplingFrequency());
  return rc;
}

int FunctionDescriptor::SetIonMode(unsigned int code) {
  // The descriptor file holds five bits, and readers name 0 to 13 only.
  if (code > kLastIonModeCode) return ZVRAW_PARAMETER_INVALID;
  if (m_bCanModify) m_pFunctionDescriptor->ionMode() = code;
  return ZVRAW_OK;
}

int FunctionDescriptor::SetFunctionType(unsigned int code) {
  const int rc = IsSupported(code);
  if (rc == ZVRAW_OK && m_bCanModify) m_pFunctionDescriptor->functionType() = code;
  return rc;
}

void FunctionDescriptor::SetStartMass(float mass) {
  m_pFunctionDescriptor->segmentStartMass(0) = mass;
  m_bStartMass = true;
}

void FunctionDescriptor::SetEndMass(float mass) {
  m_pFunctionDescriptor->segmentEndMass(0) = mass;
  m_bEndMass = true;
}

void FunctionDescriptor::AddScans(int n) {
  if (n <= 0) return;
  std::uint32_t& total = m_pFunctionDescriptor->totalScans();
  total = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(std::uint64_t{total} + static_cast<std::uint32_t>(n), UINT32_MAX));
}

void FunctionDescriptor::SetRanges(float lowMass, float highMass, float rt) {
  ZVRawFunctionDescriptor_NonMaldi& d = *m_pFunctionDescriptor;
  if (!m_bStartMass && d.segmentStartMass(0) > lowMass) d.segmentStartMass(0) = lowMass;
  if (!m_bEndMass && highMass > d.segmentEndMass(0)) d.segmentEndMass(0) = highMass;
  if (d.rtStart() > rt) d.rtStart() = rt;
  if (rt > d.rtEnd()) d.rtEnd() = rt;
}

unsigned int FunctionDescriptor::GetIonMode() const { return m_pFunctionDescriptor->getIonMode(); }
unsigned int FunctionDescriptor::GetFunctionType() const { return m_pFunctionDescriptor->getFunctionType(); }
float FunctionDescriptor::GetStartMass() const { return m_pFunctionDescriptor->getSegmentStartMass(0); }
float FunctionDescriptor::GetEndMass() const { return m_pFunctionDescriptor->getSegmentEndMass(0); }
unsigned int FunctionDescriptor::TotalScans() const { return m_pFunctionDescriptor->getTotalScans(); }
unsigned int FunctionDescriptor::DataType() const { return m_pFunctionDescriptor->getDataType(); }
bool FunctionDescriptor::IsLumaventFunction() const { return m_pFunctionDescriptor->getLumaventFunction(); }

int FunctionDescriptor::IsSupported(unsigned int code) {
  switch (code) {
    case static_cast<unsigned int>(ZorvalenFunctionType::TOF) - kFunctionTypeBase:
    case static_cast<unsigned int>(ZorvalenFunctionType::TOFS) - kFunctionTypeBase:
    case static_cast<unsigned int>(ZorvalenFunctionType::TOFD) - kFunctionTypeBase:
    case static_cast<unsigned int>(ZorvalenFunctionType::TOFM) - kFunctionTypeBase:
    case static_cast<unsigned int>(ZorvalenFunctionType::TOFP) - kFunctionTypeBase:
      return ZVRAW_OK;
    default:
      return ZVRAW_WRITER_FUNCTIONTYPE_NOTSUPPORTED;
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
