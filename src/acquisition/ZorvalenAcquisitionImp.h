#pragma once

// The object behind a CZorvalenAcquisition handle: three views of the
// workstation, each read from files on request. Members are built in this
// order and destroyed in reverse.

#include <string>

#include "acquisition/BatchSampleRecordImp.h"
#include "acquisition/PendrakeMonitorImp.h"
#include "acquisition/StatusImp.h"
#include "api/HandleObject.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenAcquisitionImp : public HandleObject {
 public:
  ZorvalenAcquisitionImp() : HandleObject(HandleKind::Acquisition) {}

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Acquisition; }

  // Locates the status file and the current-sample record and reads the
  // monitor's settings. A part that finds nothing stays empty: creating the
  // handle never fails for it, so the result is always 0.
  int Initialise();
  int ReadStatus(ProcessParametersImp* status, ProcessParametersImp* queue) { return statusImp.Read(status, queue); }
  int ReadInjection(ProcessParametersImp* parameters) { return batchSampleRecordImp.Read(parameters); }
  int GetPendrakeSettings(ProcessParametersImp* parameters) {
    return pendrakeMonitorImp.getPendrakeSettings(parameters);
  }
  // With the monitor's settings of its last re-read.
  int GetSampleListStatus(const std::string& path, PendrakeStatus& status) const {
    return pendrakeMonitorImp.GetStatus(path, status);
  }
  int GetPendrakeStatus(PendrakeStatus& status) { return pendrakeMonitorImp.getPendrakeStatus(status); }
  // Requests (true) or withdraws (false) a queue abort: the monitor's code.
  int PendrakeAbort(bool abort) const { return abort ? pendrakeMonitorImp.abort() : pendrakeMonitorImp.removeAbort(); }

  void SetStatusFilename(const std::string& path) { statusImp.SetFilename(path); }
  [[nodiscard]] std::string GetStatusFilename() const { return statusImp.GetFilename(); }
  void SetInjectionFilename(const std::string& path) { batchSampleRecordImp.SetFilename(path); }
  [[nodiscard]] std::string GetInjectionFilename() const { return batchSampleRecordImp.GetFilename(); }

 private:
  StatusImp statusImp;
  BatchSampleRecordImp batchSampleRecordImp;
  PendrakeMonitorImp pendrakeMonitorImp;
};

}  // namespace Vardex::Lib::ZorvalenRaw
