// The alternating-energy walk. These two exports alone are C++ functions:
// callers bind to their mangled names, which the library's export list
// names.

#include "api/ZorvalenRawElvoImp.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

ZV_EXPORT int elvoGetNextScan(CZorvalenBaseProcessor processor, float& rt, ZorvalenScanType& type, float*& masses,
                              float*& intensities, int& count, bool& next) {
  return callProcessor<ZorvalenRawElvoImp>(processor, true, [&](ZorvalenRawElvoImp& p) {
    return p.GetNextScan(rt, type, masses, intensities, count, next);
  });
}

ZV_EXPORT int elvoResetScan(CZorvalenBaseProcessor processor) {
  return callProcessor<ZorvalenRawElvoImp>(processor, true, [](ZorvalenRawElvoImp& p) { return p.ResetScan(); });
}
