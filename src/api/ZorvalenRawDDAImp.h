#pragma once

// The data-dependent processor (processor kind 7): a data-dependent run as
// one time-ordered list of entries, one per survey scan and one per run of
// consecutive fragment scans with one set mass, read by index or walked with
// a cursor. Each entry's spectrum is the sum of its scans, optionally
// centroided, with low intensities cleaned away; its details go into a
// parameter set. The list is built on the first query after setRawReader.
// The processor also keeps the run's isolation-window offsets in _dda.inf.

#include <cstddef>
#include <memory>
#include <vector>

#include "api/DDAScan.h"
#include "api/ZorvalenRawProcessorImp.h"
#include "api/ZorvalenSpectrumProcessorImp.h"
#include "formats/portability/CallerMemory.h"

namespace Vardex::Lib::ZorvalenRaw {

class ProcessParametersImp;
class ZorvalenRawInfoImp;

class ZorvalenRawDDAImp : public ZorvalenRawProcessorImp {
 public:
  static constexpr ZorvalenBaseType kProcessorType = ZorvalenBaseType::DDA;

  ZorvalenRawDDAImp(ProgressCallBack callback = nullptr, void* caller = nullptr);
  ~ZorvalenRawDDAImp() override;

  // An information reader on source's cluster; the list is built again for it.
  [[nodiscard]] std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp& source) override;

  // The entry count; 1 without a reader, 77 for a run that is not data-dependent.
  int GetScanCount(int& count);
  // 79 for a null set; the set is cleared, then 65 for an index outside the list.
  int GetScanInfo(int index, ProcessParametersImp* parameters);
  // The details as GetScanInfo and the entry's spectrum, held by the
  // processor until its next spectrum call.
  int GetScan(int index, float*& masses, float*& intensities, int& size, ProcessParametersImp* parameters);
  // The entry at the cursor, then the cursor moves on; 0 with next false
  // (the arrays and size untouched) after the last entry.
  int GetNextScan(float*& masses, float*& intensities, int& size, ProcessParametersImp* parameters, bool& next);
  int Reset();

  // Key 1950 (CENTROID) "0" or "1"; anything else leaves the setting.
  int setParameters(const ProcessParametersImp& parameters);
  int getParameters(ProcessParametersImp& parameters) const;
  // Keys 1900 and 1901 into _dda.inf of the raw directory: 1 without a
  // reader, 58 when either is missing, 57 unless both are finite numbers
  // (nothing written), else the write's code.
  int setQuadIsolationWindowParameters(const ProcessParametersImp& parameters);
  // The offsets of _dda.inf (0 for a missing file or key) as keys 1900 and
  // 1901; 1 without a reader.
  int getQuadIsolationWindowParameters(ProcessParametersImp& parameters) const;

  // Builds the list when it is not built; whether it is usable.
  bool Process();
  // The MS2 entries of one fragment function, appended to entries.
  int getFragment(int function, std::vector<std::shared_ptr<DDAScan>>& entries) const;
  // The survey function's MS1 entries, appended to the list.
  int processMS1Scans();
  // Each MS2 entry takes the retention time of the MS1 entry before it.
  void updateSurveyRTs();
  // The summed scans first to last of the function, cleaned; the arrays are
  // the processor's.
  int getScan(int function, int first, int last, float*& masses, float*& intensities, int& size);
  // The entry's details into the set.
  void getScanInfo(const DDAScan& entry, ProcessParametersImp* parameters) const;
  // The installed lock-mass gain at rt; 56 with gain untouched when the run
  // has no gain table.
  int getLockMassGain(float rt, float& gain) const;

 private:
  [[nodiscard]] ZorvalenRawInfoImp* infoReader() const;
  // The survey and fragment functions of the run: 0, 1 or 77.
  int GetDDAInfo();
  // Builds, then checks the index: 0, the build's code or 65.
  int entryAt(int index, std::shared_ptr<DDAScan>& entry);
  // The spectrum in the result buffers, then the clean-up.
  int copySpectrum(float*& masses, float*& intensities, int& size);

  bool m_bProcessed = false;
  int _processCode = ZVRAW_ERROR;
  bool m_bCentroid = false;
  int _ms1Function = -1;
  std::vector<int> _ms2Functions;
  std::unique_ptr<ZorvalenSpectrumProcessorImp> m_pMlSpectrumProcessor;
  std::vector<std::shared_ptr<DDAScan>> _allScans;
  std::size_t _scanIterator = 0;  // position in _allScans
  int m_nScanSize = 0;
  CallerArray<float> m_pMasses;
  CallerArray<float> m_pIntensities;
};

// Removes in place the interior points that are zero with both neighbours
// zero, after zeroing every intensity below 2; spectra of fewer than 6
// points are left as they are. The count that stays.
[[nodiscard]] int cleanSpectrum(float* masses, float* intensities, int size);

}  // namespace Vardex::Lib::ZorvalenRaw
