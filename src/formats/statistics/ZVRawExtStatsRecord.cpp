#include "formats/statistics/ZVRawExtStatsRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "formats/portability/ByteCodec.h"
#include "formats/portability/CLocale.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// The named ids in ascending order, with the type the dictionary shows and the
// type a field gets when this library defines it (they differ for id 78 only).
struct NamedField {
  const char* name;
  int code;
  int type;
  int defaultType;
};

constexpr NamedField kNamedFields[] = {
    {"Linear Detector Voltage", LINEAR_DETECTOR_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Linear Sensitivity", LINEAR_SENSITIVITY, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Reflectron Lens Voltage", REFLECTRON_LENS_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Reflectron Detector Voltage", REFLECTRON_DETECTOR_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Reflectron Sensitivity", REFLECTRON_SENSITIVITY, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Laser Repetition Rate", LASER_REPETITION_RATE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Course Laser Control", COURSE_LASER_CONTROL, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Fine Laser Control", FINE_LASER_CONTROL, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Laser Aim X Position", LASERAIM_XPOS, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Laser Aim Y Position", LASERAIM_YPOS, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Number Shots Summed", NUM_SHOTS_SUMMED, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Number Shots Performed", NUM_SHOTS_PERFORMED, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Segment Number", SEGMENT_NUMBER, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"TFM Well", LCMP_TFM_WELL, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Segment Type", SEGMENT_TYPE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Source Region 1", SOURCE_REGION1, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Source Region 2", SOURCE_REGION2, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Reflectron Path Length", REFLECTRON_FIELD_LENGTH, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Reflectron Length", REFLECTRON_LENGTH, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Reflectron Voltage", REFLECTRON_VOLT, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Sample Plate Voltage", SAMPLE_PLATE_VOLT, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Reflectron Path Length Alt", REFLECTRON_FIELD_LENGTH_ALT, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Reflectron Length Alt", REFLECTRON_LENGTH_ALT, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"PSD Major Step", PSD_STEP_MAJOR, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"PSD Minor Step", PSD_STEP_MINOR, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"PSD Factor", PSD_FACTOR_1, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Needle", NEEDLE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Counter Electrode Voltage", COUNTER_ELECTRODE_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Sampling Cone Voltage", SAMPLING_CONE_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Skimmer Lens", SKIMMER_LENS, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Skimmer", SKIMMER, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Probe Temperature", PROBE_TEMPERATURE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Source Temperature", SOURCE_TEMPERATURE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"RF Voltage", RF_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Source Aperture", SOURCE_APERTURE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Source Code", SOURCE_CODE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"LM Resolution", LM_RESOLUTION, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"HM Resolution", HM_RESOLUTION, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Collision Energy", COLLISION_ENERGY, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Ion Energy", ION_ENERGY, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Multiplier One", MULTIPLIER1, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Multiplier Two", MULTIPLIER2, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Transport DC", TRANSPORTDC, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"TOF Aperture", TOF_APERTURE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"ACC Voltage", ACC_VOLTAGE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Steering", STEERING, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Focus", FOCUS, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Entrance", ENTRANCE, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Guard", GUARD, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"TOF", TOF, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Reflectron", REFLECTRON, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Collision RF", COLLISION_RF, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Transport RF", TRANSPORT_RF, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Set Mass", SET_MASS, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"IMS Collision Energy", COLLISION_ENERGY2, SINGLE_FLOAT_FIELD, CHAR_FIELD},
    {"Set Mass Calibration Supported", SET_MASS_CALL_SUPPORTED, CHAR_FIELD, CHAR_FIELD},
    {"Set Mass Calibration", SET_MASS_CALIBRATED, CHAR_FIELD, CHAR_FIELD},
    {"Vesko Enabled", VESKO_ENABLED, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Vesko Start Mass", QUAD_START_MASS, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Vesko End Mass", QUAD_STOP_MASS, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Vesko Peak Width", QUAD_PEAK_WIDTH, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Reference Scan", REFERENCE_SCAN, CHAR_FIELD, CHAR_FIELD},
    {"Use LockMass Correction", USE_LOCKMASS_CORRECTION, CHAR_FIELD, CHAR_FIELD},
    {"LockMass Correction", LOCKMASS_CORRECTION, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Use Temperature Correction", USETEMP_CORRECTION, CHAR_FIELD, CHAR_FIELD},
    {"Temperature Correction", TEMP_CORRECTION, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Temperature Coefficient", TEMP_COEFFICIENT, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"FAIMS Compensation Voltage", FAIMS_COMPENSATION_VOLTAGE, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"TIC A Trace", TIC_TRACE_A, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"TIC B Trace", TIC_TRACE_B, SINGLE_FLOAT_FIELD, SINGLE_FLOAT_FIELD},
    {"Accurate Mass Flag", ACCURATE_MASS, CHAR_FIELD, CHAR_FIELD},
    {"Accurate Mass Diagnostic Flags", ACCURATE_MASS_FLAGS, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Minimum Drift Time Channel", MIN_DRIFT_TIME_CHANNEL, SHORT_INT_FIELD, SHORT_INT_FIELD},
    {"Maximum Drift Time Channel", MAX_DRIFT_TIME_CHANNEL, SHORT_INT_FIELD, SHORT_INT_FIELD},
};
static_assert(std::size(kNamedFields) == 74);

// Places every named entry at the index of its code, stopping at the first
// entry whose code is 0; every other entry stays all zero.
constexpr std::array<ExtendedStatsRecord, MAX_EXTENDEDSTATS_CODE> initFieldNames() {
  std::array<ExtendedStatsRecord, MAX_EXTENDEDSTATS_CODE> table{};
  for (const NamedField& f : kNamedFields) {
    if (f.code == 0) break;
    ExtendedStatsRecord& e = table[static_cast<std::size_t>(f.code)];
    for (std::size_t i = 0; f.name[i] != '\0' && i + 1 < EXTSTATS_FIELDNAME_SIZE; ++i) e.Name[i] = f.name[i];
    e.Code = f.code;
    e.Type = f.type;
  }
  return table;
}

constexpr std::array<int, kMaxStatsFields> defaultTypes() {
  std::array<int, kMaxStatsFields> types{};
  for (const NamedField& f : kNamedFields) types[static_cast<std::size_t>(f.code)] = f.defaultType;
  return types;
}
constexpr std::array<int, kMaxStatsFields> kDefaultTypes = defaultTypes();

enum class MemberKind : std::uint8_t { None, Char, Short, Float };

template <class T>
constexpr MemberKind kindOf() {
  if constexpr (std::is_same_v<T, char>) return MemberKind::Char;
  if constexpr (std::is_same_v<T, short>) return MemberKind::Short;
  static_assert(std::is_same_v<T, float> || std::is_same_v<T, char> || std::is_same_v<T, short>);
  return MemberKind::Float;
}

constexpr unsigned widthOf(MemberKind kind) {
  switch (kind) {
    case MemberKind::Char:
      return 1;
    case MemberKind::Short:
      return 2;
    case MemberKind::Float:
      return 4;
    case MemberKind::None:
      break;
  }
  return 0;
}

struct MemberSlot {
  std::uint16_t offset = 0;
  MemberKind kind = MemberKind::None;
};

struct Binding {
  int id;
  std::size_t offset;
  MemberKind kind;
};

// The kind is taken from the member's declared type, so a binding cannot
// disagree with the record.
#define ZV_BIND(id, member) \
  Binding { id, offsetof(ZVRawExtStatsRecord, member), kindOf<decltype(ZVRawExtStatsRecord::member)>() }

constexpr Binding kBindings[] = {
    ZV_BIND(LINEAR_DETECTOR_VOLTAGE, m_nLinearDetectorVoltage),
    ZV_BIND(LINEAR_SENSITIVITY, m_nLinearSensitivity),
    ZV_BIND(REFLECTRON_LENS_VOLTAGE, m_nReflectronLensVoltage),
    ZV_BIND(REFLECTRON_DETECTOR_VOLTAGE, m_nReflectronDetectorVoltage),
    ZV_BIND(REFLECTRON_SENSITIVITY, m_nReflectronSensitivity),
    ZV_BIND(LASER_REPETITION_RATE, m_nLaserRepetitionRate),
    ZV_BIND(COURSE_LASER_CONTROL, m_nCoarseLaserControl),
    ZV_BIND(FINE_LASER_CONTROL, m_nFineLaserControl),
    ZV_BIND(LASERAIM_XPOS, m_fLaserAimXPos),
    ZV_BIND(LASERAIM_YPOS, m_fLaserAimYPos),
    ZV_BIND(NUM_SHOTS_SUMMED, m_nNumShotsSummed),
    ZV_BIND(NUM_SHOTS_PERFORMED, m_nNumShotsPerformed),
    ZV_BIND(SEGMENT_NUMBER, m_nSegmentNumber),
    ZV_BIND(LCMP_TFM_WELL, m_nTFMWell),
    ZV_BIND(SEGMENT_TYPE, m_nSegmentType),
    ZV_BIND(SOURCE_REGION1, m_fSourceRegion1),
    ZV_BIND(SOURCE_REGION2, m_fSourceRegion2),
    ZV_BIND(REFLECTRON_FIELD_LENGTH, m_fReflectronFieldLength),
    ZV_BIND(REFLECTRON_LENGTH, m_fReflectronLength),
    ZV_BIND(REFLECTRON_VOLT, m_fReflectronVolt),
    ZV_BIND(SAMPLE_PLATE_VOLT, m_nSamplePlateVolt),
    ZV_BIND(REFLECTRON_FIELD_LENGTH_ALT, m_fReflectronFieldLengthAlt),
    ZV_BIND(REFLECTRON_LENGTH_ALT, m_fReflectronLengthAlt),
    ZV_BIND(PSD_STEP_MAJOR, m_fPSDStepMajor),
    ZV_BIND(PSD_STEP_MINOR, m_fPSDStepMinor),
    ZV_BIND(PSD_FACTOR_1, m_fPSDFactor1),
    ZV_BIND(NEEDLE, m_nNeedle),
    ZV_BIND(COUNTER_ELECTRODE_VOLTAGE, m_nCounterElectrodeVoltage),
    ZV_BIND(SAMPLING_CONE_VOLTAGE, m_nSamplingConeVoltage),
    ZV_BIND(SKIMMER_LENS, m_nSkimmerLens),
    ZV_BIND(SKIMMER, m_nSkimmer),
    ZV_BIND(PROBE_TEMPERATURE, m_nProbeTemperature),
    ZV_BIND(SOURCE_TEMPERATURE, m_nSourceTemperature),
    ZV_BIND(RF_VOLTAGE, m_nRFVoltage),
    ZV_BIND(SOURCE_APERTURE, m_nSourceAperture),
    ZV_BIND(SOURCE_CODE, m_nSourceCode),
    ZV_BIND(LM_RESOLUTION, m_nLMResolution),
    ZV_BIND(HM_RESOLUTION, m_nHMResolution),
    ZV_BIND(COLLISION_ENERGY, m_fCollisionEnergy),
    ZV_BIND(ION_ENERGY, m_nIonEnergy),
    ZV_BIND(MULTIPLIER1, m_nMultiplier1),
    ZV_BIND(MULTIPLIER2, m_nMultiplier2),
    ZV_BIND(TRANSPORTDC, m_nTransportDC),
    ZV_BIND(TOF_APERTURE, m_nTOFAperture),
    ZV_BIND(ACC_VOLTAGE, m_nAccVoltage),
    ZV_BIND(STEERING, m_nSteering),
    ZV_BIND(FOCUS, m_nFocus),
    ZV_BIND(ENTRANCE, m_nEntrance),
    ZV_BIND(GUARD, m_nGuard),
    ZV_BIND(TOF, m_nTOF),
    ZV_BIND(REFLECTRON, m_nReflectron),
    ZV_BIND(COLLISION_RF, m_nCollisionRF),
    ZV_BIND(TRANSPORT_RF, m_nTransportRF),
    ZV_BIND(SET_MASS, m_fSetMass),
    ZV_BIND(VESKO_ENABLED, m_nVeskoEnabled),
    ZV_BIND(QUAD_START_MASS, m_fQuadStartMass),
    ZV_BIND(QUAD_STOP_MASS, m_fQuadStopMass),
    ZV_BIND(QUAD_PEAK_WIDTH, m_fQuadPeakWidth),
    ZV_BIND(REFERENCE_SCAN, m_nReferenceScan),
    ZV_BIND(USE_LOCKMASS_CORRECTION, m_nUseLockMassCorrection),
    ZV_BIND(LOCKMASS_CORRECTION, m_fLockMassCorrection),
    ZV_BIND(USETEMP_CORRECTION, m_nUseTempCorrection),
    ZV_BIND(TEMP_CORRECTION, m_fTempCorrection),
    ZV_BIND(TEMP_COEFFICIENT, m_fTempCoefficient),
    ZV_BIND(FAIMS_COMPENSATION_VOLTAGE, m_fFaimsCompensationVolts),
    ZV_BIND(TIC_TRACE_A, m_fTICTraceA),
    ZV_BIND(TIC_TRACE_B, m_fTICTraceB),
    ZV_BIND(ACCURATE_MASS, m_cAccurateMass),
    ZV_BIND(ACCURATE_MASS_FLAGS, m_nAccurateMassFlags),
    ZV_BIND(MIN_DRIFT_TIME_CHANNEL, m_nMinDriftTimeChannel),
    ZV_BIND(MAX_DRIFT_TIME_CHANNEL, m_nMaxDriftTimeChannel),
};
#undef ZV_BIND
// Every named id has a member except 78, 79 and 80.
static_assert(std::size(kBindings) == 71);

constexpr std::array<MemberSlot, kMaxStatsFields> memberTable() {
  std::array<MemberSlot, kMaxStatsFields> slots{};
  for (const Binding& b : kBindings)
    slots[static_cast<std::size_t>(b.id)] = {static_cast<std::uint16_t>(b.offset), b.kind};
  return slots;
}
constexpr std::array<MemberSlot, kMaxStatsFields> kMembers = memberTable();

const MemberSlot* memberOf(unsigned int id) {
  if (id > static_cast<unsigned int>(MAX_FIELD_ID) || kMembers[id].kind == MemberKind::None) return nullptr;
  return &kMembers[id];
}

std::uint8_t* memberBytes(ZVRawExtStatsRecord& record, const MemberSlot& m) {
  return reinterpret_cast<std::uint8_t*>(&record) + m.offset;
}

// Transport RF stored as anything but a short is a float rounded half up and
// truncated toward zero. NaN and values beyond a short saturate: converting
// them unchecked would be undefined.
short roundedTransportRF(float stored) {
  const double v = std::trunc(static_cast<double>(stored) + 0.5);
  if (std::isnan(v)) return 0;
  return static_cast<short>(std::clamp(v, -32768.0, 32767.0));
}

}  // namespace

const std::array<ExtendedStatsRecord, MAX_EXTENDEDSTATS_CODE> StatsRecords = initFieldNames();

unsigned int fieldTypeToSize(unsigned int type) {
  switch (type) {
    case CHAR_FIELD:
      return 1;
    case SHORT_INT_FIELD:
      return 2;
    case LONG_INT_FIELD:
      return 4;
    case SINGLE_FLOAT_FIELD:
      return 4;
    case DOUBLE_FLOAT_FIELD:
      return 8;
    default:
      return 0;
  }
}

unsigned int fieldIDToType(unsigned int id) {
  if (id > static_cast<unsigned int>(MAX_FIELD_ID)) return CHAR_FIELD;
  return static_cast<unsigned int>(kDefaultTypes[id]);
}

StatsFieldCodec::StatsFieldCodec(unsigned int id, unsigned int type)
    : width_(static_cast<std::uint8_t>(fieldTypeToSize(type))) {
  const MemberSlot* m = memberOf(id);
  if (m == nullptr || width_ == 0) return;
  offset_ = m->offset;
  memberWidth_ = static_cast<std::uint8_t>(widthOf(m->kind));
  signed_ = m->kind != MemberKind::Float;
  if (id == TRANSPORT_RF && type != SHORT_INT_FIELD) {
    op_ = Op::Rounded;
  } else if (width_ < memberWidth_) {
    op_ = Op::Widen;
  } else {
    // Id 112 needs no case of its own: a one-byte member takes the first
    // stored byte whatever the width.
    op_ = memberWidth_ == 1 ? Op::Copy1 : memberWidth_ == 2 ? Op::Copy2 : Op::Copy4;
  }
}

void StatsFieldCodec::widen(std::uint8_t* member, const std::uint8_t* stored) const {
  if (signed_)
    copySignedBytes(member, memberWidth_ - width_, stored, width_);
  else
    copyBytes(member, memberWidth_ - width_, stored, width_);
}

void StatsFieldCodec::rounded(ZVRawExtStatsRecord& record, const std::uint8_t* stored) const {
  // A narrower field is zero-filled to a float; a wider one gives its low 4 bytes.
  float f = 0;
  copyBytes(&f, static_cast<unsigned>(sizeof f) - std::min<unsigned>(width_, sizeof f), stored,
            std::min<unsigned>(width_, sizeof f));
  record.m_nTransportRF = roundedTransportRF(f);
}

// The member's low-order bytes in the field's width; a field wider than the
// member is filled with the sign (integer members) or zeros (float members).
void StatsFieldCodec::packOther(const std::uint8_t* member, std::uint8_t* out) const {
  if (op_ == Op::None) return;
  const unsigned n = std::min(width_, memberWidth_);
  if (signed_)
    copySignedBytes(out, width_ - n, member, n);
  else
    copyBytes(out, width_ - n, member, n);
}

// The member receives the stored bytes as its low-order bytes: integer
// members are sign-extended from a narrower field, float members zero-filled.
// A field wider than its member gives only the member's width of low-order
// bytes, so nothing beyond the member is ever written.
int setFieldValueFromBuffer(ZVRawExtStatsRecord& record, unsigned int id, unsigned int type, const char* buffer) {
  if (buffer == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  StatsFieldCodec(id, type).unpack(record, reinterpret_cast<const std::uint8_t*>(buffer));
  return ZVRAW_OK;
}

int getBufferFromFieldValue2(const ZVRawExtStatsRecord& record, unsigned int id, unsigned int type, char*& cursor) {
  if (cursor == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const StatsFieldCodec codec(id, type);
  if (!codec.hasMember()) return ZVRAW_OK;
  codec.pack(record, reinterpret_cast<std::uint8_t*>(cursor));
  cursor += codec.width();
  return ZVRAW_OK;
}

int getBufferFromFieldValue(const ZVRawExtStatsRecord& record, unsigned int id, unsigned int type, char* buffer) {
  return getBufferFromFieldValue2(record, id, type, buffer);
}

int setFieldValueFromString(ZVRawExtStatsRecord& record, unsigned int id, const char* text) {
  if (text == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const MemberSlot* m = memberOf(id);
  if (m == nullptr) return ZVRAW_OK;
  std::uint8_t* dst = memberBytes(record, *m);
  switch (m->kind) {
    case MemberKind::Short: {
      short v = 0;
      std::memcpy(&v, dst, sizeof v);
      value_from_char(v, text);
      std::memcpy(dst, &v, sizeof v);
      break;
    }
    case MemberKind::Float: {
      float v = 0;
      {
        zvraw::CLocaleScope c;
        v = std::strtof(text, nullptr);
      }
      std::memcpy(dst, &v, sizeof v);
      break;
    }
    case MemberKind::Char:
      *dst = static_cast<std::uint8_t>(text[0]);
      break;
    case MemberKind::None:
      break;
  }
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
