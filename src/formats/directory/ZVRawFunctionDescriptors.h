#pragma once

// The function descriptors of one raw directory: every record of its
// _functns.inf (layout in ZVRawFunctionDescriptorImp.h), one slot per function.

#include <string_view>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/directory/ZVRawFunctionDescriptorImp.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

class ZVRawFunctionDescriptors {
 public:
  // No slot array, count 0, no directory path.
  ZVRawFunctionDescriptors() = default;
  // n empty slots, for laying down a new directory.
  explicit ZVRawFunctionDescriptors(unsigned int nDescriptorCount);
  // Deep copies: every record is copied in its own kind.
  ZVRawFunctionDescriptors(const ZVRawFunctionDescriptors& other);
  ZVRawFunctionDescriptors& operator=(const ZVRawFunctionDescriptors& other);
  virtual ~ZVRawFunctionDescriptors() = default;

  // Reads every whole record of dir/_functns.inf; a trailing partial record
  // is ignored. All records take the kind of the first one.
  [[nodiscard]] int readDescriptors(std::string_view dir);
  // Writes every record to dir/_functns.inf, replacing the file whole. Every
  // slot must hold a record whose head fields fit the file (else 32 or 1, and
  // the file is untouched).
  [[nodiscard]] int writeDescriptors(std::string_view dir);
  // Rewrites one record in place in the file of the directory that was read.
  [[nodiscard]] int writeDescriptor(unsigned int nWhichDescriptor);

  int getDescriptorCount(unsigned int& n) const;
  [[nodiscard]] unsigned int descriptorCount() const;
  [[nodiscard]] const char* getDataClusterFileName() const { return m_cDataClusterFileName.c_str(); }
  // The record of f; null when f is out of range, there is no array or the slot is empty.
  [[nodiscard]] ZVRawFunctionDescriptorImp* getDescriptorImp(unsigned int f) const;
  [[nodiscard]] ZVRawFunctionDescriptorImp* getFunctionDescriptorImp(unsigned int f) const {
    return getDescriptorImp(f);
  }

  [[nodiscard]] int getDataFormat(unsigned int f, unsigned int& format) const;
  [[nodiscard]] int getFunctionType(unsigned int f, unsigned int& type) const;
  [[nodiscard]] int getSegmentCount(unsigned int f, unsigned short& count) const;
  [[nodiscard]] int getAcquisitionDetails(unsigned int f, unsigned int& type, unsigned int& ionMode) const;
  [[nodiscard]] int getExtendedFormatFlag(unsigned int f, bool& extended) const;
  [[nodiscard]] int getIonMode(unsigned int f, unsigned int& ionMode) const;
  [[nodiscard]] int getInterScanDelay(unsigned int f, float& delay) const;
  [[nodiscard]] int getCycleTime(unsigned int f, float& cycleTime) const;
  // Cycle time minus inter-scan delay.
  [[nodiscard]] int getScanTime(unsigned int f, float& scanTime) const;
  // Only types that select a mass have one: 27 for the others, 1 for a MALDI record.
  [[nodiscard]] int getSetMass(unsigned int f, float& setMass) const;
  [[nodiscard]] int getAcquisitionMassRange(unsigned int f, float& fLow, float& fHigh, unsigned short nSegment) const;

  // Replaces the table with copies of n records (checked first: a null entry
  // gives 32, a record whose kind does not match its type gives 1, and the
  // table is unchanged). n = 0 leaves the table without an array.
  [[nodiscard]] int setDescriptors(const ZVRawFunctionDescriptorImp* const* records, unsigned int n);
  // Stores a copy of record in slot f, growing the table to f + 1 slots;
  // ZVRAW_FUNCNUM_INVALID for an f no descriptor file could hold (f + 1
  // records past 4 GiB), which would only make empty slots.
  [[nodiscard]] int updateDescriptor(unsigned int f, const ZVRawFunctionDescriptorImp& record);
  // Each record held takes the mass ranges its function has in the file of
  // the directory read now (a writer widens them as scans arrive); records
  // the file lacks, or holds only in part, keep theirs. One open and one
  // read of the records held; ZVRAW_FILEOPEN_ERROR when the file does not open.
  [[nodiscard]] int refreshMassRanges();
  // Adds n empty slots.
  [[nodiscard]] int appendFunctions(unsigned int nFuncsToAppend);

 private:
  using Slots = std::vector<std::unique_ptr<ZVRawFunctionDescriptorImp>>;

  // 14 when f is out of range, missingArray when there is no array, 32 for
  // an empty slot; else hands the record to read and answers 0.
  template <class Read>
  [[nodiscard]] int withRecord(unsigned int f, int missingArray, Read&& read) const {
    if (f >= descriptorCount()) return ZVRAW_FUNCNUM_INVALID;
    if (!m_ppImp) return missingArray;
    const ZVRawFunctionDescriptorImp* record = (*m_ppImp)[f].get();
    if (!record) return ZVRAW_NULLPOINTER_ERROR;
    read(*record);
    return ZVRAW_OK;
  }

  std::optional<Slots> m_ppImp;  // empty optional: no array at all
  std::string m_cDataClusterFileName;
};
