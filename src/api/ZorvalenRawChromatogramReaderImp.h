#pragma once

// The chromatogram reader (reader kind 3): time traces of one function.
// Total-ion-current and base-peak traces come from the scan index and load
// nothing; mass and MRM traces load the function's scans into the shared
// cluster (other readers on it then see those scans loaded); scanning-
// quadrupole traces, mobilograms and bin extractions come from the
// function's drift reader.
//
// Every array of the pointer forms is allocated for the caller and released
// with releaseMemory; the reader keeps nothing of a result. After a failed
// TIC, BPI, mass or MRM trace both arrays are null and the size is 0.

#include <cstdint>
#include <memory>
#include <span>

#include "api/ZVChromatogram.h"
#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawCDCReaderImp;

enum chromType { BPI = 0, TIC = 1 };

class ZorvalenRawChromatogramReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawChromatogramReaderImp(const char* path);
  explicit ZorvalenRawChromatogramReaderImp(const ZorvalenRawDataFile& source);
  ~ZorvalenRawChromatogramReaderImp() override;
  // Another reader of this kind on source's cluster, with buffers of its own.
  ZorvalenRawChromatogramReaderImp(const ZorvalenRawChromatogramReaderImp& source) : ZorvalenRawChromatogramReaderImp(static_cast<const ZorvalenRawDataFile&>(source)) {}
  ZorvalenRawChromatogramReaderImp& operator=(const ZorvalenRawChromatogramReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::ChromatogramReader; }

  // n retention times and n values, n the function's scan count; a function
  // of 0 scans gives 0 with null arrays.
  int ReadTICChromatogram(int function, float*& times, float*& intensities, int& size);
  int ReadBPIChromatogram(int function, float*& times, float*& intensities, int& size);

  // n times and one block of count x n window sums, row i (entries i x n to
  // i x n + n - 1) the trace of masses[i]. 1 for a count below 1, 79 for a
  // null mass list, 45 when the block would not fit 2^31 - 1 values.
  int ReadMassChromatograms(int function, const float* masses, int count, float*& times, float*& intensities,
                            float window, bool bDaughters, int& size);
  // The same block layout, row i the trace of MRM channel channels[i].
  int ReadMRMChromatograms(int function, const int* channels, int count, float*& times, float*& intensities,
                           int& size);

  // One point per scan from the drift reader: intensities within mass +-
  // window / 2 summed over the quadrupole bins of precursorMass +-
  // precursorWindow / 2. The outputs stay as passed when the run has no
  // scanning-quadrupole calibration (63) or the function no drift reader.
  int ReadMassChromatogram(int function, float precursorMass, float mass, float*& times, float*& intensities,
                           float precursorWindow, float window, int& size);
  // Per drift bin firstBin..lastBin, its number and the intensity within
  // massStart..massEnd summed over scans firstBlock..lastBlock.
  int extractByBins(int function, float massStart, float massEnd, int firstBlock, int lastBlock, int firstBin,
                    int lastBin, int*& bins, float*& intensities, int& size);
  // extractByBins over every drift bin of the function; 80 when it has none.
  int ReadMobillogram(int function, int startScan, int endScan, float startMass, float endMass, int*& bins,
                      float*& intensities, int& size);

  // The class forms fill a holder. A function of 0 scans gives 0 and leaves
  // the holder as it was; the mass form takes one window per mass.
  int ReadTICChromatogram(int function, ZVChromatogram& holder);
  int ReadBPIChromatogram(int function, ZVChromatogram& holder);
  int ReadMassChromatogram(int function, const float* masses, int count, std::span<const float> windows,
                           bool bProducts, ZVChromatogram& holder);

 private:
  int getScansInFunction(int function, unsigned int& count) const;
  int readChromatogram(chromType type, int function, float*& times, float*& intensities, int& size);
  int readChromatogram(chromType type, int function, ZVChromatogram& holder);
  // The block walk: scans loaded 100 at a time, each mass's sums written to
  // its row, the times by mass 0 only.
  int readMassChromatograms(unsigned int function, unsigned int scans, bool calibrated, std::span<const float> masses,
                            float window, bool bDaughters, float* times, std::span<float* const> rows);
  int readMassChromatograms(unsigned int function, unsigned int scans, bool calibrated, std::span<const float> masses,
                            std::span<const float> windows, bool bDaughters, float* times,
                            std::span<float* const> rows);
  // Whether the function's stored masses are calibrated; 1 for a function
  // without scans or without a scan holding points.
  int isCalibrated(unsigned int function, bool& calibrated) const;
  // Loads scans first..last of the function as stored (calibrating masses
  // that are not) and checks that exactly they are now loaded.
  int loadScans(unsigned int function, std::uint64_t first, std::uint64_t last, bool calibrated);
  int driftReader(int function, ZorvalenRawCDCReaderImp*& reader) const;

 protected:
  std::unique_ptr<ZVRawAccessInterface> m_pImp;
};

}  // namespace Vardex::Lib::ZorvalenRaw
