// The information reader's acquisition answers: the cached classification
// and the two lock-mass questions that rest on it.

#include "api/AcquisitionInfo.h"
#include "api/AcquisitionInfoReader.h"
#include "api/Parameters.h"
#include "api/ProcessParametersImp.h"
#include "api/ZorvalenRawInfoImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/directory/ZVRawExternalLumavent.h"

namespace Vardex::Lib::ZorvalenRaw {

// Built without a lock: a reader is used from one thread at a time.
std::shared_ptr<AcquisitionInfo> ZorvalenRawInfoImp::getAcquisitionInfo() {
  if (!_acquisitionInfo) _acquisitionInfo = AcquisitionInfoReader(*this).GetAcquisitionInfo();
  return _acquisitionInfo;
}

int ZorvalenRawInfoImp::GetAcquisitionInfo(Parameters& parameters) {
  const std::shared_ptr<AcquisitionInfo> info = getAcquisitionInfo();
  return info ? info->GetParameters(parameters) : ZVRAW_ERROR;
}

int ZorvalenRawInfoImp::GetAcquisitionInfo(ProcessParametersImp& parameters) {
  Parameters fresh;
  const int rc = GetAcquisitionInfo(fresh);
  parameters.Set(fresh);
  return rc;
}

int ZorvalenRawInfoImp::CanLockMassCorrect(bool& can) {
  can = false;
  ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_OK;
  bool present = false;
  int reference = -1;
  if (IsLumaventAcquisition(present, reference) != ZVRAW_OK || !present) return ZVRAW_OK;
  const ZorvalenAcquisitionType type = getAcquisitionInfo()->GetType();
  if (type == ZorvalenAcquisitionType::DDA || type == ZorvalenAcquisitionType::HDDDA) {
    can = true;
    return ZVRAW_OK;
  }
  // Already calibrated functions take no further correction; an answer that
  // cannot be read counts as calibrated.
  bool calibrated = true;
  (void)cluster->isCalibratedOmitLockmass(static_cast<unsigned>(reference), calibrated);
  can = !calibrated;
  return ZVRAW_OK;
}

int ZorvalenRawInfoImp::IsLockMassCorrected(bool& applied) {
  applied = false;
  ZVRawDataCluster* cluster = getDataCluster();
  if (cluster == nullptr) return ZVRAW_OK;
  bool can = false;
  if (CanLockMassCorrect(can) != ZVRAW_OK || !can) return ZVRAW_OK;
  const borealtek_zvraw_version_1::ZVRawExternalLumavent* table = nullptr;
  (void)cluster->getExternalLumavent(table);
  applied = table != nullptr && !table->empty();
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
