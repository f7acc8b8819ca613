#pragma once

// The chromatogram reader (reader kind 3): time traces of one function
// through the cluster's access interface.

#include <memory>

#include "api/ZorvalenRawReaderImp.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawChromatogramReaderImp : public ZorvalenRawReaderImp {
 public:
  explicit ZorvalenRawChromatogramReaderImp(const char* path);
  explicit ZorvalenRawChromatogramReaderImp(const ZorvalenRawDataFile& source);
  ~ZorvalenRawChromatogramReaderImp() override;
  // Another reader of this kind on source's cluster, with buffers of its own.
  ZorvalenRawChromatogramReaderImp(const ZorvalenRawChromatogramReaderImp& source) : ZorvalenRawChromatogramReaderImp(static_cast<const ZorvalenRawDataFile&>(source)) {}
  ZorvalenRawChromatogramReaderImp& operator=(const ZorvalenRawChromatogramReaderImp&) = delete;

  static bool acceptsKind(HandleKind kind) { return kind == HandleKind::ChromatogramReader; }

 protected:
  std::unique_ptr<ZVRawAccessInterface> m_pImp;
};

}  // namespace Vardex::Lib::ZorvalenRaw
