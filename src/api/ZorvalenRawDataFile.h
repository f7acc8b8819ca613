#pragma once

// The root of every reader: a share of the data cluster of one open raw
// directory. Readers made on the same directory share one cluster, counted
// with the cluster's own IncCount/DecCount; the last one to go deletes it,
// so readers may be destroyed in any order.

#include "formats/portability/CountedRef.h"

namespace borealtek_zvraw_version_1 {
class ZVRawAccessInterface;
class ZVRawDataCluster;
}  // namespace borealtek_zvraw_version_1

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ZVRawAccessInterface;
using borealtek_zvraw_version_1::ZVRawDataCluster;

class ZorvalenRawDataFile {
 public:
  // No cluster.
  ZorvalenRawDataFile() = default;
  // Opens the directory at path into a new cluster. Nothing is loaded yet:
  // readers load the scans a request needs. The outcome is the cluster's
  // initialise result.
  explicit ZorvalenRawDataFile(const char* path);
  // Shares other's cluster.
  ZorvalenRawDataFile(const ZorvalenRawDataFile& other);
  ZorvalenRawDataFile& operator=(const ZorvalenRawDataFile&) = delete;
  virtual ~ZorvalenRawDataFile();

  [[nodiscard]] ZVRawDataCluster* getDataCluster() const { return m_pImpl.get(); }

 private:
  zvraw::CountedRef<ZVRawDataCluster> m_pImpl;
};

}  // namespace Vardex::Lib::ZorvalenRaw
