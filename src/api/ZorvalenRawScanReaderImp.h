#pragma once

// The scan reader (reader kind 1): single scans and drift spectra of a raw
// directory.

#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawScanReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawScanReaderImp(const char* path) : ZorvalenRawReaderImp(HandleKind::ScanReader, path) {}
  explicit ZorvalenRawScanReaderImp(const ZorvalenRawDataFile& source) : ZorvalenRawReaderImp(HandleKind::ScanReader, source) {}
  ~ZorvalenRawScanReaderImp() override = default;
  ZorvalenRawScanReaderImp(const ZorvalenRawScanReaderImp&) = delete;
  ZorvalenRawScanReaderImp& operator=(const ZorvalenRawScanReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::ScanReader; }
};

}  // namespace Vardex::Lib::ZorvalenRaw
