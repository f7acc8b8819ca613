#pragma once

// One per open raw directory: makes each function's drift reader on first
// request, bound to the function's calibration from the header and to the
// record's lock-mass gain table as it stands at each read, and keeps it
// until the manager goes; Refresh makes every reader made so far see its
// drift files as they now are.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drift/DriftReaderSources.h"
#include "drift/ZorvalenRawCDCReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawCDCReaderMgrImp {
 public:
  // The sources (may be null) are read, not owned: their calibrations and
  // gain table must outlive the manager, which the cluster guarantees by
  // destroying the manager before them.
  ZorvalenRawCDCReaderMgrImp(std::string_view strRawPath, const DriftReaderSources* pDataInfo);
  ~ZorvalenRawCDCReaderMgrImp();
  ZorvalenRawCDCReaderMgrImp(const ZorvalenRawCDCReaderMgrImp&) = delete;
  ZorvalenRawCDCReaderMgrImp& operator=(const ZorvalenRawCDCReaderMgrImp&) = delete;

  // The function's reader, whatever its status (5 when the function has no
  // drift files); the same object on every request. Null only when memory
  // for a new reader runs out.
  ZorvalenRawCDCReaderImp* GetCRCReader(int nWhichFunction);
  // For a directory still being written (see ZorvalenRawCDCReaderImp::Refresh).
  void Refresh();

 private:
  std::string m_strRawPath;
  const DriftReaderSources* m_pDataInfo;
  std::map<int, std::unique_ptr<ZorvalenRawCDCReaderImp>> m_pCDCreaders;
};

}  // namespace Vardex::Lib::ZorvalenRaw
