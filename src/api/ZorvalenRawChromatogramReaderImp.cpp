#include "api/ZorvalenRawChromatogramReaderImp.h"

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"

namespace Vardex::Lib::ZorvalenRaw {

ZorvalenRawChromatogramReaderImp::ZorvalenRawChromatogramReaderImp(const char* path)
    : ZorvalenRawReaderImp(HandleKind::ChromatogramReader, path),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawChromatogramReaderImp::ZorvalenRawChromatogramReaderImp(const ZorvalenRawDataFile& source)
    : ZorvalenRawReaderImp(HandleKind::ChromatogramReader, source),
      m_pImp(MakeAccessInterface()) {}

ZorvalenRawChromatogramReaderImp::~ZorvalenRawChromatogramReaderImp() = default;

}  // namespace Vardex::Lib::ZorvalenRaw
