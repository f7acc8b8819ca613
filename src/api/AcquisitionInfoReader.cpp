#include "api/AcquisitionInfoReader.h"

#include <climits>
#include <cmath>

#include "api/Parameters.h"
#include "api/ZorvalenRawInfoImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "drift/ZorvalenRawCDCReaderImp.h"
#include "formats/directory/ZVRawExternInfo.h"
#include "formats/portability/CLocale.h"
#include "formats/statistics/ZVRawExtStatsRecord.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace zv = borealtek_zvraw_version_1;

namespace {

// The two candidates of an alternating-energy run may differ by these much
// and no more.
constexpr double kMassTolerance = 0.01;
constexpr double kTimeTolerance = 0.5;
// Drift headers keep the sampling frequency in Hz; the settings carry GHz.
constexpr float kHzPerGHz = 1.0e9f;

bool isSurvey(ZorvalenFunctionType t) { return t == ZorvalenFunctionType::TOFS || t == ZorvalenFunctionType::TOFM; }

// A collision energy as the standard float conversion reads it; none for a
// text that is no number or whose value is not a finite float.
std::optional<float> energyOf(const std::string& text) {
  const std::optional<float> value = leadingFloat(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
}

bool differ(float a, float b, double tolerance) { return std::fabs(a - b) > tolerance; }

}  // namespace

std::shared_ptr<AcquisitionInfo> AcquisitionInfoReader::GetAcquisitionInfo() const {
  Result result;
  if (_infoReader.getDataCluster() != nullptr) {
    const std::vector<FunctionInfo> functions = functionList();
    if (!IsVesko(result) && !IsDDA(functions, result)) (void)IsElvo(functions, result);
  }
  if (!result) result = std::make_shared<AcquisitionInfo>();  // UNKNOWN
  if (_infoReader.getDataCluster() != nullptr) setTofSettings(*result);
  return result;
}

std::vector<FunctionInfo> AcquisitionInfoReader::functionList() const {
  unsigned int count = 0;
  if (_infoReader.GetFunctionCount(count) != ZVRAW_OK) count = 0;
  bool present = false;
  int lockMass = -1;
  if (_infoReader.IsLumaventAcquisition(present, lockMass) != ZVRAW_OK) present = false;
  std::vector<FunctionInfo> functions;
  // The count comes from the descriptor file, one record per function.
  for (unsigned int f = 0; f < count && f <= static_cast<unsigned>(INT_MAX); ++f) {
    const int number = static_cast<int>(f);
    unsigned int scans = 0;
    if (_infoReader.GetScansInFunction(number, scans) != ZVRAW_OK) scans = 0;
    ZorvalenFunctionType type = ZorvalenFunctionType::UNINITIALISED;
    (void)_infoReader.GetFunctionType(number, type);  // keeps UNINITIALISED when it fails
    functions.emplace_back(number, type, scans, present && lockMass == number);
  }
  return functions;
}

std::optional<std::string> AcquisitionInfoReader::scanZeroItem(int function, int fieldId) const {
  std::vector<std::string> texts;
  if (_infoReader.getItemValue(function, 0, {fieldId}, texts) != ZVRAW_OK || texts.size() != 1) return std::nullopt;
  return texts.front();
}

bool AcquisitionInfoReader::IsVesko(Result& result) const {
  if (scanZeroItem(0, zv::VESKO_ENABLED) != "1") return false;
  auto vesko = std::make_shared<VeskoInfo>();
  vesko->SetType(ZorvalenAcquisitionType::VESKO);
  float start = 0, end = 0;
  if (_infoReader.GetPrecursorMassRange(0, start, end) == ZVRAW_OK) {
    vesko->SetPreCursorMassStart(start);
    vesko->SetPreCursorMassEnd(end);
  }
  result = std::move(vesko);
  return true;
}

bool AcquisitionInfoReader::IsDDA(const std::vector<FunctionInfo>& functions, Result& result) const {
  int lockMass = -1;
  std::vector<int> surveys, fragments;
  for (const FunctionInfo& f : functions) {
    if (f.LockMass()) {
      lockMass = f.Number();
      break;
    }
    if (f.Scans() == 0) break;
    if (isSurvey(f.Type()))
      surveys.push_back(f.Number());
    else if (f.Type() == ZorvalenFunctionType::TOFD)
      fragments.push_back(f.Number());
  }
  if (surveys.size() != 1 || fragments.empty()) return false;
  // A fragment function without a set mass is no data-dependent fragment.
  // The text converts as strtod reads it: no number at all reads as 0.
  for (const int f : fragments)
    if (zvraw::strtodC(scanZeroItem(f, zv::SET_MASS).value_or("").c_str(), nullptr) == 0.0) return false;

  auto dda = std::make_shared<DDAInfo>();
  dda->SetType(IsIMS(surveys.front()) ? ZorvalenAcquisitionType::HDDDA : ZorvalenAcquisitionType::DDA);
  dda->SetMS1Function(surveys.front());
  dda->SetLockMassFunction(lockMass);
  dda->SetMS2Functions(std::move(fragments));
  result = std::move(dda);
  return true;
}

bool AcquisitionInfoReader::IsElvo(const std::vector<FunctionInfo>& functions, Result& result) const {
  int lockMass = -1;
  std::vector<int> candidates;
  for (const FunctionInfo& f : functions) {
    if (f.LockMass()) {
      lockMass = f.Number();
      break;
    }
    if (f.Type() == ZorvalenFunctionType::TOFM) candidates.push_back(f.Number());
  }
  if (candidates.size() != 2) return false;
  const int first = candidates[0], second = candidates[1];

  float low[2] = {}, high[2] = {};
  if (_infoReader.GetAcquisitionMassRange(first, 0, low[0], high[0]) != ZVRAW_OK ||
      _infoReader.GetAcquisitionMassRange(second, 0, low[1], high[1]) != ZVRAW_OK)
    return false;
  if (differ(low[0], low[1], kMassTolerance) || differ(high[0], high[1], kMassTolerance)) return false;

  float start[2] = {}, end[2] = {};
  if (_infoReader.GetAcquisitionTimeRange(first, start[0], end[0]) != ZVRAW_OK ||
      _infoReader.GetAcquisitionTimeRange(second, start[1], end[1]) != ZVRAW_OK)
    return false;
  if (differ(start[0], start[1], kTimeTolerance) || differ(end[0], end[1], kTimeTolerance)) return false;

  std::vector<float> energies;
  for (const int f : candidates) {
    const std::optional<std::string> text = scanZeroItem(f, zv::COLLISION_ENERGY);
    if (!text) break;
    if (const std::optional<float> energy = energyOf(*text); energy && *energy > 0) energies.push_back(*energy);
  }
  if (energies.size() != 2 || energies[0] == energies[1]) return false;

  auto elvo = std::make_shared<ElvoInfo>();
  elvo->SetType(IsIMS(first) ? ZorvalenAcquisitionType::HDELVO : ZorvalenAcquisitionType::ELVO);
  elvo->SetLockMassFunction(lockMass);
  // MS1 is the low-energy function.
  const bool firstIsLow = energies[1] > energies[0];
  elvo->SetMS1Function(firstIsLow ? first : second);
  elvo->SetMS2Function(firstIsLow ? second : first);
  result = std::move(elvo);
  return true;
}

bool AcquisitionInfoReader::IsIMS(int function) const {
  ZorvalenRawCDCReaderImp* drift = nullptr;
  if (function < 0 || _infoReader.getDataCluster()->getCDCReader(static_cast<unsigned>(function), drift) != ZVRAW_OK ||
      drift == nullptr)
    return false;
  const CDTReader* data = drift->getCDTReader();
  return data != nullptr && data->GetStatus() == ZVRAW_OK;
}

void AcquisitionInfoReader::setTofSettings(AcquisitionInfo& info) const {
  ZVRawDataCluster* cluster = _infoReader.getDataCluster();
  // Defaults without a file are no instrument's settings.
  const zv::ZVRawExternInfo* settings = nullptr;
  (void)cluster->getExternInfo(settings);
  if (settings != nullptr && !settings->wasRead()) settings = nullptr;

  ZorvalenRawCDCReaderImp* drift = nullptr;
  if (cluster->getCDCReader(0, drift) == ZVRAW_OK && drift != nullptr && drift->GetStatus() == ZVRAW_OK) {
    if (const CDTReader* data = drift->getCDTReader()) {
      const CDTReader::HeaderBlock header = data->GetHeaderBlock();
      info.SetLteff(header.fLteff);
      info.SetVeff(header.fVeff);
      info.SetSampleFrequency(header.fSamplingFrequency / kHzPerGHz);
      if (settings != nullptr) info.SetResolution(settings->getTofResolution());
    }
    return;
  }
  if (settings != nullptr) {
    info.SetLteff(settings->getLteff());
    info.SetVeff(settings->getVeff());
    info.SetSampleFrequency(settings->getADCsampleFrequency());
    info.SetResolution(settings->getTofResolution());
  }
}

}  // namespace Vardex::Lib::ZorvalenRaw
