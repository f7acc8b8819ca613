#pragma once

// Drift bins and drift times of an ion-mobility function, through the
// transfer RF recorded in the statistics of the function's first scan:
// time = bin x (1000 / RF), bin = the whole part of 0.5 + time x RF / 1000,
// both in single precision. Bins are 0-based.

namespace borealtek_zvraw_version_1 {
struct ZVRawExtStatsRecord;
}

namespace Vardex::Lib::ZorvalenRaw {

class DriftCalcs {
 public:
  // The record's transfer RF (field 76) as its absolute value, so -32768 is 32768.
  [[nodiscard]] static int TransferRF(const borealtek_zvraw_version_1::ZVRawExtStatsRecord& record);

  // 73 (ZVRAW_TRANSFER_RF_NOT_DEFINED) for RF 0, time untouched.
  [[nodiscard]] static int GetDriftTime(int bin, int rf, float& time);
  // 73 for RF 0; 80 (ZVRAW_DRIFTRANGE_INVALID) when the time is not finite or
  // its bin lies outside 0 to INT_MAX. bin is untouched on failure.
  [[nodiscard]] static int GetDriftIndex(float time, int rf, int& bin);
};

}  // namespace Vardex::Lib::ZorvalenRaw
