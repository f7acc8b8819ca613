#pragma once

// Instrument values from the free-text information file of a raw directory,
// _extern.inf (older directories: _tof.txt). A value is the text after the
// first occurrence of its key, up to the line feed that ends it:
//   Lteff 1.2345
//   Acquisition Device: ADC-2 rev 1.0

#include <string_view>
#include <string>

namespace borealtek_zvraw_version_1 {

class ZVRawExternInfo {
 public:
  ZVRawExternInfo() = default;
  virtual ~ZVRawExternInfo() = default;

  // 0; ZVRAW_FILENAME_ERROR for a null path or one too long for the file
  // name; ZVRAW_FILEOPEN_ERROR when neither file opens or the file is empty
  // (every value keeps its default). numFuncs is not used.
  int readExternInfo(std::string_view rawFilePath, int numFuncs);
  // Whether the last readExternInfo read a file: without one the values are
  // defaults, not the instrument's settings.
  [[nodiscard]] bool wasRead() const { return _wasRead; }

  [[nodiscard]] float getLteff() const { return _lTeff; }
  [[nodiscard]] float getVeff() const { return _Veff; }
  [[nodiscard]] float getTofResolution() const { return _TofResolution; }
  [[nodiscard]] float getSingleIonIntensity() const { return _singleIonIntensity; }
  [[nodiscard]] float getADCsampleFrequency() const { return _ADCsampleFrequency; }
  // ASCII letters, digits and spaces only; empty when absent.
  [[nodiscard]] const std::string& getAcquisitionDevice() const { return _acquisitionDevice; }

 private:
  float _lTeff = 0.0f;
  float _Veff = 0.0f;
  float _TofResolution = 10000.0f;
  float _singleIonIntensity = 1.0f;
  std::string _acquisitionDevice;
  float _ADCsampleFrequency = 0.0f;
  bool _wasRead = false;
};

}  // namespace borealtek_zvraw_version_1
