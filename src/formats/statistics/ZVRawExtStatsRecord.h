#pragma once

// Per-scan instrument parameters: the field ids a statistics file may hold,
// the fixed in-memory record with one typed member per known id, the
// dictionary of display names and types, and the codecs that move one field
// between its stored bytes (or its text) and its record member.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "formats/statistics/StatsTable.h"

namespace borealtek_zvraw_version_1 {

// Field ids. Ids not listed here have no name and no record member.
inline constexpr int LINEAR_DETECTOR_VOLTAGE = 1;
inline constexpr int LINEAR_SENSITIVITY = 2;
inline constexpr int REFLECTRON_LENS_VOLTAGE = 3;
inline constexpr int REFLECTRON_DETECTOR_VOLTAGE = 4;
inline constexpr int REFLECTRON_SENSITIVITY = 5;
inline constexpr int LASER_REPETITION_RATE = 6;
inline constexpr int COURSE_LASER_CONTROL = 7;
inline constexpr int FINE_LASER_CONTROL = 8;
inline constexpr int LASERAIM_XPOS = 9;
inline constexpr int LASERAIM_YPOS = 10;
inline constexpr int NUM_SHOTS_SUMMED = 11;
inline constexpr int NUM_SHOTS_PERFORMED = 12;
inline constexpr int SEGMENT_NUMBER = 13;
inline constexpr int LCMP_TFM_WELL = 14;
inline constexpr int SEGMENT_TYPE = 15;
inline constexpr int SOURCE_REGION1 = 16;
inline constexpr int SOURCE_REGION2 = 17;
inline constexpr int REFLECTRON_FIELD_LENGTH = 18;
inline constexpr int REFLECTRON_LENGTH = 19;
inline constexpr int REFLECTRON_VOLT = 20;
inline constexpr int SAMPLE_PLATE_VOLT = 21;
inline constexpr int REFLECTRON_FIELD_LENGTH_ALT = 22;
inline constexpr int REFLECTRON_LENGTH_ALT = 23;
inline constexpr int PSD_STEP_MAJOR = 24;
inline constexpr int PSD_STEP_MINOR = 25;
inline constexpr int PSD_FACTOR_1 = 26;
inline constexpr int NEEDLE = 50;
inline constexpr int COUNTER_ELECTRODE_VOLTAGE = 51;
inline constexpr int SAMPLING_CONE_VOLTAGE = 52;
inline constexpr int SKIMMER_LENS = 53;
inline constexpr int SKIMMER = 54;
inline constexpr int PROBE_TEMPERATURE = 55;
inline constexpr int SOURCE_TEMPERATURE = 56;
inline constexpr int RF_VOLTAGE = 57;
inline constexpr int SOURCE_APERTURE = 58;
inline constexpr int SOURCE_CODE = 59;
inline constexpr int LM_RESOLUTION = 60;
inline constexpr int HM_RESOLUTION = 61;
inline constexpr int COLLISION_ENERGY = 62;
inline constexpr int ION_ENERGY = 63;
inline constexpr int MULTIPLIER1 = 64;
inline constexpr int MULTIPLIER2 = 65;
inline constexpr int TRANSPORTDC = 66;
inline constexpr int TOF_APERTURE = 67;
inline constexpr int ACC_VOLTAGE = 68;
inline constexpr int STEERING = 69;
inline constexpr int FOCUS = 70;
inline constexpr int ENTRANCE = 71;
inline constexpr int GUARD = 72;
inline constexpr int TOF = 73;
inline constexpr int REFLECTRON = 74;
inline constexpr int COLLISION_RF = 75;
inline constexpr int TRANSPORT_RF = 76;
inline constexpr int SET_MASS = 77;
inline constexpr int COLLISION_ENERGY2 = 78;
inline constexpr int SET_MASS_CALL_SUPPORTED = 79;
inline constexpr int SET_MASS_CALIBRATED = 80;
inline constexpr int VESKO_ENABLED = 81;
inline constexpr int QUAD_START_MASS = 82;
inline constexpr int QUAD_STOP_MASS = 83;
inline constexpr int QUAD_PEAK_WIDTH = 84;
inline constexpr int REFERENCE_SCAN = 100;
inline constexpr int USE_LOCKMASS_CORRECTION = 101;
inline constexpr int LOCKMASS_CORRECTION = 102;
inline constexpr int USETEMP_CORRECTION = 103;
inline constexpr int TEMP_CORRECTION = 104;
inline constexpr int TEMP_COEFFICIENT = 105;
inline constexpr int FAIMS_COMPENSATION_VOLTAGE = 106;
inline constexpr int TIC_TRACE_A = 107;
inline constexpr int TIC_TRACE_B = 108;
inline constexpr int RAW_EE_CV = 110;
inline constexpr int RAW_EE_CE = 111;
inline constexpr int ACCURATE_MASS = 112;
inline constexpr int ACCURATE_MASS_FLAGS = 113;
inline constexpr int SCAN_ERROR_FLAG = 114;
inline constexpr int DRE_TRANSMISSION = 115;
inline constexpr int SCAN_PUSH_COUNT = 116;
inline constexpr int RAW_STAT_CORL_NORMALISATION_FACTOR = 117;
inline constexpr int MIN_DRIFT_TIME_CHANNEL = 122;
inline constexpr int MAX_DRIFT_TIME_CHANNEL = 123;

inline constexpr int MAX_FIELD_ID = 123;
inline constexpr int MAX_EXTENDEDSTATS_CODE = 256;
// Further codes of the dictionary's space, with no entry and no member.
inline constexpr int TOTAL_ION_CURRENT = 252;
inline constexpr int BASE_PEAK_MASS = 253;
inline constexpr int BASE_PEAK_INTENSITY = 254;
inline constexpr int PEAKS_IN_SCAN = 255;

inline constexpr int EXTSTATS_FIELDNAME_SIZE = 64;
// A function holds at most one field per id.
inline constexpr int kMaxStatsFields = MAX_FIELD_ID + 1;

using ZVRAW_MASSTYPE = float;

// Members are single bytes that hold small signed values.
static_assert(std::is_signed_v<char>, "record members of type char are signed bytes");

// One scan's parameters, zero when created. Other layers address it member
// by member, so the order and natural alignment are part of the design.
struct ZVRawExtStatsRecord {
  short m_nLinearDetectorVoltage = 0;
  short m_nLinearSensitivity = 0;
  short m_nReflectronLensVoltage = 0;
  short m_nReflectronDetectorVoltage = 0;
  short m_nReflectronSensitivity = 0;
  short m_nLaserRepetitionRate = 0;
  short m_nCoarseLaserControl = 0;
  short m_nFineLaserControl = 0;
  float m_fLaserAimXPos = 0;
  float m_fLaserAimYPos = 0;
  short m_nNumShotsSummed = 0;
  short m_nNumShotsPerformed = 0;
  short m_nSegmentNumber = 0;
  short m_nTFMWell = 0;
  short m_nSegmentType = 0;
  float m_fSourceRegion1 = 0;
  float m_fSourceRegion2 = 0;
  float m_fReflectronFieldLength = 0;
  float m_fReflectronLength = 0;
  float m_fReflectronVolt = 0;
  short m_nSamplePlateVolt = 0;
  float m_fReflectronFieldLengthAlt = 0;
  float m_fReflectronLengthAlt = 0;
  float m_fPSDStepMajor = 0;
  float m_fPSDStepMinor = 0;
  float m_fPSDFactor1 = 0;
  short m_nNeedle = 0;
  short m_nCounterElectrodeVoltage = 0;
  short m_nSamplingConeVoltage = 0;
  short m_nSkimmerLens = 0;
  short m_nSkimmer = 0;
  short m_nProbeTemperature = 0;
  short m_nSourceTemperature = 0;
  short m_nRFVoltage = 0;
  short m_nSourceAperture = 0;
  short m_nSourceCode = 0;
  short m_nLMResolution = 0;
  short m_nHMResolution = 0;
  float m_fCollisionEnergy = 0;
  short m_nIonEnergy = 0;
  short m_nMultiplier1 = 0;
  short m_nMultiplier2 = 0;
  short m_nTransportDC = 0;
  short m_nTOFAperture = 0;
  short m_nAccVoltage = 0;
  short m_nSteering = 0;
  short m_nFocus = 0;
  short m_nEntrance = 0;
  short m_nGuard = 0;
  short m_nTOF = 0;
  short m_nReflectron = 0;
  short m_nCollisionRF = 0;
  short m_nTransportRF = 0;
  ZVRAW_MASSTYPE m_fSetMass = 0;
  float m_fCollisionEnergy2 = 0;
  short m_nVeskoEnabled = 0;
  float m_fQuadStartMass = 0;
  float m_fQuadStopMass = 0;
  float m_fQuadPeakWidth = 0;
  char m_nReferenceScan = 0;
  char m_nUseLockMassCorrection = 0;
  float m_fLockMassCorrection = 0;
  char m_nUseTempCorrection = 0;
  float m_fTempCorrection = 0;
  float m_fTempCoefficient = 0;
  float m_fFaimsCompensationVolts = 0;
  float m_fTICTraceA = 0;
  float m_fTICTraceB = 0;
  char m_cAccurateMass = 0;
  short m_nAccurateMassFlags = 0;
  short m_nMinDriftTimeChannel = 0;
  short m_nMaxDriftTimeChannel = 0;

  // Member by member: the record has padding, whose bytes mean nothing.
  friend bool operator==(const ZVRawExtStatsRecord&, const ZVRawExtStatsRecord&) = default;
};
static_assert(std::is_standard_layout_v<ZVRawExtStatsRecord> && std::is_trivially_copyable_v<ZVRawExtStatsRecord>);
static_assert(sizeof(ZVRawExtStatsRecord) == 200);
static_assert(offsetof(ZVRawExtStatsRecord, m_nSamplePlateVolt) == 56);
static_assert(offsetof(ZVRawExtStatsRecord, m_fLockMassCorrection) == 164);
static_assert(offsetof(ZVRawExtStatsRecord, m_nMaxDriftTimeChannel) == 198);

// A dictionary entry, also handed to callers.
using ExtendedStatsFieldName = char[EXTSTATS_FIELDNAME_SIZE];
struct ExtendedStatsRecord {
  ExtendedStatsFieldName Name;
  int Code;
  int Type;
};

// The dictionary: entry i describes field id i; an id without a name has an
// all-zero entry (empty name, code 0, type 0).
extern const std::array<ExtendedStatsRecord, MAX_EXTENDEDSTATS_CODE> StatsRecords;

// Width in bytes of a stored field type; 0 for a type outside 0-4.
[[nodiscard]] unsigned int fieldTypeToSize(unsigned int type);
// The type a field gets when this library defines it; 0 for an unknown id.
[[nodiscard]] unsigned int fieldIDToType(unsigned int id);

// One stored field (id and type) against its record member, worked out once
// so that whole files of records move without a lookup per field. The rules
// are those of setFieldValueFromBuffer and getBufferFromFieldValue2.
class StatsFieldCodec {
 public:
  StatsFieldCodec(unsigned int id, unsigned int type);

  // Bytes the field takes in a record: 0 for a type outside 0-4.
  [[nodiscard]] unsigned int width() const { return width_; }
  // Reads width() bytes; a field without a member changes nothing.
  void unpack(ZVRawExtStatsRecord& record, const std::uint8_t* stored) const {
    std::uint8_t* member = reinterpret_cast<std::uint8_t*>(&record) + offset_;
    switch (op_) {
      case Op::None:
        return;
      case Op::Copy1:
        *member = stored[0];
        return;
      case Op::Copy2:
        std::memcpy(member, stored, 2);
        return;
      case Op::Copy4:
        std::memcpy(member, stored, 4);
        return;
      case Op::Widen:
        widen(member, stored);
        return;
      case Op::Rounded:
        rounded(record, stored);
        return;
    }
  }
  // Writes width() bytes when the field has a member; nothing otherwise.
  void pack(const ZVRawExtStatsRecord& record, std::uint8_t* out) const {
    const std::uint8_t* member = reinterpret_cast<const std::uint8_t*>(&record) + offset_;
    if (width_ != memberWidth_ || op_ == Op::None) return packOther(member, out);
    switch (width_) {
      case 1:
        *out = *member;
        return;
      case 2:
        std::memcpy(out, member, 2);
        return;
      default:
        std::memcpy(out, member, 4);
        return;
    }
  }
  [[nodiscard]] bool hasMember() const { return op_ != Op::None; }

 private:
  // Copy: a field at least as wide as its member gives the member's width of
  // low-order bytes. Widen: a narrower field, sign-extended or zero-filled.
  // Rounded: Transport RF stored as anything but a short.
  enum class Op : std::uint8_t { None, Copy1, Copy2, Copy4, Widen, Rounded };
  void widen(std::uint8_t* member, const std::uint8_t* stored) const;
  // Fields narrower or wider than their member.
  void packOther(const std::uint8_t* member, std::uint8_t* out) const;
  void rounded(ZVRawExtStatsRecord& record, const std::uint8_t* stored) const;

  Op op_ = Op::None;
  std::uint16_t offset_ = 0;
  std::uint8_t width_ = 0;        // stored
  std::uint8_t memberWidth_ = 0;  // in the record
  bool signed_ = false;           // integer members take the sign fill
};

// Unpacks one stored field (fieldTypeToSize(type) bytes at buffer) into the
// member of id. Ids without a member, and types of width 0, change nothing.
// 0, or ZVRAW_NULLPOINTER_ERROR for a null buffer.
int setFieldValueFromBuffer(ZVRawExtStatsRecord& record, unsigned int id, unsigned int type, const char* buffer);
// Packs the member of id in the width of type at the cursor and advances it
// by that width; ids without a member and types of width 0 write nothing and
// leave the cursor. The cursor must have fieldTypeToSize(type) bytes of room.
int getBufferFromFieldValue2(const ZVRawExtStatsRecord& record, unsigned int id, unsigned int type, char*& cursor);
int getBufferFromFieldValue(const ZVRawExtStatsRecord& record, unsigned int id, unsigned int type, char* buffer);
// Parses text into the member of id, in the "C" locale whatever the process's
// locale: shorts as "%hi" (unchanged when no number), floats as strtof does,
// one-byte members take the text's first character. Ids without a member are
// ignored. 0, or ZVRAW_NULLPOINTER_ERROR for a null text.
int setFieldValueFromString(ZVRawExtStatsRecord& record, unsigned int id, const char* text);

}  // namespace borealtek_zvraw_version_1
