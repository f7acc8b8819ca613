#include "drift/CDTBlockWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "drift/ByteFields.h"
#include "drift/CDTFormat.h"
#include "drift/Compressor.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

namespace {

constexpr std::int32_t kMaxMassDelta = 65535;
constexpr std::int32_t kMinIntensityDelta = -32768;
constexpr std::int32_t kMaxIntensityDelta = 32767;

HeaderBlock makeHeader(int n, double Lteff, double Veff, double FrequencyGHz, double T0, double startMass,
                       double endMass) {
  // Written as !(x > 0) so that NaN is refused too.
  if (n < 1) throw std::invalid_argument("HeaderBlock: numScansInBlock must be greater than zero");
  if (!(Lteff > 0)) throw std::invalid_argument("HeaderBlock: Lteff must be greater than zero");
  if (!(Veff > 0)) throw std::invalid_argument("HeaderBlock: Veff must be greater than zero");
  if (!(FrequencyGHz > 0)) throw std::invalid_argument("HeaderBlock: FrequencyGHz must be greater than zero");
  if (!(startMass > 0)) throw std::invalid_argument("HeaderBlock: startMass must be greater than zero");
  if (!(endMass > startMass)) throw std::invalid_argument("HeaderBlock: endMass must be greater than startMass");
  HeaderBlock h;
  h.nFormatInfo = kWriterFormatWord;
  h.nSpectraInBlock = n;
  h.fSamplingFrequency = static_cast<float>(1e9 * FrequencyGHz);
  // Flight-time index of the start mass, counted in samples from T0.
  h.fStartPos = static_cast<float>((std::sqrt(startMass / Veff) * (Lteff * TOF_CONST) - T0) * FrequencyGHz);
  h.fLteff = static_cast<float>(Lteff);
  h.fVeff = static_cast<float>(Veff);
  h.fOffset = static_cast<float>(T0);
  h.fStartMass = static_cast<float>(startMass);
  h.fEndMass = static_cast<float>(endMass);
  return h;
}

// Little-endian, written in place after one resize: a block of many
// spectra has index arrays of as many entries.
template <class T>
void appendAll(std::string& out, const std::vector<T>& values) {
  static_assert(sizeof(T) == 4);
  const std::size_t at = out.size();
  out.resize(at + values.size() * 4);
  char* cursor = out.data() + at;
  for (T v : values) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    for (int b = 0; b < 4; ++b) *cursor++ = static_cast<char>(bits >> (8 * b));
  }
}

// Back to an empty record, its arrays kept.
void clearRecord(IndexBlock& rec) {
  rec.nMassLength = rec.nIntensityLength = rec.nFlagBytes = 0;
  for (std::vector<std::int32_t>* a : {&rec.nMassRepairBytes, &rec.nIntenRepairBytes, &rec.pnSize, &rec.pnSpecError})
    std::fill(a->begin(), a->end(), 0);
  std::fill(rec.pfRT.begin(), rec.pfRT.end(), 0.0f);
}

}  // namespace

struct CDTBlockWriter::Impl {
  HeaderBlock header;
  IndexBlock index;
  int spectra = 0;
  std::uint32_t start = 0;
  std::vector<std::uint16_t> massDeltas;
  std::vector<std::int16_t> intensityDeltas;
  std::vector<std::uint8_t> flagBytes;
  std::vector<std::int32_t> massRepairs;       // (point, delta) pairs
  std::vector<std::int32_t> intensityRepairs;  // (point, delta) pairs
  Compressor compressor;
};

CDTBlockWriter::CDTBlockWriter(int numScansInBlock, double Lteff, double Veff, double FrequencyGHz, double T0,
                               double startMass, double endMass)
    : impl_(std::make_unique<Impl>()) {
  impl_->header = makeHeader(numScansInBlock, Lteff, Veff, FrequencyGHz, T0, startMass, endMass);
  impl_->index = IndexBlock(impl_->header);
  impl_->start = startIndex(impl_->header.fStartPos);
}

CDTBlockWriter::~CDTBlockWriter() = default;

std::string CDTBlockWriter::HeaderBytes() const { return headerToBytes(impl_->header); }

bool blockWithinLimits(std::uint64_t points, std::uint64_t massRepairs, std::uint64_t intensityRepairs) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::int32_t>::max();
  if (points > kMax || massRepairs > kMax || intensityRepairs > kMax) return false;  // keeps the sum exact
  // Each of the three sections is at most its raw size plus the coder's overhead.
  const std::uint64_t worst =
      5 * points + 3 * kLzrw3MaxOverhead + kRepairPairSize * (massRepairs + intensityRepairs);
  return worst <= kMax;
}

bool CDTBlockWriter::AddSpectrum(const std::uint32_t* massIndices, const std::uint32_t* intensities,
                                 const std::uint32_t* flags, int spectrumErrorFlag, int size) {
  Impl& b = *impl_;
  if (b.spectra >= b.header.nSpectraInBlock || size < 0) return false;
  if (size > 0 && (massIndices == nullptr || intensities == nullptr || flags == nullptr)) return false;
  if (size == 0) {  // only its place in the record: blocks hold many empty drift spectra
    b.index.nMassRepairBytes[b.spectra] = b.index.nIntenRepairBytes[b.spectra] = b.index.pnSize[b.spectra] = 0;
    b.index.pnSpecError[b.spectra] = spectrumErrorFlag;
    ++b.spectra;
    return true;
  }

  const std::size_t base = b.massDeltas.size();
  const std::size_t massRepairsBefore = b.massRepairs.size();
  const std::size_t intensityRepairsBefore = b.intensityRepairs.size();
  const auto points = static_cast<std::size_t>(size);
  b.massDeltas.resize(base + points);
  b.intensityDeltas.resize(base + points);
  b.flagBytes.resize(base + points);

  // Deltas in 32-bit wrap-around, read as signed; one that does not fit its
  // 16 bits is stored as 0 and carried whole in a repair pair.
  std::uint32_t previousMass = b.start;
  std::uint32_t previousIntensity = 0;
  for (std::size_t k = 0; k < points; ++k) {
    const auto massDelta = static_cast<std::int32_t>(massIndices[k] - previousMass);
    previousMass = massIndices[k];
    if (massDelta < 0 || massDelta > kMaxMassDelta) {
      b.massRepairs.insert(b.massRepairs.end(), {static_cast<std::int32_t>(k), massDelta});
      b.massDeltas[base + k] = 0;
    } else {
      b.massDeltas[base + k] = static_cast<std::uint16_t>(massDelta);
    }
    const auto intensityDelta = static_cast<std::int32_t>(intensities[k] - previousIntensity);
    previousIntensity = intensities[k];
    if (intensityDelta < kMinIntensityDelta || intensityDelta > kMaxIntensityDelta) {
      b.intensityRepairs.insert(b.intensityRepairs.end(), {static_cast<std::int32_t>(k), intensityDelta});
      b.intensityDeltas[base + k] = 0;
    } else {
      b.intensityDeltas[base + k] = static_cast<std::int16_t>(intensityDelta);
    }
    b.flagBytes[base + k] = static_cast<std::uint8_t>(flags[k]);
  }

  if (!blockWithinLimits(b.massDeltas.size(), b.massRepairs.size() / 2, b.intensityRepairs.size() / 2)) {
    b.massDeltas.resize(base);
    b.intensityDeltas.resize(base);
    b.flagBytes.resize(base);
    b.massRepairs.resize(massRepairsBefore);
    b.intensityRepairs.resize(intensityRepairsBefore);
    return false;
  }
  // Pairs are two int32 values: 4 bytes per entry.
  b.index.nMassRepairBytes[b.spectra] = static_cast<std::int32_t>(4 * (b.massRepairs.size() - massRepairsBefore));
  b.index.nIntenRepairBytes[b.spectra] =
      static_cast<std::int32_t>(4 * (b.intensityRepairs.size() - intensityRepairsBefore));
  b.index.pnSize[b.spectra] = size;
  b.index.pnSpecError[b.spectra] = spectrumErrorFlag;
  ++b.spectra;
  return true;
}

void CDTBlockWriter::EndBlock(float rt, std::string& indexBytes, std::string& dataBytes) {
  Impl& b = *impl_;
  IndexBlock& rec = b.index;
  dataBytes.clear();
  indexBytes.clear();
  rec.nMassLength = b.compressor.CompressAppend(b.massDeltas.data(), b.massDeltas.size(), dataBytes);
  appendAll(dataBytes, b.massRepairs);
  rec.nIntensityLength = b.compressor.CompressAppend(b.intensityDeltas.data(), b.intensityDeltas.size(), dataBytes);
  appendAll(dataBytes, b.intensityRepairs);
  rec.nFlagBytes = b.compressor.CompressAppend(b.flagBytes.data(), b.flagBytes.size(), dataBytes);
  std::fill(rec.pfRT.begin(), rec.pfRT.end(), rt);

  appendField(indexBytes, rec.nMassLength);
  appendField(indexBytes, rec.nIntensityLength);
  appendField(indexBytes, rec.nFlagBytes);
  appendAll(indexBytes, rec.nMassRepairBytes);
  appendAll(indexBytes, rec.nIntenRepairBytes);
  appendAll(indexBytes, rec.pfRT);
  appendAll(indexBytes, rec.pnSize);
  appendAll(indexBytes, rec.pnSpecError);

  clearRecord(rec);
  b.spectra = 0;
  b.massDeltas.clear();
  b.intensityDeltas.clear();
  b.flagBytes.clear();
  b.massRepairs.clear();
  b.intensityRepairs.clear();
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
