#include "acquisition/ZorvalenAcquisitionImp.h"

#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

int ZorvalenAcquisitionImp::Initialise() {
  (void)statusImp.Initialise();
  (void)batchSampleRecordImp.Initialise();
  (void)pendrakeMonitorImp.Initialise();
  return ZVRAW_OK;
}

}  // namespace Vardex::Lib::ZorvalenRaw
