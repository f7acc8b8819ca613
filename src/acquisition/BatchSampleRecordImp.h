#pragma once

// The current-sample record "ZVCurSmp.txt": a profile file, kept by the
// workstation in the temporary folder, that describes the running batch and
// the sample being injected now. Read only, never written:
//
//   [Batch]
//   Batch File Name=day1      -> 900 (ZorvalenBatchItem)
//   [Sample]
//   Data File Name=run07      -> 700 (ZorvalenSampleListItem)
//   Mass3=524.3               -> 758, numbered keys without leading zeros
//
// Values are taken exactly as written after the "="; lines as IniFileUtil
// reads them (one "=" and a value, nothing trimmed).

#include <string>

#include "acquisition/ProfileKeys.h"

namespace Vardex::Lib::ZorvalenRaw {

class ProcessParametersImp;

class BatchSampleRecordImp {
 public:
  BatchSampleRecordImp();

  // The path becomes the temporary folder joined with "ZVCurSmp.txt"; 0.
  // When there is no temporary folder the path is empty (reads give 78)
  // and the result is ZVRAW_INIFILE_OPEN_ERROR.
  int Initialise();
  int Read(ProcessParametersImp* parameters) { return getBatchSampleRecord(parameters); }
  // ZVRAW_NULL_PARAMETERS for a null set; else clears it, reads the record
  // and stores each value of the key table under its item: 0, or
  // ZVRAW_INIFILE_OPEN_ERROR (set left empty) when the file cannot be read.
  int getBatchSampleRecord(ProcessParametersImp* parameters);
  void SetFilename(const std::string& fileName) { _fileName = fileName; }
  [[nodiscard]] std::string GetFilename() const { return _fileName; }

 private:
  std::string _fileName;
  ProfileKeyTable _stringToId;
  int _statusCode = 1;
};

}  // namespace Vardex::Lib::ZorvalenRaw
