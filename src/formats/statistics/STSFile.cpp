#include "formats/statistics/STSFile.h"

#include <sys/types.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"

bool STSFile::read(std::string_view path) {
  m_pFile.reset();
  m_nHeaderSize = m_nVersion = m_nFields = m_nRecordSize = 0;
  m_nRecords = 0;
  m_bOK = false;

  zvraw::FilePtr f = sysOpenFile(std::string(path), "rb");
  if (!f) return false;
  const std::int64_t size = getLargeFileSize(f.get());
  if (size < 0 || ::fseeko(f.get(), 0, SEEK_SET) != 0) return false;

  StatsTableLeader leader;
  if (!readStatsLeader(f.get(), leader)) return false;
  m_nHeaderSize = leader.headerSize;
  m_nVersion = leader.version;
  m_nRecordSize = leader.recordSize;
  m_nFields = leader.fieldCount;

  const auto fileSize = static_cast<std::uint64_t>(size);
  if (m_nHeaderSize > fileSize || m_nHeaderSize != statsHeaderSizeFor(m_nFields) || m_nRecordSize == 0) return false;
  const std::uint64_t body = fileSize - m_nHeaderSize;
  if (body % m_nRecordSize != 0) return false;
  // More records than the count can hold would make positions past the
  // count unreachable: such a table is refused rather than cut short.
  const std::uint64_t records = body / m_nRecordSize;
  if (records > std::numeric_limits<std::uint32_t>::max()) return false;
  // A record smaller than the fields it declares is a claim no writer makes:
  // believed, it would turn every byte of the file into a record.
  if (!fieldsFitRecord(f.get())) return false;

  m_nRecords = static_cast<std::uint32_t>(records);
  m_pFile = std::move(f);
  m_bOK = true;
  return true;
}

namespace {

// The bytes a field takes in a record; none for a type no value form reads.
std::uint32_t fieldWidth(const STSField& field) {
  switch (field.Type) {
    case CHAR_FIELD:
      return 1;
    case SHORT_INT_FIELD:
      return 2;
    case LONG_INT_FIELD:
    case SINGLE_FLOAT_FIELD:
      return 4;
    case DOUBLE_FLOAT_FIELD:
      return 8;
    case STRING_FIELD:
      return field.Size;
    default:
      return 0;
  }
}

}  // namespace

bool STSFile::fieldsFitRecord(std::FILE* f) const {
  if (::fseeko(f, static_cast<off_t>(kStatsLeaderSize), SEEK_SET) != 0) return false;
  for (std::uint16_t i = 0; i < m_nFields; ++i) {
    STSField field;
    if (!readStatsField(f, field)) return false;
    if (std::uint32_t{field.Offset} + fieldWidth(field) > m_nRecordSize) return false;
  }
  return true;
}

std::vector<STSField> STSFile::getFields() {
  std::vector<STSField> fields;
  if (!m_bOK || m_nFields == 0 || ::fseeko(m_pFile.get(), kStatsLeaderSize, SEEK_SET) != 0) return fields;
  // A valid header holds every descriptor, so this is at most 64 KiB.
  fields.resize(m_nFields);
  for (STSField& field : fields) {
    if (!readStatsField(m_pFile.get(), field)) return {};
  }
  return fields;
}

bool STSFile::seekValue(const STSField& field, int record) {
  if (!m_bOK || record < 0 || static_cast<std::uint32_t>(record) >= m_nRecords) return false;
  const std::uint64_t at =
      statsValuePosition(m_nHeaderSize, m_nRecordSize, static_cast<std::uint32_t>(record), field.Offset);
  return ::fseeko(m_pFile.get(), static_cast<off_t>(at), SEEK_SET) == 0;
}

template <class T>
bool STSFile::readNumber(const STSField& field, int record, std::uint16_t type, T& out) {
  out = T{};
  if (field.Type != type || !seekValue(field, record)) return false;
  std::array<char, sizeof(T)> bytes;
  if (std::fread(bytes.data(), 1, bytes.size(), m_pFile.get()) != bytes.size()) return false;
  const char* cursor = bytes.data();
  value_from_bytes(out, cursor, sizeof(T));
  return true;
}

namespace {

template <class T>
bool numberIn(const STSField& field, std::span<const std::uint8_t> record, std::uint16_t type, T& out) {
  out = T{};
  if (field.Type != type || std::size_t{field.Offset} + sizeof(T) > record.size()) return false;
  const char* cursor = reinterpret_cast<const char*>(record.data() + field.Offset);
  value_from_bytes(out, cursor, sizeof(T));
  return true;
}

}  // namespace

bool STSFile::getValue(const STSField& field, std::span<const std::uint8_t> record, int& out) {
  return numberIn(field, record, LONG_INT_FIELD, out);
}
bool STSFile::getValue(const STSField& field, std::span<const std::uint8_t> record, float& out) {
  return numberIn(field, record, SINGLE_FLOAT_FIELD, out);
}

bool STSFile::getValue(const STSField& field, std::span<const std::uint8_t> record, char* out, int size) {
  if (out == nullptr || size <= 0) return false;
  std::memset(out, 0, static_cast<std::size_t>(size));
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), field.Size);
  if (field.Type != STRING_FIELD || std::size_t{field.Offset} + n > record.size()) return false;
  std::memcpy(out, record.data() + field.Offset, n);
  return true;
}

std::uint32_t STSFile::recordsPerBlock() const {
  // Large enough that the reads cost little beside the decoding, small
  // enough to add nothing that counts to what the records become.
  constexpr std::size_t kBlockBytes = std::size_t{64} << 10;
  return static_cast<std::uint32_t>(std::max<std::size_t>(1, kBlockBytes / std::max<std::uint16_t>(m_nRecordSize, 1)));
}

std::size_t STSFile::readRecords(std::uint32_t first, std::uint32_t n, Bytes& block) {
  block.resize(std::size_t{n} * m_nRecordSize);
  int code = 0;
  const std::size_t got = zvraw::readAt(m_pFile.get(), block.data(), block.size(),
                                        statsValuePosition(m_nHeaderSize, m_nRecordSize, first, 0), code);
  return got / m_nRecordSize;
}

bool STSFile::getValue(const STSField& field, int record, char& out) {
  return readNumber(field, record, CHAR_FIELD, out);
}
bool STSFile::getValue(const STSField& field, int record, short& out) {
  return readNumber(field, record, SHORT_INT_FIELD, out);
}
bool STSFile::getValue(const STSField& field, int record, int& out) {
  return readNumber(field, record, LONG_INT_FIELD, out);
}
bool STSFile::getValue(const STSField& field, int record, float& out) {
  return readNumber(field, record, SINGLE_FLOAT_FIELD, out);
}
bool STSFile::getValue(const STSField& field, int record, double& out) {
  return readNumber(field, record, DOUBLE_FLOAT_FIELD, out);
}

bool STSFile::getValue(const STSField& field, int record, char* out, int size) {
  if (out == nullptr || size <= 0) return false;
  std::memset(out, 0, static_cast<std::size_t>(size));
  if (field.Type != STRING_FIELD || !seekValue(field, record)) return false;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), field.Size);
  return std::fread(out, 1, n, m_pFile.get()) == n;
}

bool STSFile::getColumn(const STSField& field, std::span<float> out) {
  std::fill(out.begin(), out.end(), 0.0f);
  if (!m_bOK || field.Type != SINGLE_FLOAT_FIELD) return out.empty();
  constexpr std::size_t kWidth = sizeof(float);
  if (std::size_t{field.Offset} + kWidth > m_nRecordSize) return out.empty();
  const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(out.size(), m_nRecords));
  const bool all = forEachRecord(count, [&](std::uint32_t k, std::span<const std::uint8_t> record) {
    const char* cursor = reinterpret_cast<const char*>(record.data() + field.Offset);
    float value;  // decoded aside, so that the store to out is a single one
    value_from_bytes(value, cursor, kWidth);
    out[k] = value;
  });
  return all && count == out.size();
}

int STSFile::writeLeader(std::FILE* file) {
  return static_cast<int>(writeStatsLeader(file, {m_nHeaderSize, m_nVersion, m_nRecordSize, m_nFields}));
}

int STSFile::writeFields(std::FILE* file, const STSField* fields, const int& count) {
  if (count < 0 || count > std::numeric_limits<std::uint16_t>::max() || (fields == nullptr && count > 0)) return 0;
  m_nFields = static_cast<std::uint16_t>(count);
  int written = 0;
  for (int i = 0; i < count; ++i) {
    const std::size_t n = writeStatsField(file, fields[i]);
    written += static_cast<int>(n);
    if (n != kStatsFieldDescriptorSize) break;
  }
  return written;
}

namespace {

template <class T>
bool writeValue(std::FILE* file, T value) {
  std::array<char, sizeof(T)> bytes;
  char* cursor = bytes.data();
  value_to_bytes(cursor, value, sizeof(T));
  return file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

}  // namespace

bool STSFile::setValue(std::FILE* file, const float& value) { return writeValue(file, value); }
bool STSFile::setValue(std::FILE* file, const int& value) { return writeValue(file, value); }

bool STSFile::setValue(std::FILE* file, const char* text, int n) {
  const int take = std::clamp(n, 0, ANALOG_CHANNEL_DESCRIPTION_SIZE);
  if (file == nullptr || (text == nullptr && take > 0)) return false;
  std::array<char, ANALOG_CHANNEL_DESCRIPTION_SIZE> field{};
  if (take > 0) std::memcpy(field.data(), text, static_cast<std::size_t>(take));
  return std::fwrite(field.data(), 1, field.size(), file) == field.size();
}
