#pragma once

// What a lock-mass peak must look like: a target ion within a mass window,
// confirmed by a second peak at a fixed mass offset whose intensity stands
// in an expected ratio to the target's. Built once, read by the spectrum's
// lock-mass search; there are no setters.
class MatchCriteria {
 public:
  // Target ion and confirmatory offset 0: a criteria object made this way
  // matches nothing useful until it is replaced by the four-value form.
  MatchCriteria() = default;
  MatchCriteria(const float& targetIon, const float& confirmatoryIon, const float& intensityRatio,
                const float& targetIonTolerance)
      : _targetIon(targetIon),
        _targetIonTolerance(targetIonTolerance),
        _confirmatoryIon(confirmatoryIon),
        _intensityRatio(intensityRatio) {}
  ~MatchCriteria() = default;

  [[nodiscard]] float GetTargetIon() const { return _targetIon; }
  [[nodiscard]] float GetTargetIonTolerance() const { return _targetIonTolerance; }
  [[nodiscard]] float GetConfirmatoryIon() const { return _confirmatoryIon; }
  [[nodiscard]] float GetConfirmatoryIonTolerance() const { return _confirmatoryIonTolerance; }
  [[nodiscard]] float GetIntensityRatio() const { return _intensityRatio; }
  // In percent of the expected ratio.
  [[nodiscard]] float GetIntensityRatioTolerance() const { return _ionRatioTolerance; }

 private:
  float _targetIon = 0.0f;
  float _targetIonTolerance = 0.5f;
  float _confirmatoryIon = 0.0f;  // mass offset from the target peak
  float _confirmatoryIonTolerance = 0.1f;
  float _intensityRatio = 0.0f;  // confirming intensity / target intensity
  float _ionRatioTolerance = 10.0f;
};
