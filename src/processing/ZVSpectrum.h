#pragma once

// The spectrum the processors, the lock-mass correction and the scan writer
// hold while they work on it: parallel masses and intensities, optional
// per-point mass and intensity uncertainties (sigmas), and the point count.
// Operations that search assume ascending masses. Every array is owned
// here; pointers handed out stay valid until the next operation that
// replaces the contents.

#include <memory>
#include <utility>
#include <vector>

#include "formats/calibration/ZVRawMassType.h"
#include "processing/MatchCriteria.h"
#include "processing/SpectrumSearch.h"

namespace borealtek_calibrate_version_1 {
class FunctionCalibration;
}
class ABSSubtractPars;
class BackGroundSubPars;
class CenterPars;
class MassMeasurePars;
class SmoothPars;
class TofAcmPars;

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
  // Takes two arrays of at least n points as its masses and
  // intensities, without copying; no sigmas. No points: empty.
  void adopt(std::unique_ptr<float[]> masses, std::unique_ptr<float[]> intensities, unsigned int n);
  // Hands over its mass and intensity arrays (new[] arrays of at least n
  // points), dropping its sigmas: it is left empty.
  void release(std::unique_ptr<float[]>& masses, std::unique_ptr<float[]>& intensities, unsigned int& n);
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

  // Processing. Each returns 0, 1 (failed), 3, 32 (no set or arrays), 33 or
  // 57, and a failure leaves every spectrum as it was unless it says
  // otherwise. Memory that runs out in smoothing or real-time centroiding
  // is std::bad_alloc, the spectrum as it was.
  // Forms that write another spectrum accept this one as that spectrum.
  //
  // Segment subtraction (adaptive for a set of type ADAPTIVE, with the
  // adaptive defaults): Polynomial Order + 1 segments, the fraction below
  // raised by half the share of zero points, tolerance 0.01; points that
  // were 0 stay 0 and |y| < 1e-6 becomes +0.
  ZVRAW_RESULT Subtract(const BackGroundSubPars* pSubPars);
  // Segment subtraction as the set says (Polynomial Order segments, its
  // Tolerance), whatever its type, into subspec.
  ZVRAW_RESULT Subtract(const BackGroundSubPars* pSubPars, ZVSpectrum& subspec) const;
  // As the form above on this spectrum, the background into background;
  // adaptive for type ADAPTIVE.
  ZVRAW_RESULT SubtractAndGetBackground(const BackGroundSubPars* pSubPars, ZVSpectrum& background);
  // Four arrays for killsub, handed to the caller in place of what the
  // four held: the intensities, the background and the subtracted
  // intensities (zeros), the work array (|nPolyOrder| + 4 zeros). 33 with
  // nothing changed when the work array would outnumber both the points and
  // kMostSegmentsBeyondPoints.
  ZVRAW_RESULT getBackSubtractParams(std::unique_ptr<float[]>& pfIntensity, std::unique_ptr<float[]>& pfBackGround,
                                     std::unique_ptr<float[]>& pfSubtracted, std::unique_ptr<float[]>& pfWorksSpace,
                                     long nPolyOrder, float fBelow, float fTol, char* cSubDescription) const;
  static constexpr long kMostSegmentsBeyondPoints = 65536;

  // Adaptive subtraction. The points are re-gridded (the count may grow)
  // and the sigmas dropped. The subtractor's failures give 3 (too few
  // nominal masses), 1 (invalid masses or settings) and 33 (a full sub-bin,
  // no memory, or more points than an int holds).
  ZVRAW_RESULT ABS_Subtract(const ABSSubtractPars* pABSSubPars);
  // abs_spec becomes a copy of this spectrum, then is subtracted; on
  // failure it keeps the copy.
  ZVRAW_RESULT ABS_Subtract(const ABSSubtractPars* pABSSubPars, ZVSpectrum& abs_spec) const;
  ZVRAW_RESULT ABS_Subtract_Background(const ABSSubtractPars* pABSSubPars, ZVSpectrum& background);

  // Merges spec into this spectrum (a copy of it when this one is empty);
  // sigmas are dropped.
  ZVSpectrum& operator+=(const ZVSpectrum& spec);

  // Time-of-flight peak detection into centroids, dead-time corrected with
  // pTofAcm's values when given. In place |y| < 1e-6 counts as 0 first.
  // The sigmas are dropped. Always 0 with a set.
  ZVRAW_RESULT PeakDetect(const CenterPars* pCenterPars, bool bCounts, const TofAcmPars* pTofAcm);
  ZVRAW_RESULT PeakDetect(const CenterPars* pCenterPars, ZVSpectrum& centered_spec, bool bCounts,
                          const TofAcmPars* pTofAcm) const;
  // The real-time centroider with background subtraction at this
  // resolution; its peaks, with both sigma arrays, replace the spectrum. 1
  // (and no points) when the run fails; ZVRAW_PARAMETER_INVALID, the
  // spectrum unchanged, when the mass range needs more bins at this
  // resolution than the centroider allows for its points (MaxAxisBins).
  ZVRAW_RESULT RTCentroid(const float& fResolution);
  // Subtraction and smoothing as the set switches them (their results
  // ignored), then peak detection, whose result is returned.
  ZVRAW_RESULT MassMeasure(const MassMeasurePars* pMassMeasurePars, bool bCounts);
  ZVRAW_RESULT MassMeasure(const MassMeasurePars* pMassMeasurePars, ZVSpectrum& mass_measured_spec,
                           bool bCounts) const;
  // Smoothing with zero padding. 57 (ZVRAW_PARAMETER_INVALID), the spectrum
  // unchanged, for a method the smoother does not run or settings beyond
  // its caps (Smoothing.h). Padding that adds points drops the sigmas.
  ZVRAW_RESULT Smooth(const SmoothPars* pSmoothPars);
  ZVRAW_RESULT Smooth(const SmoothPars* pSmoothPars, ZVSpectrum& smooth_spec) const;

 private:
  using Array = std::unique_ptr<float[]>;

  void releaseSigmas();
  // killsub over the intensities; the background and the subtracted
  // intensities come back in back and subtracted.
  ZVRAW_RESULT segmentSubtract(long m0, float below, float tol, Array& back, Array& subtracted) const;
  ZVRAW_RESULT adaptiveSubtract(const ABSSubtractPars& pars, ZVSpectrum* background);
  void detectPeaks(const CenterPars& pars, bool bCounts, const TofAcmPars* pTofAcm);
  ZVRAW_RESULT smooth(const SmoothPars& pars);

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
