#pragma once

// Mass calibration of one acquisition function: a polynomial of order 0-6 in
// the raw mass (or in its square root, the result squared), an optional
// modification polynomial applied after it, the calibration temperature, a
// standard deviation and 28 covariances. Evaluation runs once per decoded
// peak, so it is inline, in double precision and never allocates.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <span>

namespace borealtek_calibrate_version_1 {

inline constexpr short CALTYPE_NORMAL = 0;    // polynomial in the mass
inline constexpr short CALTYPE_ROOTMASS = 1;  // polynomial in sqrt(mass), result squared

inline constexpr std::size_t kCalCoefficients = 7;  // C0..C6, M0..M6
inline constexpr std::size_t kCalCovariances = 28;
// calToBuf/modToBuf write into a buffer of this many bytes.
inline constexpr std::size_t kCalTextSize = 256;

using CalCoefficients = std::array<double, kCalCoefficients>;

struct FunctionCalibrationImp {
  CalCoefficients m_fC{};  // m_fC[0] is the constant term
  short m_nCalOrder = -1;  // -1: no calibration
  short m_nCalType = CALTYPE_NORMAL;
  double m_fStdDev = 0.0;
  CalCoefficients m_fM{};
  short m_nModOrder = -1;  // -1: no modification
  short m_nModType = CALTYPE_NORMAL;
  double m_fCalTemp = 0.0;
  std::array<double, kCalCovariances> m_afCovars{};

  void Init() { *this = FunctionCalibrationImp{}; }
  // Any index past C6 (M6) reads as 0.0, so an order above 6 behaves as if
  // the missing top coefficients were zero.
  [[nodiscard]] double getCalCoeff(unsigned short k) const { return k < kCalCoefficients ? m_fC[k] : 0.0; }
  [[nodiscard]] double getModCoeff(unsigned short k) const { return k < kCalCoefficients ? m_fM[k] : 0.0; }

  // Coefficients and covariances compare as numbers (a NaN field makes two
  // records unequal); the covariances compare bit for bit (0.0 != -0.0).
  [[nodiscard]] bool operator==(const FunctionCalibrationImp& other) const;
};

namespace detail {

// Horner's rule from coefficient `order` down to C0. Orders above 7 start
// from a zero top coefficient at 7: the zero steps in between leave +0.0 (or
// NaN for an infinite x) exactly as the long loop would.
inline double evaluatePolynomial(double mass, const CalCoefficients& c, short order, short type) {
  const bool root = type == CALTYPE_ROOTMASS;
  const double x = root ? std::sqrt(mass) : mass;
  const int top = std::min<int>(order, kCalCoefficients);
  double r = top < static_cast<int>(kCalCoefficients) ? c[static_cast<std::size_t>(top)] : 0.0;
  for (int k = top - 1; k >= 0; --k) r = c[static_cast<std::size_t>(k)] + r * x;
  return root ? r * r : r;
}

}  // namespace detail

// The modification polynomial alone; an order of 0 maps every mass to M0.
inline double ModifyMass(double fMassOrig, const FunctionCalibrationImp& Cal) {
  if (Cal.m_nModOrder < 0) return fMassOrig;
  return detail::evaluatePolynomial(fMassOrig, Cal.m_fM, Cal.m_nModOrder, Cal.m_nModType);
}
inline float ModifyMass(float fMassOrig, const FunctionCalibrationImp& Cal) {
  return static_cast<float>(ModifyMass(static_cast<double>(fMassOrig), Cal));
}

// The calibration, then the modification when its order is 1 or more (an
// order-0 modification is applied only by modifyMasses).
inline double CalibrateMass(double fMassOrig, const FunctionCalibrationImp& Cal) {
  if (Cal.m_nCalOrder < 0) return fMassOrig;
  const double r = detail::evaluatePolynomial(fMassOrig, Cal.m_fC, Cal.m_nCalOrder, Cal.m_nCalType);
  return Cal.m_nModOrder > 0 ? ModifyMass(r, Cal) : r;
}
// Rounds to float after the calibration, and again after the modification.
inline float CalibrateMass(float fMassOrig, const FunctionCalibrationImp& Cal) {
  if (Cal.m_nCalOrder < 0) return fMassOrig;
  const auto r = static_cast<float>(
      detail::evaluatePolynomial(static_cast<double>(fMassOrig), Cal.m_fC, Cal.m_nCalOrder, Cal.m_nCalType));
  return Cal.m_nModOrder > 0 ? ModifyMass(r, Cal) : r;
}

// A value object that always owns exactly one record.
class FunctionCalibration {
 public:
  FunctionCalibration() = default;
  FunctionCalibration(const FunctionCalibration&) = default;
  FunctionCalibration& operator=(const FunctionCalibration&) = default;
  virtual ~FunctionCalibration() = default;

  [[nodiscard]] bool operator==(const FunctionCalibration& other) const { return imp_ == other.imp_; }

  void setCalibration(double C0, short nCalType);
  void setCalibration(double C0, double C1, short nCalType);
  void setCalibration(double C0, double C1, double C2, short nCalType);
  // The modification type is left as it is.
  void setModification(double M0);
  void setModification(double M0, double M1);
  void setModification(double M0, double M1, double M2);
  void setTemperature(double fCalTemp) { imp_.m_fCalTemp = fCalTemp; }
  void Init() { imp_.Init(); }

  [[nodiscard]] double getCalCoeff(unsigned short nWhichCoeff) const { return imp_.getCalCoeff(nWhichCoeff); }
  [[nodiscard]] double getModCoeff(unsigned short nWhichCoeff) const { return imp_.getModCoeff(nWhichCoeff); }

  short& calType() { return imp_.m_nCalType; }
  [[nodiscard]] short calType() const { return imp_.m_nCalType; }
  short& calOrder() { return imp_.m_nCalOrder; }
  [[nodiscard]] short calOrder() const { return imp_.m_nCalOrder; }
  double& calTemp() { return imp_.m_fCalTemp; }
  [[nodiscard]] double calTemp() const { return imp_.m_fCalTemp; }
  short& modType() { return imp_.m_nModType; }
  [[nodiscard]] short modType() const { return imp_.m_nModType; }
  short& modOrder() { return imp_.m_nModOrder; }
  [[nodiscard]] short modOrder() const { return imp_.m_nModOrder; }
  double& stdDev() { return imp_.m_fStdDev; }
  [[nodiscard]] double stdDev() const { return imp_.m_fStdDev; }

  double& C0() { return imp_.m_fC[0]; }
  double& C1() { return imp_.m_fC[1]; }
  double& C2() { return imp_.m_fC[2]; }
  double& C3() { return imp_.m_fC[3]; }
  double& C4() { return imp_.m_fC[4]; }
  double& C5() { return imp_.m_fC[5]; }
  double& C6() { return imp_.m_fC[6]; }
  [[nodiscard]] double C0() const { return imp_.m_fC[0]; }
  [[nodiscard]] double C1() const { return imp_.m_fC[1]; }
  [[nodiscard]] double C2() const { return imp_.m_fC[2]; }
  [[nodiscard]] double C3() const { return imp_.m_fC[3]; }
  [[nodiscard]] double C4() const { return imp_.m_fC[4]; }
  [[nodiscard]] double C5() const { return imp_.m_fC[5]; }
  [[nodiscard]] double C6() const { return imp_.m_fC[6]; }
  double& M0() { return imp_.m_fM[0]; }
  double& M1() { return imp_.m_fM[1]; }
  double& M2() { return imp_.m_fM[2]; }
  double& M3() { return imp_.m_fM[3]; }
  double& M4() { return imp_.m_fM[4]; }
  double& M5() { return imp_.m_fM[5]; }
  double& M6() { return imp_.m_fM[6]; }
  [[nodiscard]] double M0() const { return imp_.m_fM[0]; }
  [[nodiscard]] double M1() const { return imp_.m_fM[1]; }
  [[nodiscard]] double M2() const { return imp_.m_fM[2]; }
  [[nodiscard]] double M3() const { return imp_.m_fM[3]; }
  [[nodiscard]] double M4() const { return imp_.m_fM[4]; }
  [[nodiscard]] double M5() const { return imp_.m_fM[5]; }
  [[nodiscard]] double M6() const { return imp_.m_fM[6]; }

  // Covariance 0-27; any other index is ignored on write and reads as 0.0.
  void Cov(unsigned short ind, double val) {
    if (ind < kCalCovariances) imp_.m_afCovars[ind] = val;
  }
  [[nodiscard]] double Cov(unsigned short ind) const { return ind < kCalCovariances ? imp_.m_afCovars[ind] : 0.0; }

  // In place, element by element as CalibrateMass / ModifyMass; nothing for
  // a null array or a size of 0 or less.
  void calibrateMasses(float* pfMasses, int nSize) const;
  void calibrateMasses(double* pfMasses, int nSize) const;
  void modifyMasses(float* pfMasses, int nSize) const;
  void modifyMasses(double* pfMasses, int nSize) const;

  // The header's text form: "%.15E," for each coefficient up to the order
  // (at most C0..C6), then "T%i" with the type; "" when the order is -1.
  // The buffer is cleared whole first. Returns cBuf.data().
  char* calToBuf(std::span<char, kCalTextSize> cBuf) const;
  char* modToBuf(std::span<char, kCalTextSize> cBuf) const;

  FunctionCalibrationImp& getImp() { return imp_; }
  [[nodiscard]] const FunctionCalibrationImp& getImp() const { return imp_; }

 private:
  FunctionCalibrationImp imp_;
};

}  // namespace borealtek_calibrate_version_1
