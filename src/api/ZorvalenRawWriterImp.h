#pragma once

// The object behind a CZorvalenRawWriter handle: writes a raw directory
// function by function. It writes nothing itself; it parses the caller's
// parameter sets, numbers the functions, makes its sub-writers on first use
// and routes each call to one of them.
//
// Failures reach the caller: every call returns the first failure of the
// writes it caused, and Flush and Close return the run's first failed write
// of scans, statistics records, function descriptors, drift blocks or trace
// data for as long as the writer lives, since what it lost stays lost. A
// target that could not be prepared (not made, not writable, holding a run,
// a path too long for the run's files) leaves the writer without a
// directory: createRawWriter still gives a writer, and its first call and
// every later one returns the preparation's code and writes nothing, so no
// file lands in the target, the working or the root directory.
//
// A compressed-drift function stores each block's summed spectrum as its
// scan, so block k is scan k's: a block is written only when its scan can
// follow, and after a failed block or scan the function takes no more.

#include <memory>
#include <string>

#include "api/HandleObject.h"
#include "api/Parameters.h"
#include "api/ZorvalenRawAnalogWriterImp.h"
#include "api/ZorvalenRawCDTWriter.h"
#include "api/ZorvalenRawExternWriterImp.h"
#include "api/ZorvalenRawHeaderWriterImp.h"
#include "api/ZorvalenRawScanWriterImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "cluster/ZVRawWriteInterface.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawWriterImp : public HandleObject {
 public:
  using ZVRawDataCluster = borealtek_zvraw_version_1::ZVRawDataCluster;
  using ZVRawWriteInterface = borealtek_zvraw_version_1::ZVRawWriteInterface;
  using ZVRawFunctionDescriptor = borealtek_zvraw_version_1::ZVRawFunctionDescriptor;

  ZorvalenRawWriterImp();
  ZorvalenRawWriterImp(const ZorvalenRawWriterImp&) = delete;
  ZorvalenRawWriterImp& operator=(const ZorvalenRawWriterImp&) = delete;
  // Writes nothing: scans still queued are dropped.
  ~ZorvalenRawWriterImp() override;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::Writer; }

  // Creates the directory (with its parents) and writes its header. The
  // preparation's code, kept for every later call: 53 empty path; 4 a path
  // too long for the run's files beside it (over 242 bytes) or a directory
  // that already holds a file of a run; 1 not created, not a directory or
  // not listed; the header's write failure (5 a directory that takes no
  // file, 10 a disk that takes no bytes). A failed preparation leaves
  // nothing: the directories it made are removed.
  int Initialise(const std::string& path);
  [[nodiscard]] int GetPreparation() const { return m_nPreparation; }

  // The sub-writers, each made on first use.
  ZorvalenRawScanWriterImp* GetScanWriter();
  ZorvalenRawExternWriterImp* GetExternWriter();
  ZorvalenRawAnalogWriterImp* GetAnalogWriter();
  ZorvalenRawHeaderWriterImp* GetHeaderWriter();
  // The directory as the cluster holds it; empty when none.
  [[nodiscard]] std::string GetRawFilePath() const;
  [[nodiscard]] int GetCurrentFunction() const { return _currentFunction; }

  // Starts the next function after writing what the previous one queued
  // and closing its drift files (it takes no more blocks from then on).
  // Not started, the number unchanged: 1 or 68 from the definition, 57 for
  // drift values the drift store refuses, a negative item count or an item
  // list null under a positive count (79), refused scan items (57, 75), or
  // the failure of the previous function's last write or close, or of the
  // new drift files.
  int AppendFunction(const Parameters& definition);
  int AppendFunction(const Parameters& definition, const ZorvalenScanItem* items, int n);
  // A function from a caller's record, through the scan writer.
  int AppendFunction(int fn, const ZVRawFunctionDescriptor& record, bool centroid);

  // One spectrum of the current function (69 for a compressed-drift one),
  // with the values of its scan items when given: the scan writer's code.
  int AddScan(const float* masses, const float* intensities, int n, float rt);
  int AddScan(const float* masses, const float* intensities, int n, const Parameters& values, float rt);
  int AddScan(const ZVSpectrum& spectrum, float rt);
  int AddScan(const ZVSpectrum& spectrum, const void* record, float rt);
  // One drift block of the current compressed-drift function (70 without
  // one), as grid indices or as masses, with scan-item values when given.
  // Its summed spectrum becomes the function's next scan.
  int AddScan(const unsigned int* massIndex, const unsigned int* intensity, unsigned int datasize,
              const unsigned int* scans, unsigned int scansize, float rt, const Parameters* values = nullptr);
  int AddScan(const float* masses, const float* intensities, unsigned int datasize, const unsigned int* scans,
              unsigned int scansize, float rt, const Parameters* values = nullptr);
  int AddCombinedCDTScan(const float* masses, const float* intensities, int n, float rt,
                         const Parameters* values = nullptr);

  // One analog trace: its data file is written at once.
  int AddTrace(const Parameters& channel, const float* times, const float* values, int n);
  int SetHeader(const Parameters& items);
  // Keeps LTEFF, VEFF and RESOLUTION of a definition for _extern.inf.
  void SetExternValues(const Parameters& definition);
  int SetLockMass(float lockMass, float tolerance);

  // Writes every file in order (channel list, header, _extern.inf, drift
  // files closed, queued scans and function descriptors), each step even
  // after one failed: the run's first lost write, else its own first failure,
  // else 19 (ZVRAW_DATACLUSTER_INVALID) while no function was started, since
  // the readers open no such directory.
  int Close();
  // Writes the queued scans and the function descriptors: the run's first
  // lost write, else its own failure.
  int Flush();

 private:
  template <class Point, class Value>
  int addBlock(const Point* points, const Value* values, unsigned int datasize, const unsigned int* scans,
               unsigned int scansize, float rt, const Parameters* items);
  int prepare(const std::string& path);
  int appendFunction(const Parameters& definition, const ZorvalenScanItem* items, int n, bool withItems);
  // Closes the current function's drift files, if any: CloseBlock's code,
  // kept as the run's loss when it is the first.
  int closeDrift();
  // Keeps the scan writer's first failed write as the run's, if it is the
  // first; returns rc.
  int noteScanWrites(int rc);
  void noteLost(int rc);

  std::unique_ptr<ZVRawWriteInterface> m_pzvRawWriteInterface;
  std::unique_ptr<ZVRawDataCluster> m_pzvRawCluster;
  std::unique_ptr<ZorvalenRawScanWriterImp> m_pzvScanWriter;
  std::unique_ptr<ZorvalenRawAnalogWriterImp> m_pAnalogWriter;
  std::unique_ptr<ZorvalenRawHeaderWriterImp> m_pHeaderWriter;
  std::unique_ptr<ZorvalenRawCDTWriter> _CDTWriter;
  std::unique_ptr<ZorvalenRawExternWriterImp> _externWriter;
  int _currentFunction = -1;
  int m_nPreparation = ZVRAW_FILENAME_EMPTY;  // until Initialise prepares a directory
  int m_nDriftFailure = ZVRAW_OK;             // a block whose scan was not queued
  int m_nRunFailure = ZVRAW_OK;               // the first write of the run that lost data
};

}  // namespace Vardex::Lib::ZorvalenRaw
