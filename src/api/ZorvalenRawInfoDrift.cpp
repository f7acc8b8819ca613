// The information reader's drift conversions: drift bins to drift times and
// back, through the transfer RF recorded with a function's first scan.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>

#include "api/DriftCalcs.h"
#include "api/ZorvalenRawInfoImp.h"

namespace Vardex::Lib::ZorvalenRaw {

int ZorvalenRawInfoImp::checkDriftValid(int function, int bin) const {
  unsigned int bins = 0;
  if (const int rc = GetDriftScansInFunction(function, bins); rc != ZVRAW_OK) return rc;
  return bin < 0 || static_cast<unsigned>(bin) >= bins ? ZVRAW_DRIFTNUM_INVALID : ZVRAW_OK;
}

int ZorvalenRawInfoImp::GetDriftTime(int function, int bin, float& time) const {
  if (const int rc = checkDriftValid(function, bin); rc != ZVRAW_OK) return rc;
  // No record is no transfer RF: every drift run this library writes.
  const auto* record = scanRecord(function, 0);
  if (record == nullptr) return ZVRAW_TRANSFER_RF_NOT_DEFINED;
  return DriftCalcs::GetDriftTime(bin, DriftCalcs::TransferRF(*record), time);
}

int ZorvalenRawInfoImp::GetDriftTime(int bin, float& time) const {
  time = std::numeric_limits<float>::quiet_NaN();
  unsigned int functions = 0;
  int rc = GetFunctionCount(functions);
  if (rc != ZVRAW_OK) return rc;
  // The first function that answers; failing that, what kept the first
  // function that has the bin from answering (no transfer RF), not that the
  // later ones lack the bin.
  int first = ZVRAW_OK;
  for (unsigned int f = 0; f < functions && f <= static_cast<unsigned>(INT_MAX); ++f) {
    if ((rc = GetDriftTime(static_cast<int>(f), bin, time)) == ZVRAW_OK) return rc;
    if (first == ZVRAW_OK && rc != ZVRAW_DRIFTNUM_INVALID) first = rc;
  }
  return first != ZVRAW_OK ? first : rc;
}

int ZorvalenRawInfoImp::GetDriftRangeFromTime(int function, float dtStart, float dtEnd, int& first, int& last) const {
  first = -1;
  last = -1;
  unsigned int bins = 0;
  if (const int rc = GetDriftScansInFunction(function, bins); rc != ZVRAW_OK) return rc;
  if (bins == 0 || dtStart < 0 || dtEnd < 0 || dtStart > dtEnd) return ZVRAW_DRIFTRANGE_INVALID;
  const auto* record = scanRecord(function, 0);
  if (record == nullptr) return ZVRAW_TRANSFER_RF_NOT_DEFINED;
  const int rf = DriftCalcs::TransferRF(*record);
  int start = -1, end = -1;
  // RF 0 and times without a bin (not finite, or beyond an int) are no range.
  if (DriftCalcs::GetDriftIndex(dtStart, rf, start) != ZVRAW_OK ||
      DriftCalcs::GetDriftIndex(dtEnd, rf, end) != ZVRAW_OK)
    return ZVRAW_DRIFTRANGE_INVALID;
  const std::int64_t count = bins;
  if (end > count) return ZVRAW_DRIFTRANGE_INVALID;
  // A time at the end of the last bin rounds to the count, a bin that does
  // not exist: it is the last bin.
  first = static_cast<int>(std::min<std::int64_t>(start, count - 1));
  last = static_cast<int>(std::min<std::int64_t>(end, count - 1));
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::GetDriftIndexFromTime(int function, float time, int& bin) const {
  if (!(time >= 0)) return ZVRAW_DRIFTNUM_INVALID;  // NaN too
  const auto* record = scanRecord(function, 0);
  if (record == nullptr) return ZVRAW_TRANSFER_RF_NOT_DEFINED;
  const int rc = DriftCalcs::GetDriftIndex(time, DriftCalcs::TransferRF(*record), bin);
  return rc == ZVRAW_DRIFTRANGE_INVALID ? ZVRAW_DRIFTNUM_INVALID : rc;
}

}  // namespace Vardex::Lib::ZorvalenRaw
