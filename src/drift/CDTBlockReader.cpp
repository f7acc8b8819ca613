#include "drift/CDTBlockReader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "drift/ByteFields.h"

static_assert(std::endian::native == std::endian::little, "raw sections and repair pairs are copied as they lie");

namespace Vardex::Control::Legacy::ZorvalenRaw {

namespace {

int formatField(std::int32_t word, unsigned start, unsigned bits) {
  return static_cast<int>((static_cast<std::uint32_t>(word) >> start) & ((1u << bits) - 1));
}

template <class T>
bool readAll(ByteCursor& in, std::vector<T>& values) {
  for (T& v : values) {
    if (!in.read(v)) return false;
  }
  return true;
}

// Sets the points a spectrum's repair pairs name to their full values; false
// when a pair names a point outside the spectrum.
bool applyRepairs(const char*& pairs, std::int32_t repairBytes, std::uint32_t* values, std::int32_t points) {
  for (std::int32_t k = 0; k < repairBytes / static_cast<std::int32_t>(kRepairPairSize); ++k) {
    const auto point = loadLE<std::int32_t>(pairs);
    const auto value = loadLE<std::int32_t>(pairs + 4);
    pairs += kRepairPairSize;
    if (point < 0 || point >= points) return false;
    values[point] = static_cast<std::uint32_t>(value);
  }
  return true;
}

}  // namespace

HeaderBlock CDTBlockReader::ReadHeader(std::string_view bytes) {
  header = headerFromBytes(bytes);
  return header;
}

int CDTBlockReader::CompressionType() const { return formatField(header.nFormatInfo, 0, 8); }
int CDTBlockReader::BytesPerFlag() const { return formatField(header.nFormatInfo, 8, 8); }
int CDTBlockReader::FormatVersion() const { return formatField(header.nFormatInfo, 16, 8); }
int CDTBlockReader::BytesPerMassIndex() const {
  return CompressionType() == 0 ? 4 : formatField(header.nFormatInfo, 24, 4);
}
int CDTBlockReader::BytesPerIntensity() const {
  return CompressionType() == 0 ? 4 : formatField(header.nFormatInfo, 28, 4);
}

std::uint64_t CDTBlockReader::NumIndexBytes() const {
  if (header.nSpectraInBlock < 1) return 0;
  const auto n = static_cast<std::uint64_t>(header.nSpectraInBlock);
  switch (FormatVersion()) {
    case KORRIN_V1:
      return 8 * (n + 1);
    case KORRIN_V2:
      return 12 * (n + 1);
    case KORRIN_V3:
      return 12 + 20 * n;
    default:
      return 0;
  }
}

IndexBlock CDTBlockReader::ReadIndex(std::string_view bytes) const {
  const std::uint64_t size = NumIndexBytes();
  if (size == 0) return IndexBlock();
  // Checked first: the record's arrays are sized from n.
  if (bytes.size() < size) throw std::invalid_argument("IndexBlock: record incomplete");
  IndexBlock r(header);
  const int version = FormatVersion();
  ByteCursor in = cursorOver(bytes);
  bool whole = in.read(r.nMassLength) && in.read(r.nIntensityLength);
  if (version != KORRIN_V1) whole = whole && in.read(r.nFlagBytes);
  if (version == KORRIN_V3) whole = whole && readAll(in, r.nMassRepairBytes) && readAll(in, r.nIntenRepairBytes);
  whole = whole && readAll(in, r.pfRT) && readAll(in, r.pnSize);
  if (version != KORRIN_V1) whole = whole && readAll(in, r.pnSpecError);
  if (!whole) throw std::invalid_argument("IndexBlock: record incomplete");
  return r;
}

bool blockExtent(const IndexBlock& r, std::uint64_t& length, std::uint64_t& points) {
  const std::size_t n = r.pnSize.size();
  if (r.nMassRepairBytes.size() != n || r.nIntenRepairBytes.size() != n || r.pfRT.size() != n ||
      r.pnSpecError.size() != n) {
    return false;
  }
  if (r.nMassLength < 0 || r.nIntensityLength < 0 || r.nFlagBytes < 0) return false;
  std::uint64_t total = static_cast<std::uint64_t>(r.nMassLength) + static_cast<std::uint64_t>(r.nIntensityLength) +
                        static_cast<std::uint64_t>(r.nFlagBytes);
  std::uint64_t count = 0;
  for (std::size_t s = 0; s < n; ++s) {
    for (std::int32_t repair : {r.nMassRepairBytes[s], r.nIntenRepairBytes[s]}) {
      if (repair < 0 || repair % static_cast<std::int32_t>(kRepairPairSize) != 0) return false;
      total += static_cast<std::uint64_t>(repair);
    }
    if (r.pnSize[s] < 0) return false;
    count += static_cast<std::uint64_t>(r.pnSize[s]);
  }
  length = total;
  points = count;
  return true;
}

namespace {

// Where a decoded block goes: one run of every point of the block, or one
// ChannelData per spectrum. Either way spectrum s is a run of pnSize[s] points.
struct FlatBlock {
  std::vector<std::uint32_t>& masses;
  std::vector<std::uint32_t>& intensities;
  std::vector<std::uint32_t>& flags;
  std::vector<std::size_t> firsts;

  void size(const IndexBlock& rec, std::uint64_t points) {
    masses.resize(points);
    intensities.resize(points);
    flags.resize(points);
    firsts.resize(rec.pnSize.size());
    std::size_t first = 0;
    for (std::size_t s = 0; s < rec.pnSize.size(); ++s) {
      firsts[s] = first;
      first += static_cast<std::size_t>(rec.pnSize[s]);
    }
  }
  std::uint32_t* mass(std::size_t s) { return masses.data() + firsts[s]; }
  std::uint32_t* intensity(std::size_t s) { return intensities.data() + firsts[s]; }
  std::uint32_t* flag(std::size_t s) { return flags.data() + firsts[s]; }
};

struct SpectrumBlock {
  std::vector<Vardex::Control::Message::ChannelData>& channels;

  void size(const IndexBlock& rec, std::uint64_t) {
    channels.resize(rec.pnSize.size());
    for (std::size_t s = 0; s < channels.size(); ++s) {
      const auto n = static_cast<std::size_t>(rec.pnSize[s]);
      channels[s].massindex.resize(n);
      channels[s].intensity.resize(n);
      channels[s].flags.resize(n);
    }
  }
  std::uint32_t* mass(std::size_t s) { return channels[s].massindex.data(); }
  std::uint32_t* intensity(std::size_t s) { return channels[s].intensity.data(); }
  std::uint32_t* flag(std::size_t s) { return channels[s].flags.data(); }
};

// Widens a section of every point into the spectra's runs.
template <class Out, class Run, class Value>
void scatter(const IndexBlock& rec, const Value* values, Out& out, Run run) {
  for (std::size_t s = 0; s < rec.pnSize.size(); ++s) {
    std::uint32_t* to = (out.*run)(s);
    for (std::int32_t k = 0; k < rec.pnSize[s]; ++k) to[k] = static_cast<std::uint32_t>(*values++);
  }
}

// A raw section of 32-bit values, copied as it lies into the spectra's runs.
template <class Out, class Run>
void scatterRaw(const IndexBlock& rec, const char* bytes, Out& out, Run run) {
  for (std::size_t s = 0; s < rec.pnSize.size(); ++s) {
    const auto n = static_cast<std::size_t>(rec.pnSize[s]) * sizeof(std::uint32_t);
    loadLE((out.*run)(s), bytes, static_cast<std::size_t>(rec.pnSize[s]));
    bytes += n;
  }
}

}  // namespace

template <class Out>
bool CDTBlockReader::decode(const IndexBlock& rec, std::string_view blockBytes, Out& out) {
  std::uint64_t length = 0;
  std::uint64_t points = 0;
  if (!blockExtent(rec, length, points) || length > blockBytes.size()) return false;
  const int version = FormatVersion();
  if (version != KORRIN_V1 && version != KORRIN_V2 && version != KORRIN_V3) return false;
  const bool packed = version == KORRIN_V3;

  // Each section must be able to hold every point before anything is sized:
  // raw sections exactly 4 bytes a point, coded ones at most 9 bytes a stream byte.
  const auto massLength = static_cast<std::uint64_t>(rec.nMassLength);
  const auto intensityLength = static_cast<std::uint64_t>(rec.nIntensityLength);
  const auto flagLength = static_cast<std::uint64_t>(rec.nFlagBytes);
  auto holdsAll = [&](std::uint64_t sectionLength) {
    if (sectionLength == 0) return points == 0;
    return packed ? points <= lzrw3MaxOutput(sectionLength) / 2 : sectionLength == 4 * points;
  };
  if (!holdsAll(massLength) || !holdsAll(intensityLength)) return false;
  if (flagLength > 0 && points > lzrw3MaxOutput(flagLength)) return false;

  out.size(rec, points);
  const char* at = blockBytes.data();

  if (packed && massLength > 0) {
    if (compressor.Decompress(at, massLength, points, massDeltas) != Lzrw3Status::Ok) return false;
    scatter(rec, massDeltas.data(), out, &Out::mass);
  } else if (massLength > 0) {
    scatterRaw(rec, at, out, &Out::mass);
  }
  at += massLength;
  const char* massRepairs = at;
  for (std::int32_t bytes : rec.nMassRepairBytes) at += bytes;

  if (packed && intensityLength > 0) {
    if (compressor.Decompress(at, intensityLength, points, intensityDeltas) != Lzrw3Status::Ok) return false;
    // Sign-extended: a stored -1 is the 32-bit step 0xFFFFFFFF.
    scatter(rec, intensityDeltas.data(), out, &Out::intensity);
  } else if (intensityLength > 0) {
    scatterRaw(rec, at, out, &Out::intensity);
  }
  at += intensityLength;
  const char* intensityRepairs = at;
  for (std::int32_t bytes : rec.nIntenRepairBytes) at += bytes;

  if (flagLength > 0) {
    if (compressor.Decompress(at, flagLength, points, flagBytes) != Lzrw3Status::Ok) return false;
    scatter(rec, flagBytes.data(), out, &Out::flag);
  } else {
    for (std::size_t s = 0; s < rec.pnSize.size(); ++s) std::fill_n(out.flag(s), rec.pnSize[s], 0u);
  }

  const std::uint32_t start = startIndex(header.fStartPos);
  const bool deltas = CompressionType() != 0;
  for (std::size_t s = 0; s < rec.pnSize.size(); ++s) {
    const std::int32_t size = rec.pnSize[s];
    std::uint32_t* mass = out.mass(s);
    std::uint32_t* intensity = out.intensity(s);
    if (!applyRepairs(massRepairs, rec.nMassRepairBytes[s], mass, size) ||
        !applyRepairs(intensityRepairs, rec.nIntenRepairBytes[s], intensity, size)) {
      return false;
    }
    if (deltas) {
      std::uint32_t runningMass = start;
      std::uint32_t runningIntensity = 0;
      for (std::int32_t k = 0; k < size; ++k) {
        mass[k] = runningMass += mass[k];
        intensity[k] = runningIntensity += intensity[k];
      }
    } else {
      for (std::int32_t k = 0; k < size; ++k) mass[k] += start;
    }
  }
  return true;
}

bool CDTBlockReader::ReadData(const IndexBlock& rec, std::string_view blockBytes,
                              std::vector<std::uint32_t>& massIndices, std::vector<std::uint32_t>& intensities,
                              std::vector<std::uint32_t>& longFlags) {
  FlatBlock out{massIndices, intensities, longFlags, {}};
  return decode(rec, blockBytes, out);
}

bool CDTBlockReader::ReadData(const IndexBlock& rec, std::string_view blockBytes,
                              std::vector<Vardex::Control::Message::ChannelData>& channels) {
  SpectrumBlock out{channels};
  return decode(rec, blockBytes, out);
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
