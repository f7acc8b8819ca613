#pragma once

// The drift reader of one function's compressed drift file pair as the rest
// of the library sees it: the header turned into time-of-flight constants and
// the function's index window, a one-block (one-scan) cache, and single drift
// spectra as raw indices, int indices or calibrated masses.
//
// Arrays handed out point into the reader's own buffers or its cached block
// and stay valid until the next read through the same reader. Results are
// status codes: 36 before Initialise, 5 when the files did not open.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drift/CDTFileReader.h"
#include "drift/CDTFormat.h"
#include "drift/ScanData.h"
#include "formats/calibration/FunctionCalibration.h"

namespace Vardex::Lib::ZorvalenRaw {

class CDTReader {
 public:
  using HeaderBlock = Vardex::Control::Legacy::ZorvalenRaw::HeaderBlock;
  using FunctionCalibration = borealtek_calibrate_version_1::FunctionCalibration;

  CDTReader();
  ~CDTReader();
  CDTReader(const CDTReader&) = delete;
  CDTReader& operator=(const CDTReader&) = delete;

  // Opens the pair of function `function` (0-based) in the raw directory
  // `path`: 0, or 5 when the files do not open or their header cannot make a
  // grid (see the .cpp). Allowed at any time; starts afresh.
  int Initialise(std::string_view path, int function);
  // Fills the calibrated mass of every index of the window (uncalibrated
  // without a calibration); the code of the axis request.
  int Calibrate(const FunctionCalibration* pFunctionCalibration);

  // The window's uncalibrated axis and its first index; 36 (outputs
  // untouched) before Initialise.
  int GetMassScale(std::vector<float>& massScale, int& indexOffset) const;
  // The flight-time indices of the function's start and end mass.
  int GetIndexWindow(int& startIndex, int& endIndex) const;
  int GetScanCount(int& scanCount) const;
  // A function without drift files has 0 drift bins: status 5 reads as 0.
  int GetDriftCount(int& driftCount) const;
  // The scan's retention time in seconds; reads the block.
  int GetRetentionTime(int whichScan, float& rt);
  // Adds the time offset: takes an index as stored in the file, not one from
  // ReadScan, which already holds the offset.
  int IndexToMass(int massindex, float& mass) const;
  int MassToIndex(float mass, float& massindex) const;
  [[nodiscard]] HeaderBlock GetHeaderBlock() const { return _headerBlock; }
  [[nodiscard]] int GetStatus() const { return _code; }
  void Close();
  void Reset();
  // Sees the blocks written since the pair was opened; the cached block and
  // every array handed out stay as they are. False when the reader is not
  // open or the pair is no longer the one opened: Initialise reads that.
  [[nodiscard]] bool Refresh();

  // One drift spectrum of scan whichScan, drift bin whichDrift. On failure
  // the code, null pointers, size 0 and empty vectors.
  // Straight from the cached block:
  int ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMassindex, const std::uint32_t*& pIntensity,
               const std::uint32_t*& pFlags, int& size);
  // Copies of the same:
  int ReadScan(int whichScan, int whichDrift, std::vector<std::uint32_t>& massindex,
               std::vector<std::uint32_t>& intensity, std::vector<std::uint32_t>& flags);
  // Zero-padded inside the window, at calibrated masses:
  int ReadScan(int whichScan, int whichDrift, float*& pMasses, float*& pIntensities, int& size);
  // int indices, float intensities, flags as 0 (zero) or 2 (set):
  int ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, char*& pFlags, int& size);
  int ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, int& size);
  // The cached indices, float intensities:
  int ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMasses, float*& pIntensities, int& size);

 private:
  int readBlock(int whichScan, int whichDrift);
  // The spectrum's intensities as float, shared by the index forms.
  int floatIntensities(int whichScan, int whichDrift, float*& pIntensities, int& size);
  const Vardex::Control::Message::ChannelData& channel(int whichDrift) const;

  std::unique_ptr<Vardex::Control::Legacy::ZorvalenRaw::CDTFileReader> _pReader;
  float _timeToMass = 0;
  int _startIndex = 0;
  int _endIndex = 0;
  int _indexOffset = 0;
  int _massAxisLength = 0;
  unsigned _driftCount = 0;
  int _scanCount = 0;
  int _currentScan = -1;
  int _code;
  Vardex::Control::Message::ScanData _scanData;
  HeaderBlock _headerBlock;
  std::vector<float> _intensitiesValues;
  std::vector<float> _massValues;
  std::vector<int> _massInts;
  std::vector<char> _flagChars;
  std::vector<std::uint32_t> _massIndeces;
  std::vector<float> _massCalibratedValues;
};

}  // namespace Vardex::Lib::ZorvalenRaw
