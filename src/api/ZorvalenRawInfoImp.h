#pragma once

// The information reader (reader kind 2): what an open raw directory holds,
// without reading scan data.

#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawInfoImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawInfoImp(const char* path) : ZorvalenRawReaderImp(HandleKind::InfoReader, path) {}
  explicit ZorvalenRawInfoImp(const ZorvalenRawDataFile& source) : ZorvalenRawReaderImp(HandleKind::InfoReader, source) {}
  ~ZorvalenRawInfoImp() override = default;
  ZorvalenRawInfoImp(const ZorvalenRawInfoImp&) = delete;
  ZorvalenRawInfoImp& operator=(const ZorvalenRawInfoImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::InfoReader; }
};

}  // namespace Vardex::Lib::ZorvalenRaw
