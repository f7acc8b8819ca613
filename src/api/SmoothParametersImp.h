#pragma once

// A parameter set of smoothing settings: keys 1450 (number of passes), 1451
// (width in points) and 1452 (a SmoothType, 1500-1502). The caller's pairs
// stay as given; GetParameters reads them into a SmoothPars record when the
// smoothing runs.

#include <memory>
#include <string>

#include "api/ProcessParametersImp.h"
#include "processing/SmoothPars.h"

namespace Vardex::Lib::ZorvalenRaw {

class SmoothParametersImp : public ProcessParametersImp {
 public:
  // Lists 1450, 1451 and 1452 with empty texts; the record starts as 2
  // Savitzky-Golay passes of width 3.
  SmoothParametersImp();
  SmoothParametersImp(const SmoothParametersImp&) = delete;
  SmoothParametersImp& operator=(const SmoothParametersImp&) = delete;
  ~SmoothParametersImp() override;

  [[nodiscard]] bool valid() const { return true; }

  // The record as the set's non-empty keys say, read in ascending order over
  // the defaults: nothing of an earlier set outlives it.
  [[nodiscard]] const SmoothPars& GetParameters();
  using ProcessParametersImp::GetValue;
  // 1450 and 1451 as decimal text from the record, 1452 as its SmoothType
  // (-1 for another method); "" for any other key.
  [[nodiscard]] std::string GetValue(int key) const override;

  // 1450 and 1451 take a decimal integer (other texts are skipped), 1452
  // goes to SetSmoothType; other keys are ignored.
  void SetSmoothValue(int key, const std::string& text);
  // 1500 mean, 1501 median, 1502 Savitzky-Golay; other values change nothing.
  void SetSmoothType(int value);
  [[nodiscard]] static int GetSmoothType(int method);

 private:
  std::unique_ptr<SmoothPars> m_pSmoothParameters;
};

// The set the spectrum processor keeps.
class SpectrumSmoothParametersImp : public SmoothParametersImp {};

}  // namespace Vardex::Lib::ZorvalenRaw
