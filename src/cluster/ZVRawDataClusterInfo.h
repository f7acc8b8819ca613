#pragma once

// The file-level objects of one open raw directory, shared by every cluster
// opened on it so that a second cluster (a deep copy) does not read the
// descriptors, index, header, statistics and instrument settings again.
//
// Those five are read once and live as long as the record. The other five
// (analog channels, lock-mass gain table, scanning-quadrupole calibration,
// drift-reader manager, cross-section calculator) are read again by every
// cluster that opens on the record and replace the record's; they are held
// by shared pointers so that a replaced object lives on while anything still
// borrows it: a cluster keeps the gain table its function data use, the
// drift-reader manager keeps the tables its readers were given, and analog
// channels and drift readers replaced while the record is shared (their
// pointers may be in other clusters' callers' hands) are kept until the
// record goes.

#include <memory>
#include <vector>

#include "drift/DriftReaderSources.h"
#include "formats/directory/CCSCalculator.h"
#include "formats/statistics/ZVRawAnalog.h"
#include "formats/statistics/ZVRawExtendedStats.h"
#include "formats/directory/ZVRawExternInfo.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "formats/directory/ZVRawFunctionDescriptors.h"
#include "formats/index/ZVRawFunctionScanIndices.h"
#include "formats/directory/ZVRawHeader.h"
#include "formats/directory/ZVRawVeskoCalibration.h"

namespace Vardex::Lib::ZorvalenRaw {
class ZorvalenRawCDCReaderMgrImp;
}
class ZVRawDataClusterImp;

namespace borealtek_zvraw_version_1 {

class ZVRawDataClusterInfo : public Vardex::Lib::ZorvalenRaw::DriftReaderSources {
 public:
  ZVRawDataClusterInfo();
  ZVRawDataClusterInfo(const ZVRawDataClusterInfo&) = delete;
  ZVRawDataClusterInfo& operator=(const ZVRawDataClusterInfo&) = delete;
  virtual ~ZVRawDataClusterInfo();

  // The number of cluster implementations sharing the record.
  int addRef() { return ++m_nRefCount; }
  int remRef() { return --m_nRefCount; }
  [[nodiscard]] int getRef() const { return m_nRefCount; }

  // What the drift reader manager reads: the header's calibration of a
  // function and the gain table.
  [[nodiscard]] const borealtek_calibrate_version_1::FunctionCalibration* functionCalibration(
      int nWhichFunction) const override;
  [[nodiscard]] std::shared_ptr<const ZVRawExternalLumavent> gainTable() const override { return m_pExternalLumavent; }

  // Destroys every object held; the cross-section status becomes 1 again.
  void Clean();

  // Puts a replaced object aside until the record goes, for objects whose
  // pointers other clusters may have handed out.
  void retire(std::shared_ptr<const void> replaced);

  // The opened clusters on this record: a new gain table is attached to
  // every one of them, so that no reader keeps reading with the old one.
  void join(ZVRawDataClusterImp* cluster);
  void leave(const ZVRawDataClusterImp* cluster);
  [[nodiscard]] const std::vector<ZVRawDataClusterImp*>& sharers() const { return m_sharers; }

  std::unique_ptr<ZVRawFunctionScanIndices> m_pScanIndices;
  std::unique_ptr<ZVRawFunctionDescriptors> m_pDescriptors;
  std::unique_ptr<ZVRawHeader> m_pHeader;
  std::unique_ptr<ZVRawExtendedStats> m_pExtStats;
  std::unique_ptr<ZVRawExternInfo> m_pExternInfo;
  std::shared_ptr<ZVRawAnalog> m_pAnalog;
  std::shared_ptr<ZVRawExternalLumavent> m_pExternalLumavent;
  std::shared_ptr<ZVRawVeskoCalibration> m_pVeskoCalibration;
  std::shared_ptr<Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderMgrImp> m_pCDCReaderMgr;
  std::shared_ptr<CCSCalculator> m_pCCSCalculator;
  int m_CCSStatus = 1;
  // Whether an open read the descriptors, index, header and statistics
  // whole: a second cluster refuses a record whose open failed.
  bool m_bRecordRead = false;

 private:
  int m_nRefCount = 0;
  std::vector<std::shared_ptr<const void>> m_retired;
  std::vector<ZVRawDataClusterImp*> m_sharers;
};

}  // namespace borealtek_zvraw_version_1
