#pragma once

// The writer's definition of one acquisition function: the record that goes
// to _functns.inf, the time-of-flight values the mass grid and the drift
// store need, and the statistics layout of a function with scan items.
// The writer front builds one from the caller's FunctionDefinition keys;
// the scan writer keeps its own copy, widens its ranges and counts its scans.

#include <memory>

#include "api/ExtendedStats.h"
#include "api/Parameters.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"

namespace Vardex::Lib::ZorvalenRaw {

class FunctionDescriptor {
 public:
  // A continuum TOF function (data format 12, 30-byte index records, ion
  // mode EI+) whose masses and retention times are still unset.
  FunctionDescriptor();
  // A copy of the caller's record with the extended index on; modifiable.
  explicit FunctionDescriptor(const borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi& record);
  FunctionDescriptor(const FunctionDescriptor&) = delete;
  FunctionDescriptor& operator=(const FunctionDescriptor&) = delete;
  ~FunctionDescriptor();

  // Applies the set's keys in ascending order and stops at the first that
  // fails: 1 for a value that does not parse (CDT_SCANS and RESOLUTION are
  // then skipped), 57 for an ion mode outside 100-113, a negative CDT_SCANS
  // (one past an int reads as INT_MIN or INT_MAX, for the drift store to
  // refuse) or a float value that is not finite, 68 for a function type the
  // writer cannot store. Keys applied before it stay applied.
  [[nodiscard]] int SetParameters(const Parameters& parameters);
  // Copies other's ion mode, type, given masses, continuum and time-of-flight
  // values (not its format, ranges, scan count or layout). The type's result.
  int Initalise(const FunctionDescriptor& other);

  // Ion mode and type change only while the definition is modifiable; a
  // code the file cannot name is refused whatever the state: 57 for an ion
  // mode above 13, 68 for a type IsSupported refuses.
  [[nodiscard]] int SetIonMode(unsigned int code);
  [[nodiscard]] int SetFunctionType(unsigned int code);
  // A given mass is fixed: scans no longer move it.
  void SetStartMass(float mass);
  void SetEndMass(float mass);
  void SetContinuum(bool continuum) { m_bContinuum = continuum; }
  void SetSamplingFrequency(float ghz) { _samplingFrequency = ghz; }
  void SetLteff(float lteff) { _Lteff = lteff; }
  void SetVeff(float veff) { _Veff = veff; }
  void SetScansInBlock(unsigned int scans) { _scansInBlock = scans; }
  void SetStats(std::unique_ptr<ExtendedStats> stats) { m_pStatDescriptor = std::move(stats); }

  // Adds n (> 0) written scans to the record's count, which saturates.
  void AddScans(int n);
  // Widens the ranges for one scan from lowMass to highMass at rt: masses
  // only where they were not given, retention times always.
  void SetRanges(float lowMass, float highMass, float rt);

  [[nodiscard]] unsigned int GetIonMode() const;
  [[nodiscard]] unsigned int GetFunctionType() const;
  [[nodiscard]] float GetStartMass() const;
  [[nodiscard]] float GetEndMass() const;
  // Whether the start and end masses were given (scans must lie inside them).
  [[nodiscard]] bool StartMassGiven() const { return m_bStartMass; }
  [[nodiscard]] bool EndMassGiven() const { return m_bEndMass; }
  [[nodiscard]] bool GetContinuum() const { return m_bContinuum; }
  [[nodiscard]] float GetSamplingFrequency() const { return _samplingFrequency; }
  [[nodiscard]] float GetLteff() const { return _Lteff; }
  [[nodiscard]] float GetVeff() const { return _Veff; }
  [[nodiscard]] unsigned int GetScansInBlock() const { return _scansInBlock; }
  [[nodiscard]] unsigned int TotalScans() const;
  [[nodiscard]] unsigned int DataType() const;
  [[nodiscard]] bool IsLumaventFunction() const;
  [[nodiscard]] bool IsModifyable() const { return m_bCanModify; }
  [[nodiscard]] borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi* GetDescriptor() {
    return m_pFunctionDescriptor.get();
  }
  [[nodiscard]] const borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi* GetDescriptor() const {
    return m_pFunctionDescriptor.get();
  }
  [[nodiscard]] ExtendedStats* GetStatsDescriptor() const { return m_pStatDescriptor.get(); }

  // A compressed-drift function: spectra per drift block given.
  [[nodiscard]] bool IsCDT() const { return _scansInBlock != 0; }
  // 0 for the types the writer stores (TOF, TOFS, TOFD, TOFM, TOFP: codes
  // 13, 15, 16, 18, 19), else 68.
  [[nodiscard]] static int IsSupported(unsigned int code);

 private:
  [[nodiscard]] int applyKey(const Parameters& parameters, int key);

  std::unique_ptr<borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi> m_pFunctionDescriptor;
  std::unique_ptr<ExtendedStats> m_pStatDescriptor;
  bool m_bCanModify = true;
  bool m_bStartMass = false;
  bool m_bEndMass = false;
  bool m_bContinuum = true;
  float _samplingFrequency = 0.0f;
  float _Lteff = 0.0f;
  float _Veff = 0.0f;
  unsigned int _scansInBlock = 0;
};

}  // namespace Vardex::Lib::ZorvalenRaw
