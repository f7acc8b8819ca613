#include "api/ZorvalenRawDataFile.h"

#include <memory>

#include "cluster/ZVRawDataCluster.h"

namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawDataFile::ZorvalenRawDataFile(const char* path) {
  // Not calibrated at load, nothing loaded at once, scans decompressed.
  auto cluster = std::make_unique<ZVRawDataCluster>(path, false, 0u, false);
  cluster->IncCount();
  m_pImpl = cluster.release();
}

ZorvalenRawDataFile::ZorvalenRawDataFile(const ZorvalenRawDataFile& other) : m_pImpl(other.m_pImpl) {
  if (m_pImpl != nullptr) m_pImpl->IncCount();
}

ZorvalenRawDataFile::~ZorvalenRawDataFile() {
  if (m_pImpl != nullptr && m_pImpl->DecCount() == 0) delete m_pImpl;
}

}  // namespace Vardex::Lib::ZorvalenRaw
