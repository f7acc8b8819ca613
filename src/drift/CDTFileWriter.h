#pragma once

// Writes the compressed drift file pair of one function. Each block goes to
// the data file before its record goes to the index, and both are flushed,
// so a failed write never leaves a record for data that is not there.

#include <memory>
#include <string>
#include <string_view>

namespace Vardex::Control::Legacy::ZorvalenRaw {

class CDTFileWriter {
 public:
  // Works out the two paths (see CDTFormat.h); opens nothing.
  CDTFileWriter(std::string_view rawFilePath, unsigned funcNumber);
  ~CDTFileWriter();
  CDTFileWriter(const CDTFileWriter&) = delete;
  CDTFileWriter& operator=(const CDTFileWriter&) = delete;

  [[nodiscard]] std::string DataFilePath() const;
  [[nodiscard]] std::string IndexFilePath() const;

  // Creates (truncates) both files and writes the header to the index: true
  // only when both opened and the header reached the file. Only regular
  // files are written: a FIFO, device or directory at either name gives
  // false and neither file is made.
  [[nodiscard]] bool WriteHeader(const std::string& headerBytes);
  // False before WriteHeader, and for this and every later call once any
  // write failed.
  [[nodiscard]] bool WriteBlock(const std::string& indexBytes, const std::string& dataBytes);
  // Closes both files: false when either close failed, which may have lost
  // bytes already written. True when nothing was open.
  [[nodiscard]] bool Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
