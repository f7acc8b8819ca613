#pragma once

// The analog reader (reader kind 4): the analog and auxiliary detector
// channels of a raw directory, copied into buffers the reader owns.

#include <memory>

#include "api/MemoryHandler.h"
#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawAnalogReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawAnalogReaderImp(const char* path);
  explicit ZorvalenRawAnalogReaderImp(const ZorvalenRawDataFile& source);
  ~ZorvalenRawAnalogReaderImp() override;
  // Another reader of this kind on source's cluster, with buffers of its own.
  ZorvalenRawAnalogReaderImp(const ZorvalenRawAnalogReaderImp& source) : ZorvalenRawAnalogReaderImp(static_cast<const ZorvalenRawDataFile&>(source)) {}
  ZorvalenRawAnalogReaderImp& operator=(const ZorvalenRawAnalogReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::AnalogReader; }

 protected:
  std::unique_ptr<ZVRawAccessInterface> m_pImp;
  // The last channel's times and values; made by the first channel read.
  std::unique_ptr<MemoryHandler> _pTimeHandler;
  std::unique_ptr<MemoryHandler> _pIntensityHandler;
};

}  // namespace Vardex::Lib::ZorvalenRaw
