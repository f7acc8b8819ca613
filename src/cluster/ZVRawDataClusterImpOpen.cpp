// Opening a raw directory, building the function data, and preparing an
// empty cluster for writing.

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "cluster/ZVRawDataClusterImp.h"
#include "drift/ZorvalenRawCDCReaderMgrImp.h"
#include "formats/portability/AllocationGuard.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

using namespace borealtek_zvraw_version_1;

namespace {

constexpr float kNoHighCutoff = -1.0f;

// Function types that mark the last function as the reference (lock-mass)
// function when no scan carries the reference flag.
constexpr unsigned int kReferenceTypeA = 15, kReferenceTypeB = 18;

}  // namespace

ZVRawDataClusterImp::ZVRawDataClusterImp() : m_pDataInfo(zvraw::CountedRef<ZVRawDataClusterInfo>::make()) {}

ZVRawDataClusterImp::ZVRawDataClusterImp(const char* cRawFileName, unsigned int nReadData, bool bCalibrate,
                                         bool bKeepCompressed)
    : m_pDataInfo(zvraw::CountedRef<ZVRawDataClusterInfo>::make()),
      m_bKeepCompressed(bKeepCompressed),
      m_bCalibrate(bCalibrate) {
  if (readInitialise(cRawFileName, true) == ZVRAW_OK && nReadData == 1) (void)loadData(bCalibrate, bKeepCompressed);
}

ZVRawDataClusterImp::ZVRawDataClusterImp(const ZVRawDataClusterImp& imp)
    : m_pDataInfo(imp.m_pDataInfo),
      m_bKeepCompressed(imp.m_bKeepCompressed),
      m_bCalibrate(imp.m_bCalibrate),
      m_fPercentLoaded(imp.m_fPercentLoaded.load()),
      m_bUseTemperatureCorrection(imp.m_bUseTemperatureCorrection) {
  if (!m_pDataInfo) m_pDataInfo = zvraw::CountedRef<ZVRawDataClusterInfo>::make();
  if (readInitialise(imp.m_cRawFileName.c_str(), false) == ZVRAW_OK &&
      imp.m_pfLowMassCutoff.size() == m_nFunctionCount && imp.m_pfHighMassCutoff.size() == m_nFunctionCount) {
    m_pfLowMassCutoff = imp.m_pfLowMassCutoff;
    m_pfHighMassCutoff = imp.m_pfHighMassCutoff;
  }
}

ZVRawDataClusterImp::~ZVRawDataClusterImp() { Clean(true); }

ZVRawFunctionScanIndices* ZVRawDataClusterImp::indices() const {
  return m_pDataInfo ? m_pDataInfo->m_pScanIndices.get() : nullptr;
}
const ZVRawFunctionDescriptors* ZVRawDataClusterImp::descriptors() const {
  return m_pDataInfo ? m_pDataInfo->m_pDescriptors.get() : nullptr;
}
const ZVRawHeader* ZVRawDataClusterImp::header() const { return m_pDataInfo ? m_pDataInfo->m_pHeader.get() : nullptr; }
const ZVRawExtendedStats* ZVRawDataClusterImp::extStats() const {
  return m_pDataInfo ? m_pDataInfo->m_pExtStats.get() : nullptr;
}

ZVRawDataClusterImp::ZVRawFunctionData* ZVRawDataClusterImp::getFunctionData(unsigned int nFuncNum) const {
  return nFuncNum < m_ppFunctions.size() ? m_ppFunctions[nFuncNum].get() : nullptr;
}

int ZVRawDataClusterImp::setRawFilePath(const char* cFilePath) {
  const std::string_view path = cFilePath != nullptr ? cFilePath : "";
  // A cut path can name another directory: refused, never cut.
  if (path.size() > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  m_cRawFileName.assign(path);
  return ZVRAW_OK;
}

void ZVRawDataClusterImp::Clean(bool bCleanAll) {
  {
    const std::lock_guard lock(m_functionsGuard);
    m_ppFunctions.clear();
  }
  m_pfLowMassCutoff.clear();
  m_pfHighMassCutoff.clear();
  m_pnDataTypes.clear();
  m_pnExtendedFormatFlags.clear();
  m_pAttachedLumavent.reset();
  m_lumaventAttachedTo.clear();
  if (bCleanAll && m_pDataInfo) {
    m_pDataInfo->leave(this);
    m_pDataInfo.reset();
  }
  m_eInitialised = ZVRawDataCluster_UNINITIALISED;
}

// Opening: analog channels, descriptors, function count, data-format table;
// then, unless another cluster already read them into the shared record,
// index, header, statistics and instrument settings; then the function data,
// the lock-mass gain table, the drift-reader manager and the two mobility
// calibrations. A failure up to the function data stops the open.
int ZVRawDataClusterImp::readInitialise(const char* cRawFileName, bool bCleanAll) {
  // Memory that runs out part way leaves no half-open cluster.
  const std::optional<int> opened = zvraw::guardAllocation(
      [&]() -> std::optional<int> { return openDirectory(cRawFileName, bCleanAll); }, std::nullopt);
  if (opened) return *opened;
  m_eInitialised = ZVRawDataCluster_UNINITIALISED;
  return m_nInitialiseResult = ZVRAW_MEMALLOC_ERROR;
}

int ZVRawDataClusterImp::openDirectory(const char* cRawFileName, bool bCleanAll) {
  m_nInitialiseResult = ZVRAW_OK;
  const int pathResult = setRawFilePath(cRawFileName);
  Clean(bCleanAll);
  if (pathResult != ZVRAW_OK) return m_nInitialiseResult = pathResult;
  if (!m_pDataInfo) m_pDataInfo = zvraw::CountedRef<ZVRawDataClusterInfo>::make();
  ZVRawDataClusterInfo& info = *m_pDataInfo;
  const bool ownRecord = info.getRef() == 1;

  auto analog = std::make_shared<ZVRawAnalog>();
  (void)analog->read(m_cRawFileName);  // a directory without analog channels is usual
  if (!ownRecord) info.retire(std::move(info.m_pAnalog));
  info.m_pAnalog = std::move(analog);

  // A record shared with a cluster whose open failed holds no usable files.
  if (!ownRecord && !info.m_bRecordRead) return m_nInitialiseResult = ZVRAW_DATACLUSTER_INVALID;
  if (ownRecord) {
    info.m_bRecordRead = false;
    info.m_pDescriptors = std::make_unique<ZVRawFunctionDescriptors>();
    if ((m_nInitialiseResult = info.m_pDescriptors->readDescriptors(m_cRawFileName.c_str())) != ZVRAW_OK)
      return m_nInitialiseResult;
  }
  if ((m_nInitialiseResult = setFunctionCount()) != ZVRAW_OK) return m_nInitialiseResult;
  if ((m_nInitialiseResult = initDataTypes(true)) != ZVRAW_OK) return m_nInitialiseResult;
  if (ownRecord) {
    const int rc = readRecordFiles();
    // Without statistics files the open goes on, with 46 as its result until
    // the function data are built.
    if (rc != ZVRAW_OK && rc != ZVRAW_STATSFILE_FILEREADOPEN_ERROR) return m_nInitialiseResult = rc;
    m_nInitialiseResult = rc;
    info.m_bRecordRead = true;
  }

  m_nInitialiseResult = InitialiseFunctionData();
  info.join(this);
  loadLumavent(ownRecord);

  auto manager = std::make_shared<Vardex::Lib::ZorvalenRaw::ZorvalenRawCDCReaderMgrImp>(m_cRawFileName, &info);
  if (!ownRecord) info.retire(std::move(info.m_pCDCReaderMgr));
  info.m_pCDCReaderMgr = std::move(manager);

  auto vesko = std::make_shared<ZVRawVeskoCalibration>();
  info.m_pVeskoCalibration = vesko->Read(m_cRawFileName.c_str()) == ZVRAW_OK ? std::move(vesko) : nullptr;

  info.m_CCSStatus = loadCCSCalibration();
  return m_nInitialiseResult;
}

int ZVRawDataClusterImp::readRecordFiles() {
  ZVRawDataClusterInfo& info = *m_pDataInfo;
  info.m_pScanIndices = std::make_unique<ZVRawFunctionScanIndices>(m_nFunctionCount);
  info.m_pHeader = std::make_unique<ZVRawHeader>(m_nFunctionCount);
  info.m_pExtStats = std::make_unique<ZVRawExtendedStats>(m_nFunctionCount, info.m_pScanIndices.get());
  info.m_pExternInfo = std::make_unique<ZVRawExternInfo>();
  const char* path = m_cRawFileName.c_str();
  int rc = info.m_pScanIndices->readIndices(path, m_pnDataTypes.data(), m_pnExtendedFormatFlags.data());
  if (rc != ZVRAW_OK) return rc;
  // The mass ranges once more, now that the index is read: a run still being
  // written may have widened them over scans the index counts since the
  // descriptors were read.
  if ((rc = info.m_pDescriptors->refreshMassRanges()) != ZVRAW_OK) return rc;
  if ((rc = info.m_pHeader->readHeader(m_cRawFileName)) != ZVRAW_OK) return rc;
  rc = info.m_pExtStats->readStats(m_cRawFileName);
  if (rc != ZVRAW_OK && rc != ZVRAW_STATSFILE_FILEREADOPEN_ERROR) return rc;
  (void)info.m_pExternInfo->readExternInfo(path, static_cast<int>(m_nFunctionCount));
  return rc;
}

void ZVRawDataClusterImp::loadLumavent(bool ownRecord) {
  unsigned int function = 0, scans = 0;
  bool present = false;
  if (getLumaventInfo(function, present, scans) != ZVRAW_OK || !present) return;
  std::shared_ptr<ZVRawExternalLumavent> table = m_pDataInfo->m_pExternalLumavent;
  // A shared record's table is the one its other clusters read with, which
  // a correction made since their open may have replaced: the file is read
  // only for a record of its own.
  if (ownRecord) {
    table = std::make_shared<ZVRawExternalLumavent>();
    if (table->initialise(m_cRawFileName) != ZVRAW_OK) table.reset();
    m_pDataInfo->m_pExternalLumavent = table;
  }
  if (!table) return;
  std::vector<bool> withScans(m_nFunctionCount, false);
  for (unsigned int f = 0; f < m_nFunctionCount; ++f) {
    unsigned int n = 0;
    withScans[f] = indices()->getScansInFunction(f, n) == ZVRAW_OK && n > 0;
  }
  attachLumavent(std::move(table), std::move(withScans));
}

void ZVRawDataClusterImp::attachLumavent(std::shared_ptr<ZVRawExternalLumavent> table, std::vector<bool> functions) {
  functions.resize(m_ppFunctions.size(), false);
  for (std::size_t f = 0; f < m_ppFunctions.size(); ++f)
    (void)m_ppFunctions[f]->setExternalObject(functions[f] ? table.get() : nullptr);
  m_pAttachedLumavent = table ? std::move(table) : nullptr;
  m_lumaventAttachedTo = m_pAttachedLumavent ? std::move(functions) : std::vector<bool>{};
}

int ZVRawDataClusterImp::setFunctionCount() {
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  return d->getDescriptorCount(m_nFunctionCount);
}

void ZVRawDataClusterImp::lendRecordObjects(ZVRawFunctionData& data, unsigned int f) const {
  (void)data.setFunctionNumber(f);
  (void)data.setExternalObjects(descriptors(), indices(), extStats());
  (void)data.setHeldDataFiles(m_heldDataFiles);
}

int ZVRawDataClusterImp::InitialiseFunctionData() {
  FunctionDataArray fresh(m_nFunctionCount);
  for (unsigned int f = 0; f < m_nFunctionCount; ++f) {
    fresh[f] = std::make_unique<ZVRawFunctionData>();
    ZVRawFunctionData& data = *fresh[f];
    const FunctionCalibration* calibration = nullptr;
    if (header() && header()->getCalibration(static_cast<int>(f), calibration) == ZVRAW_OK)
      (void)data.setCalibration(calibration);
    lendRecordObjects(data, f);
    // Rebuilt data keep what the old ones were given after they were made.
    (void)data.setUseTemperatureCorrection(m_bUseTemperatureCorrection);
    if (f < m_lumaventAttachedTo.size() && m_lumaventAttachedTo[f])
      (void)data.setExternalObject(m_pAttachedLumavent.get());
  }
  {
    const std::lock_guard lock(m_functionsGuard);
    m_ppFunctions.swap(fresh);
  }
  m_pfLowMassCutoff.assign(m_nFunctionCount, 0.0f);
  m_pfHighMassCutoff.assign(m_nFunctionCount, kNoHighCutoff);
  m_eInitialised = ZVRawDataCluster_UNLOADED;
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::InitialiseFunctionData(unsigned int nFuncNum) {
  if (nFuncNum >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  ZVRawFunctionData* data = getFunctionData(nFuncNum);
  if (data == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  return data->clean();
}

int ZVRawDataClusterImp::initDataTypes(bool bGetTypesFromDescriptors) {
  m_pnDataTypes.clear();
  m_pnExtendedFormatFlags.clear();
  if (m_nFunctionCount == 0) return ZVRAW_ERROR;
  m_pnDataTypes.assign(m_nFunctionCount, 0);
  m_pnExtendedFormatFlags.assign(m_nFunctionCount, 0);
  if (!bGetTypesFromDescriptors) return ZVRAW_OK;
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  for (unsigned int f = 0; f < m_nFunctionCount; ++f) {
    bool extended = false;
    if (int rc = d->getDataFormat(f, m_pnDataTypes[f]); rc != ZVRAW_OK) return rc;
    if (int rc = d->getExtendedFormatFlag(f, extended); rc != ZVRAW_OK) return rc;
    m_pnExtendedFormatFlags[f] = extended ? 1 : 0;
  }
  return validateDataTypes();
}

int ZVRawDataClusterImp::validateDataTypes() const {
  constexpr unsigned int kLastFormat = 13;
  const bool valid = std::ranges::all_of(m_pnDataTypes, [](unsigned int t) { return t <= kLastFormat; });
  return valid ? ZVRAW_OK : ZVRAW_DATATYPE_UNSUPPORTED;
}

// The reference (lock-mass) function: the last function whose scan-0
// statistics carry the reference flag (the byte 1 or the character '1');
// else the last function when its type is one of the two reference types.
// Either way it needs scans, and a lone function never counts.
int ZVRawDataClusterImp::getLumaventInfo(unsigned int& nLumaventFunction, bool& bLumaventPresent,
                                         unsigned int& nLumaventScans) const {
  nLumaventFunction = 0;
  bLumaventPresent = false;
  nLumaventScans = 0;
  if (m_nFunctionCount < 2) return ZVRAW_OK;
  if (const ZVRawExtendedStats* stats = extStats()) {
    for (unsigned int f = 0; f < m_nFunctionCount; ++f) {
      // A copy: the open builds no function's records.
      ZVRawExtStatsRecord record;
      if (stats->copyStatsRecord(f, 0, record) != ZVRAW_OK) continue;
      if (record.m_nReferenceScan == 1 || record.m_nReferenceScan == '1') {
        nLumaventFunction = f;
        bLumaventPresent = true;
      }
    }
  }
  if (bLumaventPresent) {
    const int rc = getTotalScans(nLumaventFunction, nLumaventScans);
    if (rc == ZVRAW_OK && nLumaventScans > 0) return ZVRAW_OK;
    bLumaventPresent = false;
    return rc;
  }
  const unsigned int last = m_nFunctionCount - 1;
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  unsigned int type = 0;
  if (int rc = d->getFunctionType(last, type); rc != ZVRAW_OK) return rc;
  if (type != kReferenceTypeA && type != kReferenceTypeB) return ZVRAW_OK;
  const int rc = getTotalScans(last, nLumaventScans);
  if (rc == ZVRAW_OK && nLumaventScans > 0) {
    nLumaventFunction = last;
    bLumaventPresent = true;
  }
  return rc;
}

int ZVRawDataClusterImp::loadCCSCalibration() {
  if (!m_pDataInfo) return ZVRAW_MOBILITY_CALIBRATION_INVALID;
  std::unique_ptr<CCSCalculator> calculator;
  const int rc = borealtek_zvraw_version_1::loadCCSCalibration(m_cRawFileName, calculator);
  // A failed read leaves the record's calculator to other clusters; the
  // status, which every query checks first, says it is not this one's.
  if (rc == ZVRAW_OK) m_pDataInfo->m_pCCSCalculator = std::move(calculator);
  return rc;
}

namespace {

// A conversion that yields no finite number (a charge of 0, a cross section
// of 0, a value past the float range) has no result to hand out: 57, and the
// output keeps what it held.
int finiteResult(double value, float& out) {
  const auto v = static_cast<float>(value);
  if (!std::isfinite(v)) return ZVRAW_PARAMETER_INVALID;
  out = v;
  return ZVRAW_OK;
}

}  // namespace

int ZVRawDataClusterImp::getCollisionalCrossSection(const float& drift, const float& mass, const int& charge,
                                                    float& fCCS) const {
  if (!m_pDataInfo) return ZVRAW_DATACLUSTER_INVALID;
  if (m_pDataInfo->m_CCSStatus == ZVRAW_OK && m_pDataInfo->m_pCCSCalculator)
    return finiteResult(m_pDataInfo->m_pCCSCalculator->CCS(drift, mass, charge), fCCS);
  return m_pDataInfo->m_CCSStatus;
}

int ZVRawDataClusterImp::getDriftTime(const float& ccs, const float& mass, const int& charge, float& drift) const {
  if (!m_pDataInfo) return ZVRAW_DATACLUSTER_INVALID;
  if (m_pDataInfo->m_CCSStatus == ZVRAW_OK && m_pDataInfo->m_pCCSCalculator)
    return finiteResult(m_pDataInfo->m_pCCSCalculator->DT(ccs, mass, charge), drift);
  return m_pDataInfo->m_CCSStatus;
}

int ZVRawDataClusterImp::getVeskoCalibration(ZVRawVeskoCalibration& calibration) const {
  if (!m_pDataInfo || !m_pDataInfo->m_pVeskoCalibration) return ZVRAW_VESKO_CALIBRATION_INVALID;
  calibration = *m_pDataInfo->m_pVeskoCalibration;
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::getFunctionDescriptorImp(unsigned int nWhichFunc, ZVRawFunctionDescriptorImp*& pImp) const {
  if (nWhichFunc >= m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  const ZVRawFunctionDescriptors* d = descriptors();
  if (d == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  pImp = d->getDescriptorImp(nWhichFunc);
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::getFunctionCount(unsigned int& nCount) const {
  nCount = m_nFunctionCount;
  return ZVRAW_OK;
}

// ---- preparing an empty cluster for writing ----

int ZVRawDataClusterImp::writeInitialise(unsigned int nFuncCount) {
  if (!m_pDataInfo) m_pDataInfo = zvraw::CountedRef<ZVRawDataClusterInfo>::make();
  ZVRawDataClusterInfo& info = *m_pDataInfo;
  if (!info.m_pScanIndices) info.m_pScanIndices = std::make_unique<ZVRawFunctionScanIndices>(nFuncCount);
  if (!info.m_pHeader) info.m_pHeader = std::make_unique<ZVRawHeader>(nFuncCount);
  if (!info.m_pExtStats) info.m_pExtStats = std::make_unique<ZVRawExtendedStats>(nFuncCount);
  if (!info.m_pDescriptors) info.m_pDescriptors = std::make_unique<ZVRawFunctionDescriptors>(nFuncCount);
  if (!hasFunctionData()) {
    m_nFunctionCount = nFuncCount;
    FunctionDataArray fresh(nFuncCount);
    for (unsigned int f = 0; f < nFuncCount; ++f) {
      fresh[f] = std::make_unique<ZVRawFunctionData>();
      lendRecordObjects(*fresh[f], f);
    }
    const std::lock_guard lock(m_functionsGuard);
    m_ppFunctions.swap(fresh);
  }
  (void)initDataTypes(false);
  return ZVRAW_OK;
}

int ZVRawDataClusterImp::appendFunctions(unsigned int nFuncsToAppend) {
  if (nFuncsToAppend > std::numeric_limits<unsigned int>::max() - m_nFunctionCount) return ZVRAW_FUNCNUM_INVALID;
  if (!m_pDataInfo) m_pDataInfo = zvraw::CountedRef<ZVRawDataClusterInfo>::make();
  ZVRawDataClusterInfo& info = *m_pDataInfo;
  const unsigned int total = m_nFunctionCount + nFuncsToAppend;
  int rc = ZVRAW_OK;
  if (info.m_pScanIndices)
    rc = info.m_pScanIndices->appendFunctions(nFuncsToAppend);
  else
    info.m_pScanIndices = std::make_unique<ZVRawFunctionScanIndices>(total);
  if (rc != ZVRAW_OK) return rc;
  if (info.m_pExtStats)
    rc = info.m_pExtStats->appendFunctions(nFuncsToAppend);
  else
    info.m_pExtStats = std::make_unique<ZVRawExtendedStats>(total);
  if (rc != ZVRAW_OK) return rc;
  if (info.m_pDescriptors)
    rc = info.m_pDescriptors->appendFunctions(nFuncsToAppend);
  else
    info.m_pDescriptors = std::make_unique<ZVRawFunctionDescriptors>(total);
  if (rc != ZVRAW_OK) return rc;
  if (!info.m_pHeader) info.m_pHeader = std::make_unique<ZVRawHeader>(total);

  {
    const std::lock_guard lock(m_functionsGuard);
    m_ppFunctions.resize(total);
    for (unsigned int f = 0; f < total; ++f) {
      if (!m_ppFunctions[f]) m_ppFunctions[f] = std::make_unique<ZVRawFunctionData>();
      lendRecordObjects(*m_ppFunctions[f], f);
    }
  }
  // Cut-offs, where there are any, cover every function.
  if (!m_pfLowMassCutoff.empty()) {
    m_pfLowMassCutoff.resize(total, 0.0f);
    m_pfHighMassCutoff.resize(total, kNoHighCutoff);
  }
  m_nFunctionCount = total;
  (void)initDataTypes(false);
  return ZVRAW_OK;
}
