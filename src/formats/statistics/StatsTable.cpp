#include "formats/statistics/StatsTable.h"

#include <array>
#include <span>

namespace {

constexpr std::size_t kLeaderReserved = kStatsLeaderSize - 8;
constexpr std::size_t kFieldReserved = kStatsFieldDescriptorSize - 34;

template <std::size_t N>
bool readExactly(std::FILE* f, std::array<std::uint8_t, N>& block) {
  return f != nullptr && std::fread(block.data(), 1, N, f) == N;
}

std::size_t writeAll(std::FILE* f, const Bytes& bytes) {
  if (f == nullptr) return 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), f);
}

}  // namespace

void encodeStatsLeader(ByteWriter& out, const StatsTableLeader& leader) {
  out.write(leader.headerSize);
  out.write(leader.version);
  out.write(leader.recordSize);
  out.write(leader.fieldCount);
  out.writeZeros(kLeaderReserved);
}

void encodeStatsField(ByteWriter& out, const STSField& field) {
  out.write(field.ID);
  out.write(field.Type);
  out.write(field.Offset);
  out.writeBytes(std::span(reinterpret_cast<const std::uint8_t*>(field.Name), kStatsFieldNameSize));
  out.write(field.Size);
  out.writeZeros(kFieldReserved);
}

bool decodeStatsLeader(ByteCursor& in, StatsTableLeader& leader) {
  if (in.remaining() < kStatsLeaderSize) return false;
  StatsTableLeader l;
  const bool ok = in.read(l.headerSize) && in.read(l.version) && in.read(l.recordSize) && in.read(l.fieldCount) &&
                  in.skip(kLeaderReserved);
  if (ok) leader = l;
  return ok;
}

bool decodeStatsField(ByteCursor& in, STSField& field) {
  if (in.remaining() < kStatsFieldDescriptorSize) return false;
  STSField d;
  const bool ok = in.read(d.ID) && in.read(d.Type) && in.read(d.Offset) &&
                  in.readBytes(std::span(reinterpret_cast<std::uint8_t*>(d.Name), kStatsFieldNameSize)) &&
                  in.read(d.Size) && in.skip(kFieldReserved);
  if (ok) field = d;
  return ok;
}

bool readStatsLeader(std::FILE* f, StatsTableLeader& leader) {
  std::array<std::uint8_t, kStatsLeaderSize> block;
  if (!readExactly(f, block)) return false;
  ByteCursor in(block);
  return decodeStatsLeader(in, leader);
}

bool readStatsField(std::FILE* f, STSField& field) {
  std::array<std::uint8_t, kStatsFieldDescriptorSize> block;
  if (!readExactly(f, block)) return false;
  ByteCursor in(block);
  return decodeStatsField(in, field);
}

std::size_t writeStatsLeader(std::FILE* f, const StatsTableLeader& leader) {
  Bytes bytes;
  ByteWriter out(bytes);
  encodeStatsLeader(out, leader);
  return writeAll(f, bytes);
}

std::size_t writeStatsField(std::FILE* f, const STSField& field) {
  Bytes bytes;
  ByteWriter out(bytes);
  encodeStatsField(out, field);
  return writeAll(f, bytes);
}
