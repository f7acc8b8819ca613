#pragma once

// Reads the compressed drift file pair of one function block by block. The
// block list is made with the reader and grows with Refresh; it ends at the
// first partial or impossible index record, so a damaged tail costs only its
// own blocks.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "drift/CDTFormat.h"
#include "drift/ScanData.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

class CDTFileReader {
 public:
  // Throws std::runtime_error "Error opening index file" when the index
  // cannot be read: missing, shorter than its header, of an unknown format
  // version, or with fewer than one spectrum per block.
  CDTFileReader(std::string_view rawFilePath, unsigned funcNum);
  ~CDTFileReader();
  CDTFileReader(const CDTFileReader&) = delete;
  CDTFileReader& operator=(const CDTFileReader&) = delete;

  [[nodiscard]] HeaderBlock Header() const;
  [[nodiscard]] std::size_t NumberOfScans() const;

  // Decodes block scan into scanData; false, with scanData untouched, when
  // the block is out of range, not wholly in the data file, or corrupt.
  // setFunctionKey has no effect.
  [[nodiscard]] bool ReadScan(unsigned scan, Vardex::Control::Message::ScanData& scanData, bool setFunctionKey);
  // Why the last ReadScan returned false: the block's bytes are not there
  // (out of range, no data file, a file too short or unreadable), or they
  // are there but do not decode.
  enum class ReadFailure { None, Unreadable, Corrupt };
  [[nodiscard]] ReadFailure LastFailure() const;
  void Close();
  // Lists the blocks written since the list was made, and opens a data file
  // that was missing. False, the list as it was, when the pair is no longer
  // the one listed: either file is not the one held as it was or grown by
  // appending (device, inode, link count, size, change time), or the header
  // or the records held are not there. Only a reader made afresh reads that.
  [[nodiscard]] bool Refresh();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
