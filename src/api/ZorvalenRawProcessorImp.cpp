#include "api/ZorvalenRawProcessorImp.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "cluster/ZVRawDataCluster.h"
#include "formats/portability/ZVRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawProcessorImp::ZorvalenRawProcessorImp(ZorvalenBaseType type)
    : HandleObject(HandleKind::Processor), m_eProcessorType(type) {}

ZorvalenRawProcessorImp::ZorvalenRawProcessorImp(ZorvalenBaseType type, ProgressFunction callback, void* caller)
    : ZorvalenRawProcessorImp(type) {
  m_processCallback = callback;
  m_pCaller = caller;
}

ZorvalenRawProcessorImp::~ZorvalenRawProcessorImp() = default;

int ZorvalenRawProcessorImp::SetRawReader(ZorvalenRawReaderImp& reader) {
  DestroyRawReader();
  m_pRawReader = CreateRawReader(reader);
  const ZVRawDataCluster* cluster = getDataCluster();
  const int rc = cluster != nullptr ? cluster->getInitialiseResult() : ZVRAW_DATACLUSTER_INVALID;
  if (rc != ZVRAW_OK) DestroyRawReader();
  return rc;
}

ZVRawDataCluster* ZorvalenRawProcessorImp::getDataCluster() const {
  return m_pRawReader ? m_pRawReader->getDataCluster() : nullptr;
}

void ZorvalenRawProcessorImp::setCode(int code, std::string detail) { m_CodeInfo = {code, std::move(detail)}; }

std::string ZorvalenRawProcessorImp::getCodeInfo(int code) {
  std::string text = rawResultCodeToString(code);
  std::string detail;
  if (m_CodeInfo.first == code) detail = std::exchange(m_CodeInfo.second, {});
  if (!detail.empty()) text += " - " + detail;
  return text;
}

int ZorvalenRawProcessorImp::GetCodeInfo(int code, char** out) {
  *out = GetStringMemory(getCodeInfo(code));
  return ZVRAW_OK;
}

int ZorvalenRawProcessorImp::SetCallback(ProgressFunction callback, void* caller) {
  m_processCallback = callback;
  m_pCaller = caller;
  return ZVRAW_OK;
}

void ZorvalenRawProcessorImp::setProgress(int percentage) {
  if (percentage <= m_nProgress || m_processCallback == nullptr || m_pCaller == nullptr) return;
  m_nProgress = percentage;
  m_processCallback(m_pCaller, &m_nProgress);
}

void ZorvalenRawProcessorImp::setProgress(int i, int n) {
  if (n <= 0) return;
  // In 64 bits: i x 100 overflows an int from i = 21,474,837 on.
  const std::int64_t percentage = std::int64_t{i} * 100 / n;
  setProgress(static_cast<int>(std::clamp<std::int64_t>(percentage, INT_MIN, INT_MAX)));
}

StringHandler& ZorvalenRawProcessorImp::GetStringHandler(std::string_view text) {
  (void)holdText(m_pStringHandler, text);
  return *m_pStringHandler;
}

}  // namespace Vardex::Lib::ZorvalenRaw
