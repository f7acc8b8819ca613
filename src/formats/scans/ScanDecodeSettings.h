#pragma once

// What the scans of one load are decoded with, one value built once per
// load; only the calibration's coefficients and the temperature values
// change from scan to scan.

#include "formats/directory/ZVRawFunctionDescriptorImp.h"
#include "formats/calibration/FunctionCalibration.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

// The temperature correction: applied, with a calibration, when use is not 0.
struct ScanTemperature {
  short use = 0;
  float correction = 0, coefficient = 0;
};

struct ScanDecodeSettings {
  // Segment masses (formats 2 and 11) and the function type; needed to decode.
  const ZVRawFunctionDescriptorImp* descriptor = nullptr;
  unsigned int format = 0;
  bool keepCompressed = false;  // keep the packet run, undecoded
  // Null: the masses stay as stored, without temperature correction.
  const borealtek_calibrate_version_1::FunctionCalibration* calibration = nullptr;
  // 0 and -1 read the whole run; otherwise the run is narrowed to this
  // window of its stored masses, and the low cut-off drops calibrated masses.
  float lowCutoff = 0, highCutoff = -1;
  float lowerBound = 0, upperBound = 0;  // the acquisition mass range
  ScanTemperature temperature;

  // The descriptor and its data format: its error, or ZVRAW_NULLPOINTER_ERROR for none.
  [[nodiscard]] int setDescriptor(const ZVRawFunctionDescriptorImp* desc) {
    descriptor = desc;
    return desc ? desc->getDataFormat(format) : ZVRAW_NULLPOINTER_ERROR;
  }
  [[nodiscard]] bool wholeRun() const { return lowCutoff == 0 && highCutoff == -1; }
};

}  // namespace borealtek_zvraw_version_1
