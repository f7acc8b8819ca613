#pragma once

// The information reader (reader kind 2): what an open raw directory holds,
// without reading scan data. Most questions go to the cluster, with the
// public enumeration values translated to and from the stored codes
// (function type + 200, ion mode + 100).
//
// Outputs that a question presets (299 function type, 199 ion mode, 0
// counts, NaN cross sections, -1 functions) keep the preset when it fails.

#include <memory>

#include "api/ZorvalenRawReaderImp.h"

namespace borealtek_zvraw_version_1 {
class ZVRawFunctionDescriptor;
}

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawInfoImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawInfoImp(const char* path);
  explicit ZorvalenRawInfoImp(const ZorvalenRawDataFile& source);
  ~ZorvalenRawInfoImp() override;
  // Another reader of this kind on source's cluster, with buffers of its own.
  ZorvalenRawInfoImp(const ZorvalenRawInfoImp& source) : ZorvalenRawInfoImp(static_cast<const ZorvalenRawDataFile&>(source)) {}
  ZorvalenRawInfoImp& operator=(const ZorvalenRawInfoImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::InfoReader; }

  // The first header item.
  static constexpr unsigned int unHeaderOffset = 300;

  int GetFunctionCount(unsigned int& count) const;
  int GetScansInFunction(int function, unsigned int& scans) const;
  int GetDriftScansInFunction(int function, unsigned int& drifts) const;
  // The acquisition mass range of MRM number mrm (the function's segment);
  // 15 (ZVRAW_SEGMENT_INVALID) for a number outside 0 to 65535.
  int GetAcquisitionMassRange(int function, int mrm, float& low, float& high) const;
  // The retention times of the function's first and last scan.
  int GetAcquisitionTimeRange(int function, float& start, float& end) const;
  int GetFunctionType(int function, ZorvalenFunctionType& type) const;
  // The short name of a function type, held by the reader; 27 and text
  // untouched for a value that is not a stored type + 200.
  int GetFunctionTypeString(ZorvalenFunctionType type, char*& text);
  int GetIonMode(int function, ZorvalenIonMode& mode) const;
  // "EI+" to "LD-", held by the reader; 28 and text untouched otherwise.
  int GetIonModeString(ZorvalenIonMode mode, char*& text);
  int GetRetentionTime(int function, int scan, float& rt) const;
  int getRetentionTime(unsigned int function, unsigned int scan, float& rt) const;
  // Points of scan 0 of an MRM function; the count is written whatever the
  // result.
  int GetMRMsInFunction(int function, int& count) const;
  // The scans covering rtStart to rtEnd; 0 and 0 when the lookup fails.
  int GetScanRangeFromTime(int function, float rtStart, float rtEnd, int& first, int& last) const;
  int GetIsContinuumFunction(int function, bool& continuum) const;
  // Whether any function holds continuum data: asks function 0, 1, ... in
  // turn, stopping at the first continuum one; the last answer's code.
  int HasContinuumFunction(bool& continuum) const;

  // Scanning-quadrupole conversions: the bins covering precursorMass -
  // tolerance / 2 to precursorMass + tolerance / 2; 63 without a calibration.
  int GetIndexRange(int function, float precursorMass, float tolerance, int& first, int& last) const;
  int GetPrecursorMass(int function, int index, float& mass) const;
  int GetPrecursorMassRange(int function, float& start, float& end) const;
  int GetIndexPrecursorMassRange(int function, int index, float& start, float& end) const;

  // Mobility conversions with the run's calibration; NaN and 66 without one.
  int GetCollisionalCrossSection(float driftTime, float mass, int charge, float& crossSection) const;
  int GetDriftTime(float crossSection, float mass, int charge, float& driftTime) const;

  // The lock-mass reference function; -1 when the run has none.
  int IsLumaventAcquisition(bool& present, int& function) const;

  int getFunctionDescriptor(int function, borealtek_zvraw_version_1::ZVRawFunctionDescriptor& descriptor) const;

 protected:
  std::unique_ptr<ZVRawAccessInterface> m_pImp;

 private:
  template <class Enum, class Lookup>
  int publicCode(int function, int base, Enum& value, Lookup lookup) const;
  template <class Lookup>
  int codeText(int value, int base, int last, int invalid, Lookup lookup, char*& text);
};

}  // namespace Vardex::Lib::ZorvalenRaw
