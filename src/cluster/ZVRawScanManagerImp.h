#pragma once

// Decoded scans of one function with consecutive scan numbers, held in one
// contiguous array. Function data can take a range of it over instead of
// reading _funcNNN.dat: they borrow the array, so it is shared, and a
// borrower that keeps a share keeps it alive whatever the buffer does next.

#include <memory>

#include "formats/scans/ZVRawScanBufferSource.h"

class ZVRawDataClusterImp;

class ZVRawScanManagerImp : public borealtek_zvraw_version_1::ZVRawScanBufferSource {
 public:
  using ZVRawScan = borealtek_zvraw_version_1::ZVRawScan;

  ZVRawScanManagerImp() = default;
  ZVRawScanManagerImp(const ZVRawScanManagerImp&) = delete;
  ZVRawScanManagerImp& operator=(const ZVRawScanManagerImp&) = delete;
  virtual ~ZVRawScanManagerImp() = default;

  // Takes the scans numbered nStartScan..nEndScan from pScans (which are
  // left empty): into an empty buffer all of them, else those past the
  // buffer's last scan. 1, with nothing changed, for a null source, an end
  // below the start or below the buffer's end, a gap after the buffer, or a
  // failed allocation; 0 when the end equals the buffer's (nothing taken).
  int moveScans(ZVRawScan* pScans, unsigned nStartScan, unsigned nEndScan);

  // The buffered scan with that number, followed in memory by the scans
  // after it; null outside getStartScan()..getEndScan() or without a buffer.
  [[nodiscard]] ZVRawScan* getScanBuffer(unsigned nScanNumber) const;
  // A share of the whole array (entry 0 is getStartScan()); null without a buffer.
  [[nodiscard]] std::shared_ptr<ZVRawScan[]> getSharedScanBuffer() const override { return m_pScans; }
  [[nodiscard]] unsigned getStartScan() const override { return m_nStartScan; }
  [[nodiscard]] unsigned getEndScan() const override { return m_nEndScan; }
  // Drops the buffer; the scan numbers keep their values.
  int reset();

  // Fills the buffer with function nFuncNum's loaded scans of the clusters
  // (ZVRawScanManagerExtract.cpp).
  int extractAllscans(ZVRawDataClusterImp** pDataCluster, unsigned nNumberOfClusters, unsigned nFuncNum);
  // 0 when each cluster's loaded range of the function joins or overlaps the
  // next one's (a range that cannot be read counts as 0 to 0); 1 at the first
  // gap, for a null array or for no cluster.
  [[nodiscard]] int isContiguousData(ZVRawDataClusterImp** pDataCluster, unsigned nNumberOfClusters,
                                     unsigned nFuncNum) const;

  // 1 when the second range begins after a gap behind the first, else 0.
  [[nodiscard]] static int isContiguousScanRange(unsigned nStartScan1, unsigned nEndScan1, unsigned nStartScan2,
                                                 unsigned nEndScan2);

 private:
  std::shared_ptr<ZVRawScan[]> m_pScans;
  unsigned m_nStartScan = 0;
  unsigned m_nEndScan = 0;
};
