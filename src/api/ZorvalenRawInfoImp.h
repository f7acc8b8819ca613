#pragma once

// The information reader (reader kind 2): what an open raw directory holds,
// without reading scan data. Most questions go to the cluster, with the
// public enumeration values translated to and from the stored codes
// (function type + 200, ion mode + 100).
//
// Outputs that a question presets (299 function type, 199 ion mode, 0
// counts, NaN cross sections, -1 functions) keep the preset when it fails.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/ZorvalenRawReaderImp.h"

namespace borealtek_zvraw_version_1 {
class ZVRawFunctionDescriptor;
struct ZVRawExtStatsRecord;
}  // namespace borealtek_zvraw_version_1

namespace Vardex::Lib::ZorvalenRaw {

class AcquisitionInfo;
class Parameters;
class ProcessParametersImp;

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
  // Both ranges: 16 (ZVRAW_SCANNUM_INVALID), outputs untouched, for a
  // function without scans.
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

  // ---- header items, scan items and drift conversions ----
  // The methods that fill a parameter set refuse null items with n > 0 (79)
  // and n < 0 (57) before they clear it. A scan item's field id is item - 400.

  // The header text of each item (slot item - 300) under the item; "" for a
  // slot outside 0 to 49 or a run without a header. Returns 0.
  int getHeaderItemValue(const ZorvalenHeaderItem* items, int n, ProcessParametersImp& set) const;
  // The dictionary name of each item's field under the item; "" for no scan
  // item or a field without a name. Returns 0.
  int getStatsName(const ZorvalenScanItem* items, int n, ProcessParametersImp& set) const;
  // Every item of one scan, present with "" when nothing answers it; 16 for
  // a scan not below the function's scan count.
  int getScanItemValue(int function, int scan, const ZorvalenScanItem* items, int n, ProcessParametersImp& set) const;
  // The name of each field the function's statistics record, under its item.
  int getScanItemsInFunction(int function, ProcessParametersImp& set) const;
  // The value of every key of the set that some source answers; the others
  // keep their text.
  int getItemValue(int function, int scan, ProcessParametersImp& set) const;
  // By position: texts gets one entry per field id (item - 400), "" when
  // nothing answers it; it is sized before the scan is checked.
  int getItemValue(int function, int scan, const std::vector<int>& ids, std::vector<std::string>& texts) const;

  // The sources of an item's text, each empty when it does not answer: the
  // function's set mass (id 77), the scan index (ids 252-255), the record.
  [[nodiscard]] std::optional<std::string> getFunctionItem(int function, int id) const;
  [[nodiscard]] std::optional<std::string> getScanStatsItem(int function, int scan, int id) const;
  [[nodiscard]] static std::optional<std::string> getExtendedStatsItem(
      const borealtek_zvraw_version_1::ZVRawExtStatsRecord& record, int id);
  [[nodiscard]] std::optional<std::string> getExtendedStatsItem(int function, int scan, int id) const;

  int getSetMass(int function, float& mass) const;
  int GetTIC(int function, int scan, float& tic) const;
  int GetBPI(int function, int scan, float& bpi) const;
  int GetBPM(int function, int scan, float& bpm) const;
  int GetPeaksInScan(int function, int scan, unsigned int& peaks) const;

  // Renderings: 9 significant digits in general notation, and decimal.
  [[nodiscard]] static std::string float_to_string(float value);
  [[nodiscard]] static std::string int_to_string(int value);

  // 55 (ZVRAW_DRIFTNUM_INVALID) for a bin outside the function's bins.
  int checkDriftValid(int function, int bin) const;
  // A bin's drift time through the function's transfer RF, from the record
  // of its scan 0; 73 (ZVRAW_TRANSFER_RF_NOT_DEFINED), time untouched, when
  // the RF is 0 or there is no record. So for the conversions below.
  int GetDriftTime(int function, int bin, float& time) const;
  // The first function that answers, with time preset to NaN; else the code
  // of the first function that has the bin, else 55.
  int GetDriftTime(int bin, float& time) const;
  // The bins covering dtStart to dtEnd, preset to -1; 80 for an empty or
  // reversed range, a negative time or a bin beyond the function. A bin equal
  // to the count is the last bin, so first <= last < count on success.
  int GetDriftRangeFromTime(int function, float dtStart, float dtEnd, int& first, int& last) const;
  // 55 for a negative time or one without a bin.
  int GetDriftIndexFromTime(int function, float time, int& bin) const;

  // ---- acquisition classification ----

  // The run's classification, made on the first call and kept for the
  // reader's life: the same object for every later call, also after Update.
  std::shared_ptr<AcquisitionInfo> getAcquisitionInfo();
  // The classification's keys, replacing the set's pairs; 1 with the set
  // left as it was (Parameters) or emptied (ProcessParametersImp) when there
  // is none.
  int GetAcquisitionInfo(Parameters& parameters);
  int GetAcquisitionInfo(ProcessParametersImp& parameters);
  // Whether lock-mass correction applies: the run has a reference function
  // and is data-dependent or has uncalibrated functions besides it. Never
  // fails: a question that cannot be answered gives false and 0.
  int CanLockMassCorrect(bool& can);
  // Whether it applies and a gain table with entries is installed. Returns 0.
  int IsLockMassCorrected(bool& applied);

 protected:
  std::unique_ptr<ZVRawAccessInterface> m_pImp;

 private:
  template <class Enum, class Lookup>
  int publicCode(int function, int base, Enum& value, Lookup lookup) const;
  // The statistics record of a scan, or null (also for a run without statistics).
  [[nodiscard]] const borealtek_zvraw_version_1::ZVRawExtStatsRecord* scanRecord(int function, int scan) const;
  // The function's scan count, then 16 for a scan not below it.
  int checkScan(int function, int scan) const;
  // rc, or 16 for the 14 of a function below the count without scans.
  int noScansYet(int function, int rc) const;
  [[nodiscard]] std::optional<std::string> itemText(int function, int scan,
                                                    const borealtek_zvraw_version_1::ZVRawExtStatsRecord* record,
                                                    int item) const;

  template <class Lookup>
  int codeText(int value, int base, int last, int invalid, Lookup lookup, char*& text);

  std::shared_ptr<AcquisitionInfo> _acquisitionInfo;
};

}  // namespace Vardex::Lib::ZorvalenRaw
