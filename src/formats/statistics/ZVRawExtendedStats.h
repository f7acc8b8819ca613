#pragma once

// The per-scan statistics of every function of a raw directory, kept in
// _funcNNN.sts (see StatsTable.h for the leader and descriptor layout; the
// descriptors' bytes 32-47 are zero here). Record i, for scan i, lies at the
// leader's header size plus i times the sum of the field widths; its fields
// follow in descriptor order, each in the width of its type, unpadded.
//
// In memory each function has its layout (leader and up to 124 fields, at
// most one per id), one ZVRawExtStatsRecord per scan, and a next-to-write
// mark: the first record not yet in the file.

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "formats/statistics/ZVRawExtStatsRecord.h"

class ZVRawFunctionScanIndices;

namespace borealtek_zvraw_version_1 {

struct ZVRawExtStatsHeaderLeader {
  std::uint32_t m_nHeaderSize = 32;
  std::uint32_t m_nVersion = 1;
  std::uint32_t m_nRecordSize = 0;
  std::uint32_t m_nNumberOfFields = 0;
};

struct ZVRawExtStatsField {
  std::uint32_t m_nFieldID = 0;
  std::uint32_t m_nFieldType = 0;
  std::uint32_t m_nOffSet = 0;
  char m_cFieldName[EXTSTATS_FIELDNAME_SIZE] = {};
};

// The fields of a layout, as many as its leader counts (at most kMaxStatsFields):
// sized by the layout, since a directory may hold many functions.
using ZVRawExtStatsFieldArray = std::vector<ZVRawExtStatsField>;
using ValidFieldArray = std::array<bool, kMaxStatsFields>;

// ZVRAW_FILEREAD_ERROR when the stream's error flag is set, else
// ZVRAW_FILEREAD_EOFERROR at end of file, else ZVRAW_FILEREAD_ERROR.
[[nodiscard]] int checkFileReadError(std::FILE* file);
// Always ZVRAW_FILEWRITE_ERROR.
[[nodiscard]] int checkFileWriteError(std::FILE* file);

class ZVRawExtendedStats {
 public:
  explicit ZVRawExtendedStats(unsigned int n);
  // Borrows the scan index set: reading records takes each function's scan
  // count from it, the time-based writes its time lookups.
  ZVRawExtendedStats(unsigned int n, ZVRawFunctionScanIndices* indices);
  virtual ~ZVRawExtendedStats() = default;
  // Nothing copies a whole set of statistics.
  ZVRawExtendedStats(const ZVRawExtendedStats&) = delete;
  ZVRawExtendedStats& operator=(const ZVRawExtendedStats&) = delete;

  // Adds n functions with empty layouts and no records: 0, or
  // ZVRAW_MEMALLOC_ERROR (nothing added).
  int appendFunctions(unsigned int n);
  [[nodiscard]] unsigned int getFunctionCount() const { return static_cast<unsigned int>(m_functions.size()); }

  // Layout (writer side). addField appends id with its default type after
  // the last field: 0, or 0 with nothing changed when id is present;
  // ZVRAW_ERROR for id > 123, and for a new id once records were appended
  // to the file (its header block would no longer describe them);
  // ZVRAW_FUNCNUM_INVALID for a bad function.
  int addField(unsigned int fn, unsigned int id);
  // ZVRAW_ERROR for id > 123, ZVRAW_FUNCNUM_INVALID for a bad function.
  int setValidField(unsigned int fn, unsigned int id);
  [[nodiscard]] bool isValidField(unsigned int fn, unsigned int id) const;
  [[nodiscard]] bool isValidStats(unsigned int fn) const;

  // The function's layout; null for a bad function.
  [[nodiscard]] const ZVRawExtStatsHeaderLeader* getHeaderLeader(unsigned int fn) const;
  [[nodiscard]] const ZVRawExtStatsField* getField(unsigned int fn, unsigned int which) const;

  // Records. incrementStatsScanBuffer appends n zero records;
  // addStatsRecords places source[0 .. last-first] at first..last, past the
  // records held (zero records fill any gap): ZVRAW_ERROR for last < first or
  // a range that ends inside the records held, ZVRAW_NULLPOINTER_ERROR for a
  // null source. ZVRAW_MEMALLOC_ERROR when the records cannot be held.
  int incrementStatsScanBuffer(unsigned int fn, unsigned int n);
  int addStatsRecords(unsigned int fn, unsigned int first, unsigned int last, const ZVRawExtStatsRecord* source);
  int addStatsRecord(unsigned int fn, unsigned int scan, const ZVRawExtStatsRecord* record) {
    return addStatsRecords(fn, scan, scan, record);
  }
  // Null, or ZVRAW_ERROR with null, for a bad function or scan. Pointers stay
  // valid until the function's records are grown or read again.
  [[nodiscard]] ZVRawExtStatsRecord* getStatsRecord(unsigned int fn, unsigned int scan);
  int getStatsRecord(unsigned int fn, unsigned int scan, const ZVRawExtStatsRecord*& out) const;
  // A copy of one record, without building the function's others: as the
  // form above, ZVRAW_ERROR (out untouched) for a bad function or scan.
  int copyStatsRecord(unsigned int fn, unsigned int scan, ZVRawExtStatsRecord& out) const;
  [[nodiscard]] unsigned int GetStatsScanCount(unsigned int fn) const;
  [[nodiscard]] unsigned int GetNextScanToWrite(unsigned int fn) const;
  // Moves the mark back to nMark, for a writer that cut the file back to the
  // records before it; at 0 the header block is due again. 14 bad function,
  // 17 a mark ahead of the current one.
  int rewindNextScanToWrite(unsigned int fn, unsigned int nMark);

  // The dictionary entry of a field id; null above 255.
  [[nodiscard]] static const ExtendedStatsRecord* getStatsRecord(const unsigned int& id);

  // The function's fields in layout order, as dictionary names and type
  // names (64 bytes each, NUL-padded) in the caller's holders, or as
  // dictionary entries in an array handed to the caller; an id without an
  // entry lists as an empty name of type "char". ZVRAW_FUNCNUM_INVALID for
  // a bad function; 0 with nothing allocated and count untouched when the
  // function is not valid; ZVRAW_MEMALLOC_ERROR, count 0 and nothing
  // handed out, when the lists cannot be had.
  using FieldTexts = std::unique_ptr<char[][EXTSTATS_FIELDNAME_SIZE]>;
  int getExtendedStatsFields(unsigned int fn, FieldTexts& names, FieldTexts& types, int& count) const;
  int getExtendedStatsFields(unsigned int fn, std::unique_ptr<ExtendedStatsRecord[]>& out, int& count) const;

  // Reads every function's _funcNNN.sts: the layout, then one record per
  // indexed scan. A function is valid once both succeed. The result is the
  // last function's: 0; ZVRAW_STATSFILE_FILEREADOPEN_ERROR for a missing
  // file (the function is not valid, and keeps what it held);
  // ZVRAW_FILEREAD_ERROR for a header block that cannot be read whole or
  // declares more than 124 fields (the function is left with no fields and no
  // records); ZVRAW_FILEREAD_EOFERROR (or ZVRAW_FILEREAD_ERROR) when the
  // records end before the scan count (the complete ones are kept).
  // ZVRAW_ERROR without a scan index set.
  int readStats(std::string_view dir);

  // When function fn (never function 0) holds fewer records than the index
  // set counts scans, lowers the scan count to the records, with a message.
  int ensureScanCountsConsistent(unsigned int fn);

  // The function's header block: leader and descriptors, written with "wb"
  // while nothing of the function is in the file; 0 with nothing written once
  // the mark is above 0.
  int writeHeaderBlock(std::string_view dir, unsigned int fn);
  // Records from..to (at most the last one held) at their own positions in
  // the file, which must hold the header block already. The mark is not moved.
  int writeAppendStatsRecords(std::string_view dir, unsigned int fn, unsigned int from, unsigned int to);
  // The records not yet written (n = 0) or the next n, from the mark on; the
  // mark moves past the last one written.
  int writeAppendStatsRecords(std::string_view dir, unsigned int fn, unsigned int n);
  // From the mark to the scan at rt (the nearest at or before it), or the
  // records of the scans in rt1..rt2 not yet written; the mark moves past
  // the last one written. The index set's lookup errors come first.
  int writeAppendStatsRecords(std::string_view dir, unsigned int fn, float rt);
  int writeAppendStatsRecords(std::string_view dir, unsigned int fn, float rt1, float rt2);

  // Every function holding records, header block first where it is due;
  // stops at the first failure.
  int writeExtendedStats(std::string_view dir, float rt);
  int writeExtendedStats(std::string_view dir, float rt1, float rt2);
  // The records of fn not yet written, header block first when due.
  int writeExtendedStats(std::string_view dir, unsigned int fn);
  // Header block when due, then records from..to; the mark is not moved.
  int writeExtendedStats(std::string_view dir, unsigned int fn, unsigned int from, unsigned int to);
  // Header block while the mark is 0 (due or not), then the count or time
  // append above. Each form makes the function valid when it succeeds.
  int writeExtendedStats(std::string_view dir, unsigned int fn, unsigned int n);
  int writeExtendedStats(std::string_view dir, unsigned int fn, float rt);

 private:
  // Records read from a file and not yet asked for, kept as the file's
  // bytes: an open needs none of them built, and a reader often few.
  struct StoredRecords {
    std::unique_ptr<std::uint8_t[]> bytes;  // count records of stride bytes
    std::vector<StatsFieldCodec> plan;
    std::size_t stride = 0;
    std::size_t count = 0;
    void decode(std::size_t k, ZVRawExtStatsRecord& r) const;
  };

  struct FunctionStats {
    ZVRawExtStatsHeaderLeader leader;
    ZVRawExtStatsFieldArray fields;
    ValidFieldArray validField{};
    // A function may hold a record array of no records; "no array" is
    // different (nothing to write).
    bool hasRecords = false;
    // Built from `stored` on first access (under m_buildGuard), hence mutable.
    mutable std::vector<ZVRawExtStatsRecord> records;
    mutable std::shared_ptr<StoredRecords> stored;  // null: `records` holds them all
    unsigned int nextScanToWrite = 0;
    int validStats = 0;
    // The last read found a statistics file for this function.
    bool fileFound = false;
    // The header block is still to be written (again after the layout grew).
    bool headerDue = true;
  };

  [[nodiscard]] static std::size_t heldRecords(const FunctionStats& f) {
    return f.stored ? f.stored->count : f.records.size();
  }
  // Builds f's records from their stored bytes; false when they cannot be
  // allocated. buildLocked is the same under a lock of m_buildGuard held.
  [[nodiscard]] bool buildRecords(const FunctionStats& f) const;
  [[nodiscard]] bool buildLocked(const FunctionStats& f) const;
  [[nodiscard]] static int statsFilePath(std::string_view dir, unsigned int fn, std::string& path);
  [[nodiscard]] FunctionStats* function(unsigned int fn);
  // The two steps of reading one function from its open file.
  int readHeaderBlock(std::FILE* file, FunctionStats& f);
  int readRecords(std::FILE* file, unsigned int fn, FunctionStats& f);
  // Writes first..last (clamped to the records held) and moves the mark to
  // one past the last record written, when any was.
  int writeFromMark(std::string_view dir, unsigned int fn, unsigned int first, unsigned int last);
  // The time forms over every function holding records, and the forms of one
  // function that lay the header block down while the mark is 0.
  template <class Append>
  int writeAllFunctions(std::string_view dir, Append&& append);
  template <class Append>
  int writeOneFunction(std::string_view dir, unsigned int fn, Append&& append);
  [[nodiscard]] const FunctionStats* function(unsigned int fn) const;
  // Writes records first..last (inclusive, both held) and reports how many
  // reached the file whole.
  int writeRecords(std::string_view dir, unsigned int fn, unsigned int first, unsigned int last, unsigned int& written);

  std::vector<FunctionStats> m_functions;
  // Readers sharing a directory may build records from several threads.
  mutable std::mutex m_buildGuard;
  ZVRawFunctionScanIndices* m_pScanIndices = nullptr;  // borrowed
};

}  // namespace borealtek_zvraw_version_1
