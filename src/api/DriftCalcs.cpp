#include "api/DriftCalcs.h"

#include <cmath>
#include <cstdlib>

#include "formats/statistics/ZVRawExtStatsRecord.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

int DriftCalcs::TransferRF(const borealtek_zvraw_version_1::ZVRawExtStatsRecord& record) {
  return std::abs(static_cast<int>(record.m_nTransportRF));
}

int DriftCalcs::GetDriftTime(int bin, int rf, float& time) {
  if (rf == 0) return ZVRAW_TRANSFER_RF_NOT_DEFINED;
  time = static_cast<float>(bin) * (1000.0f / static_cast<float>(rf));
  return ZVRAW_OK;
}

int DriftCalcs::GetDriftIndex(float time, int rf, int& bin) {
  if (rf == 0) return ZVRAW_TRANSFER_RF_NOT_DEFINED;
  const float position = 0.5f + time * static_cast<float>(rf) / 1000.0f;
  // Converting a value whose whole part no int holds would be undefined; a
  // NaN fails both comparisons.
  constexpr float kPastIntMax = 2147483648.0f;
  if (!(position > -1.0f && position < kPastIntMax)) return ZVRAW_DRIFTRANGE_INVALID;
  bin = static_cast<int>(position);
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
