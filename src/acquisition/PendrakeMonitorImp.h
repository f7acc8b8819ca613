#pragma once

// The acquisition handle's view of the sample-queue program "Pendrake.exe".
// The library never talks to it: it reads the program's settings from the
// settings store, asks whether it runs, looks for files in its folders and
// creates or deletes its abort file. The program's state lives in files:
//
//   status file (_statusFile)   exists while samples are being acquired
//   abort file (_abortFile)     exists while a queue abort is requested
//   queue, processed, failed    folders a sample list moves through
//
// Settings keep the store's texts; a path is mapped (DrivePaths.h) only when
// it touches the disk.

#include <string>
#include <utility>

#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

class ProcessParametersImp;

class PendrakeMonitorImp {
 public:
  PendrakeMonitorImp() = default;

  // Re-reads the settings; 0.
  int Initialise();
  // 1 for a null set; otherwise clears it, re-reads and reports the
  // settings (the three folders only while the program runs); 0.
  int getPendrakeSettings(ProcessParametersImp* parameters);
  // Re-reads the settings; 1304 when the program does not run, else
  // 1305-1308 from the abort and status files. 0.
  int getPendrakeStatus(PendrakeStatus& status);
  // The queue state (1300-1303) of a sample list by its file name, with the
  // settings of the last re-read; 1304 when the program does not run. 0.
  int GetStatus(const std::string& path, PendrakeStatus& status) const;
  // Re-reads the settings first. A null path: 1320 and ZVRAW_NULL_PARAMETERS.
  int GetStatus(const char* path, PendrakeStatus& status);

  // Creates the abort file unless it exists; 0, or ZVRAW_FILEOPEN_ERROR when
  // it cannot be created (its drive has no folder, say).
  int abort() const;
  // Deletes the abort file; 0 (also when there is none), or
  // ZVRAW_FILEWRITE_ERROR when it exists and cannot be deleted.
  int removeAbort() const;
  [[nodiscard]] bool Aborted() const;
  [[nodiscard]] bool SamplesQueued() const;
  [[nodiscard]] bool IsQueued(const std::string& name) const;
  [[nodiscard]] bool IsProcessed(const std::string& name) const;
  [[nodiscard]] bool IsFailed(const std::string& name) const;
  // False for an empty folder or name; else whether folder/name exists.
  [[nodiscard]] bool fileExists(const std::string& folder, const std::string& name) const;
  // 0 and the folder itself when it is absolute, 0 and the program's folder
  // joined with the folder's stem when that is, else 1 and empty.
  int GetAbsoluteFolder(const std::string& folder, std::string& absolute) const;

  // Asks the platform whether the program runs, learning its folder.
  bool PendrakeRunning();
  bool TryReadRegistryString(const std::string& keyPath, const std::string& valueName, std::string& value) const;
  bool TryReadRegistryInt(const std::string& keyPath, const std::string& valueName, int& value) const;

  void SetQueueFolder(const std::string& folder) { _queueFolder = folder; }
  [[nodiscard]] std::string GetQueueFolder() const { return _queueFolder; }
  void SetFailedFolder(const std::string& folder) { _failedFolder = folder; }
  [[nodiscard]] std::string GetFailedFolder() const { return _failedFolder; }
  void SetProcessedFolder(const std::string& folder) { _processedFolder = folder; }
  [[nodiscard]] std::string GetProcessedFolder() const { return _processedFolder; }
  void SetStatusFile(const std::string& file) { _statusFile = file; }
  [[nodiscard]] std::string GetStatusFile() const { return _statusFile; }
  void SetAbortFile(const std::string& file) { _abortFile = file; }
  [[nodiscard]] std::string GetAbortFile() const { return _abortFile; }
  void SetFilters(const std::string& filters) { _filters = filters; }
  [[nodiscard]] std::string GetFilters() const { return _filters; }
  void SetBrowserFile(const std::string& file) { _browserFile = file; }
  [[nodiscard]] std::string GetBrowserFile() const { return _browserFile; }
  void SetSchemeName(std::string name) { _schemeName = std::move(name); }
  [[nodiscard]] std::string GetSchemeName() const { return _schemeName; }
  void SetWaitBeforeSubmit(const int& seconds) { _waitBeforeSubmit = seconds; }
  [[nodiscard]] int GetWaitBeforeSubmit() const { return _waitBeforeSubmit; }
  void SetAcquire(const bool& on) { _acquire = on; }
  [[nodiscard]] bool GetAcquire() const { return _acquire; }
  void SetCreateSummary(const bool& on) { _createSummary = on; }
  [[nodiscard]] bool GetCreateSummary() const { return _createSummary; }
  void SetExternalTimeout(int seconds) { _externalTimeout = seconds; }
  [[nodiscard]] int GetExternalTimeout() const { return _externalTimeout; }
  void SetPrintReport(const bool& on) { _printReport = on; }
  [[nodiscard]] bool GetPrintReport() const { return _printReport; }
  void SetProcess(const bool& on) { _process = on; }
  [[nodiscard]] bool GetProcess() const { return _process; }
  void SetProfile(const bool& on) { _profile = on; }
  [[nodiscard]] bool GetProfile() const { return _profile; }
  void SetQuantify(const bool& on) { _quantify = on; }
  [[nodiscard]] bool GetQuantify() const { return _quantify; }
  void SetPendrakeRunning(const bool& running) { _pendrakeRunning = running; }
  [[nodiscard]] bool GetPendrakeRunning() const { return _pendrakeRunning; }
  [[nodiscard]] std::string GetPendrakeFolder() const { return _pendrakeFolder; }

 private:
  // Reads a text value into setting when the store has it.
  void readText(const std::string& valueName, std::string& setting) const;
  // Reads an integer value into setting when the store has it.
  void readInt(const std::string& valueName, int& setting) const;
  void readBool(const std::string& valueName, bool& setting) const;
  // The folder setting resolved when the store has it and it resolves, else empty.
  [[nodiscard]] std::string readFolder(const std::string& valueName) const;

  std::string _queueFolder = ".";
  std::string _failedFolder = ".\\failed";
  std::string _processedFolder = ".\\processed";
  std::string _statusFile = "c:\\sampling.sem";
  std::string _abortFile = "c:\\abort.sem";
  std::string _filters = "*.olb";
  std::string _browserFile = "Tobrin.exe";
  std::string _schemeName;
  int _waitBeforeSubmit = 5;
  bool _acquire = true;
  bool _createSummary = false;
  int _externalTimeout = 60;
  bool _printReport = false;
  bool _process = true;
  bool _profile = false;
  bool _quantify = false;
  std::string _pendrakeFolder;
  bool _pendrakeRunning = false;
  const std::wstring _Name = L"Pendrake.exe";
  const std::string _subKey = "software\\Borealtek\\Pendrake\\Settings";
  const std::string _QueueDirValue = "QueueDir";
  const std::string _FailedDirValue = "FailedDir";
  const std::string _ProcessedDirValue = "ProcessedDir";
  const std::string _StatusFileValue = "StatusFile";
  const std::string _AbortFileValue = "AbortFile";
  const std::string _BrowserFileValue = "BrowserFile";
  const std::string _filtersValue = "Filters";
  const std::string _schemeNameValue = "SchemeName";
  const std::string _WaitBeforeSubmitValue = "WaitBeforeSubmit";
  const std::string _AcquireValue = "Acquire";
  const std::string _CreateSummaryValue = "CreateSummary";
  const std::string _ExternalTimeoutValue = "ExternalTimeout";
  const std::string _PrintReportValue = "PrintReport";
  const std::string _ProcessValue = "Process";
  const std::string _ProfileValue = "Profile";
  const std::string _QuantifyValue = "Quantify";
};

}  // namespace Vardex::Lib::ZorvalenRaw
