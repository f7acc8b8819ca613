#pragma once

// The analog reader (reader kind 4): the analog and auxiliary detector
// channels of a raw directory.

#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawAnalogReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawAnalogReaderImp(const char* path) : ZorvalenRawReaderImp(HandleKind::AnalogReader, path) {}
  explicit ZorvalenRawAnalogReaderImp(const ZorvalenRawDataFile& source) : ZorvalenRawReaderImp(HandleKind::AnalogReader, source) {}
  ~ZorvalenRawAnalogReaderImp() override = default;
  ZorvalenRawAnalogReaderImp(const ZorvalenRawAnalogReaderImp&) = delete;
  ZorvalenRawAnalogReaderImp& operator=(const ZorvalenRawAnalogReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::AnalogReader; }
};

}  // namespace Vardex::Lib::ZorvalenRaw
