#pragma once

// The instrument values that switch the dead-time correction of
// time-of-flight peak detection on. A plain value: six doubles, no state.
class TOFDeadTimeCorrection {
 public:
  TOFDeadTimeCorrection() = default;

  // Compared as numbers, so a NaN field makes two records unequal.
  [[nodiscard]] bool operator==(const TOFDeadTimeCorrection& other) const {
    return m_fResolution == other.m_fResolution && m_fMassRange == other.m_fMassRange &&
           m_fCycleTime == other.m_fCycleTime && m_fLteff == other.m_fLteff && m_fVeff == other.m_fVeff &&
           m_fNPMultiplier == other.m_fNPMultiplier;
  }
  [[nodiscard]] bool operator!=(const TOFDeadTimeCorrection& other) const { return !(*this == other); }

  double& Resolution() { return m_fResolution; }
  double& MassRange() { return m_fMassRange; }
  double& CycleTime() { return m_fCycleTime; }
  double& Lteff() { return m_fLteff; }
  double& Veff() { return m_fVeff; }
  double& NPMultiplier() { return m_fNPMultiplier; }

  [[nodiscard]] double getResolution() const { return m_fResolution; }
  [[nodiscard]] double getMassRange() const { return m_fMassRange; }
  [[nodiscard]] double getCycleTime() const { return m_fCycleTime; }
  [[nodiscard]] double getLteff() const { return m_fLteff; }
  [[nodiscard]] double getVeff() const { return m_fVeff; }
  [[nodiscard]] double getNPMultiplier() const { return m_fNPMultiplier; }

 private:
  double m_fResolution = 5000.0;  // m / FWHM
  // The observed rate of a peak is its area over NP multiplier x cycle time x mass range.
  double m_fMassRange = 13881.0;
  double m_fCycleTime = 1.0;
  double m_fLteff = 2096.136963;  // effective flight length
  double m_fVeff = 7891.2;        // effective accelerating voltage
  double m_fNPMultiplier = 1.0;
};
