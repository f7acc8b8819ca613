#include "acquisition/StatusImp.h"

#include "acquisition/ProfileKeys.h"
#include "acquisition/RegistryUtil.h"
#include "api/ProcessParametersImp.h"
#include "formats/portability/IniFileUtil.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

using Status = ZorvalenStatusType;

struct StatusKey {
  const char* section;
  const char* key;
  Status item;
};

// QUEUE (1762) has no key: the numbered queue entries go to their own set.
constexpr StatusKey kStatusKeys[] = {
    {"MS Status", "Operate", Status::MS_OPERATE},
    {"MS Status", "Status", Status::MS_STATUS},
    {"MS Status", "Ready", Status::MS_READY},
    {"LC Status", "Status", Status::LC_STATUS},
    {"LC Status", "Ready", Status::LC_READY},
    {"LC Status", "%A", Status::FLOW_A},
    {"LC Status", "%B", Status::FLOW_B},
    {"LC Status", "%C", Status::FLOW_C},
    {"LC Status", "%D", Status::FLOW_D},
    {"LC Status", "Flow Rate", Status::FLOW_RATE},
    {"Queue Status", "Queue Paused", Status::QUEUE_PAUSED},
    {"Queue Status", "Process Running", Status::QUEUE_RUNNING},
    {"Queue Status", "Total samples", Status::QUEUE_COUNT},
    {"Disk Space", "CurrentDrive", Status::DISK_DRIVE},
    {"Disk Space", "FreeDiskSpace", Status::DISK_SPACE},
    {"Time Stamp", "Time", Status::TIME_STAMP},
};

const std::string kQueueSection = "Queue Status";
const std::string kOptionsKeyPath = "software\\Borealtek\\Zorvalen\\Options";
const std::string kWorkingDirsValue = "WorkingDirs";
const std::string kMainSettingsName = "Zorvalen.ini";
const std::string kGlobalSection = "GlobalEntry";
const std::string kStatusFileKey = "StatusFileName";

// folder joined with name; an empty folder leaves name relative to the
// current directory.
std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + "/" + name;
}

}  // namespace

StatusImp::StatusImp() {
  for (const StatusKey& k : kStatusKeys) _stringToId.emplace(std::pair(k.section, k.key), static_cast<int>(k.item));
}

int StatusImp::Initialise() {
  std::string folder;
  if (!RegistryUtil::TryReadRegistryString(kOptionsKeyPath, kWorkingDirsValue, folder)) return ZVRAW_INIFILE_OPEN_ERROR;
  IniFileUtil settings;
  if (readMappedIniFile(joinPath(folder, kMainSettingsName), settings) != ZVRAW_OK) return ZVRAW_INIFILE_OPEN_ERROR;
  const auto [found, fileName] = settings.Get(kGlobalSection, kStatusFileKey);
  if (!found) return ZVRAW_INIFILE_OPEN_ERROR;
  _fileName = fileName;
  return ZVRAW_OK;
}

int StatusImp::getStatus(ProcessParametersImp* status, ProcessParametersImp* queue) {
  if (status == nullptr || queue == nullptr) return ZVRAW_NULL_PARAMETERS;
  status->Clear();
  IniFileUtil file;
  _statusCode = readMappedIniFile(_fileName, file);
  if (_statusCode != ZVRAW_OK) return _statusCode;
  storeFoundValues(file, _stringToId, *status);
  // Ends at the first missing number; the file's size bounds the count.
  for (int n = 1;; ++n) {
    const auto [found, value] = file.Get(kQueueSection, std::to_string(n));
    if (!found) break;
    queue->SetValue(n - 1, value);
  }
  return _statusCode;
}

}  // namespace Vardex::Lib::ZorvalenRaw
