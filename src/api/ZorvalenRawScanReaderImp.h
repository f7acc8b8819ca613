#pragma once

// The scan reader (reader kind 1): single scans of a raw directory, with
// their flags or product masses, and single drift spectra with the drift
// function's mass scale.
//
// Ordinary scans are copied into buffers the reader owns, sized for the
// largest scan read so far; they never shrink, and a pointer handed out
// stays valid until the next read of the same kind on this reader. Drift
// spectra stay in the buffers of the function's shared drift reader, valid
// until the next drift read of that function through any reader on the
// cluster.

#include <cstdint>
#include <memory>
#include <vector>

#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawCDCReaderImp;

// Bits 1 and 2 of a scan's flag bytes mean the same to callers: in every byte
// that has either, they merge into bit 1, bits 0 and 3 stay and bits 4 to 7
// are cleared. True when any byte was not 0.
bool normaliseScanFlags(char* flags, unsigned int n);

class ZorvalenRawScanReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawScanReaderImp(const char* path);
  explicit ZorvalenRawScanReaderImp(const ZorvalenRawDataFile& source);
  ~ZorvalenRawScanReaderImp() override;
  // Another reader of this kind on source's cluster, with buffers of its own.
  ZorvalenRawScanReaderImp(const ZorvalenRawScanReaderImp& source) : ZorvalenRawScanReaderImp(static_cast<const ZorvalenRawDataFile&>(source)) {}
  ZorvalenRawScanReaderImp& operator=(const ZorvalenRawScanReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::ScanReader; }

  // Ordinary reads. Outputs are null and 0 until a read succeeds; a scan of
  // 0 points gives 0 with null pointers.
  int ReadScan(int function, int scan, float*& masses, float*& intensities, int& size);
  // Flags as normaliseScanFlags leaves them; a null flag pointer when every
  // byte is 0 or the data carry no flags.
  int ReadScan(int function, int scan, float*& masses, float*& intensities, char*& flags, int& size);
  // Product (daughter) masses of the MRM function types.
  int ReadScan(int function, int scan, float*& masses, float*& intensities, float*& productMasses, int& size,
               int& productSize);

  // Drift reads: one drift spectrum of a compressed function. Outputs stay
  // as they were when the function has no drift reader. Masses carry the
  // lock-mass gain of the scan.
  int ReadScan(int function, int scan, int drift, float*& masses, float*& intensities, int& size);
  int ReadScan(int function, int scan, int drift, int*& indices, float*& intensities, int& size);
  int ReadScan(int function, int scan, int drift, const std::uint32_t*& indices, float*& intensities, int& size);
  int ReadScan(int function, int scan, int drift, int*& indices, float*& intensities, char*& flags, int& size);

  // The mass of every time-of-flight index of the drift function's window,
  // with the scan's lock-mass gain, and the index of the first; the outputs
  // are set whatever the drift reader's status.
  int GetMassScale(int function, int scan, float*& masses, int& size, int& offset);

  [[nodiscard]] int GetScanSize(int function, int scan, unsigned int& size) const;

  // The read behind every ordinary read, into buffers the caller supplies
  // with room for capacity points (flags may be null): 33
  // (ZVRAW_BUFFERSIZE_ERROR) with nothing copied when the scan does not fit.
  // With flags, 50 when the data carry none (masses and intensities are
  // then read).
  int readScan(int function, int scan, float* masses, float* intensities, char* flags, unsigned int& size,
               unsigned int capacity);

  // The scan nearest the retention time, read as ReadScan reads it.
  int ReadSpectrum(int function, float retentionTime, float*& masses, float*& intensities, int& size);

  [[nodiscard]] bool isScanLoaded(int function, int scan) const;

  // Multiply count masses in place by the scan's lock-mass gain; unchanged
  // when no gain table is installed. Always 0.
  int lockMassScan(int function, int scan, float* masses, int count) const;
  int lockMassScan(int function, int scan, std::vector<float>& masses) const;

  // Buffer sizing: room for the function's largest scan (and a flag buffer
  // on request), never shrinking; 45 when the room cannot be allocated.
  int AllocateMemory(int function, bool bFlags);
  int AllocateProductMemory(unsigned int count);

 private:
  // Room for at least points in the scan buffers, whatever the function's
  // largest scan said (an update may have added a larger one).
  int ensureCapacity(unsigned int points);
  [[nodiscard]] unsigned int capacity() const { return static_cast<unsigned int>(m_masses.capacity()); }
  int driftReader(int function, ZorvalenRawCDCReaderImp*& reader) const;
  // A drift read of the function's drift reader into the outputs; size gets
  // its count. The outputs stay as they were when there is no drift reader.
  template <class... Out>
  int readDrift(int function, int scan, int drift, int& size, Out&... outputs);
  int loadScan(int function, int scan);

  std::unique_ptr<ZVRawAccessInterface> m_pImp;
  int m_nCurrentFunction = -1;
  // The scan buffers: masses and intensities always of one capacity.
  CallerArray<float> m_masses;
  CallerArray<float> m_intensities;
  CallerArray<float> m_productMasses;
  CallerArray<char> m_flags;
  std::vector<float> _lockMassCorrectedMassScale;
};

}  // namespace Vardex::Lib::ZorvalenRaw
