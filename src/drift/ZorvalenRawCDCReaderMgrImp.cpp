#include "drift/ZorvalenRawCDCReaderMgrImp.h"

#include <new>


namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawCDCReaderMgrImp::ZorvalenRawCDCReaderMgrImp(std::string_view strRawPath,
                                                       const DriftReaderSources* pDataInfo)
    : m_strRawPath(strRawPath), m_pDataInfo(pDataInfo) {}

ZorvalenRawCDCReaderMgrImp::~ZorvalenRawCDCReaderMgrImp() = default;

ZorvalenRawCDCReaderImp* ZorvalenRawCDCReaderMgrImp::GetCRCReader(int nWhichFunction) {
  if (auto found = m_pCDCreaders.find(nWhichFunction); found != m_pCDCreaders.end()) return found->second.get();
  const borealtek_calibrate_version_1::FunctionCalibration* calibration = nullptr;
  std::shared_ptr<const borealtek_zvraw_version_1::ZVRawExternalLumavent> gains;
  if (m_pDataInfo != nullptr) {
    calibration = m_pDataInfo->functionCalibration(nWhichFunction);
    gains = m_pDataInfo->gainTable();
  }
  try {
    if (gains != nullptr && (m_gainTables.empty() || m_gainTables.back() != gains)) m_gainTables.push_back(gains);
    auto reader = std::make_unique<ZorvalenRawCDCReaderImp>(m_strRawPath, nWhichFunction, calibration, gains.get());
    return m_pCDCreaders.emplace(nWhichFunction, std::move(reader)).first->second.get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
