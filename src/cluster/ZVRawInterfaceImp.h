#pragma once

// The bindings the access and write interfaces share: a counted reference on
// one cluster implementation, through which every call reaches the cluster's
// state, function count and function data and its record's objects as they
// are at that moment. Nothing is cached, so objects the cluster makes or
// replaces later (function data of a load, a record of a re-open, the index
// of a writer) are seen at once, and the implementation lives as long as an
// interface bound to it.

#include "cluster/ZVRawDataClusterImp.h"
#include "formats/portability/CountedRef.h"

// The counted reference; the last one released deletes the implementation.
using ZVRawClusterBinding = zvraw::CountedRef<ZVRawDataClusterImp>;

// Read-only view of the bound cluster.
class ZVRawInterfaceImp {
 public:
  using ZVRawDataClusterInfo = borealtek_zvraw_version_1::ZVRawDataClusterInfo;
  using ZVRawFunctionData = borealtek_zvraw_version_1::ZVRawFunctionData;

  explicit ZVRawInterfaceImp(const ZVRawDataClusterImp& cluster);
  ZVRawInterfaceImp(const ZVRawInterfaceImp&) = default;
  ZVRawInterfaceImp& operator=(const ZVRawInterfaceImp&) = delete;
  virtual ~ZVRawInterfaceImp() = default;

 protected:
  [[nodiscard]] const ZVRawDataClusterImp& dataCluster() const { return *m_rDataCluster; }
  [[nodiscard]] bool isLoaded() const;
  [[nodiscard]] unsigned int functionCount() const { return dataCluster().functionCount(); }
  // Null for a bad function or when the cluster holds no function data.
  [[nodiscard]] const ZVRawFunctionData* functionData(unsigned int nFuncNum) const;
  [[nodiscard]] bool hasFunctionData() const { return !dataCluster().getFunctionData().empty(); }
  // The record's objects; null when the record holds none.
  [[nodiscard]] const ZVRawFunctionScanIndices* scanIndices() const;
  [[nodiscard]] const ZVRawFunctionDescriptors* descriptors() const;
  [[nodiscard]] const borealtek_zvraw_version_1::ZVRawExtendedStats* extStats() const;
  [[nodiscard]] const borealtek_zvraw_version_1::ZVRawAnalog* analog() const;

 private:
  ZVRawClusterBinding m_rDataCluster;
};

// The same view with write access, for the write interface.
class ZVRawNCInterfaceImp {
 public:
  using ZVRawDataClusterInfo = borealtek_zvraw_version_1::ZVRawDataClusterInfo;
  using ZVRawFunctionData = borealtek_zvraw_version_1::ZVRawFunctionData;

  explicit ZVRawNCInterfaceImp(ZVRawDataClusterImp& cluster);
  ZVRawNCInterfaceImp(const ZVRawNCInterfaceImp&) = default;
  ZVRawNCInterfaceImp& operator=(const ZVRawNCInterfaceImp&) = delete;
  virtual ~ZVRawNCInterfaceImp() = default;

 protected:
  [[nodiscard]] ZVRawDataClusterImp& dataCluster() const { return *m_rDataCluster; }
  [[nodiscard]] bool isLoaded() const;
  [[nodiscard]] unsigned int functionCount() const { return dataCluster().functionCount(); }
  [[nodiscard]] ZVRawFunctionData* functionData(unsigned int nFuncNum) const;
  [[nodiscard]] ZVRawDataClusterInfo* dataInfo() const { return dataCluster().getDataInfo(); }
  [[nodiscard]] ZVRawFunctionScanIndices* scanIndices() const;
  [[nodiscard]] ZVRawFunctionDescriptors* descriptors() const;
  [[nodiscard]] borealtek_zvraw_version_1::ZVRawHeader* header() const;
  [[nodiscard]] borealtek_zvraw_version_1::ZVRawExtendedStats* extStats() const;

 private:
  ZVRawClusterBinding m_rDataCluster;
};
