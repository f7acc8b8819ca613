#pragma once

// A parameter set of thresholding settings: keys 1550 (the threshold, a
// float) and 1551 (a ThresholdType: 1600 an intensity, 1601 a percentage of
// the base peak). The caller's pairs stay as given; GetParameters reads them
// into a ThresholdPars record, with the code of the reading, when the
// thresholding runs.

#include <memory>
#include <string>

#include "api/ProcessParametersImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ThresholdPars {
 public:
  void setThreshold(float threshold) { m_fThreshold = threshold; }
  void setType(int type) { m_nType = type; }
  void setCode(int code) { m_nCode = code; }
  [[nodiscard]] float getThreshold() const { return m_fThreshold; }
  [[nodiscard]] int getType() const { return m_nType; }
  // 0, 57 (a key other than 1550 and 1551, a text that is not a number, or
  // a threshold that is not finite) or 58 (1550 or 1551 missing).
  [[nodiscard]] int getCode() const { return m_nCode; }

 private:
  float m_fThreshold = 0.0f;
  int m_nType = 0;
  int m_nCode = 0;
};

class ThresholdParametersImp : public ProcessParametersImp {
 public:
  ThresholdParametersImp();
  ThresholdParametersImp(const ThresholdParametersImp&) = delete;
  ThresholdParametersImp& operator=(const ThresholdParametersImp&) = delete;
  ~ThresholdParametersImp() override;

  // Both 1550 and 1551 are set.
  [[nodiscard]] bool valid() const;
  // 1550 reads a finite float, 1551 a decimal integer; a text that does not
  // read, a threshold that is not finite, or any other key, sets the code
  // to 57.
  void SetThresholdValue(int key, const std::string& text);
  // Whether 1550 reads as a number that is not finite (nan, inf).
  [[nodiscard]] bool nonFiniteValue() const;
  // The record read afresh from every set key in ascending order; a missing
  // 1550 or 1551 then gives 58 unless the code is already set.
  [[nodiscard]] const ThresholdPars& GetParameters();

 private:
  std::unique_ptr<ThresholdPars> m_pThresholdParameters;
};

}  // namespace Vardex::Lib::ZorvalenRaw
