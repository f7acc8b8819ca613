#pragma once

// The spectrum the processors, the lock-mass correction and the scan writer
// hold while they work on it: parallel masses and intensities, optional
// per-point mass and intensity uncertainties (sigmas), and the point count.
// Operations that search assume ascending masses. Every array is a new[]
// array owned here; pointers handed out stay valid until the next
// operation that replaces the contents.

#include <memory>
#include <utility>
#include <vector>

#include "formats/scans/ZVRawMassType.h"
#include "processing/MatchCriteria.h"
#include "processing/SpectrumSearch.h"

namespace borealtek_calibrate_version_1 {
class FunctionCalibration;
}

class ZVSpectrum {
 public:
  ZVSpectrum() = default;
  // Copies nPts points; no sigmas. Null arrays or no points: empty.
  ZVSpectrum(const ZVRAW_MASSTYPE* pfMass, const ZVRAW_INTENSITYTYPE* pfIntensity, unsigned int nPts);
  // As many points as the shorter vector holds.
  ZVSpectrum(const std::vector<float>& masses, const std::vector<float>& intensities);
  // Copies go through Initialise, which says what is copied.
  ZVSpectrum(const ZVSpectrum&) = delete;
  ZVSpectrum& operator=(const ZVSpectrum&) = delete;

  // Virtual in this order, after the destructor.
  virtual ~ZVSpectrum() = default;
  // Keeps, in order, the points whose intensity is strictly above the
  // threshold (absolute, or a percentage of the base peak at or above the
  // cut-off), sigmas with their points. 1 empty, 32 arrays missing.
  virtual ZVRAW_RESULT applyThreshold(ZVRAW_INTENSITYTYPE fThreshold, bool bThresholdIsPercent,
                                      ZVRAW_MASSTYPE fLowMassCutoff);
  // Replaces the contents by copies (sigmas only where given); no points
  // or a null mass or intensity array leave the spectrum empty. Safe when
  // the arrays are this spectrum's own. Returns 0.
  virtual ZVRAW_RESULT DoInitialise(const ZVRAW_MASSTYPE* masses, const ZVRAW_INTENSITYTYPE* intensities,
                                    unsigned int n, const ZVRAW_MASSTYPE* massSigmas,
                                    const ZVRAW_INTENSITYTYPE* intensitySigmas);
  virtual ZVRAW_RESULT DoInitialise();
  // Masses and intensities only: the copy has no sigmas.
  virtual ZVRAW_RESULT DoInitialise(const ZVSpectrum& other);

  ZVRAW_RESULT Initialise(const ZVRAW_MASSTYPE* masses, const ZVRAW_INTENSITYTYPE* intensities, unsigned int n,
                          const ZVRAW_MASSTYPE* massSigmas, const ZVRAW_INTENSITYTYPE* intensitySigmas) {
    return DoInitialise(masses, intensities, n, massSigmas, intensitySigmas);
  }
  ZVRAW_RESULT Initialise(const ZVSpectrum& other) { return DoInitialise(other); }
  ZVRAW_RESULT Clear();

  [[nodiscard]] const ZVRAW_MASSTYPE* getMasses() const { return m_pfMass.get(); }
  [[nodiscard]] const ZVRAW_INTENSITYTYPE* getIntensities() const { return m_pfIntensity.get(); }
  [[nodiscard]] const ZVRAW_MASSTYPE* getMassSigmas() const { return m_pfMassSigmas.get(); }
  [[nodiscard]] const ZVRAW_INTENSITYTYPE* getIntensitySigmas() const { return m_pfIntensitySigmas.get(); }
  [[nodiscard]] const unsigned int& getSize() const { return m_nNumPts; }
  ZVRAW_MASSTYPE* Masses() { return m_pfMass.get(); }
  ZVRAW_INTENSITYTYPE* Intensities() { return m_pfIntensity.get(); }

  // First and last mass, and the smallest step between neighbours; with
  // fewer than two points 1 and the step untouched.
  ZVRAW_RESULT getStats(ZVRAW_MASSTYPE& fMinMassDelta, float& fMinMass, float& fMaxMass) const;
  // The first highest point from the last point below the cut-off on.
  ZVRAW_RESULT getBasePeak(unsigned int& nBasePeakIdx, ZVRAW_MASSTYPE fLowMassCutoff) const;
  // The first highest point strictly inside the window (1 when it is empty).
  ZVRAW_RESULT getBasePeak(unsigned int& nBasePeakIdx, ZVRAW_MASSTYPE fLowMassCutoff,
                           ZVRAW_MASSTYPE fHighMassCutoff) const;

  // Inclusive indices of the points strictly inside the window, or (-1, -1).
  [[nodiscard]] std::pair<int, int> Find(const float& startRange, const float& endEnd) const;
  // Ascending indices of the target peaks whose first confirming point
  // passes the intensity-ratio test.
  [[nodiscard]] std::vector<int> Find(const MatchCriteria& criteria) const;
  // r * t * (1 - tol%) <= c <= r * t * (1 + tol%), in single precision.
  [[nodiscard]] bool CheckIntensityRatio(const float& targetIonInt, const float& confmatoryIonInt,
                                         const float& expectedRatio, const float& ionTolerance) const;

  // Every mass times the gain; a gain of exactly 1 changes nothing.
  ZVRAW_RESULT ApplyMassGain(const float& gain);
  // Every mass times the factor; 32 when there is no mass array.
  ZVRAW_RESULT applyTemperatureCorrection(float fTempCorrection);
  // Raw values to calibrated masses, or the modification alone, in place.
  ZVRAW_RESULT calibrateSpec(const borealtek_calibrate_version_1::FunctionCalibration& rCali);
  ZVRAW_RESULT modifyCalibratedSpec(const borealtek_calibrate_version_1::FunctionCalibration& rCali);

 private:
  using Array = std::unique_ptr<float[]>;

  void assign(const float* masses, const float* intensities, unsigned int n, const float* massSigmas,
              const float* intensitySigmas);

  Array m_pfMass;
  Array m_pfIntensity;
  Array m_pfMassSigmas;       // null when absent
  Array m_pfIntensitySigmas;  // null when absent
  unsigned int m_nNumPts = 0;
  [[maybe_unused]] int m_nMassPrecision = 4;       // decimals, for callers that print
  [[maybe_unused]] int m_nIntensityPrecision = 4;  // decimals, for callers that print
};
