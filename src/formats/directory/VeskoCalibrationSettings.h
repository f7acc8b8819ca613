#pragma once

// Scanning-quadrupole calibration: per calibration, reference points that
// tie a precursor mass to the drift bins at which the quadrupole window's
// start, middle and end pass it, and one weighted straight line
// bin = alpha + beta x mass fitted per window position.

#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace borealtek_zvraw_version_1 {

enum class VeskoPos : int { START = 0, MIDDLE = 1, END = 2 };

// One "Calibration" line of the calibration file.
struct VeskoCalibrationPoint {
  double mz = 0;        // reference precursor mass
  double start = 0;     // bin at which the window's start passes mz
  double position = 0;  // ... its middle
  double end = 0;       // ... its end
};

// One calibration section.
struct VeskoCalibration {
  float scanTime = 0;
  float startMZ = 0;
  float endMZ = 0;
  float quadWindow = 0;
  std::vector<VeskoCalibrationPoint> points;
};

// Weighted least-squares straight line y = alpha + beta x. With fewer than
// two distinct x (or lists of different lengths) every result is NaN.
class LinearFit {
 public:
  LinearFit(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& w);

  [[nodiscard]] double alpha() const { return m_alpha; }
  [[nodiscard]] double beta() const { return m_beta; }
  [[nodiscard]] double chisq() const { return m_chisq; }
  [[nodiscard]] double varAlpha() const { return m_varalpha; }
  [[nodiscard]] double varBeta() const { return m_varbeta; }
  [[nodiscard]] double covar() const { return m_covar; }

 private:
  double m_alpha = NAN, m_beta = NAN, m_varalpha = NAN, m_varbeta = NAN, m_covar = NAN, m_chisq = NAN;
  double m_s = 0, m_sx = 0, m_sy = 0, m_sxx = 0, m_sxy = 0;
};

// One fitted line; valid when none of its three numbers is NaN.
class VeskoCoeficients {
 public:
  [[nodiscard]] double alpha() const { return _alpha; }
  [[nodiscard]] double beta() const { return _beta; }
  [[nodiscard]] double chisq() const { return _chisq; }
  void Set(double alpha, double beta, double chisq);
  void Process(const std::vector<double>& masses, const std::vector<double>& indices,
               const std::vector<double>& weight);
  [[nodiscard]] bool IsValid() const;

 private:
  double _alpha = NAN, _beta = NAN, _chisq = NAN;
};

// Everything the calibration file holds, plus the fits. Every conversion
// fits first, and answers ZVRAW_VESKO_CALIBRATION_INVALID (its output
// untouched) when the calibration or its line is unusable: no such
// calibration (negative numbers included), fewer than two distinct masses,
// NaN anywhere, a zero slope, or a non-finite result.
class VeskoCalibrationSettings {
 public:
  int Process();

  // The position's line at dMass: floor at START, truncation at MIDDLE,
  // ceiling at END. ZVRAW_VESKO_RANGE_INVALID when the bin is beyond int.
  [[nodiscard]] int MassToIndex(int whichCalibration, VeskoPos veskoPos, double dMass, int& index);
  // The mass at which the position's line reaches index.
  [[nodiscard]] int IndexToMass(int whichCalibration, VeskoPos veskoPos, int index, double& mass);
  [[nodiscard]] int IndexToMass(int whichCalibration, VeskoPos veskoPos, int index, float& mass);
  // The precursor mass whose START and END bins average to index.
  [[nodiscard]] int IndexToMass(int whichCalibration, int index, double& dMass);

  // A copy of the fitted line; an invalid line for an unknown calibration
  // or position.
  [[nodiscard]] VeskoCoeficients GetCoefficients(int whichCalibration, VeskoPos veskoPos);
  // 0 for a valid line, else ZVRAW_VESKO_CALIBRATION_INVALID.
  [[nodiscard]] int IsValid(const VeskoCoeficients& coefficients) const;

  void AddCalibration(const VeskoCalibration& calibration);
  [[nodiscard]] int GetCalibrationCount() const { return static_cast<int>(_cals.size()); }
  // Calibration i; an empty one for an index out of range.
  [[nodiscard]] VeskoCalibration GetVeskoCalibration(int i) const;

  // The calibration's points as four lists (masses and the three bins).
  int GetPeakValues(int nWhichCalibration, std::vector<double>& masses, std::vector<double>& startBin,
                    std::vector<double>& midBin, std::vector<double>& endBin) const;
  // Fits the three lines of a calibration with the same weights.
  int SetCalibrationValues(int whichCalibration, const std::vector<double>& startBin, const std::vector<double>& midBin,
                           const std::vector<double>& endBin, const std::vector<double>& masses,
                           const std::vector<double>& weighting);

  // The file's items, set from their text: floats as strtof reads them
  // (in the "C" locale), ints as atoi reads them, clamped to the int range.
  void SetAcquiredDate(const std::string& text) { m_strAcquiredDate = text; }
  void SetAcquiredTime(const std::string& text) { m_strAcquiredTime = text; }
  void SetResolutionMode(const std::string& text) { m_strResolutionMode = text; }
  void SetQuadResolution(const std::string& text);
  void SetCollisionPressure(const std::string& text);
  void SetCollisionGradient(const std::string& text);
  void SetIonEnergy(const std::string& text);
  void SetPostFilter(const std::string& text);
  void SetPusherPeriod(const std::string& text);

  [[nodiscard]] std::string GetAcquiredDate() const { return m_strAcquiredDate; }
  [[nodiscard]] std::string GetAcquiredTime() const { return m_strAcquiredTime; }
  [[nodiscard]] std::string GetResolutionMode() const { return m_strResolutionMode; }
  [[nodiscard]] float GetQuadResolution() const { return m_fQuadRes; }
  [[nodiscard]] float GetCollisionPressure() const { return m_fCollisionPressure; }
  [[nodiscard]] float GetCollisionGradient() const { return m_fCollisionGradient; }
  [[nodiscard]] float GetIonEnergy() const { return m_fIonEnergy; }
  [[nodiscard]] int GetPostFilter() const { return m_nPostFilter; }
  [[nodiscard]] int GetPusherPeriod() const { return m_nPusherPeriod; }

 private:
  std::string m_strAcquiredDate;
  std::string m_strAcquiredTime;
  float m_fQuadRes = 0;
  float m_fCollisionPressure = 0;
  float m_fCollisionGradient = 0;
  float m_fIonEnergy = 0;
  int m_nPostFilter = 0;
  std::string m_strResolutionMode;
  int m_nPusherPeriod = 0;
  std::vector<std::map<VeskoPos, VeskoCoeficients>> _calibrations;  // the fits, one map per calibration
  std::vector<VeskoCalibration> _cals;                              // in file order
  bool _bProcessed = false;
};

}  // namespace borealtek_zvraw_version_1
