#include "acquisition/BatchSampleRecordImp.h"

#include <filesystem>
#include <initializer_list>
#include <system_error>

#include "acquisition/ProfileKeys.h"
#include "api/ProcessParametersImp.h"
#include "formats/portability/IniFileUtil.h"
#include "zorvalen/ZorvalenRawDefs.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

using Item = ZorvalenSampleListItem;

struct NamedKey {
  const char* key;
  int item;
};

constexpr int id(Item item) { return static_cast<int>(item); }
constexpr int id(ZorvalenBatchItem item) { return static_cast<int>(item); }

constexpr NamedKey kBatchKeys[] = {
    {"Batch File Name", id(ZorvalenBatchItem::SAMPLELIST_NAME)},
    {"First Sample", id(ZorvalenBatchItem::FIRST_SAMPLE)},
    {"Last Sample", id(ZorvalenBatchItem::LAST_SAMPLE)},
    {"Current Sample", id(ZorvalenBatchItem::CURRENT_SAMPLE)},
    {"Batch User Name", id(ZorvalenBatchItem::BATCH_USER_NAME)},
};

constexpr NamedKey kSampleKeys[] = {
    {"Data File Name", id(Item::FILE_NAME)},
    {"Sample Description", id(Item::FILE_TEXT)},
    {"MS File", id(Item::MS_FILE)},
    {"MS Tune File", id(Item::MS_TUNE_FILE)},
    {"Inlet File", id(Item::INLET_FILE)},
    {"Inlet Prerun", id(Item::INLET_PRERUN)},
    {"Inlet Postrun", id(Item::INLET_POSTRUN)},
    {"Inlet Switch", id(Item::INLET_SWITCH)},
    {"AS File", id(Item::AUTO_FILE)},
    {"Process", id(Item::PROCESS)},
    {"Process Parameters", id(Item::PROCESS_PARAMS)},
    {"Process Options", id(Item::PROCESS_OPTIONS)},
    {"Acqu Process", id(Item::ACQU_PROCESS_FILE)},
    {"Acqu Process Parameters", id(Item::ACQU_PROCESS_PARAMS)},
    {"Acqu Process Options", id(Item::ACQU_PROCESS_OPTIONS)},
    {"Action On Error", id(Item::PROCESS_ACTION)},
    {"Sample Location", id(Item::SAMPLE_LOCATION)},
    {"Sample Group", id(Item::SAMPLE_GROUP)},
    {"Job Code", id(Item::JOB)},
    {"Task Code", id(Item::TASK)},
    {"User Name", id(Item::USER)},
    {"Submitter", id(Item::SUBMITTER)},
    {"Conditions", id(Item::CONDITIONS)},
    {"Sample Type", id(Item::TYPE)},
    {"Control", id(Item::CONTROL)},
    {"Sample ID", id(Item::ID)},
    {"FractionFile", id(Item::FRACTION_FILE)},
    {"FractionStart", id(Item::FRACTION_START)},
    {"UserDivisor1", id(Item::USER_DIVISOR_1)},
    {"UserFactor1", id(Item::USER_FACTOR_1)},
    {"UserFactor2", id(Item::USER_FACTOR_2)},
    {"UserFactor3", id(Item::USER_FACTOR_3)},
    {"HPLC File", id(Item::HPLC_FILE)},
    {"Quan Reference", id(Item::QUAN_REF)},
    {"Auto Addition", id(Item::AUTO_ADDITION)},
    {"Molfile", id(Item::MOLFILE)},
    {"Subject Text", id(Item::SUBJECTTEXT)},
    {"Subject Time", id(Item::SUBJECTTIME)},
    {"Quan Method File", id(Item::METH_DB)},
    {"Quan Curve Database", id(Item::CURVE_DB)},
    {"Subject Sex", id(Item::SUBJECT_GENDER)},
    {"Subject Species", id(Item::SUBJECT_SPECIES)},
    {"Retention Time Offset", id(Item::RETENTION_TIME_OFFSET)},
    {"Prep Injection Volume", id(Item::PREP_INJ_VOL)},
    {"Quality Reference", id(Item::QUALITY_REFERENCE)},
    {"MITFile", id(Item::MIT_FILE)},
    {"Reinjections", id(Item::REINJECTIONS)},
    {"Cartridge Location 1", id(Item::CARTRIDGE_LOCATION_1)},
    {"Cartridge Location 2", id(Item::CARTRIDGE_LOCATION_2)},
};

// Keys word1 .. wordN map to the items first .. first + N - 1.
struct NumberedKeys {
  const char* word;
  int count;
  int first;
};

constexpr NumberedKeys kNumberedKeys[] = {
    {"Concentration", 20, id(Item::CONC_A)}, {"Wavelength", 10, id(Item::WAVELENGTH_A)},
    {"Mass", 30, id(Item::MASS_A)},          {"Fraction", 10, id(Item::FRACTION_1)},
    {"Spare", 5, id(Item::SPARE_1)},
};

const std::string kBatch = "Batch";
const std::string kSample = "Sample";

}  // namespace

BatchSampleRecordImp::BatchSampleRecordImp() {
  for (const NamedKey& k : kBatchKeys) _stringToId.emplace(std::pair(kBatch, k.key), k.item);
  for (const NamedKey& k : kSampleKeys) _stringToId.emplace(std::pair(kSample, k.key), k.item);
  for (const NumberedKeys& k : kNumberedKeys)
    for (int n = 1; n <= k.count; ++n)
      _stringToId.emplace(std::pair(kSample, k.word + std::to_string(n)), k.first + n - 1);
}

int BatchSampleRecordImp::Initialise() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
  if (ec) {
    _fileName.clear();
    return ZVRAW_INIFILE_OPEN_ERROR;
  }
  _fileName = (folder / "ZVCurSmp.txt").string();
  return ZVRAW_OK;
}

int BatchSampleRecordImp::getBatchSampleRecord(ProcessParametersImp* parameters) {
  if (parameters == nullptr) return ZVRAW_NULL_PARAMETERS;
  parameters->Clear();
  IniFileUtil ini;
  _statusCode = readMappedIniFile(_fileName, ini);
  if (_statusCode != ZVRAW_OK) return _statusCode;
  storeFoundValues(ini, _stringToId, *parameters);
  return _statusCode;
}

}  // namespace Vardex::Lib::ZorvalenRaw
