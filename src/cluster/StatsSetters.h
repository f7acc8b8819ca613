#pragma once

// The statistics fields a writer can fill from its own records: one row per
// field id, naming the ZVRawExtStatsRecord member the value goes to. A row
// stands for the setter of that id; ids without a row have no setter.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace borealtek_zvraw_version_1 {
struct ZVRawExtStatsRecord;
}

// The type of the record member a setter stores into.
enum class StatsMemberKind : std::uint8_t { Short, Float, Char };

struct StatsSetter {
  int nID;
  const char* pcName;     // "set" + the member's name without its prefix
  StatsMemberKind eKind;  // the member's type
  char cValueType;        // the letter of the setter's value: 's', 'f' or 'c'
  std::size_t nOffset;    // of the member inside ZVRawExtStatsRecord
};

using setStatsRecordRoutineV = const StatsSetter*;

// The whole table, in ascending id order.
[[nodiscard]] std::span<const StatsSetter> statsSetters();
// The setter of a field id, or null.
[[nodiscard]] setStatsRecordRoutineV getSetRoutine(int nFieldID);

// Width in a writer's record of a value of type letter cType; 0 for a letter
// other than 's', 'f', 'c'.
[[nodiscard]] constexpr int statsLetterWidth(char cType) {
  return cType == 's' ? 2 : cType == 'f' ? 4 : cType == 'c' ? 1 : 0;
}

// How one caller value reaches one member: the caller's letter crossed with
// the member's type. A value of another type than the member's is converted
// explicitly: a float into an integer member truncates toward zero and
// saturates at the 16-bit range (NaN gives 0); a one-byte member keeps the
// low byte of the 16-bit value.
enum class StatsStoreOp : std::uint8_t {
  ShortToShort,
  ShortToFloat,
  ShortToChar,
  FloatToShort,
  FloatToFloat,
  FloatToChar,
  CharToShort,
  CharToFloat,
  CharToChar,
};

// The op for a letter and a setter; false for a letter other than 's', 'f', 'c'.
[[nodiscard]] bool statsStoreOp(char cType, const StatsSetter& setter, StatsStoreOp& op);

namespace stats_store_detail {
template <class T>
T load(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
void put(unsigned char* p, T v) {
  std::memcpy(p, &v, sizeof v);
}
inline std::int16_t saturate(float f) {
  if (std::isnan(f)) return 0;
  if (f <= -32768.0f) return INT16_MIN;
  if (f >= 32767.0f) return INT16_MAX;
  return static_cast<std::int16_t>(f);
}
inline std::uint8_t lowByte(std::int16_t v) { return static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) & 0xFF); }
}  // namespace stats_store_detail

// Reads the value at src (unaligned, native order) and stores it at member.
inline void applyStatsStore(StatsStoreOp op, unsigned char* member, const unsigned char* src) {
  using namespace stats_store_detail;
  switch (op) {
    case StatsStoreOp::ShortToShort:
      put(member, load<std::int16_t>(src));
      break;
    case StatsStoreOp::ShortToFloat:
      put(member, static_cast<float>(load<std::int16_t>(src)));
      break;
    case StatsStoreOp::ShortToChar:
      put(member, lowByte(load<std::int16_t>(src)));
      break;
    case StatsStoreOp::FloatToShort:
      put(member, saturate(load<float>(src)));
      break;
    case StatsStoreOp::FloatToFloat:
      put(member, load<float>(src));
      break;
    case StatsStoreOp::FloatToChar:
      put(member, lowByte(saturate(load<float>(src))));
      break;
    case StatsStoreOp::CharToShort:
      put(member, static_cast<std::int16_t>(load<std::int8_t>(src)));
      break;
    case StatsStoreOp::CharToFloat:
      put(member, static_cast<float>(load<std::int8_t>(src)));
      break;
    case StatsStoreOp::CharToChar:
      put(member, load<std::uint8_t>(src));
      break;
  }
}

// Stores the value of letter cType found at pValue (statsLetterWidth bytes)
// into the setter's member of record; a letter other than 's', 'f', 'c'
// stores nothing.
void storeStatsValue(borealtek_zvraw_version_1::ZVRawExtStatsRecord& record, const StatsSetter& setter, char cType,
                     const void* pValue);
