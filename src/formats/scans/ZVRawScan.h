#pragma once

// One decoded scan of one acquisition function: masses and intensities with
// optional per-peak companions, or, kept compressed, only its packet run.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

#include "formats/calibration/FunctionCalibration.h"
#include "formats/directory/ZVRawFunctionDescriptorImp.h"
#include "formats/scans/ScanDecodeSettings.h"
#include "formats/packets/ZVRawPackedFormats.h"

namespace zvraw {
class RunSource;
}

// How the decoder treats a mass outside the acquisition range or not above
// the previous one: 1 abandons the scan, 2 keeps the peak and repairs the
// scan afterwards, 3 drops the peak; any other value keeps every peak. One
// for the process, read by decoders on any thread.
extern std::atomic<int> nBadScanStrategy;

namespace borealtek_zvraw_version_1 {

using borealtek_calibrate_version_1::FunctionCalibration;

// Answers for one decoded mass: 0 keep it, 1 keep it and repair the scan
// afterwards, 2 drop it, 3 abandon the scan. Only formats that store their
// masses (0, 1, 8, 9, 12, 13) are tested; formats without packets always fail.
[[nodiscard]] int checkMass(int nBadScanStrategy, int nDataFormat, float fMassRangeWindow, float fLowerBoundMass,
                            float fUpperBoundMass, float fMass, float fLastMass);

// Rewrites masses that leave [lower - window, upper + window] at either end
// as short ascending runs beside the nearest good mass, and interpolates
// runs that fall below their predecessor. Leaves a scan with no mass in
// range (or null arrays, or no peaks) unchanged.
void makeMonotonicScan(float* pfMasses, float* pfIntensities, int nScanSize, float fMassWindow, float fLowerBoundMass,
                       float fUpperBoundMass);

class ZVRawScan {
 public:
  static constexpr char NO_FLAG = zvraw_packed::NO_FLAG;
  static constexpr char ENHANCED_CAL_FLAGS_PEAK_ERROR_MASK = zvraw_packed::ENHANCED_CAL_FLAGS_PEAK_ERROR_MASK;

  ZVRawScan() = default;
  // A scan owns its arrays; it changes hands only through moveScan.
  ZVRawScan(const ZVRawScan&) = delete;
  ZVRawScan& operator=(const ZVRawScan&) = delete;
  virtual ~ZVRawScan() = default;

  // The one decoder: the scan from its packet run in memory, which holds
  // getBytesPerScan(format, nPeaksInScan) bytes as fetched from the file
  // (RunSource.h); or, with settings.keepCompressed, the run kept as it is.
  // A mass window other than 0 and -1 narrows the run to the packets
  // between the cut-offs (see getPeaksInScan). fMinimumMassDelta is only
  // ever lowered. A donor scan, when given, is emptied; arrays that its own
  // decoding made for as many peaks are reused rather than allocated
  // afresh. Any failure but ZVRAW_SCAN_CORRUPT_ERROR leaves the scan empty
  // (0 peaks, no arrays).
  [[nodiscard]] int decode(std::span<const char> run, unsigned int nPeaksInScan, const ScanDecodeSettings& settings,
                           float& fMinimumMassDelta, ZVRawScan* pDonor = nullptr);
  // Fetches the run of nPeaksInScan peaks at offset, then decodes it.
  [[nodiscard]] int read(zvraw::RunSource& source, std::uint64_t offset, unsigned int nPeaksInScan,
                         const ScanDecodeSettings& settings, float& fMinimumMassDelta, ZVRawScan* pDonor = nullptr);
  // read from the stream's position, with these settings.
  [[nodiscard]] int readScan(std::FILE* pFile, unsigned int nPeaksInScan, const ZVRawFunctionDescriptorImp* pFuncDesc,
                             bool bKeepCompressed, const FunctionCalibration* pCali, float& fMinimumMassDelta,
                             float fLowMassCutoff, float fHighMassCutoff, float fLowerBoundMass, float fUpperBoundMass,
                             short nUseTemperatureCorrection, float fTempCorrection, float fTempCoefficient);
  // Keeps the packet run at the stream's position undecoded; the
  // calibration and the delta are unused.
  [[nodiscard]] int readScanKeepCompressed(std::FILE* pFile, unsigned int nPeaksInScan, unsigned int nDataFormat,
                                           const FunctionCalibration* pCali, float& fMinimumMassDelta);
  // Packs the scan at the stream's position (formats 0, 8, 9, 12, 13);
  // packing into memory is in ScanPacking.h.
  [[nodiscard]] int writeScan(std::FILE* pFile, unsigned int nDataFormat);

  // Peaks kept by a mass window over the stored, uncalibrated masses: from
  // the first packet above the low cut-off to the first above the high one
  // (or the last). Moves the stream to the first packet kept. 0 for formats
  // without a file mass reader.
  [[nodiscard]] static unsigned int getPeaksInScan(std::FILE* pFile, unsigned int nDataType, unsigned int nPeaksInScan,
                                                   float fLowMassCutoff, float fHighMassCutoff);

  // TIC (non-negative intensities) and the first largest of them; the TICs
  // of many scans at once are in ScanStatistics.h.
  int setStats();
  [[nodiscard]] float getTIC() const { return m_fTIC; }
  [[nodiscard]] float getBPI() const;
  [[nodiscard]] float getBPMass() const;
  [[nodiscard]] unsigned int getScanSize() const { return m_nPeaksInScan; }
  [[nodiscard]] bool getScanHasMassError() const { return m_bScanError; }

  // Borrowed arrays, valid until the scan is next filled or released;
  // ZVRAW_COMPRESSED_DATA_ERROR for a scan kept compressed.
  int getScan(const float** ppfMasses, const float** ppfIntensities, unsigned int& nPeaks) const;
  int getScan(float** ppfMasses, float** ppfIntensities, unsigned int& nPeaks);
  int getScan(const float** ppfMasses, const float** ppfIntensities, const float** ppfDMasses,
              const float** ppfDIntensities, unsigned int& nPeaks) const;
  // Copies the peaks into arrays of at least getScanSize() entries. A scan
  // kept compressed is decoded by its own format, uncalibrated; formats that
  // store no mass answer ZVRAW_COMPRESSED_DATA_ERROR.
  int getScan(float* pfMasses, float* pfIntensities) const;
  int getDaughterMasses(const float** ppfMasses, unsigned int& nPeaks) const;
  int getScanFlags(const char** ppcScanFlags, unsigned int& nPeaks) const;
  int getAccMassScanFlags(const char** ppcScanFlags, unsigned int& nPeaks) const;

  // Takes the arrays over in place of everything the scan held; null for an
  // absent one. ZVRAW_NULLPOINTER_ERROR, with the scan unchanged and the
  // arrays passed freed, for missing masses or intensities under a peak count.
  int setScan(std::unique_ptr<float[]> pfMasses, std::unique_ptr<float[]> pfIntensities,
              std::unique_ptr<char[]> pcPeakFlags, unsigned int nPeaks);
  int setScan(std::unique_ptr<float[]> pfMasses, std::unique_ptr<float[]> pfIntensities,
              std::unique_ptr<float[]> pfDMasses, std::unique_ptr<float[]> pfDIntensities,
              std::unique_ptr<char[]> pcPeakFlags, std::unique_ptr<char[]> pcMassFlags, unsigned int nPeaks);

  // Intensity summed over [low - window/2, high + window/2].
  int getSumIntensity(float& fIntensity, float fLowMass, float fHighMass, float fWindow, bool bDaughters,
                      bool bUnsorted) const;
  // Spacing of consecutive masses; every output 0 for fewer than two peaks.
  int getStats(float& fMinMassDelta, float& fMaxMassDelta, float& fAveMassDelta, float& fStdDevMassDelta,
               unsigned int& nCount, float& fMassThreshold, float fCutOff) const;

  [[nodiscard]] static char GetInterferenceFlag(const float& fMassSigma);
  [[nodiscard]] char GetSaturationFlag(const int& nPeak) const;

  // The whole state passes to the target (whose arrays are released first);
  // the source is left empty. 1 for a null scan; a move onto itself is a no-op.
  static int moveScan(ZVRawScan* pTargetScan, ZVRawScan* pSourceScan);
  static int moveScans(ZVRawScan* pTargetScans, ZVRawScan* pSourceScans, unsigned int nScansToMove);
  // A deep copy of the source into the target (whose arrays are released
  // first), for scans that other holders still read. 1 for a null scan;
  // ZVRAW_SCANMEMALLOC_ERROR, with the target left empty, when memory runs short.
  static int copyScan(ZVRawScan* pTargetScan, const ZVRawScan* pSourceScan);

  // Every array (null where the scan has none) and the peak count, for the
  // packing and statistics kept beside the scan.
  struct Arrays {
    const float* masses;
    const float* intensities;
    const float* dMasses;
    const float* dIntensities;
    const char* flags;
    const char* accFlags;
    std::uint32_t peaks;
  };
  [[nodiscard]] Arrays arrays() const {
    return {m_pfMasses.get(), m_pfIntensities.get(), m_pfDMasses.get(), m_pfDIntensities.get(),
            m_pcFlags.get(),  m_pcAccMassFlags.get(), m_nPeaksInScan};
  }
  // Statistics taken as setStats takes them, by a pass made elsewhere.
  void setTIC(float fTIC) { m_fTIC = fTIC; }
  void setBasePeakIndex(int nIndex) { m_nBPIIdx = nIndex; }

  [[nodiscard]] bool isKeptCompressed() const { return m_bKeepCompressed; }
  // The format of a scan kept compressed.
  [[nodiscard]] unsigned int getDataFormat() const { return m_nDataFormat; }

  // Releases every array; the scan then holds 0 peaks.
  void DeleteScanData();

 private:
  int failRead(int rc);
  int keepRun(std::span<const char> run, unsigned int nPeaksInScan, unsigned int nDataFormat);
  // Everything but the arrays, from s.
  void copyCounts(const ZVRawScan& s);

  int m_nBPIIdx = -1;
  float m_fTIC = 0;
  std::unique_ptr<float[]> m_pfMasses;
  std::unique_ptr<float[]> m_pfIntensities;
  std::unique_ptr<float[]> m_pfDMasses;
  std::unique_ptr<float[]> m_pfDIntensities;
  std::unique_ptr<float[]> m_pfDaughterMasses;
  std::unique_ptr<float[]> m_pfMulBIntensities;
  std::unique_ptr<char[]> m_pcFlags;
  std::unique_ptr<char[]> m_pcAccMassFlags;
  bool m_bScanError = false;
  std::unique_ptr<char[]> m_pcScanBuffer;
  std::uint32_t m_nPeaksInScan = 0;
  bool m_bKeepCompressed = false;
  std::uint32_t m_nDataFormat = 0;
  // Peaks every array has room for when decode made them; 0 once any
  // other road has set them (each starts by emptying the scan).
  std::uint32_t m_nArrayRoom = 0;
};

}  // namespace borealtek_zvraw_version_1
