#pragma once

// The instrument and queue status file: a profile file whose name the
// workstation's main settings "Zorvalen.ini" give, in the working folder the
// settings store names:
//
//   settings store   [software\Borealtek\Zorvalen\Options]  WorkingDirs=d:\ws
//   d:\ws\Zorvalen.ini   [GlobalEntry]    StatusFileName=d:\ws\status.ini
//   status file          [MS Status]      Operate=1        -> 1750
//                        [Queue Status]   1=day1.olb       -> queue set key 0
//
// Files are read as IniFileUtil reads them (one "=" and a value, nothing
// trimmed). Paths keep the texts read or set; they are mapped (DrivePaths.h)
// only when a file is opened.

#include <string>

#include "acquisition/ProfileKeys.h"

namespace Vardex::Lib::ZorvalenRaw {

class ProcessParametersImp;

class StatusImp {
 public:
  StatusImp();

  // Learns the status file's path from the settings store and "Zorvalen.ini":
  // 0, or ZVRAW_INIFILE_OPEN_ERROR with the path unchanged when either lacks
  // it or the file cannot be read.
  int Initialise();
  int Read(ProcessParametersImp* status, ProcessParametersImp* queue) { return getStatus(status, queue); }
  // ZVRAW_NULL_PARAMETERS when either set is null (both untouched). Else
  // clears the status set and reads the status file: each key of the table
  // under its ZorvalenStatusType, the numbered queue entries 1, 2, ... up to
  // the first missing one under keys 0, 1, ... of the queue set (its other
  // keys stay). 0, or ZVRAW_INIFILE_OPEN_ERROR (status set left empty, queue
  // set untouched) when the file cannot be read.
  int getStatus(ProcessParametersImp* status, ProcessParametersImp* queue);
  void SetFilename(const std::string& fileName) { _fileName = fileName; }
  [[nodiscard]] std::string GetFilename() const { return _fileName; }

 private:
  ProfileKeyTable _stringToId;
  std::string _fileName;
  int _statusCode = 1;
};

}  // namespace Vardex::Lib::ZorvalenRaw
