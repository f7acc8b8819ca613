#include "api/SmoothParametersImp.h"

#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kNumber = static_cast<int>(SmoothParameter::NUMBER);
constexpr int kWidth = static_cast<int>(SmoothParameter::WIDTH);
constexpr int kSmoothType = static_cast<int>(SmoothParameter::SMOOTHTYPE);
constexpr int kMean = static_cast<int>(SmoothType::MEAN);
constexpr int kMedian = static_cast<int>(SmoothType::MEDIAN);
constexpr int kSavitzkyGolay = static_cast<int>(SmoothType::SAVITZKY_GOLAY);

}  // namespace

SmoothParametersImp::SmoothParametersImp() : m_pSmoothParameters(std::make_unique<SmoothPars>("")) {
  for (const int key : {kWidth, kSmoothType, kNumber}) SetValue(key, "");
}

SmoothParametersImp::~SmoothParametersImp() = default;

const SmoothPars& SmoothParametersImp::GetParameters() {
  *m_pSmoothParameters = SmoothPars("");
  for (const int key : GetSetKeys()) {
    const std::string text = ProcessParametersImp::GetValue(key);
    if (!text.empty()) SetSmoothValue(key, text);
  }
  return *m_pSmoothParameters;
}

std::string SmoothParametersImp::GetValue(int key) const {
  const SmoothPars& record = *m_pSmoothParameters;
  switch (key) {
    case kNumber:
      return std::to_string(record.getNumberOfSmooths());
    case kWidth:
      return std::to_string(record.getSmoothWidth());
    case kSmoothType:
      return std::to_string(GetSmoothType(record.getSmoothType()));
    default:
      return {};
  }
}

void SmoothParametersImp::SetSmoothValue(int key, const std::string& text) {
  int value = 0;
  if (key != kNumber && key != kWidth && key != kSmoothType) return;
  if (ReadInt(text, value) != ZVRAW_OK) return;  // the set has no code to report it with
  if (key == kNumber) m_pSmoothParameters->NumberOfSmooths() = value;
  if (key == kWidth) m_pSmoothParameters->SmoothWidth() = value;
  if (key == kSmoothType) SetSmoothType(value);
}

void SmoothParametersImp::SetSmoothType(int value) {
  switch (value) {
    case kMean:
      m_pSmoothParameters->SmoothType() = SMOOTH_MEAN;
      break;
    case kMedian:
      m_pSmoothParameters->SmoothType() = SMOOTH_MEDIAN;
      break;
    case kSavitzkyGolay:
      m_pSmoothParameters->SmoothType() = SMOOTH_SAVITZKY_GOLAY;
      break;
    default:
      break;
  }
}

int SmoothParametersImp::GetSmoothType(int method) {
  switch (method) {
    case SMOOTH_MEAN:
      return kMean;
    case SMOOTH_MEDIAN:
      return kMedian;
    case SMOOTH_SAVITZKY_GOLAY:
      return kSavitzkyGolay;
    default:
      return -1;
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
