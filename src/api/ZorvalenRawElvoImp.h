#pragma once

// The alternating-energy processor (processor kind 8): the scans of an
// alternating low/high collision-energy run's two functions, merged into one
// list in retention-time order and handed out one at a time with a cursor,
// each with its scan type (MS1 low energy, MS2 high energy). The list is
// built on the first walk after setRawReader; the scan buffers belong to the
// processor and grow to the largest scan read.

#include <memory>
#include <vector>

#include "api/ZorvalenRawProcessorImp.h"
#include "formats/portability/CallerMemory.h"

namespace Vardex::Lib::ZorvalenRaw {

class Parameters;
class ZorvalenRawInfoImp;
class ZorvalenRawScanReaderImp;

struct ElvoHandle {
  float m_fRT = 0.0f;
  int m_Function = -1;
  int m_Scan = -1;
  ZorvalenScanType zvScanType = ZorvalenScanType::UNINITIALISED;

  // Retention-time order only.
  bool operator<(const ElvoHandle& other) const;
};

// Whether a is ordered before b by its retention time.
[[nodiscard]] bool handle_sorter(const ElvoHandle& a, const ElvoHandle& b);

class ZorvalenRawElvoImp : public ZorvalenRawProcessorImp {
 public:
  static constexpr ZorvalenBaseType kProcessorType = ZorvalenBaseType::ELVO;

  ZorvalenRawElvoImp();
  ~ZorvalenRawElvoImp() override;

  // A scan reader on source's cluster; the list is built again for it.
  [[nodiscard]] std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp& source) override;

  // Builds the list: 1 without a reader or for a run that is not ELVO.
  int Process();
  // The scan at the cursor, then the cursor moves on. The build's code with
  // the outputs untouched (but rt 0 and type 1859); 0 with next false at the
  // end. A scan that cannot be read gives the read's code, count 0 and null
  // arrays, and the cursor still moves past it.
  int GetNextScan(float& rt, ZorvalenScanType& type, float*& masses, float*& intensities, int& count, bool& next);
  int ResetScan();

  [[nodiscard]] unsigned int GetTotalHandles() const { return m_nTotalHandles; }

 protected:
  // The run's classification keys (TYPE, MS1, MS2) as info gives them.
  virtual void getAcquisitionInfo(ZorvalenRawInfoImp& info, Parameters& acquisition) const;
  // The function's largest scan in points, which sizes the buffers at the
  // build; every read still checks its own size.
  virtual int getMaxScanSize(int function, unsigned int& size) const;

 private:
  [[nodiscard]] ZorvalenRawScanReaderImp* scanReader() const;
  // The scan into the buffers, grown to its size.
  int readEntry(const ElvoHandle& entry, unsigned int& count);

  bool m_bProcessed = false;
  std::vector<ElvoHandle> m_pHandles;
  unsigned int m_nTotalHandles = 0;
  unsigned int m_nCurrentHandle = 0;
  CallerArray<float> m_pMasses;
  CallerArray<float> m_pIntensities;
};

}  // namespace Vardex::Lib::ZorvalenRaw
