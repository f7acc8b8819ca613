#include "drift/CDTFileWriter.h"

#include <cstdio>

#include "drift/CDTFormat.h"
#include "formats/portability/FileHandle.h"

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
  Close();
  w.index.reset(std::fopen(w.indexPath.ToString().c_str(), "wb"));
  w.data.reset(std::fopen(w.dataPath.ToString().c_str(), "wb"));
  w.failed = !w.index || !w.data || !writeFlushed(w.index.get(), headerBytes);
  return !w.failed;
}

bool CDTFileWriter::WriteBlock(const std::string& indexBytes, const std::string& dataBytes) {
  Impl& w = *impl_;
  if (w.failed || !w.index || !w.data) return false;
  w.failed = !writeFlushed(w.data.get(), dataBytes) || !writeFlushed(w.index.get(), indexBytes);
  return !w.failed;
}

void CDTFileWriter::Close() {
  impl_->index.reset();
  impl_->data.reset();
}

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
