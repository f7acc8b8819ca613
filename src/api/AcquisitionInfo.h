#pragma once

// What kind of acquisition a run is, which functions play which role in it,
// and its time-of-flight settings. Made by AcquisitionInfoReader, shared by
// pointer; a user tells the kind by GetType() or by downcasting the pointer.
//
// GetParameters writes the AcquisitionParameter keys: TYPE as an integer,
// then LTEFF, VEFF, RESOLUTION, SAMPLINGFREQUENCY with six decimals, then the
// keys of the kind. FUNCTIONS is never written.

#include <utility>
#include <vector>

#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

class Parameters;

class AcquisitionInfo {
 public:
  AcquisitionInfo() = default;
  AcquisitionInfo(const AcquisitionInfo&) = default;
  AcquisitionInfo& operator=(const AcquisitionInfo&) = default;
  virtual ~AcquisitionInfo() = default;

  // Clears the set and writes the keys; returns 0.
  virtual int GetParameters(Parameters& parameters) const;

  [[nodiscard]] ZorvalenAcquisitionType GetType() const { return _acquisitionType; }
  void SetType(ZorvalenAcquisitionType type) { _acquisitionType = type; }
  [[nodiscard]] float GetLteff() const { return _lteff; }
  void SetLteff(float lteff) { _lteff = lteff; }
  [[nodiscard]] float GetVeff() const { return _veff; }
  void SetVeff(float veff) { _veff = veff; }
  [[nodiscard]] float GetSampleFrequency() const { return _sampleFrequency; }
  void SetSampleFrequency(float frequency) { _sampleFrequency = frequency; }
  [[nodiscard]] float GetResolution() const { return _resolution; }
  void SetResolution(float resolution) { _resolution = resolution; }

 private:
  ZorvalenAcquisitionType _acquisitionType = ZorvalenAcquisitionType::UNKNOWN;
  float _lteff = 0.0f;
  float _veff = 0.0f;
  float _sampleFrequency = 0.0f;
  float _resolution = 0.0f;
};

// Scanning quadrupole: the precursor mass range the quadrupole sweeps.
class VeskoInfo : public AcquisitionInfo {
 public:
  // The base keys, then PRECURSOR_MASS_START and PRECURSOR_MASS_END.
  int GetParameters(Parameters& parameters) const override;

  [[nodiscard]] float GetPreCursorMassStart() const { return _preCursorMassStart; }
  void SetPreCursorMassStart(float mass) { _preCursorMassStart = mass; }
  [[nodiscard]] float GetPreCursorMassEnd() const { return _preCursorMassEnd; }
  void SetPreCursorMassEnd(float mass) { _preCursorMassEnd = mass; }

 private:
  float _preCursorMassStart = 0.0f;
  float _preCursorMassEnd = 0.0f;
};

// Data-dependent: one survey function and its fragment functions.
class DDAInfo : public AcquisitionInfo {
 public:
  // The base keys, then LOCKMASS and MS1; the fragment functions are not
  // written.
  int GetParameters(Parameters& parameters) const override;

  [[nodiscard]] int GetMS1Function() const { return _ms1Function; }
  void SetMS1Function(int function) { _ms1Function = function; }
  [[nodiscard]] std::vector<int> GetMS2Functions() const { return _ms2Functions; }
  void SetMS2Functions(std::vector<int> functions) { _ms2Functions = std::move(functions); }
  [[nodiscard]] int GetLockMassFunction() const { return _lockMassFunction; }
  void SetLockMassFunction(int function) { _lockMassFunction = function; }

 private:
  int _ms1Function = -1;
  std::vector<int> _ms2Functions;
  int _lockMassFunction = -1;
};

// Alternating energy: MS1 is the low-energy function, MS2 the high-energy one.
class ElvoInfo : public AcquisitionInfo {
 public:
  // The base keys, then LOCKMASS, MS1 and MS2.
  int GetParameters(Parameters& parameters) const override;

  [[nodiscard]] int GetMS1Function() const { return _ms1Function; }
  void SetMS1Function(int function) { _ms1Function = function; }
  [[nodiscard]] int GetMS2Function() const { return _ms2Function; }
  void SetMS2Function(int function) { _ms2Function = function; }
  [[nodiscard]] int GetLockMassFunction() const { return _lockMassFunction; }
  void SetLockMassFunction(int function) { _lockMassFunction = function; }

 private:
  int _ms1Function = -1;
  int _ms2Function = -1;
  int _lockMassFunction = -1;
};

}  // namespace Vardex::Lib::ZorvalenRaw
