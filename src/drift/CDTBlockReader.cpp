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
    std::int32_t pair[2];
    std::memcpy(pair, pairs, sizeof pair);
    pairs += sizeof pair;
    if (pair[0] < 0 || pair[0] >= points) return false;
    values[pair[0]] = static_cast<std::uint32_t>(pair[1]);
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

bool CDTBlockReader::ReadData(const IndexBlock& rec, std::string_view blockBytes,
                              std::vector<std::uint32_t>& massIndices, std::vector<std::uint32_t>& intensities,
                              std::vector<std::uint32_t>& longFlags) {
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

  massIndices.resize(points);
  intensities.resize(points);
  longFlags.resize(points);
  const char* at = blockBytes.data();

  if (packed && massLength > 0) {
    if (compressor.Decompress(at, massLength, points, massDeltas) != Lzrw3Status::Ok) return false;
    std::copy(massDeltas.begin(), massDeltas.end(), massIndices.begin());
  } else if (massLength > 0) {
    std::memcpy(massIndices.data(), at, massLength);
  }
  at += massLength;
  const char* massRepairs = at;
  for (std::int32_t bytes : rec.nMassRepairBytes) at += bytes;

  if (packed && intensityLength > 0) {
    if (compressor.Decompress(at, intensityLength, points, intensityDeltas) != Lzrw3Status::Ok) return false;
    // Sign-extended: a stored -1 is the 32-bit step 0xFFFFFFFF.
    std::transform(intensityDeltas.begin(), intensityDeltas.end(), intensities.begin(),
                   [](short d) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(d)); });
  } else if (intensityLength > 0) {
    std::memcpy(intensities.data(), at, intensityLength);
  }
  at += intensityLength;
  const char* intensityRepairs = at;
  for (std::int32_t bytes : rec.nIntenRepairBytes) at += bytes;

  if (flagLength > 0) {
    if (compressor.Decompress(at, flagLength, points, flagBytes) != Lzrw3Status::Ok) return false;
    std::copy(flagBytes.begin(), flagBytes.end(), longFlags.begin());
  } else {
    std::fill(longFlags.begin(), longFlags.end(), 0);
  }

  const std::uint32_t start = startIndex(header.fStartPos);
  const bool deltas = CompressionType() != 0;
  std::uint32_t* mass = massIndices.data();
  std::uint32_t* intensity = intensities.data();
  for (std::size_t s = 0; s < rec.pnSize.size(); ++s) {
    const std::int32_t size = rec.pnSize[s];
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
    mass += size;
    intensity += size;
  }
  return true;
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
