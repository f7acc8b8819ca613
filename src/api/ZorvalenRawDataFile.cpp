#include "api/ZorvalenRawDataFile.h"

#include "cluster/ZVRawDataCluster.h"

namespace Vardex::Lib::ZorvalenRaw {

// Not calibrated at load, nothing loaded at once, scans decompressed.
ZorvalenRawDataFile::ZorvalenRawDataFile(const char* path)
    : m_pImpl(zvraw::CountedRef<ZVRawDataCluster>::make(path, false, 0u, false)) {}

ZorvalenRawDataFile::ZorvalenRawDataFile(const ZorvalenRawDataFile& other) = default;

ZorvalenRawDataFile::~ZorvalenRawDataFile() = default;

}  // namespace Vardex::Lib::ZorvalenRaw
