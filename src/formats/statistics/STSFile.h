#pragma once

// A fixed-record table file (see StatsTable.h for the leader and descriptor
// layout) kept open for reading single values on demand, by field and record,
// and the writers of its parts. Record i starts at header size + record size
// x i; a field's value lies at the field's offset inside the record.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

#include "formats/portability/FileHandle.h"
#include "formats/statistics/StatsTable.h"

// The length of an analog channel description, the one string field written.
inline constexpr int ANALOG_CHANNEL_DESCRIPTION_SIZE = 81;

class STSFile {
 public:
  STSFile() = default;
  virtual ~STSFile() = default;
  STSFile(const STSFile&) = delete;
  STSFile& operator=(const STSFile&) = delete;

  // Opens the file at exactly this path (no case retries) and decides its
  // validity; a second call starts over. Returns isOK(). Beyond the sizes of
  // leader, header and body, every field must lie inside the record.
  bool read(std::string_view path);
  [[nodiscard]] bool isOK() const { return m_bOK; }
  [[nodiscard]] std::uint16_t getVersion() const { return m_nVersion; }
  [[nodiscard]] std::uint16_t getNumberOfFields() const { return m_nFields; }
  [[nodiscard]] std::uint32_t getNumberOfRecords() const { return m_nRecords; }
  // The bytes of a valid file: its header and records.
  [[nodiscard]] std::uint64_t getFileBytes() const {
    return std::uint64_t{m_nHeaderSize} + std::uint64_t{m_nRecordSize} * m_nRecords;
  }

  // The descriptors; empty when there are none, the file is not valid or
  // they cannot be read.
  [[nodiscard]] std::vector<STSField> getFields();

  // One value of a record. Each form clears out first and returns false when
  // the field's type is not its own, the record is out of range or the value
  // cannot be read whole.
  bool getValue(const STSField& field, int record, char& out);
  bool getValue(const STSField& field, int record, short& out);
  bool getValue(const STSField& field, int record, int& out);
  bool getValue(const STSField& field, int record, float& out);
  bool getValue(const STSField& field, int record, double& out);
  // A string field: the smaller of size and the field's Size bytes, with no
  // terminator added when the field fills the buffer. The buffer is cleared whole.
  bool getValue(const STSField& field, int record, char* out, int size);
  // The float values of records 0 .. out.size() - 1, as getValue would give
  // them one by one, read in blocks. Whether every one was read.
  bool getColumn(const STSField& field, std::span<float> out);

  // Calls each(record number, record bytes) for records 0 .. count - 1 in
  // order, read a block of about 64 KiB at a time rather than a value at a
  // time. Whether every one was read whole; those that were not are not passed.
  template <class Each>
  bool forEachRecord(std::uint32_t count, Each&& each);
  // The value forms over the bytes of one record as forEachRecord passes
  // them, by the rules of the forms above.
  static bool getValue(const STSField& field, std::span<const std::uint8_t> record, int& out);
  static bool getValue(const STSField& field, std::span<const std::uint8_t> record, float& out);
  static bool getValue(const STSField& field, std::span<const std::uint8_t> record, char* out, int size);

  // Writing: the caller owns the stream and writes leader, descriptors and
  // records in file order; keeping header and record sizes consistent with
  // the fields is the caller's.
  void setVersion(const std::uint16_t& version) { m_nVersion = version; }
  void setNumberOfFields(const std::uint16_t& fields) { m_nFields = fields; }
  void setHeaderSize(const std::uint16_t& size) { m_nHeaderSize = size; }
  void setRecordSize(const std::uint16_t& size) { m_nRecordSize = size; }
  // Bytes written: 32, and 48 per field, when everything went out.
  int writeLeader(std::FILE* file);
  int writeFields(std::FILE* file, const STSField* fields, const int& count);
  bool setValue(std::FILE* file, const float& value);
  bool setValue(std::FILE* file, const int& value);
  // The first min(n, 81) bytes of text as they are (a description's control
  // text follows its NUL), then zeros up to 81 bytes.
  bool setValue(std::FILE* file, const char* text, int n);

 private:
  template <class T>
  bool readNumber(const STSField& field, int record, std::uint16_t type, T& out);
  bool seekValue(const STSField& field, int record);
  // Records first .. first + n - 1 into block, back to back, by one read at
  // their place in the file; how many were read whole.
  std::size_t readRecords(std::uint32_t first, std::uint32_t n, Bytes& block);
  [[nodiscard]] std::uint32_t recordsPerBlock() const;
  // Whether every declared field lies inside a record.
  [[nodiscard]] bool fieldsFitRecord(std::FILE* f) const;

  zvraw::FilePtr m_pFile;
  std::uint16_t m_nHeaderSize = 0;
  std::uint16_t m_nVersion = 0;
  std::uint16_t m_nFields = 0;
  std::uint32_t m_nRecords = 0;
  std::uint16_t m_nRecordSize = 0;
  bool m_bOK = false;
};

template <class Each>
bool STSFile::forEachRecord(std::uint32_t count, Each&& each) {
  const std::uint32_t records = m_bOK ? std::min(count, m_nRecords) : 0;
  const std::uint32_t perBlock = recordsPerBlock();
  Bytes block;
  for (std::uint32_t first = 0; first < records; first += perBlock) {
    const std::uint32_t n = std::min(perBlock, records - first);
    const std::size_t whole = readRecords(first, n, block);
    const std::span<const std::uint8_t> bytes(block);
    for (std::size_t k = 0; k < whole; ++k)
      each(static_cast<std::uint32_t>(first + k), bytes.subspan(k * m_nRecordSize, m_nRecordSize));
    if (whole < n) return false;
  }
  return records == count;
}
