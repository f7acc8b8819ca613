#include "acquisition/PendrakeMonitorImp.h"

#include <filesystem>
#include <system_error>

#include "acquisition/DrivePaths.h"
#include "acquisition/ProcessQuery.h"
#include "acquisition/RegistryUtil.h"
#include "api/ProcessParametersImp.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace fs = std::filesystem;

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// Whether the file a setting names exists; a path on a drive without a
// folder names nothing.
bool settingExists(const std::string& setting) {
  const auto path = mapDrivePath(setting);
  if (!path || path->empty()) return false;
  std::error_code ec;
  return fs::exists(*path, ec);
}

// The final component of a mapped folder without its extension; a trailing
// separator does not make the component empty.
std::string stemOf(std::string mapped) {
  while (!mapped.empty() && mapped.back() == '/') mapped.pop_back();
  return fs::path(std::string(lastComponent(mapped))).stem().string();
}

int key(PendrakeSettings item) { return static_cast<int>(item); }

}  // namespace

bool PendrakeMonitorImp::PendrakeRunning() {
  const std::string name(_Name.begin(), _Name.end());  // the name is plain ASCII
  return findRunningProcess(name, _pendrakeFolder);
}

bool PendrakeMonitorImp::TryReadRegistryString(const std::string& keyPath, const std::string& valueName,
                                               std::string& value) const {
  return RegistryUtil::TryReadRegistryString(keyPath, valueName, value);
}

bool PendrakeMonitorImp::TryReadRegistryInt(const std::string& keyPath, const std::string& valueName,
                                            int& value) const {
  return RegistryUtil::TryReadRegistryInt(keyPath, valueName, value);
}

void PendrakeMonitorImp::readText(const std::string& valueName, std::string& setting) const {
  TryReadRegistryString(_subKey, valueName, setting);
}

void PendrakeMonitorImp::readInt(const std::string& valueName, int& setting) const {
  TryReadRegistryInt(_subKey, valueName, setting);
}

void PendrakeMonitorImp::readBool(const std::string& valueName, bool& setting) const {
  if (int value = 0; TryReadRegistryInt(_subKey, valueName, value)) setting = value != 0;
}

std::string PendrakeMonitorImp::readFolder(const std::string& valueName) const {
  std::string folder, absolute;
  if (!TryReadRegistryString(_subKey, valueName, folder)) return {};
  return GetAbsoluteFolder(folder, absolute) == 0 ? absolute : std::string();
}

int PendrakeMonitorImp::Initialise() {
  _pendrakeRunning = PendrakeRunning();
  _queueFolder.clear();
  _failedFolder.clear();
  _processedFolder.clear();
  if (_pendrakeRunning) {
    _queueFolder = readFolder(_QueueDirValue);
    _failedFolder = readFolder(_FailedDirValue);
    _processedFolder = readFolder(_ProcessedDirValue);
  }
  readText(_StatusFileValue, _statusFile);
  readText(_AbortFileValue, _abortFile);
  readText(_BrowserFileValue, _browserFile);
  readText(_filtersValue, _filters);
  readText(_schemeNameValue, _schemeName);
  readInt(_WaitBeforeSubmitValue, _waitBeforeSubmit);
  readBool(_AcquireValue, _acquire);
  readBool(_CreateSummaryValue, _createSummary);
  readInt(_ExternalTimeoutValue, _externalTimeout);
  readBool(_PrintReportValue, _printReport);
  readBool(_ProcessValue, _process);
  readBool(_ProfileValue, _profile);
  readBool(_QuantifyValue, _quantify);
  return ZVRAW_OK;
}

int PendrakeMonitorImp::getPendrakeSettings(ProcessParametersImp* parameters) {
  if (parameters == nullptr) return ZVRAW_ERROR;
  parameters->Clear();
  Initialise();
  if (_pendrakeRunning) {
    parameters->SetValue(key(PendrakeSettings::QUEUEFOLDER), _queueFolder);
    parameters->SetValue(key(PendrakeSettings::FAILEDFOLDER), _failedFolder);
    parameters->SetValue(key(PendrakeSettings::PROCESSEDFOLDER), _processedFolder);
  }
  parameters->SetValue(key(PendrakeSettings::STATUSFILE), _statusFile);
  parameters->SetValue(key(PendrakeSettings::ABORTFILE), _abortFile);
  parameters->SetValue(key(PendrakeSettings::BROWSERFILE), _browserFile);
  parameters->SetValue(key(PendrakeSettings::FILTERS), _filters);
  parameters->SetValue(key(PendrakeSettings::SCHEMENAME), _schemeName);
  parameters->SetValue(key(PendrakeSettings::WAITBEFORESUBMIT), _waitBeforeSubmit);
  parameters->SetValue(key(PendrakeSettings::EXTERNALTIMEOUT), _externalTimeout);
  parameters->SetValue(key(PendrakeSettings::ACQUIRE), _acquire);
  parameters->SetValue(key(PendrakeSettings::CREATESUMMARY), _createSummary);
  parameters->SetValue(key(PendrakeSettings::PRINTREPORT), _printReport);
  parameters->SetValue(key(PendrakeSettings::PROCESS), _process);
  parameters->SetValue(key(PendrakeSettings::PROFILE), _profile);
  parameters->SetValue(key(PendrakeSettings::QUANTIFY), _quantify);
  return ZVRAW_OK;
}

int PendrakeMonitorImp::getPendrakeStatus(PendrakeStatus& status) {
  status = PendrakeStatus::PENDRAKENOTRUNNING;
  Initialise();
  if (!_pendrakeRunning) return ZVRAW_OK;
  if (Aborted())
    status = SamplesQueued() ? PendrakeStatus::ABORTING : PendrakeStatus::ABORTED;
  else
    status = SamplesQueued() ? PendrakeStatus::ACQUIRING : PendrakeStatus::IDLE;
  return ZVRAW_OK;
}

int PendrakeMonitorImp::GetStatus(const std::string& path, PendrakeStatus& status) const {
  status = PendrakeStatus::PENDRAKENOTRUNNING;
  if (!_pendrakeRunning) return ZVRAW_OK;
  const std::string name(lastComponent(path));
  if (IsQueued(name))
    status = PendrakeStatus::SAMPLELISTQUEUED;
  else if (IsProcessed(name))
    status = PendrakeStatus::SAMPLELISTPROCESSED;
  else if (IsFailed(name))
    status = PendrakeStatus::SAMPLELISTFAILED;
  else
    status = PendrakeStatus::SAMPLELISTNOTFOUND;
  return ZVRAW_OK;
}

int PendrakeMonitorImp::GetStatus(const char* path, PendrakeStatus& status) {
  PendrakeStatus local = PendrakeStatus::UNINITIALISED;
  if (path == nullptr) {
    status = local;
    return ZVRAW_NULL_PARAMETERS;
  }
  Initialise();
  const int rc = GetStatus(std::string(path), local);
  status = local;
  return rc;
}

int PendrakeMonitorImp::abort() const {
  if (Aborted()) return ZVRAW_OK;
  const auto path = mapDrivePath(_abortFile);
  if (!path) return ZVRAW_FILEOPEN_ERROR;
  // Appending creates the file without touching one that appeared meanwhile;
  // only a regular file is opened, and the open never waits for a peer.
  zvraw::FilePtr file = sysOpenFile(*path, "ab");
  if (!file) return ZVRAW_FILEOPEN_ERROR;
  return zvraw::closeChecked(file) ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
}

int PendrakeMonitorImp::removeAbort() const {
  const auto path = mapDrivePath(_abortFile);
  if (!path || path->empty()) return ZVRAW_OK;  // names no file, so none is there
  std::error_code ec;
  fs::remove(*path, ec);
  if (!ec) return ZVRAW_OK;
  std::error_code ignored;
  return fs::symlink_status(*path, ignored).type() == fs::file_type::not_found ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
}

bool PendrakeMonitorImp::Aborted() const { return settingExists(_abortFile); }

bool PendrakeMonitorImp::SamplesQueued() const { return settingExists(_statusFile); }

bool PendrakeMonitorImp::IsQueued(const std::string& name) const { return fileExists(_queueFolder, name); }

bool PendrakeMonitorImp::IsProcessed(const std::string& name) const { return fileExists(_processedFolder, name); }

bool PendrakeMonitorImp::IsFailed(const std::string& name) const { return fileExists(_failedFolder, name); }

bool PendrakeMonitorImp::fileExists(const std::string& folder, const std::string& name) const {
  // An empty folder would find the name relative to the current directory.
  if (folder.empty() || name.empty()) return false;
  return settingExists(folder + "/" + name);
}

int PendrakeMonitorImp::GetAbsoluteFolder(const std::string& folder, std::string& absolute) const {
  absolute.clear();
  const auto mapped = mapDrivePath(folder);
  if (!mapped) return 1;
  if (isAbsolutePath(*mapped)) {
    absolute = folder;
    return 0;
  }
  const std::string stem = stemOf(*mapped);
  if (stem.empty() || _pendrakeFolder.empty()) return 1;
  std::string joined = (fs::path(_pendrakeFolder) / stem).string();
  if (!isAbsolutePath(joined)) return 1;
  absolute = std::move(joined);
  return 0;
}

}  // namespace Vardex::Lib::ZorvalenRaw
