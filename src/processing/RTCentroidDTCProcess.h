#pragma once

// The real-time centroider: one continuum time-of-flight spectrum to a list
// of peaks, each with a mass, the uncertainty of that mass (negative when
// the mass is not accurate), an area or height and its uncertainty. A run
// rebins the spectrum onto the sinh axis (a peak of the set resolution is
// about five bins wide there), optionally subtracts the adaptive
// background, smooths with a triangle, finds peaks on the derivatives,
// turns their bin positions back into masses and ends with a dead-time
// stage that changes nothing.

#include <cstdint>
#include <memory>

#include "processing/ABS.h"
#include "processing/ABSWorkspace.h"
#include "processing/CalCovar.h"
#include "processing/DeadTimeArray.h"

class CRTCentroidDTCProcess {
 public:
  static constexpr float MIN_ACC_WIDTH_FAC = 1.5f;
  static constexpr float MAX_ACC_WIDTH_FAC = 2.5f;
  // A run makes at most kAxisBinFloor + kAxisBinsPerPoint x points bins
  // (and never more than kMaxGridIndices): a bin costs 30 to 65 bytes of
  // working and output memory, so a few points over a wide mass range at a
  // high resolution take some 35 MB at most, not hundreds.
  static constexpr long kAxisBinFloor = 1L << 19;
  static constexpr long kAxisBinsPerPoint = 2;
  [[nodiscard]] static long MaxAxisBins(long lNumDataPoints);

  CRTCentroidDTCProcess(float fResolution, float fLteff, float fVeff, float fTDC);
  CRTCentroidDTCProcess(const CRTCentroidDTCProcess&) = delete;
  CRTCentroidDTCProcess& operator=(const CRTCentroidDTCProcess&) = delete;
  ~CRTCentroidDTCProcess() { Clear(); }

  // Resolution 10000, Lteff 2000, Veff 8000, TDC 4; lives from load to
  // unload. One run at a time.
  static CRTCentroidDTCProcess& GetInstance();

  // The arrays a run hands to its caller.
  using DoubleArray = std::unique_ptr<double[]>;
  using FloatArray = std::unique_ptr<float[]>;

  // A run. Output arrays passed empty are allocated into the caller's
  // holders (count / 2 entries for the count bins of the axis); arrays
  // passed in them must hold count / 2 entries. False with
  // lNumPeaks 0, allocating nothing, for: null arrays with points, more
  // points than an int holds, a resolution, Lteff or Veff that is not finite
  // and above 0, a mass that is negative or not finite or below the one
  // before it, or an axis of more than MaxAxisBins(points) bins. True with
  // nothing written (lNumPeaks as it was) when the axis has fewer than 2
  // bins. Otherwise false with lNumPeaks 0 when the subtraction, smoothing
  // or peak finder fails, and else the dead-time stage's result. Memory
  // that runs out is std::bad_alloc, lNumPeaks 0 and any array allocated
  // so far in the caller's holders. Without normalised gradients the
  // peaks' sigmas are 0.
  bool RTCentroidDTC(const double* pdMasses, const unsigned short* pData, long lNumDataPoints,
                     DoubleArray& pdPeakPositions, FloatArray& pfPeakPosSigmas, FloatArray& pfPeakValues,
                     FloatArray& pfPeakValSigmas, long& lNumPeaks) const;
  bool RTCentroidDTC(const double* pdMasses, const float* pData, long lNumDataPoints, DoubleArray& pdPeakPositions,
                     FloatArray& pfPeakPosSigmas, FloatArray& pfPeakValues, FloatArray& pfPeakValSigmas,
                     long& lNumPeaks) const;
  bool PPCentroidDTC(const float* pfMasses, const float* pData, long lNumDataPoints, DoubleArray& pdPeakPositions,
                     FloatArray& pfPeakPosSigmas, FloatArray& pfPeakValues, FloatArray& pfPeakValSigmas,
                     long& lNumPeaks) const;
  // True when a run of this spectrum would be refused only because its mass
  // range needs more bins than MaxAxisBins allows at the set resolution.
  [[nodiscard]] bool AxisTooLong(const float* pfMasses, const float* pData, long lNumDataPoints) const;

  // Installs the calibration c0 .. cn (nOrder >= 1) with its packed
  // covariances, twice: as given and as updated by a lock mass. With an
  // observed and a true lock mass above 0, c1 (here and in pdCoeffs) is
  // corrected so that the observed mass calibrates to the true one, the
  // second covariance is updated (and copied into pdCovars), and, with a
  // mass range above 0, its variance table is built; the result is that of
  // the update and the table. Without a lock mass false, though installed.
  bool UpdateCalibration(double* pdCoeffs, double* pdCovars, int nOrder, bool bUseRootMass, double dStartMass,
                         double dEndMass, double dObsMass, double dObsMassSigma, double dTrueMass);
  // The most intense of the peaks (ascending) whose calibrated mass is
  // within dTolerance of dTrueMass, the first met among equals; -1 for none.
  [[nodiscard]] long LocateLockMass(const double* pdPeakPositions, const float* pfPeakValues, long lNumPeaks,
                                    double dTrueMass, double dTolerance, const double* pdCoeffs, int nOrder,
                                    bool bUseRootMass) const;
  // Adds the calibration's variance at each position to its sigma's square
  // (the lock-mass peak's from the covariance as given, the others' from
  // the updated one), keeping each sigma's sign, and with bApplyToMass
  // calibrates the positions. False without a calibration or positions, or
  // with neither sigmas nor bApplyToMass.
  bool ApplyCalibration(double* pdPeakPositions, float* pfPeakPosSigmas, long lNumPeaks, bool bApplyToMass,
                        long lLockMassIndex) const;
  // lNumPoints masses uniform in sqrt(m) from start to end (the start mass
  // alone for one point), for the caller to keep; null unless
  // 0 <= start < end (end finite) and 1 <= lNumPoints <= kMaxGridIndices.
  [[nodiscard]] DoubleArray CreateMassAxis(double fStartMass, double fEndMass, long lNumPoints) const;

  // Releases the working arrays, the calibration and the subtractor. A
  // later run with subtraction on makes a new subtractor (20, 10, 0.45).
  void Clear();

  void SetResolution(float f) { m_fResolution = f; }
  [[nodiscard]] float GetResolution() const { return m_fResolution; }
  void SetLteff(float f) { m_fLteff = f; }
  [[nodiscard]] float GetLteff() const { return m_fLteff; }
  void SetVeff(float f) { m_fVeff = f; }
  [[nodiscard]] float GetVeff() const { return m_fVeff; }
  void SetTDC(float f) { m_fTDC = f; }
  [[nodiscard]] float GetTDC() const { return m_fTDC; }
  void SetDoSmooth(bool b) { m_bDoSmooth = b; }
  [[nodiscard]] bool GetDoSmooth() const { return m_bDoSmooth; }
  void SetSmoothWidth(int n) { m_nSmoothWidth = n; }
  [[nodiscard]] int GetSmoothWidth() const { return m_nSmoothWidth; }
  void SetNormaliseGradient(bool b) { m_bNormaliseGradient = b; }
  [[nodiscard]] bool GetNormaliseGradient() const { return m_bNormaliseGradient; }
  void SetAbsoluteGradientThreshold(float f) { m_fGradientThreshold = f; }
  [[nodiscard]] float GetAbsoluteGradientThreshold() const { return m_fGradientThreshold; }
  // Also sets the accurate-width limits to 1.5 and 2.5 times the width.
  void SetGradientThresholdWidth(float f);
  [[nodiscard]] float GetGradientThresholdWidth() const { return m_fGradientThresholdWidth; }
  void SetMaxBinsToTrack(int n) { m_nMaxPeakWidth = n; }
  [[nodiscard]] int GetMaxBinsToTrack() const { return m_nMaxPeakWidth; }
  void SetAbsoluteThreshold(float f) { m_fAbsoluteThreshold = f; }
  [[nodiscard]] float GetAbsoluteThreshold() const { return m_fAbsoluteThreshold; }
  void SetCentroidPercentage(int n) { m_nCentroidPercentage = n; }
  [[nodiscard]] int GetCentroidPercentage() const { return m_nCentroidPercentage; }
  void SetReportCentroidArea(bool b) { m_bCentroidArea = b; }
  [[nodiscard]] bool GetReportCentroidArea() const { return m_bCentroidArea; }
  void SetFirstDifferenceWidth(int n) { m_nFirstDiffWidth = n; }
  [[nodiscard]] int GetFirstDifferenceWidth() const { return m_nFirstDiffWidth; }
  void SetSecondDifferenceWidth(int n) { m_nSecondDiffWidth = n; }
  [[nodiscard]] int GetSecondDifferenceWidth() const { return m_nSecondDiffWidth; }
  void SetDoBackgroundSubtract(bool b) { m_bDoBackgroundSubtract = b; }
  [[nodiscard]] bool GetDoBackgroundSubtract() const { return m_bDoBackgroundSubtract; }
  void SetDoDeadtimeCorrection(bool b) { m_bDoDeadtimeCorrection = b; }
  [[nodiscard]] bool GetDoDeadtimeCorrection() const { return m_bDoDeadtimeCorrection; }
  void SetNpMultiplier(float f) { m_fNpMultiplier = f; }
  [[nodiscard]] float GetNpMultiplier() const { return m_fNpMultiplier; }
  void SetCycleTime(float f) { m_fCycleTime = f; }
  [[nodiscard]] float GetCycleTime() const { return m_fCycleTime; }
  void SetMinMass(float f) { m_fMinMass = f; }
  [[nodiscard]] float GetMinMass() const { return m_fMinMass; }
  void SetMaxMass(float f) { m_fMaxMass = f; }
  [[nodiscard]] float GetMaxMass() const { return m_fMaxMass; }
  void SetPusherFrequency(float f) { m_fPusherFrequency = f; }
  [[nodiscard]] float GetPusherFrequency() const { return m_fPusherFrequency; }
  // Not owned: the table must outlive its use here.
  void SetDeadTimeTable(DeadTimeArray* p) { m_pDeadTimeTable = p; }
  [[nodiscard]] DeadTimeArray* GetDeadTimeTable() const { return m_pDeadTimeTable; }
  [[nodiscard]] ABS* GetSubtractor() const { return m_pSubtractor.get(); }

 private:
  // An owned array and its capacity, handed to the stages by reference so
  // that they can replace it with a larger one.
  template <class T>
  struct WorkArray {
    std::unique_ptr<T[]> data;
    int length = 0;
    void release() {
      data.reset();
      length = 0;
    }
  };

  template <class M, class Y>
  bool run(const M* masses, const Y* data, long n, DoubleArray& positions, FloatArray& positionSigmas,
           FloatArray& values, FloatArray& valueSigmas, long& numPeaks) const;
  template <class M>
  [[nodiscard]] bool acceptable(const M* masses, const void* data, long n) const;
  // The axis's bin count and u0 for sound settings and masses; 0 when it
  // would pass MaxAxisBins.
  template <class M>
  [[nodiscard]] int axisBins(const M* masses, int points, double& u0) const;
  [[nodiscard]] double flightTimeFactor() const;
  bool DeadTimeCorrectPeaks(double* pdPeakPositions, float* pfPeakValues, float* pfPeakValueSigmas,
                            long lNumPeaks) const;
  static bool DeadTimeCorrectPeak(double& dMass, float& fArea, float& fAreaSigma, double dCtof, float fNp);
  // DoubleArray on an axis that steps by one time-to-digital bin in sqrt(m)
  // to masses, their sigmas scaled alike (sign kept). A position outside
  // the axis gives 0, one in its last bin that bin's mass.
  bool BinsToMass(const double* pdMasses, long lNumDataPoints, double* pdPeakPositions, float* pfPeakPosSigmas,
                  long lNumPeaks) const;

  bool m_bDoSmooth = true;
  bool m_bDoBackgroundSubtract = false;
  bool m_bDoDeadtimeCorrection = true;
  int m_nSmoothWidth = 3;
  bool m_bNormaliseGradient = true;
  bool m_bCentroidArea = true;
  int m_nCentroidPercentage = 80;
  int m_nMaxPeakWidth = 8;
  float m_fGradientThreshold = 10;
  float m_fAbsoluteThreshold = 10;
  float m_fGradientThresholdWidth = 2;
  float m_fResolution;
  float m_fLteff;
  float m_fVeff;
  float m_fTDC;
  int m_nFirstDiffWidth = 2;
  int m_nSecondDiffWidth = 2;
  float m_fMinAccMassWidth = MIN_ACC_WIDTH_FAC * 2;
  float m_fMaxAccMassWidth = MAX_ACC_WIDTH_FAC * 2;
  float m_fMinPeakValue = 1;
  float m_fNpMultiplier = 1;
  float m_fMinMass = 0, m_fMaxMass = 0;
  float m_fCycleTime = 0, m_fPusherFrequency = 0;
  DeadTimeArray* m_pDeadTimeTable = nullptr;
  // The calibration: set by UpdateCalibration, released by Clear.
  std::unique_ptr<double[]> m_pdCoeffs;
  int m_nOrder = -1;
  std::unique_ptr<CCalCovar> m_pCalCovar, m_pCalCovarLM;
  // Runs are const towards the caller; these are the object's own.
  mutable std::unique_ptr<ABS> m_pSubtractor;
  mutable std::unique_ptr<zvraw::ABSWorkspace> m_pSubtractorMemory;
  mutable WorkArray<double> m_LogX;
  // What the axis in m_LogX was made for (its first mass, resolution,
  // flight-time factor and bins): the scans of one function share them,
  // and their axis is kept instead of being made again. 0 bins: none.
  struct AxisMade {
    double first = 0, resolution = 0, ctof = 0;
    int bins = 0;
    bool operator==(const AxisMade&) const = default;
  };
  mutable AxisMade m_axisMade;
  mutable WorkArray<float> m_Rebinned, m_Background, m_Smoothed, m_Deriv1, m_Deriv2;

  friend struct RTCentroidInspector;             // tests look at the working arrays
  friend struct RTCentroidCalibrationInspector;  // and call BinsToMass
};
