#include "drift/CDTFormat.h"

#include <cmath>
#include <stdexcept>

#include "drift/ByteFields.h"
#include "formats/portability/SysPaths.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

IndexBlock::IndexBlock(const HeaderBlock& header) {
  const std::size_t n = header.nSpectraInBlock > 0 ? static_cast<std::size_t>(header.nSpectraInBlock) : 0;
  nMassRepairBytes.assign(n, 0);
  nIntenRepairBytes.assign(n, 0);
  pfRT.assign(n, 0.0f);
  pnSize.assign(n, 0);
  pnSpecError.assign(n, 0);
}

std::string headerToBytes(const HeaderBlock& h) {
  std::string out;
  out.reserve(kHeaderBlockSize);
  appendField(out, h.nFormatInfo);
  appendField(out, h.nSpectraInBlock);
  for (float f : {h.fSamplingFrequency, h.fStartPos, h.fLteff, h.fVeff, h.fOffset, h.fStartMass, h.fEndMass}) {
    appendField(out, f);
  }
  return out;
}

HeaderBlock headerFromBytes(std::string_view bytes) {
  ByteCursor in = cursorOver(bytes);
  HeaderBlock h;
  bool whole = in.read(h.nFormatInfo) && in.read(h.nSpectraInBlock);
  for (float* f : {&h.fSamplingFrequency, &h.fStartPos, &h.fLteff, &h.fVeff, &h.fOffset, &h.fStartMass, &h.fEndMass}) {
    whole = whole && in.read(*f);
  }
  if (!whole) throw std::invalid_argument("HeaderBlock: 36 bytes needed");
  return h;
}

std::uint32_t startIndex(float fStartPos) {
  const double rounded = std::floor(static_cast<double>(fStartPos) + 0.5);
  // Beyond 2^63 a float is a multiple of 2^32, so 0 is also its wrapped value.
  if (!(std::fabs(rounded) < 0x1p63)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded)));
}

Path dataFilePath(std::string_view rawFilePath, unsigned funcNumber) {
  Path p(rawFilePath);
  p.Append(zvraw::functionFileLeaf(static_cast<long long>(funcNumber) + 1, "cdt", zvraw::FunctionNumbering::DriftFiles));
  return p;
}

Path indexFilePath(std::string_view rawFilePath, unsigned funcNumber) {
  std::string s = dataFilePath(rawFilePath, funcNumber).ToString();
  s.replace(s.rfind(".cdt"), 4, ".ind");
  return Path(std::move(s));
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
