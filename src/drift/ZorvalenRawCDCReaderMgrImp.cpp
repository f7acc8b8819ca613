#include "drift/ZorvalenRawCDCReaderMgrImp.h"

#include <new>

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawCDCReaderMgrImp::ZorvalenRawCDCReaderMgrImp(const std::string& strRawPath,
                                                       const borealtek_zvraw_version_1::ZVRawDataClusterInfo* pDataInfo)
    : m_strRawPath(strRawPath), m_pDataInfo(pDataInfo) {}

ZorvalenRawCDCReaderMgrImp::~ZorvalenRawCDCReaderMgrImp() = default;

ZorvalenRawCDCReaderImp* ZorvalenRawCDCReaderMgrImp::GetCRCReader(int nWhichFunction) {
  if (auto found = m_pCDCreaders.find(nWhichFunction); found != m_pCDCreaders.end()) return found->second.get();
  const borealtek_calibrate_version_1::FunctionCalibration* calibration = nullptr;
  const borealtek_zvraw_version_1::ZVRawExternalLumavent* gains = nullptr;
  if (m_pDataInfo != nullptr) {
    if (m_pDataInfo->m_pHeader && m_pDataInfo->m_pHeader->getCalibration(nWhichFunction, calibration) != ZVRAW_OK)
      calibration = nullptr;
    gains = m_pDataInfo->m_pExternalLumavent.get();
  }
  try {
    if (gains != nullptr && (m_gainTables.empty() || m_gainTables.back().get() != gains))
      m_gainTables.push_back(m_pDataInfo->m_pExternalLumavent);
    auto reader = std::make_unique<ZorvalenRawCDCReaderImp>(m_strRawPath, nWhichFunction, calibration, gains);
    return m_pCDCreaders.emplace(nWhichFunction, std::move(reader)).first->second.get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
