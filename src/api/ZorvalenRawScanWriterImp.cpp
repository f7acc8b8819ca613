#include "api/ZorvalenRawScanWriterImp.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "api/FiniteValues.h"
#include "api/FirstFailure.h"
#include "api/WriterValues.h"
#include "formats/directory/ZVRawFunctionDescriptorImp.h"
#include "formats/index/ZVRawFunctionScanIndexImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace Vardex::Lib::ZorvalenRaw {

using borealtek_zvraw_version_1::ZVRawBatchStep;
using borealtek_zvraw_version_1::ZVRawFunctionDescriptor_NonMaldi;

namespace {

constexpr unsigned int kAccurateMassFormat = 13;  // the format that stores sigmas and mass flags
constexpr char kNegativeIntensitySigma = 2;
constexpr char kNegativeMassSigma = 1;
constexpr char kLockMassPeak = 1;
constexpr unsigned int kIonModeBase = 100;

// A copy of n values; zeros where there is no source.
template <class T>
std::unique_ptr<T[]> copyOf(const T* source, std::size_t n) {
  if (n == 0) return nullptr;
  if (source == nullptr) return std::make_unique<T[]>(n);  // value-initialised: zeros
  auto out = std::make_unique_for_overwrite<T[]>(n);
  std::copy_n(source, n, out.get());
  return out;
}

// 0, or the code of a spectrum the writer refuses before looking further.
// The packed formats hold no NaN or infinity: such a value would read back
// as another number.
int checkSpectrum(const float* masses, const float* intensities, int n, float rt) {
  if (n < 0 || !std::isfinite(rt)) return ZVRAW_PARAMETER_INVALID;
  if (n > 0 && (masses == nullptr || intensities == nullptr)) return ZVRAW_NULL_PARAMETERS;
  const auto count = static_cast<std::size_t>(n);
  return allFinite(masses, count) && allFinite(intensities, count) ? ZVRAW_OK : ZVRAW_PARAMETER_INVALID;
}

// 0, or 57 for points the readers would not give back as queued.
int checkPoints(const float* masses, const float* intensities, std::size_t n, const MassBounds& bounds) {
  if (const int rc = checkMasses(masses, n, bounds); rc != ZVRAW_OK) return rc;
  return checkIntensities(intensities, n);
}

}  // namespace

ZorvalenRawScanWriterImp::ZorvalenRawScanWriterImp(ZVRawWriteInterface* writeInterface)
    : m_pzvRawWriteInterface(writeInterface) {}

ZorvalenRawScanWriterImp::~ZorvalenRawScanWriterImp() { ClearFunctionDescriptors(); }

// ---- state ----

FunctionDescriptor* ZorvalenRawScanWriterImp::GetFunctionDescriptor() const {
  const auto it = m_functionDescriptors.find(m_nCurrentFunction);
  return it != m_functionDescriptors.end() ? it->second.get() : nullptr;
}

int ZorvalenRawScanWriterImp::DataType() const {
  const FunctionDescriptor* d = GetFunctionDescriptor();
  return d != nullptr ? static_cast<int>(d->DataType()) : -1;
}

bool ZorvalenRawScanWriterImp::IsLumaventFunction() const {
  const FunctionDescriptor* d = GetFunctionDescriptor();
  return d != nullptr && d->IsLumaventFunction();
}

int ZorvalenRawScanWriterImp::ExtendedStatsSize() const {
  const FunctionDescriptor* d = GetFunctionDescriptor();
  ExtendedStats* stats = d != nullptr ? d->GetStatsDescriptor() : nullptr;
  return stats != nullptr ? stats->GetDescriptor()->getRecordSize() : 0;
}

void ZorvalenRawScanWriterImp::SetLockMass(const float& lockMass, const float& tolerance) {
  m_fLockMass = lockMass;
  m_fTolerance = tolerance;
}

int ZorvalenRawScanWriterImp::SetIonMode(const unsigned int& publicValue, FunctionDescriptor& definition) {
  return definition.SetIonMode(publicValue - kIonModeBase);  // a value below 100 wraps far above 13
}

int ZorvalenRawScanWriterImp::acceptsScans() const {
  if (m_nCurrentFunction < 0) return ZVRAW_ERROR;
  if (m_nFailure != ZVRAW_OK) return m_nFailure;
  return GetFunctionDescriptor() != nullptr ? ZVRAW_OK : ZVRAW_ERROR;
}

int ZorvalenRawScanWriterImp::acceptsFunction(int fn) const {
  if (m_pzvRawWriteInterface == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  // A function defined again would restart its scan count under scans already written.
  if (fn < 0 || m_functionDescriptors.contains(fn)) return ZVRAW_FUNCNUM_INVALID;
  return ZVRAW_OK;
}

// ---- functions ----

int ZorvalenRawScanWriterImp::startFunction(int fn, std::unique_ptr<FunctionDescriptor> definition, bool calibrated,
                                            std::unique_ptr<ScanManager> grid) {
  FunctionDescriptor& d = *definition;
  SetFunctionDescriptor(fn, std::move(definition));
  SetFunctionNumber(fn);
  m_nFailure = ZVRAW_OK;
  _scanManager = std::move(grid);
  const int rc = m_pzvRawWriteInterface->setFunctionDescriptor(static_cast<unsigned int>(fn), *d.GetDescriptor(),
                                                               d.GetContinuum(), calibrated);
  if (rc != ZVRAW_OK) {  // not a function of the directory: it takes no scans
    m_functionDescriptors.erase(fn);
    _scanManager.reset();
    m_nFailure = rc;
  }
  return rc;
}

int ZorvalenRawScanWriterImp::AppendFunction(const int& fn, const FunctionDescriptor& definition) {
  if (const int rc = acceptsFunction(fn); rc != ZVRAW_OK) return rc;
  auto copy = std::make_unique<FunctionDescriptor>();
  if (const int rc = copy->Initalise(definition); rc != ZVRAW_OK) return rc;
  if (const int rc = Flush(true); rc != ZVRAW_OK) return rc;
  auto grid = std::make_unique<ScanManager>(copy->GetLteff(), copy->GetVeff(), copy->GetSamplingFrequency(),
                                            copy->GetStartMass(), copy->GetEndMass());
  const bool calibrated = !copy->IsCDT();
  return startFunction(fn, std::move(copy), calibrated, std::move(grid));
}

int ZorvalenRawScanWriterImp::AppendFunction(const int& fn, const FunctionDescriptor& definition,
                                             const ZorvalenScanItem* items, const int& n) {
  // Refused items start no function: a caller who fixes the list and
  // retries gets the number this call would have taken.
  auto stats = std::make_unique<ExtendedStats>();
  if (const int rc = stats->Initalise(items, n); rc != ZVRAW_OK) return rc;
  if (const int rc = AppendFunction(fn, definition); rc != ZVRAW_OK) return rc;
  if (n == 0) return ZVRAW_OK;
  // A layout the write interface refused would leave records with nowhere to go.
  if (const int rc =
          m_pzvRawWriteInterface->setExtendedStatsDescriptor(static_cast<unsigned int>(fn), *stats->GetDescriptor());
      rc != ZVRAW_OK)
    return rc;
  GetFunctionDescriptor()->SetStats(std::move(stats));
  return ZVRAW_OK;
}

int ZorvalenRawScanWriterImp::AppendFunction(const int& fn, const ZVRawFunctionDescriptor& record,
                                             const bool& centroid) {
  if (const int rc = acceptsFunction(fn); rc != ZVRAW_OK) return rc;
  const auto* imp = record.getImp();
  if (imp == nullptr || descriptorKind(*imp) != DescriptorKind::NonMaldi) return ZVRAW_ERROR;
  // A code too wide for _functns.inf would fail every later rewrite of it.
  if (!imp->fitsFileWidths()) return ZVRAW_PARAMETER_INVALID;
  if (const int rc = Flush(true); rc != ZVRAW_OK) return rc;
  auto copy = std::make_unique<FunctionDescriptor>(
      ZVRawFunctionDescriptor_NonMaldi(static_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp&>(*imp)));
  // Every descriptor rewrite passes this flag on: it must say what was asked.
  copy->SetContinuum(!centroid);
  return startFunction(fn, std::move(copy), true, nullptr);
}

// ---- scans ----

int ZorvalenRawScanWriterImp::addFloatScan(const float* masses, const float* intensities, int n, float rt,
                                           const Parameters* values, bool combined) {
  if (const int rc = acceptsScans(); rc != ZVRAW_OK) return rc;
  const FunctionDescriptor& d = *GetFunctionDescriptor();
  if (d.IsCDT() != combined) return ZVRAW_WRITER_CDT_ADD_SCAN_ERROR;
  if (const int rc = checkSpectrum(masses, intensities, n, rt); rc != ZVRAW_OK) return rc;
  const auto count = static_cast<std::size_t>(n);
  // A summed drift spectrum lies on the function's grid, which the given masses only bound.
  if (const int rc = checkPoints(masses, intensities, count, combined ? MassBounds{} : massBoundsOf(d));
      rc != ZVRAW_OK)
    return rc;
  char* record = nullptr;
  if (values != nullptr && d.GetStatsDescriptor() != nullptr)
    if (const int rc = d.GetStatsDescriptor()->ConvertStats(*values, record); rc != ZVRAW_OK) return rc;
  if (combined || !d.GetContinuum() || !_scanManager || !_scanManager->Valid())
    return queueScan({masses, intensities, nullptr, nullptr, count}, rt, record);
  _scanManager->Resample(masses, intensities, n);
  std::vector<float> gridMasses, gridIntensities;
  _scanManager->ZeroGuard(gridMasses, gridIntensities);
  // Rebinning sums neighbours: the sum too must be in the format's reach.
  if (const int rc = checkIntensities(gridIntensities.data(), gridIntensities.size()); rc != ZVRAW_OK) return rc;
  return queueScan({gridMasses.data(), gridIntensities.data(), nullptr, nullptr, gridMasses.size()}, rt, record);
}

int ZorvalenRawScanWriterImp::AddScan(const float* masses, const float* intensities, const int& n, const float& rt) {
  return addFloatScan(masses, intensities, n, rt, nullptr, false);
}

int ZorvalenRawScanWriterImp::AddScan(const float* masses, const float* intensities, const int& n,
                                      const Parameters& values, const float& rt) {
  return addFloatScan(masses, intensities, n, rt, &values, false);
}

int ZorvalenRawScanWriterImp::AddCombinedCDTScan(const float* masses, const float* intensities, const int& n,
                                                 const float& rt) {
  return addFloatScan(masses, intensities, n, rt, nullptr, true);
}

int ZorvalenRawScanWriterImp::AddCombinedCDTScan(const float* masses, const float* intensities, const int& n,
                                                 const Parameters& values, const float& rt) {
  return addFloatScan(masses, intensities, n, rt, &values, true);
}

int ZorvalenRawScanWriterImp::addSpectrum(const ZVSpectrum& spectrum, const void* record, float rt) {
  if (const int rc = acceptsScans(); rc != ZVRAW_OK) return rc;
  const unsigned int n = spectrum.getSize();
  if (n > kScanIndexMaxPeaks) return ZVRAW_PARAMETER_INVALID;
  if (const int rc = checkSpectrum(spectrum.getMasses(), spectrum.getIntensities(), static_cast<int>(n), rt);
      rc != ZVRAW_OK)
    return rc;
  if (const int rc = checkPoints(spectrum.getMasses(), spectrum.getIntensities(), n, {}); rc != ZVRAW_OK) return rc;
  return queueScan(
      {spectrum.getMasses(), spectrum.getIntensities(), spectrum.getMassSigmas(), spectrum.getIntensitySigmas(), n}, rt,
      record);
}

int ZorvalenRawScanWriterImp::AddScan(const ZVSpectrum& spectrum, const float& rt) {
  return addSpectrum(spectrum, nullptr, rt);
}

int ZorvalenRawScanWriterImp::AddScan(const ZVSpectrum& spectrum, const void* record, const float& rt) {
  return addSpectrum(spectrum, record, rt);
}

void ZorvalenRawScanWriterImp::markLockMass(const ScanPoints& points, char* peakFlags) const {
  const ZVSpectrum spectrum(points.masses, points.intensities, static_cast<unsigned int>(points.n));
  unsigned int base = 0;
  if (spectrum.getBasePeak(base, m_fLockMass - m_fTolerance, m_fLockMass + m_fTolerance) == ZVRAW_OK)
    peakFlags[base] |= kLockMassPeak;
}

int ZorvalenRawScanWriterImp::queueScan(const ScanPoints& points, float rt, const void* record) {
  // An index record counts 22 bits of points; a larger scan would fail its whole batch.
  if (points.n > kScanIndexMaxPeaks) return ZVRAW_PARAMETER_INVALID;
  FunctionDescriptor& d = *GetFunctionDescriptor();
  const std::size_t n = points.n;
  const bool accurate = d.DataType() == kAccurateMassFormat;

  // Everything is allocated before anything changes: a failed allocation queues nothing.
  auto masses = copyOf(points.masses, n);
  auto intensities = copyOf(points.intensities, n);
  // Flags only for a scan that has one: a scan without packs as all zeros.
  std::unique_ptr<char[]> peakFlags;
  const auto flags = [&] {
    if (!peakFlags) peakFlags = copyOf<char>(nullptr, n);
    return peakFlags.get();
  };
  auto massFlags = accurate ? copyOf<char>(nullptr, n) : nullptr;
  if (points.massSigmas != nullptr && points.intensitySigmas != nullptr) {
    for (std::size_t k = 0; k < n; ++k) {
      if (points.intensitySigmas[k] < 0) flags()[k] = kNegativeIntensitySigma;
      if (massFlags && points.massSigmas[k] < 0) massFlags[k] = kNegativeMassSigma;
    }
  }
  if (d.IsLumaventFunction() && n > 0) markLockMass(points, flags());
  std::unique_ptr<float[]> massSigmas, intensitySigmas;
  if (accurate) {  // a spectrum without sigmas stores zeros
    massSigmas = copyOf(points.massSigmas, n);
    intensitySigmas = copyOf(points.intensitySigmas, n);
  }
  if (m_nCurrentScan < 0) AllocateScanMemory();
  const auto recordSize = static_cast<std::size_t>(ExtendedStatsSize());
  if (recordSize > 0 && m_pStatsBuffer.empty()) AllocateStatsMemory();

  if (n > 0) m_queuedRanges.add(masses[0], masses[n - 1], rt);
  const auto slot = static_cast<std::size_t>(++m_nCurrentScan);
  m_ppfMasses.set(slot, std::move(masses));
  m_ppfIntensities.set(slot, std::move(intensities));
  m_ppcPeakFlags.set(slot, std::move(peakFlags));
  if (accurate) {
    m_ppfMassSigmas.set(slot, std::move(massSigmas));
    m_ppfIntensitySigmas.set(slot, std::move(intensitySigmas));
    m_ppcMassFlags.set(slot, std::move(massFlags));
  }
  m_pdRT[slot] = rt;
  m_pnSizes[slot] = static_cast<unsigned int>(n);
  if (recordSize > 0) {  // every scan of a function with items has its record, zeros without values
    char* to = m_pStatsBuffer.data() + slot * recordSize;
    if (record != nullptr)
      std::memcpy(to, record, recordSize);
    else
      std::fill_n(to, recordSize, 0);
    m_nCurrentStat = static_cast<int>(slot);
  }
  return Flush(false);
}

int ZorvalenRawScanWriterImp::AddStats(const void* record) {
  if (const int rc = acceptsScans(); rc != ZVRAW_OK) return rc;
  const auto recordSize = static_cast<std::size_t>(ExtendedStatsSize());
  if (recordSize == 0) return ZVRAW_OK;
  if (record == nullptr) return ZVRAW_NULL_PARAMETERS;
  if (m_nCurrentStat < 0) return ZVRAW_ERROR;
  std::memcpy(m_pStatsBuffer.data() + static_cast<std::size_t>(m_nCurrentStat) * recordSize, record, recordSize);
  return ZVRAW_OK;
}

// ---- batches ----

void ZorvalenRawScanWriterImp::QueuedRanges::add(float low, float high, float rt) {
  if (!any) {
    *this = {true, low, high, rt, rt};
    return;
  }
  lowMass = std::min(lowMass, low);
  highMass = std::max(highMass, high);
  firstRT = std::min(firstRT, rt);
  lastRT = std::max(lastRT, rt);
}

void ZorvalenRawScanWriterImp::QueuedRanges::applyTo(FunctionDescriptor& definition) const {
  if (!any) return;
  // As scan by scan: each end of each range moves only outwards.
  definition.SetRanges(lowMass, highMass, firstRT);
  definition.SetRanges(lowMass, highMass, lastRT);
}

void ZorvalenRawScanWriterImp::AllocateScanMemory() {
  const bool accurate = DataType() == static_cast<int>(kAccurateMassFormat);
  for (BatchArrays<float>* t : {&m_ppfMasses, &m_ppfIntensities}) t->allocate(m_nBatch);
  m_ppcPeakFlags.allocate(m_nBatch);
  if (accurate) {
    for (BatchArrays<float>* t : {&m_ppfMassSigmas, &m_ppfIntensitySigmas}) t->allocate(m_nBatch);
    m_ppcMassFlags.allocate(m_nBatch);
  }
  m_pdRT.assign(m_nBatch, 0.0);
  m_pnSizes.assign(m_nBatch, 0);
}

void ZorvalenRawScanWriterImp::AllocateStatsMemory() {
  m_pStatsBuffer.assign(static_cast<std::size_t>(m_nBatch) * static_cast<std::size_t>(ExtendedStatsSize()), 0);
  ResetCurrentStat();
}

void ZorvalenRawScanWriterImp::ClearScanMemory() {
  for (BatchArrays<float>* t : {&m_ppfMasses, &m_ppfIntensities, &m_ppfMassSigmas, &m_ppfIntensitySigmas}) t->clear();
  m_ppcPeakFlags.clear();
  m_ppcMassFlags.clear();
  m_pdRT.clear();
  m_pnSizes.clear();
  m_queuedRanges = {};
  ResetCurrentScan();
}

void ZorvalenRawScanWriterImp::ClearStatsMemory() {
  m_pStatsBuffer.clear();
  ResetCurrentStat();
}

void ZorvalenRawScanWriterImp::ClearFunctionDescriptors() { m_functionDescriptors.clear(); }

void ZorvalenRawScanWriterImp::SetFunctionDescriptor(int fn, std::unique_ptr<FunctionDescriptor> definition) {
  m_functionDescriptors[fn] = std::move(definition);
}

int ZorvalenRawScanWriterImp::Flush() { return Flush(true); }

int ZorvalenRawScanWriterImp::Close() { return Flush(true); }

int ZorvalenRawScanWriterImp::Flush(bool force) {
  if (!force && GetNumberOfScans() < m_nBatch) return ZVRAW_OK;
  // A batch writes the descriptors itself, before the index that commits it.
  const bool batch = GetNumberOfScans() > 0;
  int first = FlushScans();
  if (!batch) keepFirst(first, writeFunctionDescriptors());
  if (first != ZVRAW_OK && m_nCurrentFunction >= 0 && m_nFailure == ZVRAW_OK) m_nFailure = first;
  keepFirst(m_nRunFailure, first);
  return first;
}

int ZorvalenRawScanWriterImp::FlushScans() {
  const int rc = GetNumberOfScans() > 0 ? writeBatch() : ZVRAW_OK;
  // A batch that failed takes its records with it: they would belong to no scan.
  ClearScanMemory();
  ClearStatsMemory();
  return rc;
}

int ZorvalenRawScanWriterImp::writeBatch() {
  FunctionDescriptor& d = *GetFunctionDescriptor();  // scans are queued only under a definition
  const auto fn = static_cast<unsigned int>(m_nCurrentFunction);
  const auto count = static_cast<unsigned int>(GetNumberOfScans());
  ZVRawWriteInterface& w = *m_pzvRawWriteInterface;
  // The write interface moves every per-scan array out; those it refuses stay in the slots.
  const int rc = d.DataType() == kAccurateMassFormat
                     ? w.appendScans(fn, count, m_ppfMasses.data(), m_ppfIntensities.data(), m_ppfMassSigmas.data(),
                                     m_ppfIntensitySigmas.data(), m_ppcPeakFlags.data(), m_ppcMassFlags.data(),
                                     m_pdRT.data(), m_pnSizes.data())
                     : w.appendScans(fn, count, m_ppfMasses.data(), m_ppfIntensities.data(), m_ppcPeakFlags.data(),
                                     m_pdRT.data(), m_pnSizes.data());
  if (rc != ZVRAW_OK) return rc;
  // The descriptors go down before the index records: a reader that counts
  // a scan finds the function's ranges covering it (the reads decode
  // against them). A batch taken back takes its ranges and count back too.
  const ZVRawFunctionDescriptor_NonMaldi before = *d.GetDescriptor();
  d.AddScans(static_cast<int>(count));
  if (d.IsModifyable()) m_queuedRanges.applyTo(d);
  bool inFile = false;   // the descriptor step ran and was taken back
  bool counted = false;  // an index that kept records of the batch: its ranges must stay
  const ZVRawBatchStep descriptors{[this] { return writeFunctionDescriptors(); },
                                   [&](bool indexRestored) {
                                     inFile = indexRestored;
                                     counted = !indexRestored;
                                   }};
  // Scans, records and descriptors go down together or not at all: the
  // files agree on the scans before a batch that fails.
  const int written = w.writeBatch(fn, static_cast<unsigned int>(std::max(GetNumberOfStats(), 0)),
                                   m_pStatsBuffer.data(), descriptors);
  if (written == ZVRAW_OK || counted) return written;
  *d.GetDescriptor() = before;
  if (inFile) (void)writeFunctionDescriptors();
  return written;
}

int ZorvalenRawScanWriterImp::writeFunctionDescriptors() {
  if (m_functionDescriptors.empty()) return ZVRAW_OK;
  int first = ZVRAW_OK;
  for (const auto& [fn, d] : m_functionDescriptors)
    keepFirst(first, m_pzvRawWriteInterface->setFunctionDescriptor(static_cast<unsigned int>(fn), *d->GetDescriptor(),
                                                                   d->GetContinuum(), !d->IsCDT()));
  keepFirst(first, m_pzvRawWriteInterface->writeFunctionDescriptors());
  return first;
}

}  // namespace Vardex::Lib::ZorvalenRaw
