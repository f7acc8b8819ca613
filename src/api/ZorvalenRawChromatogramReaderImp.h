#pragma once

// The chromatogram reader (reader kind 3): time traces of one function.

#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawChromatogramReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawChromatogramReaderImp(const char* path) : ZorvalenRawReaderImp(HandleKind::ChromatogramReader, path) {}
  explicit ZorvalenRawChromatogramReaderImp(const ZorvalenRawDataFile& source) : ZorvalenRawReaderImp(HandleKind::ChromatogramReader, source) {}
  ~ZorvalenRawChromatogramReaderImp() override = default;
  ZorvalenRawChromatogramReaderImp(const ZorvalenRawChromatogramReaderImp&) = delete;
  ZorvalenRawChromatogramReaderImp& operator=(const ZorvalenRawChromatogramReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::ChromatogramReader; }
};

}  // namespace Vardex::Lib::ZorvalenRaw
