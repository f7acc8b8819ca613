#include "cluster/StatsSetters.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

#include "formats/statistics/ZVRawExtStatsRecord.h"

using borealtek_zvraw_version_1::ZVRawExtStatsRecord;

namespace {

template <class T>
constexpr StatsMemberKind kindOf() {
  if constexpr (std::is_same_v<T, float>)
    return StatsMemberKind::Float;
  else if constexpr (std::is_same_v<T, short>)
    return StatsMemberKind::Short;
  else {
    static_assert(std::is_same_v<T, char>);
    return StatsMemberKind::Char;
  }
}

#define ZV_SETTER(id, name, member, value)                                                                  \
  StatsSetter {                                                                                             \
    id, name, kindOf<decltype(ZVRawExtStatsRecord::member)>(), value, offsetof(ZVRawExtStatsRecord, member) \
  }

constexpr std::array kSetters{
    ZV_SETTER(1, "setLinearDetectorVoltage", m_nLinearDetectorVoltage, 's'),
    ZV_SETTER(2, "setLinearSensitivity", m_nLinearSensitivity, 's'),
    ZV_SETTER(3, "setReflectronLensVoltage", m_nReflectronLensVoltage, 's'),
    ZV_SETTER(4, "setReflectronDetectorVoltage", m_nReflectronDetectorVoltage, 's'),
    ZV_SETTER(5, "setReflectronSensitivity", m_nReflectronSensitivity, 's'),
    ZV_SETTER(6, "setLaserRepetitionRate", m_nLaserRepetitionRate, 's'),
    ZV_SETTER(7, "setCoarseLaserControl", m_nCoarseLaserControl, 's'),
    ZV_SETTER(8, "setFineLaserControl", m_nFineLaserControl, 's'),
    ZV_SETTER(9, "setLaserAimXPos", m_fLaserAimXPos, 'f'),
    ZV_SETTER(10, "setLaserAimYPos", m_fLaserAimYPos, 'f'),
    ZV_SETTER(11, "setNumShotsSummed", m_nNumShotsSummed, 's'),
    ZV_SETTER(12, "setNumShotsPerformed", m_nNumShotsPerformed, 's'),
    ZV_SETTER(13, "setSegmentNumber", m_nSegmentNumber, 's'),
    ZV_SETTER(50, "setNeedle", m_nNeedle, 's'),
    ZV_SETTER(51, "setCounterElectrodeVoltage", m_nCounterElectrodeVoltage, 's'),
    ZV_SETTER(52, "setSamplingConeVoltage", m_nSamplingConeVoltage, 's'),
    ZV_SETTER(53, "setSkimmerLens", m_nSkimmerLens, 's'),
    ZV_SETTER(54, "setSkimmer", m_nSkimmer, 's'),
    ZV_SETTER(55, "setProbeTemperature", m_nProbeTemperature, 's'),
    ZV_SETTER(56, "setSourceTemperature", m_nSourceTemperature, 's'),
    ZV_SETTER(57, "setRFVoltage", m_nRFVoltage, 's'),
    ZV_SETTER(58, "setSourceAperture", m_nSourceAperture, 's'),
    ZV_SETTER(59, "setSourceCode", m_nSourceCode, 's'),
    ZV_SETTER(60, "setLMResolution", m_nLMResolution, 's'),
    ZV_SETTER(61, "setHMResolution", m_nHMResolution, 's'),
    ZV_SETTER(62, "setCollisionEnergy", m_fCollisionEnergy, 'f'),
    ZV_SETTER(63, "setIonEnergy", m_nIonEnergy, 's'),
    ZV_SETTER(64, "setMultiplier1", m_nMultiplier1, 's'),
    ZV_SETTER(65, "setMultiplier2", m_nMultiplier2, 's'),
    ZV_SETTER(66, "setTransportDC", m_nTransportDC, 's'),
    ZV_SETTER(67, "setTOFAperture", m_nTOFAperture, 's'),
    ZV_SETTER(68, "setAccVoltage", m_nAccVoltage, 's'),
    ZV_SETTER(69, "setSteering", m_nSteering, 's'),
    ZV_SETTER(70, "setFocus", m_nFocus, 's'),
    ZV_SETTER(71, "setEntrance", m_nEntrance, 's'),
    ZV_SETTER(72, "setGuard", m_nGuard, 's'),
    ZV_SETTER(73, "setTOF", m_nTOF, 's'),
    ZV_SETTER(74, "setReflectron", m_nReflectron, 's'),
    ZV_SETTER(75, "setCollisionRF", m_nCollisionRF, 's'),
    ZV_SETTER(76, "setTransportRF", m_nTransportRF, 's'),
    ZV_SETTER(77, "setSetMass", m_fSetMass, 'f'),
    ZV_SETTER(81, "setVeskoEnabled", m_nVeskoEnabled, 's'),
    ZV_SETTER(82, "setQuadStartMass", m_fQuadStartMass, 'f'),
    ZV_SETTER(83, "setQuadStopMass", m_fQuadStopMass, 'f'),
    ZV_SETTER(84, "setQuadPeakWidth", m_fQuadPeakWidth, 'f'),
    ZV_SETTER(100, "setReferenceScan", m_nReferenceScan, 's'),
    ZV_SETTER(101, "setUseLockMassCorrection", m_nUseLockMassCorrection, 's'),
    ZV_SETTER(102, "setLockMassCorrection", m_fLockMassCorrection, 'f'),
    ZV_SETTER(103, "setUseTempCorrection", m_nUseTempCorrection, 's'),
    ZV_SETTER(104, "setTempCorrection", m_fTempCorrection, 'f'),
    ZV_SETTER(105, "setTempCoefficient", m_fTempCoefficient, 'f'),
    ZV_SETTER(106, "setFaimsCompensationVoltage", m_fFaimsCompensationVolts, 'f'),
    ZV_SETTER(107, "setTICTraceA", m_fTICTraceA, 'f'),
    ZV_SETTER(108, "setTICTraceB", m_fTICTraceB, 'f'),
    ZV_SETTER(112, "setAccurateMass", m_cAccurateMass, 'c'),
    ZV_SETTER(113, "setAccurateMassFlags", m_nAccurateMassFlags, 's'),
};
#undef ZV_SETTER

static_assert(kSetters.size() == 56);
static_assert(std::ranges::is_sorted(kSetters, {}, &StatsSetter::nID));

}  // namespace

std::span<const StatsSetter> statsSetters() { return kSetters; }

setStatsRecordRoutineV getSetRoutine(int nFieldID) {
  const auto* it = std::ranges::lower_bound(kSetters, nFieldID, {}, &StatsSetter::nID);
  return it != kSetters.end() && it->nID == nFieldID ? &*it : nullptr;
}

bool statsStoreOp(char cType, const StatsSetter& setter, StatsStoreOp& op) {
  int row = 0;
  switch (cType) {
    case 's':
      row = 0;
      break;
    case 'f':
      row = 3;
      break;
    case 'c':
      row = 6;
      break;
    default:
      return false;
  }
  const int column = setter.eKind == StatsMemberKind::Short ? 0 : setter.eKind == StatsMemberKind::Float ? 1 : 2;
  op = static_cast<StatsStoreOp>(row + column);
  return true;
}

void storeStatsValue(ZVRawExtStatsRecord& record, const StatsSetter& setter, char cType, const void* pValue) {
  StatsStoreOp op{};
  if (!statsStoreOp(cType, setter, op)) return;
  applyStatsStore(op, reinterpret_cast<unsigned char*>(&record) + setter.nOffset,
                  static_cast<const unsigned char*>(pValue));
}
