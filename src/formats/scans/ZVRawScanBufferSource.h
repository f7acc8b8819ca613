#pragma once

// What function data borrow of a scan buffer when they take a range of it
// over instead of reading _funcNNN.dat: its scan range and a share of its
// array. The cluster's scan manager is one.

#include <memory>

#include "formats/scans/ZVRawScan.h"

namespace borealtek_zvraw_version_1 {

class ZVRawScanBufferSource {
 public:
  [[nodiscard]] virtual unsigned getStartScan() const = 0;
  [[nodiscard]] virtual unsigned getEndScan() const = 0;
  // A share of the whole array (entry 0 is getStartScan()); null without a buffer.
  [[nodiscard]] virtual std::shared_ptr<ZVRawScan[]> getSharedScanBuffer() const = 0;

 protected:
  ZVRawScanBufferSource() = default;
  ZVRawScanBufferSource(const ZVRawScanBufferSource&) = default;
  ZVRawScanBufferSource& operator=(const ZVRawScanBufferSource&) = default;
  ~ZVRawScanBufferSource() = default;
};

}  // namespace borealtek_zvraw_version_1
