#pragma once

// Turns drift spectra into the header, index records and data blocks of a
// compressed drift file pair (KORRIN_V3; layout in CDTFormat.h).

#include <cstdint>
#include <memory>
#include <string>

namespace Vardex::Control::Legacy::ZorvalenRaw {

class CDTBlockWriter {
 public:
  // Throws std::invalid_argument "HeaderBlock: ..." for a count below 1, a
  // Lteff, Veff, frequency or start mass not above 0 (NaN included), or an
  // end mass not above the start mass. T0 may be anything.
  CDTBlockWriter(int numScansInBlock, double Lteff, double Veff, double FrequencyGHz, double T0, double startMass,
                 double endMass);
  ~CDTBlockWriter();
  CDTBlockWriter(const CDTBlockWriter&) = delete;
  CDTBlockWriter& operator=(const CDTBlockWriter&) = delete;

  [[nodiscard]] std::string HeaderBytes() const;

  // Adds one spectrum of size points to the block. False, and the block
  // unchanged, when it already holds its n spectra, size is negative, an
  // array is null while size > 0, or the block could grow past 2^31 - 1 bytes.
  [[nodiscard]] bool AddSpectrum(const std::uint32_t* massIndices, const std::uint32_t* intensities,
                                 const std::uint32_t* flags, int spectrumErrorFlag, int size);

  // Fills dataBytes with the block and indexBytes with its record (rt in
  // seconds for every spectrum), then starts an empty block.
  void EndBlock(float rt, std::string& indexBytes, std::string& dataBytes);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Whether a block of this many points and repair pairs stays within 2^31 - 1
// bytes, sections and whole, however its sections compress.
[[nodiscard]] bool blockWithinLimits(std::uint64_t points, std::uint64_t massRepairs, std::uint64_t intensityRepairs);

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
