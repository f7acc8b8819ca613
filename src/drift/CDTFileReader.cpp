#include "drift/CDTFileReader.h"

#include <sys/types.h>

#include <cstdio>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "drift/CDTBlockReader.h"
#include "formats/portability/PageAlignedBuffer.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/FileIdentity.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"

namespace Vardex::Control::Legacy::ZorvalenRaw {

using Vardex::Control::Message::ChannelData;
using Vardex::Control::Message::ScanData;

namespace {

[[noreturn]] void cannotOpenIndex() { throw std::runtime_error("Error opening index file"); }

bool readExactly(std::FILE* f, void* to, std::size_t n) { return n == 0 || std::fread(to, 1, n, f) == n; }

}  // namespace

struct CDTFileReader::Impl {
  Path dataPath;
  Path indexPath;
  HeaderBlock header;
  // The header as stored: a pair whose header changed was written anew.
  std::string headerBytes;
  // The index records as stored, and each block's end offset in the data
  // file: records are decoded when their block is read, since a decoded
  // record takes many times the bytes of a stored one.
  std::string records;
  std::size_t recordSize = 0;
  std::vector<std::uint64_t> ends;
  // An impossible record ended the list: nothing after it is a block.
  bool listEnded = false;
  zvraw::FilePtr data;
  // Each file as it was when opened or last refreshed.
  zvraw::FileIdentity indexId, dataId;
  zvraw::PageAlignedBuffer buffer;
  // The spectra a block decodes into; swapped with the caller's on success,
  // so that their arrays are reused from block to block.
  std::vector<ChannelData> decoded;
  unsigned funcNum = 0;
  CDTBlockReader blockReader;
  ReadFailure lastFailure = ReadFailure::None;

  [[nodiscard]] std::uint64_t listedEnd() const { return kHeaderBlockSize + ends.size() * recordSize; }
  void listBlocks(std::FILE* index);
};

// Appends the whole records past those listed.
void CDTFileReader::Impl::listBlocks(std::FILE* index) {
  if (listEnded) return;
  const std::int64_t fileSize = getLargeFileSize(index);
  const std::uint64_t from = listedEnd();
  if (fileSize < 0 || static_cast<std::uint64_t>(fileSize) < from ||
      ::fseeko(index, static_cast<off_t>(from), SEEK_SET) != 0) {
    return;
  }
  // Sized by what the file holds, never by n alone.
  const std::uint64_t count = (static_cast<std::uint64_t>(fileSize) - from) / recordSize;
  if (count == 0) return;
  const std::size_t held = records.size();
  records.resize(held + static_cast<std::size_t>(count * recordSize));
  const std::size_t got = std::fread(records.data() + held, 1, records.size() - held, index);
  records.resize(held + got / recordSize * recordSize);
  std::uint64_t end = ends.empty() ? 0 : ends.back();
  for (std::size_t at = held; at < records.size(); at += recordSize) {
    std::uint64_t length = 0;
    std::uint64_t points = 0;
    const std::string_view record = std::string_view(records).substr(at, recordSize);
    if (!blockExtent(blockReader.ReadIndex(record), length, points)) {
      listEnded = true;
      break;
    }
    end += length;
    ends.push_back(end);
  }
  records.resize(ends.size() * recordSize);
  if (listEnded) records.shrink_to_fit();
}

CDTFileReader::CDTFileReader(std::string_view rawFilePath, unsigned funcNum) : impl_(std::make_unique<Impl>()) {
  Impl& r = *impl_;
  r.funcNum = funcNum;
  r.dataPath = dataFilePath(rawFilePath, funcNum);
  r.indexPath = indexFilePath(rawFilePath, funcNum);
  {
    zvraw::FilePtr index = sysOpenFile(r.indexPath.ToString(), "rb");
    std::string head(CDTBlockReader::NumBytes(), '\0');
    if (!index || !zvraw::identityOf(index.get(), r.indexId) || !readExactly(index.get(), head.data(), head.size()))
      cannotOpenIndex();
    r.header = r.blockReader.ReadHeader(head);
    // No record size for these: the file cannot be listed.
    if (r.blockReader.NumIndexBytes() == 0) cannotOpenIndex();
    r.headerBytes = std::move(head);
    r.recordSize = static_cast<std::size_t>(r.blockReader.NumIndexBytes());
    r.listBlocks(index.get());
  }
  r.data = sysOpenFile(r.dataPath.ToString(), "rb");  // a missing file fails each ReadScan
  if (r.data && !zvraw::identityOf(r.data.get(), r.dataId)) r.data.reset();
}

// Reads on only while each file at its path is the one held, as it was or
// grown by appending: a file renamed over, recreated, removed, cut or
// written anew in place to no greater length is for a reader made afresh,
// as is another header.
bool CDTFileReader::Refresh() {
  Impl& r = *impl_;
  zvraw::FilePtr index = sysOpenFile(r.indexPath.ToString(), "rb");
  zvraw::FileIdentity indexNow, dataNow;
  if (!index || !zvraw::identityOf(index.get(), indexNow) || !zvraw::sameOrGrown(r.indexId, indexNow)) return false;
  std::string head(r.headerBytes.size(), '\0');
  if (!readExactly(index.get(), head.data(), head.size()) || head != r.headerBytes) return false;
  const std::int64_t fileSize = getLargeFileSize(index.get());
  if (fileSize < 0 || static_cast<std::uint64_t>(fileSize) < r.listedEnd()) return false;
  zvraw::FilePtr data = sysOpenFile(r.dataPath.ToString(), "rb");
  const bool dataThere = data && zvraw::identityOf(data.get(), dataNow);
  if (r.data && (!dataThere || !zvraw::sameOrGrown(r.dataId, dataNow))) return false;
  r.listBlocks(index.get());
  r.indexId = indexNow;
  if (dataThere) {
    r.dataId = dataNow;
    if (!r.data) r.data = std::move(data);  // the one missing so far
  }
  return true;
}

CDTFileReader::~CDTFileReader() = default;

HeaderBlock CDTFileReader::Header() const { return impl_->header; }

std::size_t CDTFileReader::NumberOfScans() const { return impl_->ends.size(); }

bool CDTFileReader::ReadScan(unsigned scan, ScanData& scanData, bool /*setFunctionKey*/) {
  Impl& r = *impl_;
  r.lastFailure = ReadFailure::Unreadable;
  if (scan >= r.ends.size() || !r.data) return false;
  const std::uint64_t start = scan == 0 ? 0 : r.ends[scan - 1];
  const std::uint64_t end = r.ends[scan];
  const std::uint64_t length = end - start;
  const IndexBlock rec = r.blockReader.ReadIndex(std::string_view(r.records).substr(scan * r.recordSize, r.recordSize));

  // A failed read must not fail every later one.
  std::clearerr(r.data.get());
  const std::int64_t dataSize = getLargeFileSize(r.data.get());
  if (dataSize < 0 || end > static_cast<std::uint64_t>(dataSize)) return false;
  if (::fseeko(r.data.get(), static_cast<off_t>(start), SEEK_SET) != 0) return false;
  std::uint8_t* bytes = r.buffer.reserve(length);
  if (bytes == nullptr) throw std::bad_alloc();
  if (!readExactly(r.data.get(), bytes, length)) return false;

  r.lastFailure = ReadFailure::Corrupt;
  const std::string_view block(reinterpret_cast<const char*>(bytes), length);
  // Decoded aside, so that a corrupt block leaves scanData as it was.
  if (!r.blockReader.ReadData(rec, block, r.decoded)) return false;
  r.lastFailure = ReadFailure::None;

  scanData.rt = rec.pfRT.front();
  std::swap(scanData.channel, r.decoded);
  return true;
}

CDTFileReader::ReadFailure CDTFileReader::LastFailure() const { return impl_->lastFailure; }

void CDTFileReader::Close() { impl_->data.reset(); }

}  // namespace Vardex::Control::Legacy::ZorvalenRaw
