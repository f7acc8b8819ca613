// The reader lifecycle of the C interface: open a directory as a reader of
// one kind, share an open reader's directory, refresh it, release it.

#include <cstring>
#include <memory>

#include "api/ZorvalenRawAnalogReaderImp.h"
#include "api/ZorvalenRawChromatogramReaderImp.h"
#include "api/ZorvalenRawInfoImp.h"
#include "api/ZorvalenRawScanReaderImp.h"
#include "cluster/ZVRawDataCluster.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRaw.h"

using namespace Vardex::Lib::ZorvalenRaw;

namespace {

// A reader of kind nType built from source (a path or another reader); null
// for a kind that is not a reader kind.
template <class Source>
std::unique_ptr<ZorvalenRawReaderImp> makeReader(ZorvalenBaseType nType, const Source& source) {
  switch (nType) {
    case ZorvalenBaseType::SCAN:
      return std::make_unique<ZorvalenRawScanReaderImp>(source);
    case ZorvalenBaseType::INFO:
      return std::make_unique<ZorvalenRawInfoImp>(source);
    case ZorvalenBaseType::CHROM:
      return std::make_unique<ZorvalenRawChromatogramReaderImp>(source);
    case ZorvalenBaseType::ANALOG:
      return std::make_unique<ZorvalenRawAnalogReaderImp>(source);
    default:
      return nullptr;
  }
}

bool isReaderKind(ZorvalenBaseType nType) {
  const int kind = static_cast<int>(nType);
  return kind >= static_cast<int>(ZorvalenBaseType::SCAN) && kind <= static_cast<int>(ZorvalenBaseType::ANALOG);
}

// Hands a reader whose cluster opened to the caller; one whose cluster did
// not is destroyed here (with the cluster when it held the last share).
int handOver(std::unique_ptr<ZorvalenRawReaderImp> reader, CZorvalenBaseReader* pReader) {
  const ZVRawDataCluster* cluster = reader->getDataCluster();
  if (cluster == nullptr) return ZVRAW_DATACLUSTER_INVALID;
  if (const int rc = cluster->getInitialiseResult(); rc != ZVRAW_OK) return rc;
  *pReader = toHandle(reader.release());
  return ZVRAW_OK;
}

}  // namespace

ZV_API int createRawReaderFromPath(const char* path, CZorvalenBaseReader* pReader, ZorvalenBaseType nType) {
  if (pReader == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pReader = nullptr;
  if (path == nullptr) return ZVRAW_NULL_PARAMETERS;
  if (!isReaderKind(nType)) return ZVRAW_READER_NOT_DEFINED;
  // The cluster keeps a path of at most 255 bytes; a longer one is refused,
  // never cut, since a cut path may name another directory.
  if (strnlen(path, zvraw::kMaxPathLength + 1) > zvraw::kMaxPathLength) return ZVRAW_FILENAME_ERROR;
  return guarded([&] { return handOver(makeReader(nType, path), pReader); });
}

ZV_API int createRawReaderFromReader(CZorvalenBaseReader source, CZorvalenBaseReader* pReader,
                                     ZorvalenBaseType nType) {
  if (pReader == nullptr) return ZVRAW_NULL_PARAMETERS;
  *pReader = nullptr;
  const ZorvalenRawReaderImp* from = handleCast<ZorvalenRawReaderImp>(source);
  if (from == nullptr || !isReaderKind(nType)) return ZVRAW_READER_NOT_DEFINED;
  const ZorvalenRawDataFile& shared = *from;
  return guarded([&] { return handOver(makeReader(nType, shared), pReader); });
}

ZV_API int destroyRawReader(CZorvalenBaseReader reader) {
  return destroyHandle<ZorvalenRawReaderImp>(reader, ZVRAW_READER_NOT_DEFINED);
}

ZV_API int updateRawReader(CZorvalenBaseReader reader) {
  return guarded([&] {
    ZorvalenRawReaderImp* r = handleCast<ZorvalenRawReaderImp>(reader);
    return r != nullptr ? r->Update() : ZVRAW_READER_NOT_DEFINED;
  });
}
