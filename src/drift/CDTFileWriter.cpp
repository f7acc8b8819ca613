#include "drift/CDTFileWriter.h"

#include <cstdio>

#include "drift/CDTFormat.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/SysPaths.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

namespace {

// Writes and flushes: a full disk shows here, not at some later close.
bool writeFlushed(std::FILE* f, const std::string& bytes) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) return false;
  return std::fflush(f) == 0;
}

}  // namespace

struct CDTFileWriter::Impl {
  Path dataPath;
  Path indexPath;
  zvraw::FilePtr index;
  zvraw::FilePtr data;
  bool failed = false;
};

CDTFileWriter::CDTFileWriter(std::string_view rawFilePath, unsigned funcNumber)
    : impl_(std::make_unique<Impl>()) {
  impl_->dataPath = dataFilePath(rawFilePath, funcNumber);
  impl_->indexPath = indexFilePath(rawFilePath, funcNumber);
}

CDTFileWriter::~CDTFileWriter() = default;

std::string CDTFileWriter::DataFilePath() const { return impl_->dataPath.ToString(); }
std::string CDTFileWriter::IndexFilePath() const { return impl_->indexPath.ToString(); }

bool CDTFileWriter::WriteHeader(const std::string& headerBytes) {
  Impl& w = *impl_;
  (void)Close();  // the same two files are truncated next: what they held is gone either way
  const std::string& index = w.indexPath.ToString();
  const std::string& data = w.dataPath.ToString();
  // A FIFO or device at either name refuses the pair before either file is
  // made; the opens never wait for a peer, should one appear meanwhile.
  w.failed = !sysNameTakesRegularFile(index) || !sysNameTakesRegularFile(data);
  if (!w.failed) {
    w.index = sysOpenFile(index, "wb");
    w.data = w.index ? sysOpenFile(data, "wb") : nullptr;
    w.failed = !w.index || !w.data || !writeFlushed(w.index.get(), headerBytes);
  }
  return !w.failed;
}

bool CDTFileWriter::WriteBlock(const std::string& indexBytes, const std::string& dataBytes) {
  Impl& w = *impl_;
  if (w.failed || !w.index || !w.data) return false;
  w.failed = !writeFlushed(w.data.get(), dataBytes) || !writeFlushed(w.index.get(), indexBytes);
  return !w.failed;
}

bool CDTFileWriter::Close() {
  Impl& w = *impl_;
  const bool index = !w.index || zvraw::closeChecked(w.index);
  const bool data = !w.data || zvraw::closeChecked(w.data);
  return index && data;
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
