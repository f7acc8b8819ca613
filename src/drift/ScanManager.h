#pragma once

// One function's fixed time-of-flight grid and an intensity buffer on it:
// continuum spectra are resampled onto the grid before they are written, so
// every scan of the function shares one mass axis.

#include <vector>

namespace Vardex::Lib::ZorvalenRaw {

class ScanManager {
 public:
  // Builds the grid from Lteff, Veff, the digitiser frequency in GHz and the
  // acquisition's mass range. Bad settings (an unset mass, a time-to-mass
  // factor that is not finite and positive, a reversed or non-positive
  // range, a grid over 2^24 indices) leave it invalid with an empty grid;
  // nothing throws.
  ScanManager(const float& Lteff, const float& Veff, const float& FrequencyGHz, const float& startMass,
              const float& endMass);
  ScanManager(const ScanManager&) = default;
  ScanManager& operator=(const ScanManager&) = default;
  virtual ~ScanManager() = default;

  [[nodiscard]] bool Valid() const { return _valid; }
  // Rebins one spectrum of `scans` points onto the grid, replacing the buffer.
  void Resample(const float* masses, const float* intensites, int scans);
  // The buffer on the grid with the inner points of zero runs dropped.
  void ZeroGuard(std::vector<float>& outMasses, std::vector<float>& outIntensities) const;

 private:
  float _Lteff;
  float _Veff;
  float _FrequencyGHz;
  float _startMass;
  float _endMass;
  int _startIndex = 0;
  bool _valid = false;
  std::vector<float> _massScale;
  std::vector<float> _intensities;
};

}  // namespace Vardex::Lib::ZorvalenRaw
