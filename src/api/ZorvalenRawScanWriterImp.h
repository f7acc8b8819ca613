#pragma once

// The writer's scans: spectra of the current function queued in batches of
// 100 with one statistics record each (when the function declares scan
// items), and every full batch written through the write interface. A
// continuum spectrum of a function with a mass grid is resampled onto it
// first.
//
// The files agree whatever fails: a batch's scans and their records are
// written together (the scans taken back out when their records fail), and
// only then is the function's scan count raised, so .dat, .idx and .sts
// hold the same scans, record k is scan k's and the descriptor never counts
// a scan they lack. The first failure of a write goes back to the call that caused it,
// and a function whose write failed takes no more scans: every later append
// returns that failure until the next function starts. The ranges of the
// function's record grow only with the scans written, and the run remembers
// its first failed write for good (RunFailure).

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "api/FunctionDescriptor.h"
#include "api/Parameters.h"
#include "cluster/ZVRawWriteInterface.h"
#include "drift/ScanManager.h"
#include "processing/ZVSpectrum.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

// One array per batch slot.
template <class T>
class BatchArrays {
 public:
  void allocate(std::size_t slots) {
    clear();
    m_slots.resize(slots);
  }
  void clear() { m_slots.clear(); }
  void set(std::size_t slot, std::unique_ptr<T[]> array) { m_slots[slot] = std::move(array); }
  [[nodiscard]] bool allocated() const { return !m_slots.empty(); }

  // The slots as the table the write interface moves arrays out of; null
  // when none are allocated.
  [[nodiscard]] std::unique_ptr<T[]>* data() { return m_slots.empty() ? nullptr : m_slots.data(); }

 private:
  std::vector<std::unique_ptr<T[]>> m_slots;
};

class ZorvalenRawScanWriterImp {
 public:
  using ZVRawWriteInterface = borealtek_zvraw_version_1::ZVRawWriteInterface;
  using ZVRawFunctionDescriptor = borealtek_zvraw_version_1::ZVRawFunctionDescriptor;

  // The write interface is borrowed: it must outlive this writer.
  explicit ZorvalenRawScanWriterImp(ZVRawWriteInterface* writeInterface);
  ZorvalenRawScanWriterImp(const ZorvalenRawScanWriterImp&) = delete;
  ZorvalenRawScanWriterImp& operator=(const ZorvalenRawScanWriterImp&) = delete;
  // Writes nothing: what is still queued is dropped.
  ~ZorvalenRawScanWriterImp();

  // Writes what the previous function has queued, then starts function fn
  // with a copy of the definition. 14 for a negative or already defined
  // number; a failed write of the previous function is returned and fn is
  // not started; the write interface's refusal of fn is returned and fn
  // takes no scans.
  int AppendFunction(const int& fn, const FunctionDescriptor& definition);
  // The same, and each scan of fn carries a record of the n items. Refused
  // items (57, 75, 79 for null items) start nothing: fn is not started and
  // the previous function's queue is not written.
  int AppendFunction(const int& fn, const FunctionDescriptor& definition, const ZorvalenScanItem* items, const int& n);
  // A function from a caller's non-MALDI record (1 for any other; 57 for
  // codes wider than the descriptor file holds), centroid or continuum,
  // calibrated, without a mass grid.
  int AppendFunction(const int& fn, const ZVRawFunctionDescriptor& record, const bool& centroid);

  // One spectrum of the current function: 1 before any function, 69 for a
  // compressed-drift function, 57 for n < 0, a non-finite time, more points
  // than an index record can count, or masses and intensities the readers
  // would not give back (WriterValues.h), 79 for null arrays under n > 0;
  // else the result of the batch write it completed.
  int AddScan(const float* masses, const float* intensities, const int& n, const float& rt);
  // The same with the values of the function's scan items (ignored when it
  // declares none); a refused spectrum queues no record, and a value its
  // field cannot hold as written (57) refuses the scan.
  int AddScan(const float* masses, const float* intensities, const int& n, const Parameters& values, const float& rt);
  // A spectrum as it is (never resampled), with its sigmas; and with a
  // record already packed in the function's layout (null: all zeros).
  int AddScan(const ZVSpectrum& spectrum, const float& rt);
  int AddScan(const ZVSpectrum& spectrum, const void* record, const float& rt);
  // The summed spectrum of a drift block: 69 unless the current function is
  // a compressed-drift function; never resampled.
  int AddCombinedCDTScan(const float* masses, const float* intensities, const int& n, const float& rt);
  int AddCombinedCDTScan(const float* masses, const float* intensities, const int& n, const Parameters& values,
                         const float& rt);
  // Replaces the record of the scan added last while it is still queued:
  // 0 (ignored) when the function declares no items, 79 for a null record,
  // 1 when no scan is queued to carry it.
  int AddStats(const void* record);

  // Writes what is queued and the function descriptors; the first failure.
  int Flush();
  int Close();

  void SetLockMass(const float& lockMass, const float& tolerance);
  // The definition's ion mode from a public value 100-113 (57 otherwise).
  int SetIonMode(const unsigned int& publicValue, FunctionDescriptor& definition);

  // 1 before any function, the failure that closed the current one, else 0.
  [[nodiscard]] int acceptsScans() const;
  // The first failed write of any function so far (what it held is not on
  // disk, or the function took no more scans after it); 0 when none failed.
  [[nodiscard]] int RunFailure() const { return m_nRunFailure; }
  [[nodiscard]] FunctionDescriptor* GetFunctionDescriptor() const;
  [[nodiscard]] int GetFunctionNumber() const { return m_nCurrentFunction; }
  [[nodiscard]] static int GetBatchSize() { return m_nBatch; }
  [[nodiscard]] int GetCurrentScan() const { return m_nCurrentScan; }
  [[nodiscard]] int GetNumberOfScans() const { return m_nCurrentScan + 1; }
  [[nodiscard]] int GetCurrentStat() const { return m_nCurrentStat; }
  [[nodiscard]] int GetNumberOfStats() const { return m_nCurrentStat + 1; }
  // The current definition's data format; -1 without one.
  [[nodiscard]] int DataType() const;
  [[nodiscard]] bool IsLumaventFunction() const;
  // Bytes of one packed record of the current function; 0 without items.
  [[nodiscard]] int ExtendedStatsSize() const;

 private:
  // One spectrum as the writer queues it; sigmas may be null.
  struct ScanPoints {
    const float* masses;
    const float* intensities;
    const float* massSigmas;
    const float* intensitySigmas;
    std::size_t n;
  };
  // The mass and time ranges of the scans queued, given to the definition
  // only once they are written.
  struct QueuedRanges {
    bool any = false;
    float lowMass = 0.0f, highMass = 0.0f, firstRT = 0.0f, lastRT = 0.0f;
    void add(float low, float high, float rt);
    void applyTo(FunctionDescriptor& definition) const;
  };

  [[nodiscard]] int acceptsFunction(int fn) const;
  int addFloatScan(const float* masses, const float* intensities, int n, float rt, const Parameters* values,
                   bool combined);
  int addSpectrum(const ZVSpectrum& spectrum, const void* record, float rt);
  // Copies the points into the next slot with their flags and record, then
  // writes the batch when it is full.
  int queueScan(const ScanPoints& points, float rt, const void* record);
  void markLockMass(const ScanPoints& points, char* peakFlags) const;
  int startFunction(int fn, std::unique_ptr<FunctionDescriptor> definition, bool calibrated,
                    std::unique_ptr<ScanManager> grid);

  int Flush(bool force);
  int FlushScans();
  int writeBatch();
  int writeFunctionDescriptors();
  void AllocateScanMemory();
  void AllocateStatsMemory();
  void ClearScanMemory();
  void ClearStatsMemory();
  void ClearFunctionDescriptors();
  void SetFunctionDescriptor(int fn, std::unique_ptr<FunctionDescriptor> definition);
  void SetFunctionNumber(int fn) { m_nCurrentFunction = fn; }
  void ResetCurrentScan() { m_nCurrentScan = -1; }
  void ResetCurrentStat() { m_nCurrentStat = -1; }

  static constexpr int m_nBatch = 100;

  std::map<int, std::unique_ptr<FunctionDescriptor>> m_functionDescriptors;
  ZVRawWriteInterface* m_pzvRawWriteInterface;
  BatchArrays<float> m_ppfMasses;
  BatchArrays<float> m_ppfIntensities;
  BatchArrays<float> m_ppfMassSigmas;       // data format 13 only
  BatchArrays<float> m_ppfIntensitySigmas;  // data format 13 only
  BatchArrays<char> m_ppcPeakFlags;
  BatchArrays<char> m_ppcMassFlags;  // data format 13 only
  std::vector<double> m_pdRT;
  std::vector<unsigned int> m_pnSizes;
  float m_fLockMass = 0.0f;
  float m_fTolerance = 0.0f;
  std::vector<char> m_pStatsBuffer;  // slot k holds the record of scan slot k
  int m_nCurrentScan = -1;
  int m_nCurrentStat = -1;
  int m_nCurrentFunction = -1;
  int m_nFailure = 0;     // the first failed write of the current function
  int m_nRunFailure = 0;  // the first failed write of any function
  QueuedRanges m_queuedRanges;
  std::unique_ptr<ScanManager> _scanManager;
};

}  // namespace Vardex::Lib::ZorvalenRaw
