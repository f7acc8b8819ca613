#include "formats/directory/ZVRawFunctionDescriptors.h"

#include <sys/types.h>

#include <cstdio>
#include <limits>

#include "formats/portability/AllocationGuard.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace {

// The function types that select a mass: "MS", "SIR" and "PAR" to "DAD".
bool hasSetMass(unsigned int type) { return type == 0 || type == 1 || (type >= 5 && type <= 12); }

bool kindMatchesType(const ZVRawFunctionDescriptorImp& r) {
  const DescriptorKind kind = descriptorKind(r);
  if (kind == DescriptorKind::Neither) return false;
  return (kind == DescriptorKind::Maldi) == (r.getFunctionType() == kMaldiFunctionType);
}

// Records are addressed with 32-bit offsets, so a descriptor file holds at
// most this many.
constexpr unsigned int kMaxDescriptorCount =
    static_cast<unsigned int>(std::numeric_limits<std::uint32_t>::max() / kFunctionDescriptorRecordSize);

int seekRecord(std::FILE* f, unsigned int i) {
  const auto at = static_cast<off_t>(i) * static_cast<off_t>(kFunctionDescriptorRecordSize);
  if (::fseeko(f, at, SEEK_SET) == 0 || ::fseeko(f, 0, SEEK_END) == 0) return ZVRAW_OK;
  return ZVRAW_FILESEEK_ERROR;
}

}  // namespace

ZVRawFunctionDescriptors::ZVRawFunctionDescriptors(unsigned int nDescriptorCount) : m_ppImp(Slots(nDescriptorCount)) {}

ZVRawFunctionDescriptors::ZVRawFunctionDescriptors(const ZVRawFunctionDescriptors& other)
    : m_cDataClusterFileName(other.m_cDataClusterFileName) {
  if (!other.m_ppImp) return;
  Slots slots(other.m_ppImp->size());
  for (std::size_t i = 0; i < slots.size(); ++i)
    if (const auto& r = (*other.m_ppImp)[i]) slots[i] = cloneDescriptorImp(*r);
  m_ppImp = std::move(slots);
}

ZVRawFunctionDescriptors& ZVRawFunctionDescriptors::operator=(const ZVRawFunctionDescriptors& other) {
  if (this != &other) {
    ZVRawFunctionDescriptors copy(other);
    m_ppImp = std::move(copy.m_ppImp);
    m_cDataClusterFileName = std::move(copy.m_cDataClusterFileName);
  }
  return *this;
}

unsigned int ZVRawFunctionDescriptors::descriptorCount() const {
  return m_ppImp ? static_cast<unsigned int>(m_ppImp->size()) : 0u;
}

int ZVRawFunctionDescriptors::getDescriptorCount(unsigned int& n) const {
  n = descriptorCount();
  return ZVRAW_OK;
}

ZVRawFunctionDescriptorImp* ZVRawFunctionDescriptors::getDescriptorImp(unsigned int f) const {
  if (!m_ppImp || f >= m_ppImp->size()) return nullptr;
  return (*m_ppImp)[f].get();
}

// ---- reading ----

// _functns.inf, 416 bytes per function (see ZVRawFunctionDescriptorImp.h):
//   @0 record 0 | @416 record 1 | ... | a partial last record is ignored
int ZVRawFunctionDescriptors::readDescriptors(std::string_view dir) {
  m_ppImp.reset();
  std::string name;
  if (dir.data() == nullptr || getFunctionDescriptorFileName(name, dir) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  m_cDataClusterFileName.assign(dir);

  zvraw::FilePtr f = rawFileComponentfopen(name, "rb");
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  const std::int64_t size = getLargeFileSize(f.get());
  // Records are addressed with 32-bit offsets: a file of 4 GiB or more is not a descriptor file.
  if (size < 0 || static_cast<std::uint64_t>(size) > std::numeric_limits<std::uint32_t>::max())
    return ZVRAW_DESCRIPTORFILE_READERROR;
  const auto count = static_cast<unsigned int>(static_cast<std::uint64_t>(size) / kFunctionDescriptorRecordSize);

  unsigned int nonMaldi = 1;
  if (getIsNonMaldiTOFData(name, nonMaldi) != ZVRAW_OK) return ZVRAW_FILEOPEN_ERROR;

  // The count comes from the bytes actually present, so the allocation is
  // bounded by the file.
  Slots slots;
  if (int rc = zvraw::guardAllocation([&] {
        slots.reserve(count);
        for (unsigned int i = 0; i < count; ++i) slots.push_back(makeDescriptorImp(nonMaldi == 0));
        return ZVRAW_OK;
      });
      rc != ZVRAW_OK)
    return rc;
  m_ppImp = std::move(slots);

  int rc = ZVRAW_OK;
  for (unsigned int i = 0; i < count && rc == ZVRAW_OK; ++i) {
    const auto at = static_cast<off_t>(i) * static_cast<off_t>(kFunctionDescriptorRecordSize);
    rc = ::fseeko(f.get(), at, SEEK_SET) == 0 ? (*m_ppImp)[i]->readDescriptor(f.get()) : ZVRAW_FILESEEK_ERROR;
  }
  return rc;
}

// ---- writing ----

int ZVRawFunctionDescriptors::writeDescriptors(std::string_view dir) {
  if (dir.empty()) return ZVRAW_FILENAME_ERROR;
  // Check everything before the file is replaced: a refused table leaves the old file whole.
  Bytes file;
  if (m_ppImp) {
    for (const auto& r : *m_ppImp) {
      if (!r) return ZVRAW_NULLPOINTER_ERROR;
      if (!r->fitsFileWidths()) return ZVRAW_ERROR;
    }
    if (int rc = zvraw::guardAllocation([&] {
          file.reserve(m_ppImp->size() * kFunctionDescriptorRecordSize);
          return ZVRAW_OK;
        });
        rc != ZVRAW_OK)
      return rc;
    for (const auto& r : *m_ppImp) {
      const Bytes record = r->packedRecord();
      file.insert(file.end(), record.begin(), record.end());
    }
  }
  std::string name;
  if (getFunctionDescriptorFileName(name, dir) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  // Replaced whole, never changed in place: a reader of a run still being
  // written reads the old file or the new one, never a mix of the two.
  const int rc = zvraw::writeWholeFile(name, file);
  if (rc == ZVRAW_FILEWRITE_ERROR) return ZVRAW_DESCRIPTORFILE_WRITEERROR;
  return rc;
}

int ZVRawFunctionDescriptors::writeDescriptor(unsigned int nWhichDescriptor) {
  if (nWhichDescriptor >= descriptorCount()) return ZVRAW_ERROR;
  // A table that was never read has no file of its own to update.
  if (m_cDataClusterFileName.empty()) return ZVRAW_FILENAME_ERROR;
  const ZVRawFunctionDescriptorImp* record = (*m_ppImp)[nWhichDescriptor].get();
  if (!record) return ZVRAW_NULLPOINTER_ERROR;
  if (!record->fitsFileWidths()) return ZVRAW_ERROR;
  std::string name;
  if (getFunctionDescriptorFileName(name, m_cDataClusterFileName) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  zvraw::FilePtr f = rawFileComponentfopen(name, "r+b");
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  if (int rc = seekRecord(f.get(), nWhichDescriptor); rc != ZVRAW_OK) return rc;
  const int rc = record->writeDescriptor(f.get());
  if (!zvraw::closeChecked(f) && rc == ZVRAW_OK) return ZVRAW_DESCRIPTORFILE_WRITEERROR;
  return rc;
}

int ZVRawFunctionDescriptors::refreshMassRanges() {
  if (!m_ppImp || m_ppImp->empty()) return ZVRAW_OK;
  std::string name;
  if (getFunctionDescriptorFileName(name, m_cDataClusterFileName) != ZVRAW_OK) return ZVRAW_FILENAME_ERROR;
  zvraw::FilePtr f = rawFileComponentfopen(name, "rb");
  if (!f) return ZVRAW_FILEOPEN_ERROR;
  constexpr std::size_t kSize = kFunctionDescriptorRecordSize;
  Bytes bytes(m_ppImp->size() * kSize);  // no more than the records held
  int code = ZVRAW_OK;
  bytes.resize(zvraw::readAt(f.get(), bytes.data(), bytes.size(), 0, code) / kSize * kSize);
  for (std::size_t i = 0; i < bytes.size() / kSize; ++i) {
    ZVRawFunctionDescriptorImp* mine = (*m_ppImp)[i].get();
    if (mine == nullptr) continue;
    const std::unique_ptr<ZVRawFunctionDescriptorImp> now = cloneDescriptorImp(*mine);
    ByteCursor in(std::span<const std::uint8_t>(bytes).subspan(i * kSize, kSize));
    if (now->extractDescriptor(in) == ZVRAW_OK) (void)mine->takeMassRanges(*now);
  }
  return ZVRAW_OK;
}

// ---- queries ----

int ZVRawFunctionDescriptors::getDataFormat(unsigned int f, unsigned int& format) const {
  return withRecord(f, ZVRAW_ERROR, [&](const ZVRawFunctionDescriptorImp& r) { format = r.getDataType(); });
}

int ZVRawFunctionDescriptors::getFunctionType(unsigned int f, unsigned int& type) const {
  return withRecord(f, ZVRAW_ERROR, [&](const ZVRawFunctionDescriptorImp& r) { type = r.getFunctionType(); });
}

int ZVRawFunctionDescriptors::getSegmentCount(unsigned int f, unsigned short& count) const {
  return withRecord(f, ZVRAW_ERROR, [&](const ZVRawFunctionDescriptorImp& r) { count = r.getSegmentCount(); });
}

int ZVRawFunctionDescriptors::getAcquisitionDetails(unsigned int f, unsigned int& type, unsigned int& ionMode) const {
  return withRecord(f, ZVRAW_ERROR, [&](const ZVRawFunctionDescriptorImp& r) {
    type = r.getFunctionType();
    ionMode = r.getIonMode();
  });
}

int ZVRawFunctionDescriptors::getExtendedFormatFlag(unsigned int f, bool& extended) const {
  return withRecord(f, ZVRAW_ERROR, [&](const ZVRawFunctionDescriptorImp& r) { extended = r.getExtendedIndex(); });
}

int ZVRawFunctionDescriptors::getIonMode(unsigned int f, unsigned int& ionMode) const {
  return withRecord(f, ZVRAW_NULLPOINTER_ERROR, [&](const ZVRawFunctionDescriptorImp& r) { ionMode = r.getIonMode(); });
}

int ZVRawFunctionDescriptors::getInterScanDelay(unsigned int f, float& delay) const {
  return withRecord(f, ZVRAW_NULLPOINTER_ERROR,
                    [&](const ZVRawFunctionDescriptorImp& r) { delay = r.getInterScanDelay(); });
}

int ZVRawFunctionDescriptors::getCycleTime(unsigned int f, float& cycleTime) const {
  return withRecord(f, ZVRAW_NULLPOINTER_ERROR,
                    [&](const ZVRawFunctionDescriptorImp& r) { cycleTime = r.getCycleTime(); });
}

int ZVRawFunctionDescriptors::getScanTime(unsigned int f, float& scanTime) const {
  return withRecord(f, ZVRAW_NULLPOINTER_ERROR,
                    [&](const ZVRawFunctionDescriptorImp& r) { scanTime = r.getCycleTime() - r.getInterScanDelay(); });
}

int ZVRawFunctionDescriptors::getSetMass(unsigned int f, float& setMass) const {
  unsigned int type = 0;
  if (int rc = getFunctionType(f, type); rc != ZVRAW_OK) return rc;
  if (!hasSetMass(type)) return ZVRAW_FUNCTIONTYPE_INVALID;
  const auto* r = dynamic_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp*>(getDescriptorImp(f));
  if (!r) return ZVRAW_ERROR;
  setMass = r->getSetMass();
  return ZVRAW_OK;
}

int ZVRawFunctionDescriptors::getAcquisitionMassRange(unsigned int f, float& fLow, float& fHigh,
                                                      unsigned short nSegment) const {
  int rc = ZVRAW_OK;
  const int slotRc = withRecord(f, ZVRAW_ERROR, [&](const ZVRawFunctionDescriptorImp& r) {
    rc = r.getAcquisitionMassRange(nSegment, fLow, fHigh);
  });
  return slotRc != ZVRAW_OK ? slotRc : rc;
}

// ---- changes ----

int ZVRawFunctionDescriptors::setDescriptors(const ZVRawFunctionDescriptorImp* const* records, unsigned int n) {
  if (records == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  for (unsigned int i = 0; i < n; ++i) {
    if (records[i] == nullptr) return ZVRAW_NULLPOINTER_ERROR;
    if (!kindMatchesType(*records[i])) return ZVRAW_ERROR;
  }
  if (n == 0) {
    m_ppImp.reset();
    return ZVRAW_OK;
  }
  return zvraw::guardAllocation([&] {
    Slots slots;
    slots.reserve(n);
    for (unsigned int i = 0; i < n; ++i) slots.push_back(cloneDescriptorImp(*records[i]));
    m_ppImp = std::move(slots);
    return ZVRAW_OK;
  });
}

int ZVRawFunctionDescriptors::updateDescriptor(unsigned int f, const ZVRawFunctionDescriptorImp& record) {
  if (!m_ppImp) return ZVRAW_ERROR;
  // The table grows to f + 1 slots: no more than a descriptor file can hold.
  if (f >= kMaxDescriptorCount) return ZVRAW_FUNCNUM_INVALID;
  const DescriptorKind kind = descriptorKind(record);
  if (kind == DescriptorKind::Neither) return ZVRAW_ERROR;
  Slots& slots = *m_ppImp;
  auto* held = f < slots.size() ? slots[f].get() : nullptr;
  if (held) {
    if (descriptorKind(*held) != kind) return ZVRAW_ERROR;
    if (kind == DescriptorKind::Maldi)
      static_cast<ZVRawFunctionDescriptor_Maldi_Imp&>(*held) =
          static_cast<const ZVRawFunctionDescriptor_Maldi_Imp&>(record);
    else
      static_cast<ZVRawFunctionDescriptor_NonMaldi_Imp&>(*held) =
          static_cast<const ZVRawFunctionDescriptor_NonMaldi_Imp&>(record);
    return ZVRAW_OK;
  }
  return zvraw::guardAllocation([&] {
    auto copy = cloneDescriptorImp(record);
    if (f >= slots.size()) slots.resize(std::size_t{f} + 1);  // unchanged if this throws
    slots[f] = std::move(copy);
    return ZVRAW_OK;
  });
}

int ZVRawFunctionDescriptors::appendFunctions(unsigned int nFuncsToAppend) {
  const unsigned int count = descriptorCount();
  if (nFuncsToAppend > std::numeric_limits<unsigned int>::max() - count) return ZVRAW_FUNCNUM_INVALID;
  return zvraw::guardAllocation([&] {
    if (!m_ppImp)
      m_ppImp = Slots(std::size_t{count} + nFuncsToAppend);
    else
      m_ppImp->resize(std::size_t{count} + nFuncsToAppend);
    return ZVRAW_OK;
  });
}
