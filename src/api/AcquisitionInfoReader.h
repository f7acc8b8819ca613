#pragma once

// Classifies an open run from what the information reader answers about its
// functions (types, scan counts, mass and time ranges, a few items of scan
// 0, the lock-mass function) and their drift files. The tests run in order,
// the first that recognises the run decides:
//   scanning quadrupole  VESKO_ENABLED of function 0, scan 0 is "1"
//   data-dependent       one TOFS/TOFM survey and TOFD fragments, every one
//                        with a nonzero set mass
//   alternating energy   exactly two TOFM functions with the same mass and
//                        time ranges (within 0.01 and 0.5) and two different
//                        positive collision energies
// A question that fails only makes its test answer no: the outcome is never
// null and never an error, UNKNOWN with zero settings at worst.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/AcquisitionInfo.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawInfoImp;

// The classification's view of one function.
class FunctionInfo {
 public:
  FunctionInfo() = default;
  FunctionInfo(int number, ZorvalenFunctionType type, unsigned int scans, bool lockMass)
      : _type(type), _scans(scans), _lockMass(lockMass), _number(number) {}

  [[nodiscard]] ZorvalenFunctionType Type() const { return _type; }
  void Type(ZorvalenFunctionType type) { _type = type; }
  [[nodiscard]] unsigned int Scans() const { return _scans; }
  void Scans(unsigned int scans) { _scans = scans; }
  [[nodiscard]] bool LockMass() const { return _lockMass; }
  void LockMass(bool lockMass) { _lockMass = lockMass; }
  [[nodiscard]] int Number() const { return _number; }
  void Number(int number) { _number = number; }

 private:
  ZorvalenFunctionType _type = ZorvalenFunctionType::UNINITIALISED;
  unsigned int _scans = 0;
  bool _lockMass = false;
  int _number = -1;
};

class AcquisitionInfoReader {
 public:
  explicit AcquisitionInfoReader(const ZorvalenRawInfoImp& infoReader) : _infoReader(infoReader) {}

  // A new classification of the run on every call.
  [[nodiscard]] std::shared_ptr<AcquisitionInfo> GetAcquisitionInfo() const;

 private:
  using Result = std::shared_ptr<AcquisitionInfo>;

  // Each fills result and answers true when it recognises the run.
  bool IsVesko(Result& result) const;
  bool IsDDA(const std::vector<FunctionInfo>& functions, Result& result) const;
  bool IsElvo(const std::vector<FunctionInfo>& functions, Result& result) const;
  // Whether the function's drift files are open.
  [[nodiscard]] bool IsIMS(int function) const;

  [[nodiscard]] std::vector<FunctionInfo> functionList() const;
  // The text of one item (a field id) of the function's scan 0; none when
  // the scan cannot be read.
  [[nodiscard]] std::optional<std::string> scanZeroItem(int function, int fieldId) const;
  // Lteff, Veff, sampling frequency and resolution from function 0's drift
  // header, else from the instrument settings file, else left at 0.
  void setTofSettings(AcquisitionInfo& info) const;

  const ZorvalenRawInfoImp& _infoReader;
};

}  // namespace Vardex::Lib::ZorvalenRaw
