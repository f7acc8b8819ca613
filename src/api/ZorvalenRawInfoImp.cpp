#include "api/ZorvalenRawInfoImp.h"

#include <climits>
#include <cmath>
#include <limits>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawFunctionDescriptor.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

constexpr int kFunctionTypeBase = 200;
constexpr int kIonModeBase = 100;
// The stored codes that have a name: function types 0-31, ion modes 0-13.
constexpr int kLastFunctionType = 31;
constexpr int kLastIonMode = 13;
// Room the cluster's text answers are written into.
constexpr std::size_t kCodeTextSize = 32;

// Function and scan numbers below 0 are refused before they could reach the
// cluster as huge unsigned numbers.
int checkFunction(int function) { return function < 0 ? ZVRAW_FUNCNUM_INVALID : ZVRAW_OK; }

}  // namespace

ZorvalenRawInfoImp::ZorvalenRawInfoImp(const char* path)
    : ZorvalenRawReaderImp(HandleKind::InfoReader, path), m_pImp(MakeAccessInterface()) {}

ZorvalenRawInfoImp::ZorvalenRawInfoImp(const ZorvalenRawDataFile& source)
    : ZorvalenRawReaderImp(HandleKind::InfoReader, source), m_pImp(MakeAccessInterface()) {}

ZorvalenRawInfoImp::~ZorvalenRawInfoImp() = default;

// A function's stored code as its public value (stored + base), preset to
// the enumeration's UNINITIALISED, which a failure keeps.
template <class Enum, class Lookup>
int ZorvalenRawInfoImp::publicCode(int function, int base, Enum& value, Lookup lookup) const {
  value = Enum::UNINITIALISED;
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  unsigned int stored = 0;
  const int rc = lookup(static_cast<unsigned>(function), stored);
  if (rc == ZVRAW_OK) value = static_cast<Enum>(static_cast<int>(stored) + base);
  return rc;
}

// The name of a public value whose stored code (value - base) lies in 0 to
// last, held by the reader; invalid and text untouched otherwise. The range
// is tested on the value itself, so no value can overflow the subtraction.
template <class Lookup>
int ZorvalenRawInfoImp::codeText(int value, int base, int last, int invalid, Lookup lookup, char*& text) {
  if (value < base || value > base + last) return invalid;
  char buffer[kCodeTextSize] = {};
  if (const int rc = lookup(static_cast<unsigned>(value - base), buffer); rc != ZVRAW_OK) return rc;
  text = GetStringMemory(buffer);
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::GetFunctionCount(unsigned int& count) const { return getDataCluster()->getFunctionCount(count); }

int ZorvalenRawInfoImp::GetScansInFunction(int function, unsigned int& scans) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getTotalScans(static_cast<unsigned>(function), scans);
}

int ZorvalenRawInfoImp::GetDriftScansInFunction(int function, unsigned int& drifts) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getTotalDriftScans(static_cast<unsigned>(function), drifts);
}

int ZorvalenRawInfoImp::GetAcquisitionMassRange(int function, int mrm, float& low, float& high) const {
  // A function without scans has no range yet: its descriptor still holds
  // the empty one (highest float to lowest), which is no answer.
  if (const int rc = checkScan(function, 0); rc != ZVRAW_OK) return rc;
  // The segment is a 16-bit number: a larger one would wrap onto another
  // segment and answer its range as success.
  if (mrm < 0 || mrm > 0xFFFF) return ZVRAW_SEGMENT_INVALID;
  const auto segment = static_cast<unsigned short>(mrm);
  return getDataCluster()->getAcquisitionMassRange(static_cast<unsigned>(function), low, high, segment);
}

int ZorvalenRawInfoImp::GetAcquisitionTimeRange(int function, float& start, float& end) const {
  unsigned int scans = 0;
  if (const int rc = GetScansInFunction(function, scans); rc != ZVRAW_OK) return rc;
  if (scans == 0) return ZVRAW_SCANNUM_INVALID;
  ZVRawDataCluster* cluster = getDataCluster();
  const auto f = static_cast<unsigned>(function);
  if (const int rc = cluster->getRT(f, 0u, start); rc != ZVRAW_OK) return rc;
  return cluster->getRT(f, scans - 1, end);
}

int ZorvalenRawInfoImp::GetFunctionType(int function, ZorvalenFunctionType& type) const {
  return publicCode(function, kFunctionTypeBase, type, [this](unsigned f, unsigned& stored) {
    return getDataCluster()->getFunctionType(f, stored);
  });
}

int ZorvalenRawInfoImp::GetFunctionTypeString(ZorvalenFunctionType type, char*& text) {
  return codeText(static_cast<int>(type), kFunctionTypeBase, kLastFunctionType, ZVRAW_FUNCTIONTYPE_INVALID,
                  [this](unsigned code, char* buffer) { return getDataCluster()->getFunctionType(code, buffer); }, text);
}

int ZorvalenRawInfoImp::GetIonMode(int function, ZorvalenIonMode& mode) const {
  return publicCode(function, kIonModeBase, mode, [this](unsigned f, unsigned& stored) {
    return getDataCluster()->getIonMode(f, stored);
  });
}

int ZorvalenRawInfoImp::GetIonModeString(ZorvalenIonMode mode, char*& text) {
  return codeText(static_cast<int>(mode), kIonModeBase, kLastIonMode, ZVRAW_IONMODE_INVALID,
                  [this](unsigned code, char* buffer) { return getDataCluster()->getIonMode(code, buffer); }, text);
}

int ZorvalenRawInfoImp::noScansYet(int function, int rc) const {
  // The scan index answers a function without records as a bad function;
  // one below the count is a good function that has no scans yet.
  unsigned int count = 0;
  if (rc == ZVRAW_FUNCNUM_INVALID && function >= 0 && GetFunctionCount(count) == ZVRAW_OK &&
      static_cast<unsigned>(function) < count)
    return ZVRAW_SCANNUM_INVALID;
  return rc;
}

int ZorvalenRawInfoImp::GetRetentionTime(int function, int scan, float& rt) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  if (scan < 0) return ZVRAW_SCANNUM_INVALID;
  return noScansYet(function, getRetentionTime(static_cast<unsigned>(function), static_cast<unsigned>(scan), rt));
}

int ZorvalenRawInfoImp::getRetentionTime(unsigned int function, unsigned int scan, float& rt) const {
  return getDataCluster()->getRT(function, scan, rt);
}

int ZorvalenRawInfoImp::GetMRMsInFunction(int function, int& count) const {
  count = 0;
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  unsigned int mrms = 0;
  const int rc = getDataCluster()->getMRMsInFunction(static_cast<unsigned>(function), mrms);
  count = mrms > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(mrms);
  return rc;
}

int ZorvalenRawInfoImp::GetScanRangeFromTime(int function, float rtStart, float rtEnd, int& first, int& last) const {
  first = 0;
  last = 0;
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  unsigned int start = 0, end = 0;
  const int rc = getDataCluster()->getScanRangeFromTimeRange(static_cast<unsigned>(function), rtStart, rtEnd, start, end);
  if (rc != ZVRAW_OK) return noScansYet(function, rc);
  // Scan numbers come from a count that fits an int on disk (22 bits of
  // peaks aside, an index holds far fewer than 2^31 records).
  if (start > static_cast<unsigned>(INT_MAX) || end > static_cast<unsigned>(INT_MAX)) return ZVRAW_SCANNUM_INVALID;
  first = static_cast<int>(start);
  last = static_cast<int>(end);
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::GetIsContinuumFunction(int function, bool& continuum) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  // The flag lives in the scans' index records.
  return noScansYet(function, getDataCluster()->getIsContinuumFunction(static_cast<unsigned>(function), continuum));
}

int ZorvalenRawInfoImp::HasContinuumFunction(bool& continuum) const {
  continuum = false;
  unsigned int count = 0;
  int rc = GetFunctionCount(count);
  for (unsigned int f = 0; rc == ZVRAW_OK && f < count && f <= static_cast<unsigned>(INT_MAX) && !continuum; ++f) {
    rc = GetIsContinuumFunction(static_cast<int>(f), continuum);
    if (rc == ZVRAW_SCANNUM_INVALID) rc = ZVRAW_OK;  // no scans: neither kind
  }
  return rc;
}

int ZorvalenRawInfoImp::GetIndexRange(int function, float precursorMass, float tolerance, int& first,
                                      int& last) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  const float half = tolerance / 2;
  return getDataCluster()->getPrecursormassRangeToIndices(static_cast<unsigned>(function), precursorMass - half,
                                                          precursorMass + half, first, last);
}

int ZorvalenRawInfoImp::GetPrecursorMass(int function, int index, float& mass) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getPrecursorMass(static_cast<unsigned>(function), index, mass);
}

int ZorvalenRawInfoImp::GetPrecursorMassRange(int function, float& start, float& end) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getPrecursorMassRange(static_cast<unsigned>(function), start, end);
}

int ZorvalenRawInfoImp::GetIndexPrecursorMassRange(int function, int index, float& start, float& end) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getIndexPrecursorMassRange(static_cast<unsigned>(function), index, start, end);
}

int ZorvalenRawInfoImp::GetCollisionalCrossSection(float driftTime, float mass, int charge,
                                                   float& crossSection) const {
  crossSection = std::numeric_limits<float>::quiet_NaN();
  return getDataCluster()->getCollisionalCrossSection(driftTime, mass, charge, crossSection);
}

int ZorvalenRawInfoImp::GetDriftTime(float crossSection, float mass, int charge, float& driftTime) const {
  driftTime = std::numeric_limits<float>::quiet_NaN();
  return getDataCluster()->getDriftTime(crossSection, mass, charge, driftTime);
}

int ZorvalenRawInfoImp::IsLumaventAcquisition(bool& present, int& function) const {
  unsigned int reference = 0, scans = 0;
  bool found = false;
  const int rc = getDataCluster()->getLumaventInfo(reference, found, scans);
  present = found;
  function = found && reference <= static_cast<unsigned>(INT_MAX) ? static_cast<int>(reference) : -1;
  return rc;
}

int ZorvalenRawInfoImp::getFunctionDescriptor(int function,
                                              borealtek_zvraw_version_1::ZVRawFunctionDescriptor& descriptor) const {
  if (const int rc = checkFunction(function); rc != ZVRAW_OK) return rc;
  return getDataCluster()->getFunctionDescriptor(static_cast<unsigned>(function), descriptor);
}

}  // namespace Vardex::Lib::ZorvalenRaw
