#pragma once

// The drift reader of one function bound to its mass calibration and to the
// directory's lock-mass gain table: drift spectra, the calibrated mass axis,
// and the drift extractions (chromatograms over scans, mobilograms over
// drift bins, spectra summed over scans and bins).
//
// Arrays returned through pointer pairs are allocated for the caller as
// CallerArrays (formats/portability/CallerMemory.h) and released
// with releaseMemory. On entry they are set to null and the size to 0; they
// are set only on success, and a result of size 0 allocates nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drift/CDTReader.h"
#include "formats/calibration/FunctionCalibration.h"
#include "drift/DriftReaderSources.h"
#include "formats/directory/ZVRawExternalLumavent.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawCDCReaderImp {
 public:
  using FunctionCalibration = borealtek_calibrate_version_1::FunctionCalibration;
  using ZVRawExternalLumavent = borealtek_zvraw_version_1::ZVRawExternalLumavent;

  enum ExtractType { bin = 0, block = 1, mass = 2 };

  // Opens the function's drift files and calibrates their mass axis. The
  // calibration and gain table (either may be null) are borrowed and must
  // outlive the reader.
  ZorvalenRawCDCReaderImp(std::string_view strRawPath, int whichFunction,
                          const FunctionCalibration* pFunctionCalibration,
                          const ZVRawExternalLumavent* pExternalLumavent);
  // The same, with the gain table asked of the sources (which must outlive
  // the reader) at every extraction: a correction made after the reader was
  // made applies to it too.
  ZorvalenRawCDCReaderImp(std::string_view strRawPath, int whichFunction,
                          const FunctionCalibration* pFunctionCalibration, const DriftReaderSources* pSources);
  // Without a gain table.
  ZorvalenRawCDCReaderImp(std::string_view strRawPath, int whichFunction,
                          const FunctionCalibration* pFunctionCalibration, std::nullptr_t)
      : ZorvalenRawCDCReaderImp(strRawPath, whichFunction, pFunctionCalibration,
                                static_cast<const ZVRawExternalLumavent*>(nullptr)) {}
  ~ZorvalenRawCDCReaderImp();
  ZorvalenRawCDCReaderImp(const ZorvalenRawCDCReaderImp&) = delete;
  ZorvalenRawCDCReaderImp& operator=(const ZorvalenRawCDCReaderImp&) = delete;

  // Sees the function's drift files as they now are: the blocks written
  // since, or files made, written anew or replaced since. Arrays handed out
  // stay valid until the next read, however many refreshes come between.
  void Refresh();

  // 0 when the function's drift files are open.
  [[nodiscard]] int GetStatus() const;
  // The owned drift reader; never null.
  [[nodiscard]] CDTReader* getCDTReader() const { return m_pCDCReader.get(); }
  int GetDriftCount(int& nDriftCount) const;

  // One drift spectrum, in the reader's buffers (see CDTReader).
  int ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, int& size);
  int ReadScan(int whichScan, int whichDrift, const std::uint32_t*& pMasses, float*& pIntensities, int& size);
  int ReadScan(int whichScan, int whichDrift, float*& pMasses, float*& pIntensities, int& size);
  int ReadScan(int whichScan, int whichDrift, int*& pMasses, float*& pIntensities, char*& pFlags, int& size);

  // The calibrated mass of every index of the function's window, built once,
  // and the index of its first entry; the status, both untouched, when the
  // drift files are not open.
  int GetMassScale(std::vector<float>& massScale, int& offset);

  // One point per scan of the function: the intensity within fMass +-
  // massWindow / 2 summed over drift bins nStartIndex to nEndIndex, at the
  // scan's time in minutes. nWhichFunction is not used: the reader serves
  // one function.
  int ReadMassChromatogram(int nWhichFunction, int nStartIndex, int nEndIndex, float fMass, float massWindow,
                           float*& pTimes, float*& pIntensities, int& nSize);
  // Mobilogram: per drift bin firstBin..lastBin, its number and the intensity
  // within massStart..massEnd summed over scans firstBlock..lastBlock.
  int extractByBins(float massStart, float massEnd, int firstBlock, int lastBlock, int firstBin, int lastBin,
                    int*& pXValues, float*& pYValues, int& nSize);
  // Chromatogram: per scan, its time in minutes and the intensity summed over
  // the drift bins, rounded to a whole number.
  int extractByBlocks(float massStart, float massEnd, int firstBlock, int lastBlock, int firstBin, int lastBin,
                      float*& pXValues, float*& pYValues, int& nSize);
  // The spectrum summed over the scans and drift bins on the calibrated
  // axis, inner points of zero runs dropped. The mass range is not applied
  // (callers pass the acquisition's), nor is the lock-mass gain.
  int extractByMass(float massStart, float massEnd, int firstScan, int lastScan, int firstBin, int lastBin,
                    std::vector<float>& masses, std::vector<float>& intensities);

 private:
  struct IndexWindow {
    std::int64_t first = 0, last = -1;
  };
  [[nodiscard]] int checkRanges(int firstBlock, int lastBlock, int firstBin, int lastBin) const;
  [[nodiscard]] int checkRequest(float massStart, float massEnd, int firstBlock, int lastBlock, int firstBin,
                                 int lastBin) const;
  [[nodiscard]] int massRangeToIndices(float startMass, float endMass, IndexWindow& window) const;
  [[nodiscard]] int extract(ExtractType type, float massStart, float massEnd, int firstBlock, int lastBlock,
                            int firstBin, int lastBin, std::vector<float>& sums, std::vector<float>& x);
  // The gain table in force; null when there is none.
  [[nodiscard]] std::shared_ptr<const ZVRawExternalLumavent> gainTable() const;
  int buildMassScale();
  // The reader to read with: the replaced reader of the last read goes with it.
  CDTReader& reading();

  std::string m_strRawPath;
  int m_nFunction;
  const FunctionCalibration* m_pFunctionCalibration;
  const ZVRawExternalLumavent* m_pExternalLumavent = nullptr;
  const DriftReaderSources* m_pSources = nullptr;
  std::unique_ptr<CDTReader> m_pCDCReader;
  // The reader of the last read when Refresh has replaced it since, kept for
  // the arrays it handed out: one reader at most beside the current one.
  std::unique_ptr<CDTReader> m_pServed;
  // Whether the current reader has served a read.
  bool m_bServed = false;
  std::vector<float> _massScale;
  int _offset = 0;
};

}  // namespace Vardex::Lib::ZorvalenRaw
