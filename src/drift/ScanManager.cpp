#include "drift/ScanManager.h"

#include <limits>

#include "drift/IMSUtil.h"

namespace Vardex::Lib::ZorvalenRaw {

ScanManager::ScanManager(const float& Lteff, const float& Veff, const float& FrequencyGHz, const float& startMass,
                         const float& endMass)
    : _Lteff(Lteff), _Veff(Veff), _FrequencyGHz(FrequencyGHz), _startMass(startMass), _endMass(endMass) {
  // The largest float and its negative are the callers' "not set" marks.
  constexpr float kUnset = std::numeric_limits<float>::max();
  if (_startMass == kUnset || _endMass == -kUnset) return;
  const float ttm = IMSUtil::TimeToMass(_Lteff, _Veff, _FrequencyGHz);
  int endIndex = 0;
  if (!IMSUtil::GridIndices(ttm, _startMass, _endMass, IMSUtil::HalfUp::Float, _startIndex, endIndex)) return;
  _massScale = IMSUtil::MassScale(_startIndex, endIndex - _startIndex + 1, ttm);
  _intensities.assign(_massScale.size(), 0.0f);
  _valid = true;
}

void ScanManager::Resample(const float* masses, const float* intensites, int scans) {
  IMSUtil::Resample(masses, intensites, scans, _massScale.data(), _intensities.data(),
                    static_cast<int>(_massScale.size()));
}

void ScanManager::ZeroGuard(std::vector<float>& outMasses, std::vector<float>& outIntensities) const {
  (void)IMSUtil::RemoveZero(_massScale, _intensities, outMasses, outIntensities);
}

}  // namespace Vardex::Lib::ZorvalenRaw
