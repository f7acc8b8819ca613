#pragma once

// What the drift reader manager reads of the open directory: a function's
// mass calibration from the header and the lock-mass gain table. The
// cluster's information record provides both.

#include <memory>

#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/calibration/FunctionCalibration.h"

namespace Vardex::Lib::ZorvalenRaw {

class DriftReaderSources {
 public:
  // The function's calibration; null when the header has none for it.
  [[nodiscard]] virtual const borealtek_calibrate_version_1::FunctionCalibration* functionCalibration(
      int nWhichFunction) const = 0;
  // The gain table as it stands; null when there is none.
  [[nodiscard]] virtual std::shared_ptr<const borealtek_zvraw_version_1::ZVRawExternalLumavent> gainTable() const = 0;

 protected:
  DriftReaderSources() = default;
  DriftReaderSources(const DriftReaderSources&) = default;
  DriftReaderSources& operator=(const DriftReaderSources&) = default;
  ~DriftReaderSources() = default;
};

}  // namespace Vardex::Lib::ZorvalenRaw
