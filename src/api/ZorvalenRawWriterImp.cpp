#include "api/ZorvalenRawWriterImp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <limits>
#include <type_traits>
#include <vector>

#include "api/FiniteValues.h"
#include "api/FirstFailure.h"
#include "api/FunctionDescriptor.h"
#include "api/WriterValues.h"
#include "formats/directory/RunComponents.h"
#include "formats/portability/SysPaths.h"

namespace Vardex::Lib::ZorvalenRaw {

namespace {

// Arrays of a call: present wherever a positive count says they hold points.
bool given(const void* a, const void* b, long long count) { return count <= 0 || (a != nullptr && b != nullptr); }

// The run's longest file names ("_functns.inf", "_func001.dat").
constexpr std::size_t kLongestRunFileName = 12;

// The directories along path that do not exist yet, deepest first: those
// a failed preparation takes back.
std::vector<std::string> missingDirectories(const std::string& path) {
  std::vector<std::string> missing;
  std::string prefix;
  while (getNextSubDir(path, prefix)) {
    struct stat st {};
    if (::lstat(prefix.c_str(), &st) != 0 && errno == ENOENT) missing.insert(missing.begin(), prefix);
  }
  return missing;
}

// 0, or 4 when function fn's file names ("_func0100.dat" from the 100th
// function on, a byte longer than the first ones) would not fit a path beside
// the directory: such a function is refused before anything of it is written.
int functionNamesFit(const std::string& dir, int fn) {
  if (fn < 0 || fn == std::numeric_limits<int>::max()) return ZVRAW_OK;  // no such number: refused elsewhere
  std::string name;
  return getZVRawFunctionFile(dir, name, fn + 1);
}

}  // namespace

ZorvalenRawWriterImp::ZorvalenRawWriterImp() : HandleObject(HandleKind::Writer) {}

ZorvalenRawWriterImp::~ZorvalenRawWriterImp() {
  // The sub-writers borrow the write interface, which refers to the cluster.
  m_pHeaderWriter.reset();
  m_pzvScanWriter.reset();
  m_pAnalogWriter.reset();
  _CDTWriter.reset();
  _externWriter.reset();
  m_pzvRawWriteInterface.reset();
  m_pzvRawCluster.reset();
}

int ZorvalenRawWriterImp::Initialise(const std::string& path) {
  m_pzvRawCluster = std::make_unique<ZVRawDataCluster>();
  m_pzvRawWriteInterface = std::make_unique<ZVRawWriteInterface>(*m_pzvRawCluster);
  _currentFunction = -1;
  m_nPreparation = prepare(path);
  return m_nPreparation;
}

int ZorvalenRawWriterImp::prepare(const std::string& path) {
  // Every file of the run must fit a path beside the directory, or the run
  // would fail scans in, its first files already written.
  if (path.size() + 1 + kLongestRunFileName > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  const std::vector<std::string> made = missingDirectories(path);
  int rc = m_pzvRawWriteInterface->prepareDataCluster(path.c_str(), 0);
  // A run over an earlier one would be read with every old file it does not
  // rewrite: such a target is refused whole, and nothing in it is touched.
  if (rc == ZVRAW_OK) rc = zvraw::checkNoRunIn(path);
  // The header is written now: a target that takes no file says so here.
  if (rc == ZVRAW_OK) rc = GetHeaderWriter()->Close();
  if (rc != ZVRAW_OK)
    for (const std::string& dir : made) (void)::rmdir(dir.c_str());  // deepest first; only what is still empty
  return rc;
}

// ---- sub-writers ----

ZorvalenRawScanWriterImp* ZorvalenRawWriterImp::GetScanWriter() {
  if (!m_pzvScanWriter) m_pzvScanWriter = std::make_unique<ZorvalenRawScanWriterImp>(m_pzvRawWriteInterface.get());
  return m_pzvScanWriter.get();
}

ZorvalenRawExternWriterImp* ZorvalenRawWriterImp::GetExternWriter() {
  if (!_externWriter) _externWriter = std::make_unique<ZorvalenRawExternWriterImp>();
  return _externWriter.get();
}

ZorvalenRawAnalogWriterImp* ZorvalenRawWriterImp::GetAnalogWriter() {
  if (!m_pAnalogWriter) {
    m_pAnalogWriter = std::make_unique<ZorvalenRawAnalogWriterImp>();
    (void)m_pAnalogWriter->Initialise(GetRawFilePath());  // always 0
  }
  return m_pAnalogWriter.get();
}

ZorvalenRawHeaderWriterImp* ZorvalenRawWriterImp::GetHeaderWriter() {
  if (!m_pHeaderWriter) m_pHeaderWriter = std::make_unique<ZorvalenRawHeaderWriterImp>(m_pzvRawWriteInterface.get());
  return m_pHeaderWriter.get();
}

std::string ZorvalenRawWriterImp::GetRawFilePath() const {
  std::array<char, 256> path{};
  if (!m_pzvRawCluster || m_pzvRawCluster->getRawFilePath(path.data()) != ZVRAW_OK) return {};
  path.back() = '\0';
  return path.data();
}

// ---- functions ----

int ZorvalenRawWriterImp::AppendFunction(const Parameters& definition) {
  return appendFunction(definition, nullptr, 0, false);
}

int ZorvalenRawWriterImp::AppendFunction(const Parameters& definition, const ZorvalenScanItem* items, int n) {
  return appendFunction(definition, items, n, true);
}

int ZorvalenRawWriterImp::appendFunction(const Parameters& keys, const ZorvalenScanItem* items, int n,
                                         bool withItems) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (withItems && n < 0) return ZVRAW_PARAMETER_INVALID;
  if (withItems && !given(items, items, n)) return ZVRAW_NULL_PARAMETERS;
  FunctionDescriptor definition;
  if (const int rc = definition.SetParameters(keys); rc != ZVRAW_OK) return rc;
  // Refused scan items start nothing, like any other refused definition.
  if (withItems)
    if (ExtendedStats layout; const int rc = layout.Initalise(items, n)) return rc;
  if (definition.IsCDT())
    if (const int rc = ZorvalenRawCDTWriter::CheckFunction(
            definition.GetLteff(), definition.GetVeff(), definition.GetSamplingFrequency(),
            definition.GetStartMass(), definition.GetEndMass(), static_cast<int>(definition.GetScansInBlock()));
        rc != ZVRAW_OK)
      return rc;
  if (const int rc = checkGridMasses(definition); rc != ZVRAW_OK) return rc;
  if (const int rc = functionNamesFit(GetRawFilePath(), _currentFunction + 1); rc != ZVRAW_OK) return rc;

  // The previous function's last write comes first: when it fails, nothing
  // of the new function exists yet.
  ZorvalenRawScanWriterImp& scans = *GetScanWriter();
  if (const int rc = noteScanWrites(scans.Flush()); rc != ZVRAW_OK) return rc;
  if (const int rc = closeDrift(); rc != ZVRAW_OK) return rc;
  const int fn = _currentFunction + 1;
  std::unique_ptr<ZorvalenRawCDTWriter> drift;
  if (definition.IsCDT()) {
    drift = std::make_unique<ZorvalenRawCDTWriter>();
    int rc = drift->Initalise(GetRawFilePath(), static_cast<unsigned int>(fn));
    if (rc == ZVRAW_OK)
      rc = drift->AppendFunction(definition.GetLteff(), definition.GetVeff(), definition.GetSamplingFrequency(),
                                 definition.GetStartMass(), definition.GetEndMass(),
                                 static_cast<int>(definition.GetScansInBlock()));
    if (rc != ZVRAW_OK) {
      drift->Discard();  // not started: no drift files for the next function of this number
      return rc;
    }
  }
  const int rc = noteScanWrites(withItems ? scans.AppendFunction(fn, definition, items, n)
                                           : scans.AppendFunction(fn, definition));
  if (scans.GetFunctionNumber() != fn) {  // not started: the previous function stays current
    if (drift) drift->Discard();
    return rc;
  }
  _CDTWriter = std::move(drift);
  _currentFunction = fn;
  m_nDriftFailure = ZVRAW_OK;
  if (rc == ZVRAW_OK) SetExternValues(keys);
  return rc;
}

int ZorvalenRawWriterImp::AppendFunction(int fn, const ZVRawFunctionDescriptor& record, bool centroid) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (const int rc = functionNamesFit(GetRawFilePath(), fn); rc != ZVRAW_OK) return rc;
  ZorvalenRawScanWriterImp& scans = *GetScanWriter();
  int rc = noteScanWrites(scans.AppendFunction(fn, record, centroid));
  if (scans.GetFunctionNumber() == fn && fn != _currentFunction) {
    keepFirst(rc, closeDrift());
    _CDTWriter.reset();  // a record makes no drift function
    _currentFunction = fn;
    m_nDriftFailure = ZVRAW_OK;
  }
  return rc;
}

int ZorvalenRawWriterImp::closeDrift() {
  // A close that loses the drift files' last bytes is their function's last
  // failed write.
  const int rc = _CDTWriter ? _CDTWriter->CloseBlock() : ZVRAW_OK;
  noteLost(rc);
  return rc;
}

void ZorvalenRawWriterImp::SetExternValues(const Parameters& definition) {
  Parameters values;
  bool any = false;
  for (const FunctionDefinition key :
       {FunctionDefinition::LTEFF, FunctionDefinition::VEFF, FunctionDefinition::RESOLUTION})
    any = definition.Copy(static_cast<int>(key), values) || any;
  if (any) (void)GetExternWriter()->SetValues(values);  // read as floats by the definition already
}

// ---- scans ----

int ZorvalenRawWriterImp::AddScan(const float* masses, const float* intensities, int n, float rt) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (!given(masses, intensities, n)) return ZVRAW_NULL_PARAMETERS;
  return noteScanWrites(GetScanWriter()->AddScan(masses, intensities, n, rt));
}

int ZorvalenRawWriterImp::AddScan(const float* masses, const float* intensities, int n, const Parameters& values,
                                  float rt) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (!given(masses, intensities, n)) return ZVRAW_NULL_PARAMETERS;
  return noteScanWrites(GetScanWriter()->AddScan(masses, intensities, n, values, rt));
}

int ZorvalenRawWriterImp::AddScan(const ZVSpectrum& spectrum, float rt) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  return noteScanWrites(GetScanWriter()->AddScan(spectrum, rt));
}

int ZorvalenRawWriterImp::AddScan(const ZVSpectrum& spectrum, const void* record, float rt) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  return noteScanWrites(GetScanWriter()->AddScan(spectrum, record, rt));
}

int ZorvalenRawWriterImp::AddCombinedCDTScan(const float* masses, const float* intensities, int n, float rt,
                                             const Parameters* values) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (!given(masses, intensities, n)) return ZVRAW_NULL_PARAMETERS;
  ZorvalenRawScanWriterImp& scans = *GetScanWriter();
  return noteScanWrites(values != nullptr ? scans.AddCombinedCDTScan(masses, intensities, n, *values, rt)
                                          : scans.AddCombinedCDTScan(masses, intensities, n, rt));
}

int ZorvalenRawWriterImp::AddScan(const unsigned int* massIndex, const unsigned int* intensity, unsigned int datasize,
                                  const unsigned int* scans, unsigned int scansize, float rt,
                                  const Parameters* values) {
  return addBlock(massIndex, intensity, datasize, scans, scansize, rt, values);
}

int ZorvalenRawWriterImp::AddScan(const float* masses, const float* intensities, unsigned int datasize,
                                  const unsigned int* scans, unsigned int scansize, float rt,
                                  const Parameters* values) {
  return addBlock(masses, intensities, datasize, scans, scansize, rt, values);
}

template <class Point, class Value>
int ZorvalenRawWriterImp::addBlock(const Point* points, const Value* values, unsigned int datasize,
                                   const unsigned int* scans, unsigned int scansize, float rt,
                                   const Parameters* items) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (!given(points, values, datasize) || !given(scans, scans, scansize)) return ZVRAW_NULL_PARAMETERS;
  if (!_CDTWriter) return ZVRAW_WRITER_CDT_NO_FUNCTION;
  // A block is written only while its summed spectrum can follow as the
  // function's next scan.
  ZorvalenRawScanWriterImp& scanWriter = *GetScanWriter();
  if (m_nDriftFailure != ZVRAW_OK) return m_nDriftFailure;
  if (const int rc = scanWriter.acceptsScans(); rc != ZVRAW_OK) return rc;
  FunctionDescriptor& definition = *scanWriter.GetFunctionDescriptor();
  // Rebinning would spread masses the readers drop over the grid unseen.
  if constexpr (std::is_same_v<Point, float>)
    if (const int rc = checkDriftMasses(points, datasize, scans, scansize, massBoundsOf(definition)); rc != ZVRAW_OK)
      return rc;
  // Values refused once the block is in the files would end the function.
  if (ExtendedStats* layout = definition.GetStatsDescriptor(); layout != nullptr && items != nullptr) {
    char* record = nullptr;
    if (const int rc = layout->ConvertStats(*items, record); rc != ZVRAW_OK) return rc;
  }
  if (const int rc = _CDTWriter->AddBlock(points, values, datasize, scans, scansize, rt); rc != ZVRAW_OK) {
    noteLost(_CDTWriter->GetFailure());  // a refused block is not lost; a failed write is
    return rc;
  }
  float* masses = nullptr;
  float* intensities = nullptr;
  int count = 0;
  int rc = _CDTWriter->GetRawScan(masses, intensities, count);
  if (rc == ZVRAW_OK)
    rc = items != nullptr
             ? scanWriter.AddCombinedCDTScan(masses, intensities, count, *items, rt)
             : scanWriter.AddScan(ZVSpectrum(masses, intensities, static_cast<unsigned int>(count)), rt);
  noteScanWrites(rc);
  // The block is in the files: a block without its scan ends the function,
  // and the readers never see the block.
  if (rc != ZVRAW_OK) {
    m_nDriftFailure = rc;
    noteLost(rc);
  }
  return rc;
}

// ---- header, traces, lock mass ----

int ZorvalenRawWriterImp::AddTrace(const Parameters& channel, const float* times, const float* values, int n) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  if (n < 0) return ZVRAW_PARAMETER_INVALID;
  if (!given(times, values, n)) return ZVRAW_NULL_PARAMETERS;
  // The channel file would keep NaN and infinity, which no trace holds.
  const auto count = static_cast<std::size_t>(n);
  if (!allFinite(times, count) || !allFinite(values, count)) return ZVRAW_PARAMETER_INVALID;
  ZorvalenRawAnalogWriterImp& analog = *GetAnalogWriter();
  (void)analog.AppendChannel(channel);  // always 0
  // Past the checks above only a failed write refuses a trace: it is lost.
  const int rc = analog.AddTrace(times, values, n);
  noteLost(rc);
  return rc;
}

int ZorvalenRawWriterImp::SetHeader(const Parameters& items) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  return GetHeaderWriter()->SetHeader(items);
}

int ZorvalenRawWriterImp::SetLockMass(float lockMass, float tolerance) {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  GetScanWriter()->SetLockMass(lockMass, tolerance);
  return ZVRAW_OK;
}

// ---- writing ----

int ZorvalenRawWriterImp::Close() {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  // What the run lost stays lost: a caller who checks only the close learns of it.
  int first = m_nRunFailure;
  if (m_pAnalogWriter) keepFirst(first, m_pAnalogWriter->Close());
  keepFirst(first, GetHeaderWriter()->Close());
  keepFirst(first, GetExternWriter()->Write(GetRawFilePath()));
  keepFirst(first, closeDrift());  // blocks a failed close loses stay lost
  keepFirst(first, noteScanWrites(GetScanWriter()->Close()));
  // The readers open no directory without a function: the caller learns
  // here, not at the first open.
  if (_currentFunction < 0) keepFirst(first, ZVRAW_DATACLUSTER_INVALID);
  return first;
}

int ZorvalenRawWriterImp::Flush() {
  if (m_nPreparation != ZVRAW_OK) return m_nPreparation;
  int first = m_nRunFailure;
  keepFirst(first, noteScanWrites(GetScanWriter()->Flush()));
  return first;
}

int ZorvalenRawWriterImp::noteScanWrites(int rc) {
  if (m_pzvScanWriter) noteLost(m_pzvScanWriter->RunFailure());
  return rc;
}

void ZorvalenRawWriterImp::noteLost(int rc) { keepFirst(m_nRunFailure, rc); }

}  // namespace Vardex::Lib::ZorvalenRaw
