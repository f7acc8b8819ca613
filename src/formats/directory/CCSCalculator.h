#pragma once

// Collision cross section from drift time and back, with the calibration of
// a raw directory's mob_cal.csv. Each line of the form
//
//   * Coefficient: 812.5        "*", blanks, key up to ":", ":", blanks, number
//
// sets one value; keys are exactly "Coefficient", "Exponent" and "t0" (case
// and blanks count), a later line wins, other lines are ignored, and a line
// over 1023 characters ends the reading.

#include <array>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace borealtek_zvraw_version_1 {

inline constexpr double MASS_NITROGEN = 28.0134;

class CCSCalculator {
 public:
  CCSCalculator() = default;
  CCSCalculator(double t0Value, double coefficientValue, double exponentValue, double gasMassValue)
      : coefficient(coefficientValue), exponent(exponentValue), t0(t0Value), gasMass(gasMassValue) {}

  void SetCoefficient(double value) { coefficient = value; }
  void SetExponent(double value) { exponent = value; }
  void SetT0(double value) { t0 = value; }
  void SetCollisionGasMass(double value) { gasMass = value; }

  // Clears coefficient, exponent and t0, applies every line; true when none
  // of the three is 0 afterwards (NaN counts as non-zero).
  bool TryParse(std::istream& in);
  void Parse(const char* line);

  // coefficient x (tc + t0)^exponent
  [[nodiscard]] static double AdjustedCCS(double tc, double t0, double coefficient, double exponent);
  [[nodiscard]] double AdjustedCCS(double tc) const { return AdjustedCCS(tc, t0, coefficient, exponent); }

  // The cross section of an ion of mass and charge (its sign ignored) at
  // drift time tc, and the drift time of a cross section.
  [[nodiscard]] double CCS(double tc, double mass, int charge) const;
  [[nodiscard]] double DT(double ccs, double mass, int charge) const;

 private:
  [[nodiscard]] double reducedMass(double mass) const;

  static constexpr std::array<const char*, 4> headerTags{"Undefined", "Coefficient", "Exponent", "t0"};
  double coefficient = 0;
  double exponent = 0;
  double t0 = 0;
  double gasMass = 0;
};

// Loads rawDir/mob_cal.csv: 0 with calculator replaced by one holding the
// calibration and the nitrogen gas mass; ZVRAW_MOBILITY_CALIBRATION_INVALID
// when the file does not open (calculator kept as it was) or lacks one of
// the three values or gives it as 0 (calculator emptied).
[[nodiscard]] int loadCCSCalibration(std::string_view rawDir, std::unique_ptr<CCSCalculator>& calculator);

}  // namespace borealtek_zvraw_version_1
