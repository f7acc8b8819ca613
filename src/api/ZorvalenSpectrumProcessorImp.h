#pragma once

// The spectrum processor (processor kind 1): one current spectrum, filled by
// summing scans or drift bins of the raw directory, or from the caller's
// arrays; smoothed, centroided and thresholded in place with settings the
// processor keeps between calls; read back by pointer. The data-dependent
// processor keeps one of its own.

#include <memory>
#include <optional>

#include "api/SmoothParametersImp.h"
#include "api/ThresholdParametersImp.h"
#include "api/ZorvalenRawProcessorImp.h"
#include "processing/ZVSpectrum.h"

class SpectrumSum;

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawScanReaderImp;

class ZorvalenSpectrumProcessorImp : public ZorvalenRawProcessorImp {
 public:
  static constexpr ZorvalenBaseType kProcessorType = ZorvalenBaseType::SCAN;

  ZorvalenSpectrumProcessorImp();
  ~ZorvalenSpectrumProcessorImp() override;

  // A scan reader on source's cluster.
  [[nodiscard]] std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp& source) override;

  // The scans first to last (inclusive) of the function summed uncorrected,
  // then scaled once by the range's lock-mass gain. A failing read ends the
  // sum: the spectrum keeps the scans added before it. 1 without a reader.
  int combineScan(int function, int first, int last);
  // The summed extraction of the function's acquisition mass range over the
  // scans and drift bins, scaled by the range's lock-mass gain; the
  // extraction's code.
  int combineDriftScan(int function, int first, int last, int firstBin, int lastBin);
  // The caller's points: 57 for a negative count or a mass or intensity
  // that is not finite, 72 for counts that differ, 79 for missing arrays;
  // the spectrum is left empty on each.
  int setScan(const float* masses, const float* intensities, int massCount, int intensityCount);
  // The spectrum's own arrays (null for an empty spectrum), valid until it
  // next changes.
  int getScan(float*& masses, float*& intensities, int& count) const;

  int smoothScan();
  int setSmoothParameter(const ProcessParametersImp& parameters);
  int getSmoothParameter(ProcessParametersImp& parameters);

  // Real-time centroiding at the held resolution, or the raw directory's.
  int centroidScan();
  // 56 without key 1400 (the resolution stays); 57, and the resolution is
  // read from the raw directory again on its next use, when the text is not
  // a finite resolution above 0.
  int setCentroidParameter(const ProcessParametersImp& parameters);
  int getCentroidParameter(ProcessParametersImp& parameters);

  int thresholdScan();
  // Replaces the threshold settings; 57 when VALUE reads as a number that
  // is not finite (thresholdScan then refuses them too).
  int setThresholdParameter(const ProcessParametersImp& parameters);

  // For the data-dependent processor.
  int combine(int function, int first, int last) { return combineScan(function, first, last); }
  int centroid() { return centroidScan(); }
  int getScan(ZVSpectrum*& spectrum) const;
  // Empties the spectrum and, when asked, drops the three settings.
  void clear(bool alsoParameters);

 private:
  [[nodiscard]] ZorvalenRawScanReaderImp* scanReader() const;
  // The centroid resolution, from the raw directory's settings when none is
  // held; 56 when none can be had.
  int resolution(float& value);
  SmoothParametersImp& smoothParameters();
  // The lock-mass gain of a scan range: the installed table's at the range's
  // mid retention time, on data not yet calibrated with it; else 1.
  [[nodiscard]] float rangeGain(int function, int first, int last) const;

  std::unique_ptr<ZVSpectrum> m_pSpectrum;
  // Kept from one combine to the next for its buffers.
  std::unique_ptr<SpectrumSum> m_sum;
  std::unique_ptr<SpectrumSmoothParametersImp> m_pSmoothParameters;
  std::unique_ptr<ThresholdParametersImp> m_pThresholdParmeters;
  std::optional<float> _centroidParameters;
};

}  // namespace Vardex::Lib::ZorvalenRaw
