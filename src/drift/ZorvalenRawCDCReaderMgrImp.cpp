#include "drift/ZorvalenRawCDCReaderMgrImp.h"

#include "formats/portability/AllocationGuard.h"

namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawCDCReaderMgrImp::ZorvalenRawCDCReaderMgrImp(std::string_view strRawPath,
                                                       const DriftReaderSources* pDataInfo)
    : m_strRawPath(strRawPath), m_pDataInfo(pDataInfo) {}

ZorvalenRawCDCReaderMgrImp::~ZorvalenRawCDCReaderMgrImp() = default;

ZorvalenRawCDCReaderImp* ZorvalenRawCDCReaderMgrImp::GetCRCReader(int nWhichFunction) {
  if (auto found = m_pCDCreaders.find(nWhichFunction); found != m_pCDCreaders.end()) return found->second.get();
  const borealtek_calibrate_version_1::FunctionCalibration* calibration =
      m_pDataInfo != nullptr ? m_pDataInfo->functionCalibration(nWhichFunction) : nullptr;
  // Null when memory runs out: the cluster answers that with 45.
  return zvraw::guardAllocation(
      [&] {
        auto reader = std::make_unique<ZorvalenRawCDCReaderImp>(m_strRawPath, nWhichFunction, calibration, m_pDataInfo);
        return m_pCDCreaders.emplace(nWhichFunction, std::move(reader)).first->second.get();
      },
      nullptr);
}

void ZorvalenRawCDCReaderMgrImp::Refresh() {
  for (auto& [function, reader] : m_pCDCreaders) reader->Refresh();
}

}  // namespace Vardex::Lib::ZorvalenRaw
